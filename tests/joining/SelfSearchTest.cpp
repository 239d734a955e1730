#include "joining/SelfSearch.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>
#include <random>

#include "core/Settings.h"
#include "joining/CutJoin.h"

namespace korvalen {
namespace {

// Answers the search's questions from queues and records what it was asked and shown.
class ScriptedHost : public SearchHost {
public:
    SelfSearch* search = nullptr;
    std::function<void(SelfSearch&)> onBreathe;
    std::deque<int> answers;          // for Decide; 0 when empty
    std::deque<bool> previewAnswers;  // for ShowPreview; false when empty
    std::vector<DecisionRequest> decisions;
    std::vector<PreviewRequest> previews;
    std::vector<Point> previewMapSizes;
    std::vector<Point> trace;  // CurrentPos at every Breathe
    int breathes = 0;
    int finished = 0;
    bool acceptedAtFinish = false;

    void Breathe() override {
        ++breathes;
        trace.push_back(search->State().CurrentPos);
        if (onBreathe)
            onBreathe(*search);
    }
    int Decide(const DecisionRequest& request) override {
        decisions.push_back(request);
        return Pop(answers, 0);
    }
    bool ShowPreview(const PreviewRequest& request) override {
        previews.push_back(request);
        previewMapSizes.push_back({request.map->Width(), request.map->Height()});
        return Pop(previewAnswers, false);
    }
    void Finished(bool accepted) override {
        ++finished;
        acceptedAtFinish = accepted;
    }

private:
    template <typename T>
    static T Pop(std::deque<T>& queue, T fallback) {
        if (queue.empty())
            return fallback;
        T value = queue.front();
        queue.pop_front();
        return value;
    }
};

SearchSettings TestSettings() {
    SearchSettings s;
    s.minimumCorrelation = 90;
    s.spreadingTolerance = 1;
    s.overlap = 2;
    s.continueSearch = 0;
    s.proximity = 5;
    s.confirmTavix = true;
    s.previewFirst = false;
    s.immediateStart = true;
    return s;
}

using test::Cut;

// A join cut from one picture: the target is columns 100..399 of it, the new map starts at
// picture (250, 30), so a band at BandPos fits at BandPos + (150, 30) in the target.
class Join {
public:
    Join(const Bitmap& picture, Point bandPos, int band, Point expectedFromTrue,
         SearchSettings settings = TestSettings())
        : newMap(Cut(picture, {250, 30, 600, 400})), settings(settings) {
        request.NewMap = &newMap;
        request.TargetArea = Cut(picture, {100, 0, 400, 400});
        request.TargetRect = {100, 0, 400, 400};
        request.JoinDirection = {-1, 0};
        request.BandPos = bandPos;
        request.BandWidth = request.BandHeight = band;
        truePos = bandPos + Point{150, 30};
        request.ExpectedPos = truePos + expectedFromTrue;
    }

    SelfSearch& Open() {
        search = std::make_unique<SelfSearch>(request, settings, host);
        host.search = search.get();
        search->SetBreatheInterval(std::chrono::milliseconds(0));
        std::string error;
        EXPECT_TRUE(search->Activate(error)) << error;
        return *search;
    }
    SelfSearch& Run() {
        Open().Start();
        return *search;
    }
    const SearchState& State() const { return search->State(); }

