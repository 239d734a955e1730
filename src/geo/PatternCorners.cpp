#include "geo/PatternCorners.h"

#include <cmath>

#include "images/MapMatrix.h"

namespace korvalen {

std::array<CornerPixel, 4> CornerPixelsInViews(int viewWidth, int viewHeight, int overlapping) {
    const double f = (100.0 - overlapping) / 100.0;
    const double left = viewWidth / 2.0 - viewWidth * f / 2;
    const double right = viewWidth / 2.0 + viewWidth * f / 2;
    const double top = viewHeight / 2.0 - viewHeight * f / 2;
    const double bottom = viewHeight / 2.0 + viewHeight * f / 2;
    return {CornerPixel{left, top}, CornerPixel{right, top}, CornerPixel{left, bottom},
            CornerPixel{right, bottom}};
}

bool CornerPixelsInResult(const MapMatrix& matrix, int overlapping,
                          std::array<CornerPixel, 4>& pixels, std::string& error) {
    const tSingleMap* views[4] = {matrix.At(1, 1), matrix.At(1, matrix.Cols()),
                                  matrix.At(matrix.Rows(), 1),
                                  matrix.At(matrix.Rows(), matrix.Cols())};
    for (size_t i = 0; i < 4; ++i) {
        const tSingleMap* view = views[i];
        if (!view || !view->Bitmap || view->Bitmap->IsEmpty() || !view->Joined) {
            error = "the corner view of P" + std::to_string(i + 1) + " is not placed";
            return false;
        }
        const CornerPixel inView =
            CornerPixelsInViews(view->Bitmap->Width(), view->Bitmap->Height(), overlapping)[i];
        pixels[i] = {view->X + inView.X, view->Y + inView.Y};
    }
    return true;
}

bool PatternCalibInputs(const MapMatrix& matrix, const GridPattern& pattern,
                        std::vector<CalibPointInput>& inputs, std::string& error) {
    if (!pattern.Corners) {
        error = "the grid pattern holds no calibration corners";
        return false;
    }
    std::array<CornerPixel, 4> pixels{};
    if (!CornerPixelsInResult(matrix, pattern.Overlapping, pixels, error))
        return false;
    inputs.clear();
    for (size_t i = 0; i < 4; ++i) {
        const GridCorner& corner = (*pattern.Corners)[i];
        if (!(corner.Lat <= 1000 && corner.Lon <= 1000)) {
            error = "the grid pattern's corner P" + std::to_string(i + 1) + " is missing";
            return false;
        }
        CalibPointInput input;
        input.Index = static_cast<int>(i) + 1;
        input.Lat = corner.Lat;
        input.Lon = corner.Lon;
        input.Pixel = PixelPos{static_cast<int32_t>(std::lround(pixels[i].X)),
                               static_cast<int32_t>(std::lround(pixels[i].Y))};
        inputs.push_back(input);
    }
    return true;
}

std::array<tCalibPoint, 4> GridCornerPoints(const std::array<GridCorner, 4>& corners) {
    std::array<tCalibPoint, 4> points{};
    for (size_t i = 0; i < 4; ++i) {
        points[i].Lat = corners[i].Lat;
        points[i].Lon = corners[i].Lon;
        points[i].X = kNotPlaced;
        points[i].Y = kNotPlaced;
        points[i].State = kPointSet;
    }
    return points;
}

}  // namespace korvalen
