#include "joining/TavixMoveMap.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QScrollArea>
#include <QSlider>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <array>

#include "app/FormTranslation.h"
#include "core/Settings.h"
#include "core/Translator.h"
#include "joining/ToolMoveButtons.h"
#include "joining/ToolPicture.h"

namespace korvalen {
namespace {

const QColor kBackground(0xC0, 0xDC, 0xC0);
constexpr int kLinePen = 3;
constexpr int kSurroundDefault = 3;
constexpr int kBreatheMs = 30;

using ChannelTable = std::array<uint8_t, 256>;

ChannelTable MakeTable(int add, int floor) {
    ChannelTable table{};
    for (int v = 0; v < 256; ++v)
        table[static_cast<size_t>(v)] = static_cast<uint8_t>(std::clamp(v + add, floor, 255));
    return table;
}

// The moved map shows darker: everything darkened by 32 and, outside it, brightened again.
const ChannelTable kDarkened = MakeTable(-32, 0);
const ChannelTable kDarkenedAndBack = MakeTable(0, 32);
const ChannelTable kBrightened = MakeTable(64, 0);

QRgb Apply(const ChannelTable& t, QRgb c) {
    return qRgb(t[qRed(c)], t[qGreen(c)], t[qBlue(c)]);
}

// Applies inside to the pixels of the buffer (showing area) that lie in box, outside to the
// others; a null table leaves its pixels alone.
void Shade(QImage& buffer, const QRect& area, const QRect& box, const ChannelTable* inside,
           const ChannelTable* outside) {
    const QRect local = box.translated(-area.topLeft()) & buffer.rect();
    for (int y = 0; y < buffer.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(buffer.scanLine(y));
        const bool rowInside = y >= local.top() && y <= local.bottom() && !local.isEmpty();
        const int from = rowInside ? local.left() : buffer.width();
        const int to = rowInside ? local.right() + 1 : buffer.width();
        if (outside != nullptr) {
            for (int x = 0; x < from; ++x)
                row[x] = Apply(*outside, row[x]);
            for (int x = to; x < buffer.width(); ++x)
                row[x] = Apply(*outside, row[x]);
        }
        if (inside != nullptr)
            for (int x = from; x < to; ++x)
                row[x] = Apply(*inside, row[x]);
    }
}

void DrawPart(QPainter& painter, const QRect& area, const QImage& image, QPoint at) {
    const QRect part = area & image.rect().translated(at);
    if (!part.isEmpty())
        painter.drawImage(part.topLeft(), image, part.translated(-at));
}

QToolButton* MakeButton(QWidget* parent, const char* name, const char* text) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setText(QLatin1String(text));
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    button->setMinimumHeight(28);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

QString PerMilleText(int permille) {
    return QStringLiteral("%1 %").arg(permille / 10);
}

}  // namespace

TfMoveMap::TfMoveMap(QWidget* caller, Point joinDirection, const Bitmap& newHalf,
                     const Bitmap& target, Point moveOffset, int spreading,
                     const Settings& settings)
    : QDialog(caller),
      caller_(caller),
      geometry_(joinDirection.x != 0, target, newHalf, moveOffset, spreading),
      targetImage_(DisplayImage(target)),
      halfImage_(DisplayImage(newHalf)),
      disaccordColour_(settings.disaccordColor & 0xFF, (settings.disaccordColor >> 8) & 0xFF,
                       (settings.disaccordColor >> 16) & 0xFF),
      language_(EffectiveLanguage(settings)),
      moveOffset_(moveOffset) {
    setObjectName(QStringLiteral("fMoveMap"));
    setWindowTitle(QStringLiteral("move map to target_map"));
    BuildLayout();
    TranslateForm(this, language_);
    PlaceOverCaller(this, caller_);
    // The geometry measured once already (when the half overlaps the target).
    ShowMeasurement();
}

TfMoveMap::~TfMoveMap() = default;

QString TfMoveMap::Tr(const char* text) const {
    return QString::fromStdString(TranslateText(text, language_));
}

void TfMoveMap::BuildLayout() {
    iMap = new ToolPicture(QSize(geometry_.CompositeWidth(), geometry_.CompositeHeight()),
                           [this](QPainter& p, const QRect& area) { PaintPicture(p, area); });
    sbMap = MakePictureScrollBox(iMap, this);
    connect(iMap, &ToolPicture::pressed, this, &TfMoveMap::PictureMouseDown);
    connect(iMap, &ToolPicture::moved, this, &TfMoveMap::PictureMouseMove);
    connect(iMap, &ToolPicture::released, this, [this] { PictureMouseUp(); });

    auto* pMap = new QWidget(this);
    pMap->setObjectName(QStringLiteral("pMap"));
    auto* panel = new QVBoxLayout(pMap);

    auto* agreement = new QGroupBox(QStringLiteral("Overlap"), pMap);
    auto* values = new QGridLayout(agreement);
    lOverlap = new QLabel(agreement);
    lOverlap->setObjectName(QStringLiteral("lOverlap"));
    lBestOverlap = new QLabel(agreement);
    lBestOverlap->setObjectName(QStringLiteral("lBestOverlap"));
    for (QLabel* l : {lOverlap, lBestOverlap})
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    values->addWidget(new QLabel(QStringLiteral("Current"), agreement), 0, 0);
    values->addWidget(lOverlap, 0, 1);
    values->addWidget(new QLabel(QStringLiteral("Best"), agreement), 1, 0);
    values->addWidget(lBestOverlap, 1, 1);

    auto* moves = new QGroupBox(QStringLiteral("Move map"), pMap);
    auto* movesLayout = new QVBoxLayout(moves);
    movesLayout->addWidget(BuildMoveCrosses(moves, MoveButtonNames::Band(), false, "Move map",
                                            [this](int tag) { MoveButtonClick(tag); }));

    auto* overlap = MakeButton(pMap, "sbOverlap", "Show_overlap");
    auto* gotoBest = MakeButton(pMap, "sbGotoBest", "Best_result");
    auto* surround = MakeButton(pMap, "sbSurround", "Search_surround");
    tbSurround = new QSlider(Qt::Horizontal, pMap);
    tbSurround->setObjectName(QStringLiteral("tbSurround"));
    tbSurround->setRange(1, 5);
    tbSurround->setValue(kSurroundDefault);
    tbSurround->setPageStep(1);
    tbSurround->setTickPosition(QSlider::TicksBelow);
    tbSurround->setFocusPolicy(Qt::NoFocus);
    lSurroundRadius = new QLabel(pMap);
    lSurroundRadius->setObjectName(QStringLiteral("lSurroundRadius"));
    lSurroundRadius->setNum(kSurroundDefault);
    connect(tbSurround, &QSlider::valueChanged, lSurroundRadius, qOverload<int>(&QLabel::setNum));
    auto* radiusRow = new QHBoxLayout();
    radiusRow->addWidget(tbSurround, 1);
    radiusRow->addWidget(lSurroundRadius);
    pbSurround = new QProgressBar(pMap);
    pbSurround->setObjectName(QStringLiteral("pbSurround"));
    pbSurround->setTextVisible(false);
    pbSurround->setMaximumHeight(10);
    // Keeps its place while hidden, so that the buttons below do not jump.
    QSizePolicy keepPlace = pbSurround->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    pbSurround->setSizePolicy(keepPlace);
    pbSurround->hide();
    auto* pointToPoint = MakeButton(pMap, "sbPointToPoint", "Point_to_point");
    auto* ok = MakeButton(pMap, "sbOK", "Best tavix");
    ok->setIcon(style()->standardIcon(QStyle::SP_DialogApplyButton));
    auto* actOk = MakeButton(pMap, "sbActOK", "Actually tavix");
    actOk->setIcon(style()->standardIcon(QStyle::SP_DialogApplyButton));
    auto* abort = MakeButton(pMap, "sbAbort", "Abort");
    abort->setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton));
    sbOverlap = overlap;
    sbGotoBest = gotoBest;
    sbSurround = surround;
    sbPointToPoint = pointToPoint;
    sbOK = ok;
    sbActOK = actOk;
    sbAbort = abort;
    connect(sbOverlap, &QAbstractButton::clicked, this, &TfMoveMap::sbOverlapClick);
    connect(sbGotoBest, &QAbstractButton::clicked, this, &TfMoveMap::sbGotoBestClick);
    connect(sbSurround, &QAbstractButton::clicked, this, &TfMoveMap::sbSurroundClick);
    connect(sbPointToPoint, &QAbstractButton::clicked, this, &TfMoveMap::sbPointToPointClick);
    connect(sbOK, &QAbstractButton::clicked, this, &TfMoveMap::sbOKClick);
    connect(sbActOK, &QAbstractButton::clicked, this, &TfMoveMap::sbActOKClick);
    connect(sbAbort, &QAbstractButton::clicked, this, &TfMoveMap::sbAbortClick);

    panel->addWidget(agreement);
    panel->addWidget(moves);
    panel->addWidget(sbOverlap);
    panel->addWidget(sbGotoBest);
    panel->addWidget(sbSurround);
    panel->addLayout(radiusRow);
    panel->addWidget(pbSurround);
    panel->addWidget(sbPointToPoint);
    panel->addStretch(1);
    panel->addWidget(sbOK);
    panel->addWidget(sbActOK);
    panel->addWidget(sbAbort);
    pMap->setFixedWidth(std::max(200, pMap->sizeHint().width()));

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(sbMap, 1);
    layout->addWidget(pMap);

    new KeyPreview(this, [this](QKeyEvent* e) { return FormKeyDown(e); });
}

