#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "images/Bitmap.h"
#include "joining/JoinRequest.h"

namespace korvalen {

// Rows of an 8-bit image: one palette index per pixel, rows stride bytes apart.
struct GreyView {
    const uint8_t* pixels = nullptr;
    ptrdiff_t stride = 0;
    int width = 0;
    int height = 0;

    const uint8_t* Row(int y) const { return pixels + static_cast<ptrdiff_t>(y) * stride; }
};

// The view of an 8-bit bitmap; an empty view for other formats.
GreyView ViewOf(const Bitmap& bitmap);

// Target columns from this index on are never compared: positions are held in 15 bits.
inline constexpr int kMaxComparedColumn = 32767;

// Counts the band pixels that match the target pixel under them when the band's top-left lies
// at pos in the target: |band - target| <= spreading. Band pixels outside the target, and
// beyond column kMaxComparedColumn, are not compared and so are no hits. Uses the fastest
// kernel this processor runs.
int64_t CountHits(const GreyView& band, const GreyView& target, Point pos, uint8_t spreading);

// The same with the portable kernel.
int64_t CountHitsScalar(const GreyView& band, const GreyView& target, Point pos, uint8_t spreading);

// True when the AVX2 kernel was built and this processor runs it.
bool HaveAvx2Kernel();
// The same with the AVX2 kernel; falls back to the portable one where that is missing.
int64_t CountHitsAvx2(const GreyView& band, const GreyView& target, Point pos, uint8_t spreading);

// Band pixels that CountHits compares at pos (those lying inside the target's first 32768
// columns).
int64_t ComparedPixels(const GreyView& band, const GreyView& target, Point pos);

// For the match picture of one position (not the search loop): also marks each band pixel
// that was compared and missed with 1 in mismatch (band width x height, row by row); all
// other entries are 0.
int64_t CountHitsWithMask(const GreyView& band, const GreyView& target, Point pos,
                          uint8_t spreading, std::vector<uint8_t>& mismatch);

// Hits of equally long runs of pixels. The building block of both kernels, exposed for the
// benchmark and the tests.
using BlockHitsFunction = int64_t (*)(const uint8_t* band, ptrdiff_t bandStride,
                                      const uint8_t* target, ptrdiff_t targetStride, int width,
                                      int rows, uint8_t spreading);
int64_t BlockHitsScalar(const uint8_t* band, ptrdiff_t bandStride, const uint8_t* target,
                        ptrdiff_t targetStride, int width, int rows, uint8_t spreading);
// The AVX2 block kernel, or null when it was not built (other processors or compilers).
BlockHitsFunction Avx2BlockHits();

}  // namespace korvalen
