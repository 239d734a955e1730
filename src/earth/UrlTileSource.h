#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "earth/HttpFetch.h"
#include "earth/TileSource.h"

namespace korvalen {

// Tiles fetched from a server by an address template such as
// "https://tile.example.org/{z}/{x}/{y}.png", kept on disk so that a tile is fetched once.
struct TileUrlOptions {
    std::filesystem::path CacheRoot;  // empty: TileCacheRoot(); no cache when that is empty too
    FetchLimits Limits;
    std::string UserAgent;  // empty: TileUserAgent()
};

// Text that names a server ("scheme://...") rather than a file or folder.
bool LooksLikeTileUrl(const std::string& location);
// http or https, a server name, {z}, {x} and {y}, and no other placeholder.
bool CheckTileUrlTemplate(const std::string& urlTemplate, std::string& error);
std::string TileUrl(const std::string& urlTemplate, int zoom, int x, int y);
// "Korvalen/<version> (+local tile cache)": servers ask to be told who fetches.
std::string TileUserAgent();
// $XDG_CACHE_HOME/korvalen/tiles, else ~/.cache/korvalen/tiles; empty without either.
std::filesystem::path TileCacheRoot();
// The folder of one template's tiles below a cache root: tiles lie in {z}/{x}/{y}.
std::filesystem::path TileCacheFolder(const std::filesystem::path& root,
                                      const std::string& urlTemplate);

// Checks the template only; nothing is fetched until the first tile is read.
std::unique_ptr<TileSource> OpenTileUrl(const std::string& urlTemplate,
                                        const TileUrlOptions& options, std::string& error);

}  // namespace korvalen
