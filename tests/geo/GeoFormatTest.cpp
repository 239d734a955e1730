#include "geo/GeoFormat.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace korvalen {
namespace {

TEST(FormatCoordTest, WritesFixedDecimalsWithAPointAndASign) {
    EXPECT_EQ(FormatCoord(47.5, 6), "47.500000");
    EXPECT_EQ(FormatCoord(-11.25, 5), "-11.25000");
    EXPECT_EQ(FormatCoord(0.0, 6), "0.000000");
    EXPECT_EQ(FormatCoord(-179.999999, 6), "-179.999999");
    EXPECT_EQ(FormatCoord(3, 0), "3");
    EXPECT_EQ(FormatCoord(0.000001, 6), "0.000001");
    EXPECT_EQ(FormatCoord(1e-20, 6), "0.000000");
}

TEST(FormatCoordTest, RoundsTheFifteenSignificantDigitsHalfAwayFromZero) {
    // 0.1234565 is a little below the half in binary; its 15 digits end in ...500000.
    EXPECT_EQ(FormatCoord(0.1234565, 6), "0.123457");
    EXPECT_EQ(FormatCoord(-0.1234565, 6), "-0.123457");
    EXPECT_EQ(FormatCoord(2.5, 0), "3");
    EXPECT_EQ(FormatCoord(-2.5, 0), "-3");
    EXPECT_EQ(FormatCoord(0.4, 0), "0");
    // More decimals than 15 digits hold are filled with zeros, not with binary noise.
    EXPECT_EQ(FormatCoord(123456789.123456789, 8), "123456789.12345700");
    EXPECT_EQ(FormatCoord(0.1, 17), "0.10000000000000000");
}

TEST(FormatCoordTest, CarriesIntoANewDigit) {
    EXPECT_EQ(FormatCoord(9.9999999, 6), "10.000000");
    EXPECT_EQ(FormatCoord(59.99999996, 6), "60.000000");
    EXPECT_EQ(FormatCoord(-999.9999996, 6), "-1000.000000");
    EXPECT_EQ(FormatCoord(0.0000005, 6), "0.000001");
    EXPECT_EQ(FormatCoord(0.9, 0), "1");
}

TEST(FormatCoordTest, NeverWritesMinusZeroOrNonNumbers) {
    EXPECT_EQ(FormatCoord(-0.0, 6), "0.000000");
    EXPECT_EQ(FormatCoord(-0.0000001, 6), "0.000000");
    EXPECT_EQ(FormatCoord(std::nan(""), 6), "0.000000");
    EXPECT_EQ(FormatCoord(-std::numeric_limits<double>::infinity(), 2), "0.00");
}

TEST(FormatDegMinTest, SplitsTheMagnitudeIntoDegreesAndMinutes) {
    DegMinText text = FormatDegMin(47.5, 6);
    EXPECT_EQ(text.degrees, "47");
    EXPECT_EQ(text.minutes, "30.000000");
    text = FormatDegMin(-11.75, 6);
    EXPECT_EQ(text.degrees, "11");
    EXPECT_EQ(text.minutes, "45.000000");
    text = FormatDegMin(-0.25, 2);
    EXPECT_EQ(text.degrees, "0");
    EXPECT_EQ(text.minutes, "15.00");
}

TEST(FormatDegMinTest, MinutesRoundedUpToSixtyAreNotCarried) {
    DegMinText text = FormatDegMin(12.9999999999, 6);
    EXPECT_EQ(text.degrees, "12");
    EXPECT_EQ(text.minutes, "60.000000");
    text = FormatDegMin(-0.9999999999, 6);
    EXPECT_EQ(text.degrees, "0");
    EXPECT_EQ(text.minutes, "60.000000");
}

TEST(NormalizeLongitudeTest, WrapsFromOneEightyUpButNotBelowMinusOneEighty) {
    EXPECT_DOUBLE_EQ(NormalizeLongitude(0), 0);
    EXPECT_DOUBLE_EQ(NormalizeLongitude(179.5), 179.5);
    EXPECT_DOUBLE_EQ(NormalizeLongitude(180), -180);
    EXPECT_DOUBLE_EQ(NormalizeLongitude(190), -170);
    EXPECT_DOUBLE_EQ(NormalizeLongitude(359.5), -0.5);
    EXPECT_DOUBLE_EQ(NormalizeLongitude(540), -180);
    EXPECT_DOUBLE_EQ(NormalizeLongitude(-180), -180);
    EXPECT_DOUBLE_EQ(NormalizeLongitude(-11.25), -11.25);
    EXPECT_DOUBLE_EQ(NormalizeLongitude(-190), -190);
}

TEST(Windows1252Test, KeepsAsciiAndMapsLatinAndTypographicCharacters) {
    EXPECT_EQ(Utf8ToWindows1252("map 1.jpg\r\n"), "map 1.jpg\r\n");
    EXPECT_EQ(Utf8ToWindows1252("H\xC3\xB6he \xC3\x9F"), "H\xF6he \xDF");
    EXPECT_EQ(Utf8ToWindows1252("\xE2\x82\xAC \xE2\x80\x93 \xC5\x93 \xC5\xB8"),
              "\x80 \x96 \x9C \x9F");
    EXPECT_EQ(Utf8ToWindows1252("\xC2\xA0\xC3\xBF"), "\xA0\xFF");
}

TEST(Windows1252Test, MarksWhatTheCodePageLacksAndBrokenUtf8) {
    EXPECT_EQ(Utf8ToWindows1252("\xCE\xA9"), "?");          // Greek capital omega
    EXPECT_EQ(Utf8ToWindows1252("\xF0\x9F\x97\xBA"), "?");  // a map emoji
    EXPECT_EQ(Utf8ToWindows1252("\xC2\x85"), "?");          // a C1 control
    EXPECT_EQ(Utf8ToWindows1252("a\xFF"
                                "b"),
              "a?b");                                     // not UTF-8 at all
    EXPECT_EQ(Utf8ToWindows1252("a\xC3"), "a?");          // cut short
    EXPECT_EQ(Utf8ToWindows1252("\xC0\xAF"), "??");       // overlong "/"
    EXPECT_EQ(Utf8ToWindows1252("\xED\xA0\x80"), "???");  // a surrogate
    EXPECT_EQ(Utf8ToWindows1252(std::string("a\0b", 3)), std::string("a\0b", 3));
}

}  // namespace
}  // namespace korvalen
