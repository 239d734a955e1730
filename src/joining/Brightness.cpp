#include "joining/Brightness.h"

#include <algorithm>
#include <array>

namespace korvalen {
namespace {

std::array<uint8_t, 256> PaletteBrightness(const std::vector<Rgb>& palette) {
    std::array<uint8_t, 256> table{};
    for (size_t i = 0; i < palette.size() && i < table.size(); ++i)
        table[i] = BrightnessOf(palette[i]);
    return table;
}

// Calls put(x, y, brightness) for every pixel.
template <typename Put>
void ForEachBrightness(const Bitmap& bitmap, Put put) {
    const int w = bitmap.Width(), h = bitmap.Height();
    if (bitmap.Format() == PixelFormat::Bits24) {
        for (int y = 0; y < h; ++y) {
            const uint8_t* row = bitmap.Row(y);
            for (int x = 0; x < w; ++x, row += 3)
                put(x, y, BrightnessOf({row[2], row[1], row[0]}));
        }
        return;
    }
    const std::array<uint8_t, 256> table = PaletteBrightness(bitmap.Palette());
    const bool nibbles = bitmap.Format() == PixelFormat::Bits4;
    for (int y = 0; y < h; ++y) {
        const uint8_t* row = bitmap.Row(y);
        for (int x = 0; x < w; ++x) {
            const uint8_t index =
                nibbles ? static_cast<uint8_t>((x & 1) ? row[x / 2] & 0x0F : row[x / 2] >> 4)
                        : row[x];
            put(x, y, table[index]);
        }
    }
}

}  // namespace

BrightnessPlane BrightnessPlaneOf(const Bitmap& bitmap) {
    BrightnessPlane plane;
    if (bitmap.IsEmpty())
        return plane;
    plane.width = bitmap.Width();
    plane.height = bitmap.Height();
    plane.values.resize(static_cast<size_t>(plane.width) * plane.height);
    ForEachBrightness(bitmap, [&](int x, int y, uint8_t v) {
        plane.values[static_cast<size_t>(y) * plane.width + x] = v;
    });
    return plane;
}

Bitmap BrightnessBitmap(const Bitmap& bitmap, bool smoothed) {
    if (bitmap.IsEmpty())
        return Bitmap();
    if (smoothed) {
        const BrightnessPlane plane = BrightnessPlaneOf(bitmap);
        Bitmap grey = BrightnessBitmap(bitmap, false);
        const int w = plane.width, h = plane.height;
        for (int y = 0; y < h; ++y) {
            uint8_t* row = grey.Row(y);
            const int y0 = std::max(0, y - 1), y1 = std::min(h - 1, y + 1);
            for (int x = 0; x < w; ++x) {
                const int x0 = std::max(0, x - 1), x1 = std::min(w - 1, x + 1);
                int sum = 0;
                for (int j = y0; j <= y1; ++j)
                    for (int i = x0; i <= x1; ++i)
                        sum += plane.At(i, j);
                const int count = (y1 - y0 + 1) * (x1 - x0 + 1);
                row[x] = static_cast<uint8_t>((sum + count / 2) / count);
            }
        }
        return grey;
    }
    Bitmap grey(bitmap.Width(), bitmap.Height(), PixelFormat::Bits8);
    std::vector<Rgb> ramp(256);
    for (int i = 0; i < 256; ++i)
        ramp[i] = {static_cast<uint8_t>(i), static_cast<uint8_t>(i), static_cast<uint8_t>(i)};
    grey.SetPalette(std::move(ramp));
    ForEachBrightness(bitmap, [&](int x, int y, uint8_t v) { grey.Row(y)[x] = v; });
    return grey;
}

}  // namespace korvalen
