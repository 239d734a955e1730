#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "joining/JoinRequest.h"
#include "joining/ScoreKernel.h"
#include "joining/ScoreKernelGroup.h"
#include "joining/SearchArea.h"

namespace korvalen {

// What is known of one scored position.
struct PositionScore {
    // The hits; when bounded, only an upper bound: the position stopped being counted once it
    // could no longer have more hits than the best before it, so the bound is at most that.
    int64_t hits = 0;
    bool bounded = false;
};

// Scores runs of band positions as a walk in their order would, but faster: positions are
// counted in groups sharing each band load, a position stops as soon as it can no longer beat
// a position before it (one before the run, or before it in its piece of the run), and long
// runs are split in pieces over the processor's cores. Every
// position that could become the best is counted in full, so the walk's best position, its
// hits and when it was found come out exactly as from counting every position.
class WholeAreaScorer {
public:
    // threads: how many cores to use, 0 for all of them.
    WholeAreaScorer(const GreyView& band, const GreyView& target, uint8_t spreading,
                    int threads = 0);
    // The same with a chosen kernel (GroupBand's vector width; the tests compare them).
    WholeAreaScorer(const GreyView& band, const GreyView& target, uint8_t spreading, int threads,
                    int vectorBytes);

    // Scores positions[0..count) (band top-lefts) into scores; bestHits is what the best
    // position before them has (a position becomes best only with strictly more).
    void Score(const Point* positions, size_t count, int64_t bestHits, PositionScore* scores);

    int64_t BandPixels() const { return band_.Pixels(); }

    // Counts in full every position that may come within slack hits of the best before it,
    // not only those that may beat it, once that best has at least fromHits hits: a runner-up
    // close to the best is then known exactly.
    void SetSlack(int64_t slack, int64_t fromHits = 0) {
        slack_ = std::max<int64_t>(slack, 0);
        slackFrom_ = fromHits;
    }

private:
    void ScoreRun(const Point* positions, size_t count, int64_t bestHits,
                  PositionScore* scores) const;
    void ScoreGroup(const Point* positions, int count, int64_t bestHits,
                    PositionScore* scores) const;
    PositionScore ScoreClipped(Point pos, int64_t bestHits) const;
    bool FullyInside(Point pos) const;
    // The hits a position must exceed to be counted in full, given the best before it.
    int64_t CountAbove(int64_t bestHits) const {
        return bestHits >= slackFrom_ ? bestHits - slack_ : bestHits;
    }

    GreyView bandView_;
    GreyView target_;
    uint8_t spreading_;
    int threads_;
    GroupBand band_;
    int64_t slack_ = 0;
    int64_t slackFrom_ = 0;
};

// The walk of a whole search area: the start position, then ring after ring around it in the
// self-search's order, every position compared with the best before it.
struct WholeAreaResult {
    bool found = false;  // some position had a hit
    Point bestPos;
    int64_t maxHits = 0;
    int64_t positionCount = 0;        // positions scored
    int64_t positionCountAtBest = 0;  // the count when the best was scored
    int rings = 0;                    // the last ring that had a position
};

// The band positions of the ring of radius r around centre (a band centre; half is half the
// band) inside range, in walking order; ring 0 is the centre itself. False when no side of
// the ring lies inside the range (ring 0 never is).
bool AppendRingPositions(Point centre, int r, const PositionRange& range, Point half,
                         std::vector<Point>& positions);

// The whole area around expectedPos (band top-left), pruned and in parallel; vectorBytes
// chooses the kernel as GroupBand does.
WholeAreaResult SearchWholeArea(const GreyView& band, const GreyView& target, uint8_t spreading,
                                Point expectedPos, const PositionRange& centres, int threads = 0,
                                int vectorBytes = GroupBand::kBestFitting);
// The same, every position counted in full one after another by CountHits: the reference.
WholeAreaResult SearchWholeAreaSerial(const GreyView& band, const GreyView& target,
                                      uint8_t spreading, Point expectedPos,
                                      const PositionRange& centres);

}  // namespace korvalen
