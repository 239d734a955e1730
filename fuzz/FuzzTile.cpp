// Tiles from a hostile server or file: PNG or JPEG bytes into the map view's decoder.
#include <cstddef>
#include <cstdint>
#include <string>

#include "earth/TileDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    korvalen::Bitmap tile;
    std::string error;
    const bool decoded = korvalen::DecodeTile({data, size}, tile, error);
    if (!decoded && error.empty())
        __builtin_trap();
    if (decoded &&
        (tile.IsEmpty() || tile.Width() > korvalen::kMaxTileSide ||
         tile.Height() > korvalen::kMaxTileSide || tile.Format() != korvalen::PixelFormat::Bits24))
        __builtin_trap();
    return 0;
}
