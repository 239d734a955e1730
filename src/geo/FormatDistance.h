#pragma once

#include <string>

namespace korvalen {

// A distance for display: with metric, kilometres with 3 decimals ("large") or whole metres;
// otherwise miles with 3 decimals or whole feet. The decimal separator is the caller's
// locale's.
std::string FormatDistance(double metres, bool metric, bool large, bool withUnit,
                           char decimalSeparator = '.');

}  // namespace korvalen
