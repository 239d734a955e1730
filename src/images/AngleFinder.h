#pragma once

#include <optional>

#include "images/Bitmap.h"

namespace korvalen {

// Where the neighbour strip lies: the right half of the map to the left, or the lower half of
// the map above.
enum class StripDirection { Left, Above };

// The angle in degrees by which the map must turn (positive clockwise on the screen, as the
// adjust form's user angles) to lie as its neighbour strip does, found from where textured
// patches of the map's facing edge match the strip. Angles up to about 3 degrees are found;
// nothing when too few patches match to say (blank maps, no overlap).
std::optional<double> FindStripAngle(const Bitmap& map, const Bitmap& strip,
                                     StripDirection direction);

}  // namespace korvalen
