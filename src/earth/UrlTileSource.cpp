#include "earth/UrlTileSource.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <system_error>

#include "earth/TileDecoder.h"
#include "earth/WebMercator.h"
#include "images/Bitmap.h"
#include "images/FileAccess.h"

#ifndef KORVALEN_VERSION_TEXT
#define KORVALEN_VERSION_TEXT "2"
#endif

namespace korvalen {
namespace fs = std::filesystem;

namespace {

// The zoom levels asked for: every common tile server has these.
constexpr int kUrlMaxZoom = 18;
constexpr size_t kMaxTemplateLength = 2000;

std::string Scheme(const std::string& text) {
    const size_t colon = text.find("://");
    return colon == std::string::npos ? std::string() : AsciiLower(text.substr(0, colon));
}

// A stable name for a template's cache folder (FNV-1a, 64 bits).
std::string TemplateHash(const std::string& text) {
    uint64_t hash = 14695981039346656037ull;
    for (const unsigned char c : text) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
    return hex;
}

std::string TileName(int zoom, int x, int y) {
    return std::to_string(zoom) + "/" + std::to_string(x) + "/" + std::to_string(y);
}

class UrlTileSource : public TileSource {
public:
    UrlTileSource(std::string urlTemplate, fs::path cacheFolder, FetchLimits limits,
                  std::string userAgent)
        : template_(std::move(urlTemplate)),
          cache_(std::move(cacheFolder)),
          limits_(limits),
          client_(std::move(userAgent)) {
        MinZoom = 0;
        MaxZoom = kUrlMaxZoom;
        Description = template_;
    }

    bool ReadTile(int zoom, int x, int y, std::vector<uint8_t>& data, std::string& error) override {
        error.clear();
        if (zoom < MinZoom || zoom > MaxZoom || x < 0 || y < 0 || x >= (1 << zoom) ||
            y >= (1 << zoom))
            return false;
        const fs::path cached =
            cache_.empty() ? fs::path()
                           : cache_ / std::to_string(zoom) / std::to_string(x) / std::to_string(y);
        std::error_code ec;
        if (!cached.empty() && fs::is_regular_file(cached, ec) &&
            ReadWholeFile(cached, data, error, limits_.MaxBytes)) {
            Answered();
            return true;
        }
        error.clear();

        FetchResult answer = client_.Get(TileUrl(template_, zoom, x, y), limits_);
        const std::string tile = "tile " + TileName(zoom, x, y);
        if (answer.Outcome == FetchOutcome::Cancelled) {
            error = tile + ": cancelled";
            return false;
        }
        if (answer.Outcome == FetchOutcome::Unreachable ||
            answer.Outcome == FetchOutcome::TimedOut) {
            error = tile + ": " + answer.Message;
            NotAnswered(Host() + ": " + answer.Message);
            return false;
        }
        if (answer.Outcome != FetchOutcome::Answered) {
            Answered();  // the server is there; this answer was no tile
            error = tile + ": " + answer.Message;
            return false;
        }
        if (answer.Status == 401 || answer.Status == 403) {
            error =
                tile + ": the server refuses tiles (HTTP " + std::to_string(answer.Status) + ")";
            NotAnswered(Host() + " refuses tiles (HTTP " + std::to_string(answer.Status) + ")");
            return false;
        }
        Answered();
        // Outside a server's coverage there are no tiles; that is no fault.
        if (answer.Status == 404 || answer.Status == 410 || answer.Status == 204)
            return false;
        if (answer.Status != 200) {
            error = tile + ": HTTP status " + std::to_string(answer.Status);
            return false;
        }
        // Only a tile that decodes goes into the cache, so a bad answer is asked for again.
        Bitmap check;
        std::string decodeError;
        if (!DecodeTile(answer.Body, check, decodeError)) {
            error = tile + ": " + decodeError;
            return false;
        }
        if (!cached.empty())
            Store(cached, answer.Body);
        data = std::move(answer.Body);
        return true;
    }

    TileSourceState State(std::string& message) const override {
        std::lock_guard lock(stateMutex_);
        message = stateMessage_;
        return state_;
    }

    void Cancel() override { client_.Cancel(); }

private:
    std::string Host() const {
        const size_t start = template_.find("://") + 3;
        return template_.substr(start, template_.find('/', start) - start);
    }

    void Answered() {
        std::lock_guard lock(stateMutex_);
        state_ = TileSourceState::Ready;
        stateMessage_.clear();
    }

    // Only the first contact decides whether the server is there; later faults are tiles
    // that stay plain background.
    void NotAnswered(const std::string& message) {
        std::lock_guard lock(stateMutex_);
        if (state_ != TileSourceState::Ready) {
            state_ = TileSourceState::Unreachable;
            stateMessage_ = message;
        }
    }

    // A tile that cannot be kept (full disk, read-only home) is still shown.
    static void Store(const fs::path& file, const std::vector<uint8_t>& body) {
        std::error_code ec;
        fs::create_directories(file.parent_path(), ec);
        if (ec)
            return;
        std::string error;
        WriteFileAtomically(
            file,
            [&body](std::FILE* out, std::string& writeError) {
                if (std::fwrite(body.data(), 1, body.size(), out) != body.size()) {
                    writeError = "short write";
                    return false;
                }
                return true;
            },
            error);
    }

