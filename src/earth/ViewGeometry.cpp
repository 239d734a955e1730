#include "earth/ViewGeometry.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace korvalen {

double ViewGeometry::LatDegreesPerPixel(double range) const {
    return range / std::max(Width, 1) / kMetresPerDegree;
}

double ViewGeometry::LonDegreesPerPixel(double range) const {
    const double c = std::cos(std::clamp(ReferenceLatitude, -85.0, 85.0) * std::numbers::pi / 180);
    return LatDegreesPerPixel(range) / c;
}

ViewExtents ViewGeometry::Extents(const CameraInfo& camera) const {
    const double halfW = LonDegreesPerPixel(camera.Range) * Width / 2;
    const double halfH = LatDegreesPerPixel(camera.Range) * Height / 2;
    return {camera.FocusPointLatitude + halfH, camera.FocusPointLatitude - halfH,
            camera.FocusPointLongitude + halfW, camera.FocusPointLongitude - halfW};
}

PointOnTerrain ViewGeometry::PointAt(const CameraInfo& camera, double x, double y) const {
    const ViewExtents e = Extents(camera);
    PointOnTerrain p;
    p.Longitude = e.West + (x + 1) / 2 * (e.East - e.West);
    p.Latitude = e.South + (y + 1) / 2 * (e.North - e.South);
    return p;
}

double ViewGeometry::RangeForLonSpan(double lonSpan) const {
    return lonSpan / LonDegreesPerPixel(1) / std::max(Width, 1);
}

}  // namespace korvalen
