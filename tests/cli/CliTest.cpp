#include "cli/CliCommands.h"

#include <gtest/gtest.h>

#include <sstream>

#include "images/BmpCodec.h"
#include "images/JpegCodec.h"
#include "images/MapFiles.h"
#include "support/TestSupport.h"

namespace korvalen::cli {
namespace {

namespace fs = std::filesystem;

struct CliResult {
    int code = -1;
    std::string out;
    std::string err;
};

CliResult RunArgs(std::vector<std::string> args) {
    std::ostringstream out, err;
    CliResult result;
    result.code = RunCli(args, out, err);
    result.out = out.str();
    result.err = err.str();
    return result;
}

class CliTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(WriteBmpFile(dir / "map.bmp", test::MakeTestPicture(40, 30, 3), error));
        ASSERT_TRUE(WriteJpegFile(dir / "map.jpg", test::MakeTestPicture(64, 48, 4), 90, error));
    }
    std::string Path(const std::string& name) const { return (dir / name).string(); }

    Bitmap Load(const std::string& name) const {
        Bitmap bitmap;
        std::string error;
        EXPECT_TRUE(LoadMapFile(dir / name, bitmap, false, error)) << error;
        return bitmap;
    }

    test::TempDir dir;
};

TEST_F(CliTest, InfoPrintsSizeAndPixelFormat) {
    CliResult result = RunArgs({"info", Path("map.jpg")});
    EXPECT_EQ(result.code, 0) << result.err;
    EXPECT_EQ(result.out, Path("map.jpg") + ": 64 x 48, 24 bits\n");
    EXPECT_TRUE(result.err.empty());

    ASSERT_EQ(RunArgs({"convert", Path("map.bmp"), Path("small.bmp"), "--bits", "4"}).code, 0);
    result = RunArgs({"info", Path("small.bmp")});
    EXPECT_EQ(result.out, Path("small.bmp") + ": 40 x 30, 4 bits\n");
}

TEST_F(CliTest, ConvertWritesTheFormatOfTheOutputExtension) {
    CliResult result = RunArgs({"convert", Path("map.bmp"), Path("out.JPG")});
    ASSERT_EQ(result.code, 0) << result.err;
    EXPECT_EQ(test::ReadBytes(dir / "out.JPG").at(0), 0xFF);
    EXPECT_EQ(Load("out.JPG").Width(), 40);

    result = RunArgs({"convert", Path("map.jpg"), Path("out.bmp"), "--bits=8"});
    ASSERT_EQ(result.code, 0) << result.err;
    EXPECT_EQ(test::ReadBytes(dir / "out.bmp").at(0), 'B');
    const Bitmap eightBit = Load("out.bmp");
    EXPECT_EQ(eightBit.Format(), PixelFormat::Bits8);
    EXPECT_EQ(eightBit.Width(), 64);

    ASSERT_EQ(RunArgs({"convert", "--bits", "24", Path("out.bmp"), Path("again.jpeg")}).code, 0);
    EXPECT_EQ(Load("again.jpeg").Height(), 48);
}

TEST_F(CliTest, QualityChangesTheJpegAndDefaultsToSeventy) {
    ASSERT_EQ(RunArgs({"convert", Path("map.bmp"), Path("q10.jpg"), "--quality", "10"}).code, 0);
    ASSERT_EQ(RunArgs({"convert", Path("map.bmp"), Path("q100.jpg"), "--quality", "100"}).code, 0);
    ASSERT_EQ(RunArgs({"convert", Path("map.bmp"), Path("default.jpg")}).code, 0);
    ASSERT_EQ(RunArgs({"convert", Path("map.bmp"), Path("q70.jpg"), "--quality=70"}).code, 0);
    EXPECT_LT(fs::file_size(dir / "q10.jpg"), fs::file_size(dir / "q100.jpg"));
    EXPECT_EQ(test::ReadBytes(dir / "default.jpg"), test::ReadBytes(dir / "q70.jpg"));
}

