#include "core/IniFile.h"

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <csignal>
#include <filesystem>

#include "support/TestSupport.h"

#ifndef _WIN32
#include <sys/resource.h>
#endif

namespace korvalen {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using test::TempDir;

IniFile Parsed(std::string_view text) {
    IniFile ini;
    ini.Parse(text);
    return ini;
}

// ---- Finding sections and keys -------------------------------------------------------------

// Each row: a file, a section and key looked up, and the value found ("-" for none).
TEST(IniFileLookup, SectionsAndKeysAreFoundAsTheProfileFunctionsFindThem) {
    const struct {
        const char* why;
        const char* text;
        const char* section;
        const char* key;
        const char* found;
    } rows[] = {
        {"names without regard to case", "[Tavix]\nMinimumCorrelation=77\n", "TAVIX",
         "minimumcorrelation", "77"},
        {"no prefix match", "[Tavix]\nMinimumCorrelation=77\n", "tavix", "minimumCorrelatio", "-"},
        {"first key wins", "[a]\nk=1\nk=2\n", "a", "k", "1"},
        {"a repeated section is not searched", "[a]\nk=1\n[b]\nk=3\n[A]\nonly=5\n", "a", "only",
         "-"},
        {"keys before any section belong to none", "k=before\n[a]\nx=1\n", "a", "k", "-"},
        {"keys of the next section are not found", "[a]\nx=1\n[b]\nk=2\n", "a", "k", "-"},
        {"blanks around names", "  [ files ]  trailing\n  k  =  v  \n", "files", "k", "v"},
        {"comments", "[files]\n ; k=commented\n", "files", "; k", "-"},
        {"lines without =", "[files]\nnot a key\n", "files", "not a key", "-"},
        {"a header without its bracket", "[plus\nviewArea=2\n", "plus", "viewArea", "2"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.why);
        const IniFile ini = Parsed(row.text);
        if (std::string_view(row.found) == "-")
            EXPECT_FALSE(ini.HasKey(row.section, row.key));
        else
            EXPECT_EQ(ini.ReadString(row.section, row.key), row.found);
    }
    EXPECT_FALSE(Parsed("k=1\n").HasSection(""));
}

// ---- Reading values ------------------------------------------------------------------------

TEST(IniFileRead, StringsLoseBlanksAndOnePairOfMatchingQuotes) {
    const struct {
        const char* stored;
        const char* read;
    } cases[] = {
        {"plain", "plain"},
        {"  padded \t", "padded"},
        {"\"quoted\"", "quoted"},
        {"  \" kept \"  ", " kept "},
        {"'single'", "single"},
        {"\"\"twice\"\"", "\"twice\""},
        {"\"open", "\"open"},
        {"'mixed\"", "'mixed\""},
        {"\"", "\""},
        {"", ""},
        {"a=b", "a=b"},
        {"/home/u/My Maps", "/home/u/My Maps"},
    };
    for (const auto& c : cases) {
        const IniFile ini = Parsed(std::string("[s]\nk=") + c.stored + "\n");
        EXPECT_EQ(ini.ReadString("s", "k", "fallback"), c.read) << "stored: " << c.stored;
    }
    EXPECT_EQ(Parsed("[s]\n").ReadString("s", "k", "fallback"), "fallback");
}

TEST(IniFileRead, IntegersTakeTheLeadingDecimalDigits) {
    const struct {
        const char* stored;
        int32_t read;
    } cases[] = {
        {"12", 12},
        {" 12", 12},
        {"+7", 7},
        {"-3", -3},
        {"12abc", 12},
        {"12 34", 12},
        {"007", 7},
        {"\"42\"", 42},
        {"2147483647", INT32_MAX},
        {"-2147483648", INT32_MIN},
        {"-0", 0},
        // Everything below gives the fallback.
        {"abc", -99},
        {"", -99},
        {"+", -99},
        {"-", -99},
        {"- 5", -99},
        {"0x1F", 0},  // leading digits: the "0"
        {"2147483648", -99},
        {"-2147483649", -99},
        {"99999999999", -99},
        {"000000000000000000000000000000000000000000012", 12},
        {"1.5", 1},
    };
    for (const auto& c : cases) {
        const IniFile ini = Parsed(std::string("[s]\nk=") + c.stored + "\n");
        EXPECT_EQ(ini.ReadInteger("s", "k", -99), c.read) << "stored: " << c.stored;
    }
    EXPECT_EQ(Parsed("").ReadInteger("s", "k", 5), 5);
}

TEST(IniFileRead, BooleansAreNumbersOtherThanZero) {
    const IniFile ini = Parsed("[s]\nzero=0\none=1\nseven=7\nminus=-1\nword=true\nempty=\n");
    EXPECT_FALSE(ini.ReadBool("s", "zero", true));
    EXPECT_TRUE(ini.ReadBool("s", "one", false));
    EXPECT_TRUE(ini.ReadBool("s", "seven", false));
    EXPECT_TRUE(ini.ReadBool("s", "minus", false));
    EXPECT_TRUE(ini.ReadBool("s", "word", true));
    EXPECT_FALSE(ini.ReadBool("s", "word", false));
    EXPECT_TRUE(ini.ReadBool("s", "empty", true));
    EXPECT_FALSE(ini.ReadBool("s", "missing", false));
}

// ---- Writing -------------------------------------------------------------------------------

// Each row: a file, the values written into it in order, and the text that results.
TEST(IniFileWrite, ValuesLandWhereTheProfileFunctionsPutThem) {
    const struct {
        const char* why;
        const char* before;
        std::vector<std::array<const char*, 3>> writes;
        const char* after;
    } rows[] = {
        {"an existing key is replaced in place, keeping its spelling",
         "; my settings\r\n[Tavix]\r\n  Proximity = 5 \r\nk2=x\r\nPROXIMITY=9\r\n",
         {{"tavix", "proximity", "12"}},
         "; my settings\r\n[Tavix]\r\n  Proximity =12\r\nk2=x\r\nPROXIMITY=9\r\n"},
        {"a new key follows the last key of its section",
         "[a]\nx=1\n; about b\n\n[b]\ny=2\n\n\n",
         {{"a", "new", "n"}, {"b", "other", "o"}},
         "[a]\r\nx=1\r\nnew=n\r\n; about b\r\n\r\n[b]\r\ny=2\r\nother=o\r\n\r\n\r\n"},
        {"a section without keys takes it before its trailing blank lines",
         "[a]\n; comment\n\n[b]\n",
         {{"a", "flag", "1"}, {"b", "flag", "0"}},
         "[a]\r\n; comment\r\nflag=1\r\n\r\n[b]\r\nflag=0\r\n"},
        {"a new section is appended after a blank line",
         "",
         {{"first", "a", "1"}, {"second", "b", "-2"}, {"first", "c", "3"}},
         "[first]\r\na=1\r\nc=3\r\n\r\n[second]\r\nb=-2\r\n"},
        {"a file ending in a blank line gets no second one",
         "[x]\nk=1\n\n",
         {{"y", "k", "2"}},
         "[x]\r\nk=1\r\n\r\n[y]\r\nk=2\r\n"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.why);
        IniFile ini = Parsed(row.before);
        for (const auto& [section, key, value] : row.writes)
            EXPECT_TRUE(ini.WriteString(section, key, value));
        EXPECT_EQ(ini.ToText(), row.after);
    }
}

TEST(IniFileWrite, WrittenStringsReadBackUnchanged) {
    const std::string values[] = {"",          " lead",        "trail\t", "\"quoted\"",      "'q'",
                                  "\"half",    "a = b",        "[x]",     "; not a comment", "\"",
                                  "  \"x\"  ", "C:\\Maps\\Old"};
    for (const std::string& value : values) {
        IniFile ini;
        ASSERT_TRUE(ini.WriteString("s", "k", value));
        EXPECT_EQ(Parsed(ini.ToText()).ReadString("s", "k", "fallback"), value) << value;
    }
}

TEST(IniFileWrite, LineBreaksInValuesCannotSplitTheLine) {
    IniFile ini = Parsed("[s]\nk=old\nnext=1\n");
    ini.WriteString("s", "k", "one\r\n[evil]\nnext=2");
    const IniFile again = Parsed(ini.ToText());
    EXPECT_FALSE(again.HasSection("evil"));
    EXPECT_EQ(again.ReadString("s", "k"), "one  [evil] next=2");
    EXPECT_EQ(again.ReadInteger("s", "next", 0), 1);
}

TEST(IniFileWrite, NamesTheFormatCannotHoldAreRefused) {
    IniFile ini = Parsed("[s]\nk=1\n");
    const std::string before = ini.ToText();
    const std::pair<const char*, const char*> names[] = {
        {"s", ""},     {"s", "a=b"}, {"s", "; c"}, {"s", "[x"},  {"s", " k"},
        {"s", "a\nb"}, {"", "k"},    {"a]b", "k"}, {"s\r", "k"},
    };
    for (const auto& [section, key] : names)
        EXPECT_FALSE(ini.WriteString(section, key, "v")) << section << "/" << key;
    EXPECT_EQ(ini.ToText(), before);
}

TEST(IniFileWrite, EraseRemovesTheFirstMatchOnly) {
    IniFile ini = Parsed("[a]\nk=1\nk=2\n[b]\nx=1\n[c]\ny=1\n");
    EXPECT_TRUE(ini.EraseKey("A", "K"));
    EXPECT_EQ(ini.ReadInteger("a", "k", 0), 2);
    EXPECT_TRUE(ini.EraseSection("b"));
    EXPECT_FALSE(ini.EraseSection("b"));
    EXPECT_FALSE(ini.EraseKey("b", "x"));
    EXPECT_EQ(ini.ToText(), "[a]\r\nk=2\r\n[c]\r\ny=1\r\n");
}

// ---- Text form -----------------------------------------------------------------------------

TEST(IniFileText, AnyLineEndIsAcceptedAndCrLfIsWritten) {
    const IniFile ini = Parsed("[s]\r\na=1\nb=2\rc=3\r\n\r\n; end");
    EXPECT_EQ(ini.ReadInteger("s", "a", 0), 1);
    EXPECT_EQ(ini.ReadInteger("s", "b", 0), 2);
    EXPECT_EQ(ini.ReadInteger("s", "c", 0), 3);
    EXPECT_EQ(ini.ToText(), "[s]\r\na=1\r\nb=2\r\nc=3\r\n\r\n; end\r\n");
}

TEST(IniFileText, Utf8BomIsSkippedAndKept) {
    const IniFile ini = Parsed(
        "\xEF\xBB\xBF[s]\nk=Stra\xC3\x9F"
        "e\n");
    EXPECT_TRUE(ini.HasSection("s"));
    EXPECT_EQ(ini.ReadString("s", "k"),
              "Stra\xC3\x9F"
              "e");
    EXPECT_EQ(ini.ToText(),
              "\xEF\xBB\xBF[s]\r\nk=Stra\xC3\x9F"
              "e\r\n");
    // A BOM inside the file is content, and stays content after a rewrite.
    const IniFile twice = Parsed("\xEF\xBB\xBF\xEF\xBB\xBF[s]\n");
    EXPECT_FALSE(twice.HasSection("s"));
    EXPECT_FALSE(Parsed(twice.ToText()).HasSection("s"));
}

TEST(IniFileText, ArbitraryBytesSurviveUntouched) {
    const std::string odd = "[s]\nk=\x01\x00\xFF\x80z\n\xFE\xFF garbage\n"s;
    const IniFile ini = Parsed(odd);
    EXPECT_EQ(ini.ReadString("s", "k"), std::string("\x01\x00\xFF\x80z", 5));
    EXPECT_EQ(Parsed(ini.ToText()).ToText(), ini.ToText());
    EXPECT_EQ(Parsed("").ToText(), "");
}

// ---- Files ---------------------------------------------------------------------------------

TEST(IniFileFiles, SaveAndLoadRoundTripAndAMissingFileIsEmpty) {
    TempDir dir;
    IniFile ini = Parsed("; comment\n[s]\nk=v\n");
    ini.WriteInteger("t", "n", 42);
    std::string error;
    ASSERT_TRUE(ini.Save(dir / "k.ini", error)) << error;
    const auto bytes = test::ReadBytes(dir / "k.ini");
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()),
              "; comment\r\n[s]\r\nk=v\r\n\r\n[t]\r\nn=42\r\n");
    IniFile loaded;
    ASSERT_TRUE(loaded.Load(dir / "k.ini", error)) << error;
    EXPECT_EQ(loaded.ReadInteger("t", "n", 0), 42);
    ASSERT_TRUE(loaded.Load(dir / "absent.ini", error)) << error;
    EXPECT_EQ(loaded.ToText(), "");
}

