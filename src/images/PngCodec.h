#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

#include "images/Bitmap.h"

namespace korvalen {

// PNG reader on libpng. Palette images (any bit depth) stay 8-bit with their own palette,
// grey images without transparency become 8-bit with a grey palette, everything else 24-bit.
// Transparent pixels are laid over white; 16-bit samples are rounded to 8 bits. A corrupt
// or truncated file gives false and a message; `out` then keeps what it held. Images whose
// pixels would take more than maxBytes in memory are refused before anything is allocated.
bool DecodePng(std::span<const uint8_t> data, Bitmap& out, std::string& error,
               uint64_t maxBytes = Bitmap::kMaxBytes);
bool ReadPngFile(const std::filesystem::path& path, Bitmap& out, std::string& error,
                 uint64_t maxBytes = Bitmap::kMaxBytes);

// True when the bytes start with the PNG signature.
bool HasPngSignature(std::span<const uint8_t> data);

}  // namespace korvalen
