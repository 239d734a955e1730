#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "geo/CalibPoints.h"

namespace korvalen {

class Bitmap;

// The product's web address, named in the QV and Fugawi headers.
inline constexpr const char* kProductWebAddress = "https://korvalen.example.org/";

// Calibration formats by their index, the radio item position plus 1.
inline constexpr int kOziExplorer = 1;   // "map"
inline constexpr int kTouratechQv = 2;   // "cal"
inline constexpr int kGpsTracker = 3;    // "geo"
inline constexpr int kGlobalMapper = 4;  // "gmw"
inline constexpr int kFugawi = 5;        // "jpr"
inline constexpr int kWorldFile = 6;     // "jgw", or "bpw" for a bitmap
inline constexpr int kMapInfo = 7;       // "tab"
inline constexpr int kFormatCount = 7;
inline constexpr int kFormFormatCount = 5;  // the hand calibration writes formats 1 to 5

// The file a calibration of the image is written to, beside the image. Most formats take the
// image name up to the first full stop of its file name; the world file and the MapInfo table
// replace the image's last extension, because their readers look for them that way. Empty for
// an unknown format. qvJpeg chooses the QV separator "_jpg." over "_bmp.".
std::filesystem::path CalibrationFileName(const std::filesystem::path& image, int formatIndex,
                                          bool qvJpeg);
// Whether the image's file name contains ".jpg", without regard to case: the QV separator
// of an image saved by the program.
bool ImageNameSaysJpeg(const std::filesystem::path& image);

struct CalibrationWriteOptions {
    // The date and time stamped into the QV file; the current local time when not given.
    std::optional<std::string> dateTime;
};

// The current local date and time as the QV stamp writes it (short date, long time).
std::string CurrentDateTimeText();

// The lines of a calibration file of the table for a W x H image (without line ends, UTF-8);
// empty for an unknown format.
std::vector<std::string> CalibrationLines(const CalibPoints& points, int width, int height,
                                          const std::filesystem::path& image, int formatIndex,
                                          const CalibrationWriteOptions& options = {});

// Writes the calibration file of the image beside it in Windows-1252 with CR LF line ends,
// replacing an older file only once the new one is complete. Only the image's width and height
// are read. On success clears calibration.Pending and gives the file written; false (and no
// file) for a format outside 1 to 7, a failed write, or a file name that is the image's own.
bool WriteCalibrationFile(int width, int height, const std::filesystem::path& imageFileName,
                          int formatIndex, CalibrationState& calibration,
                          std::filesystem::path& calibFileName, std::string& error,
                          const CalibrationWriteOptions& options = {});
bool WriteCalibrationFile(const Bitmap& bitmap, const std::filesystem::path& imageFileName,
                          int formatIndex, CalibrationState& calibration,
                          std::filesystem::path& calibFileName, std::string& error,
                          const CalibrationWriteOptions& options = {});

// ---- the hand calibration's writer -------------------------------------------------------

struct LatLon {
    double Lat = 0;
    double Lon = 0;
};

enum class ImageCorner { TopLeft, TopRight, BottomRight, BottomLeft };

// What the map display supplies once it has fitted its calibration: the image size, the
// coordinates of the image's pixel corners and the resolution.
class GeoMapCorners {
public:
    virtual ~GeoMapCorners() = default;
    virtual int ImageWidth() const = 0;
    virtual int ImageHeight() const = 0;
    // (0, 0), (W, 0), (W, H) and (0, H) in latitude and longitude.
    virtual LatLon CornerLatLon(ImageCorner corner) const = 0;
    // Metres per image pixel.
    virtual double ResolutionMetresPerPixel() const = 0;
};

// The lines the hand calibration writes in formats 1 to 5: the corner points P1 to P4 it
// placed, the display's corners and resolution, and its own source lines; empty otherwise.
std::vector<std::string> FormCalibrationLines(const GeoMapCorners& display,
                                              const CalibPoints& points,
                                              const std::filesystem::path& image, int formatIndex,
                                              const CalibrationWriteOptions& options = {});

// Writes those lines beside the image as WriteCalibrationFile does; the QV separator follows
// mapsAreJpeg. False (and no file) for a format outside 1 to 5, a failed write, or a file
// name that is the image's own.
bool WriteFormCalibrationFile(const GeoMapCorners& display, const CalibPoints& points,
                              const std::filesystem::path& imageFileName, int formatIndex,
                              bool mapsAreJpeg, std::filesystem::path& calibFileName,
                              std::string& error, const CalibrationWriteOptions& options = {});

}  // namespace korvalen
