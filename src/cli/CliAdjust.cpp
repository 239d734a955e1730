// "rotate" and "cut": turning and cutting one map from the command line, with the engine's
// own routines, so that the result equals what the adjust form makes.
#include "cli/CliAdjust.h"

#include <charconv>
#include <cmath>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/ProgramState.h"
#include "images/BmpCodec.h"
#include "images/FileAccess.h"
#include "images/JpegCodec.h"
#include "images/MapAdjust.h"
#include "images/MapFiles.h"
#include "images/RotateBitmap.h"

namespace korvalen::cli {
namespace {

constexpr int kOk = 0;
constexpr int kFailed = 1;
constexpr int kBadUsage = 2;
constexpr Rgb kCyan{0, 255, 255};
constexpr int kQuality = 85;

struct Call {
    std::string in, out, value;
};

// IN OUT and one "--name VALUE" (or "--name=VALUE"); "--" ends the options.
bool ParseCall(std::span<const std::string> args, std::string_view option, Call& call,
               std::string& error) {
    std::vector<std::string> positional;
    bool optionsEnded = false, haveValue = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            positional.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == option && i + 1 < args.size()) {
            call.value = args[++i];
            haveValue = true;
        } else if (arg.rfind(std::string(option) + "=", 0) == 0) {
            call.value = arg.substr(option.size() + 1);
            haveValue = true;
        } else {
            error = "unknown option or missing value: " + arg;
            return false;
        }
    }
    if (positional.size() != 2) {
        error = "expected IN and OUT";
        return false;
    }
    if (!haveValue) {
        error = std::string(option) + " is required";
        return false;
    }
    call.in = positional[0];
    call.out = positional[1];
    return true;
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
        const std::string_view part = text.substr(start, comma - start);
        int value = 0;
        auto [ptr, ec] = std::from_chars(part.data(), part.data() + part.size(), value);
        if (part.empty() || ec != std::errc() || ptr != part.data() + part.size())
            return std::nullopt;
        values.push_back(value);
        start = comma + 1;
    }
    if (values.size() != count)
        return std::nullopt;
    return values;
}

// Writes the map as its OUT extension says; false with the reason otherwise.
bool WriteMap(const std::string& path, const Bitmap& map, std::string& error) {
    const std::string extension = AsciiLower(ExtensionAtFirstStop(path));
    if (extension == "jpg" || extension == "jpeg")
        return WriteJpegFile(path, map, kQuality, error);
    if (extension == "bmp") {
        if (BmpFileSize(map.Width(), map.Height(), map.Format()) > kMaxBmpFileSize) {
            error = path + ": the image is too large for a BMP file (4 GiB at most)";
            return false;
        }
        return WriteBmpFile(path, map, error);
    }
    error = "cannot tell the format of " + path + ": its extension must be .jpg, .jpeg or .bmp";
    return false;
}

bool OutputNamed(const std::string& path) {
    const std::string extension = AsciiLower(ExtensionAtFirstStop(path));
    return extension == "jpg" || extension == "jpeg" || extension == "bmp";
}

}  // namespace

int RunRotate(std::span<const std::string> args, std::ostream& out, std::ostream& err) {
    Call call;
    std::string error;
    const auto usage = [&](const std::string& message) {
        err << "korvalen-cli rotate: " << message
            << "\nusage: korvalen-cli rotate IN OUT --angle DEG\n";
        return kBadUsage;
    };
    if (!ParseCall(args, "--angle", call, error))
        return usage(error);
    const std::optional<double> angle = ParseNumber(call.value);
    if (!angle || std::fabs(*angle) > 360)
        return usage("--angle must be a number of degrees from -360 to 360, not \"" + call.value +
                     "\"");
    if (!OutputNamed(call.out))
        return usage("OUT must end in .jpg, .jpeg or .bmp");
    Bitmap map;
    if (!LoadMapFile(call.in, map, false, error)) {
        err << "korvalen-cli rotate: " << error << "\n";
        return kFailed;
    }
    Bitmap turned;
    try {
        // Positive turns clockwise, as the adjust form's "Right".
        turned = RotateBitmap(map, kCyan, -*angle);
    } catch (const std::exception& e) {
        err << "korvalen-cli rotate: " << call.in << ": cannot turn the map: " << e.what() << "\n";
        return kFailed;
    }
    if (!WriteMap(call.out, turned, error)) {
        err << "korvalen-cli rotate: " << error << "\n";
        return kFailed;
    }
    out << turned.Width() << " x " << turned.Height() << "\n";
    return kOk;
}

int RunCut(std::span<const std::string> args, std::ostream& out, std::ostream& err) {
    Call call;
    std::string error;
    const auto usage = [&](const std::string& message) {
        err << "korvalen-cli cut: " << message
            << "\nusage: korvalen-cli cut IN OUT --rect LEFT,TOP,RIGHT,BOTTOM\n";
        return kBadUsage;
    };
    if (!ParseCall(args, "--rect", call, error))
        return usage(error);
    const std::optional<std::vector<int>> rect = ParseInts(call.value, 4);
    if (!rect)
        return usage("--rect must be four whole numbers LEFT,TOP,RIGHT,BOTTOM, not \"" +
                     call.value + "\"");
    if (!OutputNamed(call.out))
        return usage("OUT must end in .jpg, .jpeg or .bmp");
    Bitmap map;
    if (!LoadMapFile(call.in, map, false, error)) {
        err << "korvalen-cli cut: " << error << "\n";
        return kFailed;
    }
    const auto& r = *rect;
    ProgramState state;  // a file on its own: no reference points to carry along
    if (!CutBitmap(map, {r[0], r[1]}, {r[2], r[3]}, state)) {
        err << "korvalen-cli cut: the rectangle " << call.value << " (right and bottom included) "
            << "does not lie within the " << map.Width() << " x " << map.Height() << " map\n";
        return kFailed;
    }
    if (!WriteMap(call.out, map, error)) {
        err << "korvalen-cli cut: " << error << "\n";
        return kFailed;
    }
    out << map.Width() << " x " << map.Height() << "\n";
    return kOk;
}

}  // namespace korvalen::cli
