#include "joining/BandAreaGeometry.h"

#include <algorithm>
#include <array>
#include <cstdlib>

namespace korvalen {
namespace {

// Tags of the band's buttons in the order of MoveKey: 1 pixel left, right, up, down, then
// 10 pixels.
constexpr std::array<int, 8> kBandTags = {-100, 100, -1, 1, -1000, 1000, -10, 10};

// Keeps [low, high] inside [min, max]. Moving keeps the size (unless it does not fit at all);
// resizing moves only the edge that crossed.
void KeepAxisInside(int& low, int& high, int min, int max, bool resizing) {
    if (low < min) {
        if (!resizing)
            high += min - low;
        low = min;
    }
    if (high > max) {
        if (!resizing)
            low -= high - max;
        high = max;
    }
    low = std::max(low, min);
}

bool IsBandSide(int side) {
    return side >= kMinBandSide && side <= kMaxBandSide;
}

// Keeps a centre coordinate so that centre -/+ extent lies inside [0, size] where it can.
int KeepCentreInside(int centre, int extent, int size) {
    if (centre - extent < 0)
        return extent;
    if (centre + extent > size)
        return size - extent;
    return centre;
}

bool Inside(const Rect& r, Point p) {
    return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

}  // namespace

MoveStep DecodeMoveTag(int tag) {
    MoveStep step;
    if (tag >= kFirstAreaTag) {
        step.area = true;
        tag -= kAreaTagBase;
    }
    const int sign = tag < 0 ? -1 : 1;
    const int size = std::abs(tag);
    step.dx = sign * (size / 100);
    step.dy = sign * (size % 100);
    return step;
}

int MoveTagForKey(MoveKey key, bool modifier) {
    const int tag = kBandTags[static_cast<size_t>(key)];
    return modifier ? tag + kAreaTagBase : tag;
}

BandAreaGeometry::BandAreaGeometry(const BandAreaInput& input)
    : horizontal_(input.horizontal),
      targetWidth_(std::max(input.targetWidth, 1)),
      targetHeight_(std::max(input.targetHeight, 1)),
      overlap_(std::clamp(input.overlap, 1, 10)),
      areaCentre_(input.areaCentre) {
    const int halfWidth = std::max(input.halfWidth, 1);
    const int halfHeight = std::max(input.halfHeight, 1);
    newOffset_ =
        horizontal_ ? Point{targetWidth_ + kPictureGap, 0} : Point{0, targetHeight_ + kPictureGap};
    compositeWidth_ = std::max(targetWidth_, newOffset_.x + halfWidth);
    compositeHeight_ = std::max(targetHeight_, newOffset_.y + halfHeight);
    halfBox_ = {newOffset_.x, newOffset_.y, newOffset_.x + halfWidth - 1,
                newOffset_.y + halfHeight - 1};
    bandBox_ = {input.bandRect.left + newOffset_.x, input.bandRect.top + newOffset_.y,
                input.bandRect.right - 1 + newOffset_.x, input.bandRect.bottom - 1 + newOffset_.y};
    // A band given without extent still gets one pixel.
    bandBox_.right = std::max(bandBox_.right, bandBox_.left);
    bandBox_.bottom = std::max(bandBox_.bottom, bandBox_.top);
    KeepBandInside(false);
    ComputeArea();
}

Rect BandAreaGeometry::BandRect() const {
    return {bandBox_.left - newOffset_.x, bandBox_.top - newOffset_.y,
            bandBox_.right + 1 - newOffset_.x, bandBox_.bottom + 1 - newOffset_.y};
}

void BandAreaGeometry::KeepBandInside(bool resizing) {
    // Inside the new half: the band is cut from it, so it must not reach the background.
    KeepAxisInside(bandBox_.left, bandBox_.right, halfBox_.left, halfBox_.right, resizing);
    KeepAxisInside(bandBox_.top, bandBox_.bottom, halfBox_.top, halfBox_.bottom, resizing);
}

void BandAreaGeometry::ComputeArea() {
    const int hw = (bandBox_.right - bandBox_.left) / 2;
    const int hh = (bandBox_.bottom - bandBox_.top) / 2;
    const int ex = (overlap_ * hw) / 2 + hw;
    const int ey = (overlap_ * hh) / 2 + hh;
    areaCentre_.x = KeepCentreInside(areaCentre_.x, ex, targetWidth_);
    areaCentre_.y = KeepCentreInside(areaCentre_.y, ey, targetHeight_);
    const Point c = areaCentre_;
    areaBox_ = {c.x - ex, c.y - ey, c.x + ex, c.y + ey};
    centreBox_ = {c.x - hw, c.y - hh, c.x + hw, c.y + hh};
}

void BandAreaGeometry::MoveBand(int dx, int dy) {
    bandBox_.left += dx;
    bandBox_.right += dx;
    bandBox_.top += dy;
    bandBox_.bottom += dy;
    KeepBandInside(false);
}

void BandAreaGeometry::MoveArea(int dx, int dy) {
    areaCentre_.x += dx;
    areaCentre_.y += dy;
    ComputeArea();
}

bool BandAreaGeometry::ResizeBand(Point edges, int dx, int dy) {
    PixelBox box = bandBox_;
    if (edges.x < 0)
        box.left += dx;
    else if (edges.x > 0)
        box.right += dx;
    if (edges.y < 0)
        box.top += dy;
    else if (edges.y > 0)
        box.bottom += dy;
    if ((edges.x != 0 && !IsBandSide(box.Width())) || (edges.y != 0 && !IsBandSide(box.Height())))
        return false;
    bandBox_ = box;
    KeepBandInside(true);
    ComputeArea();
    return true;
}

void BandAreaGeometry::SetBandWidth(int width) {
    bandBox_.right = bandBox_.left + std::clamp(width, kMinBandSide, kMaxBandSide) - 1;
    KeepBandInside(false);
    ComputeArea();
}

void BandAreaGeometry::SetBandHeight(int height) {
    bandBox_.bottom = bandBox_.top + std::clamp(height, kMinBandSide, kMaxBandSide) - 1;
    KeepBandInside(false);
    ComputeArea();
}

void BandAreaGeometry::ApplyMoveTag(int tag) {
    const MoveStep step = DecodeMoveTag(tag);
    if (step.area)
        MoveArea(step.dx, step.dy);
    else
        MoveBand(step.dx, step.dy);
}

Point BandAreaGeometry::EdgeHitTest(Point p) const {
    Point edges;
    if (std::abs(p.x - bandBox_.left) <= 2)
        edges.x = -1;
    else if (std::abs(p.x - bandBox_.right) <= 2)
        edges.x = 1;
    if (std::abs(p.y - bandBox_.top) <= 2)
        edges.y = -1;
    else if (std::abs(p.y - bandBox_.bottom) <= 2)
        edges.y = 1;
    return edges;
}

BandAreaGeometry::Drag BandAreaGeometry::Press(Point p) {
    edges_ = EdgeHitTest(p);
    if (edges_.x != 0 || edges_.y != 0)
        drag_ = Drag::Resize;
    else if (bandBox_.Contains(p))
        drag_ = Drag::Band;
    else if (Inside(areaBox_, p))
        drag_ = Drag::Area;
    else
        drag_ = Drag::None;
    lastMouse_ = p;
    return drag_;
}

bool BandAreaGeometry::DragTo(Point p) {
    if (drag_ == Drag::None || p == lastMouse_)
        return false;
    const Point step = p - lastMouse_;
    lastMouse_ = p;
    switch (drag_) {
        case Drag::Band:
            MoveBand(step.x, step.y);
            return true;
        case Drag::Resize:
            return ResizeBand(edges_, step.x, step.y);
        case Drag::Area:
            MoveArea(step.x, step.y);
            return true;
        case Drag::None:
            break;
    }
    return false;
}

ToolPointer BandAreaGeometry::PointerAt(Point p) const {
    const Point e = EdgeHitTest(p);
    if (e.x != 0 && e.y == 0)
        return ToolPointer::SizeWE;
    if (e.x == 0 && e.y != 0)
        return ToolPointer::SizeNS;
    if (e.x != 0)
        return e.x == e.y ? ToolPointer::SizeNWSE : ToolPointer::SizeNESW;
    if (bandBox_.Contains(p) || Inside(areaBox_, p))
        return ToolPointer::SizeAll;
    return ToolPointer::Arrow;
}

}  // namespace korvalen
