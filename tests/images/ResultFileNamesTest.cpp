#include "images/ResultFileNames.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "images/BmpCodec.h"
#include "images/JpegCodec.h"
#include "images/PixelConvert.h"
#include "support/TestSupport.h"

namespace korvalen {
namespace {
namespace fs = std::filesystem;
using test::TempDir;

std::tm LocalTime(int year, int month, int day, int hour, int minute, int second) {
    std::tm time{};
    time.tm_year = year - 1900;
    time.tm_mon = month - 1;
    time.tm_mday = day;
    time.tm_hour = hour;
    time.tm_min = minute;
    time.tm_sec = second;
    return time;
}

TEST(DateTimeStamp, TwoDigitsForEachPart) {
    EXPECT_EQ(DateTimeStamp(LocalTime(2024, 3, 5, 7, 8, 9)), "240305070809");
    EXPECT_EQ(DateTimeStamp(LocalTime(2006, 12, 26, 23, 59, 58)), "061226235958");
    EXPECT_EQ(DateTimeStamp(LocalTime(2000, 1, 1, 0, 0, 0)), "000101000000");
    EXPECT_EQ(DateTimeStamp(LocalTime(1999, 10, 31, 12, 30, 0)), "991031123000");
}

// ---- Proposed names ---------------------------------------------------------------------

struct ProposalCase {
    const char* what;
    ResultNameRequest request;
    fs::path expected;
};

TEST(ProposedResultName, FolderNameAndExtension) {
    const fs::path here = "/work/here";
    const std::tm now = LocalTime(2024, 3, 5, 7, 8, 9);
    const auto joined = [&](std::string folder, std::string hint, bool jpeg) {
        ResultNameRequest r;
        r.tavixedMapsDirectory = std::move(folder);
        r.mapImagesDirectory = "/captures";
        r.captureName = "capture";
        r.resultNameHint = std::move(hint);
        r.mapsAreJpeg = jpeg;
        r.currentFolder = here;
        r.now = now;
        return r;
    };
    const auto captured = [&](std::string folder, std::string name) {
        ResultNameRequest r = joined("/results", "hint", true);
        r.geMode = true;
        r.mapImagesDirectory = std::move(folder);
        r.captureName = std::move(name);
        return r;
    };
    const std::vector<ProposalCase> cases = {
        {"no folder, no hint: current folder and the time", joined("", "", true),
         here / "240305070809.jpg"},
        {"bitmap maps", joined("", "", false), here / "240305070809.bmp"},
        {"folder and pattern name", joined("/results", "alps", false), "/results/alps.bmp"},
        {"folder with a trailing separator", joined("/results/", "alps", true),
         "/results/alps.jpg"},
        {"relative folder is taken in the current one", joined("maps", "alps", true),
         here / "maps" / "alps.jpg"},
        {"a hint cannot leave its folder", joined("/results", "../up/alps", true),
         "/results/.._up_alps.jpg"},
        {"capture: its folder and name", captured("/captures", "lake"), "/captures/lake.jpg"},
        {"capture without a folder", captured("", "lake"), here / "lake.jpg"},
        {"capture without a name", captured("/captures", ""), "/captures/240305070809.jpg"},
        {"capture ignores the joined-map settings", captured("/c", "x"), "/c/x.jpg"},
    };
    for (const ProposalCase& c : cases)
        EXPECT_EQ(ProposedResultName(c.request), c.expected) << c.what;
}

TEST(ProposedResultName, KeepsNonAsciiNames) {
    ResultNameRequest r;
    r.tavixedMapsDirectory = "/karten/Übersicht";
    r.resultNameHint = "Höhenweg";
    r.mapsAreJpeg = true;
    r.currentFolder = "/";
    EXPECT_EQ(DisplayPath(ProposedResultName(r)), "/karten/Übersicht/Höhenweg.jpg");
}

// ---- Extension agreement ------------------------------------------------------------------

struct AgreementCase {
    fs::path typed;
    MapFileFormat chosen;
    fs::path expected;
};

TEST(NameAgreeingWithFormat, TheChosenFilterDecides) {
    const auto jpeg = MapFileFormat::Jpeg;
    const auto bitmap = MapFileFormat::Bitmap;
    const std::vector<AgreementCase> cases = {
        {"/m/result.jpg", bitmap, "/m/result.bmp"},
        {"/m/result", jpeg, "/m/result.jpg"},
        {"/m/result", bitmap, "/m/result.bmp"},
        {"/m/result.bmp", jpeg, "/m/result.jpg"},
        {"/m/result.bmp", bitmap, "/m/result.bmp"},
        {"/m/result.JPG", jpeg, "/m/result.JPG"},
        {"/m/result.Bmp", bitmap, "/m/result.Bmp"},
        {"/m/result.tif", jpeg, "/m/result.jpg"},
        {"/m/result.", bitmap, "/m/result.bmp"},
        {"/m/a.b.jpg", bitmap, "/m/a.bmp"},  // cut at the first full stop
        {"/m/a.jpg.bmp", jpeg, "/m/a.jpg"},  // holds both: made plain
        {"/m/a.jpg.bmp", bitmap, "/m/a.bmp"},
        {"/m.jpg/result", bitmap, "/m.jpg/result.bmp"},  // a folder's full stop counts not
    };
    for (const AgreementCase& c : cases)
        EXPECT_EQ(NameAgreeingWithFormat(c.typed, c.chosen), c.expected)
            << c.typed << " as " << static_cast<int>(c.chosen);
}

TEST(NameAgreeingWithFormat, FormatOfTheAgreedNameIsTheChosenOne) {
    for (const char* typed : {"r", "r.jpg", "r.bmp", "r.jpg.bmp", "r.txt", "r.JPG"}) {
        for (MapFileFormat chosen : {MapFileFormat::Jpeg, MapFileFormat::Bitmap})
            EXPECT_EQ(FormatOfName(NameAgreeingWithFormat(typed, chosen)), chosen) << typed;
    }
}

// ---- Format limits ------------------------------------------------------------------------

TEST(FormatCanHold, JpegSides) {
    std::string refusal;
    EXPECT_TRUE(
        FormatCanHold(MapFileFormat::Jpeg, kJpegLibraryMaxSide, 10, PixelFormat::Bits24, refusal));
    EXPECT_TRUE(
        FormatCanHold(MapFileFormat::Jpeg, 10, kJpegLibraryMaxSide, PixelFormat::Bits4, refusal));

    ASSERT_FALSE(FormatCanHold(MapFileFormat::Jpeg, 70000, 2, PixelFormat::Bits4, refusal));
    EXPECT_NE(refusal.find("65535"), std::string::npos) << refusal;
    EXPECT_NE(refusal.find("70000 x 2"), std::string::npos) << refusal;

    ASSERT_FALSE(FormatCanHold(MapFileFormat::Jpeg, 3, 65536, PixelFormat::Bits8, refusal));
    EXPECT_NE(refusal.find("3 x 65536"), std::string::npos) << refusal;

    // The encoder stops a little short of the format's limit; that is said as it is.
    ASSERT_FALSE(FormatCanHold(MapFileFormat::Jpeg, 65535, 1, PixelFormat::Bits24, refusal));
    EXPECT_NE(refusal.find("65500"), std::string::npos) << refusal;
    EXPECT_NE(refusal.find("65535 x 1"), std::string::npos) << refusal;
}

TEST(FormatCanHold, BitmapFileSizeAtTheFourGiBEdge) {
    // 65536 pixels at 24 bits make rows of 196608 bytes: 21845 rows fit, 21846 do not.
    std::string refusal;
    ASSERT_LE(BmpFileSize(65536, 21845, PixelFormat::Bits24), kMaxBmpFileSize);
    EXPECT_TRUE(FormatCanHold(MapFileFormat::Bitmap, 65536, 21845, PixelFormat::Bits24, refusal));
    ASSERT_FALSE(FormatCanHold(MapFileFormat::Bitmap, 65536, 21846, PixelFormat::Bits24, refusal));
    EXPECT_NE(refusal.find("4 GiB"), std::string::npos) << refusal;
    EXPECT_NE(refusal.find("65536 x 21846"), std::string::npos) << refusal;
    EXPECT_NE(refusal.find("24 bits"), std::string::npos) << refusal;

    // The same size fits in fewer bits; the palette counts towards the file.
    EXPECT_TRUE(FormatCanHold(MapFileFormat::Bitmap, 65536, 21846, PixelFormat::Bits8, refusal));
    EXPECT_TRUE(FormatCanHold(MapFileFormat::Bitmap, 100000, 80000, PixelFormat::Bits4, refusal));
    EXPECT_FALSE(FormatCanHold(MapFileFormat::Bitmap, 100000, 100000, PixelFormat::Bits4, refusal));
}

TEST(FormatCanHold, EmptyMapsFitNowhere) {
    std::string refusal;
    for (MapFileFormat format : {MapFileFormat::Jpeg, MapFileFormat::Bitmap}) {
        EXPECT_FALSE(FormatCanHold(format, 0, 10, PixelFormat::Bits24, refusal));
        EXPECT_FALSE(FormatCanHold(format, 10, -1, PixelFormat::Bits8, refusal));
    }
}

// ---- Long writes --------------------------------------------------------------------------

// The writers a result map goes through tell how far they are and stop when told to.
class ResultWrite : public ::testing::TestWithParam<MapFileFormat> {
protected:
    bool Write(const fs::path& path, const Bitmap& map, const WriteProgress& progress,
               std::string& error) {
        return GetParam() == MapFileFormat::Jpeg ? WriteJpegFile(path, map, 80, error, progress)
                                                 : WriteBmpFile(path, map, error, progress);
    }
    TempDir dir;
};

TEST_P(ResultWrite, ReportsEveryRowUpToTheTotal) {
    const Bitmap map = test::MakeTestPicture(64, 37, 3);
    std::vector<int> done;
    std::string error;
    ASSERT_TRUE(Write(
        dir / "map", map,
        [&](int rows, int total) {
            EXPECT_EQ(total, 37);
            done.push_back(rows);
            return true;
        },
        error))
        << error;
    ASSERT_EQ(done.size(), 37u);
    for (size_t i = 0; i < done.size(); ++i)
        EXPECT_EQ(done[i], static_cast<int>(i) + 1);
}

TEST_P(ResultWrite, AbandonedWriteLeavesTheOldFileAndNoTemporary) {
    const fs::path path = dir / "map";
    const std::vector<uint8_t> old = {'o', 'l', 'd'};
    test::WriteBytes(path, old);
    const Bitmap map = test::MakeTestPicture(40, 50, 4);
    std::string error;
    EXPECT_FALSE(Write(
        path, map, [](int rows, int) { return rows < 20; }, error));
    EXPECT_NE(error.find("cancelled"), std::string::npos) << error;
    EXPECT_NE(error.find(DisplayPath(path)), std::string::npos) << error;
    EXPECT_EQ(test::ReadBytes(path), old);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 1);
}

TEST_P(ResultWrite, WithoutProgressWritesTheSameFile) {
    const Bitmap map = test::MakeTestPicture(33, 21, 5);
    std::string error;
    ASSERT_TRUE(Write(dir / "quiet", map, {}, error)) << error;
    ASSERT_TRUE(Write(
        dir / "told", map, [](int, int) { return true; }, error))
        << error;
    EXPECT_EQ(test::ReadBytes(dir / "quiet"), test::ReadBytes(dir / "told"));
}

// Large maps are encoded in strips side by side. The file must decode to exactly the pixels
// of a one-piece encoding, with restart markers numbered as a single encoder numbers them.
class LargeJpegWrite : public ::testing::TestWithParam<PixelFormat> {
protected:
    // Over two million pixels, 12 strips, the last one of 42 rows (not a whole MCU row).
    Bitmap Picture() const {
        return ConvertPixelFormat(test::MakeTestPicture(1500, 1450, 8), GetParam());
    }
    TempDir dir;
};

TEST_P(LargeJpegWrite, DecodesToThePixelsOfAOnePieceEncoding) {
    const Bitmap picture = Picture();
    std::string error;
    ASSERT_TRUE(WriteJpegFile(dir / "strips.jpg", picture, 70, error)) << error;
    std::vector<uint8_t> whole;
    ASSERT_TRUE(EncodeJpeg(picture, 70, whole, error)) << error;

    Bitmap fromStrips, fromWhole;
    ASSERT_TRUE(ReadJpegFile(dir / "strips.jpg", fromStrips, error)) << error;
    ASSERT_TRUE(DecodeJpeg(whole, fromWhole, error)) << error;
    ASSERT_EQ(fromStrips.Width(), 1500);
    ASSERT_EQ(fromStrips.Height(), 1450);
    for (int y = 0; y < fromWhole.Height(); ++y)
        ASSERT_EQ(std::memcmp(fromStrips.Row(y), fromWhole.Row(y), 1500 * 3), 0) << "row " << y;

    // One restart after every MCU row of 16 but the last, numbered 0 to 7 over and over.
    const std::vector<uint8_t> file = test::ReadBytes(dir / "strips.jpg");
    std::vector<int> restarts;
    for (size_t i = 0; i + 1 < file.size(); ++i)
        if (file[i] == 0xFF && file[i + 1] >= 0xD0 && file[i + 1] <= 0xD7)
            restarts.push_back(file[i + 1] - 0xD0);
    ASSERT_EQ(restarts.size(), (1450u + 15) / 16 - 1);
    for (size_t n = 0; n < restarts.size(); ++n)
        ASSERT_EQ(restarts[n], static_cast<int>(n % 8)) << "marker " << n;
}

TEST_P(LargeJpegWrite, ProgressEndsAtTheTotalAndCanAbandonTheWrite) {
    const Bitmap picture = Picture();
    std::vector<int> done;
    std::string error;
    ASSERT_TRUE(WriteJpegFile(dir / "told.jpg", picture, 70, error, [&](int rows, int total) {
        EXPECT_EQ(total, 1450);
        done.push_back(rows);
        return true;
    })) << error;
    ASSERT_FALSE(done.empty());
    EXPECT_TRUE(std::is_sorted(done.begin(), done.end()));
    EXPECT_EQ(done.back(), 1450);

    const std::vector<uint8_t> old = {'o', 'l', 'd'};
    test::WriteBytes(dir / "old.jpg", old);
    EXPECT_FALSE(
        WriteJpegFile(dir / "old.jpg", picture, 70, error, [](int, int) { return false; }));
    EXPECT_NE(error.find("cancelled"), std::string::npos) << error;
    EXPECT_EQ(test::ReadBytes(dir / "old.jpg"), old);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 2);
}

INSTANTIATE_TEST_SUITE_P(PixelFormats, LargeJpegWrite,
                         ::testing::Values(PixelFormat::Bits24, PixelFormat::Bits8),
                         [](const auto& info) {
                             return info.param == PixelFormat::Bits24 ? "Bits24" : "Bits8";
                         });

INSTANTIATE_TEST_SUITE_P(BothFormats, ResultWrite,
                         ::testing::Values(MapFileFormat::Jpeg, MapFileFormat::Bitmap),
                         [](const auto& info) {
                             return info.param == MapFileFormat::Jpeg ? "Jpeg" : "Bitmap";
                         });

}  // namespace
}  // namespace korvalen
