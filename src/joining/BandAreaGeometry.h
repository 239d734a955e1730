#pragma once

#include "images/BitmapOps.h"
#include "joining/JoinRequest.h"

namespace korvalen {

// A rectangle whose right and bottom edges are pixels inside it, as the band tools edit it.
struct PixelBox {
    int left = 0, top = 0, right = 0, bottom = 0;
    int Width() const { return right - left + 1; }
    int Height() const { return bottom - top + 1; }
    bool Contains(Point p) const {
        return p.x >= left && p.x <= right && p.y >= top && p.y <= bottom;
    }
    friend bool operator==(const PixelBox&, const PixelBox&) = default;
};

// Band sides the tools let the user choose.
inline constexpr int kMinBandSide = 10;
inline constexpr int kMaxBandSide = 500;
// The pictures the tools show side by side are kept this far apart.
inline constexpr int kPictureGap = 3;

// Move buttons carry their step in their tag: sign x (100 |dx| + |dy|), area buttons with
// kAreaTagBase added. Tags from kFirstAreaTag on move the area.
inline constexpr int kAreaTagBase = 100000;
inline constexpr int kFirstAreaTag = 99000;
struct MoveStep {
    bool area = false;
    int dx = 0;
    int dy = 0;
    friend bool operator==(const MoveStep&, const MoveStep&) = default;
};
MoveStep DecodeMoveTag(int tag);

// The keys that press move buttons, in the order of the buttons they press.
enum class MoveKey { Left, Right, Up, Down, Home, End, PageUp, PageDown };
// Without a modifier a key presses the band's button, with Shift, Ctrl or Alt the area's.
int MoveTagForKey(MoveKey key, bool modifier);

// Cursor shapes the tools show over their pictures.
enum class ToolPointer { Arrow, SizeWE, SizeNS, SizeNWSE, SizeNESW, SizeAll, Crosshair, Forbidden };

struct BandAreaInput {
    bool horizontal = true;
    int targetWidth = 0;
    int targetHeight = 0;
    int halfWidth = 0;  // the facing half of the new map
    int halfHeight = 0;
    Rect bandRect;     // in new-map pixels
    Point areaCentre;  // in target pixels
    int overlap = 2;   // search area to band, in halves
};

// The search band definition: the target and the facing half of the new map side by side
// (the composite), the band placed and sized on the half, the search area moved on the target.
// Composite pixels: the target at (0, 0), the half at NewOffset().
class BandAreaGeometry {
public:
    explicit BandAreaGeometry(const BandAreaInput& input);

    Point NewOffset() const { return newOffset_; }
    int CompositeWidth() const { return compositeWidth_; }
    int CompositeHeight() const { return compositeHeight_; }
    const PixelBox& BandBox() const { return bandBox_; }
    const Rect& AreaBox() const { return areaBox_; }
    const Rect& CentreBox() const { return centreBox_; }
    Point AreaCentre() const { return areaCentre_; }
    // The band in new-map pixels, as the search takes it.
    Rect BandRect() const;

    void MoveBand(int dx, int dy);
    void MoveArea(int dx, int dy);
    // Moves the edges named by edges (x -1 left, +1 right; y -1 top, +1 bottom). Refused
    // (false) when a side that moves would leave kMinBandSide..kMaxBandSide.
    bool ResizeBand(Point edges, int dx, int dy);
    // The up-downs: the right (bottom) edge follows the size.
    void SetBandWidth(int width);
    void SetBandHeight(int height);
    // A move button or key.
    void ApplyMoveTag(int tag);

    // Which band edges lie within 2 pixels of p, each edge line taken over its whole length.
    Point EdgeHitTest(Point p) const;

    enum class Drag { None, Resize, Band, Area };
    Drag Press(Point p);
    // A drag step to p; true when it changed the band or the area.
    bool DragTo(Point p);
    void Release() { drag_ = Drag::None; }
    Drag CurrentDrag() const { return drag_; }
    // What a press at p would do, as a cursor.
    ToolPointer PointerAt(Point p) const;

private:
    void KeepBandInside(bool resizing);
    void ComputeArea();

    bool horizontal_;
    int targetWidth_;
    int targetHeight_;
    int overlap_;
    Point newOffset_;
    int compositeWidth_ = 0;
    int compositeHeight_ = 0;
    PixelBox halfBox_;  // the new half in the composite
    PixelBox bandBox_;
    Rect areaBox_;
    Rect centreBox_;
    Point areaCentre_;
    Drag drag_ = Drag::None;
    Point edges_;
    Point lastMouse_;
};

}  // namespace korvalen
