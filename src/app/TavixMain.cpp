#include "app/TavixMain.h"

#include "app/HelpAddress.h"

#include <QAction>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QStackedWidget>
#include <QToolButton>
#include <QUrl>

#include "app/Dialogs.h"
#include "app/FormTranslation.h"
#include "app/MatrixPicture.h"
#include "app/TavixInfo.h"
#include "core/IniFile.h"
#include "core/ProgramState.h"
#include "core/SettingsLocation.h"
#include "core/Translator.h"
#include "geo/CalibrationWriter.h"

namespace korvalen {

TfTavixMain::TfTavixMain(ProgramState& state, Dialogs& dialogs, QWidget* parent)
    : QMainWindow(parent), state_(state), dialogs_(dialogs) {
    setObjectName(QStringLiteral("fTavixMain"));
    OpenUrl = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    setMinimumSize(660, 620);

    BuildMenus();
    pcTavixMaps = new QStackedWidget(this);
    pcTavixMaps->setObjectName(QStringLiteral("pcTavixMaps"));
    tsMaps = BuildSingleMapsPage();
    tsTavixedMap = BuildResultPage();
    pcTavixMaps->addWidget(tsMaps);
    pcTavixMaps->addWidget(tsTavixedMap);
    setCentralWidget(pcTavixMaps);
    BuildStatusBar();

    ReadSettingsFile();
    PlaceWindow();
    BaseCaption = QStringLiteral("Korvalen %1.%2")
                      .arg(kVersionMajor)
                      .arg(kVersionMinor, 2, 10, QLatin1Char('0'));
    setWindowTitle(BaseCaption);

    const Settings& settings = state_.settings;
    seNumRows->setValue(settings.defaultRows);
    seNumCols->setValue(settings.defaultCols);
    JoinedCount = 0;
    state_.ResultUnsaved = false;
    state_.Calibration.Pending = false;
    SavedResultName.clear();
    pcTavixMaps->setCurrentWidget(tsMaps);
    MapsLoaded = false;
    NewMatrix();
    UpdateControls();
    state_.GridPatternJoin = false;
    state_.CalibrateOffered = false;
    state_.GEMode = false;
    FirstActivation = true;

    TranslateForm(this, state_.Language());
    formTranslated_ = true;
    UpdateControls();
}

TfTavixMain::~TfTavixMain() = default;

bool TfTavixMain::ResultPageShown() const {
    return pcTavixMaps->currentWidget() == tsTavixedMap;
}

// Captions of controls stay in source form until the form has been translated once, so that
// the translation keeps their source texts and can switch languages later.
QString TfTavixMain::Caption(const char* source) const {
    return formTranslated_ ? Text(source) : QString::fromUtf8(source);
}

QString TfTavixMain::Text(const char* source) const {
    return QString::fromStdString(TranslateText(source, state_.Language()));
}

QPoint TfTavixMain::MatrixPanelCentre() const {
    return QPoint(x() + pMapMatrix->width() / 2, y() + pMapMatrix->height() / 2);
}

int TfTavixMain::AskSelection(const QString& caption, const QString& statement,
                              const QStringList& options, int defaultChoice) {
    Dialogs::Selection selection;
    selection.caption = caption;
    selection.statement = statement;
    selection.options = options;
    selection.fontSize = 8;
    selection.centre = MatrixPanelCentre();
    selection.defaultChoice = defaultChoice;
    return dialogs_.SelectOption(selection);
}

// ---- Settings file and window placement -----------------------------------------------------

void TfTavixMain::ReadSettingsFile() {
    IniFile ini;
    std::string error;
    if (!state_.settingsFile.empty() && !ini.Load(state_.settingsFile, error))
        startupError_ = Text("Error") + QStringLiteral(": ") + QString::fromStdString(error);
    ReadSettings(ini, state_.settings);
    webAddress_ = QString::fromStdString(ini.ReadString("application", "webAddress"));
}

void TfTavixMain::PlaceWindow() {
    const Settings& s = state_.settings;
    move(s.left, s.top);
    resize(s.width, s.height);
    // A window left on a screen that is gone would open out of reach.
    if (!QGuiApplication::screenAt(QRect(pos(), size()).center())) {
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            move(screen->availableGeometry().topLeft());
    }
    normalPlacement_ = QRect(pos(), size());
    if (s.maximized)
        setWindowState(windowState() | Qt::WindowMaximized);
}

void TfTavixMain::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    if (!(windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen)))
        normalPlacement_ = QRect(pos(), size());
}