    Bitmap newMap;
    SearchSettings settings;
    JoinRequest request;
    Point truePos;
    ScriptedHost host;
    std::unique_ptr<SelfSearch> search;
};

// Random indices: a wrong position matches a pixel now and then, the right one everywhere.
Bitmap NoisePicture(unsigned seed = 1) {
    Bitmap picture(600, 400, PixelFormat::Bits8);
    std::mt19937 rng(seed);
    for (int y = 0; y < 400; ++y)
        for (int x = 0; x < 600; ++x)
            picture.Row(y)[x] = static_cast<uint8_t>(rng() % 200);
    return picture;
}

// The band (new map rows) holds (7x + 53y) mod 199 and the rest 200..255, with spreading 0:
// positions within 10 pixels of the right one score no hit at all.
Bitmap PatternPicture() {
    Bitmap picture = NoisePicture(2);
    for (int y = 0; y < 400; ++y)
        for (int x = 0; x < 600; ++x)
            picture.Row(y)[x] = static_cast<uint8_t>(200 + picture.Row(y)[x] % 56);
    for (int y = 30; y < 400; ++y)
        for (int x = 250; x < 600; ++x)
            picture.Row(y)[x] = static_cast<uint8_t>((7 * x + 53 * y) % 199);
    return picture;
}

TEST(SelfSearchScore, FiftyByFiftyBandScoresHitsAndTruncatedPercent) {
    Join join(NoisePicture(), {20, 150}, 50, {0, 0});
    EXPECT_EQ(join.Open().ScoreBandAt(join.truePos).hits, 2500);
    // 500 target pixels under the band made to differ: 2000 hits, 80 %.
    Bitmap& target = join.request.TargetArea;
    for (int i = 0; i < 500; ++i) {
        uint8_t& p = target.Row(join.truePos.y + i / 50 * 5)[join.truePos.x + i % 50];
        p = static_cast<uint8_t>(p + 100);
    }
    const SelfSearch::Score score = join.Open().ScoreBandAt(join.truePos);
    EXPECT_EQ(score.hits, 2000);
    EXPECT_EQ(score.correlation, 80);
    EXPECT_LE(join.search->ScoreBandAt(join.truePos + Point{1, 0}).correlation, 3);
}

TEST(SelfSearchRun, ContinueSearchZeroGoesToTheEndThenOffersTheDecision) {
    Join join(NoisePicture(), {20, 150}, 40, {3, -2});
    join.host.answers = {1};
    join.Run();
    const SearchState& s = join.State();
    EXPECT_EQ(s.PositionCount, s.TotalPositions);
    EXPECT_EQ(join.search->ScoreCount(), s.PositionCount);  // no refinement
    ASSERT_EQ(join.host.decisions.size(), 1u);
    EXPECT_EQ(join.host.decisions[0].bestCorrelation, 100);
    EXPECT_TRUE(join.host.decisions[0].offerPreview && join.host.decisions[0].offerContinue);
    EXPECT_TRUE(join.search->Result().JoinAccepted);
    EXPECT_EQ(join.search->Result().ResultPos, join.truePos);
    EXPECT_EQ(join.search->Result().ResultCorrelation, 100);
    EXPECT_EQ(join.host.finished, 1);
    EXPECT_TRUE(join.host.acceptedAtFinish);
    // Every centre was charted; the right one in red.
    for (uint8_t c : join.search->Chart())
        EXPECT_NE(c, SelfSearch::kChartUnscored);
    const Point c = s.BestPos + Point{20, 20};
    EXPECT_EQ(join.search->Chart()[(c.y - s.CentreRange.top) * join.search->ChartWidth() + c.x -
                                   s.CentreRange.left],
              100);
}

TEST(SelfSearchRun, PreviewAtTheMinimumAcceptsOrLetsTheSideFinish) {
    SearchSettings settings = TestSettings();
    settings.continueSearch = 1;
    Join accepted(NoisePicture(), {20, 150}, 40, {3, -2}, settings);
    accepted.host.previewAnswers = {true};
    accepted.Run();
    ASSERT_EQ(accepted.host.previews.size(), 1u);
    EXPECT_FALSE(accepted.host.previews[0].horizontal);
    EXPECT_EQ(accepted.host.previewMapSizes[0], (Point{350, 370}));  // the whole new map
    EXPECT_EQ(accepted.host.previews[0].offset, (accepted.truePos - Point{20, 150}));
    EXPECT_TRUE(accepted.search->Result().JoinAccepted);
    EXPECT_TRUE(accepted.host.decisions.empty());

    Join declined(NoisePicture(), {20, 150}, 40, {3, -2}, settings);
    declined.Run();
    EXPECT_FALSE(declined.search->Result().JoinAccepted);
    EXPECT_TRUE(declined.State().Paused);
    EXPECT_TRUE(declined.State().Done);
    EXPECT_EQ(declined.State().RingRadius, 3);
    EXPECT_GT(declined.State().PositionCount, declined.State().PositionCountAtBest);
}

// The window's "Settings" button changes the program's settings while the join runs: what the
// search reads when it decides follows them; minimum and spreading stay as taken at activation.
TEST(SelfSearchRun, SettingsChangedWhileTheJoinRunsTakeEffectButMinimumAndSpreading) {
    Settings live;
    live.minimumCorrelation = 90;
    live.spreadingTolerance = 1;
    live.comparison = 0;
    live.continueSearch = 0;
    live.confirmTavix = true;
    live.previewFirst = false;
    Join join(NoisePicture(), {20, 150}, 40, {3, -2});
    SelfSearch search(join.request, TestSettings(), join.host);
    join.host.search = &search;
    search.SetBreatheInterval(std::chrono::milliseconds(0));
    search.FollowSettings(&live);
    std::string error;
    ASSERT_TRUE(search.Activate(error)) << error;
    live.minimumCorrelation = 20;
    live.spreadingTolerance = 30;
    live.confirmTavix = false;  // the best is now taken without asking
    search.Start();
    EXPECT_EQ(search.State().MinCorrelation, 90);
    EXPECT_EQ(search.State().Spreading, 1);
    EXPECT_TRUE(join.host.decisions.empty());
    EXPECT_TRUE(search.Result().JoinAccepted);
    EXPECT_EQ(search.Result().ResultPos, join.truePos);
}

TEST(SelfSearchRun, EqualHitCountsKeepThePositionScoredFirst) {
    Bitmap plain(600, 400, PixelFormat::Bits8);
    plain.Fill({0, 0, 0});
    Join join(plain, {20, 150}, 40, {5, 5});
    join.settings.confirmTavix = false;
    join.host.answers = {1};
    join.Run();
    EXPECT_EQ(join.State().PositionCountAtBest, 1);
    EXPECT_EQ(join.search->Result().ResultPos, (join.truePos + Point{5, 5}));
    // Every place fits as well: the join is uncertain and asked for although confirmTavix is off.
    ASSERT_EQ(join.host.decisions.size(), 1u);
    EXPECT_TRUE(join.host.decisions[0].uncertain);
    EXPECT_EQ(join.host.decisions[0].runnerUpCorrelation, 100);
}

// 1800 of 2500 band pixels match anywhere (72 %). With a minimum of 90 an exhausted search offers
// the decision at 72 % and not at 71 %; the Pause button previews only above 72 %.
TEST(SelfSearchRun, EightyPercentOfTheMinimumAtExhaustion) {
    struct Case {
        int hits;
        bool decision;
        bool previewOnPause;
    };
    for (Case c : {Case{1800, true, false}, Case{1775, false, false}, Case{1825, true, true}}) {
        Bitmap picture(600, 400, PixelFormat::Bits8);
        picture.Fill({0, 0, 0});
        // The band lies in the part of the new map beyond the target, which stays plain.
        for (int i = c.hits; i < 2500; ++i)
            picture.Row(180 + i / 50)[450 + i % 50] = 100;
        SearchSettings settings = TestSettings();
        settings.overlap = 1;
        settings.previewFirst = true;
        Join join(picture, {200, 150}, 50, {-275, -105}, settings);
        join.Run();
        const SearchState& s = join.State();
        EXPECT_EQ(s.BestCorrelation, c.hits / 25);
        EXPECT_TRUE(s.Exhausted);
        EXPECT_TRUE(s.Paused);
        EXPECT_FALSE(s.Done);
        EXPECT_EQ(join.host.decisions.size(), c.decision ? 1u : 0u) << c.hits;
        EXPECT_EQ(join.search->OffersSelf(), false);
        join.search->PauseButton();
        EXPECT_EQ(join.host.previews.size(), c.previewOnPause ? 1u : 0u) << c.hits;
        EXPECT_FALSE(join.search->Result().JoinAccepted);
    }
}

TEST(SelfSearchProximity, ClimbsToBetterPositionsButSkipsTheCentresRowAndColumn) {
    SearchSettings settings = TestSettings();
    settings.spreadingTolerance = 0;
    Join join(PatternPicture(), {20, 150}, 40, {0, 0}, settings);
    SelfSearch& search = join.Open();
    const int64_t before = search.ScoreCount();

    const SelfSearch::ProximityResult found = search.ProximitySearch(join.truePos + Point{2, 3});
    EXPECT_TRUE(found.improved);
    EXPECT_EQ(found.pos, join.truePos);
    EXPECT_EQ(found.correlation, 100);

    const Point current = search.State().CurrentPos;
    const SelfSearch::ProximityResult missed = search.ProximitySearch(join.truePos + Point{0, 2});
    EXPECT_FALSE(missed.improved);
    EXPECT_EQ(search.State().CurrentPos, current);

    // Near the corner only positions inside the target are scored: 7 columns x 7 rows.
    const int64_t count = search.ScoreCount();
    search.ProximitySearch({2, 2});
    EXPECT_EQ(search.ScoreCount() - count, 49);

    join.settings.proximity = 0;
    SelfSearch& still = join.Open();
    const int64_t none = still.ScoreCount();
    EXPECT_FALSE(still.ProximitySearch(join.truePos + Point{2, 3}).improved);
    EXPECT_EQ(still.ScoreCount(), none);
    EXPECT_GT(count, before);
}

TEST(SelfSearchArea, AreaBeyondTheTargetEdgeIsShiftedBeforeTheSearch) {
    Join join(NoisePicture(), {20, 150}, 40, {0, 0});
    join.request.ExpectedPos = {-10, 100};  // band centre 10 pixels from the left edge
    join.Open();
    EXPECT_EQ(join.State().SearchArea.left, 0);
    EXPECT_EQ(join.State().ExpectedPos, (Point{20, 100}));  // moved 30 pixels with the area
    EXPECT_EQ(join.request.ExpectedPos, (Point{20, 100}));
}

TEST(SelfSearchRun, RingsAreWalkedInOrderUntilNoSideIsLeft) {
    Join join(NoisePicture(), {20, 150}, 4, {0, 0});  // centres within 2 of the middle
    join.Run();
    const Point o = join.truePos - Point{2, 2};  // the range's (0, 0) as a band position
    const std::vector<Point> centres = {{2, 2}, {1, 1}, {2, 1}, {3, 1}, {3, 2}, {3, 3}, {2, 3},
                                        {1, 3}, {1, 2}, {0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0},
                                        {4, 1}, {4, 2}, {4, 3}, {4, 4}, {3, 4}, {2, 4}, {1, 4},
                                        {0, 4}, {0, 3}, {0, 2}, {0, 1}};
    ASSERT_EQ(join.host.trace.size(), centres.size());
    for (size_t i = 0; i < centres.size(); ++i)
        EXPECT_EQ(join.host.trace[i], centres[i] + o) << i;
    EXPECT_EQ(join.State().RingRadius, 3);
    EXPECT_TRUE(join.State().Exhausted);
}

TEST(SelfSearchRun, ResumingWalksTheCurrentRingAgainFromItsTopSide) {
    Join reference(NoisePicture(), {20, 150}, 40, {4, -3});
    reference.host.answers = {0};
    reference.Run();

    Join join(NoisePicture(), {20, 150}, 40, {4, -3});
    join.host.answers = {0};
    join.host.onBreathe = [](SelfSearch& s) {
        if (s.State().PositionCount == 12 && s.State().RingRadius == 2 && !s.State().Paused)
            s.PauseButton();
    };
    join.Run();
    EXPECT_TRUE(join.State().Paused);
    EXPECT_FALSE(join.State().Exhausted);
    EXPECT_EQ(join.State().PositionCount, 12);
    join.host.onBreathe = nullptr;
    join.search->Continue();
    EXPECT_EQ(join.host.trace[12], join.host.trace[9]);  // ring 2 starts again
    EXPECT_EQ(join.State().PositionCount, reference.State().PositionCount + 3);
    EXPECT_EQ(join.State().BestPos, reference.State().BestPos);
    EXPECT_EQ(join.host.decisions.size(), 1u);
}

// A near copy of the band walked on the same ring side just after the true place: once that
// best may be accepted, the copy is counted in full, so the join is known to be uncertain and
// the runner-up's percent is the one a full count gives.
TEST(SelfSearchRun, RunnerUpScoredRightAfterTheBestIsCountedInFull) {
    SearchSettings settings = TestSettings();
    settings.overlap = 6;
    settings.confirmTavix = false;
    // The true place on the bottom side of ring 25, the copy 44 pixels further along it.
    Join join(NoisePicture(4), {20, 150}, 40, {-20, -25}, settings);
    const Point copyAt = join.truePos - Point{44, 0};
    const Bitmap& newMap = join.newMap;
    Bitmap& target = join.request.TargetArea;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x)
            target.Row(copyAt.y + y)[copyAt.x + x] = newMap.Row(150 + y)[20 + x];
    for (int i = 0; i < 48; ++i)  // 1552 of 1600 pixels match: 97 %
        target.Row(copyAt.y + i % 40)[copyAt.x + i * 7 % 40] += 100;
    join.host.answers = {0};
    join.Run();
    const SearchState& s = join.State();
    ASSERT_EQ(s.BestPos, join.truePos);
    ASSERT_EQ(s.BestCorrelation, 100);
    EXPECT_EQ(join.State().RingRadius, 61);
    ASSERT_EQ(join.host.decisions.size(), 1u);
    EXPECT_TRUE(join.host.decisions[0].uncertain);
    EXPECT_EQ(join.host.decisions[0].runnerUpCorrelation, 97);

