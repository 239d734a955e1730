#include "earth/TileSource.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "earth/UrlTileSource.h"
#include "earth/WebMercator.h"
#include "images/FileAccess.h"

namespace korvalen {
namespace fs = std::filesystem;

namespace {

// The largest tile file read; real tiles are a few tens of kilobytes.
constexpr uintmax_t kMaxTileBytes = 4 << 20;

class FolderTileSource : public TileSource {
public:
    explicit FolderTileSource(fs::path folder) : folder_(std::move(folder)) {}
    bool ReadTile(int zoom, int x, int y, std::vector<uint8_t>& data, std::string& error) override {
        error.clear();
        const fs::path base = folder_ / std::to_string(zoom) / std::to_string(x);
        for (const char* ext : {".png", ".jpg", ".jpeg"}) {
            const fs::path file = base / (std::to_string(y) + ext);
            std::error_code ec;
            if (!fs::is_regular_file(file, ec))
                continue;
            return ReadWholeFile(file, data, error, kMaxTileBytes);
        }
        return false;
    }

private:
    fs::path folder_;
};

}  // namespace

std::optional<ViewExtents> ParseBounds(const std::string& text, bool mbtilesOrder) {
    double v[4];
    const char* p = text.c_str();
    for (int i = 0; i < 4; ++i) {
        char* end = nullptr;
        v[i] = std::strtod(p, &end);
        if (end == p || !std::isfinite(v[i]))
            return std::nullopt;
        while (*end == ' ')
            ++end;
        if (i < 3 && *end != ',')
            return std::nullopt;
        if (i == 3 && *end != '\0')
            return std::nullopt;
        p = end + 1;
    }
    ViewExtents e =
        mbtilesOrder ? ViewExtents{v[3], v[1], v[2], v[0]} : ViewExtents{v[0], v[2], v[3], v[1]};
    if (e.North <= e.South || e.East <= e.West || e.North > 90 || e.South < -90 || e.West < -180 ||
        e.East > 180)
        return std::nullopt;
    return e;
}

std::unique_ptr<TileSource> OpenTileFolder(const std::string& folder, std::string& error) {
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) {
        error = "The tile folder " + folder + " does not exist";
        return nullptr;
    }
    auto source = std::make_unique<FolderTileSource>(folder);
    // The zoom levels are the folders named by a number.
    int minZoom = kMaxTileZoom, maxZoom = -1;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.empty() || name.size() > 2 ||
            name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        const int z = std::atoi(name.c_str());
        minZoom = std::min(minZoom, z);
        maxZoom = std::max(maxZoom, z);
    }
    if (maxZoom < 0) {
        error = "The folder " + folder + " holds no tiles (folders {z}/{x}/{y}.png)";
        return nullptr;
    }
    source->MinZoom = minZoom;
    source->MaxZoom = maxZoom;
    source->Description = folder;
    return source;
}

std::unique_ptr<TileSource> OpenTileSource(const std::string& location, std::string& error) {
    std::error_code ec;
    if (location.empty()) {
        error = "No tile source is chosen";
        return nullptr;
    }
    if (LooksLikeTileUrl(location))
        return OpenTileUrl(location, TileUrlOptions{}, error);
    if (fs::is_directory(location, ec))
        return OpenTileFolder(location, error);
    if (fs::is_regular_file(location, ec))
        return OpenMbTiles(location, error);
    error = "The tile source " + location + " does not exist";
    return nullptr;
}

}  // namespace korvalen
