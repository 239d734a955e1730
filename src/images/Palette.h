#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "images/Bitmap.h"

namespace korvalen {

// The program's fixed 256-colour palette: a 6 x 6 x 6 colour cube (indices 0..215,
// index = 36 r + 6 g + b with the levels 0, 51, 102, 153, 204, 255) followed by 40 greys
// that lie between the cube's greys. Every 8-bit image uses it, so 8-bit copies are
// plain byte copies.
const std::vector<Rgb>& StandardPalette();
// The 16 standard VGA colours of 4-bit images.
const std::vector<Rgb>& VgaPalette();

// Index of white in each palette (what new area is filled with).
uint8_t StandardWhiteIndex();
constexpr uint8_t kVgaWhiteIndex = 15;

// Nearest standard-palette index of a colour, through a lookup table of 6 bits per channel.
uint8_t StandardIndexOf(uint8_t r, uint8_t g, uint8_t b);
// The lookup table itself (64 x 64 x 64, index (r >> 2) << 12 | (g >> 2) << 6 | (b >> 2)).
const uint8_t* StandardLookupTable();
// Nearest VGA index of a colour, through a lookup table of 5 bits per channel.
uint8_t VgaIndexOf(uint8_t r, uint8_t g, uint8_t b);
// The lookup table itself (32 x 32 x 32, index (r >> 3) << 10 | (g >> 3) << 5 | (b >> 3)).
const uint8_t* VgaLookupTable();

// Nearest index in any palette by squared distance (the slow reference).
uint8_t NearestPaletteIndex(const std::vector<Rgb>& palette, Rgb c);

}  // namespace korvalen
