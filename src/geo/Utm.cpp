#include "geo/Utm.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "geo/CalibPoints.h"
#include "geo/GeoFormat.h"

namespace korvalen {
namespace {

constexpr double kDegToRad = std::numbers::pi / 180.0;
constexpr double kSemiMajorAxis = 6378137.0;
constexpr double kEccentricitySquared = 0.00669438;
constexpr double kSecondEccentricitySquared = kEccentricitySquared / (1.0 - kEccentricitySquared);
constexpr double kScaleFactor = 0.9996;
constexpr double kFalseEasting = 500000.0;
constexpr double kFalseNorthingSouth = 10000000.0;
constexpr double kSphereRadius = 6378137.0;

// Easting and northing before the false values, for a point deltaLonDeg east of the
// central meridian.
void TransverseMercator(double lat, double deltaLonDeg, double& x, double& y) {
    const double phi = lat * kDegToRad;
    const double sinPhi = std::sin(phi);
    const double cosPhi = std::cos(phi);
    const double tanPhi = std::tan(phi);
    const double n = kSemiMajorAxis / std::sqrt(1.0 - kEccentricitySquared * sinPhi * sinPhi);
    const double t = tanPhi * tanPhi;
    const double c = kSecondEccentricitySquared * cosPhi * cosPhi;
    const double a = cosPhi * (deltaLonDeg * kDegToRad);
    const double m =
        kSemiMajorAxis * (0.9983242984503243 * phi - 0.002514607064228144 * std::sin(2.0 * phi) +
                          2.6390466021299826e-06 * std::sin(4.0 * phi) -
                          3.4180461016968582e-09 * std::sin(6.0 * phi));
    const double a2 = a * a;
    const double a3 = a2 * a;
    x = kScaleFactor * n *
        (a + (1.0 - t + c) * a3 / 6.0 +
         (5.0 - 18.0 * t + t * t + 72.0 * c - 58.0 * kSecondEccentricitySquared) * a3 * a2 / 120.0);
    y = kScaleFactor *
        (m + n * tanPhi *
                 (a2 / 2.0 + (5.0 - t + 9.0 * c + 4.0 * c * c) * a2 * a2 / 24.0 +
                  (61.0 - 58.0 * t + t * t + 600.0 * c - 330.0 * kSecondEccentricitySquared) * a3 *
                      a3 / 720.0));
}

// Truncation toward zero that fails where a 64-bit integer cannot hold the value.
bool TruncateToInteger(double value, int64_t& result) {
    if (!std::isfinite(value) || std::fabs(value) >= 9.2e18)
        return false;
    result = static_cast<int64_t>(value);
    return true;
}

}  // namespace

std::optional<int> UtmZone(double zoneLon) {
    const double zone = std::trunc((NormalizeLongitude(zoneLon) + 180.0) / 6.0) + 1.0;
    if (!std::isfinite(zone) || std::fabs(zone) > 1e9)
        return std::nullopt;
    return static_cast<int>(zone);
}

double UtmCentralMeridian(int zone) {
    return (zone - 1) * 6.0 - 180.0 + 3.0;
}

UtmCoord LatLonToUtm(double lat, double lon, double zoneLon) {
    const std::optional<int> zone = UtmZone(zoneLon);
    if (!zone)
        return {};
    const double deltaLon = NormalizeLongitude(lon) - UtmCentralMeridian(*zone);
    double x = 0, y = 0;
    TransverseMercator(lat, deltaLon, x, y);
    UtmCoord utm;
    if (!TruncateToInteger(x + kFalseEasting, utm.Easting) || !TruncateToInteger(y, utm.Northing))
        return {};
    if (lat < 0)
        utm.Northing += static_cast<int64_t>(kFalseNorthingSouth);
    return utm;
}

bool LatLonToUtmPrecise(double lat, double lon, double zoneLon, bool southern, double& easting,
                        double& northing) {
    const std::optional<int> zone = UtmZone(zoneLon);
    if (!zone)
        return false;
    double deltaLon = NormalizeLongitude(lon) - UtmCentralMeridian(*zone);
    deltaLon -= 360.0 * std::floor((deltaLon + 180.0) / 360.0);
    double x = 0, y = 0;
    TransverseMercator(lat, deltaLon, x, y);
    easting = x + kFalseEasting;
    northing = y + (southern ? kFalseNorthingSouth : 0.0);
    return std::isfinite(easting) && std::isfinite(northing);
}

int64_t UtmDistance(const tCalibPoint& p1, const tCalibPoint& p2) {
    const UtmCoord a = LatLonToUtm(p1.Lat, p1.Lon, p1.Lon);
    const UtmCoord b = LatLonToUtm(p2.Lat, p2.Lon, p1.Lon);
    const double dx = static_cast<double>(b.Easting) - static_cast<double>(a.Easting);
    const double dy = static_cast<double>(b.Northing) - static_cast<double>(a.Northing);
    int64_t distance = 0;
    return TruncateToInteger(std::sqrt(dx * dx + dy * dy), distance) ? distance : 0;
}

double MapScaleMetresPerPixel(const CalibPoints& points) {
    const tCalibPoint& p1 = points[1];
    const tCalibPoint& p2 = points[2];
    const tCalibPoint& p3 = points[3];
    const tCalibPoint& p4 = points[4];
    const double latA = (p1.Lat + p3.Lat) / 2.0 * kDegToRad;
    const double lonA = (p1.Lon + p3.Lon) / 2.0 * kDegToRad;
    const double latB = (p2.Lat + p4.Lat) / 2.0 * kDegToRad;
    const double lonB = (p2.Lon + p4.Lon) / 2.0 * kDegToRad;
    const double cosine =
        std::sin(latA) * std::sin(latB) + std::cos(latA) * std::cos(latB) * std::cos(lonB - lonA);
    if (!std::isfinite(cosine) || p2.X == 0)
        return 0.0;
    const double scale = kSphereRadius * std::acos(std::clamp(cosine, -1.0, 1.0)) / p2.X;
    return std::isfinite(scale) ? scale : 0.0;
}

}  // namespace korvalen
