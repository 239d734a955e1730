#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <filesystem>

#include "app/MainWindowFixture.h"
#include "core/ProgramState.h"
#include "earth/CapturePlan.h"
#include "earth/ScriptedEarth.h"
#include "earth/TGEPanel.h"
#include "earth/TavixGE.h"
#include "earth/TavixGEMap.h"
#include "support/Screenshot.h"
#include "support/ScriptedDialogs.h"

namespace korvalen {
namespace {
namespace fs = std::filesystem;
using test::Shot;

// A connector that hands out one scripted globe and keeps a pointer to it for the test.
struct Globe {
    ScriptedEarth* earth = nullptr;
    int failures = 0;  // connections that fail before one succeeds
    int major = 5, minor = 0, build = 0;
    TGEPanel::Connector Connector() {
        return [this]() -> std::unique_ptr<EarthApplication> {
            if (failures > 0) {
                --failures;
                throw EarthError("no tiles");
            }
            auto e = std::make_unique<ScriptedEarth>();
            e->major = major;
            e->minor = minor;
            e->build = build;
            e->geometry.Width = 512;
            e->geometry.Height = 512;
            e->geometry.ReferenceLatitude = 47;
            earth = e.get();
            return e;
        };
    }
};

// Which versions pass is the plan's rule (its own table); the panel refuses the others with a
// message naming the least version.
TEST(GEPanel, AnOldBackendIsRefusedWithAMessage) {
    for (int build : {2415, 2416}) {
        test::ScriptedDialogs dialogs;
        Globe globe;
        globe.major = 4;
        globe.build = build;
        TGEPanel panel(globe.Connector(), dialogs, 0);
        panel.ConnectStep();
        panel.ConnectStep();
        const bool accepted = build == 2416;
        EXPECT_EQ(panel.Ready, accepted) << build;
        EXPECT_EQ(panel.Incompatible, !accepted);
        ASSERT_EQ(dialogs.asked.size(), accepted ? 0 : 1);
        if (!accepted) {
            EXPECT_TRUE(dialogs.asked[0].contains(QStringLiteral("4.0.2416")));
        }
    }
}

TEST(GEPanel, FiveFailedOpeningsGiveUpWithAMessage) {
    test::ScriptedDialogs dialogs;
    Globe globe;
    globe.failures = 100;
    TGEPanel panel(globe.Connector(), dialogs, 0);
    panel.StartConnect();
    for (int i = 0; i < 4; ++i)
        panel.ConnectStep();
    EXPECT_FALSE(panel.Incompatible);
    EXPECT_TRUE(panel.ConnectTimer.isActive());
    panel.ConnectStep();
    EXPECT_TRUE(panel.Incompatible);
    EXPECT_FALSE(panel.ConnectTimer.isActive());
    ASSERT_EQ(dialogs.asked.size(), 1);
    EXPECT_TRUE(dialogs.asked[0].contains(QStringLiteral("could not be established")));
    EXPECT_TRUE(dialogs.asked[0].contains(QStringLiteral("no tiles")));
}

TEST(GEPanel, ADisappearedViewIsReopenedWithoutClearingReady) {
    test::ScriptedDialogs dialogs;
    Globe globe;
    TGEPanel panel(globe.Connector(), dialogs, 0);
    panel.ConnectStep();
    panel.ConnectStep();
    ASSERT_TRUE(panel.Ready);
    globe.earth->mainHwnd = 0;
    panel.ConnectStep();
    EXPECT_EQ(panel.GetApplication(), nullptr);
    EXPECT_TRUE(panel.Ready);
    EXPECT_EQ(panel.ConnectTimer.interval(), 1500);
}

struct CaptureForm : testing::Test {
    ProgramState state;
    test::ScriptedDialogs dialogs;
    Bitmap resultMap;
    Globe globe;
    std::unique_ptr<TfTavixGE> form;

