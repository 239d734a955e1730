#pragma once

#include <QMainWindow>
#include <QPoint>
#include <QRect>
#include <QString>
#include <functional>
#include <memory>
#include <string>

#include "app/MainWindowState.h"
#include "app/MatrixDrawing.h"
#include "images/Bitmap.h"
#include "images/MapMatrix.h"
#include "joining/JoinDriver.h"

class QAction;
class QGroupBox;
class QLabel;
class QMenu;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QScrollArea;
class QSlider;
class QSpinBox;
class QStackedWidget;
class QToolButton;
class QUrl;

namespace korvalen {

class Dialogs;
class MatrixPicture;
class PictureBox;
class StretchedPicture;
class TfAutomatic;
class TfTavixGE;
class EarthApplication;
struct ProgramState;

// The main window: the single-maps page with the map matrix, the result page with the result
// map, the menus, and every command of the job. It owns the matrix and the result map; the
// program-wide values live in the ProgramState it is given.
class TfTavixMain : public QMainWindow {
    Q_OBJECT
public:
    TfTavixMain(ProgramState& state, Dialogs& dialogs, QWidget* parent = nullptr);
    ~TfTavixMain() override;

    // The job, read and written by the windows this one opens.
    MapMatrix Matrix;
    Bitmap ResultMap;  // empty while there is no result map
    bool MapsLoaded = false;
    bool MapsAreJpeg = false;
    std::string SavedResultName;
    std::string CaptureMapName;  // the map name of the last capture, proposed when saving it
    bool FirstActivation = true;
    QString BaseCaption;

    int Rows() const { return Matrix.Rows(); }
    int Cols() const { return Matrix.Cols(); }
    tSingleMap* ActiveMap() { return Matrix.Cell(activeIndex_); }
    int ActiveIndex() const { return activeIndex_; }
    bool MatrixPictureExists() const { return MatrixImage != nullptr; }
    bool ResultPageShown() const;
    ProgramState& State() { return state_; }

    // Recomputes the visibility, enabled state and captions of every command.
    void UpdateControls();
    ControlInputs GatherControlInputs() const;

    // The matrix picture for the panel's size, every cell and frame drawn anew.
    void BuildMatrixPicture();
    // One cell (its map or name, then its frame) on the matrix picture.
    void DrawMatrixCell(int index);
    void DrawCellFrame(int index, bool selected);
    void DrawMatrixOverview();
    // Makes the cell active, moving the red frame, and updates the commands.
    void SelectCell(int index);
    // Moves the active cell for PgUp, PgDn, Home, End and the arrow keys; false for other keys.
    bool MoveActiveCellByKey(int key);

    // Where the main window's questions are centred: the middle of the matrix panel.
    QPoint MatrixPanelCentre() const;

    // The settings dialog is created after this window; the program connects it here.
    void SetSettingsCommand(std::function<void()> showSettings);
    // The capture form's "Settings" opens the dialog on the page of the capture settings.
    void SetCaptureSettingsCommand(std::function<void()> showCaptureSettings);
    // Opens the web page; replaced by tests.
    std::function<bool(const QUrl&)> OpenUrl;
    // The capture's connection (the map view of the tile source) and how its form is shown;
    // replaced by tests.
    std::function<std::unique_ptr<EarthApplication>()> CaptureConnector;
    std::function<void(TfTavixGE& form)> ExecCapture;

    void ShowSingleMapsPage();
    void ShowResultPage();

public slots:
    // File menu.
    void miSwitchPageClick();
    void miSettingsClick();
    void SettingsAccepted();
    void miConvertBmpToJpegClick();
    void miCompressAllClick();
    void miPlacemarkGridClick();
    void sbGoogleEarthClick();
    // Single-maps page.
    void bbNewMatrixClick();
    void bbLoadAllMapsClick();
    void bbLoadGridPatternClick();
    void bbShowMapsClick();
    void bbLoadMapClick();
    void miReloadMapClick();
    void bbTavixMapsClick();
    void bbContinueTavixClick();
    void bbChangeAlgorithmClick();
    void bbShowResultClick();
    // Result page.
    void bbSaveMapClick();
    void bbAdjustMapClick();
    void bbCalibrateMapClick();
    void bbSingleMapsClick();
    void bbNewGETavixClick();
    void rgPixelFormatClick();
    void rgFormatClick();
    void tbQualityChange(int quality);
    // Help menu.
    void miAboutClick();
    void miHomepageClick();

    // Asks the language once per run, then shows the texts in the current language.
    void FormActivate();

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // Construction (TavixMainLayout.cpp).
    void BuildMenus();
    QWidget* BuildSingleMapsPage();
    QWidget* BuildResultPage();
    void BuildStatusBar();
    QAction* NewAction(const char* name, const char* text, void (TfTavixMain::*slot)(),
                       const QKeySequence& shortcut = {});
    QAction* MirrorAction(const char* name, const char* text, QAction* source);

    // Lifecycle (TavixMain.cpp).
    void ReadSettingsFile();
    void PlaceWindow();
    bool CloseQuery();
    void WriteSettingsFile();
    void ApplyControlStates(const ControlStates& s);
    QString Caption(const char* source) const;
    QString Text(const char* source) const;
    int AskSelection(const QString& caption, const QString& statement, const QStringList& options,
                     int defaultChoice);

    // Matrix commands (TavixMainMatrix.cpp).
    void NewMatrix();
    void LoadMapIntoActiveCell();
    void FinishLoadAllMaps();
    // "Loading 3 / 9: b1.jpg" with a progress bar and the Break button in the status bar.
    void ShowLoadProgress(const char* verb, int number, int total, const QString& fileName);
    void HideLoadProgress();

