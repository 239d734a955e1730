#include <cstddef>
#include <cstdint>
#include <string>

#include "images/JpegCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    korvalen::JpegDecodeLimits limits;
    limits.maxBitmapBytes = uint64_t{512} << 20;  // inside the fuzzer's memory budget
    korvalen::Bitmap bitmap;
    std::string error;
    const bool decoded = korvalen::DecodeJpeg({data, size}, bitmap, error, limits);
    // A failure always explains itself; a success always yields pixels.
    if (!decoded && error.empty())
        __builtin_trap();
    if (decoded && bitmap.IsEmpty())
        __builtin_trap();
    return 0;
}
