#include "images/MapAdjust.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "core/ProgramState.h"
#include "images/PixelConvert.h"
#include "images/RotateBitmap.h"

namespace korvalen {

double LineAngle(PixelPos p1, PixelPos p2, bool horizontal) {
    if (p1 == p2)
        return 0;
    const double dx = std::abs(static_cast<double>(p2.X) - p1.X);
    const double dy = std::abs(static_cast<double>(p2.Y) - p1.Y);
    constexpr double kDegrees = 180.0 / std::numbers::pi;
    if (horizontal) {
        if (p1.X == p2.X)
            return p1.Y > p2.Y ? -90.0 : 90.0;
        const double angle = std::atan(dy / dx) * kDegrees;
        const bool rightBelow = p2.X > p1.X && p2.Y > p1.Y;
        const bool leftAbove = p2.X < p1.X && p2.Y < p1.Y;
        return rightBelow || leftAbove ? -angle : angle;
    }
    if (p1.Y == p2.Y)
        return p1.X > p2.X ? -90.0 : 90.0;
    const double angle = std::atan(dx / dy) * kDegrees;
    const bool rightAbove = p1.X > p2.X && p1.Y < p2.Y;
    const bool leftBelow = p1.X < p2.X && p1.Y > p2.Y;
    return rightAbove || leftBelow ? -angle : angle;
}

namespace {

// Coordinates at the pixel (x, y) of a map, from its four corners, bilinearly in the corner
// pixels (W, H: the top-right corner's column and the bottom-left corner's row). For a north-up
// capture (P1 and P3 on one meridian, P1 and P2 on one parallel) this is the linear
// interpolation of each coordinate.
void CoordinatesAt(const CalibPoints& old, double w, double h, double x, double y,
                   tCalibPoint& point) {
    const double u = x / w;
    const double v = y / h;
    const tCalibPoint& p1 = old[kTopLeft];
    const tCalibPoint& p2 = old[kTopRight];
    const tCalibPoint& p3 = old[kBottomLeft];
    const tCalibPoint& p4 = old[kBottomRight];
    const auto blend = [&](double a1, double a2, double a3, double a4) {
        return a1 + u * (a2 - a1) + v * (a3 - a1) + u * v * (a4 - a3 - a2 + a1);
    };
    point.Lon = blend(p1.Lon, p2.Lon, p3.Lon, p4.Lon);
    point.Lat = blend(p1.Lat, p2.Lat, p3.Lat, p4.Lat);
}

}  // namespace

bool CutCalibPoints(CalibPoints& points, PixelPos topLeft, PixelPos bottomRight) {
    const CalibPoints old = points;
    const double w = old[kTopRight].X;
    const double h = old[kBottomLeft].Y;
    if (!(w > 0) || !(h > 0))
        return false;
    const int x0 = topLeft.X, y0 = topLeft.Y, x1 = bottomRight.X, y1 = bottomRight.Y;
    const int xm = x0 + (x1 - x0) / 2;
    const int ym = y0 + (y1 - y0) / 2;
    const PixelPos at[kCalibPointCount] = {{x0, y0}, {x1, y0}, {x0, y1}, {x1, y1}, {xm, y0},
                                           {xm, y1}, {x0, ym}, {x1, ym}, {xm, ym}};
    for (int i = 1; i <= kCalibPointCount; ++i) {
        const PixelPos p = at[i - 1];
        tCalibPoint& point = points[i];
        CoordinatesAt(old, w, h, p.X, p.Y, point);
        point.X = p.X - x0;
        point.Y = p.Y - y0;
    }
    return true;
}

bool RotateCalibPoints(CalibPoints& points, int width, int height, double angleDegrees) {
    const CalibPoints old = points;
    const double w = old[kTopRight].X;
    const double h = old[kBottomLeft].Y;
    if (!(w > 0) || !(h > 0) || width <= 0 || height <= 0 || !std::isfinite(angleDegrees))
        return false;
    const RotatedSize size = RotatedSizeFor(width, height, angleDegrees);
    for (int i = 1; i <= kCalibPointCount; ++i) {
        const PixelPos at = CalibPoints::FixedPixel(i, size.width, size.height);
        // The points' pixels are pixel corners, RotateBitmap's are pixel centres.
        const TurnedSource from =
            TurnedPixelSource(width, height, angleDegrees, at.X - 0.5, at.Y - 0.5);
        tCalibPoint& point = points[i];
        CoordinatesAt(old, w, h, from.x + 0.5, from.y + 0.5, point);
        point.X = at.X;
        point.Y = at.Y;
    }
    return true;
}

void TurnCalibration(ProgramState& state, int width, int height, double angleDegrees) {
    if (state.GEMode && RotateCalibPoints(state.Calibration.Points, width, height, angleDegrees))
        state.Calibration.Pending = true;
}

bool CutBitmap(Bitmap& bitmap, PixelPos topLeft, PixelPos bottomRight, ProgramState& state) {
    if (bitmap.IsEmpty() || topLeft.X < 0 || topLeft.Y < 0 || bottomRight.X < topLeft.X ||
        bottomRight.Y < topLeft.Y || bottomRight.X >= bitmap.Width() ||
        bottomRight.Y >= bitmap.Height())
        return false;
    const Rect rect{topLeft.X, topLeft.Y, bottomRight.X + 1, bottomRight.Y + 1};
    std::optional<Bitmap> cut = CopyArea(&bitmap, rect);
    if (!cut)
        return false;
    if (state.GEMode) {
        if (!CutCalibPoints(state.Calibration.Points, topLeft, bottomRight))
            return false;
        state.Calibration.Pending = true;
    }
    bitmap = std::move(*cut);
    state.ResultUnsaved = true;
    return true;
}

void ShadeBitmap(Bitmap& bitmap, int delta, const Rect& rect, bool inside) {
    if (bitmap.IsEmpty())
        return;
    const PixelFormat format = bitmap.Format();
    ConvertInPlace(bitmap, PixelFormat::Bits24);
    uint8_t table[256];
    for (int v = 0; v < 256; ++v)
        table[v] = static_cast<uint8_t>(std::clamp(v + delta, 0, 255));
    const int w = bitmap.Width();
    const int left = std::clamp(rect.left, 0, w);
    const int right = std::clamp(rect.right, left, w);
    const auto shade = [&](uint8_t* row, int from, int to) {
        for (uint8_t* p = row + from * 3; p < row + to * 3; ++p)
            *p = table[*p];
    };
    for (int y = 0; y < bitmap.Height(); ++y) {
        uint8_t* row = bitmap.Row(y);
        const bool rowInRect = y >= rect.top && y < rect.bottom;
        if (inside) {
            if (rowInRect)
                shade(row, left, right);
        } else if (!rowInRect) {
            shade(row, 0, w);
        } else {
            shade(row, 0, left);
            shade(row, right, w);
        }
    }
    ConvertInPlace(bitmap, format);
}

}  // namespace korvalen
