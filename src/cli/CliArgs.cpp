#include "cli/CliArgs.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "geo/CalibrationWriter.h"
#include "images/BmpCodec.h"
#include "images/FileAccess.h"
#include "images/JpegCodec.h"

namespace korvalen::cli {

bool SplitArgs(Args args, std::span<const std::string_view> valueOptions,
               std::span<const std::string_view> flagOptions, ParsedArgs& parsed,
               std::string& error) {
    const auto named = [](std::span<const std::string_view> names, std::string_view name) {
        return std::find(names.begin(), names.end(), name) != names.end();
    };
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            parsed.positional.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (named(flagOptions, arg)) {
            parsed.flags.push_back(arg);
            continue;
        }
        const size_t equals = arg.find('=');
        const std::string name = arg.substr(0, equals);
        if (!named(valueOptions, name)) {
            error = "unknown option " + name;
            return false;
        }
        if (equals != std::string::npos) {
            parsed.options.emplace_back(name, arg.substr(equals + 1));
        } else if (i + 1 < args.size()) {
            parsed.options.emplace_back(name, args[++i]);
        } else {
            error = "option " + name + " needs a value";
            return false;
        }
    }
    return true;
}

std::optional<int> ParseInt(std::string_view text) {
    int value = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end)
        return std::nullopt;
    return value;
}

std::optional<double> ParseNumber(std::string_view text) {
    double value = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<std::vector<int>> ParseInts(std::string_view text, size_t count) {
    std::vector<int> values;
    size_t start = 0;
    while (start <= text.size()) {
        const size_t comma = std::min(text.find(',', start), text.size());
        const std::optional<int> value = ParseInt(text.substr(start, comma - start));
        if (!value)
            return std::nullopt;
        values.push_back(*value);
        start = comma + 1;
    }
    if (values.size() != count)
        return std::nullopt;
    return values;
}

bool ReadRange(const std::string& name, const std::string& value, int low, int high, int& target,
               std::string& error) {
    const std::optional<int> number = ParseInt(value);
    if (!number || *number < low || *number > high) {
        error = name + " must be " + std::to_string(low) + " to " + std::to_string(high) +
                ", not \"" + value + "\"";
        return false;
    }
    target = *number;
    return true;
}

bool ReadCalibrationFormat(const std::string& name, const std::string& value, int& format,
                           std::string& error) {
    return ReadChoice(name, value,
                      {{"map", kOziExplorer},
                       {"cal", kTouratechQv},
                       {"geo", kGpsTracker},
                       {"gmw", kGlobalMapper},
                       {"jpr", kFugawi},
                       {"world", kWorldFile},
                       {"jgw", kWorldFile},
                       {"bpw", kWorldFile},
                       {"tab", kMapInfo}},
                      format, error);
}

std::string Plain(std::string text) {
    for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n"))
        text.replace(at, 2, "; ");
    std::replace(text.begin(), text.end(), '_', ' ');
    return text;
}

bool IsOutputMapName(const std::string& path) {
    const std::string extension = AsciiLower(ExtensionAtFirstStop(path));
    return extension == "jpg" || extension == "jpeg" || extension == "bmp";
}

bool IsBmpName(const std::string& path) {
    return AsciiLower(ExtensionAtFirstStop(path)) == "bmp";
}

bool WriteMapFile(const std::string& path, const Bitmap& map, int quality, std::string& error) {
    if (!IsOutputMapName(path)) {
        error = "cannot tell the format of " + path + ": its extension must be .jpg, .jpeg or .bmp";
        return false;
    }
    if (IsBmpName(path)) {
        if (BmpFileSize(map.Width(), map.Height(), map.Format()) > kMaxBmpFileSize) {
            error = path + ": the image is too large for a BMP file (4 GiB at most)";
            return false;
        }
        return WriteBmpFile(path, map, error);
    }
    if (map.Width() > kJpegMaxSide || map.Height() > kJpegMaxSide) {
        error = path + ": a JPEG file holds at most " + std::to_string(kJpegMaxSide) +
                " pixels per side";
        return false;
    }
    return WriteJpegFile(path, map, quality, error);
}

}  // namespace korvalen::cli
