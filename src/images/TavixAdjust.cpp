#include "images/TavixAdjust.h"

#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>
#include <chrono>
#include <cmath>
#include <exception>
#include <future>

#include "app/CommandGuards.h"
#include "app/Dialogs.h"
#include "app/FormTranslation.h"
#include "app/MainWindowState.h"
#include "app/SaveMapDialog.h"
#include "core/Translator.h"
#include "images/AdjustFormParts.h"
#include "images/AdjustPicture.h"
#include "images/AngleFinder.h"
#include "images/MapAdjust.h"
#include "images/RotateBitmap.h"

namespace korvalen {
namespace {

// Runs work beside the window, which keeps repainting meanwhile, and returns its result.
template <typename Work>
auto RunBesideWindow(Work work) {
    auto running = std::async(std::launch::async, std::move(work));
    while (running.wait_for(std::chrono::milliseconds(30)) != std::future_status::ready)
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    return running.get();
}

QPushButton* NewButton(QWidget* parent, const char* name, const char* text) {
    auto* button = new QPushButton(QString::fromUtf8(text), parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setFocusPolicy(Qt::NoFocus);
    button->setAutoDefault(false);
    return button;
}

}  // namespace

using namespace adjust;

// ---- The form -------------------------------------------------------------------------------

TfAdjust::TfAdjust(ProgramState& state, Dialogs& dialogs, QWidget* caller)
    : QDialog(caller),
      state_(state),
      dialogs_(dialogs),
      caller_(caller),
      language_(state.Language()),
      working_(state) {
    setObjectName(QStringLiteral("fAdjust"));
    setModal(true);
    BuildLayout();
    resize(900, 640);
}

TfAdjust::~TfAdjust() {
    // The edits report losing the focus while the dialog is torn down; nobody listens then.
    eDegree->disconnect(this);
    eDegree100->disconnect(this);
}

QString TfAdjust::Text(const char* source) const {
    return QString::fromStdString(TranslateText(source, language_));
}

void TfAdjust::BuildLayout() {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);

    sbMap = new QScrollArea(this);
    sbMap->setObjectName(QStringLiteral("sbMap"));
    sbMap->setAlignment(Qt::AlignCenter);
    sbMap->setFocusPolicy(Qt::NoFocus);
    QPalette boxPalette = sbMap->palette();
    boxPalette.setColor(QPalette::Window, kScrollBoxColour);
    sbMap->setPalette(boxPalette);
    sbMap->setBackgroundRole(QPalette::Window);
    auto* holder = new QWidget;
    holder->setAutoFillBackground(false);
    iMap = new AdjustPicture(holder);
    iMap->setObjectName(QStringLiteral("iMap"));
    iCommonMap = new AdjustPicture(holder);
    iCommonMap->setObjectName(QStringLiteral("iCommonMap"));
    iCommonMap->hide();
    sbMap->setWidget(holder);
    sbMap->setWidgetResizable(false);
    layout->addWidget(sbMap, 1);
    for (AdjustPicture* picture : {iMap, iCommonMap}) {
        connect(picture, &AdjustPicture::pressed, this, &TfAdjust::PicturePressed);
        connect(picture, &AdjustPicture::moved, this, &TfAdjust::PictureMoved);
        picture->SetOverlay([this](QPainter& p, double sx, double sy) { PaintOverlay(p, sx, sy); });
    }

    auto* column = new QVBoxLayout;
    column->setSpacing(3);
    layout->addLayout(column);

