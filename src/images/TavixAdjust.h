#pragma once

#include <QDialog>
#include <QPoint>
#include <QRect>
#include <filesystem>
#include <optional>
#include <string>

#include "core/ProgramState.h"
#include "images/Bitmap.h"
#include "images/UpDown.h"

class QAbstractButton;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollArea;
class QWidget;

namespace korvalen {

class AdjustPicture;
class Dialogs;

// Which neighbour a strip comes from.
enum class StripSide { Left, Above };

// Adjusting one map: the active single map or the result map. The user turns it by an
// entered angle, by 180 degrees, to a line drawn on it, or to match its neighbour by two
// lines (or by the angle found automatically), checks its seam with a neighbour, cuts it,
// undoes everything, zooms and saves it. The opener fills the inputs, runs exec() and on
// Accepted() takes AdjustMap back.
class TfAdjust : public QDialog {
    Q_OBJECT
public:
    // What the next click on the map means.
    enum Mode {
        kIdle = 0,
        kCutFirst = 1,
        kCutSecond = 2,
        kLineFirst = 3,
        kLineSecond = 4,
        kCutCentred = 5,
        kSourceFirst = 6,
        kTargetFirst = 7,
        kSourceSecond = 8,
        kTargetSecond = 9,
        kSeamSource = 10,
        kSeamTarget = 11,
        kSeamMove = 12,
    };

    TfAdjust(ProgramState& state, Dialogs& dialogs, QWidget* caller = nullptr);
    ~TfAdjust() override;

    // Inputs, set before exec().
    Bitmap AdjustMap;
    std::string MapName;
    std::filesystem::path FileName;  // used by "Save"; takes the name saved
    bool SaveAllowed = false;
    std::optional<Bitmap> FirstStrip;  // the neighbour's facing half
    StripSide FirstStripSide = StripSide::Left;
    std::optional<Bitmap> SecondStrip;  // always the left neighbour's right half
    bool PlaceOverCaller = false;
    bool ShowZoomPanel = true;
    bool FullMap = true;
    int ZoomPercent = 100;

    // Outcome.
    bool Accepted() const { return accepted_; }
    // True when the form saved the map and nothing changed since.
    bool SavedByForm() const { return savedByForm_ && saved_; }

    // State, for the tests and the caption.
    int CurrentMode() const { return mode_; }
    double TotalRotation() const { return totalRotation_; }
    bool Changed() const { return changed_; }
    bool CutDone() const { return cutDone_; }
    bool Saved() const { return saved_; }
    double EnteredAngle() const;
    AdjustPicture* Picture() const { return iMap; }
    AdjustPicture* CommonPicture() const { return iCommonMap; }
    std::optional<QPoint> SeamOffset() const { return seamOffset_[seamLeft_ ? 0 : 1]; }
    const Bitmap* LeftStrip() const;
    const Bitmap* UpperStrip() const;

    // Buttons.
    void bbRightClick();
    void bbLeftClick();
    void bbRotate180Click();
    void bbHorizontalClick();
    void bbVerticalClick();
    void bbTargetClick();
    void bbFindAngleClick();
    void bbCheckLeftClick();
    void bbCheckUpperClick();
    void bbCutAnyClick();
    void bbCutCenteredClick();
    void bbUndoAllClick();
    void bbAcceptClick();
    void bbBreakClick();
    void bbSaveClick();
    void cbFullMapClick();
    void ZoomChange();

    // Applies a rotation by a user angle (positive turns clockwise); false when it failed.
    bool RotateMap(double userAngle);

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void reject() override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void BuildLayout();
    QString Text(const char* source) const;
    void StartMode(int mode, QAbstractButton* starter);
    void EndMode();
    void UpdateControls();
    void UpdateCaption();
    void ShowPicture();
    void PictureSizeChanged();
    void PicturePressed(QPoint pixel, Qt::MouseButton button);
    void PictureMoved(QPoint pixel);
    void PaintOverlay(QPainter& painter, double scaleX, double scaleY) const;
    void StepBack();
    bool CommonView() const { return mode_ >= kSourceFirst; }
    AdjustPicture* CurrentPicture() const;
    // Where the map and the neighbour lie on the common picture.
    void LayoutCommon();
    const Bitmap* ModeStrip() const;
    bool InMap(QPoint pixel) const;
    bool InStrip(QPoint pixel) const;
    void AskTargetRotation();
    void ConfirmRotationBetweenLines(double d);
    void AskCut();
    void EnteredDegreeDone();
    void EnteredHundredthsDone();
    void ShowAngle();

    ProgramState& state_;
    Dialogs& dialogs_;
    QWidget* caller_;
    int language_;
    // Calibration and flags as the adjusted map would leave them; handed over on Accept, so
    // that "Break" and "Undo_all" leave the program's reference points as they were.
    ProgramState working_;
    Bitmap initialMap_;
    bool initialTaken_ = false;
    double totalRotation_ = 0;
    int mode_ = kIdle;
    bool changed_ = false;
    bool cutDone_ = false;
    bool saved_ = true;
    bool accepted_ = false;
    bool savedByForm_ = false;
    QAbstractButton* modeButton_ = nullptr;
    QPoint first_, second_;              // map pixels
    QPoint targetFirst_, targetSecond_;  // neighbour pixels
    QPoint mouse_{-1, -1};               // picture pixel under the mouse
    QRect cutRect_;                      // map pixels, inclusive
    bool cutShown_ = false;
    bool seamLeft_ = true;
    std::optional<QPoint> seamOffset_[2];  // neighbour position relative to the map
    // Common picture: origins of the strip and of the map part shown.
    QPoint stripOrigin_, mapOrigin_;
    QSize mapPartSize_;

    AdjustPicture* iMap = nullptr;
    AdjustPicture* iCommonMap = nullptr;
    QScrollArea* sbMap = nullptr;
    QLineEdit* eDegree = nullptr;
    UpDown* udDegree = nullptr;
    QLineEdit* eDegree100 = nullptr;
    UpDown* udDegree10 = nullptr;
    UpDown* udDegree100 = nullptr;
    QPushButton* bbRight = nullptr;
    QPushButton* bbLeft = nullptr;
    QPushButton* bbRotate180 = nullptr;
    QPushButton* bbHorizontal = nullptr;
    QPushButton* bbVertical = nullptr;
    QPushButton* bbTarget = nullptr;
    QPushButton* bbFindAngle = nullptr;
    QPushButton* bbCheckLeft = nullptr;
    QPushButton* bbCheckUpper = nullptr;
    QPushButton* bbCutAny = nullptr;
    QPushButton* bbCutCentered = nullptr;
    QWidget* pZoom = nullptr;
    QLineEdit* eZoom = nullptr;
    UpDown* udZoom = nullptr;
    QCheckBox* cbFullMap = nullptr;
    QPushButton* bbUndoAll = nullptr;
    QPushButton* bbAccept = nullptr;
    QPushButton* bbBreak = nullptr;
    QPushButton* bbSave = nullptr;
};

}  // namespace korvalen
