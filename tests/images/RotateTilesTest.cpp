// Turns of maps larger than one tile and one band of rows, compared byte for byte with the plain
// per-pixel formula: the tiled, threaded, run-copying turn must not move a single pixel, and the
// result, made without a white fill, must have no byte unset, row padding included.
#include <gtest/gtest.h>

#include <cstring>

#include "images/Bitmap.h"
#include "images/PixelConvert.h"
#include "images/RotateBitmap.h"
#include "images/RotateReference.h"
#include "support/TestSupport.h"

namespace korvalen {
namespace {

constexpr Rgb kCyan{0, 255, 255};

// Index of the first pixel byte where the bitmaps differ, or -1; sizes and formats must agree.
long FirstDifference(const Bitmap& a, const Bitmap& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height() || a.Format() != b.Format() ||
        a.Palette() != b.Palette())
        return 0;
    for (int y = 0; y < a.Height(); ++y)
        for (size_t i = 0; i < a.PixelBytesPerRow(); ++i)
            if (a.Row(y)[i] != b.Row(y)[i])
                return static_cast<long>(static_cast<size_t>(y) * a.Stride() + i);
    return -1;
}

// The row padding of a turned map is that of any new bitmap (it goes into BMP files as it is).
bool PaddedAsNew(const Bitmap& turned) {
    const Bitmap fresh(turned.Width(), 1, turned.Format());
    for (int y = 0; y < turned.Height(); ++y)
        for (size_t i = turned.PixelBytesPerRow(); i < turned.Stride(); ++i)
            if (turned.Row(y)[i] != fresh.Row(0)[i])
                return false;
    return true;
}

// The quarter turns as the formula of their name: 90 counter-clockwise, 180, 270.
Bitmap QuarterReference(const Bitmap& src, int quarters) {
    const int w = src.Width(), h = src.Height();
    Bitmap out(quarters == 2 ? w : h, quarters == 2 ? h : w, src.Format());
    out.SetPalette(src.Palette());
    const int bytes = src.Format() == PixelFormat::Bits24 ? 3 : 1;
    for (int y = 0; y < out.Height(); ++y)
        for (int x = 0; x < out.Width(); ++x) {
            const int sx = quarters == 1 ? w - 1 - y : quarters == 2 ? w - 1 - x : y;
            const int sy = quarters == 1 ? x : quarters == 2 ? h - 1 - y : h - 1 - x;
            std::memcpy(out.Row(y) + x * bytes, src.Row(sy) + sx * bytes, bytes);
        }
    return out;
}

struct Size {
    int w, h;
};

// Odd widths give padded rows; sizes span several 64-row bands and 128-column tiles.
const Size kSizes[] = {{301, 203}, {129, 517}, {1003, 71}, {64, 64}, {2, 300}};

TEST(RotateTiles, OddAnglesEqualTheFormulaByteForByte) {
    // Near 0 and 180 degrees the turn copies runs (forwards, backwards); the rest pixel by
    // pixel in tiles.
    const double angles[] = {2.5, -3.7, 0.2, 177.5, 182.5, -7.0, 17.3, 45, 123.4, 265.1, -60.5};
    for (PixelFormat format : {PixelFormat::Bits24, PixelFormat::Bits8})
        for (Size size : kSizes) {
            const Bitmap src =
                ConvertPixelFormat(test::MakeTestPicture(size.w, size.h, size.h), format);
            for (double angle : angles) {
                const Bitmap expected = test::RotateReference(src, kCyan, angle);
                for (int threads : {1, 2, 5}) {
                    const Bitmap got = RotateBitmap(src, kCyan, angle, threads);
                    ASSERT_EQ(FirstDifference(got, expected), -1)
                        << angle << " deg, " << size.w << "x" << size.h << ", "
                        << static_cast<int>(format) << " bits, " << threads << " threads";
                    ASSERT_TRUE(PaddedAsNew(got)) << angle << " deg";
                }
            }
        }
}

TEST(RotateTiles, QuarterTurnsEqualTheFormulaByteForByte) {
    for (PixelFormat format : {PixelFormat::Bits24, PixelFormat::Bits8})
        for (Size size : kSizes) {
            const Bitmap src =
                ConvertPixelFormat(test::MakeTestPicture(size.w, size.h, size.w), format);
            for (int quarters : {1, 2, 3})
                for (int threads : {1, 2, 5}) {
                    const Bitmap got = RotateBitmap(src, kCyan, 90.0 * quarters, threads);
                    ASSERT_EQ(FirstDifference(got, QuarterReference(src, quarters)), -1)
                        << 90 * quarters << " deg, " << size.w << "x" << size.h << ", "
                        << static_cast<int>(format) << " bits, " << threads << " threads";
                    ASSERT_TRUE(PaddedAsNew(got)) << 90 * quarters << " deg";
                }
            // No turn at all is a copy.
            ASSERT_EQ(FirstDifference(RotateBitmap(src, kCyan, 360), src), -1);
        }
}

// Runs of the fill colour are laid in doubling blocks: every length, every colour byte.
TEST(RotateTiles, UncoveredCornersHoldTheColourInEveryPixel) {
    const Rgb odd{1, 2, 3};
    const Bitmap src = test::MakeTestPicture(97, 41, 5);
    for (double angle : {1.0, 30.0, 89.0}) {
        const Bitmap got = RotateBitmap(src, odd, angle);
        const Bitmap expected = test::RotateReference(src, odd, angle);
        ASSERT_EQ(FirstDifference(got, expected), -1) << angle;
        EXPECT_EQ(got.PixelAt(0, 0), odd) << angle;
        EXPECT_EQ(got.PixelAt(got.Width() - 1, got.Height() - 1), odd) << angle;
    }
}

}  // namespace
}  // namespace korvalen