    auto* angleBox = new QGroupBox(QStringLiteral("Rotation_angle"), this);
    angleBox->setObjectName(QStringLiteral("gbRotationAngle"));
    auto* angle = new QGridLayout(angleBox);
    eDegree = new QLineEdit(QStringLiteral("90"), angleBox);
    eDegree->setObjectName(QStringLiteral("eDegree"));
    eDegree->setMaximumWidth(40);
    udDegree = new UpDown(0, 180, 1, 90, angleBox);
    udDegree->setObjectName(QStringLiteral("udDegree"));
    eDegree100 = new QLineEdit(QStringLiteral("00"), angleBox);
    eDegree100->setObjectName(QStringLiteral("eDegree100"));
    eDegree100->setMaximumWidth(30);
    udDegree10 = new UpDown(0, 90, 10, 0, angleBox);
    udDegree10->setObjectName(QStringLiteral("udDegree10"));
    udDegree100 = new UpDown(0, 9, 1, 0, angleBox);
    udDegree100->setObjectName(QStringLiteral("udDegree100"));
    auto* comma = new QLabel(QStringLiteral(","), angleBox);
    angle->addWidget(eDegree, 0, 0);
    angle->addWidget(udDegree, 0, 1);
    angle->addWidget(comma, 0, 2);
    angle->addWidget(eDegree100, 0, 3);
    angle->addWidget(udDegree10, 0, 4);
    angle->addWidget(udDegree100, 0, 5);
    bbRight = NewButton(angleBox, "bbRight", "Right");
    bbLeft = NewButton(angleBox, "bbLeft", "Left");
    angle->addWidget(bbLeft, 1, 0, 1, 3);
    angle->addWidget(bbRight, 1, 3, 1, 3);
    column->addWidget(angleBox);
    connect(udDegree, &UpDown::changed, this,
            [this](int v) { eDegree->setText(QString::number(v)); });
    connect(udDegree10, &UpDown::changed, this, &TfAdjust::ShowAngle);
    connect(udDegree100, &UpDown::changed, this, &TfAdjust::ShowAngle);
    connect(eDegree, &QLineEdit::editingFinished, this, &TfAdjust::EnteredDegreeDone);
    connect(eDegree100, &QLineEdit::editingFinished, this, &TfAdjust::EnteredHundredthsDone);

    bbRotate180 = NewButton(this, "bbRotate180", "Rotate 180 degree");
    bbHorizontal = NewButton(this, "bbHorizontal", "Rotate_to horizontal_line");
    bbVertical = NewButton(this, "bbVertical", "Rotate_to vertical_line");
    bbTarget = NewButton(this, "bbTarget", "Rotate to target_map");
    bbTarget->setToolTip(QStringLiteral("Rotate between two lines"));
    bbFindAngle = NewButton(this, "bbFindAngle", "Find_angle");
    bbFindAngle->setToolTip(QStringLiteral("Find_angle to target_map"));
    auto* checks = new QHBoxLayout;
    bbCheckLeft = NewButton(this, "bbCheckLeft", "? left");
    bbCheckLeft->setToolTip(QStringLiteral("Check with left_map"));
    bbCheckUpper = NewButton(this, "bbCheckUpper", "? upper");
    bbCheckUpper->setToolTip(QStringLiteral("Check with upper_map"));
    checks->addWidget(bbCheckLeft);
    checks->addWidget(bbCheckUpper);
    bbCutAny = NewButton(this, "bbCutAny", "Cut_map_any");
    bbCutCentered = NewButton(this, "bbCutCentered", "Cut_map_centered");
    for (QWidget* w : {static_cast<QWidget*>(bbRotate180), static_cast<QWidget*>(bbHorizontal),
                       static_cast<QWidget*>(bbVertical), static_cast<QWidget*>(bbTarget),
                       static_cast<QWidget*>(bbFindAngle)})
        column->addWidget(w);
    column->addLayout(checks);
    column->addWidget(bbCutAny);
    column->addWidget(bbCutCentered);

    pZoom = new QGroupBox(QStringLiteral("Zoom"), this);
    pZoom->setObjectName(QStringLiteral("pZoom"));
    auto* zoom = new QGridLayout(pZoom);
    eZoom = new QLineEdit(QStringLiteral("100"), pZoom);
    eZoom->setObjectName(QStringLiteral("eZoom"));
    eZoom->setReadOnly(true);
    eZoom->setFocusPolicy(Qt::NoFocus);
    eZoom->setMaximumWidth(40);
    udZoom = new UpDown(25, 250, 25, 100, pZoom);
    udZoom->setObjectName(QStringLiteral("udZoom"));
    cbFullMap = new QCheckBox(QStringLiteral("&Full map"), pZoom);
    cbFullMap->setObjectName(QStringLiteral("cbFullMap"));
    cbFullMap->setChecked(true);
    cbFullMap->setFocusPolicy(Qt::NoFocus);
    zoom->addWidget(eZoom, 0, 0);
    zoom->addWidget(udZoom, 0, 1);
    zoom->addWidget(cbFullMap, 1, 0, 1, 2);
    column->addWidget(pZoom);
    connect(udZoom, &UpDown::changed, this, &TfAdjust::ZoomChange);
    connect(cbFullMap, &QCheckBox::clicked, this, &TfAdjust::cbFullMapClick);

