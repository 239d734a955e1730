#include "earth/TavixGE.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDateTime>
#include <QElapsedTimer>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>
#include <QThread>
#include <QToolButton>
#include <QVBoxLayout>
#include <cmath>

#include "app/Dialogs.h"
#include "app/FormTranslation.h"
#include "core/ProgramState.h"
#include "core/Translator.h"
#include "earth/CapturePlan.h"
#include "earth/TavixGEMap.h"
#include "geo/Utm.h"

namespace korvalen {
namespace {

constexpr int kDesignWidth = 705;
constexpr int kDesignHeight = 546;
constexpr double kFeetPerMetre = 3.28084;

const char* const kStepTexts[] = {
    "Step 1 - Wait until initialisation_finished",
    "Step 2 - Estimate_complete_image_section (eye_alt+window_size), then press [Map]",
    "Step 3 - Set_number_of_images (rows x columns), then press [Images]",
    "Step 4 - Set_name_and_color_pixel_format, then press [Scan]",
    "Step 5 - Wait until all images scanned",
};

QLineEdit* ReadOnlyEdit(const char* name, QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setReadOnly(true);
    edit->setAlignment(Qt::AlignRight);
    return edit;
}

QLabel* NamedLabel(const char* name, const char* text, QWidget* parent) {
    auto* label = new QLabel(QString::fromLatin1(text), parent);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

void SetEmphasis(QWidget* widget, bool strong, const QColor& normal = Qt::black) {
    QPalette p = widget->palette();
    p.setColor(QPalette::Text, strong ? QColor(Qt::red) : normal);
    p.setColor(QPalette::WindowText, strong ? QColor(Qt::red) : normal);
    widget->setPalette(p);
    QFont f = widget->font();
    f.setBold(strong);
    widget->setFont(f);
}

}  // namespace

TfTavixGE::TfTavixGE(ProgramState& state, Dialogs& dialogs, Bitmap& resultMap,
                     TGEPanel::Connector connector, QWidget* parent)
    : QDialog(parent), state_(state), dialogs_(dialogs), resultMap_(resultMap) {
    setObjectName(QStringLiteral("TfTavixGE"));
    ge = new TGEPanel(std::move(connector), dialogs, state.Language(), this);
    BuildForm();
    RefreshTimer.setInterval(1000);
    connect(&RefreshTimer, &QTimer::timeout, this, [this] {
        if (ge->MouseInView)
            AltitudeSetByProgram = false;
        Refresh();
    });
    connect(ge, &TGEPanel::ReadyChanged, this, &TfTavixGE::GeReadyChanged);
    CriticalMillions = std::clamp(state.settings.criticalNumOfPixels, 1, 999);
    rb8Bit->setChecked(state.settings.pixelFormat8Bit);
    rb24Bit->setChecked(!state.settings.pixelFormat8Bit);
    // The view sizes of the "View_area" setting.
    const int side = ViewSideForArea(state.settings.viewArea);
    ge->setFixedSize(side == 512 ? 510 : side, side);
    if (side == 1024) {
        const QSize screen = QApplication::primaryScreen()
                                 ? QApplication::primaryScreen()->availableSize()
                                 : QSize(4096, 4096);
        resize(std::min(kDesignWidth + 512, screen.width()),
               std::min(kDesignHeight + 512, screen.height()));
    }
    qApp->installEventFilter(this);
}

TfTavixGE::~TfTavixGE() {
    CloseDown();
    qApp->removeEventFilter(this);
}

QString TfTavixGE::Text(const char* source) const {
    return QString::fromStdString(TranslateText(source, state_.Language()));
}

QString TfTavixGE::MapName() const {
    return leMapName->text();
}

int TfTavixGE::Overlap() const {
    return std::clamp(state_.settings.mapImagesOverlap, 0, 50);
}

void TfTavixGE::BuildForm() {
    resize(kDesignWidth, kDesignHeight);
    auto* main = new QHBoxLayout(this);
    main->addWidget(ge, 0, Qt::AlignTop);
    auto* column = new QVBoxLayout;
    main->addLayout(column, 1);

    // Settings panel: eye altitude and the sizes that follow from it.
    pSettings = new QWidget(this);
    pSettings->setObjectName(QStringLiteral("pSettings"));
    auto* grid = new QGridLayout(pSettings);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->addWidget(NamedLabel("lAlti", "Eye_altitude", pSettings), 0, 0);
    eAlti = new QLineEdit(pSettings);
    eAlti->setObjectName(QStringLiteral("eAlti"));
    eAlti->setAlignment(Qt::AlignRight);
    grid->addWidget(eAlti, 0, 1);
    lUnit = NamedLabel("lUnit", "meter", pSettings);
    grid->addWidget(lUnit, 0, 2);
    auto* steps = new QHBoxLayout;
    const std::pair<const char*, int> kSteps[] = {
        {"sbUp1000", 1000}, {"sbUp100", 100}, {"sbDown100", -100}, {"sbDown1000", -1000}};
    QToolButton* stepButtons[4];
    for (int i = 0; i < 4; ++i) {
        auto* b = new QToolButton(pSettings);
        b->setObjectName(QString::fromLatin1(kSteps[i].first));
        const int step = kSteps[i].second;
        b->setText((step > 0 ? QStringLiteral("+") : QStringLiteral("")) + QString::number(step));
        connect(b, &QToolButton::clicked, this, [this, step] { sbAltitudeClick(step); });
        steps->addWidget(b);
        stepButtons[i] = b;
    }
    sbUp1000 = stepButtons[0];
    sbUp100 = stepButtons[1];
    sbDown100 = stepButtons[2];
    sbDown1000 = stepButtons[3];
    grid->addLayout(steps, 1, 0, 1, 3);
    grid->addWidget(NamedLabel("lMapSize", "Map_size", pSettings), 2, 0);
    eMapWidth = ReadOnlyEdit("eMapWidth", pSettings);
    eMapHeight = ReadOnlyEdit("eMapHeight", pSettings);
    grid->addWidget(eMapWidth, 2, 1);
    grid->addWidget(eMapHeight, 2, 2);
    grid->addWidget(NamedLabel("lImageSize", "Image_size", pSettings), 3, 0);
    eImageWidth = ReadOnlyEdit("eImageWidth", pSettings);
    eImageHeight = ReadOnlyEdit("eImageHeight", pSettings);
    grid->addWidget(eImageWidth, 3, 1);
    grid->addWidget(eImageHeight, 3, 2);
    grid->addWidget(NamedLabel("lPixel", "Pixel w_x_h", pSettings), 4, 0);
    ePixelWidth = ReadOnlyEdit("ePixelWidth", pSettings);
    ePixelHeight = ReadOnlyEdit("ePixelHeight", pSettings);
    grid->addWidget(ePixelWidth, 4, 1);
    grid->addWidget(ePixelHeight, 4, 2);
    grid->addWidget(NamedLabel("lPixelMap", "Pixel total", pSettings), 5, 0);
    ePixelMap = ReadOnlyEdit("ePixelMap", pSettings);
    grid->addWidget(ePixelMap, 5, 1, 1, 2);
    grid->addWidget(NamedLabel("lNumImages", "Number_of_images", pSettings), 6, 0);
    eNumImages = ReadOnlyEdit("eNumImages", pSettings);
    grid->addWidget(eNumImages, 6, 1);
    connect(eAlti, &QLineEdit::editingFinished, this, &TfTavixGE::eAltiEntered);
    column->addWidget(pSettings);

    // Image panel: rows and columns.
    pImages = new QWidget(this);
    pImages->setObjectName(QStringLiteral("pImages"));
    auto* images = new QGridLayout(pImages);
    images->setContentsMargins(0, 0, 0, 0);
    images->addWidget(NamedLabel("lRows", "Rows", pImages), 0, 0);
    seNumRows = new QSpinBox(pImages);
    seNumRows->setObjectName(QStringLiteral("seNumRows"));
    seNumRows->setRange(1, 100);
    images->addWidget(seNumRows, 0, 1);
    images->addWidget(NamedLabel("lCols", "Columns", pImages), 1, 0);
    seNumCols = new QSpinBox(pImages);
    seNumCols->setObjectName(QStringLiteral("seNumCols"));
    seNumCols->setRange(1, 100);
    images->addWidget(seNumCols, 1, 1);
    cbSame = new QCheckBox(QStringLiteral("The_same number_of rows/cols"), pImages);
    cbSame->setObjectName(QStringLiteral("cbSame"));
    cbSame->setChecked(true);
    images->addWidget(cbSame, 2, 0, 1, 2);
    auto copyOver = [this](QSpinBox* from, QSpinBox* to) {
        if (cbSame->isChecked() && from->hasFocus() && to->value() != from->value())
            to->setValue(from->value());
        if (Step == 2 && !refreshing_)
            Refresh();
    };
    connect(seNumRows, &QSpinBox::valueChanged, this,
            [this, copyOver] { copyOver(seNumRows, seNumCols); });
    connect(seNumCols, &QSpinBox::valueChanged, this,
            [this, copyOver] { copyOver(seNumCols, seNumRows); });
    column->addWidget(pImages);

    // Start panel: name and pixel format.
    pStart = new QWidget(this);
    pStart->setObjectName(QStringLiteral("pStart"));
    auto* start = new QVBoxLayout(pStart);
    start->setContentsMargins(0, 0, 0, 0);
    start->addWidget(NamedLabel("lMapName", "Map_image_name", pStart));
    leMapName = new QLineEdit(pStart);
    leMapName->setObjectName(QStringLiteral("leMapName"));
    start->addWidget(leMapName);
    rgPixelFormat = new QGroupBox(QStringLiteral("Pixel format"), pStart);
    rgPixelFormat->setObjectName(QStringLiteral("rgPixelFormat"));
    auto* formats = new QHBoxLayout(rgPixelFormat);
    rb24Bit = new QRadioButton(QStringLiteral("24 bit"), rgPixelFormat);
    rb8Bit = new QRadioButton(QStringLiteral("8 bit"), rgPixelFormat);
    formats->addWidget(rb24Bit);
    formats->addWidget(rb8Bit);
    connect(rb24Bit, &QRadioButton::clicked, this, &TfTavixGE::rgPixelFormatClick);
    connect(rb8Bit, &QRadioButton::clicked, this, &TfTavixGE::rgPixelFormatClick);
    start->addWidget(rgPixelFormat);
    stPixelSize = NamedLabel("stPixelSize", "", pStart);
    stFileSize = NamedLabel("stFileSize", "", pStart);
    start->addWidget(stPixelSize);
    start->addWidget(stFileSize);
    column->addWidget(pStart);

    // Progress panel.
    pProgress = new QWidget(this);
    pProgress->setObjectName(QStringLiteral("pProgress"));
    auto* progress = new QGridLayout(pProgress);
    progress->setContentsMargins(0, 0, 0, 0);
    lNumRows = NamedLabel("lNumRows", "", pProgress);
    lNumCols = NamedLabel("lNumCols", "", pProgress);
    pRow = NamedLabel("pRow", "1", pProgress);
    pCol = NamedLabel("pCol", "1", pProgress);
    progress->addWidget(lNumRows, 0, 0);
    progress->addWidget(pRow, 0, 1);
    progress->addWidget(lNumCols, 1, 0);
    progress->addWidget(pCol, 1, 1);
    lStreaming = NamedLabel("lStreaming", "Streaming", pProgress);
    lPercent = NamedLabel("lPercent", "", pProgress);
    sbProgress = new QPushButton(QStringLiteral("Break streaming"), pProgress);
    sbProgress->setObjectName(QStringLiteral("sbProgress"));
    connect(sbProgress, &QPushButton::clicked, this, &TfTavixGE::sbProgressClick);
    progress->addWidget(lStreaming, 2, 0);
    progress->addWidget(lPercent, 2, 1);
    progress->addWidget(sbProgress, 3, 0, 1, 2);
    iMatrix = NamedLabel("iMatrix", "", pProgress);
    iMatrix->setFixedHeight(130);
    iMatrix->setMinimumWidth(150);
    progress->addWidget(iMatrix, 4, 0, 1, 2, Qt::AlignBottom);
    column->addWidget(pProgress);

    lCreating = NamedLabel("lCreating", "Creating_bitmap ... Be_patient_please", this);
    lCreating->hide();
    column->addWidget(lCreating);
    column->addStretch();

    auto button = [this, column](QPushButton*& b, const char* name, const char* text,
                                 void (TfTavixGE::*slot)()) {
        b = new QPushButton(QString::fromLatin1(text), this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, slot);
        column->addWidget(b);
    };
    button(bbMap, "bbMap", "Map", &TfTavixGE::bbMapClick);
    button(bbImages, "bbImages", "Images", &TfTavixGE::bbImagesClick);
    button(bbScan, "bbScan", "Scan", &TfTavixGE::bbScanClick);
    button(bbBack, "bbBack", "Back", &TfTavixGE::bbBackClick);
    button(bbSettings, "bbSettings", "_Settings_", &TfTavixGE::bbSettingsClick);
    button(bbBreak, "bbBreak", "_Break_", &TfTavixGE::bbBreakClick);
}

void TfTavixGE::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (activated_ || ge->Ready)
        return;
    activated_ = true;
    lUnit->setText(QString::fromLatin1(state_.settings.IsMetric ? "meter" : "feed"));
    TranslateForm(this, state_.Language());
    Step = 0;
    Cancelled = false;
    Refresh();
    ge->StartConnect();
}

// The wait for the view replaces the fixed loop of one-second sleeps: the panel says when
// it is ready or has given up.
void TfTavixGE::GeReadyChanged() {
    if (ge->Incompatible || Cancelled) {
        bbBreak->setVisible(true);
        return;
    }
    if (!ge->Ready || Step != 0)
        return;
    Step = 1;
    AltitudeSetByProgram = false;
    Rows = Cols = 0;
    ImageWidthM = 0;
    RefreshTimer.start();
    HideTerrain();
    Refresh();
}

void TfTavixGE::HideTerrain() {
    if (!Earth())
        return;
    for (const char* name : {"Terrain", "Gel\xC3\xA4nde", "Terreno", "Relief", "Terreno 3D"}) {
        try {
            if (EarthFeature* f = Earth()->GetFeatureByName(name)) {
                if (f->Visibility())
                    f->SetVisibility(false);
                return;
            }
        } catch (const EarthError&) {
            return;
        }
    }
}

int64_t TfTavixGE::Distance(double lat1, double lon1, double lat2, double lon2) const {
    tCalibPoint a, b;
    a.Lat = lat1;
    a.Lon = lon1;
    b.Lat = lat2;
    b.Lon = lon2;
    return UtmDistance(a, b);
}

QString TfTavixGE::Length(int64_t metres) const {
    const double shown = state_.settings.IsMetric ? metres : metres * kFeetPerMetre;
    return QString::number(std::llround(shown));
}

void TfTavixGE::Refresh() {
    if (refreshing_)
        return;
    refreshing_ = true;
    setWindowTitle(Text(kStepTexts[std::clamp(Step, 0, 4)]));
    bbMap->setVisible(Step == 1);
    bbImages->setVisible(Step == 2);
    bbScan->setVisible(Step == 3);
    bbSettings->setVisible(Step == 1);
    bbBack->setVisible(Step == 2 || Step == 3);
    bbBreak->setVisible(Step != 0 || ge->Incompatible);
    pSettings->setVisible(Step == 1 || Step == 2);
    pImages->setVisible(Step == 2);
    pStart->setVisible(Step == 3);
    pProgress->setVisible(Step == 4);
    eAlti->setEnabled(Step == 1);
    for (QToolButton* b : {sbUp100, sbDown100, sbUp1000, sbDown1000})
        b->setVisible(Step == 1);
    ArrowKeysActive = Step == 1;
    ge->ScaleFollowsView = Step <= 1;  // from "Map" on, every view keeps the same scale

    EarthApplication* earth = Earth();
    if ((Step == 1 || Step == 2) && earth) {
        const bool timerWasOn = RefreshTimer.isActive();
        RefreshTimer.stop();
        try {
            if (Step == 1 && !AltitudeSetByProgram) {
                const double range = earth->GetCamera(0).Range;
                if (range != 0)
                    Altitude = range;
            }
            if (Step == 2 && std::llround(earth->GetCamera(0).Range) != std::llround(Altitude))
                SetEyeAltitude(std::round(Altitude));
            if (!eAlti->hasFocus())
                eAlti->setText(Length(std::llround(Altitude)));
            if (Step == 1) {
                const ViewExtents e = earth->GetViewExtents();
                MapWidthM = Distance(e.North, e.West, e.North, e.East);
                MapHeightM = Distance(e.North, e.West, e.South, e.West);
                TotalPxW = ViewWidth();
                TotalPxH = ViewHeight();
            }
            const int r = seNumRows->value(), c = seNumCols->value();
            if (Step == 2 && (r != Rows || c != Cols)) {
                const int p = Overlap();
                const int w = PlannedPixels(ViewWidth(), c, p);
                const int h = PlannedPixels(ViewHeight(), r, p);
                if (overview_)
                    overview_->DrawGrid(r, c);
                if (int64_t{CriticalMillions} * 1000000 < int64_t{w} * h && !CriticalAccepted) {
                    if (!dialogs_.Confirm(Text("Critical number_of pixels exceeded!\r\nWould_you_"
                                               "like to_change number_of rows/columns anyway"))) {
                        seNumRows->setValue(std::max(Rows, 1));
                        seNumCols->setValue(std::max(Cols, 1));
                        if (overview_)
                            overview_->DrawGrid(std::max(Rows, 1), std::max(Cols, 1));
                        if (timerWasOn)
                            RefreshTimer.start();
                        refreshing_ = false;
                        return;
                    }
                    CriticalAccepted = true;
                }
                TotalPxW = w;
                TotalPxH = h;
                SetEyeAltitude(ImageAltitude(MapAltitude, r, c));
                const ViewExtents e = earth->GetViewExtents();
                ImageWidthM = Distance(e.North, e.West, e.North, e.East);
                ImageHeightM = Distance(e.North, e.West, e.South, e.West);
                Rows = r;
                Cols = c;
                MapWidthM = AreaMetres(ImageWidthM, c, p);
                MapHeightM = AreaMetres(ImageHeightM, r, p);
            }
        } catch (const EarthError&) {
        }
        eMapWidth->setText(Length(MapWidthM));
        eMapHeight->setText(Length(MapHeightM));
        eImageWidth->setText(Length(ImageWidthM));
        eImageHeight->setText(Length(ImageHeightM));
        ePixelWidth->setText(QString::number(TotalPxW));
        ePixelHeight->setText(QString::number(TotalPxH));
        const int64_t pixels = int64_t{TotalPxW} * TotalPxH;
        ePixelMap->setText(QLocale().toString(static_cast<qlonglong>(pixels)));
        SetEmphasis(ePixelMap, Step != 1 && pixels * 3 / 4 > 100000000);
        eNumImages->setText(QString::number(Rows * Cols));
        SetEmphasis(eNumImages, Rows * Cols >= 100);
        RefreshTimer.start();
    }
    if (Step == 3) {
        const int64_t pixels = int64_t{TotalPxW} * TotalPxH;
        stPixelSize->setText(QLocale().toString(static_cast<qlonglong>(pixels)));
        SetEmphasis(stPixelSize, pixels >= 100000000, QColor(0, 128, 128));
        rgPixelFormatClick();
    }
    if (Step == 4) {
        ShowStreaming(-1);
        lNumRows->setText(Text("%d Rows").replace(QStringLiteral("%d"), QString::number(Rows)));
        lNumCols->setText(Text("%d Cols").replace(QStringLiteral("%d"), QString::number(Cols)));
        pRow->setText(QStringLiteral("1"));
        pCol->setText(QStringLiteral("1"));
    }
    refreshing_ = false;
}

void TfTavixGE::rgPixelFormatClick() {
    const int64_t pixels = int64_t{TotalPxW} * TotalPxH;
    const bool eight = rb8Bit->isChecked();
    scanFormat_ = eight ? PixelFormat::Bits8 : PixelFormat::Bits24;
    const double mb = static_cast<double>(eight ? pixels : pixels * 3) / 1048576;
    stFileSize->setText(QLocale().toString(mb, 'f', 1) + QStringLiteral(" MB"));
}

void TfTavixGE::SetEyeAltitude(double metres) {
    EarthApplication* earth = Earth();
    if (!earth || std::llround(metres) == std::llround(Altitude))
        return;
    const bool timerWasOn = RefreshTimer.isActive();
    RefreshTimer.stop();
    try {
        CameraInfo c = earth->GetCamera(0);
        c.Range = metres;
        c.Tilt = c.Azimuth = 0;
        earth->SetCamera(c, 1.0);
        WaitDrawn();
        Altitude = metres;
        AltitudeSetByProgram = true;
    } catch (const EarthError&) {
    }
    ge->MouseInView = false;
    ge->update();
    if (timerWasOn)
        RefreshTimer.start();
}

void TfTavixGE::eAltiEntered() {
    bool ok = false;
    const qlonglong shown = eAlti->text().trimmed().toLongLong(&ok);
    if (!ok || shown <= 0) {
        eAlti->setText(Length(std::llround(Altitude)));
        return;
    }
    double metres = static_cast<double>(shown);
    if (!state_.settings.IsMetric)
        metres = std::round(metres / kFeetPerMetre);
    SetEyeAltitude(metres);
}

void TfTavixGE::sbAltitudeClick(int step) {
    const double a = SteppedAltitude(std::round(Altitude), step);
    if (a != std::round(Altitude))
        SetEyeAltitude(a);
}

// Keys change the altitude while the area is framed; the keys go on to their widgets.
bool TfTavixGE::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && ArrowKeysActive && isActiveWindow()) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        std::optional<AltitudeKey> k;
        if (key == Qt::Key_PageUp)
            k = AltitudeKey::PageUp;
        else if (key == Qt::Key_PageDown)
            k = AltitudeKey::PageDown;
        else if (key == Qt::Key_Up)
            k = AltitudeKey::Up;
        else if (key == Qt::Key_Down)
            k = AltitudeKey::Down;
        // Qt delivers a key to each widget up the chain; react to the first delivery only.
        if (k && watched == QApplication::focusWidget())
            SetEyeAltitude(KeyedAltitude(Altitude, *k));
        else if (k && QApplication::focusWidget() == nullptr && watched == this)
            SetEyeAltitude(KeyedAltitude(Altitude, *k));
    }
    return QDialog::eventFilter(watched, event);
}

