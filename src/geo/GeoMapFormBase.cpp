#include "geo/GeoMapFormBase.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <cmath>

#include "app/Dialogs.h"
#include "core/ProgramState.h"
#include "core/Translator.h"
#include "geo/CalibrationReader.h"
#include "geo/GeoMap.h"
#include "images/FileAccess.h"

namespace korvalen {

namespace {
constexpr double kResidualWarningPixels = 5;
}

GeoMapFormBase::GeoMapFormBase(ProgramState& state, Dialogs& dialogs, const char* name,
                               const QStringList& formats, QWidget* parent)
    : QDialog(parent), state_(state), dialogs_(dialogs) {
    setObjectName(QString::fromLatin1(name));
    setWindowTitle(QStringLiteral("Calibrate result_map"));
    resize(844, 535);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    auto* body = new QHBoxLayout;
    body->setSpacing(0);
    outer->addLayout(body, 1);

    // Map area: the display, the vertical bar on its panel, the horizontal bar, the corner.
    auto* mapArea = new QGridLayout;
    mapArea->setSpacing(0);
    gmMap = new TGeoMap(this);
    gmMap->setObjectName(QStringLiteral("gmMap"));
    gmMap->showGraticule = ShowGraticule::sgPoints;
    gmMap->SetMouseAction(MouseAction::maPan);
    gmMap->AntiAlias = true;
    gmMap->setCursor(Qt::ArrowCursor);
    gmMap->setMinimumSize(100, 100);
    pVer = new QWidget(this);
    pVer->setObjectName(QStringLiteral("pVer"));
    auto* verLayout = new QVBoxLayout(pVer);
    verLayout->setContentsMargins(0, 0, 0, 0);
    sbVer = new QScrollBar(Qt::Vertical, pVer);
    sbVer->setObjectName(QStringLiteral("sbVer"));
    verLayout->addWidget(sbVer);
    sbHor = new QScrollBar(Qt::Horizontal, this);
    sbHor->setObjectName(QStringLiteral("sbHor"));
    pVerHor = new QWidget(this);
    pVerHor->setObjectName(QStringLiteral("pVerHor"));
    pVerHor->setFixedSize(sbVer->sizeHint().width(), sbHor->sizeHint().height());
    mapArea->addWidget(gmMap, 0, 0);
    mapArea->addWidget(pVer, 0, 1);
    mapArea->addWidget(sbHor, 1, 0);
    mapArea->addWidget(pVerHor, 1, 1);
    pVer->hide();
    sbHor->hide();
    pVerHor->hide();
    body->addLayout(mapArea, 1);

    auto* right = new QWidget(this);
    right->setObjectName(QStringLiteral("pRight"));
    right->setFixedWidth(274);
    rightColumn_ = new QVBoxLayout(right);
    body->addWidget(right);

    lvCal = new QTreeWidget(right);
    lvCal->setObjectName(QStringLiteral("lvCal"));
    lvCal->setHeaderLabels({QStringLiteral("Pt."), QStringLiteral("Latitude"),
                            QStringLiteral("Longitude"), QStringLiteral("Pixel"),
                            QStringLiteral("Residual")});
    // The first column carries the point picture beside the number.
    const int widths[] = {44, 76, 76, 80, 110};
    for (int c = 0; c < 5; ++c)
        lvCal->setColumnWidth(c, widths[c]);
    lvCal->setRootIsDecorated(false);
    lvCal->setSelectionMode(QAbstractItemView::NoSelection);
    lvCal->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvCal->setStyleSheet(QStringLiteral("QTreeView::item { border: 1px solid #d0d0d0; }"));
    rightColumn_->addWidget(lvCal, 1);

    auto* zoomRow = new QHBoxLayout;
    sbZoomPlus = new QToolButton(right);
    sbZoomPlus->setObjectName(QStringLiteral("sbZoomPlus"));
    sbZoomPlus->setText(QStringLiteral("+"));
    sbZoomMinus = new QToolButton(right);
    sbZoomMinus->setObjectName(QStringLiteral("sbZoomMinus"));
    sbZoomMinus->setText(QStringLiteral("-"));
    for (QToolButton* b : {sbZoomPlus, sbZoomMinus}) {
        b->setFixedSize(32, 28);
        QFont f = b->font();
        f.setPointSize(14);
        f.setBold(true);
        b->setFont(f);
        zoomRow->addWidget(b);
    }
    zoomRow->addStretch(1);
    rightColumn_->addLayout(zoomRow);

    rgCalibrationFormat = new QGroupBox(QStringLiteral("Calibration_format"), right);
    rgCalibrationFormat->setObjectName(QStringLiteral("rgCalibrationFormat"));
    auto* formatLayout = new QVBoxLayout(rgCalibrationFormat);
    calibrationFormats = new QButtonGroup(this);
    for (int i = 0; i < formats.size(); ++i) {
        auto* item = new QRadioButton(formats[i], rgCalibrationFormat);
        item->setObjectName(QStringLiteral("rbFormat%1").arg(i + 1));
        calibrationFormats->addButton(item, i);
        formatLayout->addWidget(item);
    }
    calibrationFormats->button(0)->setChecked(true);
    rightColumn_->addWidget(rgCalibrationFormat);

    sbSaveCalibration = new QPushButton(QStringLiteral("Save calibration"), right);
    sbSaveCalibration->setObjectName(QStringLiteral("sbSaveCalibration"));
    rightColumn_->addWidget(sbSaveCalibration);

    statMap = new QStatusBar(this);
    statMap->setObjectName(QStringLiteral("statMap"));
    statMap->setSizeGripEnabled(false);
    const int panelWidths[] = {65, 65, 100, 100, 65, 50, 0};
    for (size_t i = 0; i < panels.size(); ++i) {
        panels[i] = new QLabel(statMap);
        panels[i]->setObjectName(QStringLiteral("statPanel%1").arg(i));
        panels[i]->setFrameShape(QFrame::Panel);
        panels[i]->setFrameShadow(QFrame::Sunken);
        if (panelWidths[i] > 0)
            panels[i]->setFixedWidth(panelWidths[i]);
        statMap->addWidget(panels[i], panelWidths[i] > 0 ? 0 : 1);
    }
    outer->addWidget(statMap);

    connect(sbZoomPlus, &QToolButton::clicked, this, &GeoMapFormBase::sbZoomPlusClick);
    connect(sbZoomMinus, &QToolButton::clicked, this, &GeoMapFormBase::sbZoomMinusClick);
    connect(gmMap, &TGeoMap::MouseMove, this, [this](QPoint p) { MapMouseMove(p); });
    connect(gmMap, &TGeoMap::Resized, this, &GeoMapFormBase::UpdateScrollBars);
    connect(sbHor, &QScrollBar::valueChanged, this, &GeoMapFormBase::ScrollBarMoved);
    connect(sbVer, &QScrollBar::valueChanged, this, &GeoMapFormBase::ScrollBarMoved);
}

bool GeoMapFormBase::LoadMap(const std::filesystem::path& image) {
    try {
        gmMap->LoadMapImage(image);
    } catch (const ESDLGeoMapError& e) {
        dialogs_.Error(QString::fromStdString(e.what()));
        return false;
    }
    if (gmMap->ImageWidth() == 0) {
        // A missing file, or one of another kind with no map shown before it.
        std::error_code ec;
        dialogs_.Error((std::filesystem::exists(image, ec) ? Text("Not a JPEG or bitmap file:")
                                                           : Text("File_not_found:")) +
                       QLatin1Char(' ') + QString::fromStdString(DisplayPath(image)));
        return false;
    }
    gmMap->ClearCalibration();
    imageFile_ = image;
    return true;
}

QString GeoMapFormBase::Text(const char* source) const {
    return QString::fromStdString(TranslateText(source, state_.Language()));
}
QString GeoMapFormBase::Text(const std::string& source) const {
    return Text(source.c_str());
}

QString GeoMapFormBase::Angle(double degrees) {
    return QString::number(degrees, 'f', 5) + QChar(0x00B0);
}

QString GeoMapFormBase::PixelText(int x, int y) {
    return QStringLiteral("%1/%2").arg(x).arg(y);
}

void GeoMapFormBase::FillRow(int row, int n, const tCalibPoint& point, bool showPixel) {
    while (lvCal->topLevelItemCount() <= row)
        new QTreeWidgetItem(lvCal);
    QTreeWidgetItem* item = lvCal->topLevelItem(row);
    item->setText(0, QString::number(n));
    item->setText(1, Angle(point.Lat));
    item->setText(2, Angle(point.Lon));
    item->setText(3, showPixel ? PixelText(point.X, point.Y) : QString());
    QString residual;
    QColor colour = palette().color(QPalette::Text);
    if (showPixel && gmMap->NumCalibPoints() >= 4) {
        const PointResidual r =
            gmMap->Calibration().ResidualOf({point.Lat, point.Lon, point.X, point.Y});
        residual = QStringLiteral("%1 px %2 m").arg(r.Pixels, 0, 'f', 1).arg(r.Metres, 0, 'f', 1);
        if (r.Pixels > kResidualWarningPixels)
            colour = Qt::red;
    }
    item->setText(4, residual);
    for (int c = 0; c < 5; ++c)
        item->setForeground(c, colour);
}

void GeoMapFormBase::ShowFitQuality() {
    if (gmMap->NumCalibPoints() < 4) {
        panels[6]->clear();
        return;
    }
    const PointResidual rms = gmMap->Calibration().RmsResidual();
    panels[6]->setText(
        QStringLiteral("RMS %1 px %2 m").arg(rms.Pixels, 0, 'f', 1).arg(rms.Metres, 0, 'f', 1));
    panels[6]->setStyleSheet(rms.Pixels > kResidualWarningPixels ? QStringLiteral("color: red")
                                                                 : QString());
}

bool GeoMapFormBase::CheckWrittenFile(const std::filesystem::path& file, int formatIndex,
                                      const ExpectedCalibration& expected) {
    std::string error;
    if (VerifyCalibrationFile(file, formatIndex, expected, error))
        return true;
    dialogs_.Error(Text("The written calibration_file does not match the map:") +
                   QLatin1Char('\n') + QString::fromStdString(error));
    return false;
}

void GeoMapFormBase::sbZoomPlusClick() {
    SetZoom(gmMap->Magnification() * kZoomStep);
}

void GeoMapFormBase::sbZoomMinusClick() {
    SetZoom(gmMap->Magnification() / kZoomStep);
}

void GeoMapFormBase::SetZoom(double zoom) {
    const double m = gmMap->Magnification();
    if (RoundHalfEvenToInt(100 * zoom) != RoundHalfEvenToInt(100 * m)) {
        const QPoint centre(RoundHalfEvenToInt(gmMap->width() / m / 2) + gmMap->PanX(),
                            RoundHalfEvenToInt(gmMap->height() / m / 2) + gmMap->PanY());
        gmMap->SetMouseAction(MouseAction::maPan);
        gmMap->BeginUpdate();
        gmMap->SetMagnification(zoom);
        gmMap->CenterOn(centre);
        gmMap->EndUpdate();
        UpdateScrollBars();
    }
    panels[4]->setText(QStringLiteral("%1%").arg(RoundHalfEvenToInt(100 * gmMap->Magnification())));
}

void GeoMapFormBase::UpdateScrollBars() {
    if (scrollUpdating_)
        return;
    scrollUpdating_ = true;
    const double m = gmMap->Magnification();
    const int visibleW = static_cast<int>(gmMap->width() / m);
    const int visibleH = static_cast<int>(gmMap->height() / m);
    const bool hor = gmMap->ImageWidth() > visibleW;
    const bool ver = gmMap->ImageHeight() > visibleH;
    if (hor) {
        sbHor->setRange(0, gmMap->ImageWidth() - visibleW);
        sbHor->setPageStep(std::max(1, visibleW));
        sbHor->setSingleStep(std::max(1, visibleW / 20));
        sbHor->setValue(gmMap->PanX());
    }
    if (ver) {
        sbVer->setRange(0, gmMap->ImageHeight() - visibleH);
        sbVer->setPageStep(std::max(1, visibleH));
        sbVer->setSingleStep(std::max(1, visibleH / 20));
        sbVer->setValue(gmMap->PanY());
    }
    sbHor->setVisible(hor);
    pVerHor->setVisible(hor);
    pVer->setVisible(ver);
    scrollUpdating_ = false;
}

void GeoMapFormBase::ScrollBarMoved() {
    if (scrollUpdating_)
        return;
    const double m = gmMap->Magnification();
    const int visibleW = static_cast<int>(gmMap->width() / m);
    const int visibleH = static_cast<int>(gmMap->height() / m);
    const int x = sbHor->isVisible() ? sbHor->value() : gmMap->PanX();
    const int y = pVer->isVisible() ? sbVer->value() : gmMap->PanY();
    gmMap->CenterOn(QPoint(x + visibleW / 2, y + visibleH / 2));
    UpdateScrollBars();
}

void GeoMapFormBase::MapMouseMove(QPoint screen) {
    const QPoint image = gmMap->ScreenToImage(screen);
    panels[0]->setText(QStringLiteral("X=%1").arg(image.x()));
    panels[1]->setText(QStringLiteral("Y=%1").arg(image.y()));
    if (ShowsCoordinates()) {
        panels[3]->setText(Angle(gmMap->PixelToLat(image.x(), image.y())));
        panels[2]->setText(Angle(gmMap->PixelToLon(image.x(), image.y())));
    } else {
        panels[2]->clear();
        panels[3]->clear();
    }
    UpdateScrollBars();
}

int GeoMapFormBase::FormatIndex() const {
    return calibrationFormats->checkedId() + 1;
}

void GeoMapFormBase::SetFormatIndex(int formatIndex) {
    if (QAbstractButton* b = calibrationFormats->button(formatIndex - 1))
        b->setChecked(true);
}

void GeoMapFormBase::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormActivate();
}

}  // namespace korvalen