    // Commands of the joining, adjusting and capture windows, filled in with those windows.
    void ComposeResultMap();
    void AdjustActiveMap();
    void OpenCaptureOnAutoStart();
    // The capture form and the hand-over of its result (TavixMainCapture.cpp).
    void OpenCapture(const char* unsavedCaption);
    void TakeOverCapture(const TfTavixGE& form);

    ProgramState& state_;
    Dialogs& dialogs_;
    std::function<void()> showSettings_;
    std::function<void()> showCaptureSettings_;
    int activeIndex_ = -1;
    CellPictureCache cellPictures_;
    MatrixPicture* MatrixImage = nullptr;  // null until the first matrix is drawn
    bool formTranslated_ = false;
    bool languageAsked_ = false;
    bool activationQueued_ = false;
    bool shownOnce_ = false;
    bool inActivation_ = false;
    bool loadingMaps_ = false;
    bool loadBreakRequested_ = false;
    QRect normalPlacement_;
    QString startupError_;
    QString webAddress_;  // the Help menu's page; the manual when empty

    // Pages.
    QStackedWidget* pcTavixMaps = nullptr;
    QWidget* tsMaps = nullptr;
    QWidget* tsTavixedMap = nullptr;

    // Single-maps page.
    QWidget* pMapMatrix = nullptr;
    MatrixPicture* matrixPicture_ = nullptr;
    QSpinBox* seNumRows = nullptr;
    QSpinBox* seNumCols = nullptr;
    QPushButton* bbNewMatrix = nullptr;
    QPushButton* bbLoadAllMaps = nullptr;
    QPushButton* bbLoadGridPattern = nullptr;
    QPushButton* bbShowMaps = nullptr;
    QPushButton* bbHideMaps = nullptr;
    QPushButton* bbLoadMap = nullptr;
    QPushButton* bbTavixMaps = nullptr;
    QPushButton* bbContinueTavix = nullptr;
    QPushButton* bbChangeAlgorithm = nullptr;
    QPushButton* bbShowResult = nullptr;
    QWidget* pGoogleEarth = nullptr;
    QToolButton* sbGoogleEarth = nullptr;

    // Result page.
    QScrollArea* sbxMap = nullptr;
    StretchedPicture* iMap = nullptr;
    QPushButton* bbSaveMap = nullptr;
    QPushButton* bbAdjustMap = nullptr;
    QPushButton* bbCalibrateMap = nullptr;
    QLabel* stSize = nullptr;
    QGroupBox* rgPixelFormat = nullptr;
    QRadioButton* rbPixel8 = nullptr;
    QRadioButton* rbPixel24 = nullptr;
    QGroupBox* rgFormat = nullptr;
    QRadioButton* rbFormatBmp = nullptr;
    QRadioButton* rbFormatJpeg = nullptr;
    QWidget* pJpeg = nullptr;
    QSlider* tbQuality = nullptr;
    QLabel* stQuality = nullptr;
    PictureBox* iMatrix = nullptr;
    QPushButton* bbSingleMaps = nullptr;
    QPushButton* bbNewGETavix = nullptr;

    // Status bar, used while maps are loaded.
    QLabel* stProgress = nullptr;
    QProgressBar* pbProgress = nullptr;
    QToolButton* sbBreakLoading = nullptr;

    // Menus.
    QMenu* miFile = nullptr;
    QMenu* miSingleMaps = nullptr;
    QMenu* miResultMap = nullptr;
    QMenu* miHelp = nullptr;
    QMenu* pmSingleMaps = nullptr;
    QMenu* pmResultMap = nullptr;
    QAction* miSwitchPage = nullptr;
    QAction* miSettings = nullptr;
    QAction* miConvertBmpToJpeg = nullptr;
    QAction* miCompressAll = nullptr;
    QAction* miPlacemarkGrid = nullptr;
    QAction* miGoogleEarth = nullptr;
    QAction* miExit = nullptr;
    QAction* miNewMatrix = nullptr;
    QAction* miLoadAllMaps = nullptr;
    QAction* miLoadGridPattern = nullptr;
    QAction* miShowMaps = nullptr;
    QAction* miActiveMap = nullptr;
    QAction* miReloadMap = nullptr;
    QAction* miTavixMaps = nullptr;
    QAction* miContinueTavix = nullptr;
    QAction* miChangeAlgorithm = nullptr;
    QAction* miSaveResult = nullptr;
    QAction* miAdjustResult = nullptr;
    QAction* miAbout = nullptr;
    QAction* miHomepage = nullptr;
    QAction* pmShowMaps = nullptr;
    QAction* pmActiveMap = nullptr;

    // Joining (TavixMainJoin.cpp). Declared last: the driver refers to the members above.
    class JoinHost;
    std::unique_ptr<JoinDriverHost> NewJoinHost();
    std::unique_ptr<JoinDriverHost> joinHost_ = NewJoinHost();
    std::unique_ptr<JoinDriver> joinDriver_ =
        std::make_unique<JoinDriver>(Matrix, state_, *joinHost_, SavedResultName);

public:
    // How many maps are placed: the join driver's count, so that there is only one.
    int& JoinedCount = joinDriver_->JoinedCount;
    JoinDriver& Joining() { return *joinDriver_; }
    // Called with each self-search window before it is shown; tests script the window here.
    std::function<void(TfAutomatic&)> PrepareSelfSearchWindow;
};

}  // namespace korvalen
