#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/CliRun.h"
#include "images/BitmapOps.h"
#include "images/GridPattern.h"
#include "images/JpegCodec.h"
#include "support/TestSupport.h"

namespace korvalen {
namespace {

using test::CliResult;
using test::RunArgs;

std::string ReadText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteText(const std::filesystem::path& path, const std::string& text) {
    test::WriteBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

const char* kRoot =
    "<?xml version=\"1.0\"?>\n<kml>\n<Document>\n<name>view</name>\n<Placemark>\n<Point>\n"
    "<coordinates>8.0,47.6,0</coordinates>\n</Point>\n</Placemark>\n<Placemark>\n<Point>\n"
    "<coordinates>8.2,47.5,0</coordinates>\n</Point>\n</Placemark>\n</Document>\n</kml>\n";

TEST(CliGrid, WritesTheGridAndItsPatternBesideTheRoot) {
    test::TempDir dir;
    WriteText(dir / "view.kml", kRoot);
    const CliResult run = RunArgs({"grid", (dir / "view.kml").string(), "--top", "1", "--bottom",
                                   "2", "--left", "0", "--right", "1", "--overlap", "20"});
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_NE(run.out.find("grid 4 x 2 = 8 images"), std::string::npos) << run.out;
    const PatternReading pattern = ReadGridPattern(dir / "view.pgp");
    ASSERT_EQ(pattern.Status, PatternStatus::Ok);
    EXPECT_EQ(pattern.Pattern.NumRows, 4);
    EXPECT_EQ(pattern.Pattern.NumCols, 2);
    EXPECT_EQ(pattern.Pattern.Overlapping, 20);
    EXPECT_TRUE(pattern.CornersComplete);
    const std::string kml = ReadText(dir / "view_grid.kml");
    EXPECT_NE(kml.find("<name>view_grid.kml</name>"), std::string::npos);
    EXPECT_NE(kml.find("<name>8</name>"), std::string::npos);
    EXPECT_NE(kml.find("<name>P4</name>"), std::string::npos);

    const CliResult plain = RunArgs({"grid", (dir / "view.kml").string(), "--top=0", "--bottom=0",
                                     "--left=1", "--right=1", "--overlap=10", "--no-calibration",
                                     "--out", (dir / "row.kml").string()});
    ASSERT_EQ(plain.code, 0) << plain.err;
    EXPECT_FALSE(ReadGridPattern(dir / "view.pgp").HasCalibration);
    EXPECT_EQ(ReadText(dir / "row.kml").find("P1"), std::string::npos);
}

TEST(CliGrid, RefusesBadCommandLinesAndFiles) {
    test::TempDir dir;
    WriteText(dir / "view.kml", kRoot);
    WriteText(dir / "bad.kml", "no kml here");
    const std::string root = (dir / "view.kml").string();
    const std::vector<std::string> all = {"--top",  "1", "--bottom", "1",
                                          "--left", "1", "--right",  "1"};
    auto with = [&](std::vector<std::string> args) {
        std::vector<std::string> full = {"grid"};
        full.insert(full.end(), args.begin(), args.end());
        return RunArgs(full);
    };
    std::vector<std::string> args = {root, "--overlap", "9"};
    args.insert(args.end(), all.begin(), all.end());
    EXPECT_EQ(with(args).code, 2);
    args = {root, "--overlap", "10", "--top", "11"};
    EXPECT_EQ(with(args).code, 2);
    args = {root, "--overlap", "10"};
    EXPECT_EQ(with(args).code, 2);  // the growth is required
    args = {(dir / "bad.kml").string(), "--overlap", "10"};
    args.insert(args.end(), all.begin(), all.end());
    const CliResult bad = with(args);
    EXPECT_EQ(bad.code, 1);
    EXPECT_NE(bad.err.find("It is no valid placemark file"), std::string::npos) << bad.err;
    args = {root, "--overlap", "10", "--out", root};
    args.insert(args.end(), all.begin(), all.end());
    EXPECT_EQ(with(args).code, 2);  // never over the root file
    EXPECT_EQ(ReadText(dir / "view.kml"), kRoot);
}

// Six views of 300 x 200 overlapping by 20 % cut from one picture: the join places them
// where they were cut, and the calibration lands the corners where the pattern says.
TEST(CliJoinPattern, JoinsTheNumberedImagesAndCalibratesTheResult) {
    test::TempDir dir;
    const Bitmap picture = test::MakeTestPicture(300 + 2 * 240, 200 + 160, 7);
    std::string error;
    for (int n = 1; n <= 6; ++n) {
        const int x = ((n - 1) % 3) * 240, y = ((n - 1) / 3) * 160;
        const std::optional<Bitmap> view = CopyArea(&picture, Rect{x, y, x + 300, y + 200});
        ASSERT_TRUE(view);
        ASSERT_TRUE(WriteJpegFile(dir / (std::to_string(n) + ".jpg"), *view, 95, error)) << error;
    }
    WriteText(dir / "p.pgp",
              "[Grid]\r\nNumRows=2\r\nNumCols=3\r\nOverlapping=20\r\n[calibration]\r\n"
              "P1lat=47,6\r\nP1lon=8\r\nP2lat=47.6\r\nP2lon=8.3\r\nP3lat=47.5\r\nP3lon=8\r\n"
              "P4lat=47.5\r\nP4lon=8.3\r\n");
    const CliResult run =
        RunArgs({"join", dir.Path().string(), "--pattern", (dir / "p.pgp").string(), "--out",
                 (dir / "r.jpg").string(), "--calibrate", "map"});
    ASSERT_EQ(run.code, 0) << run.err;
    for (const char* line : {"1 2 2 240 0 ", "1 3 3 480 0 ", "2 1 4 0 160 ", "2 3 6 480 160 "})
        EXPECT_NE(run.out.find(line), std::string::npos) << line << "\n" << run.out;
    // P1 lies 30 and 20 pixels into view 1 (half of the 20 % overlap), P4 as far from the
    // bottom-right corner of view 6.
    EXPECT_NE(run.out.find("P1 30 20\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("P4 750 340\n"), std::string::npos) << run.out;
    EXPECT_TRUE(std::filesystem::exists(dir / "r.map"));

    // Failures: a missing image, a bad parameter, no pattern, an option of the other join.
    std::filesystem::rename(dir / "5.jpg", dir / "x.jpg");
    CliResult failed = RunArgs({"join", dir.Path().string(), "--pattern", (dir / "p.pgp").string(),
                                "--out", (dir / "r2.jpg").string()});
    EXPECT_EQ(failed.code, 1);
    EXPECT_NE(failed.err.find("5.jpg is missing"), std::string::npos) << failed.err;
    WriteText(dir / "bad.pgp", "[Grid]\nNumRows=2\nNumCols=3\nOverlapping=30\n");
    failed = RunArgs({"join", dir.Path().string(), "--pattern=" + (dir / "bad.pgp").string(),
                      "--out", (dir / "r2.jpg").string()});
    EXPECT_EQ(failed.code, 1);
    EXPECT_NE(failed.err.find("Bad grid pattern parameter"), std::string::npos) << failed.err;
    WriteText(dir / "none.pgp", "[Other]\n");
    failed = RunArgs({"join", dir.Path().string(), "--pattern", (dir / "none.pgp").string(),
                      "--out", (dir / "r2.jpg").string()});
    EXPECT_NE(failed.err.find("is no placemark grid file"), std::string::npos) << failed.err;
    failed = RunArgs({"join", dir.Path().string(), "--pattern", (dir / "p.pgp").string(), "--out",
                      (dir / "r2.jpg").string(), "--rows", "2"});
    EXPECT_EQ(failed.code, 2);
    EXPECT_FALSE(std::filesystem::exists(dir / "r2.jpg"));
}

}  // namespace
}  // namespace korvalen
