#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include "MainWindowFixture.h"
#include "app/MatrixPicture.h"

namespace korvalen::test {
namespace {

constexpr int kRows = 1;
constexpr int kColumns = 2;
// Option numbers of the order question for a small matrix, where every order fits.
constexpr int kAlphabetical = 1;
constexpr int kA1 = 2;
constexpr int kOneA = 3;

class LoadAllMaps : public MainWindowFixture {
protected:
    std::filesystem::path Folder() const { return dir / "maps"; }

    void MakeMaps(std::initializer_list<const char*> names) {
        std::filesystem::create_directories(Folder());
        unsigned seed = 1;
        for (const char* name : names)
            WriteMap(Folder() / name, seed++);
    }

    // Answers the two questions and the file dialog, then runs the command.
    void Load(int sequence, int order, const char* firstFile) {
        dialogs.selections = {sequence, order};
        if (firstFile)
            dialogs.files = {
                Dialogs::FileAnswer{QString::fromStdString((Folder() / firstFile).string()), 0}};
        window->bbLoadAllMapsClick();
    }

    int CellsWithBitmap() const {
        int n = 0;
        for (const tSingleMap& cell : window->Matrix)
            n += cell.Bitmap ? 1 : 0;
        return n;
    }
};

TEST_F(LoadAllMaps, A1PatternByRows) {
    MakeMaps({"a1.jpg", "a2.jpg", "a3.jpg", "b1.jpg", "b2.jpg", "b3.jpg", "c1.jpg", "c2.jpg",
              "c3.jpg", "d1.jpg", "a4.jpg", "notes.txt"});
    TfTavixMain& w = Open();
    NewMatrix(3, 3);
    Load(kRows, kA1, "a1.jpg");

    EXPECT_EQ(CellNames(), "a1 a2 a3 / b1 b2 b3 / c1 c2 c3");
    EXPECT_EQ(CellsWithBitmap(), 9);
    EXPECT_EQ(w.Matrix.At(2, 3)->FilePath, Folder() / "b3.jpg");
    EXPECT_TRUE(w.MapsLoaded);
    EXPECT_TRUE(w.MapsAreJpeg);
    EXPECT_EQ(w.ActiveIndex(), 0);
    EXPECT_TRUE(Find<QPushButton>("bbTavixMaps")->isEnabled());
    EXPECT_TRUE(Action("miCompressAll")->isEnabled());
    EXPECT_FALSE(Find<QPushButton>("bbLoadAllMaps")->isEnabled());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);  // the hourglass is gone
    EXPECT_FALSE(Find<QLabel>("stProgress")->isVisible());

    // What was asked, and how.
    ASSERT_EQ(dialogs.selectionsAsked.size(), 2u);
    EXPECT_EQ(Described(dialogs.selectionsAsked[0]),
              "Sequence of maps |  | rows / columns | default 1, font 8");
    EXPECT_EQ(dialogs.selectionsAsked[0].centre, w.MatrixPanelCentre());
    const Dialogs::Selection& order = dialogs.selectionsAsked[1];
    EXPECT_EQ(order.options.join(" / "),
              "alphabetical order / A1 pattern / 1A pattern / 11 pattern / AA pattern");
    EXPECT_TRUE(order.statement.contains(QStringLiteral("A1 means letter+digit(hex)")));
    ASSERT_EQ(dialogs.fileRequests.size(), 1u);
    EXPECT_EQ(dialogs.fileRequests[0].title, QStringLiteral("select first map file (top left)"));
    EXPECT_EQ(dialogs.fileRequests[0].filter, QStringLiteral("Jpeg|*.jpg|Bitmap|*.bmp|PNG|*.png"));

