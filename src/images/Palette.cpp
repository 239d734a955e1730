#include "images/Palette.h"

#include <limits>

namespace korvalen {
namespace {

constexpr uint8_t kCubeLevels[6] = {0, 51, 102, 153, 204, 255};

std::vector<Rgb> BuildStandardPalette() {
    std::vector<Rgb> palette;
    palette.reserve(256);
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b)
                palette.push_back({kCubeLevels[r], kCubeLevels[g], kCubeLevels[b]});
    // Eight greys inside each of the five gaps between the cube's own greys.
    for (int gap = 0; gap < 5; ++gap) {
        for (int k = 1; k <= 8; ++k) {
            auto v = static_cast<uint8_t>(gap * 51 + (k * 51 + 4) / 9);
            palette.push_back({v, v, v});
        }
    }
    return palette;
}

int SquaredDistance(Rgb a, Rgb b) {
    int dr = a.r - b.r, dg = a.g - b.g, db = a.b - b.b;
    return dr * dr + dg * dg + db * db;
}

int NearestCubeLevel(int v) {
    return (v + 25) / 51;
}

// The cube is separable, so its nearest entry is found channel by channel; only the
// greys need a search.
uint8_t NearestStandardIndex(Rgb c, const std::vector<Rgb>& palette) {
    int best = 36 * NearestCubeLevel(c.r) + 6 * NearestCubeLevel(c.g) + NearestCubeLevel(c.b);
    int bestDistance = SquaredDistance(c, palette[best]);
    for (int i = 216; i < 256; ++i) {
        int d = SquaredDistance(c, palette[i]);
        if (d < bestDistance) {
            best = i;
            bestDistance = d;
        }
    }
    return static_cast<uint8_t>(best);
}

struct StandardLookup {
    uint8_t table[64 * 64 * 64];
    StandardLookup() {
        const auto& palette = StandardPalette();
        for (int r = 0; r < 64; ++r)
            for (int g = 0; g < 64; ++g)
                for (int b = 0; b < 64; ++b) {
                    Rgb centre{static_cast<uint8_t>(r * 4 + 2), static_cast<uint8_t>(g * 4 + 2),
                               static_cast<uint8_t>(b * 4 + 2)};
                    table[(r << 12) | (g << 6) | b] = NearestStandardIndex(centre, palette);
                }
    }
};

// Sixteen colours far apart: five bits per channel lose nothing that matters.
struct VgaLookup {
    uint8_t table[32 * 32 * 32];
    VgaLookup() {
        const auto& palette = VgaPalette();
        for (int r = 0; r < 32; ++r)
            for (int g = 0; g < 32; ++g)
                for (int b = 0; b < 32; ++b) {
                    Rgb centre{static_cast<uint8_t>(r * 8 + 4), static_cast<uint8_t>(g * 8 + 4),
                               static_cast<uint8_t>(b * 8 + 4)};
                    table[(r << 10) | (g << 5) | b] = NearestPaletteIndex(palette, centre);
                }
    }
};

}  // namespace

const std::vector<Rgb>& StandardPalette() {
    static const std::vector<Rgb> palette = BuildStandardPalette();
    return palette;
}

const std::vector<Rgb>& VgaPalette() {
    static const std::vector<Rgb> palette = {
        {0, 0, 0},     {128, 0, 0},     {0, 128, 0},     {128, 128, 0},  {0, 0, 128}, {128, 0, 128},
        {0, 128, 128}, {192, 192, 192}, {128, 128, 128}, {255, 0, 0},    {0, 255, 0}, {255, 255, 0},
        {0, 0, 255},   {255, 0, 255},   {0, 255, 255},   {255, 255, 255}};
    return palette;
}

uint8_t StandardWhiteIndex() {
    return 215;
}

const uint8_t* StandardLookupTable() {
    static const StandardLookup lookup;
    return lookup.table;
}

uint8_t StandardIndexOf(uint8_t r, uint8_t g, uint8_t b) {
    return StandardLookupTable()[((r >> 2) << 12) | ((g >> 2) << 6) | (b >> 2)];
}

const uint8_t* VgaLookupTable() {
    static const VgaLookup lookup;
    return lookup.table;
}

uint8_t VgaIndexOf(uint8_t r, uint8_t g, uint8_t b) {
    return VgaLookupTable()[((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3)];
}

uint8_t NearestPaletteIndex(const std::vector<Rgb>& palette, Rgb c) {
    int best = 0;
    int bestDistance = std::numeric_limits<int>::max();
    for (size_t i = 0; i < palette.size(); ++i) {
        int d = SquaredDistance(c, palette[i]);
        if (d < bestDistance) {
            best = static_cast<int>(i);
            bestDistance = d;
            if (d == 0)
                break;
        }
    }
    return static_cast<uint8_t>(best);
}

}  // namespace korvalen