void TfMoveMap::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (activated_)
        return;
    activated_ = true;
    layout()->activate();
    sbMap->ensureVisible(geometry_.CompositeWidth() / 2, geometry_.CompositeHeight() / 2,
                         sbMap->viewport()->width() / 2, sbMap->viewport()->height() / 2);
}

void TfMoveMap::reject() {
    sbAbortClick();
}

void TfMoveMap::Finish(bool accepted, Point offset) {
    surroundRunning_ = false;  // a running surround search stops at its next offset
    finished_ = true;
    accepted_ = accepted;
    moveOffset_ = offset;
    done(accepted ? QDialog::Accepted : QDialog::Rejected);
}

void TfMoveMap::sbOKClick() {
    Finish(true, geometry_.BestOffset());
}

void TfMoveMap::sbActOKClick() {
    Finish(true, geometry_.CurrentOffset());
}

void TfMoveMap::sbAbortClick() {
    Finish(false, moveOffset_);
}

QRegion TfMoveMap::ChangingRegion() const {
    QRegion region(ToQRect(geometry_.NewBox()).adjusted(-2, -2, 2, 2));
    region += FrameRegion(ToQRect(geometry_.OverlapBox()), 1);
    if (geometry_.PointStep() > 0) {
        const QPoint a(geometry_.FirstPoint().x, geometry_.FirstPoint().y);
        const QPoint b(geometry_.SecondPoint().x, geometry_.SecondPoint().y);
        region += QRect(a, b).normalized().adjusted(-kLinePen - 1, -kLinePen - 1, kLinePen + 1,
                                                    kLinePen + 1);
    }
    if (showOverlap_)
        region += ToQRect(mismatchBox_);
    return region;
}

