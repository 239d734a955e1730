#include "cli/CliCapture.h"

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string_view>

#include "earth/TileCapture.h"
#include "earth/TileSource.h"
#include "geo/CalibrationWriter.h"
#include "images/BmpCodec.h"
#include "images/FileAccess.h"
#include "images/JpegCodec.h"

namespace korvalen::cli {
namespace {

constexpr int kOk = 0;
constexpr int kFailed = 1;
constexpr int kBadUsage = 2;

std::optional<int> ParseWhole(std::string_view text, int low, int high) {
    int value = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end || value < low || value > high)
        return std::nullopt;
    return value;
}

int CalibrationFormat(const std::string& name) {
    static const std::pair<const char*, int> kFormats[] = {
        {"map", kOziExplorer}, {"cal", kTouratechQv}, {"geo", kGpsTracker}, {"gmw", kGlobalMapper},
        {"jpr", kFugawi},      {"world", kWorldFile}, {"tab", kMapInfo}};
    for (const auto& [text, index] : kFormats)
        if (name == text)
            return index;
    return 0;
}

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
    std::string source, bounds, output;
    int rows = 0, cols = 0, overlap = 10, width = 512, height = 512, quality = 70, format = 0;
    PixelFormat bits = PixelFormat::Bits24;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& name = args[i];
        if (name == "--help" || name == "-h")
            return usage("help");
        if (i + 1 >= args.size())
            return usage(name.rfind("--", 0) == 0 ? "option " + name + " needs a value"
                                                  : "unexpected " + name);
        const std::string& value = args[++i];
        std::optional<int> number;
        if (name == "--source") {
            source = value;
        } else if (name == "--bounds") {
            bounds = value;
        } else if (name == "--out") {
            output = value;
        } else if (name == "--rows" || name == "--cols") {
            if (!(number = ParseWhole(value, 1, 100)))
                return usage(name + " takes 1 to 100");
            (name == "--rows" ? rows : cols) = *number;
        } else if (name == "--overlap") {
            if (!(number = ParseWhole(value, 0, 50)))
                return usage("--overlap takes 0 to 50");
            overlap = *number;
        } else if (name == "--quality") {
            if (!(number = ParseWhole(value, 1, 100)))
                return usage("--quality takes 1 to 100");
            quality = *number;
        } else if (name == "--bits") {
            if (value != "24" && value != "8")
                return usage("--bits takes 24 or 8");
            bits = value == "8" ? PixelFormat::Bits8 : PixelFormat::Bits24;
        } else if (name == "--view") {
            const size_t x = value.find('x');
            const auto w = ParseWhole(std::string_view(value).substr(0, x), 16, 4096);
            const auto h = x == std::string::npos
                               ? std::nullopt
                               : ParseWhole(std::string_view(value).substr(x + 1), 16, 4096);
            if (!w || !h)
                return usage("--view takes WxH, each 16 to 4096");
            width = *w;
            height = *h;
        } else if (name == "--calibration") {
            if ((format = CalibrationFormat(value)) == 0)
                return usage("--calibration takes map, cal, geo, gmw, jpr, world or tab");
        } else {
            return usage("unknown option " + name);
        }
    }
    if (source.empty() || bounds.empty() || output.empty() || rows == 0 || cols == 0)
        return usage("--source, --bounds, --rows, --cols and --out are required");
    const auto area = ParseBounds(bounds, false);
    if (!area)
        return usage("--bounds takes NORTH,WEST,SOUTH,EAST in degrees, north above south");
    const std::string extension = AsciiLower(ExtensionAtFirstStop(output));
    const bool jpeg = extension == "jpg" || extension == "jpeg";
    if (!jpeg && extension != "bmp")
        return usage("--out must end in .jpg, .jpeg or .bmp");
    std::string error;
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
    if (jpeg && (result.Width() > kJpegMaxSide || result.Height() > kJpegMaxSide)) {
        err << "korvalen-cli capture: a JPEG file holds at most " << kJpegMaxSide
            << " pixels per side\n";
        return kFailed;
    }
    const bool written =
        jpeg ? WriteJpegFile(output, result, quality, error) : WriteBmpFile(output, result, error);
    if (!written) {
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
