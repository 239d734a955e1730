#include "images/MapFiles.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "images/BmpCodec.h"
#include "images/JpegCodec.h"
#include "support/TestSupport.h"

namespace korvalen {
namespace {

namespace fs = std::filesystem;

void WriteBmp(const fs::path& path, const Bitmap& bitmap) {
    std::string error;
    ASSERT_TRUE(WriteBmpFile(path, bitmap, error)) << error;
}

void WriteJpeg(const fs::path& path, const Bitmap& bitmap) {
    std::string error;
    ASSERT_TRUE(WriteJpegFile(path, bitmap, 95, error)) << error;
}

// Mean absolute difference per channel, for lossy round trips.
double MeanDifference(const Bitmap& a, const Bitmap& b) {
    double sum = 0;
    for (int y = 0; y < a.Height(); ++y) {
        for (int x = 0; x < a.Width(); ++x) {
            const Rgb p = a.PixelAt(x, y), q = b.PixelAt(x, y);
            sum += std::abs(p.r - q.r) + std::abs(p.g - q.g) + std::abs(p.b - q.b);
        }
    }
    return sum / (3.0 * a.Width() * a.Height());
}

class MapFilesTest : public ::testing::Test {
protected:
    test::TempDir dir;
    Bitmap picture = test::MakeTestPicture(48, 32, 7);
    std::string error;
};

TEST_F(MapFilesTest, LoadsBitmapAndJpegFiles) {
    WriteBmp(dir / "a1.bmp", picture);
    WriteJpeg(dir / "a2.jpg", picture);
    Bitmap loaded;
    ASSERT_TRUE(LoadMapFile(dir / "a1.bmp", loaded, false, error)) << error;
    EXPECT_EQ(loaded.Format(), PixelFormat::Bits24);
    EXPECT_TRUE(test::SamePixels(loaded, picture));

    ASSERT_TRUE(LoadMapFile(dir / "a2.jpg", loaded, false, error)) << error;
    Bitmap decoded;
    ASSERT_TRUE(ReadJpegFile(dir / "a2.jpg", decoded, error)) << error;
    EXPECT_TRUE(test::SamePixels(loaded, decoded));
    EXPECT_LT(MeanDifference(loaded, picture), 12.0);  // sharp edges lose colour to subsampling
}

TEST_F(MapFilesTest, TheContentTellsTheFormatNotTheName) {
    WriteBmp(dir / "really-bmp.jpg", picture);
    WriteJpeg(dir / "really-jpeg.BMP", picture);
    WriteBmp(dir / "no-extension", picture);
    Bitmap loaded;
    ASSERT_TRUE(LoadMapFile(dir / "really-bmp.jpg", loaded, false, error)) << error;
    EXPECT_TRUE(test::SamePixels(loaded, picture));
    ASSERT_TRUE(LoadMapFile(dir / "really-jpeg.BMP", loaded, false, error)) << error;
    EXPECT_EQ(loaded.Width(), 48);
    ASSERT_TRUE(LoadMapFile(dir / "no-extension", loaded, false, error)) << error;
    EXPECT_TRUE(test::SamePixels(loaded, picture));
}

TEST_F(MapFilesTest, FolderWithAFullStopDoesNotDecideTheFormat) {
    fs::create_directories(dir / "trip.bmp" / "scans.v2");
    WriteJpeg(dir / "trip.bmp" / "scans.v2" / "a1", picture);
    Bitmap loaded;
    ASSERT_TRUE(LoadMapFile(dir / "trip.bmp" / "scans.v2" / "a1", loaded, false, error)) << error;
    EXPECT_EQ(loaded.Width(), 48);
    EXPECT_FALSE(LoadMapFile(dir / "trip.bmp", loaded, false, error));  // a folder
    EXPECT_NE(error.find("trip.bmp"), std::string::npos) << error;
}

TEST_F(MapFilesTest, BadFilesGiveAnErrorNamingTheFileAndAnEmptyBitmap) {
    std::vector<uint8_t> jpeg;
    ASSERT_TRUE(EncodeJpeg(picture, 90, jpeg, error)) << error;
    std::vector<uint8_t> corrupt = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x02, 0x12, 0x34, 0x56};
    std::vector<uint8_t> truncated(jpeg.begin(), jpeg.begin() + static_cast<long>(jpeg.size() / 2));
    std::vector<uint8_t> bmpHeaderOnly = {'B', 'M', 0, 0, 0, 0};
    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    test::WriteBytes(dir / "corrupt.jpg", corrupt);
    test::WriteBytes(dir / "truncated.jpg", truncated);
    test::WriteBytes(dir / "header.bmp", bmpHeaderOnly);
    test::WriteBytes(dir / "picture.png", png);
    test::WriteBytes(dir / "empty.bmp", {});
    test::WriteBytes(dir / "one.jpg", {0xFF});
    for (const char* name : {"corrupt.jpg", "truncated.jpg", "header.bmp", "picture.png",
                             "empty.bmp", "one.jpg", "missing.bmp"}) {
        SCOPED_TRACE(name);
        Bitmap loaded(5, 5, PixelFormat::Bits24);  // whatever was there before is dropped
        error.clear();
        EXPECT_FALSE(LoadMapFile(dir / name, loaded, true, error));
        EXPECT_TRUE(loaded.IsEmpty());
        EXPECT_NE(error.find(name), std::string::npos) << error;
    }
}

TEST_F(MapFilesTest, EightBitLoadingGivesTheStandardPalette) {
    WriteBmp(dir / "a1.bmp", picture);
    WriteJpeg(dir / "a2.jpg", picture);
    Bitmap vga(16, 8, PixelFormat::Bits4);
    vga.SetPixel(3, 3, Rgb{255, 0, 0});
    WriteBmp(dir / "a3.bmp", vga);
    for (const char* name : {"a1.bmp", "a2.jpg", "a3.bmp"}) {
        SCOPED_TRACE(name);
        Bitmap loaded;
        ASSERT_TRUE(LoadMapFile(dir / name, loaded, true, error)) << error;
        EXPECT_EQ(loaded.Format(), PixelFormat::Bits8);
        EXPECT_TRUE(loaded.HasStandardPalette());
    }
    Bitmap loaded;
    ASSERT_TRUE(LoadMapFile(dir / "a3.bmp", loaded, true, error));
    EXPECT_EQ(loaded.PixelAt(3, 3), (Rgb{255, 0, 0}));
    EXPECT_EQ(loaded.PixelAt(0, 0), (Rgb{255, 255, 255}));
}

TEST(JpegFileNameTest, AnythingButJpgBecomesJpgAtTheFirstStop) {
    struct Case {
        const char* in;
        const char* out;
    } cases[] = {
        {"map.bmp", "map.jpg"},
        {"map.part.bmp", "map.jpg"},
        {"map", "map.jpg"},
        {"map.", "map.jpg"},
        {"d/x.y/map", "d/x.y/map.jpg"},
        {"d/x.y/map.bmp", "d/x.y/map.jpg"},
        {"MAP.JPG", "MAP.JPG"},
        {"d/map.part.jpg", "d/map.part.jpg"},
        {"map.jpeg", "map.jpg"},  // "jpeg" does not contain "jpg"
    };
    for (const Case& c : cases)
        EXPECT_EQ(JpegFileName(c.in), fs::path(c.out)) << c.in;
}

TEST_F(MapFilesTest, SaveJpegWritesBesideUnderTheJpegName) {
    fs::create_directory(dir / "maps.v1");
    Bitmap eightBit(40, 30, PixelFormat::Bits8);
    eightBit.Fill(Rgb{0, 102, 204});
    fs::path written;
    ASSERT_TRUE(SaveJpeg(dir / "maps.v1" / "b2.bmp", eightBit, true, 80, written, error)) << error;
    EXPECT_EQ(written, dir / "maps.v1" / "b2.jpg");
    Bitmap loaded;
    ASSERT_TRUE(LoadMapFile(written, loaded, false, error)) << error;
    EXPECT_EQ(loaded.Format(), PixelFormat::Bits24);  // a colour JPEG either way
    EXPECT_EQ(loaded.Width(), 40);
    const Rgb centre = loaded.PixelAt(20, 15);
    EXPECT_NEAR(centre.g, 102, 6);
    EXPECT_NEAR(centre.b, 204, 6);
    EXPECT_FALSE(fs::exists(dir / "maps.v1" / "b2.bmp"));
}

TEST_F(MapFilesTest, FailedSaveKeepsTheOldFile) {
    WriteJpeg(dir / "map.jpg", picture);
    const auto before = test::ReadBytes(dir / "map.jpg");
    fs::path written = "unchanged";
    const Bitmap tooWide(kJpegMaxSide + 1, 1, PixelFormat::Bits8);
    EXPECT_FALSE(SaveJpeg(dir / "map.jpg", tooWide, true, 70, written, error));
    EXPECT_NE(error.find("65535"), std::string::npos) << error;
    EXPECT_FALSE(SaveJpeg(dir / "map.bmp", Bitmap{}, false, 70, written, error));
    EXPECT_EQ(test::ReadBytes(dir / "map.jpg"), before);
    EXPECT_EQ(written, fs::path("unchanged"));

    fs::create_directory(dir / "taken.jpg");  // the rename into place fails
    EXPECT_FALSE(SaveJpeg(dir / "taken.bmp", picture, false, 70, written, error));
    EXPECT_TRUE(fs::is_directory(dir / "taken.jpg"));
    size_t files = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir.Path()))
        ++files;
    EXPECT_EQ(files, 2u);  // map.jpg and taken.jpg: no temporary left
}

}  // namespace
}  // namespace korvalen
