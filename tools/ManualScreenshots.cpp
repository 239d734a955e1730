// Takes the screenshots of the user manual: the main window with the demo maps, the settings,
// the order question and the joined result, each saved as a PNG. Run under a display (Xvfb):
//   scripts/manual-screenshots.sh
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPixmap>
#include <QTextStream>
#include <QTimer>
#include <deque>
#include <iostream>

#include "app/ApplicationIdentity.h"
#include "app/Dialogs.h"
#include "app/TavixMain.h"
#include "app/TavixSelection.h"
#include "app/TavixSettings.h"
#include "core/ProgramState.h"

namespace korvalen {
namespace {

// Answers the main window's questions as the walk-through of the manual does.
class WalkThroughDialogs : public Dialogs {
public:
    std::deque<int> selections;
    std::deque<QString> files;
    int SelectOption(const Selection&) override {
        const int answer = selections.empty() ? 0 : selections.front();
        if (!selections.empty())
            selections.pop_front();
        return answer;
    }
    bool ShowTimedMessage(const TimedMessage&) override { return false; }
    bool Confirm(const QString&) override { return true; }
    void Message(const QString& text) override { std::cerr << text.toStdString() << "\n"; }
    void Error(const QString& text) override { std::cerr << text.toStdString() << "\n"; }
    std::optional<FileAnswer> OpenFile(const FileRequest&) override {
        if (files.empty())
            return std::nullopt;
        FileAnswer answer{files.front(), 0};
        files.pop_front();
        return answer;
    }
    std::optional<FileAnswer> SaveFile(const FileRequest&) override { return std::nullopt; }
    std::optional<QString> ChooseFolder(const QString&, const QString&) override { return {}; }
    std::optional<QColor> ChooseColour(const QColor&) override { return {}; }
};

void Settle() {
    for (int i = 0; i < 20; ++i)
        QApplication::processEvents();
}

bool Save(QWidget* window, const QDir& folder, const char* name) {
    Settle();
    const QString path = folder.filePath(QString::fromLatin1(name));
    if (!window->grab().save(path, "PNG")) {
        std::cerr << "cannot write " << path.toStdString() << "\n";
        return false;
    }
    std::cout << path.toStdString() << "\n";
    return true;
}

// Where the demo maps truly lie (demo/offsets.txt), as a join puts them.
bool PlaceByOffsets(TfTavixMain& window, const QDir& demo) {
    QFile file(demo.filePath(QStringLiteral("offsets.txt")));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QTextStream lines(&file);
    int placed = 0;
    while (!lines.atEnd()) {
        const QStringList words = lines.readLine().split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (words.size() != 5 || words[0].startsWith(QLatin1Char('#')))
            continue;
        for (tSingleMap& cell : window.Matrix) {
            if (QString::fromStdString(cell.Name) == words[0]) {
                cell.X = words[3].toInt();
                cell.Y = words[4].toInt();
                cell.Joined = true;
                cell.Correlation = 95;
                ++placed;
            }
        }
    }
    window.JoinedCount = placed;
    return placed == window.Matrix.Size();
}

int Run(const QDir& demo, const QDir& out) {
    QDir().mkpath(out.path());
    ProgramState state;
    state.settingsFile =
        (QDir::tempPath() + QStringLiteral("/korvalen-screenshots.ini")).toStdString();
    QFile::remove(QString::fromStdString(state.settingsFile.string()));
    QFile ini(QString::fromStdString(state.settingsFile.string()));
    if (ini.open(QIODevice::WriteOnly))
        ini.write(
            "[application]\r\nlanguage=0\r\nwidth=900\r\nheight=660\r\n"
            "[tavix]\r\ndefaultRows=3\r\ndefaultCols=3\r\nminimumCorrelation=85\r\n"
            "spreadingTolerance=12\r\nSearchBandAcross=120\r\nhorizontalOverlap=120\r\n"
            "verticalOverlap=120\r\n");
    ini.close();

    WalkThroughDialogs dialogs;
    TfTavixMain window(state, dialogs);
    window.show();
    Settle();
    bool ok = Save(&window, out, "empty-matrix.png");

    // "Load all maps": rows, A1 pattern, the first map a1.jpg.
    dialogs.selections = {1, 2};
    dialogs.files = {demo.filePath(QStringLiteral("a1.jpg"))};
    window.bbLoadAllMapsClick();
    ok = Save(&window, out, "demo-maps-loaded.png") && ok;

    TfSelection order(0, &window);
    order.DialogCaption = QStringLiteral("Order of map files");
    order.Statement = QStringLiteral(
        "   A1 means letter+digit(hex)           example of 3 x 3 maps      "
        "a1.bmp+a2.bmp+a3.bmp    b1.bmp+b2.bmp+b3.bmp  c1.bmp+c2.bmp+c3.bmp");
    order.Options = {QStringLiteral("alphabetical order"), QStringLiteral("A1 pattern"),
                     QStringLiteral("1A pattern"), QStringLiteral("11 pattern"),
                     QStringLiteral("AA pattern")};
    order.FontSize = 8;
    order.DefaultChoice = 2;
    order.show();
    ok = Save(&order, out, "order-question.png") && ok;
    order.hide();

    TfTavixSettings settings(state, dialogs, &window);
    settings.ShowSettingsPage(TfTavixSettings::PageValues);
    ok = Save(&settings, out, "settings-values.png") && ok;
    settings.hide();

    if (!PlaceByOffsets(window, demo)) {
        std::cerr << "the demo offsets do not fit the loaded maps\n";
        return 1;
    }
    window.bbShowResultClick();
    ok = Save(&window, out, "result-page.png") && ok;
    QFile::remove(QString::fromStdString(state.settingsFile.string()));
    return ok ? 0 : 1;
}

}  // namespace
}  // namespace korvalen

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    korvalen::SetApplicationIdentity();
    if (argc != 3) {
        std::cerr << "usage: korvalen-screenshots DEMO_FOLDER OUTPUT_FOLDER\n";
        return 2;
    }
    return korvalen::Run(QDir(QString::fromLocal8Bit(argv[1])),
                         QDir(QString::fromLocal8Bit(argv[2])));
}
