#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace korvalen {

// A pixel that has not been placed on the map yet.
inline constexpr int32_t kNotPlaced = -9999;

// State of a reference point.
inline constexpr uint8_t kPointEmpty = 0;  // no coordinates
inline constexpr uint8_t kPointSet = 1;    // coordinates known, not yet handed to the display
inline constexpr uint8_t kPointShown = 2;  // handed to the map display

// One reference point of the result map: WGS 84 degrees and the pixel they belong to.
struct tCalibPoint {
    double Lat = 0;          // north positive
    double Lon = 0;          // east positive
    int32_t X = kNotPlaced;  // column, 0 = left edge
    int32_t Y = kNotPlaced;  // row, 0 = top edge
    uint8_t State = kPointEmpty;
};

// The fixed places of the nine points on a W x H map.
inline constexpr int kTopLeft = 1;      // (0, 0)
inline constexpr int kTopRight = 2;     // (W, 0)
inline constexpr int kBottomLeft = 3;   // (0, H)
inline constexpr int kBottomRight = 4;  // (W, H)
inline constexpr int kTopMiddle = 5;    // (W/2, 0)
inline constexpr int kBottomMiddle = 6;
inline constexpr int kLeftMiddle = 7;  // (0, H/2)
inline constexpr int kRightMiddle = 8;
inline constexpr int kCentre = 9;  // (W/2, H/2)
inline constexpr int kCalibPointCount = 9;

struct PixelPos {
    int32_t X = 0;
    int32_t Y = 0;
    friend bool operator==(const PixelPos&, const PixelPos&) = default;
};

// The nine reference points of the current result map, indexed 1 to 9 by their place.
class CalibPoints {
public:
    // Throws std::out_of_range for an index outside 1 to 9.
    tCalibPoint& operator[](int index) { return points_.at(static_cast<size_t>(index - 1)); }
    const tCalibPoint& operator[](int index) const {
        return points_.at(static_cast<size_t>(index - 1));
    }

    // The pixel of a place on a W x H map; halves are truncated.
    static PixelPos FixedPixel(int index, int width, int height);
    // Gives every point the pixel of its place, as a capture or a cut does.
    void PlaceAtFixedPixels(int width, int height);

    // The two corners a derived point (5 to 9) lies between: 5 = 1 and 2, 6 = 3 and 4,
    // 7 = 1 and 3, 8 = 2 and 4, 9 = 1 and 4 (the centre as the middle of a diagonal).
    static void DerivedFrom(int index, int& first, int& second);
    // The middle of two points in coordinates and pixel, the pixel halves truncated.
    static tCalibPoint Middle(const tCalibPoint& a, const tCalibPoint& b);
    // Recomputes the coordinates and pixel of point `index` (5 to 9) from its corners;
    // its State is left alone.
    void Derive(int index);
    // Recomputes points 5 to 9 from the four corners.
    void DeriveFromCorners();

private:
    std::array<tCalibPoint, kCalibPointCount> points_{};
};

// The reference points and whether they still wait to be written to a calibration file.
// Program-wide: the main window's ProgramState holds one; a successful WriteCalibrationFile
// clears Pending.
struct CalibrationState {
    CalibPoints Points;
    bool Pending = false;
};

}  // namespace korvalen
