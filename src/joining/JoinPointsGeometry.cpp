#include "joining/JoinPointsGeometry.h"

#include <algorithm>

namespace korvalen {
namespace {

bool Inside(const Rect& r, Point p) {
    return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

}  // namespace

JoinPointsGeometry::JoinPointsGeometry(bool horizontal, int targetWidth, int targetHeight,
                                       int bandWidth, int bandHeight)
    : targetWidth_(std::max(targetWidth, 1)),
      targetHeight_(std::max(targetHeight, 1)),
      bandWidth_(std::max(bandWidth, 1)),
      bandHeight_(std::max(bandHeight, 1)) {
    // Centred across the joining direction; a band larger than the target starts at 0.
    Point corner =
        horizontal
            ? Point{targetWidth_ + kPictureGap, std::max(0, (targetHeight_ - bandHeight_) / 2)}
            : Point{std::max(0, (targetWidth_ - bandWidth_) / 2), targetHeight_ + kPictureGap};
    bandBox_ = {corner.x, corner.y, corner.x + bandWidth_, corner.y + bandHeight_};
    compositeWidth_ = std::max(targetWidth_, bandBox_.right) + (horizontal ? kPictureGap : 0);
    compositeHeight_ = std::max(targetHeight_, bandBox_.bottom) + (horizontal ? 0 : kPictureGap);
}

JoinPointsGeometry::Click JoinPointsGeometry::Press(Point p) {
    if (!firstPointSet_) {
        if (!Inside(bandBox_, p))
            return Click::Ignored;
        firstPoint_ = secondPoint_ = p;
        pointOffset_ = p - Point{bandBox_.left, bandBox_.top};
        allowedBox_ = {pointOffset_.x, pointOffset_.y, targetWidth_ + pointOffset_.x - bandWidth_,
                       targetHeight_ + pointOffset_.y - bandHeight_};
        firstPointSet_ = true;
        accepted_ = false;
        return Click::FirstPoint;
    }
    if (!allowedBox_.Contains(p))
        return Click::Ignored;
    secondPoint_ = p;
    firstPointSet_ = false;
    bandPosition_ = secondPoint_ - pointOffset_;
    accepted_ = true;
    return Click::BandPlaced;
}

void JoinPointsGeometry::RightPress() {
    firstPointSet_ = false;
    accepted_ = false;
}

bool JoinPointsGeometry::MoveTo(Point p) {
    if (!firstPointSet_ || !allowedBox_.Contains(p) || p == secondPoint_)
        return false;
    secondPoint_ = p;
    return true;
}

ToolPointer JoinPointsGeometry::PointerAt(Point p) const {
    const bool allowed = firstPointSet_ ? allowedBox_.Contains(p) : Inside(bandBox_, p);
    return allowed ? ToolPointer::Crosshair : ToolPointer::Forbidden;
}

}  // namespace korvalen
