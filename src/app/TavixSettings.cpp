#include "app/TavixSettings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>
#include <QStyle>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/Dialogs.h"
#include "app/FormTranslation.h"
#include "app/LanguageFlags.h"
#include "core/ProgramState.h"
#include "core/Translator.h"

namespace korvalen {
namespace {

constexpr int kRatioItemOneToOne = 1;  // "1" in the ratio list
constexpr int kViewAreaMedium = 1;

QLabel* Label(const char* text, QWidget* parent) {
    return new QLabel(QString::fromUtf8(text), parent);
}

QSpinBox* SpinEdit(const char* name, int minimum, int maximum, QWidget* parent, int step = 1) {
    auto* spin = new QSpinBox(parent);
    spin->setObjectName(QString::fromLatin1(name));
    spin->setRange(minimum, maximum);
    spin->setSingleStep(step);
    return spin;
}

QCheckBox* CheckBox(const char* name, const char* text, QWidget* parent) {
    auto* check = new QCheckBox(QString::fromUtf8(text), parent);
    check->setObjectName(QString::fromLatin1(name));
    return check;
}

// A titled group of radio buttons; its items are the radio buttons in creation order.
QGroupBox* RadioGroup(const char* name, const char* title, std::initializer_list<const char*> items,
                      QWidget* parent, int columns = 1) {
    auto* group = new QGroupBox(QString::fromUtf8(title), parent);
    group->setObjectName(QString::fromLatin1(name));
    auto* layout = new QGridLayout(group);
    const int count = static_cast<int>(items.size());
    const int rows = (count + columns - 1) / columns;
    int item = 0;
    for (const char* text : items) {
        auto* radio = new QRadioButton(QString::fromUtf8(text), group);
        radio->setObjectName(QStringLiteral("%1Item%2").arg(group->objectName()).arg(item));
        layout->addWidget(radio, item % rows, item / rows);
        ++item;
    }
    return group;
}

QToolButton* FolderButton(const QString& name, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setIcon(button->style()->standardIcon(QStyle::SP_DirOpenIcon));
    button->setText(QStringLiteral("..."));
    return button;
}

// Radio groups and the ratio list fall back to a fixed item for values they cannot show.
int IndexOr(int index, int count, int fallback) {
    return index >= 0 && index < count ? index : fallback;
}

int RadioCount(const QGroupBox* group) {
    return static_cast<int>(group->findChildren<QRadioButton*>(Qt::FindDirectChildrenOnly).size());
}

void LoadRadio(QGroupBox* group, int index, int fallback = 0) {
    TfTavixSettings::SetItemIndex(group, IndexOr(index, RadioCount(group), fallback));
}

QColor FromColorRef(uint32_t color) {
    return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
}

uint32_t ToColorRef(const QColor& colour) {
    return static_cast<uint32_t>(colour.red()) | static_cast<uint32_t>(colour.green()) << 8 |
           static_cast<uint32_t>(colour.blue()) << 16;
}

// A quality spin edit with the two hints that explain its scale.
QWidget* QualityRow(QSpinBox* spin, QWidget* parent) {
    auto* row = new QWidget(parent);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(spin);
    auto* hints = new QVBoxLayout;
    hints->setSpacing(0);
    hints->addWidget(Label("  1=poor picture_quality, low file_size ", row));
    hints->addWidget(Label("100=best picture_quality, high file_size", row));
    layout->addLayout(hints);
    layout->addStretch();
    return row;
}

}  // namespace

TfTavixSettings::TfTavixSettings(ProgramState& state, Dialogs& dialogs, QWidget* mainWindow)
    : QDialog(mainWindow), state_(state), dialogs_(dialogs), mainWindow_(mainWindow) {
    setObjectName(QStringLiteral("fTavixSettings"));
    setWindowTitle(QStringLiteral("Settings"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowStaysOnTopHint);
    setModal(false);

    pcSettings = new QTabWidget(this);
    pcSettings->setObjectName(QStringLiteral("pcSettings"));
    pcSettings->addTab(BuildFilesPage(), QStringLiteral("Files"));
    pcSettings->addTab(BuildDefaultsPage(), QStringLiteral("Defaults"));
    pcSettings->addTab(BuildPreferencesPage(), QStringLiteral("Preferences"));
    pcSettings->addTab(BuildValuesPage(), QStringLiteral("Values"));
    pcSettings->addTab(BuildActionsPage(), QStringLiteral("Actions"));
    pcSettings->addTab(BuildPlusPage(), QStringLiteral("Plus"));
    pcSettings->setCurrentIndex(PageFiles);

    bbAccept = new QPushButton(QStringLiteral("Accept"), this);
    bbAccept->setObjectName(QStringLiteral("bbAccept"));
    bbAccept->setDefault(true);
    bbAccept->setIcon(style()->standardIcon(QStyle::SP_DialogApplyButton));
    connect(bbAccept, &QPushButton::clicked, this, &TfTavixSettings::accept);
    bbAbort = new QPushButton(QStringLiteral("Abort"), this);
    bbAbort->setObjectName(QStringLiteral("bbAbort"));
    bbAbort->setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton));
    connect(bbAbort, &QPushButton::clicked, this, &TfTavixSettings::reject);

