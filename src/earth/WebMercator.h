#pragma once

namespace korvalen {

// Tiles of the web map pyramid: 256 pixels square, zoom z has 2^z x 2^z tiles, y grows
// southwards from 85.0511 degrees north.
inline constexpr int kTileSize = 256;
inline constexpr int kMaxTileZoom = 24;
inline constexpr double kMercatorMaxLatitude = 85.0511287798066;

// World pixel coordinates at zoom z (0 .. 256 x 2^z).
double LonToWorldX(double lon, int zoom);
double LatToWorldY(double lat, int zoom);
double WorldXToLon(double x, int zoom);
double WorldYToLat(double y, int zoom);

// The coarsest zoom whose pixels are no larger than the view's (degrees of longitude per
// view pixel), clamped to minZoom..maxZoom.
int ZoomForScale(double lonDegreesPerPixel, int minZoom, int maxZoom);

}  // namespace korvalen
