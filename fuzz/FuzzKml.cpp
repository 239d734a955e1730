// Arbitrary bytes as a root placemark file: scanning, growing a grid from what was found and
// writing its lines must never fail, and the grid always has its rows x columns placemarks.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "geo/KmlPlacemarks.h"
#include "geo/PlacemarkGrid.h"

namespace {

void Check(bool condition) {
    if (!condition)
        __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (size_t{4} << 20))
        return 0;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    korvalen::PlacemarkFile file;
    korvalen::ScanPlacemarkText(text, file);
    if (!file.IsKml)
        Check(file.Placemarks.empty());
    if (file.Placemarks.size() < 2)
        return 0;
    const korvalen::RootView view = korvalen::RootViewOf(file.Placemarks[0], file.Placemarks[1]);
    Check(view.LatTop >= view.LatBottom && view.LonRight >= view.LonLeft);
    korvalen::GridRequest request;
    request.TopRows = size % 3;
    request.BottomRows = size % 2;
    request.LeftCols = data[0] % 4;
    request.RightCols = data[size - 1] % 3;
    request.Overlapping = 10 + data[size / 2] % 16;
    const korvalen::PlacemarkGrid grid = korvalen::GrowPlacemarkGrid(view, request);
    const size_t views = static_cast<size_t>(request.NumRows() * request.NumCols());
    Check(grid.Placemarks.size() == views + (request.MakesCalibration() ? 4 : 0));
    korvalen::GridKmlLines(file.Lines, "fuzz", grid, file.EyeAltitude);
    return 0;
}
