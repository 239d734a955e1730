#include "joining/TavixAutomatic.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <string>

#include "app/Dialogs.h"
#include "app/FormTranslation.h"
#include "app/TavixSettings.h"
#include "images/MapMatrix.h"
#include "joining/JoinWindowText.h"
#include "joining/ScoreKernel.h"
#include "joining/TavixPreview.h"

namespace korvalen {
namespace {

constexpr int kDoneIntervalMs = 200;
// Band pictures larger than this are shown reduced, so the panel keeps room for the rest.
constexpr int kMaxPictureSide = 150;
constexpr int kMinPictureWidth = 118;
constexpr int kMinPanelWidth = 260;
constexpr int kOverviewWidth = 100;
constexpr int kOverviewHeight = 88;

enum FrameSlot { kSearchAreaFrame, kBandFrame, kBestFrame };

QToolButton* NewSpeedButton(QWidget* parent, const char* name, const char* text) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setText(QString::fromUtf8(text));
    button->setFocusPolicy(Qt::NoFocus);
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    // Buttons come and go with the pause; the others must not move meanwhile.
    QSizePolicy policy = button->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    button->setSizePolicy(policy);
    return button;
}

QPushButton* NewButton(QWidget* parent, const char* name, const char* text) {
    auto* button = new QPushButton(QString::fromUtf8(text), parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setFocusPolicy(Qt::NoFocus);
    button->setAutoDefault(false);
    QFont font = button->font();
    font.setBold(true);
    button->setFont(font);
    return button;
}

QLabel* NewLabel(QWidget* parent, const char* name, const char* text) {
    auto* label = new QLabel(QString::fromUtf8(text), parent);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

// A counter: right-aligned digits in a fixed width, so that new numbers never relayout.
QLabel* NewCounter(QWidget* parent, const char* name) {
    QLabel* label = NewLabel(parent, name, "0");
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setMinimumWidth(label->fontMetrics().horizontalAdvance(QStringLiteral("00000000")));
    label->setFrameShape(QFrame::StyledPanel);
    return label;
}

ImageBox* NewImageBox(QWidget* parent, const char* name) {
    auto* box = new ImageBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    return box;
}

QSize PictureSize(int width, int height) {
    QSize size(std::max(1, width), std::max(1, height));
    if (size.width() > kMaxPictureSide || size.height() > kMaxPictureSide)
        size.scale(kMaxPictureSide, kMaxPictureSide, Qt::KeepAspectRatio);
    return size.expandedTo(QSize(kMinPictureWidth, 1));
}

QRect AsQRect(const Rect& r) {
    return QRect(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

}  // namespace

TfAutomatic::TfAutomatic(JoinRequest& request, const Settings& settings, Dialogs& dialogs,
                         QWidget* mainWindow)
    : QDialog(mainWindow),
      request_(request),
      settings_(settings),
      dialogs_(dialogs),
      mainWindow_(mainWindow),
      language_(EffectiveLanguage(settings)),
      search_(std::make_unique<SelfSearch>(request, SearchSettingsFrom(settings),
                                           static_cast<SearchHost&>(*this))) {
    // A change made with the "Settings" button applies to the running join.
    search_->FollowSettings(&settings_);
    setObjectName(QStringLiteral("fAutomatic"));
    setWindowTitle(QStringLiteral("Automatic_tavix"));
    setModal(true);
    setFocusPolicy(Qt::StrongFocus);
    setSizeGripEnabled(true);
    BuildLayout();
    tDone = new QTimer(this);
    tDone->setObjectName(QStringLiteral("tDone"));
    tDone->setInterval(kDoneIntervalMs);
    tDone->setSingleShot(true);
    connect(tDone, &QTimer::timeout, this, &TfAutomatic::CloseNow);
    CopyMainWindowPlacement();
}

TfAutomatic::~TfAutomatic() {
    while (busyDepth_ > 0) {
        QApplication::restoreOverrideCursor();
        --busyDepth_;
    }
}

QString TfAutomatic::Text(const char* source) const {
    return Translated(source, language_);
}

void TfAutomatic::BuildLayout() {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(4);

    sbMap = new QScrollArea(this);
    sbMap->setObjectName(QStringLiteral("sbMap"));
    sbMap->setFocusPolicy(Qt::NoFocus);
    sbMap->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    iMap = new FramedPicture;
    iMap->setObjectName(QStringLiteral("iMap"));
    sbMap->setWidget(iMap);
    layout->addWidget(sbMap, 1);

    pMap = new QWidget(this);
    pMap->setObjectName(QStringLiteral("pMap"));
    layout->addWidget(pMap, 0);
    auto* panel = new QVBoxLayout(pMap);
    panel->setContentsMargins(4, 2, 4, 2);
    panel->setSpacing(4);

    auto* main = new QHBoxLayout;
    bbTavix = NewButton(pMap, "bbTavix", "Execute");
    bbBreak = NewButton(pMap, "bbBreak", "Break");
    bbTavix->setEnabled(false);  // until a search has found something to take
    main->addWidget(bbTavix);
    main->addWidget(bbBreak);
    panel->addLayout(main);

    auto* tools = new QGridLayout;
    tools->setSpacing(2);
    sbPause = NewSpeedButton(pMap, "sbPause", "Pause");
    sbContinue = NewSpeedButton(pMap, "sbContinue", "Self");
    sbPreview = NewSpeedButton(pMap, "sbPreview", "Preview");
    sbAdjustBandArea = NewSpeedButton(pMap, "sbAdjustBandArea", "Band");
    sbJoinMaps = NewSpeedButton(pMap, "sbJoinMaps", "Join");
    sbMoveMap = NewSpeedButton(pMap, "sbMoveMap", "Move");
    sbSettings = NewSpeedButton(pMap, "sbSettings", "Settings");
    tools->addWidget(sbPause, 0, 0);
    tools->addWidget(sbContinue, 0, 1);
    tools->addWidget(sbPreview, 0, 2);
    tools->addWidget(sbAdjustBandArea, 1, 0);
    tools->addWidget(sbJoinMaps, 1, 1);
    tools->addWidget(sbMoveMap, 1, 2);
    tools->addWidget(sbSettings, 2, 0, 1, 3);
    panel->addLayout(tools);

    auto* pictures = new QGridLayout;
    pictures->setSpacing(2);
    const auto caption = [this](const char* name, const char* text) {
        QLabel* label = NewLabel(pMap, name, text);
        label->setAlignment(Qt::AlignHCenter | Qt::AlignBottom);
        label->setWordWrap(true);
        return label;
    };
    iBandMap = NewImageBox(pMap, "iBandMap");
    iBestMap = NewImageBox(pMap, "iBestMap");
    iCurrentMatches = NewImageBox(pMap, "iCurrentMatches");
    iBestMatches = NewImageBox(pMap, "iBestMatches");
    pictures->addWidget(caption("lBandMap", "search_band"), 0, 0);
    pictures->addWidget(caption("lBestMap", "best_result"), 0, 1);
    pictures->addWidget(iBandMap, 1, 0, Qt::AlignHCenter);
    pictures->addWidget(iBestMap, 1, 1, Qt::AlignHCenter);
    // The matches of the position being scored under the band, those of the best under it.
    pictures->addWidget(caption("lMatches", "matches"), 2, 0, 1, 2);
    pictures->addWidget(iCurrentMatches, 3, 0, Qt::AlignHCenter);
    pictures->addWidget(iBestMatches, 3, 1, Qt::AlignHCenter);
    panel->addLayout(pictures);

    auto* counters = new QGridLayout;
    counters->setHorizontalSpacing(6);
    counters->setVerticalSpacing(2);
    stHits = NewCounter(pMap, "stHits");
    stHitsMax = NewCounter(pMap, "stHitsMax");
    stCorrelation = NewCounter(pMap, "stCorrelation");
    stCorrelationMax = NewCounter(pMap, "stCorrelationMax");
    stCounter = NewCounter(pMap, "stCounter");
    lAllHits = NewLabel(pMap, "lAllHits", "");
    lAllHits->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QLabel* current = NewLabel(pMap, "lCurrent", "current");
    QLabel* best = NewLabel(pMap, "lBest", "best");
    current->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    best->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    counters->addWidget(current, 0, 1);
    counters->addWidget(best, 0, 2);
    counters->addWidget(NewLabel(pMap, "lHits", "hits"), 1, 0);
    counters->addWidget(stHits, 1, 1);
    counters->addWidget(stHitsMax, 1, 2);
    counters->addWidget(lAllHits, 2, 0, 1, 3);
    counters->addWidget(NewLabel(pMap, "lCorrelation", "Correlation"), 3, 0);
    counters->addWidget(stCorrelation, 3, 1);
    counters->addWidget(stCorrelationMax, 3, 2);
    counters->addWidget(NewLabel(pMap, "lCounter", "Positions"), 4, 0);
    counters->addWidget(stCounter, 4, 1, 1, 2);
    counters->setColumnStretch(0, 1);
    panel->addLayout(counters);

    pBar = new QProgressBar(pMap);
    pBar->setObjectName(QStringLiteral("pBar"));
    pBar->setRange(0, 100);
    pBar->setValue(0);
    pBar->setTextVisible(false);
    pBar->setFixedHeight(12);
    panel->addWidget(pBar);

    // Whether the overlap was estimated or, the estimate being ambiguous, taken from the
    // approximate overlaps of the settings.
    // Filled at activation: the form's translation keeps the first text a label was given.
    lEstimate = NewLabel(pMap, "lEstimate", "");
    lEstimate->setWordWrap(true);
    lEstimate->setVisible(request_.Estimate.tried);
    panel->addWidget(lEstimate);

    auto* bottom = new QGridLayout;
    bottom->setSpacing(4);
    iChart = NewImageBox(pMap, "iChart");
    iChart->SetEnlarged(true);  // a small search area would leave a dot of a chart
    iMatrix = NewImageBox(pMap, "iMatrix");
    bottom->addWidget(caption("lChart", "distribution_chart"), 0, 0);
    bottom->addWidget(caption("lMatrix", "Overview"), 0, 1);
    bottom->addWidget(iChart, 1, 0, Qt::AlignHCenter | Qt::AlignTop);
    bottom->addWidget(iMatrix, 1, 1, Qt::AlignHCenter | Qt::AlignTop);
    panel->addLayout(bottom);
    panel->addStretch(1);

    SizePictures();
    connect(bbTavix, &QPushButton::clicked, this, &TfAutomatic::bbTavixClick);
    connect(bbBreak, &QPushButton::clicked, this, &TfAutomatic::bbBreakClick);
    connect(sbPause, &QToolButton::clicked, this, &TfAutomatic::sbPauseClick);
    connect(sbContinue, &QToolButton::clicked, this, &TfAutomatic::sbContinueClick);
    connect(sbPreview, &QToolButton::clicked, this, &TfAutomatic::sbPreviewClick);
    connect(sbAdjustBandArea, &QToolButton::clicked, this, &TfAutomatic::OpenBandTool);
    connect(sbJoinMaps, &QToolButton::clicked, this, &TfAutomatic::OpenJoinPointsTool);
    connect(sbMoveMap, &QToolButton::clicked, this, &TfAutomatic::OpenMoveTool);
    connect(sbSettings, &QToolButton::clicked, this, &TfAutomatic::sbSettingsClick);
    UpdateButtons();
}

// The panel is wide enough for two band pictures side by side.
void TfAutomatic::SizePictures() {
    const int bandWidth = activated_ ? search_->State().BandWidth : request_.BandWidth;
    const int bandHeight = activated_ ? search_->State().BandHeight : request_.BandHeight;
    const QSize picture = PictureSize(bandWidth, bandHeight);
    for (ImageBox* box : {iBandMap, iBestMap, iCurrentMatches, iBestMatches})
        box->setFixedSize(picture);
    const int panelWidth = std::max(kMinPanelWidth, 2 * picture.width() + 24);
    pMap->setFixedWidth(panelWidth);
    const int chartWidth = panelWidth - 12 - kOverviewWidth;
    iChart->setFixedSize(chartWidth, std::min(chartWidth, 120));
    iMatrix->setFixedSize(kOverviewWidth, kOverviewHeight);
}

void TfAutomatic::CopyMainWindowPlacement() {
    if (!mainWindow_)
        return;
    if (mainWindow_->isMaximized())
        setWindowState(Qt::WindowMaximized);
    else
        setGeometry(mainWindow_->geometry());
}

// ---- Activation -----------------------------------------------------------------------------

void TfAutomatic::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!activated_) {
        // After the show, so that the window is on screen while the search runs.
        QTimer::singleShot(0, this, &TfAutomatic::FormActivate);
    }
}

void TfAutomatic::FormActivate() {
    if (activated_ || closing_)
        return;
    TranslateForm(this, language_);
    if (request_.Estimate.tried)
        lEstimate->setText(Text(request_.Estimate.distinct
                                    ? "Overlap_estimated"
                                    : "Estimate_ambiguous: overlap_from_the_settings"));
    JoinAccepted = false;
    std::string error;
    if (!search_->Activate(error)) {
        activated_ = true;
        dialogs_.Error(Text("Error") + QStringLiteral(": ") + QString::fromStdString(error));
        closing_ = true;
        tDone->start();
        return;
    }
    activated_ = true;
    setWindowTitle(JoinCaption.isEmpty() ? QString::fromStdString(request_.JoinCaption)
                                         : JoinCaption);
    iMap->SetPicture(ImageCopyOf(search_->Target()));
    ShowBand();
    DrawOverview();
    UpdateButtons();
    RefreshDisplay();
    ScrollTowardOverlap();
    QTimer::singleShot(0, this, &TfAutomatic::ScrollTowardOverlap);
    OpenFirstTool();
}

void TfAutomatic::StartSearch(bool startOnly) {
    if (search_->Finished() || search_->State().Done)
        return;
    MarkSearchStarted();
    search_->Search(startOnly);
}

void TfAutomatic::MarkSearchStarted() {
    if (searchStarted_)
        return;
    searchStarted_ = true;
    sbContinue->setText(Text("Continue"));
    bbTavix->setEnabled(true);
}

// ---- Display --------------------------------------------------------------------------------

// The band cut anew (at activation and after a new band): its picture, the counters that depend
// on its size and the chart, which ResetCounters cleared.
void TfAutomatic::ShowBand() {
    const SearchState& s = search_->State();
    bandImage_ = ImageCopyOf(search_->Band());
    bandShownWidth_ = s.BandWidth;
    iBandMap->SetImage(bandImage_);
    lAllHits->setText(TranslatedFormat("of %d hits", language_,
                                       {std::to_string(int64_t{s.BandWidth} * s.BandHeight)}));
    SizePictures();
    iMap->SetFrame(kSearchAreaFrame, {AsQRect(s.SearchArea), Qt::yellow, 2});
}

void TfAutomatic::RefreshDisplay() {
    if (!activated_ || search_->Band().IsEmpty())
        return;
    const SearchState& s = search_->State();
    if (search_->Band().Width() != bandImage_.width() ||
        search_->Band().Height() != bandImage_.height() || s.BandWidth != bandShownWidth_)
        ShowBand();
    iMap->SetFrame(kSearchAreaFrame, {AsQRect(s.SearchArea), Qt::yellow, 2});

    const bool haveBest = !(s.BestRect == Rect{});
    const bool paused = s.Paused || closing_;
    const Point bandAt = paused && haveBest ? s.BestPos : s.CurrentPos;
    iMap->SetOverlay(bandImage_, QPoint(bandAt.x, bandAt.y));
    const QRect bandRect(QPoint(s.CurrentPos.x, s.CurrentPos.y), bandImage_.size());
    iMap->SetFrame(kBandFrame, {paused ? QRect() : bandRect, Qt::blue, 2});
    iMap->SetFrame(kBestFrame, {haveBest ? AsQRect(s.BestRect) : QRect(), Qt::red, 2});

    stCounter->setText(QString::number(s.PositionCount));
    // A position left as soon as it could not beat the best shows the bound it stayed under.
    const QString atMost = s.HitsBounded ? QStringLiteral("\u2264 ") : QString();
    stHits->setText(atMost + QString::number(s.Hits));
    stCorrelation->setText(atMost + QStringLiteral("%1 %").arg(s.CurrentCorrelation));
    stHitsMax->setText(QString::number(s.MaxHits));
    stCorrelationMax->setText(QStringLiteral("%1 %").arg(s.BestCorrelation));
    const int64_t percent =
        s.TotalPositions > 0 ? std::min<int64_t>(100, s.PositionCount * 100 / s.TotalPositions) : 0;
    pBar->setValue(static_cast<int>(percent));

    if (s.PositionCount > 0)
        iCurrentMatches->SetImage(MatchPicture(s.CurrentPos));
    if (bestDirty_)
        ShowBestPictures();
    chartRenderer_.Render(search_->Chart(), search_->ChartWidth(), search_->ChartHeight(),
                          iChart->size(), chartImage_);
    iChart->SetImage(chartImage_);
}

void TfAutomatic::ShowBestPictures() {
    bestDirty_ = false;
    iBestMap->SetImage(ImageCopyOf(search_->BestImage()));
    iBestMatches->SetImage(MatchPicture(search_->State().BestPos));
}

// The target pixels under the band with every compared pixel that misses in the disaccord
// colour.
QImage TfAutomatic::MatchPicture(Point pos) {
    QImage picture = ImageCopyOf(search_->CandidateImage(pos));
    if (picture.isNull())
        return picture;
    search_->MismatchAt(pos, mismatch_);
    const QRgb colour = ColourOfValue(settings_.disaccordColor).rgb();
    const int width = picture.width();
    for (int y = 0; y < picture.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(picture.scanLine(y));
        const uint8_t* marks = mismatch_.data() + static_cast<size_t>(y) * width;
        for (int x = 0; x < width; ++x) {
            if (marks[x] != 0)
                row[x] = colour;
        }
    }
    return picture;
}

void TfAutomatic::DrawOverview() {
    QImage picture(iMatrix->size(), QImage::Format_RGB32);
    std::vector<OverviewCell> cells;
    if (Matrix) {
        cells = OverviewCellsOf(*Matrix);
    } else {
        // Without the matrix: the driver joins row by row, so every earlier cell is joined.
        const int current = (request_.Row - 1) * request_.ColCount + request_.Col;
        for (int r = 1; r <= request_.RowCount; ++r) {
            for (int c = 1; c <= request_.ColCount; ++c) {
                const int index = (r - 1) * request_.ColCount + c;
                cells.push_back({r, c, index < current,
                                 r == request_.NeighbourRow && c == request_.NeighbourCol,
                                 r == request_.Row && c == request_.Col});
            }
        }
    }
    DrawJoinOverview(picture, request_.RowCount, request_.ColCount, cells);
    iMatrix->SetImage(picture);
}

void TfAutomatic::UpdateButtons() {
    const bool paused = activated_ && search_->State().Paused && !closing_;
    const bool tools = paused && search_->OffersManualTools();
    sbAdjustBandArea->setVisible(tools);
    sbJoinMaps->setVisible(tools);
    sbMoveMap->setVisible(tools);
    sbContinue->setVisible(paused && search_->OffersSelf());
    sbSettings->setVisible(paused && search_->OffersSettings());
}

// The overlap lies at the target's far end in the joining direction; across it the view
// follows the middle of the search area.
void TfAutomatic::ScrollTowardOverlap() {
    if (!activated_ || search_->Target().IsEmpty())
        return;
    const Rect& area = search_->State().SearchArea;
    const int64_t midX = (area.left + area.right) / 2;
    const int64_t midY = (area.top + area.bottom) / 2;
    QScrollBar* h = sbMap->horizontalScrollBar();
    QScrollBar* v = sbMap->verticalScrollBar();
    if (request_.Horizontal()) {
        h->setValue(h->maximum());
        v->setValue(static_cast<int>(v->maximum() * midY / search_->Target().Height()));
    } else {
        v->setValue(v->maximum());
        h->setValue(static_cast<int>(h->maximum() * midX / search_->Target().Width()));
    }
}

void TfAutomatic::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    ScrollTowardOverlap();
}

QImage TfAutomatic::ChartImage() const {
    return iChart->Image();
}

QImage TfAutomatic::OverviewImage() const {
    return iMatrix->Image();
}

QImage TfAutomatic::CurrentMatchesImage() const {
    return iCurrentMatches->Image();
}

QImage TfAutomatic::TargetView() const {
    return iMap->Rendered();
}

// ---- What the search asks of the window -----------------------------------------------------

void TfAutomatic::Breathe() {
    RefreshDisplay();
    QCoreApplication::processEvents();
}

int TfAutomatic::Decide(const DecisionRequest& request) {
    RefreshDisplay();
    const std::vector<std::string> options = DecisionOptions(request);
    Dialogs::Selection selection;
    selection.caption = Text("Tavix_maps");
    for (size_t i = 0; i < options.size(); ++i) {
        selection.options << (i == 0 ? TranslatedFormat("Best_result of %d%%", language_,
                                                        {std::to_string(request.bestCorrelation)})
                                     : Text(options[i].c_str()));
    }
    // An uncertain join says so: another place scores nearly as well.
    if (request.uncertain)
        selection.statement = TranslatedFormat(kUncertainStatement, language_,
                                               {std::to_string(request.runnerUpCorrelation)});
    selection.fontSize = 8;
    selection.centre = frameGeometry().center();
    selection.defaultChoice = 1;
    return dialogs_.SelectOption(selection);
}

bool TfAutomatic::ShowPreview(const PreviewRequest& request) {
    RefreshDisplay();
    if (PreviewRunner)
        return PreviewRunner(request);
    TfTavixPreview preview(request, settings_, this);
    preview.exec();
    return preview.Accepted;
}

void TfAutomatic::BestChanged() {
    bestDirty_ = true;
}

void TfAutomatic::PausedChanged(bool paused) {
    if (!paused)
        MarkSearchStarted();
    UpdateButtons();
    if (paused)
        RefreshDisplay();
}

void TfAutomatic::Busy(bool busy) {
    if (busy) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        ++busyDepth_;
    } else if (busyDepth_ > 0) {
        QApplication::restoreOverrideCursor();
        --busyDepth_;
    }
}

