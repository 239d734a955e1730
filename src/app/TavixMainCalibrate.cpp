// "&Calibrate map": the hand calibration of a joined map, or the captured map's points.
#include <array>
#include <filesystem>
#include <optional>

#include "app/TavixMain.h"
#include "core/ProgramState.h"
#include "geo/TavixGeoMap.h"
#include "geo/TavixShowGeoMap.h"

namespace korvalen {

void TfTavixMain::bbCalibrateMapClick() {
    if (loadingMaps_ || SavedResultName.empty())
        return;
    // The name is held as UTF-8 text, as it is shown.
    const std::filesystem::path image(
        std::u8string(SavedResultName.begin(), SavedResultName.end()));
    if (state_.GEMode) {
        ShowCapturedMapCalibration(this, state_, dialogs_, image);
    } else {
        // A grid pattern's corner placemarks give points 1 to 4 their coordinates; the user
        // places them on the map.
        std::optional<std::array<LatLon, 4>> corners;
        if (state_.CalibrateOffered && state_.GridCorners[0].State == kPointSet) {
            corners.emplace();
            for (size_t i = 0; i < 4; ++i)
                (*corners)[i] = {state_.GridCorners[i].Lat, state_.GridCorners[i].Lon};
        }
        ShowGeoMapCalibration(this, state_, dialogs_, image, corners, MapsAreJpeg);
    }
    UpdateControls();
}

}  // namespace korvalen
