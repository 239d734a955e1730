#include "joining/OverlapEstimate.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "images/BitmapOps.h"
#include "images/JpegCodec.h"
#include "joining/Brightness.h"
#include "joining/DetailBand.h"

namespace korvalen {
namespace {

// Something like a map: paper with strokes, patches and dots in a few colours.
Bitmap MapLikePicture(int width, int height, unsigned seed) {
    Bitmap picture(width, height, PixelFormat::Bits24);
    picture.Fill({245, 240, 225});
    std::mt19937 random(seed);
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    const Rgb inks[] = {{40, 40, 40}, {30, 90, 200}, {200, 60, 40}, {60, 150, 60}, {150, 110, 60}};
    auto put = [&](int x, int y, Rgb c) {
        if (x >= 0 && y >= 0 && x < width && y < height) {
            uint8_t* p = picture.Row(y) + 3 * x;
            p[0] = c.b, p[1] = c.g, p[2] = c.r;
        }
    };
    for (int i = 0; i < width * height / 900; ++i) {
        const Rgb ink = inks[pick(5)];
        int x = pick(width), y = pick(height);
        const int dx = pick(3) - 1, dy = pick(3) - 1, length = 5 + pick(60);
        for (int k = 0; k < length; ++k, x += dx, y += dy) {
            put(x, y, ink);
            put(x + 1, y, ink);
        }
        const int cx = pick(width), cy = pick(height), r = 1 + pick(5);
        for (int v = -r; v <= r; ++v)
            for (int u = -r; u <= r; ++u)
                if (u * u + v * v <= r * r)
                    put(cx + u, cy + v, inks[pick(5)]);
    }
    return picture;
}

Bitmap Cut(const Bitmap& picture, Rect rect) {
    return *CopyArea(&picture, rect);
}

Bitmap JpegCopy(const Bitmap& bitmap, int quality) {
    std::vector<uint8_t> bytes;
    std::string error;
    EXPECT_TRUE(EncodeJpeg(bitmap, quality, bytes, error)) << error;
    Bitmap decoded;
    EXPECT_TRUE(DecodeJpeg(bytes, decoded, error)) << error;
    return decoded;
}

// Two maps of w x h cut from a picture, the new one overlapping its neighbour by `overlap`
// along the joining direction and shifted by `shift` across it; gives the estimate and the
// true offset of the new map in the neighbour's facing half.
struct EstimateCase {
    bool horizontal;
    int overlap;
    int shift;
    int quality;  // 0: lossless
};

struct EstimateRun {
    OverlapEstimate estimate;
    Point truth;
};

EstimateRun Estimate(const Bitmap& picture, const EstimateCase& c, int w, int h) {
    const Point neighbourAt{100, 100};
    const Point newAt = c.horizontal ? Point{100 + w - c.overlap, 100 + c.shift}
                                     : Point{100 + c.shift, 100 + h - c.overlap};
    Bitmap neighbour =
        Cut(picture, {neighbourAt.x, neighbourAt.y, neighbourAt.x + w, neighbourAt.y + h});
    Bitmap newMap = Cut(picture, {newAt.x, newAt.y, newAt.x + w, newAt.y + h});
    if (c.quality > 0) {
        neighbour = JpegCopy(neighbour, c.quality);
        newMap = JpegCopy(newMap, c.quality);
    }
    const Rect targetRect = c.horizontal ? Rect{w / 2, 0, w, h} : Rect{0, h / 2, w, h};
    const Rect halfRect = c.horizontal ? Rect{0, 0, w / 2, h} : Rect{0, 0, w, h / 2};
    const PositionRange range = PlausibleOffsets(c.horizontal, w, h, targetRect);
    EstimateRun run;
    run.estimate = EstimateOverlap(Cut(neighbour, targetRect), Cut(newMap, halfRect), range);
    run.truth = newAt - neighbourAt - Point{targetRect.left, targetRect.top};
    return run;
}

// Overlaps from 5 % to 60 % of the map and cross shifts up to 10 % of its size, both ways, on
// lossless and on JPEG pieces.
TEST(OverlapEstimate, FindsEveryOverlapFromFiveToSixtyPercentAndShiftsUpToTenPercent) {
    const int w = 320, h = 240;
    const Bitmap picture = MapLikePicture(1000, 1000, 7);
    const EstimateCase cases[] = {
        {true, 16, 0, 0},    {true, 16, 24, 75},  {true, 64, -24, 0},   {true, 100, 7, 75},
        {true, 160, -3, 75}, {true, 192, 24, 0},  {true, 192, -24, 75}, {false, 12, 0, 75},
        {false, 12, -32, 0}, {false, 60, 32, 75}, {false, 120, -5, 0},  {false, 144, 31, 75},
    };
    for (const EstimateCase& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << (c.horizontal ? "horizontal" : "vertical") << " overlap " << c.overlap
                     << " shift " << c.shift << " quality " << c.quality);
        const EstimateRun run = Estimate(picture, c, w, h);
        ASSERT_TRUE(run.estimate.valid);
        EXPECT_EQ(run.estimate.offset, run.truth);
        EXPECT_TRUE(run.estimate.distinct)
            << run.estimate.score << " margin " << run.estimate.Margin();
    }
}

TEST(OverlapEstimate, BlankOrRepeatingPicturesAreNotDistinct) {
    Bitmap blank(200, 150, PixelFormat::Bits24);
    blank.Fill({250, 250, 250});
    const PositionRange range = PlausibleOffsets(true, 400, 150, {200, 0, 400, 150});
    const OverlapEstimate none = EstimateOverlap(blank, blank, range);
    EXPECT_FALSE(none.distinct);

    // Stripes every 20 pixels fit equally at every multiple of 20.
    Bitmap stripes(200, 150, PixelFormat::Bits24);
    for (int y = 0; y < 150; ++y)
        for (int x = 0; x < 200; ++x)
            stripes.SetPixel(x, y, x % 20 < 4 ? Rgb{0, 0, 0} : Rgb{255, 255, 255});
    const OverlapEstimate repeated = EstimateOverlap(stripes, stripes, range);
    EXPECT_TRUE(repeated.valid);
    EXPECT_FALSE(repeated.distinct) << repeated.score << " " << repeated.runnerUp;
    EXPECT_LT(repeated.Margin(), kDistinctMargin);
}

TEST(OverlapEstimate, NothingToCompareGivesNoEstimate) {
    const Bitmap picture = MapLikePicture(100, 100, 3);
    EXPECT_FALSE(EstimateOverlap(Bitmap(), picture, {0, 0, 10, 10}).valid);
    EXPECT_FALSE(EstimateOverlap(picture, Bitmap(), {0, 0, 10, 10}).valid);
    EXPECT_FALSE(EstimateOverlap(picture, picture, {5, 5, 4, 4}).valid);  // empty range
    // Offsets that share no pixel with the target.
    EXPECT_FALSE(EstimateOverlap(picture, picture, {500, 500, 600, 600}).valid);
    const Bitmap dot(1, 1, PixelFormat::Bits8);
    EXPECT_FALSE(EstimateOverlap(dot, dot, {0, 0, 0, 0}).valid);
}

// Larger maps are averaged down before the FFT; the estimate stays within the factor of the
// truth, which the ring search closes.
TEST(OverlapEstimate, LargeMapsAreEstimatedNearTheirPlace) {
    const Bitmap picture = MapLikePicture(2000, 1000, 11);
    for (EstimateCase c : {EstimateCase{true, 300, 13, 0}, EstimateCase{false, 40, -37, 75}}) {
        SCOPED_TRACE(c.overlap);
        const EstimateRun run = Estimate(picture, c, 1500, 700);  // factor 3 (halves 750 x 700)
        ASSERT_TRUE(run.estimate.distinct);
        EXPECT_LE(std::abs(run.estimate.offset.x - run.truth.x), 2);
        EXPECT_LE(std::abs(run.estimate.offset.y - run.truth.y), 2);
    }
}

TEST(PlausibleOffsets, OverlapsFromThreeToSixtyFivePercentAndTwelvePercentAcross) {
    // 600 x 450 maps: the new map begins 390 (65 %) to 12 (2 %) pixels before the far edge.
    EXPECT_EQ(PlausibleOffsets(true, 600, 450, {300, 0, 600, 450}),
              (PositionRange{600 - 390 - 300, -54, 600 - 12 - 300, 54}));
    EXPECT_EQ(PlausibleOffsets(false, 600, 450, {0, 225, 600, 450}),
              (PositionRange{-72, 450 - 292 - 225, 72, 450 - 9 - 225}));
}

TEST(Brightness, EveryPixelFormatGivesTheSameBrightness) {
    Bitmap colour(6, 2, PixelFormat::Bits24);
    const Rgb colours[] = {{0, 0, 0},   {255, 255, 255}, {255, 0, 0},
                           {0, 255, 0}, {0, 0, 255},     {128, 128, 128}};
    for (int x = 0; x < 6; ++x) {
        colour.SetPixel(x, 0, colours[x]);
        colour.SetPixel(x, 1, colours[5 - x]);
    }
    const BrightnessPlane plane = BrightnessPlaneOf(colour);
    EXPECT_EQ(plane.At(0, 0), 0);
    EXPECT_EQ(plane.At(1, 0), 255);
    EXPECT_EQ(plane.At(2, 0), 77);
    EXPECT_EQ(plane.At(3, 0), 150);
    EXPECT_EQ(plane.At(4, 0), 28);
    EXPECT_EQ(plane.At(5, 0), 128);
    // Palette formats hold these colours exactly (black, white, pure colours, VGA grey).
    for (PixelFormat format : {PixelFormat::Bits8, PixelFormat::Bits4}) {
        SCOPED_TRACE(static_cast<int>(format));
        Bitmap indexed(6, 2, format);
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 6; ++x)
                indexed.SetPixel(x, y, colour.PixelAt(x, y));
        const BrightnessPlane p = BrightnessPlaneOf(indexed);
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 6; ++x)
                EXPECT_EQ(p.At(x, y), BrightnessOf(indexed.PixelAt(x, y)));
    }
    const Bitmap grey = BrightnessBitmap(colour);
    EXPECT_EQ(grey.Format(), PixelFormat::Bits8);
    EXPECT_EQ(grey.Row(0)[2], 77);
    EXPECT_EQ(grey.PixelAt(2, 0), (Rgb{77, 77, 77}));
    // Smoothing averages the 3 x 3 neighbourhood, clipped at the edges.
    const Bitmap smooth = BrightnessBitmap(colour, true);
    EXPECT_EQ(smooth.Row(0)[0], (0 + 255 + 128 + 28 + 2) / 4);
    EXPECT_TRUE(BrightnessBitmap(Bitmap()).IsEmpty());
}

