#include "joining/JoinDriver.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <limits>
#include <map>

#include "core/ProgramState.h"
#include "images/MapMatrix.h"
#include "support/TestSupport.h"

namespace korvalen {
namespace {

// What one self-search was asked, with the matrix flags as they stood during it.
struct SearchCall {
    JoinRequest request;  // as handed over (TargetArea included)
    bool joiningFlagged = false;
    bool neighbourFlagged = false;
    int flaggedCells = 0;
};

// Answers the driver's questions from queues and records everything it was asked.
class ScriptedHost : public JoinDriverHost {
public:
    explicit ScriptedHost(MapMatrix& matrix) : matrix_(matrix) {}

    std::deque<int> selectAnswers;
    std::deque<bool> confirmAnswers;
    // The search: by default it accepts at the expected position with 95 %.
    std::function<JoinResult(JoinRequest&)> search = [](JoinRequest& r) {
        return JoinResult{true, r.ExpectedPos, 95};
    };

    std::vector<JoinSelection> selections;
    std::vector<std::string> confirms;
    std::vector<SearchCall> searches;
    std::vector<int> changedCells;
    int updates = 0;
    int resultShown = 0;

    int SelectOption(const JoinSelection& selection) override {
        selections.push_back(selection);
        if (selectAnswers.empty()) {
            ADD_FAILURE() << "unexpected selection: " << selection.caption;
            return 0;
        }
        const int answer = selectAnswers.front();
        selectAnswers.pop_front();
        return answer;
    }
    bool Confirm(const std::string& text) override {
        confirms.push_back(text);
        if (confirmAnswers.empty()) {
            ADD_FAILURE() << "unexpected question: " << text;
            return false;
        }
        const bool answer = confirmAnswers.front();
        confirmAnswers.pop_front();
        return answer;
    }
    JoinResult RunSelfSearch(JoinRequest& request) override {
        SearchCall call;
        call.request = request;
        const tSingleMap* cell = matrix_.At(request.Row, request.Col);
        const tSingleMap* neighbour = matrix_.At(request.NeighbourRow, request.NeighbourCol);
        call.joiningFlagged = cell && cell->IsJoining;
        call.neighbourFlagged = neighbour && neighbour->IsNeighbour;
        for (const tSingleMap& c : matrix_)
            call.flaggedCells += c.IsJoining + c.IsNeighbour;
        searches.push_back(std::move(call));
        return search(request);
    }
    void CellChanged(int index) override { changedCells.push_back(index); }
    void UpdateControls() override { ++updates; }
    void ShowResultMap() override { ++resultShown; }

private:
    MapMatrix& matrix_;
};

// A matrix of rows x cols maps of one size, named a1, a2, ... b1, ... like the demo maps.
void FillMatrix(MapMatrix& matrix, int rows, int cols, int w, int h) {
    ASSERT_TRUE(matrix.NewMatrix(rows, cols));
    for (tSingleMap& cell : matrix) {
        cell.Bitmap = std::make_unique<Bitmap>(w, h, PixelFormat::Bits8);
        cell.Name =
            std::string(1, static_cast<char>('a' + cell.Row - 1)) + std::to_string(cell.Col);
        cell.FilePath = cell.Name + ".bmp";
    }
}

// ResultPos that makes the driver place the new map at (x, y), by the recording formula.
Point ResultPosFor(const MapMatrix& matrix, const JoinRequest& r, int x, int y) {
    const tSingleMap& n = *matrix.At(r.NeighbourRow, r.NeighbourCol);
    return {x - n.X - r.TargetRect.left + r.BandPos.x, y - n.Y - r.TargetRect.top + r.BandPos.y};
}

class JoinDriverTest : public ::testing::Test {
protected:
    void SetUp() override {
        Settings& s = state.settings;
        // These cases check the prediction from the settings; the estimate has its own tests.
        s.estimateOverlap = false;
        s.bandOnDetail = false;
        s.pauseAfter = false;
        s.SearchBandAlong = 10;
        s.SearchBandAcross = 20;
        s.horizontalOverlap = 50;
        s.verticalOverlap = 30;
        s.preferredAlgorithm = 1;
        savedName = "old-result.bmp";
    }
    // Starts a run that answers the driver's selections and questions from these lists.
    void Start(std::deque<int> selections, std::deque<bool> confirmations = {}) {
        host.selectAnswers = std::move(selections);
        host.confirmAnswers = std::move(confirmations);
        driver.StartJoining();
    }
    const SearchCall& CallFor(int row, int col) const {
        for (const SearchCall& call : host.searches)
            if (call.request.Row == row && call.request.Col == col)
                return call;
        ADD_FAILURE() << "no search for (" << row << ", " << col << ")";
        static const SearchCall none;
        return none;
    }
    // Places each cell at its entry in truth (the anchor is not searched).
    void SearchFindsTruth(const std::map<std::pair<int, int>, Point>& truth) {
        host.search = [this, truth](JoinRequest& r) {
            const Point p = truth.at({r.Row, r.Col});
            return JoinResult{true, ResultPosFor(matrix, r, p.x, p.y), 90};
        };
    }

