// The self-search window driven as the user drives it: buttons, keys, questions, the closing
// paths, and what it draws.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <functional>
#include <memory>

#include "app/TavixSettings.h"
#include "core/ProgramState.h"
#include "core/Settings.h"
#include "images/MapMatrix.h"
#include "joining/CutJoin.h"
#include "joining/SearchDisplay.h"
#include "joining/TavixAutomatic.h"
#include "support/ScriptedDialogs.h"

namespace korvalen {
namespace {

using test::ScriptedDialogs;

Settings WindowSettings() {
    Settings s;
    s.language = 0;
    s.minimumCorrelation = 90;
    s.spreadingTolerance = 1;
    s.overlap = 2;
    s.continueSearch = 2;
    s.proximity = 5;
    s.confirmTavix = false;
    s.previewFirst = false;
    s.immediateStart = true;
    return s;
}

using Join = test::CutJoin;
using test::NoisePicture;

class AutomaticWindow : public ::testing::Test {
protected:
    std::unique_ptr<QWidget> mainWindow;  // outlives the window, its child
    Settings settings = WindowSettings();
    ScriptedDialogs dialogs;
    std::unique_ptr<Join> join = std::make_unique<Join>();
    std::unique_ptr<TfAutomatic> window;
    std::vector<PreviewRequest> previews;  // the pictures are gone once the preview closed
    std::vector<QSize> previewMapSizes;
    std::deque<bool> previewAnswers;

