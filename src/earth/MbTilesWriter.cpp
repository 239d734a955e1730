#include "earth/MbTilesWriter.h"

#include <sqlite3.h>

#include <system_error>

namespace korvalen {
namespace fs = std::filesystem;

namespace {

struct Database {
    sqlite3* db = nullptr;
    ~Database() { sqlite3_close(db); }
    bool Exec(const char* sql, std::string& error) {
        char* message = nullptr;
        if (sqlite3_exec(db, sql, nullptr, nullptr, &message) != SQLITE_OK) {
            error = message ? message : "SQLite failed";
            sqlite3_free(message);
            return false;
        }
        return true;
    }
};

struct Statement {
    sqlite3_stmt* st = nullptr;
    ~Statement() { sqlite3_finalize(st); }
};

bool Fill(Database& d, const std::vector<std::pair<std::string, std::string>>& metadata,
          const std::function<bool(EncodedTile&)>& producer, std::string& error) {
    if (!d.Exec("PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; BEGIN;"
                "CREATE TABLE metadata (name TEXT, value TEXT);"
                "CREATE TABLE tiles (zoom_level INTEGER, tile_column INTEGER, tile_row INTEGER,"
                " tile_data BLOB);",
                error))
        return false;
    Statement meta;
    if (sqlite3_prepare_v2(d.db, "INSERT INTO metadata VALUES (?, ?)", -1, &meta.st, nullptr) !=
        SQLITE_OK) {
        error = sqlite3_errmsg(d.db);
        return false;
    }
    for (const auto& [name, value] : metadata) {
        sqlite3_reset(meta.st);
        sqlite3_bind_text(meta.st, 1, name.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(meta.st, 2, value.c_str(), -1, SQLITE_TRANSIENT);
        if (sqlite3_step(meta.st) != SQLITE_DONE) {
            error = sqlite3_errmsg(d.db);
            return false;
        }
    }
    Statement tiles;
    if (sqlite3_prepare_v2(d.db, "INSERT INTO tiles VALUES (?, ?, ?, ?)", -1, &tiles.st, nullptr) !=
        SQLITE_OK) {
        error = sqlite3_errmsg(d.db);
        return false;
    }
    EncodedTile tile;
    while (producer(tile)) {
        sqlite3_reset(tiles.st);
        sqlite3_bind_int(tiles.st, 1, tile.zoom);
        sqlite3_bind_int(tiles.st, 2, tile.x);
        sqlite3_bind_int(tiles.st, 3, static_cast<int>((int64_t{1} << tile.zoom) - 1 - tile.y));
        sqlite3_bind_blob(tiles.st, 4, tile.data.data(), static_cast<int>(tile.data.size()),
                          SQLITE_TRANSIENT);
        if (sqlite3_step(tiles.st) != SQLITE_DONE) {
            error = sqlite3_errmsg(d.db);
            return false;
        }
    }
    return d.Exec(
        "CREATE UNIQUE INDEX tile_index ON tiles (zoom_level, tile_column, tile_row);"
        "CREATE UNIQUE INDEX name ON metadata (name); COMMIT;",
        error);
}

}  // namespace

bool WriteMbTiles(const fs::path& file,
                  const std::vector<std::pair<std::string, std::string>>& metadata,
                  const std::function<bool(EncodedTile&)>& producer, std::string& error) {
    fs::path temporary = file;
    temporary += ".part";
    std::error_code ec;
    fs::remove(temporary, ec);
    bool ok;
    {
        Database d;
        ok = sqlite3_open_v2(temporary.string().c_str(), &d.db,
                             SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) == SQLITE_OK;
        if (!ok)
            error = sqlite3_errmsg(d.db);
        ok = ok && Fill(d, metadata, producer, error);
    }
    if (ok) {
        fs::rename(temporary, file, ec);
        if (ec) {
            error = ec.message();
            ok = false;
        }
    }
    if (!ok) {
        fs::remove(temporary, ec);
        error = file.string() + ": " + error;
    }
    return ok;
}

}  // namespace korvalen