    bbUndoAll = NewButton(this, "bbUndoAll", "Undo_all");
    bbUndoAll->setToolTip(QStringLiteral("undo_all changes"));
    column->addWidget(bbUndoAll);
    column->addStretch(1);
    bbSave = NewButton(this, "bbSave", "Save");
    bbAccept = NewButton(this, "bbAccept", "Accept");
    bbAccept->setDefault(true);
    bbBreak = NewButton(this, "bbBreak", "Break");
    column->addWidget(bbSave);
    column->addWidget(bbAccept);
    column->addWidget(bbBreak);

    connect(bbRight, &QPushButton::clicked, this, &TfAdjust::bbRightClick);
    connect(bbLeft, &QPushButton::clicked, this, &TfAdjust::bbLeftClick);
    connect(bbRotate180, &QPushButton::clicked, this, &TfAdjust::bbRotate180Click);
    connect(bbHorizontal, &QPushButton::clicked, this, &TfAdjust::bbHorizontalClick);
    connect(bbVertical, &QPushButton::clicked, this, &TfAdjust::bbVerticalClick);
    connect(bbTarget, &QPushButton::clicked, this, &TfAdjust::bbTargetClick);
    connect(bbFindAngle, &QPushButton::clicked, this, &TfAdjust::bbFindAngleClick);
    connect(bbCheckLeft, &QPushButton::clicked, this, &TfAdjust::bbCheckLeftClick);
    connect(bbCheckUpper, &QPushButton::clicked, this, &TfAdjust::bbCheckUpperClick);
    connect(bbCutAny, &QPushButton::clicked, this, &TfAdjust::bbCutAnyClick);
    connect(bbCutCentered, &QPushButton::clicked, this, &TfAdjust::bbCutCenteredClick);
    connect(bbUndoAll, &QPushButton::clicked, this, &TfAdjust::bbUndoAllClick);
    connect(bbSave, &QPushButton::clicked, this, &TfAdjust::bbSaveClick);
    connect(bbAccept, &QPushButton::clicked, this, &TfAdjust::bbAcceptClick);
    connect(bbBreak, &QPushButton::clicked, this, &TfAdjust::bbBreakClick);
}

// ---- Activation and closing -----------------------------------------------------------------

void TfAdjust::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    TranslateForm(this, language_);
    if (PlaceOverCaller && caller_) {
        const QRect r = caller_->frameGeometry();
        setGeometry(r.left() + 50, r.top() + 50, std::max(200, r.width() - 100),
                    std::max(200, r.height() - 100));
    }
    if (!initialTaken_) {
        initialMap_ = AdjustMap;
        initialTaken_ = true;
        working_ = state_;
        pZoom->setVisible(ShowZoomPanel);
        cbFullMap->setChecked(FullMap);
        udZoom->SetPosition(ZoomPercent);
        eZoom->setText(QString::number(udZoom->Position()));
    }
    LayoutCommon();
    ShowPicture();
    UpdateControls();
    UpdateCaption();
}

void TfAdjust::bbAcceptClick() {
    if (!changed_)
        return;
    accepted_ = true;
    // The reference points and flags as the cut left them now belong to the program.
    state_.Calibration = working_.Calibration;
    state_.ResultUnsaved = state_.ResultUnsaved || working_.ResultUnsaved;
    initialMap_ = Bitmap();
    accept();
}

void TfAdjust::bbBreakClick() {
    reject();
}

void TfAdjust::reject() {
    accepted_ = false;
    initialMap_ = Bitmap();
    QDialog::reject();
}

// ---- Angle fields ---------------------------------------------------------------------------

double TfAdjust::EnteredAngle() const {
    return udDegree->Position() + (udDegree10->Position() + udDegree100->Position()) / 100.0;
}

void TfAdjust::ShowAngle() {
    const int hundredths = udDegree10->Position() + udDegree100->Position();
    eDegree100->setText(QStringLiteral("%1").arg(hundredths, 2, 10, QLatin1Char('0')));
}