    MapMatrix matrix;
    ProgramState state;
    std::string savedName;
    ScriptedHost host{matrix};
    JoinDriver driver{matrix, state, host, savedName};
};

TEST_F(JoinDriverTest, OneCellIsTheAnchorWithoutAnyQuestion) {
    FillMatrix(matrix, 1, 1, 40, 30);
    matrix.At(1, 1)->X = 17;
    host.confirmAnswers = {true};
    driver.StartJoining();

    EXPECT_TRUE(host.selections.empty());
    EXPECT_TRUE(host.searches.empty());
    const tSingleMap& anchor = *matrix.At(1, 1);
    EXPECT_EQ(anchor.X, 0);
    EXPECT_EQ(anchor.Y, 0);
    EXPECT_EQ(anchor.Correlation, 100);
    EXPECT_TRUE(anchor.Joined);
    EXPECT_EQ(driver.JoinedCount, 1);
    EXPECT_EQ(driver.JoinAlgorithm, 1);
    EXPECT_EQ(host.changedCells, std::vector<int>{0});
    EXPECT_EQ(host.confirms, std::vector<std::string>{kLookAtResultQuestion});
    EXPECT_EQ(host.resultShown, 1);
    EXPECT_EQ(host.updates, 1);
    EXPECT_FALSE(state.ResultUnsaved);  // only the anchor: nothing to save yet
    EXPECT_TRUE(savedName.empty());
}

TEST_F(JoinDriverTest, TheAlgorithmQuestionOffersFiveOptionsAndCancelChangesNothing) {
    FillMatrix(matrix, 1, 2, 40, 30);
    state.settings.preferredAlgorithm = 4;
    state.ResultUnsaved = true;
    Start({0});

    ASSERT_EQ(host.selections.size(), 1u);
    const JoinSelection& s = host.selections[0];
    EXPECT_EQ(s.caption, "Joining_algorithm");
    EXPECT_EQ(s.statement, "choose tavix_algorithm");
    EXPECT_EQ(s.options,
              (std::vector<std::string>{"self-search", "define search_band",
                                        "join_points only on_first horiz./vertically_tavix",
                                        "set join_points ever", "manually_move_map"}));
    EXPECT_EQ(s.defaultChoice, 4);
    EXPECT_EQ(s.fontSize, 8);

    EXPECT_EQ(driver.JoinAlgorithm, 0);
    EXPECT_FALSE(matrix.At(1, 1)->Joined);
    EXPECT_TRUE(host.searches.empty());
    EXPECT_TRUE(state.ResultUnsaved);
    EXPECT_EQ(savedName, "old-result.bmp");
    EXPECT_EQ(host.updates, 0);
    EXPECT_TRUE(host.confirms.empty());
}

TEST_F(JoinDriverTest, OneRowJoinsHorizontallyFromTheOverlapsFound) {
    FillMatrix(matrix, 1, 4, 200, 100);
    host.selectAnswers = {1};
    host.confirmAnswers = {false};
    std::deque<Point> found = {{82, 43}, {90, 35}, {60, 40}};
    host.search = [found](JoinRequest& r) mutable {
        const Point p = found.front();
        found.pop_front();
        return JoinResult{true, p, 80 + r.Col};
    };
    driver.StartJoining();

    ASSERT_EQ(host.searches.size(), 3u);
    for (const SearchCall& call : host.searches) {
        EXPECT_EQ(call.request.JoinDirection, (Point{-1, 0}));
        EXPECT_EQ(call.request.TargetRect, (Rect{100, 0, 200, 100}));
        EXPECT_EQ(call.request.BandWidth, 10);
        EXPECT_EQ(call.request.BandHeight, 20);
        EXPECT_EQ(call.request.NeighbourRow, 1);
        EXPECT_EQ(call.request.NeighbourCol, call.request.Col - 1);
        EXPECT_EQ(call.request.RowCount, 1);
        EXPECT_EQ(call.request.ColCount, 4);
    }
    // Column 2: the setting's overlap of 50 is more than twice the band: centre at 25.
    EXPECT_EQ(CallFor(1, 2).request.ExpectedPos, (Point{70, 40}));
    EXPECT_EQ(CallFor(1, 2).request.BandPos, (Point{20, 40}));
    EXPECT_EQ(CallFor(1, 2).request.JoinCaption, "Tavixing a2 (row=1 column=2) with a1 ...");
    // X = 0 + 100 + 82 - 20, Y = 0 + 0 + 43 - 40.
    EXPECT_EQ(matrix.At(1, 2)->X, 162);
    EXPECT_EQ(matrix.At(1, 2)->Y, 3);
    // Column 3: overlap 200 - 162 = 38, centre 19.
    EXPECT_EQ(CallFor(1, 3).request.ExpectedPos, (Point{76, 40}));
    EXPECT_EQ(CallFor(1, 3).request.BandPos, (Point{14, 40}));
    EXPECT_EQ(matrix.At(1, 3)->X, 162 + 100 + 90 - 14);
    EXPECT_EQ(matrix.At(1, 3)->Y, 3 + 35 - 40);
    // Column 4: overlap 200 - (338 - 162) = 24, and now twice the band (20) is less: centre 12.
    EXPECT_EQ(CallFor(1, 4).request.ExpectedPos, (Point{83, 40}));
    EXPECT_EQ(CallFor(1, 4).request.BandPos, (Point{7, 40}));

    EXPECT_EQ(matrix.At(1, 4)->Correlation, 84);
    EXPECT_EQ(driver.JoinedCount, 4);
    EXPECT_TRUE(state.ResultUnsaved);
    EXPECT_TRUE(savedName.empty());
    EXPECT_EQ(host.changedCells, (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(host.confirms, std::vector<std::string>{kLookAtResultQuestion});
    EXPECT_EQ(host.resultShown, 0);
}

TEST_F(JoinDriverTest, TheBandCentreStaysAtTheBandLengthWhileTheOverlapIsBelowTwice) {
    FillMatrix(matrix, 1, 2, 200, 100);
    state.settings.SearchBandAlong = 30;
    Start({1}, {false});
    // 2 x 30 > 50: cx = 30. The band's centre lies 50 - 30 pixels left of the neighbour's
    // right edge: ExpectedPos = (100 - 50 + 30 - 15, 50 - 10).
    EXPECT_EQ(CallFor(1, 2).request.ExpectedPos, (Point{65, 40}));
    EXPECT_EQ(CallFor(1, 2).request.BandPos, (Point{15, 40}));
}

TEST_F(JoinDriverTest, OneColumnJoinsVerticallyFromTheVerticalOverlap) {
    FillMatrix(matrix, 3, 1, 200, 100);
    host.selectAnswers = {1};
    host.confirmAnswers = {false};
    std::deque<Point> found = {{95, 38}, {91, 30}};
    host.search = [&found](JoinRequest&) {
        const Point p = found.front();
        found.pop_front();
        return JoinResult{true, p, 91};
    };
    // The placeholder is set before the search starts.
    std::vector<Point> placeholders;
    host.search = [&, inner = host.search](JoinRequest& r) {
        const tSingleMap& cell = *matrix.At(r.Row, r.Col);
        placeholders.push_back({cell.X, cell.Y});
        return inner(r);
    };
    driver.StartJoining();

    ASSERT_EQ(host.searches.size(), 2u);
    const JoinRequest& second = CallFor(2, 1).request;
    EXPECT_EQ(second.JoinDirection, (Point{0, -1}));
    EXPECT_EQ(second.TargetRect, (Rect{0, 50, 200, 100}));
    EXPECT_EQ(second.BandWidth, 20);   // across
    EXPECT_EQ(second.BandHeight, 10);  // along
    // verticalOverlap 30 -> cy 15, cx = 200 / 2.
    EXPECT_EQ(second.ExpectedPos, (Point{90, 30}));
    EXPECT_EQ(second.BandPos, (Point{90, 10}));
    EXPECT_EQ(placeholders[0], (Point{0, 70}));
    EXPECT_EQ(matrix.At(2, 1)->X, 0 + 0 + 95 - 90);
    EXPECT_EQ(matrix.At(2, 1)->Y, 0 + 50 + 38 - 10);
    // Row 3: the overlap found by row 2's join, 100 - 78 = 22 -> cy 11.
    const JoinRequest& third = CallFor(3, 1).request;
    EXPECT_EQ(third.ExpectedPos, (Point{90, 34}));
    EXPECT_EQ(third.BandPos, (Point{90, 6}));
    EXPECT_EQ(placeholders[1], (Point{0, 78 + 100 - 22}));
    EXPECT_EQ(matrix.At(3, 1)->X, 5 + 0 + 91 - 90);
    EXPECT_EQ(matrix.At(3, 1)->Y, 78 + 50 + 30 - 6);
    EXPECT_EQ(driver.JoinedCount, 3);
}

TEST_F(JoinDriverTest, LaterRowsPredictFromTheVerticalJoinsAlreadyFound) {
    FillMatrix(matrix, 3, 3, 200, 100);
    const std::map<std::pair<int, int>, Point> truth = {
        {{1, 2}, {160, 3}},  {{1, 3}, {330, -2}}, {{2, 1}, {5, 78}},    {{2, 2}, {170, 75}},
        {{2, 3}, {333, 75}}, {{3, 1}, {4, 150}},  {{3, 2}, {171, 160}}, {{3, 3}, {335, 170}}};
    SearchFindsTruth(truth);
    Start({1}, {true});

    for (const auto& [cell, p] : truth) {
        EXPECT_EQ(matrix.At(cell.first, cell.second)->X, p.x);
        EXPECT_EQ(matrix.At(cell.first, cell.second)->Y, p.y);
    }
    // (2, 3) takes the overlap of (2, 2)'s join: 100 - (75 - 3) = 28 -> cy 14.
    EXPECT_EQ(CallFor(2, 3).request.ExpectedPos, (Point{90, 50 - 28 + 14 - 5}));
    EXPECT_EQ(CallFor(2, 3).request.BandPos, (Point{90, 14 - 5}));
    EXPECT_EQ(CallFor(2, 3).request.NeighbourRow, 1);
    // (3, 3) takes the overlap of (2, 3)'s own join: 100 - (75 - (-2)) = 23 -> cy 11.
    EXPECT_EQ(CallFor(3, 3).request.ExpectedPos, (Point{90, 50 - 23 + 11 - 5}));
    EXPECT_EQ(CallFor(3, 3).request.BandPos, (Point{90, 11 - 5}));
    EXPECT_EQ(driver.JoinedCount, 9);
    EXPECT_EQ(host.resultShown, 1);
}

TEST_F(JoinDriverTest, TheTargetAreaIsTheFacingHalfOfTheNeighbour) {
    ASSERT_TRUE(matrix.NewMatrix(2, 2));
    unsigned seed = 1;
    for (tSingleMap& cell : matrix)
        cell.Bitmap = std::make_unique<Bitmap>(test::MakeTestPicture(41, 31, seed++));
    Start({1}, {false});

    auto expectArea = [&](const SearchCall& call, const tSingleMap& neighbour, Rect rect) {
        EXPECT_EQ(call.request.TargetRect, rect);
        const Bitmap& area = call.request.TargetArea;
        ASSERT_EQ(area.Width(), rect.Width());
        ASSERT_EQ(area.Height(), rect.Height());
        for (int y = 0; y < area.Height(); ++y)
            for (int x = 0; x < area.Width(); ++x)
                ASSERT_EQ(area.PixelAt(x, y),
                          neighbour.Bitmap->PixelAt(x + rect.left, y + rect.top));
    };
    expectArea(CallFor(1, 2), *matrix.At(1, 1), Rect{20, 0, 41, 31});
    expectArea(CallFor(2, 1), *matrix.At(1, 1), Rect{0, 15, 41, 31});
    expectArea(CallFor(2, 2), *matrix.At(1, 2), Rect{0, 15, 41, 31});
    EXPECT_EQ(CallFor(2, 2).request.NewMap, matrix.At(2, 2)->Bitmap.get());
}

TEST_F(JoinDriverTest, OnlyTheTwoCellsOfTheJoinAreFlaggedAndOnlyDuringTheSearch) {
    FillMatrix(matrix, 2, 2, 60, 40);
    Start({1}, {false});
    ASSERT_EQ(host.searches.size(), 3u);
    for (const SearchCall& call : host.searches) {
        EXPECT_TRUE(call.joiningFlagged);
        EXPECT_TRUE(call.neighbourFlagged);
        EXPECT_EQ(call.flaggedCells, 2);
    }
    for (const tSingleMap& cell : matrix)
        EXPECT_FALSE(cell.IsJoining || cell.IsNeighbour);
}

TEST_F(JoinDriverTest, PositionsUseTheBandPositionTheSearchEndedWith) {
    FillMatrix(matrix, 1, 2, 640, 480);
    matrix.At(1, 1)->Y = 0;
    host.selectAnswers = {1};
    host.confirmAnswers = {false};
    host.search = [](JoinRequest& r) {
        r.BandPos = {35, 215};  // the band was redefined by hand
        return JoinResult{true, {235, 200}, 77};
    };
    driver.StartJoining();
    EXPECT_EQ(matrix.At(1, 2)->X, 0 + 320 + 235 - 35);
    EXPECT_EQ(matrix.At(1, 2)->Y, 0 + 0 + 200 - 215);
    EXPECT_EQ(matrix.At(1, 2)->Correlation, 77);
}

TEST_F(JoinDriverTest, AWildResultPositionIsClampedNotOverflowed) {
    FillMatrix(matrix, 1, 3, 64, 48);
    host.selectAnswers = {1};
    host.confirmAnswers = {false};
    host.search = [](JoinRequest&) {
        constexpr int big = std::numeric_limits<int>::max();
        return JoinResult{true, {big, -big}, 250};
    };
    driver.StartJoining();
    EXPECT_EQ(matrix.At(1, 3)->X, std::numeric_limits<int32_t>::max());
    EXPECT_EQ(matrix.At(1, 2)->Correlation, 100);
    EXPECT_EQ(driver.JoinedCount, 3);
}

TEST_F(JoinDriverTest, ANotAcceptedJoinStopsTheRunAndKeepsEarlierJoins) {
    FillMatrix(matrix, 1, 4, 200, 100);
    host.selectAnswers = {1};
    host.search = [](JoinRequest& r) { return JoinResult{r.Col != 3, {70, 40}, 93}; };
    driver.StartJoining();

    EXPECT_EQ(host.searches.size(), 2u);
    EXPECT_TRUE(matrix.At(1, 2)->Joined);
    EXPECT_EQ(matrix.At(1, 2)->X, 150);
    const tSingleMap& failed = *matrix.At(1, 3);
    EXPECT_FALSE(failed.Joined);
    EXPECT_EQ(failed.X, 150 + 200 - 50);  // its placeholder
    EXPECT_EQ(failed.Correlation, -1);
    EXPECT_FALSE(matrix.At(1, 4)->Joined);
    EXPECT_EQ(driver.JoinedCount, 2);
    EXPECT_EQ(host.updates, 1);
    EXPECT_TRUE(host.confirms.empty());  // not complete: no look at the result

    // Continuing asks nothing, keeps the algorithm and joins only the rest.
    host.search = [](JoinRequest&) { return JoinResult{true, {70, 40}, 88}; };
    host.confirmAnswers = {true};
    state.ResultUnsaved = false;
    savedName = "saved.bmp";
    driver.ContinueJoining();
    ASSERT_EQ(host.searches.size(), 4u);
    EXPECT_EQ(host.searches[2].request.Col, 3);
    EXPECT_EQ(host.searches[3].request.Col, 4);
    EXPECT_EQ(host.searches[3].request.JoinAlgorithm, 1);
    EXPECT_EQ(host.selections.size(), 1u);
    EXPECT_EQ(matrix.At(1, 2)->X, 150);
    EXPECT_EQ(driver.JoinedCount, 4);
    EXPECT_TRUE(state.ResultUnsaved);
    EXPECT_TRUE(savedName.empty());
    EXPECT_EQ(host.resultShown, 1);
}

TEST_F(JoinDriverTest, AMissingMapStopsTheRunWithoutASearch) {
    FillMatrix(matrix, 1, 3, 64, 48);
    matrix.At(1, 2)->Bitmap.reset();
    Start({1});
    EXPECT_TRUE(host.searches.empty());
    EXPECT_TRUE(matrix.At(1, 1)->Joined);
    EXPECT_FALSE(matrix.At(1, 2)->Joined);
    EXPECT_EQ(driver.JoinedCount, 1);
}

TEST_F(JoinDriverTest, AnsweringNoToThePauseQuestionStops) {
    FillMatrix(matrix, 2, 2, 64, 48);
    state.settings.pauseAfter = true;
    Start({1}, {true, false});
    EXPECT_EQ(host.searches.size(), 2u);
    EXPECT_EQ(host.confirms, (std::vector<std::string>{kPauseQuestion, kPauseQuestion}));
    EXPECT_EQ(driver.JoinedCount, 3);
    EXPECT_FALSE(matrix.At(2, 2)->Joined);

    // No pause question after the last cell.
    host.confirms.clear();
    host.confirmAnswers = {false};
    driver.ContinueJoining();
    EXPECT_EQ(host.confirms, std::vector<std::string>{kLookAtResultQuestion});
    EXPECT_EQ(driver.JoinedCount, 4);
}

TEST_F(JoinDriverTest, DecliningTheRestartChangesNothingButStillOffersTheResult) {
    FillMatrix(matrix, 1, 3, 64, 48);
    Start({1}, {false});
    ASSERT_EQ(driver.JoinedCount, 3);
    const int x3 = matrix.At(1, 3)->X;

    host.selections.clear();
    host.confirms.clear();
    host.selectAnswers = {0};
    host.confirmAnswers = {true};
    state.ResultUnsaved = true;
    savedName = "kept.bmp";
    driver.StartJoining();
    ASSERT_EQ(host.selections.size(), 1u);
    EXPECT_EQ(host.selections[0].caption, "Tavix_maps");
    EXPECT_EQ(host.selections[0].statement, "3 tavixes have_been_already_carried_out !");
    EXPECT_EQ(host.selections[0].options,
              std::vector<std::string>{"discard_intermediate_result and restart tavix"});
    EXPECT_EQ(host.selections[0].defaultChoice, 0);
    EXPECT_EQ(host.searches.size(), 2u);
    EXPECT_EQ(driver.JoinedCount, 3);
    EXPECT_EQ(matrix.At(1, 3)->X, x3);
    EXPECT_TRUE(matrix.At(1, 3)->Joined);
    EXPECT_TRUE(state.ResultUnsaved);
    EXPECT_EQ(savedName, "kept.bmp");
    EXPECT_EQ(host.confirms, std::vector<std::string>{kLookAtResultQuestion});
    EXPECT_EQ(host.resultShown, 1);
}

TEST_F(JoinDriverTest, ARestartDiscardsTheJoinsAndAsksForTheAlgorithmAgain) {
    FillMatrix(matrix, 1, 3, 64, 48);
    Start({1}, {false});
    host.changedCells.clear();

    // Restart confirmed, then the algorithm question cancelled: nothing is placed any more.
    Start({1, 0});
    for (const tSingleMap& cell : matrix) {
        EXPECT_FALSE(cell.Joined);
        EXPECT_EQ(cell.Correlation, 0);
    }
    EXPECT_EQ(host.changedCells, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(driver.JoinedCount, 0);
    EXPECT_EQ(driver.JoinAlgorithm, 0);
    EXPECT_EQ(host.confirms.size(), 1u);  // only from the first run

    host.selectAnswers = {2};
    host.confirmAnswers = {false};
    driver.StartJoining();  // at most one placed: no restart question
    EXPECT_EQ(driver.JoinedCount, 3);
    EXPECT_EQ(host.searches.back().request.JoinAlgorithm, 2);
}

TEST_F(JoinDriverTest, JoinPointsAreAskedForUntilTheFirstJoinOfEachDirectionOfARun) {
    FillMatrix(matrix, 2, 3, 64, 48);
    host.selectAnswers = {3};
    host.search = [](JoinRequest& r) { return JoinResult{!(r.Row == 2 && r.Col == 3), {}, 90}; };
    driver.StartJoining();
    std::vector<bool> asked;
    for (const SearchCall& call : host.searches)
        asked.push_back(call.request.AskJoinPoints);
    EXPECT_EQ(asked, (std::vector<bool>{true, false, true, false, false}));
    // A start that began with at most one map placed forgets them afterwards, so continuing
    // asks again.
    EXPECT_FALSE(driver.FirstRowPointsSet);
    EXPECT_FALSE(driver.FirstColPointsSet);

    host.search = [](JoinRequest&) { return JoinResult{true, {}, 90}; };
    host.confirmAnswers = {false};
    driver.ContinueJoining();
    EXPECT_TRUE(host.searches.back().request.AskJoinPoints);
    EXPECT_TRUE(driver.FirstColPointsSet);
    EXPECT_FALSE(driver.FirstRowPointsSet);
}

TEST_F(JoinDriverTest, ChangingTheAlgorithmAloneAsksAndRemembers) {
    FillMatrix(matrix, 2, 1, 64, 48);
    host.selectAnswers = {5};
    driver.ChooseJoinAlgorithm();
    EXPECT_EQ(driver.JoinAlgorithm, 5);
    host.selectAnswers = {9};  // not an option: as cancelled
    driver.ChooseJoinAlgorithm();
    EXPECT_EQ(driver.JoinAlgorithm, 0);
    EXPECT_TRUE(host.searches.empty());
}

TEST_F(JoinDriverTest, CaptionsKeepMapNamesAsTheyAre) {
    EXPECT_EQ(FormatJoinCaption("b2", 2, 12, "a2"), "Tavixing b2 (row=2 column=12) with a2 ...");
    EXPECT_EQ(FormatJoinCaption("%s%d", 1, 2, "x"), "Tavixing %s%d (row=1 column=2) with x ...");
}

// Grid pattern: 512 x 384 maps overlapping by 10 %.
class GridJoinTest : public JoinDriverTest {
protected:
    void SetUp() override {
        JoinDriverTest::SetUp();
        FillMatrix(matrix, 2, 3, 512, 384);
        state.GridPatternJoin = true;
        driver.Grid.GridOverlapFactor = 0.1f;
        driver.Grid.GridOverlapExtra = 25;
        driver.Grid.GridBandBase = 25;
        Settings& s = state.settings;
        s.minimumCorrelation = 85;
        s.continueSearch = 2;
        s.previewFirst = true;
        s.pauseAfter = true;  // not forced: each join still asks
        driver.JoinAlgorithm = 4;
    }
    std::map<std::pair<int, int>, Point> truth = {{{1, 2}, {440, 4}},
                                                  {{1, 3}, {875, 10}},
                                                  {{2, 1}, {-3, 320}},
                                                  {{2, 2}, {433, 318}},
                                                  {{2, 3}, {870, 330}}};
};

TEST_F(GridJoinTest, TheFirstJoinsExpectTheOverlapOfThePattern) {
    SearchFindsTruth(truth);
    std::vector<Point> placeholders;
    std::vector<std::string> forced;
    host.search = [&, inner = host.search](JoinRequest& r) {
        const tSingleMap& cell = *matrix.At(r.Row, r.Col);
        placeholders.push_back({cell.X, cell.Y});
        const Settings& s = state.settings;
        forced.push_back(std::to_string(s.minimumCorrelation) + " " +
                         std::to_string(s.continueSearch) + " " + std::to_string(s.previewFirst) +
                         " " + std::to_string(r.JoinAlgorithm));
        return inner(r);
    };
    host.confirmAnswers = {true, true, true, true, false};
    driver.StartJoining();

    EXPECT_TRUE(host.selections.empty());  // neither the algorithm nor a restart is asked
    ASSERT_EQ(host.searches.size(), 5u);
    for (const std::string& f : forced)
        EXPECT_EQ(f, "100 1 0 1");

    // (1, 2): the pattern's overlap is trunc(512 x 0.1) = 51 pixels; the band, 3/4 of it
    // long and 50 across, lies centred inside it, and the overlap is expected half the extra
    // further, at 63.
    const JoinRequest& first = CallFor(1, 2).request;
    EXPECT_TRUE(first.GridPatternJoin);
    EXPECT_TRUE(first.GridFirstJoin);
    EXPECT_EQ(first.BandWidth, 38);
    EXPECT_EQ(first.BandHeight, 50);
    EXPECT_EQ(first.BandPos, (Point{25 - 19, 192 - 25}));
    EXPECT_EQ(first.ExpectedPos, (Point{256 - 63 + 25 - 19, 192 - 25}));
    EXPECT_EQ(placeholders[0], (Point{512 - 63, 0}));

    // (1, 3): the overlap and the cross shift of (1, 2)'s join: 512 - 440 = 72, 25 x 25 band.
    const JoinRequest& second = CallFor(1, 3).request;
    EXPECT_FALSE(second.GridFirstJoin);
    EXPECT_EQ(second.BandWidth, 25);
    EXPECT_EQ(second.BandPos, (Point{36 - 12, 192 - 12}));  // 2 x 25 <= 72: centre 72 / 2
    EXPECT_EQ(placeholders[1], (Point{440 + 512 - 72, 4 + 4}));

    // (2, 1): the pattern's overlap is trunc(384 x 0.1) = 38, so the band is 28 high inside
    // it, centred a third across the map; the overlap is expected at 38 + 12 = 50.
    const JoinRequest& down = CallFor(2, 1).request;
    EXPECT_TRUE(down.GridFirstJoin);
    EXPECT_EQ(down.JoinDirection, (Point{0, -1}));
    EXPECT_EQ(down.BandHeight, 28);
    EXPECT_EQ(down.BandPos, (Point{170 - 25, 19 - 14}));
    EXPECT_EQ(down.ExpectedPos, (Point{170 - 25, 192 - 50 + 19 - 14}));
    EXPECT_EQ(placeholders[2], (Point{0, 384 - 50}));

    // (2, 2): overlap 384 - 320 = 64 and the cross shift of (2, 1)'s join, -3.
    const JoinRequest& fourth = CallFor(2, 2).request;
    EXPECT_FALSE(fourth.GridFirstJoin);
    EXPECT_EQ(fourth.BandPos, (Point{170 - 12, 32 - 12}));
    EXPECT_EQ(placeholders[3], (Point{440 - 3, 4 + 384 - 64}));
    // (2, 3) keeps both values.
    EXPECT_EQ(placeholders[4], (Point{875 - 3, 10 + 384 - 64}));

    for (const auto& [cell, p] : truth)
        EXPECT_EQ(
            (Point{matrix.At(cell.first, cell.second)->X, matrix.At(cell.first, cell.second)->Y}),
            p);
    // Complete: the forced settings are given back and the pattern's join is over.
    EXPECT_FALSE(state.GridPatternJoin);
    EXPECT_EQ(state.settings.minimumCorrelation, 85);
    EXPECT_EQ(state.settings.continueSearch, 2);
    EXPECT_TRUE(state.settings.previewFirst);
    EXPECT_EQ(driver.JoinAlgorithm, 4);
}

TEST_F(GridJoinTest, ABrokenOffJoinKeepsTheForcedSettingsUntilTheMatrixIsComplete) {
    state.settings.pauseAfter = false;
    SearchFindsTruth(truth);
    host.search = [&, inner = host.search](JoinRequest& r) {
        if (r.Row == 2 && r.Col == 2)
            return JoinResult{};
        return inner(r);
    };
    driver.StartJoining();
    EXPECT_EQ(driver.JoinedCount, 4);
    EXPECT_TRUE(state.GridPatternJoin);
    EXPECT_EQ(state.settings.minimumCorrelation, 100);
    EXPECT_EQ(state.settings.continueSearch, 1);
    EXPECT_FALSE(state.settings.previewFirst);
    EXPECT_EQ(driver.JoinAlgorithm, 1);

    // Starting again with four placed asks no restart question and restores the values from
    // before the first run, not the forced ones.
    SearchFindsTruth(truth);
    host.confirmAnswers = {false};
    driver.StartJoining();
    EXPECT_TRUE(host.selections.empty());
    EXPECT_EQ(driver.JoinedCount, 6);
    EXPECT_FALSE(state.GridPatternJoin);
    EXPECT_EQ(state.settings.minimumCorrelation, 85);
    EXPECT_EQ(state.settings.continueSearch, 2);
    EXPECT_TRUE(state.settings.previewFirst);
    EXPECT_EQ(driver.JoinAlgorithm, 4);
}

TEST_F(GridJoinTest, EndingThePatternGivesTheSettingsBack) {
    host.search = [](JoinRequest&) { return JoinResult{}; };
    driver.StartJoining();
    EXPECT_EQ(state.settings.minimumCorrelation, 100);
    driver.EndGridPatternJoin();
    EXPECT_FALSE(state.GridPatternJoin);
    EXPECT_EQ(state.settings.minimumCorrelation, 85);
    EXPECT_EQ(driver.JoinAlgorithm, 4);
}

}  // namespace
}  // namespace korvalen
