#include <gtest/gtest.h>

#include <clocale>
#include <string>

#include "images/GridPattern.h"
#include "images/GridPatternImages.h"
#include "images/JpegCodec.h"
#include "images/MapMatrix.h"
#include "support/TestSupport.h"

namespace korvalen {
namespace {

GridPattern Pattern() {
    GridPattern p;
    p.NumRows = 3;
    p.NumCols = 4;
    p.Overlapping = 15;
    p.RootLat = 47.123456789012345;
    p.RootLon = -8.5;
    p.DeltaLat = 0.00345600000000346;
    p.DeltaLon = 1e-9;
    p.Corners = std::array<GridCorner, 4>{GridCorner{47.6, 8.1}, GridCorner{47.6, 8.3},
                                          GridCorner{47.4, 8.1}, GridCorner{47.4, 8.3}};
    return p;
}

TEST(GridPattern, FloatsAreWrittenWithAPointWhateverTheLocale) {
    // A locale with a decimal comma, when the machine has one; the writer must not care.
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    std::setlocale(LC_ALL, "de_DE.UTF-8");
    const std::string text = GridPatternText(Pattern());
    std::setlocale(LC_ALL, previous.c_str());
    EXPECT_NE(text.find("[Grid]\r\nNumRows=3\r\nNumCols=4\r\nOverlapping=15\r\n"
                        "RootLat=47.1234567890123\r\nRootLon=-8.5\r\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("DeltaLon=1e-09\r\n"), std::string::npos);
    EXPECT_NE(text.find("[calibration]\r\nP1lat=47.6\r\nP1lon=8.1\r\n"), std::string::npos);
    EXPECT_EQ(text.find(','), std::string::npos);

    const PatternReading back = ParseGridPattern(text);
    ASSERT_EQ(back.Status, PatternStatus::Ok);
    EXPECT_TRUE(back.CornersComplete);
    EXPECT_DOUBLE_EQ(back.Pattern.RootLat, 47.1234567890123);
    EXPECT_DOUBLE_EQ((*back.Pattern.Corners)[3].Lon, 8.3);
}

TEST(GridPattern, AFileWrittenWithDecimalCommasReadsTheSame) {
    const PatternReading r = ParseGridPattern(
        "[grid]\nNumRows=2\nNumCols=2\nOverlapping=10\nRootLat=47,5\n[Calibration]\n"
        "P1lat=47,5\nP1lon=8,25\nP2lat=47.5\nP2lon=8.5\nP3lat=47\nP3lon=8,25\nP4lat=47\n"
        "P4lon=8,5\n");
    ASSERT_EQ(r.Status, PatternStatus::Ok);
    EXPECT_DOUBLE_EQ(r.Pattern.RootLat, 47.5);
    EXPECT_TRUE(r.CornersComplete);
    EXPECT_DOUBLE_EQ((*r.Pattern.Corners)[0].Lon, 8.25);
}

TEST(GridPattern, ParametersOutsideTheirRangesAreRefused) {
    struct Case {
        const char* grid;
        PatternStatus status;
    } cases[] = {
        {"NumRows=3\nNumCols=3\nOverlapping=10", PatternStatus::Ok},
        {"NumRows=3\nNumCols=3\nOverlapping=25", PatternStatus::Ok},
        {"NumRows=3\nNumCols=3\nOverlapping=9", PatternStatus::BadParameter},
        {"NumRows=3\nNumCols=3\nOverlapping=26", PatternStatus::BadParameter},
        {"NumRows=0\nNumCols=3\nOverlapping=10", PatternStatus::BadParameter},
        {"NumCols=3\nOverlapping=10", PatternStatus::BadParameter},
        {"NumRows=-3\nNumCols=-3\nOverlapping=10", PatternStatus::BadParameter},
        {"NumRows=65536\nNumCols=65536\nOverlapping=10", PatternStatus::BadParameter},
        {"NumRows=99999999999\nNumCols=3\nOverlapping=10", PatternStatus::BadParameter},
        {"NumRows=100\nNumCols=100\nOverlapping=10", PatternStatus::Ok},
        {"NumRows=101\nNumCols=1\nOverlapping=10", PatternStatus::BadParameter},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.grid);
        EXPECT_EQ(ParseGridPattern(std::string("[grid]\n") + c.grid).Status, c.status);
    }
    EXPECT_EQ(ParseGridPattern("[calibration]\nP1lat=1\n").Status, PatternStatus::NotAPattern);
    EXPECT_EQ(ParseGridPattern("").Status, PatternStatus::NotAPattern);
    EXPECT_EQ(ReadGridPattern("/nonexistent/x.pgp").Status, PatternStatus::Unreadable);
}

TEST(GridPattern, AMissingCornerStopsTheCalibration) {
    struct Case {
        const char* calibration;
        bool has, complete;
    } cases[] = {
        {"", false, false},
        {"[calibration]\nP1lat=1\nP1lon=2\nP2lat=1\nP2lon=3\nP3lon=2\nP4lat=0\nP4lon=3\n", true,
         false},
        {"[calibration]\nP1lat=1\nP1lon=2\nP2lat=1\nP2lon=3\nP3lat=1001\nP3lon=2\nP4lat=0\n"
         "P4lon=3\n",
         true, false},
        {"[calibration]\nP1lat=x\n", true, false},
        {"[calibration]\nP1lat=1\nP1lon=2\nP2lat=1\nP2lon=3\nP3lat=0\nP3lon=2\nP4lat=0\n"
         "P4lon=3\n",
         true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.calibration);
        const PatternReading r = ParseGridPattern(
            std::string("[grid]\nNumRows=2\nNumCols=2\nOverlapping=10\n") + c.calibration);
        EXPECT_EQ(r.Status, PatternStatus::Ok);
        EXPECT_EQ(r.HasCalibration, c.has);
        EXPECT_EQ(r.CornersComplete, c.complete);
    }
}

TEST(GridPattern, ImageNamesAreAsWideAsTheCount) {
    EXPECT_EQ(PatternImageName(1, 9), "1.jpg");
    EXPECT_EQ(PatternImageName(9, 9), "9.jpg");
    EXPECT_EQ(PatternImageName(1, 12), "01.jpg");
    EXPECT_EQ(PatternImageName(12, 12), "12.jpg");
    EXPECT_EQ(PatternImageName(1, 100), "001.jpg");
    EXPECT_EQ(PatternImageName(100, 100), "100.jpg");
}

TEST(GridPatternImages, FindsTheNumberedFilesWithoutRegardToCase) {
    test::TempDir dir;
    std::string error;
    for (int n = 1; n <= 9; ++n) {
        const Bitmap picture = test::MakeTestPicture(40 + n, 30, static_cast<unsigned>(n));
        const std::string name = n == 5 ? "5.JPG" : std::to_string(n) + ".jpg";
        ASSERT_TRUE(WriteJpegFile(dir / name, picture, 90, error)) << error;
    }
    PatternImageFiles files;
    ASSERT_TRUE(FindPatternImages(dir.Path(), 3, 3, files, error)) << error;
    ASSERT_FALSE(files.Missing);
    EXPECT_EQ(files.Paths[4].filename(), "5.JPG");

    MapMatrix matrix;
    ASSERT_TRUE(LoadPatternMatrix(matrix, 3, 3, files, false, error)) << error;
    // Image 5 of 3 x 3 lies in row 2, column 2.
    const tSingleMap& five = *matrix.At(2, 2);
    EXPECT_EQ(five.Name, "5");
    EXPECT_EQ(five.Bitmap->Width(), 45);
    EXPECT_EQ(matrix.At(3, 1)->Name, "7");

    // 3 x 4 wants 01.jpg ... 12.jpg: the first is missing.
    ASSERT_TRUE(FindPatternImages(dir.Path(), 3, 4, files, error));
    ASSERT_TRUE(files.Missing);
    EXPECT_EQ(files.Missing->filename(), "01.jpg");
    EXPECT_FALSE(LoadPatternMatrix(matrix, 3, 4, files, false, error));
    EXPECT_EQ(matrix.Rows(), 3);  // left as it was
    EXPECT_EQ(matrix.Cols(), 3);
}

TEST(GridPatternImages, AnUnreadableImageLeavesTheMatrixAsItWas) {
    test::TempDir dir;
    std::string error;
    ASSERT_TRUE(WriteJpegFile(dir / "1.jpg", test::MakeTestPicture(20, 20), 90, error));
    test::WriteBytes(dir / "2.jpg", {0xFF, 0xD8, 0xFF, 0x00, 0x01});
    PatternImageFiles files;
    ASSERT_TRUE(FindPatternImages(dir.Path(), 1, 2, files, error));
    MapMatrix matrix;
    matrix.NewMatrix(2, 2);
    EXPECT_FALSE(LoadPatternMatrix(matrix, 1, 2, files, false, error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(matrix.Rows(), 2);
    EXPECT_FALSE(FindPatternImages(dir / "nothing", 1, 2, files, error));
}

}  // namespace
}  // namespace korvalen