    TfAutomatic& Make(QWidget* mainWindow = nullptr) {
        window = std::make_unique<TfAutomatic>(join->request, settings, dialogs, mainWindow);
        window->PreviewRunner = [this](const PreviewRequest& request) {
            previews.push_back(request);
            previewMapSizes.emplace_back(request.map->Width(), request.map->Height());
            const bool answer = !previewAnswers.empty() && previewAnswers.front();
            if (!previewAnswers.empty())
                previewAnswers.pop_front();
            return answer;
        };
        return *window;
    }
    // Shows the window and runs its activation, which searches until the search holds or the
    // join is decided. Events breathe after every position when stepwise.
    TfAutomatic& Run(bool stepwise = false, QWidget* mainWindow = nullptr) {
        TfAutomatic& w = window ? *window : Make(mainWindow);
        if (stepwise)
            w.Search().SetBreatheInterval(std::chrono::milliseconds(0));
        w.show();
        w.FormActivate();
        return w;
    }
    // Runs the action at the first breath of the search.
    void AtFirstBreath(std::function<void()> action) {
        QTimer::singleShot(0, window.get(), std::move(action));
    }
    template <typename T>
    T* Find(const char* name) const {
        T* found = window->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    bool Shown(const char* name) const { return !Find<QWidget>(name)->isHidden(); }
    const SearchState& State() const { return window->Search().State(); }
};

// ---- Deciding and closing -------------------------------------------------------------------

TEST_F(AutomaticWindow, ImmediateJoinTakesTheTruePositionAndClosesAfterTheTimer) {
    TfAutomatic& w = Make();
    w.JoinCaption = QStringLiteral("Tavixing a2 (row=1 column=2) with a1 ...");
    Run();
    EXPECT_TRUE(w.JoinAccepted);
    EXPECT_EQ(w.ResultPos, join->truePos);
    EXPECT_EQ(w.ResultCorrelation, 100);
    EXPECT_EQ(w.windowTitle(), w.JoinCaption);
    auto* timer = Find<QTimer>("tDone");
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), 200);
    EXPECT_TRUE(w.isVisible());
    QTRY_VERIFY(!w.isVisible());
    EXPECT_EQ(w.result(), QDialog::Accepted);
    EXPECT_TRUE(dialogs.asked.isEmpty()) << dialogs.asked.join(" | ").toStdString();
}

TEST_F(AutomaticWindow, ExecModalRunsTheSearchAndHandsBackTheResult) {
    TfAutomatic& w = Make();
    EXPECT_EQ(w.exec(), QDialog::Accepted);
    EXPECT_EQ(w.Result().ResultPos, join->truePos);
    EXPECT_TRUE(w.Result().JoinAccepted);
}

TEST_F(AutomaticWindow, PauseThenExecuteTakesTheBestFoundSoFar) {
    settings.continueSearch = 0;
    Make();
    AtFirstBreath([this] { Find<QToolButton>("sbPause")->click(); });
    TfAutomatic& w = Run(true);
    ASSERT_TRUE(State().Paused);
    EXPECT_FALSE(w.Closing());
    EXPECT_EQ(State().PositionCount, 1);
    ASSERT_TRUE(Find<QPushButton>("bbTavix")->isEnabled());
    QTest::keyClick(&w, Qt::Key_Return);
    EXPECT_TRUE(w.JoinAccepted);
    EXPECT_EQ(w.ResultPos, State().BestPos);
    EXPECT_EQ(w.ResultPos, join->request.ExpectedPos);
    EXPECT_EQ(w.ResultCorrelation, State().BestCorrelation);
    EXPECT_LT(w.ResultCorrelation, 100);
}

TEST_F(AutomaticWindow, EnterAndEscapeDoNothingWhileTheSearchRuns) {
    join = std::make_unique<Join>(Point{0, 0}, false);
    Make();
    AtFirstBreath([this] {
        QTest::keyClick(window.get(), Qt::Key_Escape);
        QTest::keyClick(window.get(), Qt::Key_Return);
    });
    TfAutomatic& w = Run(true);
    // The search ran to the end of its area and then held: nothing there reaches 72 %.
    EXPECT_TRUE(dialogs.asked.isEmpty()) << dialogs.asked.join(" | ").toStdString();
    ASSERT_TRUE(State().Paused);
    EXPECT_TRUE(State().Exhausted);
    EXPECT_FALSE(w.Closing());
    EXPECT_GE(State().PositionCount, State().TotalPositions);

    dialogs.confirmations = {false};
    QTest::keyClick(&w, Qt::Key_Escape);
    EXPECT_EQ(dialogs.asked, QStringList{QStringLiteral("confirm: Break current tavix")});
    EXPECT_FALSE(w.Closing());
    QTest::keyClick(&w, Qt::Key_Enter);
    EXPECT_TRUE(w.JoinAccepted);
    EXPECT_EQ(w.ResultPos, State().BestPos);
}

// "Break" and the title bar both ask, each its own question, and only yes closes.
TEST_F(AutomaticWindow, BreakAndTheTitleBarAskAndOnlyYesClosesWithoutAResult) {
    settings.immediateStart = false;
    for (const bool titleBar : {false, true}) {
        SCOPED_TRACE(titleBar ? "title bar" : "Break");
        window.reset();
        dialogs.asked.clear();
        TfAutomatic& w = Run();
        ASSERT_TRUE(State().Paused);
        dialogs.confirmations = {false, true};
        const auto close = [&] {
            titleBar ? (void)w.close() : Find<QPushButton>("bbBreak")->click();
        };
        close();
        EXPECT_FALSE(w.Closing());
        EXPECT_TRUE(w.isVisible());
        EXPECT_TRUE(State().Paused);
        close();
        EXPECT_TRUE(w.Closing());
        const QString question = titleBar ? QStringLiteral("confirm: Break current tavix really")
                                          : QStringLiteral("confirm: Break current tavix");
        EXPECT_EQ(dialogs.asked, QStringList({question, question}));
        QTRY_VERIFY(!w.isVisible());
        EXPECT_FALSE(w.JoinAccepted);
        EXPECT_TRUE(w.Search().Finished());
        EXPECT_EQ(w.result(), QDialog::Rejected);
    }
}

TEST_F(AutomaticWindow, BreakWhileSearchingStopsTheSearchAtOnce) {
    join = std::make_unique<Join>(Point{0, 0}, false);
    dialogs.confirmations = {true};
    Make();
    AtFirstBreath([this] { Find<QPushButton>("bbBreak")->click(); });
    TfAutomatic& w = Run(true);
    EXPECT_TRUE(w.Closing());
    EXPECT_TRUE(w.Search().Finished());
    EXPECT_FALSE(w.JoinAccepted);
    EXPECT_LE(State().PositionCount, 2);
}

TEST_F(AutomaticWindow, ClosingAfterTheDecisionAsksNothing) {
    TfAutomatic& w = Run();
    ASSERT_TRUE(w.Closing());
    w.close();
    EXPECT_FALSE(w.isVisible());
    EXPECT_TRUE(w.JoinAccepted);
    EXPECT_TRUE(dialogs.asked.isEmpty());
}

TEST_F(AutomaticWindow, SpaceHoldsAndReleasesTheSearch) {
    join = std::make_unique<Join>(Point{0, 0}, false);
    settings.immediateStart = false;
    Make();
    TfAutomatic& w = Run(true);
    ASSERT_TRUE(State().Paused);
    ASSERT_EQ(State().PositionCount, 1);  // the start position only

    AtFirstBreath([this] { QTest::keyClick(window.get(), Qt::Key_Space); });
    QTest::keyClick(&w, Qt::Key_Space);  // released, and held again at the first breath
    EXPECT_TRUE(State().Paused);
    EXPECT_EQ(State().PositionCount, 2);
    EXPECT_FALSE(State().Exhausted);

    QTest::keyClick(&w, Qt::Key_Space);  // released: runs to the end of the area
    EXPECT_TRUE(State().Paused);
    EXPECT_TRUE(State().Exhausted);
    EXPECT_GE(State().PositionCount, State().TotalPositions);
    EXPECT_FALSE(w.Closing());
}

TEST_F(AutomaticWindow, SpaceWithPreviewFirstOpensThePreviewWhenHolding) {
    settings.immediateStart = false;
    settings.previewFirst = true;
    settings.continueSearch = 0;
    Make();
    TfAutomatic& w = Run(true);
    AtFirstBreath([this] { QTest::keyClick(window.get(), Qt::Key_Space); });
    QTest::keyClick(&w, Qt::Key_Space);
    EXPECT_TRUE(State().Paused);
    ASSERT_EQ(previews.size(), 1u);
    EXPECT_EQ(previewMapSizes[0], QSize(125, 300));  // the facing half of the new map
    EXPECT_EQ(previews[0].offset, State().BestPos - State().BandPos);
}

// ---- The decision list ----------------------------------------------------------------------

// What each answer of the list does; the engine's own test holds the search's side of it.
TEST_F(AutomaticWindow, EachAnswerOfTheDecisionList) {
    settings.confirmTavix = true;
    struct Case {
        std::deque<int> selections;
        std::deque<bool> previewAccepted;
        bool accepted;
        size_t asked, previewed;
    };
    const Case cases[] = {
        {{1}, {}, true, 1, 0},        // the best
        {{2}, {false}, false, 1, 1},  // its preview, closed: held
        {{2}, {true}, true, 1, 1},    // its preview, accepted
        {{3, 0}, {}, false, 2, 0},    // on to the end, asked again there
        {{0}, {}, false, 1, 0},       // held, nothing taken
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "answer " << c.selections.front());
        window.reset();
        previews.clear();
        dialogs.selectionsAsked.clear();
        dialogs.selections = c.selections;
        previewAnswers = c.previewAccepted;
        TfAutomatic& w = Run();
        ASSERT_EQ(dialogs.selectionsAsked.size(), c.asked);
        const Dialogs::Selection& asked = dialogs.selectionsAsked[0];
        EXPECT_EQ(asked.caption, QStringLiteral("Tavix maps"));
        EXPECT_EQ(asked.options, QStringList({QStringLiteral("Best result of 100%"),
                                              QStringLiteral("Preview best result"),
                                              QStringLiteral("Continue tavix")}));
        EXPECT_EQ(asked.fontSize, 8);
        EXPECT_EQ(asked.defaultChoice, 1);
        EXPECT_EQ(previews.size(), c.previewed);
        EXPECT_EQ(w.JoinAccepted, c.accepted);
        EXPECT_EQ(w.Closing(), c.accepted);
        if (c.accepted) {
            EXPECT_EQ(w.ResultPos, join->truePos);
            continue;
        }
        EXPECT_TRUE(State().Paused);
        EXPECT_TRUE(Shown("sbContinue") || State().Exhausted);
        EXPECT_EQ(State().Exhausted, c.asked == 2);
        if (c.previewed) {
            EXPECT_EQ(previews[0].offset, join->truePos - join->request.BandPos);
            EXPECT_EQ(previews[0].bandCorrelation, 100);
            EXPECT_EQ(previews[0].minCorrelation, 90);
        }
    }
    // Execute without confirmation asks once more, with the best only.
    dialogs.selections = {1};
    Find<QPushButton>("bbTavix")->click();
    ASSERT_EQ(dialogs.selectionsAsked.size(), 2u);
    EXPECT_EQ(dialogs.selectionsAsked[1].options.size(), 1);
    EXPECT_TRUE(window->JoinAccepted);
}

