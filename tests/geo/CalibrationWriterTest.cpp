#include "geo/CalibrationWriter.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <regex>

#include "geo/GeoFormat.h"
#include "geo/WorldFile.h"
#include "images/Bitmap.h"
#include "support/TestSupport.h"

namespace korvalen {
namespace {

namespace fs = std::filesystem;

constexpr int kWidth = 1001;
constexpr int kHeight = 801;
const CalibrationWriteOptions kFixedTime{"01.02.2024 03:04:05"};

std::string ReadText(const fs::path& path) {
    const std::vector<uint8_t> bytes = test::ReadBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

std::vector<std::string> FilesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// The hand-written file, with @DIR@ standing for the folder the test writes into.
std::string ExpectedFile(const std::string& name, const fs::path& folder) {
    std::string text = ReadText(fs::path(KORVALEN_GEO_EXPECTED_DIR) / name);
    const std::string placeholder = "@DIR@";
    for (size_t at; (at = text.find(placeholder)) != std::string::npos;)
        text.replace(at, placeholder.size(), folder.string());
    return text;
}

// A map across the equator and the prime meridian, with a corner whose minutes round up to
// 60, coordinates of exactly 0 and a value whose sixth decimal rounds up only in decimal.
// Its scale in the OziExplorer file (250.217111 m a pixel) was worked out apart from this
// code: 250467.328 m between the edge middles by the spherical law of cosines, over 1001.
CalibPoints CrossingMap() {
    CalibPoints points;
    const double coordinates[9][2] = {
        {0.9999999999, -0.9999999999},
        {1.0, 1.25},
        {-0.6, -1.0},
        {-0.6, 1.25},
        {1.0, 0.0},
        {-0.6, 0.125},
        {0.0, -1.0},
        {0.2, 1.25},
        {0.2, 0.1234565},
    };
    for (int n = 1; n <= kCalibPointCount; ++n) {
        points[n].Lat = coordinates[n - 1][0];
        points[n].Lon = coordinates[n - 1][1];
        points[n].State = kPointSet;
    }
    points.PlaceAtFixedPixels(kWidth, kHeight);
    return points;
}

class CalibrationWriterTest : public ::testing::Test {
protected:
    void SetUp() override {
        calibration.Points = CrossingMap();
        calibration.Pending = true;
    }
    bool Write(const fs::path& image, int format, fs::path& written) {
        return WriteCalibrationFile(kWidth, kHeight, image, format, calibration, written, error,
                                    kFixedTime);
    }

    test::TempDir dir;
    CalibrationState calibration;
    std::string error;
};

TEST_F(CalibrationWriterTest, EachFormatMatchesItsHandWrittenFile) {
    const struct {
        int format;
        const char* file;
    } kCases[] = {{kOziExplorer, "map.map"}, {kTouratechQv, "map_jpg.cal"},
                  {kGpsTracker, "map.geo"},  {kGlobalMapper, "map.gmw"},
                  {kFugawi, "map.jpr"},      {kMapInfo, "map.tab"}};
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.file);
        calibration.Pending = true;
        fs::path written;
        ASSERT_TRUE(Write(dir / "map.jpg", c.format, written)) << error;
        EXPECT_EQ(written, dir / c.file);
        EXPECT_EQ(ReadText(written), ExpectedFile(c.file, dir.Path()));
        EXPECT_FALSE(calibration.Pending);
    }
}

TEST_F(CalibrationWriterTest, TheBitmapGivesOnlyItsSize) {
    fs::path written;
    const Bitmap bitmap(kWidth, kHeight, PixelFormat::Bits4);
    ASSERT_TRUE(WriteCalibrationFile(bitmap, dir / "map.jpg", kOziExplorer, calibration, written,
                                     error, kFixedTime));
    EXPECT_EQ(ReadText(written), ExpectedFile("map.map", dir.Path()));
}

TEST_F(CalibrationWriterTest, TextIsWindows1252) {
    fs::path written;
    ASSERT_TRUE(Write(dir / "H\xC3\xB6he \xE2\x82\xAC.jpg", kFugawi, written)) << error;
    EXPECT_EQ(written.filename().string(), "H\xC3\xB6he \xE2\x82\xAC.jpr");  // the name on disk
    EXPECT_EQ(ReadText(written).substr(0, 39), "//korvalen.example.org/\r\nnm=H\xF6he \x80\r\nit=");
}

TEST_F(CalibrationWriterTest, TheQvStampIsTheOnlyLineThatChangesBetweenWrites) {
    fs::path first, second;
    ASSERT_TRUE(WriteCalibrationFile(kWidth, kHeight, dir / "map.jpg", kTouratechQv, calibration,
                                     first, error));
    const std::string firstText = ReadText(first);
    ASSERT_TRUE(Write(dir / "map.jpg", kTouratechQv, second));
    const std::string secondText = ReadText(second);
    const std::string stampLine = "info = 12 = Imported from Korvalen 2";
    const size_t at = firstText.find(stampLine);
    ASSERT_NE(at, std::string::npos);
    EXPECT_GT(firstText.find("\r\n", at) - at, stampLine.size() + 5);  // date and time follow
    EXPECT_EQ(firstText.substr(0, at), secondText.substr(0, at));
    EXPECT_EQ(firstText.substr(firstText.find("\r\npolyregion")),
              secondText.substr(secondText.find("\r\npolyregion")));
}

TEST_F(CalibrationWriterTest, NameRules) {
    const struct {
        const char* image;
        int format;
        const char* expected;
    } kCases[] = {
        {"map.jpg", kOziExplorer, "map.map"},
        {"map.jpg", kTouratechQv, "map_jpg.cal"},
        {"map.jpg", kGpsTracker, "map.geo"},
        {"map.jpg", kGlobalMapper, "map.gmw"},
        {"map.jpg", kFugawi, "map.jpr"},
        {"map.jpg", kWorldFile, "map.jgw"},
        {"map.jpg", kMapInfo, "map.tab"},
        {"map.bmp", kTouratechQv, "map_bmp.cal"},
        {"map.bmp", kWorldFile, "map.bpw"},
        {"map.bmp", kOziExplorer, "map.map"},
        {"MAP.JPG", kTouratechQv, "MAP_jpg.cal"},
        {"MAP.JPG", kWorldFile, "MAP.jgw"},
        {"MAP.BMP", kTouratechQv, "MAP_bmp.cal"},
        {"MAP.BMP", kWorldFile, "MAP.bpw"},
        // Most formats cut at the first full stop; world files and tables replace the last
        // extension, which is where their readers look.
        {"north.part.jpg", kOziExplorer, "north.map"},
        {"north.part.jpg", kTouratechQv, "north_jpg.cal"},
        {"north.part.jpg", kWorldFile, "north.part.jgw"},
        {"north.part.jpg", kMapInfo, "north.part.tab"},
        {"north.part.bmp", kWorldFile, "north.part.bpw"},
        {"map", kOziExplorer, "map.map"},
        {"map", kWorldFile, "map.jgw"},
        {"maps.2024/map.jpg", kOziExplorer, "maps.2024/map.map"},
        {"maps.2024/map.jpg", kWorldFile, "maps.2024/map.jgw"},
        {"maps.jpg/map.bmp", kTouratechQv, "maps.jpg/map_bmp.cal"},
    };
    fs::create_directory(dir / "maps.2024");
    fs::create_directory(dir / "maps.jpg");
    for (const auto& c : kCases) {
        SCOPED_TRACE(std::string(c.image) + " " + std::to_string(c.format));
        fs::path written;
        ASSERT_TRUE(Write(dir / c.image, c.format, written)) << error;
        EXPECT_EQ(written, dir / c.expected);
        EXPECT_TRUE(fs::exists(dir / c.expected));
    }
}

TEST_F(CalibrationWriterTest, ABadFormatWritesNothing) {
    for (int format : {0, -1, 8, 100}) {
        fs::path written = "stale";
        EXPECT_FALSE(Write(dir / "map.jpg", format, written));
        EXPECT_TRUE(written.empty());
        EXPECT_FALSE(error.empty());
    }
    EXPECT_TRUE(calibration.Pending);
    EXPECT_TRUE(FilesIn(dir.Path()).empty());
    EXPECT_TRUE(CalibrationFileName(dir / "map.jpg", 8, true).empty());
}

TEST_F(CalibrationWriterTest, AFailedWriteKeepsTheOldFileAndThePendingFlag) {
    fs::path written = "stale";
    EXPECT_FALSE(Write(dir / "missing" / "map.jpg", kOziExplorer, written));
    EXPECT_TRUE(written.empty());
    EXPECT_TRUE(calibration.Pending);

    // A folder standing where the file should go cannot be replaced.
    fs::create_directory(dir / "map.geo");
    EXPECT_FALSE(Write(dir / "map.jpg", kGpsTracker, written));
    EXPECT_TRUE(calibration.Pending);
    EXPECT_EQ(FilesIn(dir.Path()), std::vector<std::string>{"map.geo"});
}

TEST_F(CalibrationWriterTest, AnExistingFileIsReplacedWhole) {
    test::WriteBytes(dir / "map.geo", std::vector<uint8_t>(5000, 'x'));
    fs::path written;
    ASSERT_TRUE(Write(dir / "map.jpg", kGpsTracker, written));
    EXPECT_EQ(ReadText(written), ExpectedFile("map.geo", dir.Path()));
    EXPECT_EQ(FilesIn(dir.Path()), std::vector<std::string>{"map.geo"});
}

TEST_F(CalibrationWriterTest, PointsNotSetAreWrittenAsTheyAre) {
    calibration.Points[kBottomRight] = tCalibPoint{};
    fs::path written;
    ASSERT_TRUE(Write(dir / "map.jpg", kGpsTracker, written));
    EXPECT_NE(ReadText(written).find("rp3=\"0.000000,0.000000,-9999,-9999\"\r\n"),
              std::string::npos);
}

// ---- world file ----------------------------------------------------------------------------

// A north-up map in degrees at 47.5 N, 2.3 degrees east of its zone's central meridian:
// 1000 x 800 pixels over 0.1 degrees of longitude and 0.054 of latitude (about 7.5 m a pixel).
CalibPoints AlpineMap() {
    CalibPoints points;
    points.PlaceAtFixedPixels(1000, 800);
    for (int n = 1; n <= kCalibPointCount; ++n) {
        points[n].Lat = 47.55 - 0.054 * points[n].Y / 800;
        points[n].Lon = 11.30 + 0.1 * points[n].X / 1000;
        points[n].State = kPointSet;
    }
    return points;
}

// The same points in UTM zone 32 by PROJ 9.1.1 (cs2cs +proj=utm +zone=32 +datum=WGS84).
constexpr double kAlpineUtm[9][2] = {
    {673052.2834, 5268850.1171}, {680575.9165, 5269077.9390}, {673230.0501, 5262849.1632},
    {680761.4199, 5263077.0227}, {676814.1059, 5268962.8150}, {676995.7408, 5262961.8797},
    {673141.1861, 5265849.6342}, {680668.6883, 5266077.4750}, {676904.9431, 5265962.3415},
};

std::vector<double> ReadWorldFile(const fs::path& path) {
    const std::string text = ReadText(path);
    const std::regex line("(-?[0-9]+\\.[0-9]{15})\r\n");
    std::vector<double> values;
    for (std::sregex_iterator it(text.begin(), text.end(), line), end; it != end; ++it) {
        const std::string number = (*it)[1];
        double value = 0;
        std::from_chars(number.data(), number.data() + number.size(), value);
        values.push_back(value);
    }
    EXPECT_EQ(std::regex_replace(text, line, ""), "") << "lines other than numbers";
    return values;
}

TEST(WorldFileTest, EveryPointOfANorthUpMapLandsWithinAPixel) {
    test::TempDir dir;
    CalibrationState calibration;
    calibration.Points = AlpineMap();
    fs::path written;
    std::string error;
    ASSERT_TRUE(
        WriteCalibrationFile(1000, 800, dir / "alps.jpg", kWorldFile, calibration, written, error));
    EXPECT_EQ(written, dir / "alps.jgw");
    const std::vector<double> v = ReadWorldFile(written);
    ASSERT_EQ(v.size(), 6u);
    const double pixelWidth = v[0], pixelHeight = -v[3];
    EXPECT_NEAR(pixelWidth, 7.53, 0.02);
    EXPECT_NEAR(pixelHeight, 7.50, 0.02);
    // The grid is turned by the meridian convergence, about 1.7 degrees here.
    EXPECT_NEAR(std::atan2(v[1], v[0]) * 180 / 3.14159265358979, 1.73, 0.05);
    for (int n = 1; n <= kCalibPointCount; ++n) {
        SCOPED_TRACE(n);
        const tCalibPoint& point = calibration.Points[n];
        // Readers take the file's origin as the centre of the first pixel.
        const double column = point.X - 0.5, row = point.Y - 0.5;
        const double easting = v[4] + v[0] * column + v[2] * row;
        const double northing = v[5] + v[1] * column + v[3] * row;
        EXPECT_LT(std::hypot(easting - kAlpineUtm[n - 1][0], northing - kAlpineUtm[n - 1][1]),
                  0.5 * pixelWidth);
    }
}

TEST(WorldFileTest, AMapAcrossTheEquatorKeepsTheHemisphereOfItsTopLeftCorner) {
    CalibPoints points;
    points.PlaceAtFixedPixels(1000, 800);
    for (int n = 1; n <= kCalibPointCount; ++n) {
        points[n].Lat = 0.04 - 0.08 * points[n].Y / 800;
        points[n].Lon = -0.05 + 0.1 * points[n].X / 1000;
    }
    WorldFileTransform t;
    ASSERT_TRUE(FitWorldFile(points, t));
    // The corners in zone 30 with the northern false northing, by PROJ 9.1.1: the southern one
    // lies below 0 instead of 10000 km further north.
    const auto corner = [&t](double column, double row) {
        return std::pair{
            t.CentreEasting + t.EastingPerColumn * (column - 0.5) + t.EastingPerRow * (row - 0.5),
            t.CentreNorthing + t.NorthingPerColumn * (column - 0.5) +
                t.NorthingPerRow * (row - 0.5)};
    };
    EXPECT_NEAR(corner(0, 0).first, 828407.1697, 5);
    EXPECT_NEAR(corner(0, 0).second, 4427.1081, 5);
    EXPECT_NEAR(corner(1000, 800).first, 839550.0387, 5);
    EXPECT_NEAR(corner(1000, 800).second, -4427.5158, 5);
}

TEST(WorldFileTest, PointsOnOneLineGiveZeros) {
    CalibPoints points;
    for (int n = 1; n <= kCalibPointCount; ++n) {
        points[n].X = 10 * n;
        points[n].Y = 20 * n;
        points[n].Lat = 47 + 0.001 * n;
        points[n].Lon = 11 + 0.001 * n;
    }
    WorldFileTransform t;
    EXPECT_FALSE(FitWorldFile(points, t));
    EXPECT_EQ(WorldFileLines(points), std::vector<std::string>(6, "0.000000000000000"));
    // Points never placed do not count.
    EXPECT_FALSE(FitWorldFile(CalibPoints(), t));
}

// ---- the hand calibration's writer ---------------------------------------------------------

class FakeDisplay : public GeoMapCorners {
public:
    int ImageWidth() const override { return kWidth; }
    int ImageHeight() const override { return kHeight; }
    LatLon CornerLatLon(ImageCorner corner) const override {
        switch (corner) {
            case ImageCorner::TopLeft:
                return {1.01, -1.02};
            case ImageCorner::TopRight:
                return {1.03, 1.26};
            case ImageCorner::BottomRight:
                return {-0.61, 1.27};
            case ImageCorner::BottomLeft:
                return {-0.62, -1.01};
        }
        return {};
    }
    double ResolutionMetresPerPixel() const override { return 245.5; }
};

TEST_F(CalibrationWriterTest, TheHandCalibrationWritesItsOwnVariants) {
    const FakeDisplay display;
    const struct {
        int format;
        const char* expected;
    } kCases[] = {{kOziExplorer, "form/map.map"},
                  {kTouratechQv, "form/map_bmp.cal"},
                  {kGpsTracker, "map.geo"},
                  {kGlobalMapper, "map.gmw"},
                  {kFugawi, "form/map.jpr"}};
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.expected);
        fs::path written;
        // The QV separator follows the maps' type, not the name of the image.
        ASSERT_TRUE(WriteFormCalibrationFile(display, calibration.Points, dir / "map.jpg", c.format,
                                             false, written, error, kFixedTime))
            << error;
        EXPECT_EQ(written, dir / fs::path(c.expected).filename());
        EXPECT_EQ(ReadText(written), ExpectedFile(c.expected, dir.Path()));
    }
    EXPECT_TRUE(calibration.Pending);
    fs::path written;
    ASSERT_TRUE(WriteFormCalibrationFile(display, calibration.Points, dir / "map.bmp", kTouratechQv,
                                         true, written, error, kFixedTime));
    EXPECT_EQ(written, dir / "map_jpg.cal");
}

