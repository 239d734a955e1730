#pragma once

#include <ctime>
#include <filesystem>
#include <string>
#include <string_view>

#include "images/Bitmap.h"

namespace korvalen {

// The two formats maps are saved in, numbered as the pairs of kSaveMapFilter.
enum class MapFileFormat { Jpeg = 0, Bitmap = 1 };

// Filter of the save dialog: description and pattern pairs.
inline constexpr std::string_view kSaveMapFilter = "Jpeg|*.jpg|Bitmap|*.bmp";

inline constexpr MapFileFormat OtherFormat(MapFileFormat format) {
    return format == MapFileFormat::Jpeg ? MapFileFormat::Bitmap : MapFileFormat::Jpeg;
}

// "yymmddhhnnss": year, month, day, hour, minute and second with two digits each.
std::string DateTimeStamp(const std::tm& time);

// What the proposed name of a result map is made from. Folders are the settings' texts
// (UTF-8); an empty or relative one is taken in currentFolder.
struct ResultNameRequest {
    bool geMode = false;
    std::string captureName;           // the capture's map name (GE mode)
    std::string mapImagesDirectory;    // where captures go (GE mode)
    std::string tavixedMapsDirectory;  // where joined results go
    std::string resultNameHint;        // the grid pattern's name; empty for none
    bool mapsAreJpeg = false;
    std::filesystem::path currentFolder;
    std::tm now{};  // local time, for results without a name
};

// Folder, name and ".jpg" or ".bmp". A result without a name of its own is named by the date
// and time; folder separators in a name are replaced, so the name cannot leave its folder.
std::filesystem::path ProposedResultName(const ResultNameRequest& request);

// JPEG when the extension (after the name's first full stop, any case) contains "jpg".
MapFileFormat FormatOfName(const std::filesystem::path& path);

// The file name cut after its first full stop (one is appended when it has none), followed
// by the extension. The folder stays as it is.
std::filesystem::path WithExtensionAtFirstStop(const std::filesystem::path& path,
                                               std::string_view extension);

// The name made to agree with the format chosen in the save dialog: an extension that holds
// the other format's "jpg"/"bmp", or neither, becomes "jpg" or "bmp".
std::filesystem::path NameAgreeingWithFormat(const std::filesystem::path& path,
                                             MapFileFormat chosen);

// True when a file of the format can hold a map of this size and pixel format; otherwise a
// message that names the format's limit and the map's size. Checked before anything is
// written, so that a refused map leaves no partial file.
bool FormatCanHold(MapFileFormat format, int width, int height, PixelFormat pixels,
                   std::string& refusal);

}  // namespace korvalen
