#pragma once

#include <QImage>
#include <cstdint>

namespace korvalen {

// Sides a demo map may have; other sizes give a null image.
constexpr int kDemoMapMinSide = 16;
constexpr int kDemoMapMaxSide = 16384;
constexpr int64_t kDemoMapMaxPixels = int64_t{64} << 20;

// Draws a made-up topographic map as an RGB888 image: textured paper with relief shading
// and contour lines, woods, a lake, rivers and streams, roads and tracks, a railway, a
// kilometre grid, villages with names and a few symbols. It is detailed everywhere, so
// that a 50 x 50 patch matches well only at its own place. The same seed gives the same
// picture. Text is drawn only while a QGuiApplication exists (fonts need one).
QImage DrawDemoMap(int width, int height, uint32_t seed);

}  // namespace korvalen
