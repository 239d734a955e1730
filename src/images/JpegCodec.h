#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "images/Bitmap.h"
#include "images/FileAccess.h"

namespace korvalen {

// Bounds on what one decode may allocate. The defaults are the Bitmap limits; the fuzzer
// uses smaller ones to stay inside its memory budget.
struct JpegDecodeLimits {
    uint64_t maxBitmapBytes = Bitmap::kMaxBytes;
    int maxScans = 1000;  // progressive files with endless scans take endless time
};

// JPEG decoder on the libjpeg API: baseline, progressive, greyscale and CMYK/YCCK, all
// decoded to 24 bits. Never exits; a corrupt or truncated file gives false and a message.
// On failure `out` keeps what it held.
bool DecodeJpeg(std::span<const uint8_t> data, Bitmap& out, std::string& error);
bool DecodeJpeg(std::span<const uint8_t> data, Bitmap& out, std::string& error,
                const JpegDecodeLimits& limits);
bool ReadJpegFile(const std::filesystem::path& path, Bitmap& out, std::string& error);

// Encodes any pixel format as a colour JPEG with quality 1..100 (clamped).
bool EncodeJpeg(const Bitmap& bitmap, int quality, std::vector<uint8_t>& out, std::string& error);
// Encodes straight into a file, written atomically and row by row (no second copy of the
// image in memory). Large images are encoded in strips on all cores and carry a restart marker
// after every MCU row; they decode to the same pixels. The progress, when given, hears how many
// rows are done (after every row, or every strip of a large image; always on the calling
// thread) and may abandon the write.
bool WriteJpegFile(const std::filesystem::path& path, const Bitmap& bitmap, int quality,
                   std::string& error, const WriteProgress& progress = {});

// Largest side a JPEG file can hold.
constexpr int kJpegMaxSide = 65535;
// Largest side libjpeg encodes, a little under the format's limit.
constexpr int kJpegLibraryMaxSide = 65500;

}  // namespace korvalen
