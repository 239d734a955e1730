#include "images/FileAccess.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <random>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace korvalen {
namespace fs = std::filesystem;

std::string DisplayPath(const fs::path& path) {
    auto text = path.u8string();
    return std::string(text.begin(), text.end());
}

bool ReadWholeFile(const fs::path& path, std::vector<uint8_t>& data, std::string& error,
                   uint64_t maxBytes) {
    std::FILE* in = std::fopen(path.c_str(), "rb");
    if (!in) {
        error = "Cannot open " + DisplayPath(path) + ": " + std::strerror(errno);
        return false;
    }
    std::error_code ec;
    const uint64_t size = fs::file_size(path, ec);
    if (ec || size > maxBytes) {
        std::fclose(in);
        error = ec ? "Cannot read " + DisplayPath(path) + ": " + ec.message()
                   : DisplayPath(path) + " is too large";
        return false;
    }
    data.resize(static_cast<size_t>(size));
    const size_t got = size ? std::fread(data.data(), 1, data.size(), in) : 0;
    const bool failed = std::ferror(in) != 0;
    std::fclose(in);
    if (failed) {
        error = "Cannot read " + DisplayPath(path);
        return false;
    }
    data.resize(got);  // a file that shrank while being read
    return true;
}

bool WriteFileAtomically(const fs::path& path, const StreamWriter& writer, std::string& error) {
    std::random_device random;
    fs::path temporary = path;
    temporary += ".tmp" + std::to_string(random() % 1000000);
    std::FILE* out = std::fopen(temporary.c_str(), "wbx");
    if (!out) {
        error = "Cannot write " + DisplayPath(path) + ": " + std::strerror(errno);
        return false;
    }
    // A writer that throws (out of memory while encoding) must not leave the temporary behind.
    bool ok = false;
    try {
        ok = writer(out, error);
    } catch (const std::exception& e) {
        error = "Cannot write " + DisplayPath(path) + ": " + e.what();
    } catch (...) {
        error = "Cannot write " + DisplayPath(path);
    }
    if (ok && (std::fflush(out) != 0 || std::ferror(out))) {
        error = "Cannot write " + DisplayPath(path) + ": " + std::strerror(errno);
        ok = false;
    }
#ifndef _WIN32
    if (ok && fsync(fileno(out)) != 0) {
        error = "Cannot write " + DisplayPath(path) + ": " + std::strerror(errno);
        ok = false;
    }
#endif
    if (std::fclose(out) != 0 && ok) {
        error = "Cannot write " + DisplayPath(path) + ": " + std::strerror(errno);
        ok = false;
    }
    std::error_code ec;
    if (ok) {
        fs::rename(temporary, path, ec);
        if (ec) {
            error = "Cannot replace " + DisplayPath(path) + ": " + ec.message();
            ok = false;
        }
    }
    if (!ok)
        fs::remove(temporary, ec);
    return ok;
}

bool WriteFileAtomically(const fs::path& path, const std::string& content, std::string& error) {
    return WriteFileAtomically(
        path,
        [&content](std::FILE* out, std::string& writeError) {
            if (!content.empty() &&
                std::fwrite(content.data(), 1, content.size(), out) != content.size()) {
                writeError = std::string("Cannot write: ") + std::strerror(errno);
                return false;
            }
            return true;
        },
        error);
}

std::string ExtensionAtFirstStop(const fs::path& path) {
    auto name = path.filename().string();
    auto stop = name.find('.');
    return stop == std::string::npos ? std::string() : name.substr(stop + 1);
}

std::string BaseAtFirstStop(const fs::path& path) {
    auto name = path.filename().string();
    return name.substr(0, name.find('.'));
}

std::string AsciiLower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

}  // namespace korvalen
