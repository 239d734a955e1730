#pragma once

#include <QDialog>
#include <string>

#include "core/Settings.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;

namespace korvalen {

class Dialogs;
struct ProgramState;

// The settings dialog: created once after the main window and kept until the end, shown
// without blocking. Controls are loaded from the settings in memory each time it is shown
// and written back only by "Accept"; the folder and colour buttons change their setting at
// once, so those changes survive "Abort".
class TfTavixSettings : public QDialog {
    Q_OBJECT
public:
    enum Page { PageFiles, PageDefaults, PagePreferences, PageValues, PageActions, PagePlus };

    TfTavixSettings(ProgramState& state, Dialogs& dialogs, QWidget* mainWindow);

    // Loads every control from the settings and shows the dialog centred on the main window.
    void ShowSettings();
    // The same, opened on one page (the capture form opens it on "Plus").
    void ShowSettingsPage(Page page);

    // The language the dialog's texts are shown in; a flag or language button changes it.
    int DisplayLanguage() const { return displayLanguage_; }

    // The checked item of a radio group, from 0; -1 when none is checked.
    static int ItemIndex(const QGroupBox* group);
    static void SetItemIndex(QGroupBox* group, int index);

    void accept() override;  // "Accept": take every value
    void reject() override;  // "Abort" and Esc: only hide

signals:
    // The settings were accepted; the main window brings its controls up to date.
    void settingsAccepted();

private:
    QWidget* BuildFilesPage();
    QWidget* BuildDefaultsPage();
    QWidget* BuildPreferencesPage();
    QWidget* BuildValuesPage();
    QWidget* BuildActionsPage();
    QWidget* BuildPlusPage();
    QWidget* BuildLanguageGroup();
    QWidget* FolderRow(const char* labelText, const char* name, QLineEdit*& field,
                       std::string Settings::*folder);

    void CentreOnMainWindow();
    void BringToFront();
    void LoadControls();
    void TakeValues();
    void ChooseLanguage(int language);
    void ChooseFolderFor(std::string Settings::*folder, QLineEdit* field, const QString& title);
    void ChooseDisaccordColour();
    void ShowDisaccordColour();

    ProgramState& state_;
    Dialogs& dialogs_;
    QWidget* mainWindow_;
    int displayLanguage_ = 0;

    QTabWidget* pcSettings;
    QPushButton* bbAccept;
    QPushButton* bbAbort;

    // "Files"
    QRadioButton* rbEnglish;
    QRadioButton* rbGerman;
    QLineEdit* leSingleMapsDirectory;
    QLineEdit* leTavixedMapsDirectory;
    QLineEdit* lePlacemarksDirectory;
    QCheckBox* cbSingleMaps8bit;
    QGroupBox* rgPixelFormat;

    // "Defaults"
    QSpinBox* seDefaultRows;
    QSpinBox* seDefaultCols;
    QCheckBox* cbViewSingleMaps;
    QLineEdit* eDisaccordColor;
    QSpinBox* seProximity;
    QSpinBox* seCompressionQuality;
    QGroupBox* rgDistanceUnits;

    // "Preferences"
    QGroupBox* rgMapsSequence;
    QGroupBox* rgOrderOfMapFiles;
    QGroupBox* rgJoiningAlgorithm;

    // "Values"
    QSpinBox* seMinimumCorrelation;
    QSpinBox* seSpreadingTolerance;
    QSpinBox* seSearchBandAcross;
    QSpinBox* seSearchBandAlong;
    QComboBox* cobTargetAreaRatio;
    QSpinBox* seHorizontalOverlap;
    QSpinBox* seVerticalOverlap;
    QSpinBox* seGridPatternOverlap;
    QCheckBox* cbEstimateOverlap;
    QCheckBox* cbBandOnDetail;
    QGroupBox* rgComparison;

    // "Actions"
    QGroupBox* rgContinueSearch;
    QCheckBox* cbImmediateStart;
    QCheckBox* cbPauseAfter;
    QCheckBox* cbConfirmTavix;
    QCheckBox* cbTavixAfterJoin;
    QCheckBox* cbComputeTotal;
    QCheckBox* cbPreviewFirst;

    // "Plus"
    QCheckBox* cbAutoStart;
    QGroupBox* rgViewArea;
    QLineEdit* leMapImagesDirectory;
    QLineEdit* leTileSource;
    QCheckBox* cbSaveMapImage;
    QCheckBox* cbSaveCalibration;
    QSpinBox* sePlusCompressionQuality;
    QSpinBox* seCriticalNumOfPixels;
    QGroupBox* rgPlusPixelFormat;
    QSpinBox* seMapImagesOverlap;
    QGroupBox* rgCalibFormat;
};

}  // namespace korvalen
