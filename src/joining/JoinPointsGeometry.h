#pragma once

#include "joining/BandAreaGeometry.h"

namespace korvalen {

// Join points: the band beside the target (the composite); the user clicks a point on the
// band and then the same point on the target, which places the band in the target.
// Composite pixels: the target at (0, 0).
class JoinPointsGeometry {
public:
    JoinPointsGeometry(bool horizontal, int targetWidth, int targetHeight, int bandWidth,
                       int bandHeight);

    int CompositeWidth() const { return compositeWidth_; }
    int CompositeHeight() const { return compositeHeight_; }
    const Rect& BandBox() const { return bandBox_; }

    enum class Click { Ignored, FirstPoint, BandPlaced };
    // A left (or any but the right) button press at p.
    Click Press(Point p);
    // The right button: the first point is given up.
    void RightPress();
    // The mouse at p; true when the second point followed it (the rubber line changed).
    bool MoveTo(Point p);
    ToolPointer PointerAt(Point p) const;

    bool FirstPointSet() const { return firstPointSet_; }
    Point FirstPoint() const { return firstPoint_; }
    Point SecondPoint() const { return secondPoint_; }
    Point PointOffset() const { return pointOffset_; }
    // Where the second point may lie so that the whole band stays inside the target; its
    // right and bottom edges are allowed (there the band touches the target's far edges).
    const PixelBox& AllowedBox() const { return allowedBox_; }
    Point BandPosition() const { return bandPosition_; }  // top-left of the band in the target
    bool Accepted() const { return accepted_; }

private:
    int targetWidth_;
    int targetHeight_;
    int bandWidth_;
    int bandHeight_;
    Rect bandBox_;
    int compositeWidth_ = 0;
    int compositeHeight_ = 0;
    bool firstPointSet_ = false;
    Point firstPoint_;
    Point secondPoint_;
    Point pointOffset_;
    PixelBox allowedBox_;
    Point bandPosition_;
    bool accepted_ = false;
};

}  // namespace korvalen