TEST(IniFileFiles, UnusablePlacesAreRefusedAndLeaveTheContent) {
    TempDir dir;
    IniFile ini = Parsed("[keep]\nk=1\n");
    std::string error;
    EXPECT_FALSE(ini.Load(dir.Path(), error));  // a folder
    EXPECT_FALSE(error.empty());

    std::vector<uint8_t> huge(IniFile::kMaxFileBytes + 1, '\n');
    test::WriteBytes(dir / "huge.ini", huge);
    error.clear();
    EXPECT_FALSE(ini.Load(dir / "huge.ini", error));
    EXPECT_NE(error.find("too large"), std::string::npos) << error;
    EXPECT_EQ(ini.ReadInteger("keep", "k", 0), 1);

    test::WriteBytes(dir / "plain", {'x'});
    error.clear();
    EXPECT_FALSE(ini.Save(dir / "plain" / "k.ini", error));
    EXPECT_FALSE(error.empty());
}

#ifndef _WIN32
// A write that fails half-way (here: the file size limit, which binds root too) must leave the
// old settings file as it was and no temporary file behind.
TEST(IniFileFiles, FailedSaveLeavesTheOldFile) {
    TempDir dir;
    const fs::path path = dir / "korvalen.ini";
    std::string error;
    ASSERT_TRUE(Parsed("[s]\nk=old\n").Save(path, error)) << error;
    IniFile big;
    big.WriteString("s", "k", std::string(64 * 1024, 'x'));

    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 4096;
    auto* previous = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool savedOk = big.Save(path, error);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);

    EXPECT_FALSE(savedOk);
    EXPECT_FALSE(error.empty());
    IniFile loaded;
    ASSERT_TRUE(loaded.Load(path, error)) << error;
    EXPECT_EQ(loaded.ReadString("s", "k"), "old");
    int files = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir.Path()))
        ++files;
    EXPECT_EQ(files, 1);
}
#endif

}  // namespace
}  // namespace korvalen
