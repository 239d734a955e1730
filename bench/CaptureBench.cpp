// Capturing 10 x 10 views of 512 x 512 pixels (10 % overlap, 24 bits) from the demo MBTiles
// through the map view, as "korvalen-cli capture" does, in wall-clock time against the
// target of 20 s. The peak memory the capture adds is compared with the result map's size.
// The tiles are made by the demo maker unless KORVALEN_DEMO_MBTILES names a file.

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "demo/DemoMbTiles.h"
#include "earth/TileCapture.h"
#include "earth/TileSource.h"

namespace {
namespace fs = std::filesystem;
using namespace korvalen;

std::string g_tiles;

// Resident and peak resident memory of this process in bytes.
long ProcStatus(const char* key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(key, 0) == 0)
            return std::atol(line.c_str() + std::strlen(key)) * 1024;
    return 0;
}

void BM_Capture10x10(benchmark::State& state) {
    double addedBytes = 0, resultBytes = 0;
    for (auto _ : state) {
        std::string error;
        auto source = OpenTileSource(g_tiles, error);
        if (!source) {
            state.SkipWithError(error.c_str());
            return;
        }
        TileMapView view(std::move(source), 512, 512);
        CaptureJob job;
        job.Area = DemoTileBounds(DemoTilePlacement{});
        job.Rows = job.Cols = 10;
        Bitmap result;
        CalibPoints points;
        std::ofstream("/proc/self/clear_refs") << "5";  // peak := now
        const long before = ProcStatus("VmRSS:");
        if (!RunTileCapture(view, job, result, points, error)) {
            state.SkipWithError(error.c_str());
            return;
        }
        addedBytes = static_cast<double>(ProcStatus("VmHWM:") - before);
        resultBytes = static_cast<double>(result.ByteSize());
        benchmark::DoNotOptimize(result.Row(0));
    }
    state.counters["result_MB"] = resultBytes / 1048576;
    state.counters["added_MB"] = addedBytes / 1048576;
    state.counters["added_over_result"] = addedBytes / resultBytes;
}
BENCHMARK(BM_Capture10x10)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    if (const char* given = std::getenv("KORVALEN_DEMO_MBTILES")) {
        g_tiles = given;
    } else {
        g_tiles = (fs::temp_directory_path() / "korvalen-bench-demo.mbtiles").string();
        std::string error;
        if (!fs::exists(g_tiles) && !WriteDemoMbTiles(g_tiles, 1, DemoTilePlacement{}, error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
