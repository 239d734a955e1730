#include "joining/TavixPreview.h"

#include <QAction>
#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <string>

#include "app/CommandGuards.h"
#include "app/FormTranslation.h"
#include "core/Settings.h"
#include "joining/JoinWindowText.h"
#include "joining/OverlapCorrelation.h"
#include "joining/SearchDisplay.h"

namespace korvalen {
namespace {

constexpr const char* kTotalCaption =
    "Total_correlation in overlap-area = %d%%  / band_correlation = %d%% (minimum correlation "
    "= %d%%)";
constexpr const char* kBandCaption = "band_correlation = %d%% (minimum correlation = %d%%)";
constexpr int kOverlapFrame = 0;

QToolButton* NewSpeedButton(QWidget* parent, const char* name, const char* text) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setText(QString::fromUtf8(text));
    button->setFocusPolicy(Qt::NoFocus);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    button->setMinimumWidth(110);
    return button;
}

QAction* NewPopupItem(QWidget* form, const char* name, const char* text, const QKeySequence& key) {
    auto* action = new QAction(QString::fromUtf8(text), form);
    action->setObjectName(QString::fromLatin1(name));
    action->setShortcut(key);
    action->setShortcutContext(Qt::WindowShortcut);
    form->addAction(action);
    return action;
}

}  // namespace

TfTavixPreview::TfTavixPreview(const PreviewRequest& request, const Settings& settings,
                               QWidget* caller)
    : QDialog(caller),
      request_(request),
      disaccordColor_(settings.disaccordColor),
      computeTotal_(settings.computeTotal),
      language_(EffectiveLanguage(settings)),
      caller_(caller) {
    setObjectName(QStringLiteral("fTavixPreview"));
    setWindowTitle(QStringLiteral("Preview best tavix"));
    setModal(true);
    setFocusPolicy(Qt::StrongFocus);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(4);
    stCaption = new QLabel(this);
    stCaption->setObjectName(QStringLiteral("stCaption"));
    stCaption->setWordWrap(true);
    layout->addWidget(stCaption);

    sbPreview = new QScrollArea(this);
    sbPreview->setObjectName(QStringLiteral("sbPreview"));
    sbPreview->setFocusPolicy(Qt::NoFocus);
    sbPreview->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    iPreview = new FramedPicture;
    iPreview->setObjectName(QStringLiteral("iPreview"));
    sbPreview->setWidget(iPreview);
    layout->addWidget(sbPreview, 1);

    auto* buttons = new QHBoxLayout;
    sbOK = NewSpeedButton(this, "sbOK", "Execute");
    sbOverlap = NewSpeedButton(this, "sbOverlap", "Show_overlap");
    sbAbort = NewSpeedButton(this, "sbAbort", "Close");
    buttons->addWidget(sbOK);
    buttons->addWidget(sbOverlap);
    buttons->addStretch(1);
    buttons->addWidget(sbAbort);
    layout->addLayout(buttons);
    connect(sbOK, &QToolButton::clicked, this, &TfTavixPreview::sbOKClick);
    connect(sbOverlap, &QToolButton::clicked, this, &TfTavixPreview::sbOverlapClick);
    connect(sbAbort, &QToolButton::clicked, this, &TfTavixPreview::sbAbortClick);

    // The popup menu; its keys work anywhere in the window.
    setContextMenuPolicy(Qt::ActionsContextMenu);
    QAction* execute = NewPopupItem(this, "pmExecute", "execute tavix", Qt::Key_Insert);
    QAction* close = NewPopupItem(this, "pmClose", "close", Qt::Key_Delete);
    QAction* overlap = NewPopupItem(this, "pmOverlap", "show/hide overlap", Qt::Key_F3);
    connect(execute, &QAction::triggered, this, &TfTavixPreview::sbOKClick);
    connect(close, &QAction::triggered, this, &TfTavixPreview::sbAbortClick);
    connect(overlap, &QAction::triggered, this, &TfTavixPreview::sbOverlapClick);
    resize(640, 480);
}

TfTavixPreview::~TfTavixPreview() = default;

