#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "images/Bitmap.h"
#include "joining/BandAreaGeometry.h"

namespace korvalen {

// The manual move: the facing half of the new map laid over the target area and moved by
// hand. It measures how well the overlapping pixels agree (their red components, both
// reduced to the standard palette) and remembers the best placement seen.
// Composite pixels: the target at Margin(), the new half at NewBox().
class MoveMapGeometry {
public:
    // moveOffset: top-left of the new half in target pixels. The bitmaps are read here only.
    MoveMapGeometry(bool horizontal, const Bitmap& target, const Bitmap& newHalf, Point moveOffset,
                    int spreading);

    Point Margin() const { return margin_; }
    int CompositeWidth() const { return compositeWidth_; }
    int CompositeHeight() const { return compositeHeight_; }
    const Rect& TargetBox() const { return targetBox_; }
    const Rect& NewBox() const { return newBox_; }
    // Where the half lies over the target.
    const Rect& OverlapBox() const { return overlapBox_; }
    bool HasOverlap() const { return hasOverlap_; }
    // The pixels a measurement compares: the overlap box without its first row and column.
    Rect MeasuredBox() const;

    // Moves the new half; it is kept touching the composite.
    void MoveBy(int dx, int dy);
    void PlaceNewAt(Point topLeft);
    // Measures the overlap when there is one (false otherwise, nothing changes). With a
    // mismatch vector, it receives one byte per pixel of MeasuredBox(), row by row: 1 where
    // the pictures disagree.
    bool Measure(std::vector<uint8_t>* mismatch = nullptr);
    int OverlapPermille() const { return overlapPermille_; }
    int BestPermille() const { return bestPermille_; }
    const Rect& BestBox() const { return bestBox_; }
    bool BestResultEnabled() const { return overlapPermille_ < bestPermille_; }
    bool SurroundEnabled() const { return overlapPermille_ == bestPermille_; }
    void GoToBest() { PlaceNewAt({bestBox_.left, bestBox_.top}); }

    // Offsets of the new half in target pixels: where it is and where it was best.
    Point CurrentOffset() const { return Point{newBox_.left, newBox_.top} - margin_; }
    Point BestOffset() const { return Point{bestBox_.left, bestBox_.top} - margin_; }

    // Every offset of the square of the radius around the start but the start itself, row by
    // row from the top.
    static std::vector<Point> SurroundOffsets(int radius);
    // Measures the half at each surround offset from where it is now. afterEach(done, total)
    // runs after every offset, the skipped start included, and stops the search by returning
    // false. Returns the number of offsets measured; the half is left at the last of them.
    int SearchSurround(int radius, const std::function<bool(int done, int total)>& afterEach);

    // Moving with the mouse.
    bool BeginDrag(Point p);  // true when p lies on the new half and point-to-point is off
    bool DragTo(Point p);     // true when the half moved
    void EndDrag() { dragging_ = false; }
    bool Dragging() const { return dragging_; }

    // Point to point: 0 off, 1 waiting for the point on the new half, 2 on the target.
    int PointStep() const { return pointStep_; }
    Point FirstPoint() const { return firstPoint_; }
    Point SecondPoint() const { return secondPoint_; }
    void StartPointToPoint();
    enum class PointClick { Ignored, FirstPoint, MapMoved };
    // A left press at p while point-to-point runs; MapMoved: the half moved so that the first
    // point lies on the second.
    PointClick PointPress(Point p);
    // The right button: one step back.
    void PointBack();
    // The mouse at p while waiting for the second point; true when the line changed.
    bool PointFollow(Point p);
    ToolPointer PointerAt(Point p) const;

private:
    struct RedPlane {
        std::vector<uint8_t> values;
        int width = 0;
        int height = 0;
    };
    static RedPlane RedPlaneOf(const Bitmap& bitmap);
    void Recompute();

    bool horizontal_;
    uint8_t spreading_;
    RedPlane targetRed_;
    RedPlane newRed_;
    Point margin_;
    int compositeWidth_ = 0;
    int compositeHeight_ = 0;
    Rect targetBox_;
    Rect newBox_;
    Rect overlapBox_;
    bool hasOverlap_ = false;
    int overlapPermille_ = 0;
    int bestPermille_ = 0;
    Rect bestBox_;
    bool dragging_ = false;
    Point dragOrigin_;
    int pointStep_ = 0;
    Point firstPoint_;
    Point secondPoint_;
};

}  // namespace korvalen
