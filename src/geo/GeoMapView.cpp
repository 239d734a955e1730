#include "geo/GeoMapView.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace korvalen {

int RoundHalfEvenToInt(double value) {
    if (!std::isfinite(value))
        return 0;
    const double rounded = std::nearbyint(value);  // the default mode: to nearest, ties even
    constexpr double lo = std::numeric_limits<int>::min(), hi = std::numeric_limits<int>::max();
    return static_cast<int>(std::clamp(rounded, lo, hi));
}

std::string GeoMapImageSizeError(const std::string& controlName, int width, int height) {
    if (static_cast<int64_t>(width) * static_cast<int64_t>(height) <= kGeoMapMaxPixels)
        return {};
    return "Component \"" + controlName + "\": Cannot use map image, maximum of " +
           std::to_string(kGeoMapMaxPixels) + " pixels exceeded (size of map is " +
           std::to_string(width) + " x " + std::to_string(height) + ")";
}

void GeoMapView::SetImageSize(int width, int height) {
    imageWidth_ = std::max(0, width);
    imageHeight_ = std::max(0, height);
    panX_ = panY_ = 0;
}

void GeoMapView::SetViewSize(int width, int height) {
    viewWidth_ = std::max(0, width);
    viewHeight_ = std::max(0, height);
}

void GeoMapView::SetMagnification(double magnification) {
    if (!std::isfinite(magnification))
        return;
    magnification_ = std::clamp(magnification, kMinMagnification, kMaxMagnification);
}

void GeoMapView::SetPan(int x, int y) {
    panX_ = x;
    panY_ = y;
}

PixelPos GeoMapView::ScreenToImage(PixelPos screen) const {
    return {RoundHalfEvenToInt(screen.X / magnification_) + panX_,
            RoundHalfEvenToInt(screen.Y / magnification_) + panY_};
}

PixelPos GeoMapView::ImageToScreen(PixelPos image) const {
    return {RoundHalfEvenToInt((static_cast<double>(image.X) - panX_) * magnification_),
            RoundHalfEvenToInt((static_cast<double>(image.Y) - panY_) * magnification_)};
}

void GeoMapView::CenterOn(PixelPos image) {
    panX_ = image.X - RoundHalfEvenToInt(viewWidth_ / magnification_ / 2);
    panY_ = image.Y - RoundHalfEvenToInt(viewHeight_ / magnification_ / 2);
    Confine();
}

void GeoMapView::Confine() {
    if (ConfinePanToMapImage) {
        const double maxX = imageWidth_ - viewWidth_ / magnification_;
        const double maxY = imageHeight_ - viewHeight_ / magnification_;
        if (panX_ > maxX)
            panX_ = RoundHalfEvenToInt(maxX);
        if (panY_ > maxY)
            panY_ = RoundHalfEvenToInt(maxY);
    }
    panX_ = std::max(panX_, 0);
    panY_ = std::max(panY_, 0);
}

void GeoMapView::DragMove(PixelPos mouse, PanAxes axes) {
    if (!dragging_) {
        dragging_ = true;
        dragMouse_ = mouse;
        dragPan_ = {panX_, panY_};
        return;
    }
    if (axes != PanAxes::Vertical)
        panX_ = RoundHalfEvenToInt((dragMouse_.X - mouse.X) / magnification_) + dragPan_.X;
    if (axes != PanAxes::Horizontal)
        panY_ = RoundHalfEvenToInt((dragMouse_.Y - mouse.Y) / magnification_) + dragPan_.Y;
    if (ConfinePanToMapImage)
        Confine();
}

}  // namespace korvalen