    void Open() {
        state.settings.mapImagesOverlap = 10;
        form = std::make_unique<TfTavixGE>(state, dialogs, resultMap, globe.Connector());
        form->ge->setFixedSize(512, 512);
        form->show();
        QCoreApplication::processEvents();
        for (int i = 0; i < 3 && !form->ge->Ready; ++i)
            form->ge->ConnectStep();
        ASSERT_TRUE(form->ge->Ready);
        ASSERT_EQ(form->Step, 1);
        globe.earth->camera.Range = 50000;
        form->Refresh();
    }
    // Both numbers at once, then one refresh.
    void Grid(int rows, int cols) {
        {
            const QSignalBlocker blockRows(form->seNumRows), blockCols(form->seNumCols);
            form->seNumRows->setValue(rows);
            form->seNumCols->setValue(cols);
        }
        form->Refresh();
    }
};

TEST_F(CaptureForm, StepsAndTheirButtons) {
    Open();
    Shot(form.get(), "capture-step1");
    EXPECT_EQ(form->windowTitle(),
              QStringLiteral("Step 2 - Estimate complete image section (eye alt+window size), "
                             "then press [Map]"));
    EXPECT_TRUE(form->bbMap->isVisible());
    EXPECT_FALSE(form->bbImages->isVisible());
    EXPECT_EQ(form->Altitude, 50000);
    EXPECT_EQ(form->TotalPxW, 512);

    form->bbMapClick();
    EXPECT_EQ(form->Step, 2);
    EXPECT_EQ(form->MapAltitude, 50000);
    ASSERT_NE(form->Overview(), nullptr);
    EXPECT_TRUE(form->Overview()->isVisible());
    // 1 x 1: the view size, the altitude unchanged.
    EXPECT_EQ(form->TotalPxW, 512);
    EXPECT_EQ(form->TotalPxH, 512);
    EXPECT_EQ(globe.earth->camera.Range, 50000);
    Shot(form.get(), "capture-step2");

    Grid(3, 5);
    EXPECT_EQ(form->TotalPxW, 2355);
    EXPECT_EQ(form->TotalPxH, 1433);
    EXPECT_EQ(globe.earth->camera.Range, 10000);
    EXPECT_EQ(form->Overview()->GridRows, 3);
    EXPECT_EQ(form->Overview()->GridCols, 5);
    EXPECT_EQ(form->eNumImages->text(), QStringLiteral("15"));
    Shot(form->Overview(), "overview-3x5");

    form->bbImagesClick();
    EXPECT_EQ(form->Step, 3);
    EXPECT_FALSE(form->Overview()->isVisible());
    EXPECT_TRUE(form->leMapName->text().startsWith(QStringLiteral("GE")));
    EXPECT_EQ(form->leMapName->text().size(), 12);
    // The camera shows the first image, its north-west corner on the framed area's.
    const ViewExtents first = globe.earth->GetViewExtents();
    EXPECT_NEAR(first.North, form->MapNorth, 1e-9);
    EXPECT_NEAR(first.West, form->MapWest, 1e-9);
    Shot(form.get(), "capture-step3");

    form->bbBackClick();
    EXPECT_EQ(form->Step, 2);
    EXPECT_TRUE(form->Overview()->isVisible());
    form->bbBackClick();
    EXPECT_EQ(form->Step, 1);
    EXPECT_EQ(globe.earth->camera.Range, 50000);
}

TEST_F(CaptureForm, NoAtThePixelWarningRestoresTheGrid) {
    state.settings.criticalNumOfPixels = 1;
    Open();
    form->bbMapClick();
    Grid(2, 2);  // 973 x 973: below a million
    ASSERT_EQ(form->Rows, 2);
    const double altitude = globe.earth->camera.Range;
    dialogs.confirmations = {false};
    Grid(3, 3);
    EXPECT_EQ(dialogs.asked.size(), 1);
    EXPECT_EQ(form->seNumRows->value(), 2);
    EXPECT_EQ(form->seNumCols->value(), 2);
    EXPECT_EQ(form->Rows, 2);
    EXPECT_EQ(globe.earth->camera.Range, altitude);
    EXPECT_FALSE(form->CriticalAccepted);
    // Yes accepts once for the life of the form.
    dialogs.confirmations = {true};
    Grid(3, 3);
    EXPECT_EQ(form->Rows, 3);
    EXPECT_TRUE(form->CriticalAccepted);
    Grid(4, 4);
    EXPECT_EQ(dialogs.asked.size(), 2);
}

TEST_F(CaptureForm, AltitudeButtonsAndKeys) {
    Open();
    form->sbAltitudeClick(1000);
    EXPECT_EQ(form->Altitude, 51000);
    form->sbAltitudeClick(-100);
    EXPECT_EQ(globe.earth->camera.Range, 50900);
    form->ge->setFocus();
    QTest::keyClick(form->ge, Qt::Key_PageUp);
    EXPECT_EQ(form->Altitude, std::round(50900 * 1.5));
}

TEST_F(CaptureForm, ScanFillsTheResultAndAllNinePoints) {
    Open();
    form->bbMapClick();
    Grid(2, 3);
    form->bbImagesClick();
    form->rb24Bit->setChecked(true);
    form->rgPixelFormatClick();
    form->bbScanClick();
    EXPECT_TRUE(form->ScanCompleted);
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(resultMap.Width(), ResultPixels(512, 3, 10));
    EXPECT_EQ(resultMap.Height(), ResultPixels(512, 2, 10));
    for (int k = 1; k <= 9; ++k)
        EXPECT_EQ(state.Calibration.Points[k].State, kPointSet) << k;
    EXPECT_TRUE(state.ResultUnsaved);
    EXPECT_TRUE(state.Calibration.Pending);
    EXPECT_EQ(form->ScanImages.size(), 6u);
}

TEST_F(CaptureForm, BreakDuringTheScanKeepsWhatWasScanned) {
    Open();
    form->bbMapClick();
    Grid(2, 2);
    form->bbImagesClick();
    globe.earth->streaming = std::deque<int>(1000, 50);  // the second view never finishes
    QTimer::singleShot(50, form.get(), [this] { form->bbBreakClick(); });
    dialogs.confirmations = {true};
    form->bbScanClick();
    EXPECT_FALSE(form->ScanCompleted);
    EXPECT_TRUE(form->ScanBroken);
    EXPECT_TRUE(state.ResultUnsaved);
    EXPECT_FALSE(form->isVisible());
    EXPECT_LT(form->ScanImages.size(), 4u);
}

TEST_F(CaptureForm, ClosingAsksUnlessTheScanCompleted) {
    Open();
    dialogs.confirmations = {false};
    form->close();
    EXPECT_TRUE(form->isVisible());
    dialogs.confirmations = {true};
    form->close();
    EXPECT_FALSE(form->isVisible());
}

TEST(Overview, CellsOverTheSnapshot) {
    TfTavixGEMap overview(0);
    Bitmap snapshot(512, 400, PixelFormat::Bits8);
    overview.SetSnapshot(512, 400, snapshot, 10);
    overview.show();
    overview.DrawGrid(1, 1);
    const QImage& one = overview.Picture();
    EXPECT_EQ(one.pixelColor(256, 399 - 0).red(), 255);  // the red outline over the cell
    overview.DrawGrid(2, 4);
    const QImage& picture = overview.Picture();
    EXPECT_EQ(picture.pixelColor(300, 300), QColor(Qt::white));  // the lower half is free
    EXPECT_EQ(picture.pixelColor(128, 50).red(), 128);           // a purple cell edge
}

using CaptureHandOver = test::MainWindowFixture;

TEST_F(CaptureHandOver, SavesTheMapAndItsCalibrationAndShowsTheResult) {
    const fs::path maps = dir / "maps";
    fs::create_directories(maps);
    WriteSettings("[application]\r\nlanguage=0\r\n[plus]\r\nmapImagesDirectory=" + maps.string() +
                  "\r\ncalibFormat=1\r\n");
    TfTavixMain& main = Open();
    Globe globe;
    main.CaptureConnector = globe.Connector();
    main.ExecCapture = [&](TfTavixGE& form) {
        form.ge->setFixedSize(256, 256);
        form.show();
        for (int i = 0; i < 3 && !form.ge->Ready; ++i)
            form.ge->ConnectStep();
        form.bbMapClick();
        form.seNumRows->setValue(2);
        form.seNumCols->setValue(2);
        form.Refresh();
        form.bbImagesClick();
        form.leMapName->setText(QStringLiteral("../escape"));
        form.bbScanClick();
    };
    main.sbGoogleEarthClick();
    EXPECT_TRUE(state.GEMode);
    EXPECT_TRUE(state.CalibrateOffered);
    EXPECT_TRUE(main.ResultPageShown());
    EXPECT_FALSE(state.ResultUnsaved);
    EXPECT_FALSE(state.Calibration.Pending);
    EXPECT_TRUE(fs::exists(maps / "___escape.jpg"));
    EXPECT_TRUE(fs::exists(maps / "___escape.map"));
    EXPECT_EQ(main.SavedResultName, (maps / "___escape.jpg").string());
    EXPECT_EQ(main.Rows(), 2);
    EXPECT_EQ(main.ResultMap.Width(), ResultPixels(256, 2, 10));
    ASSERT_GE(dialogs.timedMessages.size(), 3u);
    EXPECT_EQ(dialogs.timedMessages[0].text, QStringLiteral("Saving map"));
    EXPECT_TRUE(dialogs.timedMessages[1].text.contains(QStringLiteral("and calibration saved in")));
    EXPECT_EQ(dialogs.timedMessages[2].text, QStringLiteral("Loading map"));

    // A new capture over an unsaved result asks first; no answer leaves everything.
    state.ResultUnsaved = true;
    bool opened = false;
    main.ExecCapture = [&](TfTavixGE&) { opened = true; };
    main.bbNewGETavixClick();
    EXPECT_FALSE(opened);
    EXPECT_TRUE(state.ResultUnsaved);
}

TEST_F(CaptureHandOver, AClosedFormGoesBackToTheSingleMaps) {
    TfTavixMain& main = Open();
    Globe globe;
    main.CaptureConnector = globe.Connector();
    main.ExecCapture = [](TfTavixGE&) {};
    main.sbGoogleEarthClick();
    EXPECT_FALSE(state.GEMode);
    EXPECT_FALSE(main.ResultPageShown());
}

}  // namespace
}  // namespace korvalen
