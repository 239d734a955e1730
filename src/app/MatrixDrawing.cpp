#include "app/MatrixDrawing.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>

#include "images/PixelConvert.h"

namespace korvalen {
namespace {

QVector<QRgb> ColourTable(const std::vector<Rgb>& palette) {
    QVector<QRgb> table;
    table.reserve(static_cast<int>(palette.size()));
    for (const Rgb& c : palette)
        table.push_back(qRgb(c.r, c.g, c.b));
    return table;
}

// The rectangle of a cell as QRect (its right and bottom are the last pixels inside).
QRect CellArea(const Rect& r) {
    return QRect(QPoint(r.left, r.top), QPoint(r.right, r.bottom));
}

// A ring two pixels wide: one pixel outside the area and one inside, so that the frames of
// neighbouring cells leave one background pixel of the three-pixel gap between them.
void FillRing(QPainter& painter, const QRect& area, const QColor& colour) {
    const QRect outer = area.adjusted(-1, -1, 1, 1);
    painter.fillRect(QRect(outer.left(), outer.top(), outer.width(), 2), colour);
    painter.fillRect(QRect(outer.left(), outer.bottom() - 1, outer.width(), 2), colour);
    painter.fillRect(QRect(outer.left(), outer.top(), 2, outer.height()), colour);
    painter.fillRect(QRect(outer.right() - 1, outer.top(), 2, outer.height()), colour);
}

void FrameInBlue(QImage& picture, const QColor& background) {
    picture.fill(background);
    QPainter painter(&picture);
    painter.setPen(QPen(Qt::blue, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(0, 0, picture.width() - 1, picture.height() - 1);
}

}  // namespace

QImage BitmapAsImage(const Bitmap& bitmap) {
    if (bitmap.IsEmpty())
        return {};
    const auto stride = static_cast<qsizetype>(bitmap.Stride());
    switch (bitmap.Format()) {
        case PixelFormat::Bits24:
            return QImage(bitmap.Row(0), bitmap.Width(), bitmap.Height(), stride,
                          QImage::Format_BGR888);
        case PixelFormat::Bits8: {
            QImage image(bitmap.Row(0), bitmap.Width(), bitmap.Height(), stride,
                         QImage::Format_Indexed8);
            image.setColorTable(ColourTable(bitmap.Palette()));
            return image;
        }
        case PixelFormat::Bits4: {
            const Bitmap eight = ConvertPixelFormat(bitmap, PixelFormat::Bits8);
            return BitmapAsImage(eight).copy();
        }
    }
    return {};
}

QImage ScaledSmoothly(const QImage& source, QSize target) {
    if (source.isNull() || target.isEmpty())
        return {};
    if (source.size() == target)
        return source.convertToFormat(QImage::Format_RGB32);
    const QSize twice = target * 2;
    if (source.width() > twice.width() && source.height() > twice.height()) {
        const QImage dropped = source.scaled(twice, Qt::IgnoreAspectRatio, Qt::FastTransformation);
        return dropped.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
            .convertToFormat(QImage::Format_RGB32);
    }
    return source.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
        .convertToFormat(QImage::Format_RGB32);
}

void Lighten(QImage& image, int amount) {
    if (image.format() != QImage::Format_RGB32 && image.format() != QImage::Format_ARGB32)
        image = image.convertToFormat(QImage::Format_RGB32);
    const auto raise = [amount](int channel) { return std::min(255, channel + amount); };
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = row[x];
            row[x] = qRgba(raise(qRed(p)), raise(qGreen(p)), raise(qBlue(p)), qAlpha(p));
        }
    }
}

QImage CellPictureCache::MakePreview(const Bitmap& bitmap, QSize size) {
    const QSize limit(std::min(bitmap.Width(), 2 * size.width()),
                      std::min(bitmap.Height(), 2 * size.height()));
    if (bitmap.Format() == PixelFormat::Bits8 && bitmap.HasStandardPalette())
        return ScaledSmoothly(BitmapAsImage(bitmap), limit);
    // The reduced copy lives only while the preview is made.
    const Bitmap eight = ConvertPixelFormat(bitmap, PixelFormat::Bits8);
    return ScaledSmoothly(BitmapAsImage(eight), limit);
}

const QImage& CellPictureCache::Picture(int index, const Bitmap& bitmap, QSize size, bool joined) {
    Entry& entry = entries_[index];
    if (entry.source != &bitmap || entry.sourceWidth != bitmap.Width() ||
        entry.sourceHeight != bitmap.Height()) {
        entry = Entry{&bitmap, bitmap.Width(), bitmap.Height(), {}, {}, false};
    }
    // A preview smaller than the cell (where the map has more pixels to give) is made again.
    const bool previewTooSmall =
        entry.preview.isNull() ||
        (entry.preview.width() < size.width() && entry.preview.width() < bitmap.Width()) ||
        (entry.preview.height() < size.height() && entry.preview.height() < bitmap.Height());
    if (previewTooSmall) {
        entry.preview = MakePreview(bitmap, size);
        entry.stretched = QImage();
    }
    if (entry.stretched.size() != size || entry.stretchedJoined != joined) {
        entry.stretched = ScaledSmoothly(entry.preview, size);
        if (joined)
            Lighten(entry.stretched, kJoinedLightening);
        entry.stretchedJoined = joined;
    }
    return entry.stretched;
}

void CellPictureCache::Forget(int index) {
    entries_.erase(index);
}

void CellPictureCache::Clear() {
    entries_.clear();
}

void PaintMatrixBackground(QImage& picture) {
    if (!picture.isNull())
        FrameInBlue(picture, kMatrixBackground);
}

void DrawMatrixCell(QImage& picture, const tSingleMap& cell, int index, bool showMaps,
                    CellPictureCache& cache) {
    const QRect area = CellArea(cell.CellRect);
    if (picture.isNull() || area.isEmpty())
        return;
    QPainter painter(&picture);
    if (showMaps && cell.Bitmap && !cell.Bitmap->IsEmpty()) {
        painter.drawImage(area.topLeft(),
                          cache.Picture(index, *cell.Bitmap, area.size(), cell.Joined));
        return;
    }
    painter.fillRect(area, Qt::white);
    if (cell.Name.empty())
        return;
    QFont font = painter.font();
    font.setPointSize(kCellNamePointSize);
    painter.setFont(font);
    painter.setPen(cell.Joined ? QColor(Qt::blue) : QColor(Qt::red));
    painter.setClipRect(area);
    const QString name = QString::fromStdString(cell.Name);
    const int textWidth = QFontMetrics(font, &picture).horizontalAdvance(name);
    const Qt::Alignment horizontal = textWidth > area.width() ? Qt::AlignLeft : Qt::AlignHCenter;
    painter.drawText(area, horizontal | Qt::AlignVCenter | Qt::TextSingleLine, name);
}

void DrawCellFrame(QImage& picture, const tSingleMap& cell, bool selected) {
    const QRect area = CellArea(cell.CellRect);
    if (picture.isNull() || area.isEmpty())
        return;
    QPainter painter(&picture);
    FillRing(painter, area, selected ? QColor(Qt::red) : QColor(Qt::blue));
}

void DrawMatrixOverview(QImage& picture, const MapMatrix& matrix) {
    if (picture.isNull())
        return;
    FrameInBlue(picture, kOverviewBackground);
    if (matrix.Empty())
        return;
    // The layout of the matrix picture, worked out here so the cells keep their own rectangles.
    constexpr int kGap = 3;
    const int w = (picture.width() - matrix.Cols() * kGap) / matrix.Cols();
    const int h = (picture.height() - matrix.Rows() * kGap) / matrix.Rows();
    if (w <= 0 || h <= 0)
        return;
    QPainter painter(&picture);
    for (const tSingleMap& cell : matrix) {
        const QRect area((cell.Col - 1) * (w + kGap) + 1, (cell.Row - 1) * (h + kGap) + 1, w, h);
        if (cell.Joined) {
            painter.fillRect(area, Qt::blue);
        } else {
            painter.fillRect(area, Qt::white);
            FillRing(painter, area, Qt::black);
        }
    }
}

}  // namespace korvalen
