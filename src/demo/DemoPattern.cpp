#include "demo/DemoPattern.h"

#include <QColor>
#include <QPainter>
#include <QPen>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "demo/DemoMap.h"
#include "demo/DemoTiles.h"
#include "geo/GeoFormat.h"
#include "geo/KmlPlacemarks.h"
#include "images/FileAccess.h"
#include "images/GridPattern.h"
#include "images/JpegCodec.h"

namespace korvalen {
namespace {

constexpr int kMargin = 24;  // map around the grid, so that no shot reaches the edge

std::string AreaText(const DemoArea& a) {
    std::ostringstream text;
    text.precision(17);
    text << "seed " << a.seed << "\npicture " << a.picture.width() << " " << a.picture.height()
         << "\nview " << a.view.width() << " " << a.view.height() << "\nnorth " << a.north
         << "\nwest " << a.west << "\nlatPerPixel " << a.latPerPixel << "\nlonPerPixel "
         << a.lonPerPixel << "\n";
    return text.str();
}

bool ReadArea(const std::filesystem::path& path, DemoArea& a, std::string& error) {
    std::ifstream in(path);
    std::string key;
    int fields = 0;
    int w = 0, h = 0;
    while (in >> key) {
        if (key == "seed" && in >> a.seed)
            ++fields;
        else if (key == "picture" && in >> w >> h && (a.picture = QSize(w, h), true))
            ++fields;
        else if (key == "view" && in >> w >> h && (a.view = QSize(w, h), true))
            ++fields;
        else if (key == "north" && in >> a.north)
            ++fields;
        else if (key == "west" && in >> a.west)
            ++fields;
        else if (key == "latPerPixel" && in >> a.latPerPixel)
            ++fields;
        else if (key == "lonPerPixel" && in >> a.lonPerPixel)
            ++fields;
    }
    if (fields != 7 || a.latPerPixel <= 0 || a.lonPerPixel <= 0) {
        error = DisplayPath(path) + ": not a demo area written by the root step";
        return false;
    }
    return true;
}

std::string Placemark(const std::string& name, double lat, double lon, int range) {
    return "\t\t<Placemark>\r\n\t\t\t<name>" + name +
           "</name>\r\n\t\t\t<LookAt>\r\n\t\t\t\t<longitude>" + FormatCoord(lon, 7) +
           "</longitude>\r\n\t\t\t\t<latitude>" + FormatCoord(lat, 7) +
           "</latitude>\r\n\t\t\t\t<range>" + std::to_string(range) +
           "</range>\r\n\t\t\t</LookAt>\r\n\t\t\t<Point>\r\n\t\t\t\t<coordinates>" +
           FormatCoord(lon, 7) + "," + FormatCoord(lat, 7) +
           ",0</coordinates>\r\n\t\t\t</Point>\r\n\t\t</Placemark>\r\n";
}

}  // namespace

DemoGrowth DemoGrowthOf(const DemoPatternOptions& o) {
    DemoGrowth g;
    g.top = (o.rows - 1) / 2;
    g.bottom = o.rows - 1 - g.top;
    g.left = (o.cols - 1) / 2;
    g.right = o.cols - 1 - g.left;
    return g;
}

bool WriteDemoPatternRoot(const std::filesystem::path& folder, const DemoPatternOptions& o,
                          std::string& error) {
    if (o.rows < 1 || o.cols < 1 || o.rows > 21 || o.cols > 21 || o.overlapping < 10 ||
        o.overlapping > 25 || o.view.width() < 64 || o.view.height() < 64 ||
        o.view.width() > 4096 || o.view.height() > 4096) {
        error =
            "a pattern has 1 to 21 rows and columns, 10 to 25 % overlap and views of 64 to "
            "4096 pixels";
        return false;
    }
    const double f = (100.0 - o.overlapping) / 100.0;
    DemoArea area;
    area.seed = o.seed;
    area.view = o.view;
    const double gridW = (o.cols - 1) * o.view.width() * f + o.view.width();
    const double gridH = (o.rows - 1) * o.view.height() * f + o.view.height();
    area.picture = QSize(static_cast<int>(std::ceil(gridW)) + 2 * kMargin,
                         static_cast<int>(std::ceil(gridH)) + 2 * kMargin);
    if (area.picture.width() > kDemoMapMaxSide || area.picture.height() > kDemoMapMaxSide ||
        int64_t{area.picture.width()} * area.picture.height() > kDemoMapMaxPixels) {
        error = "the pattern needs a demo map larger than can be drawn";
        return false;
    }
    const DemoGrowth growth = DemoGrowthOf(o);
    // The root view's top-left corner in the picture.
    const double x0 = kMargin + growth.left * o.view.width() * f;
    const double y0 = kMargin + growth.top * o.view.height() * f;
    const double latTop = area.north - y0 * area.latPerPixel;
    const double lonLeft = area.west + x0 * area.lonPerPixel;
    const double latBottom = area.north - (y0 + o.view.height()) * area.latPerPixel;
    const double lonRight = area.west + (x0 + o.view.width()) * area.lonPerPixel;

    std::error_code code;
    std::filesystem::create_directories(folder, code);
    const std::string kml =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
        "<kml "
        "xmlns=\"http://www.opengis.net/kml/2.2\">\r\n<Document>\r\n\t<name>root.kml</name>\r\n" +
        Placemark("top left", latTop, lonLeft, 1200) +
        Placemark("bottom right", latBottom, lonRight, 1200) + "</Document>\r\n</kml>\r\n";
    return WriteFileAtomically(folder / "root.kml", kml, error) &&
           WriteFileAtomically(folder / "area.txt", AreaText(area), error);
}

bool CutDemoPattern(const std::filesystem::path& folder, const std::filesystem::path& gridKml,
                    const std::filesystem::path& patternFile, int quality, DemoPatternCut& cut,
                    std::string& error) {
    DemoArea area;
    if (!ReadArea(folder / "area.txt", area, error))
        return false;
    const PatternReading reading = ReadGridPattern(patternFile);
    if (reading.Status != PatternStatus::Ok) {
        error = DisplayPath(patternFile) + ": not a usable grid pattern";
        return false;
    }
    PlacemarkFile grid;
    if (!ReadPlacemarkFile(gridKml, grid, error))
        return false;
    const GridPattern& p = reading.Pattern;
    const int count = p.NumRows * p.NumCols;
    if (static_cast<int>(grid.Placemarks.size()) < count) {
        error = DisplayPath(gridKml) + ": fewer placemarks than the pattern has images";
        return false;
    }
    if (area.picture.width() < 16 || area.picture.height() < 16 ||
        area.picture.width() > kDemoMapMaxSide || area.picture.height() > kDemoMapMaxSide) {
        error = "the demo area's map size is out of range";
        return false;
    }
    auto toPixel = [&area](double lat, double lon) {
        return std::array<double, 2>{(lon - area.west) / area.lonPerPixel,
                                     (area.north - lat) / area.latPerPixel};
    };

    QImage picture = DrawDemoMap(area.picture.width(), area.picture.height(), area.seed);
    cut = DemoPatternCut{};
    if (reading.CornersComplete) {
        QPainter painter(&picture);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(QColor(230, 0, 0), 3));
        for (const GridCorner& corner : *p.Corners) {
            const auto at = toPixel(corner.Lat, corner.Lon);
            cut.marks.push_back(at);
            painter.drawEllipse(QPointF(at[0], at[1]), 9, 9);
            painter.drawLine(QPointF(at[0] - 14, at[1]), QPointF(at[0] + 14, at[1]));
            painter.drawLine(QPointF(at[0], at[1] - 14), QPointF(at[0], at[1] + 14));
        }
    }
    std::string offsets = "# image x y (relative to image 1)\n";
    for (int k = 0; k < count; ++k) {
        const tGEPlacemark& mark = grid.Placemarks[static_cast<size_t>(k)];
        const auto centre = toPixel(mark.Lat, mark.Lon);
        DemoShot shot;
        shot.number = k + 1;
        shot.x = static_cast<int>(std::lround(centre[0] - area.view.width() / 2.0));
        shot.y = static_cast<int>(std::lround(centre[1] - area.view.height() / 2.0));
        if (shot.x < 0 || shot.y < 0 || shot.x + area.view.width() > picture.width() ||
            shot.y + area.view.height() > picture.height()) {
            error = "placemark " + std::to_string(k + 1) + " lies outside the demo map";
            return false;
        }
        const Bitmap bitmap =
            BitmapFromImage(picture.copy(shot.x, shot.y, area.view.width(), area.view.height()));
        if (!WriteJpegFile(folder / PatternImageName(k + 1, count), bitmap, quality, error))
            return false;
        cut.shots.push_back(shot);
        offsets += std::to_string(shot.number) + " " + std::to_string(shot.x - cut.shots[0].x) +
                   " " + std::to_string(shot.y - cut.shots[0].y) + "\n";
    }
    if (!cut.marks.empty()) {
        offsets += "# calibration mark x y (in the joined map)\n";
        char line[96];
        for (size_t i = 0; i < cut.marks.size(); ++i) {
            std::snprintf(line, sizeof line, "P%zu %.2f %.2f\n", i + 1,
                          cut.marks[i][0] - cut.shots[0].x, cut.marks[i][1] - cut.shots[0].y);
            offsets += line;
        }
    }
    return WriteFileAtomically(folder / "pattern_offsets.txt", offsets, error);
}

}  // namespace korvalen