QString TfTavixPreview::Text(const char* source) const {
    return Translated(source, language_);
}

QString TfTavixPreview::CaptionText() const {
    return windowTitle();
}

void TfTavixPreview::SetCaption(const QString& caption) {
    setWindowTitle(caption);
    stCaption->setText(caption);
}

void TfTavixPreview::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormActivate();
}

void TfTavixPreview::FormActivate() {
    if (activated_)
        return;
    activated_ = true;
    TranslateForm(this, language_);
    if (caller_) {
        setWindowState(Qt::WindowNoState);
        const QRect area = caller_->geometry();
        setGeometry(area.x() + 50, area.y() + 50, std::max(200, area.width() - 100),
                    std::max(150, area.height() - 100));
    }
    Compose();
    const bool usable = composed_;
    sbOK->setEnabled(usable);
    sbOverlap->setEnabled(usable);
    for (QAction* action : actions()) {
        if (action->objectName() != QLatin1String("pmClose"))
            action->setEnabled(usable);
    }
    if (!usable)
        return;

    // Half the offset keeps both the target's end and the new map's start in view.
    const int scroll = request_.offset.x / 2;
    if (layout())
        layout()->activate();
    sbPreview->horizontalScrollBar()->setValue(scroll);
    QTimer::singleShot(0, this,
                       [this, scroll] { sbPreview->horizontalScrollBar()->setValue(scroll); });

    overlapHidden_ = false;
    if (!computeTotal_) {
        overlapHidden_ = true;
        SetCaption(TranslatedFormat(
            kBandCaption, language_,
            {std::to_string(request_.bandCorrelation), std::to_string(request_.minCorrelation)}));
    } else {
        ComputeTotalCorrelation();
    }
}

void TfTavixPreview::Compose() {
    composed_ = false;
    if (!request_.map || !request_.target) {
        iPreview->SetPicture(QImage());
        return;
    }
    std::string error;
    if (!ComposePreview(*request_.map, *request_.target, request_.offset, request_.horizontal,
                        preview_, error)) {
        iPreview->SetPicture(QImage());
        return;
    }
    composed_ = true;
    ShowPreviewBitmap();
    const Point o = request_.offset;
    const QRect overlap(QPoint(o.x, o.y),
                        QPoint(request_.target->Width() - 1, request_.target->Height() - 1));
    iPreview->SetFrame(kOverlapFrame, {overlap, Qt::red, 2});
}

void TfTavixPreview::ShowPreviewBitmap() {
    iPreview->SetPicture(ImageCopyOf(preview_));
}

void TfTavixPreview::ComputeTotalCorrelation() {
    if (!composed_)
        return;
    {
        const WaitCursor hourglass;
        const OverlapScore score = korvalen::TotalCorrelation(
            *request_.map, *request_.target, request_.offset, request_.spreading, &preview_,
            disaccordColor_, request_.byBrightness);
        totalCorrelation_ = score.correlation;
    }
    ShowPreviewBitmap();
    SetCaption(TranslatedFormat(
        kTotalCaption, language_,
        {std::to_string(totalCorrelation_), std::to_string(request_.bandCorrelation),
         std::to_string(request_.minCorrelation)}));
    sbOverlap->setText(Text("Hide_overlap"));
}

void TfTavixPreview::sbOKClick() {
    if (!composed_)
        return;
    Accepted = true;
    accept();
}

void TfTavixPreview::sbAbortClick() {
    reject();
}

void TfTavixPreview::sbOverlapClick() {
    if (!composed_)
        return;
    overlapHidden_ = !overlapHidden_;
    if (overlapHidden_) {
        Compose();
        sbOverlap->setText(Text("Show_overlap"));
    } else {
        ComputeTotalCorrelation();
    }
}

void TfTavixPreview::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            sbOKClick();
            return;
        case Qt::Key_Escape:
            sbAbortClick();
            return;
        case Qt::Key_Space:
            if (!event->isAutoRepeat())
                sbOverlapClick();
            return;
        default:
            QDialog::keyPressEvent(event);
    }
}

}  // namespace korvalen