void TfAdjust::EnteredDegreeDone() {
    bool ok = false;
    const int value = std::clamp(eDegree->text().trimmed().toInt(&ok), 0, 180);
    udDegree->SetPosition(ok ? value : udDegree->Position());
    eDegree->setText(QString::number(udDegree->Position()));
}

void TfAdjust::EnteredHundredthsDone() {
    bool ok = false;
    int value = eDegree100->text().trimmed().toInt(&ok);
    if (!ok)
        value = udDegree10->Position() + udDegree100->Position();
    value = std::clamp(value, 0, 99);
    udDegree10->SetPosition(value / 10 * 10);
    udDegree100->SetPosition(value % 10);
    ShowAngle();
}

// ---- Rotations ------------------------------------------------------------------------------

bool TfAdjust::RotateMap(double userAngle) {
    if (AdjustMap.IsEmpty() || !std::isfinite(userAngle))
        return false;
    try {
        const WaitCursor wait;
        // The turn runs beside the window, which keeps repainting meanwhile.
        Bitmap result = RunBesideWindow(
            [this, userAngle] { return RotateBitmap(AdjustMap, kCyan, -userAngle); });
        if (result.IsEmpty())
            return false;
        // A capture's reference points turn with the map, as they move with a cut.
        TurnCalibration(working_, AdjustMap.Width(), AdjustMap.Height(), -userAngle);
        AdjustMap = std::move(result);
    } catch (const std::exception&) {
        dialogs_.Error(Text("Out_of_resources"));
        return false;
    }
    totalRotation_ += userAngle;
    changed_ = true;
    saved_ = false;
    LayoutCommon();
    ShowPicture();
    UpdateControls();
    UpdateCaption();
    return true;
}

void TfAdjust::bbRightClick() {
    EnteredDegreeDone();
    EnteredHundredthsDone();
    if (mode_ == kIdle)
        RotateMap(EnteredAngle());
}

void TfAdjust::bbLeftClick() {
    EnteredDegreeDone();
    EnteredHundredthsDone();
    if (mode_ == kIdle)
        RotateMap(-EnteredAngle());
}

void TfAdjust::bbRotate180Click() {
    if (mode_ == kIdle)
        RotateMap(180);
}

void TfAdjust::bbHorizontalClick() {
    StartMode(kLineFirst, bbHorizontal);
}
void TfAdjust::bbVerticalClick() {
    StartMode(kLineFirst, bbVertical);
}

void TfAdjust::bbTargetClick() {
    if (FirstStrip || mode_ != kIdle)
        StartMode(kSourceFirst, bbTarget);
}

void TfAdjust::bbCheckLeftClick() {
    if (mode_ == kIdle) {
        if (!LeftStrip())
            return;
        seamLeft_ = true;
    }
    StartMode(seamOffset_[0] ? kSeamMove : kSeamSource, bbCheckLeft);
}

void TfAdjust::bbCheckUpperClick() {
    if (mode_ == kIdle) {
        if (!UpperStrip())
            return;
        seamLeft_ = false;
    }
    StartMode(seamOffset_[1] ? kSeamMove : kSeamSource, bbCheckUpper);
}

void TfAdjust::bbCutAnyClick() {
    StartMode(kCutFirst, bbCutAny);
}

void TfAdjust::bbCutCenteredClick() {
    StartMode(kCutCentred, bbCutCentered);
    if (mode_ == kCutCentred)
        cutRect_ = QRect(0, 0, AdjustMap.Width(), AdjustMap.Height());
}

void TfAdjust::bbFindAngleClick() {
    if (mode_ != kIdle || !FirstStrip)
        return;
    std::optional<double> found;
    {
        const WaitCursor wait;
        found = RunBesideWindow([this] {
            return FindStripAngle(
                AdjustMap, *FirstStrip,
                FirstStripSide == StripSide::Left ? StripDirection::Left : StripDirection::Above);
        });
    }
    if (!found) {
        dialogs_.Message(Text("No_angle_found"));
        return;
    }
    const double d = *found;
    ConfirmRotationBetweenLines(d);
}

