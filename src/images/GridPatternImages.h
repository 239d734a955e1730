#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace korvalen {

class MapMatrix;

// The files of a pattern's images in a folder, numbered 1 to rows x cols row by row. Names
// match without regard to case; each path keeps the name as it is on disk.
struct PatternImageFiles {
    std::vector<std::filesystem::path> Paths;      // index = number - 1
    std::optional<std::filesystem::path> Missing;  // the first image that is not there
};
bool FindPatternImages(const std::filesystem::path& folder, int rows, int cols,
                       PatternImageFiles& files, std::string& error);

// Told before each image is read (number from 1); false breaks off.
using PatternLoadProgress = std::function<bool(int number, int total)>;

// A new rows x cols matrix whose cells hold the pattern's images, row by row, named by their
// padded number. False with the message of the first image that cannot be read; the matrix
// given is left as it was then.
bool LoadPatternMatrix(MapMatrix& matrix, int rows, int cols, const PatternImageFiles& files,
                       bool toEightBit, std::string& error,
                       const PatternLoadProgress& progress = {});

}  // namespace korvalen
