#pragma once

#include <cstdint>
#include <random>

#include "images/Bitmap.h"
#include "images/BitmapOps.h"
#include "joining/JoinRequest.h"

namespace korvalen::test {

// Random colours: a wrong band position matches a pixel now and then, the right one everywhere.
inline Bitmap NoisePicture(int width, int height, unsigned seed) {
    Bitmap picture(width, height, PixelFormat::Bits24);
    std::mt19937 random(seed);
    for (int y = 0; y < height; ++y) {
        uint8_t* row = picture.Row(y);
        for (int x = 0; x < 3 * width; ++x)
            row[x] = static_cast<uint8_t>(random());
    }
    return picture;
}

// An 8-bit picture of standard-palette indices whose neighbours rarely share their red.
inline Bitmap NoiseWorld(int width, int height, uint32_t seed) {
    Bitmap world(width, height, PixelFormat::Bits8);
    uint32_t state = seed;
    for (int y = 0; y < height; ++y) {
        uint8_t* row = world.Row(y);
        for (int x = 0; x < width; ++x) {
            state = state * 1664525u + 1013904223u;
            row[x] = static_cast<uint8_t>(state >> 24);
        }
    }
    return world;
}

inline Bitmap Cut(const Bitmap& picture, Rect rect) {
    return *CopyArea(&picture, rect);
}

// A horizontal join a2 onto a1 cut from one picture: the target is columns 100..399 of it, the
// new map starts at picture (250, 20), so the band at BandPos (20, 100) fits at BandPos +
// (150, 20) in the target. With matching false the new map comes from another picture and fits
// nowhere.
struct CutJoin {
    explicit CutJoin(Point expectedFromTrue = {3, -2}, bool matching = true)
        : picture(NoisePicture(600, 400, 7)),
          newMap(Cut(matching ? picture : NoisePicture(600, 400, 8), {250, 20, 500, 320})) {
        request.NewMap = &newMap;
        request.TargetArea = Cut(picture, {100, 0, 400, 300});
        request.TargetRect = {100, 0, 400, 300};
        request.JoinDirection = {-1, 0};
        request.BandPos = {20, 100};
        request.BandWidth = request.BandHeight = 40;
        request.JoinAlgorithm = 1;
        request.JoinCaption = "Tavixing a2 (row=1 column=2) with a1 ...";
        request.RowCount = 1;
        request.ColCount = 2;
        request.Row = request.NeighbourRow = request.NeighbourCol = 1;
        request.Col = 2;
        truePos = request.BandPos + kNewMapInTarget;
        request.ExpectedPos = truePos + expectedFromTrue;
    }
    static constexpr Point kNewMapInTarget{150, 20};
    Bitmap picture;
    Bitmap newMap;
    JoinRequest request;
    Point truePos;
};

}  // namespace korvalen::test
