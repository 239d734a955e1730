#include "joining/DetailBand.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "images/BitmapOps.h"
#include "joining/Brightness.h"

namespace korvalen {
namespace {

// Brightness steps up to this are JPEG noise on blank paper, not detail.
constexpr int kNoiseStep = 6;
// The band keeps this far from the edges of the overlap, so that the search can move it.
constexpr int kBandMargin = 2;
constexpr int kMinBandSide = 8;

// An overlap found narrower than the band along the joining direction gets a shorter band, as
// much wider across as keeps its pixel count, so that all of it can lie in both maps.
void FitBandIntoOverlap(JoinPrediction& p, Point offset, const Bitmap& newMap,
                        const Bitmap& target) {
    const bool horizontal = p.JoinDirection.x != 0;
    const int64_t x0 = std::max(0, -offset.x), y0 = std::max(0, -offset.y);
    const int64_t x1 = std::min<int64_t>(newMap.Width(), int64_t{target.Width()} - offset.x);
    const int64_t y1 = std::min<int64_t>(newMap.Height(), int64_t{target.Height()} - offset.y);
    const int64_t alongExtent = horizontal ? x1 - x0 : y1 - y0;
    // A very narrow overlap is used to its edges.
    const int margin = alongExtent - 2 * kBandMargin >= kMinBandSide ? kBandMargin : 0;
    const int64_t alongRoom = alongExtent - 2 * margin;
    const int64_t acrossRoom = (horizontal ? y1 - y0 : x1 - x0) - 2 * margin;
    int& along = horizontal ? p.BandWidth : p.BandHeight;
    int& across = horizontal ? p.BandHeight : p.BandWidth;
    if (alongRoom >= along || alongRoom < kMinBandSide)
        return;
    const int64_t pixels = int64_t{along} * across;
    along = static_cast<int>(alongRoom);
    across = static_cast<int>(
        std::clamp<int64_t>(pixels / alongRoom, across, std::max<int64_t>(acrossRoom, across)));
}

}  // namespace

std::optional<Point> PlaceBandOnDetail(const Bitmap& map, int width, int height,
                                       const PositionRange& allowed) {
    if (allowed.Count() <= 0 || width < 1 || height < 1 || allowed.left < 0 || allowed.top < 0 ||
        int64_t{allowed.right} + width > map.Width() ||
        int64_t{allowed.bottom} + height > map.Height())
        return std::nullopt;
    // Only the part of the map any band position covers.
    const Rect region{allowed.left, allowed.top, allowed.right + width, allowed.bottom + height};
    const std::optional<Bitmap> part = CopyArea(&map, region);
    if (!part)
        return std::nullopt;
    const BrightnessPlane plane = BrightnessPlaneOf(*part);
    const int w = plane.width, h = plane.height;
    // Summed-area table of the detail of every pixel (its steps to the right and down).
    std::vector<int64_t> sums(static_cast<size_t>(w + 1) * (h + 1), 0);
    auto at = [&](int x, int y) -> int64_t& { return sums[static_cast<size_t>(y) * (w + 1) + x]; };
    for (int y = 0; y < h; ++y) {
        int64_t row = 0;
        for (int x = 0; x < w; ++x) {
            const int v = plane.At(x, y);
            const int right = x + 1 < w ? std::abs(plane.At(x + 1, y) - v) : 0;
            const int down = y + 1 < h ? std::abs(plane.At(x, y + 1) - v) : 0;
            row += std::max(right - kNoiseStep, 0) + std::max(down - kNoiseStep, 0);
            at(x + 1, y + 1) = at(x + 1, y) + row;
        }
    }
    const int midX = static_cast<int>((allowed.Columns() - 1) / 2);
    const int midY = static_cast<int>((allowed.Rows() - 1) / 2);
    int64_t best = -1;
    int64_t bestDistance = 0;
    Point bestPos;
    for (int y = 0; y < allowed.Rows(); ++y) {
        for (int x = 0; x < allowed.Columns(); ++x) {
            const int64_t detail =
                at(x + width, y + height) - at(x, y + height) - at(x + width, y) + at(x, y);
            const int64_t distance =
                int64_t{x - midX} * (x - midX) + int64_t{y - midY} * (y - midY);
            if (detail > best || (detail == best && distance < bestDistance)) {
                best = detail;
                bestDistance = distance;
                bestPos = {x, y};
            }
        }
    }
    return Point{allowed.left + bestPos.x, allowed.top + bestPos.y};
}

PositionRange BandPositionsInOverlap(Point offset, int mapWidth, int mapHeight, int targetWidth,
                                     int targetHeight, int bandWidth, int bandHeight, int margin) {
    const int64_t left = std::max<int64_t>(0, -int64_t{offset.x}) + margin;
    const int64_t top = std::max<int64_t>(0, -int64_t{offset.y}) + margin;
    const int64_t right =
        std::min<int64_t>(mapWidth, int64_t{targetWidth} - offset.x) - margin - bandWidth;
    const int64_t bottom =
        std::min<int64_t>(mapHeight, int64_t{targetHeight} - offset.y) - margin - bandHeight;
    auto narrow = [](int64_t v) {
        return static_cast<int>(std::clamp<int64_t>(v, -(int64_t{1} << 30), int64_t{1} << 30));
    };
    return {narrow(left), narrow(top), narrow(right), narrow(bottom)};
}

JoinEstimate RefinePrediction(JoinPrediction& prediction, const Bitmap& newMap,
                              const Bitmap& targetArea, Point neighbourPos,
                              const RefineOptions& options) {
    JoinEstimate info;
    if (newMap.IsEmpty() || targetArea.IsEmpty())
        return info;
    const bool horizontal = prediction.JoinDirection.x != 0;
    const Rect& targetRect = prediction.TargetRect;
    // The new map's top-left in the target area as the settings predict it.
    Point offset = prediction.ExpectedPos - prediction.BandPos;
    if (options.estimateOverlap) {
        const Rect halfRect = horizontal ? Rect{0, 0, newMap.Width() / 2, newMap.Height()}
                                         : Rect{0, 0, newMap.Width(), newMap.Height() / 2};
        const std::optional<Bitmap> half = CopyArea(&newMap, halfRect);
        if (half) {
            const PositionRange range =
                PlausibleOffsets(horizontal, targetRect.right, targetRect.bottom, targetRect);
            const OverlapEstimate estimate = EstimateOverlap(targetArea, *half, range);
            info.tried = true;
            info.distinct = estimate.valid && estimate.distinct;
            info.offset = estimate.offset;
            info.score = estimate.score;
            info.margin = estimate.Margin();
        }
    }
    if (info.distinct)
        FitBandIntoOverlap(prediction, info.offset, newMap, targetArea);
    PositionRange allowed = BandPositionsInOverlap(
        info.distinct ? info.offset : offset, newMap.Width(), newMap.Height(), targetArea.Width(),
        targetArea.Height(), prediction.BandWidth, prediction.BandHeight, kBandMargin);
    if (allowed.Count() <= 0)
        allowed = BandPositionsInOverlap(info.distinct ? info.offset : offset, newMap.Width(),
                                         newMap.Height(), targetArea.Width(), targetArea.Height(),
                                         prediction.BandWidth, prediction.BandHeight, 0);
    if (info.distinct) {
        offset = info.offset;
        prediction.Placeholder = {neighbourPos.x + targetRect.left + offset.x,
                                  neighbourPos.y + targetRect.top + offset.y};
        prediction.Overlap = horizontal ? targetRect.right - targetRect.left - offset.x
                                        : targetRect.bottom - targetRect.top - offset.y;
        // The band goes into the middle of the overlap found, as the settings would put it.
        if (allowed.Count() > 0)
            prediction.BandPos = {(allowed.left + allowed.right) / 2,
                                  (allowed.top + allowed.bottom) / 2};
    }
    if (options.bandOnDetail) {
        const std::optional<Point> placed =
            PlaceBandOnDetail(newMap, prediction.BandWidth, prediction.BandHeight, allowed);
        if (placed) {
            info.bandMoved = *placed != prediction.BandPos;
            prediction.BandPos = *placed;
        }
    }
    prediction.ExpectedPos = prediction.BandPos + offset;
    prediction.BandCentre =
        prediction.BandPos + Point{prediction.BandWidth / 2, prediction.BandHeight / 2};
    return info;
}

}  // namespace korvalen
