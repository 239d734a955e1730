// Built with -mavx2 on x86-64 and only called after a processor check, so nothing here may
// call inline or template code shared with other files: the linker could pick this file's
// AVX2 copy for processors without AVX2.
#include "joining/ScoreKernelGroup.h"

#if defined(__AVX2__) && defined(__x86_64__)
#include <immintrin.h>

namespace korvalen {
namespace {

inline int64_t Sum64(__m256i totals) {
    const __m128i pair =
        _mm_add_epi64(_mm256_castsi256_si128(totals), _mm256_extracti128_si256(totals, 1));
    return _mm_cvtsi128_si64(pair) + _mm_extract_epi64(pair, 1);
}

// K positions at once, so that the counters stay in registers.
template <int K>
void GroupMisses(const GroupBand::Rows& rows, const uint8_t* const* targets, ptrdiff_t targetStride,
                 int rowBegin, int rowEnd, int64_t* misses) {
    const int chunks = rows.chunks;
    const int lastStart = rows.width - 32;
    // Each step adds at most 1 to a byte lane.
    const int rowsPerFlush = 255 / chunks;
    const __m256i zero = _mm256_setzero_si256();
    __m256i totals[K];
    for (int k = 0; k < K; ++k)
        totals[k] = zero;
    for (int y = rowBegin; y < rowEnd;) {
        const int end = rowEnd - y < rowsPerFlush ? rowEnd : y + rowsPerFlush;
        __m256i counts[K];
        for (int k = 0; k < K; ++k)
            counts[k] = zero;
        for (; y < end; ++y) {
            const uint8_t* prepared = rows.prepared + y * rows.preparedStride;
            const ptrdiff_t rowOffset = y * targetStride;
            for (int c = 0; c < chunks; ++c) {
                const __m256i upper =
                    _mm256_loadu_si256(reinterpret_cast<const __m256i*>(prepared + 64 * c));
                const __m256i span =
                    _mm256_loadu_si256(reinterpret_cast<const __m256i*>(prepared + 64 * c + 32));
                const int column = 32 * c < lastStart ? 32 * c : lastStart;
                for (int k = 0; k < K; ++k) {
                    const __m256i t = _mm256_loadu_si256(
                        reinterpret_cast<const __m256i*>(targets[k] + rowOffset + column));
                    const __m256i miss = _mm256_cmpgt_epi8(_mm256_sub_epi8(upper, t), span);
                    counts[k] = _mm256_sub_epi8(counts[k], miss);
                }
            }
        }
        for (int k = 0; k < K; ++k)
            totals[k] = _mm256_add_epi64(totals[k], _mm256_sad_epu8(counts[k], zero));
    }
    for (int k = 0; k < K; ++k)
        misses[k] += Sum64(totals[k]);
}

#include "joining/ScoreKernelGroupPasses.inc"

}  // namespace

GroupBand::Kernel Avx2GroupKernel() {
    return GroupKernelPasses;
}

}  // namespace korvalen

#else

namespace korvalen {

GroupBand::Kernel Avx2GroupKernel() {
    return nullptr;
}

}  // namespace korvalen

#endif
