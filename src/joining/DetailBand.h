#pragma once

#include <optional>

#include "images/Bitmap.h"
#include "joining/JoinPrediction.h"
#include "joining/JoinRequest.h"
#include "joining/OverlapEstimate.h"
#include "joining/SearchArea.h"

namespace korvalen {

// The band's top-left within allowed (all edges included) where a width x height band of map
// covers the most detail: the sum of brightness steps between neighbouring pixels, less what
// JPEG noise makes on blank paper. Among equal sums the one nearest the middle of allowed wins.
// Nothing when allowed is empty or the band does not fit into the map there.
std::optional<Point> PlaceBandOnDetail(const Bitmap& map, int width, int height,
                                       const PositionRange& allowed);

// The band top-lefts of a join whose new map lies with its top-left at offset in the target
// (targetWidth x targetHeight) that keep the band inside both pictures, margin pixels clear of
// their edges.
PositionRange BandPositionsInOverlap(Point offset, int mapWidth, int mapHeight, int targetWidth,
                                     int targetHeight, int bandWidth, int bandHeight, int margin);

// Which of the additions to the prediction of an ordinary join are switched on.
struct RefineOptions {
    bool estimateOverlap = true;
    bool bandOnDetail = true;
};

// Improves the prediction of an ordinary join: a distinct overlap estimate becomes its expected
// position (placeholder, band position, ExpectedPos), and the band moves to where the
// expected overlap has most detail. Gives what was done, for the window and the reports.
JoinEstimate RefinePrediction(JoinPrediction& prediction, const Bitmap& newMap,
                              const Bitmap& targetArea, Point neighbourPos,
                              const RefineOptions& options);

}  // namespace korvalen
