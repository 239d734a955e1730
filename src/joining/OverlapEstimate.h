#pragma once

#include "images/Bitmap.h"
#include "joining/JoinRequest.h"
#include "joining/SearchArea.h"

namespace korvalen {

// Where the new map's facing half most likely lies in the target area, found from the whole
// of both pictures: the brightness of the two is correlated at every offset of a range at once
// (by FFT), each offset normalised over the pixels the two pictures share there, so that a
// small overlap counts as much as a large one.
struct OverlapEstimate {
    bool valid = false;   // both pictures had something to compare
    Point offset;         // top-left of the new map's facing half in target pixels
    double score = 0;     // normalised correlation at offset, -1 .. 1
    double runnerUp = 0;  // the best score more than kRunnerUpDistance pixels from offset
    bool distinct = false;
    double Margin() const { return score - runnerUp; }
};

// A peak closer than this counts as the same peak.
inline constexpr int kRunnerUpDistance = 3;
// What a distinct estimate needs: a good correlation, and clearly better than any other place.
inline constexpr double kDistinctScore = 0.5;
inline constexpr double kDistinctMargin = 0.1;

// Pictures larger than 320 pixels are averaged down by a whole factor first, so that the
// estimate takes a few milliseconds; it is then a multiple of that factor and within it of
// the true offset, which the ring search around it closes.
// offsets: the top-lefts of newHalf in the target that may be the answer (all edges included).
// Offsets whose shared area is smaller than a sixteenth of the smaller picture, or under
// 64 pixels, are not considered. Both pictures may have any pixel format.
OverlapEstimate EstimateOverlap(const Bitmap& target, const Bitmap& newHalf,
                                const PositionRange& offsets);

// The offsets a join may have when the two maps overlap by 3 % to 65 % of the neighbour along
// the joining direction and are shifted across it by up to 12 % of its size. targetRect is
// where the target area lies in the neighbour of neighbourWidth x neighbourHeight pixels.
PositionRange PlausibleOffsets(bool horizontal, int neighbourWidth, int neighbourHeight,
                               const Rect& targetRect);

}  // namespace korvalen
