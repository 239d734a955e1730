#include "core/Settings.h"

#include <array>
#include <cstdio>
#include <limits>

#include "core/IniFile.h"
#include "images/FileAccess.h"

namespace korvalen {

namespace {

constexpr int kIntMin = std::numeric_limits<int>::min();
constexpr int kIntMax = std::numeric_limits<int>::max();

// Accepted values of a number key; a value outside gives `outside`, or the default without it.
struct Limits {
    int lo;
    int hi;
    std::optional<int> outside;
};

constexpr Limits AnyNumber() {
    return Limits{kIntMin, kIntMax, std::nullopt};
}
constexpr Limits Range(int lo, int hi) {
    return Limits{lo, hi, std::nullopt};
}
constexpr Limits RangeElse(int lo, int hi, int outside) {
    return Limits{lo, hi, outside};
}

// Every key in file order, for reading and writing alike, so that the two cannot drift apart.
// The defaults are the member initialisers of Settings.
template <class Visitor>
void VisitKeys(Visitor& v) {
    v.Section("application");
    v.Bool("maximized", &Settings::maximized);
    v.Int("left", &Settings::left, AnyNumber());
    v.Int("top", &Settings::top, AnyNumber());
    v.Int("width", &Settings::width, AnyNumber());
    v.Int("height", &Settings::height, AnyNumber());
    v.Int("language", &Settings::language, AnyNumber());

    v.Section("files");
    v.String("singleMapsDirectory", &Settings::singleMapsDirectory);
    v.String("tavixedMapsDirectory", &Settings::tavixedMapsDirectory);
    v.String("PlacemarksDirectory", &Settings::PlacemarksDirectory);

    v.Section("tavix");
    v.Byte("continueSearch", &Settings::continueSearch, Range(0, 2));
    v.Bool("immediateStart", &Settings::immediateStart);
    v.Bool("pauseAfter", &Settings::pauseAfter);
    v.Bool("showSingleMaps", &Settings::showSingleMaps);
    v.Bool("singleMaps8bit", &Settings::singleMaps8bit);
    v.Byte("tavixedMapPixelIx", &Settings::tavixedMapPixelIx, Range(0, 255));
    v.Bool("confirmTavix", &Settings::confirmTavix);
    v.Bool("tavixAfterJoin", &Settings::tavixAfterJoin);
    v.Bool("previewFirst", &Settings::previewFirst);
    v.Bool("computeTotal", &Settings::computeTotal);
    v.Int("minimumCorrelation", &Settings::minimumCorrelation, Range(20, 100));
    v.Byte("spreadingTolerance", &Settings::spreadingTolerance, Range(0, 32));
    v.Byte("overlap", &Settings::overlap, Range(1, 10));
    v.Int("SearchBandAcross", &Settings::SearchBandAcross, Range(10, 250));
    v.Int("SearchBandAlong", &Settings::SearchBandAlong, Range(10, 250));
    v.Int("horizontalOverlap", &Settings::horizontalOverlap, Range(10, 10000));
    v.Int("verticalOverlap", &Settings::verticalOverlap, Range(10, 10000));
    v.Int("proximity", &Settings::proximity, Range(0, 16));
    v.Int("defaultRows", &Settings::defaultRows, Range(1, 99));
    v.Int("defaultCols", &Settings::defaultCols, Range(1, 99));
    v.Int("preferredAlgorithm", &Settings::preferredAlgorithm, Range(1, 5));
    v.Int("preferredMapfilesSequence", &Settings::preferredMapfilesSequence, Range(1, 2));
    v.Int("preferredOrderOfMapfiles", &Settings::preferredOrderOfMapfiles, Range(1, 5));
    v.Byte("compressionQuality", &Settings::compressionQuality, Range(1, 100));
    v.Color("disaccordColor", &Settings::disaccordColor);
    v.Bool("estimateOverlap", &Settings::estimateOverlap);
    v.Bool("bandOnDetail", &Settings::bandOnDetail);
    v.Byte("comparison", &Settings::comparison, Range(0, 1));

    v.Section("gridpattern");
    v.Bool("IsMetric", &Settings::IsMetric);
    v.Int("Overlap", &Settings::Overlap, Range(10, 25));

    v.Section("plus");
    v.Bool("autoStart", &Settings::autoStart);
    v.Byte("viewArea", &Settings::viewArea, RangeElse(0, 2, 1));
    v.String("mapImagesDirectory", &Settings::mapImagesDirectory);
    v.Bool("saveMapImage", &Settings::saveMapImage);
    v.Byte("compressionQuality", &Settings::plusCompressionQuality, Range(1, 100));
    v.Int("criticalNumOfPixels", &Settings::criticalNumOfPixels, Range(1, 999));
    // Any percentage up to 50 works for the capture; the dialog's steps of 5 are a convenience.
    v.Int("mapImagesOverlap", &Settings::mapImagesOverlap, Range(0, 50));
    v.Bool("pixelFormat8Bit", &Settings::pixelFormat8Bit);
    v.Bool("saveCalibration", &Settings::saveCalibration);
    v.Byte("calibFormat", &Settings::calibFormat, RangeElse(0, 7, 0));
    v.String("tileSource", &Settings::tileSource);
    v.Int("settleTime", &Settings::captureSettleMs, Range(0, 5000));
}

class KeyReader {
public:
    KeyReader(const IniFile& ini, Settings& settings) : ini_(ini), settings_(settings) {}

