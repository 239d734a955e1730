#include "geo/FormatDistance.h"

#include <cmath>
#include <cstdio>

namespace korvalen {

std::string FormatDistance(double metres, bool metric, bool large, bool withUnit,
                           char decimalSeparator) {
    if (!std::isfinite(metres))
        metres = 0;
    double value = 0;
    const char* unit = "";
    if (large) {
        value = metric ? metres / 1000 : metres / 1609.344;
        unit = metric ? " km" : " mi";
    } else {
        value = metric ? metres : metres * 3.28084;
        unit = metric ? " m" : " f";
    }
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, large ? "%.3f" : "%.0f", value);
    std::string text = buffer;
    // snprintf follows the C locale, which the program leaves at "C".
    for (char& c : text)
        if (c == '.')
            c = decimalSeparator;
    return withUnit ? text + unit : text;
}

}  // namespace korvalen
