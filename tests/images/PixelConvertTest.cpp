#include "images/PixelConvert.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "images/Palette.h"
#include "support/TestSupport.h"

namespace korvalen {
namespace {

constexpr PixelFormat kAllFormats[] = {PixelFormat::Bits24, PixelFormat::Bits8, PixelFormat::Bits4};

int SquaredDistance(Rgb a, Rgb b) {
    const int dr = a.r - b.r, dg = a.g - b.g, db = a.b - b.b;
    return dr * dr + dg * dg + db * db;
}

// What a colour must become in a bitmap of the target format with its standard palette.
Rgb Expected(Rgb c, PixelFormat target) {
    switch (target) {
        case PixelFormat::Bits8:
            return StandardPalette()[StandardIndexOf(c.r, c.g, c.b)];
        case PixelFormat::Bits4:
            return VgaPalette()[VgaIndexOf(c.r, c.g, c.b)];
        case PixelFormat::Bits24:
            break;
    }
    return c;
}

// A 24-bit picture holding every colour on a grid of the given step.
Bitmap ColourSweep(int step) {
    const int levels = 255 / step + 1;
    Bitmap sweep(levels * levels, levels, PixelFormat::Bits24);
    for (int r = 0; r < levels; ++r)
        for (int g = 0; g < levels; ++g)
            for (int b = 0; b < levels; ++b)
                sweep.SetPixel(g * levels + b, r,
                               {static_cast<uint8_t>(r * step), static_cast<uint8_t>(g * step),
                                static_cast<uint8_t>(b * step)});
    return sweep;
}

// A palette bitmap whose indices follow a pattern, with the given palette.
Bitmap IndexedPattern(int width, int height, PixelFormat format, const std::vector<Rgb>& palette) {
    Bitmap bitmap(width, height, format);
    bitmap.SetPalette(palette);
    const int colours = format == PixelFormat::Bits8 ? 256 : 16;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            bitmap.SetPixel(x, y, palette[(x * 5 + y * 13) % colours]);
    return bitmap;
}

std::vector<Rgb> GreyRamp(size_t size) {
    std::vector<Rgb> palette;
    for (size_t i = 0; i < size; ++i) {
        const auto v = static_cast<uint8_t>(i * 255 / (size - 1));
        palette.push_back({v, v, v});
    }
    return palette;
}

std::vector<Rgb> Reversed(std::vector<Rgb> palette) {
    std::reverse(palette.begin(), palette.end());
    return palette;
}

void ExpectConvertedColours(const Bitmap& source, const Bitmap& converted, PixelFormat target) {
    ASSERT_EQ(converted.Format(), target);
    ASSERT_EQ(converted.Width(), source.Width());
    ASSERT_EQ(converted.Height(), source.Height());
    EXPECT_TRUE(converted.HasStandardPalette());
    for (int y = 0; y < source.Height(); ++y)
        for (int x = 0; x < source.Width(); ++x)
            ASSERT_EQ(converted.PixelAt(x, y), Expected(source.PixelAt(x, y), target))
                << "at " << x << "," << y;
}

TEST(PixelConvertTest, PaletteColoursMapToThemselves) {
    const auto& standard = StandardPalette();
    Bitmap colours(256, 1, PixelFormat::Bits24);
    for (int i = 0; i < 256; ++i)
        colours.SetPixel(i, 0, standard[i]);
    const Bitmap eight = ConvertPixelFormat(colours, PixelFormat::Bits8);
    for (int i = 0; i < 256; ++i)
        EXPECT_EQ(eight.Row(0)[i], i) << standard[i].r;

    const auto& vga = VgaPalette();
    Bitmap vgaColours(16, 1, PixelFormat::Bits24);
    for (int i = 0; i < 16; ++i)
        vgaColours.SetPixel(i, 0, vga[i]);
    const Bitmap four = ConvertPixelFormat(vgaColours, PixelFormat::Bits4);
    for (int i = 0; i < 16; ++i) {
        const uint8_t byte = four.Row(0)[i / 2];
        EXPECT_EQ((i & 1) ? (byte & 0x0F) : (byte >> 4), i);
    }
}

// The lookup tables quantise a colour before searching; the result may be a little
// farther than the true nearest colour, never by more than the quantisation allows.
TEST(PixelConvertTest, LookupStaysCloseToTheTrueNearestColour) {
    struct Case {
        PixelFormat target;
        const std::vector<Rgb>& palette;
        double slack;      // twice the largest distance to a cell centre
        int channelError;  // largest error in one channel
    };
    const Case cases[] = {{PixelFormat::Bits8, StandardPalette(), 2 * std::sqrt(12.0), 51},
                          {PixelFormat::Bits4, VgaPalette(), 2 * std::sqrt(48.0), 128}};
    const Bitmap sweep = ColourSweep(5);
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.target));
        const Bitmap converted = ConvertPixelFormat(sweep, c.target);
        for (int y = 0; y < sweep.Height(); ++y) {
            for (int x = 0; x < sweep.Width(); ++x) {
                const Rgb colour = sweep.PixelAt(x, y);
                const Rgb got = converted.PixelAt(x, y);
                const Rgb best = c.palette[NearestPaletteIndex(c.palette, colour)];
                ASSERT_LE(std::sqrt(SquaredDistance(colour, got)),
                          std::sqrt(SquaredDistance(colour, best)) + c.slack);
                ASSERT_LE(std::abs(colour.r - got.r), c.channelError);
                ASSERT_LE(std::abs(colour.g - got.g), c.channelError);
                ASSERT_LE(std::abs(colour.b - got.b), c.channelError);
            }
        }
    }
}

