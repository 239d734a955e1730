#include "app/MainWindowFixture.h"

#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QWidget>

#include "geo/TavixPlacemarkGrid.h"

namespace korvalen::test {
namespace {

class LoadGridPattern : public MainWindowFixture {
protected:
    void WritePattern(const std::string& name, const std::string& text) {
        WriteBytes(dir / name, std::vector<uint8_t>(text.begin(), text.end()));
    }
    void WriteImages(const std::filesystem::path& folder, int count, int skip = 0) {
        std::filesystem::create_directories(folder);
        for (int n = 1; n <= count; ++n)
            if (n != skip)
                WriteMap(folder / PatternName(n, count), static_cast<unsigned>(n));
    }
    static std::string PatternName(int n, int count) {
        std::string digits = std::to_string(n);
        const size_t width = count >= 100 ? 3 : count >= 10 ? 2 : 1;
        return std::string(width - std::min(width, digits.size()), '0') + digits + ".jpg";
    }
    // Answers the open dialog with the pattern file and the folder dialog with the folders.
    void Answer(const std::string& pattern, std::vector<std::filesystem::path> folders) {
        dialogs.files.push_back(
            Dialogs::FileAnswer{QString::fromStdString((dir / pattern).string())});
        for (const auto& folder : folders)
            dialogs.folders.push_back(QString::fromStdString(folder.string()));
    }
    static std::string Grid(int rows, int cols, int overlap) {
        return "[Grid]\r\nNumRows=" + std::to_string(rows) + "\r\nNumCols=" + std::to_string(cols) +
               "\r\nOverlapping=" + std::to_string(overlap) + "\r\n";
    }
    static constexpr const char* kCorners =
        "[calibration]\r\nP1lat=47.6\r\nP1lon=8.1\r\nP2lat=47.6\r\nP2lon=8.3\r\nP3lat=47.4\r\n"
        "P3lon=8.1\r\nP4lat=47.4\r\nP4lon=8.3\r\n";
};

TEST_F(LoadGridPattern, FillsTheMatrixWithTheNumberedImages) {
    Open();
    WritePattern("alps.grid.pgp", Grid(3, 3, 15) + kCorners);
    WriteImages(dir / "shots", 9);
    Answer("alps.grid.pgp", {dir / "shots"});
    window->bbLoadGridPatternClick();

    EXPECT_EQ(window->Rows(), 3);
    EXPECT_EQ(window->Cols(), 3);
    EXPECT_EQ(CellNames(), "1 2 3 / 4 5 6 / 7 8 9");
    EXPECT_EQ(window->Matrix.At(2, 2)->FilePath.filename(), "5.jpg");  // image 5: row 2, col 2
    EXPECT_TRUE(window->Matrix.AllCellsHaveMaps());
    EXPECT_EQ(Find<QSpinBox>("seNumRows")->value(), 3);
    EXPECT_TRUE(window->MapsLoaded);
    EXPECT_TRUE(window->MapsAreJpeg);
    EXPECT_TRUE(state.GridPatternJoin);
    EXPECT_TRUE(state.CalibrateOffered);
    EXPECT_EQ(state.ResultNameHint, "alps");
    EXPECT_NEAR(window->Joining().Grid.GridOverlapFactor, 0.15f, 1e-6);
    EXPECT_EQ(window->Joining().Grid.GridBandBase, 25);
    // The corners for the hand calibration: coordinates set, pixels still to be placed.
    EXPECT_DOUBLE_EQ(state.GridCorners[2].Lat, 47.4);
    EXPECT_DOUBLE_EQ(state.GridCorners[3].Lon, 8.3);
    EXPECT_EQ(state.GridCorners[0].X, kNotPlaced);
    EXPECT_EQ(state.GridCorners[0].State, kPointSet);
    // "Load all maps" and "Change algorithm" wait until the pattern is joined.
    EXPECT_FALSE(Find<QPushButton>("bbLoadAllMaps")->isEnabled());
    EXPECT_FALSE(Find<QPushButton>("bbChangeAlgorithm")->isEnabled());
    EXPECT_TRUE(dialogs.asked.filter("message:").isEmpty())
        << dialogs.asked.join("\n").toStdString();
}

// Image names take as many digits as the count needs; without all four corners there is no
// calibration to offer.
TEST_F(LoadGridPattern, NamesFollowTheImageCountAndOnlyFullCornersOfferCalibration) {
    Open();
    const struct {
        std::string text;
        int count;
        const char* names;
    } cases[] = {
        {Grid(3, 4, 10), 12, "01 02 03 04 / 05 06 07 08 / 09 10 11 12"},
        {Grid(2, 2, 10) + "[calibration]\r\nP1lat=1\r\nP1lon=2\r\nP2lat=1\r\nP2lon=3\r\n"
                          "P3lon=2\r\nP4lat=0\r\nP4lon=3\r\n",
         4, "1 2 / 3 4"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.names);
        WritePattern("p.pgp", c.text);
        const auto folder = dir / std::to_string(c.count);
        WriteImages(folder, c.count);
        Answer("p.pgp", {folder});
        window->bbLoadGridPatternClick();
        EXPECT_EQ(CellNames(), c.names);
        EXPECT_TRUE(state.GridPatternJoin);
        EXPECT_FALSE(state.CalibrateOffered);
        EXPECT_TRUE(Find<QPushButton>("bbCalibrateMap")->isHidden());
    }
}

TEST_F(LoadGridPattern, BadParametersAndOtherFilesAreRefused) {
    Open();
    NewMatrix(2, 5);
    struct Case {
        std::string text;
        const char* message;
    } cases[] = {
        {Grid(3, 3, 9), "message: Bad grid_pattern parameter"},
        {Grid(3, 3, 26), "message: Bad grid_pattern parameter"},
        {Grid(0, 3, 10), "message: Bad grid_pattern parameter"},
        {Grid(101, 100, 10), "message: Bad grid_pattern parameter"},
        {Grid(-2, -2, 10), "message: Bad grid_pattern parameter"},
        {"[Other]\r\nNumRows=3\r\n", "is no placemark grid file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        WritePattern("p.pgp", c.text);
        Answer("p.pgp", {});
        dialogs.asked.clear();
        window->bbLoadGridPatternClick();
        QStringList messages = dialogs.asked.filter("message:");
        ASSERT_EQ(messages.size(), 1) << dialogs.asked.join("\n").toStdString();
        EXPECT_TRUE(
            messages[0].replace('_', ' ').contains(QString::fromUtf8(c.message).replace('_', ' ')))
            << messages[0].toStdString();
        EXPECT_TRUE(dialogs.asked.filter("folder").isEmpty());
        EXPECT_EQ(window->Rows(), 2);
        EXPECT_EQ(window->Cols(), 5);
        EXPECT_FALSE(state.GridPatternJoin);
    }
    // 10 and 25 are accepted.
    for (int overlap : {10, 25}) {
        WritePattern("p.pgp", Grid(1, 2, overlap));
        WriteImages(dir / "two", 2);
        Answer("p.pgp", {dir / "two"});
        window->bbLoadGridPatternClick();
        EXPECT_EQ(window->Cols(), 2);
        EXPECT_TRUE(state.GridPatternJoin);
    }
}

TEST_F(LoadGridPattern, AMissingImageAsksForAnotherFolder) {
    Open();
    NewMatrix(2, 5);
    WritePattern("p.pgp", Grid(2, 2, 10));
    WriteImages(dir / "gap", 4, 3);
    WriteImages(dir / "full", 4);

    // No: nothing changes.
    Answer("p.pgp", {dir / "gap"});
    dialogs.confirmations.push_back(false);
    window->bbLoadGridPatternClick();
    ASSERT_FALSE(dialogs.asked.filter("confirm:").isEmpty());
    const QString question = dialogs.asked.filter("confirm:").last();
    EXPECT_TRUE(question.contains(QString::fromStdString((dir / "gap" / "3.jpg").string())))
        << question.toStdString();
    EXPECT_EQ(window->Cols(), 5);
    EXPECT_FALSE(state.GridPatternJoin);

    // Yes: the folder is asked again, starting from the one just chosen.
    Answer("p.pgp", {dir / "gap", dir / "full"});
    dialogs.confirmations.push_back(true);
    window->bbLoadGridPatternClick();
    EXPECT_EQ(window->Cols(), 2);
    EXPECT_EQ(window->Matrix.At(2, 1)->FilePath.parent_path(), dir / "full");
    EXPECT_TRUE(state.GridPatternJoin);

    // A cancelled folder dialog changes nothing either.
    WritePattern("q.pgp", Grid(1, 3, 10));
    Answer("q.pgp", {});
    dialogs.folders.push_back(std::nullopt);
    window->bbLoadGridPatternClick();
    EXPECT_EQ(window->Cols(), 2);
}

TEST_F(LoadGridPattern, CreatePlacemarkGridOpensTheForm) {
    Open();
    bool shown = false;
    QTimer::singleShot(0, [&] {
        auto* form = window->findChild<TfPlacemarkGrid*>();
        shown = form != nullptr && form->isVisible();
        if (form) {
            EXPECT_EQ(form->windowTitle(), "Create Placemark Grid Pattern");
            form->reject();
        }
    });
    window->miPlacemarkGridClick();
    EXPECT_TRUE(shown);
}

}  // namespace
}  // namespace korvalen::test