// ---- Buttons --------------------------------------------------------------------------------

TEST_F(AutomaticWindow, ButtonsOfThePauseShowOnlyWhilePaused) {
    join = std::make_unique<Join>(Point{0, 0}, false);
    settings.immediateStart = false;
    Make();
    TfAutomatic& w = Run(true);
    EXPECT_FALSE(Find<QPushButton>("bbTavix")->isHidden());
    for (const char* name : {"sbAdjustBandArea", "sbJoinMaps", "sbMoveMap", "sbContinue",
                             "sbSettings", "sbPause", "sbPreview"})
        EXPECT_TRUE(Shown(name)) << name;
    EXPECT_EQ(Find<QToolButton>("sbContinue")->text(), QStringLiteral("Continue"));

    std::vector<bool> whileRunning;
    AtFirstBreath([&] {
        for (const char* name :
             {"sbAdjustBandArea", "sbJoinMaps", "sbMoveMap", "sbContinue", "sbSettings"})
            whileRunning.push_back(Shown(name));
        whileRunning.push_back(Shown("sbPause"));
    });
    Find<QToolButton>("sbContinue")->click();  // runs to the end of the area
    EXPECT_EQ(whileRunning, std::vector<bool>({false, false, false, false, false, true}));
    ASSERT_TRUE(State().Exhausted);
    EXPECT_FALSE(Shown("sbContinue"));  // nothing left to search
    EXPECT_TRUE(Shown("sbAdjustBandArea"));
    EXPECT_FALSE(w.Closing());
}

