// "&Calibrate map" in the main window: which form opens on which map with which points, and
// "Calibrate now" after saving a result.
#include <QApplication>
#include <QPushButton>
#include <QTimer>

#include "app/MainWindowFixture.h"
#include "geo/GeoMap.h"
#include "geo/TavixGeoMap.h"
#include "geo/TavixShowGeoMap.h"
#include "images/FileAccess.h"

namespace korvalen::test {
namespace {

namespace fs = std::filesystem;

class CalibrateCommand : public MainWindowFixture {
protected:
    QString formSeen;
    int pointsOnMap = -1;

    QTimer watcher;

    // Closes the calibration form as soon as it shows, noting which one it was.
    void CloseFormWhenShown() {
        watcher.setInterval(10);
        QObject::connect(&watcher, &QTimer::timeout, [this] {
            if (auto* form = qobject_cast<GeoMapFormBase*>(QApplication::activeModalWidget())) {
                formSeen = form->objectName();
                pointsOnMap = form->gmMap->NumCalibPoints();
                watcher.stop();
                form->close();
            }
        });
        watcher.start();
    }

    TfTavixMain& OpenWithSavedResult(bool geMode) {
        TfTavixMain& w = Open();
        const fs::path saved = dir / "result.jpg";
        w.ResultMap = MakeTestPicture(300, 200, 5);
        std::string error;
        EXPECT_TRUE(WriteJpegFile(saved, w.ResultMap, 85, error)) << error;
        w.SavedResultName = DisplayPath(saved);
        state.GEMode = geMode;
        state.CalibrateOffered = true;
        w.ShowResultPage();
        w.UpdateControls();
        Settle();
        return w;
    }
};

TEST_F(CalibrateCommand, CapturedMapOpensTheShowingFormWithItsSetPoints) {
    OpenWithSavedResult(true);
    CalibPoints& points = state.Calibration.Points;
    points[kTopLeft] = {47.6, 8.4, 0, 0, kPointSet};
    points[kTopRight] = {47.6, 8.6, 300, 0, kPointSet};
    points[kBottomLeft] = {47.5, 8.4, 0, 200, kPointSet};
    points[kBottomRight] = {47.5, 8.6, 300, 200, kPointSet};
    EXPECT_EQ(Find<QPushButton>("bbCalibrateMap")->text(), "Calibration");
    CloseFormWhenShown();
    Find<QPushButton>("bbCalibrateMap")->click();
    EXPECT_EQ(formSeen, "fShowGeoMap");
    EXPECT_EQ(pointsOnMap, 4);
    EXPECT_EQ(points[kTopLeft].State, kPointShown);
    EXPECT_EQ(points[kCentre].State, kPointEmpty);
    EXPECT_TRUE(dialogs.asked.filter("error").isEmpty());
}

TEST_F(CalibrateCommand, JoinedMapOpensTheHandCalibrationWithNothingPlaced) {
    TfTavixMain& w = OpenWithSavedResult(false);
    state.Calibration.Points[kTopLeft] = {47.6, 8.4, 0, 0, kPointShown};
    EXPECT_EQ(Find<QPushButton>("bbCalibrateMap")->text(), "&Calibrate map");
    CloseFormWhenShown();
    w.bbCalibrateMapClick();
    EXPECT_EQ(formSeen, "fGeoMap");
    EXPECT_EQ(pointsOnMap, 0);
    EXPECT_EQ(state.Calibration.Points[kTopLeft].X, kNotPlaced);
    EXPECT_EQ(state.Calibration.Points[kTopLeft].State, kPointSet);
    EXPECT_DOUBLE_EQ(state.Calibration.Points[kTopLeft].Lat, 47.6);
    EXPECT_TRUE(dialogs.selectionsAsked.empty());  // nothing placed: nothing to save
}

TEST_F(CalibrateCommand, AMissingSavedMapIsReportedAndNoFormOpens) {
    TfTavixMain& w = OpenWithSavedResult(false);
    fs::remove(dir / "result.jpg");
    CloseFormWhenShown();
    w.bbCalibrateMapClick();
    EXPECT_TRUE(formSeen.isEmpty());
    EXPECT_EQ(dialogs.asked.filter("error: ").size(), 1);
}

TEST_F(CalibrateCommand, CalibrateNowAfterSavingOpensTheFormOnTheSavedFile) {
    TfTavixMain& w = OpenWithSavedResult(false);
    dialogs.files.push_back(
        Dialogs::FileAnswer{QString::fromStdString(DisplayPath(dir / "new.jpg")), 0});
    dialogs.selections = {1};
    CloseFormWhenShown();
    w.bbSaveMapClick();
    EXPECT_EQ(formSeen, "fGeoMap");
    EXPECT_EQ(w.SavedResultName, DisplayPath(dir / "new.jpg"));
}

}  // namespace
}  // namespace korvalen::test
