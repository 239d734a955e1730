#include "joining/SearchArea.h"

#include <algorithm>

namespace korvalen {
namespace {

// Far beyond any bitmap, yet small enough that the sums below stay inside int.
constexpr int64_t kPositionLimit = int64_t{1} << 24;

struct Span {
    int64_t low = 0, high = 0;
};

// Moves [low, high) into [0, size) without shrinking it; a span longer than size keeps low at 0.
Span ShiftInto(Span span, int64_t size) {
    if (span.low < 0) {
        span.high -= span.low;
        span.low = 0;
    } else if (span.high > size) {
        const int64_t excess = span.high - size;
        span.low -= excess;
        span.high -= excess;
        if (span.low < 0) {
            span.high -= span.low;
            span.low = 0;
        }
    }
    return span;
}

int ToInt(int64_t value) {
    return static_cast<int>(std::clamp<int64_t>(value, -kPositionLimit * 4, kPositionLimit * 4));
}

}  // namespace

SearchFactors FactorsFor(int overlapSetting, bool gridPatternJoin, bool gridFirstJoin,
                         bool horizontal) {
    if (!gridPatternJoin) {
        const int f = std::clamp(overlapSetting, 1, 10);
        return {f, f};
    }
    const int along = 1 + 3 * (gridFirstJoin ? 1 : 0);
    return horizontal ? SearchFactors{along, 1} : SearchFactors{1, along};
}

SearchGeometry FitSearchArea(Point expectedPos, int bandWidth, int bandHeight,
                             SearchFactors factors, int targetWidth, int targetHeight) {
    const int64_t hw = std::clamp(bandWidth, 0, Bitmap::kMaxSide) / 2;
    const int64_t hh = std::clamp(bandHeight, 0, Bitmap::kMaxSide) / 2;
    const int64_t fx = std::clamp(factors.x, 1, 10);
    const int64_t fy = std::clamp(factors.y, 1, 10);
    const int64_t cx = std::clamp<int64_t>(expectedPos.x, -kPositionLimit, kPositionLimit) + hw;
    const int64_t cy = std::clamp<int64_t>(expectedPos.y, -kPositionLimit, kPositionLimit) + hh;

    const int64_t reachX = hw * fx / 2 + hw;
    const int64_t reachY = hh * fy / 2 + hh;
    const Span columns = ShiftInto({cx - reachX, cx + reachX}, std::max(targetWidth, 0));
    const Span rows = ShiftInto({cy - reachY, cy + reachY}, std::max(targetHeight, 0));

    SearchGeometry g;
    g.area = {ToInt(columns.low), ToInt(rows.low), ToInt(columns.high), ToInt(rows.high)};
    g.centres = {ToInt(columns.low + hw), ToInt(rows.low + hh), ToInt(columns.high - hw),
                 ToInt(rows.high - hh)};
    const int64_t midX = (int64_t{g.centres.right} - g.centres.left) / 2 + g.centres.left;
    const int64_t midY = (int64_t{g.centres.bottom} - g.centres.top) / 2 + g.centres.top;
    g.expectedPos = {ToInt(midX - hw), ToInt(midY - hh)};
    g.totalPositions = g.centres.Count();
    return g;
}

int RingSides(Point centre, int r, const PositionRange& range, std::array<RingSide, 4>& sides) {
    const int64_t cx = centre.x, cy = centre.y, radius = r;
    const bool top = cy - radius >= range.top;
    const bool right = cx + radius <= range.right;
    const bool bottom = cy + radius <= range.bottom;
    const bool left = cx - radius >= range.left;
    int n = 0;
    // A side leaves out its clipped end only when the next side walks from there; otherwise
    // that end, which still lies on the ring, would never be scored.
    auto add = [&](int64_t x, int64_t y, int dx, int dy, int64_t span, bool nextWalks) {
        const int64_t count = span + (nextWalks ? 0 : 1);
        sides[n++] = {{ToInt(x), ToInt(y)}, {dx, dy}, ToInt(std::max<int64_t>(count, 0))};
    };
    if (top) {
        const int64_t from = std::max<int64_t>(cx - radius, range.left);
        const int64_t to = std::min<int64_t>(cx + radius, range.right);
        add(from, cy - radius, 1, 0, to - from, right);
    }
    if (right) {
        const int64_t from = std::max<int64_t>(cy - radius, range.top);
        const int64_t to = std::min<int64_t>(cy + radius, range.bottom);
        add(cx + radius, from, 0, 1, to - from, bottom);
    }
    if (bottom) {
        const int64_t from = std::min<int64_t>(cx + radius, range.right);
        const int64_t to = std::max<int64_t>(cx - radius, range.left);
        add(from, cy + radius, -1, 0, from - to, left);
    }
    if (left) {
        const int64_t from = std::min<int64_t>(cy + radius, range.bottom);
        const int64_t to = std::max<int64_t>(cy - radius, range.top);
        add(cx - radius, from, 0, -1, from - to, top);
    }
    return n;
}

}  // namespace korvalen
