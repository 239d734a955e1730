#pragma once

#include <cstdint>
#include <vector>

#include "images/Bitmap.h"

namespace korvalen {

// The pre-scaled copies of a map the display draws from below its cache limit: halves,
// quarters, eighths ... of the image, each the 2 x 2 average of the one before, in 24 bits.
// Built once per image (on all cores), so that a new magnification costs nothing more than
// drawing the view.
class MapPyramid {
public:
    // Levels down to the first one at most minScale of the image (at least one level
    // when the image is larger than 1 x 1). The image must stay alive and unchanged while
    // the levels are in use.
    void Build(const Bitmap& image, double minScale);
    void Clear() { levels_.clear(); }
    bool Empty() const { return levels_.empty(); }
    // Level 1 is half the image, level 2 a quarter, ...
    int LevelCount() const { return static_cast<int>(levels_.size()); }
    const Bitmap& Level(int level) const { return levels_.at(static_cast<size_t>(level - 1)); }

private:
    std::vector<Bitmap> levels_;
};

// A 24-bit bitmap of half the size (rounded up), each pixel the mean of its 2 x 2 source
// block (edge pixels repeated). Rows are split over `threads` workers.
Bitmap HalveBitmap(const Bitmap& source, int threads);

struct MapViewFrame {
    uint32_t* pixels = nullptr;  // 0xAARRGGBB, as QImage::Format_RGB32 holds them
    int width = 0;
    int height = 0;
    int stride = 0;  // in pixels
};

// Draws the image region seen by a view at the magnification and top-left pixel into the
// frame: pixel (dx, dy) shows the image around (panX + dx / m, panY + dy / m). Below
// cacheLimit the pyramid level at or just above the magnification is used, so no more
// than about four image pixels are read per screen pixel. Enlarged pixels are repeated;
// reduced ones are interpolated when smooth, else the nearest is taken. Outside the image
// the background shows.
void RenderMapView(const Bitmap& image, const MapPyramid* pyramid, double magnification,
                   double cacheLimit, int panX, int panY, uint32_t background,
                   const MapViewFrame& frame, bool smooth = true);

}  // namespace korvalen
