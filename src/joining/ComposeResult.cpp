#include "joining/ComposeResult.h"

#include <algorithm>
#include <stdexcept>

#include "images/BitmapOps.h"
#include "images/MapMatrix.h"

namespace korvalen {
namespace {

bool HasMap(const tSingleMap& cell) {
    return cell.Bitmap != nullptr && !cell.Bitmap->IsEmpty();
}

std::string SizeText(const ResultMapSize& size) {
    return std::to_string(size.width) + " x " + std::to_string(size.height);
}

}  // namespace

ResultMapSize ComputeResultMapSize(const MapMatrix& matrix) {
    ResultMapSize size;
    for (const tSingleMap& cell : matrix) {
        if (!HasMap(cell))
            continue;
        size.width = std::max(size.width, int64_t{cell.X} + cell.Bitmap->Width());
        size.height = std::max(size.height, int64_t{cell.Y} + cell.Bitmap->Height());
    }
    return size;
}

// The map grows only to hold each map as it is drawn, so sizing it once for all of them
// before drawing gives the same pixels with one allocation.
Bitmap ComposeResultMap(const MapMatrix& matrix, PixelFormat format) {
    const ResultMapSize size = ComputeResultMapSize(matrix);
    if (size.width > Bitmap::kMaxSide || size.height > Bitmap::kMaxSide)
        throw std::length_error("the result map would be " + SizeText(size) + " pixels");
    Bitmap result(static_cast<int>(size.width), static_cast<int>(size.height), format);
    for (int col = 1; col <= matrix.Cols(); ++col) {
        for (int row = 1; row <= matrix.Rows(); ++row) {
            const tSingleMap& cell = *matrix.At(row, col);
            if (HasMap(cell))
                DrawBitmapAt(cell.Bitmap.get(), &result, cell.X, cell.Y);
        }
    }
    return result;
}

bool ComposeResultMap(const MapMatrix& matrix, PixelFormat format, Bitmap& result,
                      std::string& error) {
    try {
        result = ComposeResultMap(matrix, format);
    } catch (const std::length_error&) {
        error = "The result map would be " + SizeText(ComputeResultMapSize(matrix)) +
                " pixels, more than a bitmap may hold";
        return false;
    } catch (const std::bad_alloc&) {
        error = "There is not enough memory for a result map of " +
                SizeText(ComputeResultMapSize(matrix)) + " pixels";
        return false;
    }
    return true;
}

}  // namespace korvalen
