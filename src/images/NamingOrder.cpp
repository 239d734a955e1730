#include "images/NamingOrder.h"

#include <algorithm>

#include "images/FileAccess.h"

namespace korvalen {
namespace fs = std::filesystem;

namespace {

constexpr char kBlank = ' ';

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsHexDigit(char c) {
    return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// A pattern character that is a digit counts hexadecimal digits; any other counts letters.
bool FitsClass(char patternChar, char c) {
    if (IsDigit(patternChar))
        return IsHexDigit(c);
    return !IsDigit(c) && static_cast<unsigned char>(c) >= 32;
}

char StepByPattern(char patternChar, char c, int k) {
    return IsDigit(patternChar) ? DigitStep(c, k) : LetterStep(c, k);
}

char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return LowerAscii(x) == LowerAscii(y);
           });
}

bool EndsWithNoCase(std::string_view text, std::string_view suffix) {
    return suffix.size() <= text.size() &&
           EqualsNoCase(text.substr(text.size() - suffix.size()), suffix);
}

std::string Utf8FileName(const fs::path& path) {
    const std::u8string name = path.filename().u8string();
    return std::string(name.begin(), name.end());
}

fs::path PathFromUtf8(std::string_view text) {
    return fs::path(std::u8string(text.begin(), text.end()));
}

}  // namespace

const std::string_view kNamingOrderStatement =
    "   A1 means letter+digit(hex)           example of 3 x 3 maps      "
    "a1.bmp+a2.bmp+a3.bmp    b1.bmp+b2.bmp+b3.bmp  c1.bmp+c2.bmp+c3.bmp";

SequenceCounts CountsFor(MapSequence sequence, int rows, int cols) {
    return sequence == MapSequence::Rows ? SequenceCounts{rows, cols} : SequenceCounts{cols, rows};
}

std::string_view PatternOf(NamingOrder order) {
    switch (order) {
        case NamingOrder::A1:
            return "a1";
        case NamingOrder::OneA:
            return "1a";
        case NamingOrder::OneOne:
            return "11";
        case NamingOrder::AA:
            return "aa";
        case NamingOrder::Alphabetical:
            break;
    }
    return {};
}

std::string_view OptionTextOf(NamingOrder order) {
    switch (order) {
        case NamingOrder::A1:
            return "A1 pattern";
        case NamingOrder::OneA:
            return "1A pattern";
        case NamingOrder::OneOne:
            return "11 pattern";
        case NamingOrder::AA:
            return "AA pattern";
        case NamingOrder::Alphabetical:
            break;
    }
    return "alphabetical order";
}

// 26 letters "a" to "z" and 16 hexadecimal digits "0" to "f" from the usual first names.
bool OrderFits(NamingOrder order, MapSequence sequence, int rows, int cols) {
    const SequenceCounts counts = CountsFor(sequence, rows, cols);
    switch (order) {
        case NamingOrder::Alphabetical:
            return true;
        case NamingOrder::A1:
            return counts.major < 27 && counts.minor < 16;
        case NamingOrder::OneA:
            return counts.major < 16 && counts.minor < 27;
        case NamingOrder::OneOne:
            return rows < 16 && cols < 16;
        case NamingOrder::AA:
            return rows < 27 && cols < 27;
    }
    return false;
}

std::vector<NamingOrder> OfferedOrders(MapSequence sequence, int rows, int cols) {
    std::vector<NamingOrder> offered;
    for (NamingOrder order : {NamingOrder::Alphabetical, NamingOrder::A1, NamingOrder::OneA,
                              NamingOrder::OneOne, NamingOrder::AA}) {
        if (OrderFits(order, sequence, rows, cols))
            offered.push_back(order);
    }
    return offered;
}

bool MatchesPattern(std::string_view name, std::string_view pattern) {
    return name.size() == 2 && pattern.size() == 2 && FitsClass(pattern[0], name[0]) &&
           FitsClass(pattern[1], name[1]);
}

char LetterStep(char c, int k) {
    const int code = static_cast<unsigned char>(c) + k;
    return k >= 0 && code <= 'z' ? static_cast<char>(code) : kBlank;
}

char DigitStep(char c, int k) {
    if (!IsHexDigit(c) || k < 0)
        return kBlank;
    const int value = (IsDigit(c) ? c - '0' : (c | 0x20) - 87) + k;  // 'a' and 'A' are 10
    if (value >= 16)
        return kBlank;
    return "0123456789abcdef"[value];
}

