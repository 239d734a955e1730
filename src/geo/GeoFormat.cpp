#include "geo/GeoFormat.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>

namespace korvalen {
namespace {

constexpr int kSignificantDigits = 15;

// Adds one to a string of decimal digits.
void IncrementDigits(std::string& digits) {
    for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
        if (*it != '9') {
            ++*it;
            return;
        }
        *it = '0';
    }
    digits.insert(digits.begin(), '1');
}

// The Windows-1252 byte of a code point, or '?' when the code page has none.
char Windows1252Byte(char32_t code) {
    if (code < 0x80 || (code >= 0xA0 && code <= 0xFF))
        return static_cast<char>(code);
    static constexpr char16_t kHighHalf[32] = {
        0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
    for (int i = 0; i < 32; ++i)
        if (kHighHalf[i] != 0 && kHighHalf[i] == code)
            return static_cast<char>(0x80 + i);
    return '?';
}

}  // namespace

std::string FormatCoord(double value, int digits) {
    digits = std::clamp(digits, 0, 17);
    if (!std::isfinite(value))
        value = 0;
    const bool negative = std::signbit(value);
    // Fifteen significant digits as d.dddddddddddddde±x; to_chars ignores the locale.
    char buffer[40];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value),
                                      std::chars_format::scientific, kSignificantDigits - 1);
    const std::string_view text(buffer, result.ptr - buffer);
    const size_t e = text.find('e');
    std::string significant = std::string(text.substr(0, 1)) + std::string(text.substr(2, e - 2));
    int exponent = 0;
    std::from_chars(text.data() + e + (text[e + 1] == '+' ? 2 : 1), text.data() + text.size(),
                    exponent);

    // The value times 10^digits as a whole number, rounded half away from zero.
    const int shift = exponent - (kSignificantDigits - 1) + digits;
    std::string scaled;
    if (shift >= 0) {
        scaled = significant + std::string(static_cast<size_t>(shift), '0');
    } else if (-shift <= kSignificantDigits) {
        const size_t keep = static_cast<size_t>(kSignificantDigits + shift);
        scaled = significant.substr(0, keep);
        if (scaled.empty())
            scaled = "0";
        if (significant[keep] >= '5')
            IncrementDigits(scaled);
    } else {
        scaled = "0";
    }
    if (scaled.size() < static_cast<size_t>(digits) + 1)
        scaled.insert(0, static_cast<size_t>(digits) + 1 - scaled.size(), '0');
    if (digits > 0)
        scaled.insert(scaled.size() - static_cast<size_t>(digits), 1, '.');
    const bool allZero = scaled.find_first_not_of("0.") == std::string::npos;
    return negative && !allZero ? "-" + scaled : scaled;
}

DegMinText FormatDegMin(double value, int digits) {
    double magnitude = std::isfinite(value) ? std::fabs(value) : 0.0;
    const double degrees = std::trunc(magnitude);
    DegMinText text;
    // Coordinates are small; anything huge is nonsense input and is written as 0 degrees.
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer,
                                      degrees < 1e15 ? static_cast<int64_t>(degrees) : 0);
    text.degrees.assign(buffer, result.ptr);
    text.minutes = FormatCoord((magnitude - degrees) * 60.0, digits);
    return text;
}

double NormalizeLongitude(double lon) {
    return (lon + 180.0) - 360.0 * std::trunc((lon + 180.0) / 360.0) - 180.0;
}

std::string Utf8ToWindows1252(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    size_t i = 0;
    while (i < utf8.size()) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        size_t length = 0;
        char32_t code = 0;
        if (lead < 0x80) {
            length = 1;
            code = lead;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            code = lead & 0x1Fu;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            code = lead & 0x0Fu;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            code = lead & 0x07u;
        }
        bool valid = length > 0 && i + length <= utf8.size();
        for (size_t k = 1; valid && k < length; ++k) {
            const auto next = static_cast<unsigned char>(utf8[i + k]);
            valid = (next & 0xC0u) == 0x80u;
            code = (code << 6) | (next & 0x3Fu);
        }
        // Overlong forms, surrogates and code points past U+10FFFF are not UTF-8 either.
        valid = valid && !(length == 3 && code < 0x800) && !(length == 4 && code < 0x10000) &&
                !(code >= 0xD800 && code <= 0xDFFF) && code <= 0x10FFFF;
        if (!valid) {
            out += '?';
            ++i;
            continue;
        }
        out += Windows1252Byte(code);
        i += length;
    }
    return out;
}

}  // namespace korvalen
