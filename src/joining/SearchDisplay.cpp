#include "joining/SearchDisplay.h"

#include <QPaintEvent>
#include <QPainter>
#include <QRegion>
#include <algorithm>
#include <array>

#include "app/MatrixDrawing.h"
#include "images/MapMatrix.h"
#include "joining/SelfSearch.h"

namespace korvalen {
namespace {

// A ring of the frame's width around the rectangle, half outside and half inside, so that a
// frame two pixels wide leaves the rectangle's own edge pixels visible beside it.
QRect OuterEdge(const FramedPicture::Frame& frame) {
    const int out = frame.width / 2;
    return frame.rect.adjusted(-out, -out, out, out);
}

QRegion RingRegion(const FramedPicture::Frame& frame) {
    if (frame.rect.isEmpty())
        return {};
    const QRect outer = OuterEdge(frame);
    const QRect inner = outer.adjusted(frame.width, frame.width, -frame.width, -frame.width);
    return inner.isEmpty() ? QRegion(outer) : QRegion(outer).subtracted(QRegion(inner));
}

// Chart values ranked so that a reduced block shows its highest correlation: unscored lowest,
// then positions only known to be below the best, then the correlations.
static_assert(SelfSearch::kChartUnscored == 255 && SelfSearch::kChartBelowBest == 254);
inline uint8_t ChartRank(uint8_t value) {
    const uint8_t r = static_cast<uint8_t>(value + 2);  // 255 -> 1, 254 -> 0, n -> n + 2
    return static_cast<uint8_t>(r ^ (r < 2 ? 1 : 0));
}

const std::array<QRgb, 256>& ChartTable() {
    // Indexed by rank.
    static const std::array<QRgb, 256> table = [] {
        std::array<QRgb, 256> t{};
        for (int v = 0; v < 256; ++v) {
            const Rgb c = SelfSearch::ChartColour(static_cast<uint8_t>(v));
            t[ChartRank(static_cast<uint8_t>(v))] = qRgb(c.r, c.g, c.b);
        }
        return t;
    }();
    return table;
}

}  // namespace

QImage ImageCopyOf(const Bitmap& bitmap) {
    return BitmapAsImage(bitmap).convertToFormat(QImage::Format_RGB32);
}

QColor ColourOfValue(uint32_t value) {
    return QColor(static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
                  static_cast<int>((value >> 16) & 0xFF));
}

// ---- FramedPicture --------------------------------------------------------------------------

FramedPicture::FramedPicture(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::NoFocus);
}

void FramedPicture::SetPicture(QImage picture) {
    picture_ = std::move(picture);
    setFixedSize(picture_.isNull() ? QSize(1, 1) : picture_.size());
    update();
}

void FramedPicture::SetOverlay(const QImage& overlay, QPoint topLeft) {
    const QRect before(overlayAt_, overlay_.size());
    const QRect after(topLeft, overlay.size());
    if (before == after && overlay.cacheKey() == overlay_.cacheKey())
        return;
    overlay_ = overlay;
    overlayAt_ = topLeft;
    update(before);
    update(after);
}

void FramedPicture::SetFrame(int slot, const Frame& frame) {
    if (slot < 0)
        return;
    if (static_cast<size_t>(slot) >= frames_.size())
        frames_.resize(static_cast<size_t>(slot) + 1);
    Frame& old = frames_[static_cast<size_t>(slot)];
    if (old.rect == frame.rect && old.colour == frame.colour && old.width == frame.width)
        return;
    update(RingRegion(old));
    old = frame;
    update(RingRegion(old));
}

QImage FramedPicture::Rendered() const {
    QImage image(size(), QImage::Format_RGB32);
    QPainter painter(&image);
    Paint(painter, rect());
    return image;
}

void FramedPicture::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    Paint(painter, event->rect());
}

void FramedPicture::Paint(QPainter& painter, const QRect& area) const {
    const QRect shown = area & picture_.rect();
    if (shown != area)
        painter.fillRect(area, palette().window());
    if (!shown.isEmpty())
        painter.drawImage(shown.topLeft(), picture_, shown);
    if (!overlay_.isNull()) {
        const QRect place = QRect(overlayAt_, overlay_.size()) & area;
        if (!place.isEmpty())
            painter.drawImage(place.topLeft(), overlay_, place.translated(-overlayAt_));
    }
    for (const Frame& frame : frames_) {
        if (frame.rect.isEmpty() || frame.width <= 0)
            continue;
        const QRect outer = OuterEdge(frame);
        if (!outer.intersects(area))
            continue;
        const int w = frame.width;
        painter.fillRect(QRect(outer.left(), outer.top(), outer.width(), w), frame.colour);
        painter.fillRect(QRect(outer.left(), outer.bottom() - w + 1, outer.width(), w),
                         frame.colour);
        painter.fillRect(QRect(outer.left(), outer.top(), w, outer.height()), frame.colour);
        painter.fillRect(QRect(outer.right() - w + 1, outer.top(), w, outer.height()),
                         frame.colour);
    }
}

