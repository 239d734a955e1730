// The shell around the commands: menus and shortcuts, closing, placement, the title, the
// settings dialog, the Help page, and the commands whose windows are not built yet.
#include <QAbstractButton>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSlider>
#include <QUrl>

#include "MainWindowFixture.h"
#include "app/ApplicationIdentity.h"
#include "app/HelpAddress.h"
#include "app/TavixSettings.h"
#include "core/IniFile.h"

namespace korvalen::test {
namespace {

using MainWindowShell = MainWindowFixture;

// The entries of a menu by object name, "-" for a separator.
QStringList Entries(const QMenu* menu) {
    QStringList names;
    for (const QAction* action : menu->actions())
        names << (action->isSeparator() ? QStringLiteral("-") : action->objectName());
    return names;
}

TEST_F(MainWindowShell, MenusCarryTheirCaptionsShortcutsAndEntries) {
    Open();
    const struct {
        const char* menu;
        const char* action;
        const char* caption;  // as shown in English
        QKeySequence shortcut;
    } items[] = {
        {"miFile", "miSwitchPage", "Switch between single / result map", Qt::Key_F10},
        {"miFile", "miSettings", "Settings", Qt::Key_F2},
        {"miFile", "miConvertBmpToJpeg", "Convert Bmp to Jpeg", {}},
        {"miFile", "miCompressAll", "Compress all single maps", {}},
        {"miFile", "miPlacemarkGrid", "Create placemark grid", {}},
        {"miFile", "miGoogleEarth", "Tavix and calibrate map view images", Qt::Key_F5},
        {"miFile", "miExit", "E&xit", {}},
        {"miSingleMaps", "miNewMatrix", "&New map matrix", {}},
        {"miSingleMaps", "miLoadAllMaps", "&Load all maps", {}},
        {"miSingleMaps", "miLoadGridPattern", "Load grid pattern", {}},
        {"miSingleMaps", "miShowMaps", "&Hide maps", {}},  // maps are shown at first
        {"miSingleMaps", "miActiveMap", "Load map", Qt::Key_F3},
        {"miSingleMaps", "miReloadMap", "Reload active map", QKeySequence(Qt::CTRL | Qt::Key_F3)},
        {"miSingleMaps", "miTavixMaps", "Tavix maps", Qt::Key_F9},
        {"miSingleMaps", "miContinueTavix", "Continue tavix", Qt::Key_F8},
        {"miSingleMaps", "miChangeAlgorithm", "Change starting algorithm", {}},
        {"miResultMap", "miSaveResult", "&Save", QKeySequence(Qt::CTRL | Qt::Key_S)},
        {"miResultMap", "miAdjustResult", "&Adjust", {}},
        {"miHelp", "miAbout", "&About ...", {}},
        {"miHelp", "miHomepage", "&Homepage", {}},
    };
    for (const auto& item : items) {
        SCOPED_TRACE(item.action);
        const QAction* action = Action(item.action);
        ASSERT_NE(action, nullptr);
        EXPECT_EQ(action->text(), QString::fromUtf8(item.caption));
        EXPECT_EQ(action->shortcut(), item.shortcut);
        EXPECT_TRUE(Entries(Find<QMenu>(item.menu)).contains(QLatin1String(item.action)));
    }

    const struct {
        const char* menu;
        const char* title;
        QStringList entries;
    } menus[] = {
        {"miFile",
         "&File",
         {"miSwitchPage", "miSettings", "miConvertBmpToJpeg", "miCompressAll", "miPlacemarkGrid",
          "miGoogleEarth", "-", "miExit"}},
        {"miSingleMaps",
         "&Single maps",
         {"miNewMatrix", "miLoadAllMaps", "miLoadGridPattern", "miShowMaps", "-", "miActiveMap",
          "miReloadMap", "-", "miTavixMaps", "miContinueTavix", "miChangeAlgorithm"}},
        {"miResultMap", "&Result map", {"miSaveResult", "miAdjustResult"}},
        {"miHelp", "&Help", {"miAbout", "miHomepage"}},
        {"pmSingleMaps",
         "",
         {"pmNewMatrix", "pmLoadAllMaps", "pmLoadGridPattern", "pmShowMaps", "-", "pmActiveMap",
          "pmReloadMap", "-", "pmTavixMaps", "pmContinueTavix", "pmChangeAlgorithm"}},
        {"pmResultMap", "", {"pmSaveResult", "pmAdjustResult"}},
    };
    for (const auto& menu : menus) {
        SCOPED_TRACE(menu.menu);
        const QMenu* found = Find<QMenu>(menu.menu);
        ASSERT_NE(found, nullptr);
        EXPECT_EQ(found->title(), QString::fromUtf8(menu.title));
        EXPECT_EQ(Entries(found), menu.entries);
    }

    // A popup item runs its menu item's command and follows its state.
    QAction* popup = Action("pmTavixMaps");
    Action("miTavixMaps")->setEnabled(true);
    EXPECT_TRUE(popup->isEnabled());
    Action("miTavixMaps")->setEnabled(false);
    EXPECT_FALSE(popup->isEnabled());
}

TEST_F(MainWindowShell, ExitClosesAsTheCloseBoxDoesAndAMaximisedPlacementComesBack) {
    WriteSettings(
        "[application]\r\nlanguage=0\r\nleft=20\r\ntop=30\r\nwidth=700\r\n"
        "height=640\r\n");
    TfTavixMain& w = Open();
    w.showMaximized();
    Settle();
    ASSERT_TRUE(w.isMaximized());

    // With an unsaved result "E&xit" asks first; a break keeps everything as it was.
    state.ResultUnsaved = true;
    Action("miExit")->trigger();
    ASSERT_EQ(dialogs.selectionsAsked.size(), 1u);
    EXPECT_TRUE(w.isVisible());

    dialogs.selections = {1};  // discard and close
    Action("miExit")->trigger();
    EXPECT_FALSE(w.isVisible());
    IniFile ini;
    std::string error;
    ASSERT_TRUE(ini.Load(SettingsPath(), error)) << error;
    EXPECT_TRUE(ini.ReadBool("application", "maximized", false));
    // The placement to come back to when the window is restored.
    EXPECT_EQ(ini.ReadInteger("application", "left", -1), 20);
    EXPECT_EQ(ini.ReadInteger("application", "width", -1), 700);
    EXPECT_EQ(ini.ReadInteger("application", "height", -1), 640);

    state = ProgramState{};
    TfTavixMain& again = Open();
    EXPECT_TRUE(again.isMaximized());
}

TEST_F(MainWindowShell, TheTitleIsExactlyTheCaption) {
    SetApplicationIdentity();
    EXPECT_EQ(Open().windowTitle(), QStringLiteral("Korvalen 2.33"));
    // A display name would be added to every title by the window system integration.
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), QCoreApplication::applicationName());
    EXPECT_EQ(QGuiApplication::desktopFileName(), QStringLiteral("org.example.korvalen"));
}

