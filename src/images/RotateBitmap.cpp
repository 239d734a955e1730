#include "images/RotateBitmap.h"

#include <algorithm>
#include <array>
#include <cstdint>
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

// Runs body(first, end) over [0, rows) split between threads, each given at least perThread
// rows (or bands of rows, see ForBands).
template <class Body>
void ForRowBands(int rows, int threads, Body body, int perThread = 64) {
    if (threads <= 0)
        threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    threads = std::clamp(threads, 1, std::max(1, rows / perThread));
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

// A 3-byte pixel moved as a 4-byte word: the load may take the first byte of the next pixel
// (or of the bitmap's readable slack), and the store writes that byte too. Stores run left to
// right, and every stretch of a row ends with an exact CopyPixel, so the extra byte is always
// overwritten by the next pixel of the same stretch.
inline void CopyPixelWord(uint8_t* dest, const uint8_t* src) {
    uint32_t word;
    std::memcpy(&word, src, 4);
    std::memcpy(dest, &word, 4);
}

// Runs body(firstBand, endBand) over [0, bands) split between threads; a band is many rows.
template <class Body>
void ForBands(int bands, int threads, Body body) {
    ForRowBands(bands, threads, body, 1);
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

// Copies count pixels to dest, the i-th from next(i), left to right.
template <int Bytes, class Next>
inline void CopyStretch(uint8_t* dest, int count, Next next) {
    if (count <= 0)
        return;
    if constexpr (Bytes == 3) {
        for (int i = 0; i < count - 1; ++i, dest += 3)
            CopyPixelWord(dest, next(i));
        CopyPixel<3>(dest, next(count - 1));
    } else {
        for (int i = 0; i < count; ++i)
            dest[i] = *next(i);
    }
}

// A short copy done inline, in 16-byte blocks of which the last may overlap the one before.
inline void CopyBytes(uint8_t* dest, const uint8_t* src, size_t n) {
    if (n < 16) {
        std::memcpy(dest, src, n);
        return;
    }
    uint8_t block[16];
    for (size_t i = 0; i + 16 < n; i += 16) {
        std::memcpy(block, src + i, 16);
        std::memcpy(dest + i, block, 16);
    }
    std::memcpy(block, src + n - 16, 16);
    std::memcpy(dest + n - 16, block, 16);
}

// count pixels of one value: the first few set one by one, the rest copied from them in
// doubling blocks.
template <int Bytes>
inline void FillPixels(uint8_t* dest, int count, const uint8_t* value) {
    if (count <= 0)
        return;
    if constexpr (Bytes == 1) {
        std::memset(dest, value[0], static_cast<size_t>(count));
    } else {
        const size_t total = static_cast<size_t>(count) * 3;
        const int first = std::min(count, 16);
        for (int i = 0; i < first; ++i)
            CopyPixel<3>(dest + 3 * i, value);
        for (size_t done = static_cast<size_t>(first) * 3; done < total;) {
            const size_t n = std::min(done, total - done);
            std::memcpy(dest + done, dest, n);
            done += n;
        }
    }
}

// Below this sine a destination row reads runs of a source row long enough to copy whole.
constexpr double kRunSine = 0.125;
// Source rows this far ahead are fetched into the cache while a row is turned: a destination
// row reads a few pixels of hundreds of source rows, too many streams for the processor to
// foresee, and the next rows read the same columns of the following source rows.
constexpr int kFetchAhead = 4;

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
    // Reciprocals: the run lengths are estimates, confirmed below, so no division is needed.
    const double perRow = 1.0 / std::fabs(s);
    const double perDrift = drift > 0 ? 1.0 / drift : 1e18;
    const int lastRow = source.Height() - 1;
    int x = x0;
    while (x <= x1) {
        const double u = xc[static_cast<size_t>(x)] - ys;
        const double v = xs[static_cast<size_t>(x)] + yc;
        const int su = RoundToInt(u);
        const int sv = RoundToInt(v);
        // Steps until the row or the column rounding changes, less one for safety.
        const double toRow = (s > 0 ? sv + 0.5 - v : v - (sv - 0.5)) * perRow;
        const double e = (u - su) * dir;  // position within the rounding interval, forward
        const double toColumn = (e + 0.5) * perDrift;
        int k = static_cast<int>(std::min({toRow, toColumn, double(x1 - x)})) - 1;
        k = std::max(k, 0);
        // Confirm the run's end exactly, shortening it until it holds.
        while (k > 0) {
            const size_t end = static_cast<size_t>(x + k);
            if (RoundToInt(xc[end] - ys) == su + dir * k && RoundToInt(xs[end] + yc) == sv)
                break;
            k /= 2;
        }
        const int sourceRow = sv + sourceCy;
        const int first = su + sourceCx;
        const uint8_t* from = source.Row(sourceRow) + static_cast<size_t>(first) * Bytes;
        // The rows below (above, turned over 90 degrees) read the same columns next.
        const int ahead = std::clamp(sourceRow + (c > 0 ? kFetchAhead : -kFetchAhead), 0, lastRow);
        const uint8_t* later = source.Row(ahead) + static_cast<size_t>(first) * Bytes;
        __builtin_prefetch(later);
        __builtin_prefetch(later + dir * k * Bytes);
        uint8_t* to = out + static_cast<size_t>(x) * Bytes;
        if (dir > 0)
            CopyBytes(to, from, static_cast<size_t>(k + 1) * Bytes);
        else
            CopyStretch<Bytes>(to, k + 1, [from](int i) { return from - i * Bytes; });
        x += k + 1;
    }
}

// Exact turns by 90, 180 and 270 degrees: pure moves of pixels, no arithmetic.
template <int Bytes>
void TurnQuarter(const Bitmap& source, Bitmap& dest, int quarters, int threads) {
    const int w = source.Width();
    const int h = source.Height();
    const ptrdiff_t stride = static_cast<ptrdiff_t>(source.Stride());
    if (quarters == 2) {
        ForRowBands(h, threads, [&](int first, int end) {
            for (int y = first; y < end; ++y) {
                uint8_t* out = dest.Row(y);
                const uint8_t* last = source.Row(h - 1 - y) + static_cast<size_t>(w - 1) * Bytes;
                if constexpr (Bytes == 1) {
                    // Eight pixels at a time, their order turned by a byte swap.
                    int x = 0;
                    for (; x + 8 <= w; x += 8) {
                        uint64_t eight;
                        std::memcpy(&eight, last - x - 7, 8);
                        eight = __builtin_bswap64(eight);
                        std::memcpy(out + x, &eight, 8);
                    }
                    for (; x < w; ++x)
                        out[x] = *(last - x);
                } else {
                    CopyStretch<3>(out, w, [last](int x) { return last - 3 * x; });
                }
                dest.PadRow(y);
            }
        });
        return;
    }
    // 90 (counter-clockwise): dest(x, y) = source(w - 1 - y, x);
    // 270 (clockwise): dest(x, y) = source(y, h - 1 - x). Done in tiles that stay in cache.
    constexpr int kTile = 64;
    const int dw = dest.Width();
    const int dh = dest.Height();
    ForBands((dh + kTile - 1) / kTile, threads, [&](int firstBand, int endBand) {
        const int bandEnd = std::min(dh, endBand * kTile);
        for (int ty = firstBand * kTile; ty < bandEnd; ty += kTile) {
            const int yEnd = std::min(dh, ty + kTile);
            // The source columns of this band of tiles; the next tile's rows of them are
            // fetched while this tile is copied (a column read crosses rows too far apart for
            // the processor to foresee).
            const size_t firstColumn = static_cast<size_t>(quarters == 1 ? w - yEnd : ty) * Bytes;
            const size_t spanBytes = static_cast<size_t>(yEnd - ty) * Bytes;
            // Rows [y0, y1) of the tile at tx, count columns.
            const auto copyRows = [&](int tx, int y0, int y1, int count) {
                for (int y = y0; y < y1; ++y) {
                    const int x = tx;
                    uint8_t* out = dest.Row(y) + static_cast<size_t>(x) * Bytes;
                    if (quarters == 1) {
                        const uint8_t* first =
                            source.Row(x) + static_cast<size_t>(w - 1 - y) * Bytes;
                        CopyStretch<Bytes>(out, count,
                                           [first, stride](int i) { return first + i * stride; });
                    } else {
                        const uint8_t* first =
                            source.Row(h - 1 - x) + static_cast<size_t>(y) * Bytes;
                        CopyStretch<Bytes>(out, count,
                                           [first, stride](int i) { return first - i * stride; });
                    }
                }
            };
            for (int tx = 0; tx < dw; tx += kTile) {
                const int count = std::min(dw, tx + kTile) - tx;
                for (int y = ty; y < yEnd; ++y) {
                    const int next = tx + kTile + (y - ty);
                    if (next < dw) {
                        const uint8_t* ahead =
                            source.Row(quarters == 1 ? next : h - 1 - next) + firstColumn;
                        for (size_t b = 0; b < spanBytes; b += 64)
                            __builtin_prefetch(ahead + b);
                    }
                }
                copyRows(tx, ty, yEnd, count);
            }
            for (int y = ty; y < yEnd; ++y)
                dest.PadRow(y);
        }
    });
}

// The columns of destination row y whose source lies inside the map, [x0, x1] (empty when
// x0 > x1). Both source coordinates are monotone in x, so they are one run. Its ends are
// estimated from the unrounded line, then corrected by single steps with the exact test.
struct Span {
    int x0 = 0, x1 = -1;
};

// Any other angle. For each destination row the source position moves along a straight line,
// so the columns whose source lies inside the map form one run; only that run is computed,
// the rest of the row is filled. Positions are computed exactly as
// RoundHalfEven(dx c - dy s) and RoundHalfEven(dx s + dy c), so the result does not drift.
// Steep angles are turned in tiles, so that the source rows a tile reads stay in the cache
// while it is done.
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
    const auto spanOf = [&](double ys, double yc) {
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
        Span span;
        if (lo <= hi) {
            int x0 = std::clamp(static_cast<int>(std::floor(lo)), 0, dw - 1);
            int x1 = std::clamp(static_cast<int>(std::ceil(hi)), 0, dw - 1);
            // The estimate errs by a pixel at most; the exact test decides.
            while (x0 <= x1 && !inside(x0, ys, yc))
                ++x0;
            while (x1 >= x0 && !inside(x1, ys, yc))
                --x1;
            while (x0 > 0 && inside(x0 - 1, ys, yc))
                --x0;
            while (x1 < dw - 1 && inside(x1 + 1, ys, yc))
                ++x1;
            span = {x0, x1};
        }
        return span;
    };
    // One row's uncovered ends filled and its span returned.
    const auto prepareRow = [&](int y, double ys, double yc) {
        const Span span = spanOf(ys, yc);
        uint8_t* out = dest.Row(y);
        if (span.x0 > span.x1) {
            FillPixels<Bytes>(out, dw, fill);
        } else {
            FillPixels<Bytes>(out, span.x0, fill);
            FillPixels<Bytes>(out + static_cast<size_t>(span.x1 + 1) * Bytes, dw - 1 - span.x1,
                              fill);
        }
        dest.PadRow(y);
        return span;
    };
    const uint8_t* const pixels = source.Row(0);
    const size_t stride = source.Stride();
    constexpr int kBand = 64;  // rows of a tile
    constexpr int kTileWidth = 128;
    ForBands((dh + kBand - 1) / kBand, threads, [&](int firstBand, int endBand) {
        std::array<Span, kBand> spans;
        std::array<double, kBand> ysOf, ycOf;
        const int bandsEnd = std::min(dh, endBand * kBand);
        for (int ty = firstBand * kBand; ty < bandsEnd; ty += kBand) {
            const int rows = std::min(kBand, dh - ty);
            for (int i = 0; i < rows; ++i) {
                const double dy = static_cast<double>(ty + i - cy);
                ysOf[i] = dy * s;
                ycOf[i] = dy * c;
                spans[i] = prepareRow(ty + i, ysOf[i], ycOf[i]);
            }
            if (runs) {
                for (int i = 0; i < rows; ++i)
                    if (spans[i].x0 <= spans[i].x1)
                        CopyRuns<Bytes>(source, dest.Row(ty + i), xc, xs, ysOf[i], ycOf[i],
                                        sourceCx, sourceCy, s, c, spans[i].x0, spans[i].x1);
                continue;
            }
            for (int tx = 0; tx < dw; tx += kTileWidth) {
                const int txEnd = std::min(dw, tx + kTileWidth) - 1;
                for (int i = 0; i < rows; ++i) {
                    const int x0 = std::max(spans[i].x0, tx);
                    const int x1 = std::min(spans[i].x1, txEnd);
                    if (x0 > x1)
                        continue;
                    const double ys = ysOf[i], yc = ycOf[i];
                    const double* xcAt = xc.data() + x0;
                    const double* xsAt = xs.data() + x0;
                    CopyStretch<Bytes>(dest.Row(ty + i) + static_cast<size_t>(x0) * Bytes,
                                       x1 - x0 + 1, [=](int k) {
                                           const int sx = RoundToInt(xcAt[k] - ys) + sourceCx;
                                           const int sy = RoundToInt(xsAt[k] + yc) + sourceCy;
                                           return pixels + static_cast<size_t>(sy) * stride +
                                                  static_cast<size_t>(sx) * Bytes;
                                       });
                }
            }
        }
    });
}

