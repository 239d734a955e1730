// The demo maps joined by the real self-search without questions, composed and compared with
// their true offsets.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

#include "images/MapFiles.h"
#include "images/MapMatrix.h"
#include "joining/ComposeResult.h"
#include "joining/JoinRequest.h"
#include "joining/UnattendedJoin.h"

namespace korvalen {
namespace {

namespace fs = std::filesystem;

const fs::path kDemo = KORVALEN_DEMO_DIR;

// Mean difference per colour channel of two demo maps where they overlap: about 6 from the
// JPEG compression when they lie right, about 16 when one is a pixel off.
constexpr double kJpegNoise = 10.0;

// Where each tile belongs relative to a1, from the list the generator wrote.
std::map<std::string, Point> TrueOffsets() {
    std::map<std::string, Point> offsets;
    std::ifstream in(kDemo / "offsets.txt");
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream fields(line);
        std::string name;
        int px = 0, py = 0;
        Point p;
        fields >> name >> px >> py >> p.x >> p.y;
        offsets[name] = p;
    }
    return offsets;
}

class JoinEndToEndTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(matrix.NewMatrix(3, 3));
        for (tSingleMap& cell : matrix) {
            cell.Name =
                std::string(1, static_cast<char>('a' + cell.Row - 1)) + std::to_string(cell.Col);
            cell.FilePath = kDemo / (cell.Name + ".jpg");
            cell.Bitmap = std::make_unique<Bitmap>();
            std::string error;
            ASSERT_TRUE(LoadMapFile(cell.FilePath, *cell.Bitmap, false, error)) << error;
        }
    }
    MapMatrix matrix;
};

TEST_F(JoinEndToEndTest, EveryDemoMapLandsOnItsTrueOffset) {
    const std::map<std::string, Point> truth = TrueOffsets();
    ASSERT_EQ(truth.size(), 9u);
    // The default settings, no overlap given: each join estimates its own.
    const UnattendedJoinReport report = JoinUnattended(matrix, Settings{});
    ASSERT_TRUE(report.complete) << "stopped at (" << report.failedRow << ", " << report.failedCol
                                 << "): best " << report.bestCorrelation << " %, "
                                 << report.failure;
    for (const tSingleMap& cell : matrix) {
        SCOPED_TRACE(cell.Name);
        EXPECT_TRUE(cell.Joined);
        EXPECT_EQ((Point{cell.X, cell.Y}), truth.at(cell.Name));
        EXPECT_GE(cell.Correlation, Settings{}.minimumCorrelation * 4 / 5);
    }
}

// Per result pixel, the map drawn last there; composition must show exactly that map's pixel,
// and the maps it covers must agree with it up to JPEG noise.
TEST_F(JoinEndToEndTest, TheComposedResultShowsEachMapAtItsPosition) {
    const std::map<std::string, Point> truth = TrueOffsets();
    for (tSingleMap& cell : matrix) {
        cell.X = truth.at(cell.Name).x;
        cell.Y = truth.at(cell.Name).y;
    }
    const Bitmap result = ComposeResultMap(matrix, PixelFormat::Bits24);
    ASSERT_EQ(result.Width(), 1680);
    ASSERT_EQ(result.Height(), 1202);

    std::vector<const tSingleMap*> top(static_cast<size_t>(result.Width()) * result.Height());
    for (int col = 1; col <= 3; ++col)
        for (int row = 1; row <= 3; ++row) {
            const tSingleMap* cell = matrix.At(row, col);
            for (int y = std::max(0, cell->Y); y < cell->Y + cell->Bitmap->Height(); ++y)
                for (int x = std::max(0, cell->X); x < cell->X + cell->Bitmap->Width(); ++x)
                    top[static_cast<size_t>(y) * result.Width() + x] = cell;
        }

    for (const tSingleMap& cell : matrix) {
        SCOPED_TRACE(cell.Name);
        int64_t shownDifferent = 0, covered = 0, coveredDifference = 0;
        for (int y = std::max(0, cell.Y); y < cell.Y + cell.Bitmap->Height(); ++y) {
            for (int x = std::max(0, cell.X); x < cell.X + cell.Bitmap->Width(); ++x) {
                const Rgb want = cell.Bitmap->PixelAt(x - cell.X, y - cell.Y);
                const Rgb got = result.PixelAt(x, y);
                if (top[static_cast<size_t>(y) * result.Width() + x] == &cell) {
                    shownDifferent += !(want == got);
                } else {
                    ++covered;
                    coveredDifference += std::abs(want.r - got.r) + std::abs(want.g - got.g) +
                                         std::abs(want.b - got.b);
                }
            }
        }
        EXPECT_EQ(shownDifferent, 0);
        if (covered > 0) {
            EXPECT_LT(static_cast<double>(coveredDifference) / (3.0 * covered), kJpegNoise);
        }
    }
    // Nothing is left white inside the joined area.
    EXPECT_NE(result.PixelAt(600, 600), (Rgb{255, 255, 255}));
}

TEST(UnattendedJoinTest, AMissingMapIsReportedWithoutASearch) {
    MapMatrix matrix;
    ASSERT_TRUE(matrix.NewMatrix(1, 3));
    matrix.At(1, 1)->Bitmap = std::make_unique<Bitmap>(64, 48, PixelFormat::Bits8);
    matrix.At(1, 3)->Bitmap = std::make_unique<Bitmap>(64, 48, PixelFormat::Bits8);
    const UnattendedJoinReport report = JoinUnattended(matrix, Settings{});
    EXPECT_FALSE(report.complete);
    EXPECT_EQ(report.failedRow, 1);
    EXPECT_EQ(report.failedCol, 2);
    EXPECT_FALSE(report.searched);
    EXPECT_NE(report.failure.find("no image"), std::string::npos) << report.failure;
    EXPECT_TRUE(matrix.At(1, 1)->Joined);

    ASSERT_TRUE(matrix.NewMatrix(1, 1));
    matrix.At(1, 1)->Bitmap = std::make_unique<Bitmap>(64, 48, PixelFormat::Bits8);
    EXPECT_TRUE(JoinUnattended(matrix, Settings{}).complete);
}

}  // namespace
}  // namespace korvalen
