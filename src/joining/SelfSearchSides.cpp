// One side of a ring of the self-search, scored in pieces by the whole-area scorer and then
// taken position by position in walking order, as if each had been scored alone.
#include <algorithm>
#include <vector>

#include "joining/SelfSearch.h"
#include "joining/WholeAreaSearch.h"

namespace korvalen {
namespace {

// Pixels scored before the positions are taken in and the window may breathe: a few
// milliseconds of work.
constexpr int64_t kPixelsPerPiece = int64_t{1} << 26;

}  // namespace

// False when a restart superseded the walk. Stops after the position at which the search was
// paused or finished; positions scored beyond it are dropped, as if never reached.
bool SelfSearch::ScoreSide(WholeAreaScorer& scorer, const RingSide& side, Point half) {
    SearchState& s = state_;
    const int64_t bandPixels = std::max<int64_t>(scorer.BandPixels(), 1);
    const int piece =
        static_cast<int>(std::clamp<int64_t>(kPixelsPerPiece / bandPixels, 1, 1 << 20));
    std::vector<Point> positions;
    std::vector<PositionScore> scores;
    Point c = side.first;
    for (int done = 0; done < side.count;) {
        const int n = std::min(piece, side.count - done);
        positions.resize(static_cast<size_t>(n));
        for (Point& p : positions) {
            p = c - half;
            c = c + side.step;
        }
        done += n;
        scores.resize(positions.size());
        // Positions that cannot beat the best as it stands now cannot beat it later either.
        // Once the best may be accepted, whatever may come within the uncertainty margin of
        // it is counted in full, so that a close runner-up is known exactly; positions left
        // out before that lie too far below any acceptable best to matter.
        const bool mayAccept =
            CorrelationOf(s.MaxHits) + kUncertainMargin + 1 >= s.MinCorrelation * 4 / 5;
        scorer.SetSlack(mayAccept ? (bandPixels * (kUncertainMargin + 1) + 99) / 100 : 0);
        scorer.Score(positions.data(), positions.size(), s.MaxHits, scores.data());
        for (size_t i = 0; i < positions.size(); ++i) {
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
            MaybeBreathe();
            if (restartRequested_)
                return false;
            if (s.Paused || finished_)
                return true;
        }
    }
    return true;
}

}  // namespace korvalen