void TfMoveMap::Redraw(const QRegion& before) {
    iMap->update(before + ChangingRegion());
}

void TfMoveMap::MoveMap(int dx, int dy) {
    const QRegion before = ChangingRegion();
    geometry_.MoveBy(dx, dy);
    SetOverlapShown(false);
    Measure(false);
    Redraw(before);
}

void TfMoveMap::MoveButtonClick(int tag) {
    const MoveStep step = DecodeMoveTag(tag);
    MoveMap(step.dx, step.dy);
}

void TfMoveMap::Measure(bool paint) {
    if (!geometry_.Measure(paint ? &mismatch_ : nullptr))
        return;
    if (paint)
        mismatchBox_ = geometry_.MeasuredBox();
    ShowMeasurement();
}

void TfMoveMap::ShowMeasurement() {
    lOverlap->setText(PerMilleText(geometry_.OverlapPermille()));
    lBestOverlap->setText(PerMilleText(geometry_.BestPermille()));
    sbGotoBest->setEnabled(geometry_.BestResultEnabled());
    sbSurround->setEnabled(geometry_.SurroundEnabled() || surroundRunning_);
}

void TfMoveMap::SetOverlapShown(bool shown) {
    if (!shown && showOverlap_)
        iMap->update(ToQRect(mismatchBox_));
    showOverlap_ = shown;
    sbOverlap->setText(Tr(shown ? "Hide_overlap" : "Show_overlap"));
    if (!shown)
        mismatch_.clear();
}

