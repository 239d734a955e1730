#include "cli/CliCommands.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "cli/CliRun.h"
#include "images/BmpCodec.h"
#include "images/JpegCodec.h"
#include "images/MapFiles.h"
#include "support/TestSupport.h"

namespace korvalen::cli {
namespace {

namespace fs = std::filesystem;

using test::CliResult;
using test::RunArgs;

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
        {{"frobnicate"}, "unknown command"},
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
        EXPECT_NE(result.out.find("join FOLDER"), std::string::npos);
    }
    const CliResult result = RunArgs({"convert", "--help"});
    EXPECT_EQ(result.code, 0);
    EXPECT_NE(result.out.find("--quality"), std::string::npos);
    EXPECT_TRUE(result.err.empty());
}

// ---- join ----------------------------------------------------------------------------------

const fs::path kDemo = KORVALEN_DEMO_DIR;

// A copy of the demo maps (a1.jpg .. c3.jpg) to join and to spoil.
class CliJoinTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directory(maps);
        for (const char* name : {"a1", "a2", "a3", "b1", "b2", "b3", "c1", "c2", "c3"})
            fs::copy_file(kDemo / (std::string(name) + ".jpg"),
                          maps / (std::string(name) + ".jpg"));
    }
    // The settings the end-to-end test of the engine uses for the demo maps.
    std::vector<std::string> JoinArgs(const std::string& out) const {
        std::vector<std::string> args = {"join", maps.string()};
        std::istringstream words(
            "--rows 3 --cols 3 --order a1 --horizontal-overlap 120 --vertical-overlap 120 "
            "--band-along 50 --band-across 120 --spreading 12 --min-correlation 85 --out");
        for (std::string word; words >> word;)
            args.push_back(word);
        args.push_back(out);
        return args;
    }

    test::TempDir dir;
    fs::path maps = dir / "maps";
};

TEST_F(CliJoinTest, JoinsTheDemoMapsAndPrintsWhereEachLanded) {
    const fs::path out = dir / "joined.bmp";
    std::vector<std::string> args = JoinArgs(out.string());
    args.insert(args.end(), {"--bits", "24"});
    const CliResult result = RunArgs(args);
    ASSERT_EQ(result.code, 0) << result.err;

    // row col name X Y correlation, against the true offsets of the demo set.
    const std::map<std::string, std::pair<int, int>> truth = {
        {"a1", {0, 0}},   {"a2", {517, -8}},  {"a3", {1040, -8}},
        {"b1", {1, 353}}, {"b2", {526, 360}}, {"b3", {1035, 351}},
        {"c1", {3, 722}}, {"c2", {526, 712}}, {"c3", {1039, 713}}};
    std::istringstream lines(result.out);
    int count = 0, row = 0, col = 0, x = 0, y = 0, correlation = 0;
    std::string name;
    while (lines >> row >> col >> name >> x >> y >> correlation) {
        SCOPED_TRACE(name);
        EXPECT_EQ(name, std::string(1, static_cast<char>('a' + row - 1)) + std::to_string(col));
        EXPECT_EQ(std::make_pair(x, y), truth.at(name));
        EXPECT_GT(correlation, 0);
        EXPECT_LE(correlation, 100);
        ++count;
    }
    EXPECT_EQ(count, 9);
    EXPECT_TRUE(result.err.empty()) << result.err;

    Bitmap joined;
    std::string error;
    ASSERT_TRUE(LoadMapFile(out, joined, false, error)) << error;
    EXPECT_EQ(joined.Width(), 1680);
    EXPECT_EQ(joined.Height(), 1202);
    EXPECT_EQ(joined.Format(), PixelFormat::Bits24);
}