// Asks before turning the map by d degrees, the angle found between two lines.
void TfAdjust::ConfirmRotationBetweenLines(double d) {
    if (CloseToZero(d)) {
        dialogs_.Message(Text("The_angle between these lines is close_to zero"));
        return;
    }
    QString question = Text("Rotate map %s with %.2f degree");
    question.replace(QStringLiteral("%.2f"), TwoDecimals(std::fabs(d)));
    question = QString::fromStdString(
        FillPlaceholders(question.toStdString(),
                         {TranslateText(d >= 0 ? "to_the_right" : "to_the_left", language_)}));
    if (dialogs_.Confirm(question))
        RotateMap(d);
}

void TfAdjust::AskTargetRotation() {
    const bool vertical = FirstStripSide == StripSide::Left;
    const double target = LineAngle(Pos(targetFirst_), Pos(targetSecond_), !vertical);
    const double source = LineAngle(Pos(first_), Pos(second_), !vertical);
    // Turning the map by its line's angle straightens it; by the target line's angle less
    // that, it lies as the target's line does.
    const double d = source - target;
    ConfirmRotationBetweenLines(d);
}

// ---- Cutting --------------------------------------------------------------------------------

void TfAdjust::AskCut() {
    cutShown_ = true;
    iMap->repaint();
    const bool yes = dialogs_.Confirm(Text("make_this_cut"));
    cutShown_ = false;
    if (yes && !cutRect_.isEmpty()) {
        if (CutBitmap(AdjustMap, {cutRect_.left(), cutRect_.top()},
                      {cutRect_.right(), cutRect_.bottom()}, working_)) {
            cutDone_ = true;
            changed_ = true;
            saved_ = false;
            LayoutCommon();
        }
    }
    EndMode();
}

// ---- Undo, zoom, save -----------------------------------------------------------------------

void TfAdjust::bbUndoAllClick() {
    if (!initialTaken_)
        return;
    AdjustMap = initialMap_;
    working_.Calibration = state_.Calibration;
    working_.ResultUnsaved = state_.ResultUnsaved;
    totalRotation_ = 0;
    cutDone_ = false;
    changed_ = false;
    saved_ = true;
    seamOffset_[0].reset();
    seamOffset_[1].reset();
    LayoutCommon();
    EndMode();
}

void TfAdjust::cbFullMapClick() {
    PictureSizeChanged();
}

void TfAdjust::ZoomChange() {
    eZoom->setText(QString::number(udZoom->Position()));
    PictureSizeChanged();
}

void TfAdjust::bbSaveClick() {
    if (!SaveAllowed || !changed_ || mode_ != kIdle)
        return;
    std::filesystem::path name = FileName;
    const SaveOutcome outcome =
        SaveMapDialog(dialogs_, language_, AdjustMap, state_.settings.compressionQuality, name);
    if (outcome != SaveOutcome::Written)
        return;
    FileName = name;
    saved_ = true;
    savedByForm_ = true;
    const QString text = QString::fromStdString(
        FillPlaceholders(TranslateText("The_map %s has_been saved", language_), {name.string()}));
    dialogs_.ShowTimedMessage({text, 1500, 18, this, QColor(0, 128, 0)});
    UpdateControls();
}

// ---- Modes ----------------------------------------------------------------------------------

void TfAdjust::StartMode(int mode, QAbstractButton* starter) {
    if (mode_ != kIdle) {
        if (starter == modeButton_)
            EndMode();  // the running mode's button ends it
        return;
    }
    if (AdjustMap.IsEmpty())
        return;
    mode_ = mode;
    modeButton_ = starter;
    first_ = second_ = targetFirst_ = targetSecond_ = QPoint();
    LayoutCommon();
    ShowPicture();
    UpdateControls();
    UpdateCaption();
}

void TfAdjust::EndMode() {
    mode_ = kIdle;
    modeButton_ = nullptr;
    first_ = second_ = targetFirst_ = targetSecond_ = QPoint();
    cutShown_ = false;
    iMap->unsetCursor();
    iCommonMap->unsetCursor();
    ShowPicture();
    UpdateControls();
    UpdateCaption();
}

void TfAdjust::StepBack() {
    switch (mode_) {
        case kCutSecond:
        case kLineSecond:
        case kTargetFirst:
        case kSourceSecond:
        case kTargetSecond:
        case kSeamTarget:
            --mode_;
            UpdateCaption();
            CurrentPicture()->update();
            break;
        default:
            EndMode();
    }
}

