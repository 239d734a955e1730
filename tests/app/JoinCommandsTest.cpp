// The join commands of the main window run through the real self-search window on maps cut
// from one picture at known places, and the result page shows what they composed.
#include <QPushButton>
#include <QTimer>
#include <random>

#include "app/MainWindowFixture.h"
#include "images/PixelConvert.h"
#include "joining/CutJoin.h"
#include "joining/TavixAutomatic.h"

namespace korvalen::test {
namespace {

constexpr int kTileWidth = 200;
constexpr int kTileHeight = 150;
constexpr Point kOrigin{5, 5};  // where a1 lies in the picture

struct Tile {
    int row, col;
    Point at;  // relative to a1: where the join must place it
};

// Overlaps of about 100 pixels, as the default settings predict, off by a few pixels.
const std::vector<Tile> kTwoByTwo = {
    {1, 1, {0, 0}}, {1, 2, {101, 2}}, {2, 1, {3, 52}}, {2, 2, {104, 57}}};

constexpr const char* kAlgorithmQuestion =
    "Joining algorithm | choose tavix algorithm | self-search / define search band / join points "
    "only on first horiz./vertically tavix / set join points ever / manually move map | default "
    "3, font 8";

std::string NameOf(int row, int col) {
    return std::string(1, static_cast<char>('a' + row - 1)) + std::to_string(col);
}

class JoinCommands : public MainWindowFixture {
protected:
    Bitmap picture = NoisePicture(320, 220, 11);
    int windowsShown = 0;
    std::vector<QString> captions;

    TfTavixMain& OpenForJoining() {
        TfTavixMain& w = Open();
        Settings& s = state.settings;
        s.continueSearch = 2;  // take the best at once
        s.confirmTavix = false;
        s.immediateStart = true;
        s.pauseAfter = false;
        s.previewFirst = false;
        s.minimumCorrelation = 90;
        s.spreadingTolerance = 1;
        s.overlap = 2;
        s.SearchBandAlong = 50;
        s.SearchBandAcross = 50;
        s.horizontalOverlap = 100;
        s.verticalOverlap = 100;
        w.PrepareSelfSearchWindow = [this](TfAutomatic& search) {
            ++windowsShown;
            captions.push_back(search.JoinCaption);
        };
        return w;
    }

    // The search window is closed as soon as it has started.
    void CloseSearchWindowsWhenShown() {
        state.settings.immediateStart = false;
        window->PrepareSelfSearchWindow = [](TfAutomatic& search) {
            QTimer::singleShot(0, &search, [&search] {
                QTimer::singleShot(0, &search, [&search] { search.close(); });
            });
        };
    }

    // Fills the matrix with the tiles as "Load all maps" would.
    void FillMatrix(int rows, int cols, const std::vector<Tile>& tiles) {
        NewMatrix(rows, cols);
        for (const Tile& tile : tiles) {
            if (tile.row > rows || tile.col > cols)
                continue;
            tSingleMap* cell = window->Matrix.At(tile.row, tile.col);
            cell->Name = NameOf(tile.row, tile.col);
            cell->FilePath = dir / (cell->Name + ".bmp");
            const Point p = kOrigin + tile.at;
            cell->Bitmap = std::make_unique<Bitmap>(
                *CopyArea(&picture, {p.x, p.y, p.x + kTileWidth, p.y + kTileHeight}));
        }
        window->MapsLoaded = true;
        window->BuildMatrixPicture();
        window->UpdateControls();
    }

    void ExpectPlaced(const std::vector<Tile>& tiles, int rows, int cols) {
        for (const Tile& tile : tiles) {
            if (tile.row > rows || tile.col > cols)
                continue;
            const tSingleMap* cell = window->Matrix.At(tile.row, tile.col);
            EXPECT_TRUE(cell->Joined) << cell->Name;
            EXPECT_EQ(cell->X, tile.at.x) << cell->Name;
            EXPECT_EQ(cell->Y, tile.at.y) << cell->Name;
        }
    }

    // Every pixel a map covers is the picture's there (the maps agree where they overlap);
    // the rest is white.
    void ExpectResultIsThePicture(const std::vector<Tile>& tiles, int rows, int cols) {
        const Bitmap& result = window->ResultMap;
        const Bitmap picture8 = ConvertPixelFormat(picture, PixelFormat::Bits8);
        int width = 0, height = 0;
        for (const Tile& t : tiles) {
            if (t.row <= rows && t.col <= cols) {
                width = std::max(width, t.at.x + kTileWidth);
                height = std::max(height, t.at.y + kTileHeight);
            }
        }
        ASSERT_EQ(result.Width(), width);
        ASSERT_EQ(result.Height(), height);
        ASSERT_EQ(result.Format(), PixelFormat::Bits8);
        const uint8_t white = result.NearestIndex({255, 255, 255});
        int wrong = 0;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                bool covered = false;
                for (const Tile& t : tiles) {
                    covered = covered ||
                              (t.row <= rows && t.col <= cols && x >= t.at.x &&
                               x < t.at.x + kTileWidth && y >= t.at.y && y < t.at.y + kTileHeight);
                }
                const uint8_t expected =
                    covered ? picture8.Row(kOrigin.y + y)[kOrigin.x + x] : white;
                wrong += result.Row(y)[x] == expected ? 0 : 1;
            }
        }
        EXPECT_EQ(wrong, 0);
    }
};

