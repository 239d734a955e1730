#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "images/Bitmap.h"
#include "images/FileAccess.h"

namespace korvalen {

// Windows bitmap reader: uncompressed 1, 4, 8, 16, 24 and 32 bits, bottom-up and top-down,
// core, info, V4 and V5 headers, bit-field masks, RLE4 and RLE8. 1-bit images become
// 4-bit, 8-bit images keep their own palette, 16- and 32-bit images become 24-bit.
// Every size and offset is checked; a bad file gives false and a message.
// Images whose pixels would take more than maxBytes in memory are refused (run-length
// encoded files can declare far larger images than their size suggests).
bool DecodeBmp(std::span<const uint8_t> data, Bitmap& out, std::string& error,
               uint64_t maxBytes = Bitmap::kMaxBytes);
// Reads the file row by row into the bitmap, without a second copy of the pixel data.
bool ReadBmpFile(const std::filesystem::path& path, Bitmap& out, std::string& error,
                 uint64_t maxBytes = Bitmap::kMaxBytes);

// Windows bitmap writer: the bitmap's own pixel format (4, 8 or 24 bits), bottom-up,
// uncompressed, with the 40-byte info header. Written atomically.
// EncodeBmp gives an empty vector for an empty bitmap or one too large for the format.
std::vector<uint8_t> EncodeBmp(const Bitmap& bitmap);
// The progress, when given, hears of every row and may abandon the write.
bool WriteBmpFile(const std::filesystem::path& path, const Bitmap& bitmap, std::string& error,
                  const WriteProgress& progress = {});
// Size of the file EncodeBmp would make (to check the 4 GiB limit before writing).
uint64_t BmpFileSize(int width, int height, PixelFormat format);
// Largest file the format's 32-bit size fields can describe.
constexpr uint64_t kMaxBmpFileSize = 0xFFFFFFFFu;

}  // namespace korvalen