TEST(DetailBand, TheBandGoesWhereTheOverlapHasMostDetail) {
    Bitmap map(200, 200, PixelFormat::Bits24);
    map.Fill({250, 250, 250});
    // Blank paper with faint JPEG-like noise, and one small drawing.
    std::mt19937 random(5);
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 200; ++x) {
            const uint8_t v = static_cast<uint8_t>(246 + random() % 6);
            map.SetPixel(x, y, {v, v, v});
        }
    for (int y = 130; y < 160; ++y)
        for (int x = 20; x < 50; ++x)
            if ((x + y) % 5 == 0)
                map.SetPixel(x, y, {20, 20, 20});
    const std::optional<Point> placed = PlaceBandOnDetail(map, 40, 40, {0, 0, 60, 160});
    ASSERT_TRUE(placed);
    EXPECT_LE(placed->x, 20);
    EXPECT_GE(placed->x + 40, 50);
    EXPECT_LE(placed->y, 130);
    EXPECT_GE(placed->y + 40, 160);

    // Nothing but paper: the middle of the allowed positions.
    Bitmap paper(100, 100, PixelFormat::Bits24);
    paper.Fill({255, 255, 255});
    EXPECT_EQ(PlaceBandOnDetail(paper, 10, 10, {0, 0, 20, 40}), (Point{10, 20}));
    // Positions the band would leave the map from are refused.
    EXPECT_FALSE(PlaceBandOnDetail(paper, 10, 10, {0, 0, 95, 10}));
    EXPECT_FALSE(PlaceBandOnDetail(paper, 10, 10, {-1, 0, 5, 5}));
    EXPECT_FALSE(PlaceBandOnDetail(paper, 10, 10, {5, 5, 4, 4}));
}

