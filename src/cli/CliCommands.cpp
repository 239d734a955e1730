#include "cli/CliCommands.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <initializer_list>
#include <optional>
#include <ostream>
#include <span>
#include <string_view>
#include <type_traits>

#include "cli/CliAdjust.h"
#include "cli/CliArgs.h"
#include "cli/CliCapture.h"
#include "core/Settings.h"
#include "geo/CalibPointsText.h"
#include "geo/CalibrationWriter.h"
#include "images/BmpCodec.h"
#include "images/FileAccess.h"
#include "images/JpegCodec.h"
#include "images/MapFiles.h"
#include "images/MapMatrix.h"
#include "images/NamingOrder.h"
#include "images/PixelConvert.h"
#include "joining/ComposeResult.h"
#include "joining/UnattendedJoin.h"

namespace korvalen::cli {

int RunGrid(std::span<const std::string> args, std::ostream& out, std::ostream& err);
int RunPatternJoin(std::span<const std::string> args, std::ostream& out, std::ostream& err);

namespace {

struct Command {
    std::string_view name;
    std::string_view synopsis;
    std::string_view summary;
    int (*run)(Args args, std::ostream& out, std::ostream& err);
};

int RunInfo(Args args, std::ostream& out, std::ostream& err);
int RunConvert(Args args, std::ostream& out, std::ostream& err);
int RunJoin(Args args, std::ostream& out, std::ostream& err);
int RunCalibrate(Args args, std::ostream& out, std::ostream& err);

// New commands are one line here and one Run function.
constexpr Command kCommands[] = {
    {"info", "info FILE", "print the size and pixel format of a BMP, JPEG or PNG file", RunInfo},
    {"convert", "convert IN OUT [--bits 24|8|4] [--quality 1..100]",
     "convert a BMP, JPEG or PNG file; OUT's extension (.jpg, .jpeg or .bmp) picks the format",
     RunConvert},
    {"join",
     "join FOLDER --rows R --cols C --out RESULT [--sequence rows|columns]\n"
     "       [--order alphabetical|a1|1a|11|aa] [--first FILE] [--min-correlation 20..100]\n"
     "       [--spreading 0..32] [--band-along 10..250] [--band-across 10..250]\n"
     "       [--overlap-ratio 1..10] [--horizontal-overlap N] [--vertical-overlap N]\n"
     "       [--proximity 0..16] [--bits 24|8|4] [--8bit-maps yes|no] [--quality 1..100]\n"
     "       [--decide best|first] [--estimate yes|no] [--band-on-detail yes|no]\n"
     "       [--compare brightness|index] [--json]",
     "join the maps of a folder by self-search and write the result map (.bmp, .jpg or .jpeg);\n"
     "      prints each map's row, column, name, X, Y and correlation, then for each join the\n"
     "      overlap estimate, its margin, whether the band was moved and whether it is\n"
     "      uncertain; --json prints all of it as one JSON object instead.\n"
     "      Overlaps are estimated from the maps; the overlaps given serve when an estimate is\n"
     "      ambiguous or with --estimate no.\n"
     "      --decide best (default) scores the whole search area and takes the best position;\n"
     "      first takes the first position that reaches the minimum correlation",
     RunJoin},
    {"calibrate",
     "calibrate IMAGE --format map|cal|geo|gmw|jpr|world|tab\n"
     "       [--bounds NORTH,WEST,SOUTH,EAST] [--point N,LAT,LON[,X,Y]]... [--points FILE]",
     "write a calibration file beside IMAGE from its corners (points 1 top left, 2 top right,\n"
     "      3 bottom left, 4 bottom right; 5 to 9 are derived unless given); a points FILE\n"
     "      holds one \"N LAT LON [X Y]\" a line; prints the name of the file written",
     RunCalibrate},
    {"grid",
     "grid ROOT.kml --top N --bottom N --left N --right N --overlap 10..25 [--no-calibration]\n"
     "       [--out NAME]",
     "grow the view of a root placemark file into a grid: writes the grid's placemark file\n"
     "      and its pattern file (.pgp); join FOLDER --pattern FILE.pgp --out RESULT\n"
     "      [--calibrate FORMAT] joins the numbered screenshots and calibrates the result",
     RunGrid},
    {"rotate", "rotate IN OUT --angle DEG",
     "turn a map by DEG degrees (positive clockwise), corners filled with cyan", RunRotate},
    {"cut", "cut IN OUT --rect LEFT,TOP,RIGHT,BOTTOM",
     "cut a map to the rectangle, its right and bottom pixels included", RunCut},
    {"capture", kCaptureSynopsis, kCaptureSummary, RunCapture},
};

void PrintUsage(std::ostream& stream) {
    stream << "usage: korvalen-cli COMMAND [ARGUMENTS]\n\ncommands:\n";
    for (const Command& command : kCommands)
        stream << "  " << command.synopsis << "\n      " << command.summary << "\n";
    stream << "\nkorvalen-cli COMMAND --help shows the usage of one command.\n"
              "Exit codes: 0 done, 1 a file could not be read or written or a map could not be\n"
              "joined, 2 a wrong command line.\n";
}

void PrintCommandUsage(const Command& command, std::ostream& stream) {
    stream << "usage: korvalen-cli " << command.synopsis << "\n  " << command.summary << "\n";
}

const Command* FindCommand(std::string_view name) {
    for (const Command& command : kCommands)
        if (command.name == name)
            return &command;
    return nullptr;
}

bool WantsHelp(Args args) {
    for (const std::string& arg : args) {
        if (arg == "--")
            return false;
        if (arg == "--help" || arg == "-h")
            return true;
    }
    return false;
}

int RunInfo(Args args, std::ostream& out, std::ostream& err) {
    ParsedArgs parsed;
    std::string error;
    if (!SplitArgs(args, {}, {}, parsed, error)) {
        err << "korvalen-cli info: " << error << "\n";
        return kBadUsage;
    }
    if (parsed.positional.size() != 1) {
        err << "korvalen-cli info: expected one FILE\n";
        PrintCommandUsage(kCommands[0], err);
        return kBadUsage;
    }
    const std::string& file = parsed.positional[0];
    Bitmap bitmap;
    if (!LoadMapFile(file, bitmap, false, error)) {
        err << "korvalen-cli info: " << error << "\n";
        return kFailed;
    }
    out << file << ": " << bitmap.Width() << " x " << bitmap.Height() << ", "
        << bitmap.BitsPerPixel() << " bits\n";
    return kOk;
}

int RunConvert(Args args, std::ostream& out, std::ostream& err) {
    const Command& command = *FindCommand("convert");
    auto usageError = [&](const std::string& message) {
        err << "korvalen-cli convert: " << message << "\n";
        PrintCommandUsage(command, err);
        return kBadUsage;
    };
    static constexpr std::string_view kOptions[] = {"--bits", "--quality"};
    ParsedArgs parsed;
    std::string error;
    if (!SplitArgs(args, kOptions, {}, parsed, error))
        return usageError(error);
    if (parsed.positional.size() != 2)
        return usageError("expected IN and OUT");

    std::optional<PixelFormat> bits;
    std::optional<int> quality;
    for (const auto& [name, value] : parsed.options) {
        const std::optional<int> number = ParseInt(value);
        if (name == "--bits") {
            if (number != 24 && number != 8 && number != 4)
                return usageError("--bits must be 24, 8 or 4, not \"" + value + "\"");
            bits = static_cast<PixelFormat>(*number);
        } else {
            if (!number || *number < 1 || *number > 100)
                return usageError("--quality must be 1 to 100, not \"" + value + "\"");
            quality = number;
        }
    }
    const std::string& input = parsed.positional[0];
    const std::string& output = parsed.positional[1];
    if (!IsOutputMapName(output))
        return usageError("cannot tell the format of " + output +
                          ": its extension (from the first full stop of the file name) must "
                          "be .jpg, .jpeg or .bmp");
    if (quality && IsBmpName(output))
        return usageError("--quality applies to JPEG output only");

    Bitmap bitmap;
    if (!LoadMapFile(input, bitmap, false, error)) {
        err << "korvalen-cli convert: " << error << "\n";
        return kFailed;
    }
    if (bits)
        ConvertInPlace(bitmap, *bits);
    if (!WriteMapFile(output, bitmap, quality.value_or(70), error)) {
        err << "korvalen-cli convert: " << error << "\n";
        return kFailed;
    }
    return kOk;
}

// ---- join ----------------------------------------------------------------------------------

namespace fs = std::filesystem;

struct JoinOptions {
    std::string folder;
    int rows = 0;
    int cols = 0;
    MapSequence sequence = MapSequence::Rows;
    NamingOrder order = NamingOrder::Alphabetical;
    std::string first;
    Settings settings;
    PixelFormat bits = PixelFormat::Bits8;
    std::string out;
    std::optional<int> quality;
    UnattendedDecision decision = UnattendedDecision::Best;
    bool json = false;
};

bool ParseJoinOptions(Args args, JoinOptions& options, std::string& error) {
    static constexpr std::string_view kOptions[] = {"--rows",
                                                    "--cols",
                                                    "--sequence",
                                                    "--order",
                                                    "--first",
                                                    "--out",
                                                    "--min-correlation",
                                                    "--spreading",
                                                    "--band-along",
                                                    "--band-across",
                                                    "--overlap-ratio",
                                                    "--horizontal-overlap",
                                                    "--vertical-overlap",
                                                    "--proximity",
                                                    "--bits",
                                                    "--8bit-maps",
                                                    "--quality",
                                                    "--decide",
                                                    "--estimate",
                                                    "--band-on-detail",
                                                    "--compare"};
    static constexpr std::string_view kFlags[] = {"--json"};
    ParsedArgs parsed;
    if (!SplitArgs(args, kOptions, kFlags, parsed, error))
        return false;
    options.json = !parsed.flags.empty();
    if (parsed.positional.size() != 1) {
        error = "expected one FOLDER";
        return false;
    }
    options.folder = parsed.positional[0];
    Settings& s = options.settings;
    for (const auto& [name, value] : parsed.options) {
        int number = 0;
        bool ok = true;
        if (name == "--rows") {
            ok = ReadRange(name, value, 1, 99, options.rows, error);
        } else if (name == "--cols") {
            ok = ReadRange(name, value, 1, 99, options.cols, error);
        } else if (name == "--sequence") {
            ok = ReadChoice(name, value,
                            {{"rows", MapSequence::Rows}, {"columns", MapSequence::Columns}},
                            options.sequence, error);
        } else if (name == "--order") {
            ok = ReadChoice(name, value,
                            {{"alphabetical", NamingOrder::Alphabetical},
                             {"a1", NamingOrder::A1},
                             {"1a", NamingOrder::OneA},
                             {"11", NamingOrder::OneOne},
                             {"aa", NamingOrder::AA}},
                            options.order, error);
        } else if (name == "--first") {
            options.first = value;
        } else if (name == "--out") {
            options.out = value;
        } else if (name == "--min-correlation") {
            ok = ReadRange(name, value, 20, 100, s.minimumCorrelation, error);
        } else if (name == "--spreading") {
            ok = ReadRange(name, value, 0, 32, number, error);
            s.spreadingTolerance = static_cast<uint8_t>(number);
        } else if (name == "--band-along") {
            ok = ReadRange(name, value, 10, 250, s.SearchBandAlong, error);
        } else if (name == "--band-across") {
            ok = ReadRange(name, value, 10, 250, s.SearchBandAcross, error);
        } else if (name == "--overlap-ratio") {
            ok = ReadRange(name, value, 1, 10, number, error);
            s.overlap = static_cast<uint8_t>(number);
        } else if (name == "--horizontal-overlap") {
            ok = ReadRange(name, value, 10, 10000, s.horizontalOverlap, error);
        } else if (name == "--vertical-overlap") {
            ok = ReadRange(name, value, 10, 10000, s.verticalOverlap, error);
        } else if (name == "--proximity") {
            ok = ReadRange(name, value, 0, 16, s.proximity, error);
        } else if (name == "--bits") {
            ok = ReadChoice(
                name, value,
                {{"24", PixelFormat::Bits24}, {"8", PixelFormat::Bits8}, {"4", PixelFormat::Bits4}},
                options.bits, error);
        } else if (name == "--8bit-maps") {
            ok = ReadChoice(name, value, {{"yes", true}, {"no", false}}, s.singleMaps8bit, error);
        } else if (name == "--quality") {
            ok = ReadRange(name, value, 1, 100, number, error);
            options.quality = number;
        } else if (name == "--decide") {
            ok = ReadChoice(
                name, value,
                {{"best", UnattendedDecision::Best}, {"first", UnattendedDecision::First}},
                options.decision, error);
        } else if (name == "--estimate") {
            ok = ReadChoice(name, value, {{"yes", true}, {"no", false}}, s.estimateOverlap, error);
        } else if (name == "--band-on-detail") {
            ok = ReadChoice(name, value, {{"yes", true}, {"no", false}}, s.bandOnDetail, error);
        } else if (name == "--compare") {
            ok = ReadChoice(name, value, {{"brightness", uint8_t{1}}, {"index", uint8_t{0}}},
                            s.comparison, error);
        }
        if (!ok)
            return false;
    }
    if (options.rows == 0 || options.cols == 0 || options.out.empty()) {
        error = "--rows, --cols and --out are required";
        return false;
    }
    if (!OrderFits(options.order, options.sequence, options.rows, options.cols)) {
        error = "the " + std::string(PatternOf(options.order)) + " pattern cannot name " +
                std::to_string(options.rows) + " x " + std::to_string(options.cols) + " maps";
        return false;
    }
    return true;
}

bool IsMapFileName(const std::string& name) {
    const std::string extension = AsciiLower(ExtensionAtFirstStop(name));
    return extension == "jpg" || extension == "bmp" || extension == "png";
}

// The first .jpg, .bmp or .png file of the folder in alphabetical order.
bool DefaultFirstFile(const std::vector<std::string>& fileNames, const std::string& folder,
                      std::string& first, std::string& error) {
    std::vector<std::string> maps;
    std::copy_if(fileNames.begin(), fileNames.end(), std::back_inserter(maps), IsMapFileName);
    if (maps.empty()) {
        error = "there is no .jpg, .bmp or .png file in " + folder;
        return false;
    }
    first = *std::min_element(maps.begin(), maps.end(), [](const auto& a, const auto& b) {
        const std::string la = AsciiLower(a), lb = AsciiLower(b);
        return la != lb ? la < lb : a < b;
    });
    return true;
}

// Fills the matrix as "Load all maps" does and loads every map; every cell must get one.
bool LoadJoinMatrix(const JoinOptions& options, MapMatrix& matrix, std::string& error) {
    const fs::path folder = options.folder;
    std::vector<std::string> fileNames;
    if (!ListFolderFiles(folder, fileNames, error))
        return false;
    std::string firstName = options.first;
    if (firstName.empty() && !DefaultFirstFile(fileNames, options.folder, firstName, error))
        return false;
    const fs::path firstPath =
        fs::path(firstName).has_parent_path() ? fs::path(firstName) : folder / firstName;
    std::error_code ec;
    if (!fs::is_regular_file(firstPath, ec)) {
        error = DisplayPath(firstPath) + ": there is no such file";
        return false;
    }
    const FirstMapFile first = SplitFirstMapFile(firstPath);
    const std::string_view pattern = PatternOf(options.order);
    if (!pattern.empty() && !MatchesPattern(first.base, pattern)) {
        error = "the file name " + first.base + " does not correspond to the pattern " +
                std::string(pattern);
        return false;
    }
    if (first.folder != folder && !ListFolderFiles(first.folder, fileNames, error))
        return false;

    const std::vector<MapCandidate> candidates =
        CandidateList(fileNames, first.extension, first.base, pattern);
    const std::vector<CellFill> plan =
        FillPlan(candidates, first, pattern, options.sequence, options.rows, options.cols);
    matrix.NewMatrix(options.rows, options.cols);
    for (const CellFill& fill : plan) {
        if (!fill.hasFile)
            continue;
        tSingleMap& cell = *matrix.At(fill.row, fill.col);
        cell.Name = fill.name;
        cell.FilePath = fill.filePath;
        auto bitmap = std::make_unique<Bitmap>();
        if (!LoadMapFile(fill.filePath, *bitmap, options.settings.singleMaps8bit, error))
            return false;
        cell.Bitmap = std::move(bitmap);
    }
    for (const tSingleMap& cell : matrix) {
        if (!cell.Bitmap) {
            error = "no map for row " + std::to_string(cell.Row) + ", column " +
                    std::to_string(cell.Col) + " in " + DisplayPath(first.folder);
            if (!pattern.empty()) {
                const bool rows = options.sequence == MapSequence::Rows;
                error += " (expected " +
                         ExpectedName(first.base, pattern, rows ? cell.Row : cell.Col,
                                      rows ? cell.Col : cell.Row) +
                         first.extension + ")";
            }
            return false;
        }
    }
    return true;
}

std::string JoinFailureText(const MapMatrix& matrix, const UnattendedJoinReport& report) {
    const tSingleMap* cell = matrix.At(report.failedRow, report.failedCol);
    std::string text = (cell ? DisplayPath(cell->FilePath.filename()) : std::string("a map")) +
                       " (row " + std::to_string(report.failedRow) + ", column " +
                       std::to_string(report.failedCol) + ") could not be joined: ";
    if (report.searched)
        return text + "best correlation " + std::to_string(report.bestCorrelation) + " % below " +
               std::to_string(report.neededCorrelation) + " %";
    return text + report.failure;
}

std::string Fixed(double value, int decimals) {
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

// "join 1 2: estimate 512 3 score 0.93 margin 0.41 taken, band moved, correlation 88 %,
// runner-up 41 %" and " uncertain" when another place scores nearly as well.
void PrintJoinNotes(const std::vector<JoinNote>& joins, std::ostream& out) {
    for (const JoinNote& j : joins) {
        out << "join " << j.row << ' ' << j.col << ": ";
        if (j.estimated)
            out << "estimate " << j.estimateX << ' ' << j.estimateY << " score "
                << Fixed(j.estimateScore, 2) << " margin " << Fixed(j.estimateMargin, 2)
                << (j.estimateTaken ? " taken" : " ambiguous, overlap from the settings");
        else
            out << "no estimate";
        out << ", band " << (j.bandMoved ? "moved" : "fixed") << ", correlation " << j.correlation
            << " %";
        if (j.runnerUpCorrelation >= 0)
            out << ", runner-up " << j.runnerUpCorrelation << " %";
        if (j.uncertain)
            out << ", uncertain";
        if (!j.accepted)
            out << ", not joined";
        out << '\n';
    }
}

std::string JsonString(const std::string& text) {
    std::string quoted = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += static_cast<char>(c);
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            quoted += escaped;
        } else {
            quoted += static_cast<char>(c);
        }
    }
    return quoted + "\"";
}

// One object: whether the run completed, the failure, every map and every join.
void PrintJoinJson(const MapMatrix& matrix, const UnattendedJoinReport& report,
                   const std::string& failure, std::ostream& out) {
    out << "{\"complete\": " << (report.complete ? "true" : "false");
    if (!failure.empty())
        out << ", \"failure\": " << JsonString(failure);
    out << ",\n \"maps\": [";
    bool first = true;
    for (const tSingleMap& cell : matrix) {
        out << (first ? "\n  " : ",\n  ") << "{\"row\": " << cell.Row << ", \"col\": " << cell.Col
            << ", \"name\": " << JsonString(cell.Name)
            << ", \"joined\": " << (cell.Joined ? "true" : "false") << ", \"x\": " << cell.X
            << ", \"y\": " << cell.Y << ", \"correlation\": " << int{cell.Correlation} << "}";
        first = false;
    }
    out << "],\n \"joins\": [";
    first = true;
    for (const JoinNote& j : report.joins) {
        out << (first ? "\n  " : ",\n  ") << "{\"row\": " << j.row << ", \"col\": " << j.col
            << ", \"accepted\": " << (j.accepted ? "true" : "false")
            << ", \"correlation\": " << j.correlation
            << ", \"estimated\": " << (j.estimated ? "true" : "false")
            << ", \"estimateTaken\": " << (j.estimateTaken ? "true" : "false")
            << ", \"estimate\": [" << j.estimateX << ", " << j.estimateY
            << "], \"estimateScore\": " << Fixed(j.estimateScore, 3)
            << ", \"estimateMargin\": " << Fixed(j.estimateMargin, 3)
            << ", \"bandMoved\": " << (j.bandMoved ? "true" : "false")
            << ", \"runnerUpCorrelation\": " << j.runnerUpCorrelation
            << ", \"uncertain\": " << (j.uncertain ? "true" : "false") << "}";
        first = false;
    }
    out << "]}\n";
}

int RunJoin(Args args, std::ostream& out, std::ostream& err) {
    if (std::any_of(args.begin(), args.end(), [](const std::string& a) {
            return a == "--pattern" || a.starts_with("--pattern=");
        }))
        return RunPatternJoin(args, out, err);
    const Command& command = *FindCommand("join");
    JoinOptions options;
    std::string error;
    if (!ParseJoinOptions(args, options, error)) {
        err << "korvalen-cli join: " << error << "\n";
        PrintCommandUsage(command, err);
        return kBadUsage;
    }
    const bool named = IsOutputMapName(options.out);
    if (!named || (options.quality && IsBmpName(options.out))) {
        err << "korvalen-cli join: "
            << (named ? "--quality applies to JPEG output only"
                      : "cannot tell the format of " + options.out +
                            ": its extension must be .jpg, .jpeg or .bmp")
            << "\n";
        return kBadUsage;
    }

    MapMatrix matrix;
    if (!LoadJoinMatrix(options, matrix, error)) {
        err << "korvalen-cli join: " << error << "\n";
        return kFailed;
    }
    const UnattendedJoinReport report = JoinUnattended(matrix, options.settings, options.decision);
    if (!report.complete) {
        const std::string failure = JoinFailureText(matrix, report);
        err << "korvalen-cli join: " << failure << "\n";
        if (options.json)
            PrintJoinJson(matrix, report, failure, out);
        else
            PrintJoinNotes(report.joins, err);
        return kFailed;
    }
    Bitmap result;
    if (!ComposeResultMap(matrix, options.bits, result, error) ||
        !WriteMapFile(options.out, result, options.quality.value_or(70), error)) {
        err << "korvalen-cli join: " << error << "\n";
        return kFailed;
    }
    if (options.json) {
        PrintJoinJson(matrix, report, std::string(), out);
        return kOk;
    }
    for (const tSingleMap& cell : matrix)
        out << cell.Row << ' ' << cell.Col << ' ' << cell.Name << ' ' << cell.X << ' ' << cell.Y
            << ' ' << int{cell.Correlation} << '\n';
    PrintJoinNotes(report.joins, out);
    return kOk;
}

// ---- calibrate ---------------------------------------------------------------------------

int RunCalibrate(Args args, std::ostream& out, std::ostream& err) {
    const Command& command = *FindCommand("calibrate");
    auto usageError = [&](const std::string& message) {
        err << "korvalen-cli calibrate: " << message << "\n";
        PrintCommandUsage(command, err);
        return kBadUsage;
    };
    static constexpr std::string_view kOptions[] = {"--format", "--bounds", "--point", "--points"};
    ParsedArgs parsed;
    std::string error;
    if (!SplitArgs(args, kOptions, {}, parsed, error))
        return usageError(error);
    if (parsed.positional.size() != 1)
        return usageError("expected one IMAGE");
    int format = 0;
    std::vector<CalibPointInput> inputs;
    std::vector<std::string> pointFiles;
    for (const auto& [name, value] : parsed.options) {
        bool ok = true;
        if (name == "--format") {
            ok = ReadCalibrationFormat(name, value, format, error);
        } else if (name == "--bounds") {
            ok = ParseBounds(value, inputs, error);
        } else if (name == "--point") {
            ok = ParseCalibPointInput(value, inputs.emplace_back(), error);
        } else {
            pointFiles.push_back(value);
        }
        if (!ok)
            return usageError(error);
    }
    if (format == 0)
        return usageError("--format is required");

    for (const std::string& file : pointFiles) {
        std::vector<uint8_t> bytes;
        if (!ReadWholeFile(file, bytes, error, 1 << 20)) {
            err << "korvalen-cli calibrate: " << error << "\n";
            return kFailed;
        }
        const std::string text(bytes.begin(), bytes.end());
        if (!ParseCalibPointsText(text, inputs, error)) {
            err << "korvalen-cli calibrate: " << file << ", " << error << "\n";
            return kFailed;
        }
    }
    // The OziExplorer and Global Mapper files name the image by its full path.
    std::error_code ec;
    fs::path image = fs::absolute(parsed.positional[0], ec);
    if (ec)
        image = parsed.positional[0];
    Bitmap bitmap;
    CalibrationState calibration;
    if (!LoadMapFile(image, bitmap, false, error)) {
        err << "korvalen-cli calibrate: " << error << "\n";
        return kFailed;
    }
    if (!BuildCalibPoints(inputs, bitmap.Width(), bitmap.Height(), calibration.Points, error))
        return usageError(error);
    fs::path written;
    if (!WriteCalibrationFile(bitmap, image, format, calibration, written, error)) {
        err << "korvalen-cli calibrate: " << error << "\n";
        return kFailed;
    }
    out << DisplayPath(written) << "\n";
    return kOk;
}

}  // namespace

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.empty()) {
        PrintUsage(err);
        return kBadUsage;
    }
    if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        PrintUsage(out);
        return kOk;
    }
    const Command* command = FindCommand(args[0]);
    if (!command) {
        err << "korvalen-cli: unknown command \"" << args[0] << "\"\n";
        PrintUsage(err);
        return kBadUsage;
    }
    const Args rest = Args(args).subspan(1);
    if (WantsHelp(rest)) {
        PrintCommandUsage(*command, out);
        return kOk;
    }
    return command->run(rest, out, err);
}

}  // namespace korvalen::cli
