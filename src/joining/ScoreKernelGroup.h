#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "joining/ScoreKernel.h"

namespace korvalen {

// Scoring several band positions in one pass over the band: every band vector is loaded once
// per row and compared with the target under each position of the group. The counts are
// misses (compared pixels with |band - target| > spreading); hits are the compared pixels less
// the misses, identical to CountHits.
inline constexpr int kMaxGroupPositions = 8;

// The band as the vector kernels read it. Each band pixel b becomes the interval [lo, hi] of
// target values that match it (lo = max(b - s, 0), hi = min(b + s, 255)); a target value t
// misses when (hi - t) mod 256 > hi - lo, one subtraction and one signed comparison after both
// are moved by 0x80. Per row there are `chunks` vectors of vectorBytes lanes, the last one
// ending at the row's end with the lanes already counted made to match everything; each
// vector is stored as its upper values followed by its widths.
class GroupBand {
public:
    // The fastest kernel here that suits the band's width.
    static constexpr int kBestFitting = -1;
    // Prepares band for the kernel of the given vector width (0 = the portable one, which
    // reads the band). kernel() is null for an empty band, and for a chosen width also when
    // the band is narrower than a vector or too wide for the byte counters.
    GroupBand(const GreyView& band, uint8_t spreading, int vectorBytes = kBestFitting);

    // The plain fields the kernels read: nothing in the vector files may call code of ours.
    struct Rows {
        const uint8_t* prepared = nullptr;
        ptrdiff_t preparedStride = 0;  // bytes per band row
        int chunks = 0;
        int vectorBytes = 0;
        const uint8_t* band = nullptr;  // the band itself, for the portable kernel
        ptrdiff_t bandStride = 0;
        int width = 0;
        int height = 0;
        uint8_t spreading = 0;
    };
    // Adds to misses[k] the misses of band rows [rowBegin, rowEnd) placed over targets[k], which
    // points at the target pixel under the band's top-left; count <= kMaxGroupPositions.
    using Kernel = void (*)(const Rows& rows, const uint8_t* const* targets, ptrdiff_t targetStride,
                            int count, int rowBegin, int rowEnd, int64_t* misses);

    Kernel kernel() const { return kernel_; }
    const Rows& rows() const { return rows_; }
    int64_t Pixels() const { return int64_t{rows_.width} * rows_.height; }

private:
    void Prepare(int vectorBytes);

    Rows rows_;
    Kernel kernel_ = nullptr;
    std::vector<uint8_t> prepared_;
};

// The kernels, exposed for the tests and the benchmark; null where not built or not run here.
GroupBand::Kernel PortableGroupKernel();
GroupBand::Kernel Avx2GroupKernel();
GroupBand::Kernel Avx512GroupKernel();
// The vector width of the fastest kernel this processor runs (0 = portable).
int FastestGroupVectorBytes();

}  // namespace korvalen
