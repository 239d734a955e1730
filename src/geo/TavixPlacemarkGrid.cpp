#include "geo/TavixPlacemarkGrid.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "app/CommandGuards.h"
#include "app/Dialogs.h"
#include "app/FormTranslation.h"
#include "app/MainWindowState.h"
#include "core/ProgramState.h"
#include "core/Translator.h"
#include "geo/FormatDistance.h"
#include "images/FileAccess.h"

namespace korvalen {
namespace {

const QString kKmlFilter = QStringLiteral("KML Files (*.kml)|*.kml");

QLineEdit* ReadOnlyEdit(QWidget* parent, const char* name) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setReadOnly(true);
    edit->setMinimumWidth(110);
    return edit;
}

QSpinBox* Spin(QWidget* parent, const char* name, int low, int high, int value) {
    auto* spin = new QSpinBox(parent);
    spin->setObjectName(QString::fromLatin1(name));
    spin->setRange(low, high);
    spin->setValue(value);
    return spin;
}

QLabel* Label(QWidget* parent, const char* text) {
    return new QLabel(QString::fromUtf8(text), parent);
}

}  // namespace

TfPlacemarkGrid::TfPlacemarkGrid(ProgramState& state, Dialogs& dialogs, QWidget* parent)
    : QDialog(parent), state_(state), dialogs_(dialogs) {
    setObjectName(QStringLiteral("TfPlacemarkGrid"));
    setWindowTitle(QStringLiteral("Create Placemark_Grid_Pattern"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(BuildStep1());
    layout->addWidget(pStep2 = BuildStep2());
    layout->addWidget(pStep3 = BuildStep3());
    layout->addWidget(pStep4 = BuildStep4());
    layout->addWidget(pStep5 = BuildStep5());
    layout->addStretch();
    TranslateForm(this, state_.Language());
    RefreshDisplay();
}

QString TfPlacemarkGrid::Text(const char* source) const {
    return QString::fromStdString(TranslateText(source, state_.Language()));
}

QGroupBox* TfPlacemarkGrid::BuildStep1() {
    auto* box = new QGroupBox(QStringLiteral("   Step 1: Load placemark_file"), this);
    auto* row = new QHBoxLayout(box);
    bbLoad = new QPushButton(QStringLiteral("Load placemark_file"), box);
    bbLoad->setObjectName(QStringLiteral("bbLoad"));
    bbAbort = new QPushButton(QStringLiteral("Abort"), box);
    bbAbort->setObjectName(QStringLiteral("bbAbort"));
    row->addWidget(bbLoad);
    row->addStretch();
    row->addWidget(bbAbort);
    connect(bbLoad, &QPushButton::clicked, this, &TfPlacemarkGrid::bbLoadClick);
    connect(bbAbort, &QPushButton::clicked, this, &QDialog::reject);
    return box;
}

QGroupBox* TfPlacemarkGrid::BuildStep2() {
    auto* box = new QGroupBox(QStringLiteral("   Step 2: Verify placemark_file"), this);
    auto* grid = new QGridLayout(box);
    eLatTop = ReadOnlyEdit(box, "eLatTop");
    eLonLeft = ReadOnlyEdit(box, "eLonLeft");
    eLonRight = ReadOnlyEdit(box, "eLonRight");
    eLatBottom = ReadOnlyEdit(box, "eLatBottom");
    // The extent laid out as it lies on the map: top, left and right, bottom.
    grid->addWidget(eLatTop, 0, 1);
    grid->addWidget(eLonLeft, 1, 0);
    grid->addWidget(eLonRight, 1, 2);
    grid->addWidget(eLatBottom, 2, 1);
    lFileName = new QLabel(box);
    lFileName->setObjectName(QStringLiteral("lFileName"));
    lFileName->setAlignment(Qt::AlignCenter);
    grid->addWidget(lFileName, 1, 1);
    eEyeAlt = ReadOnlyEdit(box, "eEyeAlt");
    eImageWidth = ReadOnlyEdit(box, "eImageWidth");
    eImageHeight = ReadOnlyEdit(box, "eImageHeight");
    grid->addWidget(Label(box, "Eye_altitude:"), 0, 3);
    grid->addWidget(eEyeAlt, 0, 4);
    grid->addWidget(Label(box, "Size of_single_image:"), 1, 3, 1, 2);
    grid->addWidget(Label(box, "Width:"), 2, 3);
    grid->addWidget(eImageWidth, 2, 4);
    grid->addWidget(Label(box, "Height:"), 3, 3);
    grid->addWidget(eImageHeight, 3, 4);
    return box;
}

QGroupBox* TfPlacemarkGrid::BuildStep3() {
    auto* box = new QGroupBox(QStringLiteral("   Step 3: Define placemark_grid"), this);
    auto* grid = new QGridLayout(box);
    seTopRows = Spin(box, "seTopRows", 0, kMaxGrowth, 1);
    seBottomRows = Spin(box, "seBottomRows", 0, kMaxGrowth, 1);
    seLeftCols = Spin(box, "seLeftCols", 0, kMaxGrowth, 1);
    seRightCols = Spin(box, "seRightCols", 0, kMaxGrowth, 1);
    auto* root = new QLabel(QStringLiteral("root"), box);
    root->setObjectName(QStringLiteral("lRoot"));
    root->setAlignment(Qt::AlignCenter);
    root->setMinimumSize(64, 40);
    root->setStyleSheet(QStringLiteral("border: 2px solid red; color: red;"));
    grid->addWidget(seTopRows, 0, 1);
    grid->addWidget(seLeftCols, 1, 0);
    grid->addWidget(root, 1, 1);
    grid->addWidget(seRightCols, 1, 2);
    grid->addWidget(seBottomRows, 2, 1);

    seOverlapping = Spin(box, "seOverlapping", kMinOverlapping, kMaxOverlapping, 10);
    grid->addWidget(Label(box, "Percentage of  image_overlapping:"), 3, 0, 1, 2);
    grid->addWidget(seOverlapping, 3, 2);
    grid->addWidget(Label(box, "(10 - 25%)"), 3, 3);

    eNumCols = ReadOnlyEdit(box, "eNumCols");
    eNumRows = ReadOnlyEdit(box, "eNumRows");
    eGridWidth = ReadOnlyEdit(box, "eGridWidth");
    eGridHeight = ReadOnlyEdit(box, "eGridHeight");
    eNumImages = ReadOnlyEdit(box, "eNumImages");
    grid->addWidget(Label(box, "Columns:"), 0, 4);
    grid->addWidget(eNumCols, 0, 5);
    grid->addWidget(Label(box, "Rows:"), 1, 4);
    grid->addWidget(eNumRows, 1, 5);
    grid->addWidget(Label(box, "Size of_grid:"), 2, 4);
    auto* size = new QHBoxLayout;
    size->addWidget(eGridWidth);
    size->addWidget(eGridHeight);
    grid->addLayout(size, 2, 5);
    grid->addWidget(Label(box, "Num images:"), 3, 4);
    grid->addWidget(eNumImages, 3, 5);
    lHugeNumber = new QLabel(QStringLiteral("Warning! Huge number_of images"), box);
    lHugeNumber->setObjectName(QStringLiteral("lHugeNumber"));
    lHugeNumber->setStyleSheet(QStringLiteral("color: red;"));
    grid->addWidget(lHugeNumber, 4, 4, 1, 2);
    for (QSpinBox* spin : {seTopRows, seBottomRows, seLeftCols, seRightCols, seOverlapping})
        connect(spin, &QSpinBox::valueChanged, this, &TfPlacemarkGrid::RefreshDisplay);
    return box;
}

QGroupBox* TfPlacemarkGrid::BuildStep4() {
    auto* box = new QGroupBox(QStringLiteral("   Step 4: Generate calibration_placemarks"), this);
    auto* row = new QHBoxLayout(box);
    cbCalibrationPlacemarks = new QCheckBox(QStringLiteral("calibration_placemarks"), box);
    cbCalibrationPlacemarks->setObjectName(QStringLiteral("cbCalibrationPlacemarks"));
    cbCalibrationPlacemarks->setChecked(true);
    row->addWidget(cbCalibrationPlacemarks);
    return box;
}

QGroupBox* TfPlacemarkGrid::BuildStep5() {
    auto* box = new QGroupBox(QStringLiteral("   Step 5: Save placemark_grid_file"), this);
    auto* row = new QHBoxLayout(box);
    bbSave = new QPushButton(QStringLiteral("Save placemark_grid_file"), box);
    bbSave->setObjectName(QStringLiteral("bbSave"));
    row->addWidget(bbSave);
    row->addStretch();
    connect(bbSave, &QPushButton::clicked, this, &TfPlacemarkGrid::bbSaveClick);
    return box;
}

GridRequest TfPlacemarkGrid::Request() const {
    GridRequest r;
    r.TopRows = seTopRows->value();
    r.BottomRows = seBottomRows->value();
    r.LeftCols = seLeftCols->value();
    r.RightCols = seRightCols->value();
    r.Overlapping = seOverlapping->value();
    r.CalibrationPlacemarks = cbCalibrationPlacemarks->isChecked();
    return r;
}

void TfPlacemarkGrid::RefreshDisplay() {
    for (QGroupBox* step : {pStep2, pStep3, pStep4, pStep5})
        step->setVisible(Loaded);
    const QLocale locale;
    const char separator =
        locale.decimalPoint().isEmpty() ? '.' : locale.decimalPoint()[0].toLatin1();
    const bool metric = state_.settings.IsMetric;
    auto distance = [&](double metres, bool large) {
        return QString::fromStdString(
            FormatDistance(metres, metric, large, true, separator ? separator : '.'));
    };
    const GridRequest r = Request();
    const int images = r.NumRows() * r.NumCols();
    if (!Loaded) {
        for (QLineEdit* edit :
             {eLatTop, eLonLeft, eLonRight, eLatBottom, eEyeAlt, eImageWidth, eImageHeight,
              eNumCols, eNumRows, eGridWidth, eGridHeight, eNumImages})
            edit->clear();
        lFileName->clear();
        lHugeNumber->setVisible(false);
    } else {
        const RootView& v = Root.View;
        lFileName->setText(QString::fromStdString(PlacemarkFileName));
        eLatTop->setText(locale.toString(v.LatTop, 'f', 7));
        eLonLeft->setText(locale.toString(v.LonLeft, 'f', 7));
        eLonRight->setText(locale.toString(v.LonRight, 'f', 7));
        eLatBottom->setText(locale.toString(v.LatBottom, 'f', 7));
        eEyeAlt->setText(distance(Root.File.EyeAltitude, false));
        eImageWidth->setText(distance(static_cast<double>(v.ImageWidth), true));
        eImageHeight->setText(distance(static_cast<double>(v.ImageHeight), true));
        eNumCols->setText(QString::number(r.NumCols()));
        eNumRows->setText(QString::number(r.NumRows()));
        eGridWidth->setText(distance(
            static_cast<double>(GridExtent(r.NumCols(), v.ImageWidth, r.Overlapping)), true));
        eGridHeight->setText(distance(
            static_cast<double>(GridExtent(r.NumRows(), v.ImageHeight, r.Overlapping)), true));
        eNumImages->setText(QString::number(images));
        const bool huge = images >= kHugeImageCount;
        eNumImages->setStyleSheet(huge ? QStringLiteral("color: red;")
                                       : QStringLiteral("color: black;"));
        lHugeNumber->setVisible(huge);
    }
    cbCalibrationPlacemarks->setEnabled(Loaded && r.CalibrationPossible());
}

void TfPlacemarkGrid::bbLoadClick() {
    Dialogs::FileRequest request;
    request.title = Text("Load placemark_file");
    request.filter = kKmlFilter;
    request.folder = QString::fromStdString(state_.settings.PlacemarksDirectory);
    const std::optional<Dialogs::FileAnswer> answer = dialogs_.OpenFile(request);
    if (!answer)
        return;
    Loaded = false;
    Root = RootPlacemarkFile{};
    PlacemarkFileName.clear();
    RootPlacemarkFile root;
    std::string error;
    const std::filesystem::path path = ToPath(answer->path);
    if (LoadRootPlacemarkFile(path, root, error)) {
        Root = std::move(root);
        PlacemarkFileName = FromPath(path.filename()).toStdString();
        Loaded = true;
    } else if (error == kNoPlacemarkFile || error == kTooFewPlacemarks) {
        dialogs_.Message(Text(error.c_str()));
    } else {
        dialogs_.Error(Text("Error") + QStringLiteral(": ") + QString::fromStdString(error));
    }
    RefreshDisplay();
}

void TfPlacemarkGrid::bbSaveClick() {
    if (!Loaded)
        return;
    const GridFileNames names = GridFileNamesFor(
        PlacemarkFileName, ToPath(QString::fromStdString(state_.settings.PlacemarksDirectory)));
    Dialogs::FileRequest request;
    request.title = Text("Save placemark_grid_file");
    request.filter = kKmlFilter;
    request.folder = QString::fromStdString(state_.settings.PlacemarksDirectory);
    request.fileName = QString::fromStdString(DisplayPath(names.ProposedKml));
    const std::optional<Dialogs::FileAnswer> answer = dialogs_.SaveFile(request);
    if (!answer)
        return;
    const PlacemarkGrid grid = GrowPlacemarkGrid(Root.View, Request());
    const std::vector<std::string> lines =
        GridKmlLines(Root.File.Lines, names.Base, grid, Root.File.EyeAltitude);
    std::string error;
    if (!WritePlacemarkGrid(ToPath(answer->path), names.PatternFile, lines, grid.Pattern, error)) {
        dialogs_.Error(Text("Error") + QStringLiteral(": ") + QString::fromStdString(error));
        return;
    }
    Dialogs::TimedMessage message;
    message.text = QString::fromStdString(
        FillPlaceholders(TranslateText("The file %s saved.", state_.Language()),
                         {DisplayPath(ToPath(answer->path))}));
    message.intervalMs = 3000;
    message.area = this;
    dialogs_.ShowTimedMessage(message);
    accept();
}

}  // namespace korvalen
