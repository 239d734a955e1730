#include "images/BmpCodec.h"

#include <gtest/gtest.h>

#include <cctype>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <tuple>

#include "support/TestSupport.h"

// Hand-built files name only the fields they set.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace korvalen {
namespace {

using test::HaveProgram;
using test::ReadBytes;
using test::RunCommand;
using test::TempDir;
using test::WriteBytes;

const Rgb kRed{255, 0, 0}, kGreen{0, 255, 0}, kBlue{0, 0, 255}, kWhite{255, 255, 255},
    kBlack{0, 0, 0};

uint32_t Get32(const std::vector<uint8_t>& bytes, size_t at) {
    return bytes[at] | (bytes[at + 1] << 8) | (bytes[at + 2] << 16) |
           (uint32_t(bytes[at + 3]) << 24);
}
uint16_t Get16(const std::vector<uint8_t>& bytes, size_t at) {
    return static_cast<uint16_t>(bytes[at] | (bytes[at + 1] << 8));
}
void Set32(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}
void Set16(std::vector<uint8_t>& bytes, size_t at, uint16_t value) {
    bytes[at] = static_cast<uint8_t>(value);
    bytes[at + 1] = static_cast<uint8_t>(value >> 8);
}

// A bitmap file put together field by field, for what ImageMagick cannot write.
struct BmpLayout {
    uint32_t headerSize = 40;
    int32_t width = 1;
    int32_t height = 1;
    uint16_t bits = 24;
    uint32_t compression = 0;
    std::vector<uint32_t> masks;  // inside the header when it has room, else after it
    std::vector<Rgb> palette;
    uint32_t colorsUsed = 0;
    std::vector<uint8_t> pixels;
};

std::vector<uint8_t> BuildBmp(const BmpLayout& layout) {
    std::vector<uint8_t> file(14 + layout.headerSize, 0);
    file[0] = 'B';
    file[1] = 'M';
    Set32(file, 14, layout.headerSize);
    if (layout.headerSize == 12) {
        Set16(file, 18, static_cast<uint16_t>(layout.width));
        Set16(file, 20, static_cast<uint16_t>(layout.height));
        Set16(file, 22, 1);
        Set16(file, 24, layout.bits);
    } else {
        Set32(file, 18, static_cast<uint32_t>(layout.width));
        Set32(file, 22, static_cast<uint32_t>(layout.height));
        Set16(file, 26, 1);
        Set16(file, 28, layout.bits);
        Set32(file, 30, layout.compression);
        Set32(file, 46, layout.colorsUsed);
    }
    for (size_t i = 0; i < layout.masks.size(); ++i) {
        if (layout.headerSize > 40) {
            Set32(file, 54 + 4 * i, layout.masks[i]);
        } else {
            file.resize(file.size() + 4);
            Set32(file, file.size() - 4, layout.masks[i]);
        }
    }
    for (const Rgb& c : layout.palette) {
        file.insert(file.end(), {c.b, c.g, c.r});
        if (layout.headerSize != 12)
            file.push_back(0);
    }
    Set32(file, 10, static_cast<uint32_t>(file.size()));
    file.insert(file.end(), layout.pixels.begin(), layout.pixels.end());
    Set32(file, 2, static_cast<uint32_t>(file.size()));
    return file;
}

// With KORVALEN_BMP_SEED_DIR set, every hand-built file is also stored there as a seed for
// the fuzzer (fuzz/seeds/bmp), named after its test.
void KeepAsFuzzSeed(const std::vector<uint8_t>& file) {
    const char* folder = std::getenv("KORVALEN_BMP_SEED_DIR");
    if (!folder)
        return;
    static int count = 0;
    const std::string test = testing::UnitTest::GetInstance()->current_test_info()->name();
    WriteBytes(std::filesystem::path(folder) / (test + "-" + std::to_string(++count) + ".bmp"),
               file);
}

Bitmap Decode(const std::vector<uint8_t>& file) {
    Bitmap bitmap;
    std::string error;
    EXPECT_TRUE(DecodeBmp(file, bitmap, error)) << error;
    KeepAsFuzzSeed(file);
    return bitmap;
}

// Rows of colours, top row first.
using Picture = std::vector<std::vector<Rgb>>;

void ExpectPicture(const Bitmap& bitmap, const Picture& expected) {
    ASSERT_EQ(bitmap.Height(), static_cast<int>(expected.size()));
    ASSERT_EQ(bitmap.Width(), static_cast<int>(expected[0].size()));
    for (int y = 0; y < bitmap.Height(); ++y)
        for (int x = 0; x < bitmap.Width(); ++x) {
            const Rgb got = bitmap.PixelAt(x, y), want = expected[y][x];
            EXPECT_EQ(got, want) << "at " << x << "," << y << ": got " << int(got.r) << " "
                                 << int(got.g) << " " << int(got.b) << ", want " << int(want.r)
                                 << " " << int(want.g) << " " << int(want.b);
        }
}

// ---- Files written by ImageMagick ----

void WritePpm(const std::filesystem::path& path, const Bitmap& picture) {
    std::vector<uint8_t> bytes;
    const std::string head = "P6\n" + std::to_string(picture.Width()) + " " +
                             std::to_string(picture.Height()) + "\n255\n";
    bytes.assign(head.begin(), head.end());
    for (int y = 0; y < picture.Height(); ++y)
        for (int x = 0; x < picture.Width(); ++x) {
            const Rgb c = picture.PixelAt(x, y);
            bytes.insert(bytes.end(), {c.r, c.g, c.b});
        }
    WriteBytes(path, bytes);
}

// The pixels of an image file as ImageMagick reads them: red, green, blue, row by row.
std::string MagickRgb(const std::filesystem::path& path) {
    std::string rgb;
    EXPECT_EQ(RunCommand("convert '" + path.string() + "' -depth 8 rgb:-", &rgb), 0);
    return rgb;
}

// Largest difference of one channel between the bitmap and ImageMagick's reading.
int MaxDifferenceFromMagick(const Bitmap& bitmap, const std::filesystem::path& path) {
    const std::string rgb = MagickRgb(path);
    EXPECT_EQ(rgb.size(), size_t(3) * bitmap.Width() * bitmap.Height());
    if (rgb.size() != size_t(3) * bitmap.Width() * bitmap.Height())
        return 256;
    int worst = 0;
    size_t i = 0;
    for (int y = 0; y < bitmap.Height(); ++y)
        for (int x = 0; x < bitmap.Width(); ++x, i += 3) {
            const Rgb c = bitmap.PixelAt(x, y);
            worst = std::max({worst, std::abs(c.r - uint8_t(rgb[i])),
                              std::abs(c.g - uint8_t(rgb[i + 1])),
                              std::abs(c.b - uint8_t(rgb[i + 2]))});
        }
    return worst;
}

struct MagickCase {
    const char* name;
    const char* options;  // convert options and output prefix
    uint32_t headerSize;
    int bits;
    uint32_t compression;
    PixelFormat format;
    // ImageMagick widens 5-bit channels by copying bits where we round, and 4-bit channels
    // by shifting only (white reads 240).
    int tolerance;
};

class MagickFileTest : public testing::TestWithParam<MagickCase> {};

TEST_P(MagickFileTest, DecodesLikeImageMagick) {
    if (!HaveProgram("convert"))
        GTEST_SKIP() << "ImageMagick's convert is not installed";
    const MagickCase& c = GetParam();
    TempDir dir;
    // Odd width: padded rows, a half-used byte at 4 bits, a part byte at 1 bit.
    WritePpm(dir / "in.ppm", test::MakeTestPicture(29, 11, 7));
    const auto file = dir / "out.bmp";
    ASSERT_EQ(RunCommand("convert '" + (dir / "in.ppm").string() + "' " + c.options + "'" +
                         file.string() + "'"),
              0);
    const std::vector<uint8_t> bytes = ReadBytes(file);
    ASSERT_GT(bytes.size(), 30u);
    // Make sure ImageMagick wrote the variant this case is about.
    ASSERT_EQ(Get32(bytes, 14), c.headerSize);
    ASSERT_EQ(c.headerSize == 12 ? Get16(bytes, 24) : Get16(bytes, 28), c.bits);
    if (c.headerSize > 12) {
        ASSERT_EQ(Get32(bytes, 30), c.compression);
    }

    Bitmap bitmap;
    std::string error;
    ASSERT_TRUE(ReadBmpFile(file, bitmap, error)) << error;
    EXPECT_EQ(bitmap.Format(), c.format);
    EXPECT_EQ(bitmap.Width(), 29);
    EXPECT_EQ(bitmap.Height(), 11);
    EXPECT_LE(MaxDifferenceFromMagick(bitmap, file), c.tolerance);
    if (c.format != PixelFormat::Bits24) {
        EXPECT_FALSE(bitmap.HasStandardPalette());
    }

    Bitmap fromMemory = Decode(bytes);
    ASSERT_EQ(fromMemory.ByteSize(), bitmap.ByteSize());
    for (int y = 0; y < bitmap.Height(); ++y)
        for (int x = 0; x < bitmap.Width(); ++x)
            ASSERT_EQ(fromMemory.PixelAt(x, y), bitmap.PixelAt(x, y));
}

const MagickCase kMagickCases[] = {
    {"Info24", "BMP3:", 40, 24, 0, PixelFormat::Bits24, 0},
    {"Info8", "-colors 200 -type Palette -compress None BMP3:", 40, 8, 0, PixelFormat::Bits8, 0},
    {"Info4", "-colors 12 -type Palette BMP3:", 40, 4, 0, PixelFormat::Bits4, 0},
    {"Info1", "-monochrome BMP3:", 40, 1, 0, PixelFormat::Bits4, 0},
    {"InfoRle8", "-colors 200 -type Palette -compress RLE BMP3:", 40, 8, 1, PixelFormat::Bits8, 0},
    {"Core24", "BMP2:", 12, 24, 0, PixelFormat::Bits24, 0},
    {"Core8", "-colors 200 -type Palette BMP2:", 12, 8, 0, PixelFormat::Bits8, 0},
    {"Core4", "-colors 12 -type Palette BMP2:", 12, 4, 0, PixelFormat::Bits4, 0},
    {"Core1", "-monochrome BMP2:", 12, 1, 0, PixelFormat::Bits4, 0},
    {"V5Rgb24", "BMP:", 124, 24, 0, PixelFormat::Bits24, 0},
    {"V5Rle8", "-colors 200 -type Palette BMP:", 124, 8, 1, PixelFormat::Bits8, 0},
    {"V5Argb32", "-alpha set -channel A -evaluate set 50% +channel BMP:", 124, 32, 3,
     PixelFormat::Bits24, 0},
    {"V5Rgb565", "-define bmp:subtype=RGB565 BMP:", 124, 16, 3, PixelFormat::Bits24, 1},
    {"V5Rgb555", "-define bmp:subtype=RGB555 BMP:", 124, 16, 3, PixelFormat::Bits24, 1},
    {"V5Argb1555", "-alpha set -define bmp:subtype=ARGB1555 BMP:", 124, 16, 3, PixelFormat::Bits24,
     1},
    {"V5Argb4444", "-alpha set -define bmp:subtype=ARGB4444 BMP:", 124, 16, 3, PixelFormat::Bits24,
     15},
};

INSTANTIATE_TEST_SUITE_P(BmpReader, MagickFileTest, testing::ValuesIn(kMagickCases),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- Hand-built files ----

TEST(BmpReader, OneBitRowsCrossingByteBoundaries) {
    // Width 10: the second byte of each row holds two pixels and six padding bits.
    const Bitmap bitmap = Decode(BuildBmp({.width = 10,
                                           .height = 2,
                                           .bits = 1,
                                           .palette = {kRed, kBlue},
                                           .pixels = {0xAA, 0xC0, 0, 0,  // bottom row
                                                      0x01, 0x7F, 0, 0}}));
    EXPECT_EQ(bitmap.Format(), PixelFormat::Bits4);
    const Rgb r = kRed, b = kBlue;
    ExpectPicture(bitmap, {{r, r, r, r, r, r, r, b, r, b}, {b, r, b, r, b, r, b, r, b, b}});
    EXPECT_EQ(bitmap.Palette()[2], kBlack);
}

TEST(BmpReader, TopDownEightBitsWithShortPalette) {
    // Three palette entries; index 9 lies beyond them and reads as black.
    const Bitmap bitmap = Decode(BuildBmp({.width = 3,
                                           .height = -2,
                                           .bits = 8,
                                           .palette = {kRed, kGreen, kBlue},
                                           .colorsUsed = 3,
                                           .pixels = {0, 1, 2, 0, 2, 9, 1, 0}}));
    EXPECT_EQ(bitmap.Format(), PixelFormat::Bits8);
    ExpectPicture(bitmap, {{kRed, kGreen, kBlue}, {kBlue, kBlack, kGreen}});
}

TEST(BmpReader, CoreHeaderWithThreeBytePaletteEntries) {
    const Bitmap bitmap = Decode(BuildBmp({.headerSize = 12,
                                           .width = 2,
                                           .height = 2,
                                           .bits = 4,
                                           .palette = {kWhite, kRed, kGreen},
                                           .pixels = {0x12, 0, 0, 0, 0x20, 0, 0, 0}}));
    // The offset shows that only three entries are stored; the rest are black.
    ExpectPicture(bitmap, {{kGreen, kWhite}, {kRed, kGreen}});
    EXPECT_EQ(bitmap.Palette()[3], kBlack);
}

TEST(BmpReader, Rle8RunsAbsoluteRunsDeltaAndEarlyEnd) {
    const Bitmap bitmap = Decode(BuildBmp({.width = 6,
                                           .height = 4,
                                           .bits = 8,
                                           .compression = 1,
                                           .palette = {kBlack, kRed, kGreen, kBlue},
                                           .pixels = {
                                               3, 1, 0, 3, 2, 3, 1, 0,  // run, absolute, padding
                                               0, 0,                    // end of line
                                               0, 2, 4, 1,              // delta to x 4, row 2
                                               2, 3, 0, 0,              // run to the row's end
                                               1, 2, 0, 1,              // run, end of bitmap
                                           }}));
    const Rgb k = kBlack, r = kRed, g = kGreen, b = kBlue;
    ExpectPicture(bitmap,
                  {{g, k, k, k, k, k}, {k, k, k, k, b, b}, {k, k, k, k, k, k}, {r, r, r, g, b, r}});
}

TEST(BmpReader, Rle4RunsAbsoluteRunsAndDelta) {
    std::vector<Rgb> palette(16, kBlack);
    for (int i = 0; i < 16; ++i)
        palette[i] = {uint8_t(16 * i), uint8_t(i), 0};
    const Bitmap bitmap =
        Decode(BuildBmp({.width = 7,
                         .height = 3,
                         .bits = 4,
                         .compression = 2,
                         .palette = palette,
                         .pixels = {
                             4, 0x12, 0,    3,    0x34, 0x50, 0, 0,  // row 0
                             0, 5,    0x67, 0x89, 0xA0, 0,    0, 0,  // row 1, padded
                             0, 2,    2,    0,    3,    0xF0, 0, 1,  // row 2 from x 2
                         }}));
    EXPECT_EQ(bitmap.Format(), PixelFormat::Bits4);
    const auto p = [&](int i) { return palette[i]; };
    ExpectPicture(bitmap, {{p(0), p(0), p(15), p(0), p(15), p(0), p(0)},
                           {p(6), p(7), p(8), p(9), p(10), p(0), p(0)},
                           {p(1), p(2), p(1), p(2), p(3), p(4), p(5)}});
}

TEST(BmpReader, BitFieldsOfOddWidthsScaleToEightBits) {
    // 3-7-6 bits: red 3 of 7, green 1 of 127, blue 21 of 63.
    const uint16_t mixed = (3 << 13) | (1 << 6) | 21;
    const Bitmap bitmap =
        Decode(BuildBmp({.width = 2,
                         .height = 1,
                         .bits = 16,
                         .compression = 3,
                         .masks = {0xE000, 0x1FC0, 0x003F},
                         .pixels = {uint8_t(mixed), uint8_t(mixed >> 8), 0xFF, 0xFF}}));
    ExpectPicture(bitmap, {{Rgb{109, 2, 85}, kWhite}});
}

TEST(BmpReader, TenBitChannelsInV4Header) {
    const uint32_t pixel = (1023u << 20) | (512u << 10);
    const Bitmap bitmap =
        Decode(BuildBmp({.headerSize = 108,
                         .width = 1,
                         .height = 1,
                         .bits = 32,
                         .compression = 3,
                         .masks = {0x3FF00000, 0x000FFC00, 0x3FF},
                         .pixels = {uint8_t(pixel), uint8_t(pixel >> 8), uint8_t(pixel >> 16),
                                    uint8_t(pixel >> 24)}}));
    ExpectPicture(bitmap, {{Rgb{255, 128, 0}}});
}

TEST(BmpReader, MasksAfterInfoHeaderAndInShortHeaders) {
    // 5-6-5 masks after a 40-byte header (bit fields) and after it with alpha (alpha bit
    // fields), and inside the 52- and 56-byte headers.
    const std::vector<uint8_t> pixels = {0x00, 0xF8, 0xE0, 0x07, 0x1F, 0x00, 0, 0};
    for (const auto& [headerSize, compression, masks] :
         std::vector<std::tuple<uint32_t, uint32_t, std::vector<uint32_t>>>{
             {40, 3, {0xF800, 0x07E0, 0x001F}},
             {40, 6, {0xF800, 0x07E0, 0x001F, 0}},
             {52, 3, {0xF800, 0x07E0, 0x001F}},
             {56, 3, {0xF800, 0x07E0, 0x001F, 0}}}) {
        SCOPED_TRACE(headerSize);
        ExpectPicture(Decode(BuildBmp({.headerSize = headerSize,
                                       .width = 3,
                                       .height = 1,
                                       .bits = 16,
                                       .compression = compression,
                                       .masks = masks,
                                       .pixels = pixels})),
                      {{kRed, kGreen, kBlue}});
    }
}

TEST(BmpReader, DefaultMasksWithoutBitFields) {
    // 16 bits: 5-5-5 with the top bit unused; 32 bits: 8-8-8 with the top byte unused.
    ExpectPicture(
        Decode(BuildBmp({.width = 2, .height = 1, .bits = 16, .pixels = {0x00, 0xFC, 0x10, 0x80}})),
        {{kRed, Rgb{0, 0, 132}}});
    ExpectPicture(
        Decode(BuildBmp({.width = 1, .height = 1, .bits = 32, .pixels = {0x30, 0x20, 0x10, 0xFF}})),
        {{Rgb{0x10, 0x20, 0x30}}});
}

// ---- Hostile files ----

// A valid 8-bit file of 5 x 3 pixels and a valid RLE8 file of 4 x 2 pixels.
std::vector<uint8_t> EightBitFile() {
    return BuildBmp({.width = 5,
                     .height = 3,
                     .bits = 8,
                     .palette = {kRed, kGreen},
                     .pixels = std::vector<uint8_t>(24, 1)});
}
std::vector<uint8_t> Rle8File(std::vector<uint8_t> data) {
    return BuildBmp({.width = 4,
                     .height = 2,
                     .bits = 8,
                     .compression = 1,
                     .palette = {kRed, kGreen},
                     .pixels = std::move(data)});
}

struct HostileCase {
    const char* name;
    std::function<std::vector<uint8_t>()> make;
    const char* message;
};

std::vector<uint8_t> EightBitWith(const std::function<void(std::vector<uint8_t>&)>& change) {
    std::vector<uint8_t> file = EightBitFile();
    change(file);
    return file;
}

const HostileCase kHostileCases[] = {
    {"empty", [] { return std::vector<uint8_t>{}; }, "not a Windows bitmap"},
    {"other magic", [] { return EightBitWith([](auto& f) { f[1] = 'A'; }); },
     "not a Windows bitmap"},
    {"only the magic",
     [] {
         return std::vector<uint8_t>{'B', 'M'};
     },
     "truncated"},
    {"header cut short", [] { return EightBitWith([](auto& f) { f.resize(40); }); },
     "truncated bitmap header"},
    {"header size 64", [] { return EightBitWith([](auto& f) { Set32(f, 14, 64); }); },
     "unsupported bitmap header size 64"},
    {"header size huge", [] { return EightBitWith([](auto& f) { Set32(f, 14, ~0u); }); },
     "unsupported bitmap header size"},
    {"width 0", [] { return EightBitWith([](auto& f) { Set32(f, 18, 0); }); },
     "invalid image size"},
    {"width negative", [] { return EightBitWith([](auto& f) { Set32(f, 18, uint32_t(-5)); }); },
     "invalid image size"},
    {"width huge", [] { return EightBitWith([](auto& f) { Set32(f, 18, 0x7FFFFFFF); }); },
     "too large"},
    {"height most negative",
     [] { return EightBitWith([](auto& f) { Set32(f, 22, uint32_t(INT32_MIN)); }); }, "too large"},
    {"side just over the limit",
     [] { return EightBitWith([](auto& f) { Set32(f, 22, Bitmap::kMaxSide + 1); }); }, "too large"},
    {"area over the limit",
     [] {
         return EightBitWith([](auto& f) {
             Set32(f, 18, Bitmap::kMaxSide);
             Set32(f, 22, Bitmap::kMaxSide);
         });
     },
     "too large"},
    {"large image in a small file",
     [] { return EightBitWith([](auto& f) { Set32(f, 22, 100000); }); }, "truncated pixel data"},
    {"bits 0", [] { return EightBitWith([](auto& f) { Set16(f, 28, 0); }); },
     "unsupported bit count 0"},
    {"bits 2", [] { return EightBitWith([](auto& f) { Set16(f, 28, 2); }); },
     "unsupported bit count 2"},
    {"bits 64", [] { return EightBitWith([](auto& f) { Set16(f, 28, 64); }); },
     "unsupported bit count 64"},
    {"jpeg compression", [] { return EightBitWith([](auto& f) { Set32(f, 30, 4); }); },
     "unsupported compression 4"},
    {"rle4 with 8 bits", [] { return EightBitWith([](auto& f) { Set32(f, 30, 2); }); },
     "unsupported compression 2 with 8 bits"},
    {"257 colours", [] { return EightBitWith([](auto& f) { Set32(f, 46, 257); }); },
     "palette of 257 colours"},
    {"offset inside the headers", [] { return EightBitWith([](auto& f) { Set32(f, 10, 20); }); },
     "inside the headers"},
    {"offset beyond the file", [] { return EightBitWith([](auto& f) { Set32(f, 10, 5000); }); },
     "beyond the end of the file"},
    {"pixel data one byte short", [] { return EightBitWith([](auto& f) { f.pop_back(); }); },
     "truncated pixel data"},
    {"masks cut off",
     [] {
         auto f = BuildBmp({.width = 1, .height = 1, .bits = 16, .compression = 3});
         f.resize(60);
         return f;
     },
     "truncated colour masks"},
    {"rle run past the row",
     [] {
         return Rle8File({5, 1, 0, 1});
     },
     "past the end of row 0"},
    {"rle absolute run past the row",
     [] {
         return Rle8File({0, 3, 1, 1, 1, 0, 2, 1, 0, 1});
     },
     "past the end of row 0"},
    {"rle delta past the image",
     [] {
         return Rle8File({0, 2, 0, 3, 0, 1});
     },
     "past the end of the image"},
    {"rle delta past the row",
     [] {
         return Rle8File({0, 2, 5, 0, 0, 1});
     },
     "past the end of the image"},
    {"rle without end",
     [] {
         return Rle8File({4, 1, 0, 0});
     },
     "truncated run-length data"},
    {"rle absolute run cut off",
     [] {
         return Rle8File({0, 4, 1, 1});
     },
     "truncated run-length data"},
};

class HostileFileTest : public testing::TestWithParam<HostileCase> {};

TEST_P(HostileFileTest, RefusedWithMessage) {
    const std::vector<uint8_t> file = GetParam().make();
    Bitmap bitmap(2, 2, PixelFormat::Bits24);
    std::string error;
    EXPECT_FALSE(DecodeBmp(file, bitmap, error));
    EXPECT_NE(error.find(GetParam().message), std::string::npos) << error;
    EXPECT_EQ(bitmap.Width(), 2);  // the caller's bitmap is left alone
}

INSTANTIATE_TEST_SUITE_P(BmpReader, HostileFileTest, testing::ValuesIn(kHostileCases),
                         [](const auto& info) {
                             std::string name = info.param.name;
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c)))
                                     c = '_';
                             return name;
                         });

