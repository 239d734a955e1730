#include "images/Bitmap.h"

#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>

#include "images/Palette.h"

namespace korvalen {
namespace {

constexpr Rgb kWhite{255, 255, 255};
constexpr PixelFormat kAllFormats[] = {PixelFormat::Bits24, PixelFormat::Bits8, PixelFormat::Bits4};

// A colour the bitmap can hold exactly, different for neighbouring pixels.
Rgb PatternColour(const Bitmap& bitmap, int x, int y) {
    if (bitmap.Format() == PixelFormat::Bits24)
        return {static_cast<uint8_t>(x * 37 + 1), static_cast<uint8_t>(y * 11 + 2),
                static_cast<uint8_t>(x * y + 3)};
    const auto& palette = bitmap.Palette();
    return palette[static_cast<size_t>(x * 7 + y * 3 + 1) % palette.size()];
}

void PaintPattern(Bitmap& bitmap) {
    for (int y = 0; y < bitmap.Height(); ++y)
        for (int x = 0; x < bitmap.Width(); ++x)
            bitmap.SetPixel(x, y, PatternColour(bitmap, x, y));
}

TEST(BitmapTest, NewBitmapIsWhiteInEveryFormat) {
    struct Case {
        PixelFormat format;
        uint8_t pixelByte;  // what every pixel byte holds
        size_t paletteSize;
    };
    const Case cases[] = {{PixelFormat::Bits24, 0xFF, 0},
                          {PixelFormat::Bits8, StandardWhiteIndex(), 256},
                          {PixelFormat::Bits4, kVgaWhiteIndex << 4 | kVgaWhiteIndex, 16}};
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.format));
        Bitmap bitmap(7, 3, c.format);
        EXPECT_EQ(bitmap.Palette().size(), c.paletteSize);
        EXPECT_TRUE(bitmap.HasStandardPalette());
        const size_t pixelBytes = (7 * bitmap.BitsPerPixel()) / 8;
        for (int y = 0; y < 3; ++y) {
            for (size_t i = 0; i < pixelBytes; ++i)
                ASSERT_EQ(bitmap.Row(y)[i], c.pixelByte);
            for (int x = 0; x < 7; ++x)
                ASSERT_EQ(bitmap.PixelAt(x, y), kWhite);
        }
    }
}

TEST(BitmapTest, RowsArePaddedToFourBytes) {
    struct Case {
        int width;
        PixelFormat format;
        size_t stride;
    };
    const Case cases[] = {
        {0, PixelFormat::Bits24, 0},  {1, PixelFormat::Bits24, 4},  {3, PixelFormat::Bits24, 12},
        {4, PixelFormat::Bits24, 12}, {5, PixelFormat::Bits24, 16}, {1, PixelFormat::Bits8, 4},
        {4, PixelFormat::Bits8, 4},   {5, PixelFormat::Bits8, 8},   {1, PixelFormat::Bits4, 4},
        {8, PixelFormat::Bits4, 4},   {9, PixelFormat::Bits4, 8},   {17, PixelFormat::Bits4, 12},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << static_cast<int>(c.format));
        EXPECT_EQ(Bitmap::StrideFor(c.width, c.format), c.stride);
        Bitmap bitmap(c.width, 2, c.format);
        EXPECT_EQ(bitmap.Stride(), c.stride);
        EXPECT_EQ(bitmap.ByteSize(), 2 * c.stride);
        EXPECT_EQ(bitmap.Row(1) - bitmap.Row(0), static_cast<ptrdiff_t>(c.stride));
    }
}

// A writer of an unfilled bitmap sets the pixel bytes and pads each row: the bytes then equal
// those of a white bitmap given the same pixels, padding included.
TEST(BitmapTest, UnfilledRowsPadLikeANewBitmap) {
    for (PixelFormat format : {PixelFormat::Bits24, PixelFormat::Bits8, PixelFormat::Bits4})
        for (int width : {1, 3, 5, 9, 16}) {
            SCOPED_TRACE(testing::Message() << width << " x " << static_cast<int>(format));
            Bitmap filled(width, 3, format);
            Bitmap unfilled(width, 3, format, Bitmap::Unfilled{});
            ASSERT_EQ(unfilled.Stride(), filled.Stride());
            EXPECT_EQ(unfilled.Palette(), filled.Palette());
            for (int y = 0; y < 3; ++y) {
                for (size_t i = 0; i < filled.PixelBytesPerRow(); ++i)
                    filled.Row(y)[i] = unfilled.Row(y)[i] = static_cast<uint8_t>(i * 7 + y);
                unfilled.PadRow(y);
                EXPECT_EQ(std::memcmp(unfilled.Row(y), filled.Row(y), filled.Stride()), 0);
            }
        }
}

