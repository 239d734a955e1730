// Reading and writing a 100-megapixel 24-bit bitmap file, against copying a file of the same
// size, in the same run. The bitmap codec should stay within twice the plain copy.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

#include "images/BmpCodec.h"

namespace korvalen {
namespace {

namespace fs = std::filesystem;

constexpr int kSide = 10000;

fs::path SourceFile() {
    return fs::temp_directory_path() / "korvalen-bench-source.bmp";
}
fs::path TargetFile() {
    return fs::temp_directory_path() / "korvalen-bench-target.bmp";
}

// The picture and its file, made once for all benchmarks and removed at exit.
const Bitmap& Picture() {
    struct Fixture {
        Bitmap bitmap{kSide, kSide, PixelFormat::Bits24};
        Fixture() {
            for (int y = 0; y < kSide; ++y) {
                uint8_t* row = bitmap.Row(y);
                for (size_t i = 0; i < bitmap.Stride(); ++i)
                    row[i] = static_cast<uint8_t>(i * 7 + y * 13 + (i >> 5));
            }
            std::string error;
            if (!WriteBmpFile(SourceFile(), bitmap, error))
                std::fprintf(stderr, "%s\n", error.c_str());
        }
        ~Fixture() {
            std::error_code ec;
            fs::remove(SourceFile(), ec);
            fs::remove(TargetFile(), ec);
        }
    };
    static const Fixture fixture;
    return fixture.bitmap;
}

void SetBytes(benchmark::State& state) {
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(fs::file_size(SourceFile())));
}

void BM_ReadBmpFile(benchmark::State& state) {
    Picture();
    for (auto _ : state) {
        Bitmap bitmap;
        std::string error;
        if (!ReadBmpFile(SourceFile(), bitmap, error))
            state.SkipWithError(error.c_str());
        benchmark::DoNotOptimize(bitmap.Row(0));
    }
    SetBytes(state);
}

void BM_WriteBmpFile(benchmark::State& state) {
    const Bitmap& bitmap = Picture();
    for (auto _ : state) {
        std::string error;
        if (!WriteBmpFile(TargetFile(), bitmap, error))
            state.SkipWithError(error.c_str());
    }
    SetBytes(state);
}

void BM_CopyFile(benchmark::State& state) {
    Picture();
    for (auto _ : state)
        fs::copy_file(SourceFile(), TargetFile(), fs::copy_options::overwrite_existing);
    SetBytes(state);
}

// Copy through user memory with a large buffer; with the argument 1 the copy is also
// flushed to disk, as the atomic writes of the codec are.
void BM_ReadWriteCopy(benchmark::State& state) {
    Picture();
    const bool sync = state.range(0) != 0;
    std::vector<char> buffer(8 << 20);
    for (auto _ : state) {
        std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(std::fopen(SourceFile().c_str(), "rb"),
                                                           std::fclose);
        std::unique_ptr<std::FILE, int (*)(std::FILE*)> out(std::fopen(TargetFile().c_str(), "wb"),
                                                            std::fclose);
        size_t got;
        while ((got = std::fread(buffer.data(), 1, buffer.size(), in.get())) > 0)
            std::fwrite(buffer.data(), 1, got, out.get());
        std::fflush(out.get());
        if (sync)
            fsync(fileno(out.get()));
    }
    SetBytes(state);
}

BENCHMARK(BM_CopyFile)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_ReadWriteCopy)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(5);
BENCHMARK(BM_ReadBmpFile)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_WriteBmpFile)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

}  // namespace
}  // namespace korvalen
