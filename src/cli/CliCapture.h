#pragma once

#include <iosfwd>
#include <span>
#include <string>

namespace korvalen::cli {

inline constexpr const char* kCaptureSynopsis =
    "capture --source FILE|FOLDER|URL --bounds NORTH,WEST,SOUTH,EAST --rows R --cols C\n"
    "       --out MAP.jpg [--view WxH] [--overlap 0..50] [--bits 24|8] [--quality 1..100]\n"
    "       [--calibration map|cal|geo|gmw|jpr|world|tab]";
inline constexpr const char* kCaptureSummary =
    "capture an area from a tile source (MBTiles file, {z}/{x}/{y} folder or a server's\n"
    "      http(s)://.../{z}/{x}/{y}.png address, cached on disk) as R x C views\n"
    "      and write the map (.jpg or .bmp) and its calibration; prints the map's corners\n"
    "      as \"bounds NORTH,WEST,SOUTH,EAST\" and its size";

int RunCapture(std::span<const std::string> args, std::ostream& out, std::ostream& err);

}  // namespace korvalen::cli
