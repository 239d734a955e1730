#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "images/Bitmap.h"

namespace korvalen {

// A copy of source in another pixel format. Conversion to 8 bits maps every colour to
// the standard palette through its lookup table; to 4 bits to the nearest VGA colour;
// to 24 bits expands the palette. A bitmap already in the target format with the
// standard palette is copied as it stands.
Bitmap ConvertPixelFormat(const Bitmap& source, PixelFormat target);

// Converts in place (no copy when nothing changes).
void ConvertInPlace(Bitmap& bitmap, PixelFormat target);

// Writes runs of pixels of one format and palette into rows of another format and palette.
// Every colour lands on the target index that Bitmap::NearestIndex would give it, so
// converting, drawing and setting single pixels agree. Not thread-safe (keeps scratch rows).
class PixelTranslator {
public:
    PixelTranslator(PixelFormat sourceFormat, const std::vector<Rgb>& sourcePalette,
                    PixelFormat targetFormat, const std::vector<Rgb>& targetPalette);
    PixelTranslator(const Bitmap& source, const Bitmap& target);

    // True when pixels are copied unchanged (same format and palette).
    bool IsPlainCopy() const { return plainCopy_; }

    // Translates count pixels of sourceRow from column sourceX on into targetRow from column
    // targetX on. Nibbles of 4-bit rows outside the run are kept.
    void TranslateRun(const uint8_t* sourceRow, int sourceX, uint8_t* targetRow, int targetX,
                      int count);

private:
    enum class Mapping : uint8_t { Standard, Vga, Nearest };

    void TranslateChunk(const uint8_t* sourceRow, int sourceX, uint8_t* targetRow, int targetX,
                        int count);
    void IndexBgr(const uint8_t* bgr, uint8_t* indices, int count);
    uint8_t NearestCached(uint8_t r, uint8_t g, uint8_t b);

    PixelFormat sourceFormat_;
    PixelFormat targetFormat_;
    bool plainCopy_ = false;
    Mapping mapping_ = Mapping::Nearest;
    std::vector<Rgb> targetPalette_;
    std::array<uint8_t, 256> indexMap_{};       // palette source -> palette target
    std::array<uint8_t, 256 * 3> expandBgr_{};  // palette source -> 24 bits
    // Nearest-colour cache for target palettes without a lookup table of their own: maps hold
    // few distinct colours, so most searches are spared. Key: colour + 1 (0 = free).
    std::vector<uint32_t> cacheKeys_;
    std::vector<uint8_t> cacheIndices_;
    std::vector<uint8_t> sourceIndices_;
    std::vector<uint8_t> targetIndices_;
};

}  // namespace korvalen