TEST_F(CalibrationWriterTest, TheHandCalibrationHasNoWorldFileOrTable) {
    const FakeDisplay display;
    for (int format : {0, kWorldFile, kMapInfo}) {
        fs::path written = "stale";
        EXPECT_FALSE(WriteFormCalibrationFile(display, calibration.Points, dir / "map.jpg", format,
                                              true, written, error));
        EXPECT_TRUE(written.empty());
    }
    EXPECT_TRUE(FilesIn(dir.Path()).empty());
}

// Maps are recognised by their content, so an image may carry the very name its calibration
// file would get; writing must not replace the image.
TEST_F(CalibrationWriterTest, AnImageNamedLikeItsCalibrationFileIsKept) {
    const struct {
        int format;
        const char* image;
    } kCases[] = {{kOziExplorer, "scan.map"},
                  {kGpsTracker, "scan.geo"},
                  {kWorldFile, "scan.jgw"},
                  {kMapInfo, "scan.tab"}};
    const std::vector<uint8_t> pixels(300, 'p');
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.image);
        test::WriteBytes(dir / c.image, pixels);
        fs::path written = "stale";
        error.clear();
        EXPECT_FALSE(Write(dir / c.image, c.format, written));
        EXPECT_FALSE(error.empty());
        EXPECT_TRUE(written.empty());
        EXPECT_TRUE(calibration.Pending);
        EXPECT_EQ(test::ReadBytes(dir / c.image), pixels);
    }
    const FakeDisplay display;
    fs::path written;
    EXPECT_FALSE(WriteFormCalibrationFile(display, calibration.Points, dir / "scan.map",
                                          kOziExplorer, true, written, error, kFixedTime));
    EXPECT_EQ(test::ReadBytes(dir / "scan.map"), pixels);
}

}  // namespace
}  // namespace korvalen
