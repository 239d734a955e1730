#include "images/JpegCodec.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <random>
#include <sstream>

#include <jpeglib.h>

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

#define REQUIRE_PROGRAM(name) \
    if (!HaveProgram(name))   \
    GTEST_SKIP() << name << " is not installed"

std::string Quoted(const fs::path& path) {
    return "'" + path.string() + "'";
}

void WritePpm(const fs::path& path, const Bitmap& picture) {
    std::ofstream out(path, std::ios::binary);
    out << "P6\n" << picture.Width() << " " << picture.Height() << "\n255\n";
    for (int y = 0; y < picture.Height(); ++y) {
        for (int x = 0; x < picture.Width(); ++x) {
            const Rgb c = picture.PixelAt(x, y);
            const char rgb[3] = {static_cast<char>(c.r), static_cast<char>(c.g),
                                 static_cast<char>(c.b)};
            out.write(rgb, 3);
        }
    }
}

// Reads a binary PPM as written by djpeg and ImageMagick (maxval 255, one whitespace).
Bitmap ReadPpm(const fs::path& path) {
    const std::vector<uint8_t> bytes = ReadBytes(path);
    std::istringstream header(std::string(bytes.begin(), bytes.end()));
    std::string magic;
    int width = 0, height = 0, maxValue = 0;
    header >> magic >> width >> height >> maxValue;
    if (magic != "P6" || maxValue != 255 || width <= 0 || height <= 0)
        return {};
    const size_t start = static_cast<size_t>(header.tellg()) + 1;
    if (bytes.size() < start + static_cast<size_t>(width) * height * 3)
        return {};
    Bitmap picture(width, height, PixelFormat::Bits24);
    const uint8_t* rgb = bytes.data() + start;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x, rgb += 3)
            picture.SetPixel(x, y, {rgb[0], rgb[1], rgb[2]});
    return picture;
}

// The reference decode: libjpeg-turbo's own djpeg with its default settings.
Bitmap DecodeWithDjpeg(const fs::path& jpeg) {
    const fs::path ppm = fs::path(jpeg).replace_extension(".djpeg.ppm");
    if (RunCommand("djpeg -rgb -pnm -outfile " + Quoted(ppm) + " " + Quoted(jpeg)) != 0)
        return {};
    return ReadPpm(ppm);
}

Bitmap DecodeWithImageMagick(const fs::path& jpeg) {
    const fs::path ppm = fs::path(jpeg).replace_extension(".magick.ppm");
    if (RunCommand("convert " + Quoted(jpeg) + " -colorspace sRGB -depth 8 " + Quoted(ppm)) != 0)
        return {};
    return ReadPpm(ppm);
}

struct Difference {
    double mean = 0;
    int max = 0;
};

Difference Compare(const Bitmap& a, const Bitmap& b) {
    Difference d;
    if (a.Width() != b.Width() || a.Height() != b.Height())
        return {1e9, 1 << 30};
    uint64_t sum = 0;
    for (int y = 0; y < a.Height(); ++y) {
        for (int x = 0; x < a.Width(); ++x) {
            const Rgb p = a.PixelAt(x, y), q = b.PixelAt(x, y);
            for (int delta : {p.r - q.r, p.g - q.g, p.b - q.b}) {
                sum += static_cast<uint64_t>(std::abs(delta));
                d.max = std::max(d.max, std::abs(delta));
            }
        }
    }
    d.mean = static_cast<double>(sum) / (3.0 * a.Width() * a.Height());
    return d;
}

// The decoder fills a bitmap it allocated unfilled: the padding of its rows must be set as in
// any new bitmap.
void ExpectWhitePadding(const Bitmap& bitmap) {
    for (int y = 0; y < bitmap.Height(); ++y)
        for (size_t i = bitmap.PixelBytesPerRow(); i < bitmap.Stride(); ++i)
            ASSERT_EQ(bitmap.Row(y)[i], 0xFF) << "row " << y << ", byte " << i;
}

