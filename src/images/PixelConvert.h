#pragma once

#include "images/Bitmap.h"

namespace korvalen {

// A copy of source in another pixel format. Conversion to 8 bits maps every colour to
// the standard palette through its lookup table; to 4 bits to the nearest VGA colour;
// to 24 bits expands the palette. A bitmap already in the target format with the
// standard palette is copied as it stands.
Bitmap ConvertPixelFormat(const Bitmap& source, PixelFormat target);

// Converts in place (no copy when nothing changes).
void ConvertInPlace(Bitmap& bitmap, PixelFormat target);

}  // namespace korvalen
