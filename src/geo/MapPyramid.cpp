#include "geo/MapPyramid.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <thread>

namespace korvalen {
namespace {

// The colours of one image row as 0xRRGGBB, whatever its format, for the rows in use.
class RowReader {
public:
    explicit RowReader(const Bitmap& image) : image_(image) {
        if (image.Format() != PixelFormat::Bits24) {
            const auto& palette = image.Palette();
            for (size_t i = 0; i < palette.size() && i < lut_.size(); ++i)
                lut_[i] = 0xFF000000u | (uint32_t{palette[i].r} << 16) |
                          (uint32_t{palette[i].g} << 8) | palette[i].b;
        }
    }
    uint32_t At(const uint8_t* row, int x) const {
        switch (image_.Format()) {
            case PixelFormat::Bits24: {
                const uint8_t* p = row + 3 * static_cast<size_t>(x);
                return 0xFF000000u | (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0];
            }
            case PixelFormat::Bits8:
                return lut_[row[x]];
            case PixelFormat::Bits4: {
                const uint8_t b = row[x / 2];
                return lut_[(x & 1) ? (b & 0x0F) : (b >> 4)];
            }
        }
        return 0;
    }

private:
    const Bitmap& image_;
    std::array<uint32_t, 256> lut_{};
};

inline uint32_t Channel(uint32_t c, int shift) {
    return (c >> shift) & 0xFF;
}

void HalveRows(const Bitmap& source, Bitmap& target, int firstRow, int endRow) {
    const RowReader reader(source);
    const int sw = source.Width(), sh = source.Height();
    for (int y = firstRow; y < endRow; ++y) {
        const uint8_t* r0 = source.Row(std::min(2 * y, sh - 1));
        const uint8_t* r1 = source.Row(std::min(2 * y + 1, sh - 1));
        uint8_t* out = target.Row(y);
        for (int x = 0; x < target.Width(); ++x) {
            const int x0 = std::min(2 * x, sw - 1), x1 = std::min(2 * x + 1, sw - 1);
            const uint32_t a = reader.At(r0, x0), b = reader.At(r0, x1);
            const uint32_t c = reader.At(r1, x0), d = reader.At(r1, x1);
            for (int k = 0; k < 3; ++k) {
                const int shift = 8 * k;  // blue, green, red
                out[3 * x + k] = static_cast<uint8_t>((Channel(a, shift) + Channel(b, shift) +
                                                       Channel(c, shift) + Channel(d, shift) + 2) /
                                                      4);
            }
        }
    }
}

}  // namespace

Bitmap HalveBitmap(const Bitmap& source, int threads) {
    if (source.IsEmpty())
        return {};
    Bitmap target((source.Width() + 1) / 2, (source.Height() + 1) / 2, PixelFormat::Bits24);
    threads = std::clamp(threads, 1, std::max(1, target.Height() / 64));
    if (threads == 1) {
        HalveRows(source, target, 0, target.Height());
        return target;
    }
    std::vector<std::thread> workers;
    const int band = (target.Height() + threads - 1) / threads;
    for (int t = 0; t < threads; ++t) {
        const int first = t * band, end = std::min(target.Height(), first + band);
        if (first < end)
            workers.emplace_back(HalveRows, std::cref(source), std::ref(target), first, end);
    }
    for (std::thread& w : workers)
        w.join();
    return target;
}

void MapPyramid::Build(const Bitmap& image, double minScale) {
    levels_.clear();
    const int threads = static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 8u));
    const Bitmap* source = &image;
    double scale = 1;
    while (scale > minScale && source->Width() > 1 && source->Height() > 1) {
        levels_.push_back(HalveBitmap(*source, threads));
        source = &levels_.back();
        scale /= 2;
    }
}

