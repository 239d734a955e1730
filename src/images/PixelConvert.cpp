#include "images/PixelConvert.h"

#include <algorithm>
#include <cstring>

#include "images/Palette.h"

namespace korvalen {
namespace {

// Runs are translated in slices so the scratch rows stay in the first-level cache.
constexpr int kChunkPixels = 4096;
constexpr int kCacheBits = 12;
constexpr size_t kCacheSize = size_t{1} << kCacheBits;

// Left pixel in the high nibble.
void UnpackNibbles(const uint8_t* row, int x, int count, uint8_t* out) {
    int i = 0;
    if ((x & 1) && count > 0) {
        out[0] = row[x >> 1] & 0x0F;
        i = 1;
    }
    const uint8_t* byte = row + ((x + i) >> 1);
    for (; i + 1 < count; i += 2, ++byte) {
        out[i] = *byte >> 4;
        out[i + 1] = *byte & 0x0F;
    }
    if (i < count)
        out[i] = *byte >> 4;
}

// Writes count indices from column x on and keeps the neighbouring nibbles.
void PackNibbles(const uint8_t* indices, int count, uint8_t* row, int x) {
    int i = 0;
    if ((x & 1) && count > 0) {
        uint8_t& first = row[x >> 1];
        first = static_cast<uint8_t>((first & 0xF0) | (indices[0] & 0x0F));
        i = 1;
    }
    uint8_t* byte = row + ((x + i) >> 1);
    for (; i + 1 < count; i += 2, ++byte)
        *byte = static_cast<uint8_t>((indices[i] << 4) | (indices[i + 1] & 0x0F));
    if (i < count)
        *byte = static_cast<uint8_t>((*byte & 0x0F) | (indices[i] << 4));
}

// Both runs start on the same half of a byte: whole bytes are copied as they stand.
void CopyAlignedNibbles(const uint8_t* source, int sourceX, uint8_t* target, int targetX,
                        int count) {
    int i = 0;
    if ((sourceX & 1) && count > 0) {
        uint8_t& first = target[targetX >> 1];
        first = static_cast<uint8_t>((first & 0xF0) | (source[sourceX >> 1] & 0x0F));
        i = 1;
    }
    const size_t wholeBytes = static_cast<size_t>(count - i) / 2;
    std::memcpy(target + ((targetX + i) >> 1), source + ((sourceX + i) >> 1), wholeBytes);
    i += static_cast<int>(2 * wholeBytes);
    if (i < count) {
        uint8_t& last = target[(targetX + i) >> 1];
        last = static_cast<uint8_t>((last & 0x0F) | (source[(sourceX + i) >> 1] & 0xF0));
    }
}

}  // namespace

PixelTranslator::PixelTranslator(PixelFormat sourceFormat, const std::vector<Rgb>& sourcePalette,
                                 PixelFormat targetFormat, const std::vector<Rgb>& targetPalette)
    : sourceFormat_(sourceFormat), targetFormat_(targetFormat), targetPalette_(targetPalette) {
    plainCopy_ = sourceFormat == targetFormat &&
                 (sourceFormat == PixelFormat::Bits24 || sourcePalette == targetPalette);
    if (targetFormat == PixelFormat::Bits8 && targetPalette == StandardPalette()) {
        mapping_ = Mapping::Standard;
    } else if (targetFormat == PixelFormat::Bits4 && targetPalette == VgaPalette()) {
        mapping_ = Mapping::Vga;
    } else if (targetFormat != PixelFormat::Bits24) {
        mapping_ = Mapping::Nearest;
        cacheKeys_.assign(kCacheSize, 0);
        cacheIndices_.assign(kCacheSize, 0);
    }
    if (sourceFormat != PixelFormat::Bits24) {
        for (size_t i = 0; i < 256; ++i) {
            const Rgb c = i < sourcePalette.size() ? sourcePalette[i] : Rgb{};
            expandBgr_[3 * i] = c.b;
            expandBgr_[3 * i + 1] = c.g;
            expandBgr_[3 * i + 2] = c.r;
            if (plainCopy_) {
                indexMap_[i] = static_cast<uint8_t>(i);
            } else if (targetFormat != PixelFormat::Bits24) {
                uint8_t bgr[3] = {c.b, c.g, c.r};
                IndexBgr(bgr, &indexMap_[i], 1);
            }
        }
    }
    if (sourceFormat == PixelFormat::Bits4)
        sourceIndices_.resize(kChunkPixels);
    if (targetFormat == PixelFormat::Bits4)
        targetIndices_.resize(kChunkPixels);
}

PixelTranslator::PixelTranslator(const Bitmap& source, const Bitmap& target)
    : PixelTranslator(source.Format(), source.Palette(), target.Format(), target.Palette()) {}

uint8_t PixelTranslator::NearestCached(uint8_t r, uint8_t g, uint8_t b) {
    const uint32_t key = ((uint32_t{r} << 16) | (uint32_t{g} << 8) | b) + 1;
    const size_t slot = (key * 2654435761u) >> (32 - kCacheBits);
    if (cacheKeys_[slot] != key) {
        cacheKeys_[slot] = key;
        cacheIndices_[slot] = NearestPaletteIndex(targetPalette_, {r, g, b});
    }
    return cacheIndices_[slot];
}

void PixelTranslator::IndexBgr(const uint8_t* bgr, uint8_t* indices, int count) {
    switch (mapping_) {
        case Mapping::Standard: {
            const uint8_t* table = StandardLookupTable();
            for (int i = 0; i < count; ++i, bgr += 3)
                indices[i] = table[((bgr[2] >> 2) << 12) | ((bgr[1] >> 2) << 6) | (bgr[0] >> 2)];
            break;
        }
        case Mapping::Vga: {
            const uint8_t* table = VgaLookupTable();
            for (int i = 0; i < count; ++i, bgr += 3)
                indices[i] = table[((bgr[2] >> 3) << 10) | ((bgr[1] >> 3) << 5) | (bgr[0] >> 3)];
            break;
        }
        case Mapping::Nearest:
            for (int i = 0; i < count; ++i, bgr += 3)
                indices[i] = NearestCached(bgr[2], bgr[1], bgr[0]);
            break;
    }
}

void PixelTranslator::TranslateRun(const uint8_t* sourceRow, int sourceX, uint8_t* targetRow,
                                   int targetX, int count) {
    if (count <= 0)
        return;
    if (plainCopy_) {
        switch (sourceFormat_) {
            case PixelFormat::Bits24:
                std::memcpy(targetRow + 3 * static_cast<size_t>(targetX),
                            sourceRow + 3 * static_cast<size_t>(sourceX),
                            3 * static_cast<size_t>(count));
                return;
            case PixelFormat::Bits8:
                std::memcpy(targetRow + targetX, sourceRow + sourceX, static_cast<size_t>(count));
                return;
            case PixelFormat::Bits4:
                if ((sourceX & 1) == (targetX & 1)) {
                    CopyAlignedNibbles(sourceRow, sourceX, targetRow, targetX, count);
                    return;
                }
                break;  // shifted by one nibble: unpack and repack below
        }
    }
    for (int done = 0; done < count; done += kChunkPixels) {
        TranslateChunk(sourceRow, sourceX + done, targetRow, targetX + done,
                       std::min(kChunkPixels, count - done));
    }
}

void PixelTranslator::TranslateChunk(const uint8_t* sourceRow, int sourceX, uint8_t* targetRow,
                                     int targetX, int count) {
    const uint8_t* sourceIndices = sourceRow + sourceX;
    if (sourceFormat_ == PixelFormat::Bits4) {
        UnpackNibbles(sourceRow, sourceX, count, sourceIndices_.data());
        sourceIndices = sourceIndices_.data();
    }
    if (targetFormat_ == PixelFormat::Bits24) {
        // The source has a palette here: 24 to 24 bits is always a plain copy.
        uint8_t* out = targetRow + 3 * static_cast<size_t>(targetX);
        for (int i = 0; i < count; ++i, out += 3) {
            const uint8_t* bgr = &expandBgr_[3 * size_t{sourceIndices[i]}];
            out[0] = bgr[0];
            out[1] = bgr[1];
            out[2] = bgr[2];
        }
        return;
    }
    uint8_t* indices =
        targetFormat_ == PixelFormat::Bits8 ? targetRow + targetX : targetIndices_.data();
    if (sourceFormat_ == PixelFormat::Bits24) {
        IndexBgr(sourceRow + 3 * static_cast<size_t>(sourceX), indices, count);
    } else {
        for (int i = 0; i < count; ++i)
            indices[i] = indexMap_[sourceIndices[i]];
    }
    if (targetFormat_ == PixelFormat::Bits4)
        PackNibbles(indices, count, targetRow, targetX);
}

Bitmap ConvertPixelFormat(const Bitmap& source, PixelFormat target) {
    if (source.Format() == target && source.HasStandardPalette())
        return source;
    Bitmap result(source.Width(), source.Height(), target);
    if (source.IsEmpty())
        return result;
    PixelTranslator translator(source, result);
    for (int y = 0; y < source.Height(); ++y)
        translator.TranslateRun(source.Row(y), 0, result.Row(y), 0, source.Width());
    return result;
}

void ConvertInPlace(Bitmap& bitmap, PixelFormat target) {
    if (bitmap.Format() == target && bitmap.HasStandardPalette())
        return;
    bitmap = ConvertPixelFormat(bitmap, target);
}

}  // namespace korvalen