void TfTavixGE::WaitDrawn() {
    if (!Earth())
        return;
    ScanRequest request;
    request.SettleMs = 0;
    request.PollMs = 20;
    WaitUntilDrawn(*Earth(), *this, request, false);
}

void TfTavixGE::bbMapClick() {
    EarthApplication* earth = Earth();
    if (Step != 1 || !earth)
        return;
    RefreshTimer.stop();
    setFixedSize(size());
    try {
        const ViewExtents e = earth->GetViewExtents();
        MapNorth = e.North;
        MapWest = e.West;
        const CameraInfo c = earth->GetCamera(0);
        MapCenterLat = c.FocusPointLatitude;
        MapCenterLon = c.FocusPointLongitude;
    } catch (const EarthError&) {
        return;
    }
    MapAltitude = Altitude;
    Step = 2;
    seNumRows->setValue(1);
    seNumCols->setValue(1);
    Rows = Cols = 0;
    Bitmap snapshot(ViewWidth(), ViewHeight(), PixelFormat::Bits8);
    WaitDrawn();
    CaptureView(snapshot);
    if (!overview_)
        overview_ = new TfTavixGEMap(state_.Language(), this);
    overview_->show();
    overview_->SetSnapshot(TotalPxW, TotalPxH, snapshot, Overlap());
    Refresh();
    RefreshTimer.start();
}

