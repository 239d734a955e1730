#include "images/PngCodec.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "images/MapFiles.h"
#include "support/TestSupport.h"

namespace korvalen {
namespace {

namespace fs = std::filesystem;
using test::HaveProgram;
using test::MakeTestPicture;
using test::ReadBytes;
using test::RunCommand;
using test::TempDir;
using test::WriteBytes;

std::string Quoted(const fs::path& path) {
    return "'" + path.string() + "'";
}

void WritePpm(const fs::path& path, const Bitmap& picture) {
    std::ofstream out(path, std::ios::binary);
    out << "P6\n" << picture.Width() << " " << picture.Height() << "\n255\n";
    for (int y = 0; y < picture.Height(); ++y)
        for (int x = 0; x < picture.Width(); ++x) {
            const Rgb c = picture.PixelAt(x, y);
            out.put(char(c.r)).put(char(c.g)).put(char(c.b));
        }
}

// The pixels of a PAM file as ImageMagick writes it (grey or colour, with or without alpha,
// 8 or 16 bits), laid over white the way the PNG reader promises: 16-bit samples rounded to
// 8 bits, then colour * alpha + white * (1 - alpha), rounded.
Bitmap ReadPamOverWhite(const fs::path& path) {
    const std::vector<uint8_t> bytes = ReadBytes(path);
    const std::string text(bytes.begin(), bytes.end());
    const size_t end = text.find("ENDHDR\n");
    if (text.rfind("P7\n", 0) != 0 || end == std::string::npos)
        return {};
    std::istringstream header(text.substr(3, end - 3));
    int width = 0, height = 0, depth = 0, maxValue = 0;
    for (std::string key; header >> key;) {
        if (key == "WIDTH")
            header >> width;
        else if (key == "HEIGHT")
            header >> height;
        else if (key == "DEPTH")
            header >> depth;
        else if (key == "MAXVAL")
            header >> maxValue;
        else
            header.ignore(1 << 10, '\n');
    }
    const int sampleBytes = maxValue > 255 ? 2 : 1;
    const uint8_t* p = bytes.data() + end + 7;
    if (width <= 0 || height <= 0 || depth < 1 || depth > 4 ||
        bytes.size() < end + 7 + size_t(width) * height * depth * sampleBytes)
        return {};
    const auto sample = [&] {
        const int v = sampleBytes == 2 ? (p[0] << 8 | p[1]) : p[0];
        p += sampleBytes;
        return sampleBytes == 2 ? (v * 255 + 32767) / 65535 : v;
    };
    Bitmap picture(width, height, PixelFormat::Bits24);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            int c[4] = {0, 0, 0, 255};
            for (int i = 0; i < depth; ++i)
                c[i] = sample();
            if (depth <= 2)  // grey, maybe with alpha
                c[3] = depth == 2 ? c[1] : 255, c[1] = c[2] = c[0];
            const auto over = [&](int v) {
                return uint8_t((v * c[3] + 255 * (255 - c[3]) + 127) / 255);
            };
            picture.SetPixel(x, y, {over(c[0]), over(c[1]), over(c[2])});
        }
    return picture;
}

// Index of the first pixel that differs, or -1 when every pixel is the same.
int FirstDifference(const Bitmap& a, const Bitmap& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height())
        return 0;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
            if (!(a.PixelAt(x, y) == b.PixelAt(x, y)))
                return y * a.Width() + x;
    return -1;
}

// ImageMagick writes each kind of PNG from one picture, and its own decode of the file is the
// reference for the pixels.
struct MagickCase {
    const char* name;
    const char* options;  // between the source picture and the PNG name
    PixelFormat format;   // what we make of it
};

constexpr const char* kAlphaRamp = "-alpha set -channel A -fx \"((i*7+j*3)%256)/255\" +channel";
constexpr const char* kAlphaHoles = "-alpha set -channel A -fx \"(i+j)%3==0?0:1\" +channel";