void TfAdjust::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && mode_ != kIdle) {
        EndMode();
        return;
    }
    if (mode_ == kSeamMove) {
        QPoint step;
        switch (event->key()) {
            case Qt::Key_Left:
                step = {-1, 0};
                break;
            case Qt::Key_Right:
                step = {1, 0};
                break;
            case Qt::Key_Up:
                step = {0, -1};
                break;
            case Qt::Key_Down:
                step = {0, 1};
                break;
            default:
                break;
        }
        if (!step.isNull()) {
            std::optional<QPoint>& offset = seamOffset_[seamLeft_ ? 0 : 1];
            offset = offset.value_or(QPoint()) + step;
            LayoutCommon();
            ShowPicture();
            return;
        }
    }
    QDialog::keyPressEvent(event);
}
// ---- Controls and caption -------------------------------------------------------------------

void TfAdjust::UpdateControls() {
    const bool idle = mode_ == kIdle;
    const auto owns = [&](QAbstractButton* b) { return idle || modeButton_ == b; };
    for (QWidget* w : {static_cast<QWidget*>(eDegree), static_cast<QWidget*>(udDegree),
                       static_cast<QWidget*>(eDegree100), static_cast<QWidget*>(udDegree10),
                       static_cast<QWidget*>(udDegree100), static_cast<QWidget*>(bbRight),
                       static_cast<QWidget*>(bbLeft), static_cast<QWidget*>(bbRotate180)})
        w->setEnabled(idle);
    bbHorizontal->setEnabled(owns(bbHorizontal));
    bbVertical->setEnabled(owns(bbVertical));
    bbCutAny->setEnabled(owns(bbCutAny));
    bbCutCentered->setEnabled(owns(bbCutCentered));
    bbTarget->setEnabled(idle ? FirstStrip.has_value() : modeButton_ == bbTarget);
    bbFindAngle->setEnabled(idle && FirstStrip.has_value());
    bbCheckLeft->setEnabled(idle ? LeftStrip() != nullptr : modeButton_ == bbCheckLeft);
    bbCheckUpper->setEnabled(idle ? UpperStrip() != nullptr : modeButton_ == bbCheckUpper);
    bbAccept->setEnabled(changed_);
    bbUndoAll->setEnabled(changed_);
    bbSave->setEnabled(SaveAllowed && changed_);
}

void TfAdjust::UpdateCaption() {
    QString caption = QString::fromStdString(TranslateText("Adjust " + MapName, language_));
    const auto fill = [&](const char* pattern, std::vector<std::string> values, double number) {
        QString text = Text(pattern);
        text.replace(QStringLiteral("%.2f"), TwoDecimals(number));
        text = QString::fromStdString(FillPlaceholders(text.toStdString(), values));
        return text.replace(QStringLiteral("%%"), QStringLiteral("%"));
    };
    static const char* const kPrompts[] = {nullptr,
                                           "Set 1. point_of_cutting_rectangle",
                                           "Set 2. point_of_cutting_rectangle",
                                           "Set 1. point_of rotate_line",
                                           "Set 2. point_of rotate_line",
                                           nullptr,
                                           "Set 1. point at source_map",
                                           "Set 1. point at target_map",
                                           "Set 2. point at source_map",
                                           "Set 2. point at target_map",
                                           "Set point at source_map",
                                           "Set point at target_map",
                                           "If required, move map with cursor_keys"};
    if (mode_ == kIdle) {
        if (!CloseToZero(totalRotation_))
            caption =
                fill("%s (Total rotation_angle = %.2f)", {caption.toStdString()}, totalRotation_);
        if (cutDone_ && !initialMap_.IsEmpty()) {
            const double before = double(initialMap_.Width()) * initialMap_.Height();
            const double now = double(AdjustMap.Width()) * AdjustMap.Height();
            const int percent = static_cast<int>(RoundHalfEven(100.0 * now / before));
            caption = fill("%s (Resize_from %dx%d to %dx%d [%d%%])",
                           {caption.toStdString(), std::to_string(initialMap_.Width()),
                            std::to_string(initialMap_.Height()), std::to_string(AdjustMap.Width()),
                            std::to_string(AdjustMap.Height()), std::to_string(percent)},
                           0);
        }
    } else if (kPrompts[mode_]) {
        caption = Text(kPrompts[mode_]);
    }
    setWindowTitle(caption);
}

}  // namespace korvalen
