#include "joining/TavixJoinMaps.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QVBoxLayout>

#include "app/FormTranslation.h"
#include "core/Settings.h"
#include "joining/ToolPicture.h"

namespace korvalen {
namespace {

const QColor kBackground(0xFF, 0x80, 0x80);
constexpr int kLinePen = 3;
constexpr int kPlacedPen = 2;

}  // namespace

TfJoinMaps::TfJoinMaps(QWidget* caller, Point joinDirection, const Bitmap& band,
                       const Bitmap& target, const Settings& settings)
    : QDialog(caller),
      caller_(caller),
      horizontal_(joinDirection.x != 0),
      geometry_(horizontal_, target.Width(), target.Height(), band.Width(), band.Height()),
      targetImage_(DisplayImage(target)),
      bandImage_(DisplayImage(band)),
      closeAfterJoin_(settings.tavixAfterJoin),
      language_(EffectiveLanguage(settings)) {
    setObjectName(QStringLiteral("fJoinMaps"));
    setWindowTitle(QStringLiteral("move point on search_band to_same point on target_map"));
    BuildLayout();
    TranslateForm(this, language_);
    PlaceOverCaller(this, caller_);
}

TfJoinMaps::~TfJoinMaps() = default;

void TfJoinMaps::BuildLayout() {
    iMap = new ToolPicture(QSize(geometry_.CompositeWidth(), geometry_.CompositeHeight()),
                           [this](QPainter& p, const QRect& area) { PaintPicture(p, area); });
    sbMap = MakePictureScrollBox(iMap, this);
    connect(iMap, &ToolPicture::pressed, this, &TfJoinMaps::PictureMouseDown);
    connect(iMap, &ToolPicture::moved, this, &TfJoinMaps::PictureMouseMove);

    auto* pMap = new QWidget(this);
    pMap->setObjectName(QStringLiteral("pMap"));
    auto* panel = new QVBoxLayout(pMap);
    // The two steps, in the words the translation knows.
    auto* firstStep = new QLabel(QStringLiteral("Set 1. point at search_band"), pMap);
    auto* secondStep = new QLabel(QStringLiteral("Set point at target_map"), pMap);
    for (QLabel* step : {firstStep, secondStep})
        step->setWordWrap(true);
    auto* ok = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton),
                               QStringLiteral("&Accept"), pMap);
    ok->setObjectName(QStringLiteral("bbOK"));
    ok->setDefault(true);
    ok->setEnabled(false);
    auto* cancel = new QPushButton(style()->standardIcon(QStyle::SP_DialogCancelButton),
                                   QStringLiteral("&Cancel"), pMap);
    cancel->setObjectName(QStringLiteral("bbBreak"));
    // Enter means "&Accept" only, and only once it is enabled.
    for (QPushButton* b : {ok, cancel}) {
        b->setMinimumHeight(30);
        b->setAutoDefault(false);
    }
    bbOK = ok;
    bbBreak = cancel;
    connect(bbOK, &QAbstractButton::clicked, this, &TfJoinMaps::bbOKClick);
    connect(bbBreak, &QAbstractButton::clicked, this, &TfJoinMaps::bbBreakClick);
    panel->addWidget(firstStep);
    panel->addWidget(secondStep);
    panel->addStretch(1);
    panel->addWidget(bbOK);
    panel->addWidget(bbBreak);
    pMap->setFixedWidth(200);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(sbMap, 1);
    layout->addWidget(pMap);
}

void TfJoinMaps::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (activated_)
        return;
    activated_ = true;
    // Toward the band: its end along the joining direction, the middle across it.
    layout()->activate();
    QScrollBar* h = sbMap->horizontalScrollBar();
    QScrollBar* v = sbMap->verticalScrollBar();
    if (horizontal_) {
        h->setValue(h->maximum());
        v->setValue((v->minimum() + v->maximum()) / 2);
    } else {
        h->setValue((h->minimum() + h->maximum()) / 2);
        v->setValue(v->maximum());
    }
}

