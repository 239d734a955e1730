#include "demo/DemoMap.h"

#include <QFont>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QStringList>
#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "demo/DemoGeometry.h"
#include "demo/DemoRandom.h"

namespace korvalen {
namespace {

constexpr double kPi = 3.14159265358979323846;

// The map key.
const QColor kPaper(246, 241, 226);
const QColor kWood(207, 229, 182);
const QColor kField(245, 234, 190);
const QColor kFieldEdge(190, 160, 110);
const QColor kPowerLine(70, 70, 78);
const QColor kWoodEdge(96, 150, 84);
const QColor kTree(48, 116, 48);
const QColor kContour(183, 118, 62);
const QColor kIndexContour(156, 92, 38);
const QColor kWater(160, 205, 236);
const QColor kWaterLine(44, 104, 186);
const QColor kDepthLine(98, 156, 214);
const QColor kCasing(62, 44, 36);
const QColor kMainRoad(222, 62, 44);
const QColor kSecondaryRoad(250, 206, 70);
const QColor kMinorRoad(255, 255, 250);
const QColor kTrack(72, 60, 50);
const QColor kBuilding(58, 52, 52);
const QColor kGrid(36, 64, 150, 120);
const QColor kInk(32, 30, 30);
const QColor kHalo(255, 255, 250, 220);

constexpr double kContourInterval = 10;  // metres
constexpr double kWoodsThreshold = 0.57;
constexpr double kFieldThreshold = 0.6;
constexpr int kGridSpacing = 250;  // pixels per kilometre

const QStringList kVillageNames{"Ostervik", "Lindholm", "Marren",   "Kallby",   "Norrvala",
                                "Sandtorp", "Brekkvik", "Halvsta",  "Tolvmark", "Vekeby",
                                "Grimnes",  "Rødberg",  "Aspeholm", "Tallmo",   "Varnby",
                                "Eksvik",   "Solbacka", "Myrtorp",  "Ulvsund",  "Gransele"};
const QStringList kHillNames{"Kallberget", "Ramsåsen", "Björnkullen", "Höga Tall"};

struct Hill {
    QPointF centre;
    double sigmaAlong = 1;
    double sigmaAcross = 1;
    double angle = 0;  // radians
    double height = 0;

    double At(QPointF p) const {
        const QPointF d = p - centre;
        const double u = d.x() * std::cos(angle) + d.y() * std::sin(angle);
        const double v = -d.x() * std::sin(angle) + d.y() * std::cos(angle);
        return height * std::exp(-0.5 * (u * u / (sigmaAlong * sigmaAlong) +
                                         v * v / (sigmaAcross * sigmaAcross)));
    }
};

// An irregular lake: a radius that varies with the angle. Its depth lines are smaller copies
// drawn towards the deepest point.
struct Lake {
    QPointF centre;
    double radius = 0;  // 0: no lake
    std::array<double, 3> amplitude{};
    std::array<double, 3> phase{};
    QPointF deepest;  // from the centre

