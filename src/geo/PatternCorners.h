#pragma once

#include <array>
#include <string>
#include <vector>

#include "geo/CalibPoints.h"
#include "geo/CalibPointsText.h"
#include "images/GridPattern.h"

namespace korvalen {

class MapMatrix;

// Where the calibration placemarks P1 to P4 lie in a pattern's views: each view spans the
// root extent, and a corner placemark lies half a grid step (a view less its overlap) up or
// down and left or right of its corner view's centre. Positions are in the view's pixels,
// fractions kept.
struct CornerPixel {
    double X = 0;
    double Y = 0;
};
std::array<CornerPixel, 4> CornerPixelsInViews(int viewWidth, int viewHeight, int overlapping);

// The same in the joined result map: shifted by where the four corner views were placed.
// False when a corner view has no map or is not joined.
bool CornerPixelsInResult(const MapMatrix& matrix, int overlapping,
                          std::array<CornerPixel, 4>& pixels, std::string& error);

// Reference points 1 to 4 at those pixels with the pattern's corner coordinates, as input
// for BuildCalibPoints. False when the pattern holds no complete corners.
bool PatternCalibInputs(const MapMatrix& matrix, const GridPattern& pattern,
                        std::vector<CalibPointInput>& inputs, std::string& error);

// The corners as the program keeps them to prefill points 1 to 4 of the hand calibration:
// coordinates set, pixels not placed.
std::array<tCalibPoint, 4> GridCornerPoints(const std::array<GridCorner, 4>& corners);

}  // namespace korvalen