TEST_F(JoinCommands, TavixMapsJoinsEveryMapAndShowsTheComposedResult) {
    TfTavixMain& w = OpenForJoining();
    FillMatrix(2, 2, kTwoByTwo);
    auto* start = Find<QPushButton>("bbTavixMaps");
    ASSERT_TRUE(start->isEnabled());
    dialogs.selections = {1};        // self-search
    dialogs.confirmations = {true};  // look at the result
    start->click();

    ExpectPlaced(kTwoByTwo, 2, 2);
    EXPECT_EQ(w.JoinedCount, 4);
    EXPECT_EQ(windowsShown, 3);
    ASSERT_EQ(captions.size(), 3u);
    EXPECT_EQ(captions[0], QStringLiteral("Tavixing a2 (row=1 column=2) with a1 ..."));
    EXPECT_EQ(captions[2], QStringLiteral("Tavixing b2 (row=2 column=2) with a2 ..."));
    EXPECT_EQ(dialogs.asked,
              QStringList({QStringLiteral("select: Joining algorithm"),
                           QStringLiteral("confirm: The tavix has been carried out.\r\nDo you "
                                          "want take a look at the result map")}));
    EXPECT_EQ(Described(dialogs.selectionsAsked[0]), kAlgorithmQuestion);
    EXPECT_EQ(dialogs.selectionsAsked[0].centre, w.MatrixPanelCentre());
    for (const tSingleMap& cell : w.Matrix) {
        EXPECT_FALSE(cell.IsJoining);
        EXPECT_FALSE(cell.IsNeighbour);
    }
    ASSERT_TRUE(w.ResultPageShown());
    EXPECT_TRUE(state.ResultUnsaved);
    ExpectResultIsThePicture(kTwoByTwo, 2, 2);
}

TEST_F(JoinCommands, BreakStopsTheRunAndContinueJoinsTheRest) {
    TfTavixMain& w = OpenForJoining();
    FillMatrix(2, 2, kTwoByTwo);
    state.settings.immediateStart = false;  // the first window holds after its start position
    w.PrepareSelfSearchWindow = [this](TfAutomatic& search) {
        ++windowsShown;
        // After the activation, which runs at the first turn of the window's event loop.
        QTimer::singleShot(0, &search, [&search] {
            QTimer::singleShot(0, &search, [&search] {
                search.findChild<QPushButton*>(QStringLiteral("bbBreak"))->click();
            });
        });
    };
    dialogs.selections = {1};
    dialogs.confirmations = {true};  // yes, break
    w.bbTavixMapsClick();
    EXPECT_EQ(windowsShown, 1);
    EXPECT_EQ(w.JoinedCount, 1);
    EXPECT_FALSE(w.Matrix.At(1, 2)->Joined);
    EXPECT_FALSE(w.ResultPageShown());
    EXPECT_EQ(dialogs.asked.back(), QStringLiteral("confirm: Break current tavix"));
    EXPECT_TRUE(Find<QPushButton>("bbContinueTavix")->isEnabled());
    EXPECT_TRUE(Find<QPushButton>("bbChangeAlgorithm")->isEnabled());

    state.settings.immediateStart = true;
    w.PrepareSelfSearchWindow = nullptr;
    dialogs.asked.clear();
    dialogs.confirmations = {true};
    Find<QPushButton>("bbContinueTavix")->click();
    EXPECT_EQ(dialogs.asked.size(), 1);  // no algorithm question, only the result offered
    ExpectPlaced(kTwoByTwo, 2, 2);
    EXPECT_EQ(w.JoinedCount, 4);
    EXPECT_FALSE(Find<QPushButton>("bbContinueTavix")->isEnabled());
    ASSERT_TRUE(w.ResultPageShown());
    ExpectResultIsThePicture(kTwoByTwo, 2, 2);
}

TEST_F(JoinCommands, ClosingTheSearchWindowStopsTheRun) {
    TfTavixMain& w = OpenForJoining();
    FillMatrix(1, 2, kTwoByTwo);
    CloseSearchWindowsWhenShown();
    dialogs.selections = {1};
    dialogs.confirmations = {true};  // yes, really
    w.bbTavixMapsClick();
    EXPECT_EQ(dialogs.asked.back(), QStringLiteral("confirm: Break current tavix really"));
    EXPECT_EQ(w.JoinedCount, 1);
    EXPECT_FALSE(w.Matrix.At(1, 2)->Joined);
    EXPECT_FALSE(state.ResultUnsaved);
}

