#include "images/BitmapOps.h"

#include <algorithm>
#include <cstdint>
#include <stdexcept>

#include "images/PixelConvert.h"

namespace korvalen {
namespace {

// Offsets are 64-bit so that positions near the ends of int cannot overflow when negated.
void DrawClipped(const Bitmap& source, Bitmap& dest, int64_t x, int64_t y) {
    const int64_t sourceLeft = std::max<int64_t>(0, -x);
    const int64_t sourceTop = std::max<int64_t>(0, -y);
    const int64_t destLeft = std::max<int64_t>(0, x);
    const int64_t destTop = std::max<int64_t>(0, y);
    const int64_t width = std::min<int64_t>(source.Width() - sourceLeft, dest.Width() - destLeft);
    const int64_t height = std::min<int64_t>(source.Height() - sourceTop, dest.Height() - destTop);
    if (width <= 0 || height <= 0)
        return;

    PixelTranslator translator(source, dest);
    for (int64_t row = 0; row < height; ++row) {
        translator.TranslateRun(source.Row(static_cast<int>(sourceTop + row)),
                                static_cast<int>(sourceLeft),
                                dest.Row(static_cast<int>(destTop + row)),
                                static_cast<int>(destLeft), static_cast<int>(width));
    }
}

}  // namespace

bool DrawBitmapAt(const Bitmap* source, Bitmap* dest, int x, int y) {
    if (source == nullptr || dest == nullptr || source->IsEmpty() || dest->IsEmpty())
        return false;
    if (source == dest) {
        if (x == 0 && y == 0)
            return true;
        const Bitmap copy = *source;  // rows would overlap
        DrawClipped(copy, *dest, x, y);
        return true;
    }
    DrawClipped(*source, *dest, x, y);
    return true;
}

std::optional<Bitmap> CopyArea(const Bitmap* source, const Rect& rect) {
    if (source == nullptr || source->IsEmpty())
        return std::nullopt;
    const int64_t width = int64_t{rect.right} - rect.left;
    const int64_t height = int64_t{rect.bottom} - rect.top;
    if (width <= 0 || height <= 0 || width > Bitmap::kMaxSide || height > Bitmap::kMaxSide)
        return std::nullopt;

    std::optional<Bitmap> area;
    try {
        area.emplace(static_cast<int>(width), static_cast<int>(height), source->Format());
    } catch (const std::length_error&) {
        return std::nullopt;
    }
    if (!source->HasStandardPalette()) {
        area->SetPalette(source->Palette());
        area->Fill({255, 255, 255});
    }
    DrawClipped(*source, *area, -int64_t{rect.left}, -int64_t{rect.top});
    return area;
}

Bitmap CloneBitmap(const Bitmap& source) {
    return source;
}

}  // namespace korvalen
