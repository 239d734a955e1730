#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <string>

#include "images/Bitmap.h"
#include "images/PixelConvert.h"
#include "joining/ScoreKernel.h"
#include "joining/ScoreKernelGroup.h"
#include "joining/SelfSearch.h"
#include "joining/WholeAreaSearch.h"

namespace korvalen {
namespace {

constexpr int kTargetSide = 1600;

// Map-like content: shaded fields with sharp borders, lines and scanner noise, reduced to the
// standard palette as the search sees it.
Bitmap MakeMapPicture(int width, int height, uint32_t seed) {
    Bitmap picture(width, height, PixelFormat::Bits24);
    uint32_t noise = 2463534242u ^ seed;
    for (int y = 0; y < height; ++y) {
        uint8_t* row = picture.Row(y);
        for (int x = 0; x < width; ++x) {
            noise ^= noise << 13;
            noise ^= noise >> 17;
            noise ^= noise << 5;
            const uint32_t field = ((x >> 5) * 2654435761u) ^ ((y >> 5) * 40503u) ^ seed;
            int r = static_cast<int>(field & 0xFF) / 2 + (x & 63);
            int g = static_cast<int>((field >> 8) & 0xFF) / 2 + (y & 63);
            int b = static_cast<int>((field >> 16) & 0xFF) / 2 + ((x + y) & 31);
            if ((x + 3 * y) % 97 < 2)
                r = g = b = 20;  // roads and contour lines
            const int jitter = static_cast<int>(noise & 15) - 8;
            row[3 * x] = static_cast<uint8_t>(std::clamp(b + jitter, 0, 255));
            row[3 * x + 1] = static_cast<uint8_t>(std::clamp(g + jitter, 0, 255));
            row[3 * x + 2] = static_cast<uint8_t>(std::clamp(r + jitter, 0, 255));
        }
    }
    return ConvertPixelFormat(picture, PixelFormat::Bits8);
}

const Bitmap& Target() {
    static const Bitmap target = MakeMapPicture(kTargetSide, kTargetSide, 1);
    return target;
}

// The baseline: one pixel at a time, kept from being vectorised so that it shows what the
// vector kernel gains over plain code.
#if defined(__clang__)
#define KORVALEN_NO_VECTORIZE
#define KORVALEN_NO_VECTORIZE_LOOP _Pragma("clang loop vectorize(disable) interleave(disable)")
#elif defined(__GNUC__)
#define KORVALEN_NO_VECTORIZE __attribute__((optimize("no-tree-vectorize")))
#define KORVALEN_NO_VECTORIZE_LOOP
#else
#define KORVALEN_NO_VECTORIZE
#define KORVALEN_NO_VECTORIZE_LOOP
#endif

KORVALEN_NO_VECTORIZE int64_t PlainScalarHits(const GreyView& band, const GreyView& target,
                                              Point pos, uint8_t spreading) {
    int64_t hits = 0;
    for (int y = 0; y < band.height; ++y) {
        const uint8_t* b = band.Row(y);
        const uint8_t* t = target.Row(pos.y + y) + pos.x;
        KORVALEN_NO_VECTORIZE_LOOP
        for (int x = 0; x < band.width; ++x) {
            int d = b[x] - t[x];
            if (d < 0)
                d = -d;
            hits += d <= spreading;
        }
    }
    return hits;
}

// Scores the band at a walk of neighbouring positions, as the search does.
template <typename Kernel>
void ScoreWalk(benchmark::State& state, Kernel kernel) {
    const int side = static_cast<int>(state.range(0));
    const Bitmap band = MakeMapPicture(side, side, 2);
    const GreyView bandView = ViewOf(band);
    const GreyView targetView = ViewOf(Target());
    const int reach = kTargetSide - side;
    int64_t position = 0;
    for (auto _ : state) {
        const Point pos{static_cast<int>(position % reach),
                        static_cast<int>(position / reach % reach)};
        benchmark::DoNotOptimize(kernel(bandView, targetView, pos, uint8_t{1}));
        ++position;
    }
    state.SetItemsProcessed(state.iterations() * int64_t{side} * side);
    state.SetLabel("items = pixels compared");
}

void BM_KernelDispatched(benchmark::State& state) {
    ScoreWalk(state, CountHits);
    state.SetLabel(HaveAvx2Kernel() ? "AVX2" : "portable (no AVX2 on this processor)");
}
BENCHMARK(BM_KernelDispatched)->Arg(50)->Arg(250);

void BM_KernelPortable(benchmark::State& state) {
    ScoreWalk(state, CountHitsScalar);  // what other processors run (the compiler may vectorise)
}
BENCHMARK(BM_KernelPortable)->Arg(50)->Arg(250);

void BM_PlainScalarLoop(benchmark::State& state) {
    ScoreWalk(state, PlainScalarHits);
}
BENCHMARK(BM_PlainScalarLoop)->Arg(50)->Arg(250);

// The group kernels: eight neighbouring positions per pass over the band, each pixel of each
// position counted (no early stop).
void GroupWalk(benchmark::State& state, int vectorBytes) {
    const int side = static_cast<int>(state.range(0));
    const Bitmap band = MakeMapPicture(side, side, 2);
    const GreyView targetView = ViewOf(Target());
    GroupBand prepared(ViewOf(band), 1, std::max(vectorBytes, 0));
    if (vectorBytes < 0 || prepared.kernel() == nullptr) {
        state.SkipWithError("this kernel does not run here");
        return;
    }
    const int reach = kTargetSide - side - kMaxGroupPositions;
    int64_t position = 0;
    for (auto _ : state) {
        const Point pos{static_cast<int>(position % reach),
                        static_cast<int>(position / reach % reach)};
        const uint8_t* targets[kMaxGroupPositions];
        for (int k = 0; k < kMaxGroupPositions; ++k)
            targets[k] = targetView.Row(pos.y) + pos.x + k;
        int64_t misses[kMaxGroupPositions] = {};
        prepared.kernel()(prepared.rows(), targets, targetView.stride, kMaxGroupPositions, 0, side,
                          misses);
        benchmark::DoNotOptimize(misses);
        position += kMaxGroupPositions;
    }
    state.SetItemsProcessed(state.iterations() * kMaxGroupPositions * int64_t{side} * side);
    state.SetLabel("items = pixels compared");
}

void BM_GroupKernelAvx2(benchmark::State& state) {
    GroupWalk(state, FastestGroupVectorBytes() >= 32 ? 32 : -2);
}
BENCHMARK(BM_GroupKernelAvx2)->Arg(50)->Arg(250);

void BM_GroupKernelAvx512(benchmark::State& state) {
    GroupWalk(state, FastestGroupVectorBytes() >= 64 ? 64 : -2);
}
BENCHMARK(BM_GroupKernelAvx512)->Arg(50)->Arg(250);

void BM_GroupKernelPortable(benchmark::State& state) {
    GroupWalk(state, 0);
}
BENCHMARK(BM_GroupKernelPortable)->Arg(50)->Arg(250);

class NoOpHost : public SearchHost {
public:
    int Decide(const DecisionRequest&) override { return 1; }
    bool ShowPreview(const PreviewRequest&) override { return false; }
};

// A whole search that finds nothing good enough and so walks its whole area: a band of
// range(0) pixels square with the overlap setting range(1). With range(2) = 1 the band is cut
// from the target (with its noise, so not quite equal) near the expected position, as in a real
// join, where the early stop pays most.
Bitmap NewMapFor(int side, bool matched) {
    if (!matched)
        return MakeMapPicture(side + 20, side + 20, 3);
    // The band (at 10, 10 of the new map) lies 37 and 23 pixels off the expected position.
    const int at = (kTargetSide - side) / 2;
    Bitmap map = *CopyArea(&Target(), {at + 27, at + 13, at + 27 + side + 20, at + 13 + side + 20});
    uint32_t noise = 12345;
    for (int y = 0; y < map.Height(); ++y) {
        for (int x = 0; x < map.Width(); ++x) {
            noise = noise * 1103515245u + 12345u;
            if ((noise >> 24) < 40)
                map.Row(y)[x] = static_cast<uint8_t>(noise >> 16);
        }
    }
    return map;
}

void BM_WholeSearch(benchmark::State& state) {
    const int side = static_cast<int>(state.range(0));
    const Bitmap newMap = NewMapFor(side, state.range(2) != 0);
    SearchSettings settings;
    settings.continueSearch = 0;
    settings.confirmTavix = false;
    settings.overlap = static_cast<uint8_t>(state.range(1));
    Target();  // made once, before the clock runs
    int64_t positions = 0;
    for (auto _ : state) {
        JoinRequest request;
        request.NewMap = &newMap;
        request.TargetArea = Target();
        request.JoinDirection = {-1, 0};
        request.BandPos = {10, 10};
        request.BandWidth = request.BandHeight = side;
        request.ExpectedPos = {(kTargetSide - side) / 2, (kTargetSide - side) / 2};
        NoOpHost host;
        SelfSearch search(request, settings, host);
        std::string error;
        if (!search.Activate(error)) {
            state.SkipWithError(error.c_str());
            return;
        }
        search.Start();
        positions += search.State().PositionCount;
    }
    state.counters["positions"] =
        benchmark::Counter(static_cast<double>(positions) / state.iterations());
    state.SetItemsProcessed(positions * int64_t{side} * side);
}
BENCHMARK(BM_WholeSearch)
    ->Args({50, 2, 0})
    ->Args({250, 10, 0})
    ->Args({250, 10, 1})
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()  // CPU: all cores together
    ->UseRealTime()
    ->Iterations(1);

// The same walks without the window's bookkeeping: range(3) = 0 counts every position in full,
// one after another (the reference the fast search must equal); 1 is the fast search on one
// core, 2 on all cores, 3 on one core with the AVX2 kernel (where the fastest is AVX-512).
void BM_WholeArea(benchmark::State& state) {
    const int side = static_cast<int>(state.range(0));
    const Bitmap newMap = NewMapFor(side, state.range(2) != 0);
    const Bitmap band = *CopyArea(&newMap, {10, 10, 10 + side, 10 + side});
    const int start = (kTargetSide - side) / 2;
    const int factor = static_cast<int>(state.range(1));
    const SearchGeometry g =
        FitSearchArea({start, start}, side, side, {factor, factor}, kTargetSide, kTargetSide);
    WholeAreaResult result;
    for (auto _ : state) {
        if (state.range(3) == 0)
            result =
                SearchWholeAreaSerial(ViewOf(band), ViewOf(Target()), 1, g.expectedPos, g.centres);
        else if (state.range(3) == 3)
            result = SearchWholeArea(ViewOf(band), ViewOf(Target()), 1, g.expectedPos, g.centres, 1,
                                     FastestGroupVectorBytes() >= 32 ? 32 : 0);
        else
            result = SearchWholeArea(ViewOf(band), ViewOf(Target()), 1, g.expectedPos, g.centres,
                                     state.range(3) == 1 ? 1 : 0);
    }
    state.counters["positions"] = benchmark::Counter(static_cast<double>(result.positionCount));
    state.counters["best_hits"] = benchmark::Counter(static_cast<double>(result.maxHits));
    state.counters["count_at_best"] =
        benchmark::Counter(static_cast<double>(result.positionCountAtBest));
    state.SetItemsProcessed(state.iterations() * result.positionCount * int64_t{side} * side);
}
BENCHMARK(BM_WholeArea)
    ->ArgNames({"band", "overlap", "matched", "mode"})
    ->ArgsProduct({{250}, {10}, {0, 1}, {0, 1, 2, 3}})
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Iterations(1);

}  // namespace
}  // namespace korvalen
