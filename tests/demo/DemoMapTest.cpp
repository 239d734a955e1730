#include <gtest/gtest.h>
#include <QImage>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "demo/DemoMap.h"
#include "demo/DemoTiles.h"
#include "images/JpegCodec.h"
#include "support/TestSupport.h"

namespace korvalen {
namespace {

// Brightness of every pixel, for quick patch comparisons.
struct Grey {
    int width = 0;
    int height = 0;
    std::vector<int> values;
    int At(int x, int y) const { return values[static_cast<size_t>(y) * width + x]; }
};

Grey GreyOf(const QImage& image) {
    Grey grey{image.width(), image.height(), {}};
    grey.values.reserve(static_cast<size_t>(image.width()) * image.height());
    for (int y = 0; y < image.height(); ++y) {
        const uchar* row = image.constScanLine(y);
        for (int x = 0; x < image.width(); ++x)
            grey.values.push_back(row[3 * x] + 2 * row[3 * x + 1] + row[3 * x + 2]);
    }
    return grey;
}

Grey GreyOf(const Bitmap& bitmap) {
    Grey grey{bitmap.Width(), bitmap.Height(), {}};
    for (int y = 0; y < bitmap.Height(); ++y) {
        const uint8_t* row = bitmap.Row(y);
        for (int x = 0; x < bitmap.Width(); ++x)
            grey.values.push_back(row[3 * x + 2] + 2 * row[3 * x + 1] + row[3 * x]);
    }
    return grey;
}

// Mean absolute difference of the 50 x 50 patch of a at (ax, ay) and of b at (bx, by).
double PatchDifference(const Grey& a, int ax, int ay, const Grey& b, int bx, int by) {
    constexpr int kSide = 50;
    long sum = 0;
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x)
            sum += std::abs(a.At(ax + x, ay + y) - b.At(bx + x, by + y));
    return static_cast<double>(sum) / (kSide * kSide);
}

// One picture for the tests that only read it: drawing is the slow part.
class DemoPicture : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        layout_ = new DemoLayout;
        layout_->tileWidth = 320;
        layout_->tileHeight = 240;
        layout_->overlapX = 90;
        layout_->overlapY = 70;
        layout_->shiftSeed = 5;
        const QSize size = DemoPictureSize(*layout_);
        picture_ = new QImage(DrawDemoMap(size.width(), size.height(), 11));
    }
    static void TearDownTestSuite() {
        delete picture_;
        delete layout_;
    }
    static DemoLayout* layout_;
    static QImage* picture_;
};
DemoLayout* DemoPicture::layout_ = nullptr;
QImage* DemoPicture::picture_ = nullptr;

TEST(DemoMap, SameSeedGivesSamePictureOtherSeedAnother) {
    const QImage first = DrawDemoMap(300, 220, 7);
    ASSERT_FALSE(first.isNull());
    EXPECT_EQ(first.format(), QImage::Format_RGB888);
    EXPECT_EQ(first.size(), QSize(300, 220));
    EXPECT_TRUE(first == DrawDemoMap(300, 220, 7));

    const QImage other = DrawDemoMap(300, 220, 8);
    int differing = 0;
    for (int y = 0; y < 220; ++y)
        for (int x = 0; x < 300; ++x)
            differing += first.pixel(x, y) != other.pixel(x, y);
    EXPECT_GT(differing, 300 * 220 / 2);
}

TEST(DemoMap, RefusesSizesOutOfRangeAndDrawsTinyOnes) {
    EXPECT_TRUE(DrawDemoMap(0, 100, 1).isNull());
    EXPECT_TRUE(DrawDemoMap(100, -5, 1).isNull());
    EXPECT_TRUE(DrawDemoMap(kDemoMapMinSide - 1, 100, 1).isNull());
    EXPECT_TRUE(DrawDemoMap(kDemoMapMaxSide + 1, 100, 1).isNull());
    EXPECT_TRUE(DrawDemoMap(kDemoMapMaxSide, kDemoMapMaxSide, 1).isNull());  // too many pixels
    EXPECT_EQ(DrawDemoMap(kDemoMapMinSide, kDemoMapMinSide, 1).size(), QSize(16, 16));
    EXPECT_EQ(DrawDemoMap(16, 400, 3).size(), QSize(16, 400));
}

