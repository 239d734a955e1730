#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace korvalen {

// One tile to store: zoom, x and y counted from the north (XYZ), and its encoded bytes.
struct EncodedTile {
    int zoom = 0, x = 0, y = 0;
    std::vector<uint8_t> data;
};

// Writes an MBTiles 1.3 file: the metadata pairs (name, value) as given and every tile the
// producer hands over until it returns false. Written under a temporary name and renamed
// into place, so a failure leaves an older file as it was.
bool WriteMbTiles(const std::filesystem::path& file,
                  const std::vector<std::pair<std::string, std::string>>& metadata,
                  const std::function<bool(EncodedTile& tile)>& producer, std::string& error);

}  // namespace korvalen
