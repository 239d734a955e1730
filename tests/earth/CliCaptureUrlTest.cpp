#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "LocalHttpServer.h"
#include "TileFixture.h"
#include "cli/CliCommands.h"
#include "earth/TileMapView.h"
#include "earth/UrlTileSource.h"
#include "images/BmpCodec.h"
#include "support/TestSupport.h"

namespace korvalen {
namespace {
namespace fs = std::filesystem;

// The command line captures from a tile server on this machine, with the tile cache in a
// folder of the test's own.
struct CliCaptureUrl : testing::Test {
    test::TempDir temp;
    fs::path tiles = temp / "world.mbtiles";
    test::ScopedEnv cacheHome{"XDG_CACHE_HOME", (temp / "cache").c_str()};
    // The area lies well inside the tiles and is drawn from zoom 12.
    const std::string bounds = "45.75,11.70,45.55,11.95";
    std::ostringstream out, err;

    void SetUp() override {
        std::string error;
        ASSERT_TRUE(test::WriteWorldMbTiles(tiles, test::WorldArea{}, error)) << error;
    }
    int Capture(const std::string& source, const fs::path& map) {
        out.str("");
        err.str("");
        const std::vector<std::string> args = {
            "capture", "--source", source,       "--bounds",      bounds,    "--rows",
            "3",       "--cols",   "3",          "--view",        "200x200", "--overlap",
            "10",      "--out",    map.string(), "--calibration", "map"};
        return cli::RunCli(args, out, err);
    }
    static size_t BackgroundPixels(const fs::path& map) {
        Bitmap bitmap;
        std::string error;
        EXPECT_TRUE(ReadBmpFile(map, bitmap, error)) << error;
        size_t count = 0;
        for (int y = 0; y < bitmap.Height(); ++y)
            for (int x = 0; x < bitmap.Width(); ++x)
                count += bitmap.PixelAt(x, y) == TileMapView::kBackground;
        return count;
    }
};

TEST_F(CliCaptureUrl, AServersTilesGiveTheSameMapAsTheFileAndAreThenTakenFromTheCache) {
    ASSERT_EQ(Capture(tiles.string(), temp / "file.bmp"), 0) << err.str();
    const std::string fromFile = out.str();
    EXPECT_EQ(BackgroundPixels(temp / "file.bmp"), 0u);

    test::LocalHttpServer server(test::ServeMbTiles(tiles));
    const std::string url = server.Address() + "/{z}/{x}/{y}.png";
    ASSERT_EQ(Capture(url, temp / "url.bmp"), 0) << err.str();
    EXPECT_EQ(err.str(), "");
    // The same corners and size (the calibration file names its own map, so it differs).
    EXPECT_EQ(out.str().substr(0, out.str().find("calibration")),
              fromFile.substr(0, fromFile.find("calibration")));
    EXPECT_EQ(test::ReadBytes(temp / "url.bmp"), test::ReadBytes(temp / "file.bmp"));
    EXPECT_TRUE(fs::exists(temp / "url.map"));
    EXPECT_GT(server.Requests(), 0);
    EXPECT_TRUE(fs::is_directory(TileCacheFolder(temp / "cache" / "korvalen" / "tiles", url)));

    // Without the server the tiles come from the cache.
    server.Stop();
    ASSERT_EQ(Capture(url, temp / "cached.bmp"), 0) << err.str();
    EXPECT_EQ(err.str(), "");
    EXPECT_EQ(test::ReadBytes(temp / "cached.bmp"), test::ReadBytes(temp / "file.bmp"));
}

TEST_F(CliCaptureUrl, AServerThatCannotBeReachedWritesNothing) {
    const std::string url =
        "http://127.0.0.1:" + std::to_string(test::UnusedLocalPort()) + "/{z}/{x}/{y}.png";
    EXPECT_EQ(Capture(url, temp / "none.bmp"), 1);
    EXPECT_NE(err.str().find("cannot be reached"), std::string::npos) << err.str();
    EXPECT_FALSE(fs::exists(temp / "none.bmp"));
    EXPECT_FALSE(fs::exists(temp / "none.map"));
}

// Tiles a server fails to give are plain background in a map that is still written, and
// the command says how many there were.
TEST_F(CliCaptureUrl, TilesTheServerFailsToGiveAreBackgroundAndReported) {
    const auto tilesOf = test::ServeMbTiles(tiles);
    test::LocalHttpServer server([&tilesOf](const std::string& path) {
        if (path.rfind("/12/2182/", 0) == 0)
            return test::HttpReply{500, "busy"};
        return tilesOf(path);
    });
    ASSERT_EQ(Capture(server.Address() + "/{z}/{x}/{y}.png", temp / "holes.bmp"), 0) << err.str();
    EXPECT_NE(err.str().find("warning"), std::string::npos) << err.str();
    EXPECT_NE(err.str().find("HTTP status 500"), std::string::npos) << err.str();
    EXPECT_GT(BackgroundPixels(temp / "holes.bmp"), 1000u);
}

}  // namespace
}  // namespace korvalen
