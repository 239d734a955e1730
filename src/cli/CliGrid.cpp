// korvalen-cli grid: the placemark grid of a root view, as the form writes it.
#include <charconv>
#include <filesystem>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>

#include "geo/FormatDistance.h"
#include "geo/KmlPlacemarks.h"
#include "geo/PlacemarkGrid.h"
#include "images/FileAccess.h"

namespace korvalen::cli {
namespace {

namespace fs = std::filesystem;

constexpr int kOk = 0;
constexpr int kFailed = 1;
constexpr int kBadUsage = 2;
constexpr const char* kUsage =
    "usage: korvalen-cli grid ROOT.kml --top N --bottom N --left N --right N --overlap P\n"
    "       [--no-calibration] [--out NAME]\n";

std::optional<int> WholeNumber(std::string_view text) {
    int value = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end)
        return std::nullopt;
    return value;
}

struct GridOptions {
    std::string root;
    std::string out;
    GridRequest request;
};

bool ParseGridOptions(std::span<const std::string> args, GridOptions& options, std::string& error) {
    struct Number {
        std::string_view name;
        int* target;
        int low, high;
        bool given = false;
    };
    Number numbers[] = {
        {"--top", &options.request.TopRows, 0, kMaxGrowth},
        {"--bottom", &options.request.BottomRows, 0, kMaxGrowth},
        {"--left", &options.request.LeftCols, 0, kMaxGrowth},
        {"--right", &options.request.RightCols, 0, kMaxGrowth},
        {"--overlap", &options.request.Overlapping, kMinOverlapping, kMaxOverlapping}};
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            if (!options.root.empty()) {
                error = "expected one ROOT.kml";
                return false;
            }
            options.root = arg;
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (arg == "--no-calibration") {
            options.request.CalibrationPlacemarks = false;
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
        if (name == "--out") {
            options.out = value;
            continue;
        }
        Number* number = nullptr;
        for (Number& n : numbers)
            if (n.name == name)
                number = &n;
        if (!number) {
            error = "unknown option " + name;
            return false;
        }
        const std::optional<int> parsed = WholeNumber(value);
        if (!parsed || *parsed < number->low || *parsed > number->high) {
            error = name + " must be " + std::to_string(number->low) + " to " +
                    std::to_string(number->high) + ", not \"" + value + "\"";
            return false;
        }
        *number->target = *parsed;
        number->given = true;
    }
    if (options.root.empty()) {
        error = "expected one ROOT.kml";
        return false;
    }
    for (const Number& n : numbers) {
        if (!n.given) {
            error = "--top, --bottom, --left, --right and --overlap are required";
            return false;
        }
    }
    return true;
}

// The texts of the form's messages, shown with blanks.
std::string Plain(std::string text) {
    for (char& c : text)
        if (c == '_')
            c = ' ';
    return text;
}

}  // namespace

int RunGrid(std::span<const std::string> args, std::ostream& out, std::ostream& err) {
    GridOptions options;
    std::string error;
    if (!ParseGridOptions(args, options, error)) {
        err << "korvalen-cli grid: " << error << "\n" << kUsage;
        return kBadUsage;
    }
    RootPlacemarkFile root;
    if (!LoadRootPlacemarkFile(options.root, root, error)) {
        err << "korvalen-cli grid: " << DisplayPath(options.root) << ": " << Plain(error) << "\n";
        return kFailed;
    }
    // The grid files go where --out names, or beside the root file.
    const fs::path rootPath = options.root;
    const GridFileNames names = GridFileNamesFor(
        rootPath.filename().string(),
        options.out.empty() ? rootPath.parent_path() : fs::path(options.out).parent_path());
    const fs::path kml = options.out.empty() ? names.ProposedKml : fs::path(options.out);
    std::error_code ec1, ec2;
    if (fs::weakly_canonical(kml, ec1) == fs::weakly_canonical(rootPath, ec2) && !ec1 && !ec2) {
        err << "korvalen-cli grid: the grid file would replace the root file\n";
        return kBadUsage;
    }
    const PlacemarkGrid grid = GrowPlacemarkGrid(root.View, options.request);
    const std::vector<std::string> lines =
        GridKmlLines(root.File.Lines, names.Base, grid, root.File.EyeAltitude);
    if (!WritePlacemarkGrid(kml, names.PatternFile, lines, grid.Pattern, error)) {
        err << "korvalen-cli grid: " << error << "\n";
        return kFailed;
    }
    const GridRequest& r = options.request;
    out << "grid " << r.NumRows() << " x " << r.NumCols() << " = " << r.NumRows() * r.NumCols()
        << " images, "
        << FormatDistance(
               static_cast<double>(GridExtent(r.NumCols(), root.View.ImageWidth, r.Overlapping)),
               true, true, true)
        << " x "
        << FormatDistance(
               static_cast<double>(GridExtent(r.NumRows(), root.View.ImageHeight, r.Overlapping)),
               true, true, true)
        << (grid.Pattern.Corners ? ", with calibration placemarks" : "") << "\n"
        << DisplayPath(kml) << "\n"
        << DisplayPath(names.PatternFile) << "\n";
    return kOk;
}

}  // namespace korvalen::cli
