#include "geo/CalibPoints.h"

#include <stdexcept>
#include <string>

namespace korvalen {

PixelPos CalibPoints::FixedPixel(int index, int width, int height) {
    const int32_t middleX = width / 2;
    const int32_t middleY = height / 2;
    switch (index) {
        case kTopLeft:
            return {0, 0};
        case kTopRight:
            return {width, 0};
        case kBottomLeft:
            return {0, height};
        case kBottomRight:
            return {width, height};
        case kTopMiddle:
            return {middleX, 0};
        case kBottomMiddle:
            return {middleX, height};
        case kLeftMiddle:
            return {0, middleY};
        case kRightMiddle:
            return {width, middleY};
        case kCentre:
            return {middleX, middleY};
    }
    throw std::out_of_range("reference point index " + std::to_string(index));
}

void CalibPoints::PlaceAtFixedPixels(int width, int height) {
    for (int index = 1; index <= kCalibPointCount; ++index) {
        const PixelPos pixel = FixedPixel(index, width, height);
        (*this)[index].X = pixel.X;
        (*this)[index].Y = pixel.Y;
    }
}

void CalibPoints::DerivedFrom(int index, int& first, int& second) {
    switch (index) {
        case kTopMiddle:
            first = kTopLeft, second = kTopRight;
            return;
        case kBottomMiddle:
            first = kBottomLeft, second = kBottomRight;
            return;
        case kLeftMiddle:
            first = kTopLeft, second = kBottomLeft;
            return;
        case kRightMiddle:
            first = kTopRight, second = kBottomRight;
            return;
        case kCentre:
            first = kTopLeft, second = kBottomRight;
            return;
    }
    throw std::out_of_range("reference point " + std::to_string(index) + " is not derived");
}

tCalibPoint CalibPoints::Middle(const tCalibPoint& a, const tCalibPoint& b) {
    tCalibPoint middle = a;
    middle.Lat = a.Lat + (b.Lat - a.Lat) / 2;
    middle.Lon = a.Lon + (b.Lon - a.Lon) / 2;
    // In 64 bits, because the difference of two far-apart columns overflows 32 bits;
    // the middle itself always fits.
    middle.X = static_cast<int32_t>(a.X + (int64_t{b.X} - a.X) / 2);
    middle.Y = static_cast<int32_t>(a.Y + (int64_t{b.Y} - a.Y) / 2);
    return middle;
}

void CalibPoints::Derive(int index) {
    int first = 0, second = 0;
    DerivedFrom(index, first, second);
    const uint8_t state = (*this)[index].State;
    (*this)[index] = Middle((*this)[first], (*this)[second]);
    (*this)[index].State = state;
}

void CalibPoints::DeriveFromCorners() {
    for (int index = kTopMiddle; index <= kCentre; ++index)
        Derive(index);
}

}  // namespace korvalen
