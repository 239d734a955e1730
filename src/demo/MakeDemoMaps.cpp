// korvalen-demo: draws a made-up topographic map, cuts it into a matrix of overlapping tiles
// (a1.jpg, a2.jpg, ...) and lists where each tile truly lies, for trying and testing joins.
#include <QGuiApplication>
#include <charconv>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "demo/DemoMbTiles.h"
#include "demo/DemoPattern.h"
#include "demo/DemoTiles.h"

namespace {

constexpr const char* kUsage =
    "usage: korvalen-demo OUTDIR [--rows R] [--cols C] [--tile WxH] [--overlap PX or PXxPY]\n"
    "                     [--shift PX] [--seed N] [--quality Q] [--whole] [--tiles]\n"
    "Writes OUTDIR/a1.jpg ... (row letter, column digit), OUTDIR/offsets.txt with the true\n"
    "position of every tile and, with --whole, OUTDIR/whole.jpg; with --tiles also\n"
    "OUTDIR/demo.mbtiles, a web map of the demo area to try the capture offline.\n"
    "Defaults: 3 x 3 tiles of 640x480, overlap 120, shift 6, seed 1, quality 90.\n"
    "\n"
    "Grid pattern (screenshots taken at a placemark grid):\n"
    "  korvalen-demo OUTDIR --pattern RxC [--percent 10..25] [--tile WxH] [--seed N]\n"
    "    writes OUTDIR/root.kml, two placemarks at the corners of one view of WxH pixels\n"
    "    (default 512x384), and prints the korvalen-cli grid command that grows it;\n"
    "  korvalen-demo OUTDIR --cut GRID.kml --pgp FILE.pgp [--quality Q]\n"
    "    cuts the numbered screenshots 1.jpg ... at the grid's placemarks, with the\n"
    "    calibration placemarks drawn as red rings, and OUTDIR/pattern_offsets.txt.\n";

bool ParseNumber(std::string_view text, int& value) {
    const char* end = text.data() + text.size();
    const auto [stop, code] = std::from_chars(text.data(), end, value);
    return code == std::errc() && stop == end;
}

// "640x480", or a single number for both when allowSingle.
bool ParsePair(std::string_view text, int& first, int& second, bool allowSingle) {
    const size_t cross = text.find('x');
    if (cross == std::string_view::npos) {
        if (!allowSingle || !ParseNumber(text, first))
            return false;
        second = first;
        return true;
    }
    return ParseNumber(text.substr(0, cross), first) && ParseNumber(text.substr(cross + 1), second);
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "korvalen-demo: %s\n%s", message.c_str(), kUsage);
    return 2;
}