TEST_F(DemoPicture, EveryPatchDiffersFromItsShiftedSelf) {
    // A flat or repeating area would let a shifted patch match nearly as well as the true one.
    const Grey grey = GreyOf(*picture_);
    double weakest = std::numeric_limits<double>::max();
    for (int y = 10; y + 60 <= grey.height; y += 41) {
        for (int x = 10; x + 60 <= grey.width; x += 41) {
            for (int s = 1; s <= 10; ++s) {
                for (auto [dx, dy] : {std::pair{s, 0}, {0, s}, {s, s}}) {
                    weakest = std::min(weakest, PatchDifference(grey, x, y, grey, x + dx, y + dy));
                }
            }
        }
    }
    EXPECT_GT(weakest, 3.0);  // on a scale of 0 to 1020; a flat patch scores about 0
}

TEST(DemoTiles, NamesHaveRowLetterAndColumnDigit) {
    EXPECT_EQ(DemoTileName(0, 0), "a1");
    EXPECT_EQ(DemoTileName(2, 2), "c3");
    EXPECT_EQ(DemoTileName(1, 8), "b9");
    EXPECT_EQ(DemoTileName(25, 14), "zf");  // columns beyond 9 go on in hexadecimal
}

TEST(DemoTiles, LayoutChecksRefuseUnjoinableOrHugeSets) {
    std::string error;
    EXPECT_TRUE(CheckDemoLayout(DemoLayout{}, error)) << error;
    auto refused = [](auto change) {
        DemoLayout layout;
        change(layout);
        std::string message;
        return !CheckDemoLayout(layout, message) && !message.empty();
    };
    EXPECT_TRUE(refused([](DemoLayout& l) { l.rows = 0; }));
    EXPECT_TRUE(refused([](DemoLayout& l) { l.rows = kDemoMaxRows + 1; }));
    EXPECT_TRUE(refused([](DemoLayout& l) { l.cols = kDemoMaxCols + 1; }));
    EXPECT_TRUE(refused([](DemoLayout& l) { l.tileWidth = kDemoMinTileSide - 1; }));
    EXPECT_TRUE(refused([](DemoLayout& l) { l.tileHeight = kDemoMaxTileSide + 1; }));
    EXPECT_TRUE(refused([](DemoLayout& l) { l.overlapX = 12; }));   // shifts could undo it
    EXPECT_TRUE(refused([](DemoLayout& l) { l.overlapY = 241; }));  // beyond half a tile
    EXPECT_TRUE(refused([](DemoLayout& l) { l.maxShift = -1; }));
    EXPECT_TRUE(refused([](DemoLayout& l) {
        l.rows = l.cols = 15;
        l.tileWidth = l.tileHeight = 4000;
    }));
    EXPECT_FALSE(refused([](DemoLayout& l) { l.overlapX = 13; }));
    EXPECT_FALSE(refused([](DemoLayout& l) { l.overlapY = 240; }));
}

