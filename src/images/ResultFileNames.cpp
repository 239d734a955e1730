#include "images/ResultFileNames.h"

#include <algorithm>
#include <cstdio>

#include "images/BmpCodec.h"
#include "images/FileAccess.h"
#include "images/JpegCodec.h"

namespace korvalen {
namespace fs = std::filesystem;

namespace {

fs::path PathFromUtf8(const std::string& text) {
    return fs::path(std::u8string(text.begin(), text.end()));
}

// The folder a setting names; an empty setting means the current folder.
fs::path FolderOf(const std::string& setting, const fs::path& currentFolder) {
    if (setting.empty())
        return currentFolder;
    const fs::path folder = PathFromUtf8(setting);
    return folder.is_absolute() ? folder : currentFolder / folder;
}

// A name typed by the user stays one name: separators would point into other folders.
std::string OneFileName(std::string name) {
    for (char& c : name)
        if (c == '/' || c == '\\' || c == '\0')
            c = '_';
    return name;
}

std::string SizeText(int width, int height) {
    return std::to_string(width) + " x " + std::to_string(height) + " pixels";
}

}  // namespace

std::string DateTimeStamp(const std::tm& time) {
    const auto two = [](int value) {
        value %= 100;
        if (value < 0)
            value += 100;
        return std::string{static_cast<char>('0' + value / 10),
                           static_cast<char>('0' + value % 10)};
    };
    return two(time.tm_year + 1900) + two(time.tm_mon + 1) + two(time.tm_mday) + two(time.tm_hour) +
           two(time.tm_min) + two(time.tm_sec);
}

fs::path ProposedResultName(const ResultNameRequest& request) {
    const std::string& folderSetting =
        request.geMode ? request.mapImagesDirectory : request.tavixedMapsDirectory;
    std::string name = OneFileName(request.geMode ? request.captureName : request.resultNameHint);
    if (name.empty())
        name = DateTimeStamp(request.now);
    name += request.mapsAreJpeg ? ".jpg" : ".bmp";
    return FolderOf(folderSetting, request.currentFolder) / PathFromUtf8(name);
}

MapFileFormat FormatOfName(const fs::path& path) {
    return AsciiLower(ExtensionAtFirstStop(path)).find("jpg") != std::string::npos
               ? MapFileFormat::Jpeg
               : MapFileFormat::Bitmap;
}

fs::path WithExtensionAtFirstStop(const fs::path& path, std::string_view extension) {
    const std::u8string name = path.filename().u8string();
    const size_t stop = name.find(u8'.');
    std::u8string cut = stop == std::u8string::npos ? name + u8"." : name.substr(0, stop + 1);
    cut.append(extension.begin(), extension.end());
    return path.parent_path() / fs::path(cut);
}

fs::path NameAgreeingWithFormat(const fs::path& path, MapFileFormat chosen) {
    const std::string extension = AsciiLower(ExtensionAtFirstStop(path));
    const bool saysJpeg = extension.find("jpg") != std::string::npos;
    const bool saysBitmap = extension.find("bmp") != std::string::npos;
    const bool agrees =
        chosen == MapFileFormat::Jpeg ? saysJpeg && !saysBitmap : saysBitmap && !saysJpeg;
    if (agrees)
        return path;
    return WithExtensionAtFirstStop(path, chosen == MapFileFormat::Jpeg ? "jpg" : "bmp");
}

bool FormatCanHold(MapFileFormat format, int width, int height, PixelFormat pixels,
                   std::string& refusal) {
    if (width <= 0 || height <= 0) {
        refusal = "The map is empty (" + SizeText(width, height) + ")";
        return false;
    }
    if (format == MapFileFormat::Jpeg) {
        const int longest = std::max(width, height);
        if (longest > kJpegMaxSide) {
            refusal = "A JPEG file holds at most " + std::to_string(kJpegMaxSide) +
                      " pixels a side; this map is " + SizeText(width, height);
            return false;
        }
        if (longest > kJpegLibraryMaxSide) {
            refusal = "The JPEG encoder writes at most " + std::to_string(kJpegLibraryMaxSide) +
                      " pixels a side; this map is " + SizeText(width, height);
            return false;
        }
        return true;
    }
    const uint64_t bytes = BmpFileSize(width, height, pixels);
    if (bytes > kMaxBmpFileSize) {
        char gib[32];
        std::snprintf(gib, sizeof gib, "%.2f", static_cast<double>(bytes) / (1u << 30));
        refusal = "A Windows bitmap file holds at most 4 GiB (" + std::to_string(kMaxBmpFileSize) +
                  " bytes); this map of " + SizeText(width, height) + " at " +
                  std::to_string(static_cast<int>(pixels)) + " bits would take " +
                  std::to_string(bytes) + " bytes (" + gib + " GiB)";
        return false;
    }
    return true;
}

}  // namespace korvalen