TEST(BmpReader, EveryCutOfAValidFileIsRefused) {
    for (const auto& file : {EightBitFile(), Rle8File({4, 1, 0, 0, 0, 3, 1, 0, 1, 0, 0, 1}),
                             BuildBmp({.headerSize = 124,
                             .width = 3,
                             .height = 1,
                             .bits = 16,
                             .compression = 3,
                             .masks = {0xF800, 0x07E0, 0x001F},
                             .pixels = std::vector<uint8_t>(8, 7)})}) {
        ASSERT_TRUE(!Decode(file).IsEmpty());
        for (size_t size = 0; size < file.size(); ++size) {
            Bitmap bitmap;
            std::string error;
            EXPECT_FALSE(DecodeBmp({file.data(), size}, bitmap, error)) << size;
            EXPECT_FALSE(error.empty());
        }
    }
}

TEST(BmpReader, RunLengthImageLargerThanAllowedIsRefused) {
    // Four bytes of data can declare a 1000 x 1000 image.
    auto file = Rle8File({0, 1});
    Set32(file, 18, 1000);
    Set32(file, 22, 1000);
    Bitmap bitmap;
    std::string error;
    EXPECT_FALSE(DecodeBmp(file, bitmap, error, 999999));
    EXPECT_NE(error.find("too large"), std::string::npos) << error;
    EXPECT_TRUE(DecodeBmp(file, bitmap, error, 1000000)) << error;
}