// With nothing but the matrix given, each join estimates its overlap; the report tells per
// join what the estimate found, and --json gives the same to scripts.
TEST_F(CliJoinTest, DefaultsJoinTheDemoMapsAndReportEachJoin) {
    const fs::path out = dir / "joined.jpg";
    const std::vector<std::string> base = {"join", maps.string(), "--rows", "3",     "--cols",
                                           "3",    "--order",     "a1",     "--out", out.string()};
    const CliResult text = RunArgs(base);
    ASSERT_EQ(text.code, 0) << text.err;
    EXPECT_NE(text.out.find("2 2 b2 526 360 "), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("join 2 2: estimate "), std::string::npos) << text.out;
    EXPECT_NE(text.out.find(" taken, band moved, correlation "), std::string::npos) << text.out;
    EXPECT_EQ(text.out.find("uncertain"), std::string::npos) << text.out;

    std::vector<std::string> args = base;
    args.insert(args.end(), {"--json", "--decide", "first"});
    const CliResult json = RunArgs(args);
    ASSERT_EQ(json.code, 0) << json.err;
    EXPECT_EQ(json.out.rfind("{\"complete\": true,", 0), 0u) << json.out;
    EXPECT_NE(json.out.find("{\"row\": 3, \"col\": 3, \"name\": \"c3\", \"joined\": true, "
                            "\"x\": 1039, \"y\": 713, "),
              std::string::npos)
        << json.out;
    EXPECT_NE(json.out.find("\"estimateTaken\": true, \"estimate\": ["), std::string::npos)
        << json.out;
    EXPECT_EQ(json.out.find("\"estimateTaken\": false"), std::string::npos) << json.out;

    args = base;
    args.insert(args.end(), {"--decide", "always"});
    EXPECT_EQ(RunArgs(args).code, 2);
}

TEST_F(CliJoinTest, FindsTheFirstMapAlphabeticallyAndWritesJpeg) {
    // Alphabetical order, rows: a1 a2 a3 / b1 b2 b3 / c1 c2 c3 as well; a stray file before
    // "a1" that is no map is passed over.
    test::WriteBytes(maps / "notes.txt", {'x'});
    const fs::path out = dir / "joined.jpg";
    std::vector<std::string> args = JoinArgs(out.string());
    args[7] = "alphabetical";
    args.insert(args.end(), {"--quality", "40"});
    const CliResult result = RunArgs(args);
    ASSERT_EQ(result.code, 0) << result.err;
    EXPECT_NE(result.out.find("2 2 b2 526 360 "), std::string::npos) << result.out;
    EXPECT_EQ(test::ReadBytes(out).at(0), 0xFF);
}

TEST_F(CliJoinTest, AMapThatCannotBeJoinedEndsWithItsNameAndWritesNothing) {
    std::string error;
    ASSERT_TRUE(WriteJpegFile(maps / "b2.jpg", test::MakeTestPicture(640, 480, 9), 85, error));
    const fs::path out = dir / "joined.bmp";
    const CliResult result = RunArgs(JoinArgs(out.string()));
    EXPECT_EQ(result.code, 1);
    EXPECT_NE(result.err.find("b2.jpg (row 2, column 2) could not be joined: best correlation "),
              std::string::npos)
        << result.err;
    EXPECT_NE(result.err.find(" % below 68 %"), std::string::npos) << result.err;
    EXPECT_TRUE(result.out.empty());
    EXPECT_FALSE(fs::exists(out));
}

