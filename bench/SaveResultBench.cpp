// Composing a 10000 x 10000 result map from 10 x 10 maps of 1000 x 1000 pixels (24 bits) and
// saving it as JPEG at quality 70, against libjpeg-turbo's cjpeg encoding the same pixels from
// a PPM file, in wall-clock time (cjpeg runs in a child process). The peak memory that composing
// and saving add to the loaded maps is compared with the size of the result bitmap.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>

#include "images/JpegCodec.h"
#include "images/MapMatrix.h"
#include "joining/ComposeResult.h"

namespace {

namespace fs = std::filesystem;
using korvalen::Bitmap;
using korvalen::MapMatrix;
using korvalen::PixelFormat;

constexpr int kCells = 10;
constexpr int kSide = 1000;
constexpr int kResultSide = kCells * kSide;
constexpr int kQuality = 70;

// Something like a topographic map: shaded relief on paper colours, contour lines, water,
// forest texture, roads and specks of lettering. Flat colour would flatter the encoder. The
// waves come from tables, so that the 100 million pixels are made in a moment.
class MapPainter {
public:
    MapPainter() {
        for (int i = 0; i < kResultSide; ++i) {
            waveX_[i] = static_cast<float>(std::sin(i * 0.0021 + 0.7));
            waveY_[i] = static_cast<float>(std::cos(i * 0.0017 + 2.1));
            rippleX_[i] = static_cast<float>(std::sin(i * 0.051));
            rippleY_[i] = static_cast<float>(std::sin(i * 0.047));
        }
        for (int i = 0; i < 2 * kResultSide; ++i)
            diagonal_[i] = static_cast<float>(std::sin(i * 0.0093 + 4.2));
    }

    // One row of a map whose top-left lies at (left, top) of the whole picture.
    void PaintRow(int left, int y, int width, uint8_t* bgr) const {
        for (int i = 0; i < width; ++i, bgr += 3) {
            const int x = left + i;
            const float height = 120 * waveX_[x] * waveY_[y] + 40 * diagonal_[x + y] +
                                 12 * rippleX_[x] * rippleY_[y];
            int r = 236, g = 228, b = 205;  // paper
            if (height < -70) {
                r = 160, g = 200, b = 235;  // water
            } else if (height > 60) {
                const int texture = ((x * 7 + y * 13) ^ (x * y)) & 15;
                r = 150 + texture, g = 200 - texture, b = 140;
            }
            const int shade = 220 + static_cast<int>(height) / 5;  // of 256
            r = r * shade >> 8, g = g * shade >> 8, b = b * shade >> 8;
            if ((static_cast<int>(height * 10) + 10000) % 200 < 12)
                r = 170, g = 120, b = 80;  // contour
            if (std::abs((x - 2 * y / 3) % 997) < 3 || std::abs((y + x / 5) % 1409) < 4)
                r = 220, g = 40, b = 30;  // roads
            if (((x / 6) % 37 == 5 && (y / 9) % 23 == 7) && ((x ^ y) & 3))
                r = g = b = 20;  // lettering
            bgr[0] = static_cast<uint8_t>(std::clamp(b, 0, 255));
            bgr[1] = static_cast<uint8_t>(std::clamp(g, 0, 255));
            bgr[2] = static_cast<uint8_t>(std::clamp(r, 0, 255));
        }
    }

private:
    std::array<float, kResultSide> waveX_, waveY_, rippleX_, rippleY_;
    std::array<float, 2 * kResultSide> diagonal_;
};

// The joined maps: each cell holds its part of the picture at its place in the result.
struct Fixture {
    fs::path folder = fs::path("/tmp") / ("korvalen-savebench-" + std::to_string(getpid()));
    fs::path ours = folder / "ours.jpg";
    fs::path theirs = folder / "cjpeg.jpg";
    fs::path ppm = folder / "result.ppm";
    MapMatrix matrix;
    std::string problem;

    Fixture() {
        fs::create_directories(folder);
        const auto painter = std::make_unique<MapPainter>();
        matrix.NewMatrix(kCells, kCells);
        for (korvalen::tSingleMap& cell : matrix) {
            cell.X = (cell.Col - 1) * kSide;
            cell.Y = (cell.Row - 1) * kSide;
            cell.Bitmap = std::make_unique<Bitmap>(kSide, kSide, PixelFormat::Bits24);
            for (int y = 0; y < kSide; ++y)
                painter->PaintRow(cell.X, cell.Y + y, kSide, cell.Bitmap->Row(y));
            cell.Joined = true;
        }
    }
    ~Fixture() {
        std::error_code ec;
        fs::remove_all(folder, ec);
    }

