#pragma once

#include <QDialog>
#include <QImage>
#include <QRect>

#include "images/Bitmap.h"
#include "joining/JoinPointsGeometry.h"
#include "joining/JoinRequest.h"

class QAbstractButton;
class QKeyEvent;
class QScrollArea;

namespace korvalen {

struct Settings;
class ToolPicture;

// Join points: the search band beside the target area; the user clicks a point on the band
// and then the same point on the target, which tells where the band lies in the target.
class TfJoinMaps : public QDialog {
    Q_OBJECT
public:
    TfJoinMaps(QWidget* caller, Point joinDirection, const Bitmap& band, const Bitmap& target,
               const Settings& settings);
    ~TfJoinMaps() override;

    bool Accepted() const { return accepted_; }
    // Top-left of the band in the target, set by the second click.
    Point BandPosition() const { return geometry_.BandPosition(); }
    const JoinPointsGeometry& Geometry() const { return geometry_; }
    ToolPicture* Picture() const { return iMap; }

    void bbOKClick();     // "&Accept"
    void bbBreakClick();  // "&Cancel"

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void BuildLayout();
    void PaintPicture(QPainter& painter, const QRect& area) const;
    void PictureMouseDown(QPoint position, Qt::MouseButton button);
    void PictureMouseMove(QPoint position);
    QRect LineBounds() const;
    QRect PlacedBandBounds() const;

    QWidget* caller_;
    bool horizontal_;
    JoinPointsGeometry geometry_;
    QImage targetImage_;
    QImage bandImage_;
    bool closeAfterJoin_;
    int language_;
    bool accepted_ = false;
    bool activated_ = false;
    bool showLine_ = false;    // the rubber line from the first to the second point
    bool showPlaced_ = false;  // the band drawn where the two clicks put it

    ToolPicture* iMap = nullptr;
    QScrollArea* sbMap = nullptr;
    QAbstractButton* bbOK = nullptr;
    QAbstractButton* bbBreak = nullptr;
};

}  // namespace korvalen
