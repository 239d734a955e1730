// Program entry: finds the settings file, creates the main window and the settings dialog and
// runs until the main window closes.
#include <QApplication>
#include <QCommandLineParser>
#include <memory>

#include "app/ApplicationIdentity.h"
#include "app/CommandGuards.h"
#include "app/QtDialogs.h"
#include "app/SettingsCommands.h"
#include "app/TavixInfo.h"
#include "app/TavixMain.h"
#include "app/TavixSettings.h"
#include "core/ProgramState.h"
#include "core/SettingsLocation.h"

namespace korvalen {
namespace {

// The dialogs belong to the main window, which needs them before it exists; this hands every
// call on to the real dialogs once the window has been created.
class DeferredDialogs : public Dialogs {
public:
    std::unique_ptr<Dialogs> target;

    int SelectOption(const Selection& s) override { return target->SelectOption(s); }
    bool ShowTimedMessage(const TimedMessage& m) override { return target->ShowTimedMessage(m); }
    bool Confirm(const QString& text) override { return target->Confirm(text); }
    void Message(const QString& text) override { target->Message(text); }
    void Error(const QString& text) override { target->Error(text); }
    std::optional<FileAnswer> OpenFile(const FileRequest& r) override {
        return target->OpenFile(r);
    }
    std::optional<FileAnswer> SaveFile(const FileRequest& r) override {
        return target->SaveFile(r);
    }
    std::optional<QString> ChooseFolder(const QString& title, const QString& start) override {
        return target->ChooseFolder(title, start);
    }
    std::optional<QColor> ChooseColour(const QColor& initial) override {
        return target->ChooseColour(initial);
    }
};

int Run(QApplication& application) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Joins map images into one map and geo-references it."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption settingsOption(
        QStringLiteral("settings"),
        QStringLiteral("Read and write the settings in <file> instead of korvalen.ini."),
        QStringLiteral("file"));
    parser.addOption(settingsOption);
    parser.process(application);

    ProgramState state;
    state.settingsFile = SettingsFilePath(ToPath(QCoreApplication::applicationDirPath()),
                                          ToPath(parser.value(settingsOption)));

    DeferredDialogs dialogs;
    TfTavixMain mainWindow(state, dialogs);
    dialogs.target =
        std::make_unique<QtDialogs>(&mainWindow, [&state] { return state.Language(); });

    TfTavixSettings settingsDialog(state, *dialogs.target, &mainWindow);
    ConnectSettingsDialog(mainWindow, settingsDialog);

    mainWindow.show();
    return QApplication::exec();
}

}  // namespace
}  // namespace korvalen

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    korvalen::SetApplicationIdentity();
    return korvalen::Run(application);
}
