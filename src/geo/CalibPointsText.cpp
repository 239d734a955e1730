#include "geo/CalibPointsText.h"

#include <array>
#include <charconv>
#include <cmath>

namespace korvalen {
namespace {

std::vector<std::string_view> SplitFields(std::string_view text) {
    std::vector<std::string_view> fields;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find_first_of(" \t,", start);
        const size_t stop = end == std::string_view::npos ? text.size() : end;
        if (stop > start)
            fields.push_back(text.substr(start, stop - start));
        start = stop + 1;
    }
    return fields;
}

template <typename T>
bool ParseNumber(std::string_view text, T& value) {
    if (text.size() > 1 && text[0] == '+' && text[1] != '-')
        text.remove_prefix(1);
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return !text.empty() && ec == std::errc() && ptr == end;
}

bool ParseDegrees(std::string_view text, const char* what, double limit, double& value,
                  std::string& error) {
    if (!ParseNumber(text, value) || !std::isfinite(value) || std::fabs(value) > limit) {
        error = std::string(what) + " must be a number of degrees from " +
                std::to_string(static_cast<int>(-limit)) + " to " +
                std::to_string(static_cast<int>(limit)) + ", not \"" + std::string(text) + "\"";
        return false;
    }
    return true;
}

std::string_view Trim(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

}  // namespace

bool ParseCalibPointInput(std::string_view text, CalibPointInput& input, std::string& error) {
    const std::vector<std::string_view> fields = SplitFields(text);
    if (fields.size() != 3 && fields.size() != 5) {
        error = "a point is \"N LAT LON\" or \"N LAT LON X Y\", not \"" + std::string(text) + "\"";
        return false;
    }
    input = {};
    if (!ParseNumber(fields[0], input.Index) || input.Index < 1 || input.Index > kCalibPointCount) {
        error = "the point number must be 1 to 9, not \"" + std::string(fields[0]) + "\"";
        return false;
    }
    if (!ParseDegrees(fields[1], "the latitude", 90, input.Lat, error) ||
        !ParseDegrees(fields[2], "the longitude", 180, input.Lon, error))
        return false;
    if (fields.size() == 5) {
        PixelPos pixel;
        if (!ParseNumber(fields[3], pixel.X) || !ParseNumber(fields[4], pixel.Y) || pixel.X < 0 ||
            pixel.Y < 0) {
            error = "the pixel must be two whole numbers of 0 or more, not \"" +
                    std::string(fields[3]) + " " + std::string(fields[4]) + "\"";
            return false;
        }
        input.Pixel = pixel;
    }
    return true;
}

bool ParseCalibPointsText(std::string_view text, std::vector<CalibPointInput>& inputs,
                          std::string& error) {
    int lineNumber = 0;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        const std::string_view line = Trim(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        ++lineNumber;
        if (line.empty() || line[0] == '#')
            continue;
        CalibPointInput input;
        if (!ParseCalibPointInput(line, input, error)) {
            error = "line " + std::to_string(lineNumber) + ": " + error;
            return false;
        }
        inputs.push_back(input);
    }
    return true;
}

bool ParseBounds(std::string_view text, std::vector<CalibPointInput>& inputs, std::string& error) {
    const std::vector<std::string_view> fields = SplitFields(text);
    double north = 0, west = 0, south = 0, east = 0;
    if (fields.size() != 4) {
        error = "the bounds are NORTH,WEST,SOUTH,EAST, not \"" + std::string(text) + "\"";
        return false;
    }
    if (!ParseDegrees(fields[0], "the north latitude", 90, north, error) ||
        !ParseDegrees(fields[1], "the west longitude", 180, west, error) ||
        !ParseDegrees(fields[2], "the south latitude", 90, south, error) ||
        !ParseDegrees(fields[3], "the east longitude", 180, east, error))
        return false;
    inputs.push_back({kTopLeft, north, west, std::nullopt});
    inputs.push_back({kTopRight, north, east, std::nullopt});
    inputs.push_back({kBottomLeft, south, west, std::nullopt});
    inputs.push_back({kBottomRight, south, east, std::nullopt});
    return true;
}

bool BuildCalibPoints(const std::vector<CalibPointInput>& inputs, int width, int height,
                      CalibPoints& points, std::string& error) {
    std::array<bool, kCalibPointCount + 1> given{};
    CalibPoints table;
    for (const CalibPointInput& input : inputs) {
        if (input.Index < 1 || input.Index > kCalibPointCount) {
            error = "there is no point " + std::to_string(input.Index) + " (1 to 9)";
            return false;
        }
        if (given[static_cast<size_t>(input.Index)]) {
            error = "point " + std::to_string(input.Index) + " is given twice";
            return false;
        }
        given[static_cast<size_t>(input.Index)] = true;
        tCalibPoint& point = table[input.Index];
        point.Lat = input.Lat;
        point.Lon = input.Lon;
        const PixelPos pixel =
            input.Pixel.value_or(CalibPoints::FixedPixel(input.Index, width, height));
        point.X = pixel.X;
        point.Y = pixel.Y;
        point.State = kPointSet;
    }
    for (int corner = kTopLeft; corner <= kBottomRight; ++corner) {
        if (!given[static_cast<size_t>(corner)]) {
            error = "the four corners (points 1 to 4) are needed; point " + std::to_string(corner) +
                    " is missing";
            return false;
        }
    }
    for (int index = kTopMiddle; index <= kCentre; ++index) {
        if (!given[static_cast<size_t>(index)]) {
            table.Derive(index);
            table[index].State = kPointSet;
        }
    }
    points = table;
    return true;
}

}  // namespace korvalen
