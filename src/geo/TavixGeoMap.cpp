#include "geo/TavixGeoMap.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/Dialogs.h"
#include "app/FormTranslation.h"
#include "app/MainWindowState.h"
#include "core/ProgramState.h"
#include "core/Translator.h"
#include "geo/CalibrationReader.h"
#include "geo/GeoMap.h"
#include "images/FileAccess.h"

namespace korvalen {
namespace {

// The picture of point n in state s (empty, coordinates known, placed).
QIcon PointPicture(int n, int state) {
    QPixmap pixmap(20, 20);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor fill[] = {QColor(200, 200, 200), QColor(255, 215, 0), QColor(40, 170, 60)};
    p.setBrush(fill[std::clamp(state, 0, 2)]);
    p.setPen(Qt::black);
    p.drawEllipse(1, 1, 18, 18);
    QFont f = p.font();
    f.setPixelSize(12);
    f.setBold(true);
    p.setFont(f);
    p.drawText(QRect(0, 0, 20, 20), Qt::AlignCenter, QString::number(n));
    return QIcon(pixmap);
}

// Where a corner lies on a W x H image: 1 (0, 0), 2 (W, 0), 3 (0, H), 4 (W, H).
QPoint CornerPixel(int n, int w, int h) {
    const PixelPos p = CalibPoints::FixedPixel(n, w, h);
    return {p.X, p.Y};
}

}  // namespace

TfGeoMap::TfGeoMap(ProgramState& state, Dialogs& dialogs, bool mapsAreJpeg, QWidget* parent)
    : GeoMapFormBase(state, dialogs, "fGeoMap",
                     {QStringLiteral("Ozi Explorer 2.2"), QStringLiteral("Touratech QV 4"),
                      QStringLiteral("GPS Tracker (Atlas)"), QStringLiteral("Global Mapper 1.0"),
                      QStringLiteral("Fugawi")},
                     parent),
      mapsAreJpeg_(mapsAreJpeg) {
    toolCalCorner = new QWidget(this);
    toolCalCorner->setObjectName(QStringLiteral("toolCalCorner"));
    auto* grid = new QVBoxLayout(toolCalCorner);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(2);
    const char* captions[] = {"1    top left", "2    top right", " 3   bottom left",
                              " 4   bottom right"};
    const char* hints[] = {"Top Left corner", "Top Right corner", "Bottom Left corner",
                           "Bottom Right corner"};
    for (int i = 0; i < 4; ++i) {
        QToolButton* b = new QToolButton(toolCalCorner);
        b->setObjectName(QStringLiteral("tbCal%1").arg(i + 1));
        b->setText(QString::fromLatin1(captions[i]));
        b->setToolTip(QString::fromLatin1(hints[i]));
        b->setCheckable(true);
        b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        b->setProperty("Tag", i + 1);
        connect(b, &QToolButton::clicked, this, [this, i] { tbCalClick(i + 1); });
        tbCal[static_cast<size_t>(i)] = b;
        grid->addWidget(b);
    }
    RightColumn()->insertWidget(0, toolCalCorner);
    lvCal->setColumnCount(5);

    connect(gmMap, &TGeoMap::MouseDown, this, &TfGeoMap::gmMapMouseDown);
    connect(sbSaveCalibration, &QPushButton::clicked, this, &TfGeoMap::sbSaveCalibrationClick);
}

bool TfGeoMap::Open(const std::filesystem::path& image,
                    const std::optional<std::array<LatLon, 4>>& corners) {
    if (!LoadMap(image))
        return false;
    CalibPoints& points = state_.Calibration.Points;
    for (int n = 1; n <= kCalibPointCount; ++n) {
        tCalibPoint& p = points[n];
        if (n <= 4 && corners) {
            p.Lat = (*corners)[static_cast<size_t>(n - 1)].Lat;
            p.Lon = (*corners)[static_cast<size_t>(n - 1)].Lon;
        }
        // The display starts empty: nothing of the table is placed on it yet. A point
        // whose coordinates are known stays "set", so the first click adds it.
        p.X = p.Y = kNotPlaced;
        if (p.State == kPointShown || (n <= 4 && corners))
            p.State = kPointSet;
        if (n > 4)
            p.State = kPointEmpty;
    }
    return true;
}

void TfGeoMap::FormActivate() {
    TranslateForm(this, state_.Language());
    SetZoom(1.0);
    panels[5]->clear();
    Calibrated = gmMap->NumCalibPoints() >= 4;
    sbSaveCalibration->setEnabled(Calibrated);
    ActivePoint = 0;
    RefreshList();
    CalibrationSaved = false;
    asked_ = false;
}

void TfGeoMap::RefreshList() {
    const CalibPoints& points = state_.Calibration.Points;
    for (int n = 1; n <= 4; ++n) {
        const tCalibPoint& p = points[n];
        const QIcon picture = PointPicture(n, p.State);
        tbCal[static_cast<size_t>(n - 1)]->setIcon(picture);
        FillRow(n - 1, n, p, p.State == kPointShown);
        lvCal->topLevelItem(n - 1)->setIcon(0, picture);
    }
    ShowFitQuality();
}

void TfGeoMap::LeavePlacing() {
    for (QToolButton* b : tbCal)
        b->setChecked(false);
    ActivePoint = 0;
    gmMap->setCursor(Qt::ArrowCursor);
    gmMap->SetMouseAction(MouseAction::maPan);
    gmMap->Repaint();
}

void TfGeoMap::tbCalClick(int n) {
    if (n < 1 || n > 4)
        return;
    if (n == ActivePoint) {
        LeavePlacing();
        panels[5]->clear();
        return;
    }
    for (QToolButton* b : tbCal)
        b->setChecked(false);
    tbCal[static_cast<size_t>(n - 1)]->setChecked(true);
    ActivePoint = n;
    gmMap->setCursor(Qt::CrossCursor);
    const tCalibPoint& p = state_.Calibration.Points[n];
    if (p.State == kPointShown) {
        gmMap->CenterOn(QPoint(p.X, p.Y));
        gmMap->StartRubberBand(gmMap->ImageToScreen(QPoint(p.X, p.Y)));
    } else {
        gmMap->CenterOn(CornerPixel(n, gmMap->ImageWidth(), gmMap->ImageHeight()));
    }
    UpdateScrollBars();
}

void TfGeoMap::gmMapMouseDown(Qt::MouseButton button, QPoint) {
    if (button != Qt::LeftButton || ActivePoint == 0)
        return;
    Place(ActivePoint, gmMap->LastMouseImagePos());
}

void TfGeoMap::Place(int n, QPoint pixel) {
    CalibPoints& points = state_.Calibration.Points;
    tCalibPoint& p = points[n];
    if (p.State != kPointShown) {
        if (!gmMap->AddCalibPoint(pixel.x(), pixel.y(), p.Lat, p.Lon)) {
            LeavePlacing();
            return;
        }
        p.X = pixel.x();
        p.Y = pixel.y();
        if (gmMap->NumCalibPoints() == 4) {
            for (int k = kTopMiddle; k <= kCentre; ++k) {
                points.Derive(k);
                points[k].State = kPointShown;
                gmMap->AddCalibPoint(points[k].X, points[k].Y, points[k].Lat, points[k].Lon);
            }
        }
    } else if (pixel != QPoint(p.X, p.Y)) {
        gmMap->ChangeCalibPoint(p.X, p.Y, pixel.x(), pixel.y(), p.Lat, p.Lon);
        p.X = pixel.x();
        p.Y = pixel.y();
        if (gmMap->NumCalibPoints() == 9) {
            for (int k = kTopMiddle; k <= kCentre; ++k) {
                int first = 0, second = 0;
                CalibPoints::DerivedFrom(k, first, second);
                if (first != n && second != n)
                    continue;
                const tCalibPoint old = points[k];
                points.Derive(k);
                gmMap->ChangeCalibPoint(old.X, old.Y, points[k].X, points[k].Y, points[k].Lat,
                                        points[k].Lon);
            }
        }
    }
    p.State = kPointShown;
    Calibrated = gmMap->NumCalibPoints() >= 4;
    sbSaveCalibration->setEnabled(Calibrated);
    RefreshList();
    LeavePlacing();
}

void TfGeoMap::sbSaveCalibrationClick() {
    const int format = FormatIndex();
    std::filesystem::path written;
    std::string error;
    const GeoCalibration& display = gmMap->Calibration();
    if (!WriteFormCalibrationFile(display, state_.Calibration.Points, imageFile_, format,
                                  mapsAreJpeg_, written, error)) {
        dialogs_.Error(Text("Calibration_file not_saved:") + QLatin1Char(' ') +
                       QString::fromStdString(error));
        return;
    }
    CalibrationSaved = true;
    state_.Calibration.Pending = false;
    dialogs_.ShowTimedMessage(
        {QString::fromStdString(FillPlaceholders(
             TranslateText("Calibration_file %s has_been saved", state_.Language()),
             {DisplayPath(written)})),
         3000, 12, this, QColor(0, 0, 255)});

    // The file carries the four placed points and the display's corners: read it back.
    ExpectedCalibration expected;
    expected.points = &state_.Calibration.Points;
    expected.corners = {display.CornerLatLon(ImageCorner::TopLeft),
                        display.CornerLatLon(ImageCorner::TopRight),
                        display.CornerLatLon(ImageCorner::BottomRight),
                        display.CornerLatLon(ImageCorner::BottomLeft)};
    expected.metresPerPixel = display.Resolution();
    expected.width = display.ImageWidth();
    expected.height = display.ImageHeight();
    CheckWrittenFile(written, format, expected);
}

void TfGeoMap::AskToSave() {
    if (asked_ || !sbSaveCalibration->isEnabled() || CalibrationSaved)
        return;
    asked_ = true;
    Dialogs::Selection question;
    question.caption = Text("Save this calibration?");
    question.options = {Text("Save calibration")};
    if (dialogs_.SelectOption(question) == 1)
        sbSaveCalibrationClick();
}

void TfGeoMap::closeEvent(QCloseEvent* event) {
    AskToSave();
    event->accept();
    QDialog::closeEvent(event);
}

void TfGeoMap::reject() {
    AskToSave();
    QDialog::reject();
}

bool ShowGeoMapCalibration(QWidget* parent, ProgramState& state, Dialogs& dialogs,
                           const std::filesystem::path& image,
                           const std::optional<std::array<LatLon, 4>>& corners, bool mapsAreJpeg) {
    TfGeoMap form(state, dialogs, mapsAreJpeg, parent);
    if (!form.Open(image, corners))
        return false;
    form.exec();
    return true;
}

}  // namespace korvalen