Bitmap As24Bit(const Bitmap& source) {
    Bitmap copy(source.Width(), source.Height(), PixelFormat::Bits24);
    for (int y = 0; y < source.Height(); ++y)
        for (int x = 0; x < source.Width(); ++x)
            copy.SetPixel(x, y, source.PixelAt(x, y));
    return copy;
}

Bitmap Reduced(const Bitmap& source, PixelFormat format) {
    Bitmap reduced(source.Width(), source.Height(), format);
    for (int y = 0; y < source.Height(); ++y)
        for (int x = 0; x < source.Width(); ++x)
            reduced.SetPixel(x, y, source.PixelAt(x, y));
    return reduced;
}

// ---------------------------------------------------------------------------------------------
// Decoding files made by other programs

struct MadeFile {
    const char* name;
    int width, height;
    const char* command;  // %s: source PPM, %o: output JPEG
};

std::ostream& operator<<(std::ostream& out, const MadeFile& file) {
    return out << file.name;
}

std::string Expand(std::string command, const fs::path& source, const fs::path& output) {
    for (auto [key, value] : {std::pair{"%s", Quoted(source)}, std::pair{"%o", Quoted(output)}})
        for (size_t at; (at = command.find(key)) != std::string::npos;)
            command.replace(at, 2, value);
    return command;
}

class DecodeMatchesDjpeg : public testing::TestWithParam<MadeFile> {};

