#include "earth/CapturePlan.h"

#include <gtest/gtest.h>

#include "earth/EarthApplication.h"

namespace korvalen {
namespace {

TEST(CapturePlan, PlannedPixelsFollowGridAndOverlap) {
    struct Case {
        int side, count, overlap, planned, result;
    } cases[] = {
        {512, 1, 10, 512, 512},    // 1 x 1: the view size
        {512, 5, 10, 2355, 2356},  // planning rounds the product, the result each overlap
        {512, 3, 10, 1433, 1434}, {512, 4, 0, 2048, 2048},  // no overlap: edge to edge
        {256, 2, 50, 384, 384},   {510, 10, 15, 4411, 4416},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.side << " x " << c.count << " at " << c.overlap);
        EXPECT_EQ(PlannedPixels(c.side, c.count, c.overlap), c.planned);
        EXPECT_EQ(ResultPixels(c.side, c.count, c.overlap), c.result);
    }
}

// One image's altitude divides by the longer side of the grid; the area adds the steps.
TEST(CapturePlan, AltitudeOfOneImageAndAreaMetres) {
    EXPECT_EQ(ImageAltitude(10000, 1, 1), 10000);
    EXPECT_EQ(ImageAltitude(10000, 3, 5), 2000);
    EXPECT_EQ(ImageAltitude(10001, 5, 3), 2000);
    EXPECT_EQ(ImageAltitude(10003, 2, 2), 5002);
    EXPECT_EQ(AreaMetres(1000, 1, 10), 1000);
    EXPECT_EQ(AreaMetres(1000, 5, 10), 4600);
    EXPECT_EQ(AreaMetres(333, 3, 0), 999);
}

TEST(CapturePlan, StepButtonsRoundToTheirStep) {
    struct Case {
        double altitude;
        int step;
        double expected;
    } cases[] = {
        {1234, 100, 1300}, {1234, -100, 1100}, {1234, 1000, 2000}, {1234, -1000, 1000},
        {100, -100, 100},  // negative step at or below the step: nothing
        {150, -100, 100},  {50, 100, 200},     {999, -1000, 999},  {1000, -1000, 1000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.altitude << " " << c.step);
        EXPECT_EQ(SteppedAltitude(c.altitude, c.step), c.expected);
    }
}

TEST(CapturePlan, KeysScaleTheAltitudeAndTheViewAreaItsSide) {
    EXPECT_EQ(KeyedAltitude(1000, AltitudeKey::PageUp), 1500);
    EXPECT_EQ(KeyedAltitude(1000, AltitudeKey::PageDown), 666);
    EXPECT_EQ(KeyedAltitude(1000, AltitudeKey::Up), 1100);
    EXPECT_EQ(KeyedAltitude(1000, AltitudeKey::Down), 909);
    EXPECT_EQ(KeyedAltitude(0.4, AltitudeKey::Down), 10);
    EXPECT_EQ(ViewSideForArea(0), 256);
    EXPECT_EQ(ViewSideForArea(1), 512);
    EXPECT_EQ(ViewSideForArea(2), 1024);
    EXPECT_EQ(ViewSideForArea(7), 512);
}

// Which image supplies which point, and as which kind.
TEST(CapturePlan, CalibrationKindsByGrid) {
    // 1 x 1: all nine from the one image, each as itself.
    const PointKinds one = CalibrationKinds(1, 1, 1, 1);
    for (int k = 1; k <= 9; ++k)
        EXPECT_EQ(one[k], k) << k;
    // 2 x 2: the centre point is the top-left of image (2, 2).
    EXPECT_EQ(CalibrationKinds(2, 2, 2, 2)[9], 1);
    EXPECT_EQ(CalibrationKinds(2, 2, 2, 2)[4], 4);
    EXPECT_EQ(CalibrationKinds(1, 2, 2, 2)[5], 1);
    EXPECT_EQ(CalibrationKinds(2, 1, 2, 2)[7], 1);
    // 3 x 3: edge middles of the middle images, centre of image (2, 2).
    EXPECT_EQ(CalibrationKinds(1, 2, 3, 3)[5], 5);
    EXPECT_EQ(CalibrationKinds(2, 1, 3, 3)[7], 7);
    EXPECT_EQ(CalibrationKinds(2, 3, 3, 3)[8], 8);
    EXPECT_EQ(CalibrationKinds(3, 2, 3, 3)[6], 6);
    EXPECT_EQ(CalibrationKinds(2, 2, 3, 3)[9], 9);
    // Odd rows, even columns: the centre is the left middle of image (midRow, midCol).
    EXPECT_EQ(CalibrationKinds(2, 3, 3, 4)[9], 7);
    // Even rows, odd columns: the top middle.
    EXPECT_EQ(CalibrationKinds(3, 2, 4, 3)[9], 5);

    // Every grid: each point comes from exactly one image.
    for (int rows = 1; rows <= 5; ++rows)
        for (int cols = 1; cols <= 5; ++cols) {
            int supplied[10] = {};
            for (int r = 1; r <= rows; ++r)
                for (int c = 1; c <= cols; ++c) {
                    const PointKinds kinds = CalibrationKinds(r, c, rows, cols);
                    for (int k = 1; k <= 9; ++k)
                        supplied[k] += kinds[k] != 0;
                }
            for (int k = 1; k <= 9; ++k)
                EXPECT_EQ(supplied[k], 1) << rows << " x " << cols << " point " << k;
        }
}

TEST(CapturePlan, KindPixels) {
    EXPECT_EQ(KindPixel(1, 511, 301), (PixelPos{0, 0}));
    EXPECT_EQ(KindPixel(2, 511, 301), (PixelPos{511, 0}));
    EXPECT_EQ(KindPixel(4, 511, 301), (PixelPos{511, 301}));
    EXPECT_EQ(KindPixel(9, 511, 301), (PixelPos{255, 150}));
    EXPECT_EQ(KindPixel(6, 511, 301), (PixelPos{255, 301}));
}

TEST(CapturePlan, OverviewAndProgressCells) {
    // 1 x 1: the cell is the snapshot.
    EXPECT_EQ(OverviewCell(0, 0, 1, 1, 512, 400, 10), (CellRect{0, 0, 512, 400}));
    EXPECT_EQ(OverviewArea(1, 1, 512, 400, 10), (CellRect{0, 0, 512, 400}));
    // 2 x 4 at 10 %: quarters of the snapshot, the area covers the top half only.
    EXPECT_EQ(OverviewCell(0, 0, 2, 4, 512, 400, 10), (CellRect{0, 0, 128, 100}));
    EXPECT_EQ(OverviewCell(1, 3, 2, 4, 512, 400, 10), (CellRect{345, 90, 473, 190}));
    EXPECT_EQ(OverviewArea(2, 4, 512, 400, 10), (CellRect{0, 0, 473, 190}));
    // 3 columns in 130 pixels: (130 - 9) div 3 = 40 wide, 43 apart; 2 rows 62 high.
    EXPECT_EQ(ProgressCell(1, 1, 2, 3, 130, 130), (CellRect{1, 1, 40, 62}));
    EXPECT_EQ(ProgressCell(2, 3, 2, 3, 130, 130), (CellRect{87, 66, 126, 127}));
}

TEST(EarthVersion, Acceptance) {
    struct Case {
        int major, minor, build, type;
        bool accepted;
    } cases[] = {
        {4, 0, 2415, 5, false}, {4, 0, 2416, 5, true}, {4, 1, 0, 5, true},  {5, 0, 0, 1, true},
        {3, 9, 9999, 5, false}, {5, 0, 0, 6, false},   {5, 0, 0, 7, false}, {5, 0, 0, -1, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(EarthVersionAccepted(c.major, c.minor, c.build, c.type), c.accepted)
            << c.major << "." << c.minor << "." << c.build << " type " << c.type;
    EXPECT_STREQ(EarthApplicationName(5), "Map view");
    EXPECT_STREQ(EarthApplicationName(9), "UNKNOWN");
}

}  // namespace
}  // namespace korvalen