TEST_F(AutomaticWindow, GridPatternJoinOffersToolsOnlyInItsFirstJoinAndNeverSettings) {
    settings.immediateStart = false;
    join->request.GridPatternJoin = true;
    join->request.GridFirstJoin = true;
    Run();
    ASSERT_TRUE(State().Paused);
    EXPECT_TRUE(Shown("sbAdjustBandArea"));
    EXPECT_TRUE(Shown("sbContinue"));
    EXPECT_FALSE(Shown("sbSettings"));

    window.reset();
    join = std::make_unique<Join>();
    join->request.GridPatternJoin = true;
    Run();
    ASSERT_TRUE(State().Paused);
    EXPECT_FALSE(Shown("sbAdjustBandArea"));
    EXPECT_FALSE(Shown("sbJoinMaps"));
    EXPECT_FALSE(Shown("sbMoveMap"));
    EXPECT_TRUE(Shown("sbContinue"));
    EXPECT_FALSE(Shown("sbSettings"));
}

TEST_F(AutomaticWindow, DeclinedManualToolsHoldTheSearch) {
    join = std::make_unique<Join>(Point{0, 0}, false);
    for (void (TfAutomatic::*tool)() :
         {&TfAutomatic::OpenBandTool, &TfAutomatic::OpenJoinPointsTool,
          &TfAutomatic::OpenMoveTool}) {
        window.reset();
        Make();
        AtFirstBreath([this, tool] {
            // The tool opens modally over the window; Escape gives it up.
            QTimer::singleShot(0, window.get(), [] {
                QWidget* opened = QApplication::activeModalWidget();
                if (opened && !qobject_cast<TfAutomatic*>(opened))
                    QTest::keyClick(opened, Qt::Key_Escape);
            });
            (window.get()->*tool)();
        });
        TfAutomatic& w = Run(true);
        EXPECT_TRUE(State().Paused);
        EXPECT_LE(State().PositionCount, 2);
        EXPECT_FALSE(w.Closing());
    }
}

