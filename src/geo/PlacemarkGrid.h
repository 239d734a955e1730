#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "geo/KmlPlacemarks.h"
#include "images/GridPattern.h"

namespace korvalen {

// How the root view is grown: views added above, below, left and right of it (0 to 10
// each), their overlap in percent (10 to 25), and whether the four calibration placemarks
// are made (only possible with more than one row and column).
struct GridRequest {
    int TopRows = 1, BottomRows = 1, LeftCols = 1, RightCols = 1;
    int Overlapping = 10;
    bool CalibrationPlacemarks = true;

    int NumCols() const { return LeftCols + 1 + RightCols; }
    int NumRows() const { return TopRows + 1 + BottomRows; }
    bool CalibrationPossible() const { return NumCols() > 1 && NumRows() > 1; }
    bool MakesCalibration() const { return CalibrationPlacemarks && CalibrationPossible(); }
};

inline constexpr int kMaxGrowth = 10;
inline constexpr int kMinOverlapping = 10;
inline constexpr int kMaxOverlapping = 25;
// From this many images on the form warns.
inline constexpr int kHugeImageCount = 101;

// Values outside the ranges above brought into them.
GridRequest ClampedRequest(GridRequest request);

// Size of the grid on the ground, metres: (n - 1) x side x (100 - overlap) / 100 + side,
// rounded half to even.
int64_t GridExtent(int count, int64_t side, int overlapping);

struct GridPlacemark {
    std::string Name;
    double Lat = 0;
    double Lon = 0;
    bool Visible = false;
};

// The grid as written: one hidden placemark at the centre of every view, row by row from the
// top left, named by number; then, when made, the calibration placemarks P1 to P4 half a step
// beyond the outer views' centres. Also the pattern file's values.
struct PlacemarkGrid {
    std::vector<GridPlacemark> Placemarks;
    GridPattern Pattern;
};
PlacemarkGrid GrowPlacemarkGrid(const RootView& root, const GridRequest& request);

// The lines of the grid's placemark file: the root file's lines with its placemarks replaced
// by the grid's and the document named base + "_grid.kml".
std::vector<std::string> GridKmlLines(const std::vector<std::string>& rootLines,
                                      const std::string& base, const PlacemarkGrid& grid,
                                      int32_t eyeAltitude);

// The file names a root file gives: the pattern file in the placemarks folder and the grid
// file proposed beside it.
struct GridFileNames {
    std::string Base;  // the root file's name up to its first full stop
    std::filesystem::path PatternFile;
    std::filesystem::path ProposedKml;
};
GridFileNames GridFileNamesFor(const std::string& rootFileName,
                               const std::filesystem::path& placemarksDirectory);

// Writes the grid file and the pattern file, each through a temporary name. False with a
// message when either cannot be written; the grid file is written first.
bool WritePlacemarkGrid(const std::filesystem::path& kmlFile,
                        const std::filesystem::path& patternFile,
                        const std::vector<std::string>& kmlLines, const GridPattern& pattern,
                        std::string& error);

}  // namespace korvalen
