#pragma once

#include <QLineF>
#include <QPointF>
#include <functional>
#include <vector>

#include "demo/DemoRandom.h"

namespace korvalen {

using Polyline = std::vector<QPointF>;

// Values sampled every `step` pixels over a picture, read back between samples linearly.
struct SampleGrid {
    int step = 2;
    int columns = 0;
    int rows = 0;
    std::vector<float> values;

    // Fills the grid with value(x, y) at every sample point.
    static SampleGrid Sample(int width, int height, int step,
                             const std::function<double(double, double)>& value);
    float Value(int column, int row) const {
        return values[static_cast<size_t>(row) * static_cast<size_t>(columns) +
                      static_cast<size_t>(column)];
    }
    double At(double x, double y) const;
};

// Lines where the grid crosses each level, one list per level (marching squares).
std::vector<std::vector<QLineF>> TraceLevels(const SampleGrid& grid,
                                             const std::vector<double>& levels);

// A smooth curve through the points (Catmull-Rom), sampled about `spacing` pixels apart.
Polyline SmoothCurve(const Polyline& through, double spacing);

// A winding curve from one point to another: control points every `controlSpacing` pixels
// pushed sideways by up to `wiggle`, then smoothed.
Polyline WindingCurve(QPointF from, QPointF to, double wiggle, double controlSpacing,
                      DemoRandom& random);

// The point of the curve nearest to p and the index of the sample before it.
QPointF NearestOnCurve(const Polyline& curve, QPointF p, size_t* index = nullptr);
// Direction of the curve at a sample, in degrees as QPainter rotates.
double CurveAngle(const Polyline& curve, size_t index);
double Distance(QPointF a, QPointF b);

}  // namespace korvalen