TEST(BmpReader, FileErrorsNameTheFile) {
    TempDir dir;
    Bitmap bitmap;
    std::string error;
    EXPECT_FALSE(ReadBmpFile(dir / "missing.bmp", bitmap, error));
    EXPECT_NE(error.find("missing.bmp"), std::string::npos) << error;
    auto file = EightBitFile();
    file.resize(file.size() - 3);
    WriteBytes(dir / "cut.bmp", file);
    EXPECT_FALSE(ReadBmpFile(dir / "cut.bmp", bitmap, error));
    EXPECT_NE(error.find("cut.bmp: truncated pixel data"), std::string::npos) << error;
}

// ---- Writer ----

Bitmap PictureIn(PixelFormat format, int width, int height) {
    const Bitmap picture = test::MakeTestPicture(width, height, 3);
    Bitmap bitmap(width, height, format);
    if (format == PixelFormat::Bits8) {
        // A palette of its own, so that the written palette matters.
        std::vector<Rgb> palette(256);
        for (int i = 0; i < 256; ++i)
            palette[i] = {uint8_t(i), uint8_t(255 - i), uint8_t(i * 7)};
        bitmap.SetPalette(palette);
    }
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            bitmap.SetPixel(x, y, picture.PixelAt(x, y));
    return bitmap;
}

