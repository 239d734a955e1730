#include "joining/ScoreKernelGroup.h"

#include <algorithm>
#include <string_view>

namespace korvalen {
namespace {

// The vector kernels count misses in byte lanes and empty them before 255 steps; one row must
// fit in that.
constexpr int kMaxChunksPerRow = 128;

bool CpuHas(const char* feature) {
#if (defined(__GNUC__) || defined(__clang__)) && (defined(__x86_64__) || defined(__i386__))
    __builtin_cpu_init();
    if (std::string_view(feature) == "avx2")
        return __builtin_cpu_supports("avx2");
    return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw");
#else
    (void)feature;
    return false;
#endif
}

// The same pixels in the same order as CountHits' portable kernel, counted as misses.
void PortableKernel(const GroupBand::Rows& rows, const uint8_t* const* targets,
                    ptrdiff_t targetStride, int count, int rowBegin, int rowEnd, int64_t* misses) {
    const int spreading = rows.spreading;
    for (int k = 0; k < count; ++k) {
        int64_t missed = 0;
        for (int y = rowBegin; y < rowEnd; ++y) {
            const uint8_t* b = rows.band + y * rows.bandStride;
            const uint8_t* t = targets[k] + y * targetStride;
            int rowMisses = 0;
            for (int x = 0; x < rows.width; ++x) {
                const int d = b[x] > t[x] ? b[x] - t[x] : t[x] - b[x];
                rowMisses += d > spreading;
            }
            missed += rowMisses;
        }
        misses[k] += missed;
    }
}

}  // namespace

GroupBand::Kernel PortableGroupKernel() {
    return PortableKernel;
}

int FastestGroupVectorBytes() {
    static const int bytes = [] {
        if (Avx512GroupKernel() != nullptr && CpuHas("avx512"))
            return 64;
        if (Avx2GroupKernel() != nullptr && CpuHas("avx2"))
            return 32;
        return 0;
    }();
    return bytes;
}

GroupBand::GroupBand(const GreyView& band, uint8_t spreading, int vectorBytes) {
    rows_.band = band.pixels;
    rows_.bandStride = band.stride;
    rows_.width = band.pixels != nullptr ? std::max(band.width, 0) : 0;
    rows_.height = band.pixels != nullptr ? std::max(band.height, 0) : 0;
    rows_.spreading = spreading;
    if (rows_.width == 0 || rows_.height == 0)
        return;
    if (vectorBytes != kBestFitting) {
        Prepare(vectorBytes);
        return;
    }
    // Too narrow (or too wide) for the widest vectors: the next narrower, down to the
    // portable kernel, which takes any band.
    for (int bytes = FastestGroupVectorBytes(); kernel_ == nullptr; bytes /= 2)
        Prepare(bytes >= 32 ? bytes : 0);
}

void GroupBand::Prepare(int vectorBytes) {
    Kernel vectorKernel = vectorBytes == 64   ? Avx512GroupKernel()
                          : vectorBytes == 32 ? Avx2GroupKernel()
                                              : nullptr;
    const int width = rows_.width;
    if (vectorKernel == nullptr) {
        kernel_ = PortableKernel;
        return;
    }
    const int chunks = (width + vectorBytes - 1) / vectorBytes;
    if (width < vectorBytes || chunks > kMaxChunksPerRow)
        return;  // one position at a time
    rows_.vectorBytes = vectorBytes;
    rows_.chunks = chunks;
    rows_.preparedStride = ptrdiff_t{chunks} * 2 * vectorBytes;
    prepared_.assign(static_cast<size_t>(rows_.preparedStride) * rows_.height, 0);
    const int s = rows_.spreading;
    for (int y = 0; y < rows_.height; ++y) {
        const uint8_t* b = rows_.band + y * rows_.bandStride;
        uint8_t* out = prepared_.data() + y * rows_.preparedStride;
        for (int c = 0; c < chunks; ++c) {
            // The last vector ends at the row's end; its lanes before firstNew were counted
            // by the vector before it.
            const bool tail = (c + 1) * vectorBytes > width;
            const int start = tail ? width - vectorBytes : c * vectorBytes;
            const int firstNew = tail ? c * vectorBytes - start : 0;
            uint8_t* upper = out + ptrdiff_t{c} * 2 * vectorBytes;
            uint8_t* span = upper + vectorBytes;
            for (int i = 0; i < vectorBytes; ++i) {
                const int v = b[start + i];
                const int lo = std::max(v - s, 0);
                const int hi = std::min(v + s, 255);
                upper[i] = static_cast<uint8_t>(hi ^ 0x80);
                // Width 255 makes every target value a match: lanes counted already.
                span[i] = static_cast<uint8_t>((i < firstNew ? 255 : hi - lo) ^ 0x80);
            }
        }
    }
    rows_.prepared = prepared_.data();
    kernel_ = vectorKernel;
}

}  // namespace korvalen