// djpeg decodes with the settings we use (accurate integer DCT, fancy upsampling), so the
// pixels must agree exactly.
TEST_P(DecodeMatchesDjpeg, PixelForPixel) {
    REQUIRE_PROGRAM("cjpeg");
    REQUIRE_PROGRAM("djpeg");
    const MadeFile& file = GetParam();
    if (std::string(file.command).starts_with("convert"))
        REQUIRE_PROGRAM("convert");
    TempDir dir;
    WritePpm(dir / "source.ppm", MakeTestPicture(file.width, file.height, 7));
    ASSERT_EQ(RunCommand(Expand(file.command, dir / "source.ppm", dir / "made.jpg")), 0);

    Bitmap ours;
    std::string error;
    ASSERT_TRUE(ReadJpegFile(dir / "made.jpg", ours, error)) << error;
    EXPECT_EQ(ours.Format(), PixelFormat::Bits24);
    const Bitmap reference = DecodeWithDjpeg(dir / "made.jpg");
    ASSERT_FALSE(reference.IsEmpty());
    const Difference d = Compare(ours, reference);
    EXPECT_EQ(d.max, 0) << "mean " << d.mean;
    ExpectWhitePadding(ours);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, DecodeMatchesDjpeg,
    testing::Values(
        MadeFile{"Baseline", 64, 48, "cjpeg -quality 85 -outfile %o %s"},
        MadeFile{"Progressive", 64, 48, "cjpeg -progressive -outfile %o %s"},
        MadeFile{"Greyscale", 40, 30, "cjpeg -grayscale -outfile %o %s"},
        MadeFile{"GreyProgressive", 40, 30, "cjpeg -grayscale -progressive -outfile %o %s"},
        MadeFile{"RestartRows", 70, 50, "cjpeg -restart 1 -outfile %o %s"},
        MadeFile{"RestartBlocks", 70, 50, "cjpeg -restart 3B -outfile %o %s"},
        MadeFile{"Sampling444", 33, 20, "cjpeg -sample 1x1 -outfile %o %s"},
        MadeFile{"Sampling422", 33, 20, "cjpeg -sample 2x1 -outfile %o %s"},
        MadeFile{"Arithmetic", 50, 40, "cjpeg -arithmetic -outfile %o %s"},
        MadeFile{"OnePixel", 1, 1, "cjpeg -outfile %o %s"},
        MadeFile{"Odd7x5", 7, 5, "cjpeg -outfile %o %s"},
        MadeFile{"Odd17x3", 17, 3, "cjpeg -outfile %o %s"},
        MadeFile{"Odd17x3Progressive", 17, 3, "cjpeg -progressive -outfile %o %s"},
        MadeFile{"Odd7x5Grey", 7, 5, "cjpeg -grayscale -outfile %o %s"},
        MadeFile{"ImageMagick", 45, 31, "convert %s -quality 80 %o"},
        MadeFile{"ImageMagickProgressive", 45, 31, "convert %s -quality 80 -interlace JPEG %o"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(JpegDecode, CmykFromImageMagickMatchesItsOwnConversion) {
    REQUIRE_PROGRAM("convert");
    TempDir dir;
    for (auto [width, height] : {std::pair{48, 32}, std::pair{7, 5}}) {
        SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height));
        WritePpm(dir / "source.ppm", MakeTestPicture(width, height, 3));
        ASSERT_EQ(RunCommand("convert " + Quoted(dir / "source.ppm") +
                             " -colorspace CMYK -quality 92 " + Quoted(dir / "cmyk.jpg")),
                  0);
        Bitmap ours;
        std::string error;
        ASSERT_TRUE(ReadJpegFile(dir / "cmyk.jpg", ours, error)) << error;
        const Bitmap reference = DecodeWithImageMagick(dir / "cmyk.jpg");
        const Difference d = Compare(ours, reference);
        EXPECT_LE(d.max, 2) << "mean " << d.mean;
        ExpectWhitePadding(ours);
        // And it is still the picture that went in.
        EXPECT_LT(Compare(ours, MakeTestPicture(width, height, 3)).mean, 6.0);
    }
}

// CMYK files that no command-line tool here writes: four components with and without the
// Adobe marker (inverted and plain ink values), and YCCK.
std::vector<uint8_t> CompressFourComponents(int width, int height,
                                            const std::vector<uint8_t>& samples,
                                            J_COLOR_SPACE stored, bool adobeMarker) {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr errors;
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = 4;
    cinfo.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&cinfo);
    jpeg_set_colorspace(&cinfo, stored);
    for (int c = 0; c < 4; ++c)
        cinfo.comp_info[c].h_samp_factor = cinfo.comp_info[c].v_samp_factor = 1;
    cinfo.write_Adobe_marker = adobeMarker ? TRUE : FALSE;
    jpeg_set_quality(&cinfo, 100, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(samples.data()) + cinfo.next_scanline * width * 4;
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::vector<uint8_t> file(buffer, buffer + size);
    std::free(buffer);
    return file;
}

TEST(JpegDecode, FourComponentFilesFollowTheirInkConvention) {
    const int width = 40, height = 24;
    const Bitmap picture = MakeTestPicture(width, height, 5);
    // Inverted (Adobe) samples chosen so that R = C * K / 255 gives back the picture dimmed by K.
    std::vector<uint8_t> inverted, plain;
    Bitmap expected(width, height, PixelFormat::Bits24);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const Rgb c = picture.PixelAt(x, y);
            const int k = 255 - (x * 120) / width;
            for (int v : {int{c.r}, int{c.g}, int{c.b}, k}) {
                inverted.push_back(static_cast<uint8_t>(v));
                plain.push_back(static_cast<uint8_t>(255 - v));
            }
            expected.SetPixel(x, y,
                              {static_cast<uint8_t>((c.r * k + 127) / 255),
                               static_cast<uint8_t>((c.g * k + 127) / 255),
                               static_cast<uint8_t>((c.b * k + 127) / 255)});
        }
    }
    struct Case {
        const char* name;
        const std::vector<uint8_t>& samples;
        J_COLOR_SPACE stored;
        bool adobe;
    };
    for (const Case& c : {Case{"Adobe CMYK", inverted, JCS_CMYK, true},
                          Case{"Adobe YCCK", inverted, JCS_YCCK, true},
                          Case{"plain CMYK", plain, JCS_CMYK, false}}) {
        SCOPED_TRACE(c.name);
        const auto file = CompressFourComponents(width, height, c.samples, c.stored, c.adobe);
        Bitmap decoded;
        std::string error;
        ASSERT_TRUE(DecodeJpeg(file, decoded, error)) << error;
        const Difference d = Compare(decoded, expected);
        EXPECT_LT(d.mean, 1.5);
        EXPECT_LE(d.max, 12);
    }
}

