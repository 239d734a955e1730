#include "joining/OverlapCorrelation.h"
#include "joining/Brightness.h"

#include <array>

#include <algorithm>
#include <optional>
#include <stdexcept>

#include "images/BitmapOps.h"
#include "images/PixelConvert.h"

namespace korvalen {
namespace {

// The bitmap itself when it already holds standard-palette indices, otherwise an 8-bit copy.
const Bitmap& AsStandard8(const Bitmap& bitmap, std::optional<Bitmap>& storage) {
    if (bitmap.Format() == PixelFormat::Bits8 && bitmap.HasStandardPalette())
        return bitmap;
    storage = ConvertPixelFormat(bitmap, PixelFormat::Bits8);
    return *storage;
}

}  // namespace

Rgb ColorValueToRgb(uint32_t color) {
    return {static_cast<uint8_t>(color & 0xFF), static_cast<uint8_t>((color >> 8) & 0xFF),
            static_cast<uint8_t>((color >> 16) & 0xFF)};
}

bool ComposePreview(const Bitmap& map, const Bitmap& target, Point offset, bool horizontal,
                    Bitmap& preview, std::string& error) {
    preview = Bitmap();
    if (map.IsEmpty() || target.IsEmpty()) {
        error = "The preview needs both the map and the target area.";
        return false;
    }
    const int64_t width = horizontal ? int64_t{map.Width()} + offset.x : map.Width();
    const int64_t height = horizontal ? map.Height() : int64_t{map.Height()} + offset.y;
    if (width <= 0 || height <= 0 || width > Bitmap::kMaxSide || height > Bitmap::kMaxSide) {
        error = "The map lies too far outside the target area to be shown.";
        return false;
    }
    std::optional<Bitmap> map8;
    const Bitmap& source = AsStandard8(map, map8);
    try {
        preview = ConvertPixelFormat(target, PixelFormat::Bits8);
        preview.Resize(static_cast<int>(width), static_cast<int>(height));
    } catch (const std::length_error&) {
        preview = Bitmap();
        error = "The preview would be too large.";
        return false;
    }
    DrawBitmapAt(&source, &preview, offset.x, offset.y);
    return true;
}

OverlapScore TotalCorrelation(const Bitmap& map, const Bitmap& target, Point offset,
                              uint8_t spreading, Bitmap* preview, uint32_t disaccordColor,
                              bool byBrightness) {
    OverlapScore score;
    if (map.IsEmpty() || target.IsEmpty())
        return score;
    std::optional<Bitmap> map8Storage, target8Storage;
    const Bitmap& map8 = AsStandard8(map, map8Storage);
    const Bitmap& target8 = AsStandard8(target, target8Storage);

    const bool paint =
        preview != nullptr && preview->Format() == PixelFormat::Bits8 && !preview->IsEmpty();
    const uint8_t disaccord = paint ? preview->NearestIndex(ColorValueToRgb(disaccordColor)) : 0;
    // What is compared of each palette entry: the index itself, or its colour's brightness.
    std::array<uint8_t, 256> mapValue{}, targetValue{};
    for (int i = 0; i < 256; ++i) {
        mapValue[i] = targetValue[i] = static_cast<uint8_t>(i);
        if (byBrightness) {
            if (static_cast<size_t>(i) < map8.Palette().size())
                mapValue[i] = BrightnessOf(map8.Palette()[i]);
            if (static_cast<size_t>(i) < target8.Palette().size())
                targetValue[i] = BrightnessOf(target8.Palette()[i]);
        }
    }

    // Target pixels that have a map pixel over them.
    const int64_t left = std::max<int64_t>(0, offset.x);
    const int64_t top = std::max<int64_t>(0, offset.y);
    const int64_t right = std::min<int64_t>(target.Width(), int64_t{offset.x} + map.Width());
    const int64_t bottom = std::min<int64_t>(target.Height(), int64_t{offset.y} + map.Height());
    for (int64_t y = top; y < bottom; ++y) {
        const uint8_t* t = target8.Row(static_cast<int>(y));
        const uint8_t* m = map8.Row(static_cast<int>(y - offset.y));
        uint8_t* p = paint && y < preview->Height() ? preview->Row(static_cast<int>(y)) : nullptr;
        for (int64_t x = left; x < right; ++x) {
            const int a = targetValue[t[x]];
            const int b = mapValue[m[x - offset.x]];
            if ((a > b ? a - b : b - a) <= spreading)
                ++score.hits;
            else if (p != nullptr && x < preview->Width())
                p[x] = disaccord;
        }
        score.compared += right > left ? right - left : 0;
    }

    const int64_t columns = int64_t{target.Width()} - offset.x + 1;
    const int64_t rows = int64_t{target.Height()} - offset.y + 1;
    if (columns > 0 && rows > 0) {
        score.divisor = columns * rows;
        score.correlation = static_cast<int>(score.hits * 100 / score.divisor);
    }
    return score;
}

}  // namespace korvalen
