#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "earth/EarthApplication.h"

namespace korvalen {

// Whether a source can deliver. Files can at once; a server is "connecting" until its first
// answer (or a tile found in its cache) and "unreachable" while that first try failed.
enum class TileSourceState { Ready, Connecting, Unreachable };

// Where the map view's tiles come from. ReadTile is called from the view's loader thread
// only; one source is never read from two threads at once.
class TileSource {
public:
    virtual ~TileSource() = default;
    // The encoded tile (PNG or JPEG). False with an empty error when the source has no
    // such tile; false with a message when reading failed.
    virtual bool ReadTile(int zoom, int x, int y, std::vector<uint8_t>& data,
                          std::string& error) = 0;
    // May be called from any thread; the message says why a source is unreachable.
    virtual TileSourceState State(std::string& message) const {
        message.clear();
        return TileSourceState::Ready;
    }
    // From another thread: a read in progress ends at once, later ones give up at once.
    virtual void Cancel() {}
    int MinZoom = 0;
    int MaxZoom = 18;
    // The area the source covers, when it says so.
    std::optional<ViewExtents> Bounds;
    std::string Description;
};

// Opens a tile source: an MBTiles file, a folder of {z}/{x}/{y}.png or .jpg tiles, or a
// tile server's address template (http or https, with {z}, {x} and {y}), cached on disk.
// Opening a server's address does no network access.
std::unique_ptr<TileSource> OpenTileSource(const std::string& location, std::string& error);
std::unique_ptr<TileSource> OpenMbTiles(const std::string& file, std::string& error);
std::unique_ptr<TileSource> OpenTileFolder(const std::string& folder, std::string& error);

// Parses "NORTH,WEST,SOUTH,EAST" or MBTiles' "WEST,SOUTH,EAST,NORTH" (mbtilesOrder).
std::optional<ViewExtents> ParseBounds(const std::string& text, bool mbtilesOrder);

}  // namespace korvalen
