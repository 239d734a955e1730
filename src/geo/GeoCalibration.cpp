#include "geo/GeoCalibration.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "geo/LeastSquaresSvd.h"

namespace korvalen {
namespace {

DesignRow Row(double u, double v) {
    return {1, u, v, u * u, u * v, v * v};
}

}  // namespace

double EvaluateBiquadratic(const Biquadratic& c, double u, double v) {
    return c[0] + c[1] * u + c[2] * v + c[3] * u * u + c[4] * u * v + c[5] * v * v;
}

double GreatCircleMetres(double lat1, double lon1, double lat2, double lon2, double radius) {
    constexpr double rad = std::numbers::pi / 180;
    const double cosine =
        std::sin(lat1 * rad) * std::sin(lat2 * rad) +
        std::cos(lat1 * rad) * std::cos(lat2 * rad) * std::cos((lon2 - lon1) * rad);
    const double angle = std::acos(std::clamp(cosine, -1.0, 1.0));
    return std::isfinite(angle) ? angle * radius : 0;
}

void GeoCalibration::SetImageSize(int width, int height) {
    width_ = std::max(0, width);
    height_ = std::max(0, height);
    Refit();
}

void GeoCalibration::Clear() {
    points_.clear();
    Refit();
}

bool GeoCalibration::AddCalibPoint(int32_t x, int32_t y, double lat, double lon) {
    if (NumCalibPoints() >= kMaxPoints)
        return false;
    points_.push_back({lat, lon, x, y});
    Refit();
    return true;
}

bool GeoCalibration::ChangeCalibPoint(int32_t oldX, int32_t oldY, int32_t newX, int32_t newY,
                                      double lat, double lon) {
    for (GeoCalibPoint& p : points_) {
        if (p.X == oldX && p.Y == oldY) {
            p = {lat, lon, newX, newY};
            Refit();
            return true;
        }
    }
    return false;
}

double GeoCalibration::PixelToLat(double x, double y) const {
    return EvaluateBiquadratic(lat_, x, y);
}
double GeoCalibration::PixelToLon(double x, double y) const {
    return EvaluateBiquadratic(lon_, x, y);
}

void GeoCalibration::LatLonToPixel(double lat, double lon, double& x, double& y) const {
    x = EvaluateBiquadratic(col_, lat - latOrigin_, lon - lonOrigin_);
    y = EvaluateBiquadratic(row_, lat - latOrigin_, lon - lonOrigin_);
    // The geographic fit is only near the inverse of the pixel fit (the inverse of a
    // biquadratic is not one); a few Newton steps on the pixel fit make the two agree.
    for (int step = 0; step < 4; ++step) {
        const double dLat = PixelToLat(x, y) - lat, dLon = PixelToLon(x, y) - lon;
        const double a = lat_[1] + 2 * lat_[3] * x + lat_[4] * y;  // dLat/dx
        const double b = lat_[2] + lat_[4] * x + 2 * lat_[5] * y;  // dLat/dy
        const double c = lon_[1] + 2 * lon_[3] * x + lon_[4] * y;
        const double d = lon_[2] + lon_[4] * x + 2 * lon_[5] * y;
        const double det = a * d - b * c;
        if (!std::isfinite(det) || det == 0)
            return;
        const double nx = x - (d * dLat - b * dLon) / det;
        const double ny = y - (a * dLon - c * dLat) / det;
        if (!std::isfinite(nx) || !std::isfinite(ny))
            return;
        x = nx;
        y = ny;
    }
}

LatLon GeoCalibration::CornerLatLon(ImageCorner corner) const {
    switch (corner) {
        case ImageCorner::TopLeft:
            return corners_[0];
        case ImageCorner::BottomLeft:
            return corners_[1];
        case ImageCorner::BottomRight:
            return corners_[2];
        case ImageCorner::TopRight:
            return corners_[3];
    }
    return {};
}

void GeoCalibration::Refit() {
    lat_ = lon_ = col_ = row_ = Biquadratic{};
    latOrigin_ = lonOrigin_ = 0;
    if (!points_.empty()) {
        std::vector<DesignRow> pixelRows, geoRows;
        std::vector<double> lats, lons, cols, rows;
        for (const GeoCalibPoint& p : points_) {
            latOrigin_ += p.Lat / static_cast<double>(points_.size());
            lonOrigin_ += p.Lon / static_cast<double>(points_.size());
        }
        for (const GeoCalibPoint& p : points_) {
            pixelRows.push_back(Row(p.X, p.Y));
            geoRows.push_back(Row(p.Lat - latOrigin_, p.Lon - lonOrigin_));
            lats.push_back(p.Lat);
            lons.push_back(p.Lon);
            cols.push_back(p.X);
            rows.push_back(p.Y);
        }
        // A set whose decomposition fails stays zero.
        SolveLeastSquares(pixelRows, lats, lat_);
        SolveLeastSquares(pixelRows, lons, lon_);
        SolveLeastSquares(geoRows, cols, col_);
        SolveLeastSquares(geoRows, rows, row_);
    }
    const double w = width_, h = height_;
    const double pixels[4][2] = {{0, 0}, {0, h}, {w, h}, {w, 0}};
    for (int i = 0; i < 4; ++i)
        corners_[static_cast<size_t>(i)] = {PixelToLat(pixels[i][0], pixels[i][1]),
                                            PixelToLon(pixels[i][0], pixels[i][1])};
    resolution_ = 0;
    if (width_ >= 1) {
        const double middle = height_ / 2;  // truncated
        resolution_ =
            GreatCircleMetres(PixelToLat(0, middle), PixelToLon(0, middle), PixelToLat(w, middle),
                              PixelToLon(w, middle), kEarthRadius) /
            w;
    }
}

PointResidual GeoCalibration::Residual(int index) const {
    if (index < 0 || index >= NumCalibPoints())
        return {};
    return ResidualOf(points_[static_cast<size_t>(index)]);
}

PointResidual GeoCalibration::ResidualOf(const GeoCalibPoint& p) const {
    double x = 0, y = 0;
    LatLonToPixel(p.Lat, p.Lon, x, y);
    PointResidual r;
    r.Pixels = std::hypot(x - p.X, y - p.Y);
    // Residuals are small: the haversine keeps centimetres the law of cosines rounds away.
    constexpr double rad = std::numbers::pi / 180;
    const double lat = PixelToLat(p.X, p.Y), lon = PixelToLon(p.X, p.Y);
    const double a = std::pow(std::sin((lat - p.Lat) * rad / 2), 2) +
                     std::cos(lat * rad) * std::cos(p.Lat * rad) *
                         std::pow(std::sin((lon - p.Lon) * rad / 2), 2);
    r.Metres = 2 * kEarthRadius * std::asin(std::sqrt(std::clamp(a, 0.0, 1.0)));
    if (!std::isfinite(r.Metres))
        r.Metres = 0;
    if (!std::isfinite(r.Pixels))
        r.Pixels = 0;
    return r;
}

PointResidual GeoCalibration::RmsResidual() const {
    if (points_.empty())
        return {};
    double pixels = 0, metres = 0;
    for (int i = 0; i < NumCalibPoints(); ++i) {
        const PointResidual r = Residual(i);
        pixels += r.Pixels * r.Pixels;
        metres += r.Metres * r.Metres;
    }
    const double n = static_cast<double>(points_.size());
    return {std::sqrt(pixels / n), std::sqrt(metres / n)};
}

}  // namespace korvalen
