#include "joining/ScoreKernel.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace korvalen {
namespace {

// An 8-bit image of random indices below limit, held with a padded stride like a bitmap row.
struct Image {
    std::vector<uint8_t> pixels;
    GreyView view;
};

Image RandomImage(int width, int height, int limit, std::mt19937& rng, int padding = 3) {
    Image image;
    const ptrdiff_t stride = width + padding;
    image.pixels.resize(static_cast<size_t>(stride) * height);
    std::uniform_int_distribution<int> value(0, limit - 1);
    for (uint8_t& p : image.pixels)
        p = static_cast<uint8_t>(value(rng));
    image.view = {image.pixels.data(), stride, width, height};
    return image;
}

Image FilledImage(int width, int height, uint8_t value) {
    Image image;
    image.pixels.assign(static_cast<size_t>(width) * height, value);
    image.view = {image.pixels.data(), width, width, height};
    return image;
}

// Pixel by pixel, bounds and the column limit checked one at a time.
int64_t NaiveHits(const GreyView& band, const GreyView& target, Point pos, int spreading) {
    int64_t hits = 0;
    for (int y = 0; y < band.height; ++y) {
        for (int x = 0; x < band.width; ++x) {
            const int64_t tx = int64_t{pos.x} + x, ty = int64_t{pos.y} + y;
            if (tx < 0 || ty < 0 || tx >= target.width || ty >= target.height ||
                tx > kMaxComparedColumn)
                continue;
            const int d = std::abs(band.Row(y)[x] - target.Row(static_cast<int>(ty))[tx]);
            hits += d <= spreading;
        }
    }
    return hits;
}

void ExpectAllKernelsAgree(const GreyView& band, const GreyView& target, Point pos,
                           uint8_t spreading, const std::string& where) {
    const int64_t expected = NaiveHits(band, target, pos, spreading);
    EXPECT_EQ(CountHitsScalar(band, target, pos, spreading), expected) << "scalar " << where;
    EXPECT_EQ(CountHitsAvx2(band, target, pos, spreading), expected) << "avx2 " << where;
    EXPECT_EQ(CountHits(band, target, pos, spreading), expected) << "dispatch " << where;
    if (spreading == 255) {  // every compared pixel is a hit
        EXPECT_EQ(ComparedPixels(band, target, pos), expected) << where;
    }
}

TEST(ScoreKernel, AgreesWithNaiveCountOnRandomData) {
    std::mt19937 rng(17);
    const int widths[] = {1, 2, 7, 15, 16, 17, 24, 31, 32, 33, 47, 50, 63, 64, 65, 100, 250, 257};
    const uint8_t spreadings[] = {0, 1, 3, 255};
    for (int width : widths) {
        const int height = 1 + width % 23;
        // Few distinct values, so that small spreadings hit often.
        const Image band = RandomImage(width, height, 6, rng);
        const Image target = RandomImage(width + 40, height + 30, 6, rng, width % 5);
        const Point positions[] = {{0, 0},
                                   {13, 9},
                                   {40, 30},  // flush with the far corner
                                   {-3, 2},
                                   {5, -4},
                                   {-width + 1, -height + 1},
                                   {width + 39, height + 29},
                                   {width + 40, 0},  // wholly outside
                                   {-width, 0}};
        for (Point pos : positions) {
            for (uint8_t s : spreadings) {
                ExpectAllKernelsAgree(band.view, target.view, pos, s,
                                      "width " + std::to_string(width) + " at " +
                                          std::to_string(pos.x) + "," + std::to_string(pos.y) +
                                          " spreading " + std::to_string(s));
            }
        }
    }
}

TEST(ScoreKernel, EveryTailLengthAndFullByteRange) {
    std::mt19937 rng(5);
    const Image target = RandomImage(160, 8, 256, rng);
    for (int width = 1; width <= 100; ++width) {
        const Image band = RandomImage(width, 3, 256, rng);
        for (uint8_t s : {uint8_t{0}, uint8_t{40}, uint8_t{128}, uint8_t{254}})
            ExpectAllKernelsAgree(band.view, target.view, {width % 11, 2}, s,
                                  "width " + std::to_string(width));
    }
}

// The vector counters hold at most 255 per lane: tall bands, wide rows and rows cut into strips
// must all be summed before they wrap.
TEST(ScoreKernel, LongRunsOfHitsDoNotOverflowTheCounters) {
    struct Case {
        int width, height;
    };
    for (Case c : {Case{32, 600}, Case{20, 600}, Case{50, 300}, Case{8200, 3}, Case{4128, 2},
                   Case{9000, 260}}) {
        const Image band = FilledImage(c.width, c.height, 7);
        const Image target = FilledImage(c.width, c.height, 8);
        const int64_t all = int64_t{c.width} * c.height;
        EXPECT_EQ(CountHits(band.view, target.view, {0, 0}, 1), all) << c.width << "x" << c.height;
        EXPECT_EQ(CountHitsScalar(band.view, target.view, {0, 0}, 1), all);
        EXPECT_EQ(CountHits(band.view, target.view, {0, 0}, 0), 0);
    }
}

TEST(ScoreKernel, ColumnsBeyond32767AreNotCompared) {
    const Image target = FilledImage(32800, 3, 4);
    const Image band = FilledImage(64, 3, 4);
    EXPECT_EQ(CountHits(band.view, target.view, {32740, 0}, 0), 28 * 3);  // 32740..32767
    EXPECT_EQ(CountHitsScalar(band.view, target.view, {32740, 0}, 0), 28 * 3);
    EXPECT_EQ(ComparedPixels(band.view, target.view, {32740, 0}), 28 * 3);
    EXPECT_EQ(CountHits(band.view, target.view, {32768, 0}, 0), 0);
    EXPECT_EQ(CountHits(band.view, target.view, {32704, 0}, 0), 64 * 3);
}

TEST(ScoreKernel, MaskMarksExactlyTheComparedMisses) {
    std::mt19937 rng(3);
    const Image band = RandomImage(37, 21, 4, rng);
    const Image target = RandomImage(60, 40, 4, rng);
    for (Point pos : {Point{5, 6}, Point{-4, 30}, Point{40, -10}}) {
        std::vector<uint8_t> mismatch;
        const int64_t hits = CountHitsWithMask(band.view, target.view, pos, 1, mismatch);
        EXPECT_EQ(hits, NaiveHits(band.view, target.view, pos, 1));
        ASSERT_EQ(mismatch.size(), 37u * 21u);
        for (int y = 0; y < 21; ++y) {
            for (int x = 0; x < 37; ++x) {
                const int tx = pos.x + x, ty = pos.y + y;
                const bool inside = tx >= 0 && ty >= 0 && tx < 60 && ty < 40;
                const bool miss =
                    inside && std::abs(band.view.Row(y)[x] - target.view.Row(ty)[tx]) > 1;
                EXPECT_EQ(mismatch[y * 37 + x], miss ? 1 : 0) << x << "," << y;
            }
        }
    }
}

TEST(ScoreKernel, EmptyViewsAndFarPositionsGiveNoHits) {
    const Image band = FilledImage(10, 10, 1);
    EXPECT_EQ(CountHits(band.view, GreyView{}, {0, 0}, 255), 0);
    EXPECT_EQ(CountHits(GreyView{}, band.view, {0, 0}, 255), 0);
    EXPECT_EQ(CountHits(band.view, band.view, {INT32_MIN, INT32_MAX}, 255), 0);
    EXPECT_EQ(CountHits(band.view, band.view, {INT32_MAX, INT32_MIN}, 255), 0);
    Bitmap colour(4, 4, PixelFormat::Bits24);
    EXPECT_EQ(ViewOf(colour).pixels, nullptr);  // only 8-bit bitmaps are scored
    const Bitmap indexed(5, 3, PixelFormat::Bits8);
    EXPECT_EQ(ViewOf(indexed).stride, 8);
}

}  // namespace
}  // namespace korvalen