    auto* buttons = new QVBoxLayout;
    buttons->addSpacing(pcSettings->tabBar()->sizeHint().height());
    buttons->addWidget(bbAccept);
    buttons->addWidget(bbAbort);
    buttons->addStretch();
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(pcSettings, 1);
    layout->addLayout(buttons);

    displayLanguage_ = state_.Language();
    TranslateForm(this, displayLanguage_);
    LoadControls();
}

QWidget* TfTavixSettings::BuildLanguageGroup() {
    auto* group = new QGroupBox(QStringLiteral("Language"));
    group->setObjectName(QStringLiteral("gbLanguage"));
    auto* layout = new QHBoxLayout(group);
    auto addLanguage = [&](int language, const char* text, const char* radioName,
                           const char* flagName) {
        auto* flag = new QToolButton(group);
        flag->setObjectName(QString::fromLatin1(flagName));
        flag->setIcon(LanguageFlag(language));
        flag->setIconSize(kFlagSize);
        flag->setAutoRaise(true);
        auto* radio = new QRadioButton(QString::fromUtf8(text), group);
        radio->setObjectName(QString::fromLatin1(radioName));
        connect(flag, &QToolButton::clicked, this, [this, language] { ChooseLanguage(language); });
        connect(radio, &QRadioButton::clicked, this,
                [this, language] { ChooseLanguage(language); });
        layout->addWidget(flag);
        layout->addWidget(radio);
        layout->addSpacing(24);
        return radio;
    };
    rbEnglish = addLanguage(kLanguageEnglish, "english", "rbEnglish", "iEnglishFlag");
    rbGerman = addLanguage(kLanguageGerman, "german", "rbGerman", "iGermanFlag");
    layout->addStretch();
    return group;
}

QWidget* TfTavixSettings::FolderRow(const char* labelText, const char* name, QLineEdit*& field,
                                    std::string Settings::*folder) {
    auto* row = new QWidget;
    auto* layout = new QGridLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setVerticalSpacing(2);
    QLabel* label = Label(labelText, row);
    field = new QLineEdit(row);
    field->setObjectName(QStringLiteral("le%1").arg(QString::fromLatin1(name)));
    field->setMinimumWidth(320);
    label->setBuddy(field);
    QToolButton* button = FolderButton(QStringLiteral("sb%1").arg(QString::fromLatin1(name)), row);
    layout->addWidget(label, 0, 0, 1, 2);
    layout->addWidget(field, 1, 0);
    layout->addWidget(button, 1, 1);
    QLineEdit* target = field;
    connect(button, &QToolButton::clicked, this,
            [this, folder, target, label] { ChooseFolderFor(folder, target, label->text()); });
    return row;
}

QWidget* TfTavixSettings::BuildFilesPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("tsFiles"));
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(BuildLanguageGroup());
    layout->addWidget(FolderRow("Single_maps_directory", "SingleMapsDirectory",
                                leSingleMapsDirectory, &Settings::singleMapsDirectory));
    layout->addWidget(FolderRow("Tavixed_maps_directory", "TavixedMapsDirectory",
                                leTavixedMapsDirectory, &Settings::tavixedMapsDirectory));
    layout->addWidget(FolderRow("Placemarks_directory", "PlacemarksDirectory",
                                lePlacemarksDirectory, &Settings::PlacemarksDirectory));
    cbSingleMaps8bit = CheckBox("cbSingleMaps8bit", "Single_maps with 256 colors (8 bit)", page);
    layout->addWidget(cbSingleMaps8bit);
    rgPixelFormat =
        RadioGroup("rgPixelFormat", "Pixel_format of_tavixed_map",
                   {"24 Bits", "  8 Bits  (256 colors)", "  4 Bits    (16 colors)"}, page);
    layout->addWidget(rgPixelFormat);
    layout->addStretch();
    return page;
}

