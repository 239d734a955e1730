#include "joining/TavixBandArea.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/FormTranslation.h"
#include "core/Settings.h"
#include "joining/ToolMoveButtons.h"
#include "joining/ToolPicture.h"

namespace korvalen {
namespace {

const QColor kBackground(0xA6, 0xCA, 0xF0);
constexpr int kBandPen = 4;
constexpr int kAreaPen = 4;
constexpr int kCentrePen = 2;

// An up-down whose number can only be stepped, not typed.
class UpDown : public QSpinBox {
public:
    explicit UpDown(const char* name, QWidget* parent) : QSpinBox(parent) {
        setObjectName(QLatin1String(name));
        setRange(kMinBandSide, kMaxBandSide);
        setSingleStep(10);
        lineEdit()->setReadOnly(true);
        setFocusPolicy(Qt::NoFocus);
        setKeyboardTracking(false);
    }
};

}  // namespace

TfBandArea::TfBandArea(QWidget* caller, Point joinDirection, const Bitmap& newHalf,
                       const Bitmap& target, Rect bandRect, Point areaCentre,
                       const Settings& settings)
    : QDialog(caller),
      caller_(caller),
      geometry_(BandAreaInput{joinDirection.x != 0, target.Width(), target.Height(),
                              newHalf.Width(), newHalf.Height(), bandRect, areaCentre,
                              settings.overlap}),
      targetImage_(DisplayImage(target)),
      halfImage_(DisplayImage(newHalf)),
      language_(EffectiveLanguage(settings)) {
    setObjectName(QStringLiteral("fBandArea"));
    setWindowTitle(QStringLiteral("Move_and_resize search_band / target_area"));
    BuildLayout();
    TranslateForm(this, language_);
    PlaceOverCaller(this, caller_);
    SetUpDowns();
    // Closing by any way but "Abort" counts as accepted.
    accepted_ = true;
}

TfBandArea::~TfBandArea() = default;

void TfBandArea::BuildLayout() {
    iMap = new ToolPicture(QSize(geometry_.CompositeWidth(), geometry_.CompositeHeight()),
                           [this](QPainter& p, const QRect& area) { PaintPicture(p, area); });
    sbMap = MakePictureScrollBox(iMap, this);
    connect(iMap, &ToolPicture::pressed, this, &TfBandArea::PictureMouseDown);
    connect(iMap, &ToolPicture::moved, this, &TfBandArea::PictureMouseMove);
    connect(iMap, &ToolPicture::released, this, [this] { PictureMouseUp(); });

    auto* pMap = new QWidget(this);
    pMap->setObjectName(QStringLiteral("pMap"));
    auto* panel = new QVBoxLayout(pMap);

    auto* bandGroup = new QGroupBox(QStringLiteral("Search_band"), pMap);
    auto* bandLayout = new QVBoxLayout(bandGroup);
    auto* sizes = new QGridLayout();
    udBandWidth = new UpDown("udBandWidth", bandGroup);
    udBandHeight = new UpDown("udBandHeight", bandGroup);
    sizes->addWidget(new QLabel(QStringLiteral("Width"), bandGroup), 0, 0);
    sizes->addWidget(udBandWidth, 0, 1);
    sizes->addWidget(new QLabel(QStringLiteral("Height"), bandGroup), 1, 0);
    sizes->addWidget(udBandHeight, 1, 1);
    bandLayout->addLayout(sizes);
    bandLayout->addWidget(BuildMoveCrosses(bandGroup, MoveButtonNames::Band(), false,
                                           "Move search_band",
                                           [this](int tag) { MoveButtonClick(tag); }));
    connect(udBandWidth, &QSpinBox::valueChanged, this, [this] { UpDownChanged(); });
    connect(udBandHeight, &QSpinBox::valueChanged, this, [this] { UpDownChanged(); });

    auto* areaGroup = new QGroupBox(QStringLiteral("Target_area"), pMap);
    auto* areaLayout = new QVBoxLayout(areaGroup);
    areaLayout->addWidget(BuildMoveCrosses(areaGroup, MoveButtonNames::Area(), true,
                                           "Move target_area",
                                           [this](int tag) { MoveButtonClick(tag); }));

    auto* okButton = new QToolButton(pMap);
    okButton->setObjectName(QStringLiteral("sbOK"));
    okButton->setText(QStringLiteral("Accept"));
    okButton->setIcon(style()->standardIcon(QStyle::SP_DialogApplyButton));
    auto* abortButton = new QToolButton(pMap);
    abortButton->setObjectName(QStringLiteral("sbAbort"));
    abortButton->setText(QStringLiteral("Abort"));
    abortButton->setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton));
    for (QToolButton* b : {okButton, abortButton}) {
        b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        b->setMinimumHeight(30);
        b->setFocusPolicy(Qt::NoFocus);
    }
    sbOK = okButton;
    sbAbort = abortButton;
    connect(sbOK, &QAbstractButton::clicked, this, &TfBandArea::sbOKClick);
    connect(sbAbort, &QAbstractButton::clicked, this, &TfBandArea::sbAbortClick);

    panel->addWidget(bandGroup);
    panel->addWidget(areaGroup);
    panel->addStretch(1);
    panel->addWidget(sbOK);
    panel->addWidget(sbAbort);
    pMap->setFixedWidth(std::max(200, pMap->sizeHint().width()));

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(sbMap, 1);
    layout->addWidget(pMap);

    new KeyPreview(this, [this](QKeyEvent* e) { return FormKeyDown(e); });
}

