// Builds the controls, menus and pages of the main window.
#include <QAction>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPainterPath>
#include <QProgressBar>
#include <QPushButton>
#include <QRadialGradient>
#include <QRadioButton>
#include <QScrollArea>
#include <QSlider>
#include <QSpinBox>
#include <QStackedWidget>
#include <QStatusBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/MatrixPicture.h"
#include "app/TavixMain.h"

namespace korvalen {
namespace {

constexpr int kMapsColumnWidth = 137;
constexpr int kResultColumnWidth = 142;
constexpr int kOverviewHeight = 88;
constexpr int kGlobeSize = 56;

// The symbol of the capture button: a globe with its grid lines and two land masses.
QIcon GlobeIcon(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    const QRectF ball(s * 0.06, s * 0.06, s * 0.88, s * 0.88);
    QRadialGradient sea(ball.center() - QPointF(s * 0.15, s * 0.15), s * 0.6);
    sea.setColorAt(0, QColor(120, 180, 250));
    sea.setColorAt(1, QColor(20, 60, 160));
    painter.setPen(Qt::NoPen);
    painter.setBrush(sea);
    painter.drawEllipse(ball);

    QPainterPath globe;
    globe.addEllipse(ball);
    painter.setClipPath(globe);
    painter.setBrush(QColor(70, 150, 70));
    QPainterPath west(QPointF(s * 0.22, s * 0.25));
    west.cubicTo(s * 0.40, s * 0.15, s * 0.50, s * 0.30, s * 0.42, s * 0.45);
    west.cubicTo(s * 0.36, s * 0.55, s * 0.44, s * 0.75, s * 0.34, s * 0.82);
    west.cubicTo(s * 0.22, s * 0.70, s * 0.12, s * 0.45, s * 0.22, s * 0.25);
    painter.drawPath(west);
    QPainterPath east(QPointF(s * 0.60, s * 0.22));
    east.cubicTo(s * 0.85, s * 0.20, s * 0.92, s * 0.45, s * 0.78, s * 0.55);
    east.cubicTo(s * 0.70, s * 0.62, s * 0.72, s * 0.78, s * 0.62, s * 0.70);
    east.cubicTo(s * 0.55, s * 0.55, s * 0.52, s * 0.35, s * 0.60, s * 0.22);
    painter.drawPath(east);

    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(255, 255, 255, 150), s / 48));
    for (qreal k : {0.25, 0.5, 0.75}) {
        const qreal y = ball.top() + ball.height() * k;
        painter.drawLine(QPointF(ball.left(), y), QPointF(ball.right(), y));
    }
    painter.drawEllipse(ball.adjusted(s * 0.22, 0, -s * 0.22, 0));
    painter.drawLine(QPointF(ball.center().x(), ball.top()),
                     QPointF(ball.center().x(), ball.bottom()));
    painter.setClipping(false);
    painter.setPen(QPen(QColor(10, 30, 90), s / 32));
    painter.drawEllipse(ball);
    return QIcon(pixmap);
}

QPushButton* NewButton(QWidget* parent, const char* name, const char* text) {
    auto* button = new QPushButton(QString::fromUtf8(text), parent);
    button->setObjectName(QString::fromLatin1(name));
    return button;
}

QLabel* NewLabel(QWidget* parent, const char* name, const char* text) {
    auto* label = new QLabel(QString::fromUtf8(text), parent);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

// The joining commands stand out in bold navy.
void MakeBoldNavy(QPushButton* button) {
    QFont font = button->font();
    font.setBold(true);
    button->setFont(font);
    QPalette palette = button->palette();
    // Disabled buttons keep the style's grey, so that they still look disabled.
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive})
        palette.setColor(group, QPalette::ButtonText, QColor(0, 0, 128));
    button->setPalette(palette);
}

QSpinBox* NewSpinEdit(QWidget* parent, const char* name) {
    auto* spin = new QSpinBox(parent);
    spin->setObjectName(QString::fromLatin1(name));
    spin->setRange(1, 99);
    // Two digits: the column stays narrow and the matrix keeps the room.
    spin->setMaximumWidth(spin->fontMetrics().horizontalAdvance(QStringLiteral("999")) + 40);
    return spin;
}

}  // namespace

