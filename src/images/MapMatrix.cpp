#include "images/MapMatrix.h"

#include <limits>

namespace korvalen {

bool MapMatrix::NewMatrix(int rows, int cols) {
    if (rows <= 0 || cols <= 0 || rows > std::numeric_limits<uint16_t>::max() ||
        cols > std::numeric_limits<uint16_t>::max())
        return false;
    const size_t count = static_cast<size_t>(rows) * static_cast<size_t>(cols);
    if (count > kMaxCells)
        return false;
    Cells cells(count);
    for (int r = 1; r <= rows; ++r) {
        for (int c = 1; c <= cols; ++c) {
            tSingleMap& cell = cells[static_cast<size_t>((r - 1) * cols + (c - 1))];
            cell.Row = static_cast<uint16_t>(r);
            cell.Col = static_cast<uint16_t>(c);
        }
    }
    cells_ = std::move(cells);
    rows_ = rows;
    cols_ = cols;
    return true;
}

int MapMatrix::CellIndex(int r, int c) const {
    if (r < 1 || c < 1 || r > rows_ || c > cols_)
        return -1;
    return (r - 1) * cols_ + (c - 1);
}

tSingleMap* MapMatrix::Cell(int index) {
    if (index < 0 || static_cast<size_t>(index) >= cells_.size())
        return nullptr;
    return &cells_[static_cast<size_t>(index)];
}

const tSingleMap* MapMatrix::Cell(int index) const {
    if (index < 0 || static_cast<size_t>(index) >= cells_.size())
        return nullptr;
    return &cells_[static_cast<size_t>(index)];
}

bool MapMatrix::AllCellsHaveMaps() const {
    if (cells_.empty())
        return false;
    for (const tSingleMap& cell : cells_)
        if (cell.FilePath.empty() || !cell.Bitmap)
            return false;
    return true;
}

void MapMatrix::LayoutCells(int pictureWidth, int pictureHeight) {
    if (cells_.empty())
        return;
    constexpr int kGap = 3;
    const int w = (pictureWidth - cols_ * kGap) / cols_;
    const int h = (pictureHeight - rows_ * kGap) / rows_;
    for (tSingleMap& cell : cells_) {
        Rect& rect = cell.CellRect;
        rect.left = (cell.Col - 1) * (w + kGap) + 1;
        rect.top = (cell.Row - 1) * (h + kGap) + 1;
        rect.right = rect.left + w - 1;
        rect.bottom = rect.top + h - 1;
    }
}

tSingleMap* MapMatrix::CellAtPoint(int x, int y) {
    for (int c = 1; c <= cols_; ++c) {
        for (int r = 1; r <= rows_; ++r) {
            tSingleMap* cell = At(r, c);
            const Rect& rect = cell->CellRect;
            if (rect == Rect{})
                continue;  // not laid out yet
            if (x >= rect.left && x <= rect.right && y >= rect.top && y <= rect.bottom)
                return cell;
        }
    }
    return nullptr;
}

}  // namespace korvalen
