#include "images/AngleFinder.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "images/BitmapOps.h"
#include "images/RotateBitmap.h"

namespace korvalen {
namespace {

constexpr Rgb kFill{0, 255, 255};
constexpr int kPatch = 48;        // side of a matched patch, full resolution
constexpr int kCoarse = 4;        // reduction of the first, exhaustive search
constexpr int kRefine = 6;        // full-resolution search radius around the coarse hit
constexpr double kMinNcc = 0.75;  // a weaker match says nothing
constexpr int kMaxPatches = 24;
constexpr double kMaxDegrees = 3.5;
constexpr int kWorkingSide = 1600;  // larger maps are searched reduced to about this

// A grey picture; pixels that are the turn's fill colour are marked invalid (-1).
struct Grey {
    int w = 0, h = 0;
    std::vector<float> v;
    float At(int x, int y) const { return v[static_cast<size_t>(y) * w + x]; }
};

// The colour of a pixel from its row, without converting the whole bitmap.
inline Rgb ColourAt(const Bitmap& b, const uint8_t* row, int x) {
    switch (b.Format()) {
        case PixelFormat::Bits24:
            return {row[x * 3 + 2], row[x * 3 + 1], row[x * 3]};
        case PixelFormat::Bits8:
            return b.Palette()[row[x]];
        case PixelFormat::Bits4:
            return b.Palette()[(x & 1) ? (row[x / 2] & 0x0F) : (row[x / 2] >> 4)];
    }
    return {};
}

Grey GreyOf(const Bitmap& b, int x0, int y0, int w, int h) {
    Grey g{w, h, std::vector<float>(static_cast<size_t>(w) * h)};
    for (int y = 0; y < h; ++y) {
        const uint8_t* row = b.Row(y0 + y);
        for (int x = 0; x < w; ++x) {
            const Rgb c = ColourAt(b, row, x0 + x);
            g.v[static_cast<size_t>(y) * w + x] =
                c == kFill ? -1.0f : 0.114f * c.b + 0.587f * c.g + 0.299f * c.r;
        }
    }
    return g;
}

// A 24-bit copy reduced by f in each direction, each pixel the mean of its f x f block; a
// block holding the fill colour keeps it, so that turned corners stay out of the search.
Bitmap ReducedBitmap(const Bitmap& b, int f) {
    Bitmap r(std::max(1, b.Width() / f), std::max(1, b.Height() / f), PixelFormat::Bits24);
    std::vector<uint32_t> sums(static_cast<size_t>(r.Width()) * 3);
    std::vector<uint8_t> filled(static_cast<size_t>(r.Width()));
    for (int y = 0; y < r.Height(); ++y) {
        std::fill(sums.begin(), sums.end(), 0);
        std::fill(filled.begin(), filled.end(), 0);
        for (int j = 0; j < f; ++j) {
            const uint8_t* row = b.Row(y * f + j);
            for (int x = 0; x < r.Width() * f; ++x) {
                const Rgb c = ColourAt(b, row, x);
                const size_t k = static_cast<size_t>(x / f);
                filled[k] |= c == kFill;
                sums[k * 3] += c.b, sums[k * 3 + 1] += c.g, sums[k * 3 + 2] += c.r;
            }
        }
        uint8_t* out = r.Row(y);
        for (int x = 0; x < r.Width(); ++x) {
            const size_t k = static_cast<size_t>(x);
            if (filled[k]) {
                out[x * 3] = kFill.b, out[x * 3 + 1] = kFill.g, out[x * 3 + 2] = kFill.r;
            } else {
                for (int i = 0; i < 3; ++i)
                    out[x * 3 + i] = static_cast<uint8_t>(sums[k * 3 + i] / (f * f));
            }
        }
    }
    return r;
}

Grey Reduced(const Grey& g, int f) {
    Grey r{g.w / f, g.h / f, {}};
    r.v.assign(static_cast<size_t>(r.w) * r.h, 0);
    for (int y = 0; y < r.h; ++y)
        for (int x = 0; x < r.w; ++x) {
            float sum = 0;
            bool invalid = false;
            for (int j = 0; j < f; ++j)
                for (int i = 0; i < f; ++i) {
                    const float v = g.At(x * f + i, y * f + j);
                    invalid |= v < 0;
                    sum += v;
                }
            r.v[static_cast<size_t>(y) * r.w + x] = invalid ? -1.0f : sum / (f * f);
        }
    return r;
}

// Normalised cross-correlation of the patch of a at (ax, ay) with that of b at (bx, by).
double Ncc(const Grey& a, int ax, int ay, const Grey& b, int bx, int by, int side) {
    double sa = 0, sb = 0, saa = 0, sbb = 0, sab = 0;
    for (int y = 0; y < side; ++y) {
        const float* pa = &a.v[static_cast<size_t>(ay + y) * a.w + ax];
        const float* pb = &b.v[static_cast<size_t>(by + y) * b.w + bx];
        for (int x = 0; x < side; ++x) {
            const double va = pa[x], vb = pb[x];
            sa += va, sb += vb, saa += va * va, sbb += vb * vb, sab += va * vb;
        }
    }
    const double n = double(side) * side;
    const double cov = sab - sa * sb / n;
    const double var = (saa - sa * sa / n) * (sbb - sb * sb / n);
    return var > 1e-6 ? cov / std::sqrt(var) : -1;
}

bool Valid(const Grey& g, int x0, int y0, int side) {
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x)
            if (g.At(x0 + x, y0 + y) < 0)
                return false;
    return true;
}

// Texture of a patch: the sum of squared differences of neighbouring pixels.
double Texture(const Grey& g, int x0, int y0, int side) {
    double t = 0;
    for (int y = 0; y + 1 < side; ++y)
        for (int x = 0; x + 1 < side; ++x) {
            const double v = g.At(x0 + x, y0 + y);
            const double dx = g.At(x0 + x + 1, y0 + y) - v;
            const double dy = g.At(x0 + x, y0 + y + 1) - v;
            t += dx * dx + dy * dy;
        }
    return t / (side * side);
}

// The vertex of the parabola through three scores, as an offset from the middle one.
double Vertex(double left, double mid, double right) {
    const double d = left - 2 * mid + right;
    return d < 0 ? std::clamp(0.5 * (left - right) / d, -0.5, 0.5) : 0.0;
}

struct Match {
    double px, py;  // patch centre in the map
    double qx, qy;  // where it lies in the strip
};

// Where the map's patch at (x, y) lies in the strip, to a fraction of a pixel.
std::optional<Match> MatchPatch(const Grey& map, const Grey& mapSmall, const Grey& strip,
                                const Grey& stripSmall, int x, int y) {
    const int cs = kPatch / kCoarse;
    const int cx = x / kCoarse, cy = y / kCoarse;
    if (cx + cs > mapSmall.w || cy + cs > mapSmall.h || !Valid(mapSmall, cx, cy, cs))
        return std::nullopt;
    double best = -2;
    int bx = 0, by = 0;
    for (int sy = 0; sy + cs <= stripSmall.h; ++sy)
        for (int sx = 0; sx + cs <= stripSmall.w; ++sx) {
            const double s = Ncc(mapSmall, cx, cy, stripSmall, sx, sy, cs);
            if (s > best)
                best = s, bx = sx, by = sy;
        }
    if (best < kMinNcc - 0.1)
        return std::nullopt;
    // Full resolution around the coarse hit.
    best = -2;
    int fx = 0, fy = 0;
    const int gx = bx * kCoarse + (x - cx * kCoarse), gy = by * kCoarse + (y - cy * kCoarse);
    for (int sy = gy - kRefine; sy <= gy + kRefine; ++sy)
        for (int sx = gx - kRefine; sx <= gx + kRefine; ++sx) {
            if (sx < 1 || sy < 1 || sx + kPatch + 1 > strip.w || sy + kPatch + 1 > strip.h)
                continue;
            const double s = Ncc(map, x, y, strip, sx, sy, kPatch);
            if (s > best)
                best = s, fx = sx, fy = sy;
        }
    if (best < kMinNcc)
        return std::nullopt;
    const double ox = Vertex(Ncc(map, x, y, strip, fx - 1, fy, kPatch), best,
                             Ncc(map, x, y, strip, fx + 1, fy, kPatch));
    const double oy = Vertex(Ncc(map, x, y, strip, fx, fy - 1, kPatch), best,
                             Ncc(map, x, y, strip, fx, fy + 1, kPatch));
    const double half = kPatch / 2.0;
    return Match{x + half, y + half, fx + ox + half, fy + oy + half};
}

// The rotation (radians, y down) that carries the map's points onto the strip's, least squares.
double FitRotation(const std::vector<Match>& m, std::vector<double>* residuals = nullptr) {
    double mpx = 0, mpy = 0, mqx = 0, mqy = 0;
    for (const Match& a : m)
        mpx += a.px, mpy += a.py, mqx += a.qx, mqy += a.qy;
    const double n = static_cast<double>(m.size());
    mpx /= n, mpy /= n, mqx /= n, mqy /= n;
    double cross = 0, dot = 0;
    for (const Match& a : m) {
        const double px = a.px - mpx, py = a.py - mpy, qx = a.qx - mqx, qy = a.qy - mqy;
        cross += px * qy - py * qx;
        dot += px * qx + py * qy;
    }
    const double phi = std::atan2(cross, dot);
    if (residuals) {
        residuals->clear();
        const double c = std::cos(phi), s = std::sin(phi);
        for (const Match& a : m) {
            const double px = a.px - mpx, py = a.py - mpy;
            residuals->push_back(
                std::hypot(c * px - s * py - (a.qx - mqx), s * px + c * py - (a.qy - mqy)));
        }
    }
    return phi;
}

// The residual angle (degrees, clockwise positive) between the map and the strip.
std::optional<double> MeasureOnce(const Bitmap& map, const Grey& strip, const Grey& stripSmall,
                                  StripDirection direction) {
    // The map's edge that faces the strip, as deep as the strip is.
    const bool left = direction == StripDirection::Left;
    const int w = left ? std::min(map.Width(), strip.w) : map.Width();
    const int h = left ? map.Height() : std::min(map.Height(), strip.h);
    if (w < kPatch * 2 || h < kPatch * 2)
        return std::nullopt;
    const Grey g = GreyOf(map, 0, 0, w, h);
    const Grey gSmall = Reduced(g, kCoarse);

    // Candidate patches on a grid; the most textured ones of each stretch along the edge, so
    // that the matches span the whole seam.
    struct Candidate {
        int x, y;
        double texture;
    };
    const int along = left ? h : w;
    const int stretches = std::max(2, std::min(8, along / (kPatch * 2)));
    std::vector<std::vector<Candidate>> byStretch(static_cast<size_t>(stretches));
    const int step = kPatch / 2;
    for (int y = 0; y + kPatch <= h; y += step)
        for (int x = 0; x + kPatch <= w; x += step) {
            if (!Valid(g, x, y, kPatch))
                continue;
            const double t = Texture(g, x, y, kPatch);
            if (t < 20)
                continue;  // blank paper
            const int pos = left ? y : x;
            const int k =
                std::min(stretches - 1, pos * stretches / std::max(1, along - kPatch + 1));
            byStretch[static_cast<size_t>(k)].push_back({x, y, t});
        }
    std::vector<Match> matches;
    const int perStretch = std::max(1, kMaxPatches / stretches);
    for (auto& candidates : byStretch) {
        // Nearest the edge first: that part overlaps the strip surely.
        std::sort(candidates.begin(), candidates.end(),
                  [&](const Candidate& a, const Candidate& b) {
                      const int da = left ? a.x : a.y, db = left ? b.x : b.y;
                      return da / kPatch != db / kPatch ? da < db : a.texture > b.texture;
                  });
        int taken = 0;
        for (const Candidate& c : candidates) {
            if (taken >= perStretch)
                break;
            if (auto m = MatchPatch(g, gSmall, strip, stripSmall, c.x, c.y)) {
                matches.push_back(*m);
                ++taken;
            }
        }
    }
    // Keep the matches that agree on one shift (small angles move them little), then drop the
    // worst fits until all lie within a pixel and a half.
    if (matches.size() < 3)
        return std::nullopt;
    std::vector<Match> agreeing;
    for (const Match& a : matches) {
        int votes = 0;
        for (const Match& b : matches)
            if (std::hypot((a.qx - a.px) - (b.qx - b.px), (a.qy - a.py) - (b.qy - b.py)) <
                4 + 0.07 * std::hypot(a.px - b.px, a.py - b.py))
                ++votes;
        if (votes * 2 > static_cast<int>(matches.size()))
            agreeing.push_back(a);
    }
    std::vector<double> residuals;
    while (agreeing.size() >= 3) {
        FitRotation(agreeing, &residuals);
        const auto worst = std::max_element(residuals.begin(), residuals.end());
        if (*worst <= 1.5)
            break;
        agreeing.erase(agreeing.begin() + (worst - residuals.begin()));
    }
    if (agreeing.size() < 3)
        return std::nullopt;
    // The matches must span a good part of the seam for the angle to mean anything.
    double lo = 1e9, hi = -1e9;
    for (const Match& a : agreeing) {
        lo = std::min(lo, left ? a.py : a.px);
        hi = std::max(hi, left ? a.py : a.px);
    }
    if (hi - lo < along / 4.0)
        return std::nullopt;
    return FitRotation(agreeing) * 180.0 / std::numbers::pi;
}

}  // namespace