// The "Settings" button shows the settings and keeps the window. A dialog left open before the
// join would stay blocked behind the modal window; the button brings it back in front, taking
// input, and it is modeless again once closed.
TEST_F(AutomaticWindow, SettingsLeftOpenBeforeTheJoinTakeInputFromTheButton) {
    settings.immediateStart = false;
    mainWindow = std::make_unique<QWidget>();
    ProgramState state;
    TfTavixSettings settingsDialog(state, dialogs, mainWindow.get());
    settingsDialog.ShowSettings();
    ASSERT_TRUE(settingsDialog.isVisible());
    Make(mainWindow.get()).ShowSettings = [&] { settingsDialog.ShowSettings(); };
    Run();
    ASSERT_EQ(QApplication::activeModalWidget(), window.get());

    Find<QToolButton>("sbSettings")->click();
    EXPECT_TRUE(settingsDialog.isVisible());
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->Closing());
    EXPECT_EQ(QApplication::activeModalWidget(), &settingsDialog);
    settingsDialog.reject();
    EXPECT_EQ(settingsDialog.windowModality(), Qt::NonModal);
    EXPECT_EQ(QApplication::activeModalWidget(), window.get());
    window.reset();
}

TEST_F(AutomaticWindow, NothingToSearchClosesWithAMessage) {
    join->request.TargetArea = Bitmap();
    TfAutomatic& w = Run();
    ASSERT_EQ(dialogs.asked.size(), 1);
    EXPECT_TRUE(dialogs.asked[0].startsWith(QStringLiteral("error: ")))
        << dialogs.asked[0].toStdString();
    EXPECT_TRUE(w.Closing());
    QTRY_VERIFY(!w.isVisible());
    EXPECT_FALSE(w.JoinAccepted);
}

// The window says whether the overlap was estimated or, the estimate being ambiguous, taken
// from the approximate overlaps of the settings.
TEST_F(AutomaticWindow, SaysWhereTheExpectedPositionCameFrom) {
    settings.immediateStart = false;
    struct Case {
        bool tried, distinct;
        const char* text;
    };
    for (Case c : {Case{true, true, "Overlap estimated"},
                   Case{true, false, "Estimate ambiguous: overlap from the settings"},
                   Case{false, false, nullptr}}) {
        window.reset();
        join = std::make_unique<Join>();
        join->request.Estimate.tried = c.tried;
        join->request.Estimate.distinct = c.distinct;
        Run();
        QLabel* label = Find<QLabel>("lEstimate");
        EXPECT_EQ(!label->isHidden(), c.text != nullptr);
        if (c.text) {
            EXPECT_EQ(label->text(), QString::fromLatin1(c.text));
        }
    }
}

TEST_F(AutomaticWindow, TextsAreTranslated) {
    settings.language = 1;
    settings.immediateStart = false;
    Run();
    EXPECT_EQ(Find<QPushButton>("bbTavix")->text(), QStringLiteral("Ausführen"));
    EXPECT_EQ(Find<QPushButton>("bbBreak")->text(), QStringLiteral("Abbruch"));
    EXPECT_EQ(Find<QLabel>("lAllHits")->text(), QStringLiteral("von 1600 Treffern"));
}

// ---- What the window shows ------------------------------------------------------------------

TEST_F(AutomaticWindow, CountersShowTheBestAndTheProgress) {
    TfAutomatic& w = Run();
    EXPECT_EQ(Find<QLabel>("stHitsMax")->text(), QStringLiteral("1600"));
    EXPECT_EQ(Find<QLabel>("stCorrelationMax")->text(), QStringLiteral("100 %"));
    EXPECT_EQ(Find<QLabel>("stCounter")->text(), QString::number(State().PositionCount));
    EXPECT_EQ(Find<QLabel>("lAllHits")->text(), QStringLiteral("of 1600 hits"));
    EXPECT_EQ(Find<QProgressBar>("pBar")->value(),
              static_cast<int>(State().PositionCount * 100 / State().TotalPositions));
    // The band lies at the best position with the red frame; the search area is framed yellow.
    const QImage shown = w.TargetView();
    const QPoint best(join->truePos.x, join->truePos.y);
    EXPECT_EQ(shown.pixelColor(best - QPoint(1, 1)), QColor(Qt::red));
    const Rect& area = State().SearchArea;
    EXPECT_EQ(shown.pixelColor(area.left - 1, (area.top + area.bottom) / 2), QColor(Qt::yellow));
}