void TfMoveMap::sbOverlapClick() {
    if (!geometry_.HasOverlap())
        return;
    if (showOverlap_) {
        SetOverlapShown(false);
        return;
    }
    SetOverlapShown(true);
    Measure(true);
    iMap->update(ToQRect(mismatchBox_));
}

void TfMoveMap::sbGotoBestClick() {
    const QRegion before = ChangingRegion();
    geometry_.GoToBest();
    Measure(showOverlap_);
    sbSurround->setEnabled(true);
    Redraw(before);
}

void TfMoveMap::sbSurroundClick() {
    if (surroundRunning_) {
        surroundRunning_ = false;
        return;
    }
    const int radius = tbSurround->value();
    const int side = 2 * radius + 1;
    sbSurround->setText(Tr("Break"));
    sbOverlap->setEnabled(false);
    SetOverlapShown(false);
    surroundRunning_ = true;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    pbSurround->setRange(0, side * side);
    pbSurround->setValue(0);
    pbSurround->show();

    QRegion changed = ChangingRegion();
    QElapsedTimer sinceBreath;
    sinceBreath.start();
    geometry_.SearchSurround(radius, [&](int done, int) {
        changed += ChangingRegion();
        // The window breathes at a bounded rate, so that Break acts at once without the
        // display costing more than the measuring.
        if (sinceBreath.elapsed() >= kBreatheMs || done == side * side) {
            pbSurround->setValue(done);
            ShowMeasurement();
            iMap->update(changed);
            changed = ChangingRegion();
            QApplication::processEvents();
            sinceBreath.restart();
        }
        return surroundRunning_;
    });

    pbSurround->hide();
    QApplication::restoreOverrideCursor();
    surroundRunning_ = false;
    sbSurround->setText(Tr("Search_surround"));
    sbOverlap->setEnabled(true);
    iMap->update(changed);
    if (!finished_)
        sbGotoBestClick();
}

void TfMoveMap::StepCaption() {
    switch (geometry_.PointStep()) {
        case 1:
            setWindowTitle(Tr("Set point at source_map"));
            break;
        case 2:
            setWindowTitle(Tr("Set point at target_map"));
            break;
        default:
            setWindowTitle(Tr("move map to_target_map"));
            break;
    }
}

void TfMoveMap::sbPointToPointClick() {
    if (geometry_.Dragging())
        return;
    const QRegion before = ChangingRegion();
    geometry_.StartPointToPoint();
    setWindowTitle(Tr("Set 1. point at source_map"));
    // The whole picture changes its shading.
    iMap->update();
    Redraw(before);
    iMap->SetPointer(ToolPointer::Crosshair);
}

void TfMoveMap::PictureMouseDown(QPoint position, Qt::MouseButton button) {
    const Point p{position.x(), position.y()};
    const QRegion before = ChangingRegion();
    if (button == Qt::RightButton) {
        if (geometry_.PointStep() == 0)
            return;
        geometry_.PointBack();
        StepCaption();
        iMap->update();
        iMap->SetPointer(geometry_.PointerAt(p));
        return;
    }
    if (button != Qt::LeftButton)
        return;
    if (geometry_.PointStep() == 0) {
        if (geometry_.BeginDrag(p))
            sbPointToPoint->setEnabled(false);
        return;
    }
    switch (geometry_.PointPress(p)) {
        case MoveMapGeometry::PointClick::Ignored:
            return;
        case MoveMapGeometry::PointClick::FirstPoint:
            StepCaption();
            iMap->update();  // the shading moves from the half to the target
            break;
        case MoveMapGeometry::PointClick::MapMoved:
            SetOverlapShown(false);
            Measure(false);
            setWindowTitle(Tr("Move map to target_map"));
            iMap->update();
            iMap->SetPointer(ToolPointer::Arrow);
            break;
    }
    Redraw(before);
}