QWidget* TfTavixSettings::BuildDefaultsPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("tsDefaults"));
    auto* layout = new QGridLayout(page);
    layout->setColumnStretch(2, 1);
    int row = 0;

    seDefaultRows = SpinEdit("seDefaultRows", 1, 99, page);
    seDefaultCols = SpinEdit("seDefaultCols", 1, 99, page);
    auto* size = new QHBoxLayout;
    size->addWidget(seDefaultRows);
    size->addWidget(Label("rows", page));
    size->addSpacing(16);
    size->addWidget(seDefaultCols);
    size->addWidget(Label("columns", page));
    size->addStretch();
    layout->addWidget(Label("Map_matrix_size:", page), row, 0);
    layout->addLayout(size, row++, 1, 1, 2);

    cbViewSingleMaps = CheckBox("cbViewSingleMaps", "View single_maps", page);
    layout->addWidget(cbViewSingleMaps, row++, 0, 1, 3);

    eDisaccordColor = new QLineEdit(page);
    eDisaccordColor->setObjectName(QStringLiteral("eDisaccordColor"));
    eDisaccordColor->setReadOnly(true);
    eDisaccordColor->setFocusPolicy(Qt::NoFocus);
    eDisaccordColor->setAlignment(Qt::AlignCenter);
    eDisaccordColor->setFixedWidth(eDisaccordColor->fontMetrics().horizontalAdvance("$00WWWWWW") +
                                   24);
    auto* colourButton = new QToolButton(page);
    colourButton->setObjectName(QStringLiteral("sbDisaccordColor"));
    colourButton->setText(QStringLiteral("..."));
    connect(colourButton, &QToolButton::clicked, this, &TfTavixSettings::ChooseDisaccordColour);
    auto* colour = new QHBoxLayout;
    colour->addWidget(eDisaccordColor);
    colour->addWidget(colourButton);
    colour->addStretch();
    layout->addWidget(Label("Color for disaccord_pixels in preview", page), row, 0);
    layout->addLayout(colour, row++, 1, 1, 2);

    seProximity = SpinEdit("seProximity", 0, 16, page);
    layout->addWidget(Label("Proximity_size for searching_of target_correlation", page), row, 0);
    layout->addWidget(seProximity, row++, 1);

    seCompressionQuality = SpinEdit("seCompressionQuality", 1, 100, page);
    layout->addWidget(Label("Jpeg compression_quality ", page), row, 0);
    layout->addWidget(QualityRow(seCompressionQuality, page), row++, 1, 1, 2);

    rgDistanceUnits =
        RadioGroup("rgDistanceUnits", "Distance_units", {"Kilometers", "Miles"}, page);
    layout->addWidget(rgDistanceUnits, row++, 0, 1, 2);
    layout->setRowStretch(row, 1);
    return page;
}

QWidget* TfTavixSettings::BuildPreferencesPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("tsPreferences"));
    auto* layout = new QGridLayout(page);
    rgMapsSequence = RadioGroup("rgMapsSequence", "Maps_sequence", {"Rows", "Columns"}, page);
    rgOrderOfMapFiles = RadioGroup(
        "rgOrderOfMapFiles", "Order of map_files",
        {"alphabetical order", "A1 pattern", "1A pattern", "11 pattern", "AA pattern"}, page);
    rgJoiningAlgorithm = RadioGroup(
        "rgJoiningAlgorithm", "Joining_algorithm",
        {"self-search", "define search_band ", "join_points only on_first horiz./vertically_tavix",
         "set join_points ever", "manually_move_map"},
        page);
    layout->addWidget(rgMapsSequence, 0, 0);
    layout->addWidget(rgOrderOfMapFiles, 1, 0);
    layout->addWidget(rgJoiningAlgorithm, 0, 1, 2, 1, Qt::AlignTop);
    layout->setRowStretch(2, 1);
    layout->setColumnStretch(2, 1);
    return page;
}

