#include "images/MapMatrix.h"

#include <gtest/gtest.h>

namespace korvalen {
namespace {

TEST(MapMatrixTest, NewMatrixHoldsFreshCellsRowByRow) {
    MapMatrix matrix;
    ASSERT_TRUE(matrix.NewMatrix(2, 3));
    EXPECT_EQ(matrix.Rows(), 2);
    EXPECT_EQ(matrix.Cols(), 3);
    ASSERT_EQ(matrix.Size(), 6u);
    const int expected[6][2] = {{1, 1}, {1, 2}, {1, 3}, {2, 1}, {2, 2}, {2, 3}};
    int i = 0;
    for (const tSingleMap& cell : matrix) {
        EXPECT_EQ(cell.Row, expected[i][0]) << "cell " << i;
        EXPECT_EQ(cell.Col, expected[i][1]) << "cell " << i;
        EXPECT_EQ(cell.X, 0);
        EXPECT_EQ(cell.Y, 0);
        EXPECT_EQ(cell.Bitmap, nullptr);
        EXPECT_TRUE(cell.FilePath.empty());
        EXPECT_TRUE(cell.Name.empty());
        EXPECT_EQ(cell.Correlation, -1);
        EXPECT_EQ(cell.CellRect, Rect{});
        EXPECT_FALSE(cell.Joined || cell.IsNeighbour || cell.IsJoining);
        ++i;
    }
}

TEST(MapMatrixTest, NewMatrixDiscardsEverythingOfTheOldOne) {
    MapMatrix matrix;
    ASSERT_TRUE(matrix.NewMatrix(1, 1));
    matrix.Cell(0)->Bitmap = std::make_unique<Bitmap>(4, 4, PixelFormat::Bits24);
    matrix.Cell(0)->Name = "a1";
    matrix.Cell(0)->Joined = true;
    ASSERT_TRUE(matrix.NewMatrix(1, 2));
    EXPECT_EQ(matrix.Cell(0)->Bitmap, nullptr);
    EXPECT_TRUE(matrix.Cell(0)->Name.empty());
    EXPECT_FALSE(matrix.Cell(0)->Joined);
}

TEST(MapMatrixTest, ZeroOrHugeCountsLeaveTheMatrixAsItWas) {
    MapMatrix matrix;
    ASSERT_TRUE(matrix.NewMatrix(3, 4));
    matrix.At(2, 2)->Name = "kept";
    EXPECT_FALSE(matrix.NewMatrix(0, 5));
    EXPECT_FALSE(matrix.NewMatrix(5, 0));
    EXPECT_FALSE(matrix.NewMatrix(-1, 5));
    EXPECT_FALSE(matrix.NewMatrix(65535, 65535));
    EXPECT_FALSE(matrix.NewMatrix(70000, 1));
    EXPECT_EQ(matrix.Rows(), 3);
    EXPECT_EQ(matrix.Cols(), 4);
    EXPECT_EQ(matrix.At(2, 2)->Name, "kept");
}

TEST(MapMatrixTest, CellIndexIsMinusOneOutsideTheMatrix) {
    MapMatrix matrix;
    EXPECT_EQ(matrix.CellIndex(1, 1), -1);  // no matrix yet
    ASSERT_TRUE(matrix.NewMatrix(3, 4));
    EXPECT_EQ(matrix.CellIndex(1, 1), 0);
    EXPECT_EQ(matrix.CellIndex(1, 4), 3);
    EXPECT_EQ(matrix.CellIndex(2, 1), 4);
    EXPECT_EQ(matrix.CellIndex(3, 4), 11);
    for (auto [r, c] : {std::pair{0, 1}, {1, 0}, {4, 1}, {1, 5}, {-1, 1}, {1, -1}, {0, 0}})
        EXPECT_EQ(matrix.CellIndex(r, c), -1) << r << ", " << c;
    EXPECT_EQ(matrix.At(4, 1), nullptr);
    EXPECT_EQ(matrix.Cell(12), nullptr);
    EXPECT_EQ(matrix.Cell(-1), nullptr);
    const tSingleMap* cell = matrix.At(3, 2);
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->Row, 3);
    EXPECT_EQ(cell->Col, 2);
}

TEST(MapMatrixTest, JoiningNeedsAFileAndABitmapInEveryCell) {
    MapMatrix matrix;
    EXPECT_FALSE(matrix.AllCellsHaveMaps());  // an empty list has nothing to join
    ASSERT_TRUE(matrix.NewMatrix(1, 2));
    for (tSingleMap& cell : matrix) {
        cell.FilePath = "m.bmp";
        cell.Bitmap = std::make_unique<Bitmap>(2, 2, PixelFormat::Bits8);
    }
    EXPECT_TRUE(matrix.AllCellsHaveMaps());
    matrix.At(1, 2)->Bitmap.reset();
    EXPECT_FALSE(matrix.AllCellsHaveMaps());
    matrix.At(1, 2)->Bitmap = std::make_unique<Bitmap>(2, 2, PixelFormat::Bits8);
    matrix.At(1, 1)->FilePath.clear();
    EXPECT_FALSE(matrix.AllCellsHaveMaps());
}

TEST(MapMatrixTest, LayoutLeavesGapsOfThreeAndHitsTheCellUnderThePoint) {
    MapMatrix matrix;
    ASSERT_TRUE(matrix.NewMatrix(2, 3));
    EXPECT_EQ(matrix.CellAtPoint(0, 0), nullptr);  // nothing laid out yet
    matrix.LayoutCells(309, 206);  // w = (309 - 9) / 3 = 100, h = (206 - 6) / 2 = 100
    EXPECT_EQ(matrix.At(1, 1)->CellRect, (Rect{1, 1, 100, 100}));
    EXPECT_EQ(matrix.At(1, 2)->CellRect, (Rect{104, 1, 203, 100}));
    EXPECT_EQ(matrix.At(2, 3)->CellRect, (Rect{207, 104, 306, 203}));

    EXPECT_EQ(matrix.CellAtPoint(1, 1), matrix.At(1, 1));
    EXPECT_EQ(matrix.CellAtPoint(100, 100), matrix.At(1, 1));
    EXPECT_EQ(matrix.CellAtPoint(101, 50), nullptr);  // in the gap
    EXPECT_EQ(matrix.CellAtPoint(104, 50), matrix.At(1, 2));
    EXPECT_EQ(matrix.CellAtPoint(250, 150), matrix.At(2, 3));
    EXPECT_EQ(matrix.CellAtPoint(0, 0), nullptr);  // the frame
}

TEST(MapMatrixTest, TooSmallPictureGivesCellsNoArea) {
    MapMatrix matrix;
    ASSERT_TRUE(matrix.NewMatrix(2, 2));
    matrix.LayoutCells(4, 4);
    for (int x = -2; x < 6; ++x)
        for (int y = -2; y < 6; ++y)
            EXPECT_EQ(matrix.CellAtPoint(x, y), nullptr);
}

}  // namespace
}  // namespace korvalen