std::string ExpectedName(std::string_view firstBase, std::string_view pattern, int i, int j) {
    if (firstBase.size() != 2 || pattern.size() != 2)
        return std::string(1, kBlank);
    return {StepByPattern(pattern[0], firstBase[0], i - 1),
            StepByPattern(pattern[1], firstBase[1], j - 1)};
}

FirstMapFile SplitFirstMapFile(const fs::path& chosen) {
    FirstMapFile first;
    first.folder = chosen.parent_path();
    const std::string fileName = Utf8FileName(chosen);
    const size_t stop = fileName.find('.');
    if (stop != std::string::npos)
        first.extension = AsciiLower(fileName.substr(stop));
    first.base = AsciiLower(fileName.substr(0, stop));
    return first;
}

bool IsJpegExtension(std::string_view extension) {
    return AsciiLower(std::string(extension)) == ".jpg";
}

std::vector<MapCandidate> CandidateList(const std::vector<std::string>& fileNames,
                                        std::string_view extension, std::string_view firstBase,
                                        std::string_view pattern) {
    const std::string base = AsciiLower(std::string(firstBase));
    std::vector<MapCandidate> candidates;
    for (const std::string& fileName : fileNames) {
        if (!EndsWithNoCase(fileName, extension))
            continue;
        std::string name = AsciiLower(fileName.substr(0, fileName.size() - extension.size()));
        if (name.empty())
            continue;
        if (pattern.empty()) {
            if (name < base)
                continue;
        } else {
            if (!MatchesPattern(name, pattern) || base.size() != 2)
                continue;
            if (name[0] < base[0] || name[1] < base[1])
                continue;
        }
        candidates.push_back({std::move(name), fileName});
    }
    // The on-disk name settles ties so that a listing in any order gives the same result.
    std::sort(candidates.begin(), candidates.end(),
              [](const MapCandidate& a, const MapCandidate& b) {
                  return a.name != b.name ? a.name < b.name : a.fileName < b.fileName;
              });
    return candidates;
}

std::vector<CellFill> FillPlan(const std::vector<MapCandidate>& candidates,
                               const FirstMapFile& first, std::string_view pattern,
                               MapSequence sequence, int rows, int cols) {
    const SequenceCounts counts = CountsFor(sequence, rows, cols);
    std::vector<CellFill> plan;
    size_t next = 0;
    for (int i = 1; i <= counts.major; ++i) {
        for (int j = 1; j <= counts.minor; ++j) {
            CellFill fill;
            fill.row = sequence == MapSequence::Rows ? i : j;
            fill.col = sequence == MapSequence::Rows ? j : i;
            const MapCandidate* match = nullptr;
            if (pattern.empty()) {
                if (next >= candidates.size())
                    return plan;
                match = &candidates[next++];
            } else {
                const std::string expected = ExpectedName(first.base, pattern, i, j);
                if (expected.find(kBlank) == std::string::npos) {
                    auto found = std::find_if(candidates.begin(), candidates.end(),
                                              [&expected](const MapCandidate& c) {
                                                  return EqualsNoCase(c.name, expected);
                                              });
                    if (found != candidates.end())
                        match = &*found;
                }
            }
            if (match) {
                fill.hasFile = true;
                fill.name = match->name;
                fill.filePath = first.folder / PathFromUtf8(match->fileName);
            }
            plan.push_back(std::move(fill));
        }
    }
    return plan;
}

bool ListFolderFiles(const fs::path& folder, std::vector<std::string>& fileNames,
                     std::string& error) {
    fileNames.clear();
    std::error_code ec;
    fs::directory_iterator entries(folder.empty() ? fs::path(".") : folder, ec);
    if (ec) {
        error = "Cannot read the folder " + DisplayPath(folder) + ": " + ec.message();
        return false;
    }
    for (; entries != fs::directory_iterator(); entries.increment(ec)) {
        std::error_code typeError;
        if (entries->is_regular_file(typeError))
            fileNames.push_back(Utf8FileName(entries->path()));
    }
    if (ec) {
        error = "Cannot read the folder " + DisplayPath(folder) + ": " + ec.message();
        fileNames.clear();
        return false;
    }
    return true;
}

}  // namespace korvalen