TEST_F(JoinCommands, OneMapIsTheResultWithoutChoosingAnAlgorithm) {
    TfTavixMain& w = OpenForJoining();
    FillMatrix(1, 1, kTwoByTwo);
    Find<QPushButton>("bbShowResult")->click();  // not joined yet: shown all the same
    ASSERT_TRUE(w.ResultPageShown());
    ExpectResultIsThePicture(kTwoByTwo, 1, 1);
    EXPECT_TRUE(dialogs.asked.isEmpty());

    dialogs.confirmations = {true};
    w.bbTavixMapsClick();
    EXPECT_EQ(dialogs.asked, QStringList({QStringLiteral(
                                 "confirm: The tavix has been carried out.\r\nDo you want take a "
                                 "look at the result map")}));
    EXPECT_EQ(windowsShown, 0);
    EXPECT_EQ(w.JoinedCount, 1);
    ASSERT_TRUE(w.ResultPageShown());
    ExpectResultIsThePicture(kTwoByTwo, 1, 1);

    // The result takes the pixel format of the settings, except a capture, which is kept.
    state.settings.tavixedMapPixelIx = 0;
    w.bbShowResultClick();
    EXPECT_EQ(w.ResultMap.Format(), PixelFormat::Bits24);
    EXPECT_EQ(w.ResultMap.PixelAt(7, 9), picture.PixelAt(kOrigin.x + 7, kOrigin.y + 9));
    state.GEMode = true;
    w.ResultMap = Bitmap(30, 20, PixelFormat::Bits8);
    w.bbShowResultClick();
    EXPECT_EQ(w.ResultMap.Width(), 30);
    EXPECT_EQ(w.ResultMap.Format(), PixelFormat::Bits8);
}

TEST_F(JoinCommands, DeclinedRestartChangesNothingButStillOffersTheResult) {
    TfTavixMain& w = OpenForJoining();
    FillMatrix(1, 2, kTwoByTwo);
    dialogs.selections = {1};
    dialogs.confirmations = {false};
    w.bbTavixMapsClick();
    ASSERT_EQ(w.JoinedCount, 2);
    dialogs.asked.clear();
    dialogs.selectionsAsked.clear();

    dialogs.selections = {0};
    dialogs.confirmations = {false};
    w.bbTavixMapsClick();
    ASSERT_EQ(dialogs.selectionsAsked.size(), 1u);
    EXPECT_EQ(Described(dialogs.selectionsAsked[0]),
              "Tavix maps | 2 tavixes have been already carried out ! | discard intermediate "
              "result and restart tavix | default 0, font 8");
    EXPECT_EQ(dialogs.asked.size(), 2);  // and the offer of the result
    EXPECT_EQ(w.JoinedCount, 2);
    ExpectPlaced(kTwoByTwo, 1, 2);
    EXPECT_EQ(windowsShown, 1);
}

TEST_F(JoinCommands, ChangeAlgorithmAsksOnTheMatrixPanel) {
    TfTavixMain& w = OpenForJoining();
    FillMatrix(2, 2, kTwoByTwo);
    dialogs.selections = {4};
    w.bbChangeAlgorithmClick();
    EXPECT_EQ(w.Joining().JoinAlgorithm, 4);
    ASSERT_EQ(dialogs.selectionsAsked.size(), 1u);
    EXPECT_EQ(Described(dialogs.selectionsAsked[0]), kAlgorithmQuestion);
    EXPECT_EQ(dialogs.selectionsAsked[0].centre, w.MatrixPanelCentre());
}

TEST_F(JoinCommands, ANewMatrixEndsAJoinAndAGridPatternJoinRestoresItsSettings) {
    TfTavixMain& w = OpenForJoining();
    FillMatrix(1, 2, kTwoByTwo);
    state.GridPatternJoin = true;
    CloseSearchWindowsWhenShown();
    dialogs.confirmations = {true};
    w.bbTavixMapsClick();  // forces minimum 100, broken off
    ASSERT_EQ(state.settings.minimumCorrelation, 100);
    ASSERT_TRUE(state.GridPatternJoin);
    ASSERT_EQ(w.Joining().JoinedCount, 1);
    dialogs.confirmations = {true};  // discard the loaded maps
    NewMatrix(1, 2);
    EXPECT_FALSE(state.GridPatternJoin);
    EXPECT_EQ(state.settings.minimumCorrelation, 90);
    EXPECT_EQ(w.Joining().JoinedCount, 0);
    EXPECT_EQ(w.JoinedCount, 0);
}

}  // namespace
}  // namespace korvalen::test
