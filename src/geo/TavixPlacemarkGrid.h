#pragma once

#include <QDialog>
#include <QString>
#include <string>

#include "geo/KmlPlacemarks.h"
#include "geo/PlacemarkGrid.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace korvalen {

class Dialogs;
struct ProgramState;

// "Create Placemark_Grid_Pattern": reads a root placemark file (two placemarks at the corners
// of one screen view), grows a grid of such views around it and writes the grid's placemark
// file and its pattern file.
class TfPlacemarkGrid : public QDialog {
    Q_OBJECT
public:
    TfPlacemarkGrid(ProgramState& state, Dialogs& dialogs, QWidget* parent = nullptr);

    // The state of the form.
    bool Loaded = false;
    RootPlacemarkFile Root;         // lines, placemarks and eye altitude of the loaded file
    std::string PlacemarkFileName;  // without its folder
    GridRequest Request() const;

    // Shows the values of the loaded file and of the grid; empties them when nothing is loaded.
    void RefreshDisplay();

public slots:
    void bbLoadClick();
    void bbSaveClick();

public:
    // Controls, named as the design names them; tests read them.
    QPushButton* bbLoad = nullptr;
    QPushButton* bbAbort = nullptr;
    QGroupBox* pStep2 = nullptr;
    QGroupBox* pStep3 = nullptr;
    QGroupBox* pStep4 = nullptr;
    QGroupBox* pStep5 = nullptr;
    QLineEdit* eLatTop = nullptr;
    QLineEdit* eLonLeft = nullptr;
    QLineEdit* eLonRight = nullptr;
    QLineEdit* eLatBottom = nullptr;
    QLineEdit* eEyeAlt = nullptr;
    QLineEdit* eImageWidth = nullptr;
    QLineEdit* eImageHeight = nullptr;
    QLabel* lFileName = nullptr;
    QSpinBox* seTopRows = nullptr;
    QSpinBox* seBottomRows = nullptr;
    QSpinBox* seLeftCols = nullptr;
    QSpinBox* seRightCols = nullptr;
    QSpinBox* seOverlapping = nullptr;
    QLineEdit* eNumCols = nullptr;
    QLineEdit* eNumRows = nullptr;
    QLineEdit* eGridWidth = nullptr;
    QLineEdit* eGridHeight = nullptr;
    QLineEdit* eNumImages = nullptr;
    QLabel* lHugeNumber = nullptr;
    QCheckBox* cbCalibrationPlacemarks = nullptr;
    QPushButton* bbSave = nullptr;

private:
    QString Text(const char* source) const;
    QGroupBox* BuildStep1();
    QGroupBox* BuildStep2();
    QGroupBox* BuildStep3();
    QGroupBox* BuildStep4();
    QGroupBox* BuildStep5();

    ProgramState& state_;
    Dialogs& dialogs_;
};

}  // namespace korvalen
