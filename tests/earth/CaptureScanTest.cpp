#include "earth/CaptureScan.h"

#include <gtest/gtest.h>

#include "earth/CapturePlan.h"
#include "earth/ScriptedEarth.h"

namespace korvalen {
namespace {

struct Scan {
    ScriptedEarth earth;
    ScriptedCaptureHost host{earth};
    ScanRequest request;
    Bitmap result;
    CalibPoints points;
    ScanOutcome outcome;

    Scan(int rows, int cols, int overlap) {
        request.Rows = rows;
        request.Cols = cols;
        request.OverlapPercent = overlap;
        request.SettleMs = 0;
    }
    void Run() {
        std::string error;
        ASSERT_TRUE(PrepareResultMap(request, host.width, host.height, result, error)) << error;
        outcome = RunCaptureScan(earth, host, request, result, points);
    }
};

TEST(CaptureScan, OneByOneMovesNothingAndSuppliesAllNinePoints) {
    Scan s(1, 1, 10);
    const ViewExtents e = s.earth.GetViewExtents();
    s.Run();
    EXPECT_TRUE(s.outcome.Completed);
    EXPECT_TRUE(s.earth.cameraSets.empty());
    EXPECT_TRUE(s.host.streamingShown.empty());
    EXPECT_EQ(s.host.captures, 1);
    EXPECT_EQ(s.result.Width(), 64);
    EXPECT_EQ(s.result.Height(), 48);
    ASSERT_EQ(s.outcome.ScanImages.size(), 1u);
    EXPECT_EQ(s.outcome.ScanImages[0].X, 0);
    for (int k = 1; k <= 9; ++k) {
        EXPECT_EQ(s.points[k].State, kPointSet) << k;
        EXPECT_EQ((PixelPos{s.points[k].X, s.points[k].Y}), CalibPoints::FixedPixel(k, 64, 48));
    }
    EXPECT_DOUBLE_EQ(s.points[1].Lat, e.North);
    EXPECT_DOUBLE_EQ(s.points[1].Lon, e.West);
    EXPECT_DOUBLE_EQ(s.points[4].Lat, e.South);
    EXPECT_DOUBLE_EQ(s.points[4].Lon, e.East);
}

TEST(CaptureScan, TwoByTwoPutsTheCentreAtImageTwoTwo) {
    Scan s(2, 2, 10);
    s.Run();
    ASSERT_EQ(s.outcome.ScanImages.size(), 4u);
    const tScanImage last = s.outcome.ScanImages[3];
    EXPECT_EQ(last.X, 64 - 6);
    EXPECT_EQ(last.Y, 48 - 4);
    EXPECT_EQ(s.points[9].X, last.X);
    EXPECT_EQ(s.points[9].Y, last.Y);
    // The camera went east, then back west and one step south, then east.
    ASSERT_EQ(s.earth.cameraSets.size(), 3u);
    EXPECT_GT(s.earth.cameraSets[0].FocusPointLongitude, 11.0);
    EXPECT_DOUBLE_EQ(s.earth.cameraSets[1].FocusPointLongitude, 11.0);
    EXPECT_LT(s.earth.cameraSets[1].FocusPointLatitude, 47.0);
    for (const CameraInfo& c : s.earth.cameraSets) {
        EXPECT_EQ(c.Tilt, 0);
        EXPECT_EQ(c.Azimuth, 0);
    }
}

TEST(CaptureScan, NoOverlapPlacesImagesEdgeToEdge) {
    Scan s(3, 4, 0);
    s.Run();
    EXPECT_EQ(s.result.Width(), 4 * 64);
    EXPECT_EQ(s.result.Height(), 3 * 48);
    // Each image's colour fills exactly its own cell.
    for (int i = 0; i < 12; ++i) {
        const tScanImage im = s.outcome.ScanImages[static_cast<size_t>(i)];
        EXPECT_EQ(im.X, i % 4 * 64);
        EXPECT_EQ(im.Y, i / 4 * 48);
        const Rgb want = ScriptedCaptureHost::ColourFor({}, i);
        EXPECT_EQ(s.result.PixelAt(im.X, im.Y), want) << i;
        EXPECT_EQ(s.result.PixelAt(im.X + 63, im.Y + 47), want) << i;
    }
}

// The camera steps by exactly the pixels the images lie apart, so every point's
// coordinates agree with one linear map of the whole result.
TEST(CaptureScan, PointsLieOnOneLinearMapOfTheResult) {
    for (int overlap : {0, 10, 15, 50}) {
        Scan s(4, 5, overlap);
        const ViewExtents first = s.earth.GetViewExtents();
        s.Run();
        const double lonPerPx = (first.East - first.West) / 64;
        const double latPerPx = (first.North - first.South) / 48;
        for (int k = 1; k <= 9; ++k) {
            SCOPED_TRACE(testing::Message() << "overlap " << overlap << " point " << k);
            EXPECT_EQ(s.points[k].State, kPointSet);
            EXPECT_NEAR(s.points[k].Lon, first.West + s.points[k].X * lonPerPx, 1e-9);
            EXPECT_NEAR(s.points[k].Lat, first.North - s.points[k].Y * latPerPx, 1e-9);
        }
        EXPECT_EQ(s.points[4].X, s.result.Width());
        EXPECT_EQ(s.points[4].Y, s.result.Height());
    }
}

TEST(CaptureScan, ThreeByThreeEdgeMiddlesAndCentre) {
    Scan s(3, 3, 10);
    s.Run();
    const int step = 64 - 6, stepY = 48 - 4;
    EXPECT_EQ((PixelPos{s.points[5].X, s.points[5].Y}), (PixelPos{step + 32, 0}));
    EXPECT_EQ((PixelPos{s.points[7].X, s.points[7].Y}), (PixelPos{0, stepY + 24}));
    EXPECT_EQ((PixelPos{s.points[8].X, s.points[8].Y}), (PixelPos{2 * step + 64, stepY + 24}));
    EXPECT_EQ((PixelPos{s.points[6].X, s.points[6].Y}), (PixelPos{step + 32, 2 * stepY + 48}));
    EXPECT_EQ((PixelPos{s.points[9].X, s.points[9].Y}), (PixelPos{step + 32, stepY + 24}));
}

TEST(CaptureScan, BreakKeepsWhatWasCapturedAndThePointsReached) {
    Scan s(3, 3, 10);
    for (int k = 1; k <= 9; ++k)
        s.points[k].Lat = -1;  // an earlier capture's points
    s.host.cancelAfterCaptures = 2;
    s.Run();
    EXPECT_FALSE(s.outcome.Completed);
    EXPECT_EQ(s.host.captures, 2);
    EXPECT_EQ(s.outcome.ScanImages.size(), 2u);
    EXPECT_EQ(s.points[1].State, kPointSet);
    EXPECT_EQ(s.points[5].State, kPointSet);
    for (int k : {2, 3, 4, 6, 7, 8, 9}) {
        EXPECT_EQ(s.points[k].State, kPointEmpty) << k;
        EXPECT_EQ(s.points[k].Lat, -1) << k;
    }
    // The captured part stays in the result, the rest is untouched white.
    EXPECT_EQ(s.result.PixelAt(0, 0), ScriptedCaptureHost::ColourFor({}, 0));
    EXPECT_EQ(s.result.PixelAt(s.result.Width() - 1, s.result.Height() - 1), (Rgb{255, 255, 255}));
}

TEST(CaptureScan, WaitsUntilTheViewIsDrawnAndCanBeBroken) {
    Scan s(1, 2, 10);
    s.earth.streaming = {100, 10, 50, 99, 100};
    s.Run();
    EXPECT_TRUE(s.outcome.Completed);
    EXPECT_EQ(s.host.streamingShown, (std::vector<int>{10, 50, 99, 100, -1}));

    // A view that never finishes: "Break streaming" ends the wait, the scan goes on.
    Scan stuck(1, 2, 10);
    stuck.earth.streaming = std::deque<int>(100000, 42);
    stuck.host.breakStreamingAfterWaits = 10;
    stuck.Run();
    EXPECT_TRUE(stuck.outcome.Completed);
    EXPECT_EQ(stuck.host.captures, 2);
    EXPECT_LT(stuck.earth.streamingReads, 100);
}

TEST(CaptureScan, AGlobeThatFailsRaises) {
    Scan s(2, 2, 10);
    std::string error;
    ASSERT_TRUE(PrepareResultMap(s.request, 64, 48, s.result, error));
    s.earth.failingCalls = 1;
    EXPECT_THROW(RunCaptureScan(s.earth, s.host, s.request, s.result, s.points), EarthError);
}

TEST(CaptureScan, AMapTooLargeIsRefusedBeforeAllocating) {
    ScanRequest request;
    request.Rows = request.Cols = 100;
    Bitmap result;
    std::string error;
    EXPECT_FALSE(PrepareResultMap(request, 100000, 100000, result, error));
    EXPECT_NE(error.find("too large"), std::string::npos);
    EXPECT_TRUE(result.IsEmpty());
    EXPECT_FALSE(PrepareResultMap(request, 0, 10, result, error));
}

}  // namespace
}  // namespace korvalen