void TfMoveMap::PictureMouseMove(QPoint position) {
    const Point p{position.x(), position.y()};
    if (geometry_.Dragging()) {
        const QRegion before = ChangingRegion();
        if (geometry_.DragTo(p)) {
            SetOverlapShown(false);
            Measure(false);
            Redraw(before);
        }
        return;
    }
    if (geometry_.PointStep() == 2) {
        const QRegion before = ChangingRegion();
        if (geometry_.PointFollow(p))
            Redraw(before);
    }
    iMap->SetPointer(geometry_.PointerAt(p));
}

void TfMoveMap::PictureMouseUp() {
    if (!geometry_.Dragging())
        return;
    geometry_.EndDrag();
    sbPointToPoint->setEnabled(true);
}

bool TfMoveMap::FormKeyDown(QKeyEvent* event) {
    if (const std::optional<MoveKey> key = MoveKeyOf(event->key())) {
        MoveButtonClick(MoveTagForKey(*key, false));
        return true;
    }
    switch (event->key()) {
        case Qt::Key_Escape:  // the dialog's own: Abort
        case Qt::Key_Shift:
        case Qt::Key_Control:
        case Qt::Key_Alt:
        case Qt::Key_Meta:
        case Qt::Key_AltGr:
            return false;
        default:
            break;
    }
    // Any other key shows or hides the overlap.
    if (geometry_.HasOverlap() && sbOverlap->isEnabled())
        sbOverlapClick();
    return true;
}

void TfMoveMap::PaintPicture(QPainter& painter, const QRect& area) const {
    QImage buffer(area.size(), QImage::Format_RGB32);
    buffer.fill(kBackground);
    {
        QPainter p(&buffer);
        p.translate(-area.topLeft());
        DrawPart(p, area, targetImage_,
                 QPoint(geometry_.TargetBox().left, geometry_.TargetBox().top));
        DrawPart(p, area, halfImage_, QPoint(geometry_.NewBox().left, geometry_.NewBox().top));
    }
    switch (geometry_.PointStep()) {
        case 0:
            Shade(buffer, area, ToQRect(geometry_.NewBox()), &kDarkened, &kDarkenedAndBack);
            break;
        case 1:
            Shade(buffer, area, ToQRect(geometry_.NewBox()), nullptr, &kBrightened);
            break;
        default:
            Shade(buffer, area, ToQRect(geometry_.TargetBox()), nullptr, &kBrightened);
            break;
    }
    if (showOverlap_ && !mismatch_.empty()) {
        const QRect box = ToQRect(mismatchBox_);
        const QRect part = box & area;
        const QRgb colour = disaccordColour_.rgb();
        for (int y = part.top(); y <= part.bottom() && !part.isEmpty(); ++y) {
            const uint8_t* marks =
                mismatch_.data() + static_cast<size_t>(y - box.top()) * box.width();
            auto* row = reinterpret_cast<QRgb*>(buffer.scanLine(y - area.top()));
            for (int x = part.left(); x <= part.right(); ++x)
                if (marks[x - box.left()] != 0)
                    row[x - area.left()] = colour;
        }
    }
    {
        QPainter p(&buffer);
        p.translate(-area.topLeft());
        if (geometry_.HasOverlap()) {
            p.setPen(QPen(Qt::red, 1));
            p.setBrush(Qt::NoBrush);
            // Its right and bottom lines just outside the measured pixels, never over them.
            p.drawRect(ToQRect(geometry_.OverlapBox()));
        }
        if (geometry_.PointStep() > 0) {
            p.setPen(QPen(Qt::red, kLinePen, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPoint(geometry_.FirstPoint().x, geometry_.FirstPoint().y),
                       QPoint(geometry_.SecondPoint().x, geometry_.SecondPoint().y));
        }
    }
    painter.drawImage(area.topLeft(), buffer);
}

}  // namespace korvalen
