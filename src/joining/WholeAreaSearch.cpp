#include "joining/WholeAreaSearch.h"

#include <algorithm>
#include <array>
#include <atomic>

#include "joining/SearchWorkers.h"

namespace korvalen {
namespace {

// The early stop is tested after this many band rows.
constexpr int kRowsPerBoundCheck = 16;
// Runs shorter than this many compared pixels are not worth waking another core for.
constexpr int64_t kPixelsPerCore = int64_t{1} << 22;
// A piece of a run takes this share of what is left of it per core (1 / (cores x share)),
// and at least this many pixels: the first pieces are large, the last ones small.
constexpr size_t kShareOfRestPerPiece = 4;
constexpr int64_t kPixelsSmallestPiece = int64_t{1} << 18;
// The walk scores this many pixels between looking at the best: pieces large enough to share
// out, small enough that the best found early prunes the rest.
constexpr int64_t kPixelsPerBatch = int64_t{1} << 29;

}  // namespace

WholeAreaScorer::WholeAreaScorer(const GreyView& band, const GreyView& target, uint8_t spreading,
                                 int threads)
    : WholeAreaScorer(band, target, spreading, threads, GroupBand::kBestFitting) {}

WholeAreaScorer::WholeAreaScorer(const GreyView& band, const GreyView& target, uint8_t spreading,
                                 int threads, int vectorBytes)
    : bandView_(band),
      target_(target),
      spreading_(spreading),
      threads_(threads > 0 ? std::min(threads, SearchCores()) : SearchCores()),
      band_(band, spreading, vectorBytes) {}

bool WholeAreaScorer::FullyInside(Point pos) const {
    const int64_t columns = std::min<int64_t>(target_.width, int64_t{kMaxComparedColumn} + 1);
    return pos.x >= 0 && pos.y >= 0 && int64_t{pos.x} + bandView_.width <= columns &&
           int64_t{pos.y} + bandView_.height <= target_.height;
}

void WholeAreaScorer::Score(const Point* positions, size_t count, int64_t bestHits,
                            PositionScore* scores) {
    const int64_t pixels = static_cast<int64_t>(count) * std::max<int64_t>(BandPixels(), 1);
    const int cores =
        static_cast<int>(std::clamp<int64_t>(pixels / kPixelsPerCore, 1, std::max(threads_, 1)));
    if (cores <= 1) {
        ScoreRun(positions, count, bestHits, scores);
        return;
    }
    // Pieces are taken in walking order by whichever core is free. They shrink towards the
    // end of the run, so that the cores finish it together. Each piece starts from the best
    // before the run, whoever scores it and whenever: which positions stop early, and so the
    // chart and the runner-up, come out the same in every search of the same pair.
    const size_t smallest = static_cast<size_t>(std::max<int64_t>(
        2 * kMaxGroupPositions, kPixelsSmallestPiece / std::max<int64_t>(BandPixels(), 1)));
    std::vector<size_t> starts{0};
    for (size_t at = 0; at < count;) {
        const size_t left = count - at;
        at += std::min(left, std::max(smallest, left / (size_t{static_cast<unsigned>(cores)} *
                                                        kShareOfRestPerPiece)));
        starts.push_back(at);
    }
    const size_t pieces = starts.size() - 1;
    std::atomic<size_t> next{0};
    RunOnCores(cores, [&](int) {
        for (size_t p = next.fetch_add(1); p < pieces; p = next.fetch_add(1))
            ScoreRun(positions + starts[p], starts[p + 1] - starts[p], bestHits,
                     scores + starts[p]);
    });
}

// One core's run, in order: the best grows as exactly counted positions pass, and every
// position is compared with the best before it.
void WholeAreaScorer::ScoreRun(const Point* positions, size_t count, int64_t bestHits,
                               PositionScore* scores) const {
    std::array<Point, kMaxGroupPositions> group;
    std::array<size_t, kMaxGroupPositions> where;
    int grouped = 0;
    auto flush = [&] {
        if (grouped == 0)
            return;
        std::array<PositionScore, kMaxGroupPositions> out;
        ScoreGroup(group.data(), grouped, bestHits, out.data());
        for (int k = 0; k < grouped; ++k) {
            scores[where[k]] = out[k];
            if (!out[k].bounded)
                bestHits = std::max(bestHits, out[k].hits);
        }
        grouped = 0;
    };
    for (size_t i = 0; i < count; ++i) {
        const Point pos = positions[i];
        if (band_.kernel() != nullptr && FullyInside(pos)) {
            group[grouped] = pos;
            where[grouped] = i;
            if (++grouped == kMaxGroupPositions)
                flush();
            continue;
        }
        // Clipped by the target's edges: counted alone.
        flush();
        scores[i] = ScoreClipped(pos, bestHits);
        if (!scores[i].bounded)
            bestHits = std::max(bestHits, scores[i].hits);
    }
    flush();
}

// Positions lying wholly inside the target: every band pixel is compared. A position stops
// once its misses leave it no more hits than bestHits.
void WholeAreaScorer::ScoreGroup(const Point* positions, int count, int64_t bestHits,
                                 PositionScore* scores) const {
    const GroupBand::Rows& rows = band_.rows();
    const int64_t pixels = band_.Pixels();
    bestHits = CountAbove(bestHits);
    const int64_t missLimit = pixels - bestHits;  // this many misses and it cannot win
    std::array<const uint8_t*, kMaxGroupPositions> targets;
    std::array<int64_t, kMaxGroupPositions> misses{};
    std::array<int, kMaxGroupPositions> live;  // indices still counted
    std::array<const uint8_t*, kMaxGroupPositions> liveTargets;
    std::array<int64_t, kMaxGroupPositions> liveMisses;
    int liveCount = 0;
    for (int k = 0; k < count; ++k) {
        targets[k] = target_.Row(positions[k].y) + positions[k].x;
        if (missLimit <= 0)
            scores[k] = {pixels, true};  // nothing can beat a best of every pixel
        else
            live[liveCount++] = k;
    }
    for (int row = 0; row < rows.height && liveCount > 0;) {
        const int end = std::min(rows.height, row + kRowsPerBoundCheck);
        for (int i = 0; i < liveCount; ++i) {
            liveTargets[i] = targets[live[i]];
            liveMisses[i] = 0;
        }
        band_.kernel()(rows, liveTargets.data(), target_.stride, liveCount, row, end,
                       liveMisses.data());
        row = end;
        int kept = 0;
        for (int i = 0; i < liveCount; ++i) {
            const int k = live[i];
            misses[k] += liveMisses[i];
            if (misses[k] >= missLimit && row < rows.height)
                scores[k] = {pixels - misses[k], true};
            else
                live[kept++] = k;
        }
        liveCount = kept;
    }
    for (int i = 0; i < liveCount; ++i) {
        const int k = live[i];
        scores[k] = {pixels - misses[k], false};
    }
}

// A band partly outside the target (or beyond the compared columns): only the pixels over
// the target are compared, by the same block kernel CountHits uses, and the others are misses.
// Where fewer pixels are compared than the best has hits, nothing needs counting at all.
PositionScore WholeAreaScorer::ScoreClipped(Point pos, int64_t bestHits) const {
    bestHits = CountAbove(bestHits);
    const int64_t compared = ComparedPixels(bandView_, target_, pos);
    if (compared <= bestHits || bandView_.pixels == nullptr || target_.pixels == nullptr)
        return {compared, compared <= bestHits};
    const int64_t columns = std::min<int64_t>(target_.width, int64_t{kMaxComparedColumn} + 1);
    const int left = static_cast<int>(std::max<int64_t>(0, -int64_t{pos.x}));
    const int right = static_cast<int>(std::min<int64_t>(bandView_.width, columns - pos.x));
    const int top = static_cast<int>(std::max<int64_t>(0, -int64_t{pos.y}));
    const int bottom =
        static_cast<int>(std::min<int64_t>(bandView_.height, int64_t{target_.height} - pos.y));
    static const BlockHitsFunction blockHits = HaveAvx2Kernel() ? Avx2BlockHits() : BlockHitsScalar;
    const int width = right - left;
    const int64_t missLimit = compared - bestHits;
    int64_t misses = 0;
    for (int y = top; y < bottom; y += kRowsPerBoundCheck) {
        const int rows = std::min(kRowsPerBoundCheck, bottom - y);
        const int64_t hits = blockHits(bandView_.Row(y) + left, bandView_.stride,
                                       target_.Row(pos.y + y) + (pos.x + left), target_.stride,
                                       width, rows, spreading_);
        misses += int64_t{width} * rows - hits;
        if (misses >= missLimit && y + rows < bottom)
            return {compared - misses, true};
    }
    return {compared - misses, false};
}

bool AppendRingPositions(Point centre, int r, const PositionRange& range, Point half,
                         std::vector<Point>& positions) {
    if (r == 0) {
        positions.push_back(centre - half);
        return true;
    }
    std::array<RingSide, 4> sides;
    const int count = RingSides(centre, r, range, sides);
    for (int i = 0; i < count; ++i) {
        Point c = sides[i].first;
        for (int k = 0; k < sides[i].count; ++k, c = c + sides[i].step)
            positions.push_back(c - half);
    }
    return count > 0;
}

namespace {

// The walk shared by both searches; score(positions, count, best, scores) fills scores.
template <typename ScoreFunction>
WholeAreaResult WalkWholeArea(int64_t bandPixels, Point expectedPos, const PositionRange& centres,
                              Point half, ScoreFunction score) {
    WholeAreaResult result;
    const Point centre = expectedPos + half;
    const size_t batch = static_cast<size_t>(
        std::max<int64_t>(1, kPixelsPerBatch / std::max<int64_t>(bandPixels, 1)));
    std::vector<Point> positions;
    std::vector<PositionScore> scores;
    bool more = true;
    int ring = 0;
    while (more) {
        positions.clear();
        while (positions.size() < batch) {
            if (!AppendRingPositions(centre, ring, centres, half, positions)) {
                more = false;
                break;
            }
            result.rings = ring;
            ++ring;
        }
        scores.resize(positions.size());
        score(positions.data(), positions.size(), result.maxHits, scores.data());
        for (size_t i = 0; i < positions.size(); ++i) {
            ++result.positionCount;
            if (!scores[i].bounded && scores[i].hits > result.maxHits) {
                result.found = true;
                result.bestPos = positions[i];
                result.maxHits = scores[i].hits;
                result.positionCountAtBest = result.positionCount;
            }
        }
    }
    return result;
}

}  // namespace

WholeAreaResult SearchWholeArea(const GreyView& band, const GreyView& target, uint8_t spreading,
                                Point expectedPos, const PositionRange& centres, int threads,
                                int vectorBytes) {
    WholeAreaScorer scorer(band, target, spreading, threads, vectorBytes);
    return WalkWholeArea(scorer.BandPixels(), expectedPos, centres,
                         {band.width / 2, band.height / 2},
                         [&](const Point* p, size_t n, int64_t best, PositionScore* s) {
                             scorer.Score(p, n, best, s);
                         });
}

WholeAreaResult SearchWholeAreaSerial(const GreyView& band, const GreyView& target,
                                      uint8_t spreading, Point expectedPos,
                                      const PositionRange& centres) {
    return WalkWholeArea(int64_t{band.width} * band.height, expectedPos, centres,
                         {band.width / 2, band.height / 2},
                         [&](const Point* p, size_t n, int64_t, PositionScore* s) {
                             for (size_t i = 0; i < n; ++i)
                                 s[i] = {CountHits(band, target, p[i], spreading), false};
                         });
}

}  // namespace korvalen