TEST_F(DemoPicture, TilesAreCutAtTheirTrueOffsets) {
    std::vector<DemoTile> tiles;
    std::string error;
    ASSERT_TRUE(CutDemoTiles(*picture_, *layout_, tiles, error)) << error;
    ASSERT_EQ(tiles.size(), 9u);
    EXPECT_EQ(tiles[0].name, "a1");
    EXPECT_EQ(tiles[5].name, "b3");
    EXPECT_EQ(tiles[8].name, "c3");
    for (const DemoTile& tile : tiles) {
        ASSERT_EQ(tile.bitmap.Width(), 320);
        ASSERT_EQ(tile.bitmap.Height(), 240);
        ASSERT_EQ(tile.bitmap.Format(), PixelFormat::Bits24);
        EXPECT_EQ(tile.name, DemoTileName(tile.row, tile.col));
        for (int y = 0; y < 240; ++y) {
            const uchar* from = picture_->constScanLine(tile.y + y) + 3 * tile.x;
            const uint8_t* row = tile.bitmap.Row(y);
            for (int x = 0; x < 320; ++x) {
                // Bitmap rows are blue, green, red; the picture's red, green, blue.
                ASSERT_EQ(row[3 * x], from[3 * x + 2]) << tile.name << " at " << x << ", " << y;
                ASSERT_EQ(row[3 * x + 1], from[3 * x + 1]);
                ASSERT_EQ(row[3 * x + 2], from[3 * x]);
            }
        }
    }
}

TEST_F(DemoPicture, NeighboursOverlapByAboutThePlannedAmountWithIrregularShifts) {
    std::vector<DemoTile> tiles;
    std::string error;
    ASSERT_TRUE(CutDemoTiles(*picture_, *layout_, tiles, error)) << error;
    const int slack = 2 * layout_->maxShift;
    std::map<int, int> horizontalOverlaps;
    for (const DemoTile& tile : tiles) {
        if (tile.col > 0) {
            const DemoTile& left = tiles[static_cast<size_t>(tile.row * 3 + tile.col - 1)];
            const int overlap = left.x + 320 - tile.x;
            EXPECT_NEAR(overlap, layout_->overlapX, slack) << tile.name;
            EXPECT_NEAR(tile.y, left.y, slack) << tile.name;
            ++horizontalOverlaps[overlap];
        }
        if (tile.row > 0) {
            const DemoTile& above = tiles[static_cast<size_t>((tile.row - 1) * 3 + tile.col)];
            EXPECT_NEAR(above.y + 240 - tile.y, layout_->overlapY, slack) << tile.name;
            EXPECT_NEAR(tile.x, above.x, slack) << tile.name;
        }
    }
    // Hand-made screenshots never line up exactly: the overlaps differ from join to join.
    EXPECT_GT(horizontalOverlaps.size(), 2u);

    std::vector<DemoTile> again;
    ASSERT_TRUE(CutDemoTiles(*picture_, *layout_, again, error));
    for (size_t i = 0; i < tiles.size(); ++i) {
        EXPECT_EQ(again[i].x, tiles[i].x);
        EXPECT_EQ(again[i].y, tiles[i].y);
    }

    DemoLayout straight = *layout_;
    straight.maxShift = 0;
    ASSERT_TRUE(CutDemoTiles(*picture_, straight, again, error)) << error;
    EXPECT_EQ(again[4].x, 320 - 90);
    EXPECT_EQ(again[4].y, 240 - 70);
}

