#include "demo/DemoGeometry.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace korvalen {

SampleGrid SampleGrid::Sample(int width, int height, int step,
                              const std::function<double(double, double)>& value) {
    SampleGrid grid;
    grid.step = std::max(step, 1);
    grid.columns = width / grid.step + 2;
    grid.rows = height / grid.step + 2;
    grid.values.resize(static_cast<size_t>(grid.columns) * static_cast<size_t>(grid.rows));
    for (int row = 0; row < grid.rows; ++row) {
        for (int column = 0; column < grid.columns; ++column) {
            grid.values[static_cast<size_t>(row) * static_cast<size_t>(grid.columns) +
                        static_cast<size_t>(column)] =
                static_cast<float>(value(column * grid.step, row * grid.step));
        }
    }
    return grid;
}

double SampleGrid::At(double x, double y) const {
    const double fx = std::clamp(x / step, 0.0, columns - 1.001);
    const double fy = std::clamp(y / step, 0.0, rows - 1.001);
    const int ix = static_cast<int>(fx);
    const int iy = static_cast<int>(fy);
    const double tx = fx - ix;
    const double ty = fy - iy;
    const double top = Value(ix, iy) + (Value(ix + 1, iy) - Value(ix, iy)) * tx;
    const double bottom = Value(ix, iy + 1) + (Value(ix + 1, iy + 1) - Value(ix, iy + 1)) * tx;
    return top + (bottom - top) * ty;
}

namespace {

// Corners of a grid cell in the order top-left, top-right, bottom-right, bottom-left; edge k
// joins corner k and corner k + 1.
QPointF EdgeCrossing(const std::array<QPointF, 4>& corner, const std::array<double, 4>& value,
                     int edge, double level) {
    const int a = edge;
    const int b = (edge + 1) % 4;
    const double t = (level - value[a]) / (value[b] - value[a]);
    return corner[a] + (corner[b] - corner[a]) * t;
}

void TraceCell(const std::array<QPointF, 4>& corner, const std::array<double, 4>& value,
               double level, std::vector<QLineF>& lines) {
    std::array<int, 4> crossed{};
    int count = 0;
    for (int edge = 0; edge < 4; ++edge) {
        if ((value[edge] > level) != (value[(edge + 1) % 4] > level))
            crossed[count++] = edge;
    }
    auto add = [&](int e1, int e2) {
        lines.emplace_back(EdgeCrossing(corner, value, e1, level),
                           EdgeCrossing(corner, value, e2, level));
    };
    if (count == 2) {
        add(crossed[0], crossed[1]);
    } else if (count == 4) {
        // A saddle: the cell's mean tells which pair of opposite corners is connected.
        const double centre = (value[0] + value[1] + value[2] + value[3]) / 4;
        const bool centreAbove = centre > level;
        if (centreAbove == (value[0] > level)) {
            add(0, 1);  // corner 1 cut off
            add(2, 3);  // corner 3 cut off
        } else {
            add(3, 0);  // corner 0 cut off
            add(1, 2);  // corner 2 cut off
        }
    }
}

}  // namespace

std::vector<std::vector<QLineF>> TraceLevels(const SampleGrid& grid,
                                             const std::vector<double>& levels) {
    std::vector<std::vector<QLineF>> result(levels.size());
    for (int row = 0; row + 1 < grid.rows; ++row) {
        for (int column = 0; column + 1 < grid.columns; ++column) {
            const std::array<double, 4> value{grid.Value(column, row), grid.Value(column + 1, row),
                                              grid.Value(column + 1, row + 1),
                                              grid.Value(column, row + 1)};
            const auto [low, high] = std::minmax_element(value.begin(), value.end());
            const double x = column * grid.step;
            const double y = row * grid.step;
            const std::array<QPointF, 4> corner{QPointF(x, y), QPointF(x + grid.step, y),
                                                QPointF(x + grid.step, y + grid.step),
                                                QPointF(x, y + grid.step)};
            for (size_t i = 0; i < levels.size(); ++i) {
                if (levels[i] >= *low && levels[i] < *high)
                    TraceCell(corner, value, levels[i], result[i]);
            }
        }
    }
    return result;
}

double Distance(QPointF a, QPointF b) {
    return std::hypot(a.x() - b.x(), a.y() - b.y());
}

Polyline SmoothCurve(const Polyline& through, double spacing) {
    if (through.size() < 2)
        return through;
    Polyline curve;
    const size_t last = through.size() - 1;
    for (size_t i = 0; i < last; ++i) {
        const QPointF p0 = through[i == 0 ? 0 : i - 1];
        const QPointF p1 = through[i];
        const QPointF p2 = through[i + 1];
        const QPointF p3 = through[std::min(i + 2, last)];
        const int samples = std::max(2, static_cast<int>(Distance(p1, p2) / spacing));
        for (int s = 0; s < samples; ++s) {
            const double t = static_cast<double>(s) / samples;
            const double t2 = t * t;
            const double t3 = t2 * t;
            curve.push_back(0.5 * (2 * p1 + (p2 - p0) * t + (2 * p0 - 5 * p1 + 4 * p2 - p3) * t2 +
                                   (3 * p1 - p0 - 3 * p2 + p3) * t3));
        }
    }
    curve.push_back(through.back());
    return curve;
}

Polyline WindingCurve(QPointF from, QPointF to, double wiggle, double controlSpacing,
                      DemoRandom& random) {
    const double length = Distance(from, to);
    if (length < 1.0)
        return {from, to};
    const QPointF along = (to - from) / length;
    const QPointF side(-along.y(), along.x());
    const int pieces = std::max(2, static_cast<int>(length / std::max(controlSpacing, 10.0)));
    Polyline controls{from};
    double offset = 0;
    for (int i = 1; i < pieces; ++i) {
        const double t = static_cast<double>(i) / pieces;
        // Half of the previous offset carries over, so bends come in runs, not in zigzags.
        offset = offset * 0.5 + random.Range(-wiggle, wiggle);
        const double shift = random.Range(-0.15, 0.15) * controlSpacing;
        controls.push_back(from + (to - from) * t + side * offset + along * shift);
    }
    controls.push_back(to);
    return SmoothCurve(controls, 3.0);
}

QPointF NearestOnCurve(const Polyline& curve, QPointF p, size_t* index) {
    QPointF best = curve.empty() ? p : curve.front();
    double bestDistance = Distance(best, p);
    size_t bestIndex = 0;
    for (size_t i = 0; i + 1 < curve.size(); ++i) {
        const QPointF a = curve[i];
        const QPointF d = curve[i + 1] - a;
        const double lengthSquared = QPointF::dotProduct(d, d);
        const double t = lengthSquared > 0
                             ? std::clamp(QPointF::dotProduct(p - a, d) / lengthSquared, 0.0, 1.0)
                             : 0.0;
        const QPointF q = a + d * t;
        const double distance = Distance(q, p);
        if (distance < bestDistance) {
            best = q;
            bestDistance = distance;
            bestIndex = i;
        }
    }
    if (index)
        *index = bestIndex;
    return best;
}

double CurveAngle(const Polyline& curve, size_t index) {
    if (curve.size() < 2)
        return 0;
    const size_t i = std::min(index, curve.size() - 2);
    const QPointF d = curve[i + 1] - curve[i];
    return std::atan2(d.y(), d.x()) * 180.0 / 3.14159265358979323846;
}

}  // namespace korvalen
