// Turning, cutting and shading a map.
#include <gtest/gtest.h>

#include <cmath>

#include "core/ProgramState.h"
#include "geo/CalibPoints.h"
#include "geo/Utm.h"
#include "geo/WorldFile.h"
#include "images/MapAdjust.h"
#include "images/PixelConvert.h"
#include "images/RotateBitmap.h"
#include "images/RotateReference.h"
#include "support/TestSupport.h"

namespace korvalen {
namespace {

constexpr Rgb kCyan{0, 255, 255};

Bitmap Picture(int w, int h, PixelFormat format, unsigned seed = 3) {
    return ConvertPixelFormat(test::MakeTestPicture(w, h, seed), format);
}

// ---- Exact turns --------------------------------------------------------------------------

struct QuarterCase {
    int w, h;
    PixelFormat format;
};

class QuarterTurns : public ::testing::TestWithParam<QuarterCase> {};

TEST_P(QuarterTurns, MoveEveryPixelWithoutLoss) {
    const auto [w, h, format] = GetParam();
    const Bitmap src = Picture(w, h, format);
    const Bitmap left = RotateBitmap(src, kCyan, 90);    // counter-clockwise on the screen
    const Bitmap right = RotateBitmap(src, kCyan, -90);  // clockwise ("Right" by 90)
    const Bitmap turned = RotateBitmap(src, kCyan, 180);
    ASSERT_EQ(left.Width(), h);
    ASSERT_EQ(left.Height(), w);
    ASSERT_EQ(right.Width(), h);
    ASSERT_EQ(right.Height(), w);
    ASSERT_EQ(turned.Width(), w);
    ASSERT_EQ(turned.Height(), h);
    EXPECT_EQ(turned.Format(), format);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const Rgb c = src.PixelAt(x, y);
            ASSERT_EQ(left.PixelAt(y, w - 1 - x), c) << x << "," << y;
            ASSERT_EQ(right.PixelAt(h - 1 - y, x), c) << x << "," << y;
            ASSERT_EQ(turned.PixelAt(w - 1 - x, h - 1 - y), c) << x << "," << y;
        }
    // Four quarter turns and two half turns give the picture back.
    Bitmap round = src;
    for (int i = 0; i < 4; ++i)
        round = RotateBitmap(round, kCyan, -90);
    EXPECT_TRUE(test::SameBitmap(round, src));
    EXPECT_TRUE(test::SameBitmap(RotateBitmap(turned, kCyan, 180), src));
    EXPECT_TRUE(test::SameBitmap(RotateBitmap(src, kCyan, 360), src));
}

INSTANTIATE_TEST_SUITE_P(Sizes, QuarterTurns,
                         ::testing::Values(QuarterCase{8, 6, PixelFormat::Bits24},
                                           QuarterCase{7, 5, PixelFormat::Bits24},
                                           QuarterCase{130, 67, PixelFormat::Bits24},
                                           QuarterCase{131, 70, PixelFormat::Bits8},
                                           QuarterCase{1, 9, PixelFormat::Bits8},
                                           QuarterCase{9, 4, PixelFormat::Bits4}),
                         [](const ::testing::TestParamInfo<QuarterCase>& info) {
                             const QuarterCase& c = info.param;
                             return std::to_string(c.w) + "x" + std::to_string(c.h) + "_" +
                                    std::to_string(static_cast<int>(c.format)) + "bits";
                         });

// On even sizes the quarter turns agree with the plain formula read with the quadrant the
// angle lies in (cos 90 and sin 180 counted negative).
TEST(RotateBitmap, EvenQuarterTurnsAgreeWithTheFormula) {
    const Bitmap src = Picture(12, 8, PixelFormat::Bits24);
    const Bitmap near90 = test::RotateReference(src, kCyan, 90.0 + 1e-12);
    const Bitmap turned = RotateBitmap(src, kCyan, 90);
    EXPECT_TRUE(test::SameBitmap(near90, turned));
    const Bitmap near180 = test::RotateReference(src, kCyan, 180.0 + 1e-12);
    EXPECT_TRUE(test::SameBitmap(near180, RotateBitmap(src, kCyan, 180)));
}

TEST(RotateBitmap, FortyFiveDegreesOnASquareGrowsBySquareRootOfTwoWithCyanCorners) {
    const Bitmap src = Picture(100, 100, PixelFormat::Bits24);
    const Bitmap out = RotateBitmap(src, kCyan, 45);
    EXPECT_EQ(out.Width(), 141);
    EXPECT_EQ(out.Height(), 141);
    for (auto [x, y] : {std::pair{0, 0}, {140, 0}, {0, 140}, {140, 140}, {20, 5}, {5, 120}})
        EXPECT_EQ(out.PixelAt(x, y), kCyan) << x << "," << y;
    EXPECT_EQ(out.PixelAt(70, 70), src.PixelAt(50, 50));

    // The 8-bit map fills its corners with the palette's cyan and keeps its format.
    const Bitmap src8 = ConvertPixelFormat(src, PixelFormat::Bits8);
    const Bitmap out8 = RotateBitmap(src8, kCyan, -45);
    EXPECT_EQ(out8.Format(), PixelFormat::Bits8);
    EXPECT_EQ(out8.PixelAt(0, 0), kCyan);
}

// Every odd angle gives the very pixels of the plain per-pixel formula, in every format and
// with any number of threads.
TEST(RotateBitmap, OddAnglesEqualThePlainFormulaExactly) {
    const double angles[] = {0.35,  -0.35, -1.2,  2.5,    -2.5,   0.57,  33.3,  45,
                             89.5,  90.5,  135.7, 179.99, 180.01, 200,   269.3, 300,
                             -0.01, 0.001, 7.1,   -7.2,   172.9,  186.5, -179.7};
    struct Size {
        int w, h;
    };
    const Size sizes[] = {{37, 23}, {64, 64}, {1, 9}, {200, 3}, {500, 120}};
    for (PixelFormat format : {PixelFormat::Bits24, PixelFormat::Bits8, PixelFormat::Bits4})
        for (Size size : sizes) {
            const Bitmap src = Picture(size.w, size.h, format, size.w);
            for (double angle : angles) {
                const Bitmap expected = test::RotateReference(src, kCyan, angle);
                for (int threads : {1, 3}) {
                    const Bitmap got = RotateBitmap(src, kCyan, angle, threads);
                    ASSERT_TRUE(test::SameBitmap(got, expected))
                        << angle << " deg, " << size.w << "x" << size.h << ", "
                        << static_cast<int>(format) << " bits, " << threads << " threads";
                }
            }
        }
}

TEST(RotateBitmap, RefusesWhatItCannotDo) {
    EXPECT_TRUE(RotateBitmap(Bitmap(), kCyan, 10).IsEmpty());
    EXPECT_THROW(RotateBitmap(Picture(4, 4, PixelFormat::Bits24), kCyan, std::nan("")),
                 std::invalid_argument);
    EXPECT_THROW(RotatedSizeFor(Bitmap::kMaxSide, Bitmap::kMaxSide, 45), std::length_error);
}

// ---- Line angles --------------------------------------------------------------------------

struct LineCase {
    PixelPos p1, p2;
    bool horizontal;
    double expected;
};

TEST(LineAngle, InAllQuadrants) {
    const double a = std::atan(1.0 / 100.0) * 180 / M_PI;  // 0.57 degrees
    const double b = std::atan(3.0 / 4.0) * 180 / M_PI;
    const LineCase cases[] = {
        {{5, 5}, {5, 5}, true, 0},
        {{5, 5}, {5, 5}, false, 0},
        // Left to right rising by one pixel over 100: turn clockwise by 0.57 degrees.
        {{0, 100}, {100, 99}, true, a},
        {{0, 100}, {100, 101}, true, -a},  // falling
        {{100, 99}, {0, 100}, true, a},    // the same lines drawn from right to left
        {{100, 101}, {0, 100}, true, -a},
        {{10, 10}, {14, 13}, true, -b},
        {{10, 10}, {6, 13}, true, b},
        {{10, 10}, {6, 7}, true, -b},
        {{10, 10}, {14, 7}, true, b},
        {{10, 10}, {10, 20}, true, 90},
        {{10, 20}, {10, 10}, true, -90},
        // Vertical lines.
        {{10, 10}, {13, 14}, false, b},
        {{13, 14}, {10, 10}, false, b},
        {{13, 10}, {10, 14}, false, -b},  // first right of and above the second
        {{10, 14}, {13, 10}, false, -b},  // first left of and below the second
        {{10, 10}, {20, 10}, false, 90},
        {{20, 10}, {10, 10}, false, -90},
    };
    for (const LineCase& c : cases)
        EXPECT_NEAR(LineAngle(c.p1, c.p2, c.horizontal), c.expected, 1e-12)
            << c.p1.X << "," << c.p1.Y << " -> " << c.p2.X << "," << c.p2.Y
            << (c.horizontal ? " horizontal" : " vertical");
    EXPECT_EQ(static_cast<int>(LineAngle({0, 100}, {100, 99}, true) * 100), 57);
}

// A line rising by one over 100 is level after the turn by its angle.
TEST(LineAngle, TurningByTheAngleLevelsTheLine) {
    Bitmap map(301, 201, PixelFormat::Bits24);
    for (int x = 0; x <= 300; ++x)
        map.SetPixel(x, 150 - x / 100, Rgb{0, 0, 0});
    const double r = LineAngle({0, 150}, {300, 147}, true);
    const Bitmap turned = RotateBitmap(map, kCyan, -r);
    // The dark pixels of each column now lie on one row within a pixel.
    int lowest = turned.Height(), highest = -1;
    for (int x = 20; x < turned.Width() - 20; ++x)
        for (int y = 0; y < turned.Height(); ++y)
            if (turned.PixelAt(x, y) == Rgb{0, 0, 0}) {
                lowest = std::min(lowest, y);
                highest = std::max(highest, y);
            }
    ASSERT_GE(highest, 0);
    EXPECT_LE(highest - lowest, 1);
}

// ---- Cutting ------------------------------------------------------------------------------

TEST(CutBitmap, KeepsTheInclusiveRectangleInItsFormat) {
    for (PixelFormat format : {PixelFormat::Bits24, PixelFormat::Bits8, PixelFormat::Bits4}) {
        const Bitmap src = Picture(40, 30, format);
        Bitmap map = src;
        ProgramState state;
        ASSERT_TRUE(CutBitmap(map, {5, 7}, {24, 20}, state));
        EXPECT_EQ(map.Width(), 20);
        EXPECT_EQ(map.Height(), 14);
        EXPECT_EQ(map.Format(), format);
        EXPECT_EQ(map.PixelAt(0, 0), src.PixelAt(5, 7));
        EXPECT_EQ(map.PixelAt(19, 13), src.PixelAt(24, 20));
        EXPECT_TRUE(state.ResultUnsaved);
        EXPECT_FALSE(state.Calibration.Pending);  // not a capture: the points are left alone
    }
}

TEST(CutBitmap, RefusesRectanglesOutsideAndLeavesEverythingAsItWas) {
    const Bitmap src = Picture(40, 30, PixelFormat::Bits24);
    const std::pair<PixelPos, PixelPos> bad[] = {
        {{-1, 0}, {10, 10}}, {{0, 0}, {40, 10}},  {{0, 0}, {10, 30}},
        {{10, 10}, {9, 20}}, {{10, 10}, {20, 9}},
    };
    for (auto [tl, br] : bad) {
        Bitmap map = src;
        ProgramState state;
        EXPECT_FALSE(CutBitmap(map, tl, br, state));
        EXPECT_TRUE(test::SameBitmap(map, src));
        EXPECT_FALSE(state.ResultUnsaved);
    }
    Bitmap one = src;
    ProgramState state;
    ASSERT_TRUE(CutBitmap(one, {39, 29}, {39, 29}, state));  // a single pixel is a map
    EXPECT_EQ(one.Width(), 1);
}

// The points of a north-up capture of W x H pixels between the given corners.
CalibPoints CapturePoints(int w, int h, double north, double south, double west, double east) {
    CalibPoints points;
    points.PlaceAtFixedPixels(w, h);
    for (int i = 1; i <= kCalibPointCount; ++i) {
        tCalibPoint& p = points[i];
        p.Lon = west + (east - west) * p.X / w;
        p.Lat = north - (north - south) * p.Y / h;
        p.State = kPointSet;
    }
    return points;
}

TEST(CutBitmap, RecomputesTheNinePointsOfACapture) {
    constexpr int W = 1000, H = 800;
    const double north = 47.6, south = 47.5, west = 11.2, east = 11.35;
    Bitmap map(W, H, PixelFormat::Bits8);
    ProgramState state;
    state.GEMode = true;
    state.Calibration.Points = CapturePoints(W, H, north, south, west, east);
    state.Calibration.Points[kCentre].State = kPointShown;

    const PixelPos tl{101, 51}, br{700, 650};
    ASSERT_TRUE(CutBitmap(map, tl, br, state));
    EXPECT_TRUE(state.Calibration.Pending);
    EXPECT_TRUE(state.ResultUnsaved);
    const CalibPoints& p = state.Calibration.Points;
    // Each point lies at its place of the cut map (right and bottom at the last pixel) ...
    const int xm = 101 + (700 - 101) / 2, ym = 51 + (650 - 51) / 2;
    const PixelPos old[] = {{101, 51}, {700, 51}, {101, 650}, {700, 650}, {xm, 51},
                            {xm, 650}, {101, ym}, {700, ym},  {xm, ym}};
    for (int i = 1; i <= kCalibPointCount; ++i) {
        EXPECT_EQ(p[i].X, old[i - 1].X - tl.X) << i;
        EXPECT_EQ(p[i].Y, old[i - 1].Y - tl.Y) << i;
        // ... with the coordinates the uncut map had at that pixel.
        EXPECT_NEAR(p[i].Lon, west + (east - west) * old[i - 1].X / W, 1e-12) << i;
        EXPECT_NEAR(p[i].Lat, north - (north - south) * old[i - 1].Y / H, 1e-12) << i;
    }
    EXPECT_EQ(p[kCentre].State, kPointShown);
    EXPECT_EQ(p[kTopLeft].State, kPointSet);

    // A second cut works from the first one's points and still agrees with the uncut map.
    ASSERT_TRUE(CutBitmap(map, {10, 20}, {309, 419}, state));
    EXPECT_NEAR(p[kBottomRight].Lon, west + (east - west) * (101 + 309) / W, 1e-12);
    EXPECT_NEAR(p[kBottomRight].Lat, north - (north - south) * (51 + 419) / H, 1e-12);

    // The world-file fit of the cut map puts its corners within a pixel of the truth.
    WorldFileTransform t;
    ASSERT_TRUE(FitWorldFile(p, t));
    const double zoneLon = p[kTopLeft].Lon;
    for (auto [px, py] : {std::pair{0, 0}, {299, 0}, {0, 399}, {299, 399}}) {
        const UtmCoord truth = LatLonToUtm(north - (north - south) * (51 + 20 + py) / H,
                                           west + (east - west) * (101 + 10 + px) / W, zoneLon);
        const double e = t.CentreEasting + px * t.EastingPerColumn + py * t.EastingPerRow;
        const double n = t.CentreNorthing + px * t.NorthingPerColumn + py * t.NorthingPerRow;
        const double pixel = std::hypot(t.EastingPerColumn, t.NorthingPerColumn);
        EXPECT_LT(std::hypot(e - truth.Easting, n - truth.Northing), pixel) << px << "," << py;
    }
}

TEST(CutBitmap, RefusesACaptureCutWhenThePointsDoNotSpanTheMap) {
    Bitmap map = Picture(20, 20, PixelFormat::Bits24);
    ProgramState state;
    state.GEMode = true;  // no points placed
    EXPECT_FALSE(CutBitmap(map, {2, 2}, {10, 10}, state));
    EXPECT_EQ(map.Width(), 20);
    EXPECT_FALSE(state.Calibration.Pending);
    EXPECT_FALSE(state.ResultUnsaved);
}

// A turned capture: its written calibration (the world-file fit of the turned points) puts two
// marked places within half a pixel of their true position, for angles of every kind.
TEST(TurnCalibration, TurnedCapturePointsStillFitThePixels) {
    constexpr int W = 300, H = 200;
    const double north = 47.6, south = 47.55, west = 11.2, east = 11.3;
    Bitmap map(W, H, PixelFormat::Bits24);
    map.Fill({128, 128, 128});
    const PixelPos marks[] = {{71, 43}, {250, 170}};
    const Rgb markColours[] = {{255, 0, 0}, {0, 0, 255}};
    for (int m = 0; m < 2; ++m)  // 3 x 3 blocks: a turn may drop a single pixel
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                map.SetPixel(marks[m].X + dx, marks[m].Y + dy, markColours[m]);
    for (double angle : {0.0, 17.3, -2.5, 90.0, 180.0, 270.0, 123.4, -61.0}) {
        SCOPED_TRACE(angle);
        ProgramState state;
        state.GEMode = true;
        state.Calibration.Points = CapturePoints(W, H, north, south, west, east);
        const Bitmap turned = RotateBitmap(map, kCyan, angle);
        TurnCalibration(state, W, H, angle);
        EXPECT_TRUE(state.Calibration.Pending);
        const CalibPoints& p = state.Calibration.Points;
        EXPECT_EQ(p[kBottomRight].X, turned.Width());
        EXPECT_EQ(p[kBottomRight].Y, turned.Height());
        WorldFileTransform t;
        ASSERT_TRUE(FitWorldFile(p, t));
        const double pixel = std::hypot(t.EastingPerColumn, t.NorthingPerColumn);
        for (int m = 0; m < 2; ++m) {
            double sx = 0, sy = 0;
            int found = 0;
            for (int y = 0; y < turned.Height(); ++y)
                for (int x = 0; x < turned.Width(); ++x)
                    if (turned.PixelAt(x, y) == markColours[m])
                        sx += x, sy += y, ++found;
            ASSERT_GT(found, 0);
            const double px = sx / found, py = sy / found;
            // The points' pixels are corners: a pixel's centre lies half a pixel further.
            const UtmCoord truth = LatLonToUtm(north - (north - south) * (marks[m].Y + 0.5) / H,
                                               west + (east - west) * (marks[m].X + 0.5) / W, west);
            const double e = t.CentreEasting + px * t.EastingPerColumn + py * t.EastingPerRow;
            const double n = t.CentreNorthing + px * t.NorthingPerColumn + py * t.NorthingPerRow;
            // Half a pixel: the centre of a turned block is known to that, and a mix-up of
            // pixel corners and centres is caught.
            EXPECT_LT(std::hypot(e - truth.Easting, n - truth.Northing), 0.5 * pixel)
                << "mark " << m;
        }
        // Turning back gives the capture's own points again.
        TurnCalibration(state, turned.Width(), turned.Height(), -angle);
        const CalibPoints original = CapturePoints(W, H, north, south, west, east);
        if (std::fmod(angle, 90.0) == 0)
            for (int i = 1; i <= kCalibPointCount; ++i) {
                EXPECT_NEAR(p[i].Lon, original[i].Lon, 1e-9) << i;
                EXPECT_NEAR(p[i].Lat, original[i].Lat, 1e-9) << i;
            }
    }
}

// Outside a capture, or without points, a turn leaves the points alone.
TEST(TurnCalibration, OnlyACaptureWithPointsChanges) {
    ProgramState joined;
    joined.Calibration.Points = CapturePoints(100, 80, 47.6, 47.5, 11.2, 11.3);
    TurnCalibration(joined, 100, 80, 30);
    EXPECT_FALSE(joined.Calibration.Pending);
    EXPECT_EQ(joined.Calibration.Points[kTopRight].X, 100);
    ProgramState empty;
    empty.GEMode = true;
    TurnCalibration(empty, 100, 80, 30);
    EXPECT_FALSE(empty.Calibration.Pending);
    EXPECT_EQ(empty.Calibration.Points[kTopRight].X, kNotPlaced);
}

// Tilted corners: every old corner keeps its coordinates at its own pixel.
TEST(CutCalibPoints, InterpolatesTiltedCornersBilinearly) {
    CalibPoints points;
    points.PlaceAtFixedPixels(100, 50);
    points[kTopLeft].Lon = 10, points[kTopLeft].Lat = 50;
    points[kTopRight].Lon = 11, points[kTopRight].Lat = 50.1;
    points[kBottomLeft].Lon = 10.05, points[kBottomLeft].Lat = 49.5;
    points[kBottomRight].Lon = 11.2, points[kBottomRight].Lat = 49.7;
    const CalibPoints old = points;
    ASSERT_TRUE(CutCalibPoints(points, {0, 0}, {100, 50}));
    for (int i : {kTopLeft, kTopRight, kBottomLeft, kBottomRight}) {
        EXPECT_NEAR(points[i].Lon, old[i].Lon, 1e-12) << i;
        EXPECT_NEAR(points[i].Lat, old[i].Lat, 1e-12) << i;
    }
}

// ---- Shading ------------------------------------------------------------------------------

TEST(ShadeBitmap, LightensInsideOrOutsideAndClamps) {
    Bitmap map(6, 4, PixelFormat::Bits24);
    map.Fill(Rgb{10, 200, 250});
    Bitmap outside = map;
    ShadeBitmap(outside, 64, {1, 1, 4, 3}, false);
    EXPECT_EQ(outside.PixelAt(0, 0), (Rgb{74, 255, 255}));
    EXPECT_EQ(outside.PixelAt(5, 2), (Rgb{74, 255, 255}));
    EXPECT_EQ(outside.PixelAt(1, 1), (Rgb{10, 200, 250}));
    EXPECT_EQ(outside.PixelAt(3, 2), (Rgb{10, 200, 250}));
    EXPECT_EQ(outside.PixelAt(4, 2), (Rgb{74, 255, 255}));

    Bitmap inside = map;
    ShadeBitmap(inside, -20, {1, 1, 4, 3}, true);
    EXPECT_EQ(inside.PixelAt(1, 1), (Rgb{0, 180, 230}));
    EXPECT_EQ(inside.PixelAt(0, 0), (Rgb{10, 200, 250}));

    // A rectangle reaching past the map is clipped; palette maps keep their format.
    Bitmap palette = ConvertPixelFormat(map, PixelFormat::Bits8);
    ShadeBitmap(palette, 64, {-5, -5, 100, 2}, true);
    EXPECT_EQ(palette.Format(), PixelFormat::Bits8);
    EXPECT_NE(palette.PixelAt(0, 0), palette.PixelAt(0, 3));
}

}  // namespace
}  // namespace korvalen
