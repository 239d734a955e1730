#include "joining/MoveMapGeometry.h"

#include <algorithm>

#include "images/PixelConvert.h"
#include "joining/ScoreKernel.h"

namespace korvalen {
namespace {

bool Inside(const Rect& r, Point p) {
    return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

Rect Intersection(const Rect& a, const Rect& b) {
    return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
            std::min(a.bottom, b.bottom)};
}

bool IsEmpty(const Rect& r) {
    return r.left >= r.right || r.top >= r.bottom;
}

BlockHitsFunction BlockHits() {
    return HaveAvx2Kernel() ? Avx2BlockHits() : BlockHitsScalar;
}

}  // namespace

MoveMapGeometry::RedPlane MoveMapGeometry::RedPlaneOf(const Bitmap& bitmap) {
    RedPlane plane;
    if (bitmap.IsEmpty())
        return plane;
    // Both pictures go through the standard palette, so that maps of different pixel formats
    // compare like the search compares them.
    const Bitmap reduced = ConvertPixelFormat(bitmap, PixelFormat::Bits8);
    const std::vector<Rgb>& palette = reduced.Palette();
    uint8_t reds[256] = {};
    for (size_t i = 0; i < palette.size() && i < 256; ++i)
        reds[i] = palette[i].r;
    plane.width = reduced.Width();
    plane.height = reduced.Height();
    plane.values.resize(static_cast<size_t>(plane.width) * plane.height);
    for (int y = 0; y < plane.height; ++y) {
        const uint8_t* row = reduced.Row(y);
        uint8_t* out = plane.values.data() + static_cast<size_t>(y) * plane.width;
        for (int x = 0; x < plane.width; ++x)
            out[x] = reds[row[x]];
    }
    return plane;
}

MoveMapGeometry::MoveMapGeometry(bool horizontal, const Bitmap& target, const Bitmap& newHalf,
                                 Point moveOffset, int spreading)
    : horizontal_(horizontal),
      spreading_(static_cast<uint8_t>(std::clamp(spreading, 0, 255))),
      targetRed_(RedPlaneOf(target)),
      newRed_(RedPlaneOf(newHalf)) {
    const int tw = targetRed_.width;
    const int th = targetRed_.height;
    const int nw = newRed_.width;
    const int nh = newRed_.height;
    // A free border across the joining direction, so that the half can be moved there.
    if (horizontal_) {
        margin_ = {0, th / 10};
        compositeWidth_ = tw + kPictureGap + nw;
        compositeHeight_ = std::max(th + 2 * margin_.y, nh);
    } else {
        margin_ = {tw / 10, 0};
        compositeWidth_ = std::max(tw + 2 * margin_.x, nw);
        compositeHeight_ = th + kPictureGap + nh;
    }
    compositeWidth_ = std::max(compositeWidth_, 1);
    compositeHeight_ = std::max(compositeHeight_, 1);
    targetBox_ = {margin_.x, margin_.y, margin_.x + tw, margin_.y + th};
    PlaceNewAt(margin_ + moveOffset);
    bestBox_ = newBox_;
    Measure();
}

Rect MoveMapGeometry::MeasuredBox() const {
    return {overlapBox_.left + 1, overlapBox_.top + 1, overlapBox_.right, overlapBox_.bottom};
}

void MoveMapGeometry::Recompute() {
    // Where both pictures lie: normally from the half's top-left to the target's bottom-right,
    // but never beyond the half (an overlap wider than the half) nor above the target.
    overlapBox_ = Intersection(newBox_, targetBox_);
    const bool along =
        horizontal_ ? newBox_.left + 2 < targetBox_.right : newBox_.top + 2 < targetBox_.bottom;
    hasOverlap_ = along && !IsEmpty(MeasuredBox());
}

void MoveMapGeometry::PlaceNewAt(Point topLeft) {
    // At least one pixel of the half stays on the composite, which bounds every measurement.
    const int nw = std::max(newRed_.width, 1);
    const int nh = std::max(newRed_.height, 1);
    topLeft.x = std::clamp(topLeft.x, 1 - nw, compositeWidth_ - 1);
    topLeft.y = std::clamp(topLeft.y, 1 - nh, compositeHeight_ - 1);
    newBox_ = {topLeft.x, topLeft.y, topLeft.x + newRed_.width, topLeft.y + newRed_.height};
    Recompute();
}

void MoveMapGeometry::MoveBy(int dx, int dy) {
    PlaceNewAt(Point{newBox_.left + dx, newBox_.top + dy});
}

bool MoveMapGeometry::Measure(std::vector<uint8_t>* mismatch) {
    if (!hasOverlap_)
        return false;
    const Rect inner = MeasuredBox();
    const int64_t area = int64_t{inner.Width()} * inner.Height();
    const Rect both = Intersection(inner, Intersection(targetBox_, newBox_));
    int64_t hits = 0;
    if (mismatch != nullptr)
        mismatch->assign(static_cast<size_t>(area), 1);
    if (!IsEmpty(both)) {
        const uint8_t* newStart = newRed_.values.data() +
                                  static_cast<ptrdiff_t>(both.top - newBox_.top) * newRed_.width +
                                  (both.left - newBox_.left);
        const uint8_t* targetStart =
            targetRed_.values.data() +
            static_cast<ptrdiff_t>(both.top - targetBox_.top) * targetRed_.width +
            (both.left - targetBox_.left);
        if (mismatch == nullptr) {
            hits = BlockHits()(newStart, newRed_.width, targetStart, targetRed_.width, both.Width(),
                               both.Height(), spreading_);
        } else {
            for (int y = 0; y < both.Height(); ++y) {
                const uint8_t* n = newStart + static_cast<ptrdiff_t>(y) * newRed_.width;
                const uint8_t* t = targetStart + static_cast<ptrdiff_t>(y) * targetRed_.width;
                uint8_t* marks = mismatch->data() +
                                 static_cast<size_t>(both.top - inner.top + y) * inner.Width() +
                                 (both.left - inner.left);
                for (int x = 0; x < both.Width(); ++x) {
                    const int d = n[x] > t[x] ? n[x] - t[x] : t[x] - n[x];
                    if (d <= spreading_) {
                        ++hits;
                        marks[x] = 0;
                    }
                }
            }
        }
    }
    overlapPermille_ = static_cast<int>(hits * 1000 / area);
    if (overlapPermille_ > bestPermille_) {
        bestPermille_ = overlapPermille_;
        bestBox_ = newBox_;
    }
    return true;
}

std::vector<Point> MoveMapGeometry::SurroundOffsets(int radius) {
    std::vector<Point> offsets;
    for (int dy = -radius; dy <= radius; ++dy)
        for (int dx = -radius; dx <= radius; ++dx)
            if (dx != 0 || dy != 0)
                offsets.push_back({dx, dy});
    return offsets;
}

int MoveMapGeometry::SearchSurround(int radius,
                                    const std::function<bool(int done, int total)>& afterEach) {
    const Point start{newBox_.left, newBox_.top};
    const int side = 2 * radius + 1;
    const int total = side * side;
    int done = 0;
    int measured = 0;
    for (int dy = -radius; dy <= radius; ++dy) {
        for (int dx = -radius; dx <= radius; ++dx) {
            if (dx != 0 || dy != 0) {
                PlaceNewAt(start + Point{dx, dy});
                Measure();
                ++measured;
            }
            ++done;
            if (afterEach && !afterEach(done, total))
                return measured;
        }
    }
    return measured;
}

bool MoveMapGeometry::BeginDrag(Point p) {
    if (pointStep_ != 0 || !Inside(newBox_, p))
        return false;
    dragging_ = true;
    dragOrigin_ = p;
    return true;
}

bool MoveMapGeometry::DragTo(Point p) {
    if (!dragging_ || p == dragOrigin_)
        return false;
    const Point step = p - dragOrigin_;
    dragOrigin_ = p;
    const Rect before = newBox_;
    MoveBy(step.x, step.y);
    return newBox_ != before;
}

void MoveMapGeometry::StartPointToPoint() {
    firstPoint_ = secondPoint_ = Point{};
    pointStep_ = 1;
}

MoveMapGeometry::PointClick MoveMapGeometry::PointPress(Point p) {
    if (pointStep_ == 1 && Inside(newBox_, p)) {
        firstPoint_ = secondPoint_ = p;
        pointStep_ = 2;
        return PointClick::FirstPoint;
    }
    if (pointStep_ == 2 && Inside(targetBox_, p)) {
        secondPoint_ = p;
        const Point move = secondPoint_ - firstPoint_;
        MoveBy(move.x, move.y);
        pointStep_ = 0;
        return PointClick::MapMoved;
    }
    return PointClick::Ignored;
}

void MoveMapGeometry::PointBack() {
    if (pointStep_ == 0)
        return;
    --pointStep_;
    if (pointStep_ > 0)
        secondPoint_ = firstPoint_;
}

bool MoveMapGeometry::PointFollow(Point p) {
    if (pointStep_ != 2 || p == secondPoint_)
        return false;
    secondPoint_ = p;
    return true;
}

ToolPointer MoveMapGeometry::PointerAt(Point p) const {
    if (pointStep_ == 1)
        return Inside(newBox_, p) ? ToolPointer::Crosshair : ToolPointer::Forbidden;
    if (pointStep_ == 2)
        return Inside(targetBox_, p) ? ToolPointer::Crosshair : ToolPointer::Forbidden;
    return ToolPointer::Arrow;
}

}  // namespace korvalen