TEST(JpegDecode, BytesAfterTheEndMarkerAreIgnored) {
    std::vector<uint8_t> file;
    std::string error;
    ASSERT_TRUE(EncodeJpeg(MakeTestPicture(20, 10), 80, file, error)) << error;
    Bitmap clean, padded;
    ASSERT_TRUE(DecodeJpeg(file, clean, error)) << error;
    file.insert(file.end(), {0x00, 0x13, 0xFF, 0xD8, 0x42});
    ASSERT_TRUE(DecodeJpeg(file, padded, error)) << error;
    EXPECT_EQ(Compare(clean, padded).max, 0);
}

// ---------------------------------------------------------------------------------------------
// Damaged and hostile input

std::vector<uint8_t> MakeFile(int width, int height, bool progressive) {
    std::vector<uint8_t> file;
    std::string error;
    EXPECT_TRUE(EncodeJpeg(MakeTestPicture(width, height, 11), 85, file, error)) << error;
    if (!progressive)
        return file;
    // Our encoder writes baseline only; the progressive sample comes from jpegtran.
    if (!HaveProgram("jpegtran"))
        return {};
    TempDir dir;
    WriteBytes(dir / "in.jpg", file);
    if (RunCommand("jpegtran -progressive -outfile " + Quoted(dir / "out.jpg") + " " +
                   Quoted(dir / "in.jpg")) != 0)
        return {};
    return ReadBytes(dir / "out.jpg");
}

// Offset of the first marker with this code, or 0.
size_t FindMarker(const std::vector<uint8_t>& file, uint8_t code) {
    for (size_t i = 2; i + 1 < file.size(); ++i)
        if (file[i] == 0xFF && file[i + 1] == code)
            return i;
    return 0;
}

// Offset of the first entropy-coded byte (after the first SOS segment).
size_t ScanStart(const std::vector<uint8_t>& file) {
    const size_t sos = FindMarker(file, 0xDA);
    return sos + 2 + (size_t{file[sos + 2]} << 8 | file[sos + 3]);
}

std::vector<uint8_t> WithDeclaredSize(std::vector<uint8_t> file, int width, int height) {
    size_t sof = FindMarker(file, 0xC0);
    if (!sof)
        sof = FindMarker(file, 0xC2);
    file[sof + 5] = static_cast<uint8_t>(height >> 8);
    file[sof + 6] = static_cast<uint8_t>(height);
    file[sof + 7] = static_cast<uint8_t>(width >> 8);
    file[sof + 8] = static_cast<uint8_t>(width);
    return file;
}

struct BadInput {
    std::string name;
    std::vector<uint8_t> bytes;
    std::string expectedText;  // part of the message
};

std::vector<BadInput> BadInputs() {
    const auto baseline = MakeFile(96, 64, false);
    std::vector<BadInput> cases = {
        {"empty", {}, "empty"},
        {"just SOI", {0xFF, 0xD8}, ""},
        {"SOI and EOI", {0xFF, 0xD8, 0xFF, 0xD9}, ""},
        {"a BMP", {'B', 'M', 0x3A, 0, 0, 0, 0, 0, 0, 0, 0x36, 0, 0, 0}, ""},
        {"ends in the headers", {baseline.begin(), baseline.begin() + ScanStart(baseline) / 2}, ""},
        {"ends after the scan header",
         {baseline.begin(), baseline.begin() + ScanStart(baseline)},
         ""},
        {"huge size, small data", WithDeclaredSize(baseline, 30000, 30000), "too short"},
        {"size beyond the bitmap limit", WithDeclaredSize(baseline, 65000, 65000), "too large"},
    };
    // Headers intact, entropy data replaced by noise.
    std::vector<uint8_t> noise(baseline.begin(), baseline.begin() + ScanStart(baseline));
    std::mt19937 random(3);
    while (noise.size() < baseline.size())
        noise.push_back(static_cast<uint8_t>(random() % 255));
    cases.push_back({"noise after the headers", noise, ""});
    // An end marker in the middle of the scan.
    std::vector<uint8_t> cut = baseline;
    const size_t middle = (ScanStart(baseline) + baseline.size()) / 2;
    cut[middle] = 0xFF;
    cut[middle + 1] = 0xD9;
    cases.push_back({"end marker inside the scan", cut, "Corrupt JPEG data"});
    const auto progressive = MakeFile(96, 64, true);
    if (!progressive.empty())
        cases.push_back(
            {"progressive, huge size", WithDeclaredSize(progressive, 20000, 20000), "too short"});
    return cases;
}