void TfBandArea::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (activated_)
        return;
    activated_ = true;
    // The middle of the picture in view.
    layout()->activate();
    sbMap->ensureVisible(geometry_.CompositeWidth() / 2, geometry_.CompositeHeight() / 2,
                         sbMap->viewport()->width() / 2, sbMap->viewport()->height() / 2);
}

void TfBandArea::closeEvent(QCloseEvent* event) {
    // Closed by the title bar: the band counts as accepted.
    event->accept();
    done(accepted_ ? QDialog::Accepted : QDialog::Rejected);
}

void TfBandArea::reject() {
    sbAbortClick();
}

void TfBandArea::sbOKClick() {
    accepted_ = true;
    done(QDialog::Accepted);
}

void TfBandArea::sbAbortClick() {
    accepted_ = false;
    done(QDialog::Rejected);
}

void TfBandArea::MoveButtonClick(int tag) {
    const QRegion before = FramesRegion();
    geometry_.ApplyMoveTag(tag);
    Redraw(before);
}

bool TfBandArea::FormKeyDown(QKeyEvent* event) {
    const std::optional<MoveKey> key = MoveKeyOf(event->key());
    if (!key)
        return false;
    const bool modifier =
        (event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier)) != 0;
    MoveButtonClick(MoveTagForKey(*key, modifier));
    return true;
}

void TfBandArea::PictureMouseDown(QPoint position, Qt::MouseButton button) {
    if (button != Qt::LeftButton)
        return;
    geometry_.Press({position.x(), position.y()});
}

void TfBandArea::PictureMouseMove(QPoint position) {
    const Point p{position.x(), position.y()};
    if (geometry_.CurrentDrag() == BandAreaGeometry::Drag::None) {
        iMap->SetPointer(geometry_.PointerAt(p));
        return;
    }
    const QRegion before = FramesRegion();
    const bool resizing = geometry_.CurrentDrag() == BandAreaGeometry::Drag::Resize;
    if (geometry_.DragTo(p)) {
        Redraw(before);
        if (resizing)
            SetUpDowns();
    }
}

void TfBandArea::PictureMouseUp() {
    geometry_.Release();
    iMap->SetPointer(ToolPointer::Arrow);
}

void TfBandArea::UpDownChanged() {
    const QRegion before = FramesRegion();
    geometry_.SetBandWidth(udBandWidth->value());
    geometry_.SetBandHeight(udBandHeight->value());
    Redraw(before);
    SetUpDowns();
}

void TfBandArea::SetUpDowns() {
    const QSignalBlocker blockWidth(udBandWidth);
    const QSignalBlocker blockHeight(udBandHeight);
    udBandWidth->setValue(geometry_.BandBox().Width());
    udBandHeight->setValue(geometry_.BandBox().Height());
}

QRegion TfBandArea::FramesRegion() const {
    return FrameRegion(ToQRect(geometry_.BandBox()), kBandPen) +
           FrameRegion(ToQRect(geometry_.AreaBox()), kAreaPen) +
           FrameRegion(ToQRect(geometry_.CentreBox()), kCentrePen);
}

void TfBandArea::Redraw(const QRegion& before) {
    iMap->update(before + FramesRegion());
}

void TfBandArea::PaintPicture(QPainter& painter, const QRect& area) const {
    painter.fillRect(area, kBackground);
    const QRect targetPart = area & targetImage_.rect();
    if (!targetPart.isEmpty())
        painter.drawImage(targetPart.topLeft(), targetImage_, targetPart);
    const QPoint offset(geometry_.NewOffset().x, geometry_.NewOffset().y);
    const QRect halfPart = area & halfImage_.rect().translated(offset);
    if (!halfPart.isEmpty())
        painter.drawImage(halfPart.topLeft(), halfImage_, halfPart.translated(-offset));

    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::red, kBandPen, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter.drawRect(ToQRect(geometry_.BandBox()));
    painter.setPen(QPen(Qt::magenta, kAreaPen, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter.drawRect(ToQRect(geometry_.AreaBox()));
    painter.setPen(QPen(Qt::magenta, kCentrePen, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter.drawRect(ToQRect(geometry_.CentreBox()));
}

}  // namespace korvalen
