#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "TileFixture.h"
#include "cli/CliCommands.h"
#include "earth/TileSource.h"
#include "support/TestSupport.h"

namespace korvalen {
namespace {
namespace fs = std::filesystem;

struct CliCapture : testing::Test {
    test::TempDir temp;
    fs::path tiles = temp / "world.mbtiles";
    std::string bounds;
    std::ostringstream out, err;

    void SetUp() override {
        std::string error;
        ASSERT_TRUE(test::WriteWorldMbTiles(tiles, test::WorldArea{}, error)) << error;
        const ViewExtents b = *ParseBounds("11.6,45.4,12.3,45.9", true);
        bounds = std::to_string(b.North - 0.05) + "," + std::to_string(b.West + 0.05) + "," +
                 std::to_string(b.South + 0.1) + "," + std::to_string(b.East - 0.1);
    }
    int Run(std::vector<std::string> args) {
        args.insert(args.begin(), "capture");
        out.str("");
        err.str("");
        return cli::RunCli(args, out, err);
    }
};

TEST_F(CliCapture, CapturesPrintsTheCornersAndWritesTheCalibration) {
    const fs::path map = temp / "area.jpg";
    ASSERT_EQ(
        Run({"--source", tiles.string(), "--bounds", bounds, "--rows", "2", "--cols", "3", "--view",
             "128x96", "--overlap", "0", "--out", map.string(), "--calibration", "map"}),
        0)
        << err.str();
    EXPECT_NE(out.str().find("bounds " + bounds.substr(0, 5)), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("size 384 x 192"), std::string::npos) << out.str();
    EXPECT_TRUE(fs::exists(map));
    EXPECT_TRUE(fs::exists(temp / "area.map"));
}

TEST_F(CliCapture, WrongCommandLinesAndSourcesWriteNothing) {
    const std::string out_ = (temp / "x.jpg").string();
    struct Case {
        std::vector<std::string> args;
        int code;
    } cases[] = {
        {{"--source", tiles.string(), "--rows", "2", "--cols", "2", "--out", out_}, 2},
        {{"--source", tiles.string(), "--bounds", "1,2,3", "--rows", "2", "--cols", "2", "--out",
          out_},
         2},
        {{"--source", tiles.string(), "--bounds", bounds, "--rows", "0", "--cols", "2", "--out",
          out_},
         2},
        {{"--source", tiles.string(), "--bounds", bounds, "--rows", "2", "--cols", "2", "--out",
          (temp / "x.png").string()},
         2},
        {{"--source", tiles.string(), "--bounds", bounds, "--rows", "2", "--cols", "2", "--view",
          "9x9", "--out", out_},
         2},
        {{"--source", tiles.string(), "--bounds", bounds, "--rows", "2", "--cols", "2", "--out",
          out_, "--calibration", "kml"},
         2},
        {{"--source", (temp / "missing.mbtiles").string(), "--bounds", bounds, "--rows", "2",
          "--cols", "2", "--out", out_},
         1},
        {{"--source", "https://{s}.tiles.example.org/{z}/{x}/{y}.png", "--bounds", bounds, "--rows",
          "2", "--cols", "2", "--out", out_},
         1},
        {{"--rows"}, 2},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Run(c.args), c.code) << testing::PrintToString(c.args);
        EXPECT_FALSE(err.str().empty());
        EXPECT_FALSE(fs::exists(out_));
    }
}

}  // namespace
}  // namespace korvalen
