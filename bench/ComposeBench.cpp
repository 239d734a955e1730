#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>

#include "images/MapMatrix.h"
#include "joining/ComposeResult.h"

namespace korvalen {
namespace {

constexpr int kCells = 10;     // 10 x 10 maps
constexpr int kSide = 1000;    // of 1000 x 1000 pixels
constexpr int kOverlap = 100;  // laid out like joined maps, overlapping their neighbours
constexpr int kShift = 3;      // and a little off the grid, as hand-made captures are
constexpr int64_t kMapPixels = int64_t{kCells} * kCells * kSide * kSide;

// Every map has its own content so that a copy cannot pass for another.
std::unique_ptr<Bitmap> MakeMap(int seed, PixelFormat format) {
    auto map = std::make_unique<Bitmap>(kSide, kSide, format);
    const int bytes = static_cast<int>(map->Stride());
    for (int y = 0; y < kSide; ++y) {
        uint8_t* row = map->Row(y);
        for (int x = 0; x < bytes; ++x)
            row[x] = static_cast<uint8_t>((x * 7 + y * 13 + seed * 31) % 216);
    }
    return map;
}

const MapMatrix& Matrix(PixelFormat format) {
    static MapMatrix matrices[2];
    MapMatrix& matrix = matrices[format == PixelFormat::Bits8 ? 0 : 1];
    if (matrix.Empty()) {
        matrix.NewMatrix(kCells, kCells);
        for (tSingleMap& cell : matrix) {
            cell.Bitmap = MakeMap(cell.Row * kCells + cell.Col, format);
            cell.X = (cell.Col - 1) * (kSide - kOverlap) + (cell.Row % 2) * kShift;
            cell.Y = (cell.Row - 1) * (kSide - kOverlap) - (cell.Col % 2) * kShift;
        }
    }
    return matrix;
}

// Pixels and bytes counted are those of the maps drawn.
void Compose(benchmark::State& state, PixelFormat mapFormat, PixelFormat resultFormat) {
    const MapMatrix& matrix = Matrix(mapFormat);
    for (auto _ : state) {
        Bitmap result = ComposeResultMap(matrix, resultFormat);
        benchmark::DoNotOptimize(result.Row(0));
    }
    const int64_t bytesPerPixel = mapFormat == PixelFormat::Bits8 ? 1 : 3;
    state.SetItemsProcessed(state.iterations() * kMapPixels);
    state.SetBytesProcessed(state.iterations() * kMapPixels * bytesPerPixel);
}

void BM_Compose8BitMapsInto8Bits(benchmark::State& state) {
    Compose(state, PixelFormat::Bits8, PixelFormat::Bits8);
}
void BM_Compose24BitMapsInto24Bits(benchmark::State& state) {
    Compose(state, PixelFormat::Bits24, PixelFormat::Bits24);
}

// For reading the figures: what making the empty white result alone costs.
void BM_AllocateResultOnly(benchmark::State& state) {
    const ResultMapSize size = ComputeResultMapSize(Matrix(PixelFormat::Bits8));
    for (auto _ : state) {
        Bitmap result(static_cast<int>(size.width), static_cast<int>(size.height),
                      PixelFormat::Bits8);
        benchmark::DoNotOptimize(result.Row(0));
    }
}

BENCHMARK(BM_Compose8BitMapsInto8Bits)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);
BENCHMARK(BM_Compose24BitMapsInto24Bits)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);
BENCHMARK(BM_AllocateResultOnly)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);

}  // namespace
}  // namespace korvalen
