// The yardstick a user compares the self-search with: a template matcher that finds the
// position of least squared difference through the discrete Fourier transform. A different
// measure (sum of squared differences of the palette indices, not matching pixels), timed on
// the same band and search area as BM_WholeSearch/250/10 so that the two can be set side by side
// in one run.
#include <benchmark/benchmark.h>
#include <fftw3.h>

#include <algorithm>
#include <complex>
#include <cstdint>
#include <limits>
#include <vector>

namespace {

constexpr int kArea = 1500;  // the search area of a 250 band with the overlap setting 10
constexpr int kBand = 250;

std::vector<float> NoisePicture(int width, int height, uint32_t seed) {
    std::vector<float> picture(static_cast<size_t>(width) * height);
    for (float& p : picture) {
        seed ^= seed << 13;
        seed ^= seed >> 17;
        seed ^= seed << 5;
        p = static_cast<float>(seed & 0xFF);
    }
    return picture;
}

void BM_FftMatcher(benchmark::State& state) {
    const int w = kArea, h = kArea, complexWidth = w / 2 + 1;
    const std::vector<float> area = NoisePicture(w, h, 7);
    const std::vector<float> band = NoisePicture(kBand, kBand, 9);
    float* spatial = fftwf_alloc_real(static_cast<size_t>(w) * h);
    fftwf_complex* areaSpectrum = fftwf_alloc_complex(static_cast<size_t>(complexWidth) * h);
    fftwf_complex* bandSpectrum = fftwf_alloc_complex(static_cast<size_t>(complexWidth) * h);
    const fftwf_plan forwardArea =
        fftwf_plan_dft_r2c_2d(h, w, spatial, areaSpectrum, FFTW_ESTIMATE);
    const fftwf_plan forwardBand =
        fftwf_plan_dft_r2c_2d(h, w, spatial, bandSpectrum, FFTW_ESTIMATE);
    const fftwf_plan backward = fftwf_plan_dft_c2r_2d(h, w, areaSpectrum, spatial, FFTW_ESTIMATE);
    const int reach = kArea - kBand + 1;
    std::vector<double> squares(static_cast<size_t>(w + 1) * (h + 1), 0.0);
    int bestX = 0, bestY = 0;
    for (auto _ : state) {
        std::copy(area.begin(), area.end(), spatial);
        fftwf_execute(forwardArea);
        std::fill(spatial, spatial + static_cast<size_t>(w) * h, 0.0f);
        double bandSquares = 0;
        for (int y = 0; y < kBand; ++y) {
            for (int x = 0; x < kBand; ++x) {
                const float v = band[static_cast<size_t>(y) * kBand + x];
                spatial[static_cast<size_t>(y) * w + x] = v;
                bandSquares += double{v} * v;
            }
        }
        fftwf_execute(forwardBand);
        // Correlation: the area's spectrum times the band's conjugate.
        for (size_t i = 0; i < static_cast<size_t>(complexWidth) * h; ++i) {
            const std::complex<float> a(areaSpectrum[i][0], areaSpectrum[i][1]);
            const std::complex<float> b(bandSpectrum[i][0], -bandSpectrum[i][1]);
            const std::complex<float> c = a * b;
            areaSpectrum[i][0] = c.real();
            areaSpectrum[i][1] = c.imag();
        }
        fftwf_execute(backward);
        // Squares of the area under each band position through a summed-area table.
        for (int y = 0; y < h; ++y) {
            double row = 0;
            for (int x = 0; x < w; ++x) {
                const double v = area[static_cast<size_t>(y) * w + x];
                row += v * v;
                squares[static_cast<size_t>(y + 1) * (w + 1) + x + 1] =
                    squares[static_cast<size_t>(y) * (w + 1) + x + 1] + row;
            }
        }
        const double scale = 1.0 / (double{w} * h);
        double best = std::numeric_limits<double>::max();
        for (int y = 0; y < reach; ++y) {
            for (int x = 0; x < reach; ++x) {
                auto at = [&](int yy, int xx) {
                    return squares[static_cast<size_t>(yy) * (w + 1) + xx];
                };
                const double window =
                    at(y + kBand, x + kBand) - at(y, x + kBand) - at(y + kBand, x) + at(y, x);
                const double ssd =
                    window - 2 * scale * spatial[static_cast<size_t>(y) * w + x] + bandSquares;
                if (ssd < best) {
                    best = ssd;
                    bestX = x;
                    bestY = y;
                }
            }
        }
        benchmark::DoNotOptimize(bestX);
        benchmark::DoNotOptimize(bestY);
    }
    state.counters["positions"] = benchmark::Counter(double{reach} * reach);
    fftwf_destroy_plan(forwardArea);
    fftwf_destroy_plan(forwardBand);
    fftwf_destroy_plan(backward);
    fftwf_free(spatial);
    fftwf_free(areaSpectrum);
    fftwf_free(bandSpectrum);
}
BENCHMARK(BM_FftMatcher)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