QWidget* TfTavixSettings::BuildValuesPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("tsValues"));
    auto* layout = new QVBoxLayout(page);

    auto* correlation = new QGroupBox(QStringLiteral("Correlation"), page);
    correlation->setObjectName(QStringLiteral("gbCorrelation"));
    auto* correlationLayout = new QGridLayout(correlation);
    seMinimumCorrelation = SpinEdit("seMinimumCorrelation", 20, 100, correlation);
    QFont bold = seMinimumCorrelation->font();
    bold.setBold(true);
    seMinimumCorrelation->setFont(bold);
    QPalette red = seMinimumCorrelation->palette();
    red.setColor(QPalette::Text, Qt::red);
    seMinimumCorrelation->setPalette(red);
    seSpreadingTolerance = SpinEdit("seSpreadingTolerance", 0, 32, correlation);
    correlationLayout->addWidget(Label("Minimum correlation for self-search (in %)", correlation),
                                 0, 0);
    correlationLayout->addWidget(seMinimumCorrelation, 0, 1);
    correlationLayout->addWidget(
        Label("Spreading_tolerance for pixel_comparison (0=exact value / 255=any value)",
              correlation),
        1, 0);
    correlationLayout->addWidget(seSpreadingTolerance, 1, 1);
    correlationLayout->setColumnStretch(2, 1);
    layout->addWidget(correlation);

    auto* band = new QGroupBox(QStringLiteral("Search_band_dimension"), page);
    band->setObjectName(QStringLiteral("gbSearchBandDimension"));
    auto* bandLayout = new QGridLayout(band);
    seSearchBandAcross = SpinEdit("seSearchBandAcross", 10, 250, band, 5);
    seSearchBandAlong = SpinEdit("seSearchBandAlong", 10, 250, band, 5);
    bandLayout->addWidget(Label("Across_the tavixing_direction", band), 0, 0);
    bandLayout->addWidget(seSearchBandAcross, 0, 1);
    bandLayout->addWidget(Label("Along_the tavixing_direction", band), 1, 0);
    bandLayout->addWidget(seSearchBandAlong, 1, 1);
    bandLayout->setColumnStretch(2, 1);
    layout->addWidget(band);

    cobTargetAreaRatio = new QComboBox(page);
    cobTargetAreaRatio->setObjectName(QStringLiteral("cobTargetAreaRatio"));
    cobTargetAreaRatio->addItems({"0,5", "1", "1,5", "2", "2,5", "3", "3,5", "4", "4,5", "5"});
    auto* ratio = new QHBoxLayout;
    ratio->addWidget(Label("Size of target_area in_ratio_of search_band", page));
    ratio->addWidget(cobTargetAreaRatio);
    ratio->addWidget(Label(":1", page));
    ratio->addStretch();
    layout->addLayout(ratio);

    auto* overlap =
        new QGroupBox(QStringLiteral("Approximate overlap_size of single_maps (pixel)"), page);
    overlap->setObjectName(QStringLiteral("gbOverlapSize"));
    auto* overlapLayout = new QGridLayout(overlap);
    seHorizontalOverlap = SpinEdit("seHorizontalOverlap", 10, 10000, overlap);
    seVerticalOverlap = SpinEdit("seVerticalOverlap", 10, 10000, overlap);
    overlapLayout->addWidget(Label("Horizontally", overlap), 0, 0);
    overlapLayout->addWidget(seHorizontalOverlap, 0, 1);
    overlapLayout->addWidget(Label("Vertically", overlap), 1, 0);
    overlapLayout->addWidget(seVerticalOverlap, 1, 1);
    overlapLayout->setColumnStretch(2, 1);
    layout->addWidget(overlap);

    seGridPatternOverlap = SpinEdit("seGridPatternOverlap", 10, 25, page);
    auto* grid = new QHBoxLayout;
    grid->addWidget(Label("Grid_pattern_images overlapping:  (10 - 25%)", page));
    grid->addWidget(seGridPatternOverlap);
    grid->addStretch();
    layout->addLayout(grid);

    // How a join finds its overlap and compares pixels.
    auto* joining = new QGroupBox(QStringLiteral("Overlap_and_comparison"), page);
    joining->setObjectName(QStringLiteral("gbOverlapAndComparison"));
    auto* joiningLayout = new QVBoxLayout(joining);
    cbEstimateOverlap = CheckBox("cbEstimateOverlap", "Estimate_overlap_from_the_maps", joining);
    cbBandOnDetail = CheckBox("cbBandOnDetail", "Place_search_band_on_detail", joining);
    rgComparison =
        RadioGroup("rgComparison", "Compare_pixels_by", {"palette_index", "brightness"}, joining);
    joiningLayout->addWidget(cbEstimateOverlap);
    joiningLayout->addWidget(cbBandOnDetail);
    joiningLayout->addWidget(rgComparison);
    layout->addWidget(joining);
    layout->addStretch();
    return page;
}

