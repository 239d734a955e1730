#include "joining/ScoreKernel.h"

#include <algorithm>

namespace korvalen {
namespace {

// The part of the band that lies over the target, in band coordinates (ends exclusive).
struct Overlap {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool IsEmpty() const { return left >= right || top >= bottom; }
};

// 64-bit so that positions far outside the target cannot overflow.
Overlap ClipBand(const GreyView& band, const GreyView& target, Point pos) {
    const int64_t columns = std::min<int64_t>(target.width, int64_t{kMaxComparedColumn} + 1);
    Overlap overlap;
    overlap.left = static_cast<int>(std::clamp<int64_t>(-int64_t{pos.x}, 0, band.width));
    overlap.right = static_cast<int>(std::clamp<int64_t>(columns - pos.x, 0, band.width));
    overlap.top = static_cast<int>(std::clamp<int64_t>(-int64_t{pos.y}, 0, band.height));
    overlap.bottom =
        static_cast<int>(std::clamp<int64_t>(target.height - int64_t{pos.y}, 0, band.height));
    return overlap;
}

bool CpuHasAvx2() {
#if (defined(__GNUC__) || defined(__clang__)) && (defined(__x86_64__) || defined(__i386__))
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
#else
    return false;
#endif
}

BlockHitsFunction FastestBlockHits() {
    static const BlockHitsFunction fastest = HaveAvx2Kernel() ? Avx2BlockHits() : BlockHitsScalar;
    return fastest;
}

int64_t CountWith(BlockHitsFunction blockHits, const GreyView& band, const GreyView& target,
                  Point pos, uint8_t spreading) {
    if (band.pixels == nullptr || target.pixels == nullptr)
        return 0;
    const Overlap o = ClipBand(band, target, pos);
    if (o.IsEmpty())
        return 0;
    const uint8_t* bandStart = band.Row(o.top) + o.left;
    const uint8_t* targetStart = target.Row(pos.y + o.top) + (pos.x + o.left);
    return blockHits(bandStart, band.stride, targetStart, target.stride, o.right - o.left,
                     o.bottom - o.top, spreading);
}

}  // namespace

GreyView ViewOf(const Bitmap& bitmap) {
    if (bitmap.Format() != PixelFormat::Bits8 || bitmap.IsEmpty())
        return {};
    return {bitmap.Row(0), static_cast<ptrdiff_t>(bitmap.Stride()), bitmap.Width(),
            bitmap.Height()};
}

int64_t BlockHitsScalar(const uint8_t* band, ptrdiff_t bandStride, const uint8_t* target,
                        ptrdiff_t targetStride, int width, int rows, uint8_t spreading) {
    int64_t hits = 0;
    for (int y = 0; y < rows; ++y) {
        const uint8_t* b = band + y * bandStride;
        const uint8_t* t = target + y * targetStride;
        int rowHits = 0;
        for (int x = 0; x < width; ++x) {
            const int d = b[x] > t[x] ? b[x] - t[x] : t[x] - b[x];
            rowHits += d <= spreading;
        }
        hits += rowHits;
    }
    return hits;
}

bool HaveAvx2Kernel() {
    static const bool have = Avx2BlockHits() != nullptr && CpuHasAvx2();
    return have;
}

int64_t CountHits(const GreyView& band, const GreyView& target, Point pos, uint8_t spreading) {
    return CountWith(FastestBlockHits(), band, target, pos, spreading);
}

int64_t CountHitsScalar(const GreyView& band, const GreyView& target, Point pos,
                        uint8_t spreading) {
    return CountWith(BlockHitsScalar, band, target, pos, spreading);
}

int64_t CountHitsAvx2(const GreyView& band, const GreyView& target, Point pos, uint8_t spreading) {
    return CountWith(HaveAvx2Kernel() ? Avx2BlockHits() : BlockHitsScalar, band, target, pos,
                     spreading);
}

int64_t ComparedPixels(const GreyView& band, const GreyView& target, Point pos) {
    const Overlap o = ClipBand(band, target, pos);
    return o.IsEmpty() ? 0 : int64_t{o.right - o.left} * (o.bottom - o.top);
}

int64_t CountHitsWithMask(const GreyView& band, const GreyView& target, Point pos,
                          uint8_t spreading, std::vector<uint8_t>& mismatch) {
    mismatch.assign(static_cast<size_t>(std::max(band.width, 0)) * std::max(band.height, 0), 0);
    if (band.pixels == nullptr || target.pixels == nullptr)
        return 0;
    const Overlap o = ClipBand(band, target, pos);
    int64_t hits = 0;
    for (int y = o.top; y < o.bottom; ++y) {
        const uint8_t* b = band.Row(y);
        const uint8_t* t = target.Row(pos.y + y);
        uint8_t* marks = mismatch.data() + static_cast<size_t>(y) * band.width;
        for (int x = o.left; x < o.right; ++x) {
            const int tv = t[pos.x + x];
            const int d = b[x] > tv ? b[x] - tv : tv - b[x];
            if (d <= spreading)
                ++hits;
            else
                marks[x] = 1;
        }
    }
    return hits;
}

}  // namespace korvalen
