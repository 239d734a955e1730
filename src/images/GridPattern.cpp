#include "images/GridPattern.h"

#include <charconv>
#include <cmath>
#include <system_error>

#include "core/IniFile.h"
#include "images/FileAccess.h"

namespace korvalen {
namespace {

constexpr const char* kGrid = "Grid";
constexpr const char* kCalibration = "calibration";
constexpr const char* kCornerKeys[4][2] = {
    {"P1lat", "P1lon"}, {"P2lat", "P2lon"}, {"P3lat", "P3lon"}, {"P4lat", "P4lon"}};

bool IsCorner(double value) {
    return std::isfinite(value) && value <= 1000;
}

}  // namespace

std::string FormatPatternFloat(double value) {
    if (!std::isfinite(value))
        value = 0;
    char buffer[64];
    auto [ptr, ec] =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
    return ec == std::errc() ? std::string(buffer, ptr) : std::string("0");
}

bool ParsePatternFloat(std::string_view text, double& value) {
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ')
        text.remove_prefix(1);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ')
        text.remove_suffix(1);
    // A file written under a locale with a decimal comma still reads.
    std::string number(text);
    for (char& c : number)
        if (c == ',')
            c = '.';
    if (!number.empty() && number.front() == '+')
        number.erase(0, 1);
    double parsed = 0;
    const char* end = number.data() + number.size();
    auto [ptr, ec] = std::from_chars(number.data(), end, parsed);
    if (number.empty() || ec != std::errc() || ptr != end || !std::isfinite(parsed))
        return false;
    value = parsed;
    return true;
}

std::string GridPatternText(const GridPattern& pattern) {
    IniFile file;
    file.WriteInteger(kGrid, "NumRows", pattern.NumRows);
    file.WriteInteger(kGrid, "NumCols", pattern.NumCols);
    file.WriteInteger(kGrid, "Overlapping", pattern.Overlapping);
    file.WriteString(kGrid, "RootLat", FormatPatternFloat(pattern.RootLat));
    file.WriteString(kGrid, "RootLon", FormatPatternFloat(pattern.RootLon));
    file.WriteString(kGrid, "DeltaLat", FormatPatternFloat(pattern.DeltaLat));
    file.WriteString(kGrid, "DeltaLon", FormatPatternFloat(pattern.DeltaLon));
    if (pattern.Corners) {
        for (size_t i = 0; i < 4; ++i) {
            file.WriteString(kCalibration, kCornerKeys[i][0],
                             FormatPatternFloat((*pattern.Corners)[i].Lat));
            file.WriteString(kCalibration, kCornerKeys[i][1],
                             FormatPatternFloat((*pattern.Corners)[i].Lon));
        }
    }
    return file.ToText();
}

bool WriteGridPattern(const std::filesystem::path& path, const GridPattern& pattern,
                      std::string& error) {
    return WriteFileAtomically(path, GridPatternText(pattern), error);
}

PatternReading ParseGridPattern(std::string_view text) {
    PatternReading reading;
    IniFile file;
    file.Parse(text);
    if (!file.HasSection(kGrid)) {
        reading.Status = PatternStatus::NotAPattern;
        return reading;
    }
    GridPattern& p = reading.Pattern;
    p.NumRows = file.ReadInteger(kGrid, "NumRows", 0);
    p.NumCols = file.ReadInteger(kGrid, "NumCols", 0);
    p.Overlapping = file.ReadInteger(kGrid, "Overlapping", 0);
    auto readFloat = [&file](const char* section, const char* key, double fallback) {
        double value = fallback;
        ParsePatternFloat(file.ReadString(section, key), value);
        return value;
    };
    p.RootLat = readFloat(kGrid, "RootLat", 0);
    p.RootLon = readFloat(kGrid, "RootLon", 0);
    p.DeltaLat = readFloat(kGrid, "DeltaLat", 0);
    p.DeltaLon = readFloat(kGrid, "DeltaLon", 0);

    reading.HasCalibration = file.HasSection(kCalibration);
    if (reading.HasCalibration) {
        std::array<GridCorner, 4> corners{};
        reading.CornersComplete = true;
        for (size_t i = 0; i < 4 && reading.CornersComplete; ++i) {
            corners[i].Lat = readFloat(kCalibration, kCornerKeys[i][0], kMissingCorner);
            corners[i].Lon = readFloat(kCalibration, kCornerKeys[i][1], kMissingCorner);
            reading.CornersComplete = IsCorner(corners[i].Lat) && IsCorner(corners[i].Lon);
        }
        p.Corners = corners;
    }

    // Each side on its own: a product of two hostile values could overflow or turn positive.
    const bool sidesFit = p.NumRows > 0 && p.NumCols > 0 && p.NumRows <= kMaxPatternSide &&
                          p.NumCols <= kMaxPatternSide;
    reading.Status = sidesFit && p.Overlapping >= 10 && p.Overlapping <= 25
                         ? PatternStatus::Ok
                         : PatternStatus::BadParameter;
    return reading;
}

PatternReading ReadGridPattern(const std::filesystem::path& path) {
    PatternReading reading;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        reading.Error = DisplayPath(path) + ": there is no such file";
        return reading;
    }
    std::vector<uint8_t> data;
    if (!ReadWholeFile(path, data, reading.Error, IniFile::kMaxFileBytes))
        return reading;
    return ParseGridPattern(
        std::string_view(reinterpret_cast<const char*>(data.data()), data.size()));
}

int PatternNameWidth(int imageCount) {
    return imageCount >= 100 ? 3 : imageCount >= 10 ? 2 : 1;
}

std::string PatternImageBase(int number, int imageCount) {
    std::string digits = std::to_string(number);
    const size_t width = static_cast<size_t>(PatternNameWidth(imageCount));
    if (digits.size() < width)
        digits.insert(0, width - digits.size(), '0');
    return digits;
}

std::string PatternImageName(int number, int imageCount) {
    return PatternImageBase(number, imageCount) + ".jpg";
}

}  // namespace korvalen
