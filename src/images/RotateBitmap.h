#pragma once

#include <cmath>

#include "images/Bitmap.h"

namespace korvalen {

// Nearest integer, halves to the even neighbour.
inline double RoundHalfEven(double v) {
    return std::nearbyint(v);
}

// Size of a W x H bitmap turned by an angle in degrees.
struct RotatedSize {
    int width = 0;
    int height = 0;
};
RotatedSize RotatedSizeFor(int width, int height, double angleDegrees);

// Where the pixel (x, y) of a width x height map turned by angleDegrees comes from in the
// unturned map, before RotateBitmap rounds it to the nearest pixel. Pixels beyond the turned
// map (the edges of reference points) map onto the same straight lines.
struct TurnedSource {
    double x = 0;
    double y = 0;
};
TurnedSource TurnedPixelSource(int width, int height, double angleDegrees, double x, double y);

// A new bitmap holding source turned by angleDegrees (positive turns counter-clockwise on the
// screen), nearest neighbour, uncovered corners in colour, in source's pixel format. Multiples
// of 90 degrees are exact turns of the picture. Rows are shared out between threads
// (threads 0: as many as the machine has cores). Throws std::length_error when the result
// would be larger than a bitmap may be.
Bitmap RotateBitmap(const Bitmap& source, Rgb colour, double angleDegrees, int threads = 0);

}  // namespace korvalen
