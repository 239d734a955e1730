// Built with -mavx512f -mavx512bw on x86-64 and only called after a processor check, so
// nothing here may call inline or template code shared with other files.
#include "joining/ScoreKernelGroup.h"

#if defined(__AVX512F__) && defined(__AVX512BW__) && defined(__x86_64__)
#include <immintrin.h>

namespace korvalen {
namespace {

// Through memory: the header's lane extractions warn falsely with some compilers.
inline int64_t Sum64(__m512i totals) {
    alignas(64) int64_t lanes[8];
    _mm512_store_si512(lanes, totals);
    return lanes[0] + lanes[1] + lanes[2] + lanes[3] + lanes[4] + lanes[5] + lanes[6] + lanes[7];
}

// K positions at once, so that the counters stay in registers.
template <int K>
void GroupMisses(const GroupBand::Rows& rows, const uint8_t* const* targets, ptrdiff_t targetStride,
                 int rowBegin, int rowEnd, int64_t* misses) {
    const int chunks = rows.chunks;
    const int lastStart = rows.width - 64;
    // Each step adds at most 1 to a byte lane.
    const int rowsPerFlush = 255 / chunks;
    const __m512i zero = _mm512_setzero_si512();
    const __m512i one = _mm512_set1_epi8(1);
    __m512i totals[K];
    for (int k = 0; k < K; ++k)
        totals[k] = zero;
    for (int y = rowBegin; y < rowEnd;) {
        const int end = rowEnd - y < rowsPerFlush ? rowEnd : y + rowsPerFlush;
        __m512i counts[K];
        for (int k = 0; k < K; ++k)
            counts[k] = zero;
        for (; y < end; ++y) {
            const uint8_t* prepared = rows.prepared + y * rows.preparedStride;
            const ptrdiff_t rowOffset = y * targetStride;
            for (int c = 0; c < chunks; ++c) {
                const __m512i upper = _mm512_loadu_si512(prepared + 128 * c);
                const __m512i span = _mm512_loadu_si512(prepared + 128 * c + 64);
                const int column = 64 * c < lastStart ? 64 * c : lastStart;
                for (int k = 0; k < K; ++k) {
                    const __m512i t = _mm512_loadu_si512(targets[k] + rowOffset + column);
                    const __mmask64 miss = _mm512_cmpgt_epi8_mask(_mm512_sub_epi8(upper, t), span);
                    counts[k] = _mm512_mask_add_epi8(counts[k], miss, counts[k], one);
                }
            }
        }
        for (int k = 0; k < K; ++k)
            totals[k] = _mm512_add_epi64(totals[k], _mm512_sad_epu8(counts[k], zero));
    }
    for (int k = 0; k < K; ++k)
        misses[k] += Sum64(totals[k]);
}

#include "joining/ScoreKernelGroupPasses.inc"

}  // namespace

GroupBand::Kernel Avx512GroupKernel() {
    return GroupKernelPasses;
}

}  // namespace korvalen

#else

namespace korvalen {

GroupBand::Kernel Avx512GroupKernel() {
    return nullptr;
}

}  // namespace korvalen

#endif