class BmpWriterTest : public testing::TestWithParam<std::tuple<PixelFormat, int>> {};

TEST_P(BmpWriterTest, ImageMagickReadsWhatWeWrite) {
    const auto [format, width] = GetParam();
    const Bitmap bitmap = PictureIn(format, width, 3);
    TempDir dir;
    const auto path = dir / "out.bmp";
    std::string error;
    ASSERT_TRUE(WriteBmpFile(path, bitmap, error)) << error;
    const std::vector<uint8_t> bytes = ReadBytes(path);
    EXPECT_EQ(bytes, EncodeBmp(bitmap));

    const uint32_t entries = format == PixelFormat::Bits24 ? 0 : 1u << bitmap.BitsPerPixel();
    ASSERT_EQ(bytes.size(), BmpFileSize(width, 3, format));
    EXPECT_EQ(Get32(bytes, 2), bytes.size());
    EXPECT_EQ(Get32(bytes, 10), 54 + 4 * entries);
    EXPECT_EQ(Get32(bytes, 14), 40u);
    EXPECT_EQ(Get32(bytes, 18), uint32_t(width));
    EXPECT_EQ(Get32(bytes, 22), 3u);  // bottom-up
    EXPECT_EQ(Get16(bytes, 28), bitmap.BitsPerPixel());
    EXPECT_EQ(Get32(bytes, 30), 0u);
    EXPECT_EQ(Get32(bytes, 34), bytes.size() - Get32(bytes, 10));
    EXPECT_EQ(Get32(bytes, 46), entries);

    Bitmap back = Decode(bytes);
    EXPECT_EQ(back.Format(), format);
    EXPECT_EQ(back.Palette(), bitmap.Palette());
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < width; ++x)
            ASSERT_EQ(back.PixelAt(x, y), bitmap.PixelAt(x, y));

    if (!HaveProgram("convert"))
        GTEST_SKIP() << "ImageMagick's convert is not installed";
    EXPECT_EQ(MaxDifferenceFromMagick(bitmap, path), 0);
}

