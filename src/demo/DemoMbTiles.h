#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "earth/EarthApplication.h"

namespace korvalen {

// Where the demo map lies in the web map pyramid: a square of tiles at the finest zoom,
// at a made-up place in the mountains.
struct DemoTilePlacement {
    int maxZoom = 15;
    int minZoom = 11;
    int tileX = 17400;  // north-west tile at maxZoom
    int tileY = 11600;
    int tiles = 12;  // per side at maxZoom: 3072 pixels, enough for a 5 x 5 capture at 512
};

// The area the demo tiles cover, in degrees.
ViewExtents DemoTileBounds(const DemoTilePlacement& placement);

// Draws the demo map (seed) and writes it as an MBTiles 1.3 file of PNG tiles with its
// metadata, bounds included. Needs a QGuiApplication for the map's text.
bool WriteDemoMbTiles(const std::filesystem::path& file, uint32_t seed,
                      const DemoTilePlacement& placement, std::string& error);

}  // namespace korvalen
