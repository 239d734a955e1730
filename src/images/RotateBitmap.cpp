#include "images/RotateBitmap.h"

#include <algorithm>
#include <cstring>
#include <numbers>
#include <thread>
#include <vector>

#include "images/PixelConvert.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace korvalen {
namespace {

// The angle brought into [0, 360).
double NormalisedAngle(double angle) {
    angle = std::fmod(angle, 360.0);
    if (angle < 0)
        angle += 360.0;
    if (angle >= 360.0)
        angle = 0.0;
    return angle;
}

// Round half to even into an int, in the current (nearest) rounding mode of the FPU; the
// same result as RoundHalfEven without a library call in the inner loop.
inline int RoundToInt(double v) {
#if defined(__SSE2__)
    return _mm_cvtsd_si32(_mm_set_sd(v));
#else
    return static_cast<int>(std::nearbyint(v));
#endif
}

// Runs body(firstRow, endRow) over [0, rows) split between threads.
template <class Body>
void ForRowBands(int rows, int threads, Body body) {
    if (threads <= 0)
        threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    threads = std::clamp(threads, 1, std::max(1, rows / 64));
    if (threads == 1) {
        body(0, rows);
        return;
    }
    std::vector<std::thread> workers;
    workers.reserve(static_cast<size_t>(threads) - 1);
    const int band = (rows + threads - 1) / threads;
    for (int t = 1; t < threads; ++t) {
        const int first = t * band;
        const int end = std::min(rows, first + band);
        if (first < end)
            workers.emplace_back([=] { body(first, end); });
    }
    body(0, std::min(rows, band));
    for (auto& w : workers)
        w.join();
}

template <int Bytes>
inline void CopyPixel(uint8_t* dest, const uint8_t* src) {
    if constexpr (Bytes == 3) {
        dest[0] = src[0];
        dest[1] = src[1];
        dest[2] = src[2];
    } else {
        dest[0] = src[0];
    }
}

template <int Bytes>
inline void FillPixels(uint8_t* dest, int count, const uint8_t* value) {
    if constexpr (Bytes == 1) {
        std::memset(dest, value[0], static_cast<size_t>(count));
    } else {
        for (int i = 0; i < count; ++i, dest += 3)
            CopyPixel<3>(dest, value);
    }
}

// Below this sine a destination row reads runs of a source row long enough to copy whole.
constexpr double kRunSine = 0.125;

// Copies the columns x0..x1 of a destination row, whose sources all lie inside the map, in
// runs: as long as the source row stays the same and the source column moves by one per
// column, the pixels are one block of the source row. Each run is predicted from the unrounded
// positions and confirmed at its end with the exact rounding; because the source column moves
// by 0 or 1 (and the row by 0 or 1) per step, equal ends prove the whole run.
template <int Bytes>
void CopyRuns(const Bitmap& source, uint8_t* out, const std::vector<double>& xc,
              const std::vector<double>& xs, double ys, double yc, int sourceCx, int sourceCy,
              double s, double c, int x0, int x1) {
    const int dir = c > 0 ? 1 : -1;
    const double drift = 1.0 - std::fabs(c);  // how far the column lags behind one per step
    const double rowStep = std::fabs(s);
    int x = x0;
    while (x <= x1) {
        const double u = xc[static_cast<size_t>(x)] - ys;
        const double v = xs[static_cast<size_t>(x)] + yc;
        const int su = RoundToInt(u);
        const int sv = RoundToInt(v);
        // Steps until the row or the column rounding changes, less one for safety.
        const double toRow = s > 0 ? (sv + 0.5 - v) / rowStep : (v - (sv - 0.5)) / rowStep;
        const double e = (u - su) * dir;  // position within the rounding interval, forward
        const double toColumn = drift > 0 ? (e + 0.5) / drift : 1e18;
        int k = static_cast<int>(std::min({toRow, toColumn, double(x1 - x)})) - 1;
        k = std::max(k, 0);
        // Confirm the run's end exactly, shortening it until it holds.
        while (k > 0) {
            const size_t end = static_cast<size_t>(x + k);
            if (RoundToInt(xc[end] - ys) == su + dir * k && RoundToInt(xs[end] + yc) == sv)
                break;
            k /= 2;
        }
        const uint8_t* row = source.Row(sv + sourceCy);
        uint8_t* to = out + static_cast<size_t>(x) * Bytes;
        const int first = su + sourceCx;
        if (dir > 0) {
            std::memcpy(to, row + static_cast<size_t>(first) * Bytes,
                        static_cast<size_t>(k + 1) * Bytes);
        } else {
            const uint8_t* from = row + static_cast<size_t>(first) * Bytes;
            for (int i = 0; i <= k; ++i, to += Bytes, from -= Bytes)
                CopyPixel<Bytes>(to, from);
        }
        x += k + 1;
    }
}

// Exact turns by 90, 180 and 270 degrees: pure moves of pixels, no arithmetic.
template <int Bytes>
void TurnQuarter(const Bitmap& source, Bitmap& dest, int quarters, int threads) {
    const int w = source.Width();
    const int h = source.Height();
    if (quarters == 2) {
        ForRowBands(h, threads, [&](int first, int end) {
            for (int y = first; y < end; ++y) {
                uint8_t* out = dest.Row(y);
                if constexpr (Bytes == 1) {
                    std::reverse_copy(source.Row(h - 1 - y), source.Row(h - 1 - y) + w, out);
                } else {
                    const uint8_t* src = source.Row(h - 1 - y) + static_cast<size_t>(w - 1) * 3;
                    for (int x = 0; x < w; ++x, out += 3, src -= 3)
                        CopyPixel<3>(out, src);
                }
            }
        });
        return;
    }
    // 90 (counter-clockwise): dest(x, y) = source(w - 1 - y, x);
    // 270 (clockwise): dest(x, y) = source(y, h - 1 - x). Done in tiles that stay in cache.
    constexpr int kTile = 64;
    const int dw = dest.Width();
    const int dh = dest.Height();
    ForRowBands((dh + kTile - 1) / kTile, threads, [&](int firstBand, int endBand) {
        for (int ty = firstBand * kTile; ty < std::min(dh, endBand * kTile); ty += kTile) {
            const int yEnd = std::min(dh, ty + kTile);
            for (int tx = 0; tx < dw; tx += kTile) {
                const int xEnd = std::min(dw, tx + kTile);
                for (int y = ty; y < yEnd; ++y) {
                    uint8_t* out = dest.Row(y) + static_cast<size_t>(tx) * Bytes;
                    if (quarters == 1) {
                        const int sx = w - 1 - y;
                        for (int x = tx; x < xEnd; ++x, out += Bytes)
                            CopyPixel<Bytes>(out, source.Row(x) + static_cast<size_t>(sx) * Bytes);
                    } else {
                        const size_t column = static_cast<size_t>(y) * Bytes;
                        for (int x = tx; x < xEnd; ++x, out += Bytes)
                            CopyPixel<Bytes>(out, source.Row(h - 1 - x) + column);
                    }
                }
            }
        }
    });
}

// Any other angle. For each destination row the source position moves along a straight line,
// so the columns whose source lies inside the map form one run; only that run is computed,
// the rest of the row is filled. Positions are computed exactly as
// RoundHalfEven(dx c - dy s) and RoundHalfEven(dx s + dy c), so the result does not drift.
template <int Bytes>
void TurnAnyAngle(const Bitmap& source, Bitmap& dest, double s, double c, int sourceCx,
                  int sourceCy, const uint8_t* fill, int threads) {
    const int w = source.Width();
    const int h = source.Height();
    const int dw = dest.Width();
    const int dh = dest.Height();
    const int cx = dw / 2;
    const int cy = dh / 2;
    // dx * c and dx * s for every column, shared by all rows.
    std::vector<double> xc(static_cast<size_t>(dw)), xs(static_cast<size_t>(dw));
    for (int x = 0; x < dw; ++x) {
        xc[static_cast<size_t>(x)] = static_cast<double>(x - cx) * c;
        xs[static_cast<size_t>(x)] = static_cast<double>(x - cx) * s;
    }
    // Near 0 and 180 degrees a destination row reads long stretches of one source row.
    const bool runs = std::fabs(s) < kRunSine;
    const auto inside = [&](int x, double ys, double yc) {
        const int sx = RoundToInt(xc[static_cast<size_t>(x)] - ys) + sourceCx;
        const int sy = RoundToInt(xs[static_cast<size_t>(x)] + yc) + sourceCy;
        return sx >= 0 && sx < w && sy >= 0 && sy < h;
    };
    ForRowBands(dh, threads, [&](int first, int end) {
        for (int y = first; y < end; ++y) {
            const double dy = static_cast<double>(y - cy);
            const double ys = dy * s;
            const double yc = dy * c;
            uint8_t* out = dest.Row(y);
            // Both source coordinates are monotone in x, so the inside columns are one run.
            // Its ends are estimated from the unrounded line, then corrected by single steps.
            double lo = 0, hi = dw - 1.0;
            const auto clip = [&](double base, double slope, int limit) {
                // base + (x - cx) * slope within [-0.5, limit - 0.5]
                if (slope == 0) {
                    if (base < -1 || base > limit)
                        lo = 1, hi = 0;
                    return;
                }
                double a = (-1.0 - base) / slope + cx;
                double b = (limit - base) / slope + cx;
                if (a > b)
                    std::swap(a, b);
                lo = std::max(lo, a);
                hi = std::min(hi, b);
            };
            clip(-ys + sourceCx, c, w);
            clip(yc + sourceCy, s, h);
            int x0 = 0, x1 = -1;
            if (lo <= hi) {
                x0 = std::clamp(static_cast<int>(std::floor(lo)), 0, dw - 1);
                x1 = std::clamp(static_cast<int>(std::ceil(hi)), 0, dw - 1);
                // The estimate errs by a pixel at most; the exact test decides.
                while (x0 <= x1 && !inside(x0, ys, yc))
                    ++x0;
                while (x1 >= x0 && !inside(x1, ys, yc))
                    --x1;
                while (x0 > 0 && inside(x0 - 1, ys, yc))
                    --x0;
                while (x1 < dw - 1 && inside(x1 + 1, ys, yc))
                    ++x1;
            }
            if (x0 > x1) {
                FillPixels<Bytes>(out, dw, fill);
                continue;
            }
            FillPixels<Bytes>(out, x0, fill);
            if (runs)
                CopyRuns<Bytes>(source, out, xc, xs, ys, yc, sourceCx, sourceCy, s, c, x0, x1);
            else
                for (int x = x0; x <= x1; ++x) {
                    const int sx = RoundToInt(xc[static_cast<size_t>(x)] - ys) + sourceCx;
                    const int sy = RoundToInt(xs[static_cast<size_t>(x)] + yc) + sourceCy;
                    CopyPixel<Bytes>(out + static_cast<size_t>(x) * Bytes,
                                     source.Row(sy) + static_cast<size_t>(sx) * Bytes);
                }
            FillPixels<Bytes>(out + static_cast<size_t>(x1 + 1) * Bytes, dw - 1 - x1, fill);
        }
    });
}

template <int Bytes>
Bitmap Turn(const Bitmap& source, Rgb colour, double angle, int threads) {
    const RotatedSize size = RotatedSizeFor(source.Width(), source.Height(), angle);
    Bitmap dest(size.width, size.height, source.Format());
    if (source.Format() != PixelFormat::Bits24)
        dest.SetPalette(source.Palette());
    uint8_t fill[3];
    if constexpr (Bytes == 3) {
        fill[0] = colour.b, fill[1] = colour.g, fill[2] = colour.r;
    } else {
        fill[0] = dest.NearestIndex(colour);
    }
    const double a = NormalisedAngle(angle);
    if (a == 0.0) {
        for (int y = 0; y < source.Height(); ++y)
            std::memcpy(dest.Row(y), source.Row(y), source.Stride());
        return dest;
    }
    if (a == 90.0 || a == 180.0 || a == 270.0) {
        TurnQuarter<Bytes>(source, dest, static_cast<int>(a / 90.0), threads);
        return dest;
    }
    const double radians = a * std::numbers::pi / 180.0;
    const double s = std::sin(radians);
    const double c = std::cos(radians);
    const int sourceCx = source.Width() / 2 - (c < 0 ? 1 : 0);
    const int sourceCy = source.Height() / 2 - (s < 0 ? 1 : 0);
    TurnAnyAngle<Bytes>(source, dest, s, c, sourceCx, sourceCy, fill, threads);
    return dest;
}

}  // namespace

