#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace korvalen {

// One coordinate found in a placemark file; the name is not read.
struct tGEPlacemark {
    std::string Name;
    double Lat = 0;
    double Lon = 0;
};

// What one line says about an element: whether its opening prefix ("<name", also with
// attributes) or its closing tag is on the line, and the text it carries.
struct TagValue {
    bool Found = false;
    bool HasOpen = false;
    bool HasClose = false;
    std::string Value;  // lower case, trimmed
};
TagValue ExtractTagValue(std::string_view tag, std::string_view line);

// A decimal number with "." or "," as separator whatever the locale; at most 7 decimals
// count. False for anything else.
bool ParseDecimal(std::string_view text, double& value);
// "lon,lat,alt" as KML writes it; the altitude part must be there (two commas).
bool ParseCoordinates(std::string_view text, double& lat, double& lon);
// ParseDecimal rounded half to even; 0 and false on failure.
bool ParseInteger(std::string_view text, int32_t& value);

// A placemark file as read: its lines (kept for writing the grid) and the coordinates found.
struct PlacemarkFile {
    std::vector<std::string> Lines;
    std::vector<tGEPlacemark> Placemarks;
    bool IsKml = false;       // a "kml" element was opened
    int32_t EyeAltitude = 0;  // the last "range" read, metres
};

// Reads a file as the placemark grid does. Files above this size are refused unread; a line
// of any length is read, but each tag looks at most at its first 255 characters of text.
inline constexpr uint64_t kMaxPlacemarkFileBytes = uint64_t{64} << 20;
bool ReadPlacemarkFile(const std::filesystem::path& path, PlacemarkFile& file, std::string& error);
// The scan itself, on text already in memory; any bytes are accepted.
void ScanPlacemarkText(std::string_view text, PlacemarkFile& file);

// The root view spanned by the first two placemarks.
struct RootView {
    double LatTop = 0, LatBottom = 0, LonLeft = 0, LonRight = 0;
    int64_t ImageWidth = 0;  // metres on the ground, across the middle
    int64_t ImageHeight = 0;
};
RootView RootViewOf(const tGEPlacemark& a, const tGEPlacemark& b);

// Source texts of the failures of reading a root placemark file.
inline constexpr const char* kNoPlacemarkFile = "It_is_no valid placemark_file";
inline constexpr const char* kTooFewPlacemarks = "Not_any two placemarks were_found in the file";

// Reads a root placemark file: its lines, eye altitude and root view. False with the source
// text of the failure (kNoPlacemarkFile, kTooFewPlacemarks or a file error).
struct RootPlacemarkFile {
    PlacemarkFile File;
    RootView View;
};
bool LoadRootPlacemarkFile(const std::filesystem::path& path, RootPlacemarkFile& root,
                           std::string& error);

}  // namespace korvalen
