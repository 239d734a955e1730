// Reading calibration files back: every format written by our writers parses to the points
// and corners it was written from, and a changed or broken file is caught, never trusted.
#include "geo/CalibrationReader.h"

#include <gtest/gtest.h>

#include "geo/GeoCalibration.h"
#include "support/TestSupport.h"

namespace korvalen {
namespace {

namespace fs = std::filesystem;
constexpr int kW = 2400, kH = 1800;

// A south-western map, so that signs and hemisphere letters are exercised.
CalibPoints SouthWestMap() {
    CalibPoints points;
    points[kTopLeft] = {-33.812345, -70.723456, 0, 0, kPointSet};
    points[kTopRight] = {-33.812345, -70.523456, kW, 0, kPointSet};
    points[kBottomLeft] = {-33.962345, -70.723456, 0, kH, kPointSet};
    points[kBottomRight] = {-33.962345, -70.523456, kW, kH, kPointSet};
    points.DeriveFromCorners();
    return points;
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines)
        text += line + "\r\n";
    return text;
}

TEST(CalibrationReader, EveryCaptureFormatReadsBackItsPoints) {
    const CalibPoints points = SouthWestMap();
    const struct {
        int format;
        size_t points;
    } cases[] = {{kOziExplorer, 9}, {kTouratechQv, 3}, {kGpsTracker, 4}, {kGlobalMapper, 4},
                 {kFugawi, 9},      {kWorldFile, 0},   {kMapInfo, 9}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.format);
        const std::string text =
            Joined(CalibrationLines(points, kW, kH, "/maps/andes.jpg", c.format));
        CalibrationFileContent content;
        std::string error;
        ASSERT_TRUE(ParseCalibrationText(text, c.format, content, error)) << error;
        EXPECT_EQ(content.points.size(), c.points);
        for (const ReadCalibPoint& p : content.points) {
            EXPECT_EQ(p.X, points[p.Index].X) << p.Index;
            EXPECT_EQ(p.Y, points[p.Index].Y) << p.Index;
            EXPECT_NEAR(p.Lat, points[p.Index].Lat, 0.6e-5) << p.Index;
            EXPECT_NEAR(p.Lon, points[p.Index].Lon, 0.6e-5) << p.Index;
        }
    }
}

TEST(CalibrationReader, OziAndQvFilesGiveTheirCornersAndSize) {
    const CalibPoints points = SouthWestMap();
    CalibrationFileContent content;
    std::string error;
    ASSERT_TRUE(
        ParseCalibrationText(Joined(CalibrationLines(points, kW, kH, "/m/a.jpg", kOziExplorer)),
                             kOziExplorer, content, error));
    ASSERT_TRUE(content.corners);
    EXPECT_NEAR((*content.corners)[2].Lat, points[kBottomRight].Lat, 1e-6);
    EXPECT_NEAR((*content.corners)[3].Lon, points[kBottomLeft].Lon, 1e-6);
    EXPECT_EQ(content.width, kW);
    EXPECT_EQ(content.height, kH);
    ASSERT_TRUE(content.metresPerPixel);

    ASSERT_TRUE(
        ParseCalibrationText(Joined(CalibrationLines(points, kW, kH, "/m/a.jpg", kTouratechQv)),
                             kTouratechQv, content, error));
    ASSERT_TRUE(content.topLeft && content.bottomRight);
    EXPECT_NEAR(content.topLeft->Lat, points[kTopLeft].Lat, 0.6e-5);
    EXPECT_NEAR(content.bottomRight->Lon, points[kBottomRight].Lon, 0.6e-6);
    EXPECT_EQ(content.height, kH);
}

TEST(CalibrationReader, BrokenTextIsRefusedWithItsLine) {
    const struct {
        int format;
        const char* text;
        const char* error;
    } cases[] = {
        {kOziExplorer, "Point01,xy,  a,  0,in, deg\r\n", "line 1: bad point line"},
        {kOziExplorer, "MMPLL,9,1,2\r\n", "line 1: bad MMPLL line"},
        {kOziExplorer, "OziExplorer Map Data File Version 2.2\r\n", "no reference point found"},
        {kGpsTracker, "rp0=\"1,2,3\"\n", "line 1: bad rp line"},
        {kGpsTracker, "rp=\"1,2,3,4\"\n", "line 1: bad rp line"},
        {kGlobalMapper, "GCP=\"Point 1,1,1,x,2\" \\\n", "line 1: bad GCP line"},
        {kFugawi, "rp1=1e999,2,3,4\n", "line 1: bad rp line"},
        {kWorldFile, "1\n0\n0\n-1\n", "a world file holds six numbers"},
        {kWorldFile, "1\nzero\n", "line 2: not a number"},
        {kMapInfo, "  (1,2) (3,4 Label \"Pt 1\"\n", "line 1: bad point line"},
        {kMapInfo, "  (1,2) (3,4) Label \"Pt x\"\n", "line 1: bad point line"},
        {kTouratechQv, "c1_x = 7 =  1.5\n", "line 1: bad pixel"},
        {8, "", "unknown calibration format 8"},
    };
    for (const auto& c : cases) {
        CalibrationFileContent content;
        std::string error;
        EXPECT_FALSE(ParseCalibrationText(c.text, c.format, content, error)) << c.text;
        EXPECT_EQ(error, c.error) << c.text;
    }
}