TEST_F(CliJoinTest, UnreadableOrMissingMapsAreNamed) {
    const fs::path out = dir / "joined.bmp";
    test::WriteBytes(maps / "c2.jpg", {'n', 'o', 'p', 'e'});
    CliResult result = RunArgs(JoinArgs(out.string()));
    EXPECT_EQ(result.code, 1);
    EXPECT_NE(result.err.find("c2.jpg"), std::string::npos) << result.err;

    fs::remove(maps / "c2.jpg");
    result = RunArgs(JoinArgs(out.string()));
    EXPECT_EQ(result.code, 1);
    EXPECT_NE(result.err.find("no map for row 3, column 2"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("(expected c2.jpg)"), std::string::npos) << result.err;

    std::vector<std::string> args = JoinArgs(out.string());
    args.insert(args.end(), {"--first", "readme.jpg"});
    result = RunArgs(args);
    EXPECT_EQ(result.code, 1);
    EXPECT_NE(result.err.find("readme.jpg: there is no such file"), std::string::npos)
        << result.err;
    test::WriteBytes(maps / "readme.jpg", {'x'});
    result = RunArgs(args);
    EXPECT_EQ(result.code, 1);
    EXPECT_NE(result.err.find("readme does not correspond to the pattern a1"), std::string::npos)
        << result.err;
    EXPECT_FALSE(fs::exists(out));

    const CliResult empty =
        RunArgs({"join", dir.Path().string(), "--rows", "1", "--cols", "1", "--out", out.string()});
    EXPECT_EQ(empty.code, 1);
    EXPECT_NE(empty.err.find("no .jpg, .bmp or .png file"), std::string::npos) << empty.err;
}

TEST(CliJoinUsageTest, BadJoinCommandLinesFailWithAMessage) {
    test::TempDir dir;
    const std::string folder = dir.Path().string();
    const std::vector<std::string> base = {"join",   folder, "--rows", "2",
                                           "--cols", "2",    "--out",  (dir / "out.bmp").string()};
    struct Case {
        std::vector<std::string> extra;
        const char* message;
    } cases[] = {
        {{"--rows", "0"}, "--rows must be 1 to 99"},
        {{"--cols", "100"}, "--cols must be 1 to 99"},
        {{"--sequence", "diagonal"}, "--sequence must be rows or columns"},
        {{"--order", "x1"}, "--order must be alphabetical, a1, 1a, 11 or aa"},
        {{"--min-correlation", "19"}, "--min-correlation must be 20 to 100"},
        {{"--spreading", "33"}, "--spreading must be 0 to 32"},
        {{"--band-along", "9"}, "--band-along must be 10 to 250"},
        {{"--band-across", "251"}, "--band-across must be 10 to 250"},
        {{"--overlap-ratio", "11"}, "--overlap-ratio must be 1 to 10"},
        {{"--horizontal-overlap", "5"}, "--horizontal-overlap must be 10 to 10000"},
        {{"--vertical-overlap", "x"}, "--vertical-overlap must be 10 to 10000"},
        {{"--proximity", "17"}, "--proximity must be 0 to 16"},
        {{"--bits", "16"}, "--bits must be 24, 8 or 4"},
        {{"--8bit-maps", "maybe"}, "--8bit-maps must be yes or no"},
        {{"--quality", "50"}, "--quality applies to JPEG output only"},
        {{"--out", (dir / "out.png").string()}, "cannot tell the format"},
        {{"--rows", "30", "--order", "a1"}, "the a1 pattern cannot name 30 x 2 maps"},
        {{"--depth", "3"}, "unknown option --depth"},
        {{folder}, "expected one FOLDER"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = base;
        args.insert(args.end(), c.extra.begin(), c.extra.end());
        SCOPED_TRACE(c.extra.front() + " " + c.extra.back());
        const CliResult result = RunArgs(args);
        EXPECT_EQ(result.code, 2);
        EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
    }
    const CliResult missing = RunArgs({"join", folder, "--rows", "2", "--out", "x.bmp"});
    EXPECT_EQ(missing.code, 2);
    EXPECT_NE(missing.err.find("--rows, --cols and --out are required"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir / "out.bmp"));
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

// ---- calibrate -----------------------------------------------------------------------------

std::string TextOf(const fs::path& path) {
    const std::vector<uint8_t> bytes = test::ReadBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

TEST_F(CliTest, CalibrateFromTheBoundsDerivesTheOtherPoints) {
    const CliResult result = RunArgs(
        {"calibrate", Path("map.jpg"), "--format", "map", "--bounds", "47.6,11.3,47.4,11.5"});
    ASSERT_EQ(result.code, 0) << result.err;
    EXPECT_EQ(result.out, Path("map.map") + "\n");
    const std::string text = TextOf(dir / "map.map");
    EXPECT_NE(text.find("\r\n" + Path("map.jpg") + "\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\nPoint04,xy,   64,   48,in, deg,  47,24.000000,N,  11,30.000000,E,"),
              std::string::npos);
    // The centre: the middle of the diagonal from the top-left to the bottom-right corner.
    EXPECT_NE(text.find("\r\nPoint09,xy,   32,   24,in, deg,  47,30.000000,N,  11,24.000000,E,"),
              std::string::npos);
    EXPECT_NE(text.find("\r\nIWH,Map Image Width/Height,64,48\r\n"), std::string::npos);
}

void WriteText(const fs::path& path, const std::string& text) {
    test::WriteBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

TEST_F(CliTest, CalibrateTakesPointsFromAFileAndFromOptions) {
    WriteText(dir / "points.txt", "# corners\n1 1 2\n2,1,3\r\n");
    CliResult result =
        RunArgs({"calibrate", Path("map.bmp"), "--format=tab", "--points", Path("points.txt"),
                 "--point", "3,-1,2", "--point", "4 -1 3 40 29", "--point", "9,0.5,2.5,20,15"});
    ASSERT_EQ(result.code, 0) << result.err;
    EXPECT_EQ(result.out, Path("map.tab") + "\n");
    const std::string text = TextOf(dir / "map.tab");
    EXPECT_NE(text.find("  (3.000000,-1.000000) (40,29) Label \"Pt 4\",\r\n"), std::string::npos);
    // Derived from corners 2 and 4, so from the pixel given for 4.
    EXPECT_NE(text.find("  (3.000000,0.000000) (40,14) Label \"Pt 8\",\r\n"), std::string::npos);
    EXPECT_NE(text.find("  (2.500000,0.500000) (20,15) Label \"Pt 9\"\r\n"), std::string::npos);

    result = RunArgs({"calibrate", Path("map.bmp"), "--format", "geo", "--points",
                      Path("points.txt"), "--bounds", "1,2,-1,3"});
    EXPECT_EQ(result.code, 2);
    EXPECT_NE(result.err.find("point 1 is given twice"), std::string::npos) << result.err;

    for (const char* format : {"world", "cal"})
        EXPECT_EQ(
            RunArgs({"calibrate", Path("map.bmp"), "--format", format, "--bounds", "1,2,-1,3"})
                .code,
            0);
    EXPECT_TRUE(fs::exists(dir / "map.bpw"));
    EXPECT_TRUE(fs::exists(dir / "map_bmp.cal"));
}

TEST_F(CliTest, CalibrateRefusesWhatItCannotUse) {
    const std::string image = Path("map.jpg");
    struct Case {
        std::vector<std::string> args;
        int code;
        const char* message;
    } cases[] = {
        {{"calibrate", image, "--bounds", "1,2,0,3"}, 2, "--format is required"},
        {{"calibrate", image, "--format", "ozi", "--bounds", "1,2,0,3"},
         2,
         "--format must be map, cal, geo, gmw, jpr, world, jgw, bpw or tab"},
        {{"calibrate", image, "--format", "map"}, 2, "point 1 is missing"},
        {{"calibrate", image, "--format", "map", "--point", "1,2,3", "--point", "2,2,4", "--point",
          "3,1,3"},
         2,
         "point 4 is missing"},
        {{"calibrate", image, "--format", "map", "--bounds", "91,2,0,3"}, 2, "north latitude"},
        {{"calibrate", image, "--format", "map", "--point", "0,1,1"}, 2, "1 to 9"},
        {{"calibrate", "--format", "map"}, 2, "expected one IMAGE"},
        {{"calibrate", image, "--format", "map", "--points", Path("none.txt")}, 1, "none.txt"},
        {{"calibrate", Path("none.jpg"), "--format", "map", "--bounds", "1,2,0,3"}, 1, "none.jpg"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        const CliResult result = RunArgs(c.args);
        EXPECT_EQ(result.code, c.code);
        EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
    }
    WriteText(dir / "bad.txt", "1 1 1\n2 x\n");
    const CliResult bad =
        RunArgs({"calibrate", image, "--format", "map", "--points", Path("bad.txt")});
    EXPECT_EQ(bad.code, 1);
    EXPECT_NE(bad.err.find("bad.txt, line 2:"), std::string::npos) << bad.err;
    EXPECT_FALSE(fs::exists(dir / "map.map"));
    EXPECT_NE(RunArgs({"--help"}).out.find("calibrate IMAGE --format"), std::string::npos);
}

}  // namespace
}  // namespace korvalen::cli