TEST_F(DemoPicture, OverlapPatchMatchesItsNeighbourOnlyAtTheTruePlace) {
    // What a join does: a 50 x 50 band from the new tile's overlap, searched for in the
    // neighbour around the expected place. It must fit clearly best at the true offset.
    std::vector<DemoTile> tiles;
    std::string error;
    ASSERT_TRUE(CutDemoTiles(*picture_, *layout_, tiles, error)) << error;
    std::vector<Grey> grey;
    for (const DemoTile& tile : tiles)
        grey.push_back(GreyOf(tile.bitmap));
    auto check = [&](size_t fresh, size_t neighbour, int bandX, int bandY) {
        const int trueX = tiles[fresh].x - tiles[neighbour].x + bandX;
        const int trueY = tiles[fresh].y - tiles[neighbour].y + bandY;
        double best = std::numeric_limits<double>::max();
        double runnerUp = best;  // best more than a pixel away from the true place
        int bestX = 0, bestY = 0;
        for (int dy = -12; dy <= 12; ++dy) {
            for (int dx = -12; dx <= 12; ++dx) {
                const int x = trueX + dx, y = trueY + dy;
                if (x < 0 || y < 0 || x + 50 > 320 || y + 50 > 240)
                    continue;
                const double d = PatchDifference(grey[fresh], bandX, bandY, grey[neighbour], x, y);
                if (d < best) {
                    best = d;
                    bestX = x;
                    bestY = y;
                }
                if (std::max(std::abs(dx), std::abs(dy)) > 1)
                    runnerUp = std::min(runnerUp, d);
            }
        }
        EXPECT_EQ(bestX, trueX) << tiles[fresh].name << " against " << tiles[neighbour].name;
        EXPECT_EQ(bestY, trueY) << tiles[fresh].name << " against " << tiles[neighbour].name;
        EXPECT_EQ(best, 0.0);
        EXPECT_GT(runnerUp, 8.0) << tiles[fresh].name;
    };
    for (size_t i = 1; i < 3; ++i)
        check(i, i - 1, 20, 95);  // row 1: each tile against its left neighbour
    for (size_t i = 3; i < 9; ++i)
        check(i, i - 3, 135, 10);  // later rows: against the tile above
}

TEST(DemoTiles, CutRefusesTooSmallPictureAndBadLayout) {
    DemoLayout layout;
    layout.rows = 2;
    layout.cols = 2;
    layout.tileWidth = 100;
    layout.tileHeight = 80;
    layout.overlapX = layout.overlapY = 30;
    const QSize size = DemoPictureSize(layout);
    EXPECT_EQ(size, QSize(2 * 100 - 30 + 12, 2 * 80 - 30 + 12));
    std::vector<DemoTile> tiles(1);
    std::string error;
    const QImage small(size.width() - 1, size.height(), QImage::Format_RGB888);
    EXPECT_FALSE(CutDemoTiles(small, layout, tiles, error));
    EXPECT_NE(error.find("need"), std::string::npos) << error;
    EXPECT_EQ(tiles.size(), 1u);  // left as it was

    layout.overlapX = 60;  // more than half a tile
    const QImage enough(500, 500, QImage::Format_RGB888);
    EXPECT_FALSE(CutDemoTiles(enough, layout, tiles, error));
}

// Reads the tile lines of offsets.txt: name, x, y, x and y relative to a1.
std::map<std::string, std::vector<int>> ReadOffsets(const std::filesystem::path& path) {
    std::map<std::string, std::vector<int>> offsets;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream fields(line);
        std::string name;
        std::vector<int> numbers(4);
        fields >> name >> numbers[0] >> numbers[1] >> numbers[2] >> numbers[3];
        if (fields)
            offsets[name] = numbers;
    }
    return offsets;
}

TEST(DemoSet, WritesTilesOffsetsAndWholePictureThatReadBack) {
    test::TempDir dir;
    DemoSetOptions options;
    options.layout.rows = 2;
    options.layout.cols = 2;
    options.layout.tileWidth = 200;
    options.layout.tileHeight = 150;
    options.layout.overlapX = options.layout.overlapY = 50;
    options.seed = 4;
    options.quality = 95;
    options.writeWhole = true;
    const std::filesystem::path folder = dir / "new/demo";
    std::vector<DemoTile> tiles;
    std::string error;
    ASSERT_TRUE(WriteDemoSet(folder, options, tiles, error)) << error;
    ASSERT_EQ(tiles.size(), 4u);

    const auto offsets = ReadOffsets(folder / "offsets.txt");
    ASSERT_EQ(offsets.size(), 4u);
    for (const DemoTile& tile : tiles) {
        ASSERT_EQ(offsets.count(tile.name), 1u) << tile.name;
        const std::vector<int>& o = offsets.at(tile.name);
        EXPECT_EQ(o[0], tile.x);
        EXPECT_EQ(o[1], tile.y);
        EXPECT_EQ(o[2], tile.x - tiles[0].x);
        EXPECT_EQ(o[3], tile.y - tiles[0].y);

        Bitmap read;
        ASSERT_TRUE(ReadJpegFile(folder / (tile.name + ".jpg"), read, error)) << error;
        ASSERT_EQ(read.Width(), 200);
        ASSERT_EQ(read.Height(), 150);
        const Grey written = GreyOf(tile.bitmap);
        const Grey back = GreyOf(read);
        EXPECT_LT(PatchDifference(written, 75, 50, back, 75, 50), 12.0);  // JPEG loss only
    }
    Bitmap whole;
    ASSERT_TRUE(ReadJpegFile(folder / "whole.jpg", whole, error)) << error;
    EXPECT_EQ(QSize(whole.Width(), whole.Height()), DemoPictureSize(options.layout));
}

