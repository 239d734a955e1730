#include <sqlite3.h>

#include <algorithm>
#include <cstdlib>

#include "earth/TileSource.h"
#include "earth/WebMercator.h"

namespace korvalen {
namespace {

constexpr int kMaxTileBytes = 4 << 20;

// An MBTiles file read with SQLite, read-only. Rows of the tiles table count from the
// south (TMS), so y is flipped.
class MbTilesSource : public TileSource {
public:
    ~MbTilesSource() override {
        sqlite3_finalize(select_);
        sqlite3_close(db_);
    }

    bool Open(const std::string& file, std::string& error) {
        if (sqlite3_open_v2(file.c_str(), &db_, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
            error = file + " cannot be opened: " + sqlite3_errmsg(db_);
            return false;
        }
        // Tiles are read about once each; the system's file cache keeps the file, so SQLite's
        // own page cache is kept small instead of growing to megabytes during a capture.
        sqlite3_exec(db_, "PRAGMA cache_size=-256", nullptr, nullptr, nullptr);
        if (sqlite3_prepare_v2(db_,
                               "SELECT tile_data FROM tiles WHERE zoom_level=? AND "
                               "tile_column=? AND tile_row=?",
                               -1, &select_, nullptr) != SQLITE_OK) {
            error = file + " is no MBTiles file (" + sqlite3_errmsg(db_) + ")";
            return false;
        }
        ReadMetadata();
        Description = file;
        return true;
    }

    bool ReadTile(int zoom, int x, int y, std::vector<uint8_t>& data, std::string& error) override {
        error.clear();
        if (zoom < 0 || zoom > kMaxTileZoom)
            return false;
        const int row = static_cast<int>((int64_t{1} << zoom) - 1 - y);
        sqlite3_reset(select_);
        sqlite3_bind_int(select_, 1, zoom);
        sqlite3_bind_int(select_, 2, x);
        sqlite3_bind_int(select_, 3, row);
        const int rc = sqlite3_step(select_);
        if (rc == SQLITE_DONE)
            return false;
        if (rc != SQLITE_ROW) {
            error = sqlite3_errmsg(db_);
            return false;
        }
        const int size = sqlite3_column_bytes(select_, 0);
        const auto* bytes = static_cast<const uint8_t*>(sqlite3_column_blob(select_, 0));
        if (size <= 0 || size > kMaxTileBytes || bytes == nullptr) {
            error = "tile " + std::to_string(zoom) + "/" + std::to_string(x) + "/" +
                    std::to_string(y) + " has no usable size";
            return false;
        }
        data.assign(bytes, bytes + size);
        return true;
    }

private:
    void ReadMetadata() {
        sqlite3_stmt* st = nullptr;
        int minZoom = -1, maxZoom = -1;
        if (sqlite3_prepare_v2(db_, "SELECT name, value FROM metadata", -1, &st, nullptr) ==
            SQLITE_OK) {
            while (sqlite3_step(st) == SQLITE_ROW) {
                const auto* n = sqlite3_column_text(st, 0);
                const auto* v = sqlite3_column_text(st, 1);
                if (n == nullptr || v == nullptr)
                    continue;
                const std::string name(reinterpret_cast<const char*>(n));
                const std::string value(reinterpret_cast<const char*>(v));
                if (name == "minzoom")
                    minZoom = std::atoi(value.c_str());
                else if (name == "maxzoom")
                    maxZoom = std::atoi(value.c_str());
                else if (name == "bounds")
                    Bounds = ParseBounds(value, true);
            }
        }
        sqlite3_finalize(st);
        // Files without zoom metadata: the levels the tiles table holds.
        if (minZoom < 0 || maxZoom < 0 || minZoom > maxZoom || maxZoom > kMaxTileZoom) {
            st = nullptr;
            if (sqlite3_prepare_v2(db_, "SELECT MIN(zoom_level), MAX(zoom_level) FROM tiles", -1,
                                   &st, nullptr) == SQLITE_OK &&
                sqlite3_step(st) == SQLITE_ROW && sqlite3_column_type(st, 0) != SQLITE_NULL) {
                minZoom = sqlite3_column_int(st, 0);
                maxZoom = sqlite3_column_int(st, 1);
            }
            sqlite3_finalize(st);
        }
        MinZoom = std::clamp(minZoom, 0, kMaxTileZoom);
        MaxZoom = std::clamp(maxZoom, MinZoom, kMaxTileZoom);
    }

    sqlite3* db_ = nullptr;
    sqlite3_stmt* select_ = nullptr;
};

}  // namespace

std::unique_ptr<TileSource> OpenMbTiles(const std::string& file, std::string& error) {
    auto source = std::make_unique<MbTilesSource>();
    if (!source->Open(file, error))
        return nullptr;
    return source;
}

}  // namespace korvalen
