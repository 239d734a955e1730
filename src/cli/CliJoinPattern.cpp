// korvalen-cli join --pattern: the numbered screenshots of a grid pattern joined with the
// pattern's predictions, and calibrated from its corner placemarks.
#include <filesystem>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "cli/CliArgs.h"
#include "core/Settings.h"
#include "geo/CalibPointsText.h"
#include "geo/CalibrationWriter.h"
#include "geo/PatternCorners.h"
#include "images/FileAccess.h"
#include "images/GridPattern.h"
#include "images/GridPatternImages.h"
#include "images/MapMatrix.h"
#include "joining/ComposeResult.h"
#include "joining/UnattendedJoin.h"

namespace korvalen::cli {
namespace {

namespace fs = std::filesystem;

constexpr const char* kUsage =
    "usage: korvalen-cli join FOLDER --pattern FILE.pgp --out RESULT\n"
    "       [--calibrate map|cal|geo|gmw|jpr|world|tab] [--bits 24|8|4] [--quality 1..100]\n";

struct PatternJoinOptions {
    std::string folder;
    std::string pattern;
    std::string out;
    int calibrate = 0;  // a calibration format, 0 for none
    PixelFormat bits = PixelFormat::Bits8;
    std::optional<int> quality;
};

bool ParseOptions(Args args, PatternJoinOptions& o, std::string& error) {
    static constexpr std::string_view kOptions[] = {"--pattern", "--out", "--calibrate", "--bits",
                                                    "--quality"};
    ParsedArgs parsed;
    if (!SplitArgs(args, kOptions, {}, parsed, error)) {
        // The grid pattern decides rows, columns and overlaps: say so rather than "unknown".
        if (error.rfind("unknown option ", 0) == 0)
            error = "with --pattern the option " + error.substr(15) + " is not used";
        return false;
    }
    if (parsed.positional.size() > 1) {
        error = "expected one FOLDER";
        return false;
    }
    for (const auto& [name, value] : parsed.options) {
        bool ok = true;
        int number = 0;
        if (name == "--pattern") {
            o.pattern = value;
        } else if (name == "--out") {
            o.out = value;
        } else if (name == "--calibrate") {
            ok = ReadCalibrationFormat(name, value, o.calibrate, error);
        } else if (name == "--bits") {
            ok = ReadChoice(
                name, value,
                {{"24", PixelFormat::Bits24}, {"8", PixelFormat::Bits8}, {"4", PixelFormat::Bits4}},
                o.bits, error);
        } else {
            ok = ReadRange(name, value, 1, 100, number, error);
            o.quality = number;
        }
        if (!ok)
            return false;
    }
    if (parsed.positional.empty() || o.pattern.empty() || o.out.empty()) {
        error = "FOLDER, --pattern and --out are required";
        return false;
    }
    o.folder = parsed.positional[0];
    return true;
}

}  // namespace

int RunPatternJoin(std::span<const std::string> args, std::ostream& out, std::ostream& err) {
    PatternJoinOptions o;
    std::string error;
    if (!ParseOptions(args, o, error)) {
        err << "korvalen-cli join: " << error << "\n" << kUsage;
        return kBadUsage;
    }
    if (!IsOutputMapName(o.out)) {
        err << "korvalen-cli join: cannot tell the format of " << o.out
            << ": its extension must be .jpg, .jpeg or .bmp\n";
        return kBadUsage;
    }
    if (o.quality && IsBmpName(o.out)) {
        err << "korvalen-cli join: --quality applies to JPEG output only\n";
        return kBadUsage;
    }

    const PatternReading reading = ReadGridPattern(o.pattern);
    switch (reading.Status) {
        case PatternStatus::Ok:
            break;
        case PatternStatus::Unreadable:
            err << "korvalen-cli join: " << reading.Error << "\n";
            return kFailed;
        case PatternStatus::NotAPattern: {
            std::string text = Plain(kNotAPatternMessage);
            text.replace(text.find("%s"), 2, DisplayPath(o.pattern));
            err << "korvalen-cli join: " << text << "\n";
            return kFailed;
        }
        case PatternStatus::BadParameter:
            err << "korvalen-cli join: " << Plain(kBadPatternMessage) << "\n";
            return kFailed;
    }
    const GridPattern& pattern = reading.Pattern;
    if (o.calibrate != 0 && !reading.CornersComplete) {
        err << "korvalen-cli join: " << DisplayPath(o.pattern)
            << " holds no complete calibration corners\n";
        return kFailed;
    }

    PatternImageFiles files;
    if (!FindPatternImages(o.folder, pattern.NumRows, pattern.NumCols, files, error)) {
        err << "korvalen-cli join: " << error << "\n";
        return kFailed;
    }
    if (files.Missing) {
        err << "korvalen-cli join: " << DisplayPath(*files.Missing) << " is missing\n";
        return kFailed;
    }
    const Settings settings;
    MapMatrix matrix;
    if (!LoadPatternMatrix(matrix, pattern.NumRows, pattern.NumCols, files, settings.singleMaps8bit,
                           error)) {
        err << "korvalen-cli join: " << error << "\n";
        return kFailed;
    }

    GridJoinValues grid;
    grid.GridOverlapFactor = static_cast<float>(pattern.Overlapping) / 100.0f;
    grid.GridOverlapExtra = 25;
    grid.GridBandBase = 25;
    const UnattendedJoinReport report = JoinPatternUnattended(matrix, settings, grid);
    if (!report.complete) {
        err << "korvalen-cli join: the image of row " << report.failedRow << ", column "
            << report.failedCol << " could not be joined"
            << (report.failure.empty() ? std::string() : ": " + report.failure) << "\n";
        return kFailed;
    }
    Bitmap result;
    if (!ComposeResultMap(matrix, o.bits, result, error) ||
        !WriteMapFile(o.out, result, o.quality.value_or(70), error)) {
        err << "korvalen-cli join: " << error << "\n";
        return kFailed;
    }
    for (const tSingleMap& cell : matrix)
        out << cell.Row << ' ' << cell.Col << ' ' << cell.Name << ' ' << cell.X << ' ' << cell.Y
            << ' ' << int{cell.Correlation} << '\n';

    if (o.calibrate != 0) {
        std::vector<CalibPointInput> inputs;
        CalibrationState calibration;
        fs::path written;
        // Some calibration files name the image by its full path.
        std::error_code ec;
        fs::path image = fs::absolute(fs::path(o.out), ec);
        if (ec)
            image = o.out;
        if (!PatternCalibInputs(matrix, pattern, inputs, error) ||
            !BuildCalibPoints(inputs, result.Width(), result.Height(), calibration.Points, error) ||
            !WriteCalibrationFile(result, image, o.calibrate, calibration, written, error)) {
            err << "korvalen-cli join: " << error << "\n";
            return kFailed;
        }
        for (const CalibPointInput& input : inputs)
            out << 'P' << input.Index << ' ' << input.Pixel->X << ' ' << input.Pixel->Y << '\n';
        out << DisplayPath(written) << '\n';
    }
    return kOk;
}

}  // namespace korvalen::cli
