#include <cstddef>
#include <cstdint>
#include <string>

#include "images/PngCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    korvalen::Bitmap bitmap;
    std::string error;
    // A pixel budget inside the fuzzer's memory limit.
    const bool decoded = korvalen::DecodePng({data, size}, bitmap, error, uint64_t{256} << 20);
    // A failure always explains itself; a success always yields pixels.
    if (!decoded && error.empty())
        __builtin_trap();
    if (decoded && bitmap.IsEmpty())
        __builtin_trap();
    return 0;
}
