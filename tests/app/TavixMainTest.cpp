#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QUrl>

#include "MainWindowFixture.h"
#include "app/MatrixDrawing.h"
#include "app/MatrixPicture.h"
#include "core/IniFile.h"
#include "geo/CalibrationWriter.h"
#include "images/PixelConvert.h"

namespace korvalen::test {
namespace {

using MainWindow = MainWindowFixture;

IniFile ReadIni(const std::filesystem::path& path) {
    IniFile ini;
    std::string error;
    EXPECT_TRUE(ini.Load(path, error)) << error;
    return ini;
}

QColor PixelOf(const QImage& image, int x, int y) {
    return QColor(image.pixel(x, y));
}

// ---- Start, language, placement and close -------------------------------------------------

TEST_F(MainWindow, FirstStartAsksTheLanguageOnceAndWritesItOnClose) {
    dialogs.selections = {2};  // "deutsch"
    TfTavixMain& w = Open(/*writeEnglish=*/false);
    EXPECT_EQ(w.pos(), QPoint(0, 0));
    EXPECT_EQ(w.size(), QSize(800, 620));  // 600 raised to the minimum height
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Korvalen 2.33"));

    ASSERT_EQ(dialogs.selectionsAsked.size(), 1u);
    EXPECT_EQ(Described(dialogs.selectionsAsked[0]),
              "Language/Sprache |  | english / deutsch | default 0, font 8");
    // x moved: German is wider
    EXPECT_EQ(dialogs.selectionsAsked[0].centre.y(), w.MatrixPanelCentre().y());
    EXPECT_EQ(Find<QPushButton>("bbNewMatrix")->text(), QStringLiteral("Neue Kartenmatrix"));
    EXPECT_EQ(Find<QMenu>("miFile")->title(), QStringLiteral("Datei"));

    w.FormActivate();  // a later activation does not ask again
    EXPECT_EQ(dialogs.selectionsAsked.size(), 1u);

    EXPECT_FALSE(std::filesystem::exists(SettingsPath()));
    EXPECT_TRUE(w.close());
    const IniFile ini = ReadIni(SettingsPath());
    EXPECT_EQ(ini.ReadInteger("application", "language", -1), 1);
    EXPECT_EQ(ini.ReadInteger("application", "height", -1), 620);
    EXPECT_EQ(ini.ReadInteger("application", "left", -1), 0);
    EXPECT_FALSE(ini.ReadBool("application", "maximized", true));
}

TEST_F(MainWindow, AnUnknownLanguageStaysEnglishAndIsNotAsked) {
    WriteSettings("[application]\r\nlanguage=5\r\n");
    TfTavixMain& w = Open();
    EXPECT_TRUE(dialogs.selectionsAsked.empty());
    EXPECT_EQ(Find<QPushButton>("bbNewMatrix")->text(), QStringLiteral("New map matrix"));
    EXPECT_TRUE(w.close());
    EXPECT_EQ(ReadIni(SettingsPath()).ReadInteger("application", "language", -1), 5);
}

TEST_F(MainWindow, AcceptedSettingsSwitchToGermanAndBackAtOnce) {
    TfTavixMain& w = Open();
    // Like the settings dialog: a window of its own, which translates itself.
    QDialog owned(&w);
    auto* label = new QLabel(QStringLiteral("Map_image_name"), &owned);
    state.settings.language = 1;
    state.settings.showSingleMaps = false;
    w.SettingsAccepted();
    EXPECT_EQ(Find<QPushButton>("bbLoadMap")->text(), QStringLiteral(" Karte laden"));
    EXPECT_EQ(Find<QMenu>("miHelp")->title(), QStringLiteral("Hilfe"));  // menus are its own
    EXPECT_EQ(label->text(), QStringLiteral("Map_image_name"));
    EXPECT_TRUE(Find<QPushButton>("bbShowMaps")->isVisible());
    state.settings.language = 0;
    w.SettingsAccepted();
    EXPECT_EQ(Find<QPushButton>("bbLoadMap")->text(), QStringLiteral("Load map"));
    EXPECT_EQ(Find<QLabel>("lGoogleEarth")->text(),
              QStringLiteral("Tavix and calibrate   map view images"));
}

TEST_F(MainWindow, PlacementAndMatrixSizeComeFromTheSettings) {
    WriteSettings(
        "[application]\r\nlanguage=0\r\nleft=30\r\ntop=40\r\nwidth=700\r\nheight=500\r\n"
        "[tavix]\r\ndefaultRows=2\r\ndefaultCols=5\r\n");
    TfTavixMain& w = Open();
    EXPECT_EQ(w.pos(), QPoint(30, 40));
    EXPECT_EQ(w.size(), QSize(700, 620));
    EXPECT_EQ(w.Rows(), 2);
    EXPECT_EQ(w.Cols(), 5);
    EXPECT_EQ(w.ActiveIndex(), 0);
    w.move(50, 60);
    EXPECT_TRUE(w.close());
    const IniFile ini = ReadIni(SettingsPath());
    EXPECT_EQ(ini.ReadInteger("application", "left", -1), 50);
    EXPECT_EQ(ini.ReadInteger("application", "top", -1), 60);
    EXPECT_EQ(ini.ReadInteger("application", "width", -1), 700);
    EXPECT_EQ(ini.ReadInteger("tavix", "defaultRows", -1), 2);
}

TEST_F(MainWindow, CloseQueryWithUnsavedResult) {
    TfTavixMain& w = Open();
    std::filesystem::remove(SettingsPath());

    state.ResultUnsaved = true;
    EXPECT_FALSE(w.close());  // break (or Esc): the window stays and nothing is written
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(state.ResultUnsaved);
    EXPECT_FALSE(std::filesystem::exists(SettingsPath()));
    ASSERT_EQ(dialogs.selectionsAsked.size(), 1u);
    EXPECT_EQ(Described(dialogs.selectionsAsked[0]),
              "The tavixed map was not saved |  | discard intermediate result and close program | "
              "default 0, font 8");

    // Pending calibration asks only while calibration files are written automatically.
    state.ResultUnsaved = false;
    state.Calibration.Pending = true;
    state.settings.saveCalibration = true;
    EXPECT_FALSE(w.close());
    EXPECT_EQ(dialogs.selectionsAsked.size(), 2u);
    state.settings.saveCalibration = false;
    EXPECT_TRUE(w.close());
    EXPECT_EQ(dialogs.selectionsAsked.size(), 2u);
    EXPECT_TRUE(std::filesystem::exists(SettingsPath()));
}

// A settings file that cannot be written (a file where its folder should be) or read (larger
// than any settings file) is reported, left as it is, and the window closes all the same.
TEST_F(MainWindow, ASettingsFileThatCannotBeWrittenOrReadIsReportedAndLeft) {
    const std::string huge(2 << 20, ';');
    for (const bool blocked : {true, false}) {
        SCOPED_TRACE(blocked ? "blocked" : "huge");
        dialogs.asked.clear();
        TfTavixMain& w = Open();
        if (blocked) {
            state.settingsFile = dir / "blocked" / "korvalen.ini";
            WriteBytes(dir / "blocked", {'x'});
        } else {
            WriteSettings(huge);
        }
        EXPECT_TRUE(w.close());
        ASSERT_FALSE(dialogs.asked.isEmpty());
        EXPECT_TRUE(dialogs.asked.last().startsWith(QStringLiteral("error: Error")));
    }
    EXPECT_EQ(ReadBytes(dir / "blocked"), std::vector<uint8_t>{'x'});
    EXPECT_EQ(ReadBytes(SettingsPath()).size(), huge.size());
}

// ---- Command states -----------------------------------------------------------------------

TEST(ControlRules, SingleMapsPage) {
    ControlInputs in;
    in.matrixPictureExists = true;
    in.activeMapExists = true;
    in.cellCount = 1;
    in.allCellsHaveMaps = true;
    in.activeMapHasBitmap = true;
    in.activeMapFilePath = "/maps/a1.jpg";
    in.mapsLoaded = true;
    ControlStates s = ComputeControlStates(in);
    EXPECT_TRUE(*s.resultMapEnabled);  // one cell: its map is the result
    EXPECT_TRUE(*s.switchPageEnabled);
    EXPECT_FALSE(*s.tavixMapsEnabled);  // nothing to join
    EXPECT_FALSE(*s.loadAllMapsEnabled);
    EXPECT_EQ(*s.activeMapCaption, "Adjust map");
    EXPECT_TRUE(s.singleMapsMenuVisible);
    EXPECT_FALSE(s.resultMapMenuVisible);
    EXPECT_FALSE(s.resultCommandsEnabled.has_value());  // the result page is left alone

    in.cellCount = 6;
    in.mapsLoaded = false;
    s = ComputeControlStates(in);
    EXPECT_TRUE(*s.tavixMapsEnabled);
    EXPECT_TRUE(*s.loadAllMapsEnabled);
    EXPECT_FALSE(*s.resultMapEnabled);
    EXPECT_FALSE(*s.continueEnabled);
    in.gridPatternJoin = true;
    EXPECT_FALSE(*ComputeControlStates(in).loadAllMapsEnabled);
    in.gridPatternJoin = false;

    in.allCellsHaveMaps = false;
    EXPECT_FALSE(*ComputeControlStates(in).tavixMapsEnabled);

    in.joinedCount = 3;
    s = ComputeControlStates(in);
    EXPECT_TRUE(*s.continueEnabled);
    EXPECT_TRUE(*s.changeAlgorithmEnabled);
    EXPECT_TRUE(*s.resultMapEnabled);
    in.gridPatternJoin = true;
    EXPECT_FALSE(*ComputeControlStates(in).changeAlgorithmEnabled);
    in.joinedCount = 6;
    EXPECT_FALSE(*ComputeControlStates(in).continueEnabled);

    in.activeMapHasBitmap = false;
    EXPECT_EQ(*ComputeControlStates(in).activeMapCaption, "Load map");
    in.activeMapExists = false;
    EXPECT_FALSE(*ComputeControlStates(in).activeMapEnabled);
}

TEST(ControlRules, ConvertAndShowMaps) {
    ControlInputs in;
    in.matrixPictureExists = true;
    in.activeMapExists = true;
    in.cellCount = 4;
    in.activeMapFilePath = "/maps/A1.BMP";
    EXPECT_TRUE(ComputeControlStates(in).convertBmpToJpegEnabled);
    in.activeMapFilePath = "/maps/a1.jpg";
    EXPECT_FALSE(ComputeControlStates(in).convertBmpToJpegEnabled);
    in.activeMapFilePath = ".bmp";  // not longer than four characters
    EXPECT_FALSE(ComputeControlStates(in).convertBmpToJpegEnabled);

    in.showSingleMaps = true;
    ControlStates s = ComputeControlStates(in);
    EXPECT_FALSE(*s.showMapsButtonVisible);
    EXPECT_TRUE(*s.hideMapsButtonVisible);
    EXPECT_EQ(*s.showMapsMenuCaption, "Hide maps");
    in.showSingleMaps = false;
    EXPECT_EQ(*ComputeControlStates(in).showMapsMenuCaption, "Show maps");

    // On the result page with a result map rule 2 alone decides.
    in.resultPageShown = true;
    in.resultMapExists = true;
    in.activeMapFilePath = "/maps/a1.jpg";
    EXPECT_TRUE(ComputeControlStates(in).convertBmpToJpegEnabled);
    in.mapsAreJpeg = true;
    EXPECT_FALSE(ComputeControlStates(in).convertBmpToJpegEnabled);
}

TEST(ControlRules, ResultPage) {
    ControlInputs in;
    in.resultPageShown = true;
    ControlStates s = ComputeControlStates(in);
    EXPECT_TRUE(*s.switchPageEnabled);
    EXPECT_FALSE(*s.resultCommandsEnabled);
    EXPECT_FALSE(*s.calibrateEnabled);
    EXPECT_FALSE(s.sizeText.has_value());  // nothing else changes
    EXPECT_FALSE(s.jpegPanelVisible.has_value());
    EXPECT_FALSE(*s.tavixMapsEnabled);  // only the switch is on

    in.resultMapExists = true;
    in.resultWidth = 1200;
    in.resultHeight = 800;
    in.tavixQuality = 70;
    in.plusQuality = 40;
    s = ComputeControlStates(in);
    EXPECT_TRUE(*s.resultCommandsEnabled);
    EXPECT_EQ(*s.sizeText, "1200 x 800");
    EXPECT_FALSE(*s.pixelFormatVisible);
    EXPECT_FALSE(*s.jpegPanelVisible);
    EXPECT_FALSE(*s.formatJpegSelected);
    EXPECT_EQ(*s.jpegQuality, 70);
    EXPECT_FALSE(*s.calibrateVisible);
    EXPECT_TRUE(*s.overviewVisible);
    EXPECT_TRUE(*s.singleMapsButtonVisible);
    EXPECT_EQ(*s.calibrateCaption, "&Calibrate map");

    in.resultMap24Bit = true;
    in.mapsAreJpeg = true;
    in.geMode = true;
    in.autoStart = true;
    in.calibrateOffered = true;
    s = ComputeControlStates(in);
    EXPECT_TRUE(*s.pixelFormatVisible);
    EXPECT_TRUE(*s.jpegPanelVisible);
    EXPECT_TRUE(*s.formatJpegSelected);
    EXPECT_EQ(*s.jpegQuality, 40);
    EXPECT_FALSE(*s.overviewVisible);
    EXPECT_TRUE(*s.newCaptureVisible);
    EXPECT_FALSE(*s.singleMapsButtonVisible);
    EXPECT_TRUE(*s.calibrateVisible);
    EXPECT_FALSE(*s.calibrateEnabled);  // not saved yet
    EXPECT_EQ(*s.calibrateCaption, "Calibration");
    in.savedResultNameEmpty = false;
    EXPECT_TRUE(*ComputeControlStates(in).calibrateEnabled);
}

TEST(ControlRules, Placeholders) {
    EXPECT_EQ(FillPlaceholders("select map_file for %d. row and %d. col", {"2", "3"}),
              "select map_file for 2. row and 3. col");
    EXPECT_EQ(FillPlaceholders("%s and %s", {"a"}), "a and %s");
    EXPECT_EQ(FillPlaceholders("100% %s", {"x"}), "100% x");
}

// A result that cannot be composed leaves no result behind: the one shown before must not be
// saved as if it were the current join.
TEST_F(MainWindow, AResultThatCannotBeComposedLeavesNoOldResultToSave) {
    TfTavixMain& w = Open();
    NewMatrix(1, 1);
    tSingleMap& cell = *w.ActiveMap();
    cell.FilePath = dir / "solo.bmp";
    cell.Bitmap = std::make_unique<Bitmap>(MakeTestPicture(40, 30, 5));
    w.UpdateControls();
    Find<QPushButton>("bbShowResult")->click();
    ASSERT_FALSE(w.ResultMap.IsEmpty());
    EXPECT_TRUE(Find<QPushButton>("bbSaveMap")->isEnabled());

    Find<QPushButton>("bbSingleMaps")->click();
    cell.X = Bitmap::kMaxSide;  // the result would be wider than a bitmap may be
    Find<QPushButton>("bbShowResult")->click();
    ASSERT_TRUE(w.ResultPageShown());
    ASSERT_FALSE(dialogs.asked.isEmpty());
    EXPECT_TRUE(dialogs.asked.last().startsWith(QStringLiteral("error: ")))
        << dialogs.asked.last().toStdString();
    EXPECT_TRUE(w.ResultMap.IsEmpty());
    EXPECT_FALSE(Find<QPushButton>("bbSaveMap")->isEnabled());
    EXPECT_FALSE(Action("miSaveResult")->isEnabled());
}

// ---- Single maps by hand --------------------------------------------------------------------

TEST_F(MainWindow, HandLoadedMapCountsAsLoadedWhateverTheViewSetting) {
    WriteSettings("[application]\r\nlanguage=0\r\n[tavix]\r\nshowSingleMaps=0\r\n");
    TfTavixMain& w = Open();
    NewMatrix(1, 1);
    const auto map = dir / "solo.jpg";
    WriteMap(map, 3);
    dialogs.files = {Dialogs::FileAnswer{QString::fromStdString(map.string()), 0}};
    Find<QPushButton>("bbLoadMap")->click();
    EXPECT_EQ(dialogs.asked.last(), QStringLiteral("open: select map file for 1. row and 1. col"));
    EXPECT_EQ(dialogs.fileRequests.back().filter,
              QStringLiteral("Jpeg|*.jpg|Bitmap|*.bmp|PNG|*.png"));
    ASSERT_NE(w.ActiveMap()->Bitmap, nullptr);
    EXPECT_EQ(w.ActiveMap()->Bitmap->Format(), PixelFormat::Bits8);  // singleMaps8bit
    EXPECT_EQ(w.ActiveMap()->Name, "solo");
    EXPECT_TRUE(w.MapsLoaded);
    EXPECT_TRUE(w.MapsAreJpeg);
    EXPECT_TRUE(Find<QPushButton>("bbShowResult")->isEnabled());
    EXPECT_FALSE(Find<QPushButton>("bbTavixMaps")->isEnabled());
    EXPECT_EQ(Find<QPushButton>("bbLoadMap")->text(), QStringLiteral("Adjust map"));
    EXPECT_EQ(Action("miActiveMap")->text(), QStringLiteral("Adjust map"));

    // The loaded map is not thrown away without asking.
    dialogs.confirmations = {false};
    Find<QPushButton>("bbNewMatrix")->click();
    EXPECT_EQ(dialogs.asked.last(), QStringLiteral("confirm: Discard loaded maps"));
    EXPECT_NE(w.ActiveMap()->Bitmap, nullptr);
    dialogs.confirmations = {true};
    Find<QPushButton>("bbNewMatrix")->click();
    EXPECT_EQ(w.ActiveMap()->Bitmap, nullptr);
    EXPECT_FALSE(w.MapsLoaded);
    EXPECT_FALSE(w.MapsAreJpeg);
}

TEST_F(MainWindow, AnUnreadableMapLeavesItsCellWithoutBitmap) {
    TfTavixMain& w = Open();
    NewMatrix(2, 2);
    w.SelectCell(3);
    const auto broken = dir / "broken.bmp";
    WriteBytes(broken, {'B', 'M', 1, 2, 3});
    dialogs.files = {Dialogs::FileAnswer{QString::fromStdString(broken.string()), 1}};
    Action("miReloadMap")->trigger();
    EXPECT_EQ(w.ActiveIndex(), 3);  // the same cell stays active
    EXPECT_EQ(w.ActiveMap()->Bitmap, nullptr);
    EXPECT_EQ(w.ActiveMap()->Name, "broken");
    EXPECT_FALSE(w.MapsLoaded);
    ASSERT_TRUE(dialogs.asked.last().startsWith(QStringLiteral("error: Error in map files:")));
    EXPECT_TRUE(dialogs.asked.last().contains(QStringLiteral("broken.bmp")));
    EXPECT_FALSE(Find<QPushButton>("bbTavixMaps")->isEnabled());
    // A file but no bitmap: the active map command does nothing.
    const qsizetype askedBefore = dialogs.asked.size();
    Find<QPushButton>("bbLoadMap")->click();
    EXPECT_EQ(dialogs.asked.size(), askedBefore);
}

TEST_F(MainWindow, ShowAndHideMapsToggleTheSetting) {
    Open();
    ASSERT_TRUE(state.settings.showSingleMaps);
    EXPECT_FALSE(Find<QPushButton>("bbShowMaps")->isVisible());
    EXPECT_TRUE(Find<QPushButton>("bbHideMaps")->isVisible());
    EXPECT_EQ(Action("miShowMaps")->text(), QStringLiteral("&Hide maps"));
    Find<QPushButton>("bbHideMaps")->click();
    EXPECT_FALSE(state.settings.showSingleMaps);
    EXPECT_TRUE(Find<QPushButton>("bbShowMaps")->isVisible());
    EXPECT_EQ(Action("pmShowMaps")->text(), QStringLiteral("Show maps"));
    Action("pmShowMaps")->trigger();
    EXPECT_TRUE(state.settings.showSingleMaps);
}

// ---- Keyboard -------------------------------------------------------------------------------

TEST_F(MainWindow, KeysMoveTheActiveCellAndStopAtTheEdges) {
    TfTavixMain& w = Open();
    NewMatrix(3, 4);
    ASSERT_EQ(w.ActiveIndex(), 0);
    const QImage before = Find<MatrixPicture>("iMatrixImage")->Picture().copy();
    QTest::keyClick(&w, Qt::Key_Left);
    QTest::keyClick(&w, Qt::Key_Up);
    QTest::keyClick(&w, Qt::Key_PageUp);
    EXPECT_EQ(w.ActiveIndex(), 0);
    EXPECT_EQ(Find<MatrixPicture>("iMatrixImage")->Picture(), before);  // not redrawn

    const auto at = [&w] { return std::pair<int, int>(w.ActiveMap()->Row, w.ActiveMap()->Col); };
    const std::tuple<Qt::Key, int, int> steps[] = {
        {Qt::Key_Right, 1, 2}, {Qt::Key_Down, 2, 2},     {Qt::Key_End, 2, 4},
        {Qt::Key_Right, 2, 4}, {Qt::Key_PageDown, 3, 4}, {Qt::Key_Down, 3, 4},
        {Qt::Key_Home, 3, 1},  {Qt::Key_PageUp, 1, 1},
    };
    for (const auto& [key, row, col] : steps) {
        QTest::keyClick(&w, key);
        EXPECT_EQ(at(), std::make_pair(row, col)) << QKeySequence(key).toString().toStdString();
    }

    // A focused button passes the keys on; a focused spin edit keeps them.
    QTest::keyClick(Find<QPushButton>("bbNewMatrix"), Qt::Key_Right);
    EXPECT_EQ(at(), std::make_pair(1, 2));
    auto* rows = Find<QSpinBox>("seNumRows");
    QTest::keyClick(rows, Qt::Key_Up);
    EXPECT_EQ(rows->value(), 4);
    EXPECT_EQ(at(), std::make_pair(1, 2));
}

// ---- Matrix picture -------------------------------------------------------------------------

TEST_F(MainWindow, MatrixPictureColoursFramesAndSelection) {
    TfTavixMain& w = Open();
    NewMatrix(2, 2);
    auto* picture = Find<MatrixPicture>("iMatrixImage");
    const QImage& image = picture->Picture();
    ASSERT_EQ(image.size(), picture->size());
    // The picture's blue frame, with background inside (the active cell's frame covers the
    // top-left corner).
    EXPECT_EQ(PixelOf(image, image.width() - 1, image.height() / 2), QColor(Qt::blue));
    EXPECT_EQ(PixelOf(image, image.width() / 2, image.height() - 1), QColor(Qt::blue));
    EXPECT_EQ(PixelOf(image, image.width() - 2, image.height() / 2), kMatrixBackground);

    const Rect first = w.Matrix.At(1, 1)->CellRect;
    const Rect second = w.Matrix.At(1, 2)->CellRect;
    EXPECT_EQ(second.left, first.right + 4);  // gap of three pixels
    const int midY = (first.top + first.bottom) / 2;
    EXPECT_EQ(PixelOf(image, (first.left + first.right) / 2, midY), QColor(Qt::white));
    // Active frame: red, one pixel outside and one inside the cell.
    EXPECT_EQ(PixelOf(image, first.left - 1, midY), QColor(Qt::red));
    EXPECT_EQ(PixelOf(image, first.left, midY), QColor(Qt::red));
    EXPECT_EQ(PixelOf(image, first.left + 1, midY), QColor(Qt::white));
    EXPECT_EQ(PixelOf(image, first.right + 1, midY), QColor(Qt::red));
    EXPECT_EQ(PixelOf(image, first.right + 2, midY), kMatrixBackground);  // middle of the gap
    EXPECT_EQ(PixelOf(image, second.left - 1, midY), QColor(Qt::blue));
    EXPECT_EQ(PixelOf(image, second.left, midY), QColor(Qt::blue));

    // A press selects the cell under the pointer; the frames follow.
    QTest::mouseClick(picture, Qt::LeftButton, {}, QPoint(second.left + 10, midY));
    EXPECT_EQ(w.ActiveIndex(), 1);
    EXPECT_EQ(PixelOf(picture->Picture(), second.left, midY), QColor(Qt::red));
    EXPECT_EQ(PixelOf(picture->Picture(), first.left, midY), QColor(Qt::blue));

    // A double click runs the active map command: here "Load map".
    const Rect lower = w.Matrix.At(2, 1)->CellRect;
    QTest::mouseDClick(picture, Qt::LeftButton, {}, QPoint(lower.left + 5, lower.top + 5));
    EXPECT_EQ(w.ActiveIndex(), 2);
    EXPECT_EQ(dialogs.asked.last(), QStringLiteral("open: select map file for 2. row and 1. col"));

    // A resize rebuilds the picture for the new size.
    w.resize(w.width() + 60, w.height() + 40);
    Settle();
    EXPECT_EQ(picture->Picture().size(), picture->size());
    EXPECT_GT(w.Matrix.At(1, 2)->CellRect.left, second.left);
}

TEST_F(MainWindow, CellsShowTheirMapsLightenedWhenJoinedOrTheirNames) {
    TfTavixMain& w = Open();
    NewMatrix(1, 2);
    // A map of one colour, so that stretching keeps it exactly.
    Bitmap plain(30, 20, PixelFormat::Bits24);
    plain.Fill(Rgb{200, 120, 40});
    const Rgb reduced = ConvertPixelFormat(plain, PixelFormat::Bits8).PixelAt(0, 0);
    tSingleMap& left = *w.Matrix.At(1, 1);
    left.Bitmap = std::make_unique<Bitmap>(CloneBitmap(plain));
    left.FilePath = dir / "plain.bmp";
    left.Name = "plain";
    w.BuildMatrixPicture();
    auto* picture = Find<MatrixPicture>("iMatrixImage");
    const Rect r = left.CellRect;
    const QPoint centre((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    EXPECT_EQ(PixelOf(picture->Picture(), centre.x(), centre.y()),
              QColor(reduced.r, reduced.g, reduced.b));

    left.Joined = true;
    w.DrawMatrixCell(0);
    const auto up = [](int c) { return std::min(255, c + kJoinedLightening); };
    EXPECT_EQ(PixelOf(picture->Picture(), centre.x(), centre.y()),
              QColor(up(reduced.r), up(reduced.g), up(reduced.b)));

    // Names instead of maps: blue for a joined cell, red for the others.
    state.settings.showSingleMaps = false;
    w.Matrix.At(1, 2)->Name = "other";
    w.BuildMatrixPicture();
    const auto count = [&](const Rect& cell, QColor colour) {
        int n = 0;
        for (int y = cell.top + 2; y < cell.bottom - 1; ++y)
            for (int x = cell.left + 2; x < cell.right - 1; ++x)
                n += PixelOf(picture->Picture(), x, y) == colour ? 1 : 0;
        return n;
    };
    EXPECT_GT(count(r, Qt::blue), 20);
    EXPECT_EQ(count(r, Qt::red), 0);
    EXPECT_GT(count(w.Matrix.At(1, 2)->CellRect, Qt::red), 20);
    EXPECT_EQ(PixelOf(picture->Picture(), r.left + 3, r.top + 3), QColor(Qt::white));
}

TEST_F(MainWindow, OverviewShowsJoinedCells) {
    TfTavixMain& w = Open();
    NewMatrix(1, 2);
    w.JoinedCount = 1;
    w.Matrix.At(1, 1)->Joined = true;
    w.UpdateControls();
    Find<QPushButton>("bbShowResult")->click();
    ASSERT_TRUE(w.ResultPageShown());
    w.ResultMap = Bitmap(10, 10, PixelFormat::Bits8);
    w.UpdateControls();
    Settle();
    auto* overview = Find<PictureBox>("iMatrix");
    ASSERT_TRUE(overview->isVisible());
    w.DrawMatrixOverview();
    const QImage& image = overview->Picture();
    ASSERT_EQ(image.height(), 88);
    const int w2 = (image.width() - 2 * 3) / 2;
    const int h = image.height() - 3;
    EXPECT_EQ(PixelOf(image, 0, 0), QColor(Qt::blue));
    EXPECT_EQ(PixelOf(image, 1 + w2 / 2, 1 + h / 2), QColor(Qt::blue));  // joined
    const int otherLeft = 1 + w2 + 3;
    EXPECT_EQ(PixelOf(image, otherLeft + w2 / 2, 1 + h / 2), QColor(Qt::white));
    EXPECT_EQ(PixelOf(image, otherLeft, 1 + h / 2), QColor(Qt::black));
    EXPECT_EQ(PixelOf(image, otherLeft - 2, 1 + h / 2), kOverviewBackground);
}

}  // namespace
}  // namespace korvalen::test
