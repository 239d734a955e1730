#include "geo/Utm.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "geo/CalibPoints.h"

namespace korvalen {
namespace {

// Reference values computed once with PROJ 9.1.1 (Debian's proj-bin):
//   echo "LON LAT" | cs2cs +proj=longlat +datum=WGS84 +to +proj=utm +zone=ZONE [+south]
//                          +datum=WGS84 -f %.4f
// with +south for southern latitudes and ZONE the zone of the third column.
struct Reference {
    double lat, lon, zoneLon;
    int zone;
    double easting, northing;
};

constexpr Reference kReferences[] = {
    {0.0, 3.0, 3.0, 31, 500000.0000, 0.0000},
    {0.5, 0.5, 0.5, 31, 221734.2217, 55318.0400},
    {10.0, 20.9, 20.9, 34, 489040.4439, 1105414.1521},
    {30.0, -87.5, -87.5, 16, 451775.8488, 3318890.5630},
    {47.5, 11.35, 11.35, 32, 676982.2918, 5263406.3918},
    {47.5, 6.01, 6.01, 32, 274821.6533, 5265063.5006},  // near the zone's western edge
    {47.5, 11.99, 11.99, 32, 725178.3467, 5265063.5006},
    {47.5, 12.5, 11.0, 32, 763582.8498, 5266668.8678},  // beyond the zone of the first point
    {60.0, 24.01, 24.01, 35, 333262.5746, 6655180.2276},
    {60.0, 29.99, 29.99, 35, 666737.4254, 6655180.2276},
    {75.0, -179.5, -179.5, 1, 427793.7349, 8325128.7055},
    {84.0, 179.9, 179.9, 60, 533829.1579, 9328945.4502},
    {-0.5, -0.5, -0.5, 30, 778265.7783, 9944681.9600},
    {-10.0, -40.0, -40.0, 24, 390399.2275, 8894421.4108},
    {-33.9, 18.4, 18.4, 34, 259583.2217, 6245888.0454},
    {-45.0, 170.99, 170.99, 59, 499211.8470, 5017049.5511},
    {-60.0, -66.01, -66.01, 19, 666737.4254, 3344819.7724},
    {-75.0, 140.0, 140.0, 54, 471110.8252, 1676149.6654},
    {-84.0, 0.01, 0.01, 31, 465121.8900, 671000.8818},
    {-47.5, -71.5, -73.0, 18, 763582.8498, 4733331.1322},
};

TEST(UtmTest, SeriesAgreesWithProjWithinAFewCentimetresInsideTheZone) {
    double worst = 0;
    for (const Reference& r : kReferences) {
        SCOPED_TRACE(testing::Message() << r.lat << ", " << r.lon);
        EXPECT_EQ(UtmZone(r.zoneLon), r.zone);
        double easting = 0, northing = 0;
        ASSERT_TRUE(LatLonToUtmPrecise(r.lat, r.lon, r.zoneLon, r.lat < 0, easting, northing));
        worst = std::max({worst, std::fabs(easting - r.easting), std::fabs(northing - r.northing)});
    }
    RecordProperty("WorstDifferenceMm", static_cast<int>(std::lround(worst * 1000)));
    EXPECT_LT(worst, 1.0);
}

TEST(UtmTest, WholeMetresAreTruncatedBeforeTheFalseNorthingIsAdded) {
    for (const Reference& r : kReferences) {
        SCOPED_TRACE(testing::Message() << r.lat << ", " << r.lon);
        double easting = 0, northing = 0;
        ASSERT_TRUE(LatLonToUtmPrecise(r.lat, r.lon, r.zoneLon, r.lat < 0, easting, northing));
        const UtmCoord utm = LatLonToUtm(r.lat, r.lon, r.zoneLon);
        EXPECT_EQ(utm.Easting, static_cast<int64_t>(std::trunc(easting)));
        if (r.lat < 0)
            EXPECT_EQ(utm.Northing, static_cast<int64_t>(std::trunc(northing - 1e7)) + 10000000);
        else
            EXPECT_EQ(utm.Northing, static_cast<int64_t>(std::trunc(northing)));
    }
    // Just south of the equator the series gives -110.68 m; toward zero that is -110, so the
    // file says 9999890 where PROJ says 9999889.3173.
    const UtmCoord south = LatLonToUtm(-0.001, 0.001, 0.001);
    EXPECT_EQ(south.Easting, 166132);
    EXPECT_EQ(south.Northing, 9999890);
}

TEST(UtmTest, ZonesAndCentralMeridians) {
    EXPECT_EQ(UtmZone(-180), 1);
    EXPECT_EQ(UtmZone(-174.0001), 1);
    EXPECT_EQ(UtmZone(-174), 2);
    EXPECT_EQ(UtmZone(-0.0001), 30);
    EXPECT_EQ(UtmZone(0), 31);
    EXPECT_EQ(UtmZone(179.9999), 60);
    EXPECT_EQ(UtmZone(180), 1);  // wraps to -180
    EXPECT_EQ(UtmZone(186), 2);
    EXPECT_EQ(UtmZone(-190), 0);  // left unwrapped, so it falls before zone 1
    EXPECT_FALSE(UtmZone(std::nan("")));
    EXPECT_DOUBLE_EQ(UtmCentralMeridian(1), -177);
    EXPECT_DOUBLE_EQ(UtmCentralMeridian(31), 3);
    EXPECT_DOUBLE_EQ(UtmCentralMeridian(60), 177);
}

TEST(UtmTest, ArithmeticFailuresGiveZero) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (const UtmCoord utm : {LatLonToUtm(nan, 10, 10), LatLonToUtm(45, inf, 10),
                               LatLonToUtm(45, 10, nan), LatLonToUtm(-1e300, 10, 10)}) {
        EXPECT_EQ(utm.Easting, 0);
        EXPECT_EQ(utm.Northing, 0);
    }
    tCalibPoint broken;
    broken.Lat = nan;
    broken.Lon = nan;
    EXPECT_EQ(UtmDistance(broken, broken), 0);
}

TEST(UtmTest, DistanceUsesTheWholeMetresInTheZoneOfTheFirstPoint) {
    tCalibPoint a, b;
    a.Lat = 47.5, a.Lon = 11.35;
    b.Lat = 47.5, b.Lon = 12.5;  // zone 33, but measured in zone 32
    const UtmCoord ua = LatLonToUtm(a.Lat, a.Lon, a.Lon);
    const UtmCoord ub = LatLonToUtm(b.Lat, b.Lon, a.Lon);
    const double de = static_cast<double>(ub.Easting - ua.Easting);
    const double dn = static_cast<double>(ub.Northing - ua.Northing);
    EXPECT_EQ(UtmDistance(a, b), static_cast<int64_t>(std::sqrt(de * de + dn * dn)));
    // From the references: 763582.8498 - 676982.2918 and 5266668.8678 - 5263406.3918.
    EXPECT_NEAR(static_cast<double>(UtmDistance(a, b)), 86662.0, 2.0);
    EXPECT_EQ(UtmDistance(a, a), 0);
}

TEST(UtmTest, PreciseValuesStayInOnePlaneAcrossTheEquatorAndTheAntimeridian) {
    double easting = 0, northing = 0;
    // Northern false northing kept for a point just south of the equator (PROJ: -110.6827).
    ASSERT_TRUE(LatLonToUtmPrecise(-0.001, 0.001, 0.001, false, easting, northing));
    EXPECT_NEAR(northing, -110.6827, 0.01);
    // East of the antimeridian in zone 60 (PROJ: 536160.0479, 9329066.9378).
    ASSERT_TRUE(LatLonToUtmPrecise(84, -179.9, 179.9, false, easting, northing));
    EXPECT_NEAR(easting, 536160.0479, 0.1);
    EXPECT_NEAR(northing, 9329066.9378, 0.1);
    EXPECT_FALSE(LatLonToUtmPrecise(std::nan(""), 0, 0, false, easting, northing));
}

TEST(MapScaleTest, GreatCircleBetweenTheEdgeMiddlesOverTheWidth) {
    CalibPoints points;
    points[kTopLeft].Lat = 0.5, points[kBottomLeft].Lat = -0.5;
    points[kTopRight].Lat = 0.5, points[kBottomRight].Lat = -0.5;
    points[kTopRight].Lon = points[kBottomRight].Lon = 1.0;
    points[kTopRight].X = 1000;
    // One degree of the equator on the sphere of 6378137 m: 111319.49079327357 m.
    EXPECT_NEAR(MapScaleMetresPerPixel(points), 111.31949079327357, 1e-9);

    points[kTopRight].X = 0;
    EXPECT_EQ(MapScaleMetresPerPixel(points), 0.0);
    points[kTopRight].X = 1000;
    points[kBottomRight].Lon = std::nan("");
    EXPECT_EQ(MapScaleMetresPerPixel(points), 0.0);
}

}  // namespace
}  // namespace korvalen
