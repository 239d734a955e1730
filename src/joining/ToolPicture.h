#pragma once

#include <QCursor>
#include <QImage>
#include <QObject>
#include <QRect>
#include <QRegion>
#include <QWidget>
#include <functional>

#include "images/Bitmap.h"
#include "images/BitmapOps.h"
#include "joining/BandAreaGeometry.h"

class QKeyEvent;
class QScrollArea;

namespace korvalen {

// The picture of a joining tool, shown 1:1 in a scroll box. It holds no composite bitmap:
// each paint draws only the exposed part from the tool's pictures, so large maps stay cheap
// to drag over, and the tools ask for repaints of the rectangles that changed.
class ToolPicture : public QWidget {
    Q_OBJECT
public:
    using Painter = std::function<void(QPainter& painter, const QRect& area)>;

    ToolPicture(QSize pictureSize, Painter painter, QWidget* parent = nullptr);

    QSize PictureSize() const { return pictureSize_; }
    // A widget position in picture pixels (the picture's size over the widget's, per axis).
    QPoint ImageToBitmapPoint(QPoint position) const;
    void SetPointer(ToolPointer pointer);
    ToolPointer Pointer() const { return pointer_; }
    // The picture as the screen shows it, for the whole picture or a part of it.
    QImage Render(const QRect& area = QRect()) const;

signals:
    void pressed(QPoint position, Qt::MouseButton button);
    void moved(QPoint position);
    void released(QPoint position, Qt::MouseButton button);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QSize pictureSize_;
    Painter painter_;
    ToolPointer pointer_ = ToolPointer::Arrow;
};

// A scroll box around the picture that leaves the keys to the form.
QScrollArea* MakePictureScrollBox(ToolPicture* picture, QWidget* parent);

// The cursor for a pointer shape; the crosshair is the program's own cursor image.
QCursor CursorFor(ToolPointer pointer);
QCursor CrosshairCursor();

// A bitmap as an image that paints fast (32 bits per pixel, its own copy).
QImage DisplayImage(const Bitmap& bitmap);
QRect ToQRect(const Rect& r);        // right and bottom exclusive
QRect ToQRect(const PixelBox& box);  // right and bottom inside
// The pixels a frame drawn with a pen of this width around the rectangle may touch.
QRegion FrameRegion(const QRect& rect, int penWidth);

// Sends every key pressed anywhere in the form to the handler first (the form previews the
// keys); a handler returning true takes the key.
class KeyPreview : public QObject {
public:
    using Handler = std::function<bool(QKeyEvent* event)>;
    KeyPreview(QWidget* form, Handler handler);
    // Watches widgets created after construction too.
    void Watch(QWidget* widget);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Handler handler_;
};

// The tools open over their caller: 50 pixels in from each of its sides.
void PlaceOverCaller(QWidget* form, QWidget* caller);

}  // namespace korvalen