// Memory and files are read through different libjpeg sources; both must refuse alike.
void ExpectRefused(const std::vector<uint8_t>& bytes, const std::string& expectedText) {
    const Bitmap before = MakeTestPicture(5, 4);
    Bitmap fromMemory = before, fromFile = before;
    std::string error;
    EXPECT_FALSE(DecodeJpeg(bytes, fromMemory, error));
    EXPECT_NE(error.find(expectedText), std::string::npos) << error;
    EXPECT_EQ(Compare(fromMemory, before).max, 0);

    TempDir dir;
    WriteBytes(dir / "bad.jpg", bytes);
    error.clear();
    EXPECT_FALSE(ReadJpegFile(dir / "bad.jpg", fromFile, error));
    EXPECT_NE(error.find("bad.jpg: "), std::string::npos) << error;
    EXPECT_NE(error.find(expectedText), std::string::npos) << error;
    EXPECT_EQ(Compare(fromFile, before).max, 0);
}

TEST(JpegDecode, BadInputGivesAMessageAndKeepsTheOldBitmap) {
    for (const BadInput& bad : BadInputs()) {
        SCOPED_TRACE(bad.name);
        ExpectRefused(bad.bytes, bad.expectedText);
    }
}

// libjpeg "finishes" a short file with grey and a warning; that must not pass as a map.
TEST(JpegDecode, EveryTruncationIsAnError) {
    for (bool progressive : {false, true}) {
        const auto file = MakeFile(96, 64, progressive);
        if (file.empty())
            continue;  // no jpegtran
        const size_t scan = ScanStart(file);
        for (size_t size : {scan + 1, scan + (file.size() - scan) / 4, (scan + file.size()) / 2,
                            file.size() - 40, file.size() - 2, file.size() - 1}) {
            SCOPED_TRACE((progressive ? "progressive, " : "baseline, ") + std::to_string(size) +
                         " of " + std::to_string(file.size()) + " bytes");
            ExpectRefused({file.begin(), file.begin() + static_cast<ptrdiff_t>(size)}, "");
        }
    }
}

// A map large enough to have its pages faulted in beside the decoder (odd width: padded rows)
// decodes like djpeg; cut short, it is refused and the old bitmap stays.
TEST(JpegDecode, LargeMapsDecodeWholeOrNotAtAll) {
    REQUIRE_PROGRAM("djpeg");
    const Bitmap picture = MakeTestPicture(1803, 1650, 11);
    std::vector<uint8_t> file;
    std::string error;
    ASSERT_TRUE(EncodeJpeg(picture, 90, file, error)) << error;
    TempDir dir;
    WriteBytes(dir / "large.jpg", file);
    Bitmap ours;
    ASSERT_TRUE(ReadJpegFile(dir / "large.jpg", ours, error)) << error;
    ASSERT_GE(ours.ByteSize(), size_t{8} << 20);
    EXPECT_EQ(Compare(ours, DecodeWithDjpeg(dir / "large.jpg")).max, 0);
    ExpectWhitePadding(ours);
    ExpectRefused({file.begin(), file.begin() + static_cast<ptrdiff_t>(file.size() * 2 / 3)}, "");
}

TEST(JpegDecode, LimitsAreKept) {
    const auto progressive = MakeFile(64, 64, true);
    if (progressive.empty())
        GTEST_SKIP() << "jpegtran is not installed";
    Bitmap out;
    std::string error;
    JpegDecodeLimits limits;
    limits.maxScans = 3;
    EXPECT_FALSE(DecodeJpeg(progressive, out, error, limits));
    EXPECT_NE(error.find("scans"), std::string::npos) << error;
    limits = {};
    limits.maxBitmapBytes = 64 * 64 * 3 - 1;
    EXPECT_FALSE(DecodeJpeg(progressive, out, error, limits));
    EXPECT_NE(error.find("64 x 64"), std::string::npos) << error;
    limits.maxBitmapBytes = 64 * 64 * 3;
    EXPECT_TRUE(DecodeJpeg(progressive, out, error, limits)) << error;
}