void TfTavixGE::bbImagesClick() {
    EarthApplication* earth = Earth();
    if (Step != 2 || !earth)
        return;
    RefreshTimer.stop();
    if (overview_)
        overview_->hide();
    Step = 3;
    leMapName->setText(QStringLiteral("GE") +
                       QDateTime::currentDateTime().toString(QStringLiteral("yyMMddhhmm")));
    Refresh();
    leMapName->setFocus();
    rb8Bit->setChecked(state_.settings.pixelFormat8Bit);
    rb24Bit->setChecked(!state_.settings.pixelFormat8Bit);
    rgPixelFormatClick();
    try {
        const ViewExtents e = earth->GetViewExtents();
        CameraInfo c = earth->GetCamera(0);
        c.FocusPointLongitude = MapWest + (e.East - e.West) / 2;
        c.FocusPointLatitude = MapNorth - (e.North - e.South) / 2;
        c.Range = Altitude;
        c.Tilt = c.Azimuth = 0;
        earth->SetCamera(c, 1.0);
        WaitDrawn();
    } catch (const EarthError&) {
    }
    ge->update();
}

void TfTavixGE::bbBackClick() {
    EarthApplication* earth = Earth();
    if (!earth)
        return;
    auto backToCentre = [&] {
        try {
            CameraInfo c = earth->GetCamera(0);
            c.FocusPointLatitude = MapCenterLat;
            c.FocusPointLongitude = MapCenterLon;
            c.Tilt = c.Azimuth = 0;
            earth->SetCamera(c, 1.0);
        } catch (const EarthError&) {
        }
    };
    if (Step == 2) {
        RefreshTimer.stop();
        if (overview_)
            overview_->hide();
        backToCentre();
        SetEyeAltitude(std::round(MapAltitude));
        Rows = Cols = 1;
        Step = 1;
        // Back to the layout's own limits.
        setMinimumSize(0, 0);
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        Refresh();
    } else if (Step == 3) {
        backToCentre();
        SetEyeAltitude(std::round(Altitude));
        rowsFocus_ = colsFocus_ = false;
        Step = 2;
        if (overview_)
            overview_->show();
        Refresh();
    }
    ge->update();
}

