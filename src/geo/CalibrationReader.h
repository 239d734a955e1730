#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "geo/CalibPoints.h"
#include "geo/CalibrationWriter.h"
#include "geo/WorldFile.h"

namespace korvalen {

// A reference point read from a calibration file, with the place (1 to 9) the file names.
struct ReadCalibPoint {
    int Index = 0;
    double Lat = 0;
    double Lon = 0;
    int X = 0;
    int Y = 0;
};

// What a calibration file of one of the seven formats says about its map.
struct CalibrationFileContent {
    std::vector<ReadCalibPoint> points;
    // Top-left, top-right, bottom-right, bottom-left where the format holds them (the
    // OziExplorer MMPLL lines); the QV file holds only the top-left and bottom-right.
    std::optional<std::array<LatLon, 4>> corners;
    std::optional<LatLon> topLeft, bottomRight;
    std::optional<double> metresPerPixel;  // OziExplorer MM1B
    std::optional<int> width, height;      // OziExplorer IWH, QV map_w / map_h
    std::optional<WorldFileTransform> worldFile;
};

// Parses the text of a calibration file in the format (1 to 7). Lines may end in CR LF or
// LF; unknown lines are skipped. False with a message for a line of a known kind whose
// numbers do not parse, for a world file without six numbers, and for a file that holds no
// reference point at all. Never reads beyond the text and keeps at most 200 points.
bool ParseCalibrationText(std::string_view text, int formatIndex, CalibrationFileContent& content,
                          std::string& error);
bool ReadCalibrationFile(const std::filesystem::path& path, int formatIndex,
                         CalibrationFileContent& content, std::string& error);

// What a written file must say: the table's points (those the format carries), the corners
// top-left, top-right, bottom-right, bottom-left, and the resolution the format names.
struct ExpectedCalibration {
    const CalibPoints* points = nullptr;
    std::array<LatLon, 4> corners{};
    double metresPerPixel = 0;
    int width = 0;
    int height = 0;
};

// Reads the written file back and compares every point, corner and size it holds with what
// was meant, within the rounding of the format's decimals. False with a message naming the
// first difference.
bool VerifyCalibrationFile(const std::filesystem::path& path, int formatIndex,
                           const ExpectedCalibration& expected, std::string& error);

}  // namespace korvalen
