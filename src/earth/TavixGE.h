#pragma once

#include <QDialog>
#include <QTimer>
#include <functional>
#include <memory>
#include <vector>

#include "earth/CaptureScan.h"
#include "earth/TGEPanel.h"
#include "images/Bitmap.h"

class QButtonGroup;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QCheckBox;
class QToolButton;

namespace korvalen {

class Dialogs;
class TfTavixGEMap;
struct ProgramState;

// "Tavix Google Earth Images": the capture wizard around the map view. The user frames the
// area ("Map"), chooses rows x columns ("Images"), names the map and its pixel format and
// presses "Scan"; the scan fills the result map and the calibration points it is given.
class TfTavixGE : public QDialog, public CaptureHost {
    Q_OBJECT
public:
    TfTavixGE(ProgramState& state, Dialogs& dialogs, Bitmap& resultMap,
              TGEPanel::Connector connector, QWidget* parent = nullptr);
    ~TfTavixGE() override;

    // Shows the settings dialog on its "Plus" page.
    std::function<void()> ShowSettings;

    // Hand-over to the main window.
    bool ScanCompleted = false;
    bool ScanBroken = false;
    bool MapsAreJpeg = false;
    int Rows = 0, Cols = 0;
    QString MapName() const;

    // Form state.
    int Step = 0;
    double Altitude = 0, MapAltitude = 0;
    bool AltitudeSetByProgram = false;
    double MapNorth = 0, MapWest = 0, MapCenterLat = 0, MapCenterLon = 0;
    int64_t MapWidthM = 0, MapHeightM = 0, ImageWidthM = 0, ImageHeightM = 0;
    int TotalPxW = 0, TotalPxH = 0;
    int CriticalMillions = 10;
    bool CriticalAccepted = false;
    bool ArrowKeysActive = false;
    bool Cancelled = false;
    bool StreamingBrokenFlag = false;
    std::vector<tScanImage> ScanImages;
    QTimer RefreshTimer;

    TGEPanel* ge;
    TfTavixGEMap* Overview() const { return overview_; }

    void Refresh();
    void SetEyeAltitude(double metres);
    void bbMapClick();
    void bbImagesClick();
    void bbScanClick();
    void bbBackClick();
    void bbSettingsClick();
    void bbBreakClick();
    void sbAltitudeClick(int step);
    void sbProgressClick();
    void rgPixelFormatClick();
    void eAltiEntered();

    // CaptureHost
    int ViewWidth() const override;
    int ViewHeight() const override;
    bool CaptureView(Bitmap& bitmap) override;
    void Wait(int ms) override;
    bool BreakRequested() override { return Cancelled; }
    bool StreamingBroken() override { return StreamingBrokenFlag; }
    void ResetStreamingBroken() override { StreamingBrokenFlag = false; }
    void ShowPosition(int row, int col) override;
    void ShowProgressGrid(int row, int col) override;
    void ShowStreaming(int percent) override;

    // Widgets, named as the design names them.
    QLineEdit *eAlti, *eMapWidth, *eMapHeight, *eImageWidth, *eImageHeight, *ePixelWidth,
        *ePixelHeight, *ePixelMap, *eNumImages, *leMapName;
    QToolButton *sbUp100, *sbDown100, *sbUp1000, *sbDown1000;
    QSpinBox *seNumRows, *seNumCols;
    QCheckBox* cbSame;
    QGroupBox* rgPixelFormat;
    QRadioButton *rb24Bit, *rb8Bit;
    QLabel *stPixelSize, *stFileSize, *lUnit, *lNumRows, *lNumCols, *pRow, *pCol, *iMatrix,
        *lStreaming, *lPercent, *lCreating;
    QPushButton *bbMap, *bbImages, *bbScan, *bbBack, *bbSettings, *bbBreak, *sbProgress;
    QWidget *pSettings, *pImages, *pStart, *pProgress;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildForm();
    void GeReadyChanged();
    void HideTerrain();
    void WaitDrawn();
    bool CloseQuery();
    void CloseDown();
    void ShowDistances();
    int64_t Distance(double lat1, double lon1, double lat2, double lon2) const;
    QString Length(int64_t metres) const;
    EarthApplication* Earth() { return ge->GetApplication(); }
    QString Text(const char* source) const;
    int Overlap() const;

    ProgramState& state_;
    Dialogs& dialogs_;
    Bitmap& resultMap_;
    TfTavixGEMap* overview_ = nullptr;
    bool activated_ = false;
    bool closedDown_ = false;
    bool refreshing_ = false;
    bool rowsFocus_ = false, colsFocus_ = false;
    PixelFormat scanFormat_ = PixelFormat::Bits24;
};

}  // namespace korvalen
