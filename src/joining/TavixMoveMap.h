#pragma once

#include <QColor>
#include <QDialog>
#include <QImage>
#include <QRegion>
#include <vector>

#include "images/Bitmap.h"
#include "joining/JoinRequest.h"
#include "joining/MoveMapGeometry.h"

class QAbstractButton;
class QKeyEvent;
class QLabel;
class QProgressBar;
class QScrollArea;
class QSlider;

namespace korvalen {

struct Settings;
class ToolPicture;

// The manual move: the facing half of the new map over the target area, moved by buttons,
// keys, the mouse, two matching points or a search of the nearest offsets. The window shows
// how well the overlap agrees and remembers the best placement.
class TfMoveMap : public QDialog {
    Q_OBJECT
public:
    // moveOffset: top-left of the new half in target pixels.
    TfMoveMap(QWidget* caller, Point joinDirection, const Bitmap& newHalf, const Bitmap& target,
              Point moveOffset, int spreading, const Settings& settings);
    ~TfMoveMap() override;

    bool Accepted() const { return accepted_; }
    Point MoveOffset() const { return moveOffset_; }
    const MoveMapGeometry& Geometry() const { return geometry_; }
    ToolPicture* Picture() const { return iMap; }
    bool ShowOverlap() const { return showOverlap_; }
    bool SurroundRunning() const { return surroundRunning_; }

    // Buttons.
    void sbOKClick();     // "Best tavix"
    void sbActOKClick();  // "Actually tavix"
    void sbAbortClick();  // "Abort"
    void sbOverlapClick();
    void sbGotoBestClick();
    void sbSurroundClick();
    void sbPointToPointClick();
    void MoveButtonClick(int tag);
    // Moves the new half and measures it.
    void MoveMap(int dx, int dy);

protected:
    void showEvent(QShowEvent* event) override;
    void reject() override;

private:
    void BuildLayout();
    QString Tr(const char* text) const;
    void PaintPicture(QPainter& painter, const QRect& area) const;
    bool FormKeyDown(QKeyEvent* event);
    void PictureMouseDown(QPoint position, Qt::MouseButton button);
    void PictureMouseMove(QPoint position);
    void PictureMouseUp();
    void Measure(bool paint);
    void ShowMeasurement();
    void SetOverlapShown(bool shown);
    void StepCaption();
    // Everything that a move of the half or a new point may change.
    QRegion ChangingRegion() const;
    void Redraw(const QRegion& before);
    void Finish(bool accepted, Point offset);

    QWidget* caller_;
    MoveMapGeometry geometry_;
    QImage targetImage_;
    QImage halfImage_;
    QColor disaccordColour_;
    int language_;
    Point moveOffset_;
    bool accepted_ = false;
    bool activated_ = false;
    bool showOverlap_ = false;
    bool surroundRunning_ = false;
    bool finished_ = false;          // accepted or aborted
    std::vector<uint8_t> mismatch_;  // of the last painted measurement
    Rect mismatchBox_;

    ToolPicture* iMap = nullptr;
    QScrollArea* sbMap = nullptr;
    QLabel* lOverlap = nullptr;
    QLabel* lBestOverlap = nullptr;
    QAbstractButton* sbOverlap = nullptr;
    QAbstractButton* sbGotoBest = nullptr;
    QAbstractButton* sbSurround = nullptr;
    QSlider* tbSurround = nullptr;
    QLabel* lSurroundRadius = nullptr;
    QProgressBar* pbSurround = nullptr;
    QAbstractButton* sbPointToPoint = nullptr;
    QAbstractButton* sbOK = nullptr;
    QAbstractButton* sbActOK = nullptr;
    QAbstractButton* sbAbort = nullptr;
};

}  // namespace korvalen
