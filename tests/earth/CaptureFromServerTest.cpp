// The capture form with a tile server as its source, and its way to the tile source setting.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <filesystem>

#include "LocalHttpServer.h"
#include "ScopedEnv.h"
#include "TileFixture.h"
#include "TileServer.h"
#include "app/MainWindowFixture.h"
#include "app/SettingsCommands.h"
#include "app/TavixSettings.h"
#include "earth/ScriptedEarth.h"
#include "earth/TGEPanel.h"
#include "earth/TavixGE.h"
#include "earth/TileMapView.h"
#include "support/ScriptedDialogs.h"

namespace korvalen {
namespace {
namespace fs = std::filesystem;

void Shot(QWidget* widget, const char* name) {
    const QByteArray folder = qgetenv("KORVALEN_SCREENSHOTS");
    if (!folder.isEmpty())
        widget->grab().save(QString::fromUtf8(folder) + QStringLiteral("/") +
                            QString::fromLatin1(name) + QStringLiteral(".png"));
}

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
