#include <gtest/gtest.h>

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <fstream>
#include <string>

#include "core/ProgramState.h"
#include "geo/TavixPlacemarkGrid.h"
#include "images/GridPattern.h"
#include "support/ScriptedDialogs.h"
#include "support/TestSupport.h"

namespace korvalen {
namespace {

std::string Kml(const std::string& coordinates) {
    std::string text = "<?xml version=\"1.0\"?>\n<kml>\n<Document>\n<name>view</name>\n";
    size_t start = 0;
    while (start < coordinates.size()) {
        const size_t end = coordinates.find(';', start);
        text += "<Placemark>\n<LookAt><range>1500</range></LookAt>\n<Point>\n<coordinates>" +
                coordinates.substr(start, end - start) + "</coordinates>\n</Point>\n</Placemark>\n";
        start = end == std::string::npos ? coordinates.size() : end + 1;
    }
    return text + "</Document>\n</kml>\n";
}

std::string ReadText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class PlacemarkGridForm : public ::testing::Test {
protected:
    test::TempDir dir;
    ProgramState state;
    test::ScriptedDialogs dialogs;
    TfPlacemarkGrid form{state, dialogs};

    void SetUp() override { state.settings.PlacemarksDirectory = dir.Path().string(); }

    void Load(const std::string& name, const std::string& text) {
        test::WriteBytes(dir / name, std::vector<uint8_t>(text.begin(), text.end()));
        dialogs.files.push_back(Dialogs::FileAnswer{QString::fromStdString((dir / name).string())});
        form.bbLoadClick();
    }
    void Grow(int top, int bottom, int left, int right, int overlap = 10) {
        form.seTopRows->setValue(top);
        form.seBottomRows->setValue(bottom);
        form.seLeftCols->setValue(left);
        form.seRightCols->setValue(right);
        form.seOverlapping->setValue(overlap);
    }
    std::string Save(const std::string& name) {
        dialogs.files.push_back(Dialogs::FileAnswer{QString::fromStdString((dir / name).string())});
        form.bbSaveClick();
        return ReadText(dir / name);
    }
};

TEST_F(PlacemarkGridForm, ShowsTheRootViewOfTheFirstTwoPlacemarks) {
    EXPECT_TRUE(form.pStep2->isHidden());
    EXPECT_TRUE(form.eLatTop->text().isEmpty());
    Load("view.kml", Kml("-0.5,12.123456789,0;-0.25,12,0;5,5,0"));
    ASSERT_TRUE(form.Loaded);
    EXPECT_FALSE(form.pStep2->isHidden());
    EXPECT_EQ(form.lFileName->text(), "view.kml");
    EXPECT_EQ(form.eLatTop->text(), "12.1234567");
    EXPECT_EQ(form.eLatBottom->text(), "12.0000000");
    EXPECT_EQ(form.eLonLeft->text(), "-0.5000000");
    EXPECT_EQ(form.eLonRight->text(), "-0.2500000");
    EXPECT_EQ(form.eEyeAlt->text(), "1500 m");
    EXPECT_EQ(form.eNumCols->text(), "3");
    EXPECT_EQ(form.eNumImages->text(), "9");
    EXPECT_TRUE(form.eImageWidth->text().endsWith(" km"));
    EXPECT_FALSE(form.lHugeNumber->isVisibleTo(&form));
}

TEST_F(PlacemarkGridForm, RefusesFilesWithoutTwoUsablePlacemarks) {
    Load("noalt.kml", Kml("8,47;8.1,47.1"));
    EXPECT_FALSE(form.Loaded);
    ASSERT_FALSE(dialogs.asked.isEmpty());
    EXPECT_EQ(dialogs.asked.last(), "message: Not any two placemarks were found in the file");
    Load("plain.txt", "hello");
    EXPECT_EQ(dialogs.asked.last(), "message: It is no valid placemark file");
    EXPECT_TRUE(form.pStep3->isHidden());
    // A good file, then a bad one: nothing of the first stays.
    Load("view.kml", Kml("8,47,0;8.1,47.1,0"));
    EXPECT_TRUE(form.Loaded);
    Load("noalt.kml", Kml("8,47;8.1,47.1"));
    EXPECT_FALSE(form.Loaded);
    EXPECT_TRUE(form.eLatTop->text().isEmpty());
}

TEST_F(PlacemarkGridForm, AThreeByThreeGridIsNamedRowByRow) {
    Load("view.kml", Kml("8,47.1,0;8.2,47,0"));
    const std::string kml = Save("view_grid.kml");
    size_t previous = 0;
    for (int k = 1; k <= 9; ++k) {
        const size_t at = kml.find("<name>" + std::to_string(k) + "</name>");
        ASSERT_NE(at, std::string::npos) << k;
        EXPECT_GT(at, previous);
        previous = at;
    }
    // The first view is the top left one: 10 % overlap, so 0.09 degrees up and 0.18 left.
    EXPECT_NE(kml.find("<coordinates>7.9200000,47.1400000,0</coordinates>"), std::string::npos);
    const PatternReading pattern = ReadGridPattern(dir / "view.pgp");
    EXPECT_EQ(pattern.Status, PatternStatus::Ok);
    EXPECT_TRUE(pattern.CornersComplete);
    EXPECT_EQ(dialogs.asked.last().left(15), "timed: The file");
    EXPECT_EQ(form.result(), QDialog::Accepted);
    // The save dialog proposed the grid name in the placemarks folder.
    EXPECT_TRUE(dialogs.fileRequests.back().fileName.endsWith("view_grid.kml"));
}

TEST_F(PlacemarkGridForm, TenByTenNamesRunFrom001To100WithoutWarning) {
    Load("view.kml", Kml("8,47.1,0;8.2,47,0"));
    Grow(4, 5, 4, 5, 15);
    EXPECT_EQ(form.eNumImages->text(), "100");
    EXPECT_FALSE(form.lHugeNumber->isVisibleTo(&form));
    const std::string kml = Save("ten.kml");
    EXPECT_NE(kml.find("<name>001</name>"), std::string::npos);
    EXPECT_NE(kml.find("<name>100</name>"), std::string::npos);
    EXPECT_EQ(kml.find("<name>101</name>"), std::string::npos);
}

TEST_F(PlacemarkGridForm, MoreThanAHundredImagesAreWarnedOfInRed) {
    Load("view.kml", Kml("8,47.1,0;8.2,47,0"));
    Grow(2, 3, 8, 8);  // 6 x 17 = 102, the first count above 100 a grid can have
    EXPECT_EQ(form.eNumImages->text(), "102");
    EXPECT_TRUE(form.lHugeNumber->isVisibleTo(&form));
    EXPECT_TRUE(form.eNumImages->styleSheet().contains("red"));
    Grow(4, 5, 4, 5);
    EXPECT_FALSE(form.lHugeNumber->isVisibleTo(&form));
}

TEST_F(PlacemarkGridForm, ASingleRowHasNoCalibrationPlacemarks) {
    Load("view.kml", Kml("8,47.1,0;8.2,47,0"));
    EXPECT_TRUE(form.cbCalibrationPlacemarks->isEnabled());
    Grow(0, 0, 1, 2);
    EXPECT_FALSE(form.cbCalibrationPlacemarks->isEnabled());
    const std::string kml = Save("row.kml");
    EXPECT_EQ(kml.find("<name>P1</name>"), std::string::npos);
    EXPECT_FALSE(ReadGridPattern(dir / "view.pgp").HasCalibration);
}

TEST_F(PlacemarkGridForm, CancellingTheSaveWritesNothing) {
    Load("view.kml", Kml("8,47.1,0;8.2,47,0"));
    dialogs.files.push_back(std::nullopt);
    form.bbSaveClick();
    EXPECT_FALSE(std::filesystem::exists(dir / "view.pgp"));
    EXPECT_FALSE(std::filesystem::exists(dir / "view_grid.kml"));
    EXPECT_NE(form.result(), QDialog::Accepted);
}

// Pictures of the form before and after loading, for looking at: set KORVALEN_SCREENSHOTS.
TEST_F(PlacemarkGridForm, Screenshots) {
    const QString folder = qEnvironmentVariable("KORVALEN_SCREENSHOTS");
    if (folder.isEmpty())
        GTEST_SKIP() << "KORVALEN_SCREENSHOTS is not set";
    form.show();
    form.adjustSize();
    EXPECT_TRUE(form.grab().save(folder + "/placemark_grid_empty.png"));
    Load("view.kml", Kml("8.4,47.6,0;8.4077,47.59616,0"));
    Grow(1, 2, 1, 3, 15);
    form.adjustSize();
    EXPECT_TRUE(form.grab().save(folder + "/placemark_grid_loaded.png"));
}

}  // namespace
}  // namespace korvalen
