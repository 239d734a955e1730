#pragma once

#include <QColor>
#include <QPoint>
#include <QSize>
#include <QWidget>
#include <functional>
#include <vector>

#include "images/Bitmap.h"

namespace korvalen {

// One map placed on the adjust form's picture: the part of bitmap from (0, 0) of size `size`
// at `origin` in picture pixels.
struct PictureLayer {
    const Bitmap* bitmap = nullptr;
    QPoint origin;
    QSize size;
};

// The adjust form's picture of one map, or of the map beside its neighbour. It holds no copy
// of the maps: each paint samples only the exposed part at the shown scale, so zooming and
// scrolling a map of many megapixels never rescale the whole map. Widget positions are
// turned into picture pixels as column = x * picture width / widget width (and the same for
// rows), so clicks hold whether the picture is stretched or zoomed.
class AdjustPicture : public QWidget {
    Q_OBJECT
public:
    using Overlay = std::function<void(QPainter& painter, double scaleX, double scaleY)>;

    explicit AdjustPicture(QWidget* parent = nullptr);

    // The maps in drawing order (later ones cover earlier ones) on a picture of pictureSize
    // filled with the background colour.
    void SetLayers(std::vector<PictureLayer> layers, QSize pictureSize, QColor background);
    void SetOverlay(Overlay overlay) { overlay_ = std::move(overlay); }
    QSize PictureSize() const { return pictureSize_; }

    QPoint ToPicture(QPoint widgetPosition) const;
    // A widget position that ToPicture turns into the picture pixel.
    QPoint ToWidget(QPoint picturePixel) const;
    // The picture as shown at the widget's size, for a part of the widget or all of it.
    QImage Render(const QRect& area = QRect()) const;

signals:
    void pressed(QPoint picturePixel, Qt::MouseButton button);
    void moved(QPoint picturePixel);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    std::vector<PictureLayer> layers_;
    QSize pictureSize_{1, 1};
    QColor background_;
    Overlay overlay_;
};

}  // namespace korvalen
