#pragma once

#include <cstdint>
#include <optional>

namespace korvalen {

struct tCalibPoint;
class CalibPoints;

// Whole metres in a Universal Transverse Mercator zone.
struct UtmCoord {
    int64_t Easting = 0;
    int64_t Northing = 0;
};

// Latitude and longitude (WGS 84 degrees) in the zone of zoneLon, by the classic
// transverse Mercator series with both values truncated to whole metres; southern latitudes
// get the false northing of 10000000 m. Other programs are matched to these exact numbers.
// An arithmetic failure (overflow, not a number) gives 0, 0.
UtmCoord LatLonToUtm(double lat, double lon, double zoneLon);

// Distance in whole metres of two points, both taken in the zone of p1; 0 on failure.
int64_t UtmDistance(const tCalibPoint& p1, const tCalibPoint& p2);

// Metres in the zone of zoneLon by the same series, without truncation, for fits that need
// sub-metre agreement. The longitude difference from the central meridian is wrapped into
// -180..180 and the false northing is that of `southern`, so that a map crossing the
// antimeridian or the equator stays in one plane. False on an arithmetic failure.
bool LatLonToUtmPrecise(double lat, double lon, double zoneLon, bool southern, double& easting,
                        double& northing);

// The zone number (1 to 60 for longitudes -180 to 180; none for a longitude that is not a
// usable number) and the central meridian of a zone in degrees.
std::optional<int> UtmZone(double zoneLon);
double UtmCentralMeridian(int zone);

// Metres per pixel along the horizontal through the middle of the map: the great-circle
// distance between the middles of its left and right edges over P2's column; 0 on failure.
double MapScaleMetresPerPixel(const CalibPoints& points);

}  // namespace korvalen