    // The loaded cells show their maps, not empty white cells.
    const QImage& picture = w.findChild<MatrixPicture*>("iMatrixImage")->Picture();
    int nonWhite = 0;
    const Rect r = w.Matrix.At(1, 2)->CellRect;
    for (int x = r.left + 2; x < r.right - 1; x += 3)
        nonWhite += QColor(picture.pixel(x, (r.top + r.bottom) / 2)) != QColor(Qt::white);
    EXPECT_GT(nonWhite, 10);
}

TEST_F(LoadAllMaps, PatternStartsAtTheFirstFile) {
    MakeMaps({"b3.bmp", "b4.bmp", "b5.bmp", "c3.bmp", "c4.bmp", "c5.bmp", "b2.bmp", "c6.bmp"});
    WriteSettings(
        "[application]\r\nlanguage=0\r\n[tavix]\r\npreferredMapfilesSequence=2\r\n"
        "preferredOrderOfMapfiles=2\r\nsingleMaps8bit=0\r\n");
    TfTavixMain& w = Open();
    NewMatrix(2, 3);
    Load(kRows, kA1, "b3.bmp");
    EXPECT_EQ(CellNames(), "b3 b4 b5 / c3 c4 c5");
    EXPECT_FALSE(w.MapsAreJpeg);
    ASSERT_NE(w.Matrix.At(1, 1)->Bitmap, nullptr);
    EXPECT_EQ(w.Matrix.At(1, 1)->Bitmap->Format(), PixelFormat::Bits24);  // kept as read
    EXPECT_EQ(dialogs.selectionsAsked[0].defaultChoice, 2);
    EXPECT_EQ(dialogs.selectionsAsked[1].defaultChoice, 2);
}

TEST_F(LoadAllMaps, ColumnsWithThe1APattern) {
    // "1a" by columns: the digit counts the columns, the letter the rows.
    MakeMaps({"1a.jpg", "1b.jpg", "2a.jpg", "2b.jpg", "3a.jpg", "3b.jpg"});
    Open();
    NewMatrix(2, 3);
    Load(kColumns, kOneA, "1a.jpg");
    EXPECT_EQ(CellNames(), "1a 2a 3a / 1b 2b 3b");
}

TEST_F(LoadAllMaps, OrdersOfferedFollowTheMatrixSize) {
    Open();
    NewMatrix(30, 2);
    dialogs.selections = {kRows, 0};
    window->bbLoadAllMapsClick();
    ASSERT_EQ(dialogs.selectionsAsked.size(), 2u);
    EXPECT_EQ(dialogs.selectionsAsked[1].options, QStringList{"alphabetical order"});
    EXPECT_TRUE(dialogs.selectionsAsked[1].statement.isEmpty());
    EXPECT_TRUE(dialogs.fileRequests.empty());  // break: nothing more happens

    NewMatrix(20, 10);
    dialogs.selections = {kColumns, 0};
    window->bbLoadAllMapsClick();
    EXPECT_EQ(dialogs.selectionsAsked.back().options,
              QStringList({"alphabetical order", "1A pattern", "AA pattern"}));
}

TEST_F(LoadAllMaps, AlphabeticalFromTheChosenFile) {
    MakeMaps({"m01.jpg", "m02.jpg", "m03.jpg", "M04.JPG", "m05.jpg", "m06.jpg"});
    TfTavixMain& w = Open();
    NewMatrix(2, 2);
    Load(kRows, kAlphabetical, "m02.jpg");  // from the chosen file on; the surplus is ignored
    EXPECT_EQ(CellNames(), "m02 m03 / m04 m05");
    EXPECT_EQ(w.Matrix.At(2, 1)->FilePath, Folder() / "M04.JPG");  // the name as on disk
    EXPECT_EQ(CellsWithBitmap(), 4);
}

TEST_F(LoadAllMaps, AFirstFileOutsideThePatternIsRefused) {
    MakeMaps({"map.jpg", "a1.jpg"});
    TfTavixMain& w = Open();
    NewMatrix(2, 2);
    Load(kRows, kA1, "map.jpg");
    EXPECT_EQ(dialogs.asked.last(),
              QStringLiteral("message: Selected file name map does not correspond to the "
                             "pattern a1"));
    EXPECT_EQ(CellNames(), "- - / - -");
    EXPECT_FALSE(w.MapsLoaded);
    EXPECT_TRUE(Find<QPushButton>("bbLoadAllMaps")->isEnabled());
}

TEST_F(LoadAllMaps, BreakOrCancelChangesNothing) {
    MakeMaps({"a1.jpg"});
    TfTavixMain& w = Open();
    NewMatrix(2, 2);
    dialogs.selections = {0};
    w.bbLoadAllMapsClick();
    EXPECT_EQ(dialogs.selectionsAsked.size(), 1u);

    w.SelectCell(3);
    state.GEMode = true;
    Load(kRows, kAlphabetical, nullptr);  // the file dialog is cancelled
    EXPECT_EQ(dialogs.fileRequests.size(), 1u);
    EXPECT_EQ(CellNames(), "- - / - -");
    EXPECT_EQ(w.ActiveIndex(), 0);
    EXPECT_FALSE(state.GEMode);
}

TEST_F(LoadAllMaps, UndecodableMapsAreReportedOnceByName) {
    MakeMaps({"a.jpg", "d.jpg"});
    WriteBytes(Folder() / "b.jpg", {0xFF, 0xD8, 0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F'});
    WriteBytes(Folder() / "c.jpg", {'n', 'o', 't', ' ', 'a', ' ', 'm', 'a', 'p'});
    TfTavixMain& w = Open();
    NewMatrix(2, 2);
    Load(kRows, kAlphabetical, "a.jpg");

    EXPECT_EQ(CellNames(), "a b / c d");
    EXPECT_NE(w.Matrix.At(1, 1)->Bitmap, nullptr);
    EXPECT_EQ(w.Matrix.At(1, 2)->Bitmap, nullptr);
    EXPECT_EQ(w.Matrix.At(2, 1)->Bitmap, nullptr);
    EXPECT_EQ(w.Matrix.At(2, 1)->FilePath, Folder() / "c.jpg");
    EXPECT_NE(w.Matrix.At(2, 2)->Bitmap, nullptr);
    EXPECT_FALSE(Find<QPushButton>("bbTavixMaps")->isEnabled());

    QStringList errors = dialogs.asked.filter(QStringLiteral("error: "));
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].startsWith(QStringLiteral("error: Error in map files:")));
    EXPECT_TRUE(errors[0].contains(QStringLiteral("b.jpg")));
    EXPECT_TRUE(errors[0].contains(QStringLiteral("c.jpg")));
    EXPECT_FALSE(errors[0].contains(QStringLiteral("a.jpg")));
}

TEST_F(LoadAllMaps, ShowsProgressLocksCommandsAndStopsOnClose) {
    MakeMaps({"a.jpg", "b.jpg", "c.jpg", "d.jpg"});
    TfTavixMain& w = Open();
    NewMatrix(2, 2);
    QString progress;
    bool newMatrixEnabled = true;
    bool closed = true;
    // Runs while the first map is loaded, when the loader lets events through.
    QTimer::singleShot(0, &w, [&] {
        progress = Find<QLabel>("stProgress")->text();
        newMatrixEnabled = Action("miNewMatrix")->isEnabled();
        Action("miNewMatrix")->trigger();
        QTest::keyClick(&w, Qt::Key_Right);
        closed = w.close();
    });
    Load(kRows, kAlphabetical, "a.jpg");
    EXPECT_EQ(progress, QStringLiteral("Loading 1 / 4: a.jpg"));
    EXPECT_FALSE(newMatrixEnabled);
    EXPECT_FALSE(closed);  // closing breaks the loading instead
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(CellNames(), "a - / - -");
    EXPECT_EQ(w.ActiveIndex(), 0);
    EXPECT_TRUE(Action("miNewMatrix")->isEnabled());
    EXPECT_FALSE(Find<QLabel>("stProgress")->isVisible());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

}  // namespace
}  // namespace korvalen::test
