// "&Calibrate map": the hand calibration of a joined map, or the captured map's points.
#include <filesystem>

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
        // Points 1 to 4 hold the corner coordinates the program knows (from the grid
        // pattern); the form places them anew.
        ShowGeoMapCalibration(this, state_, dialogs_, image, std::nullopt, MapsAreJpeg);
    }
    UpdateControls();
}

}  // namespace korvalen
