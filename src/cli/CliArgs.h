#pragma once

// What every korvalen-cli command shares: its exit codes, splitting the command line into
// positional arguments and options, reading numbers and choices, and writing a map file.
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "images/Bitmap.h"

namespace korvalen::cli {

inline constexpr int kOk = 0;
inline constexpr int kFailed = 1;    // the work itself failed (a file, or a join)
inline constexpr int kBadUsage = 2;  // the command line was wrong

using Args = std::span<const std::string>;

struct ParsedArgs {
    std::vector<std::string> positional;
    std::vector<std::pair<std::string, std::string>> options;  // in the order given
    std::vector<std::string> flags;                            // options without a value
};

// Splits arguments into positional ones, "--name value" (or "--name=value") options named in
// valueOptions and bare flags named in flagOptions; "--" ends the options so that file names
// may start with a dash.
bool SplitArgs(Args args, std::span<const std::string_view> valueOptions,
               std::span<const std::string_view> flagOptions, ParsedArgs& parsed,
               std::string& error);

std::optional<int> ParseInt(std::string_view text);
std::optional<double> ParseNumber(std::string_view text);  // finite numbers only
// "1,2,3,4" with exactly count whole numbers.
std::optional<std::vector<int>> ParseInts(std::string_view text, size_t count);

// Reads an option's value into target when it is a whole number within [low, high].
bool ReadRange(const std::string& name, const std::string& value, int low, int high, int& target,
               std::string& error);

// Reads an option's value into target when it is one of the choices.
template <typename T>
bool ReadChoice(const std::string& name, const std::string& value,
                std::initializer_list<std::pair<std::string_view, std::type_identity_t<T>>> choices,
                T& target, std::string& error) {
    std::string names;
    size_t index = 0;
    for (const auto& [text, choice] : choices) {
        if (value == text) {
            target = choice;
            return true;
        }
        if (index > 0)
            names += index + 1 == choices.size() ? " or " : ", ";
        names += text;
        ++index;
    }
    error = name + " must be " + names + ", not \"" + value + "\"";
    return false;
}

// map, cal, geo, gmw, jpr, world (also jgw, bpw) or tab, as the calibration writers number them.
bool ReadCalibrationFormat(const std::string& name, const std::string& value, int& format,
                           std::string& error);

// A message of the program's windows as one line of text: blanks for underscores, "; " for
// line breaks.
std::string Plain(std::string text);

// True when the path ends in .jpg, .jpeg or .bmp, the formats a map is written in.
bool IsOutputMapName(const std::string& path);
bool IsBmpName(const std::string& path);
// Writes the map as its extension says (JPEG at quality, or BMP); false with the reason when the
// extension is neither or the map is too large for the format.
bool WriteMapFile(const std::string& path, const Bitmap& map, int quality, std::string& error);

}  // namespace korvalen::cli
