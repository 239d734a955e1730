// From a root placemark file to a joined, calibrated map: the grid is grown, the demo takes
// the screenshots at its placemarks, the pattern is loaded and joined with default settings,
// and every image must land where it was taken.
#include <gtest/gtest.h>

#include <cmath>

#include "core/Settings.h"
#include "demo/DemoPattern.h"
#include "geo/KmlPlacemarks.h"
#include "geo/PatternCorners.h"
#include "geo/PlacemarkGrid.h"
#include "images/GridPattern.h"
#include "images/GridPatternImages.h"
#include "images/MapMatrix.h"
#include "joining/UnattendedJoin.h"
#include "support/TestSupport.h"

namespace korvalen {
namespace {

struct Case {
    int rows, cols, percent, width, height;
    uint32_t seed;
};

class PatternEndToEnd : public testing::TestWithParam<Case> {};

TEST_P(PatternEndToEnd, EveryImageLandsWhereItWasTaken) {
    const Case c = GetParam();
    test::TempDir dir;
    std::string error;
    DemoPatternOptions options;
    options.rows = c.rows;
    options.cols = c.cols;
    options.overlapping = c.percent;
    options.view = QSize(c.width, c.height);
    options.seed = c.seed;
    ASSERT_TRUE(WriteDemoPatternRoot(dir.Path(), options, error)) << error;

    // The grid, as korvalen-cli grid and the form write it.
    RootPlacemarkFile root;
    ASSERT_TRUE(LoadRootPlacemarkFile(dir / "root.kml", root, error)) << error;
    const DemoGrowth growth = DemoGrowthOf(options);
    const GridRequest request{growth.top,   growth.bottom, growth.left,
                              growth.right, c.percent,     true};
    const PlacemarkGrid grid = GrowPlacemarkGrid(root.View, request);
    ASSERT_TRUE(WritePlacemarkGrid(
        dir / "root_grid.kml", dir / "root.pgp",
        GridKmlLines(root.File.Lines, "root", grid, root.File.EyeAltitude), grid.Pattern, error))
        << error;
    DemoPatternCut cut;
    ASSERT_TRUE(CutDemoPattern(dir.Path(), dir / "root_grid.kml", dir / "root.pgp", 90, cut, error))
        << error;
    ASSERT_EQ(static_cast<int>(cut.shots.size()), c.rows * c.cols);

    // "Load grid_pattern" and the join with default settings.
    const PatternReading reading = ReadGridPattern(dir / "root.pgp");
    ASSERT_EQ(reading.Status, PatternStatus::Ok);
    ASSERT_TRUE(reading.CornersComplete);
    PatternImageFiles files;
    ASSERT_TRUE(FindPatternImages(dir.Path(), c.rows, c.cols, files, error)) << error;
    ASSERT_FALSE(files.Missing);
    const Settings settings;
    MapMatrix matrix;
    ASSERT_TRUE(LoadPatternMatrix(matrix, c.rows, c.cols, files, settings.singleMaps8bit, error))
        << error;
    GridJoinValues values;
    values.GridOverlapFactor = static_cast<float>(reading.Pattern.Overlapping) / 100.0f;
    const UnattendedJoinReport report = JoinPatternUnattended(matrix, settings, values);
    ASSERT_TRUE(report.complete) << report.failedRow << ", " << report.failedCol;

    int wrong = 0;
    for (const DemoShot& shot : cut.shots) {
        const tSingleMap& cell = *matrix.Cell(shot.number - 1);
        const int x = shot.x - cut.shots[0].x, y = shot.y - cut.shots[0].y;
        if (cell.X != x || cell.Y != y) {
            ++wrong;
            ADD_FAILURE() << "image " << shot.number << " at " << cell.X << ", " << cell.Y
                          << " instead of " << x << ", " << y;
        }
    }
    EXPECT_EQ(wrong, 0);

    // The corners the calibration uses lie within a pixel of the marks drawn.
    std::array<CornerPixel, 4> pixels{};
    ASSERT_TRUE(CornerPixelsInResult(matrix, c.percent, pixels, error)) << error;
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_NEAR(pixels[i].X, cut.marks[i][0] - cut.shots[0].x, 1.0) << "P" << i + 1;
        EXPECT_NEAR(pixels[i].Y, cut.marks[i][1] - cut.shots[0].y, 1.0) << "P" << i + 1;
    }
}

INSTANTIATE_TEST_SUITE_P(Grids, PatternEndToEnd,
                         testing::Values(Case{3, 3, 10, 512, 384, 3}, Case{4, 5, 25, 512, 384, 5},
                                         Case{10, 10, 15, 320, 240, 7}),
                         [](const testing::TestParamInfo<Case>& info) {
                             return std::to_string(info.param.rows) + "x" +
                                    std::to_string(info.param.cols) + "at" +
                                    std::to_string(info.param.percent);
                         });

}  // namespace
}  // namespace korvalen
