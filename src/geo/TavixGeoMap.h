#pragma once

#include <array>
#include <filesystem>
#include <optional>

#include "geo/CalibrationWriter.h"
#include "geo/GeoMapFormBase.h"

class QToolButton;

namespace korvalen {

// Calibrating a joined map by hand: the coordinates of its four corners are known, the user
// places each corner on the image, the form derives five more points, the display fits, and
// the calibration is saved in one of five formats and read back to be sure.
class TfGeoMap : public GeoMapFormBase {
    Q_OBJECT
public:
    TfGeoMap(ProgramState& state, Dialogs& dialogs, bool mapsAreJpeg, QWidget* parent = nullptr);

    // Loads the map and sets up points 1 to 4 with the corner coordinates (top-left,
    // top-right, bottom-left, bottom-right), not placed. Without corners the table's
    // coordinates stay. False (message shown) when the map cannot be shown.
    bool Open(const std::filesystem::path& image,
              const std::optional<std::array<LatLon, 4>>& corners);

    QWidget* toolCalCorner = nullptr;
    std::array<QToolButton*, 4> tbCal{};

    int ActivePoint = 0;
    bool Calibrated = false;
    bool CalibrationSaved = false;

    // Presses corner button n (1 to 4), as a click does.
    void tbCalClick(int n);
    // A left click on the map at the screen point while a corner is being placed.
    void gmMapMouseDown(Qt::MouseButton button, QPoint screen);
    void sbSaveCalibrationClick();
    // The list rows and button pictures from the table.
    void RefreshList();

protected:
    void FormActivate() override;
    bool ShowsCoordinates() const override { return Calibrated; }
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void LeavePlacing();
    void Place(int n, QPoint pixel);
    // Asks to save an unsaved calibration before the form closes.
    void AskToSave();

    bool mapsAreJpeg_;
    bool asked_ = false;
};

// Opens the hand calibration on the saved result map, modally; corners (top-left, top-right,
// bottom-left, bottom-right) prefill points 1 to 4. False when the map could not be shown.
bool ShowGeoMapCalibration(QWidget* parent, ProgramState& state, Dialogs& dialogs,
                           const std::filesystem::path& image,
                           const std::optional<std::array<LatLon, 4>>& corners, bool mapsAreJpeg);

}  // namespace korvalen
