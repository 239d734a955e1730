#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

namespace korvalen {

// Random numbers taken straight from the engine's raw output: the distributions of the
// standard library differ between implementations, mt19937 itself does not, so a seed gives
// the same demo map everywhere.
class DemoRandom {
public:
    explicit DemoRandom(uint32_t seed) : engine_(seed) {}

    // Uniform in [0, 1).
    double Unit() { return engine_() / 4294967296.0; }
    double Range(double low, double high) { return low + (high - low) * Unit(); }
    // Uniform whole number in [low, high].
    int Int(int low, int high) {
        if (high <= low)
            return low;
        const uint64_t span = static_cast<uint64_t>(high - low) + 1;
        return low + static_cast<int>(engine_() % span);
    }
    bool Chance(double probability) { return Unit() < probability; }

private:
    std::mt19937 engine_;
};

// Smooth random field in [0, 1): random values on a lattice `cell` pixels apart, blended
// with a smooth step so that no lattice lines show.
class ValueNoise {
public:
    ValueNoise(int width, int height, double cell, DemoRandom& random)
        : cell_(std::max(cell, 1.0)),
          columns_(static_cast<int>(width / cell_) + 3),
          rows_(static_cast<int>(height / cell_) + 3),
          values_(static_cast<size_t>(columns_) * static_cast<size_t>(rows_)) {
        for (double& v : values_)
            v = random.Unit();
    }

    double At(double x, double y) const {
        const double fx = std::clamp(x / cell_, 0.0, columns_ - 2.0);
        const double fy = std::clamp(y / cell_, 0.0, rows_ - 2.0);
        const int ix = std::min(static_cast<int>(fx), columns_ - 2);
        const int iy = std::min(static_cast<int>(fy), rows_ - 2);
        const double tx = Smooth(fx - ix);
        const double ty = Smooth(fy - iy);
        const double top = Lerp(Value(ix, iy), Value(ix + 1, iy), tx);
        const double bottom = Lerp(Value(ix, iy + 1), Value(ix + 1, iy + 1), tx);
        return Lerp(top, bottom, ty);
    }

private:
    static double Smooth(double t) { return t * t * (3.0 - 2.0 * t); }
    static double Lerp(double a, double b, double t) { return a + (b - a) * t; }
    double Value(int x, int y) const {
        return values_[static_cast<size_t>(y) * static_cast<size_t>(columns_) +
                       static_cast<size_t>(x)];
    }

    double cell_;
    int columns_;
    int rows_;
    std::vector<double> values_;
};

}  // namespace korvalen
