#pragma once

#include <cstdint>
#include <string>

#include "images/Bitmap.h"
#include "joining/JoinRequest.h"

namespace korvalen {

// The preview of a join: a copy of the target enlarged to reach the far edge of the map (wider
// for a horizontal join, higher otherwise; enlarging keeps the target's pixels, new area is
// white) with the map drawn over it, its top-left at offset in target pixels. The preview has
// 8 bits with the standard palette, the pixels that are compared, so that disagreeing pixels
// can be painted into it. False with a message when either picture is missing or the preview
// would have no pixels or be too large.
bool ComposePreview(const Bitmap& map, const Bitmap& target, Point offset, bool horizontal,
                    Bitmap& preview, std::string& error);

struct OverlapScore {
    int64_t hits = 0;      // pixels of the overlap that agree
    int64_t compared = 0;  // pixels of the overlap
    int64_t divisor = 0;   // positions the correlation divides by
    int correlation = 0;   // percent, truncated
};

// Compares the map placed at offset with the target where they overlap: a pixel agrees when its
// palette indices (standard palette) differ by at most spreading, or with byBrightness when the
// brightness of their colours does. The correlation divides the
// agreeing pixels by (target width - offset.x + 1) x (target height - offset.y + 1), the
// overlap counted with both far edges, so a perfect overlap scores a little below 100; it is 0
// when the offset leaves no overlap. When preview is given (as ComposePreview made it), every
// disagreeing pixel inside it is painted in the palette colour nearest disaccordColor
// (0x00BBGGRR).
OverlapScore TotalCorrelation(const Bitmap& map, const Bitmap& target, Point offset,
                              uint8_t spreading, Bitmap* preview, uint32_t disaccordColor,
                              bool byBrightness = false);

// The palette colour of a 0x00BBGGRR colour value.
Rgb ColorValueToRgb(uint32_t color);

}  // namespace korvalen