    void Section(std::string_view name) { section_ = name; }
    void Bool(std::string_view key, bool Settings::*member) {
        settings_.*member = ini_.ReadBool(section_, key, defaults_.*member);
    }
    void Int(std::string_view key, int Settings::*member, const Limits& limits) {
        settings_.*member = Ranged(key, defaults_.*member, limits);
    }
    // Byte ranges lie within 0..255, so a larger number in the file is outside the range too.
    void Byte(std::string_view key, uint8_t Settings::*member, const Limits& limits) {
        settings_.*member = static_cast<uint8_t>(Ranged(key, defaults_.*member, limits));
    }
    void String(std::string_view key, std::string Settings::*member) {
        settings_.*member = ini_.ReadString(section_, key, defaults_.*member);
    }
    void Color(std::string_view key, uint32_t Settings::*member) {
        const std::string text = ini_.ReadString(section_, key);
        settings_.*member = TextToColor(text).value_or(defaults_.*member);
    }

private:
    int Ranged(std::string_view key, int fallback, const Limits& limits) const {
        const int value = ini_.ReadInteger(section_, key, fallback);
        if (value >= limits.lo && value <= limits.hi)
            return value;
        return limits.outside.value_or(fallback);
    }

    const IniFile& ini_;
    Settings& settings_;
    const Settings defaults_;
    std::string_view section_;
};

class KeyWriter {
public:
    KeyWriter(const Settings& settings, IniFile& ini) : settings_(settings), ini_(ini) {}

    void Section(std::string_view name) { section_ = name; }
    void Bool(std::string_view key, bool Settings::*member) {
        ini_.WriteBool(section_, key, settings_.*member);
    }
    void Int(std::string_view key, int Settings::*member, const Limits&) {
        ini_.WriteInteger(section_, key, settings_.*member);
    }
    void Byte(std::string_view key, uint8_t Settings::*member, const Limits&) {
        ini_.WriteInteger(section_, key, settings_.*member);
    }
    void String(std::string_view key, std::string Settings::*member) {
        ini_.WriteString(section_, key, settings_.*member);
    }
    void Color(std::string_view key, uint32_t Settings::*member) {
        ini_.WriteString(section_, key, ColorToText(settings_.*member));
    }

private:
    const Settings& settings_;
    IniFile& ini_;
    std::string_view section_;
};

struct NamedColor {
    std::string_view name;
    uint32_t value;
};

constexpr std::array<NamedColor, 16> kNamedColors{{
    {"clBlack", 0x000000},
    {"clMaroon", 0x000080},
    {"clGreen", 0x008000},
    {"clOlive", 0x008080},
    {"clNavy", 0x800000},
    {"clPurple", 0x800080},
    {"clTeal", 0x808000},
    {"clGray", 0x808080},
    {"clSilver", 0xC0C0C0},
    {"clRed", 0x0000FF},
    {"clLime", 0x00FF00},
    {"clYellow", 0x00FFFF},
    {"clBlue", 0xFF0000},
    {"clFuchsia", 0xFF00FF},
    {"clAqua", 0xFFFF00},
    {"clWhite", 0xFFFFFF},
}};

constexpr uint32_t kMaxColor = 0x00FFFFFF;

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

}  // namespace

void ReadSettings(const IniFile& ini, Settings& settings) {
    KeyReader reader(ini, settings);
    VisitKeys(reader);
    settings.LanguageUnset = !ini.HasKey("application", "language");
    // A file written before the brightness comparison existed keeps the palette-index
    // comparison its spreading tolerance was chosen for.
    if (ini.HasKey("tavix", "spreadingTolerance") && !ini.HasKey("tavix", "comparison"))
        settings.comparison = 0;
}

void WriteSettings(const Settings& settings, IniFile& ini) {
    KeyWriter writer(settings, ini);
    VisitKeys(writer);
}

uint8_t EffectiveLanguage(const Settings& settings) {
    return settings.language == 1 ? 1 : 0;
}

PixelFormat ResultPixelFormat(uint8_t tavixedMapPixelIx) {
    switch (tavixedMapPixelIx) {
        case 0:
            return PixelFormat::Bits24;
        case 2:
            return PixelFormat::Bits4;
        default:
            return PixelFormat::Bits8;
    }
}

PixelFormat ResultPixelFormat(const Settings& settings) {
    return ResultPixelFormat(settings.tavixedMapPixelIx);
}

std::string ColorToText(uint32_t color) {
    for (const NamedColor& named : kNamedColors)
        if (named.value == color)
            return std::string(named.name);
    char text[16];
    std::snprintf(text, sizeof text, "$%08X", static_cast<unsigned>(color));
    return text;
}

std::optional<uint32_t> TextToColor(std::string_view text) {
    const std::string lower = AsciiLower(std::string(text));
    for (const NamedColor& named : kNamedColors)
        if (lower == AsciiLower(std::string(named.name)))
            return named.value;
    // A set top byte would be a system colour or palette index on Windows, not a plain colour.
    uint64_t value = 0;
    if (text.starts_with('$')) {
        text.remove_prefix(1);
        if (text.empty() || text.size() > 8)
            return std::nullopt;
        for (char c : text) {
            const int digit = HexDigitValue(c);
            if (digit < 0)
                return std::nullopt;
            value = value * 16 + static_cast<uint64_t>(digit);
        }
    } else {
        if (text.empty())
            return std::nullopt;
        for (char c : text) {
            if (c < '0' || c > '9')
                return std::nullopt;
            value = value * 10 + static_cast<uint64_t>(c - '0');
            if (value > kMaxColor)
                return std::nullopt;
        }
    }
    if (value > kMaxColor)
        return std::nullopt;
    return static_cast<uint32_t>(value);
}

}  // namespace korvalen
