#include "earth/UrlTileSource.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "LocalHttpServer.h"
#include "TileFixture.h"
#include "earth/TileMapView.h"
#include "support/TestSupport.h"

namespace korvalen {
namespace {
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

using test::ScopedEnv;
std::string Png(int zoom, int x, int y) {
    std::vector<uint8_t> data;
    std::string error;
    EncodePngTile(test::WorldTile(zoom, x, y), data, error);
    return std::string(data.begin(), data.end());
}

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

TEST(TileUrlTemplate, OnlyHttpAddressesWithZxyAndNoOtherPlaceholder) {
    struct Case {
        const char* text;
        const char* complaint;  // nullptr: accepted
    } cases[] = {
        {"https://tile.example.org/{z}/{x}/{y}.png", nullptr},
        {"http://127.0.0.1:8080/tiles/{z}/{x}/{y}", nullptr},
        {"HTTPS://a.tile.example.org/{z}/{y}/{x}.jpg?style=topo", nullptr},
        {"https://tile.example.org/{z}/{x}/{y}.png?k={z}", nullptr},
        {"ftp://tile.example.org/{z}/{x}/{y}.png", "not ftp"},
        {"file:///srv/tiles/{z}/{x}/{y}.png", "not file"},
        {"tile.example.org/{z}/{x}/{y}.png", "Only http and https"},
        {"https://{s}.tile.example.org/{z}/{x}/{y}.png", "{s}"},
        {"https://tile.example.org/{z}/{x}/{-y}.png", "{-y}"},
        {"https://tile.example.org/{quadkey}.png", "{quadkey}"},
        {"https://tile.example.org/{z}/{x}/{y}.png?key={apikey}", "{apikey}"},
        {"https://tile.example.org/{z}/{x}.png", "needs {z}, {x} and {y}"},
        {"https://tile.example.org/{z}/{x}/{y.png", "{ without }"},
        {"https://tile.example.org/{z}/{x}/y}.png", "} without {"},
        {"https://tile.example.org/{z}/{x}/{y}.png\n", "control characters"},
        {"https://tile.example.org/my tiles/{z}/{x}/{y}.png", "spaces"},
        {"https:///{z}/{x}/{y}.png", "names no server"},
        {"https://", "names no server"},
    };
    for (const Case& c : cases) {
        std::string error;
        const bool accepted = CheckTileUrlTemplate(c.text, error);
        EXPECT_EQ(accepted, c.complaint == nullptr) << c.text << ": " << error;
        if (c.complaint) {
            EXPECT_NE(error.find(c.complaint), std::string::npos) << c.text << ": " << error;
        }
    }
    std::string error;
    EXPECT_FALSE(
        CheckTileUrlTemplate("https://t.example.org/{z}/{x}/{y}?" + std::string(2000, 'a'), error));
    // A refused template opens nothing.
    EXPECT_FALSE(OpenTileSource("https://{s}.tile.example.org/{z}/{x}/{y}.png", error));
    EXPECT_NE(error.find("{s}"), std::string::npos);
}

TEST(TileUrlTemplate, FillingInAndTellingAddressesFromFiles) {
    EXPECT_EQ(TileUrl("https://t.example.org/{z}/{x}/{y}.png", 12, 2180, 1460),
              "https://t.example.org/12/2180/1460.png");
    EXPECT_EQ(TileUrl("http://h/{y}-{x}-{z}?z={z}", 3, 4, 5), "http://h/5-4-3?z=3");
    for (const char* url : {"https://a/{z}/{x}/{y}", "ftp://a/b", "HTTP://a/{z}", "svn+ssh://x"})
        EXPECT_TRUE(LooksLikeTileUrl(url)) << url;
    for (const char* file :
         {"/home/me/tiles", "tiles.mbtiles", "C:\\maps\\a.mbtiles", "://nothing", "./x://y", ""})
        EXPECT_FALSE(LooksLikeTileUrl(file)) << file;
}

TEST(TileUrlTemplate, TheCacheLivesInTheXdgCacheFolder) {
    {
        ScopedEnv xdg("XDG_CACHE_HOME", "/var/cache/me");
        EXPECT_EQ(TileCacheRoot(), fs::path("/var/cache/me/korvalen/tiles"));
    }
    {
        ScopedEnv xdg("XDG_CACHE_HOME", "relative/cache");  // ignored, as if unset
        ScopedEnv home("HOME", "/home/me");
        EXPECT_EQ(TileCacheRoot(), fs::path("/home/me/.cache/korvalen/tiles"));
    }
    {
        ScopedEnv xdg("XDG_CACHE_HOME", nullptr);
        ScopedEnv home("HOME", nullptr);
        EXPECT_TRUE(TileCacheRoot().empty());
    }
    // One folder per template, the same in every run.
    const fs::path a = TileCacheFolder("/c", "https://a.example.org/{z}/{x}/{y}.png");
    EXPECT_EQ(a, TileCacheFolder("/c", "https://a.example.org/{z}/{x}/{y}.png"));
    EXPECT_NE(a, TileCacheFolder("/c", "https://b.example.org/{z}/{x}/{y}.png"));
    EXPECT_EQ(a.parent_path(), fs::path("/c"));
    EXPECT_EQ(a.filename().string().size(), 16u);
}

struct UrlSource : testing::Test {
    test::TempDir temp;
    TileUrlOptions options;
    UrlSource() {
        options.CacheRoot = temp / "cache";
        options.Limits.Timeout = milliseconds(3000);
    }
    std::unique_ptr<TileSource> Open(const std::string& urlTemplate) {
        std::string error;
        auto source = OpenTileUrl(urlTemplate, options, error);
        EXPECT_TRUE(source) << error;
        return source;
    }
    fs::path Cached(const std::string& urlTemplate, int z, int x, int y) {
        return TileCacheFolder(options.CacheRoot, urlTemplate) / std::to_string(z) /
               std::to_string(x) / std::to_string(y);
    }
};

TEST_F(UrlSource, FetchesOnceThenReadsTheCacheWithoutTheServer) {
    test::LocalHttpServer server([](const std::string& path) {
        test::HttpReply reply;
        reply.Body = path == "/12/2180/1460.png" ? Png(12, 2180, 1460) : "";
        reply.Status = reply.Body.empty() ? 404 : 200;
        return reply;
    });
    const std::string url = server.Address() + "/{z}/{x}/{y}.png";
    const std::string png = Png(12, 2180, 1460);
    {
        auto source = Open(url);
        ASSERT_TRUE(source);
        std::string message, error;
        EXPECT_EQ(source->State(message), TileSourceState::Connecting);  // nothing asked yet
        EXPECT_EQ(server.Requests(), 0);
        std::vector<uint8_t> data;
        ASSERT_TRUE(source->ReadTile(12, 2180, 1460, data, error)) << error;
        EXPECT_EQ(std::string(data.begin(), data.end()), png);
        EXPECT_EQ(source->State(message), TileSourceState::Ready);
        EXPECT_EQ(server.LastUserAgent(), "Korvalen/2.33 (+local tile cache)");
        EXPECT_EQ(test::ReadBytes(Cached(url, 12, 2180, 1460)), data);
        // No temporary file is left beside the tile.
        int files = 0;
        for (const auto& entry : fs::recursive_directory_iterator(options.CacheRoot))
            files += entry.is_regular_file();
        EXPECT_EQ(files, 1);
        // The second read of the tile does not ask the server.
        ASSERT_TRUE(source->ReadTile(12, 2180, 1460, data, error));
        EXPECT_EQ(server.Requests(), 1);
    }
    server.Stop();
    auto again = Open(url);
    ASSERT_TRUE(again);
    std::vector<uint8_t> data;
    std::string message, error;
    ASSERT_TRUE(again->ReadTile(12, 2180, 1460, data, error)) << error;
    EXPECT_EQ(std::string(data.begin(), data.end()), png);
    EXPECT_EQ(again->State(message), TileSourceState::Ready);
    // A tile not in the cache is now a failed read, not a hang or a crash.
    EXPECT_FALSE(again->ReadTile(12, 2181, 1460, data, error));
    EXPECT_FALSE(error.empty());
}

// Whatever the server answers that is not a tile gives no tile, is not cached, and is told
// apart from a tile that is simply not there.
TEST_F(UrlSource, AnswersThatAreNoTileAreMissingTiles) {
    struct Case {
        const char* path;
        test::HttpReply reply;
        const char* complaint;  // nullptr: simply no tile
    } cases[] = {
        {"/missing", {404, "<html>not found</html>"}, nullptr},
        {"/gone", {410, ""}, nullptr},
        {"/garbage", {200, "<html>rate limit exceeded</html>"}, "neither PNG nor JPEG"},
        {"/broken-png", {200, Png(1, 0, 0).substr(0, 100)}, "PNG"},
        {"/error", {500, "oops"}, "HTTP status 500"},
        {"/huge", {200, std::string(5 << 20, 'x')}, "larger than 4 MB"},
        {"/endless", {200, "", "", milliseconds(0), size_t{64} << 20}, "larger than 4 MB"},
        {"/to-file", {302, "", "Location: file:///etc/passwd\r\n"}, "tile"},
    };
    test::LocalHttpServer server([&](const std::string& path) {
        for (const Case& c : cases)
            if (path.rfind(c.path, 0) == 0)
                return c.reply;
        return test::HttpReply{404};
    });
    for (const Case& c : cases) {
        const std::string url = server.Address() + c.path + "/{z}/{x}/{y}";
        auto source = Open(url);
        ASSERT_TRUE(source);
        std::vector<uint8_t> data;
        std::string error, message;
        const auto start = Clock::now();
        EXPECT_FALSE(source->ReadTile(3, 4, 5, data, error)) << c.path;
        EXPECT_LT(SecondsSince(start), 2.5) << c.path;
        if (c.complaint) {
            EXPECT_NE(error.find(c.complaint), std::string::npos) << c.path << ": " << error;
        } else {
            EXPECT_EQ(error, "") << c.path;
        }
        EXPECT_FALSE(fs::exists(Cached(url, 3, 4, 5))) << c.path;
        // The server did answer: the source is there, only the tile is not.
        EXPECT_EQ(source->State(message), TileSourceState::Ready) << c.path << ": " << message;
    }
}

// A slow server times out, an absent one is unreachable, a plain one is not taken for a secure
// one, and one that refuses us is not taken for one that works.
TEST_F(UrlSource, ASlowServerTimesOutAndAnAbsentOrRefusingOneIsUnreachable) {
    test::LocalHttpServer slow([](const std::string&) {
        return test::HttpReply{200, Png(1, 0, 0), "", milliseconds(20000)};
    });
    test::LocalHttpServer plain([](const std::string&) { return test::HttpReply{200, "x"}; });
    test::LocalHttpServer refusing([](const std::string&) { return test::HttpReply{403, "no"}; });
    options.Limits.Timeout = milliseconds(300);
    const std::string absent = "http://127.0.0.1:" + std::to_string(test::UnusedLocalPort());
    const std::string secure = "https://127.0.0.1:" + std::to_string(plain.Port());
    const struct {
        std::string server;
        const char *inError, *inMessage;
    } cases[] = {{slow.Address(), "no answer within 0.3 s", "127.0.0.1"},
                 {absent, "", ""},
                 {secure, "", ""},
                 {refusing.Address(), "", "HTTP 403"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.server);
        auto source = Open(c.server + "/{z}/{x}/{y}.png");
        ASSERT_TRUE(source);
        std::vector<uint8_t> data;
        std::string error, message;
        const auto start = Clock::now();
        EXPECT_FALSE(source->ReadTile(1, 0, 0, data, error));
        EXPECT_LT(SecondsSince(start), 3);
        EXPECT_NE(error.find(c.inError), std::string::npos) << error;
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(source->State(message), TileSourceState::Unreachable) << message;
        EXPECT_NE(message.find(c.inMessage), std::string::npos) << message;
    }
}

// Closing the view while a tile is on its way from a slow server does not wait for it.
TEST_F(UrlSource, TheViewNeitherWaitsForASlowServerNorClosesLate) {
    test::LocalHttpServer slow([](const std::string&) {
        return test::HttpReply{200, Png(1, 0, 0), "", milliseconds(20000)};
    });
    options.Limits.Timeout = milliseconds(15000);
    auto source = Open(slow.Address() + "/{z}/{x}/{y}.png");
    ASSERT_TRUE(source);
    auto start = Clock::now();
    {
        TileMapView view(std::move(source), 256, 256);
        view.SetTileTimeout(milliseconds(100));
        for (int i = 0; i < 200 && slow.Requests() == 0; ++i)
            std::this_thread::sleep_for(milliseconds(10));
        EXPECT_EQ(view.IsOnline(), 0);  // still waiting for the first answer
        std::this_thread::sleep_for(milliseconds(200));
        // The view counts what did not come as done and draws it as background.
        EXPECT_EQ(view.StreamingProgressPercentage(), 100);
        Bitmap picture(256, 256, PixelFormat::Bits24);
        ASSERT_TRUE(view.Render(picture));
        EXPECT_EQ(picture.PixelAt(128, 128), TileMapView::kBackground);
    }
    EXPECT_LT(SecondsSince(start), 5);
}

TEST_F(UrlSource, TheViewGoesOnlineWithTheFirstAnswerAndRaisesWhenUnreachable) {
    const fs::path tiles = temp / "world.mbtiles";
    std::string error;
    ASSERT_TRUE(test::WriteWorldMbTiles(tiles, test::WorldArea{}, error)) << error;
    test::LocalHttpServer server(test::ServeMbTiles(tiles));
    auto source = Open(server.Address() + "/{z}/{x}/{y}.png");
    ASSERT_TRUE(source);
    TileMapView view(std::move(source), 128, 128);
    int online = 0;
    for (int i = 0; i < 500 && (online = view.IsOnline()) == 0; ++i)
        std::this_thread::sleep_for(milliseconds(10));
    EXPECT_EQ(online, 1);  // the world view's tiles are 404 here, which is an answer

    auto gone =
        Open("http://127.0.0.1:" + std::to_string(test::UnusedLocalPort()) + "/{z}/{x}/{y}.png");
    ASSERT_TRUE(gone);
    TileMapView offline(std::move(gone), 128, 128);
    bool raised = false;
    for (int i = 0; i < 500 && !raised; ++i) {
        try {
            offline.IsOnline();
        } catch (const EarthError& e) {
            raised = true;
            EXPECT_NE(std::string(e.what()).find("127.0.0.1"), std::string::npos) << e.what();
        }
        std::this_thread::sleep_for(milliseconds(10));
    }
    EXPECT_TRUE(raised);
}

}  // namespace
}  // namespace korvalen
