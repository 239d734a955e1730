#pragma once

#include <string>

#include "core/Settings.h"
#include "joining/JoinPrediction.h"

namespace korvalen {

class MapMatrix;

// How a join without questions ended.
struct UnattendedJoinReport {
    bool complete = false;  // every map was placed
    // The first map that could not be placed, with what its search found.
    int failedRow = 0;
    int failedCol = 0;
    bool searched = false;      // its search ran (otherwise failure says why not)
    int bestCorrelation = 0;    // percent
    int neededCorrelation = 0;  // 80 % of the minimum: what an exhausted search accepts
    std::string failure;
};

// The settings with the self-search deciding alone, as "Immediately tavix_maps" does without
// confirmation: take the best position once the minimum (or, when the search area is
// exhausted, 80 % of it) is reached, and never pause between joins.
Settings UnattendedSettings(Settings settings);

// Joins every map of the matrix by the self-search with the settings made unattended; stops at
// the first map whose search finds no acceptable position.
UnattendedJoinReport JoinUnattended(MapMatrix& matrix, const Settings& settings);
// The same for a matrix loaded from a grid pattern: the joins are predicted from the pattern
// with the settings a grid-pattern join forces, and each first join's preview is accepted.
UnattendedJoinReport JoinPatternUnattended(MapMatrix& matrix, const Settings& settings,
                                           const GridJoinValues& grid);

}  // namespace korvalen
