#include "earth/TileCapture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "TileFixture.h"
#include "earth/CapturePlan.h"
#include "earth/TileSource.h"
#include "geo/CalibrationWriter.h"
#include "images/JpegCodec.h"
#include "support/TestSupport.h"

namespace korvalen {
namespace {
namespace fs = std::filesystem;

struct Capture : testing::Test {
    test::TempDir temp;
    fs::path file = temp / "world.mbtiles";
    std::unique_ptr<TileMapView> view;
    CaptureJob job;
    Bitmap result;
    CalibPoints points;

    void SetUp() override {
        std::string error;
        ASSERT_TRUE(test::WriteWorldMbTiles(file, test::WorldArea{}, error)) << error;
        auto source = OpenTileSource(file.string(), error);
        ASSERT_TRUE(source) << error;
        view = std::make_unique<TileMapView>(std::move(source), 200, 160);
        // The middle of the tiles, away from their edges.
        const ViewExtents b = *view->Source().Bounds;
        const double dLon = b.East - b.West, dLat = b.North - b.South;
        job.Area = {b.North - dLat * 0.2, b.North - dLat * 0.7, b.West + dLon * 0.65,
                    b.West + dLon * 0.15};
        job.Rows = job.Cols = 3;
    }
    void Run() {
        std::string error;
        ASSERT_TRUE(RunTileCapture(*view, job, result, points, error)) << error;
    }
};

// The captured map equals one picture of the same area drawn at once, and its nine points
// sit on that picture's linear grid.
TEST_F(Capture, ThreeByThreeEqualsADirectRenderAndItsPointsAreExact) {
    Run();
    EXPECT_EQ(result.Width(), ResultPixels(200, 3, 10));
    EXPECT_EQ(result.Height(), ResultPixels(160, 3, 10));
    const tCalibPoint& p1 = points[1];
    const tCalibPoint& p4 = points[4];
    const double lonPx = (p4.Lon - p1.Lon) / p4.X;
    const double latPx = (p1.Lat - p4.Lat) / p4.Y;
    // The frame starts at the area's north-west corner and covers it.
    EXPECT_NEAR(p1.Lat, job.Area.North, 1e-9);
    EXPECT_NEAR(p1.Lon, job.Area.West, 1e-9);
    EXPECT_GE(p4.Lon, job.Area.East - lonPx);
    EXPECT_LE(p4.Lat, job.Area.South + latPx);
    EXPECT_NEAR(lonPx, view->Geometry().LonDegreesPerPixel(view->GetCamera(0).Range), 1e-12);
    for (int k = 1; k <= 9; ++k) {
        EXPECT_NEAR(points[k].Lon, p1.Lon + points[k].X * lonPx, lonPx * 1e-6) << k;
        EXPECT_NEAR(points[k].Lat, p1.Lat - points[k].Y * latPx, latPx * 1e-6) << k;
    }

    Bitmap direct(result.Width(), result.Height(), PixelFormat::Bits24);
    ASSERT_TRUE(view->RenderArea(p1.Lat, p1.Lon, latPx, lonPx, direct));
    int64_t differing = 0;
    for (int y = 0; y < result.Height(); ++y)
        for (int x = 0; x < result.Width(); ++x)
            differing += result.PixelAt(x, y) != direct.PixelAt(x, y);
    // Only float noise on tile pixel borders may differ.
    EXPECT_LE(differing, int64_t{result.Width()} * result.Height() / 1000) << differing;
}

TEST_F(Capture, EightBitCaptureKeepsItsFormat) {
    job.Rows = 1;
    job.Cols = 2;
    job.Format = PixelFormat::Bits8;
    Run();
    EXPECT_EQ(result.Format(), PixelFormat::Bits8);
    EXPECT_EQ(result.Width(), 200 + 180);
}

// The written calibration puts the corners where they belong, read back by GDAL.
TEST_F(Capture, CalibrationFilesReadBackByGdal) {
    if (!test::HaveProgram("gdalinfo"))
        GTEST_SKIP() << "gdalinfo not installed";
    Run();
    const fs::path image = temp / "capture.jpg";
    std::string error;
    ASSERT_TRUE(WriteJpegFile(image, result, 90, error)) << error;
    for (int format : {kOziExplorer, kMapInfo}) {
        SCOPED_TRACE(format);
        CalibrationState state;
        state.Points = points;
        fs::path written;
        ASSERT_TRUE(WriteCalibrationFile(result, image, format, state, written, error)) << error;
        std::string json;
        // GDAL finds a MapInfo table beside the image it opens.
        const fs::path opened = format == kOziExplorer ? written : image;
        ASSERT_EQ(test::RunCommand("gdalinfo -json '" + opened.string() + "' 2>/dev/null", &json),
                  0);
        // Corner coordinates as GDAL computes them from the file.
        auto corner = [&](const std::string& name, double& lon, double& lat) {
            const size_t at = json.find("\"" + name + "\"");
            ASSERT_NE(at, std::string::npos) << json.substr(0, 2000);
            const size_t open = json.find('[', at);
            lon = std::stod(json.substr(open + 1));
            lat = std::stod(json.substr(json.find(',', open) + 1));
        };
        const double lonPx = (points[4].Lon - points[1].Lon) / points[4].X;
        const double latPx = (points[1].Lat - points[4].Lat) / points[4].Y;
        double lon = 0, lat = 0;
        corner("upperLeft", lon, lat);
        EXPECT_NEAR(lon, points[1].Lon, lonPx);
        EXPECT_NEAR(lat, points[1].Lat, latPx);
        corner("lowerRight", lon, lat);
        EXPECT_NEAR(lon, points[4].Lon, lonPx);
        EXPECT_NEAR(lat, points[4].Lat, latPx);
    }
}

}  // namespace
}  // namespace korvalen