void TfTavixMain::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    if (!(windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen)))
        normalPlacement_ = QRect(pos(), size());
}

// The placement written is the last normal one, so that a maximised window comes back
// maximised and still knows where to go when it is restored.
void TfTavixMain::WriteSettingsFile() {
    if (state_.settingsFile.empty())
        return;
    Settings& s = state_.settings;
    s.maximized = isMaximized();
    const QRect placement = s.maximized || isMinimized() ? normalPlacement_ : QRect(pos(), size());
    s.left = placement.x();
    s.top = placement.y();
    s.width = placement.width();
    s.height = placement.height();

    // Read again so that comments and keys of other versions in the file survive.
    IniFile ini;
    std::string error;
    if (!ini.Load(state_.settingsFile, error)) {
        // A file we cannot read is left as it is rather than replaced by a stripped copy.
        dialogs_.Error(Text("Error") + QStringLiteral(": ") + QString::fromStdString(error));
        return;
    }
    WriteSettings(s, ini);
    if (!EnsureSettingsFolder(state_.settingsFile, error) ||
        !ini.Save(state_.settingsFile, error)) {
        // The program still closes: keeping it open would not make the file writable.
        dialogs_.Error(Text("Error") + QStringLiteral(": ") + QString::fromStdString(error));
    }
}

// ---- Activation and closing -----------------------------------------------------------------

bool TfTavixMain::event(QEvent* event) {
    // The activation work opens dialogs, so it runs after the event is done. The first show
    // counts as an activation too: without a window manager no activation ever comes.
    const bool firstShow = event->type() == QEvent::Show && !shownOnce_;
    if (firstShow)
        shownOnce_ = true;
    if ((event->type() == QEvent::WindowActivate || firstShow) && !activationQueued_) {
        activationQueued_ = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                activationQueued_ = false;
                FormActivate();
            },
            Qt::QueuedConnection);
    }
    return QMainWindow::event(event);
}

void TfTavixMain::FormActivate() {
    if (inActivation_ || loadingMaps_)
        return;
    inActivation_ = true;
    Settings& settings = state_.settings;
    if (settings.LanguageUnset && !languageAsked_) {
        languageAsked_ = true;
        BuildMatrixPicture();
        const int choice = AskSelection(QStringLiteral("Language/Sprache"), QString(),
                                        {QStringLiteral("english"), QStringLiteral("deutsch")}, 0);
        if (choice == 2)
            settings.language = kLanguageGerman;
    }
    TranslateForm(this, state_.Language());
    formTranslated_ = true;
    UpdateControls();
    if (!startupError_.isEmpty()) {
        const QString error = startupError_;
        startupError_.clear();
        dialogs_.Error(error);
    }
    if (settings.autoStart && FirstActivation)
        OpenCaptureOnAutoStart();
    inActivation_ = false;
}

bool TfTavixMain::CloseQuery() {
    if (loadingMaps_) {
        loadBreakRequested_ = true;
        return false;
    }
    const bool unsaved =
        state_.ResultUnsaved || (state_.settings.saveCalibration && state_.Calibration.Pending);
    if (!unsaved)
        return true;
    // The break button has the focus: Enter alone must not throw away a result.
    return AskSelection(Text("The tavixed_map was not saved"), QString(),
                        {Text("discard_intermediate_result and close program")}, 0) == 1;
}

void TfTavixMain::closeEvent(QCloseEvent* event) {
    if (!CloseQuery()) {
        event->ignore();
        return;
    }
    WriteSettingsFile();
    event->accept();
}

// ---- Command states -------------------------------------------------------------------------

ControlInputs TfTavixMain::GatherControlInputs() const {
    const Settings& s = state_.settings;
    ControlInputs in;
    in.resultPageShown = ResultPageShown();
    in.resultMapExists = !ResultMap.IsEmpty();
    in.resultMap24Bit = in.resultMapExists && ResultMap.Format() == PixelFormat::Bits24;
    in.resultWidth = ResultMap.Width();
    in.resultHeight = ResultMap.Height();
    in.matrixPictureExists = MatrixImage != nullptr;
    if (const tSingleMap* active = Matrix.Cell(activeIndex_)) {
        in.activeMapExists = true;
        in.activeMapHasBitmap = active->Bitmap != nullptr;
        const std::u8string path = active->FilePath.u8string();
        in.activeMapFilePath.assign(path.begin(), path.end());
    }
    in.cellCount = Matrix.Size();
    in.allCellsHaveMaps = Matrix.AllCellsHaveMaps();
    in.joinedCount = JoinedCount;
    in.mapsLoaded = MapsLoaded;
    in.mapsAreJpeg = MapsAreJpeg;
    in.gridPatternJoin = state_.GridPatternJoin;
    in.geMode = state_.GEMode;
    in.calibrateOffered = state_.CalibrateOffered;
    in.savedResultNameEmpty = SavedResultName.empty();
    in.showSingleMaps = s.showSingleMaps;
    in.autoStart = s.autoStart;
    in.tavixQuality = s.compressionQuality;
    in.plusQuality = s.plusCompressionQuality;
    return in;
}