TEST_F(MainWindowShell, SettingsAskedForAgainComeToTheFrontWithTheEditsKept) {
    TfTavixMain& w = Open();
    TfTavixSettings settings(state, dialogs, &w);
    w.SetSettingsCommand([&settings] { settings.ShowSettings(); });
    Action("miSettings")->trigger();
    ASSERT_TRUE(settings.isVisible());
    auto* folder = settings.findChild<QLineEdit*>(QStringLiteral("leSingleMapsDirectory"));
    ASSERT_NE(folder, nullptr);
    folder->setText(QStringLiteral("/not/accepted/yet"));
    settings.showMinimized();

    Action("miSettings")->trigger();
    EXPECT_TRUE(settings.isVisible());
    EXPECT_FALSE(settings.isMinimized());
    EXPECT_EQ(folder->text(), QStringLiteral("/not/accepted/yet"));
    EXPECT_TRUE(state.settings.singleMapsDirectory.empty());

    // Closed and opened again, it shows the settings as they are.
    settings.hide();
    Action("miSettings")->trigger();
    EXPECT_TRUE(folder->text().isEmpty());
}

// Everything a user can press on the result page without a result map, except the way back
// and the program's own items (settings, exit, help), is off.
TEST_F(MainWindowShell, ResultPageWithoutAResultMapOffersOnlyTheWayBack) {
    TfTavixMain& w = Open();
    NewMatrix(1, 1);
    w.bbShowResultClick();
    ASSERT_TRUE(w.ResultPageShown());
    ASSERT_TRUE(w.ResultMap.IsEmpty());

    const QStringList mayStayOn = {"miSwitchPage", "bbSingleMaps", "miSettings",    "miExit",
                                   "miAbout",      "miHomepage",   "sbBreakLoading"};
    QStringList enabled;
    for (QAction* action : w.findChildren<QAction*>())
        if (!action->menu() && !action->isSeparator() && action->isEnabled() &&
            !action->objectName().isEmpty() && !mayStayOn.contains(action->objectName()))
            enabled << action->objectName();
    for (QWidget* widget : w.findChildren<QWidget*>())
        if ((qobject_cast<QAbstractButton*>(widget) || qobject_cast<QGroupBox*>(widget) ||
             qobject_cast<QSlider*>(widget)) &&
            widget->isEnabled() && !widget->objectName().isEmpty() &&
            !widget->objectName().startsWith(QLatin1String("qt_")) &&  // Qt's own
            !mayStayOn.contains(widget->objectName()))
            enabled << widget->objectName();
    EXPECT_TRUE(enabled.isEmpty()) << enabled.join(' ').toStdString();
    EXPECT_TRUE(Action("miSwitchPage")->isEnabled());
    EXPECT_FALSE(Find<QMenu>("miSingleMaps")->menuAction()->isVisible());
    EXPECT_TRUE(Find<QMenu>("miResultMap")->menuAction()->isVisible());

    // A result map brings the page's commands back.
    w.ResultMap = Bitmap(300, 200, PixelFormat::Bits24);
    w.UpdateControls();
    EXPECT_TRUE(Find<QWidget>("bbSaveMap")->isEnabled());
    EXPECT_TRUE(Action("pmSaveResult")->isEnabled());
    EXPECT_EQ(Find<QLabel>("stSize")->text(), QStringLiteral("300 x 200"));

    // Back on the single-maps page the commands are theirs again.
    Action("miSwitchPage")->trigger();
    EXPECT_FALSE(w.ResultPageShown());
    EXPECT_TRUE(Find<QMenu>("miSingleMaps")->menuAction()->isVisible());
    EXPECT_TRUE(Action("miNewMatrix")->isEnabled());
    EXPECT_TRUE(Action("miShowMaps")->isEnabled());
    EXPECT_TRUE(Action("miActiveMap")->isEnabled());
    EXPECT_TRUE(Find<QWidget>("bbShowResult")->isEnabled());  // a 1 x 1 matrix
}

