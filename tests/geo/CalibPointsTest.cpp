#include "geo/CalibPoints.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "geo/CalibPointsText.h"

namespace korvalen {
namespace {

TEST(CalibPointsTest, FixedPixelsOfTheNinePlaces) {
    const PixelPos expected[] = {{0, 0},     {1001, 0}, {0, 801},    {1001, 801}, {500, 0},
                                 {500, 801}, {0, 400},  {1001, 400}, {500, 400}};
    CalibPoints points;
    points.PlaceAtFixedPixels(1001, 801);
    for (int n = 1; n <= kCalibPointCount; ++n) {
        EXPECT_EQ(CalibPoints::FixedPixel(n, 1001, 801), expected[n - 1]) << n;
        EXPECT_EQ(points[n].X, expected[n - 1].X) << n;
        EXPECT_EQ(points[n].Y, expected[n - 1].Y) << n;
    }
    EXPECT_THROW(points[0], std::out_of_range);
    EXPECT_THROW(points[10], std::out_of_range);
    EXPECT_EQ(CalibPoints().operator[](5).X, kNotPlaced);
}

TEST(CalibPointsTest, DerivedPointsAreMiddlesOfTheirCorners) {
    CalibPoints points;
    points[1] = {50.0, 10.0, 3, 7, kPointShown};
    points[2] = {50.5, 11.0, 998, 4, kPointShown};
    points[3] = {49.0, 10.25, -5, 803, kPointShown};
    points[4] = {49.5, 11.5, 1000, 800, kPointShown};
    points[9].State = kPointSet;
    points.DeriveFromCorners();
    EXPECT_DOUBLE_EQ(points[5].Lat, 50.25);
    EXPECT_DOUBLE_EQ(points[5].Lon, 10.5);
    EXPECT_EQ(points[5].X, 500);  // 3 + 995 / 2, truncated
    EXPECT_EQ(points[5].Y, 6);    // 7 + (-3) / 2, toward zero
    EXPECT_EQ(points[6].X, 497);  // -5 + 1005 / 2
    EXPECT_EQ(points[7].X, -1);   // 3 + (-8) / 2
    EXPECT_EQ(points[7].Y, 405);
    EXPECT_DOUBLE_EQ(points[8].Lon, 11.25);
    EXPECT_EQ(points[8].Y, 402);
    EXPECT_DOUBLE_EQ(points[9].Lat, 49.75);  // the middle of the diagonal 1 to 4
    EXPECT_EQ(points[9].X, 501);
    EXPECT_EQ(points[9].State, kPointSet);  // left alone
    EXPECT_EQ(points[6].State, kPointEmpty);

    // Far-apart pixels must not overflow on the way to their middle.
    const tCalibPoint middle =
        CalibPoints::Middle({0, 0, -2000000000, 0, 0}, {0, 0, 2000000000, 0, 0});
    EXPECT_EQ(middle.X, 0);
    int first = 0, second = 0;
    CalibPoints::DerivedFrom(kCentre, first, second);
    EXPECT_EQ(first, kTopLeft);
    EXPECT_EQ(second, kBottomRight);
    EXPECT_THROW(CalibPoints::DerivedFrom(kTopLeft, first, second), std::out_of_range);
}

TEST(CalibPointsTextTest, ReadsPointsWithAndWithoutPixels) {
    std::vector<CalibPointInput> inputs;
    std::string error;
    ASSERT_TRUE(
        ParseCalibPointsText("# corners of the sheet\r\n"
                             "1 47.55 11.30\n"
                             "\n"
                             "  2,47.55,+11.4\r\n"
                             "3\t-47.496\t-11.3\t0\t790\n"
                             "4 47.496 11.40 1000 800",
                             inputs, error))
        << error;
    ASSERT_EQ(inputs.size(), 4u);
    EXPECT_EQ(inputs[1].Index, 2);
    EXPECT_DOUBLE_EQ(inputs[1].Lon, 11.4);
    EXPECT_FALSE(inputs[1].Pixel);
    EXPECT_DOUBLE_EQ(inputs[2].Lat, -47.496);
    EXPECT_EQ(inputs[2].Pixel, (PixelPos{0, 790}));
}

TEST(CalibPointsTextTest, BadLinesAreNamedWithTheirNumber) {
    const struct {
        const char* text;
        const char* message;
    } kCases[] = {
        {"1 47 11\n2 47,5 11\n", "line 2: a point is"},
        {"10 47 11", "point number must be 1 to 9"},
        {"1 91 11", "latitude must be a number of degrees from -90 to 90"},
        {"1 45 -180.5", "longitude must be"},
        {"1 nan 11", "latitude must be"},
        {"1 45 11 -1 0", "pixel must be"},
        {"1 45 11 0 9999999999", "pixel must be"},
        {"1 45 11 0", "a point is"},
    };
    for (const auto& c : kCases) {
        std::vector<CalibPointInput> inputs;
        std::string error;
        EXPECT_FALSE(ParseCalibPointsText(c.text, inputs, error)) << c.text;
        EXPECT_NE(error.find(c.message), std::string::npos) << error;
    }
}

TEST(CalibPointsTextTest, CornersAloneGiveTheDerivedPoints) {
    std::vector<CalibPointInput> inputs;
    std::string error;
    ASSERT_TRUE(ParseBounds("47.55,11.3,47.45,11.5", inputs, error)) << error;
    CalibPointInput centre;
    ASSERT_TRUE(ParseCalibPointInput("9 47.4 11.2 10 20", centre, error));
    inputs.push_back(centre);
    CalibPoints points;
    ASSERT_TRUE(BuildCalibPoints(inputs, 1001, 801, points, error)) << error;
    EXPECT_EQ(points[kBottomRight].X, 1001);
    EXPECT_DOUBLE_EQ(points[kBottomRight].Lon, 11.5);
    EXPECT_DOUBLE_EQ(points[kRightMiddle].Lat, 47.5);
    EXPECT_EQ(points[kRightMiddle].Y, 400);
    EXPECT_DOUBLE_EQ(points[kCentre].Lat, 47.4);  // given, not derived
    EXPECT_EQ(points[kCentre].X, 10);
    for (int n = 1; n <= kCalibPointCount; ++n)
        EXPECT_EQ(points[n].State, kPointSet);
}

TEST(CalibPointsTextTest, MissingCornersAndTwiceGivenPointsAreRefused) {
    std::vector<CalibPointInput> inputs;
    std::string error;
    ASSERT_TRUE(ParseCalibPointsText("1 1 1\n2 1 2\n4 0 2\n", inputs, error));
    CalibPoints points;
    points[1].Lat = 5;
    EXPECT_FALSE(BuildCalibPoints(inputs, 10, 10, points, error));
    EXPECT_NE(error.find("point 3 is missing"), std::string::npos) << error;
    EXPECT_DOUBLE_EQ(points[1].Lat, 5);  // untouched on failure
    ASSERT_TRUE(ParseCalibPointsText("3 0 1\n1 2 2\n", inputs, error));
    EXPECT_FALSE(BuildCalibPoints(inputs, 10, 10, points, error));
    EXPECT_NE(error.find("point 1 is given twice"), std::string::npos) << error;
    EXPECT_FALSE(ParseBounds("47,11,46", inputs, error));
}

// Inputs built by hand bypass the parser's range check of the point number.
TEST(CalibPointsTextTest, PointNumbersOutsideTheTableAreRefused) {
    std::vector<CalibPointInput> inputs;
    std::string error;
    ASSERT_TRUE(ParseBounds("47.55,11.3,47.45,11.5", inputs, error)) << error;
    for (int index : {0, -1, kCalibPointCount + 1, 1 << 30}) {
        SCOPED_TRACE(index);
        std::vector<CalibPointInput> withBad = inputs;
        withBad.push_back({index, 1, 1, std::nullopt});
        CalibPoints points;
        points[1].Lat = 5;
        error.clear();
        EXPECT_FALSE(BuildCalibPoints(withBad, 10, 10, points, error));
        EXPECT_FALSE(error.empty());
        EXPECT_DOUBLE_EQ(points[1].Lat, 5);
    }
}

}  // namespace
}  // namespace korvalen
