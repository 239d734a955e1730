// The fast whole-area search must give exactly what counting every position in full gives:
// the same best position, hits and count at the best, on real map pairs and random ones.
#include "joining/WholeAreaSearch.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <random>
#include <string>

#include "images/MapFiles.h"
#include "images/PixelConvert.h"
#include "joining/SelfSearch.h"

namespace korvalen {
namespace {

class QuietHost : public SearchHost {
public:
    std::function<void(SelfSearch&)> onBreathe;
    SelfSearch* search = nullptr;
    void Breathe() override {
        if (onBreathe)
            onBreathe(*search);
    }
    int Decide(const DecisionRequest&) override { return 1; }
    bool ShowPreview(const PreviewRequest&) override { return false; }
};

// A search problem: an 8-bit band and target and where the search starts.
struct Pair {
    std::string name;
    Bitmap band;
    Bitmap target;
    Point expectedPos;  // band top-left, as the search area puts it
    PositionRange centres;
};

Pair MakePair(std::string name, const Bitmap& newMap, Rect bandRect, Bitmap target,
              Point expectedPos, int overlap) {
    Pair pair;
    pair.name = std::move(name);
    std::optional<Bitmap> band = CopyArea(&newMap, bandRect);
    pair.band = ConvertPixelFormat(*band, PixelFormat::Bits8);
    pair.target = ConvertPixelFormat(target, PixelFormat::Bits8);
    const int w = bandRect.right - bandRect.left, h = bandRect.bottom - bandRect.top;
    const SearchGeometry g = FitSearchArea(expectedPos, w, h, {overlap, overlap},
                                           pair.target.Width(), pair.target.Height());
    pair.expectedPos = g.expectedPos;
    pair.centres = g.centres;
    return pair;
}

// Every neighbouring pair of the demo maps, joined as the driver predicts them: to the left
// neighbour's right half and to the upper neighbour's lower half.
std::vector<Pair> DemoPairs(int band, int overlap) {
    const std::filesystem::path demo(KORVALEN_DEMO_DIR);
    auto load = [&](const std::string& name) {
        Bitmap map;
        std::string error;
        LoadMapFile(demo / (name + ".jpg"), map, true, error);
        return map;
    };
    std::vector<Pair> pairs;
    const char* rows = "abc";
    for (int r = 0; r < 3; ++r) {
        for (int c = 1; c <= 3; ++c) {
            const std::string here = std::string(1, rows[r]) + std::to_string(c);
            const Bitmap map = load(here);
            if (map.IsEmpty())
                continue;
            if (c > 1) {
                const Bitmap left = load(std::string(1, rows[r]) + std::to_string(c - 1));
                const Rect half{left.Width() / 2, 0, left.Width(), left.Height()};
                const Rect bandRect{25, map.Height() / 2 - band / 2, 25 + band,
                                    map.Height() / 2 - band / 2 + band};
                pairs.push_back(
                    MakePair(here + " to its left", map, bandRect, *CopyArea(&left, half),
                             {half.right - half.left - 75 - band, bandRect.top}, overlap));
            }
            if (r > 0) {
                const Bitmap above = load(std::string(1, rows[r - 1]) + std::to_string(c));
                const Rect half{0, above.Height() / 2, above.Width(), above.Height()};
                const Rect bandRect{map.Width() / 2 - band / 2, 25,
                                    map.Width() / 2 - band / 2 + band, 25 + band};
                pairs.push_back(
                    MakePair(here + " to the one above", map, bandRect, *CopyArea(&above, half),
                             {bandRect.left, half.bottom - half.top - 75 - band}, overlap));
            }
        }
    }
    return pairs;
}

Bitmap RandomPicture(int width, int height, int levels, std::mt19937& rng) {
    Bitmap picture(width, height, PixelFormat::Bits8);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.Row(y)[x] = static_cast<uint8_t>(rng() % levels);
    return picture;
}

// Random pairs: the band is a noisy piece of the target somewhere in the area (or from
// elsewhere, when matched is false), so that the best grows over the walk in many steps.
Pair RandomPair(unsigned seed, int bandWidth, int bandHeight, bool matched) {
    std::mt19937 rng(seed);
    const int levels = 3 + static_cast<int>(rng() % 6);
    Bitmap target = RandomPicture(bandWidth * 3 + 17, bandHeight * 3 + 11, levels, rng);
    Bitmap source = matched ? target : RandomPicture(target.Width(), target.Height(), levels, rng);
    const Point at{static_cast<int>(rng() % (target.Width() - bandWidth)),
                   static_cast<int>(rng() % (target.Height() - bandHeight))};
    Bitmap band(bandWidth, bandHeight, PixelFormat::Bits8);
    for (int y = 0; y < bandHeight; ++y) {
        for (int x = 0; x < bandWidth; ++x) {
            const bool noisy = rng() % 100 < 30;
            band.Row(y)[x] =
                noisy ? static_cast<uint8_t>(rng() % levels) : source.Row(at.y + y)[at.x + x];
        }
    }
    Pair pair;
    pair.name = "random " + std::to_string(seed);
    pair.band = std::move(band);
    pair.target = std::move(target);
    const SearchGeometry g = FitSearchArea({bandWidth, bandHeight}, bandWidth, bandHeight, {6, 6},
                                           pair.target.Width(), pair.target.Height());
    pair.expectedPos = g.expectedPos;
    pair.centres = g.centres;
    return pair;
}

void ExpectSameResult(const WholeAreaResult& fast, const WholeAreaResult& full,
                      const std::string& where) {
    EXPECT_EQ(fast.found, full.found) << where;
    EXPECT_EQ(fast.bestPos, full.bestPos) << where;
    EXPECT_EQ(fast.maxHits, full.maxHits) << where;
    EXPECT_EQ(fast.positionCount, full.positionCount) << where;
    EXPECT_EQ(fast.positionCountAtBest, full.positionCountAtBest) << where;
    EXPECT_EQ(fast.rings, full.rings) << where;
}

// The heart of it: pruned and parallel against the full serial count.
TEST(WholeAreaSearch, DemoMapPairsGiveExactlyTheFullSearchResult) {
    // Spreadings 0 and 4 on the usual band; other band sizes and areas with the default 1.
    for (const auto& [band, overlap] : {std::pair{50, 4}, std::pair{64, 10}, std::pair{33, 2}}) {
        const std::vector<Pair> pairs = DemoPairs(band, overlap);
        ASSERT_EQ(pairs.size(), 12u) << "the demo maps are missing";
        const std::vector<uint8_t> spreadings =
            band == 50 ? std::vector<uint8_t>{0, 1, 4} : std::vector<uint8_t>{1};
        for (const Pair& p : pairs) {
            for (uint8_t spreading : spreadings) {
                const GreyView b = ViewOf(p.band), t = ViewOf(p.target);
                const WholeAreaResult full =
                    SearchWholeAreaSerial(b, t, spreading, p.expectedPos, p.centres);
                const std::string where = p.name + ", band " + std::to_string(band) +
                                          ", spreading " + std::to_string(spreading);
                ASSERT_TRUE(full.found) << where;
                ExpectSameResult(SearchWholeArea(b, t, spreading, p.expectedPos, p.centres), full,
                                 where);
                ExpectSameResult(SearchWholeArea(b, t, spreading, p.expectedPos, p.centres, 1),
                                 full, where + ", one core");
            }
        }
    }
}

TEST(WholeAreaSearch, RandomPairsGiveExactlyTheFullSearchResult) {
    const Point sizes[] = {{40, 40}, {31, 17}, {32, 32}, {65, 9}, {100, 3}, {7, 7}, {129, 33}};
    unsigned seed = 1;
    for (Point size : sizes) {
        for (bool matched : {true, false}) {
            const Pair p = RandomPair(seed++, size.x, size.y, matched);
            for (uint8_t spreading : {uint8_t{0}, uint8_t{1}, uint8_t{2}, uint8_t{255}}) {
                const GreyView b = ViewOf(p.band), t = ViewOf(p.target);
                const WholeAreaResult full =
                    SearchWholeAreaSerial(b, t, spreading, p.expectedPos, p.centres);
                const std::string where = p.name + ", spreading " + std::to_string(spreading);
                for (int threads : {1, 2, 3})
                    ExpectSameResult(
                        SearchWholeArea(b, t, spreading, p.expectedPos, p.centres, threads), full,
                        where + ", " + std::to_string(threads) + " cores");
            }
        }
    }
}

// Search areas reaching beyond the target (the band is then partly outside) mix clipped
// positions, counted alone, with grouped ones.
TEST(WholeAreaSearch, AreasBeyondTheTargetEdgesGiveTheFullSearchResult) {
    std::mt19937 rng(5);
    const Bitmap target = RandomPicture(70, 50, 4, rng);
    const Bitmap band = RandomPicture(40, 36, 4, rng);
    const PositionRange centres{-10, -12, 75, 60};
    for (uint8_t spreading : {uint8_t{0}, uint8_t{1}}) {
        const WholeAreaResult full =
            SearchWholeAreaSerial(ViewOf(band), ViewOf(target), spreading, {10, 5}, centres);
        ExpectSameResult(
            SearchWholeArea(ViewOf(band), ViewOf(target), spreading, {10, 5}, centres, 2), full,
            "beyond the edges");
        EXPECT_GT(full.positionCount, 86 * 73 * 9 / 10);
    }
}

// Each position comes back either exact or with a bound no larger than the best before it,
// whichever kernel scores it.
TEST(WholeAreaScorer, BoundedPositionsNeverHideABetterOne) {
    // Inside the target and clipped by its edges, with every kernel.
    std::mt19937 rng(9);
    const Pair p = RandomPair(11, 70, 45, true);
    const GreyView b = ViewOf(p.band), t = ViewOf(p.target);
    // The area reaches 40 pixels beyond the target's edges: clipped positions are scored too.
    const PositionRange wide{p.centres.left - 40, p.centres.top - 40, p.centres.right + 40,
                             p.centres.bottom + 40};
    std::vector<Point> positions;
    for (int r = 0;
         AppendRingPositions(p.expectedPos + Point{35, 22}, r, wide, {35, 22}, positions); ++r) {
    }
    for (int vectorBytes : {0, 32, 64}) {
        if ((vectorBytes == 32 && Avx2GroupKernel() == nullptr) ||
            (vectorBytes == 64 &&
             (Avx512GroupKernel() == nullptr || FastestGroupVectorBytes() < 64)))
            continue;
        WholeAreaScorer scorer(b, t, 1, 1, vectorBytes);
        std::vector<PositionScore> scores(positions.size());
        scorer.Score(positions.data(), positions.size(), 0, scores.data());
        int64_t best = 0;
        int bounded = 0;
        for (size_t i = 0; i < positions.size(); ++i) {
            const int64_t hits = CountHitsScalar(b, t, positions[i], 1);
            if (scores[i].bounded) {
                ++bounded;
                EXPECT_LE(scores[i].hits, best) << i;
                EXPECT_LE(hits, scores[i].hits) << i;
            } else {
                EXPECT_EQ(scores[i].hits, hits) << "kernel " << vectorBytes << " at " << i;
                best = std::max(best, hits);
            }
        }
        EXPECT_GT(bounded, static_cast<int>(positions.size()) / 8) << "the early stop never ran";
    }
}

// The group kernels count exactly the misses of the plain count, for any group size, band
// width (vector tails), spreading and row range.
TEST(ScoreKernelGroup, EveryKernelCountsTheMissesOfThePlainCount) {
    std::mt19937 rng(3);
    std::vector<std::pair<int, GroupBand::Kernel>> kernels{{0, PortableGroupKernel()}};
    if (FastestGroupVectorBytes() >= 32)
        kernels.push_back({32, Avx2GroupKernel()});
    if (FastestGroupVectorBytes() >= 64)
        kernels.push_back({64, Avx512GroupKernel()});
    for (int width : {32, 33, 47, 63, 64, 65, 100, 127, 128, 250, 257}) {
        const Bitmap band = RandomPicture(width, 21, 7, rng);
        const Bitmap target = RandomPicture(width + 20, 40, 7, rng);
        for (uint8_t spreading : {uint8_t{0}, uint8_t{1}, uint8_t{3}, uint8_t{254}, uint8_t{255}}) {
            for (const auto& [bytes, kernel] : kernels) {
                GroupBand prepared(ViewOf(band), spreading, bytes);
                if (width < bytes) {
                    EXPECT_EQ(prepared.kernel(), nullptr);
                    continue;
                }
                ASSERT_EQ(prepared.kernel(), kernel) << bytes;
                for (int count = 1; count <= kMaxGroupPositions; ++count) {
                    std::vector<const uint8_t*> targets;
                    std::vector<Point> at;
                    for (int k = 0; k < count; ++k) {
                        at.push_back({static_cast<int>(rng() % 21), static_cast<int>(rng() % 20)});
                        targets.push_back(target.Row(at.back().y) + at.back().x);
                    }
                    std::vector<int64_t> misses(count, 0);
                    const int rowBegin = count % 3, rowEnd = 21 - count % 2;
                    prepared.kernel()(prepared.rows(), targets.data(),
                                      static_cast<ptrdiff_t>(target.Stride()), count, rowBegin,
                                      rowEnd, misses.data());
                    for (int k = 0; k < count; ++k) {
                        const GreyView rows{band.Row(rowBegin),
                                            static_cast<ptrdiff_t>(band.Stride()), width,
                                            rowEnd - rowBegin};
                        const Point pos{at[k].x, at[k].y + rowBegin};
                        const int64_t hits = CountHitsScalar(rows, ViewOf(target), pos, spreading);
                        EXPECT_EQ(misses[k], int64_t{width} * (rowEnd - rowBegin) - hits)
                            << "kernel " << bytes << " width " << width << " spreading "
                            << int{spreading} << " group " << count << " position " << k;
                    }
                }
            }
        }
    }
}

// Counters that overflow a byte lane: a tall band of all misses.
TEST(ScoreKernelGroup, TallBandsOfMissesDoNotOverflowTheLaneCounters) {
    Bitmap band(64, 700, PixelFormat::Bits8);
    Bitmap target(80, 700, PixelFormat::Bits8);
    for (int y = 0; y < 700; ++y) {
        std::fill(band.Row(y), band.Row(y) + 64, uint8_t{0});
        std::fill(target.Row(y), target.Row(y) + 80, uint8_t{200});
    }
    for (int bytes : {0, 32, 64}) {
        if (bytes > FastestGroupVectorBytes())
            continue;
        GroupBand prepared(ViewOf(band), 0, bytes);
        const uint8_t* targets[3] = {target.Row(0), target.Row(0) + 1, target.Row(0) + 16};
        int64_t misses[3] = {0, 0, 0};
        prepared.kernel()(prepared.rows(), targets, static_cast<ptrdiff_t>(target.Stride()), 3, 0,
                          700, misses);
        for (int64_t m : misses)
            EXPECT_EQ(m, 64 * 700) << bytes;
    }
}

TEST(WholeAreaSearch, RingPositionsFollowTheSelfSearchWalk) {
    // Ring 0 is the centre, ring 1 the eight around it, ring 3 of a 5 x 5 range has none.
    const PositionRange range{0, 0, 4, 4};
    std::vector<Point> positions;
    EXPECT_TRUE(AppendRingPositions({2, 2}, 0, range, {1, 1}, positions));
    EXPECT_EQ(positions, (std::vector<Point>{{1, 1}}));
    positions.clear();
    EXPECT_TRUE(AppendRingPositions({2, 2}, 1, range, {0, 0}, positions));
    EXPECT_EQ(positions,
              (std::vector<Point>{{1, 1}, {2, 1}, {3, 1}, {3, 2}, {3, 3}, {2, 3}, {1, 3}, {1, 2}}));
    positions.clear();
    EXPECT_TRUE(AppendRingPositions({2, 2}, 2, range, {0, 0}, positions));
    EXPECT_EQ(positions.size(), 16u);
    EXPECT_FALSE(AppendRingPositions({2, 2}, 3, range, {0, 0}, positions));
}

// ---- The self-search walking its rings with the scorer ----

SearchSettings WholeWalkSettings() {
    SearchSettings s;
    s.minimumCorrelation = 101;  // never reached: the whole area is walked
    s.spreadingTolerance = 1;
    s.overlap = 4;
    s.continueSearch = 0;
    s.confirmTavix = false;
    s.previewFirst = false;
    return s;
}

JoinRequest RequestFor(const Pair& p) {
    JoinRequest request;
    request.NewMap = &p.band;
    request.TargetArea = p.target;
    request.JoinDirection = {-1, 0};
    request.BandPos = {0, 0};
    request.BandWidth = p.band.Width();
    request.BandHeight = p.band.Height();
    request.ExpectedPos = p.expectedPos;
    return request;
}

// A self-search of a pair's band (the whole new map) in its target, activated.
struct Walk {
    Walk(const Pair& p, const SearchSettings& settings, int breatheMs = -1)
        : request(RequestFor(p)), search(request, settings, host) {
        host.search = &search;
        if (breatheMs >= 0)
            search.SetBreatheInterval(std::chrono::milliseconds(breatheMs));
        std::string error;
        EXPECT_TRUE(search.Activate(error)) << error;
    }
    // The walk's first count positions (at least), ring by ring.
    std::vector<Point> Order(size_t count) const {
        const SearchState& s = search.State();
        const Point half{s.BandWidth / 2, s.BandHeight / 2};
        std::vector<Point> walk;
        for (int r = 0; walk.size() < count &&
                        AppendRingPositions(s.ExpectedPos + half, r, s.CentreRange, half, walk);
             ++r) {
        }
        return walk;
    }
    // The position the search stands at holds its exact hits, or a bound of them.
    void ExpectCurrentHits() const {
        const SearchState& s = search.State();
        const int64_t hits =
            CountHitsScalar(ViewOf(search.Band()), ViewOf(search.Target()), s.CurrentPos, 1);
        if (s.HitsBounded)
            EXPECT_LE(hits, s.Hits);
        else
            EXPECT_EQ(s.Hits, hits);
    }
    JoinRequest request;
    QuietHost host;
    SelfSearch search;
};

TEST(SelfSearchWholeWalk, FindsExactlyWhatTheFullSearchFinds) {
    std::vector<Pair> pairs = DemoPairs(50, 4);
    pairs.push_back(RandomPair(41, 45, 30, true));
    pairs.push_back(RandomPair(42, 33, 50, false));
    for (const Pair& p : pairs) {
        SearchSettings settings = WholeWalkSettings();
        settings.overlap = p.name.rfind("random", 0) == 0 ? 6 : 4;
        Walk walk(p, settings);
        SelfSearch& search = walk.search;
        search.Start();
        const SearchState& s = search.State();
        const WholeAreaResult full = SearchWholeAreaSerial(ViewOf(p.band), ViewOf(p.target), 1,
                                                           s.ExpectedPos, s.CentreRange);
        EXPECT_EQ(s.BestPos, full.bestPos) << p.name;
        EXPECT_EQ(s.MaxHits, full.maxHits) << p.name;
        EXPECT_EQ(s.PositionCount, full.positionCount) << p.name;
        EXPECT_EQ(s.PositionCountAtBest, full.positionCountAtBest) << p.name;
        EXPECT_TRUE(s.Exhausted) << p.name;

        // The chart: positions counted in full show their correlation, the others are marked
        // and were no better than the best.
        const std::vector<uint8_t>& chart = search.Chart();
        const Point half{s.BandWidth / 2, s.BandHeight / 2};
        int below = 0;
        for (int y = 0; y < search.ChartHeight(); ++y) {
            for (int x = 0; x < search.ChartWidth(); ++x) {
                const uint8_t value = chart[static_cast<size_t>(y * search.ChartWidth() + x)];
                if (value == SelfSearch::kChartUnscored)
                    continue;  // not in the walk
                const Point pos = Point{x + s.CentreRange.left, y + s.CentreRange.top} - half;
                const int64_t hits =
                    CountHitsScalar(ViewOf(search.Band()), ViewOf(search.Target()), pos, 1);
                if (value == SelfSearch::kChartBelowBest) {
                    ++below;
                    EXPECT_LE(hits, s.MaxHits) << p.name;
                } else {
                    EXPECT_EQ(value, hits * 100 / (s.BandWidth * s.BandHeight))
                        << p.name << " at " << x << "," << y;
                }
            }
        }
        EXPECT_GT(below, 0) << p.name;

        // However the cores share the work out, a second search charts the same.
        Walk again(p, settings);
        again.search.Start();
        EXPECT_EQ(again.search.Chart(), chart) << p.name;
        EXPECT_EQ(again.search.State().RunnerUpCorrelation, s.RunnerUpCorrelation) << p.name;
    }
}

// A search that stops at the minimum stops at the same position as a full walk would, and a
// search paused on the way holds the state of the position it stopped at.
TEST(SelfSearchWholeWalk, StopsAtTheMinimumAndPausesWhereAFullWalkWould) {
    const std::vector<Pair> pairs = DemoPairs(50, 4);
    for (size_t i = 0; i < pairs.size(); i += 3) {
        const Pair& p = pairs[i];
        SearchSettings settings = WholeWalkSettings();
        settings.minimumCorrelation = 40;
        settings.continueSearch = 2;
        settings.proximity = 0;
        Walk walk(p, settings);
        SelfSearch& search = walk.search;
        // The full walk: the first position in ring order that becomes best at 40 % or more.
        const std::vector<Point> order = walk.Order(SIZE_MAX);
        int64_t best = 0, stopAt = 0;
        Point stopPos;
        for (size_t k = 0; k < order.size() && stopAt == 0; ++k) {
            const int64_t hits =
                CountHitsScalar(ViewOf(search.Band()), ViewOf(search.Target()), order[k], 1);
            if (hits > best) {
                best = hits;
                if (hits * 100 / (50 * 50) >= 40) {
                    stopAt = static_cast<int64_t>(k) + 1;
                    stopPos = order[k];
                }
            }
        }
        ASSERT_GT(stopAt, 0) << p.name;
        search.Start();
        EXPECT_TRUE(search.Finished()) << p.name;
        EXPECT_EQ(search.Result().ResultPos, stopPos) << p.name;
        EXPECT_EQ(search.State().PositionCountAtBest, stopAt) << p.name;
        EXPECT_EQ(search.State().PositionCount, stopAt) << p.name;
    }

    // Paused at a breath: the counters are those of the position reached in the walk.
    Walk walk(pairs[0], WholeWalkSettings(), 0);
    int breaths = 0;
    walk.host.onBreathe = [&](SelfSearch& running) {
        if (++breaths == 300)
            running.SetPaused(true);
    };
    walk.search.Start();
    const SearchState& s = walk.search.State();
    EXPECT_TRUE(s.Paused);
    EXPECT_EQ(s.PositionCount, 300);
    EXPECT_EQ(s.CurrentPos, walk.Order(300)[299]);
    walk.ExpectCurrentHits();
}

// Breathing only now and then, the positions between two breaths are taken in one go: a pause
// at a breath still holds the position reached, and the resumed search ends where a full walk
// does.
TEST(SelfSearchWholeWalk, PausedAtAThrottledBreathHoldsThePositionReached) {
    const std::vector<Pair> pairs = DemoPairs(50, 4);
    ASSERT_GT(pairs.size(), 1u);
    const Pair& p = pairs[1];
    Walk walk(p, WholeWalkSettings(), 1);
    const SearchState& s = walk.search.State();
    const WholeAreaResult full =
        SearchWholeAreaSerial(ViewOf(p.band), ViewOf(p.target), 1, s.ExpectedPos, s.CentreRange);
    int breaths = 0;
    walk.host.onBreathe = [&](SelfSearch& running) {
        if (++breaths == 1)
            running.SetPaused(true);
    };
    walk.search.Start();
    ASSERT_EQ(breaths, 1) << "the search ended before the window breathed";
    EXPECT_TRUE(s.Paused);
    ASSERT_GT(s.PositionCount, 1);
    ASSERT_LT(s.PositionCount, full.positionCount);
    const auto count = static_cast<size_t>(s.PositionCount);
    EXPECT_EQ(s.CurrentPos, walk.Order(count)[count - 1]);
    walk.ExpectCurrentHits();
    // Every position before it is charted, none after it.
    int64_t charted = 0;
    for (uint8_t value : walk.search.Chart())
        charted += value != SelfSearch::kChartUnscored;
    EXPECT_EQ(charted, s.PositionCount);

    walk.host.onBreathe = nullptr;
    walk.search.Continue();
    EXPECT_TRUE(s.Exhausted);
    EXPECT_EQ(s.BestPos, full.bestPos);
    EXPECT_EQ(s.MaxHits, full.maxHits);
}

}  // namespace
}  // namespace korvalen
