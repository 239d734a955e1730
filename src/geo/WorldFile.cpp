#include "geo/WorldFile.h"

#include <charconv>
#include <cmath>

#include "geo/Utm.h"

namespace korvalen {
namespace {

struct Sample {
    double x, y, easting, northing;
};

// Least-squares plane value = a x + b y + c through the samples, taken about their mean.
struct Plane {
    double a = 0, b = 0, c = 0;
};

bool FitPlane(const std::vector<Sample>& samples, double Sample::*value, Plane& plane) {
    const double count = static_cast<double>(samples.size());
    double meanX = 0, meanY = 0, meanV = 0;
    for (const Sample& s : samples) {
        meanX += s.x / count;
        meanY += s.y / count;
        meanV += s.*value / count;
    }
    double sxx = 0, sxy = 0, syy = 0, sxv = 0, syv = 0;
    for (const Sample& s : samples) {
        const double dx = s.x - meanX, dy = s.y - meanY, dv = s.*value - meanV;
        sxx += dx * dx;
        sxy += dx * dy;
        syy += dy * dy;
        sxv += dx * dv;
        syv += dy * dv;
    }
    const double determinant = sxx * syy - sxy * sxy;
    // Points on one line leave the plane undetermined.
    if (!(determinant > 1e-9 * sxx * syy) || !std::isfinite(determinant))
        return false;
    plane.a = (sxv * syy - syv * sxy) / determinant;
    plane.b = (syv * sxx - sxv * sxy) / determinant;
    plane.c = meanV - plane.a * meanX - plane.b * meanY;
    return std::isfinite(plane.a) && std::isfinite(plane.b) && std::isfinite(plane.c);
}

std::string FixedFifteen(double value) {
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 15);
    std::string text = result.ec == std::errc() ? std::string(buffer, result.ptr) : "0";
    // A rotation term that is zero but for rounding noise is written without a sign.
    if (text.find_first_not_of("-0.") == std::string::npos)
        return "0.000000000000000";
    return text;
}

}  // namespace

bool FitWorldFile(const CalibPoints& points, WorldFileTransform& transform) {
    transform = {};
    const tCalibPoint& zonePoint = points[kTopLeft];
    std::vector<Sample> samples;
    for (int index = 1; index <= kCalibPointCount; ++index) {
        const tCalibPoint& point = points[index];
        Sample sample{static_cast<double>(point.X), static_cast<double>(point.Y), 0, 0};
        if (point.X == kNotPlaced || point.Y == kNotPlaced ||
            !LatLonToUtmPrecise(point.Lat, point.Lon, zonePoint.Lon, zonePoint.Lat < 0,
                                sample.easting, sample.northing))
            continue;
        samples.push_back(sample);
    }
    Plane east, north;
    if (samples.size() < 3 || !FitPlane(samples, &Sample::easting, east) ||
        !FitPlane(samples, &Sample::northing, north))
        return false;
    // The points' pixels are pixel corners; a world file names the centre of the first pixel.
    transform.EastingPerColumn = east.a;
    transform.NorthingPerColumn = north.a;
    transform.EastingPerRow = east.b;
    transform.NorthingPerRow = north.b;
    transform.CentreEasting = east.c + 0.5 * east.a + 0.5 * east.b;
    transform.CentreNorthing = north.c + 0.5 * north.a + 0.5 * north.b;
    return true;
}

std::vector<std::string> WorldFileLines(const CalibPoints& points) {
    WorldFileTransform t;
    FitWorldFile(points, t);
    return {FixedFifteen(t.EastingPerColumn), FixedFifteen(t.NorthingPerColumn),
            FixedFifteen(t.EastingPerRow),    FixedFifteen(t.NorthingPerRow),
            FixedFifteen(t.CentreEasting),    FixedFifteen(t.CentreNorthing)};
}

}  // namespace korvalen