void RenderMapView(const Bitmap& image, const MapPyramid* pyramid, double magnification,
                   double cacheLimit, int panX, int panY, uint32_t background,
                   const MapViewFrame& frame, bool smooth) {
    if (frame.width <= 0 || frame.height <= 0 || !frame.pixels)
        return;
    background |= 0xFF000000u;
    if (image.IsEmpty() || !(magnification > 0)) {
        for (int y = 0; y < frame.height; ++y)
            std::fill_n(frame.pixels + static_cast<size_t>(y) * frame.stride, frame.width,
                        background);
        return;
    }
    // The level: the smallest one still at least as large as the magnification asks.
    const Bitmap* source = &image;
    double scale = 1;
    if (pyramid && magnification < cacheLimit) {
        for (int level = 1; level <= pyramid->LevelCount() && scale / 2 >= magnification; ++level) {
            source = &pyramid->Level(level);
            scale /= 2;
        }
    }
    const double ratio = magnification / scale;  // screen pixels per level pixel
    const bool interpolate = smooth && ratio < 1 - 1e-9;
    const int sw = source->Width(), sh = source->Height();
    // Image coordinate of the centre of a screen pixel, in level pixels, minus the half pixel
    // that puts level pixel centres on whole numbers.
    auto levelCoord = [&](int pan, int d) {
        return (pan + (d + 0.5) / magnification) * scale - 0.5;
    };
    struct Tap {
        int i0 = -1, i1 = -1;  // -1: outside the image
        uint32_t w1 = 0;       // weight of i1 in 1/256
    };
    auto taps = [&](int pan, int count, int size, int imageSize) {
        std::vector<Tap> out(static_cast<size_t>(count));
        for (int d = 0; d < count; ++d) {
            const double u = levelCoord(pan, d);
            const double imageU = pan + (d + 0.5) / magnification;
            Tap& t = out[static_cast<size_t>(d)];
            if (imageU < 0 || imageU >= imageSize)
                continue;
            if (!interpolate) {
                t.i0 = t.i1 = std::clamp(static_cast<int>(std::floor(u + 0.5)), 0, size - 1);
                continue;
            }
            const double f = std::floor(u);
            t.i0 = std::clamp(static_cast<int>(f), 0, size - 1);
            t.i1 = std::clamp(static_cast<int>(f) + 1, 0, size - 1);
            t.w1 = static_cast<uint32_t>(std::lround((u - f) * 256));
        }
        return out;
    };
    // The original size decides what lies outside, so the rounding-up of odd levels never
    // shows a stripe.
    const std::vector<Tap> xs = taps(panX, frame.width, sw, image.Width());
    const std::vector<Tap> ys = taps(panY, frame.height, sh, image.Height());
    const RowReader reader(*source);
    // One screen row from one level row; the common 24-bit case without a format switch
    // per pixel.
    auto sampleWith = [&](auto fetch, const uint8_t* row, std::vector<uint32_t>& out) {
        for (int dx = 0; dx < frame.width; ++dx) {
            const Tap& t = xs[static_cast<size_t>(dx)];
            if (t.i0 < 0) {
                out[static_cast<size_t>(dx)] = background;
            } else if (t.w1 == 0) {
                out[static_cast<size_t>(dx)] = fetch(row, t.i0);
            } else {
                const uint32_t a = fetch(row, t.i0), b = fetch(row, t.i1);
                const uint32_t w1 = t.w1, w0 = 256 - w1;
                const uint32_t rb = (((a & 0xFF00FF) * w0 + (b & 0xFF00FF) * w1) >> 8) & 0xFF00FF;
                const uint32_t g = (((a & 0x00FF00) * w0 + (b & 0x00FF00) * w1) >> 8) & 0x00FF00;
                out[static_cast<size_t>(dx)] = 0xFF000000u | rb | g;
            }
        }
    };
    auto sampleRow = [&](const uint8_t* row, std::vector<uint32_t>& out) {
        if (source->Format() == PixelFormat::Bits24)
            sampleWith(
                [](const uint8_t* r, int x) {
                    const uint8_t* p = r + 3 * static_cast<size_t>(x);
                    return 0xFF000000u | (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0];
                },
                row, out);
        else
            sampleWith([&](const uint8_t* r, int x) { return reader.At(r, x); }, row, out);
    };
    // Rows from firstRow to endRow; each band keeps its own cache of level rows.
    auto renderRows = [&](int firstRow, int endRow) {
        int cached0 = -1, cached1 = -1;
        std::vector<uint32_t> row0(static_cast<size_t>(frame.width)),
            row1(static_cast<size_t>(frame.width));
        for (int dy = firstRow; dy < endRow; ++dy) {
            uint32_t* out = frame.pixels + static_cast<size_t>(dy) * frame.stride;
            const Tap& ty = ys[static_cast<size_t>(dy)];
            if (ty.i0 < 0) {
                std::fill_n(out, frame.width, background);
                continue;
            }
            // Consecutive screen rows often read the same level rows: keep the last two.
            if (ty.i0 != cached0) {
                if (ty.i0 == cached1) {
                    std::swap(row0, row1);
                    std::swap(cached0, cached1);
                } else {
                    sampleRow(source->Row(ty.i0), row0);
                    cached0 = ty.i0;
                }
            }
            if (ty.w1 == 0) {
                std::copy(row0.begin(), row0.end(), out);
                continue;
            }
            if (ty.i1 != cached1) {
                sampleRow(source->Row(ty.i1), row1);
                cached1 = ty.i1;
            }
            const uint32_t w1 = ty.w1, w0 = 256 - w1;
            for (int dx = 0; dx < frame.width; ++dx) {
                const uint32_t a = row0[static_cast<size_t>(dx)], b = row1[static_cast<size_t>(dx)];
                const uint32_t rb = (((a & 0xFF00FF) * w0 + (b & 0xFF00FF) * w1) >> 8) & 0xFF00FF;
                const uint32_t g = (((a & 0x00FF00) * w0 + (b & 0x00FF00) * w1) >> 8) & 0x00FF00;
                out[dx] = 0xFF000000u | rb | g;
            }
        }
    };
    // An interpolated frame is the costly one: its lower half goes to a second core.
    if (interpolate && frame.height >= 64 && std::thread::hardware_concurrency() > 1) {
        const int middle = frame.height / 2;
        std::thread lower(renderRows, middle, frame.height);
        renderRows(0, middle);
        lower.join();
    } else {
        renderRows(0, frame.height);
    }
}

}  // namespace korvalen
