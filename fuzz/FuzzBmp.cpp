// Feeds arbitrary bytes to the bitmap reader; whatever it accepts must survive a round trip
// through the writer unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "images/BmpCodec.h"

namespace {

// Run-length files can declare huge images in a few bytes; keep each input quick.
constexpr uint64_t kMaxBitmapBytes = uint64_t{4} << 20;

bool SamePixels(const korvalen::Bitmap& a, const korvalen::Bitmap& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height() || a.Format() != b.Format() ||
        a.Palette() != b.Palette())
        return false;
    const size_t usedBits = static_cast<size_t>(a.Width()) * a.BitsPerPixel();
    for (int y = 0; y < a.Height(); ++y) {
        if (std::memcmp(a.Row(y), b.Row(y), usedBits / 8) != 0)
            return false;
        if (usedBits % 8 && (a.Row(y)[usedBits / 8] & 0xF0) != (b.Row(y)[usedBits / 8] & 0xF0))
            return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    korvalen::Bitmap bitmap;
    std::string error;
    if (!korvalen::DecodeBmp({data, size}, bitmap, error, kMaxBitmapBytes)) {
        if (error.empty())
            std::abort();  // every refusal says why
        return 0;
    }
    const std::vector<uint8_t> encoded = korvalen::EncodeBmp(bitmap);
    if (encoded.size() != korvalen::BmpFileSize(bitmap.Width(), bitmap.Height(), bitmap.Format()))
        std::abort();
    korvalen::Bitmap again;
    if (!korvalen::DecodeBmp(encoded, again, error) || !SamePixels(bitmap, again))
        std::abort();
    return 0;
}