const MagickCase kMagickCases[] = {
    {"rgb8", "PNG24:", PixelFormat::Bits24},
    {"rgb8-interlaced", "-interlace PNG PNG24:", PixelFormat::Bits24},
    {"rgb16", "-depth 16 PNG48:", PixelFormat::Bits24},
    {"rgba8", "@ramp PNG32:", PixelFormat::Bits24},
    {"rgba8-interlaced", "@ramp -interlace PNG PNG32:", PixelFormat::Bits24},
    {"grey8", "-colorspace Gray -depth 8 -define png:color-type=0 PNG:", PixelFormat::Bits8},
    {"grey16", "-colorspace Gray -depth 16 -define png:color-type=0 PNG:", PixelFormat::Bits8},
    {"grey1",
     "-colorspace Gray -threshold 50% -define png:bit-depth=1 -define png:color-type=0 PNG:",
     PixelFormat::Bits8},
    {"grey-alpha", "-colorspace Gray @ramp -define png:color-type=4 PNG:", PixelFormat::Bits24},
    {"palette8", "-colors 200 PNG8:", PixelFormat::Bits8},
    {"palette4",
     "-colors 12 -define png:bit-depth=4 -define png:color-type=3 PNG:", PixelFormat::Bits8},
    {"palette-holes", "-colors 100 @holes PNG8:", PixelFormat::Bits8},
};

std::string Expanded(std::string options) {
    for (auto [key, value] : {std::pair{"@ramp", kAlphaRamp}, std::pair{"@holes", kAlphaHoles}})
        if (const size_t at = options.find(key); at != std::string::npos)
            options.replace(at, std::string(key).size(), value);
    return options;
}

TEST(PngCodecTest, FilesMadeByImageMagickDecodeToItsOwnPixelsOverWhite) {
    if (!HaveProgram("convert"))
        GTEST_SKIP() << "ImageMagick is not installed";
    TempDir dir;
    const fs::path source = dir / "source.ppm";
    WritePpm(source, MakeTestPicture(61, 37, 5));
    for (const MagickCase& c : kMagickCases) {
        SCOPED_TRACE(c.name);
        std::string options = Expanded(c.options);
        const size_t colon = options.rfind(' ') == std::string::npos ? 0 : options.rfind(' ') + 1;
        const std::string prefix = options.substr(colon);
        options.resize(colon);
        const fs::path png = dir / (std::string(c.name) + ".png");
        const fs::path reference = dir / (std::string(c.name) + ".pam");
        ASSERT_EQ(RunCommand("convert " + Quoted(source) + " " + options + prefix + Quoted(png)),
                  0);
        ASSERT_EQ(RunCommand("convert " + Quoted(png) + " " + Quoted(reference)), 0);

        Bitmap decoded;
        std::string error;
        ASSERT_TRUE(ReadPngFile(png, decoded, error)) << error;
        EXPECT_EQ(decoded.Format(), c.format);
        EXPECT_EQ(FirstDifference(decoded, ReadPamOverWhite(reference)), -1);
    }
}

// ---- hostile and broken files -----------------------------------------------------------