void TfTavixGE::bbSettingsClick() {
    if (ShowSettings)
        ShowSettings();
}

void TfTavixGE::bbScanClick() {
    EarthApplication* earth = Earth();
    if (Step != 3 || !ge->Ready || !earth)
        return;
    Cancelled = false;
    ScanRequest request;
    request.Rows = std::max(Rows, 1);
    request.Cols = std::max(Cols, 1);
    request.OverlapPercent = Overlap();
    request.Format = scanFormat_;
    request.SettleMs = std::clamp(state_.settings.captureSettleMs, 0, 5000);
    {
        lCreating->show();
        QApplication::setOverrideCursor(Qt::WaitCursor);
        QApplication::processEvents();
        std::string error;
        const bool ok = PrepareResultMap(request, ViewWidth(), ViewHeight(), resultMap_, error);
        QApplication::restoreOverrideCursor();
        lCreating->hide();
        if (!ok) {
            dialogs_.Error(QString::fromStdString(error));
            return;
        }
    }
    Rows = request.Rows;
    Cols = request.Cols;
    Step = 4;
    Refresh();
    ScanOutcome outcome;
    try {
        outcome = RunCaptureScan(*earth, *this, request, resultMap_, state_.Calibration.Points);
    } catch (const EarthError& e) {
        dialogs_.Error(QString::fromStdString(e.what()));
    }
    ScanImages = outcome.ScanImages;
    ScanCompleted = outcome.Completed;
    if (ScanCompleted) {
        MapsAreJpeg = true;
        state_.ResultUnsaved = true;
        state_.Calibration.Pending = true;
        CloseDown();
        accept();
    } else if (ScanBroken) {
        if (CloseQuery()) {
            CloseDown();
            QDialog::reject();
        }
    }
}

