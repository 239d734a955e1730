#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace korvalen {

// How "Load all maps" walks the matrix: row by row or column by column.
enum class MapSequence { Rows = 1, Columns = 2 };

// How the files of a folder are assigned to the cells. The values are the positions of
// the orders in the full list of options (the setting "preferredOrderOfMapfiles").
enum class NamingOrder { Alphabetical = 1, A1 = 2, OneA = 3, OneOne = 4, AA = 5 };

// Number of major positions (the outer loop) and minor positions (the inner loop).
struct SequenceCounts {
    int major = 0;
    int minor = 0;
};
SequenceCounts CountsFor(MapSequence sequence, int rows, int cols);

// The two-character pattern of an order ("a1", "1a", "11", "aa"); empty for alphabetical.
std::string_view PatternOf(NamingOrder order);
// The option text of an order as the selection dialog shows it (before translation).
std::string_view OptionTextOf(NamingOrder order);
// The explanation shown above the options when there is more than one.
extern const std::string_view kNamingOrderStatement;

// True when every cell of the matrix can be named in this order (alphabetical always fits).
bool OrderFits(NamingOrder order, MapSequence sequence, int rows, int cols);
// Alphabetical order followed by the patterns that fit, in the order A1, 1A, 11, AA.
std::vector<NamingOrder> OfferedOrders(MapSequence sequence, int rows, int cols);
// The statement is shown only when there is a choice.
inline bool ShowsOrderStatement(const std::vector<NamingOrder>& offered) {
    return offered.size() > 1;
}

// True when name has exactly two characters that fit the pattern's character classes: a
// digit in the pattern asks for a hexadecimal digit, anything else for a character that is
// neither a digit nor a control character.
bool MatchesPattern(std::string_view name, std::string_view pattern);
// c stepped by k letters, or a blank beyond "z".
char LetterStep(char c, int k);
// The hexadecimal digit c stepped by k (lower case), or a blank beyond "f".
char DigitStep(char c, int k);
// The name expected for major index i and minor index j (from 1), stepped from the first
// base name by the pattern. A blank in it means no file can match.
std::string ExpectedName(std::string_view firstBase, std::string_view pattern, int i, int j);

// What is taken from the file the user chose as the top-left map.
struct FirstMapFile {
    std::filesystem::path folder;
    std::string extension;  // from the first full stop of the file name, lower case, with the stop
    std::string base;       // lower-case file name up to its first full stop
};
FirstMapFile SplitFirstMapFile(const std::filesystem::path& chosen);
// Maps are JPEG when the chosen file's extension is ".jpg" (any case).
bool IsJpegExtension(std::string_view extension);

// A file of the folder that may fill a cell.
struct MapCandidate {
    std::string name;      // lower case, without the extension
    std::string fileName;  // as it is on disk
};

// The files of a folder listing (file names only) that end in the extension (any case) and
// come at or after the first base name, sorted without regard to case. With a pattern a name
// must fit its character classes and each of its characters come at or after the base's.
std::vector<MapCandidate> CandidateList(const std::vector<std::string>& fileNames,
                                        std::string_view extension, std::string_view firstBase,
                                        std::string_view pattern);

// One visited cell of the filling and the file it gets, if any.
struct CellFill {
    int row = 0;
    int col = 0;
    bool hasFile = false;
    std::string name;
    std::filesystem::path filePath;
};

// The cells visited by "Load all maps" in order, major index outer and minor inner. In
// alphabetical order the visit stops when the candidates run out; with a pattern every cell
// is visited and those whose expected name has no file get none.
std::vector<CellFill> FillPlan(const std::vector<MapCandidate>& candidates,
                               const FirstMapFile& first, std::string_view pattern,
                               MapSequence sequence, int rows, int cols);

// Names of the regular files in a folder (UTF-8), in no particular order.
bool ListFolderFiles(const std::filesystem::path& folder, std::vector<std::string>& fileNames,
                     std::string& error);

}  // namespace korvalen
