// Finding the angle between a map and its neighbour.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "images/AngleFinder.h"
#include "images/BitmapOps.h"
#include "images/MapFiles.h"
#include "images/PixelConvert.h"
#include "images/RotateBitmap.h"
#include "support/TestSupport.h"

namespace korvalen {
namespace {

constexpr Rgb kCyan{0, 255, 255};

Bitmap Demo(const char* name) {
    Bitmap map;
    std::string error;
    EXPECT_TRUE(LoadMapFile(std::filesystem::path(KORVALEN_DEMO_DIR) / name, map, false, error))
        << error;
    return map;
}

Bitmap RightHalf(const Bitmap& map) {
    return *CopyArea(&map, {map.Width() / 2, 0, map.Width(), map.Height()});
}

Bitmap LowerHalf(const Bitmap& map) {
    return *CopyArea(&map, {0, map.Height() / 2, map.Width(), map.Height()});
}

// A demo map turned by a known angle is found again against its unturned neighbour: the
// angle that turns it back, within 0.05 degree.
TEST(FindStripAngle, FindsTheTurnOfADemoMapAgainstItsLeftNeighbour) {
    const Bitmap strip = RightHalf(Demo("a1.jpg"));
    const Bitmap map = Demo("a2.jpg");
    for (double angle : {0.35, -1.2, 2.5, 0.0}) {
        const Bitmap turned = RotateBitmap(map, kCyan, angle);
        const std::optional<double> found = FindStripAngle(turned, strip, StripDirection::Left);
        ASSERT_TRUE(found) << angle;
        EXPECT_NEAR(*found, angle, 0.05) << angle;
    }
}

TEST(FindStripAngle, FindsTheTurnAgainstTheUpperNeighbour) {
    const Bitmap strip = LowerHalf(Demo("a2.jpg"));
    const Bitmap map = Demo("b2.jpg");
    for (double angle : {-0.35, 1.2, -2.5}) {
        const Bitmap turned = RotateBitmap(map, kCyan, angle);
        const std::optional<double> found = FindStripAngle(turned, strip, StripDirection::Above);
        ASSERT_TRUE(found) << angle;
        EXPECT_NEAR(*found, angle, 0.05) << angle;
    }
}

Bitmap Enlarged(const Bitmap& map, int f) {
    Bitmap big(map.Width() * f, map.Height() * f, map.Format());
    for (int y = 0; y < big.Height(); ++y)
        for (int x = 0; x < big.Width(); ++x)
            big.SetPixel(x, y, map.PixelAt(x / f, y / f));
    return big;
}

// Large maps are searched reduced, and palette maps are read through their palette.
TEST(FindStripAngle, FindsTheTurnOfALargePaletteMap) {
    const Bitmap a1 = ConvertPixelFormat(Enlarged(Demo("a1.jpg"), 3), PixelFormat::Bits8);
    const Bitmap a2 = ConvertPixelFormat(Enlarged(Demo("a2.jpg"), 3), PixelFormat::Bits8);
    const Bitmap turned = RotateBitmap(a2, kCyan, 1.2);
    const std::optional<double> found = FindStripAngle(turned, RightHalf(a1), StripDirection::Left);
    ASSERT_TRUE(found);
    EXPECT_NEAR(*found, 1.2, 0.05);
}

TEST(FindStripAngle, SaysNothingWithoutCommonContent) {
    Bitmap blank(400, 300, PixelFormat::Bits24);
    EXPECT_FALSE(FindStripAngle(blank, RightHalf(Demo("a1.jpg")), StripDirection::Left));
    EXPECT_FALSE(FindStripAngle(Demo("a2.jpg"), RightHalf(blank), StripDirection::Left));
    EXPECT_FALSE(FindStripAngle(Bitmap(), RightHalf(blank), StripDirection::Left));
    Bitmap tiny(10, 10, PixelFormat::Bits8);
    EXPECT_FALSE(FindStripAngle(Demo("a2.jpg"), tiny, StripDirection::Above));
}

}  // namespace
}  // namespace korvalen