void TfTavixGE::bbBreakClick() {
    if (Step == 4) {
        // What was scanned so far stays in the result map.
        ScanBroken = true;
        MapsAreJpeg = true;
        state_.ResultUnsaved = true;
        state_.Calibration.Pending = true;
        Cancelled = true;
        return;  // the scan stops at its next check and closes the form
    }
    Cancelled = true;
    close();
}

void TfTavixGE::sbProgressClick() {
    StreamingBrokenFlag = true;
}

bool TfTavixGE::CloseQuery() {
    if (ScanCompleted || ge->Incompatible)
        return true;
    return dialogs_.Confirm(Text("Break"));
}

void TfTavixGE::CloseDown() {
    if (closedDown_)
        return;
    closedDown_ = true;
    if (overview_) {
        overview_->close();
        delete overview_;
        overview_ = nullptr;
    }
    RefreshTimer.stop();
    ge->ConnectTimer.stop();
    if (!ge->Incompatible)
        ge->Detach();
    ArrowKeysActive = false;
}

void TfTavixGE::closeEvent(QCloseEvent* event) {
    if (Step == 4 && !ScanCompleted && !ScanBroken) {
        bbBreakClick();  // a running scan is broken first; it closes the form when it stops
        event->ignore();
        return;
    }
    if (!closedDown_ && !CloseQuery()) {
        event->ignore();
        return;
    }
    CloseDown();
    QDialog::closeEvent(event);
}

