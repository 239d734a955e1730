// Sets made by the demo map maker, saved as a user's files would be and joined through the
// driver with the default settings and no overlap given: every map must land exactly.
#include <gtest/gtest.h>

#include <QPainter>
#include <string>
#include <vector>

#include "demo/DemoMap.h"
#include "demo/DemoTiles.h"
#include "images/BmpCodec.h"
#include "images/JpegCodec.h"
#include "images/MapFiles.h"
#include "images/MapMatrix.h"
#include "joining/UnattendedJoin.h"
#include "support/TestSupport.h"

namespace korvalen {
namespace {

struct DemoCase {
    int overlap;
    uint32_t seed;
    bool blankFirstOverlap;  // the overlap of a1 and a2 is paper but for one small drawing
};

std::string Describe(const DemoCase& c) {
    return "overlap " + std::to_string(c.overlap) + " seed " + std::to_string(c.seed) +
           (c.blankFirstOverlap ? " blank" : "");
}

// 2 x 2 tiles, shifted by up to 10 pixels, so that both joining directions are met.
DemoLayout LayoutFor(const DemoCase& c) {
    DemoLayout layout;
    layout.rows = 2;
    layout.cols = 2;
    layout.tileWidth = 420;
    layout.tileHeight = 420;
    layout.overlapX = layout.overlapY = c.overlap;
    layout.maxShift = 10;
    layout.shiftSeed = c.seed;
    return layout;
}

std::vector<DemoTile> MakeTiles(const DemoCase& c) {
    const DemoLayout layout = LayoutFor(c);
    const QSize size = DemoPictureSize(layout);
    QImage picture = DrawDemoMap(size.width(), size.height(), c.seed);
    if (c.blankFirstOverlap) {
        // Paper over the band of the first join, leaving a 40 x 40 piece of map low down.
        const int x0 = layout.tileWidth - c.overlap - 20 + layout.maxShift;
        const QRect overlap(x0, 0, c.overlap + 40, size.height());
        QPainter painter(&picture);
        const QImage keep = picture.copy(x0 + c.overlap / 2 - 20, 300, 40, 40);
        painter.fillRect(overlap, QColor(246, 242, 232));
        painter.drawImage(x0 + c.overlap / 2 - 20, 300, keep);
    }
    std::vector<DemoTile> tiles;
    std::string error;
    EXPECT_TRUE(CutDemoTiles(picture, layout, tiles, error)) << error;
    return tiles;
}

class DemoJoinTest : public ::testing::TestWithParam<DemoCase> {
protected:
    // Writes the tiles as JPEG (quality 75) or BMP files and loads them as "Load all maps"
    // does with the default settings; joins them with the default settings.
    void JoinFromFiles(bool jpeg) {
        const std::vector<DemoTile> tiles = MakeTiles(GetParam());
        ASSERT_EQ(tiles.size(), 4u);
        const Settings defaults;
        MapMatrix matrix;
        ASSERT_TRUE(matrix.NewMatrix(2, 2));
        for (const DemoTile& tile : tiles) {
            const std::filesystem::path path = dir / (tile.name + (jpeg ? ".jpg" : ".bmp"));
            std::string error;
            ASSERT_TRUE(jpeg ? WriteJpegFile(path, tile.bitmap, 75, error)
                             : WriteBmpFile(path, tile.bitmap, error))
                << error;
            tSingleMap& cell = *matrix.At(tile.row + 1, tile.col + 1);
            cell.Name = tile.name;
            cell.Bitmap = std::make_unique<Bitmap>();
            ASSERT_TRUE(LoadMapFile(path, *cell.Bitmap, defaults.singleMaps8bit, error)) << error;
        }
        const UnattendedJoinReport report = JoinUnattended(matrix, defaults);
        ASSERT_TRUE(report.complete)
            << "stopped at (" << report.failedRow << ", " << report.failedCol << "): best "
            << report.bestCorrelation << " %";
        const DemoTile& anchor = tiles[0];
        for (const DemoTile& tile : tiles) {
            SCOPED_TRACE(tile.name);
            const tSingleMap& cell = *matrix.At(tile.row + 1, tile.col + 1);
            EXPECT_EQ(cell.X, tile.x - anchor.x);
            EXPECT_EQ(cell.Y, tile.y - anchor.y);
        }
        // Over paper the band goes to the one drawing, away from its fixed place.
        if (GetParam().blankFirstOverlap)
            EXPECT_TRUE(report.joins.at(0).bandMoved);
        for (const JoinNote& note : report.joins) {
            SCOPED_TRACE(::testing::Message() << "join " << note.row << "," << note.col);
            EXPECT_TRUE(note.estimateTaken) << note.estimateScore << " " << note.estimateMargin;
            EXPECT_FALSE(note.uncertain) << note.correlation << " " << note.runnerUpCorrelation;
        }
    }

    test::TempDir dir;
};

TEST_P(DemoJoinTest, JpegMapsLandExactlyWithTheDefaultSettings) {
    JoinFromFiles(true);
}

TEST_P(DemoJoinTest, LosslessMapsLandExactlyWithTheDefaultSettings) {
    JoinFromFiles(false);
}

INSTANTIATE_TEST_SUITE_P(Sets, DemoJoinTest,
                         ::testing::Values(DemoCase{60, 1, false}, DemoCase{60, 2, false},
                                           DemoCase{60, 3, false}, DemoCase{100, 1, false},
                                           DemoCase{100, 2, false}, DemoCase{100, 3, false},
                                           DemoCase{200, 1, false}, DemoCase{200, 2, false},
                                           DemoCase{200, 3, false}, DemoCase{100, 4, true}),
                         [](const ::testing::TestParamInfo<DemoCase>& info) {
                             std::string name = Describe(info.param);
                             for (char& ch : name)
                                 if (ch == ' ')
                                     ch = '_';
                             return name;
                         });

}  // namespace
}  // namespace korvalen