TEST(CalibrationReader, KeepsAtMostTwoHundredPoints) {
    std::string text;
    for (int i = 0; i < 1000; ++i)
        text += "rp1=1,2,3,4\n";
    CalibrationFileContent content;
    std::string error;
    ASSERT_TRUE(ParseCalibrationText(text, kFugawi, content, error));
    EXPECT_EQ(content.points.size(), 200u);
}

class CalibrationVerify : public ::testing::Test {
protected:
    test::TempDir dir;
    CalibPoints points = SouthWestMap();

    ExpectedCalibration Expected() const {
        ExpectedCalibration e;
        e.points = &points;
        e.corners = {LatLon{points[1].Lat, points[1].Lon}, LatLon{points[2].Lat, points[2].Lon},
                     LatLon{points[4].Lat, points[4].Lon}, LatLon{points[3].Lat, points[3].Lon}};
        e.width = kW;
        e.height = kH;
        return e;
    }
};

TEST_F(CalibrationVerify, WrittenFilesMatchAndChangedOnesDoNot) {
    CalibrationState state;
    state.Points = points;
    ExpectedCalibration expected = Expected();
    for (int format = 1; format <= kFormatCount; ++format) {
        SCOPED_TRACE(format);
        fs::path written;
        std::string error;
        ASSERT_TRUE(WriteCalibrationFile(kW, kH, dir / "andes.jpg", format, state, written, error))
            << error;
        if (format == kOziExplorer) {
            CalibrationFileContent content;
            ASSERT_TRUE(ReadCalibrationFile(written, format, content, error));
            expected.metresPerPixel = *content.metresPerPixel;
        }
        EXPECT_TRUE(VerifyCalibrationFile(written, format, expected, error)) << error;
    }
    // Another table: every format that carries points must notice.
    ExpectedCalibration moved = expected;
    CalibPoints other = points;
    other[kTopLeft].Lat += 0.001;
    other[kCentre].X += 1;
    moved.points = &other;
    for (int format = 1; format <= kFormatCount; ++format) {
        fs::path written;
        std::string error;
        ASSERT_TRUE(WriteCalibrationFile(kW, kH, dir / "andes.jpg", format, state, written, error));
        EXPECT_FALSE(VerifyCalibrationFile(written, format, moved, error)) << format;
        EXPECT_NE(error.find("andes"), std::string::npos) << error;
    }
}

TEST_F(CalibrationVerify, MissingFileIsAnError) {
    std::string error;
    EXPECT_FALSE(VerifyCalibrationFile(dir / "none.map", kOziExplorer, Expected(), error));
    EXPECT_FALSE(error.empty());
}

// The hand calibration's file carries the display's corners: read back, they must be the
// corners the display computed from its fit.
TEST_F(CalibrationVerify, HandCalibrationCornersComeFromTheDisplay) {
    GeoCalibration display;
    display.SetImageSize(kW, kH);
    for (int n = 1; n <= kCalibPointCount; ++n)
        display.AddCalibPoint(points[n].X, points[n].Y, points[n].Lat, points[n].Lon);
    ExpectedCalibration expected = Expected();
    expected.corners = {display.CornerLatLon(ImageCorner::TopLeft),
                        display.CornerLatLon(ImageCorner::TopRight),
                        display.CornerLatLon(ImageCorner::BottomRight),
                        display.CornerLatLon(ImageCorner::BottomLeft)};
    expected.metresPerPixel = display.Resolution();
    for (int format = 1; format <= kFormFormatCount; ++format) {
        fs::path written;
        std::string error;
        ASSERT_TRUE(WriteFormCalibrationFile(display, points, dir / "andes.jpg", format, true,
                                             written, error));
        EXPECT_TRUE(VerifyCalibrationFile(written, format, expected, error)) << error;
    }
}

}  // namespace
}  // namespace korvalen
