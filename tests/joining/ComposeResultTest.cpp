#include "joining/ComposeResult.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "images/BitmapOps.h"
#include "images/MapMatrix.h"
#include "support/TestSupport.h"

namespace korvalen {
namespace {

constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kRed{255, 0, 0};
constexpr Rgb kGreen{0, 255, 0};
constexpr Rgb kBlue{0, 0, 255};
constexpr Rgb kYellow{255, 255, 0};

std::unique_ptr<Bitmap> Solid(int w, int h, Rgb colour, PixelFormat format = PixelFormat::Bits24) {
    auto bitmap = std::make_unique<Bitmap>(w, h, format);
    bitmap->Fill(colour);
    return bitmap;
}

void Place(MapMatrix& matrix, int row, int col, int x, int y, std::unique_ptr<Bitmap> bitmap) {
    tSingleMap& cell = *matrix.At(row, col);
    cell.X = x;
    cell.Y = y;
    cell.Bitmap = std::move(bitmap);
}

// How the result would grow map by map, drawn in the same order.
Bitmap ComposeStepByStep(const MapMatrix& matrix, PixelFormat format) {
    Bitmap result(0, 0, format);
    for (int col = 1; col <= matrix.Cols(); ++col) {
        for (int row = 1; row <= matrix.Rows(); ++row) {
            const tSingleMap& cell = *matrix.At(row, col);
            if (!cell.Bitmap)
                continue;
            const int right = std::max(result.Width(), cell.X + cell.Bitmap->Width());
            const int bottom = std::max(result.Height(), cell.Y + cell.Bitmap->Height());
            result.Resize(right, bottom);
            DrawBitmapAt(cell.Bitmap.get(), &result, cell.X, cell.Y);
        }
    }
    return result;
}

bool SameBytes(const Bitmap& a, const Bitmap& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height() || a.Format() != b.Format())
        return false;
    for (int y = 0; y < a.Height(); ++y)
        if (std::memcmp(a.Row(y), b.Row(y), a.Stride()) != 0)
            return false;
    return true;
}

class ComposeResultTest : public ::testing::Test {
protected:
    // A 2 x 2 matrix whose lower-left map lies 10 pixels left of the origin and reaches under
    // the upper map of column 2.
    void SetUp() override {
        ASSERT_TRUE(matrix.NewMatrix(2, 2));
        Place(matrix, 1, 1, 0, 0, Solid(40, 30, kRed));
        Place(matrix, 1, 2, 35, 2, Solid(40, 30, kGreen));
        Place(matrix, 2, 1, -10, 28, Solid(50, 30, kBlue));
        Place(matrix, 2, 2, 33, 29, Solid(40, 30, kYellow));
    }
    MapMatrix matrix;
};

TEST_F(ComposeResultTest, MapsAreDrawnColumnByColumnAndCutOffLeftOfTheOrigin) {
    const Bitmap result = ComposeResultMap(matrix, PixelFormat::Bits24);
    EXPECT_EQ(result.Width(), 75);   // the largest right edge: 35 + 40
    EXPECT_EQ(result.Height(), 59);  // 29 + 30
    EXPECT_EQ(result.Format(), PixelFormat::Bits24);

    EXPECT_EQ(result.PixelAt(0, 0), kRed);
    EXPECT_EQ(result.PixelAt(0, 28), kBlue);  // the lower map covers the upper one
    EXPECT_EQ(result.PixelAt(0, 57), kBlue);  // its column 10: the first 10 are cut off
    EXPECT_EQ(result.PixelAt(32, 40), kBlue);
    EXPECT_EQ(result.PixelAt(33, 40), kYellow);
    EXPECT_EQ(result.PixelAt(36, 10), kGreen);  // column 2 covers column 1
    EXPECT_EQ(result.PixelAt(37, 28), kGreen);  // ... also where column 1's lower map lies
    EXPECT_EQ(result.PixelAt(37, 29), kYellow);
    EXPECT_EQ(result.PixelAt(40, 1), kWhite);  // no map here
    EXPECT_EQ(result.PixelAt(72, 58), kYellow);
    EXPECT_EQ(result.PixelAt(74, 58), kWhite);
    EXPECT_EQ(result.PixelAt(0, 58), kWhite);
}

TEST_F(ComposeResultTest, CellsWithoutAMapAddNeitherSizeNorPixels) {
    matrix.At(2, 2)->Bitmap.reset();
    matrix.At(2, 2)->X = 5000;
    const Bitmap result = ComposeResultMap(matrix, PixelFormat::Bits24);
    EXPECT_EQ(result.Width(), 75);
    EXPECT_EQ(result.Height(), 58);
    EXPECT_EQ(result.PixelAt(60, 45), kWhite);

    MapMatrix empty;
    ASSERT_TRUE(empty.NewMatrix(3, 2));
    EXPECT_TRUE(ComposeResultMap(empty, PixelFormat::Bits8).IsEmpty());
}

TEST_F(ComposeResultTest, MapsOutsideTheOriginStillStretchTheOtherSide) {
    // Wholly left of the origin, yet 30 high; wholly above it, yet reaching to x = 20.
    MapMatrix m;
    ASSERT_TRUE(m.NewMatrix(1, 2));
    Place(m, 1, 1, -50, 0, Solid(40, 30, kRed));
    Place(m, 1, 2, 0, -40, Solid(20, 30, kBlue));
    const Bitmap result = ComposeResultMap(m, PixelFormat::Bits24);
    EXPECT_EQ(result.Width(), 20);
    EXPECT_EQ(result.Height(), 30);
    for (int y = 0; y < result.Height(); ++y)
        for (int x = 0; x < result.Width(); ++x)
            ASSERT_EQ(result.PixelAt(x, y), kWhite);
    EXPECT_TRUE(SameBytes(result, ComposeStepByStep(m, PixelFormat::Bits24)));
}

TEST_F(ComposeResultTest, EveryPixelFormatGetsTheColoursOfItsPalette) {
    for (PixelFormat format : {PixelFormat::Bits24, PixelFormat::Bits8, PixelFormat::Bits4}) {
        SCOPED_TRACE(static_cast<int>(format));
        const Bitmap result = ComposeResultMap(matrix, format);
        EXPECT_EQ(result.Format(), format);
        EXPECT_EQ(result.Width(), 75);
        EXPECT_EQ(result.PixelAt(0, 0), kRed);
        EXPECT_EQ(result.PixelAt(37, 28), kGreen);
        EXPECT_EQ(result.PixelAt(40, 40), kYellow);
        EXPECT_EQ(result.PixelAt(40, 1), kWhite);
    }
    // Maps of any format mix.
    Place(matrix, 1, 2, 35, 2, Solid(40, 30, kGreen, PixelFormat::Bits4));
    Place(matrix, 2, 2, 33, 29, Solid(41, 30, kYellow, PixelFormat::Bits8));
    const Bitmap mixed = ComposeResultMap(matrix, PixelFormat::Bits4);
    EXPECT_EQ(mixed.Width(), 75);
    EXPECT_EQ(mixed.PixelAt(36, 10), kGreen);
    EXPECT_EQ(mixed.PixelAt(73, 58), kYellow);
}

TEST_F(ComposeResultTest, SizingOnceEqualsGrowingMapByMap) {
    std::mt19937 random(7);
    for (int round = 0; round < 20; ++round) {
        MapMatrix m;
        const int rows = 1 + static_cast<int>(random() % 4);
        const int cols = 1 + static_cast<int>(random() % 4);
        ASSERT_TRUE(m.NewMatrix(rows, cols));
        unsigned seed = 1;
        for (tSingleMap& cell : m) {
            if (random() % 6 == 0)
                continue;  // an empty cell
            cell.Bitmap = std::make_unique<Bitmap>(test::MakeTestPicture(
                5 + static_cast<int>(random() % 30), 5 + static_cast<int>(random() % 30), seed++));
            cell.X = static_cast<int>(random() % 80) - 20;
            cell.Y = static_cast<int>(random() % 80) - 20;
        }
        for (PixelFormat format : {PixelFormat::Bits24, PixelFormat::Bits8, PixelFormat::Bits4}) {
            SCOPED_TRACE("round " + std::to_string(round) + ", " +
                         std::to_string(static_cast<int>(format)) + " bits");
            EXPECT_TRUE(SameBytes(ComposeResultMap(m, format), ComposeStepByStep(m, format)));
        }
    }
}

TEST_F(ComposeResultTest, AResultTooLargeForABitmapIsRefusedWithAMessage) {
    matrix.At(2, 2)->X = Bitmap::kMaxSide;
    Bitmap result = Bitmap(3, 3, PixelFormat::Bits8);
    std::string error;
    EXPECT_FALSE(ComposeResultMap(matrix, PixelFormat::Bits8, result, error));
    EXPECT_NE(error.find("1048616 x 59"), std::string::npos) << error;
    EXPECT_EQ(result.Width(), 3);
    EXPECT_THROW(ComposeResultMap(matrix, PixelFormat::Bits8), std::length_error);

    matrix.At(2, 2)->X = 33;
    EXPECT_TRUE(ComposeResultMap(matrix, PixelFormat::Bits8, result, error));
    EXPECT_EQ(result.Width(), 75);
}

}  // namespace
}  // namespace korvalen
