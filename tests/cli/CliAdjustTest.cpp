// korvalen-cli rotate and cut.
#include <gtest/gtest.h>

#include <sstream>

#include "cli/CliRun.h"
#include "images/BmpCodec.h"
#include "images/MapFiles.h"
#include "images/RotateBitmap.h"
#include "support/TestSupport.h"

namespace korvalen::cli {
namespace {

using test::CliResult;
using test::RunArgs;

class CliAdjust : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(WriteBmpFile(dir / "map.bmp", picture, error));
    }
    std::string Path(const std::string& name) const { return (dir / name).string(); }
    Bitmap Read(const std::string& name) const {
        Bitmap map;
        std::string error;
        EXPECT_TRUE(LoadMapFile(dir / name, map, false, error)) << error;
        return map;
    }
    test::TempDir dir;
    Bitmap picture = test::MakeTestPicture(40, 30, 3);
};

TEST_F(CliAdjust, RotateTurnsClockwiseAsTheFormDoes) {
    const CliResult r = RunArgs({"rotate", Path("map.bmp"), Path("turned.bmp"), "--angle", "90"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "30 x 40\n");
    const Bitmap turned = Read("turned.bmp");
    EXPECT_EQ(turned.PixelAt(29, 0), picture.PixelAt(0, 0));

    ASSERT_EQ(RunArgs({"rotate", Path("map.bmp"), Path("odd.bmp"), "--angle=-2.5"}).code, 0);
    const Bitmap odd = Read("odd.bmp");
    const Bitmap expected = RotateBitmap(picture, Rgb{0, 255, 255}, 2.5);
    ASSERT_EQ(odd.Width(), expected.Width());
    for (int y = 0; y < odd.Height(); ++y)
        for (int x = 0; x < odd.Width(); ++x)
            ASSERT_EQ(odd.PixelAt(x, y), expected.PixelAt(x, y));
}

TEST_F(CliAdjust, CutKeepsTheInclusiveRectangle) {
    const CliResult r = RunArgs({"cut", Path("map.bmp"), Path("cut.bmp"), "--rect", "5,4,24,13"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "20 x 10\n");
    const Bitmap cut = Read("cut.bmp");
    EXPECT_EQ(cut.PixelAt(0, 0), picture.PixelAt(5, 4));
    EXPECT_EQ(cut.PixelAt(19, 9), picture.PixelAt(24, 13));
}

TEST_F(CliAdjust, BadCallsSayWhyAndWriteNothing) {
    struct Case {
        std::vector<std::string> args;
        int code;
        const char* says;
    };
    const Case cases[] = {
        {{"rotate", Path("map.bmp"), Path("o.bmp")}, 2, "--angle is required"},
        {{"rotate", Path("map.bmp"), Path("o.bmp"), "--angle", "abc"}, 2, "--angle must be"},
        {{"rotate", Path("map.bmp"), Path("o.bmp"), "--angle", "nan"}, 2, "--angle must be"},
        {{"rotate", Path("map.bmp"), Path("o.png"), "--angle", "3"}, 2, "OUT must end"},
        {{"rotate", Path("map.bmp"), "--angle", "3"}, 2, "expected IN and OUT"},
        {{"rotate", Path("none.bmp"), Path("o.bmp"), "--angle", "3"}, 1, "none.bmp"},
        {{"cut", Path("map.bmp"), Path("o.bmp"), "--rect", "1,2,3"}, 2, "--rect must be"},
        {{"cut", Path("map.bmp"), Path("o.bmp"), "--rect", "1,2,3,x"}, 2, "--rect must be"},
        {{"cut", Path("map.bmp"), Path("o.bmp"), "--rect", "0,0,40,29"}, 1, "does not lie within"},
        {{"cut", Path("map.bmp"), Path("o.bmp"), "--rect", "10,0,5,29"}, 1, "does not lie within"},
        {{"cut", Path("map.bmp"), Path("o.bmp"), "--size", "1"}, 2, "unknown option"},
    };
    for (const Case& c : cases) {
        const CliResult r = RunArgs(c.args);
        EXPECT_EQ(r.code, c.code) << c.args[0] << " " << c.args.back();
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
        EXPECT_FALSE(std::filesystem::exists(dir / "o.bmp"));
    }
}

TEST_F(CliAdjust, TheCommandsAreListed) {
    const CliResult r = RunArgs({"--help"});
    EXPECT_NE(r.out.find("rotate IN OUT --angle DEG"), std::string::npos) << r.out << r.err;
    EXPECT_NE(r.out.find("cut IN OUT --rect LEFT,TOP,RIGHT,BOTTOM"), std::string::npos);
}

}  // namespace
}  // namespace korvalen::cli