TEST(DemoSet, RefusesBadQualityAndUnusableFolder) {
    test::TempDir dir;
    DemoSetOptions options;
    options.layout.rows = options.layout.cols = 1;
    options.layout.tileWidth = options.layout.tileHeight = 64;
    options.layout.overlapX = options.layout.overlapY = 20;
    std::vector<DemoTile> tiles;
    std::string error;
    options.quality = 0;
    EXPECT_FALSE(WriteDemoSet(dir.Path(), options, tiles, error));
    EXPECT_NE(error.find("quality"), std::string::npos);

    options.quality = 90;
    test::WriteBytes(dir / "file", {1, 2, 3});
    EXPECT_FALSE(WriteDemoSet(dir / "file", options, tiles, error));
    EXPECT_NE(error.find("folder"), std::string::npos) << error;
    EXPECT_TRUE(tiles.empty());
    EXPECT_EQ(test::ReadBytes(dir / "file").size(), 3u);
}

TEST(DemoSet, CommittedDemoTilesAgreeWithTheirOffsets) {
    // The demo/ folder of the repository: every tile listed, and neighbours showing the same
    // map where offsets.txt says they overlap.
    const std::filesystem::path demo = std::filesystem::path(KORVALEN_DEMO_DIR);
    const auto offsets = ReadOffsets(demo / "offsets.txt");
    ASSERT_EQ(offsets.size(), 9u) << demo;
    std::map<std::string, Grey> tiles;
    for (const auto& [name, o] : offsets) {
        Bitmap bitmap;
        std::string error;
        ASSERT_TRUE(ReadJpegFile(demo / (name + ".jpg"), bitmap, error)) << error;
        tiles[name] = GreyOf(bitmap);
    }
    auto agree = [&](const std::string& fresh, const std::string& neighbour, int bandX, int bandY) {
        const int trueX = offsets.at(fresh)[0] - offsets.at(neighbour)[0] + bandX;
        const int trueY = offsets.at(fresh)[1] - offsets.at(neighbour)[1] + bandY;
        const double atTruth =
            PatchDifference(tiles[fresh], bandX, bandY, tiles[neighbour], trueX, trueY);
        double elsewhere = std::numeric_limits<double>::max();  // more than a pixel off
        for (int dy = -4; dy <= 4; ++dy)
            for (int dx = -4; dx <= 4; ++dx)
                if (std::max(std::abs(dx), std::abs(dy)) > 1)
                    elsewhere = std::min(
                        elsewhere, PatchDifference(tiles[fresh], bandX, bandY, tiles[neighbour],
                                                   trueX + dx, trueY + dy));
        EXPECT_LT(atTruth, 30.0) << fresh << " on " << neighbour;  // JPEG loss only
        EXPECT_GT(elsewhere, 1.5 * atTruth) << fresh << " on " << neighbour;
    };
    agree("a2", "a1", 30, 200);
    agree("a3", "a2", 30, 200);
    for (const char* column : {"1", "2", "3"}) {
        agree(std::string("b") + column, std::string("a") + column, 300, 30);
        agree(std::string("c") + column, std::string("b") + column, 300, 30);
    }
}

}  // namespace
}  // namespace korvalen