void TfAutomatic::Finished(bool accepted) {
    const JoinResult& result = search_->Result();
    JoinAccepted = accepted && result.JoinAccepted;
    ResultPos = result.ResultPos;
    ResultCorrelation = result.ResultCorrelation;
    closing_ = true;
    UpdateButtons();
    RefreshDisplay();
    tDone->start();
}

// ---- Buttons and keys -----------------------------------------------------------------------

void TfAutomatic::bbTavixClick() {
    if (!activated_ || closing_ || !bbTavix->isEnabled())
        return;
    search_->Execute();
}

void TfAutomatic::bbBreakClick() {
    if (closing_)
        return;
    if (activated_)
        search_->SetPaused(true);
    if (!dialogs_.Confirm(Text("Break_current_tavix")))
        return;
    search_->Break();
}

void TfAutomatic::sbPauseClick() {
    if (activated_ && !closing_)
        search_->PauseButton();
}

void TfAutomatic::sbContinueClick() {
    if (activated_ && !closing_)
        search_->Continue();
}

void TfAutomatic::sbPreviewClick() {
    if (activated_ && !closing_)
        search_->OpenPreview();
}

void TfAutomatic::sbSettingsClick() {
    if (!ShowSettings)
        return;
    // The settings dialog is shown without blocking, but over this modal window it would take
    // no input; it is modal itself for as long as it is open from here. One left open before
    // the join is hidden first: a new modality takes effect only when the window is shown.
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* dialog = qobject_cast<TfTavixSettings*>(widget);
        if (!dialog || dialog->windowModality() == Qt::ApplicationModal)
            continue;
        dialog->hide();
        dialog->setWindowModality(Qt::ApplicationModal);
        connect(
            dialog, &QDialog::finished, dialog,
            [dialog] { dialog->setWindowModality(Qt::NonModal); }, Qt::SingleShotConnection);
    }
    ShowSettings();
}

