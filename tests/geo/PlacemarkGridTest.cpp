#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <string>

#include "geo/FormatDistance.h"
#include "geo/PlacemarkGrid.h"
#include "support/TestSupport.h"

namespace korvalen {
namespace {

RootView Root() {
    RootView root;
    root.LatTop = 47.6;
    root.LatBottom = 47.5;
    root.LonLeft = 8.0;
    root.LonRight = 8.2;
    root.ImageWidth = 15000;
    root.ImageHeight = 11000;
    return root;
}

TEST(PlacemarkGrid, AThreeByThreeGridIsNamedRowByRowFromTheTopLeft) {
    GridRequest request;  // one view all round, 10 %
    const PlacemarkGrid grid = GrowPlacemarkGrid(Root(), request);
    ASSERT_EQ(grid.Placemarks.size(), 9u + 4u);
    const double dLat = 0.1 * 0.9, dLon = 0.2 * 0.9;
    for (int k = 0; k < 9; ++k) {
        const GridPlacemark& p = grid.Placemarks[static_cast<size_t>(k)];
        EXPECT_EQ(p.Name, std::to_string(k + 1));
        EXPECT_FALSE(p.Visible);
        EXPECT_NEAR(p.Lat, 47.55 - (k / 3 - 1) * dLat, 1e-12);
        EXPECT_NEAR(p.Lon, 8.1 + (k % 3 - 1) * dLon, 1e-12);
    }
    // P1 to P4 half a step beyond the outer views' centres.
    const char* names[] = {"P1", "P2", "P3", "P4"};
    const double lats[] = {47.55 + 1.5 * dLat, 47.55 + 1.5 * dLat, 47.55 - 1.5 * dLat,
                           47.55 - 1.5 * dLat};
    const double lons[] = {8.1 - 1.5 * dLon, 8.1 + 1.5 * dLon, 8.1 - 1.5 * dLon, 8.1 + 1.5 * dLon};
    for (size_t i = 0; i < 4; ++i) {
        const GridPlacemark& p = grid.Placemarks[9 + i];
        EXPECT_EQ(p.Name, names[i]);
        EXPECT_TRUE(p.Visible);
        EXPECT_NEAR(p.Lat, lats[i], 1e-12);
        EXPECT_NEAR(p.Lon, lons[i], 1e-12);
        EXPECT_NEAR((*grid.Pattern.Corners)[i].Lat, lats[i], 1e-12);
    }
    EXPECT_EQ(grid.Pattern.NumRows, 3);
    EXPECT_EQ(grid.Pattern.NumCols, 3);
    EXPECT_NEAR(grid.Pattern.DeltaLon, dLon, 1e-12);
}

TEST(PlacemarkGrid, NamesAreAsWideAsTheLargestNumber) {
    struct Case {
        int top, bottom, left, right;
        const char* first;
        const char* last;
    } cases[] = {
        {0, 0, 0, 0, "1", "1"},     {1, 1, 1, 1, "1", "9"},   {0, 0, 4, 5, "01", "10"},
        {4, 5, 4, 5, "001", "100"}, {4, 4, 4, 5, "01", "90"},
    };
    for (const Case& c : cases) {
        GridRequest request{c.top, c.bottom, c.left, c.right, 10, false};
        const PlacemarkGrid grid = GrowPlacemarkGrid(Root(), request);
        ASSERT_FALSE(grid.Placemarks.empty());
        EXPECT_EQ(grid.Placemarks.front().Name, c.first);
        EXPECT_EQ(grid.Placemarks.back().Name, c.last);
    }
}

TEST(PlacemarkGrid, ASingleRowGetsNoCalibrationPlacemarks) {
    GridRequest request{0, 0, 2, 2, 15, true};
    EXPECT_FALSE(request.CalibrationPossible());
    const PlacemarkGrid grid = GrowPlacemarkGrid(Root(), request);
    EXPECT_EQ(grid.Placemarks.size(), 5u);
    EXPECT_FALSE(grid.Pattern.Corners);
    EXPECT_EQ(GridPatternText(grid.Pattern).find("calibration"), std::string::npos);
}

TEST(PlacemarkGrid, GrowthAndOverlapOutOfRangeAreBroughtIntoIt) {
    const GridRequest r = ClampedRequest({-3, 40, 11, 2, 99, true});
    EXPECT_EQ(r.TopRows, 0);
    EXPECT_EQ(r.BottomRows, 10);
    EXPECT_EQ(r.LeftCols, 10);
    EXPECT_EQ(r.Overlapping, 25);
}

TEST(PlacemarkGrid, ExtentAndDistanceTexts) {
    EXPECT_EQ(GridExtent(3, 1000, 10), 2800);
    EXPECT_EQ(GridExtent(1, 1234, 25), 1234);
    EXPECT_EQ(GridExtent(2, 5, 10), 10);  // 9.5 rounds to even
    EXPECT_EQ(FormatDistance(2800, true, true, true), "2.800 km");
    EXPECT_EQ(FormatDistance(2800, true, false, true), "2800 m");
    EXPECT_EQ(FormatDistance(1609.344, false, true, true), "1.000 mi");
    EXPECT_EQ(FormatDistance(100, false, false, false), "328");
    EXPECT_EQ(FormatDistance(1500, true, true, false, ','), "1,500");
}

TEST(GridKmlLines, ReplacesTheRootPlacemarksAndNamesTheDocument) {
    const std::vector<std::string> root = {"<?xml version=\"1.0\"?>",
                                           "<kml>",
                                           "<Document>",
                                           "\t<name>root.kml</name>",
                                           "\t<Style id=\"style\"><name>keep</name></Style>",
                                           "\t<Placemark>",
                                           "\t\t<name>a</name>",
                                           "\t</Placemark>",
                                           "\t<Placemark>",
                                           "\t</Placemark>",
                                           "</Document>",
                                           "</kml>"};
    GridRequest request{0, 0, 0, 1, 10, false};
    const PlacemarkGrid grid = GrowPlacemarkGrid(Root(), request);
    const std::vector<std::string> out = GridKmlLines(root, "root", grid, 1500);
    ASSERT_EQ(out.size(), 5u + 2 * 15 + 2);
    EXPECT_EQ(out[3], "\t<name>root_grid.kml</name>");
    EXPECT_EQ(out[4], root[4]);
    EXPECT_EQ(out[5], "\t\t<Placemark>");
    EXPECT_EQ(out[6], "\t\t\t<name>1</name>");
    EXPECT_EQ(out[7], "\t\t\t<visibility>0</visibility>");
    EXPECT_EQ(out[11], "\t\t\t\t<range>1500</range>");
    EXPECT_EQ(out[17], "\t\t\t\t<coordinates>8.1000000,47.5500000,0</coordinates>");
    EXPECT_EQ(out[out.size() - 2], "</Document>");
    EXPECT_EQ(out.back(), "</kml>");
}

TEST(GridFileNames, FollowThePlacemarksFolder) {
    GridFileNames names = GridFileNamesFor("alps.view.kml", "/maps");
    EXPECT_EQ(names.Base, "alps");
    EXPECT_EQ(names.PatternFile, std::filesystem::path("/maps/alps.pgp"));
    EXPECT_EQ(names.ProposedKml, std::filesystem::path("/maps/alps_grid.kml"));
    names = GridFileNamesFor("alps.kml", "");
    EXPECT_EQ(names.PatternFile, std::filesystem::path("alps.pgp"));
}

// GDAL's KML driver, an independent reader, sees every placemark as written.
TEST(PlacemarkGrid, GdalReadsTheGridFile) {
    if (!test::HaveProgram("ogrinfo"))
        GTEST_SKIP() << "ogrinfo (gdal-bin) is not installed";
    test::TempDir dir;
    const std::vector<std::string> root = {"<?xml version=\"1.0\" encoding=\"UTF-8\"?>",
                                           "<kml xmlns=\"http://www.opengis.net/kml/2.2\">",
                                           "<Document>",
                                           "<name>r</name>",
                                           "<Placemark><name>x</name>",
                                           "</Placemark>",
                                           "</Document>",
                                           "</kml>"};
    GridRequest request{1, 2, 1, 1, 20, true};
    const PlacemarkGrid grid = GrowPlacemarkGrid(Root(), request);
    std::string error;
    ASSERT_TRUE(WritePlacemarkGrid(dir / "r_grid.kml", dir / "r.pgp",
                                   GridKmlLines(root, "r", grid, 900), grid.Pattern, error))
        << error;
    std::string output;
    ASSERT_EQ(test::RunCommand("ogrinfo -ro -al -q " + (dir / "r_grid.kml").string(), &output), 0);
    std::map<std::string, std::pair<double, double>> seen;
    size_t at = 0;
    while ((at = output.find("Name (String) = ", at)) != std::string::npos) {
        at += 16;
        const std::string name = output.substr(at, output.find('\n', at) - at);
        const size_t point = output.find("POINT Z (", at);
        ASSERT_NE(point, std::string::npos);
        char* end = nullptr;
        const double lon = std::strtod(output.c_str() + point + 9, &end);
        const double lat = std::strtod(end, nullptr);
        seen[name] = {lat, lon};
    }
    ASSERT_EQ(seen.size(), grid.Placemarks.size());
    for (const GridPlacemark& p : grid.Placemarks) {
        SCOPED_TRACE(p.Name);
        ASSERT_TRUE(seen.count(p.Name));
        EXPECT_NEAR(seen[p.Name].first, p.Lat, 1e-7);
        EXPECT_NEAR(seen[p.Name].second, p.Lon, 1e-7);
    }
    // The calibration placemarks lie at the grid's outer corners.
    const double top = grid.Placemarks[0].Lat + grid.Pattern.DeltaLat / 2;
    const double left = grid.Placemarks[0].Lon - grid.Pattern.DeltaLon / 2;
    const double bottom = grid.Placemarks[11].Lat - grid.Pattern.DeltaLat / 2;
    const double right = grid.Placemarks[11].Lon + grid.Pattern.DeltaLon / 2;
    EXPECT_NEAR(seen["P1"].first, top, 1e-7);
    EXPECT_NEAR(seen["P1"].second, left, 1e-7);
    EXPECT_NEAR(seen["P4"].first, bottom, 1e-7);
    EXPECT_NEAR(seen["P4"].second, right, 1e-7);
}

}  // namespace
}  // namespace korvalen