std::optional<double> FindStripAngle(const Bitmap& map, const Bitmap& strip,
                                     StripDirection direction) {
    if (map.IsEmpty() || strip.Width() < kPatch * 2 || strip.Height() < kPatch * 2)
        return std::nullopt;
    // Only the map's edge that faces the strip can overlap it; a turn of that part differs
    // from a turn of the whole map only by a shift, which the search ignores.
    const bool left = direction == StripDirection::Left;
    const Rect facing = left ? Rect{0, 0, std::min(map.Width(), strip.Width()), map.Height()}
                             : Rect{0, 0, map.Width(), std::min(map.Height(), strip.Height())};
    std::optional<Bitmap> part = CopyArea(&map, facing);
    if (!part)
        return std::nullopt;
    // Large maps are searched reduced: angles do not change with scale.
    const int longest = std::max({strip.Width(), strip.Height(), part->Width(), part->Height()});
    const int f = (longest + kWorkingSide - 1) / kWorkingSide;
    Bitmap workMap = f > 1 ? ReducedBitmap(*part, f) : std::move(*part);
    const Bitmap reducedStrip = f > 1 ? ReducedBitmap(strip, f) : Bitmap();
    const Bitmap& workStrip = f > 1 ? reducedStrip : strip;
    if (workStrip.Width() < kPatch * 2 || workStrip.Height() < kPatch * 2)
        return std::nullopt;
    const Grey g = GreyOf(workStrip, 0, 0, workStrip.Width(), workStrip.Height());
    const Grey small = Reduced(g, kCoarse);
    // Measure, turn the map by what was found and measure what is left: on the straightened
    // map the patches match the strip closely, so the angle comes out to a fraction of the
    // first measurement's error.
    double total = 0;
    for (int round = 0; round < 3; ++round) {
        const Bitmap turned = round == 0 ? Bitmap() : RotateBitmap(workMap, kFill, -total);
        const std::optional<double> rest =
            MeasureOnce(round == 0 ? workMap : turned, g, small, direction);
        if (!rest)
            return round == 0 ? std::nullopt : std::optional<double>(total);
        total += *rest;
        if (std::fabs(total) > kMaxDegrees)
            return std::nullopt;
        if (std::fabs(*rest) < 0.005)
            break;
    }
    return total;
}

}  // namespace korvalen
