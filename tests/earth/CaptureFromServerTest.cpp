// The capture form with a tile server as its source, and its way to the tile source setting.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QWheelEvent>
#include <cstring>
#include <filesystem>

#include "LocalHttpServer.h"
#include "TileFixture.h"
#include "app/MainWindowFixture.h"
#include "app/MatrixDrawing.h"
#include "app/SettingsCommands.h"
#include "app/TavixSettings.h"
#include "core/ProgramState.h"
#include "earth/CapturePlan.h"
#include "earth/ScriptedEarth.h"
#include "earth/TGEPanel.h"
#include "earth/TavixGE.h"
#include "earth/TileMapView.h"
#include "support/Screenshot.h"
#include "support/ScriptedDialogs.h"

namespace korvalen {
namespace {
namespace fs = std::filesystem;
using test::Shot;

// Runs the panel's timer steps by hand until it is ready or gives up.
void Connect(TGEPanel& panel) {
    panel.StartConnect();
    for (int i = 0; i < 1000 && !panel.Ready && !panel.Incompatible; ++i) {
        panel.ConnectStep();
        QTest::qWait(10);
    }
}

struct ServerPanel : testing::Test {
    test::TempDir temp;
    test::ScopedEnv cacheHome{"XDG_CACHE_HOME", (temp / "cache").c_str()};
    test::ScriptedDialogs dialogs;
};

TEST_F(ServerPanel, ConnectsOnceTheServerAnswersAndShowsItsTiles) {
    const fs::path tiles = temp / "world.mbtiles";
    std::string error;
    ASSERT_TRUE(test::WriteWorldMbTiles(tiles, test::WorldArea{}, error)) << error;
    test::LocalHttpServer server(test::ServeMbTiles(tiles));
    const std::string url = server.Address() + "/{z}/{x}/{y}.png";
    TGEPanel panel([url] { return OpenMapView(url, 256, 256); }, dialogs, 0);
    panel.resize(256, 256);
    Connect(panel);
    ASSERT_TRUE(panel.Ready);
    EXPECT_EQ(panel.FailedAttempts, 0);
    EXPECT_EQ(panel.MainWindowTitle.toStdString(), url);
    EXPECT_TRUE(dialogs.asked.isEmpty());
}

// A server that is not there takes the way of a tile file that cannot be opened: the fifth
// failed attempt gives up with the message and the reason.
TEST_F(ServerPanel, AnAbsentServerGivesUpAfterFiveAttempts) {
    const std::string url =
        "http://127.0.0.1:" + std::to_string(test::UnusedLocalPort()) + "/{z}/{x}/{y}.png";
    TGEPanel panel([url] { return OpenMapView(url, 256, 256); }, dialogs, 0);
    Connect(panel);
    EXPECT_TRUE(panel.Incompatible);
    EXPECT_FALSE(panel.Ready);
    EXPECT_EQ(panel.FailedAttempts, 5);
    ASSERT_EQ(dialogs.asked.size(), 1);
    EXPECT_TRUE(dialogs.asked[0].contains(QStringLiteral("could not be established")));
    EXPECT_TRUE(dialogs.asked[0].contains(QStringLiteral("127.0.0.1")))
        << dialogs.asked[0].toStdString();
}

TEST_F(ServerPanel, ARefusedTemplateIsToldWithoutAnyNetwork) {
    TGEPanel panel(
        [] { return OpenMapView("https://{s}.tile.example.org/{z}/{x}/{y}.png", 256, 256); },
        dialogs, 0);
    Connect(panel);
    EXPECT_TRUE(panel.Incompatible);
    ASSERT_EQ(dialogs.asked.size(), 1);
    EXPECT_TRUE(dialogs.asked[0].contains(QStringLiteral("{s}"))) << dialogs.asked[0].toStdString();
}

// The whole capture on the form with the real map view, its tiles from a server: the demo map
// when KORVALEN_DEMO_MBTILES names one, otherwise the made-up world, served over HTTP. The server
// does not say where its tiles are, so the user's zoom fixes the scale where they look.
TEST_F(ServerPanel, TheFormCapturesTheServersTiles) {
    std::string tiles = qEnvironmentVariable("KORVALEN_DEMO_MBTILES").toStdString();
    if (tiles.empty()) {
        tiles = (temp / "world.mbtiles").string();
        std::string error;
        ASSERT_TRUE(test::WriteWorldMbTiles(tiles, test::WorldArea{}, error)) << error;
    }
    std::string error;
    const auto file = OpenMbTiles(tiles, error);
    ASSERT_TRUE(file && file->Bounds) << error;
    const ViewExtents area = *file->Bounds;
    test::LocalHttpServer server(test::ServeMbTiles(tiles));
    const std::string url = server.Address() + "/{z}/{x}/{y}.png";

    ProgramState state;
    state.settings.mapImagesOverlap = 10;
    state.settings.captureSettleMs = 0;
    Bitmap result;
    TfTavixGE form(state, dialogs, result, [url] { return OpenMapView(url, 256, 256); });
    form.ge->setFixedSize(256, 256);
    form.show();
    QCoreApplication::processEvents();
    for (int i = 0; i < 500 && !form.ge->Ready; ++i) {
        form.ge->ConnectStep();
        QTest::qWait(10);
    }
    ASSERT_TRUE(form.ge->Ready);
    TileMapView* view = form.ge->MapView();
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->Geometry().ReferenceLatitude, 0);
    // Where the tiles are, a quarter of their width across; a turn of the wheel there.
    CameraInfo camera = view->GetCamera(0);
    camera.FocusPointLatitude = (area.North * 3 + area.South) / 4;
    camera.FocusPointLongitude = (area.West * 3 + area.East) / 4;
    camera.Range = view->Geometry().RangeForLonSpan((area.East - area.West) / 4) * 1.25;
    view->SetCamera(camera, 1);
    QWheelEvent wheel(QPointF(128, 128), form.ge->mapToGlobal(QPointF(128, 128)), QPoint(),
                      QPoint(0, 120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(form.ge, &wheel);
    EXPECT_NEAR(view->Geometry().ReferenceLatitude, camera.FocusPointLatitude, 1e-9);
    auto waitDrawn = [&] {
        for (int i = 0; i < 500 && view->StreamingProgressPercentage() < 100; ++i)
            QTest::qWait(10);
        QTest::qWait(20);
    };
    form.Refresh();
    waitDrawn();
    Shot(&form, "server-step1");
    form.bbMapClick();
    {
        const QSignalBlocker b1(form.seNumRows), b2(form.seNumCols);
        form.seNumRows->setValue(2);
        form.seNumCols->setValue(2);
    }
    form.Refresh();
    const double scale = view->Geometry().ReferenceLatitude;
    form.bbImagesClick();
    waitDrawn();
    const ViewExtents first = view->GetViewExtents();
    const double lonPx = (first.East - first.West) / view->Width();
    const double latPx = (first.North - first.South) / view->Height();
    form.bbScanClick();
    ASSERT_TRUE(form.ScanCompleted);
    // From "Map" on the scale stays.
    EXPECT_EQ(view->Geometry().ReferenceLatitude, scale);
    EXPECT_EQ(view->FailedTiles(), 0u) << view->LastTileError();
    EXPECT_EQ(result.Width(), ResultPixels(256, 2, 10));
    // The corners lie on the first view's scale, and the map is the view's own drawing of the
    // whole area, tiles everywhere.
    const CalibPoints& p = state.Calibration.Points;
    EXPECT_NEAR(p[1].Lat, first.North, 1e-9);
    EXPECT_NEAR(p[1].Lon, first.West, 1e-9);
    EXPECT_NEAR(p[4].Lon, first.West + result.Width() * lonPx, lonPx * 1e-3);
    EXPECT_NEAR(p[4].Lat, first.North - result.Height() * latPx, latPx * 1e-3);
    Bitmap direct(result.Width(), result.Height(), result.Format());
    ASSERT_TRUE(view->RenderArea(first.North, first.West, latPx, lonPx, direct));
    int64_t differing = 0, background = 0;
    for (int y = 0; y < result.Height(); ++y) {
        differing += std::memcmp(result.Row(y), direct.Row(y), result.Stride()) != 0;
        for (int x = 0; x < result.Width(); x += 4)
            background += result.PixelAt(x, y) == TileMapView::kBackground;
    }
    EXPECT_LE(differing, result.Height() / 50) << "rows differing";
    EXPECT_EQ(background, 0);
    if (!qEnvironmentVariableIsEmpty("KORVALEN_SCREENSHOTS"))
        BitmapAsImage(result).save(qEnvironmentVariable("KORVALEN_SCREENSHOTS") +
                                   QStringLiteral("/server-result.png"));
}

using CaptureSettings = test::MainWindowFixture;

// "Settings" on the capture form opens the settings on their "Plus" page, where the tile
// source is, also when the dialog is already open on another page.
TEST_F(CaptureSettings, TheFormsSettingsButtonOpensThePlusPage) {
    WriteSettings(
        "[application]\r\nlanguage=0\r\n[plus]\r\ntileSource=https://tile.example.org/{z}/{x}/"
        "{y}.png\r\n");
    TfTavixMain& main = Open();
    TfTavixSettings settings(state, dialogs, &main);
    ConnectSettingsDialog(main, settings);
    auto* pages = settings.findChild<QTabWidget*>(QStringLiteral("pcSettings"));
    ASSERT_NE(pages, nullptr);

    for (const bool openBefore : {false, true}) {
        settings.hide();
        pages->setCurrentIndex(TfTavixSettings::PageFiles);
        if (openBefore) {
            Action("miSettings")->trigger();
            ASSERT_TRUE(settings.isVisible());
            EXPECT_EQ(pages->currentIndex(), TfTavixSettings::PageFiles);
        }
        bool clicked = false;
        main.CaptureConnector = [] { return std::make_unique<ScriptedEarth>(); };
        main.ExecCapture = [&](TfTavixGE& form) {
            form.show();
            for (int i = 0; i < 3 && !form.ge->Ready; ++i)
                form.ge->ConnectStep();
            ASSERT_EQ(form.Step, 1);
            ASSERT_TRUE(form.bbSettings->isVisible());
            form.bbSettings->click();
            clicked = true;
        };
        main.sbGoogleEarthClick();
        ASSERT_TRUE(clicked);
        EXPECT_TRUE(settings.isVisible()) << openBefore;
        EXPECT_EQ(pages->currentIndex(), TfTavixSettings::PagePlus) << openBefore;
    }
    auto* source = settings.findChild<QLineEdit*>(QStringLiteral("leTileSource"));
    ASSERT_NE(source, nullptr);
    EXPECT_EQ(source->text(), QStringLiteral("https://tile.example.org/{z}/{x}/{y}.png"));
    EXPECT_TRUE(source->isVisible());
    Shot(&settings, "settings-plus-url");

    // The menu's own command still opens the dialog as it was.
    settings.hide();
    pages->setCurrentIndex(TfTavixSettings::PageValues);
    Action("miSettings")->trigger();
    EXPECT_EQ(pages->currentIndex(), TfTavixSettings::PageValues);
}

}  // namespace
}  // namespace korvalen