TEST_F(AutomaticWindow, MatchPicturesPaintMissesInTheDisaccordColour) {
    settings.continueSearch = 0;
    settings.disaccordColor = 0x0000A0FF;  // orange: red FF, green A0, blue 00
    const QColor disaccord(0xFF, 0xA0, 0x00);
    Make();
    AtFirstBreath([this] { Find<QToolButton>("sbPause")->click(); });
    TfAutomatic& w = Run(true);
    ASSERT_EQ(State().PositionCount, 1);  // at the expected position, 3 pixels off
    const QImage current = w.CurrentMatchesImage();
    ASSERT_EQ(current.size(), QSize(40, 40));
    int misses = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x)
            misses += current.pixelColor(x, y) == disaccord ? 1 : 0;
    EXPECT_EQ(misses, 1600 - State().Hits);
    EXPECT_GT(misses, 1400);

    window.reset();
    TfAutomatic& exact = Run();  // immediate: the best is the true position
    ASSERT_EQ(State().BestCorrelation, 100);
    const QImage best = exact.findChild<ImageBox*>(QStringLiteral("iBestMatches"))->Image();
    ASSERT_FALSE(best.isNull());
    for (int y = 0; y < best.height(); ++y)
        for (int x = 0; x < best.width(); ++x)
            ASSERT_NE(best.pixelColor(x, y), disaccord);
}

TEST_F(AutomaticWindow, ChartMarksTheBestRedAndLeavesUnscoredWhite) {
    TfAutomatic& w = Run();
    const QImage chart = w.ChartImage();
    const PositionRange& range = State().CentreRange;
    ASSERT_EQ(chart.size(), QSize(range.right - range.left + 1, range.bottom - range.top + 1));
    const QPoint best(join->truePos.x + 20 - range.left, join->truePos.y + 20 - range.top);
    EXPECT_EQ(chart.pixelColor(best), QColor(Qt::red));
    EXPECT_EQ(chart.pixelColor(0, 0), QColor(Qt::white));  // the search stopped before it
    // The start position, 3 pixels off, scored low: a light grey.
    const QPoint start = best + QPoint(3, -2);
    const QColor startColour = chart.pixelColor(start);
    EXPECT_EQ(startColour.red(), startColour.blue());
    EXPECT_GE(startColour.red(), 0xCC);
}

TEST(ChartRenderer, DecilesGreyHundredRedUnscoredWhite) {
    const std::vector<uint8_t> chart{0, 15, 55, 99, 100, 255, 72, 88};
    const QColor colours[] = {{0xEE, 0xEE, 0xEE}, {0xDD, 0xDD, 0xDD}, {0x88, 0x88, 0x88},
                              {0x00, 0x00, 0x00}, QColor(Qt::red),    QColor(Qt::white),
                              {0x44, 0x44, 0x44}, {0x22, 0x22, 0x22}};
    ChartRenderer renderer;
    QImage image;
    renderer.Render(chart, 4, 2, QSize(10, 10), image);
    ASSERT_EQ(image.size(), QSize(4, 2));
    EXPECT_EQ(renderer.BlockSize(), 1);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(image.pixelColor(i % 4, i / 4), colours[i]) << int{chart[i]};
}

TEST(ChartRenderer, LargeChartsShowTheHighestValueOfEachBlock) {
    // 5 x 3 positions into at most 2 x 2 pixels: blocks of 3, the last ones cut short.
    std::vector<uint8_t> chart(15, SelfSearch::kChartUnscored);
    chart[1 * 5 + 1] = 20;
    chart[1 * 5 + 2] = 100;  // the block's best wins over its other scores
    chart[2 * 5 + 4] = 35;   // alone in the last, short block
    ChartRenderer renderer;
    QImage image;
    renderer.Render(chart, 5, 3, QSize(2, 2), image);
    EXPECT_EQ(renderer.BlockSize(), 3);
    ASSERT_EQ(image.size(), QSize(2, 1));
    EXPECT_EQ(image.pixelColor(0, 0), QColor(Qt::red));
    EXPECT_EQ(image.pixelColor(1, 0), QColor(0xBB, 0xBB, 0xBB));
    renderer.Render(std::vector<uint8_t>(15, SelfSearch::kChartUnscored), 5, 3, QSize(2, 2), image);
    EXPECT_EQ(image.pixelColor(1, 0), QColor(Qt::white));
}