QWidget* TfTavixSettings::BuildActionsPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("tsActions"));
    auto* layout = new QVBoxLayout(page);
    rgContinueSearch = RadioGroup(
        "rgContinueSearch", "Minimum correlation has_been reached",
        {"Continue_self-search", "Decide whether continue_self-search", "Immediately tavix_maps"},
        page);
    layout->addWidget(rgContinueSearch);
    cbImmediateStart = CheckBox("cbImmediateStart", "Immediate start of_self-search", page);
    cbPauseAfter = CheckBox("cbPauseAfter", "Pause after every tavix", page);
    cbConfirmTavix = CheckBox("cbConfirmTavix", "Confirm before_tavix", page);
    cbTavixAfterJoin = CheckBox("cbTavixAfterJoin",
                                "After_setting_the join_points, immediately_start_tavix", page);
    cbComputeTotal =
        CheckBox("cbComputeTotal", "If preview selected, compute_and_show correlation", page);
    cbPreviewFirst =
        CheckBox("cbPreviewFirst",
                 "During_pause, show_preview at_least 80% correlation has_been_reached", page);
    for (QCheckBox* check : {cbImmediateStart, cbPauseAfter, cbConfirmTavix, cbTavixAfterJoin,
                             cbComputeTotal, cbPreviewFirst})
        layout->addWidget(check);
    layout->addStretch();
    return page;
}

QWidget* TfTavixSettings::BuildPlusPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("tsPlus"));
    auto* layout = new QGridLayout(page);
    layout->setColumnStretch(1, 1);

    cbAutoStart =
        CheckBox("cbAutoStart", "Open Google Earth immediately after the_program_starts", page);
    layout->addWidget(cbAutoStart, 0, 0, 1, 2);
    layout->addWidget(FolderRow("Map_image_directory", "MapImagesDirectory", leMapImagesDirectory,
                                &Settings::mapImagesDirectory),
                      1, 0, 1, 2);

    auto* left = new QVBoxLayout;
    rgViewArea = RadioGroup("rgViewArea", "View_area",
                            {"Small (256x256)", "Medium (512x512)", "Large(1024x1024)"}, page);
    left->addWidget(rgViewArea);
    rgPlusPixelFormat =
        RadioGroup("rgPlusPixelFormat", "Pixel format", {"24 Bits", "  8 Bits"}, page, 2);
    left->addWidget(rgPlusPixelFormat);
    cbSaveMapImage = CheckBox("cbSaveMapImage", "Save map_image automatically", page);
    cbSaveCalibration = CheckBox("cbSaveCalibration", "Save calibration automatically", page);
    left->addWidget(cbSaveMapImage);
    left->addWidget(cbSaveCalibration);
    left->addStretch();
    layout->addLayout(left, 2, 0);

    rgCalibFormat = RadioGroup("rgCalibFormat", "Calibration_format",
                               {"Ozi Explorer 2.2", "Touratech QV 4", "GPS Tracker (Atlas)",
                                "Global Mapper 1.0", "Fugawi", "World-file", "Mapinfo"},
                               page);
    layout->addWidget(rgCalibFormat, 2, 1, Qt::AlignLeft | Qt::AlignTop);

    auto* numbers = new QGridLayout;
    sePlusCompressionQuality = SpinEdit("sePlusCompressionQuality", 1, 100, page);
    numbers->addWidget(Label("Jpeg compression_quality ", page), 0, 0);
    numbers->addWidget(QualityRow(sePlusCompressionQuality, page), 0, 1);
    seCriticalNumOfPixels = SpinEdit("seCriticalNumOfPixels", 1, 999, page);
    auto* critical = new QHBoxLayout;
    critical->addWidget(seCriticalNumOfPixels);
    critical->addWidget(Label("millions", page));
    critical->addStretch();
    numbers->addWidget(Label("Critical number_of map_image_pixels", page), 1, 0);
    numbers->addLayout(critical, 1, 1);
    seMapImagesOverlap = SpinEdit("seMapImagesOverlap", 0, 50, page, 5);
    numbers->addWidget(Label("Map_images_overlapping:  (0 - 50%)", page), 2, 0);
    numbers->addWidget(seMapImagesOverlap, 2, 1, Qt::AlignLeft);
    // The map view's tiles: an MBTiles file, or a folder or a tile server's address typed in.
    leTileSource = new QLineEdit(page);
    leTileSource->setObjectName(QStringLiteral("leTileSource"));
    leTileSource->setPlaceholderText(
        QStringLiteral("tiles.mbtiles | /tiles | https://tile.example.org/{z}/{x}/{y}.png"));
    auto* tileRow = new QHBoxLayout;
    tileRow->addWidget(leTileSource, 1);
    QToolButton* tileButton = FolderButton(QStringLiteral("sbTileSource"), page);
    tileRow->addWidget(tileButton);
    connect(tileButton, &QToolButton::clicked, this, [this] {
        Dialogs::FileRequest request;
        request.title = QString::fromStdString(TranslateText("Tile_source", state_.Language()));
        request.filter = QStringLiteral("MBTiles|*.mbtiles");
        if (const auto chosen = dialogs_.OpenFile(request))
            leTileSource->setText(chosen->path);
    });
    numbers->addWidget(Label("Tile_source", page), 3, 0);
    numbers->addLayout(tileRow, 3, 1);
    numbers->setColumnStretch(1, 1);
    layout->addLayout(numbers, 3, 0, 1, 2);
    layout->setRowStretch(4, 1);
    return page;
}

