#include "cli/CliCapture.h"

#include <cstdio>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string_view>

#include "cli/CliArgs.h"
#include "earth/TileCapture.h"
#include "earth/TileSource.h"
#include "geo/CalibrationWriter.h"

namespace korvalen::cli {
namespace {

std::string Degrees(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.7f", value);
    return text;
}

}  // namespace

int RunCapture(std::span<const std::string> args, std::ostream& out, std::ostream& err) {
    auto usage = [&](const std::string& message) {
        err << "korvalen-cli capture: " << message << "\nusage: korvalen-cli " << kCaptureSynopsis
            << "\n";
        return kBadUsage;
    };
    static constexpr std::string_view kOptions[] = {
        "--source",  "--bounds",  "--out",  "--rows",        "--cols",
        "--overlap", "--quality", "--bits", "--calibration", "--view"};
    ParsedArgs parsed;
    std::string error;
    if (!SplitArgs(args, kOptions, {}, parsed, error))
        return usage(error);
    if (!parsed.positional.empty())
        return usage("unexpected " + parsed.positional[0]);
    std::string source, bounds, output;
    int rows = 0, cols = 0, overlap = 10, width = 512, height = 512, quality = 70, format = 0;
    PixelFormat bits = PixelFormat::Bits24;
    for (const auto& [name, value] : parsed.options) {
        bool ok = true;
        if (name == "--source") {
            source = value;
        } else if (name == "--bounds") {
            bounds = value;
        } else if (name == "--out") {
            output = value;
        } else if (name == "--rows") {
            ok = ReadRange(name, value, 1, 100, rows, error);
        } else if (name == "--cols") {
            ok = ReadRange(name, value, 1, 100, cols, error);
        } else if (name == "--overlap") {
            ok = ReadRange(name, value, 0, 50, overlap, error);
        } else if (name == "--quality") {
            ok = ReadRange(name, value, 1, 100, quality, error);
        } else if (name == "--bits") {
            ok = ReadChoice(name, value, {{"24", PixelFormat::Bits24}, {"8", PixelFormat::Bits8}},
                            bits, error);
        } else if (name == "--calibration") {
            ok = ReadCalibrationFormat(name, value, format, error);
        } else {
            const size_t x = value.find('x');
            const auto w = ParseInt(std::string_view(value).substr(0, x));
            const auto h = x == std::string::npos ? std::nullopt
                                                  : ParseInt(std::string_view(value).substr(x + 1));
            ok = w && h && *w >= 16 && *w <= 4096 && *h >= 16 && *h <= 4096;
            if (!ok)
                error = "--view must be WxH, each 16 to 4096, not \"" + value + "\"";
            width = w.value_or(0);
            height = h.value_or(0);
        }
        if (!ok)
            return usage(error);
    }
    if (source.empty() || bounds.empty() || output.empty() || rows == 0 || cols == 0)
        return usage("--source, --bounds, --rows, --cols and --out are required");
    const auto area = ParseBounds(bounds, false);
    if (!area)
        return usage("--bounds takes NORTH,WEST,SOUTH,EAST in degrees, north above south");
    if (!IsOutputMapName(output))
        return usage("--out must end in .jpg, .jpeg or .bmp");
    auto tiles = OpenTileSource(source, error);
    if (!tiles) {
        err << "korvalen-cli capture: " << error << "\n";
        return kFailed;
    }
    TileMapView view(std::move(tiles), width, height);
    CaptureJob job;
    job.Area = *area;
    job.Rows = rows;
    job.Cols = cols;
    job.OverlapPercent = overlap;
    job.Format = bits;
    Bitmap result;
    CalibrationState calibration;
    CaptureReport report;
    if (!RunTileCapture(view, job, result, calibration.Points, error, &report)) {
        err << "korvalen-cli capture: " << error << "\n";
        return kFailed;
    }
    // The map is still written: the tiles a server did give are cached, so a second run
    // fetches only the missing ones.
    if (report.FailedTiles > 0)
        err << "korvalen-cli capture: warning: " << report.FailedTiles
            << " tile(s) could not be read and are plain background (" << report.LastTileError
            << ")\n";
    if (!WriteMapFile(output, result, quality, error)) {
        err << "korvalen-cli capture: " << error << "\n";
        return kFailed;
    }
    const tCalibPoint& nw = calibration.Points[1];
    const tCalibPoint& se = calibration.Points[4];
    out << "bounds " << Degrees(nw.Lat) << "," << Degrees(nw.Lon) << "," << Degrees(se.Lat) << ","
        << Degrees(se.Lon) << "\n";
    out << "size " << result.Width() << " x " << result.Height() << "\n";
    if (format != 0) {
        std::filesystem::path calibFile;
        std::error_code ec;
        std::filesystem::path image = std::filesystem::absolute(output, ec);
        if (ec)
            image = output;
        if (!WriteCalibrationFile(result, image, format, calibration, calibFile, error)) {
            err << "korvalen-cli capture: " << error << "\n";
            return kFailed;
        }
        out << "calibration " << calibFile.string() << "\n";
    }
    return kOk;
}

}  // namespace korvalen::cli
