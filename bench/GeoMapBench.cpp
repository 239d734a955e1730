// The map display on a 100-megapixel map (10000 x 10000 JPEG): loading it against djpeg
// decoding the same file, building the pre-scaled levels once, and painting one 1000 x 700
// frame while panning at 10 %, 50 %, 100 % and 400 %, against Qt stretching the same region
// with smoothing (what drawing without the levels costs). Runs offscreen.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPainter>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include <sys/resource.h>
#include <unistd.h>

#include "geo/GeoMap.h"
#include "geo/MapPyramid.h"
#include "images/JpegCodec.h"

namespace korvalen {
namespace {

namespace fs = std::filesystem;
constexpr int kSide = 10000;
constexpr QSize kView(1000, 700);

// Map-like content: soft colour fields, a fine texture, lines every few hundred pixels.
Bitmap MakeMap() {
    Bitmap map(kSide, kSide, PixelFormat::Bits24);
    for (int y = 0; y < kSide; ++y) {
        uint8_t* row = map.Row(y);
        for (int x = 0; x < kSide; ++x) {
            const unsigned field = ((x >> 7) * 2654435761u) ^ ((y >> 7) * 40503u);
            const unsigned texture = static_cast<unsigned>((x * 7 + y * 13) ^ (x * y)) & 15;
            const bool line = x % 337 < 2 || y % 251 < 2;
            row[3 * x] = static_cast<uint8_t>(line ? 30 : 150 + (field & 63) + texture);
            row[3 * x + 1] = static_cast<uint8_t>(line ? 30 : 140 + ((field >> 8) & 63));
            row[3 * x + 2] = static_cast<uint8_t>(line ? 200 : 160 + ((field >> 16) & 63));
        }
    }
    return map;
}

struct Fixture {
    fs::path folder = fs::path("/tmp") / ("korvalen-geomapbench-" + std::to_string(getpid()));
    fs::path jpeg = folder / "map.jpg";
    std::unique_ptr<TGeoMap> display;
    std::shared_ptr<const Bitmap> map;
    std::string problem;