TEST(PixelConvertTest, RoundTripThroughEightBitsStaysWithinOneStep) {
    const Bitmap picture = test::MakeTestPicture(61, 47, 3);
    const Bitmap eight = ConvertPixelFormat(picture, PixelFormat::Bits8);
    const Bitmap back = ConvertPixelFormat(eight, PixelFormat::Bits24);
    ASSERT_EQ(back.Format(), PixelFormat::Bits24);
    ASSERT_EQ(back.Width(), picture.Width());
    ASSERT_EQ(back.Height(), picture.Height());
    for (int y = 0; y < picture.Height(); ++y) {
        for (int x = 0; x < picture.Width(); ++x) {
            const Rgb a = picture.PixelAt(x, y), b = back.PixelAt(x, y);
            ASSERT_LE(std::abs(a.r - b.r), 51);
            ASSERT_LE(std::abs(a.g - b.g), 51);
            ASSERT_LE(std::abs(a.b - b.b), 51);
            ASSERT_EQ(b, Expected(a, PixelFormat::Bits8));
        }
    }
    // Converting back down changes nothing any more.
    const Bitmap again = ConvertPixelFormat(back, PixelFormat::Bits8);
    for (int y = 0; y < eight.Height(); ++y)
        ASSERT_EQ(0, std::memcmp(again.Row(y), eight.Row(y), eight.Width()));
}

// Every pair of formats, from standard and from foreign palettes, rows longer than one
// internal slice and odd widths that end in half a byte.
TEST(PixelConvertTest, EveryFormatPairGivesTheNearestColours) {
    struct Source {
        const char* name;
        Bitmap bitmap;
    };
    const Bitmap picture = test::MakeTestPicture(4099, 3, 5);
    std::vector<Source> sources;
    sources.push_back({"24 bits", picture});
    sources.push_back({"8 bits standard", ConvertPixelFormat(picture, PixelFormat::Bits8)});
    sources.push_back({"4 bits VGA", ConvertPixelFormat(picture, PixelFormat::Bits4)});
    sources.push_back({"8 bits reversed",
                       IndexedPattern(37, 5, PixelFormat::Bits8, Reversed(StandardPalette()))});
    sources.push_back({"8 bits greys", IndexedPattern(4101, 2, PixelFormat::Bits8, GreyRamp(256))});
    sources.push_back({"4 bits greys", IndexedPattern(37, 5, PixelFormat::Bits4, GreyRamp(16))});
    sources.push_back({"4 bits reversed VGA",
                       IndexedPattern(4097, 2, PixelFormat::Bits4, Reversed(VgaPalette()))});
    for (const Source& source : sources) {
        for (PixelFormat target : kAllFormats) {
            SCOPED_TRACE(testing::Message() << source.name << " -> " << static_cast<int>(target));
            ExpectConvertedColours(source.bitmap, ConvertPixelFormat(source.bitmap, target),
                                   target);
        }
    }
}

TEST(PixelConvertTest, ForeignPaletteIsRemappedToTheStandardOne) {
    // A palette of standard colours in another order: the colours survive exactly.
    const Bitmap reversed = IndexedPattern(16, 16, PixelFormat::Bits8, Reversed(StandardPalette()));
    const Bitmap eight = ConvertPixelFormat(reversed, PixelFormat::Bits8);
    EXPECT_EQ(eight.Palette(), StandardPalette());
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            ASSERT_EQ(eight.PixelAt(x, y), reversed.PixelAt(x, y));
            ASSERT_EQ(eight.Row(y)[x], 255 - reversed.Row(y)[x]);
        }
    }
    // The VGA colours in another order, at 4 bits.
    const Bitmap vgaReversed = IndexedPattern(9, 3, PixelFormat::Bits4, Reversed(VgaPalette()));
    const Bitmap four = ConvertPixelFormat(vgaReversed, PixelFormat::Bits4);
    EXPECT_EQ(four.Palette(), VgaPalette());
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 9; ++x)
            ASSERT_EQ(four.PixelAt(x, y), vgaReversed.PixelAt(x, y));
}

TEST(PixelConvertTest, ConvertInPlaceChangesOnlyWhatIsNeeded) {
    Bitmap bitmap = test::MakeTestPicture(10, 6);
    const uint8_t* pixels = bitmap.Row(0);
    ConvertInPlace(bitmap, PixelFormat::Bits24);
    EXPECT_EQ(bitmap.Row(0), pixels);  // nothing to do, nothing copied

    const Bitmap expected = ConvertPixelFormat(bitmap, PixelFormat::Bits4);
    ConvertInPlace(bitmap, PixelFormat::Bits4);
    ASSERT_EQ(bitmap.Format(), PixelFormat::Bits4);
    EXPECT_EQ(0, std::memcmp(bitmap.Row(0), expected.Row(0), expected.ByteSize()));

    Bitmap foreign = IndexedPattern(5, 5, PixelFormat::Bits8, GreyRamp(256));
    ConvertInPlace(foreign, PixelFormat::Bits8);
    EXPECT_TRUE(foreign.HasStandardPalette());
}

TEST(PixelConvertTest, EmptyBitmapGivesAnEmptyOneInTheTargetFormat) {
    for (PixelFormat target : kAllFormats) {
        const Bitmap converted = ConvertPixelFormat(Bitmap(), target);
        EXPECT_TRUE(converted.IsEmpty());
        EXPECT_EQ(converted.Format(), target);
    }
    const Bitmap noRows = ConvertPixelFormat(Bitmap(7, 0, PixelFormat::Bits4), PixelFormat::Bits8);
    EXPECT_EQ(noRows.Width(), 7);
    EXPECT_TRUE(noRows.IsEmpty());
}

}  // namespace
}  // namespace korvalen
