#pragma once

#include <QImage>
#include <QSize>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "images/Bitmap.h"

namespace korvalen {

// How a picture is cut into a matrix of overlapping tiles, the way a user takes screenshots
// of a large map: each tile lands a few pixels off its planned place.
struct DemoLayout {
    int rows = 3;
    int cols = 3;
    int tileWidth = 640;
    int tileHeight = 480;
    int overlapX = 120;  // planned overlap of neighbours in a row
    int overlapY = 120;  // planned overlap of neighbours in a column
    int maxShift = 6;    // each tile moves by up to this many pixels each way
    uint32_t shiftSeed = 1;
};

// Limits that keep the set joinable and its size bounded.
constexpr int kDemoMaxRows = 26;  // one letter per row
constexpr int kDemoMaxCols = 15;  // one hexadecimal digit per column
constexpr int kDemoMinTileSide = 32;
constexpr int kDemoMaxTileSide = 4096;
constexpr int kDemoMaxShift = 20;

struct DemoTile {
    std::string name;  // row letter and column digit: "a1", "b3"
    int row = 0;       // from 0
    int col = 0;
    int x = 0;  // top-left corner in the picture
    int y = 0;
    Bitmap bitmap;  // 24 bits
};

// False with a message when the layout cannot be cut: sizes out of range, overlaps that the
// shifts could undo or that exceed half a tile, a picture that would be too large.
bool CheckDemoLayout(const DemoLayout& layout, std::string& error);
// The picture size the layout needs: the tiles side by side with their overlaps and a
// margin of maxShift all round.
QSize DemoPictureSize(const DemoLayout& layout);
// Name of the tile in row and column (from 0): "a1" for the first.
std::string DemoTileName(int row, int col);
// Copies a QImage into a 24-bit bitmap (blue, green, red per pixel).
Bitmap BitmapFromImage(const QImage& image);

// Cuts the tiles, row by row, from a picture of at least DemoPictureSize.
bool CutDemoTiles(const QImage& picture, const DemoLayout& layout, std::vector<DemoTile>& tiles,
                  std::string& error);

struct DemoSetOptions {
    DemoLayout layout;
    uint32_t seed = 1;  // picture; the shifts use layout.shiftSeed
    int quality = 90;
    bool writeWhole = false;  // also whole.jpg, the picture the tiles came from
};

// The text of offsets.txt: how the set was made and every tile's position, in the picture
// and relative to a1 (where a join places it).
std::string FormatDemoOffsets(const std::vector<DemoTile>& tiles, const DemoSetOptions& options,
                              QSize pictureSize);

// Draws the picture, cuts it and writes folder/a1.jpg ..., folder/offsets.txt and, when
// asked, folder/whole.jpg. The folder is created when missing. tiles receives the tiles.
bool WriteDemoSet(const std::filesystem::path& folder, const DemoSetOptions& options,
                  std::vector<DemoTile>& tiles, std::string& error);

}  // namespace korvalen
