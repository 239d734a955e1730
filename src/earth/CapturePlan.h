#pragma once

#include <array>
#include <cstdint>

#include "geo/CalibPoints.h"

namespace korvalen {

// Pixel sizes shown while planning: W x (n - 1) x (100 - p) div 100 + W, products first.
int PlannedPixels(int viewSide, int count, int overlapPercent);
// Overlap of neighbouring captures in pixels: W x p div 100.
int OverlapPixels(int viewSide, int overlapPercent);
// Size of the assembled map along one side: (W - overlap) x (n - 1) + W. It can be one more
// than PlannedPixels, because the overlap is rounded down per image.
int ResultPixels(int viewSide, int count, int overlapPercent);
// Where image `index` (0-based along one side) starts in the result.
int ImageOffset(int viewSide, int index, int overlapPercent);
// Whole-area metres: (n - 1) x imageMetres x (100 - p) div 100 + imageMetres.
int64_t AreaMetres(int64_t imageMetres, int count, int overlapPercent);
// The eye altitude of one image: the framing altitude over max(rows, cols), rounded.
double ImageAltitude(double mapAltitude, int rows, int cols);

// The altitude after a step button (+-100, +-1000 m); the same value means no change.
double SteppedAltitude(double altitude, int step);
enum class AltitudeKey { PageUp, PageDown, Up, Down };
// The altitude after a key in the framing step: x1.5, x0.666, x1.1, x0.909, rounded, 0 -> 10.
double KeyedAltitude(double altitude, AltitudeKey key);

// Views per side of the map view by the "View_area" setting: 256, 512 or 1024.
int ViewSideForArea(int viewArea);

// Kinds of point a capture supplies: kinds[k] for calibration point k (1..9), 0 = none.
using PointKinds = std::array<int, kCalibPointCount + 1>;
PointKinds CalibrationKinds(int row, int col, int rows, int cols);
// Pixel of a kind within one W x H image.
PixelPos KindPixel(int kind, int width, int height);

// Cells of the overview grid (pixels of the snapshot) and of the scan's progress grid.
struct CellRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    friend bool operator==(const CellRect&, const CellRect&) = default;
};
// Overview cell (r, c), 0-based: 1/n of the snapshot, n = max(rows, cols).
CellRect OverviewCell(int r, int c, int rows, int cols, int width, int height, int overlapPercent);
// The outline of the whole covered area in the overview.
CellRect OverviewArea(int rows, int cols, int width, int height, int overlapPercent);
// Progress cell (r, c), 1-based, with a 3-pixel gap; right and bottom inclusive.
CellRect ProgressCell(int r, int c, int rows, int cols, int width, int height);

}  // namespace korvalen