TEST(DetailBand, PositionsInTheOverlapKeepTheBandInBothPictures) {
    // New map 300 x 200 at (250, -10) in a 300 x 200 target: they share 50 x 190 pixels.
    const PositionRange r = BandPositionsInOverlap({250, -10}, 300, 200, 300, 200, 20, 30, 2);
    EXPECT_EQ(r, (PositionRange{2, 12, 50 - 2 - 20, 200 - 2 - 30}));
    // An overlap narrower than the band leaves no position.
    EXPECT_LE(BandPositionsInOverlap({290, 0}, 300, 200, 300, 200, 20, 30, 2).Count(), 0);
}

// The prediction of a join takes a distinct estimate: placeholder, band and ExpectedPos agree
// with where the new map truly lies, and a band longer than a narrow overlap is shortened.
TEST(RefinePrediction, ADistinctEstimateBecomesTheExpectedPosition) {
    const Bitmap picture = MapLikePicture(900, 600, 21);
    const int w = 320, h = 240;
    for (int overlap : {24, 100}) {
        SCOPED_TRACE(overlap);
        const Point newAt{w - overlap, 9};
        const Bitmap neighbour = Cut(picture, {0, 0, w, h});
        const Bitmap newMap = Cut(picture, {newAt.x, newAt.y, newAt.x + w, newAt.y + h});
        JoinPrediction p;
        p.JoinDirection = {-1, 0};
        p.TargetRect = {w / 2, 0, w, h};
        p.BandWidth = p.BandHeight = 50;
        p.BandPos = {25, h / 2 - 25};  // as the settings predict an overlap of 100
        p.ExpectedPos = {w / 2 - 100 + 25, h / 2 - 25};
        const Bitmap target = Cut(neighbour, p.TargetRect);
        const JoinEstimate info = RefinePrediction(p, newMap, target, {7, 3}, {});
        ASSERT_TRUE(info.distinct);
        EXPECT_EQ(p.Placeholder, (Point{7 + newAt.x, 3 + newAt.y}));
        EXPECT_EQ(p.ExpectedPos - p.BandPos, newAt - Point({w / 2, 0}));
        EXPECT_GE(p.BandPos.x, 0);
        EXPECT_LE(p.BandPos.x + p.BandWidth, overlap);
        EXPECT_EQ(p.BandWidth, overlap < 54 ? overlap - 4 : 50);
        EXPECT_GE(int64_t{p.BandWidth} * p.BandHeight, 2400);
    }
}