    // The same as counting every centre of the range in full.
    int runnerUp = -1;
    const Point half{20, 20};
    for (int y = s.CentreRange.top; y <= s.CentreRange.bottom; ++y) {
        for (int x = s.CentreRange.left; x <= s.CentreRange.right; ++x) {
            const Point pos = Point{x, y} - half;
            if (std::abs(pos.x - s.BestPos.x) <= kUncertainDistance &&
                std::abs(pos.y - s.BestPos.y) <= kUncertainDistance)
                continue;
            runnerUp = std::max(runnerUp, join.search->ScoreBandAt(pos).correlation);
        }
    }
    EXPECT_EQ(s.RunnerUpCorrelation, runnerUp);
}

// Breathing every 30 ms instead of after every position changes nothing but how often the
// window refreshes.
TEST(SelfSearchRun, ThrottledBreathingGivesTheSameResults) {
    for (uint8_t continueSearch : {0, 2}) {
        SearchSettings settings = TestSettings();
        settings.continueSearch = continueSearch;
        Join everyStep(NoisePicture(3), {20, 150}, 40, {7, 5}, settings);
        everyStep.host.answers = {1};
        everyStep.Run();
        Join throttled(NoisePicture(3), {20, 150}, 40, {7, 5}, settings);
        throttled.host.answers = {1};
        throttled.Open().SetBreatheInterval(std::chrono::milliseconds(30));
        throttled.search->Start();

        const SearchState& a = everyStep.State();
        const SearchState& b = throttled.State();
        EXPECT_EQ(a.BestPos, b.BestPos);
        EXPECT_EQ(a.PositionCount, b.PositionCount);
        EXPECT_EQ(a.PositionCountAtBest, b.PositionCountAtBest);
        EXPECT_EQ(everyStep.search->ScoreCount(), throttled.search->ScoreCount());
        EXPECT_EQ(everyStep.host.decisions.size(), throttled.host.decisions.size());
        EXPECT_EQ(everyStep.search->Result().ResultPos, throttled.search->Result().ResultPos);
        EXPECT_EQ(everyStep.search->Chart(), throttled.search->Chart());
        EXPECT_EQ(a.RunnerUpCorrelation, b.RunnerUpCorrelation);
        // Every position breathes but the one that ends the join.
        EXPECT_GE(everyStep.host.breathes, everyStep.search->ScoreCount() - 1);
        EXPECT_LT(throttled.host.breathes, everyStep.host.breathes / 10);
    }
}

TEST(SelfSearchDecision, EachAnswerOfTheSelection) {
    SearchSettings settings = TestSettings();
    settings.continueSearch = 2;
    auto run = [&](std::deque<int> answers, std::deque<bool> previews) {
        auto join =
            std::make_unique<Join>(NoisePicture(), Point{20, 150}, 40, Point{3, -2}, settings);
        join->host.answers = std::move(answers);
        join->host.previewAnswers = std::move(previews);
        join->Run();
        return join;
    };
    // Taken at the minimum: the search stops there and refines around it.
    const auto take = run({1}, {});
    EXPECT_TRUE(take->search->Result().JoinAccepted);
    EXPECT_EQ(take->search->Result().ResultPos, take->truePos);
    EXPECT_LT(take->State().PositionCount, take->State().TotalPositions);
    EXPECT_EQ(take->State().PositionCount, take->State().PositionCountAtBest);
    EXPECT_EQ(take->State().RingRadius, 3);
    EXPECT_GT(take->search->ScoreCount(), take->State().PositionCount);

    const auto previewed = run({2}, {true});
    ASSERT_EQ(previewed->host.previews.size(), 1u);
    EXPECT_TRUE(previewed->host.previews[0].horizontal);
    EXPECT_EQ(previewed->host.previewMapSizes[0], (Point{175, 370}));  // the facing half
    EXPECT_TRUE(previewed->search->Result().JoinAccepted);
    EXPECT_EQ(previewed->host.decisions.size(), 1u);

    const auto notPreviewed = run({2}, {false});
    EXPECT_FALSE(notPreviewed->search->Result().JoinAccepted);
    EXPECT_TRUE(notPreviewed->State().Paused);
    EXPECT_FALSE(notPreviewed->State().Done);

    const auto continued = run({3, 1}, {});
    EXPECT_EQ(continued->host.decisions.size(), 2u);  // again when the area is exhausted
    EXPECT_EQ(continued->State().PositionCount,
              continued->State().TotalPositions + take->State().PositionCount - 25);
    EXPECT_TRUE(continued->search->Result().JoinAccepted);

    const auto cancelled = run({0}, {});
    EXPECT_FALSE(cancelled->search->Result().JoinAccepted);
    EXPECT_TRUE(cancelled->State().Paused);
    EXPECT_FALSE(cancelled->State().Done);
    EXPECT_EQ(cancelled->host.finished, 0);

    // Execute offers only the best result: a second option does not exist.
    cancelled->host.answers = {2};
    cancelled->search->Execute();
    EXPECT_FALSE(cancelled->host.decisions.back().offerPreview);
    EXPECT_FALSE(cancelled->search->Result().JoinAccepted);
    cancelled->host.answers = {1};
    cancelled->search->Execute();
    EXPECT_TRUE(cancelled->search->Result().JoinAccepted);
    EXPECT_EQ(
        DecisionOptions({64, true, true}),
        (std::vector<std::string>{"Best_result of 64%", "Preview best_result", "Continue tavix"}));
}

TEST(SelfSearchGrid, StartPositionWinsAboveNinetyFivePercentOfTheBest) {
    EXPECT_EQ(ChooseGridResult({1, 1}, 62, {5, 5}, 64).pos, (Point{1, 1}));
    EXPECT_EQ(ChooseGridResult({1, 1}, 60, {5, 5}, 64).pos, (Point{5, 5}));
    EXPECT_EQ(ChooseGridResult({1, 1}, 60, {5, 5}, 64).correlation, 64);
    EXPECT_EQ(ChooseGridResult({1, 1}, 19, {5, 5}, 20).pos, (Point{5, 5}));  // not above 19
    EXPECT_EQ(ChooseGridResult({5, 5}, 64, {5, 5}, 64).pos, (Point{5, 5}));
    // A pixel off the start the better correlation wins: a pattern's step is fractional.
    EXPECT_EQ(ChooseGridResult({5, 4}, 62, {5, 5}, 64).pos, (Point{5, 5}));
    EXPECT_EQ(ChooseGridResult({4, 4}, 62, {5, 5}, 64).pos, (Point{5, 5}));
    EXPECT_EQ(ChooseGridResult({3, 5}, 62, {5, 5}, 64).pos, (Point{3, 5}));
}

TEST(SelfSearchGrid, LaterJoinsAreAcceptedWithoutAQuestion) {
    SearchSettings settings = TestSettings();
    settings.minimumCorrelation = 100;
    settings.continueSearch = 1;
    Join join(NoisePicture(), {20, 150}, 40, {6, 0}, settings);
    join.request.GridPatternJoin = true;
    join.Open();
    EXPECT_EQ(join.State().TotalPositions, 21 * 21);  // factor 1 both ways
    join.search->Start();
    EXPECT_TRUE(join.search->Result().JoinAccepted);
    EXPECT_EQ(join.search->Result().ResultPos, join.truePos);
    EXPECT_TRUE(join.host.decisions.empty());
    EXPECT_FALSE(join.search->OffersManualTools());

    Join first(NoisePicture(), {20, 150}, 40, {6, 0}, settings);
    first.request.GridPatternJoin = first.request.GridFirstJoin = true;
    first.Run();
    EXPECT_EQ(first.State().TotalPositions, 81 * 21);   // four times as far along the join
    EXPECT_FALSE(first.search->Result().JoinAccepted);  // its preview was declined
    EXPECT_TRUE(first.State().Paused);
    EXPECT_TRUE(first.search->OffersManualTools());
}

TEST(SelfSearchTools, HandBacksOfBandJoinPointsAndMove) {
    SearchSettings settings = TestSettings();
    settings.immediateStart = false;
    Join join(NoisePicture(), {20, 150}, 40, {9, 9}, settings);
    join.host.answers = {0, 0};
    join.request.JoinAlgorithm = 1;
    join.Run();
    EXPECT_TRUE(join.State().Paused);  // only the start position was scored
    EXPECT_EQ(join.State().PositionCount, 1);

    // A new band 30 x 20 at (40, 60) of the new map, searched around its true centre.
    const Point bandTrue = Point{40, 60} + Point{150, 30};
    join.search->BandDefined({40, 60}, 30, 20, bandTrue + Point{15 + 4, 10 - 3});
    EXPECT_EQ(join.request.BandPos, (Point{40, 60}));
    EXPECT_EQ(join.request.BandWidth, 30);
    EXPECT_EQ(join.State().BestPos, bandTrue);
    EXPECT_EQ(join.State().BestCorrelation, 100);

    join.search->JoinPointsSet(bandTrue + Point{-6, 2});
    EXPECT_EQ(join.State().ExpectedPos, (bandTrue + Point{-6, 2}));
    EXPECT_EQ(join.host.decisions.size(), 2u);

    join.search->ManualMoveAccepted(bandTrue - Point{40, 60});
    EXPECT_TRUE(join.search->Result().JoinAccepted);
    EXPECT_EQ(join.search->Result().ResultPos, bandTrue);
    EXPECT_EQ(join.search->Result().ResultCorrelation, 100);
    EXPECT_TRUE(join.search->Finished());

    Join early(NoisePicture(), {20, 150}, 40, {0, 0}, settings);
    early.Open();
    EXPECT_EQ(early.search->ManualMoveStart(), (Point{103, 0}));
    early.search->ToolDeclined();
    EXPECT_TRUE(early.State().Paused);
    struct FirstTool {
        uint8_t algorithm;
        bool askJoinPoints;
        SelfSearch::Tool tool;
    };
    using Tool = SelfSearch::Tool;
    const FirstTool firstTools[] = {{1, true, Tool::None},        {2, false, Tool::SearchBand},
                                    {3, false, Tool::None},       {3, true, Tool::JoinPoints},
                                    {4, false, Tool::JoinPoints}, {5, false, Tool::ManualMove}};
    for (const FirstTool& t : firstTools) {
        early.request.JoinAlgorithm = t.algorithm;
        early.request.AskJoinPoints = t.askJoinPoints;
        EXPECT_EQ(early.search->FirstTool(), t.tool) << int{t.algorithm};
    }
}

TEST(SelfSearchRun, BreakActsBeforeTheNextPosition) {
    Join join(NoisePicture(), {20, 150}, 40, {0, 0});
    join.host.onBreathe = [](SelfSearch& s) {
        if (s.State().PositionCount == 5)
            s.Break();
    };
    join.Run();
    EXPECT_EQ(join.State().PositionCount, 5);
    EXPECT_TRUE(join.search->Finished());
    EXPECT_EQ(join.host.finished, 1);
    EXPECT_FALSE(join.host.acceptedAtFinish);
    EXPECT_FALSE(join.search->Result().JoinAccepted);
}

TEST(SelfSearchRun, RequestsWithoutPicturesOrBandAreRefused) {
    Join join(NoisePicture(), {20, 150}, 40, {0, 0});
    ScriptedHost host;
    std::vector<JoinRequest> refused(4, join.request);
    refused[0].NewMap = nullptr;
    refused[1].TargetArea = Bitmap();
    refused[2].BandWidth = refused[2].BandHeight = 1 << 14;
    refused[3].BandWidth = 0;
    for (JoinRequest& request : refused) {
        SelfSearch search(request, TestSettings(), host);
        std::string error;
        EXPECT_FALSE(search.Activate(error));
        EXPECT_FALSE(error.empty());
        search.Start();  // nothing happens
        EXPECT_EQ(search.State().PositionCount, 0);
    }
}

// The chart's colours are checked where it is drawn (the window's chart renderer).
TEST(SelfSearchDisplay, MatchPicturePaintsTheMisses) {
    Join join(NoisePicture(), {20, 150}, 40, {0, 0});
    SelfSearch& search = join.Open();
    EXPECT_EQ(search.MatchImage(join.truePos).Row(7)[9],
              search.CandidateImage(join.truePos).Row(7)[9]);
    const Bitmap wrong = search.MatchImage(join.truePos + Point{1, 0});
    const uint8_t disaccord = wrong.NearestIndex({0xFE, 0x50, 0xFE});
    int painted = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x)
            painted += wrong.Row(y)[x] == disaccord;
    EXPECT_GT(painted, 1500);
}

}  // namespace
}  // namespace korvalen
