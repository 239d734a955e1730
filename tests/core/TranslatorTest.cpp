#include "core/Translator.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <string_view>

#include "core/TranslationTable.h"

namespace korvalen {
namespace {

struct TranslationCase {
    const char* name;
    std::string_view text;
    int language;
    std::string_view expected;
};

std::ostream& operator<<(std::ostream& out, const TranslationCase& c) {
    return out << c.name << ": \"" << c.text << "\" (language " << c.language << ")";
}

class TranslateTextTest : public ::testing::TestWithParam<TranslationCase> {};

TEST_P(TranslateTextTest, GivesExpectedText) {
    const TranslationCase& c = GetParam();
    EXPECT_EQ(TranslateText(c.text, c.language), c.expected);
}

std::string CaseName(const ::testing::TestParamInfo<TranslationCase>& info) {
    return info.param.name;
}

// ---- English: blanks for underscores ---------------------------------------------------------

INSTANTIATE_TEST_SUITE_P(
    English, TranslateTextTest,
    ::testing::Values(
        TranslationCase{"UnderscoresBecomeBlanks", "Map_image_name", 0, "Map image name"},
        TranslationCase{"LeadingBlankStaysTrailingGoes", "_Break_", 0, " Break"},
        TranslationCase{"TheGlobeIsTheMapView",
                        "Open Google Earth immediately after the_program_starts", 0,
                        "Open map view immediately after the program starts"},
        TranslationCase{"AmpersandStays", "&Save map", 0, "&Save map"},
        TranslationCase{"TrailingBlanksTrimmed", "map__  ", 0, "map"},
        TranslationCase{"DelimitersUntouched", "Size w_x_h (pixel)\r\n", 0,
                        "Size w x h (pixel)\r\n"},
        TranslationCase{"Empty", "", 0, ""}, TranslationCase{"OnlyBlanks", "   ", 0, ""},
        TranslationCase{"NotTranslatedWords", "save close", 0, "save close"},
        TranslationCase{"UnknownLanguageIsEnglish", "Map_image_name", 5, "Map image name"},
        TranslationCase{"UnknownLanguageKeepsAmpersand", "&Save map", 5, "&Save map"},
        TranslationCase{"NegativeLanguageIsEnglish", "Eye_alt", -1, "Eye alt"}),
    CaseName);

// ---- German: word lookups ------------------------------------------------------------------

INSTANTIATE_TEST_SUITE_P(
    GermanWords, TranslateTextTest,
    ::testing::Values(
        TranslationCase{"PhraseKey", "Map_image_name", 1, "Kartenname"},
        TranslationCase{"UnknownWordStays", "%d Rows", 1, "%d Reihen"},
        TranslationCase{"CaseInsensitiveMatch", "ROWS", 1, "Reihen"},
        TranslationCase{"ExactMatchBeatsEarlierKey", "Close", 1, "Schließen"},
        TranslationCase{"LowerCaseKeyIsAVerb", "close", 1, " schließen"},
        // "close" precedes "Close" in the table, "Only" precedes "only".
        TranslationCase{"FoldedMatchTakesEarliestRow", "CLOSE map", 1, " Karte schließen"},
        TranslationCase{"FoldedMatchTakesEarliestRowCapital", "ONLY", 1, "Nur"},
        TranslationCase{"UnknownWordKeepsUnderscores", "Google_Earth_view", 1, "Google_Earth_view"},
        TranslationCase{"AmpersandDropped", "&File", 1, "Datei"},
        TranslationCase{"AmpersandInsideDelimiters", "&0 Break [Esc]", 1, "0 Abbruch [Esc]"},
        TranslationCase{"HyphenIsAWordCharacter", "of_self-search", 1, "die Selbstsuche"},
        TranslationCase{"SemicolonIsAWordCharacter", "rows;cols", 1, "rows;cols"},
        TranslationCase{"TabIsAWordCharacter", "rows\tcols", 1, "rows\tcols"},
        TranslationCase{"QuestionMarkIsAWordCharacter", "rows?", 1, "rows?"},
        TranslationCase{"Utf8BytesAreWordCharacters", "Größe map", 1, "Größe Karte"},
        TranslationCase{"Utf8AttachedToKeyIsNoMatch", "mapü", 1, "mapü"},
        TranslationCase{"KeysKeepTheirGivenText", "Eye_alt eye_alt", 1, "Sicht- höhe Sichthöhe"},
        TranslationCase{"UnderscoreEdgedKey", "_Settings_", 1, "Einstell."},
        TranslationCase{"Placeholders", "The_map %s has_been saved", 1,
                        "Die Karte %s wurde gespeichert"}),
    CaseName);

// ---- German: delimiters, blanks and moved verbs --------------------------------------------

INSTANTIATE_TEST_SUITE_P(
    GermanSentences, TranslateTextTest,
    ::testing::Values(
        TranslationCase{"VerbMovesToEndKeepingLeadingBlank",
                        "Tavix_and_calibrate Google Earth images", 1,
                        " Kartenansicht Bilder verbinden und kalibrieren"},
        TranslationCase{"VerbAfterFirstWord", "Please use break_button", 1,
                        "Bitte Abbruch-Taste verwenden"},
        TranslationCase{"LaterVerbReplacesEarlier", "save close map", 1, "  Karte schließen"},
        TranslationCase{"DoubleBlankLeftByVerbCollapses",
                        "discard_intermediate_result and close program", 1,
                        "Zwischenergebnis verwerfen und Programm schließen"},
        TranslationCase{"DoubleBlankCollapsesWithoutVerb", "rows   cols", 1, "Reihen  Spalten"},
        TranslationCase{"TwoBlanksAloneAreNotLongerThanTwo", "save  map", 1, "  Karte speichern"},
        TranslationCase{"ThreeBlanksAloneLoseOne", "save   map", 1, "  Karte speichern"},
        TranslationCase{"DoubleBlankBeforeDelimiterStays", "rows  (cols)", 1, "Reihen  (Spalten)"},
        TranslationCase{"VerbFirstThenWord", "Calibrate now", 1, " jetzt kalibrieren"},
        // The verb is appended after the blank that preceded it; nothing collapses there.
        TranslationCase{"VerbLastKeepsPrecedingBlank", "map save", 1, "Karte  speichern"},
        TranslationCase{"DelimitersCopied", "(rows) [cols], map/maps: A=1!\"x\"+.", 1,
                        "(Reihen) [Spalten], Karte/Karten: Eine=1!\"x\"+."},
        TranslationCase{"LineBreaksCopied",
                        "The file %s is_no placemark_grid_file\r\nThe tavix cannot be_started", 1,
                        "Die Datei %s ist keine Ortsmarkengitter-Datei\r\nDie Verbindung kann "
                        "nicht gestartet werden"},
        TranslationCase{"TrailingBlanksTrimmed", "map   ", 1, "Karte"},
        // Only the end of the finished text is trimmed, after the verb has been appended.
        TranslationCase{"TrailingBlanksTrimmedAfterVerb", "save map  ", 1, " Karte   speichern"},
        TranslationCase{"TrailingLineBreakStays", "map\r\n", 1, "Karte\r\n"},
        TranslationCase{"Empty", "", 1, ""},
        TranslationCase{"OnlyDelimiters", "  (,)  ", 1, "  (,)"},
        TranslationCase{"OnlyAmpersands", "&&&", 1, ""},
        TranslationCase{"OnlyAVerb", "save", 1, " speichern"},
        TranslationCase{"StepCaption", "Step 1 - Wait until initialisation_finished", 1,
                        "Schritt 1 - Warten bis GE initialisiert wurde"}),
    CaseName);

// ---- German: captions of the calibration, capture, placemark-grid and adjust windows ---------

INSTANTIATE_TEST_SUITE_P(
    GermanWindowCaptions, TranslateTextTest,
    ::testing::Values(
        // The question mark is part of the word, so the word needs a row of its own.
        TranslationCase{"QuestionWordBeforeMovedVerb", "Save this calibration?", 1,
                        " diese Kalibrierung speichern"},
        TranslationCase{"ColumnHeaders", "Pt. Latitude Longitude Pixel Residual", 1,
                        "Pkt. Breitengrad Längengrad Pixel Restfehler"},
        TranslationCase{"CaptureSizes", "Map_size Image_size Number_of_images", 1,
                        "Kartengröße Bildgröße Anzahl der Bilder"},
        TranslationCase{"UnitWhenNotMetric", "feed", 1, "Fuß"},
        TranslationCase{"TileSource", "Tile_source", 1, "Kachelquelle"},
        TranslationCase{"CalibrationPlacemarks", "calibration_placemarks", 1,
                        "Kalibrierungs-Ortsmarken"},
        TranslationCase{"GridPatternFolder", "Folder of the grid_pattern images", 1,
                        "Ordner von der Gittermuster Bilder"},
        TranslationCase{"CalibrationNotSaved", "Calibration_file not_saved:", 1,
                        "Kalibrierungsdatei nicht gespeichert:"},
        TranslationCase{"FileNotFound", "File_not_found:", 1, "Datei nicht gefunden:"},
        TranslationCase{"WrittenFileMismatch",
                        "The written calibration_file does not match the map:", 1,
                        "Die geschriebene Kalibrierungsdatei passt nicht zu der Karte:"},
        TranslationCase{"NotAnImage", "Not a JPEG or bitmap file:", 1,
                        "Nicht eine JPEG oder Bitmap Datei:"},
        TranslationCase{"PixelDepth", "24 bit", 1, "24 Bit"},
        TranslationCase{"PixelTotal", "Pixel total", 1, "Pixel gesamt"},
        TranslationCase{"CornerHint", "Top Left corner", 1, "oben links Ecke"},
        TranslationCase{"GridRoot", "root", 1, "Ursprung"},
        TranslationCase{"AdjustJoinedMap", "Adjust tavixed map", 1, " verbundene Karte anpassen"}),
    CaseName);

// ---- The table -------------------------------------------------------------------------------

TEST(TranslationTable, KeysAreUniqueButMayDifferOnlyInCase) {
    std::set<std::string_view> keys;
    for (const TranslationPair& pair : TranslationPairs()) {
        EXPECT_TRUE(keys.insert(pair.english).second) << "duplicate key " << pair.english;
    }
    EXPECT_TRUE(keys.contains("close") && keys.contains("Close"));
    EXPECT_TRUE(keys.contains("join") && keys.contains("Join"));
}

// A key holding a delimiter or a non-ASCII byte could never be matched by a word.
TEST(TranslationTable, KeysAreSingleAsciiWords) {
    for (const TranslationPair& pair : TranslationPairs()) {
        ASSERT_FALSE(pair.english.empty());
        for (const char c : pair.english) {
            EXPECT_TRUE(c > ' ' && static_cast<unsigned char>(c) < 0x80) << pair.english;
            EXPECT_EQ(std::string_view("!\"&()+,./:=[]").find(c), std::string_view::npos)
                << pair.english;
        }
    }
}

TEST(TranslationTable, GermanTextsAreUsable) {
    for (const TranslationPair& pair : TranslationPairs()) {
        EXPECT_FALSE(pair.german.empty()) << pair.english;
        if (pair.german.ends_with('_')) {
            EXPECT_GT(pair.german.size(), 1u) << pair.english;
            EXPECT_NE(pair.german[pair.german.size() - 2], ' ') << pair.english;
        }
        // Only a final "_" has a meaning; one inside would show up on screen.
        EXPECT_EQ(pair.german.substr(0, pair.german.size() - 1).find('_'), std::string_view::npos)
            << pair.english;
    }
}

TEST(TranslationTable, KeepsTheGivenGermanTexts) {
    // The given texts no translation case above shows.
    const std::pair<std::string_view, std::string_view> given[] = {
        {"join", "verbinden_"},
        {"Join", "Verbinden"},
        {"Streaming", "Übertragung"},
        {"_Break_", "Abbr."},
        {"high__Compression___low", "max. Komprimierung min."},
        {"__poor_____middle______best", "schwach   mittel   beste"},
        {"Creating_bitmap", "Bitmap wird esrtellt"},
    };
    for (const auto& [english, german] : given) {
        bool found = false;
        for (const TranslationPair& pair : TranslationPairs()) {
            if (pair.english == english) {
                EXPECT_EQ(pair.german, german) << english;
                found = true;
            }
        }
        EXPECT_TRUE(found) << english;
    }
}

// ---- Cache of untranslated texts -----------------------------------------------------------

TEST(TranslationCache, GermanThenEnglishGivesTheDesignedText) {
    TranslationCache cache;
    EXPECT_EQ(cache.Translate("TfTavixMain", 3, 0, kLanguageGerman, "&Save map"),
              " Karte speichern");
    // The form now shows the German text; translating it back starts from the stored one.
    EXPECT_EQ(cache.Translate("TfTavixMain", 3, 0, kLanguageEnglish, " Karte speichern"),
              "&Save map");
    EXPECT_EQ(cache.Translate("TfTavixMain", 3, 0, kLanguageGerman, "&Save map"),
              " Karte speichern");
}

TEST(TranslationCache, FirstStoredTextWins) {
    TranslationCache cache;
    cache.Translate("TfAdjust", -1, 0, kLanguageEnglish, "Adjust_map");
    EXPECT_EQ(cache.Translate("TfAdjust", -1, 0, kLanguageEnglish, "Something_else"), "Adjust map");
    ASSERT_NE(cache.Untranslated("TfAdjust", -1, 0), nullptr);
    EXPECT_EQ(*cache.Untranslated("TfAdjust", -1, 0), "Adjust_map");
    EXPECT_EQ(cache.Size(), 1u);
}

}  // namespace
}  // namespace korvalen