    Fixture() {
        fs::create_directories(folder);
        std::string error;
        {
            const Bitmap picture = MakeMap();
            if (!WriteJpegFile(jpeg, picture, 75, error))
                problem = error;
        }
        display = std::make_unique<TGeoMap>();
        display->setObjectName(QStringLiteral("gmMap"));
        display->resize(kView);
        display->showGraticule = ShowGraticule::sgPoints;
        if (problem.empty()) {
            display->LoadMapImage(jpeg);
            for (int gy = 0; gy < 3; ++gy)
                for (int gx = 0; gx < 3; ++gx)
                    display->AddCalibPoint(gx * 5000, gy * 5000, 47.6 - gy * 0.05, 8.4 + gx * 0.1);
            auto copy = std::make_shared<Bitmap>();
            if (!ReadJpegFile(jpeg, *copy, error))
                problem = error;
            map = copy;
        }
    }
    ~Fixture() {
        std::error_code ec;
        fs::remove_all(folder, ec);
    }
};

// Made on first use, released before the application object goes (it holds a widget).
std::unique_ptr<Fixture> fixture;
Fixture& Files() {
    if (!fixture)
        fixture = std::make_unique<Fixture>();
    return *fixture;
}

bool Ready(benchmark::State& state) {
    if (Files().problem.empty())
        return true;
    state.SkipWithError(Files().problem.c_str());
    return false;
}

double ProcessCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The first load of the run is left out: it alone takes several times as long (fresh memory
// for the process), which no later load repeats. The CPU column counts the calling thread;
// process_cpu_ms all threads (the pages of the new bitmap are faulted in on a second one),
// the figure to hold against djpeg's child_cpu_ms.
void LoadOurs(benchmark::State& state) {
    if (!Ready(state))
        return;
    {
        TGeoMap warm;
        warm.setObjectName(QStringLiteral("gmMap"));
        warm.LoadMapImage(Files().jpeg);
    }
    const double before = ProcessCpuSeconds();
    for (auto _ : state) {
        TGeoMap display;
        display.setObjectName(QStringLiteral("gmMap"));
        display.LoadMapImage(Files().jpeg);
        benchmark::DoNotOptimize(display.ImageWidth());
    }
    state.counters["process_cpu_ms"] =
        (ProcessCpuSeconds() - before) * 1e3 / static_cast<double>(state.iterations());
}

double ChildCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The program's own CPU time goes into child_cpu_ms: on a busy machine the steadier figure.
// For reading the figures: the decoder alone, into a bitmap, without the display.
void DecodeOnly(benchmark::State& state) {
    if (!Ready(state))
        return;
    const double before = ProcessCpuSeconds();
    for (auto _ : state) {
        Bitmap decoded;
        std::string error;
        if (!ReadJpegFile(Files().jpeg, decoded, error))
            state.SkipWithError(error.c_str());
        benchmark::DoNotOptimize(decoded.Row(0));
    }
    state.counters["process_cpu_ms"] =
        (ProcessCpuSeconds() - before) * 1e3 / static_cast<double>(state.iterations());
}

void DecodeDjpeg(benchmark::State& state) {
    if (!Ready(state))
        return;
    const std::string command = "djpeg -outfile /dev/null " + Files().jpeg.string();
    const double before = ChildCpuSeconds();
    for (auto _ : state)
        if (std::system(command.c_str()) != 0)
            state.SkipWithError("djpeg failed");
    state.counters["child_cpu_ms"] =
        (ChildCpuSeconds() - before) * 1e3 / static_cast<double>(state.iterations());
}

// Built on all cores: the CPU column sees only the calling thread, process_cpu_ms all of them.
void BuildLevels(benchmark::State& state) {
    if (!Ready(state))
        return;
    const double before = ProcessCpuSeconds();
    for (auto _ : state) {
        MapPyramid pyramid;
        pyramid.Build(*Files().map, 0.1);
        benchmark::DoNotOptimize(pyramid.LevelCount());
    }
    state.counters["process_cpu_ms"] =
        (ProcessCpuSeconds() - before) * 1e3 / static_cast<double>(state.iterations());
}

// One frame per iteration, the view moved by 37 screen pixels each time, as a drag does.
void PaintWhilePanning(benchmark::State& state) {
    if (!Ready(state))
        return;
    TGeoMap& display = *Files().display;
    const double m = static_cast<double>(state.range(0)) / 100;
    display.SetMagnification(m);
    display.RenderFrame();  // the levels, once
    const int span = std::max(1, static_cast<int>(kSide - kView.width() / m));
    int step = 0;
    for (auto _ : state) {
        const int x = (step * 37 * 1000 / static_cast<int>(m * 1000)) % span;
        display.CenterOn(QPoint(x + static_cast<int>(kView.width() / m / 2), kSide / 2));
        ++step;
        const QImage frame = display.RenderFrame();
        benchmark::DoNotOptimize(frame.constBits());
    }
}

// Qt stretching the visible region of the whole image onto the frame with smoothing.
void PaintQtStretch(benchmark::State& state) {
    if (!Ready(state))
        return;
    const Bitmap& map = *Files().map;
    const QImage image(map.Row(0), map.Width(), map.Height(), static_cast<qsizetype>(map.Stride()),
                       QImage::Format_BGR888);
    const double m = static_cast<double>(state.range(0)) / 100;
    QImage frame(kView, QImage::Format_RGB32);
    int step = 0;
    for (auto _ : state) {
        const double x = (step++ * 37 / m);
        const double span = std::max(1.0, kSide - kView.width() / m);
        const QRectF source(std::fmod(x, span), kSide / 4, kView.width() / m, kView.height() / m);
        QPainter p(&frame);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawImage(QRectF(QPointF(0, 0), QSizeF(kView)), image, source);
        benchmark::DoNotOptimize(frame.constBits());
    }
}

BENCHMARK(LoadOurs)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);
BENCHMARK(DecodeOnly)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);
BENCHMARK(DecodeDjpeg)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);
BENCHMARK(BuildLevels)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);
BENCHMARK(PaintWhilePanning)
    ->Arg(10)
    ->Arg(50)
    ->Arg(100)
    ->Arg(400)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(PaintQtStretch)
    ->Arg(10)
    ->Arg(50)
    ->Arg(100)
    ->Arg(400)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(1);

}  // namespace
}  // namespace korvalen

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    korvalen::fixture.reset();
    return 0;
}
