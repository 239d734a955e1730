// Arbitrary bytes as a settings file: reading must never fail, and what is written back must
// read back as the same settings.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/IniFile.h"
#include "core/Settings.h"

using korvalen::IniFile;
using korvalen::Settings;

namespace {

void Check(bool condition) {
    if (!condition)
        __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > IniFile::kMaxFileBytes)
        return 0;
    IniFile ini;
    ini.Parse(std::string_view(reinterpret_cast<const char*>(data), size));
    Settings first;
    ReadSettings(ini, first);

    // Unchanged content serialises to a fixed point.
    const std::string plain = ini.ToText();
    IniFile plainAgain;
    plainAgain.Parse(plain);
    Check(plainAgain.ToText() == plain);
    Settings fromPlain;
    ReadSettings(plainAgain, fromPlain);
    Check(fromPlain == first);

    // Writing the settings into the file as it is, as the program does at close.
    WriteSettings(first, ini);
    const std::string written = ini.ToText();
    IniFile reread;
    reread.Parse(written);
    Settings second;
    ReadSettings(reread, second);
    Check(!second.LanguageUnset);
    second.LanguageUnset = first.LanguageUnset;
    Check(second == first);

    // A second close with the same values changes nothing.
    WriteSettings(second, reread);
    Check(reread.ToText() == written);

    // Without its section every key of it falls back to the default.
    if (reread.EraseSection("tavix") && !reread.HasSection("tavix")) {
        Settings withoutTavix;
        ReadSettings(reread, withoutTavix);
        Check(withoutTavix.minimumCorrelation == Settings{}.minimumCorrelation);
        Check(withoutTavix.disaccordColor == korvalen::kDefaultDisaccordColor);
    }
    return 0;
}