    const std::string template_;
    const fs::path cache_;
    const FetchLimits limits_;
    HttpClient client_;
    mutable std::mutex stateMutex_;
    TileSourceState state_ = TileSourceState::Connecting;
    std::string stateMessage_;
};

}  // namespace

bool LooksLikeTileUrl(const std::string& location) {
    const size_t colon = location.find("://");
    if (colon == std::string::npos || colon == 0)
        return false;
    for (size_t i = 0; i < colon; ++i) {
        const char c = location[i];
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        if (!letter && !(i > 0 && ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.')))
            return false;
    }
    return true;
}

bool CheckTileUrlTemplate(const std::string& urlTemplate, std::string& error) {
    const std::string scheme = Scheme(urlTemplate);
    if (scheme != "http" && scheme != "https") {
        error = "Only http and https tile addresses can be used" +
                (scheme.empty() ? std::string() : " (not " + scheme + ")");
        return false;
    }
    if (urlTemplate.size() > kMaxTemplateLength) {
        error =
            "The tile address is longer than " + std::to_string(kMaxTemplateLength) + " characters";
        return false;
    }
    for (const unsigned char c : urlTemplate)
        if (c <= ' ' || c == 0x7F) {
            error = "The tile address must not hold spaces or control characters";
            return false;
        }
    const size_t hostStart = urlTemplate.find("://") + 3;
    const size_t hostEnd = urlTemplate.find('/', hostStart);
    if (hostEnd == hostStart || hostStart == urlTemplate.size()) {
        error = "The tile address names no server";
        return false;
    }
    bool seen[3] = {false, false, false};
    for (size_t at = 0; at < urlTemplate.size(); ++at) {
        if (urlTemplate[at] == '}') {
            error = "The tile address has a } without {";
            return false;
        }
        if (urlTemplate[at] != '{')
            continue;
        const size_t end = urlTemplate.find_first_of("{}", at + 1);
        if (end == std::string::npos || urlTemplate[end] != '}') {
            error = "The tile address has a { without }";
            return false;
        }
        const std::string name = urlTemplate.substr(at + 1, end - at - 1);
        if (name == "z" || name == "x" || name == "y") {
            seen[name == "z" ? 0 : name == "x" ? 1 : 2] = true;
        } else if (name == "s") {
            error = "The tile address holds {s}: write one of the server's names in its place";
            return false;
        } else {
            error = "The tile address holds {" + name + "}; only {z}, {x} and {y} are filled in";
            return false;
        }
        at = end;
    }
    if (!seen[0] || !seen[1] || !seen[2]) {
        error = "The tile address needs {z}, {x} and {y}";
        return false;
    }
    return true;
}

std::string TileUrl(const std::string& urlTemplate, int zoom, int x, int y) {
    std::string url;
    url.reserve(urlTemplate.size() + 16);
    for (size_t at = 0; at < urlTemplate.size(); ++at) {
        if (urlTemplate[at] == '{' && at + 2 < urlTemplate.size() && urlTemplate[at + 2] == '}') {
            const char name = urlTemplate[at + 1];
            if (name == 'z' || name == 'x' || name == 'y') {
                url += std::to_string(name == 'z' ? zoom : name == 'x' ? x : y);
                at += 2;
                continue;
            }
        }
        url += urlTemplate[at];
    }
    return url;
}

std::string TileUserAgent() {
    return "Korvalen/" KORVALEN_VERSION_TEXT " (+local tile cache)";
}

fs::path TileCacheRoot() {
    // Relative values are to be ignored, as if unset.
    const char* xdg = std::getenv("XDG_CACHE_HOME");
    if (xdg != nullptr && *xdg != '\0' && fs::path(xdg).is_absolute())
        return fs::path(xdg) / "korvalen" / "tiles";
#ifdef _WIN32
    const char* local = std::getenv("LOCALAPPDATA");
    if (local != nullptr && *local != '\0')
        return fs::path(local) / "korvalen" / "tiles";
#endif
    const char* home = std::getenv("HOME");
    if (home != nullptr && *home != '\0' && fs::path(home).is_absolute())
        return fs::path(home) / ".cache" / "korvalen" / "tiles";
    return {};
}

fs::path TileCacheFolder(const fs::path& root, const std::string& urlTemplate) {
    return root / TemplateHash(urlTemplate);
}

std::unique_ptr<TileSource> OpenTileUrl(const std::string& urlTemplate,
                                        const TileUrlOptions& options, std::string& error) {
    if (!CheckTileUrlTemplate(urlTemplate, error))
        return nullptr;
    const fs::path root = options.CacheRoot.empty() ? TileCacheRoot() : options.CacheRoot;
    try {
        return std::make_unique<UrlTileSource>(
            urlTemplate, root.empty() ? fs::path() : TileCacheFolder(root, urlTemplate),
            options.Limits, options.UserAgent.empty() ? TileUserAgent() : options.UserAgent);
    } catch (const std::exception& e) {
        error = e.what();
        return nullptr;
    }
}

}  // namespace korvalen