INSTANTIATE_TEST_SUITE_P(BmpWriter, BmpWriterTest,
                         testing::Combine(testing::Values(PixelFormat::Bits4, PixelFormat::Bits8,
                                                          PixelFormat::Bits24),
                                          testing::Range(1, 8)),
                         [](const auto& info) {
                             return "Bits" + std::to_string(int(std::get<0>(info.param))) +
                                    "Width" + std::to_string(std::get<1>(info.param));
                         });

TEST(BmpWriter, PaddingIsWrittenAsZeros) {
    Bitmap bitmap(3, 2, PixelFormat::Bits4);  // white: index 15 in every nibble
    const std::vector<uint8_t> bytes = EncodeBmp(bitmap);
    const size_t pixels = Get32(bytes, 10);
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + pixels, bytes.end()),
              (std::vector<uint8_t>{0xFF, 0xF0, 0, 0, 0xFF, 0xF0, 0, 0}));
}

TEST(BmpWriter, FileSizeAndFourGibibyteLimit) {
    EXPECT_EQ(BmpFileSize(1, 1, PixelFormat::Bits24), 58u);
    EXPECT_EQ(BmpFileSize(5, 2, PixelFormat::Bits4), 54u + 64 + 8);
    EXPECT_EQ(BmpFileSize(5, 2, PixelFormat::Bits8), 54u + 1024 + 16);
    EXPECT_LE(BmpFileSize(65536, 65535, PixelFormat::Bits8), kMaxBmpFileSize);
    EXPECT_GT(BmpFileSize(65536, 65536, PixelFormat::Bits8), kMaxBmpFileSize);
}

TEST(BmpWriter, RefusesEmptyBitmapsAndUnwritableFolders) {
    TempDir dir;
    std::string error;
    EXPECT_FALSE(WriteBmpFile(dir / "empty.bmp", Bitmap(), error));
    EXPECT_NE(error.find("empty"), std::string::npos) << error;
    EXPECT_TRUE(EncodeBmp(Bitmap()).empty());
    EXPECT_FALSE(
        WriteBmpFile(dir / "no" / "such" / "out.bmp", Bitmap(2, 2, PixelFormat::Bits24), error));
    EXPECT_NE(error.find("out.bmp"), std::string::npos) << error;
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
}

}  // namespace
}  // namespace korvalen
