#pragma once

// The turn written plainly, pixel by pixel as the design states it: the yardstick for the
// exactness tests and the speed benchmark of RotateBitmap.
#include <cmath>
#include <numbers>

#include "images/Bitmap.h"
#include "images/PixelConvert.h"
#include "images/RotateBitmap.h"

namespace korvalen::test {

// 24-bit and 8-bit maps are turned as they are (three bytes or one index per pixel), 4-bit
// maps through a 24-bit copy.
inline Bitmap RotateReference(const Bitmap& original, Rgb colour, double angle) {
    while (angle < 0)
        angle += 360;
    while (angle >= 360)
        angle -= 360;
    const double s = std::sin(angle * std::numbers::pi / 180);
    const double c = std::cos(angle * std::numbers::pi / 180);
    const bool packed = original.Format() == PixelFormat::Bits4;
    const Bitmap widened = packed ? ConvertPixelFormat(original, PixelFormat::Bits24) : Bitmap();
    const Bitmap& source = packed ? widened : original;
    const int bytes = source.Format() == PixelFormat::Bits24 ? 3 : 1;
    const int w = source.Width(), h = source.Height();
    int nw, nh;
    if (s * c >= 0) {
        nw = static_cast<int>(RoundHalfEven(std::fabs(h * s + w * c)));
        nh = static_cast<int>(RoundHalfEven(std::fabs(h * c + w * s)));
    } else {
        nw = static_cast<int>(RoundHalfEven(std::fabs(w * c - h * s)));
        nh = static_cast<int>(RoundHalfEven(std::fabs(w * s - h * c)));
    }
    Bitmap dest(nw, nh, source.Format());
    dest.Fill(colour);
    const int ncx = nw / 2, ncy = nh / 2;
    const int scx = w / 2 - (c < 0 ? 1 : 0), scy = h / 2 - (s < 0 ? 1 : 0);
    for (int y = std::max(h, nh) - 1; y >= 0; --y) {
        for (int x = std::max(w, nw) - 1; x >= 0; --x) {
            const double dx = x - ncx, dy = y - ncy;
            const int sx = static_cast<int>(RoundHalfEven(dx * c - dy * s)) + scx;
            const int sy = static_cast<int>(RoundHalfEven(dx * s + dy * c)) + scy;
            if (sx >= 0 && sx < w && sy >= 0 && sy < h && x < nw && y < nh) {
                const uint8_t* from = source.Row(sy) + static_cast<size_t>(sx) * bytes;
                uint8_t* to = dest.Row(y) + static_cast<size_t>(x) * bytes;
                for (int b = 0; b < bytes; ++b)
                    to[b] = from[b];
            }
        }
    }
    return packed ? ConvertPixelFormat(dest, PixelFormat::Bits4) : dest;
}

}  // namespace korvalen::test
