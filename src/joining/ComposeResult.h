#pragma once

#include <cstdint>
#include <string>

#include "images/Bitmap.h"

namespace korvalen {

class MapMatrix;

// Width and height of the result map: the largest right and bottom edge of the maps (never
// below 0). The origin stays at the anchor's top-left, so parts at negative positions do not
// count.
struct ResultMapSize {
    int64_t width = 0;
    int64_t height = 0;
};
ResultMapSize ComputeResultMapSize(const MapMatrix& matrix);

// The result map in the pixel format: every cell's map drawn 1:1 at its X, Y, column by column
// and within a column row by row, so that in an overlap the later column (and within it the
// lower map) is seen. Area no map covers is white; cells without a map add nothing. False with
// a message when the result would be larger than a bitmap may be.
bool ComposeResultMap(const MapMatrix& matrix, PixelFormat format, Bitmap& result,
                      std::string& error);
// The same; throws std::length_error when the result is too large.
Bitmap ComposeResultMap(const MapMatrix& matrix, PixelFormat format);

}  // namespace korvalen
