// korvalen-cli join --pattern: the numbered screenshots of a grid pattern joined with the
// pattern's predictions, and calibrated from its corner placemarks.
#include <charconv>
#include <cmath>
#include <filesystem>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "core/Settings.h"
#include "geo/CalibPointsText.h"
#include "geo/CalibrationWriter.h"
#include "geo/PatternCorners.h"
#include "images/BmpCodec.h"
#include "images/FileAccess.h"
#include "images/GridPattern.h"
#include "images/GridPatternImages.h"
#include "images/JpegCodec.h"
#include "images/MapMatrix.h"
#include "joining/ComposeResult.h"
#include "joining/UnattendedJoin.h"

namespace korvalen::cli {
namespace {

namespace fs = std::filesystem;

constexpr int kOk = 0;
constexpr int kFailed = 1;
constexpr int kBadUsage = 2;
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

template <typename T>
bool Choose(const std::string& name, const std::string& value,
            std::initializer_list<std::pair<std::string_view, T>> choices, T& target,
            std::string& error) {
    for (const auto& [text, choice] : choices) {
        if (value == text) {
            target = choice;
            return true;
        }
    }
    error = name + " cannot be \"" + value + "\"";
    return false;
}

bool ParseOptions(std::span<const std::string> args, PatternJoinOptions& o, std::string& error) {
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            if (!o.folder.empty()) {
                error = "expected one FOLDER";
                return false;
            }
            o.folder = arg;
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        const size_t equals = arg.find('=');
        const std::string name = arg.substr(0, equals);
        std::string value;
        if (equals != std::string::npos) {
            value = arg.substr(equals + 1);
        } else if (i + 1 < args.size()) {
            value = args[++i];
        } else {
            error = "option " + name + " needs a value";
            return false;
        }
        bool ok = true;
        if (name == "--pattern") {
            o.pattern = value;
        } else if (name == "--out") {
            o.out = value;
        } else if (name == "--calibrate") {
            ok = Choose<int>(name, value,
                             {{"map", kOziExplorer},
                              {"cal", kTouratechQv},
                              {"geo", kGpsTracker},
                              {"gmw", kGlobalMapper},
                              {"jpr", kFugawi},
                              {"world", kWorldFile},
                              {"tab", kMapInfo}},
                             o.calibrate, error);
        } else if (name == "--bits") {
            ok = Choose<PixelFormat>(
                name, value,
                {{"24", PixelFormat::Bits24}, {"8", PixelFormat::Bits8}, {"4", PixelFormat::Bits4}},
                o.bits, error);
        } else if (name == "--quality") {
            int number = 0;
            const char* end = value.data() + value.size();
            auto [ptr, ec] = std::from_chars(value.data(), end, number);
            ok = !value.empty() && ec == std::errc() && ptr == end && number >= 1 && number <= 100;
            if (!ok)
                error = "--quality must be 1 to 100, not \"" + value + "\"";
            o.quality = number;
        } else {
            error = "with --pattern the option " + name + " is not used";
            ok = false;
        }
        if (!ok)
            return false;
    }
    if (o.folder.empty() || o.pattern.empty() || o.out.empty()) {
        error = "FOLDER, --pattern and --out are required";
        return false;
    }
    return true;
}

std::string Plain(std::string text) {
    for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n"))
        text.replace(at, 2, "; ");
    for (char& c : text)
        if (c == '_')
            c = ' ';
    return text;
}

bool WriteResult(const std::string& path, const Bitmap& bitmap, int quality, std::string& error) {
    const std::string extension = AsciiLower(ExtensionAtFirstStop(path));
    if (extension == "bmp") {
        if (BmpFileSize(bitmap.Width(), bitmap.Height(), bitmap.Format()) > kMaxBmpFileSize) {
            error = path + ": the image is too large for a BMP file (4 GiB at most)";
            return false;
        }
        return WriteBmpFile(path, bitmap, error);
    }
    if (bitmap.Width() > kJpegMaxSide || bitmap.Height() > kJpegMaxSide) {
        error = path + ": the image is too large for a JPEG file";
        return false;
    }
    return WriteJpegFile(path, bitmap, quality, error);
}

}  // namespace

int RunPatternJoin(std::span<const std::string> args, std::ostream& out, std::ostream& err) {
    PatternJoinOptions o;
    std::string error;
    if (!ParseOptions(args, o, error)) {
        err << "korvalen-cli join: " << error << "\n" << kUsage;
        return kBadUsage;
    }
    const std::string extension = AsciiLower(ExtensionAtFirstStop(o.out));
    if (extension != "jpg" && extension != "jpeg" && extension != "bmp") {
        err << "korvalen-cli join: cannot tell the format of " << o.out
            << ": its extension must be .jpg, .jpeg or .bmp\n";
        return kBadUsage;
    }
    if (o.quality && extension == "bmp") {
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
        !WriteResult(o.out, result, o.quality.value_or(70), error)) {
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
