#include "earth/WebMercator.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace korvalen {
namespace {
double WorldSize(int zoom) {
    return std::ldexp(double{kTileSize}, zoom);
}
}  // namespace

double LonToWorldX(double lon, int zoom) {
    return (lon + 180) / 360 * WorldSize(zoom);
}

double LatToWorldY(double lat, int zoom) {
    const double phi = lat * std::numbers::pi / 180;
    const double y = std::log(std::tan(std::numbers::pi / 4 + phi / 2));
    return (0.5 - y / (2 * std::numbers::pi)) * WorldSize(zoom);
}

double WorldXToLon(double x, int zoom) {
    return x / WorldSize(zoom) * 360 - 180;
}

double WorldYToLat(double y, int zoom) {
    const double n = std::numbers::pi * (1 - 2 * y / WorldSize(zoom));
    return std::atan(std::sinh(n)) * 180 / std::numbers::pi;
}

int ZoomForScale(double lonDegreesPerPixel, int minZoom, int maxZoom) {
    int zoom = maxZoom;
    if (lonDegreesPerPixel > 0 && std::isfinite(lonDegreesPerPixel)) {
        const double wanted = std::log2(360.0 / kTileSize / lonDegreesPerPixel);
        // A hair of tolerance so that an exact match does not jump a level.
        zoom = static_cast<int>(std::ceil(wanted - 1e-9));
    }
    return std::clamp(zoom, minZoom, maxZoom);
}

}  // namespace korvalen
