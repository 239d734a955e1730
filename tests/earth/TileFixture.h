#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "earth/MbTilesWriter.h"
#include "earth/TileDecoder.h"
#include "earth/WebMercator.h"
#include "images/Bitmap.h"

namespace korvalen::test {

// A made-up world whose every tile pixel tells where it is: red and green are the world
// pixel's x and y at its zoom, modulo 251, blue the zoom. Tiles x0..x1, y0..y1 of zooms
// minZoom..maxZoom (scaled by 2 per level) are stored.
inline Rgb WorldColour(int64_t wx, int64_t wy, int zoom) {
    return {static_cast<uint8_t>(wx % 251), static_cast<uint8_t>(wy % 251),
            static_cast<uint8_t>(zoom * 10)};
}

inline Bitmap WorldTile(int zoom, int tx, int ty) {
    Bitmap tile(kTileSize, kTileSize, PixelFormat::Bits24);
    for (int y = 0; y < kTileSize; ++y)
        for (int x = 0; x < kTileSize; ++x) {
            const Rgb c =
                WorldColour(int64_t{tx} * kTileSize + x, int64_t{ty} * kTileSize + y, zoom);
            uint8_t* p = tile.Row(y) + 3 * x;
            p[0] = c.b;
            p[1] = c.g;
            p[2] = c.r;
        }
    return tile;
}

struct WorldArea {
    int maxZoom = 12;
    int minZoom = 10;
    int x0 = 2180, x1 = 2187, y0 = 1460, y1 = 1467;  // at maxZoom
};

inline bool WriteWorldMbTiles(const std::filesystem::path& file, const WorldArea& a,
                              std::string& error) {
    const double north = WorldYToLat(static_cast<double>(a.y0) * kTileSize, a.maxZoom);
    const double south = WorldYToLat(static_cast<double>(a.y1 + 1) * kTileSize, a.maxZoom);
    const double west = WorldXToLon(static_cast<double>(a.x0) * kTileSize, a.maxZoom);
    const double east = WorldXToLon(static_cast<double>(a.x1 + 1) * kTileSize, a.maxZoom);
    const std::string bounds = std::to_string(west) + "," + std::to_string(south) + "," +
                               std::to_string(east) + "," + std::to_string(north);
    std::vector<EncodedTile> keys;
    for (int z = a.minZoom; z <= a.maxZoom; ++z) {
        const int shift = a.maxZoom - z;
        for (int y = a.y0 >> shift; y <= a.y1 >> shift; ++y)
            for (int x = a.x0 >> shift; x <= a.x1 >> shift; ++x)
                keys.push_back({z, x, y, {}});
    }
    size_t next = 0;
    return WriteMbTiles(
        file,
        {{"name", "world"},
         {"format", "png"},
         {"bounds", bounds},
         {"minzoom", std::to_string(a.minZoom)},
         {"maxzoom", std::to_string(a.maxZoom)}},
        [&](EncodedTile& tile) {
            if (next == keys.size())
                return false;
            tile = keys[next++];
            std::string e;
            return EncodePngTile(WorldTile(tile.zoom, tile.x, tile.y), tile.data, e);
        },
        error);
}

}  // namespace korvalen::test
