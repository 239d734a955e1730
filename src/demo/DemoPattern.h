#pragma once

#include <QSize>
#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace korvalen {

// The demo map taken as a geographic area: its top-left corner and the degrees one pixel
// spans, so that screenshots "taken" at placemarks can be cut from it.
struct DemoArea {
    uint32_t seed = 1;
    QSize picture;
    QSize view{512, 384};  // screenshot size in pixels
    double north = 47.6;
    double west = 8.4;
    double latPerPixel = 0.00001;
    double lonPerPixel = 0.000015;
};

// A grid pattern to be captured from the demo map.
struct DemoPatternOptions {
    int rows = 3;
    int cols = 3;
    int overlapping = 10;  // percent
    QSize view{512, 384};
    uint32_t seed = 1;
    int quality = 90;
};

// The root view lies in the grid's middle (row (rows-1)/2, column (cols-1)/2 from 0): how many
// views the grid adds above, below, left and right of it.
struct DemoGrowth {
    int top = 0, bottom = 0, left = 0, right = 0;
};
DemoGrowth DemoGrowthOf(const DemoPatternOptions& options);

// Writes folder/root.kml (two placemarks at the corners of the root view) and
// folder/area.txt (what the cutting needs to draw the same map again).
bool WriteDemoPatternRoot(const std::filesystem::path& folder, const DemoPatternOptions& options,
                          std::string& error);

// The screenshots taken at a grid's placemarks: the numbered images 1.jpg ... in folder, cut
// from the demo map drawn again from folder/area.txt, with the calibration placemarks drawn
// as red rings. Reads the grid's placemark file and its pattern file. Writes
// folder/pattern_offsets.txt: every image's position relative to image 1 and the marks' places
// in the joined map.
struct DemoShot {
    int number = 0;    // from 1
    int x = 0, y = 0;  // top-left in the demo map
};
struct DemoPatternCut {
    std::vector<DemoShot> shots;
    std::vector<std::array<double, 2>> marks;  // P1 to P4 in the demo map, when made
};
bool CutDemoPattern(const std::filesystem::path& folder, const std::filesystem::path& gridKml,
                    const std::filesystem::path& patternFile, int quality, DemoPatternCut& cut,
                    std::string& error);

}  // namespace korvalen