RotatedSize RotatedSizeFor(int width, int height, double angleDegrees) {
    const double a = NormalisedAngle(angleDegrees);
    if (a == 0.0 || a == 180.0)
        return {width, height};
    if (a == 90.0 || a == 270.0)
        return {height, width};
    const double radians = a * std::numbers::pi / 180.0;
    const double s = std::sin(radians);
    const double c = std::cos(radians);
    const double w = width, h = height;
    double nw, nh;
    if (s * c >= 0) {
        nw = std::fabs(h * s + w * c);
        nh = std::fabs(h * c + w * s);
    } else {
        nw = std::fabs(w * c - h * s);
        nh = std::fabs(w * s - h * c);
    }
    nw = RoundHalfEven(nw);
    nh = RoundHalfEven(nh);
    if (nw > Bitmap::kMaxSide || nh > Bitmap::kMaxSide)
        throw std::length_error("rotated bitmap too large");
    return {static_cast<int>(nw), static_cast<int>(nh)};
}

Bitmap RotateBitmap(const Bitmap& source, Rgb colour, double angleDegrees, int threads) {
    if (source.IsEmpty())
        return Bitmap();
    if (!std::isfinite(angleDegrees))
        throw std::invalid_argument("rotation angle is not a number");
    switch (source.Format()) {
        case PixelFormat::Bits24:
            return Turn<3>(source, colour, angleDegrees, threads);
        case PixelFormat::Bits8:
            return Turn<1>(source, colour, angleDegrees, threads);
        case PixelFormat::Bits4: {
            // Nibbles are turned as bytes of an 8-bit copy and packed again.
            Bitmap wide = ConvertPixelFormat(source, PixelFormat::Bits24);
            return ConvertPixelFormat(Turn<3>(wide, colour, angleDegrees, threads),
                                      PixelFormat::Bits4);
        }
    }
    return Bitmap();
}

}  // namespace korvalen
