// The size a map file declares, read before decoding.
#include "geo/MapImageSize.h"

#include <gtest/gtest.h>

#include <cstring>

#include "images/BmpCodec.h"
#include "images/JpegCodec.h"
#include "support/TestSupport.h"

namespace korvalen {
namespace {

namespace fs = std::filesystem;

class DeclaredSize : public ::testing::Test {
protected:
    test::TempDir dir;

    fs::path Write(const std::string& name, const std::vector<uint8_t>& bytes) {
        test::WriteBytes(dir / name, bytes);
        return dir / name;
    }
};

TEST_F(DeclaredSize, JpegAndBitmapFilesTellTheirSize) {
    std::string error;
    ASSERT_TRUE(WriteJpegFile(dir / "a.jpg", test::MakeTestPicture(123, 45, 1), 80, error));
    ASSERT_TRUE(WriteBmpFile(dir / "b.bmp", test::MakeTestPicture(67, 89, 2), error));
    int w = 0, h = 0;
    ASSERT_TRUE(ReadDeclaredImageSize(dir / "a.jpg", w, h));
    EXPECT_EQ(w, 123);
    EXPECT_EQ(h, 45);
    ASSERT_TRUE(ReadDeclaredImageSize(dir / "b.bmp", w, h));
    EXPECT_EQ(w, 67);
    EXPECT_EQ(h, 89);
    // Top-down bitmaps declare a negative height.
    std::vector<uint8_t> bytes = test::ReadBytes(dir / "b.bmp");
    const int32_t up = -89;
    std::memcpy(bytes.data() + 22, &up, 4);
    ASSERT_TRUE(ReadDeclaredImageSize(Write("top-down.bmp", bytes), w, h));
    EXPECT_EQ(h, 89);
}

TEST_F(DeclaredSize, JpegSegmentsBeforeTheFrameAreSkipped) {
    std::string error;
    ASSERT_TRUE(WriteJpegFile(dir / "a.jpg", test::MakeTestPicture(30, 20, 1), 80, error));
    std::vector<uint8_t> bytes = test::ReadBytes(dir / "a.jpg");
    // An application segment of 1000 bytes (as EXIF data would be) after the start marker.
    std::vector<uint8_t> app = {0xFF, 0xE1, 0x03, 0xE8};
    app.resize(4 + 998, 0xFF);
    bytes.insert(bytes.begin() + 2, app.begin(), app.end());
    int w = 0, h = 0;
    ASSERT_TRUE(ReadDeclaredImageSize(Write("exif.jpg", bytes), w, h));
    EXPECT_EQ(w, 30);
    EXPECT_EQ(h, 20);
}

TEST_F(DeclaredSize, BrokenOrForeignFilesTellNothing) {
    const std::vector<std::vector<uint8_t>> cases = {
        {},
        {'B'},
        {'B', 'M', 0, 0},
        {0xFF, 0xD8},
        {0xFF, 0xD8, 0xFF, 0xE0, 0x00},
        {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x01},        // a length below 2
        {0xFF, 0xD8, 0xFF, 0xDA, 0x00, 0x08},        // a scan before any frame
        {0xFF, 0xD8, 0xFF, 0xC0, 0x00, 0x11, 8, 0},  // a frame cut short
        {0x89, 'P', 'N', 'G'},
    };
    int n = 0;
    for (const auto& bytes : cases) {
        int w = -1, h = -1;
        EXPECT_FALSE(ReadDeclaredImageSize(Write("case" + std::to_string(n++), bytes), w, h)) << n;
    }
    int w = 0, h = 0;
    EXPECT_FALSE(ReadDeclaredImageSize(dir / "missing.jpg", w, h));
}

}  // namespace
}  // namespace korvalen
