#include "images/GridPatternImages.h"

#include <memory>
#include <unordered_map>

#include "images/FileAccess.h"
#include "images/GridPattern.h"
#include "images/MapFiles.h"
#include "images/MapMatrix.h"
#include "images/NamingOrder.h"

namespace korvalen {

bool FindPatternImages(const std::filesystem::path& folder, int rows, int cols,
                       PatternImageFiles& files, std::string& error) {
    files = PatternImageFiles{};
    if (rows <= 0 || cols <= 0 || rows > kMaxPatternSide || cols > kMaxPatternSide) {
        error = kBadPatternMessage;
        return false;
    }
    std::vector<std::string> names;
    if (!ListFolderFiles(folder, names, error))
        return false;
    std::unordered_map<std::string, std::string> byLowerName;
    for (const std::string& name : names)
        byLowerName.emplace(AsciiLower(name), name);  // the first spelling wins

    const int count = rows * cols;
    files.Paths.reserve(static_cast<size_t>(count));
    for (int number = 1; number <= count; ++number) {
        const std::string wanted = PatternImageName(number, count);
        const auto found = byLowerName.find(AsciiLower(wanted));
        if (found == byLowerName.end()) {
            files.Missing = folder / wanted;
            return true;
        }
        files.Paths.push_back(folder / found->second);
    }
    return true;
}

bool LoadPatternMatrix(MapMatrix& matrix, int rows, int cols, const PatternImageFiles& files,
                       bool toEightBit, std::string& error, const PatternLoadProgress& progress) {
    const int count = rows * cols;
    if (files.Missing || rows <= 0 || cols <= 0 || static_cast<int>(files.Paths.size()) != count) {
        error = files.Missing ? DisplayPath(*files.Missing) + ": there is no such file"
                              : std::string(kBadPatternMessage);
        return false;
    }
    MapMatrix loaded;
    if (!loaded.NewMatrix(rows, cols)) {
        error = kBadPatternMessage;
        return false;
    }
    for (int number = 1; number <= count; ++number) {
        if (progress && !progress(number, count)) {
            error = "Loading was broken off";
            return false;
        }
        tSingleMap& cell = *loaded.Cell(number - 1);
        const std::filesystem::path& path = files.Paths[static_cast<size_t>(number - 1)];
        auto bitmap = std::make_unique<Bitmap>();
        if (!LoadMapFile(path, *bitmap, toEightBit, error))
            return false;
        cell.Name = PatternImageBase(number, count);
        cell.FilePath = path;
        cell.Bitmap = std::move(bitmap);
    }
    matrix = std::move(loaded);
    return true;
}

}  // namespace korvalen