    // The same pixels for cjpeg, written straight from the maps (no result bitmap is made, so
    // the peak memory of the run stays that of our own composing).
    bool WritePpm() {
        if (fs::exists(ppm))
            return true;
        std::FILE* out = std::fopen(ppm.c_str(), "wb");
        if (!out)
            return false;
        std::fprintf(out, "P6\n%d %d\n255\n", kResultSide, kResultSide);
        std::vector<uint8_t> rgb(static_cast<size_t>(kResultSide) * 3);
        for (int y = 0; y < kResultSide; ++y) {
            for (int c = 1; c <= kCells; ++c) {
                const Bitmap& map = *matrix.At(y / kSide + 1, c)->Bitmap;
                const uint8_t* bgr = map.Row(y % kSide);
                uint8_t* to = rgb.data() + static_cast<size_t>(c - 1) * kSide * 3;
                for (int i = 0; i < kSide * 3; i += 3) {
                    to[i] = bgr[i + 2];
                    to[i + 1] = bgr[i + 1];
                    to[i + 2] = bgr[i];
                }
            }
            std::fwrite(rgb.data(), 1, rgb.size(), out);
        }
        return std::fclose(out) == 0;
    }
};

Fixture& Files() {
    static Fixture fixture;
    return fixture;
}

double PeakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;  // kilobytes on Linux
}

// User and system time of this process or of its finished children, in seconds.
double CpuSeconds(int who) {
    rusage usage{};
    getrusage(who, &usage);
    const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double resultBytes = 0;
double oursSecondsPerRun = 0;
double oursCpuPerRun = 0;

void ComposeAndSaveJpeg(benchmark::State& state) {
    Fixture& files = Files();
    const double peakBefore = PeakMegabytes();
    const double cpuBefore = CpuSeconds(RUSAGE_SELF);
    double seconds = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        std::string error;
        Bitmap result;
        if (!korvalen::ComposeResultMap(files.matrix, PixelFormat::Bits24, result, error) ||
            !korvalen::WriteJpegFile(files.ours, result, kQuality, error)) {
            state.SkipWithError(error.c_str());
            return;
        }
        resultBytes = static_cast<double>(result.ByteSize());
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    oursSecondsPerRun = seconds / static_cast<double>(state.iterations());
    oursCpuPerRun = (CpuSeconds(RUSAGE_SELF) - cpuBefore) / static_cast<double>(state.iterations());
    state.counters["cpu_s"] = oursCpuPerRun;
    const double added = PeakMegabytes() - peakBefore;
    const double resultMegabytes = resultBytes / (1024.0 * 1024.0);
    state.counters["result_MiB"] = resultMegabytes;
    state.counters["peak_added_MiB"] = added;
    state.counters["peak_over_result"] = added / resultMegabytes;
    state.counters["maps_peak_MiB"] = peakBefore;
    state.counters["jpeg_MiB"] = static_cast<double>(fs::file_size(files.ours)) / (1024.0 * 1024.0);
}

void CjpegSamePixels(benchmark::State& state) {
    Fixture& files = Files();
    if (!files.WritePpm()) {
        state.SkipWithError("cannot write the PPM file");
        return;
    }
    const std::string command = "cjpeg -quality " + std::to_string(kQuality) + " -outfile " +
                                files.theirs.string() + " " + files.ppm.string();
    const double cpuBefore = CpuSeconds(RUSAGE_CHILDREN);
    double seconds = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError(("failed: " + command).c_str());
            return;
        }
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    const double theirs = seconds / static_cast<double>(state.iterations());
    // On a busy machine the processor time compares more steadily than the wall clock.
    const double theirsCpu =
        (CpuSeconds(RUSAGE_CHILDREN) - cpuBefore) / static_cast<double>(state.iterations());
    state.counters["cpu_s"] = theirsCpu;
    if (oursSecondsPerRun > 0) {
        state.counters["ours_over_cjpeg"] = oursSecondsPerRun / theirs;
        state.counters["ours_over_cjpeg_cpu"] = oursCpuPerRun / theirsCpu;
    }
    state.counters["jpeg_MiB"] =
        static_cast<double>(fs::file_size(files.theirs)) / (1024.0 * 1024.0);
}

// For reading the figures: saving an already composed result, composing alone, and making
// the white result bitmap alone.
void SaveComposedJpeg(benchmark::State& state) {
    Bitmap result = korvalen::ComposeResultMap(Files().matrix, PixelFormat::Bits24);
    for (auto _ : state) {
        std::string error;
        if (!korvalen::WriteJpegFile(Files().ours, result, kQuality, error))
            state.SkipWithError(error.c_str());
    }
}

void ComposeOnly(benchmark::State& state) {
    for (auto _ : state) {
        Bitmap result = korvalen::ComposeResultMap(Files().matrix, PixelFormat::Bits24);
        benchmark::DoNotOptimize(result.Row(0));
    }
}

void AllocateResultOnly(benchmark::State& state) {
    for (auto _ : state) {
        Bitmap result(kResultSide, kResultSide, PixelFormat::Bits24);
        benchmark::DoNotOptimize(result.Row(0));
    }
}

// The order matters: the peak memory is read before anything else has made a result bitmap.
BENCHMARK(ComposeAndSaveJpeg)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(CjpegSamePixels)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(SaveComposedJpeg)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(ComposeOnly)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(AllocateResultOnly)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace
