// "rotate" and "cut": turning and cutting one map from the command line, with the engine's
// own routines, so that the result equals what the adjust form makes.
#include "cli/CliAdjust.h"

#include <cmath>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>

#include "cli/CliArgs.h"
#include "core/ProgramState.h"
#include "images/MapAdjust.h"
#include "images/MapFiles.h"
#include "images/RotateBitmap.h"

namespace korvalen::cli {
namespace {

constexpr Rgb kCyan{0, 255, 255};
constexpr int kQuality = 85;

struct Call {
    std::string in, out, value;
};

// IN OUT and the one required "--name VALUE".
bool ParseCall(Args args, std::string_view option, Call& call, std::string& error) {
    const std::string_view options[] = {option};
    ParsedArgs parsed;
    if (!SplitArgs(args, options, {}, parsed, error))
        return false;
    if (parsed.positional.size() != 2) {
        error = "expected IN and OUT";
        return false;
    }
    if (parsed.options.empty()) {
        error = std::string(option) + " is required";
        return false;
    }
    call.in = parsed.positional[0];
    call.out = parsed.positional[1];
    call.value = parsed.options.back().second;
    return true;
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
    if (!IsOutputMapName(call.out))
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
    if (!WriteMapFile(call.out, turned, kQuality, error)) {
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
    if (!IsOutputMapName(call.out))
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
    if (!WriteMapFile(call.out, map, kQuality, error)) {
        err << "korvalen-cli cut: " << error << "\n";
        return kFailed;
    }
    out << map.Width() << " x " << map.Height() << "\n";
    return kOk;
}

}  // namespace korvalen::cli
