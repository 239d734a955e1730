// The overlap estimate of one join and the whole join of a demo set with the default settings,
// against the specified search with hand-tuned settings on the same set.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "demo/DemoMap.h"
#include "demo/DemoTiles.h"
#include "images/BitmapOps.h"
#include "images/JpegCodec.h"
#include "images/MapMatrix.h"
#include "images/PixelConvert.h"
#include "joining/OverlapEstimate.h"
#include "joining/UnattendedJoin.h"

namespace korvalen {
namespace {

// Tiles of a demo set as "Load all maps" holds them: JPEG at quality 80, reduced to 8 bits.
std::vector<Bitmap> DemoMaps(int rows, int cols, int width, int height, int overlap,
                             uint32_t seed) {
    DemoLayout layout;
    layout.rows = rows;
    layout.cols = cols;
    layout.tileWidth = width;
    layout.tileHeight = height;
    layout.overlapX = layout.overlapY = overlap;
    layout.maxShift = 10;
    layout.shiftSeed = seed;
    const QSize size = DemoPictureSize(layout);
    std::vector<DemoTile> tiles;
    std::string error;
    CutDemoTiles(DrawDemoMap(size.width(), size.height(), seed), layout, tiles, error);
    std::vector<Bitmap> maps;
    for (const DemoTile& tile : tiles) {
        std::vector<uint8_t> bytes;
        Bitmap decoded;
        EncodeJpeg(tile.bitmap, 80, bytes, error);
        DecodeJpeg(bytes, decoded, error);
        ConvertInPlace(decoded, PixelFormat::Bits8);
        maps.push_back(std::move(decoded));
    }
    return maps;
}

// Two neighbours of 1280 x 480 joined in a row: their facing halves are 640 x 480.
void BM_EstimateOverlapOf640x480Halves(benchmark::State& state) {
    const std::vector<Bitmap> maps = DemoMaps(1, 2, 1280, 480, 200, 3);
    const Rect targetRect{640, 0, 1280, 480};
    const Bitmap target = *CopyArea(&maps[0], targetRect);
    const Bitmap half = *CopyArea(&maps[1], {0, 0, 640, 480});
    const PositionRange range = PlausibleOffsets(true, 1280, 480, targetRect);
    for (auto _ : state) {
        const OverlapEstimate estimate = EstimateOverlap(target, half, range);
        benchmark::DoNotOptimize(estimate.offset);
        if (!estimate.distinct)
            state.SkipWithError("the estimate is not distinct");
    }
}
BENCHMARK(BM_EstimateOverlapOf640x480Halves)->Unit(benchmark::kMillisecond);

void JoinDemoSet(benchmark::State& state, const Settings& settings, UnattendedDecision decision) {
    const std::vector<Bitmap> maps = DemoMaps(3, 4, 600, 450, 100, 2);
    int exact = 0;
    for (auto _ : state) {
        state.PauseTiming();
        MapMatrix matrix;
        matrix.NewMatrix(3, 4);
        for (size_t i = 0; i < maps.size(); ++i)
            matrix.At(static_cast<int>(i) / 4 + 1, static_cast<int>(i) % 4 + 1)->Bitmap =
                std::make_unique<Bitmap>(maps[i]);
        state.ResumeTiming();
        const UnattendedJoinReport report = JoinUnattended(matrix, settings, decision);
        benchmark::DoNotOptimize(report.complete);
        exact = report.complete ? 1 : 0;
    }
    state.counters["complete"] = exact;
}

void BM_JoinDemoSet3x4WithDefaults(benchmark::State& state) {
    JoinDemoSet(state, Settings{}, UnattendedDecision::Best);
}
BENCHMARK(BM_JoinDemoSet3x4WithDefaults)->Unit(benchmark::kMillisecond);

// The baseline: the specified search alone, with the overlap given and the settings tuned by
// hand until it joins this set (palette indices, spreading 12, minimum 80, first position).
void BM_JoinDemoSet3x4SpecifiedSearchTuned(benchmark::State& state) {
    Settings s;
    s.estimateOverlap = false;
    s.bandOnDetail = false;
    s.comparison = 0;
    s.spreadingTolerance = 12;
    s.minimumCorrelation = 80;
    JoinDemoSet(state, s, UnattendedDecision::First);
}
BENCHMARK(BM_JoinDemoSet3x4SpecifiedSearchTuned)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace korvalen

BENCHMARK_MAIN();