// Copies own their bytes; the empty bitmap copies to an empty one.
TEST(BitmapTest, CopiesAreIndependent) {
    Bitmap a(5, 2, PixelFormat::Bits24);
    a.SetPixel(4, 1, {1, 2, 3});
    Bitmap b = a;
    b.SetPixel(4, 1, {9, 9, 9});
    EXPECT_EQ(a.PixelAt(4, 1), (Rgb{1, 2, 3}));
    EXPECT_EQ(b.PixelAt(4, 1), (Rgb{9, 9, 9}));
    a = b;
    EXPECT_EQ(a.PixelAt(4, 1), (Rgb{9, 9, 9}));
    const Bitmap none;
    Bitmap c = none;
    EXPECT_TRUE(c.IsEmpty());
    EXPECT_EQ(c.ByteSize(), 0u);
}

TEST(BitmapTest, RefusesSizesAndFormatsOutOfRange) {
    EXPECT_THROW(Bitmap(-1, 10, PixelFormat::Bits8), std::length_error);
    EXPECT_THROW(Bitmap(10, -1, PixelFormat::Bits8), std::length_error);
    EXPECT_THROW(Bitmap(Bitmap::kMaxSide + 1, 1, PixelFormat::Bits4), std::length_error);
    EXPECT_THROW(Bitmap(Bitmap::kMaxSide, Bitmap::kMaxSide, PixelFormat::Bits24),
                 std::length_error);
    EXPECT_THROW(Bitmap(4, 4, static_cast<PixelFormat>(16)), std::invalid_argument);
}

TEST(BitmapTest, SetPixelAndPixelAtAgreeInEveryFormat) {
    for (PixelFormat format : kAllFormats) {
        SCOPED_TRACE(static_cast<int>(format));
        Bitmap bitmap(9, 4, format);
        PaintPattern(bitmap);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 9; ++x)
                ASSERT_EQ(bitmap.PixelAt(x, y), PatternColour(bitmap, x, y));
    }
}

TEST(BitmapTest, SettingOneNibbleKeepsItsNeighbour) {
    Bitmap bitmap(4, 1, PixelFormat::Bits4);
    bitmap.SetPixel(1, 0, {255, 0, 0});
    bitmap.SetPixel(2, 0, {0, 0, 255});
    EXPECT_EQ(bitmap.PixelAt(0, 0), kWhite);
    EXPECT_EQ(bitmap.PixelAt(1, 0), (Rgb{255, 0, 0}));
    EXPECT_EQ(bitmap.PixelAt(2, 0), (Rgb{0, 0, 255}));
    EXPECT_EQ(bitmap.PixelAt(3, 0), kWhite);
    EXPECT_EQ(bitmap.Row(0)[0], 0xF9);
    EXPECT_EQ(bitmap.Row(0)[1], 0xCF);
}

TEST(BitmapTest, SetPixelTakesTheNearestPaletteColour) {
    Bitmap eight(1, 1, PixelFormat::Bits8);
    eight.SetPixel(0, 0, {250, 3, 49});
    EXPECT_EQ(eight.PixelAt(0, 0), (Rgb{255, 0, 51}));
    Bitmap four(1, 1, PixelFormat::Bits4);
    four.SetPixel(0, 0, {140, 10, 120});
    EXPECT_EQ(four.PixelAt(0, 0), (Rgb{128, 0, 128}));
}

