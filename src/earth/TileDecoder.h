#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "images/Bitmap.h"

namespace korvalen {

// Tiles larger than this are refused before their pixels are allocated.
inline constexpr int kMaxTileSide = 1024;

// Decodes a PNG or JPEG tile (told apart by its signature) into a 24-bit bitmap. Tiles
// come from servers and files we do not control: a bad one gives false and a message.
bool DecodeTile(std::span<const uint8_t> data, Bitmap& out, std::string& error);
// Encodes a tile as PNG (24 bits; other formats are converted first).
bool EncodePngTile(const Bitmap& bitmap, std::vector<uint8_t>& out, std::string& error);

}  // namespace korvalen
