#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "earth/EarthApplication.h"

namespace korvalen {

// Where the map view's tiles come from. ReadTile is called from the view's loader thread
// only; one source is never read from two threads at once.
class TileSource {
public:
    virtual ~TileSource() = default;
    // The encoded tile (PNG or JPEG). False with an empty error when the source has no
    // such tile; false with a message when reading failed.
    virtual bool ReadTile(int zoom, int x, int y, std::vector<uint8_t>& data,
                          std::string& error) = 0;
    int MinZoom = 0;
    int MaxZoom = 18;
    // The area the source covers, when it says so.
    std::optional<ViewExtents> Bounds;
    std::string Description;
};

// Opens a tile source: an MBTiles file, or a folder of {z}/{x}/{y}.png or .jpg tiles.
std::unique_ptr<TileSource> OpenTileSource(const std::string& location, std::string& error);
std::unique_ptr<TileSource> OpenMbTiles(const std::string& file, std::string& error);
std::unique_ptr<TileSource> OpenTileFolder(const std::string& folder, std::string& error);

// Parses "NORTH,WEST,SOUTH,EAST" or MBTiles' "WEST,SOUTH,EAST,NORTH" (mbtilesOrder).
std::optional<ViewExtents> ParseBounds(const std::string& text, bool mbtilesOrder);

}  // namespace korvalen
