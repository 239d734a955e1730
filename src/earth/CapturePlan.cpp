#include "earth/CapturePlan.h"

#include <algorithm>
#include <cmath>

namespace korvalen {

int PlannedPixels(int viewSide, int count, int overlapPercent) {
    return static_cast<int>(int64_t{viewSide} * (count - 1) * (100 - overlapPercent) / 100) +
           viewSide;
}

int OverlapPixels(int viewSide, int overlapPercent) {
    return viewSide * overlapPercent / 100;
}

int ResultPixels(int viewSide, int count, int overlapPercent) {
    return ImageOffset(viewSide, count - 1, overlapPercent) + viewSide;
}

int ImageOffset(int viewSide, int index, int overlapPercent) {
    return (viewSide - OverlapPixels(viewSide, overlapPercent)) * index;
}

int64_t AreaMetres(int64_t imageMetres, int count, int overlapPercent) {
    return (count - 1) * imageMetres * (100 - overlapPercent) / 100 + imageMetres;
}

double ImageAltitude(double mapAltitude, int rows, int cols) {
    return std::round(mapAltitude / std::max({rows, cols, 1}));
}

double SteppedAltitude(double altitude, int step) {
    int64_t a = std::llround(altitude);
    const int64_t s = std::abs(step);
    if (s == 0 || (step < 0 && a <= s))
        return altitude;
    a += step;
    a = a >= s ? (a + s / 2) / s * s : s;
    return static_cast<double>(a);
}

double KeyedAltitude(double altitude, AltitudeKey key) {
    static constexpr double kFactors[] = {1.5, 0.666, 1.1, 0.909};
    double a = std::round(altitude * kFactors[static_cast<int>(key)]);
    return a == 0 ? 10 : a;
}

int ViewSideForArea(int viewArea) {
    switch (viewArea) {
        case 0:
            return 256;
        case 2:
            return 1024;
        default:
            return 512;
    }
}

PointKinds CalibrationKinds(int row, int col, int rows, int cols) {
    PointKinds kinds{};
    const int midRow = rows / 2 + 1;
    const int midCol = cols / 2 + 1;
    const bool rowsOdd = rows % 2 == 1;
    const bool colsOdd = cols % 2 == 1;
    if (row == 1) {
        if (col == 1)
            kinds[1] = 1;
        if (col == midCol)
            kinds[5] = colsOdd ? 5 : 1;
        if (col == cols)
            kinds[2] = 2;
    }
    if (row == midRow) {
        if (col == 1)
            kinds[7] = rowsOdd ? 7 : 1;
        if (col == midCol)
            kinds[9] = rowsOdd ? (colsOdd ? 9 : 7) : (colsOdd ? 5 : 1);
        if (col == cols)
            kinds[8] = rowsOdd ? 8 : 2;
    }
    if (row == rows) {
        if (col == 1)
            kinds[3] = 3;
        if (col == midCol)
            kinds[6] = colsOdd ? 6 : 3;
        if (col == cols)
            kinds[4] = 4;
    }
    return kinds;
}

PixelPos KindPixel(int kind, int width, int height) {
    switch (kind) {
        case 2:
            return {width, 0};
        case 3:
            return {0, height};
        case 4:
            return {width, height};
        case 5:
            return {width / 2, 0};
        case 6:
            return {width / 2, height};
        case 7:
            return {0, height / 2};
        case 8:
            return {width, height / 2};
        case 9:
            return {width / 2, height / 2};
        default:
            return {0, 0};
    }
}

CellRect OverviewCell(int r, int c, int rows, int cols, int width, int height, int overlapPercent) {
    const int n = std::max({rows, cols, 1});
    const int cellW = width / n;
    const int cellH = height / n;
    const int top = r * cellH * (100 - overlapPercent) / 100;
    const int left = c * cellW * (100 - overlapPercent) / 100;
    return {left, top, left + cellW, top + cellH};
}

CellRect OverviewArea(int rows, int cols, int width, int height, int overlapPercent) {
    const int n = std::max({rows, cols, 1});
    const int cellW = width / n;
    const int cellH = height / n;
    return {0, 0, (cols - 1) * cellW * (100 - overlapPercent) / 100 + cellW,
            (rows - 1) * cellH * (100 - overlapPercent) / 100 + cellH};
}

CellRect ProgressCell(int r, int c, int rows, int cols, int width, int height) {
    const int cellW = (width - 3 * cols) / std::max(cols, 1);
    const int cellH = (height - 3 * rows) / std::max(rows, 1);
    const int left = (c - 1) * (cellW + 3) + 1;
    const int top = (r - 1) * (cellH + 3) + 1;
    return {left, top, left + cellW - 1, top + cellH - 1};
}

}  // namespace korvalen