// The colour at the middle of cell (r, c) of an overview of rows x cols cells, 3 pixels apart.
QColor CellCentre(const QImage& overview, int rows, int cols, int r, int c) {
    const int cw = (overview.width() - 3 * cols) / cols;
    const int ch = (overview.height() - 3 * rows) / rows;
    return overview.pixelColor((c - 1) * (cw + 3) + 1 + cw / 2, (r - 1) * (ch + 3) + 1 + ch / 2);
}

TEST_F(AutomaticWindow, OverviewColoursTheJoinFromTheMatrix) {
    MapMatrix matrix;
    ASSERT_TRUE(matrix.NewMatrix(2, 3));
    for (tSingleMap& cell : matrix)
        cell.Joined = cell.Row == 1 || cell.Col == 1;
    matrix.At(1, 2)->IsNeighbour = true;
    matrix.At(2, 2)->IsJoining = true;
    join->request.RowCount = 2;
    join->request.ColCount = 3;
    settings.immediateStart = false;
    Make().Matrix = &matrix;
    const QImage overview = Run().OverviewImage();
    ASSERT_FALSE(overview.isNull());
    EXPECT_EQ(CellCentre(overview, 2, 3, 1, 1), QColor(Qt::blue));
    EXPECT_EQ(CellCentre(overview, 2, 3, 1, 2), QColor(0, 128, 0));
    EXPECT_EQ(CellCentre(overview, 2, 3, 2, 2), QColor(Qt::red));
    EXPECT_EQ(CellCentre(overview, 2, 3, 2, 3), QColor(Qt::white));
    const int cw = (overview.width() - 9) / 3, ch = (overview.height() - 6) / 2;
    EXPECT_EQ(overview.pixelColor(2 * (cw + 3) + 1, ch + 3 + 1 + ch / 2), QColor(Qt::black));

    // Without the matrix the cells before the joining one count as joined.
    window.reset();
    join->request.RowCount = join->request.ColCount = join->request.Row = 2;
    join->request.Col = 1;
    const QImage guessed = Run().OverviewImage();
    EXPECT_EQ(CellCentre(guessed, 2, 2, 1, 1), QColor(0, 128, 0));
    EXPECT_EQ(CellCentre(guessed, 2, 2, 1, 2), QColor(Qt::blue));
    EXPECT_EQ(CellCentre(guessed, 2, 2, 2, 1), QColor(Qt::red));
    EXPECT_EQ(CellCentre(guessed, 2, 2, 2, 2), QColor(Qt::white));
}

TEST_F(AutomaticWindow, TakesTheMainWindowsPlaceAndScrollsTowardTheOverlap) {
    mainWindow = std::make_unique<QWidget>();
    mainWindow->setGeometry(30, 40, 700, 620);
    join->request.TargetArea = NoisePicture(700, 900, 9);  // larger than the view both ways
    settings.immediateStart = false;
    TfAutomatic& w = Run(false, mainWindow.get());
    EXPECT_EQ(w.geometry(), mainWindow->geometry());
    QCoreApplication::processEvents();
    auto* area = Find<QScrollArea>("sbMap");
    const QScrollBar* h = area->horizontalScrollBar();
    const QScrollBar* v = area->verticalScrollBar();
    ASSERT_GT(h->maximum(), 0);
    ASSERT_GT(v->maximum(), 0);
    EXPECT_EQ(h->value(), h->maximum());  // a horizontal join: the target's right end
    const Rect& s = State().SearchArea;
    EXPECT_EQ(v->value(), v->maximum() * ((s.top + s.bottom) / 2) / 900);
}

}  // namespace
}  // namespace korvalen
