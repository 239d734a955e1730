#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace korvalen {

// A corner coordinate above this (or one that is missing) counts as not given.
inline constexpr double kMissingCorner = 1001;

struct GridCorner {
    double Lat = kMissingCorner;
    double Lon = kMissingCorner;
};

// The grid pattern file (".pgp"): the grid of views a placemark grid was grown to, and the
// coordinates of its four calibration placemarks (1 top left, 2 top right, 3 bottom left,
// 4 bottom right) when they were made.
struct GridPattern {
    int32_t NumRows = 0;
    int32_t NumCols = 0;
    int32_t Overlapping = 0;  // percent
    double RootLat = 0, RootLon = 0;
    double DeltaLat = 0, DeltaLon = 0;
    std::optional<std::array<GridCorner, 4>> Corners;
};

// Patterns larger than this are refused: nobody takes ten thousand screenshots by hand, and
// every image costs memory.
inline constexpr int32_t kMaxPatternSide = 100;

// "%.15g" with "." whatever the locale, so that a file moves between machines.
std::string FormatPatternFloat(double value);
// A float written with "." or "," as separator; false for anything else.
bool ParsePatternFloat(std::string_view text, double& value);

// The file's text, sections "Grid" and (with corners) "calibration", CR LF.
std::string GridPatternText(const GridPattern& pattern);
// Writes through a temporary name, so that a failure leaves an old file as it was.
bool WriteGridPattern(const std::filesystem::path& path, const GridPattern& pattern,
                      std::string& error);

// What reading a pattern file found.
enum class PatternStatus {
    Ok,
    Unreadable,    // the file could not be read (error says why)
    NotAPattern,   // no section "grid"
    BadParameter,  // no images, a side above kMaxPatternSide, or overlap outside 10 to 25
};
struct PatternReading {
    PatternStatus Status = PatternStatus::Unreadable;
    GridPattern Pattern;          // what was read, also for a bad parameter
    bool HasCalibration = false;  // the section "calibration" is there
    // All four corners were readable; false stops at the first corner with a missing value,
    // which hides the calibration.
    bool CornersComplete = false;
    std::string Error;
};
PatternReading ReadGridPattern(const std::filesystem::path& path);
// The same on text already in memory.
PatternReading ParseGridPattern(std::string_view text);

// Source texts of the loader's messages.
inline constexpr const char* kNotAPatternMessage =
    "The file %s is_no placemark_grid_file\r\nThe tavix cannot be_started";
inline constexpr const char* kBadPatternMessage =
    "Bad grid_pattern parameter\r\nThe tavix cannot be_started";
inline constexpr const char* kMissingImageQuestion =
    "File %s is_missing\r\nThe tavix cannot be_started\r\nDo_you_want search another folder";

// The images of a pattern are named by their number from 1, row by row, with leading zeros
// to a width that depends on the count: 1 digit below 10, 2 below 100, 3 from 100 on.
int PatternNameWidth(int imageCount);
std::string PatternImageBase(int number, int imageCount);
std::string PatternImageName(int number, int imageCount);  // with ".jpg"

}  // namespace korvalen
