#pragma once

#include <cstdio>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>

#include "LocalHttpServer.h"
#include "earth/TileSource.h"

namespace korvalen::test {

// A handler that serves the tiles of an MBTiles file as /{z}/{x}/{y}.png, 404 for others.
inline LocalHttpServer::Handler ServeMbTiles(const std::filesystem::path& file) {
    std::string error;
    std::shared_ptr<TileSource> source = OpenMbTiles(file.string(), error);
    auto mutex = std::make_shared<std::mutex>();
    return [source, mutex](const std::string& path) {
        int z = 0, x = 0, y = 0;
        char tail[8] = "";
        HttpReply reply;
        std::vector<uint8_t> data;
        std::string error;
        std::lock_guard lock(*mutex);
        if (!source || std::sscanf(path.c_str(), "/%d/%d/%d.%4s", &z, &x, &y, tail) != 4 ||
            std::string(tail) != "png" || !source->ReadTile(z, x, y, data, error)) {
            reply.Status = 404;
            reply.Body = "no such tile";
            return reply;
        }
        reply.Body.assign(data.begin(), data.end());
        return reply;
    };
}

}  // namespace korvalen::test
