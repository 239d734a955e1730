#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "images/Bitmap.h"
#include "images/FileAccess.h"

namespace korvalen {

// Large images are written as JPEG in strips encoded side by side on several threads and
// joined in order into one file that decodes exactly as a one-piece encoding.
bool UsesJpegStrips(const Bitmap& bitmap);
bool WriteJpegStrips(const Bitmap& bitmap, int quality, std::FILE* file,
                     const WriteProgress& progress, std::string& error);

// One strip of rowCount rows from firstRow, encoded on its own with a restart marker after
// every MCU row (the codec's part, in JpegCodec.cpp).
bool EncodeJpegStrip(const Bitmap& bitmap, int quality, int firstRow, int rowCount,
                     std::vector<uint8_t>& out, std::string& error);

}  // namespace korvalen
