#pragma once

#include <QColor>
#include <QImage>
#include <QSize>
#include <unordered_map>

#include "images/Bitmap.h"
#include "images/MapMatrix.h"

namespace korvalen {

inline const QColor kMatrixBackground(166, 202, 240);
inline const QColor kOverviewBackground(192, 220, 192);
inline constexpr int kJoinedLightening = 48;
inline constexpr int kCellNamePointSize = 20;

// The bitmap as a QImage. 8- and 24-bit bitmaps are shared, not copied: the image is valid
// only while the bitmap is alive and unchanged. 4-bit bitmaps are converted into a copy.
QImage BitmapAsImage(const Bitmap& bitmap);

// A smooth scaling to exactly the target size. Large reductions first drop pixels down to
// twice the target, which costs a fraction of smoothing the whole source and looks the same.
QImage ScaledSmoothly(const QImage& source, QSize target);

// Raises every colour channel by the amount, clamped to 255.
void Lighten(QImage& image, int amount);

// The pictures the matrix draws in its cells, kept between redraws: reducing a large map to
// 8 bits and scaling it down is the slow part, so each cell keeps a reduced preview (about
// twice the cell size) and its last stretched picture. The owner forgets a cell when its
// bitmap is replaced.
class CellPictureCache {
public:
    // The cell's map reduced to 8 bits, stretched to size and lightened when joined.
    const QImage& Picture(int index, const Bitmap& bitmap, QSize size, bool joined);
    void Forget(int index);
    void Clear();
    std::size_t Size() const { return entries_.size(); }

private:
    struct Entry {
        const Bitmap* source = nullptr;
        int sourceWidth = 0;
        int sourceHeight = 0;
        QImage preview;
        QImage stretched;
        bool stretchedJoined = false;
    };
    static QImage MakePreview(const Bitmap& bitmap, QSize size);

    std::unordered_map<int, Entry> entries_;
};

// Fills the picture with the matrix background and frames it in blue.
void PaintMatrixBackground(QImage& picture);
// The cell's map stretched into its rectangle (with showMaps and a bitmap), or its name on
// white: blue when joined, red otherwise, centred, or left-aligned when too wide.
void DrawMatrixCell(QImage& picture, const tSingleMap& cell, int index, bool showMaps,
                    CellPictureCache& cache);
// A frame two pixels wide around the cell: red for the active cell, blue otherwise.
void DrawCellFrame(QImage& picture, const tSingleMap& cell, bool selected);
// The small overview on the result page: joined cells blue, the others white framed black.
void DrawMatrixOverview(QImage& picture, const MapMatrix& matrix);

}  // namespace korvalen
