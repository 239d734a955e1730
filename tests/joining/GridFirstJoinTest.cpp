#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "images/MapMatrix.h"
#include "joining/JoinPrediction.h"
#include "joining/SearchArea.h"

namespace korvalen {
namespace {

MapMatrix TwoByTwo(int width, int height) {
    MapMatrix matrix;
    matrix.NewMatrix(2, 2);
    for (tSingleMap& cell : matrix)
        cell.Bitmap = std::make_unique<Bitmap>(width, height, PixelFormat::Bits8);
    return matrix;
}

// The first join of a grid pattern must cut its band inside the true overlap and search where
// the band truly lies: for every overlap of 10 to 25 % and views of 256 to 2000 pixels, and for
// screenshots that show up to the loader's extra 25 pixels more than the pattern's overlap.
TEST(GridFirstJoin, TheBandLiesInTheOverlapAndTheSearchReachesTheTruePosition) {
    const int sides[] = {256, 257, 300, 384, 511, 512, 640, 777, 1000, 1024, 1500, 1999, 2000};
    for (int side : sides) {
        for (int percent = 10; percent <= 25; ++percent) {
            const MapMatrix matrix = TwoByTwo(side, side);
            const int exact = static_cast<int>(std::lround(side * percent / 100.0));
            for (int horizontal = 0; horizontal < 2; ++horizontal) {
                GridJoinValues grid;
                grid.GridOverlapFactor = static_cast<float>(percent) / 100.0f;
                const std::optional<JoinPrediction> p = horizontal
                                                            ? PredictGridJoin(matrix, 1, 2, grid)
                                                            : PredictGridJoin(matrix, 2, 1, grid);
                ASSERT_TRUE(p);
                ASSERT_TRUE(grid.GridFirstJoin);
                const SearchGeometry g =
                    FitSearchArea(p->ExpectedPos, p->BandWidth, p->BandHeight,
                                  FactorsFor(4, true, true, horizontal != 0),
                                  side / (horizontal ? 2 : 1), side / (horizontal ? 1 : 2));
                const int bandAlong = horizontal ? p->BandWidth : p->BandHeight;
                const int bandFrom = horizontal ? p->BandPos.x : p->BandPos.y;
                for (int overlap = exact - 1; overlap <= exact + grid.GridOverlapExtra; ++overlap) {
                    SCOPED_TRACE(testing::Message() << side << " px, " << percent << " %, "
                                                    << (horizontal ? "across" : "down")
                                                    << ", true overlap " << overlap);
                    if (overlap >= exact) {
                        EXPECT_GE(bandFrom, 0);
                        EXPECT_LE(bandFrom + bandAlong, overlap);
                    }
                    // The band's centre in the target area (the neighbour's facing half).
                    const int along = side - overlap + bandFrom - side / 2 + bandAlong / 2;
                    const Point truth = horizontal ? Point{along, p->BandPos.y + p->BandHeight / 2}
                                                   : Point{p->BandPos.x + p->BandWidth / 2, along};
                    EXPECT_TRUE(g.centres.Contains(truth));
                }
            }
        }
    }
}

}  // namespace
}  // namespace korvalen
