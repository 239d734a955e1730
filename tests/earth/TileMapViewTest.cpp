#include "earth/TileMapView.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <thread>

#include "TileFixture.h"
#include "earth/TileDecoder.h"
#include "earth/TileSource.h"
#include "earth/WebMercator.h"
#include "images/JpegCodec.h"
#include "support/TestSupport.h"

namespace korvalen {
namespace {
namespace fs = std::filesystem;

TEST(WebMercator, RoundTripsAndKnownPoints) {
    EXPECT_DOUBLE_EQ(LonToWorldX(-180, 0), 0);
    EXPECT_DOUBLE_EQ(LonToWorldX(0, 1), 256);
    EXPECT_NEAR(LatToWorldY(0, 3), 1024, 1e-9);
    EXPECT_NEAR(LatToWorldY(kMercatorMaxLatitude, 0), 0, 1e-6);
    for (double lat : {-80.0, -45.5, 0.0, 12.25, 47.3, 84.0})
        EXPECT_NEAR(WorldYToLat(LatToWorldY(lat, 14), 14), lat, 1e-10);
    for (double lon : {-179.5, -3.25, 0.0, 11.0, 179.9})
        EXPECT_NEAR(WorldXToLon(LonToWorldX(lon, 9), 9), lon, 1e-10);
}

TEST(WebMercator, ZoomIsTheCoarsestNotCoarserThanTheView) {
    const double z10 = 360.0 / 256 / 1024;  // degrees per pixel at zoom 10
    EXPECT_EQ(ZoomForScale(z10, 0, 18), 10);
    EXPECT_EQ(ZoomForScale(z10 * 0.9, 0, 18), 11);
    EXPECT_EQ(ZoomForScale(z10 * 1.9, 0, 18), 10);
    EXPECT_EQ(ZoomForScale(z10 * 2, 0, 18), 9);
    EXPECT_EQ(ZoomForScale(z10, 12, 18), 12);
    EXPECT_EQ(ZoomForScale(z10, 0, 8), 8);
    EXPECT_EQ(ZoomForScale(0, 3, 8), 8);
    EXPECT_EQ(ZoomForScale(NAN, 3, 8), 8);
}

TEST(TileSource, BoundsParsing) {
    auto b = ParseBounds("10.5,46,11.5,47.25", true);
    ASSERT_TRUE(b);
    EXPECT_EQ(b->West, 10.5);
    EXPECT_EQ(b->South, 46);
    EXPECT_EQ(b->East, 11.5);
    EXPECT_EQ(b->North, 47.25);
    b = ParseBounds("47.25,10.5,46,11.5", false);
    ASSERT_TRUE(b);
    EXPECT_EQ(b->North, 47.25);
    EXPECT_EQ(b->West, 10.5);
    for (const char* bad :
         {"", "1,2,3", "1,2,3,4,5", "a,b,c,d", "46,10,47,11", "1,2,3,4x", "95,10,90,11"})
        EXPECT_FALSE(ParseBounds(bad, false)) << bad;
}

TEST(TileDecoder, PngAndJpegTilesDecodeToTwentyFourBits) {
    const Bitmap tile = test::WorldTile(12, 2180, 1460);
    std::vector<uint8_t> png;
    std::string error;
    ASSERT_TRUE(EncodePngTile(tile, png, error)) << error;
    Bitmap back;
    ASSERT_TRUE(DecodeTile(png, back, error)) << error;
    EXPECT_EQ(back.Format(), PixelFormat::Bits24);
    EXPECT_EQ(back.PixelAt(17, 200), tile.PixelAt(17, 200));

    std::vector<uint8_t> jpeg;
    ASSERT_TRUE(EncodeJpeg(tile, 90, jpeg, error)) << error;
    ASSERT_TRUE(DecodeTile(jpeg, back, error)) << error;
    EXPECT_EQ(back.Width(), 256);
}

TEST(TileDecoder, HostileTilesAreRefused) {
    std::vector<uint8_t> png;
    std::string error;
    ASSERT_TRUE(EncodePngTile(test::WorldTile(3, 1, 1), png, error));
    Bitmap out;
    // Truncated, garbage, empty, and a header claiming a huge picture.
    std::vector<uint8_t> truncated(png.begin(), png.begin() + static_cast<long>(png.size() / 2));
    EXPECT_FALSE(DecodeTile(truncated, out, error));
    const std::vector<uint8_t> garbage(100, 0x42);
    EXPECT_FALSE(DecodeTile(garbage, out, error));
    EXPECT_FALSE(DecodeTile({}, out, error));
    std::vector<uint8_t> huge = png;
    huge[16] = 0x00, huge[17] = 0x01, huge[18] = 0x00, huge[19] = 0x00;  // width 65536
    EXPECT_FALSE(DecodeTile(huge, out, error));
    EXPECT_TRUE(out.IsEmpty());
}

struct WorldFixture : testing::Test {
    test::TempDir temp;
    fs::path dir = temp.Path();
    fs::path file = dir / "world.mbtiles";
    test::WorldArea area;
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(test::WriteWorldMbTiles(file, area, error)) << error;
    }
    std::unique_ptr<TileMapView> OpenView(int w, int h) {
        std::string error;
        auto source = OpenTileSource(file.string(), error);
        EXPECT_TRUE(source) << error;
        return source ? std::make_unique<TileMapView>(std::move(source), w, h) : nullptr;
    }
    static void WaitDrawn(TileMapView& view) {
        for (int i = 0; i < 500 && view.StreamingProgressPercentage() < 100; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
};

TEST_F(WorldFixture, MbTilesMetadataIsRead) {
    std::string error;
    auto source = OpenMbTiles(file.string(), error);
    ASSERT_TRUE(source) << error;
    EXPECT_EQ(source->MinZoom, 10);
    EXPECT_EQ(source->MaxZoom, 12);
    ASSERT_TRUE(source->Bounds);
    EXPECT_NEAR(source->Bounds->West, WorldXToLon(2180.0 * 256, 12), 1e-5);
    std::vector<uint8_t> data;
    EXPECT_TRUE(source->ReadTile(12, 2180, 1460, data, error)) << error;
    EXPECT_FALSE(source->ReadTile(12, 1, 1, data, error));
    EXPECT_TRUE(error.empty());
}

TEST_F(WorldFixture, BadSourcesGiveAMessage) {
    std::string error;
    EXPECT_FALSE(OpenTileSource((dir / "missing.mbtiles").string(), error));
    EXPECT_NE(error.find("does not exist"), std::string::npos);
    std::ofstream(dir / "text.mbtiles") << "not a database at all, just some text";
    EXPECT_FALSE(OpenTileSource((dir / "text.mbtiles").string(), error));
    fs::create_directories(dir / "empty");
    EXPECT_FALSE(OpenTileSource((dir / "empty").string(), error));
    EXPECT_FALSE(OpenTileSource("", error));
}

TEST_F(WorldFixture, FolderSourceReadsItsTiles) {
    std::string error;
    std::vector<uint8_t> png;
    ASSERT_TRUE(EncodePngTile(test::WorldTile(12, 2180, 1460), png, error));
    fs::create_directories(dir / "tiles" / "12" / "2180");
    std::ofstream(dir / "tiles" / "12" / "2180" / "1460.png", std::ios::binary)
        .write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
    auto source = OpenTileSource((dir / "tiles").string(), error);
    ASSERT_TRUE(source) << error;
    EXPECT_EQ(source->MinZoom, 12);
    EXPECT_EQ(source->MaxZoom, 12);
    std::vector<uint8_t> data;
    EXPECT_TRUE(source->ReadTile(12, 2180, 1460, data, error));
    EXPECT_EQ(data, png);
    EXPECT_FALSE(source->ReadTile(12, 2180, 1461, data, error));
}

// Each view pixel shows the world pixel under its centre: rows are linear in latitude,
// columns in longitude.
TEST_F(WorldFixture, ViewSamplesTheTilesLinearInLatitudeAndLongitude) {
    auto view = OpenView(200, 150);
    ASSERT_TRUE(view);
    CameraInfo camera = view->GetCamera(0);
    const double z12 = 360.0 / 256 / 4096;
    camera.Range = view->Geometry().RangeForLonSpan(z12 * 200 * 0.8);
    view->SetCamera(camera, 1);
    WaitDrawn(*view);
    EXPECT_EQ(view->StreamingProgressPercentage(), 100);
    Bitmap picture(200, 150, PixelFormat::Bits24);
    ASSERT_TRUE(view->Render(picture));
    const ViewExtents e = view->GetViewExtents();
    const double lonPx = (e.East - e.West) / 200, latPx = (e.North - e.South) / 150;
    int wrong = 0;
    for (int y = 0; y < 150; y += 7)
        for (int x = 0; x < 200; x += 5) {
            const double wx = LonToWorldX(e.West + (x + 0.5) * lonPx, 12);
            const double wy = LatToWorldY(e.North - (y + 0.5) * latPx, 12);
            wrong += picture.PixelAt(x, y) !=
                     test::WorldColour(static_cast<int64_t>(wx), static_cast<int64_t>(wy), 12);
        }
    EXPECT_LE(wrong, 1);
    // The point under a screen position is the linear one.
    const PointOnTerrain p = view->GetPointOnTerrainFromScreenCoords(-1, 1);
    EXPECT_DOUBLE_EQ(p.Latitude, e.North);
    EXPECT_DOUBLE_EQ(p.Longitude, e.West);
}

TEST_F(WorldFixture, ACoarseViewDrawsFromACoarserLevel) {
    auto view = OpenView(128, 128);
    ASSERT_TRUE(view);
    CameraInfo camera = view->GetCamera(0);
    const double z10 = 360.0 / 256 / 1024;
    camera.Range = view->Geometry().RangeForLonSpan(z10 * 128);
    view->SetCamera(camera, 1);
    WaitDrawn(*view);
    Bitmap picture(128, 128, PixelFormat::Bits24);
    view->Render(picture);
    EXPECT_EQ(picture.PixelAt(64, 64).b, 100);  // zoom 10
}

TEST_F(WorldFixture, OutsideTheTilesIsBackgroundAndCountsAsDone) {
    auto view = OpenView(64, 64);
    ASSERT_TRUE(view);
    view->SetTileTimeout(std::chrono::milliseconds(50));
    CameraInfo camera = view->GetCamera(0);
    camera.FocusPointLatitude = -30;
    camera.FocusPointLongitude = -100;
    view->SetCamera(camera, 1);
    WaitDrawn(*view);
    EXPECT_EQ(view->StreamingProgressPercentage(), 100);
    Bitmap picture(64, 64, PixelFormat::Bits8);
    ASSERT_TRUE(view->Render(picture));
    EXPECT_EQ(picture.Format(), PixelFormat::Bits8);
    // Near the poles, beyond the tile pyramid, nothing is needed at all.
    camera.FocusPointLatitude = 89;
    EXPECT_NO_THROW(view->SetCamera(camera, 1));
    camera.Range = NAN;
    EXPECT_THROW(view->SetCamera(camera, 1), EarthError);
}

TEST_F(WorldFixture, TheCacheStaysBounded) {
    auto view = OpenView(256, 256);
    ASSERT_TRUE(view);
    CameraInfo camera = view->GetCamera(0);
    camera.Range = view->Geometry().RangeForLonSpan(360.0 / 4096);  // zoom 12
    for (int i = 0; i < 12; ++i) {
        camera.FocusPointLongitude += 360.0 / 4096 / 2;
        view->SetCamera(camera, 1);
        WaitDrawn(*view);
    }
    EXPECT_LE(view->CachedTiles(), 9u + 8u);
}

}  // namespace
}  // namespace korvalen