int TfTavixSettings::ItemIndex(const QGroupBox* group) {
    const QList<QRadioButton*> items =
        group->findChildren<QRadioButton*>(Qt::FindDirectChildrenOnly);
    for (int i = 0; i < items.size(); ++i)
        if (items[i]->isChecked())
            return i;
    return -1;
}

void TfTavixSettings::SetItemIndex(QGroupBox* group, int index) {
    const QList<QRadioButton*> items =
        group->findChildren<QRadioButton*>(Qt::FindDirectChildrenOnly);
    if (index >= 0 && index < items.size())
        items[index]->setChecked(true);
}

void TfTavixSettings::ShowSettings() {
    // Asked again while open: to the front, keeping the edits not yet accepted.
    if (isVisible()) {
        BringToFront();
        return;
    }
    LoadControls();
    if (state_.Language() != displayLanguage_) {
        displayLanguage_ = state_.Language();
        TranslateForm(this, displayLanguage_);
    }
    adjustSize();
    show();
    CentreOnMainWindow();
    BringToFront();
}

void TfTavixSettings::BringToFront() {
    if (isMinimized())
        showNormal();
    raise();
    activateWindow();
}

void TfTavixSettings::CentreOnMainWindow() {
    QRect around;
    if (mainWindow_)
        around = mainWindow_->frameGeometry();
    else if (QScreen* screen = QGuiApplication::primaryScreen())
        around = screen->availableGeometry();
    if (!around.isValid())
        return;
    // The frame is known only once the window is shown; move() places the frame.
    QRect frame = frameGeometry();
    frame.moveCenter(around.center());
    move(frame.topLeft());
}

void TfTavixSettings::ShowSettingsPage(Page page) {
    pcSettings->setCurrentIndex(page);
    ShowSettings();
}

