#include "cli/CliCommands.h"

#include <charconv>
#include <cstdint>
#include <optional>
#include <ostream>
#include <span>
#include <string_view>

#include "images/BmpCodec.h"
#include "images/FileAccess.h"
#include "images/JpegCodec.h"
#include "images/MapFiles.h"
#include "images/PixelConvert.h"

namespace korvalen::cli {
namespace {

constexpr int kOk = 0;
constexpr int kFailed = 1;    // the work itself failed (unreadable or unwritable file)
constexpr int kBadUsage = 2;  // the command line was wrong

using Args = std::span<const std::string>;

struct Command {
    std::string_view name;
    std::string_view synopsis;
    std::string_view summary;
    int (*run)(Args args, std::ostream& out, std::ostream& err);
};

int RunInfo(Args args, std::ostream& out, std::ostream& err);
int RunConvert(Args args, std::ostream& out, std::ostream& err);

// New commands are one line here and one Run function.
constexpr Command kCommands[] = {
    {"info", "info FILE", "print the size and pixel format of a BMP or JPEG file", RunInfo},
    {"convert", "convert IN OUT [--bits 24|8|4] [--quality 1..100]",
     "convert a BMP or JPEG file; OUT's extension (.jpg, .jpeg or .bmp) picks the format",
     RunConvert},
};

void PrintUsage(std::ostream& stream) {
    stream << "usage: korvalen-cli COMMAND [ARGUMENTS]\n\ncommands:\n";
    for (const Command& command : kCommands)
        stream << "  " << command.synopsis << "\n      " << command.summary << "\n";
    stream
        << "\nkorvalen-cli COMMAND --help shows the usage of one command.\n"
           "Exit codes: 0 done, 1 a file could not be read or written, 2 a wrong command line.\n";
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

std::optional<int> ParseInt(std::string_view text) {
    int value = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end)
        return std::nullopt;
    return value;
}

// Splits a command's arguments into positional ones and "--name value" (or "--name=value")
// options; "--" ends the options so that file names may start with a dash.
struct ParsedArgs {
    std::vector<std::string> positional;
    std::vector<std::pair<std::string, std::string>> options;
};

bool SplitArgs(Args args, std::span<const std::string_view> optionNames, ParsedArgs& parsed,
               std::string& error) {
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            parsed.positional.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        const size_t equals = arg.find('=');
        const std::string name = arg.substr(0, equals);
        bool known = false;
        for (std::string_view optionName : optionNames)
            known = known || name == optionName;
        if (!known) {
            error = "unknown option " + name;
            return false;
        }
        if (equals != std::string::npos) {
            parsed.options.emplace_back(name, arg.substr(equals + 1));
        } else if (i + 1 < args.size()) {
            parsed.options.emplace_back(name, args[++i]);
        } else {
            error = "option " + name + " needs a value";
            return false;
        }
    }
    return true;
}

int RunInfo(Args args, std::ostream& out, std::ostream& err) {
    ParsedArgs parsed;
    std::string error;
    if (!SplitArgs(args, {}, parsed, error)) {
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

enum class OutputFormat { Jpeg, Bmp };

std::optional<OutputFormat> OutputFormatOf(const std::string& path) {
    const std::string extension = AsciiLower(ExtensionAtFirstStop(path));
    if (extension == "jpg" || extension == "jpeg")
        return OutputFormat::Jpeg;
    if (extension == "bmp")
        return OutputFormat::Bmp;
    return std::nullopt;
}

bool WriteOutput(const std::string& path, OutputFormat format, const Bitmap& bitmap, int quality,
                 std::string& error) {
    if (format == OutputFormat::Bmp) {
        if (BmpFileSize(bitmap.Width(), bitmap.Height(), bitmap.Format()) > kMaxBmpFileSize) {
            error = path + ": the image is too large for a BMP file (4 GiB at most)";
            return false;
        }
        return WriteBmpFile(path, bitmap, error);
    }
    if (bitmap.Width() > kJpegMaxSide || bitmap.Height() > kJpegMaxSide) {
        error = path + ": a JPEG file holds at most " + std::to_string(kJpegMaxSide) +
                " pixels per side";
        return false;
    }
    return WriteJpegFile(path, bitmap, quality, error);
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
    if (!SplitArgs(args, kOptions, parsed, error))
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
    const std::optional<OutputFormat> format = OutputFormatOf(output);
    if (!format)
        return usageError("cannot tell the format of " + output +
                          ": its extension (from the first full stop of the file name) must "
                          "be .jpg, .jpeg or .bmp");
    if (quality && *format != OutputFormat::Jpeg)
        return usageError("--quality applies to JPEG output only");

    Bitmap bitmap;
    if (!LoadMapFile(input, bitmap, false, error)) {
        err << "korvalen-cli convert: " << error << "\n";
        return kFailed;
    }
    if (bits)
        ConvertInPlace(bitmap, *bits);
    if (!WriteOutput(output, *format, bitmap, quality.value_or(70), error)) {
        err << "korvalen-cli convert: " << error << "\n";
        return kFailed;
    }
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
