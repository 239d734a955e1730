#include "images/FileAccess.h"

#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>

#include "support/TestSupport.h"

namespace korvalen {
namespace {

namespace fs = std::filesystem;

// Everything in the folder but the named files: what a failed write could leave behind.
std::vector<std::string> StrayFiles(const fs::path& folder, const std::vector<std::string>& keep) {
    std::vector<std::string> stray;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (std::find(keep.begin(), keep.end(), name) == keep.end())
            stray.push_back(name);
    }
    return stray;
}

std::string ReadText(const fs::path& path) {
    const auto bytes = test::ReadBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

TEST(FileAccessTest, AtomicWriteCreatesAndReplacesAFile) {
    test::TempDir dir;
    std::string error;
    ASSERT_TRUE(WriteFileAtomically(dir / "map.cal", std::string("first"), error)) << error;
    EXPECT_EQ(ReadText(dir / "map.cal"), "first");
    ASSERT_TRUE(WriteFileAtomically(dir / "map.cal", std::string("second, longer"), error));
    EXPECT_EQ(ReadText(dir / "map.cal"), "second, longer");
    ASSERT_TRUE(WriteFileAtomically(dir / "map.cal", std::string(), error));
    EXPECT_EQ(ReadText(dir / "map.cal"), "");
    EXPECT_TRUE(StrayFiles(dir.Path(), {"map.cal"}).empty());
}

TEST(FileAccessTest, AbandonedWriteKeepsTheOldFileAndLeavesNothingBehind) {
    test::TempDir dir;
    std::string error;
    ASSERT_TRUE(WriteFileAtomically(dir / "map.cal", std::string("old"), error));
    const bool written = WriteFileAtomically(
        dir / "map.cal",
        [](std::FILE* out, std::string& writeError) {
            std::fputs("half of the new content", out);
            writeError = "disk full";
            return false;
        },
        error);
    EXPECT_FALSE(written);
    EXPECT_EQ(error, "disk full");
    EXPECT_EQ(ReadText(dir / "map.cal"), "old");
    EXPECT_TRUE(StrayFiles(dir.Path(), {"map.cal"}).empty());
}

TEST(FileAccessTest, WriterThatThrowsKeepsTheOldFileAndLeavesNothingBehind) {
    test::TempDir dir;
    std::string error;
    ASSERT_TRUE(WriteFileAtomically(dir / "map.cal", std::string("old"), error));
    const bool written = WriteFileAtomically(
        dir / "map.cal",
        [](std::FILE* out, std::string&) -> bool {
            std::fputs("partial", out);
            throw std::length_error("too much");
        },
        error);
    EXPECT_FALSE(written);
    EXPECT_NE(error.find("too much"), std::string::npos) << error;
    EXPECT_EQ(ReadText(dir / "map.cal"), "old");
    EXPECT_TRUE(StrayFiles(dir.Path(), {"map.cal"}).empty());
}

TEST(FileAccessTest, WriteIntoAMissingFolderFailsWithItsName) {
    test::TempDir dir;
    std::string error;
    EXPECT_FALSE(WriteFileAtomically(dir / "no-such-folder" / "map.cal", std::string("x"), error));
    EXPECT_NE(error.find("no-such-folder"), std::string::npos) << error;
    EXPECT_TRUE(StrayFiles(dir.Path(), {}).empty());
}

TEST(FileAccessTest, WriteOverAFolderFailsAndKeepsTheFolder) {
    test::TempDir dir;
    fs::create_directory(dir / "taken");
    std::string error;
    EXPECT_FALSE(WriteFileAtomically(dir / "taken", std::string("x"), error));
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(fs::is_directory(dir / "taken"));
    EXPECT_TRUE(StrayFiles(dir.Path(), {"taken"}).empty());
}

TEST(FileAccessTest, ReadWholeFileRefusesMissingAndOversizedFiles) {
    test::TempDir dir;
    test::WriteBytes(dir / "ten", std::vector<uint8_t>(10, 7));
    std::vector<uint8_t> data;
    std::string error;
    ASSERT_TRUE(ReadWholeFile(dir / "ten", data, error)) << error;
    EXPECT_EQ(data, std::vector<uint8_t>(10, 7));
    ASSERT_TRUE(ReadWholeFile(dir / "ten", data, error, 10));
    EXPECT_FALSE(ReadWholeFile(dir / "ten", data, error, 9));
    EXPECT_NE(error.find("too large"), std::string::npos) << error;
    EXPECT_FALSE(ReadWholeFile(dir / "missing", data, error));
    EXPECT_NE(error.find("missing"), std::string::npos) << error;
    EXPECT_FALSE(ReadWholeFile(dir.Path(), data, error));  // a folder is not a file
}

TEST(FileAccessTest, ExtensionAndBaseAreCutAtTheFirstStopOfTheFileName) {
    struct Case {
        const char* path;
        const char* extension;
        const char* base;
    } cases[] = {
        {"map.bmp", "bmp", "map"},
        {"map.part.JPG", "part.JPG", "map"},
        {"d/x.y/map", "", "map"},
        {"d/x.y/map.jpg", "jpg", "map"},
        {"/maps.2024/b3.tiles/A1.Jpg", "Jpg", "A1"},
        {"map.", "", "map"},
        {"d.e/.hidden", "hidden", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(ExtensionAtFirstStop(c.path), c.extension);
        EXPECT_EQ(BaseAtFirstStop(c.path), c.base);
    }
    EXPECT_EQ(AsciiLower("A1.JPG Ä"), "a1.jpg Ä");
}

}  // namespace
}  // namespace korvalen
