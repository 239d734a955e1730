// JPEG decode and encode of a 4000 x 4000 map against libjpeg-turbo's own djpeg and cjpeg on the
// same files. Ours is measured file to bitmap and bitmap to file, theirs as whole program runs,
// all in wall-clock time (the programs run in child processes).

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#include <sys/resource.h>
#include <unistd.h>

#include "images/JpegCodec.h"

namespace {

namespace fs = std::filesystem;
using korvalen::Bitmap;
using korvalen::PixelFormat;

constexpr int kSide = 4000;
constexpr int kQuality = 70;

// Something like a topographic map: shaded relief on paper colours, contour lines, water,
// forest texture, roads and specks of lettering. Flat colour would flatter every codec.
Bitmap MakeMapPicture(int side) {
    Bitmap map(side, side, PixelFormat::Bits24);
    std::mt19937 random(42);
    std::uniform_real_distribution<double> phase(0, 6.283);
    const double p1 = phase(random), p2 = phase(random), p3 = phase(random);
    for (int y = 0; y < side; ++y) {
        uint8_t* row = map.Row(y);
        for (int x = 0; x < side; ++x) {
            const double height = 120 * std::sin(x * 0.0021 + p1) * std::cos(y * 0.0017 + p2) +
                                  40 * std::sin((x + y) * 0.0093 + p3) +
                                  12 * std::sin(x * 0.051) * std::sin(y * 0.047);
            int r = 236, g = 228, b = 205;  // paper
            const double shade = 0.85 + 0.15 * std::sin(height * 0.05);
            if (height < -70) {
                r = 160, g = 200, b = 235;  // water
            } else if (height > 60) {
                const unsigned texture = (static_cast<unsigned>(x * 7 + y * 13) ^ (x * y)) & 15;
                r = 150 + static_cast<int>(texture), g = 200 - static_cast<int>(texture), b = 140;
            }
            r = static_cast<int>(r * shade), g = static_cast<int>(g * shade),
            b = static_cast<int>(b * shade);
            if (std::fmod(std::abs(height) + 1000, 20.0) < 1.2)
                r = 170, g = 120, b = 80;  // contour
            if (std::abs((x - 2 * y / 3) % 997) < 3 || std::abs((y + x / 5) % 1409) < 4)
                r = 220, g = 40, b = 30;  // roads
            if (((x / 6) % 37 == 5 && (y / 9) % 23 == 7) && ((x ^ y) & 3))
                r = g = b = 20;  // lettering
            row[3 * x] = static_cast<uint8_t>(b);
            row[3 * x + 1] = static_cast<uint8_t>(g);
            row[3 * x + 2] = static_cast<uint8_t>(r);
        }
    }
    return map;
}

bool WritePpm(const fs::path& path, const Bitmap& picture) {
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (!out)
        return false;
    std::fprintf(out, "P6\n%d %d\n255\n", picture.Width(), picture.Height());
    std::vector<uint8_t> rgb(static_cast<size_t>(picture.Width()) * 3);
    for (int y = 0; y < picture.Height(); ++y) {
        const uint8_t* bgr = picture.Row(y);
        for (size_t i = 0; i < rgb.size(); i += 3) {
            rgb[i] = bgr[i + 2];
            rgb[i + 1] = bgr[i + 1];
            rgb[i + 2] = bgr[i];
        }
        std::fwrite(rgb.data(), 1, rgb.size(), out);
    }
    return std::fclose(out) == 0;
}

// The picture and its files in a folder of their own under /tmp, made once.
struct Fixture {
    fs::path folder = fs::path("/tmp") / ("korvalen-jpegbench-" + std::to_string(getpid()));
    fs::path jpeg = folder / "map.jpg";
    fs::path ppm = folder / "map.ppm";
    fs::path written = folder / "written.jpg";
    Bitmap map;
    std::string problem;

    Fixture() {
        fs::create_directories(folder);
        map = MakeMapPicture(kSide);
        std::string error;
        if (!korvalen::WriteJpegFile(jpeg, map, kQuality, error))
            problem = error;
        if (!WritePpm(ppm, map))
            problem = "cannot write " + ppm.string();
    }
    ~Fixture() {
        std::error_code ec;
        fs::remove_all(folder, ec);
    }
};

Fixture& Files() {
    static Fixture fixture;
    return fixture;
}

bool Ready(benchmark::State& state) {
    if (Files().problem.empty())
        return true;
    state.SkipWithError(Files().problem.c_str());
    return false;
}

double ChildCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Runs the command once per iteration. The programs' own CPU time, which the CPU column
// cannot see, goes into the counter child_cpu_ms: on a busy machine it is the steadier figure.
void RunProgram(benchmark::State& state, const std::string& command) {
    const double before = ChildCpuSeconds();
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0)
            state.SkipWithError(("failed: " + command).c_str());
    }
    state.counters["child_cpu_ms"] =
        (ChildCpuSeconds() - before) * 1e3 / static_cast<double>(state.iterations());
}

void DecodeOurs(benchmark::State& state) {
    if (!Ready(state))
        return;
    for (auto _ : state) {
        Bitmap decoded;
        std::string error;
        if (!korvalen::ReadJpegFile(Files().jpeg, decoded, error))
            state.SkipWithError(error.c_str());
        benchmark::DoNotOptimize(decoded.Row(0));
    }
}

void DecodeDjpeg(benchmark::State& state) {
    if (!Ready(state))
        return;
    RunProgram(state, "djpeg -outfile /dev/null " + Files().jpeg.string());
}

void EncodeOurs(benchmark::State& state) {
    if (!Ready(state))
        return;
    for (auto _ : state) {
        std::string error;
        if (!korvalen::WriteJpegFile(Files().written, Files().map, kQuality, error))
            state.SkipWithError(error.c_str());
    }
}

void EncodeCjpeg(benchmark::State& state) {
    if (!Ready(state))
        return;
    RunProgram(state, "cjpeg -quality " + std::to_string(kQuality) + " -outfile /dev/null " +
                          Files().ppm.string());
}

// For reading the figures: the encoder alone, without the file and its fsync.
void EncodeOursToMemory(benchmark::State& state) {
    if (!Ready(state))
        return;
    for (auto _ : state) {
        std::vector<uint8_t> encoded;
        std::string error;
        if (!korvalen::EncodeJpeg(Files().map, kQuality, encoded, error))
            state.SkipWithError(error.c_str());
        benchmark::DoNotOptimize(encoded.data());
    }
}

// For reading the figures: what making the 48 MB bitmap alone costs (mostly page faults).
void AllocateBitmapOnly(benchmark::State& state) {
    for (auto _ : state) {
        Bitmap bitmap(kSide, kSide, PixelFormat::Bits24);
        benchmark::DoNotOptimize(bitmap.Row(0));
    }
}

BENCHMARK(DecodeOurs)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3);
BENCHMARK(DecodeDjpeg)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3);
BENCHMARK(EncodeOurs)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3);
BENCHMARK(EncodeCjpeg)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3);
BENCHMARK(EncodeOursToMemory)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3);
BENCHMARK(AllocateBitmapOnly)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3);

}  // namespace
