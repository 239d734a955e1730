#pragma once

#include <QDialog>
#include <QImage>
#include <optional>

#include "images/Bitmap.h"
#include "images/BitmapOps.h"
#include "joining/BandAreaGeometry.h"
#include "joining/JoinRequest.h"

class QAbstractButton;
class QKeyEvent;
class QScrollArea;
class QSpinBox;

namespace korvalen {

struct Settings;
class ToolPicture;

// The search band definition: the target area and the facing half of the new map side by
// side; the user places and sizes the band on the half and moves the search area on the
// target. Closing it by any way but "Abort" accepts.
class TfBandArea : public QDialog {
    Q_OBJECT
public:
    // bandRect: the band in new-map pixels (right and bottom exclusive); areaCentre: the
    // centre of the search area in target pixels.
    TfBandArea(QWidget* caller, Point joinDirection, const Bitmap& newHalf, const Bitmap& target,
               Rect bandRect, Point areaCentre, const Settings& settings);
    ~TfBandArea() override;

    bool Accepted() const { return accepted_; }
    Rect BandRect() const { return geometry_.BandRect(); }
    Point AreaCentre() const { return geometry_.AreaCentre(); }
    const BandAreaGeometry& Geometry() const { return geometry_; }
    ToolPicture* Picture() const { return iMap; }

    void sbOKClick();     // "Accept"
    void sbAbortClick();  // "Abort"
    // A move button, by its tag.
    void MoveButtonClick(int tag);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void BuildLayout();
    QWidget* BuildMoveGroup(const char* title, const char* prefix, bool area);
    void PaintPicture(QPainter& painter, const QRect& area) const;
    bool FormKeyDown(QKeyEvent* event);
    void PictureMouseDown(QPoint position, Qt::MouseButton button);
    void PictureMouseMove(QPoint position);
    void PictureMouseUp();
    void UpDownChanged();
    void SetUpDowns();
    // Repaints the frames where they were and where they are now.
    void Redraw(const QRegion& before);
    QRegion FramesRegion() const;

    QWidget* caller_;
    BandAreaGeometry geometry_;
    QImage targetImage_;
    QImage halfImage_;
    int language_;
    bool accepted_ = false;
    bool activated_ = false;

    ToolPicture* iMap = nullptr;
    QScrollArea* sbMap = nullptr;
    QSpinBox* udBandWidth = nullptr;
    QSpinBox* udBandHeight = nullptr;
    QAbstractButton* sbOK = nullptr;
    QAbstractButton* sbAbort = nullptr;
};

}  // namespace korvalen
