#include <gtest/gtest.h>

#include <string>

#include "geo/KmlPlacemarks.h"
#include "support/TestSupport.h"

namespace korvalen {
namespace {

TEST(ExtractTagValue, FindsTheTextOfOneLine) {
    struct Case {
        const char* tag;
        const char* line;
        bool found, open, close;
        const char* value;
    } cases[] = {
        {"coordinates", "  <coordinates>8.5,47.5,0</coordinates>  ", true, true, true,
         "8.5,47.5,0"},
        {"coordinates", "<coordinates>", true, true, false, ""},
        {"coordinates", "<coordinates>8.5,47.5,0", true, true, false, "8.5,47.5,0"},
        {"coordinates", "8.5,47.5,0 </coordinates>", true, false, true, "8.5,47.5,0"},
        {"coordinates", "</coordinates>", true, false, true, ""},
        {"Placemark", "<Placemark id=\"a\">", true, true, false, "id=\"a"},
        {"NAME", "<name>Root View</name>", true, true, true, "root view"},
        {"range", "<tilt>0</tilt>", false, false, false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        const TagValue v = ExtractTagValue(c.tag, c.line);
        EXPECT_EQ(v.Found, c.found);
        EXPECT_EQ(v.HasOpen, c.open);
        EXPECT_EQ(v.HasClose, c.close);
        EXPECT_EQ(v.Value, c.value);
    }
}

TEST(ExtractTagValue, TakesAtMost255CharactersOfALongLine) {
    const std::string line = "<name>" + std::string(5'000'000, 'x') + "</name>";
    EXPECT_EQ(ExtractTagValue("name", line).Value.size(), 255u);
}

TEST(ParseDecimal, ReadsBothSeparatorsAndAtMostSevenDecimals) {
    struct Case {
        const char* text;
        bool ok;
        double value;
    } cases[] = {
        {"-0.5", true, -0.5},   {"12.123456789", true, 12.1234567},
        {"47,5", true, 47.5},   {"8", true, 8},
        {"-0,25", true, -0.25}, {"1e3", true, 1000},
        {"", false, 0},         {"abc", false, 0},
        {"1.2.3", false, 0},    {"1.5x", false, 0},
        {".5", false, 0},       {"99999999999999999999999.5", false, 0},
        {"nan", false, 0},      {"inf", false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        double value = 0;
        EXPECT_EQ(ParseDecimal(c.text, value), c.ok);
        if (c.ok) {
            EXPECT_NEAR(value, c.value, 1e-12);
        }
    }
}

TEST(ParseCoordinates, NeedsTheAltitudePart) {
    double lat = 0, lon = 0;
    EXPECT_TRUE(ParseCoordinates("8.25,47.5,0", lat, lon));
    EXPECT_DOUBLE_EQ(lat, 47.5);
    EXPECT_DOUBLE_EQ(lon, 8.25);
    EXPECT_FALSE(ParseCoordinates("8.25,47.5", lat, lon));
    EXPECT_FALSE(ParseCoordinates("8.25,x,0", lat, lon));
}

TEST(ParseInteger, RoundsHalvesToEvenAndGivesZeroOnFailure) {
    int32_t value = 7;
    EXPECT_TRUE(ParseInteger("2.5", value));
    EXPECT_EQ(value, 2);
    EXPECT_TRUE(ParseInteger("3.5", value));
    EXPECT_EQ(value, 4);
    EXPECT_FALSE(ParseInteger("1e12", value));
    EXPECT_EQ(value, 0);
    value = 7;
    EXPECT_FALSE(ParseInteger("high", value));
    EXPECT_EQ(value, 0);
}

std::string Kml(const std::string& body) {
    return "<?xml version=\"1.0\"?>\n<kml xmlns=\"http://www.opengis.net/kml/2.2\">\n"
           "<Document>\n<name>root.kml</name>\n" +
           body + "</Document>\n</kml>\n";
}

std::string Mark(const std::string& coordinates, const std::string& range = "1500") {
    return "<Placemark>\n<LookAt>\n<range>" + range + "</range>\n</LookAt>\n<Point>\n" +
           coordinates + "\n</Point>\n</Placemark>\n";
}

TEST(ScanPlacemarkText, FollowsPointsAndCoordinatesOverLines) {
    PlacemarkFile file;
    ScanPlacemarkText(Kml(Mark("<coordinates>8.1,47.3,0</coordinates>") +
                          Mark("<coordinates>\r\n 8.2,47.1,0\r\n</coordinates>") +
                          Mark("<coordinates>9,48,0</coordinates>", "1234.5")),
                      file);
    EXPECT_TRUE(file.IsKml);
    ASSERT_EQ(file.Placemarks.size(), 3u);
    EXPECT_DOUBLE_EQ(file.Placemarks[1].Lat, 47.1);
    EXPECT_DOUBLE_EQ(file.Placemarks[1].Lon, 8.2);
    EXPECT_EQ(file.EyeAltitude, 1234);  // the last range, halves to even
    // Three placemarks: only the first two span the root view.
    const RootView view = RootViewOf(file.Placemarks[0], file.Placemarks[1]);
    EXPECT_DOUBLE_EQ(view.LatTop, 47.3);
    EXPECT_DOUBLE_EQ(view.LatBottom, 47.1);
    EXPECT_DOUBLE_EQ(view.LonLeft, 8.1);
    EXPECT_DOUBLE_EQ(view.LonRight, 8.2);
    EXPECT_NEAR(view.ImageWidth, 7560, 30);    // 0.1 degree of longitude at 47.2 degrees
    EXPECT_NEAR(view.ImageHeight, 22240, 30);  // 0.2 degree of latitude
}

TEST(LoadRootPlacemarkFile, RefusesWhatIsNoUsableRootFile) {
    test::TempDir dir;
    struct Case {
        const char* name;
        std::string text;
        const char* error;
    } cases[] = {
        {"plain.kml", "just text\n<Placemark>", kNoPlacemarkFile},
        {"one.kml", Kml(Mark("<coordinates>8.1,47.3,0</coordinates>")), kTooFewPlacemarks},
        {"noalt.kml",
         Kml(Mark("<coordinates>8.1,47.3</coordinates>") +
             Mark("<coordinates>8.2,47.1</coordinates>")),
         kTooFewPlacemarks},
        {"oneline.kml",
         "<kml><Placemark><Point><coordinates>1,2,0</coordinates></Point>"
         "</Placemark><Placemark><Point><coordinates>3,4,0</coordinates></Point>"
         "</Placemark></kml>",
         kTooFewPlacemarks},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::WriteBytes(dir / c.name, std::vector<uint8_t>(c.text.begin(), c.text.end()));
        RootPlacemarkFile root;
        std::string error;
        EXPECT_FALSE(LoadRootPlacemarkFile(dir / c.name, root, error));
        EXPECT_EQ(error, c.error);
    }
    RootPlacemarkFile root;
    std::string error;
    EXPECT_FALSE(LoadRootPlacemarkFile(dir / "missing.kml", root, error));
    EXPECT_FALSE(error.empty());
}

TEST(ScanPlacemarkText, StandsThousandsOfPlacemarksAndHugeLines) {
    std::string body;
    for (int i = 0; i < 20000; ++i)
        body += Mark("<coordinates>8." + std::to_string(i) + ",47.5,0</coordinates>");
    body += "<Placemark>\n<Point>\n<coordinates>\n" + std::string(3'000'000, '9') +
            "\n</coordinates>\n</Point>\n</Placemark>\n";
    body += "<Placemark>\n<Point>\n<coordinates>" + std::string(2'000'000, ',') +
            "</coordinates>\n</Point>\n</Placemark>\n";
    PlacemarkFile file;
    ScanPlacemarkText(Kml(body), file);
    EXPECT_EQ(file.Placemarks.size(), 20000u);
}

}  // namespace
}  // namespace korvalen