QAction* TfTavixMain::NewAction(const char* name, const char* text, void (TfTavixMain::*slot)(),
                                const QKeySequence& shortcut) {
    auto* action = new QAction(QString::fromUtf8(text), this);
    action->setObjectName(QString::fromLatin1(name));
    action->setShortcut(shortcut);
    connect(action, &QAction::triggered, this, slot);
    return action;
}

// A popup item runs its main-menu item's command and follows its enabled state; its caption
// is its own (the popups write "Save" where the menu writes "&Save").
QAction* TfTavixMain::MirrorAction(const char* name, const char* text, QAction* source) {
    auto* action = new QAction(QString::fromUtf8(text), this);
    action->setObjectName(QString::fromLatin1(name));
    action->setEnabled(source->isEnabled());
    connect(action, &QAction::triggered, source, &QAction::trigger);
    connect(source, &QAction::changed, action,
            [action, source] { action->setEnabled(source->isEnabled()); });
    return action;
}

void TfTavixMain::BuildMenus() {
    miSwitchPage = NewAction("miSwitchPage", "Switch between single / result_map",
                             &TfTavixMain::miSwitchPageClick, Qt::Key_F10);
    miSettings = NewAction("miSettings", "Settings", &TfTavixMain::miSettingsClick, Qt::Key_F2);
    miConvertBmpToJpeg = NewAction("miConvertBmpToJpeg", "Convert Bmp_to_Jpeg",
                                   &TfTavixMain::miConvertBmpToJpegClick);
    miCompressAll =
        NewAction("miCompressAll", "Compress all single_maps", &TfTavixMain::miCompressAllClick);
    miPlacemarkGrid =
        NewAction("miPlacemarkGrid", "Create placemark_grid", &TfTavixMain::miPlacemarkGridClick);
    miGoogleEarth = NewAction("miGoogleEarth", "Tavix_and_calibrate Google Earth images",
                              &TfTavixMain::sbGoogleEarthClick, Qt::Key_F5);
    miExit = new QAction(QStringLiteral("E&xit"), this);
    miExit->setObjectName(QStringLiteral("miExit"));
    connect(miExit, &QAction::triggered, this, &QWidget::close);

    miNewMatrix = NewAction("miNewMatrix", "&New map_matrix", &TfTavixMain::bbNewMatrixClick);
    miLoadAllMaps = NewAction("miLoadAllMaps", "&Load all maps", &TfTavixMain::bbLoadAllMapsClick);
    miLoadGridPattern =
        NewAction("miLoadGridPattern", "Load grid_pattern", &TfTavixMain::bbLoadGridPatternClick);
    miShowMaps = NewAction("miShowMaps", "&Show maps", &TfTavixMain::bbShowMapsClick);
    miActiveMap = NewAction("miActiveMap", "Load map", &TfTavixMain::bbLoadMapClick, Qt::Key_F3);
    miReloadMap = NewAction("miReloadMap", "Reload active map", &TfTavixMain::miReloadMapClick,
                            QKeySequence(Qt::CTRL | Qt::Key_F3));
    miTavixMaps =
        NewAction("miTavixMaps", "Tavix_maps", &TfTavixMain::bbTavixMapsClick, Qt::Key_F9);
    miContinueTavix = NewAction("miContinueTavix", "Continue tavix",
                                &TfTavixMain::bbContinueTavixClick, Qt::Key_F8);
    miChangeAlgorithm = NewAction("miChangeAlgorithm", "Change starting_algorithm",
                                  &TfTavixMain::bbChangeAlgorithmClick);

    miSaveResult = NewAction("miSaveResult", "&Save", &TfTavixMain::bbSaveMapClick,
                             QKeySequence(Qt::CTRL | Qt::Key_S));
    miAdjustResult = NewAction("miAdjustResult", "&Adjust", &TfTavixMain::bbAdjustMapClick);

    miAbout = NewAction("miAbout", "&About ...", &TfTavixMain::miAboutClick);
    miHomepage = NewAction("miHomepage", "&Homepage", &TfTavixMain::miHomepageClick);

    miFile = menuBar()->addMenu(QStringLiteral("&File"));
    miFile->setObjectName(QStringLiteral("miFile"));
    miFile->addActions({miSwitchPage, miSettings, miConvertBmpToJpeg, miCompressAll,
                        miPlacemarkGrid, miGoogleEarth});
    miFile->addSeparator();
    miFile->addAction(miExit);

    miSingleMaps = menuBar()->addMenu(QStringLiteral("&Single_maps"));
    miSingleMaps->setObjectName(QStringLiteral("miSingleMaps"));
    miSingleMaps->addActions({miNewMatrix, miLoadAllMaps, miLoadGridPattern, miShowMaps});
    miSingleMaps->addSeparator();
    miSingleMaps->addActions({miActiveMap, miReloadMap});
    miSingleMaps->addSeparator();
    miSingleMaps->addActions({miTavixMaps, miContinueTavix, miChangeAlgorithm});

    miResultMap = menuBar()->addMenu(QStringLiteral("&Result_map"));
    miResultMap->setObjectName(QStringLiteral("miResultMap"));
    miResultMap->addActions({miSaveResult, miAdjustResult});

    miHelp = menuBar()->addMenu(QStringLiteral("&Help"));
    miHelp->setObjectName(QStringLiteral("miHelp"));
    miHelp->addActions({miAbout, miHomepage});

    pmSingleMaps = new QMenu(this);
    pmSingleMaps->setObjectName(QStringLiteral("pmSingleMaps"));
    pmSingleMaps->addAction(MirrorAction("pmNewMatrix", "New map_matrix", miNewMatrix));
    pmSingleMaps->addAction(MirrorAction("pmLoadAllMaps", "Load all maps", miLoadAllMaps));
    pmSingleMaps->addAction(
        MirrorAction("pmLoadGridPattern", "Load grid_pattern", miLoadGridPattern));
    pmShowMaps = MirrorAction("pmShowMaps", "Show maps", miShowMaps);
    pmSingleMaps->addAction(pmShowMaps);
    pmSingleMaps->addSeparator();
    pmActiveMap = MirrorAction("pmActiveMap", "Load map", miActiveMap);
    pmSingleMaps->addAction(pmActiveMap);
    pmSingleMaps->addAction(MirrorAction("pmReloadMap", "Reload active map", miReloadMap));
    pmSingleMaps->addSeparator();
    pmSingleMaps->addAction(MirrorAction("pmTavixMaps", "Tavix_maps", miTavixMaps));
    pmSingleMaps->addAction(MirrorAction("pmContinueTavix", "Continue tavix", miContinueTavix));
    pmSingleMaps->addAction(
        MirrorAction("pmChangeAlgorithm", "Change starting_algorithm", miChangeAlgorithm));

    pmResultMap = new QMenu(this);
    pmResultMap->setObjectName(QStringLiteral("pmResultMap"));
    pmResultMap->addAction(MirrorAction("pmSaveResult", "Save", miSaveResult));
    pmResultMap->addAction(MirrorAction("pmAdjustResult", "Adjust", miAdjustResult));
}