uint32_t Crc32(const uint8_t* data, size_t size) {
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void PutBigEndian(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = uint8_t(value >> (24 - 8 * i));
}

// A small valid PNG, written by ImageMagick when it is there, else taken from the test tree.
std::vector<uint8_t> SmallPng(const TempDir& dir) {
    const fs::path png = dir / "small.png";
    WritePpm(dir / "small.ppm", MakeTestPicture(40, 30, 2));
    if (RunCommand("convert " + Quoted(dir / "small.ppm") + " PNG24:" + Quoted(png)) != 0)
        return {};
    return ReadBytes(png);
}

// Where the first compressed pixel data begins (after the IDAT chunk's length and type).
size_t PixelDataStart(const std::vector<uint8_t>& png) {
    for (size_t at = 8; at + 8 <= png.size();) {
        const uint32_t length =
            uint32_t(png[at]) << 24 | png[at + 1] << 16 | png[at + 2] << 8 | png[at + 3];
        if (std::string(png.begin() + at + 4, png.begin() + at + 8) == "IDAT")
            return at + 8;
        at += 12 + length;
    }
    return png.size();
}

// The IHDR chunk follows the signature: length, type, width, height, ..., CRC at 29.
std::vector<uint8_t> WithSize(std::vector<uint8_t> png, uint32_t width, uint32_t height) {
    PutBigEndian(png, 16, width);
    PutBigEndian(png, 20, height);
    PutBigEndian(png, 29, Crc32(png.data() + 12, 17));
    return png;
}

TEST(PngCodecTest, BrokenOrHostileDataIsRefusedWithAMessageAndLeavesTheBitmap) {
    if (!HaveProgram("convert"))
        GTEST_SKIP() << "ImageMagick is not installed";
    TempDir dir;
    const std::vector<uint8_t> good = SmallPng(dir);
    ASSERT_GT(good.size(), 100u);
    std::vector<uint8_t> badCrc = good;
    badCrc[20] ^= 1;
    const size_t pixels = PixelDataStart(good);
    ASSERT_LT(pixels + 100, good.size());
    std::vector<uint8_t> badPixels = good;
    badPixels[pixels + 50] ^= 0x55;  // its chunk's CRC no longer fits

    // A text chunk right after the header that claims nearly 2 GB in a few bytes.
    std::vector<uint8_t> hugeText(good.begin(), good.begin() + 33);
    for (int b :
         {0x74, 0x52, 0x52, 0x00, 0x74, 0x45, 0x58, 0x74, 0x6B, 0x00, 0x76})  // "tEXt" "k\0v"
        hugeText.push_back(uint8_t(b));

    const struct {
        const char* name;
        std::vector<uint8_t> bytes;
        uint64_t maxBytes;
        const char* says;
    } cases[] = {
        {"signature only", {good.begin(), good.begin() + 8}, Bitmap::kMaxBytes, "Bad PNG data"},
        {"cut in the header", {good.begin(), good.begin() + 20}, Bitmap::kMaxBytes, "ends early"},
        {"cut in the pixels",
         {good.begin(), good.begin() + pixels + 60},
         Bitmap::kMaxBytes,
         "ends early"},
        {"bad header checksum", badCrc, Bitmap::kMaxBytes, "Bad PNG data"},
        {"bad pixel data checksum", badPixels, Bitmap::kMaxBytes, "Bad PNG data"},
        {"a million by a million in a few bytes", WithSize(good, 1u << 20, 1u << 20),
         Bitmap::kMaxBytes, "too short"},
        {"wider than a bitmap may be", WithSize(good, (1u << 20) + 1, 1), Bitmap::kMaxBytes,
         "Bad PNG data"},
        {"more pixels than allowed", good, 1000, "too large"},
        {"a text chunk claiming 2 GB", hugeText, Bitmap::kMaxBytes, "ends early"},
        {"not a PNG at all", {'B', 'M', 0, 0}, Bitmap::kMaxBytes, "Not a PNG"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Bitmap kept(3, 2, PixelFormat::Bits24);
        std::string error;
        EXPECT_FALSE(DecodePng(c.bytes, kept, error, c.maxBytes));
        EXPECT_NE(error.find(c.says), std::string::npos) << error;
        EXPECT_EQ(kept.Width(), 3);
    }
}

TEST(PngCodecTest, MapFilesAreKnownByTheirContentNotTheirName) {
    if (!HaveProgram("convert"))
        GTEST_SKIP() << "ImageMagick is not installed";
    TempDir dir;
    WriteBytes(dir / "scan.jpg", SmallPng(dir));
    Bitmap map;
    std::string error;
    ASSERT_TRUE(LoadMapFile(dir / "scan.jpg", map, false, error)) << error;
    EXPECT_EQ(map.Format(), PixelFormat::Bits24);
    EXPECT_EQ(FirstDifference(map, MakeTestPicture(40, 30, 2)), -1);

    ASSERT_TRUE(LoadMapFile(dir / "scan.jpg", map, true, error)) << error;
    EXPECT_EQ(map.Format(), PixelFormat::Bits8);
    EXPECT_TRUE(map.HasStandardPalette());

    // A cut file fails as a whole, naming the file; no half-made map passes.
    const std::vector<uint8_t> whole = ReadBytes(dir / "scan.jpg");
    WriteBytes(dir / "cut.png", {whole.begin(), whole.begin() + PixelDataStart(whole) + 60});
    EXPECT_FALSE(LoadMapFile(dir / "cut.png", map, false, error));
    EXPECT_NE(error.find("cut.png"), std::string::npos) << error;
    EXPECT_TRUE(map.IsEmpty());
}

}  // namespace
}  // namespace korvalen
