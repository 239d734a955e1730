#include "demo/DemoMbTiles.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <cstdio>
#include <vector>

#include "demo/DemoMap.h"
#include "earth/MbTilesWriter.h"
#include "earth/WebMercator.h"

namespace korvalen {
namespace {

const QColor kOutside(244, 241, 232);  // paper beyond the map's edge

std::string Number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.7f", value);
    return text;
}

}  // namespace

ViewExtents DemoTileBounds(const DemoTilePlacement& p) {
    ViewExtents e;
    e.West = WorldXToLon(double(p.tileX) * kTileSize, p.maxZoom);
    e.East = WorldXToLon(double(p.tileX + p.tiles) * kTileSize, p.maxZoom);
    e.North = WorldYToLat(double(p.tileY) * kTileSize, p.maxZoom);
    e.South = WorldYToLat(double(p.tileY + p.tiles) * kTileSize, p.maxZoom);
    return e;
}

bool WriteDemoMbTiles(const std::filesystem::path& file, uint32_t seed, const DemoTilePlacement& p,
                      std::string& error) {
    const int side = p.tiles * kTileSize;
    const QImage picture = DrawDemoMap(side, side, seed);
    if (picture.isNull()) {
        error = "the demo map could not be drawn";
        return false;
    }
    const ViewExtents b = DemoTileBounds(p);
    const std::vector<std::pair<std::string, std::string>> metadata = {
        {"name", "Korvalen demo map"},
        {"format", "png"},
        {"bounds",
         Number(b.West) + "," + Number(b.South) + "," + Number(b.East) + "," + Number(b.North)},
        {"center", Number((b.West + b.East) / 2) + "," + Number((b.North + b.South) / 2) + "," +
                       std::to_string(p.maxZoom - 2)},
        {"minzoom", std::to_string(p.minZoom)},
        {"maxzoom", std::to_string(p.maxZoom)},
        {"type", "baselayer"},
        {"version", "1"},
        {"description", "A made-up topographic map for trying the capture offline"},
        {"attribution", "made up by korvalen-demo"},
    };

    // One zoom level at a time: the picture scaled once, then cut into tiles.
    int zoom = p.minZoom;
    QImage scaled;
    int64_t originX = 0, originY = 0;
    int tx = 0, ty = 0, tx0 = 0, tx1 = -1, ty1 = -1;
    auto startLevel = [&] {
        const int shift = p.maxZoom - zoom;
        const int size = std::max(1, side >> shift);
        scaled = picture.scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        originX = (int64_t{p.tileX} * kTileSize) >> shift;
        originY = (int64_t{p.tileY} * kTileSize) >> shift;
        tx0 = static_cast<int>(originX / kTileSize);
        tx1 = static_cast<int>((originX + size - 1) / kTileSize);
        ty = static_cast<int>(originY / kTileSize);
        ty1 = static_cast<int>((originY + size - 1) / kTileSize);
        tx = tx0;
    };
    startLevel();
    return WriteMbTiles(
        file, metadata,
        [&](EncodedTile& tile) {
            if (tx > tx1) {
                tx = tx0;
                ++ty;
            }
            if (ty > ty1) {
                if (++zoom > p.maxZoom)
                    return false;
                startLevel();
            }
            QImage image(kTileSize, kTileSize, QImage::Format_RGB888);
            image.fill(kOutside);
            {
                QPainter painter(&image);
                painter.drawImage(QPoint(static_cast<int>(originX - int64_t{tx} * kTileSize),
                                         static_cast<int>(originY - int64_t{ty} * kTileSize)),
                                  scaled);
            }
            QByteArray bytes;
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::WriteOnly);
            image.save(&buffer, "PNG");
            tile.zoom = zoom;
            tile.x = tx;
            tile.y = ty;
            tile.data.assign(bytes.begin(), bytes.end());
            ++tx;
            return true;
        },
        error);
}

}  // namespace korvalen
