#pragma once

#include "earth/EarthApplication.h"

namespace korvalen {

// How the map view turns a camera into a picture: it looks straight down with a fixed field
// of view whose ground width equals the eye altitude, and draws latitude and longitude
// linearly. The longitude scale is fixed by a reference latitude for the whole session, so
// that every view of a capture has the same degrees per pixel wherever the camera goes.
struct ViewGeometry {
    int Width = 512;
    int Height = 512;
    double ReferenceLatitude = 0;

    double LatDegreesPerPixel(double range) const;
    double LonDegreesPerPixel(double range) const;
    ViewExtents Extents(const CameraInfo& camera) const;
    // x to the right, y upward, -1..+1.
    PointOnTerrain PointAt(const CameraInfo& camera, double x, double y) const;
    // The range at which the view is `lonSpan` degrees wide.
    double RangeForLonSpan(double lonSpan) const;
};

inline constexpr double kMetresPerDegree = 111319.49079327357;  // WGS 84 equator
inline constexpr double kMinRange = 1;
inline constexpr double kMaxRange = 40000000;

}  // namespace korvalen