void TfTavixSettings::LoadControls() {
    Settings& s = state_.settings;
    if (s.tavixedMapPixelIx > 2)
        s.tavixedMapPixelIx = 1;

    (s.language == kLanguageGerman ? rbGerman : rbEnglish)->setChecked(true);
    leSingleMapsDirectory->setText(QString::fromStdString(s.singleMapsDirectory));
    leTavixedMapsDirectory->setText(QString::fromStdString(s.tavixedMapsDirectory));
    lePlacemarksDirectory->setText(QString::fromStdString(s.PlacemarksDirectory));
    cbSingleMaps8bit->setChecked(s.singleMaps8bit);
    LoadRadio(rgPixelFormat, s.tavixedMapPixelIx);

    seDefaultRows->setValue(s.defaultRows);
    seDefaultCols->setValue(s.defaultCols);
    cbViewSingleMaps->setChecked(s.showSingleMaps);
    ShowDisaccordColour();
    seProximity->setValue(s.proximity);
    seCompressionQuality->setValue(s.compressionQuality);
    LoadRadio(rgDistanceUnits, s.IsMetric ? 0 : 1);

    LoadRadio(rgMapsSequence, s.preferredMapfilesSequence - 1);
    LoadRadio(rgOrderOfMapFiles, s.preferredOrderOfMapfiles - 1);
    LoadRadio(rgJoiningAlgorithm, s.preferredAlgorithm - 1);

    seMinimumCorrelation->setValue(s.minimumCorrelation);
    seSpreadingTolerance->setValue(s.spreadingTolerance);
    seSearchBandAcross->setValue(s.SearchBandAcross);
    seSearchBandAlong->setValue(s.SearchBandAlong);
    cobTargetAreaRatio->setCurrentIndex(
        IndexOr(s.overlap - 1, cobTargetAreaRatio->count(), kRatioItemOneToOne));
    seHorizontalOverlap->setValue(s.horizontalOverlap);
    seVerticalOverlap->setValue(s.verticalOverlap);
    seGridPatternOverlap->setValue(s.Overlap);
    cbEstimateOverlap->setChecked(s.estimateOverlap);
    cbBandOnDetail->setChecked(s.bandOnDetail);
    LoadRadio(rgComparison, s.comparison, 1);

    LoadRadio(rgContinueSearch, s.continueSearch);
    cbImmediateStart->setChecked(s.immediateStart);
    cbPauseAfter->setChecked(s.pauseAfter);
    cbConfirmTavix->setChecked(s.confirmTavix);
    cbTavixAfterJoin->setChecked(s.tavixAfterJoin);
    cbComputeTotal->setChecked(s.computeTotal);
    cbPreviewFirst->setChecked(s.previewFirst);

    cbAutoStart->setChecked(s.autoStart);
    LoadRadio(rgViewArea, s.viewArea, kViewAreaMedium);
    leMapImagesDirectory->setText(QString::fromStdString(s.mapImagesDirectory));
    cbSaveMapImage->setChecked(s.saveMapImage);
    cbSaveCalibration->setChecked(s.saveCalibration);
    sePlusCompressionQuality->setValue(s.plusCompressionQuality);
    seCriticalNumOfPixels->setValue(s.criticalNumOfPixels);
    LoadRadio(rgPlusPixelFormat, s.pixelFormat8Bit ? 1 : 0);
    seMapImagesOverlap->setValue(s.mapImagesOverlap);
    LoadRadio(rgCalibFormat, s.calibFormat - 1);
    leTileSource->setText(QString::fromStdString(s.tileSource));
}