void TfTavixMain::UpdateControls() {
    // While maps are loaded every command is locked; the loader updates them when it is done.
    if (loadingMaps_)
        return;
    ApplyControlStates(ComputeControlStates(GatherControlInputs()));
}

void TfTavixMain::ApplyControlStates(const ControlStates& s) {
    const auto enable = [](std::initializer_list<QObject*> controls, bool on) {
        for (QObject* control : controls) {
            if (auto* widget = qobject_cast<QWidget*>(control))
                widget->setEnabled(on);
            else if (auto* action = qobject_cast<QAction*>(control))
                action->setEnabled(on);
        }
    };
    miSingleMaps->menuAction()->setVisible(s.singleMapsMenuVisible);
    miResultMap->menuAction()->setVisible(s.resultMapMenuVisible);
    miConvertBmpToJpeg->setEnabled(s.convertBmpToJpegEnabled);
    miGoogleEarth->setVisible(s.googleEarthVisible);
    pGoogleEarth->setVisible(s.googleEarthVisible);
    if (s.switchPageEnabled)
        miSwitchPage->setEnabled(*s.switchPageEnabled);
    if (s.ungovernedCommandsEnabled)
        enable({miNewMatrix, bbNewMatrix, miLoadGridPattern, bbLoadGridPattern, miShowMaps,
                bbShowMaps, bbHideMaps, miPlacemarkGrid, miGoogleEarth},
               *s.ungovernedCommandsEnabled);

    if (s.resultCommandsEnabled)
        enable({bbSaveMap, bbAdjustMap, miSaveResult, miAdjustResult, rgPixelFormat, rgFormat,
                pJpeg, bbNewGETavix},
               *s.resultCommandsEnabled);
    if (s.calibrateVisible)
        bbCalibrateMap->setVisible(*s.calibrateVisible);
    if (s.calibrateEnabled)
        bbCalibrateMap->setEnabled(*s.calibrateEnabled);
    if (s.calibrateCaption)
        bbCalibrateMap->setText(Caption(s.calibrateCaption->c_str()));
    if (s.overviewVisible)
        iMatrix->setVisible(*s.overviewVisible);
    if (s.newCaptureVisible)
        bbNewGETavix->setVisible(*s.newCaptureVisible);
    if (s.singleMapsButtonVisible)
        bbSingleMaps->setVisible(*s.singleMapsButtonVisible);
    if (s.jpegQuality) {
        const QSignalBlocker quiet(tbQuality);
        tbQuality->setValue(*s.jpegQuality);
        stQuality->setText(QString::number(*s.jpegQuality));
    }
    if (s.sizeText)
        stSize->setText(QString::fromStdString(*s.sizeText));
    if (s.pixelFormatVisible) {
        rgPixelFormat->setVisible(*s.pixelFormatVisible);
        if (*s.pixelFormatVisible)
            rbPixel24->setChecked(true);
    }
    if (s.formatJpegSelected)
        (*s.formatJpegSelected ? rbFormatJpeg : rbFormatBmp)->setChecked(true);
    if (s.jpegPanelVisible)
        pJpeg->setVisible(*s.jpegPanelVisible);

    if (s.loadAllMapsEnabled)
        enable({bbLoadAllMaps, miLoadAllMaps, sbGoogleEarth}, *s.loadAllMapsEnabled);
    if (s.showMapsButtonVisible)
        bbShowMaps->setVisible(*s.showMapsButtonVisible);
    if (s.hideMapsButtonVisible)
        bbHideMaps->setVisible(*s.hideMapsButtonVisible);
    if (s.showMapsMenuCaption) {
        miShowMaps->setText(Caption(("&" + *s.showMapsMenuCaption).c_str()));
        pmShowMaps->setText(Caption(s.showMapsMenuCaption->c_str()));
    }
    if (s.activeMapEnabled)
        enable({bbLoadMap, miActiveMap, miReloadMap}, *s.activeMapEnabled);
    if (s.activeMapCaption) {
        const QString caption = Caption(s.activeMapCaption->c_str());
        bbLoadMap->setText(caption);
        miActiveMap->setText(caption);
        pmActiveMap->setText(caption);
    }
    if (s.tavixMapsEnabled)
        enable({bbTavixMaps, miTavixMaps, miCompressAll}, *s.tavixMapsEnabled);
    if (s.continueEnabled)
        enable({bbContinueTavix, miContinueTavix}, *s.continueEnabled);
    if (s.changeAlgorithmEnabled)
        enable({bbChangeAlgorithm, miChangeAlgorithm}, *s.changeAlgorithmEnabled);
    if (s.resultMapEnabled)
        bbShowResult->setEnabled(*s.resultMapEnabled);
}