TEST(RefinePrediction, SwitchedOffOrAmbiguousItKeepsThePrediction) {
    Bitmap blank(320, 240, PixelFormat::Bits24);
    blank.Fill({255, 255, 255});
    JoinPrediction p;
    p.JoinDirection = {0, -1};
    p.TargetRect = {0, 120, 320, 240};
    p.BandWidth = p.BandHeight = 50;
    p.BandPos = {135, 25};
    p.ExpectedPos = {135, 45};
    p.Placeholder = {0, 220};
    const JoinPrediction before = p;
    const Bitmap target = Cut(blank, p.TargetRect);
    JoinEstimate info = RefinePrediction(p, blank, target, {0, 0}, {true, false});
    EXPECT_TRUE(info.tried);
    EXPECT_FALSE(info.distinct);
    EXPECT_EQ(p.Placeholder, before.Placeholder);
    EXPECT_EQ(p.BandPos, before.BandPos);
    EXPECT_EQ(p.ExpectedPos, before.ExpectedPos);
    info = RefinePrediction(p, blank, target, {0, 0}, {false, false});
    EXPECT_FALSE(info.tried);
    EXPECT_EQ(p.ExpectedPos, before.ExpectedPos);
}

// Maps of a few pixels, bands larger than the maps, maps of different sizes: the prediction
// is refined or kept, never read beyond a picture.
TEST(RefinePrediction, TinyAndUnevenMapsAreHandled) {
    const Bitmap picture = MapLikePicture(200, 200, 4);
    for (int side : {1, 2, 3, 17, 120}) {
        for (bool horizontal : {true, false}) {
            SCOPED_TRACE(::testing::Message()
                         << side << (horizontal ? " horizontal" : " vertical"));
            const Bitmap neighbour = Cut(picture, {0, 0, 150, 90});
            const Bitmap newMap = Cut(picture, {30, 20, 30 + side, 20 + side});
            JoinPrediction p;
            p.JoinDirection = horizontal ? Point{-1, 0} : Point{0, -1};
            p.TargetRect = horizontal ? Rect{75, 0, 150, 90} : Rect{0, 45, 150, 90};
            p.BandWidth = p.BandHeight = 50;
            p.BandPos = {side / 2, side / 2};
            p.ExpectedPos = {10, 10};
            const Bitmap target = Cut(neighbour, p.TargetRect);
            const JoinEstimate info = RefinePrediction(p, newMap, target, {0, 0}, {});
            EXPECT_EQ(info.tried, side >= 2);  // a one-pixel map has no facing half
            if (info.bandMoved) {
                EXPECT_GE(p.BandPos.x, 0);
                EXPECT_LE(p.BandPos.x + p.BandWidth, side);
            }
        }
    }
}

}  // namespace
}  // namespace korvalen
