#pragma once

#include <string>
#include <vector>

#include "core/Settings.h"
#include "joining/JoinPrediction.h"

namespace korvalen {

class MapMatrix;

// What one join of the run found.
struct JoinNote {
    int row = 0;
    int col = 0;
    bool accepted = false;
    int correlation = 0;               // percent of the best position
    bool estimated = false;            // the overlap estimate ran
    bool estimateTaken = false;        // it was distinct and became the expected position
    int estimateX = 0, estimateY = 0;  // its offset of the new map in the target area
    double estimateScore = 0;
    double estimateMargin = 0;
    bool bandMoved = false;
    int runnerUpCorrelation = -1;  // best more than 3 px from the best position; -1 unknown
    bool uncertain = false;
};

// How the search decides without anybody there.
enum class UnattendedDecision {
    Best,   // score the whole search area and take the best, from 80 % of the minimum on
    First,  // take the first position that reaches the minimum
};

// How a join without questions ended.
struct UnattendedJoinReport {
    std::vector<JoinNote> joins;  // every join tried, in the order of the run
    bool complete = false;        // every map was placed
    // The first map that could not be placed, with what its search found.
    int failedRow = 0;
    int failedCol = 0;
    bool searched = false;      // its search ran (otherwise failure says why not)
    int bestCorrelation = 0;    // percent
    int neededCorrelation = 0;  // 80 % of the minimum: what an exhausted search accepts
    std::string failure;
};

// The settings with the self-search deciding alone, without confirmation and never pausing
// between joins. Best: the whole search area is scored and the best position taken when it
// reaches 80 % of the minimum ("Continue_self-search"). First: the first position reaching the
// minimum is taken, or the best at 80 % of it when the area is exhausted ("Immediately
// tavix_maps").
Settings UnattendedSettings(Settings settings,
                            UnattendedDecision decision = UnattendedDecision::Best);

// Joins every map of the matrix by the self-search with the settings made unattended; stops at
// the first map whose search finds no acceptable position.
UnattendedJoinReport JoinUnattended(MapMatrix& matrix, const Settings& settings,
                                    UnattendedDecision decision = UnattendedDecision::Best);
// The same for a matrix loaded from a grid pattern: the joins are predicted from the pattern
// with the settings a grid-pattern join forces, and each first join's preview is accepted.
UnattendedJoinReport JoinPatternUnattended(MapMatrix& matrix, const Settings& settings,
                                           const GridJoinValues& grid,
                                           UnattendedDecision decision = UnattendedDecision::Best);

}  // namespace korvalen