TEST_F(MainWindowShell, TheHelpPageIsTheSettingElseTheManualThatCameWithTheProgram) {
    TempDir program;
    EXPECT_TRUE(HelpAddress(QString(), QString::fromStdString(program.Path().string())).isEmpty());

    std::filesystem::create_directories(program / "bin");
    std::filesystem::create_directories(program / "share/doc/korvalen/manual");
    WriteBytes(program / "share/doc/korvalen/manual/index.html", {'<'});
    const QString bin = QString::fromStdString((program / "bin").string());
    const QUrl installed = HelpAddress(QStringLiteral("  "), bin);
    EXPECT_TRUE(installed.isLocalFile());
    EXPECT_TRUE(installed.toLocalFile().endsWith("share/doc/korvalen/manual/index.html"));

    std::filesystem::create_directories(program / "bin/manual");
    WriteBytes(program / "bin/manual/index.html", {'<'});  // a build tree
    EXPECT_TRUE(HelpAddress(QString(), bin).toLocalFile().endsWith("bin/manual/index.html"));

    EXPECT_EQ(HelpAddress(QStringLiteral("https://maps.example.net/help"), bin),
              QUrl(QStringLiteral("https://maps.example.net/help")));

    // The window opens the address of its settings file, and says so when it cannot.
    WriteSettings("[application]\r\nlanguage=0\r\nwebAddress=https://maps.example.net/help\r\n");
    TfTavixMain& w = Open();
    QUrl opened;
    bool opens = true;
    w.OpenUrl = [&](const QUrl& url) {
        opened = url;
        return opens;
    };
    Action("miHomepage")->trigger();
    EXPECT_EQ(opened, QUrl(QStringLiteral("https://maps.example.net/help")));
    EXPECT_TRUE(dialogs.asked.isEmpty());
    opens = false;
    Action("miHomepage")->trigger();
    EXPECT_EQ(dialogs.asked.last(), QStringLiteral("error: Error!"));
}

}  // namespace
}  // namespace korvalen::test
