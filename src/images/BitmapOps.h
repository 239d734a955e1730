#pragma once

#include <optional>

#include "images/Bitmap.h"

namespace korvalen {

struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;  // right and bottom exclusive
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    friend bool operator==(const Rect&, const Rect&) = default;
};

// Copies all of source 1:1 into dest with its top-left at (x, y), clipped to dest.
// Pixels are converted when the formats or palettes differ. False when either is
// missing (null or empty). Source and dest may be the same bitmap.
bool DrawBitmapAt(const Bitmap* source, Bitmap* dest, int x, int y);

// A new bitmap in source's pixel format (and palette) holding the pixels of rect.
// Parts of rect outside source are white. Nothing when source is missing, rect is empty
// or rect is larger than a bitmap may be.
std::optional<Bitmap> CopyArea(const Bitmap* source, const Rect& rect);

// A new bitmap with source's pixel format, palette, size and pixels.
Bitmap CloneBitmap(const Bitmap& source);

}  // namespace korvalen