void TfTavixSettings::TakeValues() {
    // A number typed but not yet committed still counts.
    for (QSpinBox* spin : findChildren<QSpinBox*>())
        spin->interpretText();

    Settings& s = state_.settings;
    s.language = rbGerman->isChecked() ? kLanguageGerman : kLanguageEnglish;
    s.singleMapsDirectory = leSingleMapsDirectory->text().toStdString();
    s.tavixedMapsDirectory = leTavixedMapsDirectory->text().toStdString();
    s.PlacemarksDirectory = lePlacemarksDirectory->text().toStdString();
    s.singleMaps8bit = cbSingleMaps8bit->isChecked();
    s.tavixedMapPixelIx = static_cast<uint8_t>(ItemIndex(rgPixelFormat));

    s.defaultRows = seDefaultRows->value();
    s.defaultCols = seDefaultCols->value();
    s.showSingleMaps = cbViewSingleMaps->isChecked();
    s.proximity = seProximity->value();
    s.compressionQuality = static_cast<uint8_t>(seCompressionQuality->value());
    s.IsMetric = ItemIndex(rgDistanceUnits) == 0;

    s.preferredMapfilesSequence = ItemIndex(rgMapsSequence) + 1;
    s.preferredOrderOfMapfiles = ItemIndex(rgOrderOfMapFiles) + 1;
    s.preferredAlgorithm = ItemIndex(rgJoiningAlgorithm) + 1;

    s.minimumCorrelation = seMinimumCorrelation->value();
    s.spreadingTolerance = static_cast<uint8_t>(seSpreadingTolerance->value());
    s.SearchBandAcross = seSearchBandAcross->value();
    s.SearchBandAlong = seSearchBandAlong->value();
    s.overlap = static_cast<uint8_t>(cobTargetAreaRatio->currentIndex() + 1);
    s.horizontalOverlap = seHorizontalOverlap->value();
    s.verticalOverlap = seVerticalOverlap->value();
    s.Overlap = seGridPatternOverlap->value();
    s.estimateOverlap = cbEstimateOverlap->isChecked();
    s.bandOnDetail = cbBandOnDetail->isChecked();
    s.comparison = static_cast<uint8_t>(ItemIndex(rgComparison));

    s.continueSearch = static_cast<uint8_t>(ItemIndex(rgContinueSearch));
    s.immediateStart = cbImmediateStart->isChecked();
    s.pauseAfter = cbPauseAfter->isChecked();
    s.confirmTavix = cbConfirmTavix->isChecked();
    s.tavixAfterJoin = cbTavixAfterJoin->isChecked();
    s.computeTotal = cbComputeTotal->isChecked();
    s.previewFirst = cbPreviewFirst->isChecked();

    s.autoStart = cbAutoStart->isChecked();
    s.viewArea = static_cast<uint8_t>(ItemIndex(rgViewArea));
    s.mapImagesDirectory = leMapImagesDirectory->text().toStdString();
    s.saveMapImage = cbSaveMapImage->isChecked();
    s.saveCalibration = cbSaveCalibration->isChecked();
    s.plusCompressionQuality = static_cast<uint8_t>(sePlusCompressionQuality->value());
    s.criticalNumOfPixels = seCriticalNumOfPixels->value();
    s.pixelFormat8Bit = ItemIndex(rgPlusPixelFormat) == 1;
    s.mapImagesOverlap = seMapImagesOverlap->value();
    s.calibFormat = static_cast<uint8_t>(ItemIndex(rgCalibFormat) + 1);
    s.tileSource = leTileSource->text().trimmed().toStdString();
}

void TfTavixSettings::accept() {
    TakeValues();
    QDialog::accept();
    emit settingsAccepted();
}

void TfTavixSettings::reject() {
    QDialog::reject();
}

void TfTavixSettings::ChooseLanguage(int language) {
    if (language == displayLanguage_)
        return;
    (language == kLanguageGerman ? rbGerman : rbEnglish)->setChecked(true);
    displayLanguage_ = language;
    TranslateForm(this, displayLanguage_);
}

void TfTavixSettings::ChooseFolderFor(std::string Settings::*folder, QLineEdit* field,
                                      const QString& title) {
    const QString current = QString::fromStdString(state_.settings.*folder);
    const QString start =
        !current.isEmpty() && QDir(current).exists() ? current : QDir::currentPath();
    const std::optional<QString> chosen = dialogs_.ChooseFolder(title, start);
    if (!chosen || chosen->compare(current, Qt::CaseInsensitive) == 0)
        return;
    state_.settings.*folder = chosen->toStdString();
    field->setText(*chosen);
}

void TfTavixSettings::ChooseDisaccordColour() {
    const std::optional<QColor> chosen =
        dialogs_.ChooseColour(FromColorRef(state_.settings.disaccordColor));
    if (!chosen || !chosen->isValid())
        return;
    const uint32_t color = ToColorRef(*chosen);
    if (color == state_.settings.disaccordColor)
        return;
    state_.settings.disaccordColor = color;
    ShowDisaccordColour();
}

void TfTavixSettings::ShowDisaccordColour() {
    const QColor colour = FromColorRef(state_.settings.disaccordColor);
    eDisaccordColor->setText(QString::fromStdString(ColorToText(state_.settings.disaccordColor)));
    // Dark text on light colours and light text on dark ones keeps the name readable.
    const QColor text = qGray(colour.rgb()) > 128 ? Qt::black : Qt::white;
    eDisaccordColor->setStyleSheet(QStringLiteral("QLineEdit { background-color: %1; color: %2; }")
                                       .arg(colour.name(), text.name()));
}

}  // namespace korvalen
