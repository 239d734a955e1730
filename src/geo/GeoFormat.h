#pragma once

#include <string>
#include <string_view>

namespace korvalen {

// Fixed-point text of value with exactly `digits` decimals (0 to 17), taken from its first 15
// significant digits and rounded half away from zero, so that other programs reading the
// calibration files see the same numbers whatever the machine. Always "." as separator;
// "-" only when a non-zero digit is written. Values that are not finite are written as 0.
std::string FormatCoord(double value, int digits);

// Degrees and minutes of |value|: the whole degrees, and the minutes as FormatCoord with
// `digits` decimals. Minutes that round up to 60 stay 60; nothing is carried to the degrees.
struct DegMinText {
    std::string degrees;
    std::string minutes;
};
DegMinText FormatDegMin(double value, int digits);

// Longitudes of 180 and above wrap into -180..180; those below -180 are left as they are.
double NormalizeLongitude(double lon);

// UTF-8 text as Windows-1252 bytes; characters that code page lacks, and bytes that are not
// UTF-8, become "?".
std::string Utf8ToWindows1252(std::string_view utf8);

}  // namespace korvalen