TEST_F(CliTest, BadCommandLinesFailWithAMessage) {
    const std::string in = Path("map.bmp"), out = Path("out.jpg");
    struct Case {
        std::vector<std::string> args;
        const char* message;
    } cases[] = {
        {{}, "usage"},
        {{"join"}, "unknown command"},
        {{"info"}, "expected one FILE"},
        {{"info", in, in}, "expected one FILE"},
        {{"convert", in}, "expected IN and OUT"},
        {{"convert", in, out, "extra"}, "expected IN and OUT"},
        {{"convert", in, out, "--size", "3"}, "unknown option --size"},
        {{"convert", in, out, "--bits"}, "needs a value"},
        {{"convert", in, out, "--bits", "16"}, "--bits must be 24, 8 or 4"},
        {{"convert", in, out, "--bits", "8x"}, "--bits must be 24, 8 or 4"},
        {{"convert", in, out, "--quality", "0"}, "1 to 100"},
        {{"convert", in, out, "--quality", "101"}, "1 to 100"},
        {{"convert", in, out, "--quality", ""}, "1 to 100"},
        {{"convert", in, out, "--quality", "99999999999"}, "1 to 100"},
        {{"convert", in, Path("out.png")}, "must be .jpg, .jpeg or .bmp"},
        {{"convert", in, Path("out")}, "cannot tell the format"},
        {{"convert", in, Path("out.v2.jpg")}, "from the first full stop"},
        {{"convert", in, Path("out.bmp"), "--quality", "50"}, "JPEG output only"},
    };
    for (const Case& c : cases) {
        std::string line;
        for (const auto& arg : c.args)
            line += arg + " ";
        SCOPED_TRACE(line);
        const CliResult result = RunArgs(c.args);
        EXPECT_EQ(result.code, 2);
        EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
    }
    EXPECT_FALSE(fs::exists(out));
}

TEST_F(CliTest, UnreadableOrUnwritableFilesFailAndNameTheFile) {
    test::WriteBytes(dir / "text.jpg", {'h', 'e', 'l', 'l', 'o'});
    for (const char* name : {"missing.jpg", "text.jpg"}) {
        CliResult result = RunArgs({"info", Path(name)});
        EXPECT_EQ(result.code, 1);
        EXPECT_NE(result.err.find(name), std::string::npos) << result.err;
        EXPECT_TRUE(result.out.empty());
        result = RunArgs({"convert", Path(name), Path("out.bmp")});
        EXPECT_EQ(result.code, 1);
        EXPECT_NE(result.err.find(name), std::string::npos) << result.err;
    }
    const CliResult result = RunArgs({"convert", Path("map.bmp"), Path("no-folder/out.bmp")});
    EXPECT_EQ(result.code, 1);
    EXPECT_NE(result.err.find("no-folder"), std::string::npos) << result.err;
    EXPECT_FALSE(fs::exists(dir / "out.bmp"));
}

TEST_F(CliTest, HelpListsEveryCommand) {
    for (const char* help : {"--help", "-h"}) {
        const CliResult result = RunArgs({help});
        EXPECT_EQ(result.code, 0);
        EXPECT_NE(result.out.find("info FILE"), std::string::npos);
        EXPECT_NE(result.out.find("convert IN OUT"), std::string::npos);
    }
    const CliResult result = RunArgs({"convert", "--help"});
    EXPECT_EQ(result.code, 0);
    EXPECT_NE(result.out.find("--quality"), std::string::npos);
    EXPECT_TRUE(result.err.empty());
}

TEST(CliProgramTest, TheProgramRunsTheSameCommands) {
    const char* cli = std::getenv("KORVALEN_CLI");
    if (!cli)
        GTEST_SKIP() << "KORVALEN_CLI is not set (run through CTest)";
    test::TempDir dir;
    std::string error;
    ASSERT_TRUE(WriteBmpFile(dir / "map.bmp", test::MakeTestPicture(20, 10), error));
    std::string output;
    EXPECT_EQ(
        test::RunCommand(std::string(cli) + " info '" + (dir / "map.bmp").string() + "'", &output),
        0);
    EXPECT_NE(output.find(": 20 x 10, 24 bits"), std::string::npos) << output;
    EXPECT_EQ(test::RunCommand(std::string(cli) + " 2>/dev/null"), 2);
}

}  // namespace
}  // namespace korvalen::cli