TEST(BitmapTest, ResizeKeepsPixelsAndWhitensNewArea) {
    struct Case {
        int width, height, newWidth, newHeight;
    };
    const Case cases[] = {
        {5, 4, 9, 6},   // grow both ways, odd widths
        {6, 4, 7, 4},   // even to odd width
        {7, 5, 8, 5},   // odd to even width
        {9, 6, 3, 2},   // shrink to odd width
        {8, 3, 5, 7},   // narrower but taller
        {3, 7, 11, 2},  // wider but lower
        {5, 5, 0, 5},   // nothing left
        {1, 1, 2, 2},
    };
    for (PixelFormat format : kAllFormats) {
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message()
                         << static_cast<int>(format) << ": " << c.width << "x" << c.height << " -> "
                         << c.newWidth << "x" << c.newHeight);
            Bitmap bitmap(c.width, c.height, format);
            PaintPattern(bitmap);
            const Bitmap before = bitmap;
            bitmap.Resize(c.newWidth, c.newHeight);
            ASSERT_EQ(bitmap.Width(), c.newWidth);
            ASSERT_EQ(bitmap.Height(), c.newHeight);
            EXPECT_EQ(bitmap.Format(), format);
            EXPECT_EQ(bitmap.Stride(), Bitmap::StrideFor(c.newWidth, format));
            for (int y = 0; y < c.newHeight; ++y) {
                for (int x = 0; x < c.newWidth; ++x) {
                    const bool kept = x < c.width && y < c.height;
                    ASSERT_EQ(bitmap.PixelAt(x, y), kept ? before.PixelAt(x, y) : kWhite)
                        << "at " << x << "," << y;
                }
            }
        }
    }
}

TEST(BitmapTest, ResizeKeepsAForeignPaletteAndItsWhite) {
    Bitmap bitmap(3, 2, PixelFormat::Bits4);
    std::vector<Rgb> palette(16, Rgb{0, 0, 0});
    palette[5] = {250, 250, 240};  // the nearest this palette has to white
    palette[2] = {10, 200, 10};
    bitmap.SetPalette(palette);
    bitmap.Fill({10, 200, 10});
    bitmap.Resize(5, 3);
    EXPECT_EQ(bitmap.Palette(), palette);
    EXPECT_EQ(bitmap.PixelAt(2, 1), (Rgb{10, 200, 10}));
    EXPECT_EQ(bitmap.PixelAt(3, 0), palette[5]);
    EXPECT_EQ(bitmap.PixelAt(0, 2), palette[5]);
}

TEST(BitmapTest, SetPaletteFitsTheFormatAndKeepsIndices) {
    Bitmap bitmap(2, 1, PixelFormat::Bits8);
    bitmap.Row(0)[0] = 1;
    bitmap.Row(0)[1] = 200;
    bitmap.SetPalette({{1, 2, 3}, {4, 5, 6}});
    ASSERT_EQ(bitmap.Palette().size(), 256u);
    EXPECT_FALSE(bitmap.HasStandardPalette());
    EXPECT_EQ(bitmap.Row(0)[0], 1);
    EXPECT_EQ(bitmap.PixelAt(0, 0), (Rgb{4, 5, 6}));
    EXPECT_EQ(bitmap.PixelAt(1, 0), (Rgb{0, 0, 0}));  // padded with black

    bitmap.SetPalette(StandardPalette());
    EXPECT_TRUE(bitmap.HasStandardPalette());

    Bitmap four(2, 1, PixelFormat::Bits4);
    four.SetPalette(StandardPalette());
    EXPECT_EQ(four.Palette().size(), 16u);  // cut to what 4 bits can index

    Bitmap full(2, 1, PixelFormat::Bits24);
    full.SetPalette(VgaPalette());
    EXPECT_TRUE(full.Palette().empty());
}

TEST(BitmapTest, FillUsesTheNearestColour) {
    for (PixelFormat format : kAllFormats) {
        SCOPED_TRACE(static_cast<int>(format));
        Bitmap bitmap(5, 3, format);
        bitmap.Fill({0, 0, 250});
        const Rgb expected = format == PixelFormat::Bits24 ? Rgb{0, 0, 250} : Rgb{0, 0, 255};
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x)
                ASSERT_EQ(bitmap.PixelAt(x, y), expected);
    }
}

}  // namespace
}  // namespace korvalen

namespace korvalen {
namespace {

TEST(BitmapMove, LeavesTheSourceEmpty) {
    Bitmap source(7, 5, PixelFormat::Bits8);
    Bitmap target = std::move(source);
    EXPECT_EQ(target.Width(), 7);
    EXPECT_TRUE(source.IsEmpty());  // NOLINT(bugprone-use-after-move): what is left matters
    EXPECT_EQ(source.ByteSize(), 0u);
    Bitmap other(3, 3, PixelFormat::Bits4);
    other = std::move(target);
    EXPECT_EQ(other.Format(), PixelFormat::Bits8);
    EXPECT_TRUE(target.IsEmpty());  // NOLINT(bugprone-use-after-move)
}

}  // namespace
}  // namespace korvalen
