#include "demo/DemoTiles.h"

#include <algorithm>
#include <cstdint>
#include <sstream>
#include <system_error>

#include "demo/DemoMap.h"
#include "demo/DemoRandom.h"
#include "images/FileAccess.h"
#include "images/JpegCodec.h"

namespace korvalen {

namespace {

bool CheckAxis(const char* what, int tile, int overlap, int maxShift, std::string& error) {
    if (tile < kDemoMinTileSide || tile > kDemoMaxTileSide) {
        error = std::string("tile ") + what + " must be " + std::to_string(kDemoMinTileSide) +
                " to " + std::to_string(kDemoMaxTileSide) + " pixels";
        return false;
    }
    // Two neighbours may move apart by twice the shift; they must still overlap. More than
    // half a tile would put the overlap beyond the half of the neighbour a join searches.
    if (overlap <= 2 * maxShift || overlap > tile / 2) {
        error = std::string(what) + " overlap must be more than " + std::to_string(2 * maxShift) +
                " (twice the shift) and at most half the tile (" + std::to_string(tile / 2) + ")";
        return false;
    }
    return true;
}

}  // namespace

bool CheckDemoLayout(const DemoLayout& layout, std::string& error) {
    if (layout.rows < 1 || layout.rows > kDemoMaxRows || layout.cols < 1 ||
        layout.cols > kDemoMaxCols) {
        error = "rows must be 1 to " + std::to_string(kDemoMaxRows) + " and columns 1 to " +
                std::to_string(kDemoMaxCols);
        return false;
    }
    if (layout.maxShift < 0 || layout.maxShift > kDemoMaxShift) {
        error = "shift must be 0 to " + std::to_string(kDemoMaxShift) + " pixels";
        return false;
    }
    if (!CheckAxis("width", layout.tileWidth, layout.overlapX, layout.maxShift, error) ||
        !CheckAxis("height", layout.tileHeight, layout.overlapY, layout.maxShift, error))
        return false;
    const QSize size = DemoPictureSize(layout);
    if (size.width() > kDemoMapMaxSide || size.height() > kDemoMapMaxSide ||
        int64_t{size.width()} * size.height() > kDemoMapMaxPixels) {
        error = "the picture would be " + std::to_string(size.width()) + " x " +
                std::to_string(size.height()) + " pixels, more than the demo maker draws";
        return false;
    }
    return true;
}

QSize DemoPictureSize(const DemoLayout& layout) {
    const int64_t width = int64_t{layout.cols} * layout.tileWidth -
                          int64_t{layout.cols - 1} * layout.overlapX + 2 * int64_t{layout.maxShift};
    const int64_t height = int64_t{layout.rows} * layout.tileHeight -
                           int64_t{layout.rows - 1} * layout.overlapY +
                           2 * int64_t{layout.maxShift};
    return QSize(static_cast<int>(std::clamp<int64_t>(width, 0, INT32_MAX)),
                 static_cast<int>(std::clamp<int64_t>(height, 0, INT32_MAX)));
}

std::string DemoTileName(int row, int col) {
    static const char kHex[] = "0123456789abcdef";
    return std::string{static_cast<char>('a' + row), kHex[(col + 1) & 15]};
}

Bitmap BitmapFromImage(const QImage& image) {
    if (image.isNull())
        return Bitmap();
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    Bitmap bitmap(rgb.width(), rgb.height(), PixelFormat::Bits24);
    for (int y = 0; y < rgb.height(); ++y) {
        const uchar* from = rgb.constScanLine(y);
        uint8_t* to = bitmap.Row(y);
        for (int x = 0; x < rgb.width(); ++x) {
            to[3 * x] = from[3 * x + 2];
            to[3 * x + 1] = from[3 * x + 1];
            to[3 * x + 2] = from[3 * x];
        }
    }
    return bitmap;
}

bool CutDemoTiles(const QImage& picture, const DemoLayout& layout, std::vector<DemoTile>& tiles,
                  std::string& error) {
    if (!CheckDemoLayout(layout, error))
        return false;
    const QSize needed = DemoPictureSize(layout);
    if (picture.width() < needed.width() || picture.height() < needed.height()) {
        error = "the picture is " + std::to_string(picture.width()) + " x " +
                std::to_string(picture.height()) + " pixels, the tiles need " +
                std::to_string(needed.width()) + " x " + std::to_string(needed.height());
        return false;
    }
    DemoRandom random(layout.shiftSeed);
    std::vector<DemoTile> cut;
    for (int row = 0; row < layout.rows; ++row) {
        for (int col = 0; col < layout.cols; ++col) {
            DemoTile tile;
            tile.name = DemoTileName(row, col);
            tile.row = row;
            tile.col = col;
            tile.x = layout.maxShift + col * (layout.tileWidth - layout.overlapX) +
                     random.Int(-layout.maxShift, layout.maxShift);
            tile.y = layout.maxShift + row * (layout.tileHeight - layout.overlapY) +
                     random.Int(-layout.maxShift, layout.maxShift);
            tile.bitmap =
                BitmapFromImage(picture.copy(tile.x, tile.y, layout.tileWidth, layout.tileHeight));
            cut.push_back(std::move(tile));
        }
    }
    tiles = std::move(cut);
    return true;
}

std::string FormatDemoOffsets(const std::vector<DemoTile>& tiles, const DemoSetOptions& options,
                              QSize pictureSize) {
    const DemoLayout& layout = options.layout;
    std::ostringstream text;
    text << "# Demo map tiles cut from one drawn picture of " << pictureSize.width() << " x "
         << pictureSize.height() << " pixels.\n"
         << "# Made with: korvalen-demo OUTDIR --rows " << layout.rows << " --cols " << layout.cols
         << " --tile " << layout.tileWidth << 'x' << layout.tileHeight << " --overlap "
         << layout.overlapX << 'x' << layout.overlapY << " --shift " << layout.maxShift
         << " --seed " << options.seed << " --quality " << options.quality << "\n"
         << "# name, x and y of the top-left corner in the picture, then x and y relative to a1\n"
         << "# (where a join that places a1 at 0, 0 should put the tile).\n";
    const int originX = tiles.empty() ? 0 : tiles.front().x;
    const int originY = tiles.empty() ? 0 : tiles.front().y;
    for (const DemoTile& tile : tiles) {
        text << tile.name << ' ' << tile.x << ' ' << tile.y << ' ' << tile.x - originX << ' '
             << tile.y - originY << '\n';
    }
    return text.str();
}

bool WriteDemoSet(const std::filesystem::path& folder, const DemoSetOptions& options,
                  std::vector<DemoTile>& tiles, std::string& error) {
    if (!CheckDemoLayout(options.layout, error))
        return false;
    if (options.quality < 1 || options.quality > 100) {
        error = "quality must be 1 to 100";
        return false;
    }
    std::error_code code;
    std::filesystem::create_directories(folder, code);
    if (code || !std::filesystem::is_directory(folder)) {
        error = "cannot create the folder " + DisplayPath(folder) +
                (code ? ": " + code.message() : std::string());
        return false;
    }
    const QSize size = DemoPictureSize(options.layout);
    const QImage picture = DrawDemoMap(size.width(), size.height(), options.seed);
    if (picture.isNull()) {
        error = "cannot draw a picture of " + std::to_string(size.width()) + " x " +
                std::to_string(size.height()) + " pixels";
        return false;
    }
    std::vector<DemoTile> cut;
    if (!CutDemoTiles(picture, options.layout, cut, error))
        return false;
    for (const DemoTile& tile : cut) {
        if (!WriteJpegFile(folder / (tile.name + ".jpg"), tile.bitmap, options.quality, error))
            return false;
    }
    if (options.writeWhole &&
        !WriteJpegFile(folder / "whole.jpg", BitmapFromImage(picture), options.quality, error))
        return false;
    if (!WriteFileAtomically(folder / "offsets.txt", FormatDemoOffsets(cut, options, size), error))
        return false;
    tiles = std::move(cut);
    return true;
}

}  // namespace korvalen
