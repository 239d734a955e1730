#include "joining/ToolPicture.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QScrollArea>

#include "app/MatrixDrawing.h"

// Resources of a static library are registered by name, outside any namespace.
static void InitJoiningCursors() {
    Q_INIT_RESOURCE(joining_cursors);
}

namespace korvalen {

ToolPicture::ToolPicture(QSize pictureSize, Painter painter, QWidget* parent)
    : QWidget(parent), pictureSize_(pictureSize), painter_(std::move(painter)) {
    setObjectName(QStringLiteral("iMap"));
    setFixedSize(pictureSize_.expandedTo(QSize(1, 1)));
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::NoFocus);
}

QPoint ToolPicture::ImageToBitmapPoint(QPoint position) const {
    const int w = std::max(width(), 1);
    const int h = std::max(height(), 1);
    return {static_cast<int>(int64_t{position.x()} * pictureSize_.width() / w),
            static_cast<int>(int64_t{position.y()} * pictureSize_.height() / h)};
}

void ToolPicture::SetPointer(ToolPointer pointer) {
    if (pointer == pointer_)
        return;
    pointer_ = pointer;
    if (pointer == ToolPointer::Arrow)
        unsetCursor();
    else
        setCursor(CursorFor(pointer));
}

QImage ToolPicture::Render(const QRect& area) const {
    const QRect part = area.isNull() ? QRect(QPoint(0, 0), pictureSize_) : area;
    QImage image(part.size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.translate(-part.topLeft());
    painter_(painter, part);
    return image;
}

void ToolPicture::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    for (const QRect& area : event->region()) {
        painter.save();
        painter.setClipRect(area);
        painter_(painter, area);
        painter.restore();
    }
}

void ToolPicture::mousePressEvent(QMouseEvent* event) {
    emit pressed(ImageToBitmapPoint(event->position().toPoint()), event->button());
}

void ToolPicture::mouseMoveEvent(QMouseEvent* event) {
    emit moved(ImageToBitmapPoint(event->position().toPoint()));
}

void ToolPicture::mouseReleaseEvent(QMouseEvent* event) {
    emit released(ImageToBitmapPoint(event->position().toPoint()), event->button());
}

QScrollArea* MakePictureScrollBox(ToolPicture* picture, QWidget* parent) {
    auto* box = new QScrollArea(parent);
    box->setObjectName(QStringLiteral("sbMap"));
    box->setWidget(picture);
    box->setWidgetResizable(false);
    box->setFocusPolicy(Qt::NoFocus);
    box->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return box;
}

QCursor CursorFor(ToolPointer pointer) {
    switch (pointer) {
        case ToolPointer::Arrow:
            return QCursor(Qt::ArrowCursor);
        case ToolPointer::SizeWE:
            return QCursor(Qt::SizeHorCursor);
        case ToolPointer::SizeNS:
            return QCursor(Qt::SizeVerCursor);
        case ToolPointer::SizeNWSE:
            return QCursor(Qt::SizeFDiagCursor);
        case ToolPointer::SizeNESW:
            return QCursor(Qt::SizeBDiagCursor);
        case ToolPointer::SizeAll:
            return QCursor(Qt::SizeAllCursor);
        case ToolPointer::Crosshair:
            return CrosshairCursor();
        case ToolPointer::Forbidden:
            return QCursor(Qt::ForbiddenCursor);
    }
    return QCursor(Qt::ArrowCursor);
}

QCursor CrosshairCursor() {
    static const QCursor cursor = [] {
        InitJoiningCursors();
        const QPixmap image(QStringLiteral(":/joining/cursors/crosshairs.png"));
        // Without the image the toolkit's own cross still shows where the point goes.
        return image.isNull() ? QCursor(Qt::CrossCursor) : QCursor(image, 15, 15);
    }();
    return cursor;
}

QImage DisplayImage(const Bitmap& bitmap) {
    if (bitmap.IsEmpty())
        return {};
    return BitmapAsImage(bitmap).convertToFormat(QImage::Format_RGB32);
}

QRect ToQRect(const Rect& r) {
    return QRect(r.left, r.top, r.Width(), r.Height());
}

QRect ToQRect(const PixelBox& box) {
    return QRect(QPoint(box.left, box.top), QPoint(box.right, box.bottom));
}

QRegion FrameRegion(const QRect& rect, int penWidth) {
    const int reach = penWidth / 2 + 2;
    const QRect outer = rect.adjusted(-reach, -reach, reach, reach);
    const QRect inner = rect.adjusted(reach, reach, -reach, -reach);
    if (!inner.isValid() || inner.isEmpty())
        return QRegion(outer);
    return QRegion(outer).subtracted(QRegion(inner));
}

KeyPreview::KeyPreview(QWidget* form, Handler handler) : QObject(form), handler_(handler) {
    Watch(form);
}

void KeyPreview::Watch(QWidget* widget) {
    widget->installEventFilter(this);
    for (QWidget* child : widget->findChildren<QWidget*>())
        child->installEventFilter(this);
}

bool KeyPreview::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && handler_(static_cast<QKeyEvent*>(event)))
        return true;
    return QObject::eventFilter(watched, event);
}

void PlaceOverCaller(QWidget* form, QWidget* caller) {
    if (caller == nullptr) {
        const QScreen* screen = QApplication::primaryScreen();
        const QRect available = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
        form->resize(available.size() * 3 / 4);
        return;
    }
    const QRect area = caller->geometry().adjusted(50, 50, -50, -50);
    form->setWindowState(Qt::WindowNoState);
    form->setGeometry(area.width() > 200 && area.height() > 150 ? area : caller->geometry());
}

}  // namespace korvalen
