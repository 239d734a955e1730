#include "images/BitmapOps.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "images/Palette.h"
#include "images/PixelConvert.h"
#include "support/TestSupport.h"

namespace korvalen {
namespace {

constexpr Rgb kWhite{255, 255, 255};

std::vector<Rgb> WarmPalette(size_t size) {
    std::vector<Rgb> palette;
    for (size_t i = 0; i < size; ++i)
        palette.push_back({static_cast<uint8_t>(255 - i * 7 % 256), static_cast<uint8_t>(i * 3),
                           static_cast<uint8_t>(i * 11 % 97)});
    return palette;
}

struct Kind {
    std::string name;
    PixelFormat format;
    std::vector<Rgb> palette;  // empty: the format's standard palette
};

const std::vector<Kind>& AllKinds() {
    static const std::vector<Kind> kinds = {
        {"24", PixelFormat::Bits24, {}},
        {"8 standard", PixelFormat::Bits8, {}},
        {"4 VGA", PixelFormat::Bits4, {}},
        {"8 foreign", PixelFormat::Bits8, WarmPalette(256)},
        {"4 foreign", PixelFormat::Bits4, WarmPalette(16)},
    };
    return kinds;
}

// A bitmap of the kind holding a picture (reduced to what its palette can show).
Bitmap MakeBitmap(const Kind& kind, int width, int height, unsigned seed) {
    const Bitmap picture = test::MakeTestPicture(width, height, seed);
    Bitmap bitmap(width, height, kind.format);
    if (!kind.palette.empty())
        bitmap.SetPalette(kind.palette);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            bitmap.SetPixel(x, y, picture.PixelAt(x, y));
    return bitmap;
}

// The slow way, pixel by pixel.
Bitmap ReferenceDraw(const Bitmap& source, Bitmap dest, int64_t x, int64_t y) {
    for (int sy = 0; sy < source.Height(); ++sy) {
        for (int sx = 0; sx < source.Width(); ++sx) {
            const int64_t dx = x + sx, dy = y + sy;
            if (dx >= 0 && dy >= 0 && dx < dest.Width() && dy < dest.Height())
                dest.SetPixel(static_cast<int>(dx), static_cast<int>(dy), source.PixelAt(sx, sy));
        }
    }
    return dest;
}

void ExpectSamePixels(const Bitmap& got, const Bitmap& want) {
    ASSERT_EQ(got.Width(), want.Width());
    ASSERT_EQ(got.Height(), want.Height());
    ASSERT_EQ(got.Format(), want.Format());
    ASSERT_EQ(got.Palette(), want.Palette());
    for (int y = 0; y < want.Height(); ++y)
        for (int x = 0; x < want.Width(); ++x)
            ASSERT_EQ(got.PixelAt(x, y), want.PixelAt(x, y)) << "at " << x << "," << y;
}

TEST(BitmapOpsTest, DrawBitmapAtNeedsBothBitmaps) {
    Bitmap some(4, 4, PixelFormat::Bits8);
    Bitmap other(4, 4, PixelFormat::Bits8);
    Bitmap empty;
    Bitmap noRows(5, 0, PixelFormat::Bits24);
    EXPECT_FALSE(DrawBitmapAt(nullptr, &some, 0, 0));
    EXPECT_FALSE(DrawBitmapAt(&some, nullptr, 0, 0));
    EXPECT_FALSE(DrawBitmapAt(&empty, &some, 0, 0));
    EXPECT_FALSE(DrawBitmapAt(&some, &noRows, 0, 0));
    EXPECT_TRUE(DrawBitmapAt(&some, &other, 100, 100));  // present, just nothing visible
}

// Every source kind into every destination kind, at positions clipped by each edge.
TEST(BitmapOpsTest, DrawBitmapAtClipsAndConvertsLikeSinglePixels) {
    struct Position {
        int x, y;
    };
    const Position positions[] = {
        {0, 0},
        {3, 2},
        {4, 2},
        {-3, -2},
        {-6, -4},
        {12, 8},
        {15, 10},
        {-7, 0},
        {16, 0},
        {0, -5},
        {0, 11},
        {-3, 8},
        {13, -2},
        {INT_MIN, INT_MIN},
        {INT_MAX, INT_MAX},
        {INT_MIN, 0},
    };
    for (const Kind& from : AllKinds()) {
        const Bitmap source = MakeBitmap(from, 7, 5, 1);
        for (const Kind& to : AllKinds()) {
            const Bitmap canvas = MakeBitmap(to, 16, 11, 2);
            for (const Position& p : positions) {
                SCOPED_TRACE(testing::Message()
                             << from.name << " -> " << to.name << " at " << p.x << "," << p.y);
                Bitmap dest = canvas;
                ASSERT_TRUE(DrawBitmapAt(&source, &dest, p.x, p.y));
                ExpectSamePixels(dest, ReferenceDraw(source, canvas, p.x, p.y));
            }
        }
    }
}

TEST(BitmapOpsTest, SourceLargerThanDestCoversIt) {
    for (const Kind& kind : AllKinds()) {
        SCOPED_TRACE(kind.name);
        const Bitmap source = MakeBitmap(kind, 21, 14, 3);
        Bitmap dest = MakeBitmap(kind, 9, 6, 4);
        ASSERT_TRUE(DrawBitmapAt(&source, &dest, -5, -3));
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 9; ++x)
                ASSERT_EQ(dest.PixelAt(x, y), source.PixelAt(x + 5, y + 3));
    }
}

// Rows longer than the translator's internal slices, at odd and even offsets.
TEST(BitmapOpsTest, LongRowsConvertAcrossSlices) {
    const Bitmap source = test::MakeTestPicture(5001, 2, 7);
    for (PixelFormat format : {PixelFormat::Bits8, PixelFormat::Bits4}) {
        for (int x : {-3, 0, 7}) {
            SCOPED_TRACE(testing::Message() << static_cast<int>(format) << " at " << x);
            const Bitmap canvas(6003, 3, format);
            Bitmap dest = canvas;
            ASSERT_TRUE(DrawBitmapAt(&source, &dest, x, 1));
            ExpectSamePixels(dest, ReferenceDraw(source, canvas, x, 1));
        }
    }
}

TEST(BitmapOpsTest, FourBitsAtOddPositionsKeepTheNeighbouringNibbles) {
    Bitmap dest(8, 1, PixelFormat::Bits4);
    const uint8_t destBytes[] = {0x12, 0x34, 0x56, 0x78};
    std::memcpy(dest.Row(0), destBytes, 4);
    Bitmap source(3, 1, PixelFormat::Bits4);
    source.Row(0)[0] = 0xAB;
    source.Row(0)[1] = 0xCF;  // third pixel C; F is padding

    Bitmap odd = dest;
    ASSERT_TRUE(DrawBitmapAt(&source, &odd, 1, 0));
    const uint8_t oddBytes[] = {0x1A, 0xBC, 0x56, 0x78};
    EXPECT_EQ(0, std::memcmp(odd.Row(0), oddBytes, 4));

    Bitmap even = dest;
    ASSERT_TRUE(DrawBitmapAt(&source, &even, 4, 0));
    const uint8_t evenBytes[] = {0x12, 0x34, 0xAB, 0xC8};
    EXPECT_EQ(0, std::memcmp(even.Row(0), evenBytes, 4));

    Bitmap cutLeft = dest;
    ASSERT_TRUE(DrawBitmapAt(&source, &cutLeft, -1, 0));  // B and C land on 0 and 1
    const uint8_t cutLeftBytes[] = {0xBC, 0x34, 0x56, 0x78};
    EXPECT_EQ(0, std::memcmp(cutLeft.Row(0), cutLeftBytes, 4));

    Bitmap cutRight = dest;
    ASSERT_TRUE(DrawBitmapAt(&source, &cutRight, 7, 0));  // only A fits
    const uint8_t cutRightBytes[] = {0x12, 0x34, 0x56, 0x7A};
    EXPECT_EQ(0, std::memcmp(cutRight.Row(0), cutRightBytes, 4));
}

TEST(BitmapOpsTest, DrawingABitmapOntoItselfMovesACopy) {
    for (const Kind& kind : AllKinds()) {
        SCOPED_TRACE(kind.name);
        const Bitmap original = MakeBitmap(kind, 11, 7, 5);
        Bitmap bitmap = original;
        ASSERT_TRUE(DrawBitmapAt(&bitmap, &bitmap, 3, 1));
        ExpectSamePixels(bitmap, ReferenceDraw(original, original, 3, 1));
        bitmap = original;
        ASSERT_TRUE(DrawBitmapAt(&bitmap, &bitmap, -2, -1));
        ExpectSamePixels(bitmap, ReferenceDraw(original, original, -2, -1));
    }
}

TEST(BitmapOpsTest, CopyAreaRefusesMissingSourceAndEmptyOrHugeRects) {
    const Bitmap source(9, 7, PixelFormat::Bits4);
    const Bitmap empty;
    EXPECT_FALSE(CopyArea(nullptr, {0, 0, 2, 2}));
    EXPECT_FALSE(CopyArea(&empty, {0, 0, 2, 2}));
    const Rect refused[] = {
        {0, 0, 0, 5},                                // no width
        {3, 3, 3, 2},                                // upside down
        {5, 0, 2, 3},                                // right of left
        {INT_MIN, 0, INT_MAX, 1},                    // width beyond int
        {0, 0, Bitmap::kMaxSide + 1, 1},             // beyond the largest side
        {0, 0, Bitmap::kMaxSide, Bitmap::kMaxSide},  // beyond the largest size
    };
    for (const Rect& rect : refused) {
        SCOPED_TRACE(testing::Message()
                     << rect.left << "," << rect.top << "," << rect.right << "," << rect.bottom);
        EXPECT_FALSE(CopyArea(&source, rect));
    }
}

TEST(BitmapOpsTest, CopyAreaKeepsFormatPaletteAndWhitensOutside) {
    const Rect rects[] = {
        {2, 1, 6, 5},      // inside
        {1, 0, 4, 7},      // odd start: nibbles shift
        {0, 0, 9, 7},      // all of it
        {-2, -3, 3, 2},    // over the top-left corner
        {7, 5, 12, 10},    // over the bottom-right corner
        {-1, -1, 10, 8},   // a white frame around it
        {20, 20, 23, 22},  // outside altogether
        {INT_MIN, 0, INT_MIN + 5, 3},
    };
    for (const Kind& kind : AllKinds()) {
        const Bitmap source = MakeBitmap(kind, 9, 7, 6);
        const Rgb white = source.Format() == PixelFormat::Bits24
                              ? kWhite
                              : source.Palette()[source.NearestIndex(kWhite)];
        for (const Rect& rect : rects) {
            SCOPED_TRACE(testing::Message() << kind.name << ": " << rect.left << "," << rect.top
                                            << "," << rect.right << "," << rect.bottom);
            const auto area = CopyArea(&source, rect);
            ASSERT_TRUE(area);
            ASSERT_EQ(area->Width(), rect.Width());
            ASSERT_EQ(area->Height(), rect.Height());
            EXPECT_EQ(area->Format(), source.Format());
            EXPECT_EQ(area->Palette(), source.Palette());
            for (int y = 0; y < area->Height(); ++y) {
                for (int x = 0; x < area->Width(); ++x) {
                    const int64_t sx = int64_t{rect.left} + x, sy = int64_t{rect.top} + y;
                    const bool inside = sx >= 0 && sy >= 0 && sx < 9 && sy < 7;
                    ASSERT_EQ(
                        area->PixelAt(x, y),
                        inside ? source.PixelAt(static_cast<int>(sx), static_cast<int>(sy)) : white)
                        << "at " << x << "," << y;
                }
            }
        }
    }
}

}  // namespace
}  // namespace korvalen
