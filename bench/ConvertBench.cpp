#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <vector>

#include "images/BitmapOps.h"
#include "images/Palette.h"
#include "images/PixelConvert.h"

namespace korvalen {
namespace {

constexpr int kSide = 4000;
constexpr int64_t kPixels = int64_t{kSide} * kSide;

// Map-like content: shaded areas with sharp borders, lines and some scanner noise, so that
// the lookup tables are visited widely rather than at a handful of colours.
Bitmap MakeMapPicture(int width, int height) {
    Bitmap picture(width, height, PixelFormat::Bits24);
    uint32_t noise = 2463534242u;
    for (int y = 0; y < height; ++y) {
        uint8_t* row = picture.Row(y);
        for (int x = 0; x < width; ++x) {
            noise ^= noise << 13;
            noise ^= noise >> 17;
            noise ^= noise << 5;
            const uint32_t field = ((x >> 6) * 2654435761u) ^ ((y >> 6) * 40503u);
            int r = static_cast<int>(field & 0xFF) / 2 + (x & 127);
            int g = static_cast<int>((field >> 8) & 0xFF) / 2 + (y & 127);
            int b = static_cast<int>((field >> 16) & 0xFF) / 2 + ((x + y) & 63);
            if ((x + 3 * y) % 97 < 2)
                r = g = b = 20;  // roads and contour lines
            const int jitter = static_cast<int>(noise & 15) - 8;
            row[3 * x] = static_cast<uint8_t>(std::clamp(b + jitter, 0, 255));
            row[3 * x + 1] = static_cast<uint8_t>(std::clamp(g + jitter, 0, 255));
            row[3 * x + 2] = static_cast<uint8_t>(std::clamp(r + jitter, 0, 255));
        }
    }
    return picture;
}

const Bitmap& BigPicture() {
    static const Bitmap picture = MakeMapPicture(kSide, kSide);
    return picture;
}

const Bitmap& BigPicture8() {
    static const Bitmap picture = ConvertPixelFormat(BigPicture(), PixelFormat::Bits8);
    return picture;
}

void ReportPixels(benchmark::State& state, int64_t pixels, int64_t bytesPerPixel) {
    state.SetItemsProcessed(state.iterations() * pixels);
    state.SetBytesProcessed(state.iterations() * pixels * bytesPerPixel);
}

void BM_Convert24To8(benchmark::State& state) {
    const Bitmap& source = BigPicture();
    for (auto _ : state) {
        Bitmap result = ConvertPixelFormat(source, PixelFormat::Bits8);
        benchmark::DoNotOptimize(result.Row(0));
    }
    ReportPixels(state, kPixels, 3);
}
BENCHMARK(BM_Convert24To8)->Unit(benchmark::kMillisecond);

// The reference the lookup table is measured against: the plain nearest-colour search with
// 256 squared distances per pixel, on a slice of the same picture to keep the run short.
void BM_BruteForce24To8(benchmark::State& state) {
    const Bitmap& source = BigPicture();
    const int rows = static_cast<int>(state.range(0));
    const std::vector<Rgb>& palette = StandardPalette();
    std::vector<uint8_t> out(kSide);
    for (auto _ : state) {
        for (int y = 0; y < rows; ++y) {
            const uint8_t* bgr = source.Row(y);
            for (int x = 0; x < kSide; ++x, bgr += 3) {
                int best = 0;
                int bestDistance = std::numeric_limits<int>::max();
                for (int i = 0; i < 256; ++i) {
                    const int dr = bgr[2] - palette[i].r;
                    const int dg = bgr[1] - palette[i].g;
                    const int db = bgr[0] - palette[i].b;
                    const int d = dr * dr + dg * dg + db * db;
                    if (d < bestDistance) {
                        bestDistance = d;
                        best = i;
                    }
                }
                out[x] = static_cast<uint8_t>(best);
            }
            benchmark::DoNotOptimize(out.data());
            benchmark::ClobberMemory();
        }
    }
    ReportPixels(state, int64_t{rows} * kSide, 3);
}
BENCHMARK(BM_BruteForce24To8)->Arg(100)->Unit(benchmark::kMillisecond);

void BM_Convert24To4(benchmark::State& state) {
    const Bitmap& source = BigPicture();
    for (auto _ : state) {
        Bitmap result = ConvertPixelFormat(source, PixelFormat::Bits4);
        benchmark::DoNotOptimize(result.Row(0));
    }
    ReportPixels(state, kPixels, 3);
}
BENCHMARK(BM_Convert24To4)->Unit(benchmark::kMillisecond);

void BM_Convert8To24(benchmark::State& state) {
    const Bitmap& source = BigPicture8();
    for (auto _ : state) {
        Bitmap result = ConvertPixelFormat(source, PixelFormat::Bits24);
        benchmark::DoNotOptimize(result.Row(0));
    }
    ReportPixels(state, kPixels, 1);
}
BENCHMARK(BM_Convert8To24)->Unit(benchmark::kMillisecond);

// Composing a 10 x 10 grid of 1000 x 1000 maps: one map per iteration, at the next cell.
void DrawGrid(benchmark::State& state, PixelFormat format, int shift) {
    constexpr int kTile = 1000;
    constexpr int kCanvas = 10000;
    const Bitmap tile = ConvertPixelFormat(MakeMapPicture(kTile, kTile), format);
    Bitmap canvas(kCanvas, kCanvas, format);
    int cell = 0;
    for (auto _ : state) {
        const int x = (cell % 10) * kTile - shift;
        const int y = (cell / 10) * kTile;
        benchmark::DoNotOptimize(DrawBitmapAt(&tile, &canvas, x, y));
        cell = (cell + 1) % 100;
    }
    const int64_t pixels = int64_t{kTile} * kTile;
    state.SetItemsProcessed(state.iterations() * pixels);
    state.SetBytesProcessed(state.iterations() * pixels * tile.BitsPerPixel() / 8);
}

void BM_DrawBitmapAt8(benchmark::State& state) {
    DrawGrid(state, PixelFormat::Bits8, 0);
}
BENCHMARK(BM_DrawBitmapAt8)->Unit(benchmark::kMicrosecond);

// Half a byte off: every row is repacked nibble by nibble.
void BM_DrawBitmapAt4OddX(benchmark::State& state) {
    DrawGrid(state, PixelFormat::Bits4, 1);
}
BENCHMARK(BM_DrawBitmapAt4OddX)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace korvalen
