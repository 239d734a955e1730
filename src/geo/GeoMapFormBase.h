#pragma once

#include <QDialog>
#include <QPoint>
#include <QString>
#include <QStringList>
#include <array>
#include <filesystem>

#include "geo/CalibPoints.h"

class QButtonGroup;
class QGroupBox;
class QLabel;
class QPushButton;
class QScrollBar;
class QStatusBar;
class QToolButton;
class QTreeWidget;
class QVBoxLayout;

namespace korvalen {

class Dialogs;
class TGeoMap;
struct ExpectedCalibration;
struct ProgramState;

// What the two calibration forms share: the map display with its scroll bars, the zoom
// buttons, the list of points, the format choice, the save button and the status bar.
class GeoMapFormBase : public QDialog {
    Q_OBJECT
public:
    static constexpr double kZoomStep = 1.189207115002721;  // 2^(1/4)

    // Loads the map into the display and clears its calibration. False (and the message
    // shown) when the image cannot be shown; the form must not open then.
    bool LoadMap(const std::filesystem::path& image);

    TGeoMap* gmMap = nullptr;
    QScrollBar* sbHor = nullptr;
    QScrollBar* sbVer = nullptr;
    QWidget* pVer = nullptr;
    QWidget* pVerHor = nullptr;
    QTreeWidget* lvCal = nullptr;
    QToolButton* sbZoomPlus = nullptr;
    QToolButton* sbZoomMinus = nullptr;
    QGroupBox* rgCalibrationFormat = nullptr;
    QButtonGroup* calibrationFormats = nullptr;
    QPushButton* sbSaveCalibration = nullptr;
    QStatusBar* statMap = nullptr;
    // 0 column, 1 row, 2 longitude, 3 latitude, 4 zoom, 5 note, 6 fit quality.
    std::array<QLabel*, 7> panels{};

    // Multiplies or divides the magnification by 2^(1/4).
    void sbZoomPlusClick();
    void sbZoomMinusClick();
    // Sets the magnification keeping the centre of the view; panel 4 shows it.
    void SetZoom(double zoom);
    void UpdateScrollBars();
    // The radio item plus 1.
    int FormatIndex() const;
    void SetFormatIndex(int formatIndex);

protected:
    GeoMapFormBase(ProgramState& state, Dialogs& dialogs, const char* name,
                   const QStringList& formats, QWidget* parent);

    // The column for the right-hand panel's controls; the forms add theirs on top.
    QVBoxLayout* RightColumn() const { return rightColumn_; }
    QString Text(const char* source) const;
    QString Text(const std::string& source) const;
    static QString Angle(double degrees);
    static QString PixelText(int x, int y);
    // Fills the list row: number, latitude, longitude, pixel (when shown), residual.
    void FillRow(int row, int n, const tCalibPoint& point, bool showPixel);
    // Panel 6: the root mean square of the fit's residuals once it has 4 points or more.
    void ShowFitQuality();
    // Reads the written file back and reports any difference with what was meant.
    bool CheckWrittenFile(const std::filesystem::path& file, int formatIndex,
                          const ExpectedCalibration& expected);
    virtual void MapMouseMove(QPoint screen);
    virtual bool ShowsCoordinates() const { return true; }

    void showEvent(QShowEvent* event) override;
    virtual void FormActivate() = 0;

    ProgramState& state_;
    Dialogs& dialogs_;
    std::filesystem::path imageFile_;

private:
    void ScrollBarMoved();

    QVBoxLayout* rightColumn_ = nullptr;
    bool scrollUpdating_ = false;
};

}  // namespace korvalen
