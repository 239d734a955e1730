#pragma once

#include <cstdint>
#include <string>

#include "geo/CalibPoints.h"

namespace korvalen {

// Rounding to the nearest integer, halves to the even neighbour; clamped to the int range.
int RoundHalfEvenToInt(double value);

// The largest map image the display shows, in pixels.
inline constexpr int64_t kGeoMapMaxPixels = 100000000;
// The display's message for a larger image; empty when the size is allowed. The product is
// taken in 64 bits, so that sizes whose 32-bit product wraps are refused as well.
std::string GeoMapImageSizeError(const std::string& controlName, int width, int height);

enum class PanAxes { Both, Horizontal, Vertical };

// Where the map display looks: the magnification (screen pixels per image pixel, 0.1 to 10),
// the image pixel at the top-left corner of the view, and the conversions between screen
// and image that follow from them.
class GeoMapView {
public:
    static constexpr double kMinMagnification = 0.1;
    static constexpr double kMaxMagnification = 10;

    void SetImageSize(int width, int height);
    void SetViewSize(int width, int height);
    int ImageWidth() const { return imageWidth_; }
    int ImageHeight() const { return imageHeight_; }
    int ViewWidth() const { return viewWidth_; }
    int ViewHeight() const { return viewHeight_; }

    double Magnification() const { return magnification_; }
    // Clamps to 0.1..10; the view's top-left stays.
    void SetMagnification(double magnification);

    int PanX() const { return panX_; }
    int PanY() const { return panY_; }
    void SetPan(int x, int y);

    bool ConfinePanToMapImage = true;

    PixelPos ScreenToImage(PixelPos screen) const;
    PixelPos ImageToScreen(PixelPos image) const;
    // Puts the image pixel in the middle of the view, then confines.
    void CenterOn(PixelPos image);
    // Keeps the view inside the image when confining is on; the top-left never goes negative.
    void Confine();

    // Panning with the mouse: the first move records where the drag started, later moves
    // shift the view by the distance moved.
    void DragMove(PixelPos mouse, PanAxes axes = PanAxes::Both);
    void EndDrag() { dragging_ = false; }
    bool Dragging() const { return dragging_; }

private:
    int imageWidth_ = 0, imageHeight_ = 0;
    int viewWidth_ = 0, viewHeight_ = 0;
    double magnification_ = 1;
    int panX_ = 0, panY_ = 0;
    bool dragging_ = false;
    PixelPos dragMouse_{}, dragPan_{};
};

}  // namespace korvalen
