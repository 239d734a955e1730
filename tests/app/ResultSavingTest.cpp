// Saving the result map, the format controls of the result page and re-encoding the single
// maps, driven through the main window with scripted dialogs.
#include <QApplication>
#include <QDateTime>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSlider>
#include <QTimer>

#include "MainWindowFixture.h"
#include "images/FileAccess.h"
#include "images/MapFiles.h"

namespace korvalen::test {
namespace {
namespace fs = std::filesystem;

QString Q(const fs::path& path) {
    return QString::fromStdString(DisplayPath(path));
}

bool StartsWith(const fs::path& path, std::initializer_list<uint8_t> magic) {
    const std::vector<uint8_t> bytes = ReadBytes(path);
    return bytes.size() >= magic.size() && std::equal(magic.begin(), magic.end(), bytes.begin());
}

size_t FilesIn(const fs::path& folder) {
    return static_cast<size_t>(
        std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

class ResultSaving : public MainWindowFixture {
protected:
    // The window on the result page with this result map, left unsaved by a join.
    TfTavixMain& OpenWithResult(Bitmap map, bool jpeg) {
        TfTavixMain& w = Open();
        w.ResultMap = std::move(map);
        w.MapsAreJpeg = jpeg;
        state.ResultUnsaved = true;
        w.SavedResultName = "earlier.jpg";
        w.ShowResultPage();
        w.UpdateControls();
        Settle();
        return w;
    }

    void Answer(const fs::path& path, int filterIndex) {
        dialogs.files.push_back(Dialogs::FileAnswer{Q(path), filterIndex});
    }

    // Puts a map file into a cell as "Load map" would.
    void PutMap(int r, int c, const fs::path& path) {
        tSingleMap& cell = *window->Matrix.At(r, c);
        cell.FilePath = path;
        cell.Name = BaseAtFirstStop(path);
        cell.Bitmap = std::make_unique<Bitmap>();
        std::string error;
        ASSERT_TRUE(LoadMapFile(path, *cell.Bitmap, state.settings.singleMaps8bit, error)) << error;
    }

    // A matrix of one row holding these map files, written from seeds 1, 2, ...
    void LoadRow(std::initializer_list<const char*> names, int width = 40, int height = 30) {
        NewMatrix(1, static_cast<int>(names.size()));
        int col = 1;
        for (const char* name : names) {
            WriteMap(dir / name, col, width, height);
            PutMap(1, col++, dir / name);
        }
        window->BuildMatrixPicture();
        window->UpdateControls();
    }

    QStringList Errors() const { return dialogs.asked.filter(QStringLiteral("error: ")); }
};

// Runs in another current folder for the length of a test.
class CurrentFolder {
public:
    explicit CurrentFolder(const fs::path& folder) : old_(fs::current_path()) {
        fs::current_path(folder);
    }
    ~CurrentFolder() { fs::current_path(old_); }

private:
    fs::path old_;
};

// ---- The proposed name ----------------------------------------------------------------------

TEST_F(ResultSaving, JoinedJpegMapsWithoutFolderOrPatternGetTheCurrentFolderAndTheTime) {
    const CurrentFolder here(dir.Path());
    TfTavixMain& w = OpenWithResult(MakeTestPicture(30, 20, 1), true);
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    Find<QPushButton>("bbSaveMap")->click();
    const QDateTime after = QDateTime::currentDateTime().addSecs(1);

    ASSERT_EQ(dialogs.fileRequests.size(), 1u);
    const Dialogs::FileRequest& request = dialogs.fileRequests.back();
    EXPECT_EQ(request.title, QStringLiteral("save map"));
    EXPECT_EQ(request.filter, QStringLiteral("Jpeg|*.jpg|Bitmap|*.bmp"));
    EXPECT_EQ(request.filterIndex, 0);
    EXPECT_EQ(request.folder, Q(fs::current_path()));
    const QString expectedStart = Q(fs::current_path()) + QDir::separator();
    ASSERT_TRUE(request.fileName.startsWith(expectedStart)) << request.fileName.toStdString();
    const QString name = request.fileName.mid(expectedStart.size());
    ASSERT_TRUE(QRegularExpression(QStringLiteral("^\\d{12}\\.jpg$")).match(name).hasMatch())
        << name.toStdString();
    const QDateTime stamp = QDateTime::fromString(QStringLiteral("20") + name.left(12),
                                                  QStringLiteral("yyyyMMddHHmmss"));
    EXPECT_GE(stamp, before.addMSecs(-before.time().msec()));
    EXPECT_LE(stamp, after);

    // The dialog was cancelled: nothing changed and nothing more was said.
    EXPECT_TRUE(state.ResultUnsaved);
    EXPECT_EQ(w.SavedResultName, "earlier.jpg");
    EXPECT_EQ(dialogs.asked, QStringList{QStringLiteral("save: save map")});
    EXPECT_EQ(FilesIn(dir.Path()), 1u);  // the settings file
}

TEST_F(ResultSaving, PatternNameIsProposedInTheResultFolder) {
    TfTavixMain& w = OpenWithResult(MakeTestPicture(30, 20, 1), false);
    state.settings.tavixedMapsDirectory = DisplayPath(dir / "results");
    state.ResultNameHint = "alps";
    w.bbSaveMapClick();
    ASSERT_EQ(dialogs.fileRequests.size(), 1u);
    EXPECT_EQ(dialogs.fileRequests[0].fileName, Q(dir / "results" / "alps.bmp"));
    EXPECT_EQ(dialogs.fileRequests[0].folder, Q(dir / "results"));
    EXPECT_EQ(dialogs.fileRequests[0].filterIndex, 1);
}

TEST_F(ResultSaving, CaptureIsProposedByItsNameAndSavedWithTheQualityTheBarShows) {
    TfTavixMain& w = Open();
    state.GEMode = true;
    state.settings.mapImagesDirectory = DisplayPath(dir.Path());
    state.settings.plusCompressionQuality = 35;
    state.settings.compressionQuality = 90;
    w.CaptureMapName = "lake";
    const Bitmap map = MakeTestPicture(80, 60, 7);
    w.ResultMap = map;
    w.MapsAreJpeg = true;
    w.ShowResultPage();
    w.UpdateControls();
    EXPECT_EQ(Find<QSlider>("tbQuality")->value(), 35);

    Answer(dir / "lake.jpg", 0);
    w.bbSaveMapClick();
    ASSERT_EQ(dialogs.fileRequests.size(), 1u);
    EXPECT_EQ(dialogs.fileRequests[0].fileName, Q(dir / "lake.jpg"));
    std::vector<uint8_t> expected;
    std::string error;
    ASSERT_TRUE(EncodeJpeg(map, 35, expected, error)) << error;
    EXPECT_EQ(ReadBytes(dir / "lake.jpg"), expected);
}

// ---- Writing --------------------------------------------------------------------------------

TEST_F(ResultSaving, ExtensionFollowsTheChosenFilter) {
    const Bitmap map = MakeTestPicture(50, 40, 2);
    TfTavixMain& w = OpenWithResult(map, true);

    // "result.jpg" typed with the filter "Bitmap": a Windows bitmap named result.bmp.
    Answer(dir / "result.jpg", 1);
    Find<QPushButton>("bbSaveMap")->click();
    ASSERT_TRUE(Errors().isEmpty()) << Errors().join('\n').toStdString();
    EXPECT_FALSE(fs::exists(dir / "result.jpg"));
    ASSERT_TRUE(StartsWith(dir / "result.bmp", {'B', 'M'}));
    Bitmap read;
    std::string error;
    ASSERT_TRUE(ReadBmpFile(dir / "result.bmp", read, error)) << error;
    EXPECT_TRUE(SamePixels(read, map));
    EXPECT_FALSE(state.ResultUnsaved);
    EXPECT_EQ(w.SavedResultName, DisplayPath(dir / "result.bmp"));
    ASSERT_EQ(dialogs.timedMessages.size(), 1u);
    const Dialogs::TimedMessage& message = dialogs.timedMessages[0];
    EXPECT_EQ(message.text,
              QStringLiteral("Tavixed map %1 has been saved").arg(Q(dir / "result.bmp")));
    EXPECT_EQ(message.intervalMs, 3000);
    EXPECT_EQ(message.fontSize, 12);
    EXPECT_EQ(message.colour, QColor(0, 0, 255));

    // "result" typed with the filter "Jpeg": result.jpg.
    state.ResultUnsaved = true;
    Answer(dir / "result", 0);
    Action("miSaveResult")->trigger();
    ASSERT_TRUE(StartsWith(dir / "result.jpg", {0xFF, 0xD8}));
    EXPECT_EQ(w.SavedResultName, DisplayPath(dir / "result.jpg"));
    EXPECT_FALSE(state.ResultUnsaved);
}

TEST_F(ResultSaving, CalibrationOfferedAsksInsteadOfTheTimedMessage) {
    TfTavixMain& w = OpenWithResult(MakeTestPicture(20, 20, 3), false);
    state.CalibrateOffered = true;
    w.SavedResultName.clear();
    w.UpdateControls();
    EXPECT_FALSE(Find<QPushButton>("bbCalibrateMap")->isEnabled());
    Answer(dir / "calibrate.bmp", 1);
    dialogs.selections = {0};
    w.bbSaveMapClick();
    ASSERT_EQ(dialogs.selectionsAsked.size(), 1u);
    EXPECT_EQ(Described(dialogs.selectionsAsked[0]),
              QStringLiteral("Tavixed map %1 has been saved |  | Calibrate now | default 1, font 8")
                  .arg(Q(dir / "calibrate.bmp"))
                  .toStdString());
    EXPECT_TRUE(dialogs.timedMessages.empty());
    // The rule enables it now (the button itself waits for its window).
    EXPECT_TRUE(*ComputeControlStates(w.GatherControlInputs()).calibrateEnabled);
}

// ---- Failures -------------------------------------------------------------------------------

// Neither a file where a folder should be nor an old file whose temporary neighbour cannot be
// made (its name is as long as the file system allows) may be touched by a failed save.
TEST_F(ResultSaving, FailedSaveKeepsTheOldFilesAndTheResultUnsaved) {
    const fs::path long_ = dir / (std::string(251, 'm') + ".jpg");
    WriteBytes(dir / "plain", {'x'});
    WriteBytes(long_, {'o', 'l', 'd'});
    TfTavixMain& w = OpenWithResult(MakeTestPicture(20, 20, 3), true);
    const size_t filesBefore = FilesIn(dir.Path());
    for (const fs::path& target : {dir / "plain" / "result.jpg", long_}) {
        SCOPED_TRACE(target.filename());
        dialogs.asked.clear();
        Answer(target, 0);
        w.bbSaveMapClick();
        ASSERT_EQ(Errors().size(), 1);
        EXPECT_TRUE(Errors()[0].contains(Q(target))) << Errors()[0].toStdString();
        EXPECT_TRUE(state.ResultUnsaved);
        EXPECT_EQ(w.SavedResultName, "earlier.jpg");
    }
    EXPECT_EQ(ReadBytes(dir / "plain"), std::vector<uint8_t>{'x'});
    EXPECT_EQ(ReadBytes(long_), (std::vector<uint8_t>{'o', 'l', 'd'}));
    EXPECT_EQ(FilesIn(dir.Path()), filesBefore);
    EXPECT_TRUE(dialogs.timedMessages.empty());
}

TEST_F(ResultSaving, TooWideForJpegOffersTheBitmapFormat) {
    TfTavixMain& w = OpenWithResult(Bitmap(70000, 2, PixelFormat::Bits4), true);
    Answer(dir / "wide.jpg", 0);
    dialogs.confirmations = {false};  // refused: nothing is written
    w.bbSaveMapClick();
    EXPECT_TRUE(Errors().isEmpty());
    EXPECT_EQ(FilesIn(dir.Path()), 1u);
    EXPECT_TRUE(state.ResultUnsaved);

    dialogs.asked.clear();
    Answer(dir / "wide.jpg", 0);
    Answer(dir / "wide.bmp", 1);
    dialogs.confirmations = {true};
    w.bbSaveMapClick();
    const QStringList confirms = dialogs.asked.filter(QStringLiteral("confirm: "));
    ASSERT_EQ(confirms.size(), 1);
    EXPECT_TRUE(confirms[0].contains(QStringLiteral("65535"))) << confirms[0].toStdString();
    EXPECT_TRUE(confirms[0].contains(QStringLiteral("70000 x 2"))) << confirms[0].toStdString();
    EXPECT_TRUE(confirms[0].contains(QStringLiteral("Save as bitmap instead?")));
    // The dialog comes back with the bitmap name, so the user is asked before replacing it.
    ASSERT_EQ(dialogs.fileRequests.size(), 3u);
    EXPECT_EQ(dialogs.fileRequests[2].fileName, Q(dir / "wide.bmp"));
    EXPECT_EQ(dialogs.fileRequests[2].filterIndex, 1);
    EXPECT_FALSE(fs::exists(dir / "wide.jpg"));
    EXPECT_TRUE(StartsWith(dir / "wide.bmp", {'B', 'M'}));
    EXPECT_EQ(w.SavedResultName, DisplayPath(dir / "wide.bmp"));
    EXPECT_FALSE(state.ResultUnsaved);
}

// Large enough to be encoded in strips on several threads: the window still hears of the
// progress on its own thread.
TEST_F(ResultSaving, LongWriteLetsTheWindowRepaintUnderTheWaitCursor) {
    TfTavixMain& w = OpenWithResult(MakeTestPicture(1800, 1200, 4), true);
    Answer(dir / "big.jpg", 0);
    bool ran = false;
    bool fileThere = true;
    bool unsavedMeanwhile = false;
    Qt::CursorShape cursor = Qt::ArrowCursor;
    QTimer::singleShot(0, &w, [&] {
        ran = true;
        fileThere = fs::exists(dir / "big.jpg");
        unsavedMeanwhile = state.ResultUnsaved;
        if (const QCursor* shown = QApplication::overrideCursor())
            cursor = shown->shape();
    });
    w.bbSaveMapClick();
    EXPECT_TRUE(ran);
    EXPECT_FALSE(fileThere);
    EXPECT_TRUE(unsavedMeanwhile);
    EXPECT_EQ(cursor, Qt::WaitCursor);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(fs::exists(dir / "big.jpg"));
    EXPECT_FALSE(Find<QProgressBar>("pbProgress")->isVisible());
}

// ---- Format controls ------------------------------------------------------------------------

TEST_F(ResultSaving, PixelFormatHidesItselfAfterEightBit) {
    TfTavixMain& w = OpenWithResult(MakeTestPicture(40, 30, 5), false);
    auto* group = Find<QGroupBox>("rgPixelFormat");
    ASSERT_TRUE(group->isVisible());
    EXPECT_TRUE(Find<QRadioButton>("rbPixel24")->isChecked());
    EXPECT_EQ(Find<QLabel>("stSize")->text(), QStringLiteral("40 x 30"));

    Find<QRadioButton>("rbPixel8")->click();
    EXPECT_EQ(w.ResultMap.Format(), PixelFormat::Bits8);
    EXPECT_FALSE(group->isVisible());
    EXPECT_EQ(Find<QLabel>("stSize")->text(), QStringLiteral("40 x 30"));

    // It stays hidden until a 24-bit result comes back.
    w.UpdateControls();
    EXPECT_FALSE(group->isVisible());
    w.ResultMap = MakeTestPicture(40, 30, 5);
    w.UpdateControls();
    EXPECT_TRUE(group->isVisible());
    EXPECT_TRUE(Find<QRadioButton>("rbPixel24")->isChecked());
}

TEST_F(ResultSaving, FormatChoosesTheJpegPanelAndTheBarWritesTheQualityShown) {
    TfTavixMain& w = OpenWithResult(MakeTestPicture(40, 30, 5), false);
    auto* panel = Find<QWidget>("pJpeg");
    EXPECT_FALSE(panel->isVisible());
    Find<QRadioButton>("rbFormatJpeg")->click();
    EXPECT_TRUE(w.MapsAreJpeg);
    EXPECT_TRUE(panel->isVisible());

    Find<QSlider>("tbQuality")->setValue(85);
    EXPECT_EQ(state.settings.compressionQuality, 85);
    EXPECT_EQ(Find<QLabel>("stQuality")->text(), QStringLiteral("85"));

    state.GEMode = true;
    w.UpdateControls();
    EXPECT_EQ(Find<QSlider>("tbQuality")->value(), state.settings.plusCompressionQuality);
    Find<QSlider>("tbQuality")->setValue(40);
    EXPECT_EQ(state.settings.plusCompressionQuality, 40);
    EXPECT_EQ(state.settings.compressionQuality, 85);

    Find<QRadioButton>("rbFormatBmp")->click();
    EXPECT_FALSE(w.MapsAreJpeg);
    EXPECT_FALSE(panel->isVisible());
}

// ---- Re-encoding the single maps ------------------------------------------------------------

TEST_F(ResultSaving, ConvertWithoutPromptTurnsBitmapsIntoJpegsTheCellsThenRead) {
    TfTavixMain& w = Open();
    LoadRow({"b1.bmp", "b2.bmp", "b3.jpg"});
    const std::vector<uint8_t> jpegBefore = ReadBytes(dir / "b3.jpg");
    ASSERT_TRUE(Action("miConvertBmpToJpeg")->isEnabled());

    dialogs.selections = {2};
    Action("miConvertBmpToJpeg")->trigger();
    ASSERT_EQ(dialogs.selectionsAsked.size(), 1u);
    EXPECT_EQ(Described(dialogs.selectionsAsked[0]),
              "Convert bmp single maps to jpeg | Convert with 70% compression quality | Convert "
              "with prompt for file name / Convert without prompt | default 1, font 8");
    EXPECT_TRUE(Errors().isEmpty()) << Errors().join('\n').toStdString();

    const tSingleMap& b2 = *w.Matrix.At(1, 2);
    EXPECT_EQ(b2.FilePath, dir / "b2.jpg");
    EXPECT_EQ(b2.Name, "b2");
    ASSERT_TRUE(StartsWith(dir / "b2.jpg", {0xFF, 0xD8}));
    EXPECT_TRUE(fs::exists(dir / "b2.bmp"));
    Bitmap fromJpeg;
    std::string error;
    ASSERT_TRUE(LoadMapFile(dir / "b2.jpg", fromJpeg, state.settings.singleMaps8bit, error));
    ASSERT_NE(b2.Bitmap, nullptr);
    EXPECT_TRUE(SamePixels(*b2.Bitmap, fromJpeg));
    EXPECT_EQ(w.Matrix.At(1, 1)->FilePath, dir / "b1.jpg");
    EXPECT_EQ(w.Matrix.At(1, 3)->FilePath, dir / "b3.jpg");
    EXPECT_EQ(ReadBytes(dir / "b3.jpg"), jpegBefore);
    EXPECT_FALSE(Find<QProgressBar>("pbProgress")->isVisible());
    EXPECT_TRUE(Find<QWidget>("pcTavixMaps")->isEnabled());
}

TEST_F(ResultSaving, ConvertWithPromptAsksForEachNameAndSkipsCancelledOnes) {
    TfTavixMain& w = Open();
    LoadRow({"a1.bmp", "a2.bmp"});
    dialogs.selections = {1};
    Answer(dir / "renamed", 0);
    dialogs.files.push_back(std::nullopt);
    w.miConvertBmpToJpegClick();

    ASSERT_EQ(dialogs.fileRequests.size(), 2u);
    EXPECT_EQ(dialogs.fileRequests[0].fileName, Q(dir / "a1.jpg"));
    EXPECT_EQ(dialogs.fileRequests[0].filterIndex, 0);
    EXPECT_EQ(dialogs.fileRequests[1].fileName, Q(dir / "a2.jpg"));
    EXPECT_EQ(w.Matrix.At(1, 1)->FilePath, dir / "renamed.jpg");
    EXPECT_EQ(w.Matrix.At(1, 1)->Name, "a1");
    EXPECT_TRUE(StartsWith(dir / "renamed.jpg", {0xFF, 0xD8}));
    EXPECT_EQ(w.Matrix.At(1, 2)->FilePath, dir / "a2.bmp");
    EXPECT_FALSE(fs::exists(dir / "a2.jpg"));
}

TEST_F(ResultSaving, ConvertFailureIsReportedWithTheFileAndStops) {
    TfTavixMain& w = Open();
    LoadRow({"a1.bmp", "a2.bmp"});
    fs::create_directory(dir / "a1.jpg");  // the new name is taken by a folder
    dialogs.selections = {2};
    w.miConvertBmpToJpegClick();
    ASSERT_EQ(Errors().size(), 1);
    EXPECT_TRUE(Errors()[0].contains(Q(dir / "a1.jpg"))) << Errors()[0].toStdString();
    EXPECT_EQ(w.Matrix.At(1, 1)->FilePath, dir / "a1.bmp");
    EXPECT_EQ(w.Matrix.At(1, 2)->FilePath, dir / "a2.bmp");
    EXPECT_FALSE(fs::exists(dir / "a2.jpg"));
}

TEST_F(ResultSaving, CompressAllRewritesEveryMapAsJpegAndReadsItAgain) {
    TfTavixMain& w = Open();
    state.settings.compressionQuality = 20;
    LoadRow({"a1.bmp", "a2.jpg"}, 200, 150);  // the JPEG written at quality 90
    const std::vector<uint8_t> bmpBefore = ReadBytes(dir / "a1.bmp");
    const uintmax_t jpegBefore = fs::file_size(dir / "a2.jpg");
    ASSERT_TRUE(Action("miCompressAll")->isEnabled());

    dialogs.confirmations = {true};
    Action("miCompressAll")->trigger();
    EXPECT_EQ(dialogs.asked.value(0),
              QStringLiteral("confirm: Compress all single maps with 20 compression quality"));
    EXPECT_TRUE(Errors().isEmpty()) << Errors().join('\n').toStdString();
    // The bitmap gets a JPEG beside it and stays the cell's file.
    EXPECT_TRUE(StartsWith(dir / "a1.jpg", {0xFF, 0xD8}));
    EXPECT_EQ(ReadBytes(dir / "a1.bmp"), bmpBefore);
    EXPECT_EQ(w.Matrix.At(1, 1)->FilePath, dir / "a1.bmp");
    // The JPEG is replaced at the lower quality and read again.
    EXPECT_LT(fs::file_size(dir / "a2.jpg"), jpegBefore);
    Bitmap again;
    std::string error;
    ASSERT_TRUE(LoadMapFile(dir / "a2.jpg", again, state.settings.singleMaps8bit, error));
    EXPECT_TRUE(SamePixels(*w.Matrix.At(1, 2)->Bitmap, again));
}

TEST_F(ResultSaving, DeclinedConversionsChangeNothing) {
    TfTavixMain& w = Open();
    LoadRow({"a1.bmp", "a2.jpg"});
    const std::vector<uint8_t> before = ReadBytes(dir / "a2.jpg");
    const size_t files = FilesIn(dir.Path());
    dialogs.selections = {0};  // break
    w.miConvertBmpToJpegClick();
    dialogs.confirmations = {false};
    w.miCompressAllClick();
    EXPECT_EQ(FilesIn(dir.Path()), files);
    EXPECT_EQ(ReadBytes(dir / "a2.jpg"), before);
    EXPECT_EQ(w.Matrix.At(1, 1)->FilePath, dir / "a1.bmp");
}

}  // namespace
}  // namespace korvalen::test
