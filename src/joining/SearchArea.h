#pragma once

#include <array>
#include <cstdint>

#include "images/BitmapOps.h"
#include "joining/JoinRequest.h"

namespace korvalen {

// Positions the band's centre may take; all four edges belong to it.
struct PositionRange {
    int left = 0, top = 0, right = 0, bottom = 0;
    int64_t Columns() const { return int64_t{right} - left + 1; }
    int64_t Rows() const { return int64_t{bottom} - top + 1; }
    int64_t Count() const { return Columns() > 0 && Rows() > 0 ? Columns() * Rows() : 0; }
    bool Contains(Point p) const {
        return p.x >= left && p.x <= right && p.y >= top && p.y <= bottom;
    }
    friend bool operator==(const PositionRange&, const PositionRange&) = default;
};

// How far the search area reaches beyond the band, in half band sizes, across x and y.
struct SearchFactors {
    int x = 2, y = 2;
    friend bool operator==(const SearchFactors&, const SearchFactors&) = default;
};

// Ordinary joins take the overlap setting (1..10) both ways. A grid-pattern join searches only
// along its joining direction, and its first join four times as far.
SearchFactors FactorsFor(int overlapSetting, bool gridPatternJoin, bool gridFirstJoin,
                         bool horizontal);

struct SearchGeometry {
    Rect area;              // what the band may cover; right and bottom are one past its end
    PositionRange centres;  // where its centre may lie
    Point expectedPos;      // band top-left that puts the centre in the middle of centres
    int64_t totalPositions = 0;
};

// The search area around the band placed at expectedPos, shifted (never shrunk) into a
// target of targetWidth x targetHeight. An area wider or higher than the target keeps its left
// or top edge at 0 and reaches beyond the far edge.
SearchGeometry FitSearchArea(Point expectedPos, int bandWidth, int bandHeight,
                             SearchFactors factors, int targetWidth, int targetHeight);

// One side of a square ring: count centres from first on, step apart.
struct RingSide {
    Point first;
    Point step;
    int count = 0;
};

// The sides of the ring of radius r (> 0) around centre that lie inside range, in the order they
// are walked: top left to right, right downwards, bottom right to left, left upwards; each side
// stops one short of its clipped end when the next side begins there. Together the sides hold
// every centre of range at that distance exactly once. Gives how many sides there are; none
// means the search area is exhausted.
int RingSides(Point centre, int r, const PositionRange& range, std::array<RingSide, 4>& sides);

}  // namespace korvalen
