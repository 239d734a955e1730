#include "geo/TavixShowGeoMap.h"

#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <algorithm>

#include "app/Dialogs.h"
#include "app/FormTranslation.h"
#include "app/MainWindowState.h"
#include "core/ProgramState.h"
#include "core/Translator.h"
#include "geo/CalibrationReader.h"
#include "geo/GeoMap.h"
#include "geo/Utm.h"
#include "images/FileAccess.h"

namespace korvalen {

TfShowGeoMap::TfShowGeoMap(ProgramState& state, Dialogs& dialogs, QWidget* parent)
    : GeoMapFormBase(state, dialogs, "fShowGeoMap",
                     {QStringLiteral("Ozi Explorer 2.2 (map)"),
                      QStringLiteral("Touratech QV 4 (cal)"), QStringLiteral("GPS Tracker (geo)"),
                      QStringLiteral("Global Mapper 1.0 (gmw)"), QStringLiteral("Fugawi (jpr)"),
                      QStringLiteral("World-file (jgw,bpw)"), QStringLiteral("Mapinfo (tab)")},
                     parent) {
    SetFormatIndex(std::clamp<int>(state_.settings.calibFormat, 1, 7));
    connect(sbSaveCalibration, &QPushButton::clicked, this, &TfShowGeoMap::sbSaveCalibrationClick);
}

bool TfShowGeoMap::Open(const std::filesystem::path& image) {
    if (!LoadMap(image))
        return false;
    CalibPoints& points = state_.Calibration.Points;
    for (int n = 1; n <= kCalibPointCount; ++n) {
        tCalibPoint& p = points[n];
        // Points shown on an earlier opening go on the map again: the display starts empty.
        if (p.State == kPointSet || p.State == kPointShown) {
            gmMap->AddCalibPoint(p.X, p.Y, p.Lat, p.Lon);
            p.State = kPointShown;
        }
    }
    return true;
}

void TfShowGeoMap::FormActivate() {
    TranslateForm(this, state_.Language());
    if (gmMap->ImageWidth() > 0 && gmMap->ImageHeight() > 0)
        SetZoom(std::min(double(gmMap->width()) / gmMap->ImageWidth(),
                         double(gmMap->height()) / gmMap->ImageHeight()));
    panels[5]->clear();
    RefreshList();
}

void TfShowGeoMap::RefreshList() {
    const CalibPoints& points = state_.Calibration.Points;
    for (int n = 1; n <= kCalibPointCount; ++n)
        FillRow(n - 1, n, points[n], true);
    ShowFitQuality();
}

void TfShowGeoMap::sbSaveCalibrationClick() {
    const int format = FormatIndex();
    std::filesystem::path written;
    std::string error;
    if (!WriteCalibrationFile(gmMap->ImageWidth(), gmMap->ImageHeight(), imageFile_, format,
                              state_.Calibration, written, error)) {
        dialogs_.Error(Text("Calibration_file not_saved:") + QLatin1Char(' ') +
                       QString::fromStdString(error));
        return;
    }
    dialogs_.ShowTimedMessage(
        {QString::fromStdString(FillPlaceholders(
             TranslateText("Calibration_file %s has_been saved", state_.Language()),
             {DisplayPath(written)})),
         5000, 12, this, QColor(0, 0, 255)});

    // The capture's file carries the table itself; its corners are points 1, 2, 4 and 3.
    const CalibPoints& points = state_.Calibration.Points;
    ExpectedCalibration expected;
    expected.points = &points;
    expected.corners = {LatLon{points[kTopLeft].Lat, points[kTopLeft].Lon},
                        LatLon{points[kTopRight].Lat, points[kTopRight].Lon},
                        LatLon{points[kBottomRight].Lat, points[kBottomRight].Lon},
                        LatLon{points[kBottomLeft].Lat, points[kBottomLeft].Lon}};
    expected.metresPerPixel = MapScaleMetresPerPixel(points);
    expected.width = gmMap->ImageWidth();
    expected.height = gmMap->ImageHeight();
    CheckWrittenFile(written, format, expected);
}

bool ShowCapturedMapCalibration(QWidget* parent, ProgramState& state, Dialogs& dialogs,
                                const std::filesystem::path& image) {
    TfShowGeoMap form(state, dialogs, parent);
    if (!form.Open(image))
        return false;
    form.exec();
    return true;
}

}  // namespace korvalen