template <int Bytes>
Bitmap Turn(const Bitmap& source, Rgb colour, double angle, int threads) {
    const RotatedSize size = RotatedSizeFor(source.Width(), source.Height(), angle);
    // Every byte of the result is written below: its corners, its pixels, its padding.
    Bitmap dest(size.width, size.height, source.Format(), Bitmap::Unfilled{});
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

TurnedSource TurnedPixelSource(int width, int height, double angleDegrees, double x, double y) {
    const double a = NormalisedAngle(angleDegrees);
    const double w = width, h = height;
    // The exact turns move whole pixels (see TurnQuarter).
    if (a == 0.0)
        return {x, y};
    if (a == 90.0)
        return {w - 1 - y, x};
    if (a == 180.0)
        return {w - 1 - x, h - 1 - y};
    if (a == 270.0)
        return {y, h - 1 - x};
    const RotatedSize size = RotatedSizeFor(width, height, a);
    const double radians = a * std::numbers::pi / 180.0;
    const double s = std::sin(radians);
    const double c = std::cos(radians);
    const double dx = x - size.width / 2;
    const double dy = y - size.height / 2;
    return {dx * c - dy * s + (width / 2 - (c < 0 ? 1 : 0)),
            dx * s + dy * c + (height / 2 - (s < 0 ? 1 : 0))};
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