void TfJoinMaps::closeEvent(QCloseEvent* event) {
    // Closed by the title bar: the last click decides.
    event->accept();
    done(accepted_ ? QDialog::Accepted : QDialog::Rejected);
}

void TfJoinMaps::reject() {
    bbBreakClick();
}

void TfJoinMaps::bbOKClick() {
    if (!bbOK->isEnabled())
        return;
    done(QDialog::Accepted);
}

void TfJoinMaps::bbBreakClick() {
    accepted_ = false;
    done(QDialog::Rejected);
}

QRect TfJoinMaps::LineBounds() const {
    const QPoint a(geometry_.FirstPoint().x, geometry_.FirstPoint().y);
    const QPoint b(geometry_.SecondPoint().x, geometry_.SecondPoint().y);
    const int reach = kLinePen + 1;
    return QRect(a, b).normalized().adjusted(-reach, -reach, reach, reach);
}

QRect TfJoinMaps::PlacedBandBounds() const {
    const QRect band(geometry_.BandPosition().x, geometry_.BandPosition().y, bandImage_.width(),
                     bandImage_.height());
    return band.adjusted(-kPlacedPen - 1, -kPlacedPen - 1, kPlacedPen + 1, kPlacedPen + 1);
}

void TfJoinMaps::PictureMouseDown(QPoint position, Qt::MouseButton button) {
    // The picture is first drawn clean.
    if (showLine_)
        iMap->update(LineBounds());
    if (showPlaced_)
        iMap->update(PlacedBandBounds());
    showLine_ = false;
    showPlaced_ = false;

    if (button == Qt::RightButton) {
        geometry_.RightPress();
        accepted_ = false;
        bbOK->setEnabled(false);
        iMap->SetPointer(ToolPointer::Arrow);
        return;
    }
    switch (geometry_.Press({position.x(), position.y()})) {
        case JoinPointsGeometry::Click::Ignored:
            return;
        case JoinPointsGeometry::Click::FirstPoint:
            accepted_ = false;
            bbOK->setEnabled(false);
            return;
        case JoinPointsGeometry::Click::BandPlaced:
            showPlaced_ = true;
            iMap->update(PlacedBandBounds());
            accepted_ = true;
            bbOK->setEnabled(true);
            bbOK->setFocus();
            iMap->SetPointer(ToolPointer::Arrow);
            if (closeAfterJoin_)
                bbOKClick();
            return;
    }
}

void TfJoinMaps::PictureMouseMove(QPoint position) {
    const Point p{position.x(), position.y()};
    iMap->SetPointer(geometry_.PointerAt(p));
    if (!geometry_.FirstPointSet() || !geometry_.AllowedBox().Contains(p))
        return;
    const QRect before = showLine_ ? LineBounds() : QRect();
    geometry_.MoveTo(p);
    showLine_ = true;
    iMap->update(QRegion(before) + LineBounds());
}

void TfJoinMaps::PaintPicture(QPainter& painter, const QRect& area) const {
    painter.fillRect(area, kBackground);
    const QRect targetPart = area & targetImage_.rect();
    if (!targetPart.isEmpty())
        painter.drawImage(targetPart.topLeft(), targetImage_, targetPart);
    const QRect bandBox = ToQRect(geometry_.BandBox());
    const QRect bandPart = area & bandBox;
    if (!bandPart.isEmpty())
        painter.drawImage(bandPart.topLeft(), bandImage_, bandPart.translated(-bandBox.topLeft()));
    if (showPlaced_) {
        const QPoint at(geometry_.BandPosition().x, geometry_.BandPosition().y);
        painter.drawImage(at, bandImage_);
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(Qt::red, kPlacedPen, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        painter.drawRect(QRect(at, bandImage_.size()));
    }
    if (showLine_) {
        painter.setPen(QPen(Qt::red, kLinePen, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(QPoint(geometry_.FirstPoint().x, geometry_.FirstPoint().y),
                         QPoint(geometry_.SecondPoint().x, geometry_.SecondPoint().y));
    }
}

}  // namespace korvalen