// ---- Keyboard -------------------------------------------------------------------------------

bool TfTavixMain::MoveActiveCellByKey(int key) {
    const tSingleMap* active = ActiveMap();
    if (!MatrixImage || !active)
        return false;
    int r = active->Row;
    int c = active->Col;
    switch (key) {
        case Qt::Key_PageUp:
            r = 1;
            break;
        case Qt::Key_PageDown:
            r = Rows();
            break;
        case Qt::Key_End:
            c = Cols();
            break;
        case Qt::Key_Home:
            c = 1;
            break;
        case Qt::Key_Left:
            c -= c > 1 ? 1 : 0;
            break;
        case Qt::Key_Up:
            r -= r > 1 ? 1 : 0;
            break;
        case Qt::Key_Right:
            c += c < Cols() ? 1 : 0;
            break;
        case Qt::Key_Down:
            r += r < Rows() ? 1 : 0;
            break;
        default:
            return false;
    }
    SelectCell(Matrix.CellIndex(r, c));
    return true;
}

namespace {

bool IsPlainKey(const QKeyEvent* event) {
    return (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}

}  // namespace

void TfTavixMain::keyPressEvent(QKeyEvent* event) {
    if (!ResultPageShown() && !loadingMaps_ && IsPlainKey(event) &&
        MoveActiveCellByKey(event->key())) {
        event->accept();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

// The buttons of the single-maps page would move the focus with the arrow keys; on this page
// those keys move the active cell instead. The spin edits keep their own keys.
bool TfTavixMain::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (!ResultPageShown() && !loadingMaps_ && IsPlainKey(key) &&
            MoveActiveCellByKey(key->key()))
            return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

// ---- Pages and small commands ---------------------------------------------------------------

void TfTavixMain::ShowSingleMapsPage() {
    pcTavixMaps->setCurrentWidget(tsMaps);
}

void TfTavixMain::ShowResultPage() {
    pcTavixMaps->setCurrentWidget(tsTavixedMap);
    iMap->SetBitmap(&ResultMap);
}

void TfTavixMain::miSwitchPageClick() {
    if (ResultPageShown())
        bbSingleMapsClick();
    else
        bbShowResultClick();
}

void TfTavixMain::bbShowResultClick() {
    if (loadingMaps_)
        return;
    ShowResultPage();
    ComposeResultMap();
    iMap->SetBitmap(&ResultMap);
    DrawMatrixOverview();
    UpdateControls();
}

void TfTavixMain::bbSingleMapsClick() {
    ShowSingleMapsPage();
    if (state_.GEMode)
        bbNewMatrixClick();
    BuildMatrixPicture();
    UpdateControls();
}

void TfTavixMain::SetSettingsCommand(std::function<void()> showSettings) {
    showSettings_ = std::move(showSettings);
}

void TfTavixMain::miSettingsClick() {
    if (showSettings_)
        showSettings_();
    UpdateControls();
}

void TfTavixMain::SettingsAccepted() {
    if (formTranslated_)
        TranslateForm(this, state_.Language());
    BuildMatrixPicture();
    UpdateControls();
}

void TfTavixMain::miAboutClick() {
    TfAbout about(true, this);
    TranslateForm(&about, state_.Language());
    about.exec();
}

void TfTavixMain::miHomepageClick() {
    const QUrl address = HelpAddress(webAddress_, QCoreApplication::applicationDirPath());
    if (address.isEmpty() || !OpenUrl || !OpenUrl(address))
        dialogs_.Error(Text("Error!"));
}

void TfTavixMain::tbQualityChange(int quality) {
    Settings& s = state_.settings;
    (state_.GEMode ? s.plusCompressionQuality : s.compressionQuality) =
        static_cast<uint8_t>(quality);
    stQuality->setText(QString::number(quality));
}

}  // namespace korvalen
