#include "joining/OverlapEstimate.h"

#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <mutex>
#include <vector>

#include "joining/Brightness.h"

namespace korvalen {
namespace {

// Larger pictures are averaged down to at most this size first: the estimate only has to bring
// the ring search near the place (within the reduction factor), and the FFT grows with the map.
constexpr int kMaxEstimateSide = 320;
// Below this brightness variance a shared area is blank paper and says nothing.
constexpr double kMinVariance = 4.0;
constexpr int64_t kMinSharedPixels = 64;

// The planner of the FFT library is not reentrant.
std::mutex& PlannerMutex() {
    static std::mutex mutex;
    return mutex;
}

struct FftwFree {
    void operator()(void* p) const { fftw_free(p); }
};
template <typename T>
using FftwBuffer = std::unique_ptr<T[], FftwFree>;

template <typename T>
FftwBuffer<T> Allocate(size_t count) {
    return FftwBuffer<T>(static_cast<T*>(fftw_malloc(sizeof(T) * count)));
}

// The smallest size of at least n whose only prime factors are 2, 3, 5 and 7, which the FFT
// handles fastest.
int FftSize(int n) {
    for (int m = std::max(n, 1);; ++m) {
        int r = m;
        for (int p : {2, 3, 5, 7})
            while (r % p == 0)
                r /= p;
        if (r == 1)
            return m;
    }
}

// A brightness picture as doubles, averaged down by factor.
struct Plane {
    int width = 0, height = 0;
    std::vector<double> v;
    double At(int x, int y) const { return v[static_cast<size_t>(y) * width + x]; }
};

Plane ReducedPlane(const BrightnessPlane& source, int factor) {
    Plane plane;
    plane.width = source.width / factor;
    plane.height = source.height / factor;
    plane.v.assign(static_cast<size_t>(plane.width) * plane.height, 0.0);
    const double scale = 1.0 / (factor * factor);
    for (int y = 0; y < plane.height; ++y) {
        for (int x = 0; x < plane.width; ++x) {
            double sum = 0;
            for (int j = 0; j < factor; ++j)
                for (int i = 0; i < factor; ++i)
                    sum += source.At(x * factor + i, y * factor + j);
            plane.v[static_cast<size_t>(y) * plane.width + x] = sum * scale;
        }
    }
    return plane;
}

// Sums of values and of their squares over any rectangle.
class AreaSums {
public:
    explicit AreaSums(const Plane& p) : w_(p.width + 1) {
        sum_.assign(static_cast<size_t>(w_) * (p.height + 1), 0.0);
        squares_ = sum_;
        for (int y = 0; y < p.height; ++y) {
            double row = 0, rowSquares = 0;
            for (int x = 0; x < p.width; ++x) {
                const double v = p.At(x, y);
                row += v;
                rowSquares += v * v;
                sum_[Index(x + 1, y + 1)] = sum_[Index(x + 1, y)] + row;
                squares_[Index(x + 1, y + 1)] = squares_[Index(x + 1, y)] + rowSquares;
            }
        }
    }
    // [x0, x1) x [y0, y1)
    double Sum(int x0, int y0, int x1, int y1) const { return Of(sum_, x0, y0, x1, y1); }
    double Squares(int x0, int y0, int x1, int y1) const { return Of(squares_, x0, y0, x1, y1); }

private:
    size_t Index(int x, int y) const { return static_cast<size_t>(y) * w_ + x; }
    double Of(const std::vector<double>& t, int x0, int y0, int x1, int y1) const {
        return t[Index(x1, y1)] - t[Index(x0, y1)] - t[Index(x1, y0)] + t[Index(x0, y0)];
    }
    int w_;
    std::vector<double> sum_, squares_;
};

// Circular cross-correlation C[k] = sum over x of n[x] t[x + k], on a padWidth x padHeight
// grid; element (kx mod padWidth, ky mod padHeight).
std::vector<double> CrossCorrelation(const Plane& t, const Plane& n, int padWidth, int padHeight) {
    const size_t real = static_cast<size_t>(padWidth) * padHeight;
    const int halfWidth = padWidth / 2 + 1;
    const size_t complex = static_cast<size_t>(padHeight) * halfWidth;
    FftwBuffer<double> in = Allocate<double>(real);
    FftwBuffer<fftw_complex> a = Allocate<fftw_complex>(complex);
    FftwBuffer<fftw_complex> b = Allocate<fftw_complex>(complex);
    std::vector<double> result(real, 0.0);
    if (!in || !a || !b)
        return {};
    fftw_plan forwardA, forwardB, backward;
    {
        std::lock_guard<std::mutex> lock(PlannerMutex());
        forwardA = fftw_plan_dft_r2c_2d(padHeight, padWidth, in.get(), a.get(), FFTW_ESTIMATE);
        forwardB = fftw_plan_dft_r2c_2d(padHeight, padWidth, in.get(), b.get(), FFTW_ESTIMATE);
        backward = fftw_plan_dft_c2r_2d(padHeight, padWidth, a.get(), in.get(), FFTW_ESTIMATE);
    }
    auto load = [&](const Plane& p) {
        std::fill(in.get(), in.get() + real, 0.0);
        for (int y = 0; y < p.height; ++y)
            std::copy_n(p.v.data() + static_cast<size_t>(y) * p.width, p.width,
                        in.get() + static_cast<size_t>(y) * padWidth);
    };
    load(t);
    fftw_execute(forwardA);
    load(n);
    fftw_execute(forwardB);
    for (size_t i = 0; i < complex; ++i) {
        // a x conj(b)
        const double re = a[i][0] * b[i][0] + a[i][1] * b[i][1];
        const double im = a[i][1] * b[i][0] - a[i][0] * b[i][1];
        a[i][0] = re;
        a[i][1] = im;
    }
    fftw_execute(backward);
    const double scale = 1.0 / static_cast<double>(real);
    for (size_t i = 0; i < real; ++i)
        result[i] = in[i] * scale;
    {
        std::lock_guard<std::mutex> lock(PlannerMutex());
        fftw_destroy_plan(forwardA);
        fftw_destroy_plan(forwardB);
        fftw_destroy_plan(backward);
    }
    return result;
}

int FloorDiv(int a, int b) {
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

}  // namespace

OverlapEstimate EstimateOverlap(const Bitmap& target, const Bitmap& newHalf,
                                const PositionRange& offsets) {
    OverlapEstimate estimate;
    if (target.IsEmpty() || newHalf.IsEmpty() || offsets.Count() <= 0)
        return estimate;
    const int largest =
        std::max({target.Width(), target.Height(), newHalf.Width(), newHalf.Height()});
    const int factor = (largest + kMaxEstimateSide - 1) / kMaxEstimateSide;
    Plane t = ReducedPlane(BrightnessPlaneOf(target), factor);
    Plane n = ReducedPlane(BrightnessPlaneOf(newHalf), factor);
    if (t.width < 2 || t.height < 2 || n.width < 2 || n.height < 2)
        return estimate;
    // Centred values keep the sums small against the products they are subtracted from.
    for (Plane* p : {&t, &n}) {
        double mean = 0;
        for (double v : p->v)
            mean += v;
        mean /= static_cast<double>(p->v.size());
        for (double& v : p->v)
            v -= mean;
    }

    // Offsets in the reduced pictures, limited to those that share any pixel.
    const int kxMin = std::max(FloorDiv(offsets.left, factor), -(n.width - 1));
    const int kxMax = std::min(FloorDiv(offsets.right, factor), t.width - 1);
    const int kyMin = std::max(FloorDiv(offsets.top, factor), -(n.height - 1));
    const int kyMax = std::min(FloorDiv(offsets.bottom, factor), t.height - 1);
    if (kxMin > kxMax || kyMin > kyMax)
        return estimate;
    // No offset of the range may wrap around onto another.
    const int padWidth =
        FftSize(std::max(n.width + std::max(kxMax, 0), t.width - std::min(kxMin, 0)));
    const int padHeight =
        FftSize(std::max(n.height + std::max(kyMax, 0), t.height - std::min(kyMin, 0)));
    const std::vector<double> c = CrossCorrelation(t, n, padWidth, padHeight);
    if (c.empty())
        return estimate;

    const AreaSums tSums(t), nSums(n);
    const int64_t minShared =
        std::max<int64_t>(kMinSharedPixels / (factor * factor),
                          std::min(int64_t{t.width} * t.height, int64_t{n.width} * n.height) / 40);
    const int columns = kxMax - kxMin + 1;
    std::vector<double> scores(static_cast<size_t>(columns) * (kyMax - kyMin + 1), -2.0);
    auto scoreAt = [&](int kx, int ky) -> double& {
        return scores[static_cast<size_t>(ky - kyMin) * columns + (kx - kxMin)];
    };
    double best = -2.0;
    int bestX = 0, bestY = 0;
    for (int ky = kyMin; ky <= kyMax; ++ky) {
        const int y0 = std::max(0, -ky), y1 = std::min(n.height, t.height - ky);
        for (int kx = kxMin; kx <= kxMax; ++kx) {
            const int x0 = std::max(0, -kx), x1 = std::min(n.width, t.width - kx);
            const int64_t shared = int64_t{x1 - x0} * (y1 - y0);
            if (x1 <= x0 || y1 <= y0 || shared < minShared)
                continue;
            const double count = static_cast<double>(shared);
            const double sn = nSums.Sum(x0, y0, x1, y1);
            const double st = tSums.Sum(x0 + kx, y0 + ky, x1 + kx, y1 + ky);
            const double vn = nSums.Squares(x0, y0, x1, y1) - sn * sn / count;
            const double vt = tSums.Squares(x0 + kx, y0 + ky, x1 + kx, y1 + ky) - st * st / count;
            double score = 0;
            if (vn > kMinVariance * count && vt > kMinVariance * count) {
                const size_t index =
                    static_cast<size_t>((ky % padHeight + padHeight) % padHeight) * padWidth +
                    static_cast<size_t>((kx % padWidth + padWidth) % padWidth);
                score = (c[index] - sn * st / count) / std::sqrt(vn * vt);
            }
            scoreAt(kx, ky) = score;
            if (score > best) {
                best = score;
                bestX = kx;
                bestY = ky;
            }
        }
    }
    if (best < -1.5)
        return estimate;
    const int apart = std::max(1, (kRunnerUpDistance + factor) / factor);
    double runnerUp = -1.0;
    for (int ky = kyMin; ky <= kyMax; ++ky) {
        for (int kx = kxMin; kx <= kxMax; ++kx) {
            if (std::abs(kx - bestX) <= apart && std::abs(ky - bestY) <= apart)
                continue;
            runnerUp = std::max(runnerUp, scoreAt(kx, ky));
        }
    }
    estimate.valid = true;
    estimate.offset = {bestX * factor, bestY * factor};
    estimate.score = best;
    estimate.runnerUp = std::max(runnerUp, -1.0);
    estimate.distinct = best >= kDistinctScore && estimate.Margin() >= kDistinctMargin;
    return estimate;
}

PositionRange PlausibleOffsets(bool horizontal, int neighbourWidth, int neighbourHeight,
                               const Rect& targetRect) {
    const int along = horizontal ? neighbourWidth : neighbourHeight;
    const int across = horizontal ? neighbourHeight : neighbourWidth;
    const int start = horizontal ? targetRect.left : targetRect.top;
    const int minOverlap = std::max(6, along * 2 / 100);
    const int maxOverlap = along * 65 / 100;
    const int shift = across * 12 / 100;
    // The new map begins `overlap` before the neighbour's far edge.
    const int nearest = along - maxOverlap - start;
    const int farthest = along - minOverlap - start;
    if (horizontal)
        return {nearest, -shift, farthest, shift};
    return {-shift, nearest, shift, farthest};
}

}  // namespace korvalen
