#pragma once

#include <filesystem>

#include "geo/GeoMapFormBase.h"

namespace korvalen {

// Showing a captured map whose nine reference points are known, and saving its calibration
// in one of seven formats (read back to be sure).
class TfShowGeoMap : public GeoMapFormBase {
    Q_OBJECT
public:
    TfShowGeoMap(ProgramState& state, Dialogs& dialogs, QWidget* parent = nullptr);

    // Loads the map and puts every point of the table in state "set" on it (they become
    // "shown"). False (message shown) when the map cannot be shown.
    bool Open(const std::filesystem::path& image);

    void sbSaveCalibrationClick();
    void RefreshList();

protected:
    void FormActivate() override;
};

// Opens the form on the captured map, modally. False when the map could not be shown.
bool ShowCapturedMapCalibration(QWidget* parent, ProgramState& state, Dialogs& dialogs,
                                const std::filesystem::path& image);

}  // namespace korvalen