void TfAutomatic::keyPressEvent(QKeyEvent* event) {
    const bool paused = activated_ && search_->State().Paused && !closing_;
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (paused && bbTavix->isEnabled())
                bbTavixClick();
            return;
        case Qt::Key_Escape:
            if (paused && bbBreak->isEnabled())
                bbBreakClick();
            return;
        case Qt::Key_Space:
            if (activated_ && !closing_ && !event->isAutoRepeat())
                search_->ToggleKey();
            return;
        case Qt::Key_F5:
            sbPreviewClick();
            return;
        default:
            QDialog::keyPressEvent(event);
    }
}

void TfAutomatic::closeEvent(QCloseEvent* event) {
    if (!closing_) {
        if (!dialogs_.Confirm(Text("Break_current_tavix really"))) {
            event->ignore();
            return;
        }
        search_->Break();
    }
    tDone->stop();
    closed_ = true;
    QDialog::done(JoinAccepted ? Accepted : Rejected);
    event->accept();
}

// Every way of closing goes through the question of the title bar.
void TfAutomatic::reject() {
    if (!closed_)
        close();
}

void TfAutomatic::CloseNow() {
    tDone->stop();
    closed_ = true;
    QDialog::done(JoinAccepted ? Accepted : Rejected);
}

}  // namespace korvalen
