// Turning a 10000 x 10000 map: RotateBitmap against the plain per-pixel loop and a copy.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstring>

#include "images/RotateBitmap.h"
#include "images/RotateReference.h"

namespace korvalen {
namespace {

constexpr int kSide = 10000;
constexpr Rgb kCyan{0, 255, 255};

const Bitmap& Map(PixelFormat format) {
    static Bitmap maps[2];
    Bitmap& map = maps[format == PixelFormat::Bits8 ? 0 : 1];
    if (map.IsEmpty()) {
        map = Bitmap(kSide, kSide, format);
        for (int y = 0; y < kSide; ++y) {
            uint8_t* row = map.Row(y);
            for (size_t x = 0; x < map.Stride(); ++x)
                row[x] = static_cast<uint8_t>((x * 7 + static_cast<size_t>(y) * 13) % 216);
        }
    }
    return map;
}

PixelFormat FormatOf(const benchmark::State& state) {
    return state.range(0) == 8 ? PixelFormat::Bits8 : PixelFormat::Bits24;
}

// Peak resident memory over the source: the turn may hold no more than its result besides.
void ReportMemory(benchmark::State& state, const Bitmap& source, const Bitmap& result) {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
    state.counters["source_plus_result_MB"] =
        static_cast<double>(source.ByteSize() + result.ByteSize()) / (1024.0 * 1024.0);
}

void Turn(benchmark::State& state, double angle) {
    const Bitmap& source = Map(FormatOf(state));
    Bitmap result;
    for (auto _ : state) {
        result = Bitmap();  // the previous result is gone before the next is made
        result = RotateBitmap(source, kCyan, angle);
        benchmark::DoNotOptimize(result.Row(0));
    }
    state.SetItemsProcessed(state.iterations() * int64_t{result.Width()} * result.Height());
    ReportMemory(state, source, result);
}

void BM_RotateOddAngle(benchmark::State& state) {
    Turn(state, 2.5);
}
// Far from 0 and 180 degrees no source row yields runs: every pixel is placed on its own.
void BM_RotateSteepAngle(benchmark::State& state) {
    Turn(state, 33.3);
}
void BM_Rotate90(benchmark::State& state) {
    Turn(state, 90);
}
void BM_Rotate180(benchmark::State& state) {
    Turn(state, 180);
}

// The design's loop as it stands: every destination pixel computed on its own.
void BM_PlainLoopOddAngle(benchmark::State& state) {
    const Bitmap& source = Map(FormatOf(state));
    Bitmap result;
    for (auto _ : state) {
        result = Bitmap();
        result = test::RotateReference(source, kCyan, 2.5);
        benchmark::DoNotOptimize(result.Row(0));
    }
    state.SetItemsProcessed(state.iterations() * int64_t{result.Width()} * result.Height());
}

// Memory-copy speed: a new bitmap of the same size filled by memcpy, row by row.
void BM_CopyBaseline(benchmark::State& state) {
    const Bitmap& source = Map(FormatOf(state));
    Bitmap result;
    for (auto _ : state) {
        result = Bitmap();
        result = Bitmap(source.Width(), source.Height(), source.Format());
        for (int y = 0; y < source.Height(); ++y)
            std::memcpy(result.Row(y), source.Row(y), source.Stride());
        benchmark::DoNotOptimize(result.Row(0));
    }
    state.SetItemsProcessed(state.iterations() * int64_t{kSide} * kSide);
}

// What making the result alone costs: a new white bitmap of the turned size (the part of
// every turn that no arithmetic can save).
void BM_NewResultOnly(benchmark::State& state) {
    const Bitmap& source = Map(FormatOf(state));
    const RotatedSize size = RotatedSizeFor(source.Width(), source.Height(), 2.5);
    Bitmap result;
    for (auto _ : state) {
        result = Bitmap();
        result = Bitmap(size.width, size.height, source.Format());
        benchmark::DoNotOptimize(result.Row(0));
    }
    state.SetItemsProcessed(state.iterations() * int64_t{size.width} * size.height);
}

BENCHMARK(BM_NewResultOnly)->Arg(24)->Arg(8)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CopyBaseline)->Arg(24)->Arg(8)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Rotate90)->Arg(24)->Arg(8)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Rotate180)->Arg(24)->Arg(8)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RotateOddAngle)->Arg(24)->Arg(8)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RotateSteepAngle)->Arg(24)->Arg(8)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PlainLoopOddAngle)
    ->Arg(24)
    ->Arg(8)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

}  // namespace
}  // namespace korvalen
