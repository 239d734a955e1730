#include "joining/OverlapCorrelation.h"

#include <gtest/gtest.h>

#include <random>

#include "images/BitmapOps.h"
#include "images/Palette.h"
#include "images/PixelConvert.h"

namespace korvalen {
namespace {

Bitmap NoisePicture(int width, int height, unsigned seed) {
    Bitmap picture(width, height, PixelFormat::Bits8);
    std::mt19937 rng(seed);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.Row(y)[x] = static_cast<uint8_t>(rng() % 150);
    return picture;
}

Bitmap Cut(const Bitmap& picture, Rect rect) {
    return *CopyArea(&picture, rect);
}

uint8_t DisaccordIndex() {
    return NearestPaletteIndex(StandardPalette(), ColorValueToRgb(0x00FE50FE));
}

// Target 400 x 600 and a 300 x 600 map placed at (350, 0): the overlap is 50 x 600 pixels, the
// divisor counts 51 x 601.
TEST(TotalCorrelation, DividesByTheOverlapWithBothFarEdges) {
    const Bitmap picture = NoisePicture(650, 600, 1);
    const Bitmap target = Cut(picture, {0, 0, 400, 600});
    const Bitmap map = Cut(picture, {350, 0, 650, 600});
    const OverlapScore score = TotalCorrelation(map, target, {350, 0}, 0, nullptr, 0);
    EXPECT_EQ(score.hits, 50 * 600);
    EXPECT_EQ(score.compared, 50 * 600);
    EXPECT_EQ(score.divisor, 51 * 601);
    EXPECT_EQ(score.correlation, 30000 * 100 / (51 * 601));  // 97
}

// Compared by brightness, two colours far apart in the palette but equally bright agree, and
// black and white do not.
TEST(TotalCorrelation, ByBrightnessComparesTheColoursBehindTheIndices) {
    Bitmap target(2, 1, PixelFormat::Bits24);
    Bitmap map(2, 1, PixelFormat::Bits24);
    target.SetPixel(0, 0, {255, 0, 0});  // brightness 77
    map.SetPixel(0, 0, {0, 110, 60});    // about as bright in the palette
    target.SetPixel(1, 0, {0, 0, 0});
    map.SetPixel(1, 0, {255, 255, 255});
    EXPECT_EQ(TotalCorrelation(map, target, {0, 0}, 12, nullptr, 0, true).hits, 1);
    EXPECT_EQ(TotalCorrelation(map, target, {0, 0}, 12, nullptr, 0, false).hits, 0);
    EXPECT_EQ(TotalCorrelation(map, target, {0, 0}, 255, nullptr, 0, true).hits, 2);
}

TEST(TotalCorrelation, PaintsExactlyTheDisagreeingPixels) {
    const Bitmap picture = NoisePicture(300, 200, 2);
    const Bitmap target = Cut(picture, {0, 0, 200, 200});
    Bitmap map = Cut(picture, {120, 30, 300, 200});
    // Spoil a few pixels of the overlap: one index away matches with spreading 1, far away not.
    map.Row(5)[10] = static_cast<uint8_t>(map.Row(5)[10] + 1);
    map.Row(6)[11] = static_cast<uint8_t>(map.Row(6)[11] + 50);
    map.Row(100)[70] = static_cast<uint8_t>(map.Row(100)[70] + 50);
    map.Row(100)[90] = static_cast<uint8_t>(map.Row(100)[90] + 50);  // outside the target

    Bitmap preview;
    std::string error;
    ASSERT_TRUE(ComposePreview(map, target, {120, 30}, true, preview, error)) << error;
    const Bitmap clean = preview;
    const OverlapScore score = TotalCorrelation(map, target, {120, 30}, 1, &preview, 0x00FE50FE);
    EXPECT_EQ(score.compared, 80 * 170);
    EXPECT_EQ(score.hits, 80 * 170 - 2);
    EXPECT_EQ(score.divisor, 81 * 171);

    int changed = 0;
    for (int y = 0; y < preview.Height(); ++y)
        for (int x = 0; x < preview.Width(); ++x)
            if (preview.Row(y)[x] != clean.Row(y)[x]) {
                ++changed;
                EXPECT_EQ(preview.Row(y)[x], DisaccordIndex());
                EXPECT_TRUE((x == 131 && y == 36) || (x == 190 && y == 130)) << x << "," << y;
            }
    EXPECT_EQ(changed, 2);

    EXPECT_EQ(TotalCorrelation(map, target, {120, 30}, 0, nullptr, 0).hits, 80 * 170 - 3);
}

TEST(ComposePreview, HorizontalWidensVerticalHeightensAndTheMapCoversTheTarget) {
    const Bitmap target = NoisePicture(400, 600, 3);
    const Bitmap map = NoisePicture(300, 600, 4);
    Bitmap preview;
    std::string error;
    ASSERT_TRUE(ComposePreview(map, target, {350, 0}, true, preview, error));
    EXPECT_EQ(preview.Width(), 650);
    EXPECT_EQ(preview.Height(), 600);
    EXPECT_EQ(preview.Format(), PixelFormat::Bits8);
    EXPECT_EQ(preview.Row(10)[349], target.Row(10)[349]);
    EXPECT_EQ(preview.Row(10)[350], map.Row(10)[0]);
    EXPECT_EQ(preview.Row(599)[649], map.Row(599)[299]);

    const Bitmap lower = NoisePicture(400, 200, 5);
    ASSERT_TRUE(ComposePreview(lower, target, {-6, 500}, false, preview, error));
    EXPECT_EQ(preview.Width(), 400);
    EXPECT_EQ(preview.Height(), 700);
    EXPECT_EQ(preview.Row(499)[0], target.Row(499)[0]);
    EXPECT_EQ(preview.Row(500)[0], lower.Row(0)[6]);
    EXPECT_EQ(preview.Row(699)[393], lower.Row(199)[399]);
    EXPECT_EQ(preview.Row(699)[399], StandardWhiteIndex());  // new area beyond the map
}

TEST(ComposePreview, ColourPicturesAreReducedToThePalette) {
    Bitmap target(40, 30, PixelFormat::Bits24);
    target.Fill({10, 200, 30});
    Bitmap map(20, 30, PixelFormat::Bits24);
    map.Fill({10, 200, 30});
    Bitmap preview;
    std::string error;
    ASSERT_TRUE(ComposePreview(map, target, {30, 0}, true, preview, error));
    EXPECT_EQ(preview.Format(), PixelFormat::Bits8);
    EXPECT_EQ(preview.Width(), 50);
    const OverlapScore score = TotalCorrelation(map, target, {30, 0}, 0, &preview, 0x000000FF);
    EXPECT_EQ(score.hits, 10 * 30);
    EXPECT_EQ(score.correlation, 300 * 100 / (11 * 31));
}

TEST(OverlapCorrelation, NoOverlapAndMissingPicturesAreHandled) {
    const Bitmap target = NoisePicture(100, 100, 6);
    const Bitmap map = NoisePicture(50, 50, 7);
    EXPECT_EQ(TotalCorrelation(map, target, {500, 0}, 255, nullptr, 0).correlation, 0);
    EXPECT_EQ(TotalCorrelation(map, target, {-60, 0}, 255, nullptr, 0).hits, 0);
    EXPECT_EQ(TotalCorrelation(map, target, {INT32_MAX, INT32_MIN}, 255, nullptr, 0).hits, 0);
    EXPECT_EQ(TotalCorrelation(Bitmap(), target, {0, 0}, 255, nullptr, 0).correlation, 0);
    // Partly before the target's corner: only the overlap is compared.
    EXPECT_EQ(TotalCorrelation(map, target, {-20, -10}, 255, nullptr, 0).hits, 30 * 40);

    Bitmap preview;
    std::string error;
    EXPECT_FALSE(ComposePreview(map, target, {-60, 0}, true, preview, error));
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(preview.IsEmpty());
    EXPECT_FALSE(ComposePreview(map, Bitmap(), {0, 0}, true, preview, error));
    EXPECT_FALSE(ComposePreview(map, target, {0, INT32_MAX}, false, preview, error));
}

}  // namespace
}  // namespace korvalen
