#pragma once

#include <array>
#include <filesystem>
#include <string>

#include "core/Settings.h"
#include "geo/CalibPoints.h"

namespace korvalen {

// The program-wide values that several windows read and change: the settings held in
// memory and the flags that say what state the job is in. The main window owns one and
// hands it to the windows it opens.
struct ProgramState {
    Settings settings;
    std::filesystem::path settingsFile;

    bool GridPatternJoin = false;   // the matrix holds a grid pattern whose join is not finished
    bool ResultUnsaved = false;     // the result map holds content that was not saved
    bool GEMode = false;            // the result map came from a map-view capture
    bool CalibrateOffered = false;  // "Calibrate map" is offered on the result page
    std::string ResultNameHint;     // proposed file name for the result map
    // The corners of the loaded grid pattern (1 top left, 2 top right, 3 bottom left, 4 bottom
    // right) with their pixels not placed: the hand calibration starts its points 1 to 4 from
    // them. Valid while CalibrateOffered came from loading a pattern.
    std::array<tCalibPoint, 4> GridCorners{};
    // The reference points of the result map; Pending while they were not written.
    CalibrationState Calibration;

    // The language the texts are shown in: 0 English, 1 German.
    int Language() const { return EffectiveLanguage(settings); }
};

}  // namespace korvalen
