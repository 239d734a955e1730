// Built with -mavx2 on x86-64 and only called after a processor check, so nothing here may
// call inline or template code shared with other files: the linker could pick this file's
// AVX2 copy for processors without AVX2.
#include "joining/ScoreKernel.h"

#if defined(__AVX2__) && defined(__x86_64__)
#include <immintrin.h>

namespace korvalen {
namespace {

// Each step adds at most 1 to a byte lane of the counters, so they are summed into 64-bit
// totals before 255 steps have run.
constexpr int kMaxStepsPerFlush = 255;
// Rows are cut into strips no wider than this, so that one row never needs more steps.
constexpr int kStripWidth = 4096;

// 32 zero bytes then 32 bytes 0xFF: 32 bytes from offset k keep the last 32 - k lanes.
alignas(64) constexpr uint8_t kKeepLast[64] = {
    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,
    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,
    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};

// 0xFF in every lane where |band - target| <= spreading.
inline __m256i Hits32(const uint8_t* band, const uint8_t* target, __m256i spreading) {
    const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(band));
    const __m256i t = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(target));
    const __m256i d = _mm256_sub_epi8(_mm256_max_epu8(b, t), _mm256_min_epu8(b, t));
    return _mm256_cmpeq_epi8(_mm256_min_epu8(d, spreading), d);
}

inline __m128i Hits16(const uint8_t* band, const uint8_t* target, __m128i spreading) {
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(band));
    const __m128i t = _mm_loadu_si128(reinterpret_cast<const __m128i*>(target));
    const __m128i d = _mm_sub_epi8(_mm_max_epu8(b, t), _mm_min_epu8(b, t));
    return _mm_cmpeq_epi8(_mm_min_epu8(d, spreading), d);
}

inline int64_t Sum64(__m256i totals) {
    const __m128i pair =
        _mm_add_epi64(_mm256_castsi256_si128(totals), _mm256_extracti128_si256(totals, 1));
    return _mm_cvtsi128_si64(pair) + _mm_extract_epi64(pair, 1);
}

// Rows of 32 pixels or more: full vectors, then one vector ending at the row's end whose
// lanes already counted are masked off.
int64_t WideHits(const uint8_t* band, ptrdiff_t bandStride, const uint8_t* target,
                 ptrdiff_t targetStride, int width, int rows, __m256i spreading) {
    const int full = width / 32;
    const int rest = width % 32;
    const __m256i keepTail = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(kKeepLast + rest));
    const int stepsPerRow = full + (rest != 0);
    const int rowsPerFlush = kMaxStepsPerFlush / stepsPerRow;
    const __m256i zero = _mm256_setzero_si256();
    __m256i totals = zero;
    for (int y = 0; y < rows;) {
        const int end = rows - y < rowsPerFlush ? rows : y + rowsPerFlush;
        __m256i counts = zero;
        for (; y < end; ++y) {
            const uint8_t* b = band + y * bandStride;
            const uint8_t* t = target + y * targetStride;
            for (int i = 0; i < full; ++i)
                counts = _mm256_sub_epi8(counts, Hits32(b + 32 * i, t + 32 * i, spreading));
            if (rest != 0) {
                const __m256i tail = Hits32(b + width - 32, t + width - 32, spreading);
                counts = _mm256_sub_epi8(counts, _mm256_and_si256(tail, keepTail));
            }
        }
        totals = _mm256_add_epi64(totals, _mm256_sad_epu8(counts, zero));
    }
    return Sum64(totals);
}

// Rows of 16 to 31 pixels: two overlapping 16-pixel vectors.
int64_t MediumHits(const uint8_t* band, ptrdiff_t bandStride, const uint8_t* target,
                   ptrdiff_t targetStride, int width, int rows, uint8_t spreading) {
    const __m128i spread = _mm_set1_epi8(static_cast<char>(spreading));
    const __m128i keepTail =
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(kKeepLast + 16 + (width - 16)));
    const bool twoSteps = width > 16;
    const __m128i zero = _mm_setzero_si128();
    __m128i totals = zero;
    for (int y = 0; y < rows;) {
        const int end = rows - y < kMaxStepsPerFlush / 2 ? rows : y + kMaxStepsPerFlush / 2;
        __m128i counts = zero;
        for (; y < end; ++y) {
            const uint8_t* b = band + y * bandStride;
            const uint8_t* t = target + y * targetStride;
            counts = _mm_sub_epi8(counts, Hits16(b, t, spread));
            if (twoSteps) {
                const __m128i tail = Hits16(b + width - 16, t + width - 16, spread);
                counts = _mm_sub_epi8(counts, _mm_and_si128(tail, keepTail));
            }
        }
        totals = _mm_add_epi64(totals, _mm_sad_epu8(counts, zero));
    }
    return _mm_cvtsi128_si64(totals) + _mm_extract_epi64(totals, 1);
}

int64_t NarrowHits(const uint8_t* band, ptrdiff_t bandStride, const uint8_t* target,
                   ptrdiff_t targetStride, int width, int rows, uint8_t spreading) {
    int64_t hits = 0;
    for (int y = 0; y < rows; ++y) {
        const uint8_t* b = band + y * bandStride;
        const uint8_t* t = target + y * targetStride;
        for (int x = 0; x < width; ++x) {
            const int d = b[x] > t[x] ? b[x] - t[x] : t[x] - b[x];
            hits += d <= spreading;
        }
    }
    return hits;
}

int64_t BlockHitsAvx2(const uint8_t* band, ptrdiff_t bandStride, const uint8_t* target,
                      ptrdiff_t targetStride, int width, int rows, uint8_t spreading) {
    if (width <= 0 || rows <= 0)
        return 0;
    if (width < 16)
        return NarrowHits(band, bandStride, target, targetStride, width, rows, spreading);
    if (width < 32)
        return MediumHits(band, bandStride, target, targetStride, width, rows, spreading);
    const __m256i spread = _mm256_set1_epi8(static_cast<char>(spreading));
    int64_t hits = 0;
    int left = 0;
    // Every strip, the last one too, stays at least 32 pixels wide.
    while (width - left >= kStripWidth + 32) {
        hits += WideHits(band + left, bandStride, target + left, targetStride, kStripWidth, rows,
                         spread);
        left += kStripWidth;
    }
    return hits + WideHits(band + left, bandStride, target + left, targetStride, width - left, rows,
                           spread);
}

}  // namespace

BlockHitsFunction Avx2BlockHits() {
    return BlockHitsAvx2;
}

}  // namespace korvalen

#else

namespace korvalen {

BlockHitsFunction Avx2BlockHits() {
    return nullptr;
}

}  // namespace korvalen

#endif
