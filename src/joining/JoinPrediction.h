#pragma once

#include <optional>

#include "joining/JoinRequest.h"

namespace korvalen {

class MapMatrix;
struct Settings;

// The values of a grid-pattern join. The loader of the grid pattern sets the first three; the
// prediction of each join sets the others and later joins read them back.
struct GridJoinValues {
    float GridOverlapFactor = 0.1f;  // the pattern's overlapping percentage / 100
    int GridOverlapExtra = 25;       // pixels added to the computed overlap
    int GridBandBase = 25;           // search band edge; doubled for a first join
    bool GridFirstJoin = false;      // the current join is the first of its direction
    int ExpectedOverlap = 0;         // along the joining direction, in pixels
    // Across the joining direction: the placeholder lies this far back from the neighbour
    // (Y := neighbour Y - shift in row 1, X := neighbour X - shift below), so it holds the
    // shift the previous join of the same direction found, negated.
    int ExpectedCrossShift = 0;
};

// Where the driver expects a new map against its placed neighbour, and the request geometry
// that follows. Positions are those of the join request.
struct JoinPrediction {
    Point Placeholder;  // X, Y given to the new map until its join is accepted
    int Overlap = 0;    // expected overlap along the joining direction
    Point BandCentre;   // cx, cy: centre of the search band in the new map
    Point ExpectedPos;
    Point BandPos;
    Point JoinDirection;
    Rect TargetRect;
    int BandWidth = 0;
    int BandHeight = 0;
};

// Prediction for cell (row, col) of an ordinary matrix: row 1 joins its left neighbour, later
// rows the map above. The overlap comes from the settings for the first join of each kind and
// from the joins already found afterwards. Nothing for the anchor cell (1, 1), a cell outside
// the matrix, or when a map the prediction measures is missing.
std::optional<JoinPrediction> PredictJoin(const MapMatrix& matrix, int row, int col,
                                          const Settings& settings);

// The same for a matrix filled from a grid pattern, whose overlap is known from the pattern;
// reads and updates the running values in grid.
std::optional<JoinPrediction> PredictGridJoin(const MapMatrix& matrix, int row, int col,
                                              GridJoinValues& grid);

}  // namespace korvalen
