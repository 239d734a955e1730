#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "images/Bitmap.h"
#include "images/BitmapOps.h"

namespace korvalen {

// One cell of the map matrix: a single map and where it ended up in the result map.
struct tSingleMap {
    uint16_t Row = 0;                          // from 1
    uint16_t Col = 0;                          // from 1
    int32_t X = 0;                             // left edge in the result map; 0 until joined
    int32_t Y = 0;                             // top edge in the result map; 0 until joined
    std::unique_ptr<korvalen::Bitmap> Bitmap;  // null when no map is loaded
    std::filesystem::path FilePath;            // the file as named on disk; empty when none
    std::string Name;                          // lower-case file name up to its first full stop
    int8_t Correlation = -1;                   // -1 new, 0 after a restart, 100 for the first map
    // Where the cell is drawn in the matrix picture, as LayoutCells computes it:
    // right = left + w - 1 and bottom = top + h - 1, the last pixel inside the cell.
    Rect CellRect;
    bool Joined = false;
    bool IsNeighbour = false;  // only while it is the placed neighbour of a join in progress
    bool IsJoining = false;    // only while it is being joined
};

// The matrix of single maps: Rows x Cols cells held row by row, each owning its bitmap.
class MapMatrix {
public:
    using Cells = std::vector<tSingleMap>;

    // A matrix larger than this is refused: it could never be joined, and each cell
    // costs memory even when empty.
    static constexpr size_t kMaxCells = size_t{1} << 18;

    int Rows() const { return rows_; }
    int Cols() const { return cols_; }

    // Replaces every cell (and its bitmap) with new empty cells, row by row. A zero count
    // (or more than kMaxCells cells) does nothing and gives false.
    bool NewMatrix(int rows, int cols);

    // Index of the cell in row r and column c (from 1), or -1 when there is none.
    int CellIndex(int r, int c) const;
    // The cell at a list index or position; null when there is none.
    tSingleMap* Cell(int index);
    const tSingleMap* Cell(int index) const;
    tSingleMap* At(int r, int c) { return Cell(CellIndex(r, c)); }
    const tSingleMap* At(int r, int c) const { return Cell(CellIndex(r, c)); }

    size_t Size() const { return cells_.size(); }
    bool Empty() const { return cells_.empty(); }
    Cells::iterator begin() { return cells_.begin(); }
    Cells::iterator end() { return cells_.end(); }
    Cells::const_iterator begin() const { return cells_.begin(); }
    Cells::const_iterator end() const { return cells_.end(); }

    // True when every cell has a file and a bitmap: only then can the maps be joined.
    bool AllCellsHaveMaps() const;

    // Lays the cells out over a picture of the given size with a gap of 3 pixels and sets
    // every CellRect. Cells get no area when the picture is too small for them.
    void LayoutCells(int pictureWidth, int pictureHeight);
    // The first cell, column by column and within a column row by row, whose CellRect
    // holds the point (right and bottom included); null when none does.
    tSingleMap* CellAtPoint(int x, int y);

private:
    int rows_ = 0;
    int cols_ = 0;
    Cells cells_;
};

}  // namespace korvalen