TEST(JpegDecode, FileErrorsNameTheFile) {
    TempDir dir;
    Bitmap out;
    std::string error;
    EXPECT_FALSE(ReadJpegFile(dir / "missing.jpg", out, error));
    EXPECT_NE(error.find("missing.jpg"), std::string::npos) << error;
    WriteBytes(dir / "bad.jpg", {0xFF, 0xD8, 0xFF});
    EXPECT_FALSE(ReadJpegFile(dir / "bad.jpg", out, error));
    EXPECT_NE(error.find("bad.jpg"), std::string::npos) << error;
}

// ---------------------------------------------------------------------------------------------
// Encoding

TEST(JpegEncode, QualityRunsFromOneToHundredAndIsClamped) {
    const Bitmap picture = MakeTestPicture(64, 40, 4);
    std::map<int, std::vector<uint8_t>> files;
    std::string error;
    for (int quality : {-7, 0, 1, 50, 100, 101, 1000})
        ASSERT_TRUE(EncodeJpeg(picture, quality, files[quality], error)) << error;
    EXPECT_EQ(files[-7], files[1]);
    EXPECT_EQ(files[0], files[1]);
    EXPECT_EQ(files[101], files[100]);
    EXPECT_EQ(files[1000], files[100]);
    EXPECT_LT(files[1].size(), files[50].size());
    EXPECT_LT(files[50].size(), files[100].size());

    double previous = 1e9;
    for (int quality : {1, 50, 100}) {
        Bitmap decoded;
        ASSERT_TRUE(DecodeJpeg(files[quality], decoded, error)) << error;
        const double mean = Compare(decoded, picture).mean;
        EXPECT_LT(mean, previous) << "quality " << quality;
        previous = mean;
    }
    EXPECT_LT(previous, 12.0);  // quality 100, limited by chroma subsampling
}

// Palette rows are expanded before compression: the file must be the one the 24-bit
// expansion of the same picture gives.
TEST(JpegEncode, PaletteBitmapsEncodeLikeTheirColours) {
    const Bitmap picture = MakeTestPicture(37, 21, 9);
    Bitmap vga = Reduced(picture, PixelFormat::Bits4);
    Bitmap custom(37, 21, PixelFormat::Bits4);
    custom.SetPalette({{10, 20, 30}, {200, 10, 10}, {10, 200, 10}, {10, 10, 200}, {250, 250, 0}});
    for (int y = 0; y < 21; ++y)
        for (int x = 0; x < 37; ++x)
            custom.SetPixel(x, y, custom.Palette()[(x / 3 + y) % 5]);
    for (const Bitmap* source : {&vga, &custom}) {
        for (const Bitmap& bitmap : {*source, Reduced(picture, PixelFormat::Bits8)}) {
            SCOPED_TRACE(bitmap.BitsPerPixel());
            std::vector<uint8_t> fromPalette, fromColours;
            std::string error;
            ASSERT_TRUE(EncodeJpeg(bitmap, 75, fromPalette, error)) << error;
            ASSERT_TRUE(EncodeJpeg(As24Bit(bitmap), 75, fromColours, error)) << error;
            EXPECT_EQ(fromPalette, fromColours);
        }
    }
}

// Same defaults as cjpeg (4:2:0, accurate DCT, no optimisation, baseline tables), so the same
// picture gives the same bytes.
TEST(JpegEncode, SameFileAsCjpeg) {
    REQUIRE_PROGRAM("cjpeg");
    TempDir dir;
    for (auto [width, height] : {std::pair{123, 77}, std::pair{7, 5}}) {
        const Bitmap picture = MakeTestPicture(width, height, 2);
        WritePpm(dir / "source.ppm", picture);
        for (int quality : {1, 50, 90, 100}) {
            SCOPED_TRACE("quality " + std::to_string(quality) + ", width " + std::to_string(width));
            ASSERT_EQ(RunCommand("cjpeg -baseline -quality " + std::to_string(quality) +
                                 " -outfile " + Quoted(dir / "cjpeg.jpg") + " " +
                                 Quoted(dir / "source.ppm") + " 2>/dev/null"),
                      0);
            std::vector<uint8_t> ours;
            std::string error;
            ASSERT_TRUE(EncodeJpeg(picture, quality, ours, error)) << error;
            EXPECT_EQ(ours, ReadBytes(dir / "cjpeg.jpg"));
        }
    }
}

