#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "geo/CalibPoints.h"

namespace korvalen {

// A reference point as a user writes it: "N LAT LON" or "N LAT LON X Y", the fields
// separated by blanks, tabs or commas, N the place 1 to 9, degrees with "." as separator.
// Without X and Y the point lies at the fixed pixel of its place.
struct CalibPointInput {
    int Index = 0;
    double Lat = 0;
    double Lon = 0;
    std::optional<PixelPos> Pixel;
};

bool ParseCalibPointInput(std::string_view text, CalibPointInput& input, std::string& error);

// A small text file of such lines; blank lines and lines starting with "#" are skipped.
bool ParseCalibPointsText(std::string_view text, std::vector<CalibPointInput>& inputs,
                          std::string& error);

// "NORTH,WEST,SOUTH,EAST" of a north-up map as its four corners.
bool ParseBounds(std::string_view text, std::vector<CalibPointInput>& inputs, std::string& error);

// The table for a W x H map: corners 1 to 4 are required, each place at most once; places 5
// to 9 that are not given are derived from the corners as the hand calibration derives them.
// Every point gets the state "set".
bool BuildCalibPoints(const std::vector<CalibPointInput>& inputs, int width, int height,
                      CalibPoints& points, std::string& error);

}  // namespace korvalen
