#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "images/Bitmap.h"

namespace korvalen {

class IniFile;

// The user's preferences, one member per key of the settings file and named after it, with the
// defaults a first start uses. Members hold what the file said even where a value has no
// meaning (language 5, tavixedMapPixelIx 7), so that writing back does not change the file
// behind the user's back; the helpers below interpret such values.
struct Settings {
    // [application]
    bool maximized = false;
    int left = 0;
    int top = 0;
    int width = 800;
    int height = 600;
    int language = 0;  // 0 English, 1 German; anything else acts as English
    // Not a key: the file had no language entry, so the program asks for one.
    bool LanguageUnset = false;

    // [files]
    std::string singleMapsDirectory;
    std::string tavixedMapsDirectory;
    std::string PlacemarksDirectory;

    // [tavix]
    uint8_t continueSearch = 0;  // 0 continue, 1 decide, 2 join at once
    bool immediateStart = true;
    bool pauseAfter = true;
    bool showSingleMaps = true;
    bool singleMaps8bit = true;
    uint8_t tavixedMapPixelIx = 1;  // 0 24 bits, 2 4 bits, anything else 8 bits
    bool confirmTavix = false;
    bool tavixAfterJoin = true;
    bool previewFirst = true;
    bool computeTotal = true;
    int minimumCorrelation = 90;
    uint8_t spreadingTolerance = 8;  // suits the brightness comparison of new settings
    uint8_t overlap = 2;             // target area to search band, in halves
    int SearchBandAcross = 50;
    int SearchBandAlong = 50;
    int horizontalOverlap = 100;
    int verticalOverlap = 100;
    int proximity = 5;
    int defaultRows = 4;
    int defaultCols = 3;
    int preferredAlgorithm = 3;
    int preferredMapfilesSequence = 1;
    int preferredOrderOfMapfiles = 1;
    uint8_t compressionQuality = 70;
    uint32_t disaccordColor = 0x00FE50FE;  // 0x00BBGGRR
    bool estimateOverlap = true;  // estimate each join's offset from the whole facing halves
    bool bandOnDetail = true;     // put the search band where the overlap has most detail
    uint8_t comparison = 1;       // 0 palette index, 1 brightness

    // [gridpattern]
    bool IsMetric = true;
    int Overlap = 10;  // percent

    // [plus]
    bool autoStart = false;
    uint8_t viewArea = 1;  // 0 small, 1 medium, 2 large
    std::string mapImagesDirectory;
    bool saveMapImage = true;
    uint8_t plusCompressionQuality = 70;  // the key "compressionQuality" of [plus]
    int criticalNumOfPixels = 10;         // millions
    int mapImagesOverlap = 10;            // percent
    bool pixelFormat8Bit = false;
    bool saveCalibration = true;
    uint8_t calibFormat = 1;    // 1 to 7; 0 none
    std::string tileSource;     // the map view's MBTiles file or tile folder
    int captureSettleMs = 100;  // the key "settleTime": pause after a view is drawn

    bool operator==(const Settings&) const = default;
};

inline constexpr uint32_t kDefaultDisaccordColor = 0x00FE50FE;

// Reads every key, "application" first, then "files", "tavix", "gridpattern" and "plus". A
// missing key, a non-number or a number outside the key's range gives the key's default, except
// that viewArea outside 0..2 gives 1 and calibFormat outside 0..7 gives 0.
void ReadSettings(const IniFile& ini, Settings& settings);
// Writes every key in the order and to the section it is read from.
void WriteSettings(const Settings& settings, IniFile& ini);

// The language byte the translation takes: 1 German, 0 English (also for unknown values).
uint8_t EffectiveLanguage(const Settings& settings);
// The pixel format of result maps.
PixelFormat ResultPixelFormat(uint8_t tavixedMapPixelIx);
PixelFormat ResultPixelFormat(const Settings& settings);

// A colour as the settings file writes it: a colour name ("clRed") for the named colours,
// otherwise "$" and eight upper-case hexadecimal digits 00 BB GG RR ("$00FE50FE").
std::string ColorToText(uint32_t color);
// Reads "$" with up to eight hexadecimal digits, a colour name (any case) or a decimal number;
// nothing for other text and for values beyond 24 bits.
std::optional<uint32_t> TextToColor(std::string_view text);

}  // namespace korvalen