TEST(JpegEncode, FileHoldsTheEncodedBytesAndNothingElseIsLeft) {
    TempDir dir;
    const Bitmap picture = MakeTestPicture(30, 20);
    std::vector<uint8_t> encoded;
    std::string error;
    ASSERT_TRUE(EncodeJpeg(picture, 60, encoded, error)) << error;
    WriteBytes(dir / "map.jpg", {1, 2, 3});
    ASSERT_TRUE(WriteJpegFile(dir / "map.jpg", picture, 60, error)) << error;
    EXPECT_EQ(ReadBytes(dir / "map.jpg"), encoded);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 1);
}

TEST(JpegEncode, ProgressHearsEveryRowAndCanAbandonTheWrite) {
    TempDir dir;
    const Bitmap picture = MakeTestPicture(20, 6);
    std::vector<int> rowsDone;
    std::string error;
    ASSERT_TRUE(WriteJpegFile(dir / "new.jpg", picture, 80, error, [&](int done, int total) {
        EXPECT_EQ(total, 6);
        rowsDone.push_back(done);
        return true;
    })) << error;
    EXPECT_EQ(rowsDone, (std::vector<int>{1, 2, 3, 4, 5, 6}));

    WriteBytes(dir / "old.jpg", {1, 2, 3});
    EXPECT_FALSE(
        WriteJpegFile(dir / "old.jpg", picture, 80, error, [](int done, int) { return done < 3; }));
    EXPECT_NE(error.find("cancelled"), std::string::npos) << error;
    EXPECT_EQ(ReadBytes(dir / "old.jpg"), (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 2);
}

TEST(JpegEncode, SizesBeyondTheFormatAreRefusedBeforeWriting) {
    TempDir dir;
    struct Case {
        int width, height;
        std::string limit, size;
    };
    for (const Case& c :
         {Case{65536, 1, "65535", "65536 x 1"}, Case{2, 70000, "65535", "2 x 70000"},
          Case{65501, 1, "65500", "65501 x 1"}}) {
        SCOPED_TRACE(c.size);
        const Bitmap wide(c.width, c.height, PixelFormat::Bits8);
        std::vector<uint8_t> out = {7};
        std::string error;
        EXPECT_FALSE(EncodeJpeg(wide, 80, out, error));
        EXPECT_EQ(out, std::vector<uint8_t>{7});
        EXPECT_NE(error.find(c.limit), std::string::npos) << error;
        EXPECT_NE(error.find(c.size), std::string::npos) << error;
        WriteBytes(dir / "old.jpg", {1, 2, 3});
        error.clear();
        EXPECT_FALSE(WriteJpegFile(dir / "old.jpg", wide, 80, error));
        EXPECT_NE(error.find(c.limit), std::string::npos) << error;
        EXPECT_EQ(ReadBytes(dir / "old.jpg"), (std::vector<uint8_t>{1, 2, 3}));
        EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 1);
    }
}

TEST(JpegEncode, NothingToWriteOrNowhereToWriteIsAnError) {
    TempDir dir;
    std::vector<uint8_t> out;
    std::string error;
    EXPECT_FALSE(EncodeJpeg(Bitmap(), 80, out, error));
    EXPECT_FALSE(error.empty());
    error.clear();
    EXPECT_FALSE(
        WriteJpegFile(dir / "no" / "such" / "folder.jpg", MakeTestPicture(4, 4), 80, error));
    EXPECT_NE(error.find("folder.jpg"), std::string::npos) << error;
}

}  // namespace
}  // namespace korvalen
