// korvalen-cli grid: the placemark grid of a root view, as the form writes it.
#include <filesystem>
#include <ostream>
#include <span>
#include <string>
#include <string_view>

#include "cli/CliArgs.h"
#include "geo/FormatDistance.h"
#include "geo/KmlPlacemarks.h"
#include "geo/PlacemarkGrid.h"
#include "images/FileAccess.h"

namespace korvalen::cli {
namespace {

namespace fs = std::filesystem;

constexpr const char* kUsage =
    "usage: korvalen-cli grid ROOT.kml --top N --bottom N --left N --right N --overlap P\n"
    "       [--no-calibration] [--out NAME]\n";

struct GridOptions {
    std::string root;
    std::string out;
    GridRequest request;
};

bool ParseGridOptions(Args args, GridOptions& options, std::string& error) {
    static constexpr std::string_view kOptions[] = {"--top",   "--bottom",  "--left",
                                                    "--right", "--overlap", "--out"};
    static constexpr std::string_view kFlags[] = {"--no-calibration"};
    ParsedArgs parsed;
    if (!SplitArgs(args, kOptions, kFlags, parsed, error))
        return false;
    if (parsed.positional.size() != 1) {
        error = "expected one ROOT.kml";
        return false;
    }
    options.root = parsed.positional[0];
    options.request.CalibrationPlacemarks = parsed.flags.empty();
    GridRequest& r = options.request;
    struct Number {
        std::string_view name;
        int* target;
        int low, high;
        bool given = false;
    };
    Number numbers[] = {{"--top", &r.TopRows, 0, kMaxGrowth},
                        {"--bottom", &r.BottomRows, 0, kMaxGrowth},
                        {"--left", &r.LeftCols, 0, kMaxGrowth},
                        {"--right", &r.RightCols, 0, kMaxGrowth},
                        {"--overlap", &r.Overlapping, kMinOverlapping, kMaxOverlapping}};
    for (const auto& [name, value] : parsed.options) {
        if (name == "--out") {
            options.out = value;
            continue;
        }
        for (Number& n : numbers) {
            if (n.name != name)
                continue;
            if (!ReadRange(name, value, n.low, n.high, *n.target, error))
                return false;
            n.given = true;
        }
    }
    for (const Number& n : numbers) {
        if (!n.given) {
            error = "--top, --bottom, --left, --right and --overlap are required";
            return false;
        }
    }
    return true;
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