QWidget* TfTavixMain::BuildSingleMapsPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("tsMaps"));
    page->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(page, &QWidget::customContextMenuRequested, this,
            [this, page](QPoint at) { pmSingleMaps->popup(page->mapToGlobal(at)); });
    auto* layout = new QHBoxLayout(page);
    layout->setContentsMargins(2, 2, 2, 2);

    pMapMatrix = new QWidget(page);
    pMapMatrix->setObjectName(QStringLiteral("pMapMatrix"));
    auto* matrixLayout = new QVBoxLayout(pMapMatrix);
    matrixLayout->setContentsMargins(0, 0, 0, 0);
    matrixPicture_ = new MatrixPicture(pMapMatrix);
    matrixPicture_->setObjectName(QStringLiteral("iMatrixImage"));
    matrixLayout->addWidget(matrixPicture_);
    connect(matrixPicture_, &MatrixPicture::pressed, this, [this](QPoint at) {
        if (tSingleMap* cell = Matrix.CellAtPoint(at.x(), at.y()))
            SelectCell(Matrix.CellIndex(cell->Row, cell->Col));
    });
    connect(matrixPicture_, &MatrixPicture::doubleClicked, this, &TfTavixMain::bbLoadMapClick);
    connect(matrixPicture_, &MatrixPicture::resized, this, [this] {
        if (MatrixImage && !Matrix.Empty() && !ResultPageShown())
            BuildMatrixPicture();
    });
    layout->addWidget(pMapMatrix, 1);

    auto* column = new QWidget(page);
    column->setObjectName(QStringLiteral("pMapsControls"));
    column->setMinimumWidth(kMapsColumnWidth);
    column->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Preferred);
    auto* c = new QVBoxLayout(column);
    c->setContentsMargins(2, 0, 0, 0);
    c->setSpacing(3);

    c->addWidget(NewLabel(column, "lNumberOf", "Number_of"), 0, Qt::AlignHCenter);
    auto* size = new QGridLayout;
    size->setContentsMargins(0, 0, 0, 0);
    size->addWidget(NewLabel(column, "lRows", "rows"), 0, 0, Qt::AlignHCenter);
    size->addWidget(NewLabel(column, "lCols", "columns"), 0, 1, Qt::AlignHCenter);
    seNumRows = NewSpinEdit(column, "seNumRows");
    seNumCols = NewSpinEdit(column, "seNumCols");
    size->addWidget(seNumRows, 1, 0);
    size->addWidget(seNumCols, 1, 1);
    c->addLayout(size);

    bbNewMatrix = NewButton(column, "bbNewMatrix", "New map_matrix");
    bbLoadAllMaps = NewButton(column, "bbLoadAllMaps", "Load all maps");
    bbLoadGridPattern = NewButton(column, "bbLoadGridPattern", "Load grid_pattern");
    bbShowMaps = NewButton(column, "bbShowMaps", "Show maps");
    bbHideMaps = NewButton(column, "bbHideMaps", "Hide maps");
    bbLoadMap = NewButton(column, "bbLoadMap", "Load map");
    bbTavixMaps = NewButton(column, "bbTavixMaps", "Tavix_maps");
    bbContinueTavix = NewButton(column, "bbContinueTavix", "Continue");
    bbChangeAlgorithm = NewButton(column, "bbChangeAlgorithm", "Change_algorithm");
    bbShowResult = NewButton(column, "bbShowResult", "Result_map");
    MakeBoldNavy(bbTavixMaps);
    MakeBoldNavy(bbContinueTavix);
    bbHideMaps->hide();

    c->addWidget(bbNewMatrix);
    c->addWidget(bbLoadAllMaps);
    c->addSpacing(8);
    c->addWidget(bbLoadGridPattern);
    c->addSpacing(8);
    c->addWidget(bbShowMaps);
    c->addWidget(bbHideMaps);
    c->addWidget(bbLoadMap);
    c->addSpacing(8);
    c->addWidget(bbTavixMaps);
    c->addWidget(bbContinueTavix);
    c->addWidget(bbChangeAlgorithm);
    c->addSpacing(8);
    c->addWidget(bbShowResult);
    c->addStretch(1);

    pGoogleEarth = new QWidget(column);
    pGoogleEarth->setObjectName(QStringLiteral("pGoogleEarth"));
    auto* earth = new QVBoxLayout(pGoogleEarth);
    earth->setContentsMargins(0, 0, 0, 0);
    earth->setSpacing(2);
    sbGoogleEarth = new QToolButton(pGoogleEarth);
    sbGoogleEarth->setObjectName(QStringLiteral("sbGoogleEarth"));
    sbGoogleEarth->setIcon(GlobeIcon(kGlobeSize));
    sbGoogleEarth->setIconSize(QSize(kGlobeSize, kGlobeSize));
    sbGoogleEarth->setMinimumSize(kGlobeSize + 16, kGlobeSize + 12);
    sbGoogleEarth->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    earth->addWidget(sbGoogleEarth);
    auto* earthLabel =
        NewLabel(pGoogleEarth, "lGoogleEarth", "Tavix_and_calibrate   Google Earth images");
    earthLabel->setWordWrap(true);
    // A wrapped label would ask for a wide column; the buttons decide the width.
    earthLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    earthLabel->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    earth->addWidget(earthLabel);
    c->addWidget(pGoogleEarth);
    layout->addWidget(column, 0);

    connect(bbNewMatrix, &QPushButton::clicked, this, &TfTavixMain::bbNewMatrixClick);
    connect(bbLoadAllMaps, &QPushButton::clicked, this, &TfTavixMain::bbLoadAllMapsClick);
    connect(bbLoadGridPattern, &QPushButton::clicked, this, &TfTavixMain::bbLoadGridPatternClick);
    connect(bbShowMaps, &QPushButton::clicked, this, &TfTavixMain::bbShowMapsClick);
    connect(bbHideMaps, &QPushButton::clicked, this, &TfTavixMain::bbShowMapsClick);
    connect(bbLoadMap, &QPushButton::clicked, this, &TfTavixMain::bbLoadMapClick);
    connect(bbTavixMaps, &QPushButton::clicked, this, &TfTavixMain::bbTavixMapsClick);
    connect(bbContinueTavix, &QPushButton::clicked, this, &TfTavixMain::bbContinueTavixClick);
    connect(bbChangeAlgorithm, &QPushButton::clicked, this, &TfTavixMain::bbChangeAlgorithmClick);
    connect(bbShowResult, &QPushButton::clicked, this, &TfTavixMain::bbShowResultClick);
    connect(sbGoogleEarth, &QToolButton::clicked, this, &TfTavixMain::sbGoogleEarthClick);

    // The arrow keys move the active cell even while a button has the focus.
    for (QPushButton* button : column->findChildren<QPushButton*>())
        button->installEventFilter(this);
    sbGoogleEarth->installEventFilter(this);
    return page;
}

