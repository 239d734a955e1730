#include "images/MapFiles.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "images/BmpCodec.h"
#include "images/FileAccess.h"
#include "images/JpegCodec.h"
#include "images/PixelConvert.h"
#include "images/PngCodec.h"

namespace korvalen {
namespace fs = std::filesystem;

namespace {

enum class MapFileKind { Unknown, Bmp, Jpeg, Png };

// The content decides, never the name: a map saved as JPEG under a .bmp name still loads.
bool SniffMapFile(const fs::path& path, MapFileKind& kind, std::string& error) {
    std::error_code ec;
    if (fs::is_directory(path, ec)) {
        error = "is a folder, not a map file";
        return false;
    }
    std::FILE* in = std::fopen(path.c_str(), "rb");
    if (!in) {
        error = std::string("cannot be opened: ") + std::strerror(errno);
        return false;
    }
    uint8_t magic[8] = {};
    const size_t got = std::fread(magic, 1, sizeof magic, in);
    std::fclose(in);
    kind = MapFileKind::Unknown;
    if (got >= 2 && magic[0] == 'B' && magic[1] == 'M')
        kind = MapFileKind::Bmp;
    if (got >= 2 && magic[0] == 0xFF && magic[1] == 0xD8)
        kind = MapFileKind::Jpeg;
    if (HasPngSignature({magic, got}))
        kind = MapFileKind::Png;
    return true;
}

// Codec messages may or may not name the file; the caller always needs to know which one.
std::string NamingTheFile(const fs::path& path, const std::string& message) {
    const std::string name = DisplayPath(path);
    if (message.find(name) != std::string::npos)
        return message;
    return name + ": " + (message.empty() ? std::string("cannot be read") : message);
}

}  // namespace

bool LoadMapFile(const fs::path& path, Bitmap& bitmap, bool toEightBit, std::string& error) {
    bitmap = Bitmap{};
    MapFileKind kind = MapFileKind::Unknown;
    std::string message;
    if (!SniffMapFile(path, kind, message)) {
        error = NamingTheFile(path, message);
        return false;
    }
    Bitmap loaded;
    bool ok = false;
    switch (kind) {
        case MapFileKind::Bmp:
            ok = ReadBmpFile(path, loaded, message);
            break;
        case MapFileKind::Jpeg:
            ok = ReadJpegFile(path, loaded, message);
            break;
        case MapFileKind::Png:
            ok = ReadPngFile(path, loaded, message);
            break;
        case MapFileKind::Unknown:
            message = "not a Windows bitmap, JPEG or PNG file";
            break;
    }
    if (ok && loaded.IsEmpty()) {
        ok = false;
        message = "the image is empty";
    }
    if (!ok) {
        error = NamingTheFile(path, message);
        return false;
    }
    if (toEightBit)
        ConvertInPlace(loaded, PixelFormat::Bits8);
    bitmap = std::move(loaded);
    return true;
}

fs::path JpegFileName(const fs::path& path) {
    if (AsciiLower(ExtensionAtFirstStop(path)).find("jpg") != std::string::npos)
        return path;
    const std::u8string name = path.filename().u8string();
    const size_t stop = name.find(u8'.');
    std::u8string jpegName = stop == std::u8string::npos ? name + u8"." : name.substr(0, stop + 1);
    jpegName += u8"jpg";
    return path.parent_path() / fs::path(jpegName);
}

bool SaveJpeg(const fs::path& path, const Bitmap& bitmap, bool eightBit, int quality,
              fs::path& written, std::string& error) {
    // eightBit changes nothing in the file: JPEG has no palette, the file is colour either way.
    (void)eightBit;
    if (!path.has_filename()) {
        error = "No file name given for the JPEG file " + DisplayPath(path);
        return false;
    }
    const fs::path target = JpegFileName(path);
    if (bitmap.IsEmpty()) {
        error = "Cannot write " + DisplayPath(target) + ": the image is empty";
        return false;
    }
    if (bitmap.Width() > kJpegMaxSide || bitmap.Height() > kJpegMaxSide) {
        error = "Cannot write " + DisplayPath(target) + ": a JPEG file holds at most " +
                std::to_string(kJpegMaxSide) + " pixels per side, the image has " +
                std::to_string(bitmap.Width()) + " x " + std::to_string(bitmap.Height());
        return false;
    }
    if (!WriteJpegFile(target, bitmap, quality, error))
        return false;
    written = target;
    return true;
}

}  // namespace korvalen
