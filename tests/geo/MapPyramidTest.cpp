// The pre-scaled levels of a map and drawing a view from them.
#include "geo/MapPyramid.h"

#include <gtest/gtest.h>

#include "support/TestSupport.h"

namespace korvalen {
namespace {

uint32_t Argb(Rgb c) {
    return 0xFF000000u | (uint32_t{c.r} << 16) | (uint32_t{c.g} << 8) | c.b;
}

std::vector<uint32_t> Render(const Bitmap& image, const MapPyramid* pyramid, double m, int panX,
                             int panY, int w, int h) {
    std::vector<uint32_t> pixels(static_cast<size_t>(w * h), 0);
    RenderMapView(image, pyramid, m, 0.6666666666666666, panX, panY, 0xC0C0C0,
                  {pixels.data(), w, h, w});
    return pixels;
}

TEST(MapPyramid, HalvingAveragesBlocksAndRepeatsOddEdges) {
    Bitmap image(3, 3, PixelFormat::Bits24);
    image.SetPixel(0, 0, {0, 0, 0});
    image.SetPixel(1, 0, {100, 0, 0});
    image.SetPixel(0, 1, {0, 200, 0});
    image.SetPixel(1, 1, {100, 200, 40});
    image.SetPixel(2, 2, {8, 8, 8});
    for (int threads : {1, 2, 3}) {
        const Bitmap half = HalveBitmap(image, threads);
        ASSERT_EQ(half.Width(), 2);
        ASSERT_EQ(half.Height(), 2);
        EXPECT_EQ(half.PixelAt(0, 0), (Rgb{50, 100, 10}));
        EXPECT_EQ(half.PixelAt(1, 1), (Rgb{8, 8, 8}));
    }
    EXPECT_TRUE(HalveBitmap(Bitmap(), 2).IsEmpty());
}

TEST(MapPyramid, LevelsGoDownToTheSmallestScale) {
    const Bitmap image = test::MakeTestPicture(1000, 600, 3);
    MapPyramid pyramid;
    pyramid.Build(image, 0.1);
    ASSERT_EQ(pyramid.LevelCount(), 4);  // 1/2, 1/4, 1/8, 1/16
    EXPECT_EQ(pyramid.Level(4).Width(), 63);
    EXPECT_EQ(pyramid.Level(4).Height(), 38);
    // Multithreaded halving equals the plain one.
    const Bitmap single = HalveBitmap(image, 1);
    for (int y = 0; y < single.Height(); y += 37)
        for (int x = 0; x < single.Width(); x += 41)
            EXPECT_EQ(single.PixelAt(x, y), pyramid.Level(1).PixelAt(x, y));
}

TEST(MapViewRender, FullSizeShowsThePixelsAndBackgroundBeyond) {
    const Bitmap image = test::MakeTestPicture(50, 40, 5);
    const auto frame = Render(image, nullptr, 1, 10, 20, 60, 30);
    EXPECT_EQ(frame[0], Argb(image.PixelAt(10, 20)));
    EXPECT_EQ(frame[5 * 60 + 7], Argb(image.PixelAt(17, 25)));
    EXPECT_EQ(frame[19 * 60 + 39], Argb(image.PixelAt(49, 39)));
    EXPECT_EQ(frame[19 * 60 + 40], 0xFFC0C0C0u);  // column 50: beyond the image
    EXPECT_EQ(frame[20 * 60 + 0], 0xFFC0C0C0u);   // row 40
}

TEST(MapViewRender, EnlargedPixelsAreRepeated) {
    const Bitmap image = test::MakeTestPicture(20, 20, 7);
    const auto frame = Render(image, nullptr, 4, 2, 3, 16, 16);
    for (int dy = 0; dy < 16; ++dy)
        for (int dx = 0; dx < 16; ++dx)
            ASSERT_EQ(frame[static_cast<size_t>(dy * 16 + dx)],
                      Argb(image.PixelAt(2 + dx / 4, 3 + dy / 4)))
                << dx << "," << dy;
}

TEST(MapViewRender, HalfSizeBelowTheCacheLimitIsTheFirstLevel) {
    const Bitmap image = test::MakeTestPicture(64, 48, 9);
    MapPyramid pyramid;
    pyramid.Build(image, 0.1);
    const auto frame = Render(image, &pyramid, 0.5, 8, 4, 28, 22);
    for (int dy = 0; dy < 22; ++dy)
        for (int dx = 0; dx < 28; ++dx)
            ASSERT_EQ(frame[static_cast<size_t>(dy * 28 + dx)],
                      Argb(pyramid.Level(1).PixelAt(4 + dx, 2 + dy)));
}

TEST(MapViewRender, EightAndFourBitMapsUseTheirPalette) {
    for (PixelFormat format : {PixelFormat::Bits8, PixelFormat::Bits4}) {
        Bitmap image(9, 5, format);
        image.SetPixel(3, 2, {255, 0, 0});
        image.SetPixel(4, 2, {0, 0, 255});
        const auto frame = Render(image, nullptr, 1, 0, 0, 9, 5);
        EXPECT_EQ(frame[2 * 9 + 3], Argb(image.PixelAt(3, 2)));
        EXPECT_EQ(frame[2 * 9 + 4], Argb(image.PixelAt(4, 2)));
        EXPECT_EQ(frame[0], Argb(image.PixelAt(0, 0)));
    }
}

TEST(MapViewRender, ReducedViewsStayInsideTheImageColours) {
    Bitmap image(300, 300, PixelFormat::Bits24);
    image.Fill({10, 120, 200});
    MapPyramid pyramid;
    pyramid.Build(image, 0.1);
    for (double m : {0.1, 0.3, 0.55, 0.7, 0.9}) {
        const int w = static_cast<int>(300 * m) - 1;
        const auto frame = Render(image, &pyramid, m, 0, 0, w, w);
        for (uint32_t p : frame)
            ASSERT_EQ(p, 0xFF0A78C8u) << m;
    }
}

TEST(MapViewRender, EmptyImageShowsBackground) {
    const auto frame = Render(Bitmap(), nullptr, 1, 0, 0, 4, 4);
    for (uint32_t p : frame)
        EXPECT_EQ(p, 0xFFC0C0C0u);
}

}  // namespace
}  // namespace korvalen