void TfTavixGE::reject() {
    if (Step == 4 && !ScanCompleted && !ScanBroken) {
        bbBreakClick();
        return;
    }
    if (!closedDown_ && !CloseQuery())
        return;
    CloseDown();
    QDialog::reject();
}

int TfTavixGE::ViewWidth() const {
    return ge->width();
}
int TfTavixGE::ViewHeight() const {
    return ge->height();
}

bool TfTavixGE::CaptureView(Bitmap& bitmap) {
    return ge->CaptureView(bitmap);
}

void TfTavixGE::Wait(int ms) {
    QElapsedTimer timer;
    timer.start();
    for (;;) {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
        const qint64 left = ms - timer.elapsed();
        if (left <= 0)
            break;
        QThread::msleep(static_cast<unsigned long>(std::min<qint64>(5, left)));
    }
}

void TfTavixGE::ShowPosition(int row, int col) {
    pRow->setText(QString::number(row));
    pCol->setText(QString::number(col));
    ge->update();
}

void TfTavixGE::ShowProgressGrid(int row, int col) {
    const int w = std::max(iMatrix->width(), 20);
    const int h = 130;
    QImage picture(w, h, QImage::Format_RGB888);
    picture.fill(palette().color(QPalette::Button));
    QPainter painter(&picture);
    painter.setPen(QColor(0, 0, 255));
    painter.drawRect(0, 0, w - 1, h - 1);
    const int current = (row - 1) * Cols + col;
    for (int r = 1; r <= Rows; ++r)
        for (int c = 1; c <= Cols; ++c) {
            const CellRect cell = ProgressCell(r, c, Rows, Cols, w, h);
            const int index = (r - 1) * Cols + c;
            const QColor colour = index < current    ? QColor(0, 0, 255)
                                  : index == current ? QColor(255, 0, 0)
                                                     : QColor(128, 128, 128);
            painter.fillRect(QRect(QPoint(cell.left, cell.top), QPoint(cell.right, cell.bottom)),
                             colour);
        }
    painter.end();
    iMatrix->setPixmap(QPixmap::fromImage(picture));
}

void TfTavixGE::ShowStreaming(int percent) {
    const bool visible = percent >= 0;
    lStreaming->setVisible(visible);
    lPercent->setVisible(visible);
    sbProgress->setVisible(visible);
    if (visible)
        lPercent->setText(QStringLiteral("%1 ..").arg(percent));
    ge->update();
}

}  // namespace korvalen
