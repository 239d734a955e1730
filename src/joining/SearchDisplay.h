#pragma once

#include <QColor>
#include <QImage>
#include <QRect>
#include <QWidget>
#include <cstdint>
#include <vector>

#include "images/Bitmap.h"

namespace korvalen {

class MapMatrix;

// The bitmap as an RGB32 copy, which paints fast and stays valid when the bitmap goes.
QImage ImageCopyOf(const Bitmap& bitmap);

// The colour of a setting written 0x00BBGGRR.
QColor ColourOfValue(uint32_t value);

// A picture shown 1:1 at a fixed size with an overlay picture and frames drawn over it: the
// target area with the search band on it, the preview with its overlap. Moving the overlay or a
// frame repaints only what changes, so the search can show every position it breathes at.
class FramedPicture : public QWidget {
    Q_OBJECT
public:
    explicit FramedPicture(QWidget* parent = nullptr);

    void SetPicture(QImage picture);
    const QImage& Picture() const { return picture_; }
    // The overlay picture and where its top-left lies; a null picture shows none.
    void SetOverlay(const QImage& overlay, QPoint topLeft);
    // Frames by slot: each slot holds one rectangle (the last pixels inside it belong to it);
    // an empty rectangle shows none.
    struct Frame {
        QRect rect;
        QColor colour;
        int width = 2;
    };
    void SetFrame(int slot, const Frame& frame);
    // What the widget shows, for tests and screenshots.
    QImage Rendered() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    static QRect Reach(const Frame& frame);
    void Paint(QPainter& painter, const QRect& area) const;

    QImage picture_;
    QImage overlay_;
    QPoint overlayAt_;
    std::vector<Frame> frames_;
};

// A small picture fitted into its box: 1:1 when it fits, otherwise reduced keeping its shape.
class ImageBox : public QWidget {
    Q_OBJECT
public:
    explicit ImageBox(QWidget* parent = nullptr);
    void SetImage(QImage image);
    const QImage& Image() const { return image_; }
    // Small pictures are enlarged to fit the box, their pixels kept sharp.
    void SetEnlarged(bool enlarged);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage image_;
    bool enlarged_ = false;
};

// The distribution chart: one byte per centre position (a correlation or 255 for unscored),
// shown in the chart colours. Charts larger than the box are reduced in whole blocks, each
// block showing the highest correlation in it, so the best place never disappears.
class ChartRenderer {
public:
    // Renders into image, reusing it when the size stays. maxSize: the largest size shown.
    void Render(const std::vector<uint8_t>& chart, int width, int height, QSize maxSize,
                QImage& image);
    // The block edge used for the last render (1 = one pixel per position).
    int BlockSize() const { return block_; }

private:
    std::vector<uint8_t> rowMax_;
    std::vector<uint8_t> reduced_;
    int block_ = 1;
};

// The small matrix overview of the self-search window: the neighbour green, joined maps
// blue, the map being joined red, the others white with a black frame.
struct OverviewCell {
    int row = 0, col = 0;
    bool joined = false, neighbour = false, joining = false;
};
void DrawJoinOverview(QImage& picture, int rows, int cols, const std::vector<OverviewCell>& cells);
// The cells of a matrix as the overview shows them.
std::vector<OverviewCell> OverviewCellsOf(const MapMatrix& matrix);

}  // namespace korvalen