// ---- ImageBox -------------------------------------------------------------------------------

ImageBox::ImageBox(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::NoFocus);
}

void ImageBox::SetImage(QImage image) {
    image_ = std::move(image);
    update();
}

void ImageBox::SetEnlarged(bool enlarged) {
    enlarged_ = enlarged;
    update();
}

void ImageBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    if (image_.isNull())
        return;
    QSize shown = image_.size();
    if (shown.width() > width() || shown.height() > height()) {
        shown.scale(size(), Qt::KeepAspectRatio);
    } else if (enlarged_) {
        shown.scale(size(), Qt::KeepAspectRatio);
    }
    const QRect place(QPoint((width() - shown.width()) / 2, (height() - shown.height()) / 2),
                      shown);
    // Reduced pictures are smoothed; enlarged ones keep one block per pixel.
    painter.setRenderHint(QPainter::SmoothPixmapTransform,
                          shown.width() < image_.width() || shown.height() < image_.height());
    painter.drawImage(place, image_);
}

// ---- ChartRenderer --------------------------------------------------------------------------

void ChartRenderer::Render(const std::vector<uint8_t>& chart, int width, int height, QSize maxSize,
                           QImage& image) {
    if (width <= 0 || height <= 0 || chart.size() < static_cast<size_t>(width) * height ||
        maxSize.width() <= 0 || maxSize.height() <= 0) {
        image = QImage();
        return;
    }
    const int bx = (width + maxSize.width() - 1) / maxSize.width();
    const int by = (height + maxSize.height() - 1) / maxSize.height();
    block_ = std::max({1, bx, by});
    const int shownWidth = (width + block_ - 1) / block_;
    const int shownHeight = (height + block_ - 1) / block_;
    if (image.width() != shownWidth || image.height() != shownHeight ||
        image.format() != QImage::Format_RGB32)
        image = QImage(shownWidth, shownHeight, QImage::Format_RGB32);

    const std::array<QRgb, 256>& table = ChartTable();
    rowMax_.resize(static_cast<size_t>(width));
    for (int dy = 0; dy < shownHeight; ++dy) {
        // Column maxima over the block's rows first (a plain loop the compiler vectorises),
        // then across each block's columns, by rank.
        std::fill(rowMax_.begin(), rowMax_.end(), uint8_t{0});
        const int lastRow = std::min(height, (dy + 1) * block_);
        for (int y = dy * block_; y < lastRow; ++y) {
            const uint8_t* source = chart.data() + static_cast<size_t>(y) * width;
            uint8_t* m = rowMax_.data();
            for (int x = 0; x < width; ++x) {
                const uint8_t v = ChartRank(source[x]);
                m[x] = v > m[x] ? v : m[x];
            }
        }
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(dy));
        if (block_ == 1) {
            for (int x = 0; x < width; ++x)
                out[x] = table[rowMax_[static_cast<size_t>(x)]];
            continue;
        }
        for (int dx = 0; dx < shownWidth; ++dx) {
            const auto first = rowMax_.begin() + static_cast<ptrdiff_t>(dx) * block_;
            const auto last = rowMax_.begin() + std::min(width, (dx + 1) * block_);
            out[dx] = table[*std::max_element(first, last)];
        }
    }
}

// ---- Matrix overview ------------------------------------------------------------------------

void DrawJoinOverview(QImage& picture, int rows, int cols, const std::vector<OverviewCell>& cells) {
    if (picture.isNull())
        return;
    picture.fill(kOverviewBackground);
    if (rows <= 0 || cols <= 0)
        return;
    constexpr int kGap = 3;
    const int w = (picture.width() - kGap * cols) / cols;
    const int h = (picture.height() - kGap * rows) / rows;
    if (w <= 0 || h <= 0)
        return;
    QPainter painter(&picture);
    for (const OverviewCell& cell : cells) {
        if (cell.row < 1 || cell.row > rows || cell.col < 1 || cell.col > cols)
            continue;
        const QRect area((cell.col - 1) * (w + kGap) + 1, (cell.row - 1) * (h + kGap) + 1, w, h);
        if (cell.joining) {
            painter.fillRect(area, Qt::red);
        } else if (cell.neighbour) {
            painter.fillRect(area, QColor(0, 128, 0));
        } else if (cell.joined) {
            painter.fillRect(area, Qt::blue);
        } else {
            painter.fillRect(area, Qt::white);
            painter.setPen(Qt::black);
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(area.adjusted(0, 0, -1, -1));
        }
    }
}

std::vector<OverviewCell> OverviewCellsOf(const MapMatrix& matrix) {
    std::vector<OverviewCell> cells;
    cells.reserve(matrix.Size());
    for (const tSingleMap& cell : matrix)
        cells.push_back({cell.Row, cell.Col, cell.Joined, cell.IsNeighbour, cell.IsJoining});
    return cells;
}

}  // namespace korvalen