QWidget* TfTavixMain::BuildResultPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("tsTavixedMap"));
    page->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(page, &QWidget::customContextMenuRequested, this,
            [this, page](QPoint at) { pmResultMap->popup(page->mapToGlobal(at)); });
    auto* layout = new QHBoxLayout(page);
    layout->setContentsMargins(2, 2, 2, 2);

    sbxMap = new QScrollArea(page);
    sbxMap->setObjectName(QStringLiteral("sbxMap"));
    sbxMap->setWidgetResizable(true);
    sbxMap->setFrameShape(QFrame::NoFrame);
    iMap = new StretchedPicture;
    iMap->setObjectName(QStringLiteral("iMap"));
    sbxMap->setWidget(iMap);
    layout->addWidget(sbxMap, 1);

    auto* column = new QWidget(page);
    column->setObjectName(QStringLiteral("pResultControls"));
    column->setMinimumWidth(kResultColumnWidth);
    column->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Preferred);
    auto* c = new QVBoxLayout(column);
    c->setContentsMargins(2, 0, 0, 0);
    c->setSpacing(3);

    bbSaveMap = NewButton(column, "bbSaveMap", "&Save map");
    bbAdjustMap = NewButton(column, "bbAdjustMap", "&Adjust map");
    bbCalibrateMap = NewButton(column, "bbCalibrateMap", "&Calibrate map");
    bbCalibrateMap->hide();
    c->addWidget(bbSaveMap);
    c->addWidget(bbAdjustMap);
    c->addWidget(bbCalibrateMap);
    c->addSpacing(4);
    c->addWidget(NewLabel(column, "lSize", "Size w_x_h (pixel)"), 0, Qt::AlignHCenter);
    stSize = NewLabel(column, "stSize", "%d x %d");
    c->addWidget(stSize, 0, Qt::AlignHCenter);

    rgPixelFormat = new QGroupBox(QStringLiteral("Pixel format"), column);
    rgPixelFormat->setObjectName(QStringLiteral("rgPixelFormat"));
    auto* pixel = new QVBoxLayout(rgPixelFormat);
    pixel->setContentsMargins(6, 2, 6, 2);
    rbPixel8 = new QRadioButton(QStringLiteral("8 bit"), rgPixelFormat);
    rbPixel8->setObjectName(QStringLiteral("rbPixel8"));
    rbPixel24 = new QRadioButton(QStringLiteral("24 bit"), rgPixelFormat);
    rbPixel24->setObjectName(QStringLiteral("rbPixel24"));
    pixel->addWidget(rbPixel8);
    pixel->addWidget(rbPixel24);
    c->addWidget(rgPixelFormat);

    rgFormat = new QGroupBox(QStringLiteral("Format"), column);
    rgFormat->setObjectName(QStringLiteral("rgFormat"));
    auto* format = new QVBoxLayout(rgFormat);
    format->setContentsMargins(6, 2, 6, 2);
    rbFormatBmp = new QRadioButton(QStringLiteral("bitmap (*.bmp)"), rgFormat);
    rbFormatBmp->setObjectName(QStringLiteral("rbFormatBmp"));
    rbFormatJpeg = new QRadioButton(QStringLiteral("jpeg     (*.jpg)"), rgFormat);
    rbFormatJpeg->setObjectName(QStringLiteral("rbFormatJpeg"));
    rbFormatBmp->setChecked(true);
    format->addWidget(rbFormatBmp);
    format->addWidget(rbFormatJpeg);
    c->addWidget(rgFormat);

    pJpeg = new QWidget(column);
    pJpeg->setObjectName(QStringLiteral("pJpeg"));
    auto* jpeg = new QVBoxLayout(pJpeg);
    jpeg->setContentsMargins(0, 0, 0, 0);
    jpeg->setSpacing(1);
    jpeg->addWidget(NewLabel(pJpeg, "lPictureQuality", "Picture_quality"), 0, Qt::AlignHCenter);
    QLabel* scaleTop = NewLabel(pJpeg, "lQualityScale", "__poor_____middle______best");
    QLabel* scaleBottom = NewLabel(pJpeg, "lCompressionScale", "high__Compression___low");
    QFont small = scaleTop->font();
    small.setPointSizeF(small.pointSizeF() * 0.8);
    scaleTop->setFont(small);
    scaleBottom->setFont(small);
    jpeg->addWidget(scaleTop, 0, Qt::AlignHCenter);
    tbQuality = new QSlider(Qt::Horizontal, pJpeg);
    tbQuality->setObjectName(QStringLiteral("tbQuality"));
    tbQuality->setRange(1, 100);
    tbQuality->setValue(51);
    tbQuality->setPageStep(10);
    tbQuality->setTickInterval(10);
    tbQuality->setTickPosition(QSlider::TicksBelow);
    jpeg->addWidget(tbQuality);
    jpeg->addWidget(scaleBottom, 0, Qt::AlignHCenter);
    stQuality = NewLabel(pJpeg, "stQuality", "51");
    jpeg->addWidget(stQuality, 0, Qt::AlignHCenter);
    pJpeg->hide();
    c->addWidget(pJpeg);
    c->addStretch(1);

    iMatrix = new PictureBox(kOverviewBackground, column);
    iMatrix->setObjectName(QStringLiteral("iMatrix"));
    iMatrix->setFixedHeight(kOverviewHeight);
    connect(iMatrix, &PictureBox::resized, this, &TfTavixMain::DrawMatrixOverview);
    c->addWidget(iMatrix);
    bbSingleMaps = NewButton(column, "bbSingleMaps", "Single_maps");
    bbNewGETavix = NewButton(column, "bbNewGETavix", "New &GE tavix");
    bbNewGETavix->hide();
    c->addWidget(bbSingleMaps);
    c->addWidget(bbNewGETavix);
    layout->addWidget(column, 0);

    connect(bbSaveMap, &QPushButton::clicked, this, &TfTavixMain::bbSaveMapClick);
    connect(bbAdjustMap, &QPushButton::clicked, this, &TfTavixMain::bbAdjustMapClick);
    connect(bbCalibrateMap, &QPushButton::clicked, this, &TfTavixMain::bbCalibrateMapClick);
    connect(bbSingleMaps, &QPushButton::clicked, this, &TfTavixMain::bbSingleMapsClick);
    connect(bbNewGETavix, &QPushButton::clicked, this, &TfTavixMain::bbNewGETavixClick);
    connect(rbPixel8, &QRadioButton::clicked, this, &TfTavixMain::rgPixelFormatClick);
    connect(rbPixel24, &QRadioButton::clicked, this, &TfTavixMain::rgPixelFormatClick);
    connect(rbFormatBmp, &QRadioButton::clicked, this, &TfTavixMain::rgFormatClick);
    connect(rbFormatJpeg, &QRadioButton::clicked, this, &TfTavixMain::rgFormatClick);
    connect(tbQuality, &QSlider::valueChanged, this, &TfTavixMain::tbQualityChange);
    return page;
}

void TfTavixMain::BuildStatusBar() {
    stProgress = new QLabel(this);
    stProgress->setObjectName(QStringLiteral("stProgress"));
    pbProgress = new QProgressBar(this);
    pbProgress->setObjectName(QStringLiteral("pbProgress"));
    pbProgress->setMaximumWidth(200);
    sbBreakLoading = new QToolButton(this);
    sbBreakLoading->setObjectName(QStringLiteral("sbBreakLoading"));
    sbBreakLoading->setText(QStringLiteral("Break"));
    connect(sbBreakLoading, &QToolButton::clicked, this, [this] { loadBreakRequested_ = true; });
    statusBar()->addWidget(stProgress, 1);
    statusBar()->addPermanentWidget(pbProgress);
    statusBar()->addPermanentWidget(sbBreakLoading);
    stProgress->hide();
    pbProgress->hide();
    sbBreakLoading->hide();
}

}  // namespace korvalen
