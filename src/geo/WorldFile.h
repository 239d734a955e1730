#pragma once

#include <string>
#include <vector>

#include "geo/CalibPoints.h"

namespace korvalen {

// The six values of a world file in their line order: metres per column along easting and
// northing, metres per row along easting and northing, and the easting and northing of the
// centre of the top-left pixel.
struct WorldFileTransform {
    double EastingPerColumn = 0;
    double NorthingPerColumn = 0;
    double EastingPerRow = 0;
    double NorthingPerRow = 0;
    double CentreEasting = 0;
    double CentreNorthing = 0;
};

// The affine map from pixel to UTM metres (the zone and hemisphere of P1) that fits the
// placed points best in the least-squares sense. A north-up map in degrees is not north-up
// in UTM away from the central meridian, so the rotation terms carry the meridian
// convergence. False (and all zero) with fewer than three points not on one line.
bool FitWorldFile(const CalibPoints& points, WorldFileTransform& transform);

// The six lines, each "%.15f"; all zero when the fit fails.
std::vector<std::string> WorldFileLines(const CalibPoints& points);

}  // namespace korvalen
