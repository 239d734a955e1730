#include "core/Settings.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "core/IniFile.h"
#include "core/SettingsLocation.h"
#include "support/TestSupport.h"

namespace korvalen {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

Settings ReadFrom(std::string_view text) {
    IniFile ini;
    ini.Parse(text);
    Settings settings;
    settings.minimumCorrelation = -1;  // proves that reading sets every member
    ReadSettings(ini, settings);
    return settings;
}

// The text WriteSettings gives for the defaults into an empty file, written out by hand.
constexpr std::string_view kDefaultFile =
    "[application]\r\n"
    "maximized=0\r\n"
    "left=0\r\n"
    "top=0\r\n"
    "width=800\r\n"
    "height=600\r\n"
    "language=0\r\n"
    "\r\n"
    "[files]\r\n"
    "singleMapsDirectory=\r\n"
    "tavixedMapsDirectory=\r\n"
    "PlacemarksDirectory=\r\n"
    "\r\n"
    "[tavix]\r\n"
    "continueSearch=0\r\n"
    "immediateStart=1\r\n"
    "pauseAfter=1\r\n"
    "showSingleMaps=1\r\n"
    "singleMaps8bit=1\r\n"
    "tavixedMapPixelIx=1\r\n"
    "confirmTavix=0\r\n"
    "tavixAfterJoin=1\r\n"
    "previewFirst=1\r\n"
    "computeTotal=1\r\n"
    "minimumCorrelation=90\r\n"
    "spreadingTolerance=8\r\n"
    "overlap=2\r\n"
    "SearchBandAcross=50\r\n"
    "SearchBandAlong=50\r\n"
    "horizontalOverlap=100\r\n"
    "verticalOverlap=100\r\n"
    "proximity=5\r\n"
    "defaultRows=4\r\n"
    "defaultCols=3\r\n"
    "preferredAlgorithm=3\r\n"
    "preferredMapfilesSequence=1\r\n"
    "preferredOrderOfMapfiles=1\r\n"
    "compressionQuality=70\r\n"
    "disaccordColor=$00FE50FE\r\n"
    "estimateOverlap=1\r\n"
    "bandOnDetail=1\r\n"
    "comparison=1\r\n"
    "\r\n"
    "[gridpattern]\r\n"
    "IsMetric=1\r\n"
    "Overlap=10\r\n"
    "\r\n"
    "[plus]\r\n"
    "autoStart=0\r\n"
    "viewArea=1\r\n"
    "mapImagesDirectory=\r\n"
    "saveMapImage=1\r\n"
    "compressionQuality=70\r\n"
    "criticalNumOfPixels=10\r\n"
    "mapImagesOverlap=10\r\n"
    "pixelFormat8Bit=0\r\n"
    "saveCalibration=1\r\n"
    "calibFormat=1\r\n"
    "tileSource=\r\n"
    "settleTime=100\r\n";

// ---- Defaults ------------------------------------------------------------------------------

// The values themselves are pinned by the written default file below.
TEST(SettingsDefaults, EmptyFileGivesTheFirstStartValues) {
    const Settings s = ReadFrom("");
    EXPECT_EQ(ResultPixelFormat(s), PixelFormat::Bits8);
    Settings expected;
    expected.LanguageUnset = true;
    EXPECT_EQ(s, expected);
}

// ---- Writing -------------------------------------------------------------------------------

TEST(SettingsWrite, DefaultsAreWrittenInTableOrder) {
    IniFile ini;
    WriteSettings(Settings{}, ini);
    EXPECT_EQ(ini.ToText(), kDefaultFile);
}

TEST(SettingsWrite, NonDefaultValuesRoundTrip) {
    Settings s;
    s.maximized = true;
    s.left = -1920;
    s.top = 33;
    s.width = 1280;
    s.height = 1024;
    s.language = 5;  // odd values are kept, so writing back changes nothing
    s.singleMapsDirectory = "/home/anna/Karten/Einzel";
    s.tavixedMapsDirectory = " /with blanks ";
    s.PlacemarksDirectory = "\"quoted\"";
    s.continueSearch = 2;
    s.immediateStart = false;
    s.pauseAfter = false;
    s.showSingleMaps = false;
    s.singleMaps8bit = false;
    s.tavixedMapPixelIx = 7;
    s.confirmTavix = true;
    s.tavixAfterJoin = false;
    s.previewFirst = false;
    s.computeTotal = false;
    s.minimumCorrelation = 20;
    s.spreadingTolerance = 32;
    s.overlap = 10;
    s.SearchBandAcross = 250;
    s.SearchBandAlong = 10;
    s.horizontalOverlap = 10000;
    s.verticalOverlap = 10;
    s.proximity = 16;
    s.defaultRows = 99;
    s.defaultCols = 1;
    s.preferredAlgorithm = 5;
    s.preferredMapfilesSequence = 2;
    s.preferredOrderOfMapfiles = 5;
    s.compressionQuality = 100;
    s.disaccordColor = 0x0000FF;
    s.IsMetric = false;
    s.Overlap = 25;
    s.autoStart = true;
    s.viewArea = 2;
    s.mapImagesDirectory = "/tmp/ge";
    s.saveMapImage = false;
    s.plusCompressionQuality = 1;
    s.criticalNumOfPixels = 999;
    s.mapImagesOverlap = 50;
    s.pixelFormat8Bit = true;
    s.saveCalibration = false;
    s.calibFormat = 7;

    IniFile ini;
    WriteSettings(s, ini);
    IniFile reread;
    reread.Parse(ini.ToText());
    Settings back;
    ReadSettings(reread, back);
    EXPECT_EQ(back, s);
    // The two quality keys share a name and must land in their own sections.
    EXPECT_EQ(reread.ReadInteger("tavix", "compressionQuality", 0), 100);
    EXPECT_EQ(reread.ReadInteger("plus", "compressionQuality", 0), 1);
}

TEST(SettingsWrite, ExistingFileKeepsItsOwnLinesAndOrder) {
    IniFile ini;
    ini.Parse(
        "; Korvalen settings\r\n"
        "[PLUS]\r\n"
        "viewArea=2\r\n"
        "myOwnKey=kept\r\n"
        "[tavix]\r\n"
        "proximity = 7\r\n");
    Settings s;
    ReadSettings(ini, s);
    EXPECT_EQ(s.viewArea, 2);
    EXPECT_EQ(s.proximity, 7);
    s.proximity = 8;
    WriteSettings(s, ini);
    const std::string text = ini.ToText();
    EXPECT_EQ(text.rfind("; Korvalen settings\r\n[PLUS]\r\nviewArea=2\r\nmyOwnKey=kept\r\n", 0), 0u)
        << text;
    EXPECT_NE(text.find("proximity =8\r\n"), std::string::npos);
    EXPECT_EQ(text.find("[plus]"), std::string::npos);  // no second section
    EXPECT_LT(text.find("[tavix]"), text.find("[application]"));
}

// ---- Ranges --------------------------------------------------------------------------------

using Getter = std::function<int(const Settings&)>;
#define MEMBER(name) [](const Settings& s) { return static_cast<int>(s.name); }

int Read(const char* section, const char* key, const std::string& value, const Getter& get) {
    return get(ReadFrom(std::string("[") + section + "]\n" + key + "=" + value + "\n"));
}

// Each row: a key, its default and its range. Both ends are read as they stand; one step
// beyond either end gives the default.
TEST(SettingsRanges, ValuesOutsideTheirRangeGiveTheDefault) {
    const struct {
        const char* section;
        const char* key;
        Getter get;
        int fallback, low, high;
    } keys[] = {
        {"tavix", "continueSearch", MEMBER(continueSearch), 0, 0, 2},
        {"tavix", "tavixedMapPixelIx", MEMBER(tavixedMapPixelIx), 1, 0, 255},
        {"tavix", "minimumCorrelation", MEMBER(minimumCorrelation), 90, 20, 100},
        {"tavix", "spreadingTolerance", MEMBER(spreadingTolerance), 8, 0, 32},
        {"tavix", "overlap", MEMBER(overlap), 2, 1, 10},
        {"tavix", "SearchBandAcross", MEMBER(SearchBandAcross), 50, 10, 250},
        {"tavix", "SearchBandAlong", MEMBER(SearchBandAlong), 50, 10, 250},
        {"tavix", "horizontalOverlap", MEMBER(horizontalOverlap), 100, 10, 10000},
        {"tavix", "verticalOverlap", MEMBER(verticalOverlap), 100, 10, 10000},
        {"tavix", "proximity", MEMBER(proximity), 5, 0, 16},
        {"tavix", "defaultRows", MEMBER(defaultRows), 4, 1, 99},
        {"tavix", "defaultCols", MEMBER(defaultCols), 3, 1, 99},
        {"tavix", "preferredAlgorithm", MEMBER(preferredAlgorithm), 3, 1, 5},
        {"tavix", "preferredMapfilesSequence", MEMBER(preferredMapfilesSequence), 1, 1, 2},
        {"tavix", "preferredOrderOfMapfiles", MEMBER(preferredOrderOfMapfiles), 1, 1, 5},
        {"tavix", "compressionQuality", MEMBER(compressionQuality), 70, 1, 100},
        {"tavix", "comparison", MEMBER(comparison), 1, 0, 1},
        {"gridpattern", "Overlap", MEMBER(Overlap), 10, 10, 25},
        {"plus", "compressionQuality", MEMBER(plusCompressionQuality), 70, 1, 100},
        {"plus", "criticalNumOfPixels", MEMBER(criticalNumOfPixels), 10, 1, 999},
        {"plus", "mapImagesOverlap", MEMBER(mapImagesOverlap), 10, 0, 50},
        {"plus", "settleTime", MEMBER(captureSettleMs), 100, 0, 5000},
    };
    for (const auto& k : keys) {
        SCOPED_TRACE(std::string(k.section) + "/" + k.key);
        EXPECT_EQ(Read(k.section, k.key, std::to_string(k.low), k.get), k.low);
        EXPECT_EQ(Read(k.section, k.key, std::to_string(k.high), k.get), k.high);
        EXPECT_EQ(Read(k.section, k.key, std::to_string(k.low - 1), k.get), k.fallback);
        EXPECT_EQ(Read(k.section, k.key, std::to_string(k.high + 1), k.get), k.fallback);
    }
}

// Each row: a value read, and the member that results.
TEST(SettingsRanges, KeysWithRulesOfTheirOwn) {
    const struct {
        const char* section;
        const char* key;
        const char* value;
        int expected;
        Getter get;
    } cases[] = {
        {"tavix", "spreadingTolerance", "256", 8, MEMBER(spreadingTolerance)},  // not cut to 0
        {"tavix", "tavixedMapPixelIx", "7", 7, MEMBER(tavixedMapPixelIx)},
        {"tavix", "immediateStart", "yes", 1, MEMBER(immediateStart)},
        {"tavix", "confirmTavix", "2", 1, MEMBER(confirmTavix)},
        {"application", "width", "-5", -5, MEMBER(width)},
        {"application", "height", "tall", 600, MEMBER(height)},
        {"application", "left", "-2147483648", INT32_MIN, MEMBER(left)},
        {"application", "top", "2147483648", 0, MEMBER(top)},
        {"application", "language", "5", 5, MEMBER(language)},
        {"application", "language", "-1", -1, MEMBER(language)},
        // Outside their range these two take a value other than their default.
        {"plus", "viewArea", "7", 1, MEMBER(viewArea)},
        {"plus", "viewArea", "0", 0, MEMBER(viewArea)},
        {"plus", "calibFormat", "8", 0, MEMBER(calibFormat)},
        {"plus", "calibFormat", "-1", 0, MEMBER(calibFormat)},
        {"plus", "calibFormat", "300", 0, MEMBER(calibFormat)},
        {"plus", "calibFormat", "7", 7, MEMBER(calibFormat)},
        {"plus", "calibFormat", "Ozi", 1, MEMBER(calibFormat)},
        // Any language entry, even without a number, means the user was asked.
        {"application", "language", "", 0, MEMBER(LanguageUnset)},
        {"files", "language", "1", 1, MEMBER(LanguageUnset)},
        // A file from before the brightness comparison keeps comparing palette indices, for
        // which its spreading tolerance was chosen.
        {"tavix", "spreadingTolerance", "1", 0, MEMBER(comparison)},
        {"tavix", "spreadingTolerance", "1\ncomparison=1", 1, MEMBER(comparison)},
        {"tavix", "minimumCorrelation", "80", 1, MEMBER(comparison)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Read(c.section, c.key, c.value, c.get), c.expected)
            << c.section << "/" << c.key << "=" << c.value;
}

#undef MEMBER

TEST(SettingsRanges, OddValuesActAsEnglishAndEightBits) {
    EXPECT_EQ(EffectiveLanguage(ReadFrom("[application]\nlanguage=5\n")), 0);
    EXPECT_EQ(EffectiveLanguage(ReadFrom("[application]\nlanguage=1\n")), 1);
    EXPECT_EQ(ResultPixelFormat(uint8_t{0}), PixelFormat::Bits24);
    EXPECT_EQ(ResultPixelFormat(uint8_t{1}), PixelFormat::Bits8);
    EXPECT_EQ(ResultPixelFormat(uint8_t{2}), PixelFormat::Bits4);
    EXPECT_EQ(ResultPixelFormat(uint8_t{3}), PixelFormat::Bits8);
    EXPECT_EQ(ResultPixelFormat(uint8_t{255}), PixelFormat::Bits8);
}

// ---- Colours -------------------------------------------------------------------------------

TEST(SettingsColors, TextsReadAsColors) {
    const struct {
        const char* text;
        std::optional<uint32_t> color;
    } cases[] = {
        {"$00FE50FE", 0x00FE50FE},
        {"$00fe50fe", 0x00FE50FE},
        {"$FF", 0xFF},
        {"$0", 0},
        {"clRed", 0x0000FF},
        {"CLRED", 0x0000FF},
        {"clblue", 0xFF0000},
        {"clFuchsia", 0xFF00FF},
        {"clWhite", 0xFFFFFF},
        {"255", 255},
        {"16777215", 0xFFFFFF},
        {"$", std::nullopt},
        {"$000000000", std::nullopt},  // nine digits
        {"$01000000", std::nullopt},   // not a plain colour
        {"$12ZZ", std::nullopt},
        {"16777216", std::nullopt},
        {"-1", std::nullopt},
        {"clPink", std::nullopt},
        {"", std::nullopt},
        {"#FF0000", std::nullopt},
        {"99999999999999999999999", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TextToColor(c.text), c.color) << c.text;
}

TEST(SettingsColors, ColorsWriteAsNamesOrDollarHex) {
    EXPECT_EQ(ColorToText(0x00FE50FE), "$00FE50FE");
    EXPECT_EQ(ColorToText(0x0000FF), "clRed");
    EXPECT_EQ(ColorToText(0x000000), "clBlack");
    EXPECT_EQ(ColorToText(0xC0C0C0), "clSilver");
    EXPECT_EQ(ColorToText(0x0A0B0C), "$000A0B0C");
    for (uint32_t color : {0u, 1u, 0x800080u, 0x123456u, 0xFFFFFFu, 0xFFFFFEu})
        EXPECT_EQ(TextToColor(ColorToText(color)), color);
}

TEST(SettingsColors, BadColourTextGivesTheDefault) {
    EXPECT_EQ(ReadFrom("[tavix]\ndisaccordColor=purple\n").disaccordColor, 0x00FE50FEu);
    EXPECT_EQ(ReadFrom("[tavix]\ndisaccordColor=clPurple\n").disaccordColor, 0x800080u);
    EXPECT_EQ(ReadFrom("[tavix]\ndisaccordColor= $0000FF00 \n").disaccordColor, 0x00FF00u);
}

// ---- Where the file lives ------------------------------------------------------------------

EnvironmentLookup FakeEnvironment(std::map<std::string, std::string> values) {
    return [values](const std::string& name) -> std::optional<std::string> {
        auto it = values.find(name);
        if (it == values.end())
            return std::nullopt;
        return it->second;
    };
}

TEST(SettingsLocation, OverrideThenFileBesideTheProgramThenConfigFolder) {
    TempDir exe;
    const auto env = FakeEnvironment({{"HOME", "/home/u"}, {"XDG_CONFIG_HOME", "/cfg"}});
    EXPECT_EQ(SettingsFilePath(exe.Path(), {}, env), fs::path("/cfg/korvalen/korvalen.ini"));
    test::WriteBytes(exe / kSettingsFileName, {});  // portable use
    EXPECT_EQ(SettingsFilePath(exe.Path(), {}, env), exe / kSettingsFileName);
    EXPECT_EQ(SettingsFilePath(exe.Path(), "/x/mine.ini", env), fs::path("/x/mine.ini"));
}

TEST(SettingsLocation, ConfigFolderFollowsTheXdgRules) {
    TempDir exe;
    const fs::path home = "/home/u/.config/korvalen/korvalen.ini";
    EXPECT_EQ(SettingsFilePath(exe.Path(), {}, FakeEnvironment({{"HOME", "/home/u"}})), home);
    EXPECT_EQ(SettingsFilePath(exe.Path(), {},
                               FakeEnvironment({{"HOME", "/home/u"}, {"XDG_CONFIG_HOME", ""}})),
              home);
    EXPECT_EQ(
        SettingsFilePath(exe.Path(), {},
                         FakeEnvironment({{"HOME", "/home/u"}, {"XDG_CONFIG_HOME", "rel/cfg"}})),
        home);
    // Without any usable folder the program still has somewhere to keep its settings.
    EXPECT_EQ(SettingsFilePath(exe.Path(), {}, FakeEnvironment({{"HOME", "relative"}})),
              exe / kSettingsFileName);
}

TEST(SettingsLocation, FolderIsCreatedBeforeTheFirstSave) {
    TempDir dir;
    const fs::path file = dir / "config" / "korvalen" / kSettingsFileName;
    std::string error;
    ASSERT_TRUE(EnsureSettingsFolder(file, error)) << error;
    ASSERT_TRUE(EnsureSettingsFolder(file, error)) << error;
    IniFile ini;
    WriteSettings(Settings{}, ini);
    EXPECT_TRUE(ini.Save(file, error)) << error;

    test::WriteBytes(dir / "plain", {'x'});
    EXPECT_FALSE(EnsureSettingsFolder(dir / "plain" / "sub" / kSettingsFileName, error));
    EXPECT_NE(error.find("plain"), std::string::npos) << error;
}

}  // namespace
}  // namespace korvalen
