// Arbitrary bytes as a grid pattern file: a pattern accepted has a sane size, and what is
// written from it reads back as the same pattern.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/IniFile.h"
#include "images/GridPattern.h"

namespace {

void Check(bool condition) {
    if (!condition)
        __builtin_trap();
}

bool Close(double a, double b) {
    return a == b || std::fabs(a - b) <= 1e-13 * std::max(std::fabs(a), std::fabs(b));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > korvalen::IniFile::kMaxFileBytes)
        return 0;
    using korvalen::PatternStatus;
    const korvalen::PatternReading reading =
        korvalen::ParseGridPattern(std::string_view(reinterpret_cast<const char*>(data), size));
    if (reading.Status != PatternStatus::Ok)
        return 0;
    const korvalen::GridPattern& p = reading.Pattern;
    Check(p.NumRows >= 1 && p.NumRows <= korvalen::kMaxPatternSide);
    Check(p.NumCols >= 1 && p.NumCols <= korvalen::kMaxPatternSide);
    Check(p.Overlapping >= 10 && p.Overlapping <= 25);
    Check(korvalen::PatternImageName(p.NumRows * p.NumCols, p.NumRows * p.NumCols).size() <= 9);

    const korvalen::PatternReading again = korvalen::ParseGridPattern(korvalen::GridPatternText(p));
    Check(again.Status == PatternStatus::Ok);
    Check(again.Pattern.NumRows == p.NumRows && again.Pattern.NumCols == p.NumCols);
    Check(Close(again.Pattern.RootLat, p.RootLat) && Close(again.Pattern.DeltaLon, p.DeltaLon));
    Check(again.HasCalibration == p.Corners.has_value());
    if (reading.CornersComplete) {
        Check(again.CornersComplete);
        for (size_t i = 0; i < 4; ++i)
            Check(Close((*again.Pattern.Corners)[i].Lat, (*p.Corners)[i].Lat) &&
                  Close((*again.Pattern.Corners)[i].Lon, (*p.Corners)[i].Lon));
    }
    return 0;
}
