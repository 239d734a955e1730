#pragma once

#include "geo/CalibPoints.h"
#include "images/Bitmap.h"
#include "images/BitmapOps.h"

namespace korvalen {

struct ProgramState;

// The angle in degrees that turns the line from p1 to p2 onto the horizontal (or vertical),
// in screen pixels (rows grow downwards). Positive when the map must turn clockwise.
double LineAngle(PixelPos p1, PixelPos p2, bool horizontal);

// The reference points of a map cut to the inclusive rectangle (x0, y0)-(x1, y1), computed
// from the points of the uncut map: each new point lies at its fixed place of the cut map.
// The old corners are interpolated bilinearly, which for the axis-parallel corners of a
// capture is plain linear interpolation. False (points unchanged) when the old corners do not
// span the map (their right or bottom pixel is 0 or less).
bool CutCalibPoints(CalibPoints& points, PixelPos topLeft, PixelPos bottomRight);

// The reference points of a width x height map turned by angleDegrees (as RotateBitmap turns
// it): like a cut, each new point lies at its fixed place of the turned map, with the
// coordinates of the place of the old map it shows, from the old corners bilinearly (beyond
// the old map, where the turned corners lie, by the same formula). False (points unchanged)
// when the old corners do not span the map.
bool RotateCalibPoints(CalibPoints& points, int width, int height, double angleDegrees);

// After a width x height map was turned by angleDegrees: in GEMode its reference points follow
// the turn and wait to be written again (a capture without points keeps none).
void TurnCalibration(ProgramState& state, int width, int height, double angleDegrees);

// Replaces bitmap by its inclusive rectangle topLeft-bottomRight, same pixel format. In
// GEMode the reference points are recomputed first and marked pending; the result then
// counts as unsaved. False, with bitmap and state unchanged, when the rectangle is empty or
// leaves the bitmap, or when the points cannot be recomputed.
bool CutBitmap(Bitmap& bitmap, PixelPos topLeft, PixelPos bottomRight, ProgramState& state);

// Adds delta to the blue, green and red of every pixel inside (or outside) rect, clamped to
// 0..255. Palette bitmaps are processed as 24 bits and keep their pixel format.
void ShadeBitmap(Bitmap& bitmap, int delta, const Rect& rect, bool inside);

}  // namespace korvalen
