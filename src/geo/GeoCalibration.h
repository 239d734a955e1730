#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "geo/CalibrationWriter.h"

namespace korvalen {

// A calibration point of the map display: an image pixel and its WGS 84 coordinates.
struct GeoCalibPoint {
    double Lat = 0;
    double Lon = 0;
    int32_t X = 0;
    int32_t Y = 0;
};

// How far a point lies from the fitted calibration: in pixels, between its pixel and where
// the fit puts its coordinates, and in metres, between its coordinates and where the fit
// puts its pixel.
struct PointResidual {
    double Pixels = 0;
    double Metres = 0;
};

// Six coefficients of a + b u + c v + d u^2 + e u v + f v^2.
using Biquadratic = std::array<double, 6>;
double EvaluateBiquadratic(const Biquadratic& c, double u, double v);

// The calibration of the map display: up to 200 points, a biquadratic fit of latitude and
// longitude over the pixels (and of column and row over the coordinates), refitted after
// every change, and the image corners and resolution that follow from it. The squares and
// products of pixels are taken in double, so maps wider than 46,340 pixels fit as well as
// small ones.
class GeoCalibration : public GeoMapCorners {
public:
    static constexpr int kMaxPoints = 200;
    static constexpr double kEarthRadius = 6378000;  // metres, for the resolution

    void SetImageSize(int width, int height);
    int ImageWidth() const override { return width_; }
    int ImageHeight() const override { return height_; }

    void Clear();
    // Appends a point and refits; false (nothing changed) when the list is full.
    bool AddCalibPoint(int32_t x, int32_t y, double lat, double lon);
    // Moves the first point at the old pixel to the new one with the coordinates given;
    // false when no point lies at the old pixel.
    bool ChangeCalibPoint(int32_t oldX, int32_t oldY, int32_t newX, int32_t newY, double lat,
                          double lon);
    const std::vector<GeoCalibPoint>& Points() const { return points_; }
    int NumCalibPoints() const { return static_cast<int>(points_.size()); }

    double PixelToLat(double x, double y) const;
    double PixelToLon(double x, double y) const;
    // Column and row (fractional) where the fit puts the coordinates.
    void LatLonToPixel(double lat, double lon, double& x, double& y) const;

    // Corner 1 (0, 0), 2 (0, H), 3 (W, H), 4 (W, 0) as the fit gives them.
    const std::array<LatLon, 4>& Corners() const { return corners_; }
    LatLon CornerLatLon(ImageCorner corner) const override;
    double Resolution() const { return resolution_; }
    double ResolutionMetresPerPixel() const override { return resolution_; }

    PointResidual Residual(int index) const;
    PointResidual ResidualOf(const GeoCalibPoint& point) const;
    // Root mean square of the residuals of all points (0 without points).
    PointResidual RmsResidual() const;

    const Biquadratic& LatCoefficients() const { return lat_; }
    const Biquadratic& LonCoefficients() const { return lon_; }

private:
    void Refit();

    int width_ = 0;
    int height_ = 0;
    std::vector<GeoCalibPoint> points_;
    Biquadratic lat_{}, lon_{}, col_{}, row_{};
    // The geographic fit is taken about the points' mean coordinates: squares of 50 degrees
    // barely differ across a map, and about the mean the system stays well conditioned.
    double latOrigin_ = 0, lonOrigin_ = 0;
    std::array<LatLon, 4> corners_{};
    double resolution_ = 0;
};

// Great-circle distance in metres on a sphere of the radius, by the spherical law of cosines
// (the cosine clamped to -1..1).
double GreatCircleMetres(double lat1, double lon1, double lat2, double lon2, double radius);

}  // namespace korvalen
