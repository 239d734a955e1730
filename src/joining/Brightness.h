#pragma once

#include <cstdint>
#include <vector>

#include "images/Bitmap.h"

namespace korvalen {

// The brightness of every pixel, 0 (black) to 255 (white), row by row without padding.
struct BrightnessPlane {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> values;

    uint8_t At(int x, int y) const { return values[static_cast<size_t>(y) * width + x]; }
};

// Brightness of a colour, weighted as the eye sees it (0.30 red, 0.59 green, 0.11 blue).
inline uint8_t BrightnessOf(Rgb c) {
    return static_cast<uint8_t>((77 * c.r + 151 * c.g + 28 * c.b + 128) >> 8);
}

// Any pixel format; empty for an empty bitmap.
BrightnessPlane BrightnessPlaneOf(const Bitmap& bitmap);

// An 8-bit bitmap whose pixel values are the brightness of the source and whose palette is the
// grey ramp, so that the scoring kernel, which compares bytes, compares brightness. Smoothed,
// each value is the mean of its 3 x 3 neighbourhood (clipped at the edges), which takes out
// most of the JPEG noise while the same detail in two pictures stays the same.
Bitmap BrightnessBitmap(const Bitmap& bitmap, bool smoothed = false);

}  // namespace korvalen
