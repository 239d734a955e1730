#pragma once

#include <cstdint>
#include <string>

#include "images/Bitmap.h"
#include "images/BitmapOps.h"

namespace korvalen {

struct Point {
    int x = 0, y = 0;
    friend bool operator==(const Point&, const Point&) = default;
    friend Point operator+(Point a, Point b) { return {a.x + b.x, a.y + b.y}; }
    friend Point operator-(Point a, Point b) { return {a.x - b.x, a.y - b.y}; }
};

// What the overlap estimate and the band placement did for a join.
struct JoinEstimate {
    bool tried = false;      // the estimate ran
    bool distinct = false;   // and its offset became the expected position
    Point offset;            // the new map's top-left in the target area, as estimated
    double score = 0;        // normalised correlation there, -1 .. 1
    double margin = 0;       // how far it lies above the best place more than 3 px away
    bool bandMoved = false;  // the band was placed on detail, away from the fixed place
};

// What the join driver hands to the self-search for one join: where a piece of the new
// map (the search band) is expected inside the facing half of its placed neighbour (the
// target area).
struct JoinRequest {
    const Bitmap* NewMap = nullptr;  // the new map, not owned
    Bitmap TargetArea;               // the facing half of the neighbour, copied 1:1
    Rect TargetRect;                 // where the target area lies in the neighbour
    Point BandPos;                   // top-left of the search band in the new map
    Point ExpectedPos;               // expected top-left of the band in the target area
    Point JoinDirection;             // (-1, 0) horizontal, (0, -1) vertical
    int BandWidth = 0;               // band size in pixels
    int BandHeight = 0;
    uint8_t JoinAlgorithm = 1;  // 1 self-search ... 5 move by hand
    std::string JoinCaption;
    uint16_t RowCount = 0;  // the matrix, for the overview
    uint16_t ColCount = 0;
    uint16_t Row = 0;  // the cell being joined and its neighbour
    uint16_t Col = 0;
    uint16_t NeighbourRow = 0;
    uint16_t NeighbourCol = 0;
    bool AskJoinPoints = false;
    bool GridPatternJoin = false;  // the fully automatic join of a grid pattern
    bool GridFirstJoin = false;    // its first horizontal or first vertical join
    JoinEstimate Estimate;

    bool Horizontal() const { return JoinDirection.x != 0; }
};

// What the self-search hands back.
struct JoinResult {
    bool JoinAccepted = false;
    Point ResultPos;            // top-left of the band in the target area where it fits
    int ResultCorrelation = 0;  // percent
};

}  // namespace korvalen
