#include "images/AdjustPicture.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>

namespace korvalen {
namespace {

// The colour of a pixel as 0xffRRGGBB; the bitmap's format decides how it is read.
inline QRgb PixelRgb(const Bitmap& bitmap, int x, int y) {
    const uint8_t* row = bitmap.Row(y);
    switch (bitmap.Format()) {
        case PixelFormat::Bits24: {
            const uint8_t* p = row + static_cast<size_t>(x) * 3;
            return qRgb(p[2], p[1], p[0]);
        }
        case PixelFormat::Bits8: {
            const Rgb c = bitmap.Palette()[row[x]];
            return qRgb(c.r, c.g, c.b);
        }
        case PixelFormat::Bits4: {
            const uint8_t byte = row[x / 2];
            const Rgb c = bitmap.Palette()[(x & 1) ? (byte & 0x0F) : (byte >> 4)];
            return qRgb(c.r, c.g, c.b);
        }
    }
    return qRgb(0, 0, 0);
}

}  // namespace

AdjustPicture::AdjustPicture(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void AdjustPicture::SetLayers(std::vector<PictureLayer> layers, QSize pictureSize,
                              QColor background) {
    layers_ = std::move(layers);
    pictureSize_ = pictureSize.expandedTo(QSize(1, 1));
    background_ = background;
    update();
}

QPoint AdjustPicture::ToPicture(QPoint p) const {
    const int64_t w = std::max(1, width()), h = std::max(1, height());
    return QPoint(static_cast<int>(int64_t{p.x()} * pictureSize_.width() / w),
                  static_cast<int>(int64_t{p.y()} * pictureSize_.height() / h));
}

QPoint AdjustPicture::ToWidget(QPoint pixel) const {
    // The smallest widget position whose column (row) is the pixel's.
    const auto back = [](int v, int widget, int picture) {
        return static_cast<int>((int64_t{v} * widget + picture - 1) / picture);
    };
    return QPoint(back(pixel.x(), std::max(1, width()), pictureSize_.width()),
                  back(pixel.y(), std::max(1, height()), pictureSize_.height()));
}

QImage AdjustPicture::Render(const QRect& area) const {
    const QRect part = (area.isNull() ? rect() : area).intersected(rect());
    QImage image(part.size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    image.fill(background_);
    const int64_t w = std::max(1, width()), h = std::max(1, height());
    // Picture columns of the widget columns of this part, computed once per paint.
    std::vector<int> columns(static_cast<size_t>(part.width()));
    for (int i = 0; i < part.width(); ++i)
        columns[static_cast<size_t>(i)] =
            static_cast<int>((part.left() + i) * int64_t{pictureSize_.width()} / w);
    for (const PictureLayer& layer : layers_) {
        if (!layer.bitmap || layer.bitmap->IsEmpty())
            continue;
        const int lw = std::min(layer.size.width(), layer.bitmap->Width());
        const int lh = std::min(layer.size.height(), layer.bitmap->Height());
        for (int j = 0; j < part.height(); ++j) {
            const int py = static_cast<int>((part.top() + j) * int64_t{pictureSize_.height()} / h);
            const int ly = py - layer.origin.y();
            if (ly < 0 || ly >= lh)
                continue;
            auto* out = reinterpret_cast<QRgb*>(image.scanLine(j));
            for (int i = 0; i < part.width(); ++i) {
                const int lx = columns[static_cast<size_t>(i)] - layer.origin.x();
                if (lx >= 0 && lx < lw)
                    out[i] = PixelRgb(*layer.bitmap, lx, ly);
            }
        }
    }
    if (overlay_) {
        QPainter painter(&image);
        painter.translate(-part.topLeft());
        overlay_(painter, static_cast<double>(w) / pictureSize_.width(),
                 static_cast<double>(h) / pictureSize_.height());
    }
    return image;
}

void AdjustPicture::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QRect area = event->rect();
    painter.drawImage(area.topLeft(), Render(area));
}

void AdjustPicture::mousePressEvent(QMouseEvent* event) {
    emit pressed(ToPicture(event->position().toPoint()), event->button());
}

void AdjustPicture::mouseMoveEvent(QMouseEvent* event) {
    emit moved(ToPicture(event->position().toPoint()));
}

}  // namespace korvalen
