// The rings of the self-search beyond the start position, scored by the whole-area scorer in
// runs of whole ring sides and then taken position by position in walking order, as if each
// had been scored alone.
#include <algorithm>
#include <array>
#include <vector>

#include "joining/SelfSearch.h"
#include "joining/WholeAreaSearch.h"

namespace korvalen {
namespace {

// Pixels scored in one run before the positions are taken in and the window may breathe. The
// first runs are small, so that a search stopping near the start scores little beyond it;
// each run doubles up to the largest, which spreads well over the cores.
constexpr int64_t kPixelsFirstRun = int64_t{1} << 22;
constexpr int64_t kPixelsPerRun = int64_t{1} << 29;
constexpr int64_t kMaxRunPositions = int64_t{1} << 20;

// Where a ring side ends in the run, and its ring.
struct SideEnd {
    size_t end = 0;
    int ring = 0;
};

}  // namespace

// Hits from which positions coming within the uncertainty margin of the best are counted in
// full: once the best may be accepted, a close runner-up must be known exactly. Positions left
// out before that lie too far below any acceptable best to matter.
int64_t SelfSearch::RunnerUpCountFrom() const {
    const int64_t pixels = int64_t{state_.BandWidth} * state_.BandHeight;
    const int64_t percent = int64_t{state_.MinCorrelation} * 4 / 5 - kUncertainMargin - 1;
    if (percent <= 0)
        return 0;
    return (percent * pixels + 99) / 100;  // the fewest hits with at least that correlation
}

// The rings from RingRadius on. False when a restart superseded the walk. Stops after the
// position at which the search was paused or finished, or after the side at which it is done;
// positions scored beyond are dropped, as if never reached.
bool SelfSearch::WalkRings(WholeAreaScorer& scorer, Point centre, Point half) {
    SearchState& s = state_;
    const int64_t bandPixels = std::max<int64_t>(scorer.BandPixels(), 1);
    const size_t largest =
        static_cast<size_t>(std::clamp<int64_t>(kPixelsPerRun / bandPixels, 1, kMaxRunPositions));
    size_t run =
        std::min(largest, static_cast<size_t>(std::max<int64_t>(kPixelsFirstRun / bandPixels, 1)));
    scorer.SetSlack((bandPixels * (kUncertainMargin + 1) + 99) / 100, RunnerUpCountFrom());

    int ring = s.RingRadius;  // the next side to take into a run
    int side = 0;
    std::array<RingSide, 4> sides;
    int sideCount = RingSides(centre, ring, s.CentreRange, sides);
    std::vector<Point> positions;
    std::vector<PositionScore> scores;
    std::vector<SideEnd> ends;
    for (;;) {
        positions.clear();
        ends.clear();
        while (sideCount > 0 && positions.size() < run) {
            const RingSide& next = sides[side];
            Point c = next.first;
            for (int k = 0; k < next.count; ++k, c = c + next.step)
                positions.push_back(c - half);
            ends.push_back({positions.size(), ring});
            if (++side == sideCount) {
                ++ring;
                side = 0;
                sideCount = RingSides(centre, ring, s.CentreRange, sides);
            }
        }
        if (ends.empty()) {
            s.RingRadius = ring;  // exhausted: no side of this ring lies in the range
            return true;
        }
        scores.resize(positions.size());
        scorer.Score(positions.data(), positions.size(), s.MaxHits, scores.data());
        size_t i = 0;
        for (const SideEnd& e : ends) {
            s.RingRadius = e.ring;
            while (i < e.end) {
                // Positions that could not beat the best, up to where the window may next
                // breathe, are taken in one go: nothing but the counters and the chart
                // changes for them, and nothing outside the search acts in between.
                if (scores[i].bounded) {
                    const size_t quiet =
                        std::min<size_t>(e.end, i + static_cast<size_t>(PositionsBeforeBreath()));
                    size_t j = i;
                    for (; j < quiet && scores[j].bounded; ++j) {
                        const int64_t x = int64_t{positions[j].x} + half.x - s.CentreRange.left;
                        const int64_t y = int64_t{positions[j].y} + half.y - s.CentreRange.top;
                        if (x >= 0 && y >= 0 && x < chartWidth_ && y < chartHeight_)
                            chart_[static_cast<size_t>(y * chartWidth_ + x)] = kChartBelowBest;
                    }
                    if (j > i) {
                        const size_t last = j - 1;
                        scoreCount_ += static_cast<int64_t>(j - i);
                        s.PositionCount += static_cast<int64_t>(j - i);
                        s.CurrentPos = positions[last];
                        s.Hits = scores[last].hits;
                        s.HitsBounded = true;
                        s.CurrentCorrelation = CorrelationOf(scores[last].hits);
                        PassWithoutBreath(static_cast<int64_t>(j - i));
                        i = j;
                        continue;
                    }
                }
                scoreCount_ += 1;
                ++s.PositionCount;
                s.CurrentPos = positions[i];
                s.Hits = scores[i].hits;
                s.HitsBounded = scores[i].bounded;
                s.CurrentCorrelation = CorrelationOf(scores[i].hits);
                if (scores[i].bounded) {
                    const int64_t x = int64_t{positions[i].x} + half.x - s.CentreRange.left;
                    const int64_t y = int64_t{positions[i].y} + half.y - s.CentreRange.top;
                    if (x >= 0 && y >= 0 && x < chartWidth_ && y < chartHeight_)
                        chart_[static_cast<size_t>(y * chartWidth_ + x)] = kChartBelowBest;
                } else {
                    PlotChart(positions[i], s.CurrentCorrelation);
                    RecordIfBetter(settings_.continueSearch > 0);
                }
                ++i;
                MaybeBreathe();
                if (restartRequested_)
                    return false;
                if (s.Paused || finished_)
                    return true;
            }
            // Leaving never advances the ring: a resumed search walks it again.
            if (s.Done || s.Paused || finished_)
                return true;
        }
        run = std::min(run * 2, largest);
    }
}

}  // namespace korvalen