int RunPatternMode(const std::string& folder, korvalen::DemoPatternOptions pattern, bool root,
                   bool tileGiven, const korvalen::DemoSetOptions& options,
                   const std::string& cutKml, const std::string& cutPgp) {
    std::string error;
    if (root) {
        pattern.seed = options.seed;
        if (tileGiven)
            pattern.view = QSize(options.layout.tileWidth, options.layout.tileHeight);
        if (!korvalen::WriteDemoPatternRoot(folder, pattern, error)) {
            std::fprintf(stderr, "korvalen-demo: %s\n", error.c_str());
            return 1;
        }
        const korvalen::DemoGrowth g = korvalen::DemoGrowthOf(pattern);
        std::printf(
            "Wrote %s/root.kml and area.txt. Grow the grid with\n"
            "  korvalen-cli grid %s/root.kml --top %d --bottom %d --left %d --right %d "
            "--overlap %d\n",
            folder.c_str(), folder.c_str(), g.top, g.bottom, g.left, g.right, pattern.overlapping);
        return 0;
    }
    if (cutPgp.empty())
        return Fail("--cut needs --pgp");
    korvalen::DemoPatternCut cut;
    if (!korvalen::CutDemoPattern(folder, cutKml, cutPgp, options.quality, cut, error)) {
        std::fprintf(stderr, "korvalen-demo: %s\n", error.c_str());
        return 1;
    }
    std::printf("Wrote %zu screenshots and pattern_offsets.txt to %s.\n", cut.shots.size(),
                folder.c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    korvalen::DemoSetOptions options;
    std::string folder;
    korvalen::DemoPatternOptions pattern;
    bool patternRoot = false;
    std::string cutKml, cutPgp;
    bool tileGiven = false;
    bool writeTiles = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (arg == "--whole") {
            options.writeWhole = true;
            continue;
        }
        if (arg == "--tiles") {
            writeTiles = true;
            continue;
        }
        if (arg.substr(0, 2) != "--") {
            if (!folder.empty())
                return Fail("more than one output folder given");
            folder = std::string(arg);
            continue;
        }
        if (i + 1 >= argc)
            return Fail(std::string(arg) + " needs a value");
        const std::string_view value = argv[++i];
        korvalen::DemoLayout& layout = options.layout;
        int seed = 0;
        bool ok = true;
        if (arg == "--pattern")
            ok = patternRoot = ParsePair(value, pattern.rows, pattern.cols, false);
        else if (arg == "--percent")
            ok = ParseNumber(value, pattern.overlapping);
        else if (arg == "--cut")
            cutKml = std::string(value);
        else if (arg == "--pgp")
            cutPgp = std::string(value);
        else if (arg == "--rows")
            ok = ParseNumber(value, layout.rows);
        else if (arg == "--cols")
            ok = ParseNumber(value, layout.cols);
        else if (arg == "--tile")
            ok = tileGiven = ParsePair(value, layout.tileWidth, layout.tileHeight, false);
        else if (arg == "--overlap")
            ok = ParsePair(value, layout.overlapX, layout.overlapY, true);
        else if (arg == "--shift")
            ok = ParseNumber(value, layout.maxShift);
        else if (arg == "--quality")
            ok = ParseNumber(value, options.quality);
        else if (arg == "--seed") {
            ok = ParseNumber(value, seed) && seed >= 0;
            options.seed = static_cast<uint32_t>(seed);
            layout.shiftSeed = static_cast<uint32_t>(seed);
        } else
            return Fail("unknown option " + std::string(arg));
        if (!ok)
            return Fail("bad value '" + std::string(value) + "' for " + std::string(arg));
    }
    if (folder.empty())
        return Fail("no output folder given");

    // Text needs the font database, which needs an application; no display is used.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);

    std::string error;
    if (patternRoot || !cutKml.empty())
        return RunPatternMode(folder, pattern, patternRoot, tileGiven, options, cutKml, cutPgp);
    std::vector<korvalen::DemoTile> tiles;
    if (!korvalen::WriteDemoSet(folder, options, tiles, error)) {
        std::fprintf(stderr, "korvalen-demo: %s\n", error.c_str());
        return 1;
    }
    const QSize size = korvalen::DemoPictureSize(options.layout);
    std::printf(
        "Wrote %zu tiles of %d x %d pixels (%s .. %s) and offsets.txt to %s,\n"
        "cut from a picture of %d x %d pixels.\n",
        tiles.size(), options.layout.tileWidth, options.layout.tileHeight,
        tiles.front().name.c_str(), tiles.back().name.c_str(), folder.c_str(), size.width(),
        size.height());
    if (writeTiles) {
        const korvalen::DemoTilePlacement placement;
        const std::string file = folder + "/demo.mbtiles";
        if (!korvalen::WriteDemoMbTiles(file, options.seed, placement, error)) {
            std::fprintf(stderr, "korvalen-demo: %s\n", error.c_str());
            return 1;
        }
        const korvalen::ViewExtents b = korvalen::DemoTileBounds(placement);
        std::printf(
            "Wrote %s, zoom %d to %d, bounds (north, west, south, east) %.6f,%.6f,%.6f,%.6f\n",
            file.c_str(), placement.minZoom, placement.maxZoom, b.North, b.West, b.South, b.East);
    }
    return 0;
}