    double RadiusAt(double angle) const {
        return radius * (1 + amplitude[0] * std::sin(2 * angle + phase[0]) +
                         amplitude[1] * std::sin(3 * angle + phase[1]) +
                         amplitude[2] * std::sin(5 * angle + phase[2]));
    }
    bool Contains(QPointF p, double margin) const {
        if (radius <= 0)
            return false;
        const QPointF d = p - centre;
        return std::hypot(d.x(), d.y()) < RadiusAt(std::atan2(d.y(), d.x())) + margin;
    }
    QPointF PushOut(QPointF p, double margin) const {
        if (!Contains(p, margin))
            return p;
        const QPointF d = p - centre;
        const double angle = std::atan2(d.y(), d.x());
        const double r = RadiusAt(angle) + margin;
        return centre + QPointF(std::cos(angle), std::sin(angle)) * r;
    }
    QPolygonF Outline(double scale) const {
        QPolygonF outline;
        const QPointF middle = centre + deepest * (1 - scale);
        for (int i = 0; i < 240; ++i) {
            const double angle = 2 * kPi * i / 240;
            outline << middle + QPointF(std::cos(angle), std::sin(angle)) * RadiusAt(angle) * scale;
        }
        return outline;
    }
};

enum class RoadKind { Track, Minor, Secondary, Main };

struct Road {
    RoadKind kind;
    Polyline line;
};

struct River {
    Polyline line;
    double startWidth;
    double endWidth;
};

struct Village {
    QPointF centre;
    double angle = 0;  // degrees, along its road
    int size = 1;      // 1..3
    bool church = false;
    QString name;
};

QFont MapFont(int pixelSize, bool bold = false, bool italic = false) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    font.setItalic(italic);
    // No hinting: glyph shapes then depend only on the font file, not on screen settings.
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

// Text centred on a point, turned by an angle, with a halo that keeps it readable.
void DrawLabel(QPainter& painter, const QString& text, const QFont& font, QPointF centre,
               double angle, QColor ink, QColor halo, double haloWidth) {
    if (!QGuiApplication::instance())
        return;
    QPainterPath path;
    path.addText(0, 0, font, text);
    const QRectF box = path.boundingRect();
    painter.save();
    painter.translate(centre);
    painter.rotate(angle);
    painter.translate(-box.center());
    if (haloWidth > 0)
        painter.strokePath(path, QPen(halo, haloWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.fillPath(path, ink);
    painter.restore();
}

// Keeps text upright: lines running right to left are read the other way round.
double ReadableAngle(double angle) {
    while (angle > 90)
        angle -= 180;
    while (angle <= -90)
        angle += 180;
    return angle;
}

QPainterPath PathOf(const Polyline& line) {
    QPainterPath path;
    if (line.empty())
        return path;
    path.moveTo(line.front());
    for (size_t i = 1; i < line.size(); ++i)
        path.lineTo(line[i]);
    return path;
}

int Clamp255(double v) {
    return std::clamp(static_cast<int>(std::lround(v)), 0, 255);
}

class DemoMapMaker {
public:
    DemoMapMaker(int width, int height, uint32_t seed)
        : width_(width),
          height_(height),
          area_(static_cast<double>(width) * height / 1e6),
          random_(seed) {}

    QImage Make() {
        PlanLake();
        PlanTerrain();
        PlanWater();
        PlanRoads();
        PlanVillages();
        PlanTracks();
        PlanWoods();
        PlanFarms();
        PlanPowerLine();

        QImage image(width_, height_, QImage::Format_RGB888);
        PaintGround(image);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        PaintContours(painter);
        PaintWoods(painter);
        PaintRivers(painter);
        PaintLake(painter);
        PaintRoads(painter);
        PaintRailway(painter);
        PaintPowerLine(painter);
        PaintVillages(painter);
        PaintHeights(painter);
        PaintGrid(painter);
        PaintNames(painter);
        painter.end();
        return image;
    }

private:
    QPointF RandomPoint(double margin) {
        return QPointF(random_.Range(margin, width_ - margin),
                       random_.Range(margin, height_ - margin));
    }
    bool Inside(QPointF p, double margin) const {
        return p.x() >= margin && p.y() >= margin && p.x() < width_ - margin &&
               p.y() < height_ - margin;
    }
    // A point just beyond one edge (0 top, 1 right, 2 bottom, 3 left), between the fractions
    // low and high of that edge.
    QPointF EdgePoint(int edge, double low, double high) {
        const double t = random_.Range(low, high);
        switch (edge) {
            case 0:
                return QPointF(t * width_, -30);
            case 1:
                return QPointF(width_ + 30, t * height_);
            case 2:
                return QPointF(t * width_, height_ + 30);
            default:
                return QPointF(-30, t * height_);
        }
    }
    Polyline AvoidLake(Polyline line, double margin) const {
        for (QPointF& p : line)
            p = lake_.PushOut(p, margin);
        return line;
    }

    void PlanLake() {
        if (std::min(width_, height_) < 240)
            return;
        lake_.radius = std::min(width_, height_) * random_.Range(0.085, 0.11);
        lake_.centre = QPointF(random_.Range(0.3, 0.7) * width_, random_.Range(0.3, 0.7) * height_);
        for (int i = 0; i < 3; ++i) {
            lake_.amplitude[i] = random_.Range(0.04, 0.16) / (i + 1);
            lake_.phase[i] = random_.Range(0, 2 * kPi);
        }
        lake_.deepest = QPointF(random_.Range(-0.3, 0.3), random_.Range(-0.3, 0.3)) * lake_.radius;
    }

    void PlanTerrain() {
        const int hills = std::max(3, static_cast<int>(std::lround(area_ * 7)));
        for (int i = 0; i < hills; ++i) {
            Hill hill;
            hill.centre =
                QPointF(random_.Range(-0.1, 1.1) * width_, random_.Range(-0.1, 1.1) * height_);
            hill.sigmaAlong = random_.Range(70, 240);
            hill.sigmaAcross = hill.sigmaAlong * random_.Range(0.35, 0.9);
            hill.angle = random_.Range(0, kPi);
            hill.height = random_.Range(60, 330);
            if (lake_.Contains(hill.centre, hill.sigmaAlong))
                hill.height *= 0.3;  // no mountain in the lake
            hills_.push_back(hill);
        }
        if (lake_.radius > 0)
            hills_.push_back(Hill{lake_.centre, lake_.radius * 1.6, lake_.radius * 1.4, 0, -90});

        const ValueNoise broad(width_, height_, 150, random_);
        const ValueNoise middle(width_, height_, 60, random_);
        const ValueNoise fine(width_, height_, 24, random_);
        terrain_ = SampleGrid::Sample(width_, height_, 2, [&](double x, double y) {
            double h = 140 + 70 * (broad.At(x, y) - 0.5) + 44 * (middle.At(x, y) - 0.5) +
                       18 * (fine.At(x, y) - 0.5);
            for (const Hill& hill : hills_)
                h += hill.At(QPointF(x, y));
            return h;
        });
    }

    void PlanWater() {
        if (lake_.radius > 0) {
            const int inEdge = random_.Int(0, 1) == 0 ? 0 : 3;  // from the top or the left
            const int outEdge = inEdge == 0 ? 2 : 1;
            rivers_.push_back(
                River{WindingCurve(EdgePoint(inEdge, 0.15, 0.85), lake_.centre, 55, 90, random_),
                      1.8, 4.5});
            rivers_.push_back(
                River{WindingCurve(lake_.centre, EdgePoint(outEdge, 0.15, 0.85), 55, 90, random_),
                      5, 7.5});
        } else {
            rivers_.push_back(
                River{WindingCurve(EdgePoint(3, 0.2, 0.8), EdgePoint(1, 0.2, 0.8), 40, 80, random_),
                      1.8, 5});
        }
        const int streams = std::max(1, static_cast<int>(std::lround(area_ * 2.5)));
        for (int i = 0; i < streams; ++i) {
            const QPointF source = RandomPoint(0);
            const River& river = rivers_[random_.Int(0, static_cast<int>(rivers_.size()) - 1)];
            const QPointF mouth = NearestOnCurve(river.line, source);
            if (lake_.Contains(source, 10) || Distance(source, mouth) < 60)
                continue;
            streams_.push_back(WindingCurve(source, mouth, 18, 45, random_));
        }
    }

    void PlanRoads() {
        roads_.push_back(
            Road{RoadKind::Main, AvoidLake(WindingCurve(EdgePoint(3, 0.15, 0.85),
                                                        EdgePoint(1, 0.15, 0.85), 60, 150, random_),
                                           18)});
        roads_.push_back(Road{RoadKind::Secondary,
                              AvoidLake(WindingCurve(EdgePoint(0, 0.15, 0.85),
                                                     EdgePoint(2, 0.15, 0.85), 60, 140, random_),
                                        18)});
        if (area_ > 1.2) {
            roads_.push_back(
                Road{RoadKind::Secondary,
                     AvoidLake(WindingCurve(EdgePoint(2, 0.05, 0.45), EdgePoint(1, 0.05, 0.45), 70,
                                            130, random_),
                               18)});
        }
        railway_ = AvoidLake(
            WindingCurve(EdgePoint(3, 0.55, 0.95), EdgePoint(1, 0.05, 0.45), 35, 260, random_), 25);
    }

    void PlanVillages() {
        QStringList names = kVillageNames;
        const int wanted = std::clamp(static_cast<int>(std::lround(area_ * 4.5)), 1,
                                      static_cast<int>(names.size()));
        const size_t mainRoads = roads_.size();
        for (int attempt = 0; attempt < wanted * 40 && static_cast<int>(villages_.size()) < wanted;
             ++attempt) {
            Village village;
            const bool onRoad = random_.Chance(0.65);
            // A copy: minor roads are appended below.
            const Polyline road = roads_[random_.Int(0, static_cast<int>(mainRoads) - 1)].line;
            const size_t index =
                static_cast<size_t>(random_.Int(0, static_cast<int>(road.size()) - 1));
            village.centre = onRoad ? road[index] : RandomPoint(40);
            village.size = random_.Int(1, 3);
            village.church = random_.Chance(0.55);
            if (!Inside(village.centre, 30) || lake_.Contains(village.centre, 55))
                continue;
            const bool crowded = std::any_of(
                villages_.begin(), villages_.end(),
                [&](const Village& v) { return Distance(v.centre, village.centre) < 190; });
            if (crowded)
                continue;
            if (onRoad) {
                village.angle = CurveAngle(road, index);
            } else {
                // A minor road to the nearest larger road.
                QPointF best;
                double bestDistance = 1e18;
                for (size_t r = 0; r < mainRoads; ++r) {
                    const QPointF q = NearestOnCurve(roads_[r].line, village.centre);
                    if (Distance(q, village.centre) < bestDistance) {
                        best = q;
                        bestDistance = Distance(q, village.centre);
                    }
                }
                Polyline link = AvoidLake(WindingCurve(village.centre, best, 22, 70, random_), 15);
                village.angle = CurveAngle(link, 0);
                roads_.push_back(Road{RoadKind::Minor, std::move(link)});
            }
            village.name = names.takeAt(random_.Int(0, static_cast<int>(names.size()) - 1));
            villages_.push_back(village);
        }
    }

    void PlanTracks() {
        const int tracks = std::max(1, static_cast<int>(std::lround(area_ * 3)));
        for (int i = 0; i < tracks; ++i) {
            const Road& road = roads_[random_.Int(0, static_cast<int>(roads_.size()) - 1)];
            const QPointF start = road.line[static_cast<size_t>(
                random_.Int(0, static_cast<int>(road.line.size()) - 1))];
            const double angle = random_.Range(0, 2 * kPi);
            const double length = random_.Range(150, 380);
            const QPointF end = start + QPointF(std::cos(angle), std::sin(angle)) * length;
            if (lake_.Contains(end, 20))
                continue;
            roads_.push_back(
                Road{RoadKind::Track, AvoidLake(WindingCurve(start, end, 25, 60, random_), 12)});
        }
    }

    void PlanWoods() {
        const ValueNoise broad(width_, height_, 160, random_);
        const ValueNoise fine(width_, height_, 48, random_);
        woods_ = SampleGrid::Sample(width_, height_, 2, [&](double x, double y) {
            const QPointF p(x, y);
            if (lake_.Contains(p, 10))
                return 0.0;
            double w = 0.7 * broad.At(x, y) + 0.3 * fine.At(x, y);
            for (const Village& v : villages_) {
                const double d = Distance(v.centre, p);
                w -= 0.35 * std::exp(-d * d / (2 * 55.0 * 55.0));  // cleared land round villages
            }
            return w;
        });
        const ValueNoise fieldsBroad(width_, height_, 110, random_);
        const ValueNoise fieldsFine(width_, height_, 35, random_);
        fields_ = SampleGrid::Sample(width_, height_, 2, [&](double x, double y) {
            if (lake_.Contains(QPointF(x, y), 6))
                return 0.0;
            return 0.75 * fieldsBroad.At(x, y) + 0.25 * fieldsFine.At(x, y);
        });
    }

    // Single farms in open land, each with a track to the nearest road.
    void PlanFarms() {
        const int wanted = static_cast<int>(std::lround(area_ * 7));
        const size_t roads = roads_.size();
        for (int attempt = 0; attempt < wanted * 10 && static_cast<int>(farms_.size()) < wanted;
             ++attempt) {
            const QPointF at = RandomPoint(20);
            const double angle = random_.Range(-40, 40);
            if (lake_.Contains(at, 30) || woods_.At(at.x(), at.y()) > kWoodsThreshold - 0.03)
                continue;
            const bool nearVillage =
                std::any_of(villages_.begin(), villages_.end(),
                            [&](const Village& v) { return Distance(v.centre, at) < 110; });
            const bool nearFarm = std::any_of(farms_.begin(), farms_.end(), [&](const Village& f) {
                return Distance(f.centre, at) < 90;
            });
            if (nearVillage || nearFarm)
                continue;
            Village farm;
            farm.centre = at;
            farm.angle = angle;
            farms_.push_back(farm);
            QPointF best = at;
            double bestDistance = 1e18;
            for (size_t r = 0; r < roads; ++r) {
                const QPointF q = NearestOnCurve(roads_[r].line, at);
                if (Distance(q, at) < bestDistance) {
                    best = q;
                    bestDistance = Distance(q, at);
                }
            }
            if (bestDistance > 12 && bestDistance < 260)
                roads_.push_back(
                    Road{RoadKind::Track, AvoidLake(WindingCurve(at, best, 12, 50, random_), 12)});
        }
    }

    // A power line in straight spans from edge to edge, with one bend, clear of the lake.
    void PlanPowerLine() {
        for (int attempt = 0; attempt < 20 && powerLine_.empty(); ++attempt) {
            const QPointF from = EdgePoint(0, 0.05, 0.95);
            const QPointF to = EdgePoint(2, 0.05, 0.95);
            const QPointF bend = (from + to) / 2 + QPointF(random_.Range(-0.2, 0.2) * width_, 0);
            bool clear = true;
            for (double t = 0; t <= 1 && clear; t += 0.01) {
                clear = !lake_.Contains(from + (bend - from) * t, 25) &&
                        !lake_.Contains(bend + (to - bend) * t, 25);
            }
            if (clear)
                powerLine_ = {from, bend, to};
        }
    }

    // Paper, woods tint and relief shading, pixel by pixel.
    void PaintGround(QImage& image) {
        const ValueNoise grain(width_, height_, 4, random_);
        const ValueNoise blotch(width_, height_, 23, random_);
        // Light from the north-west, as on printed maps.
        const double lx = -0.55, ly = -0.55, lz = 0.63;
        const SampleGrid shade = SampleGrid::Sample(width_, height_, 2, [&](double x, double y) {
            const double gx = (terrain_.At(x + 2, y) - terrain_.At(x - 2, y)) / 4 * 0.5;
            const double gy = (terrain_.At(x, y + 2) - terrain_.At(x, y - 2)) / 4 * 0.5;
            const double lit = (-gx * lx - gy * ly + lz) / std::sqrt(gx * gx + gy * gy + 1);
            return std::clamp(1 + 0.55 * (lit - lz), 0.78, 1.06);
        });
        for (int y = 0; y < height_; ++y) {
            uchar* row = image.scanLine(y);
            for (int x = 0; x < width_; ++x) {
                if (InLakeBox(x, y) && lake_.Contains(QPointF(x, y), 0)) {
                    // Water keeps a faint grain so that no part of the lake is flat.
                    const double texture =
                        (grain.At(x, y) - 0.5) * 10 + (blotch.At(x, y) - 0.5) * 8;
                    row[3 * x] = static_cast<uchar>(Clamp255(kWater.red() + texture));
                    row[3 * x + 1] = static_cast<uchar>(Clamp255(kWater.green() + texture));
                    row[3 * x + 2] = static_cast<uchar>(Clamp255(kWater.blue() + texture * 0.6));
                    continue;
                }
                const double wood =
                    std::clamp((woods_.At(x, y) - kWoodsThreshold) / 0.012, 0.0, 1.0);
                const double light = shade.At(x, y);
                const double texture = (grain.At(x, y) - 0.5) * 7 + (blotch.At(x, y) - 0.5) * 9;
                const double field =
                    std::clamp((fields_.At(x, y) - kFieldThreshold) / 0.012, 0.0, 1.0);
                const QColor open(kPaper.red() + (kField.red() - kPaper.red()) * field,
                                  kPaper.green() + (kField.green() - kPaper.green()) * field,
                                  kPaper.blue() + (kField.blue() - kPaper.blue()) * field);
                const double r = open.red() + (kWood.red() - open.red()) * wood;
                const double g = open.green() + (kWood.green() - open.green()) * wood;
                const double b = open.blue() + (kWood.blue() - open.blue()) * wood;
                row[3 * x] = static_cast<uchar>(Clamp255(r * light + texture));
                row[3 * x + 1] = static_cast<uchar>(Clamp255(g * light + texture));
                row[3 * x + 2] = static_cast<uchar>(Clamp255(b * light + texture * 0.8));
            }
        }
    }

    bool InLakeBox(int x, int y) const {
        const double reach = lake_.radius * 1.6;
        return lake_.radius > 0 && std::abs(x - lake_.centre.x()) < reach &&
               std::abs(y - lake_.centre.y()) < reach;
    }

    QPainterPath OutsideLake() const {
        QPainterPath path;
        path.setFillRule(Qt::OddEvenFill);
        path.addRect(QRectF(-10, -10, width_ + 20, height_ + 20));
        if (lake_.radius > 0)
            path.addPolygon(lake_.Outline(1.0));
        return path;
    }

    void PaintContours(QPainter& painter) {
        const auto [low, high] =
            std::minmax_element(terrain_.values.begin(), terrain_.values.end());
        std::vector<double> levels;
        for (double level = std::ceil(*low / kContourInterval) * kContourInterval; level < *high;
             level += kContourInterval)
            levels.push_back(level);
        const std::vector<std::vector<QLineF>> lines = TraceLevels(terrain_, levels);

        painter.save();
        painter.setClipPath(OutsideLake());
        for (size_t i = 0; i < levels.size(); ++i) {
            const bool index = std::lround(levels[i]) % 50 == 0;
            painter.setPen(QPen(index ? kIndexContour : kContour, index ? 1.6 : 0.9, Qt::SolidLine,
                                Qt::RoundCap));
            painter.drawLines(lines[i].data(), static_cast<int>(lines[i].size()));
        }
        painter.restore();

        // Heights written along some index contours.
        std::vector<QPointF> placed;
        const int wanted = std::max(2, static_cast<int>(std::lround(area_ * 14)));
        const QFont font = MapFont(10);
        for (int attempt = 0; attempt < wanted * 30 && static_cast<int>(placed.size()) < wanted;
             ++attempt) {
            const size_t i =
                static_cast<size_t>(random_.Int(0, static_cast<int>(levels.size()) - 1));
            if (std::lround(levels[i]) % 50 != 0 || lines[i].size() < 20)
                continue;
            const QLineF& line =
                lines[i]
                     [static_cast<size_t>(random_.Int(0, static_cast<int>(lines[i].size()) - 1))];
            const QPointF at = line.center();
            if (!Inside(at, 15) || lake_.Contains(at, 15))
                continue;
            if (std::any_of(placed.begin(), placed.end(),
                            [&](QPointF p) { return Distance(p, at) < 110; }))
                continue;
            placed.push_back(at);
            DrawLabel(painter, QString::number(std::lround(levels[i])), font, at,
                      ReadableAngle(-line.angle()), kIndexContour, kPaper, 3);
        }
    }

    void PaintWoods(QPainter& painter) {
        const std::vector<std::vector<QLineF>> fieldEdges = TraceLevels(fields_, {kFieldThreshold});
        painter.setPen(QPen(kFieldEdge, 0.7));
        painter.drawLines(fieldEdges[0].data(), static_cast<int>(fieldEdges[0].size()));
        const std::vector<std::vector<QLineF>> edges = TraceLevels(woods_, {kWoodsThreshold});
        painter.setPen(QPen(kWoodEdge, 0.8));
        painter.drawLines(edges[0].data(), static_cast<int>(edges[0].size()));

        constexpr int kCell = 12;
        for (int gy = 0; gy * kCell < height_; ++gy) {
            for (int gx = 0; gx * kCell < width_; ++gx) {
                const QPointF p(gx * kCell + random_.Range(2, 10),
                                gy * kCell + random_.Range(2, 10));
                const bool conifer = random_.Chance(0.4);
                const double size = random_.Range(1.8, 2.7);
                const bool lone = random_.Chance(0.06);
                if (woods_.At(p.x(), p.y()) < kWoodsThreshold + 0.012) {
                    // Now and then a lone tree or bush in open land.
                    if (lone && !lake_.Contains(p, 4)) {
                        painter.setPen(QPen(kTree, 0.9));
                        painter.setBrush(conifer ? QBrush(kTree) : QBrush(Qt::NoBrush));
                        painter.drawEllipse(p, size * 0.9, size * 0.9);
                    }
                    continue;
                }
                if (conifer) {
                    painter.setPen(Qt::NoPen);
                    painter.setBrush(kTree);
                    const QPointF points[3] = {p + QPointF(0, -size * 1.4), p + QPointF(size, size),
                                               p + QPointF(-size, size)};
                    painter.drawPolygon(points, 3);
                } else {
                    painter.setPen(QPen(kTree, 0.9));
                    painter.setBrush(Qt::NoBrush);
                    painter.drawEllipse(p, size, size);
                }
            }
        }
        painter.setBrush(Qt::NoBrush);
    }

    void PaintRivers(QPainter& painter) {
        painter.save();
        painter.setClipPath(OutsideLake());
        painter.setPen(QPen(kWaterLine, 1.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        for (const Polyline& stream : streams_)
            painter.drawPath(PathOf(stream));
        // Outline first, then the water: the width grows downstream piece by piece.
        for (int pass = 0; pass < 2; ++pass) {
            for (const River& river : rivers_) {
                const size_t n = river.line.size();
                for (size_t i = 0; i + 1 < n; ++i) {
                    const double t = static_cast<double>(i) / static_cast<double>(n);
                    const double width = river.startWidth + (river.endWidth - river.startWidth) * t;
                    painter.setPen(QPen(pass == 0 ? kWaterLine : kWater,
                                        pass == 0 ? width + 1.8 : width, Qt::SolidLine,
                                        Qt::RoundCap));
                    painter.drawLine(river.line[i], river.line[i + 1]);
                }
            }
        }
        painter.restore();
    }

    void PaintLake(QPainter& painter) {
        if (lake_.radius <= 0)
            return;
        // Lines along the shore, further apart towards open water, as engraved maps show it.
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(kDepthLine, 0.7));
        for (double inset : {4.0, 8.5, 14.0, 21.0})
            painter.drawPolygon(lake_.Outline(1 - inset / lake_.radius));
        const QFont font = MapFont(9);
        int depth = 0;
        for (double scale : {0.7, 0.52, 0.36, 0.2}) {
            painter.setPen(QPen(kWaterLine, 0.8));
            painter.drawPolygon(lake_.Outline(scale));
            depth += random_.Int(3, 6);
            const double angle = random_.Range(0, 2 * kPi);
            const QPointF middle = lake_.centre + lake_.deepest * (1 - scale);
            const QPointF at =
                middle + QPointF(std::cos(angle), std::sin(angle)) * lake_.RadiusAt(angle) * scale;
            DrawLabel(painter, QString::number(depth), font, at, 0, kWaterLine, kWater, 2.5);
        }
        painter.setPen(QPen(kWaterLine, 1.5));
        painter.drawPolygon(lake_.Outline(1.0));
        PaintIslet(painter);
        // Rocks just off the shore.
        painter.setPen(QPen(kInk, 1.0));
        for (int i = 0; i < 7; ++i) {
            const double angle = random_.Range(0, 2 * kPi);
            const double r = lake_.RadiusAt(angle) * random_.Range(0.6, 0.92);
            const QPointF at = lake_.centre + QPointF(std::cos(angle), std::sin(angle)) * r;
            painter.drawLine(at + QPointF(-2.5, 0), at + QPointF(2.5, 0));
            painter.drawLine(at + QPointF(0, -2.5), at + QPointF(0, 2.5));
        }

        // Marsh along part of the shore.
        painter.setPen(QPen(kWaterLine, 1.0));
        const double from = random_.Range(0, 2 * kPi);
        for (int i = 0; i < 45; ++i) {
            const double angle = from + random_.Range(0, 2.2);
            const double r = lake_.RadiusAt(angle) + random_.Range(10, 55);
            const QPointF p = lake_.centre + QPointF(std::cos(angle), std::sin(angle)) * r;
            if (woods_.At(p.x(), p.y()) > kWoodsThreshold)
                continue;
            for (int k = 0; k < 3; ++k) {
                const double half = 4.5 - 1.3 * k;
                painter.drawLine(p + QPointF(-half, 3.0 * k), p + QPointF(half, 3.0 * k));
            }
        }
    }

    // A small wooded island somewhere between the centre and the shore.
    void PaintIslet(QPainter& painter) {
        const double angle = random_.Range(0, 2 * kPi);
        const QPointF centre = lake_.centre + QPointF(std::cos(angle), std::sin(angle)) *
                                                  lake_.RadiusAt(angle) * random_.Range(0.35, 0.55);
        const double radius = lake_.radius * random_.Range(0.1, 0.16);
        QPolygonF outline;
        const double phase = random_.Range(0, 2 * kPi);
        for (int i = 0; i < 48; ++i) {
            const double a = 2 * kPi * i / 48;
            const double r = radius * (1 + 0.25 * std::sin(3 * a + phase) + 0.1 * std::sin(7 * a));
            outline << centre + QPointF(std::cos(a) * r * 1.4, std::sin(a) * r);
        }
        painter.setPen(QPen(kWaterLine, 1.2));
        painter.setBrush(kWood);
        painter.drawPolygon(outline);
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(kTree, 0.9));
        for (int i = 0; i < 12; ++i) {
            const QPointF at = centre + QPointF(random_.Range(-1.1, 1.1) * radius,
                                                random_.Range(-0.7, 0.7) * radius);
            if (outline.containsPoint(at, Qt::OddEvenFill))
                painter.drawEllipse(at, 2.2, 2.2);
        }
    }

    void PaintRoads(QPainter& painter) {
        auto widths = [](RoadKind kind) -> std::pair<double, double> {
            switch (kind) {
                case RoadKind::Main:
                    return {7.5, 5.0};
                case RoadKind::Secondary:
                    return {6.2, 3.8};
                default:
                    return {4.0, 2.2};
            }
        };
        auto fill = [](RoadKind kind) {
            return kind == RoadKind::Main        ? kMainRoad
                   : kind == RoadKind::Secondary ? kSecondaryRoad
                                                 : kMinorRoad;
        };
        QPen track(kTrack, 1.2, Qt::CustomDashLine, Qt::FlatCap, Qt::RoundJoin);
        track.setDashPattern({5, 3});
        painter.setPen(track);
        for (const Road& road : roads_) {
            if (road.kind == RoadKind::Track)
                painter.drawPath(PathOf(road.line));
        }
        // All casings before any filling, so that crossings join cleanly; larger roads on top.
        for (int pass = 0; pass < 2; ++pass) {
            for (RoadKind kind : {RoadKind::Minor, RoadKind::Secondary, RoadKind::Main}) {
                for (const Road& road : roads_) {
                    if (road.kind != kind)
                        continue;
                    const auto [casing, inner] = widths(kind);
                    painter.setPen(QPen(pass == 0 ? kCasing : fill(kind),
                                        pass == 0 ? casing : inner, Qt::SolidLine, Qt::RoundCap,
                                        Qt::RoundJoin));
                    painter.drawPath(PathOf(road.line));
                }
            }
        }
    }

    void PaintRailway(QPainter& painter) {
        const QPainterPath path = PathOf(railway_);
        painter.setPen(QPen(kInk, 3.4, Qt::SolidLine, Qt::FlatCap, Qt::RoundJoin));
        painter.drawPath(path);
        QPen dashes(Qt::white, 1.6, Qt::CustomDashLine, Qt::FlatCap, Qt::RoundJoin);
        dashes.setDashPattern({5, 5});
        painter.setPen(dashes);
        painter.drawPath(path);
    }

    void PaintPowerLine(QPainter& painter) {
        if (powerLine_.empty())
            return;
        painter.setPen(QPen(kPowerLine, 0.9));
        painter.drawPolyline(powerLine_.data(), static_cast<int>(powerLine_.size()));
        painter.setBrush(kPowerLine);
        for (size_t i = 0; i + 1 < powerLine_.size(); ++i) {
            const double span = Distance(powerLine_[i], powerLine_[i + 1]);
            for (double d = 0; d < span; d += 64) {
                const QPointF at = powerLine_[i] + (powerLine_[i + 1] - powerLine_[i]) * (d / span);
                painter.drawRect(QRectF(at - QPointF(1.8, 1.8), QSizeF(3.6, 3.6)));
            }
        }
        painter.setBrush(Qt::NoBrush);
    }

    void PaintFarms(QPainter& painter) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(kBuilding);
        for (const Village& farm : farms_) {
            const int buildings = random_.Int(2, 4);
            for (int i = 0; i < buildings; ++i) {
                const QPointF at =
                    farm.centre + QPointF(random_.Range(-9, 9), random_.Range(-7, 7));
                const double w = random_.Range(4, 8);
                const double h = random_.Range(3, 5);
                painter.save();
                painter.translate(at);
                painter.rotate(farm.angle + (i % 2) * 90);
                painter.drawRect(QRectF(-w / 2, -h / 2, w, h));
                painter.restore();
            }
        }
        painter.setBrush(Qt::NoBrush);
    }

    void PaintVillages(QPainter& painter) {
        PaintFarms(painter);
        for (const Village& village : villages_) {
            const double a = village.angle * kPi / 180;
            const QPointF along(std::cos(a), std::sin(a));
            const QPointF across(-along.y(), along.x());
            const int buildings = 6 + village.size * 7 + random_.Int(0, 6);
            painter.setPen(Qt::NoPen);
            painter.setBrush(kBuilding);
            for (int i = 0; i < buildings; ++i) {
                const double u = random_.Range(-1, 1) * (22 + 12 * village.size);
                const double side = random_.Chance(0.5) ? 1 : -1;
                const double v = side * random_.Range(7, 13 + 8 * village.size);
                const double w = random_.Range(4, 8.5);
                const double h = random_.Range(3, 6);
                const double turn = random_.Range(-8, 8);
                const QPointF at = village.centre + along * u + across * v;
                if (lake_.Contains(at, 4))
                    continue;
                painter.save();
                painter.translate(at);
                painter.rotate(village.angle + turn);
                painter.drawRect(QRectF(-w / 2, -h / 2, w, h));
                painter.restore();
            }
            if (village.church) {
                const QPointF at = village.centre + along * random_.Range(-12, 12) + across * 14;
                painter.setBrush(kInk);
                painter.drawEllipse(at, 2.6, 2.6);
                painter.setPen(QPen(kInk, 1.3));
                painter.drawLine(at, at + QPointF(0, -8));
                painter.drawLine(at + QPointF(-3, -5.5), at + QPointF(3, -5.5));
            }
        }
        painter.setBrush(Qt::NoBrush);
    }

    // Follows the terrain uphill from a point to the top.
    QPoint Summit(QPointF start) const {
        int column =
            std::clamp(static_cast<int>(start.x() / terrain_.step), 1, terrain_.columns - 2);
        int row = std::clamp(static_cast<int>(start.y() / terrain_.step), 1, terrain_.rows - 2);
        for (int step = 0; step < 2000; ++step) {
            int bestColumn = column, bestRow = row;
            for (int dy = -1; dy <= 1; ++dy) {
                for (int dx = -1; dx <= 1; ++dx) {
                    const int c = std::clamp(column + dx, 0, terrain_.columns - 1);
                    const int r = std::clamp(row + dy, 0, terrain_.rows - 1);
                    if (terrain_.Value(c, r) > terrain_.Value(bestColumn, bestRow)) {
                        bestColumn = c;
                        bestRow = r;
                    }
                }
            }
            if (bestColumn == column && bestRow == row)
                break;
            column = bestColumn;
            row = bestRow;
        }
        return QPoint(column * terrain_.step, row * terrain_.step);
    }

    void PaintHeights(QPainter& painter) {
        const QFont number = MapFont(10);
        const QFont name = MapFont(11, false, true);
        std::vector<QPoint> summits;
        int named = 0;
        for (const Hill& hill : hills_) {
            if (hill.height < 110 || !Inside(hill.centre, 25))
                continue;
            const QPoint top = Summit(hill.centre);
            if (!Inside(top, 25) || lake_.Contains(top, 20) ||
                std::any_of(summits.begin(), summits.end(),
                            [&](QPoint p) { return Distance(p, top) < 60; }))
                continue;
            summits.push_back(top);
            painter.setPen(Qt::NoPen);
            painter.setBrush(kInk);
            const QPointF triangle[3] = {top + QPointF(0, -5), top + QPointF(4.5, 3.5),
                                         top + QPointF(-4.5, 3.5)};
            painter.drawPolygon(triangle, 3);
            const double metres = terrain_.Value(top.x() / terrain_.step, top.y() / terrain_.step);
            DrawLabel(painter, QString::number(std::lround(metres)), number, top + QPointF(18, -1),
                      0, kInk, kHalo, 2.5);
            if (named < kHillNames.size()) {
                DrawLabel(painter, kHillNames[named++], name, top + QPointF(0, 14), 0, kInk, kHalo,
                          2.5);
            }
        }
        painter.setBrush(Qt::NoBrush);

        const int spots = std::max(1, static_cast<int>(std::lround(area_ * 6)));
        for (int i = 0; i < spots; ++i) {
            const QPointF at = RandomPoint(20);
            if (lake_.Contains(at, 10))
                continue;
            painter.setPen(Qt::NoPen);
            painter.setBrush(kInk);
            painter.drawEllipse(at, 1.6, 1.6);
            DrawLabel(painter, QString::number(std::lround(terrain_.At(at.x(), at.y()))), number,
                      at + QPointF(13, 0), 0, kInk, kHalo, 2.0);
        }
        painter.setBrush(Qt::NoBrush);
    }

    void PaintGrid(QPainter& painter) {
        const int originX = random_.Int(20, kGridSpacing - 20);
        const int originY = random_.Int(20, kGridSpacing - 20);
        const int easting = random_.Int(310, 680);
        const int northing = random_.Int(6100, 6900);
        painter.setPen(QPen(kGrid, 1.0));
        const QFont font = MapFont(9);
        const QColor ink(36, 64, 150);
        for (int k = 0; originX + k * kGridSpacing < width_; ++k) {
            const double x = originX + k * kGridSpacing + 0.5;
            painter.drawLine(QPointF(x, 0), QPointF(x, height_));
            DrawLabel(painter, QString::number(easting + k), font, QPointF(x + 11, 8), 0, ink,
                      kHalo, 2);
        }
        for (int k = 0; originY + k * kGridSpacing < height_; ++k) {
            const double y = originY + k * kGridSpacing + 0.5;
            painter.drawLine(QPointF(0, y), QPointF(width_, y));
            DrawLabel(painter, QString::number(northing - k), font, QPointF(16, y - 7), 0, ink,
                      kHalo, 2);
        }
    }

    void PaintNames(QPainter& painter) {
        for (const Village& village : villages_) {
            const double a = village.angle * kPi / 180;
            QPointF across(-std::sin(a), std::cos(a));
            if (across.y() > 0)
                across = -across;  // names above their road
            const QPointF at = village.centre + across * (30 + 9 * village.size);
            DrawLabel(painter, village.name, MapFont(11 + 2 * village.size, village.size >= 2), at,
                      0, kInk, kHalo, 3);
        }
        const QColor waterInk(30, 84, 170);
        if (lake_.radius > 0) {
            DrawLabel(painter, QStringLiteral("Marrsjön"), MapFont(14, false, true),
                      lake_.centre + lake_.deepest * 0.4, 0, waterInk, kWater, 2);
        }
        const Polyline& river = rivers_.front().line;
        const size_t middle = river.size() / 2;
        if (middle > 0) {
            const double angle = ReadableAngle(CurveAngle(river, middle));
            const double a = angle * kPi / 180;
            const QPointF at = river[middle] + QPointF(std::sin(a), -std::cos(a)) * 12;
            DrawLabel(painter, QStringLiteral("Lindå"), MapFont(12, false, true), at, angle,
                      waterInk, kHalo, 2);
        }
    }

    int width_;
    int height_;
    double area_;  // millions of pixels: feature counts grow with it
    DemoRandom random_;
    Lake lake_;
    std::vector<Hill> hills_;
    SampleGrid terrain_;
    SampleGrid woods_;
    SampleGrid fields_;
    std::vector<River> rivers_;
    std::vector<Polyline> streams_;
    std::vector<Road> roads_;
    Polyline railway_;
    std::vector<Village> villages_;
    std::vector<Village> farms_;
    Polyline powerLine_;
};

}  // namespace

QImage DrawDemoMap(int width, int height, uint32_t seed) {
    if (width < kDemoMapMinSide || height < kDemoMapMinSide || width > kDemoMapMaxSide ||
        height > kDemoMapMaxSide || int64_t{width} * height > kDemoMapMaxPixels)
        return QImage();
    return DemoMapMaker(width, height, seed).Make();
}

}  // namespace korvalen
