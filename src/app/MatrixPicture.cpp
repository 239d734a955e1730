#include "app/MatrixPicture.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

#include "app/MatrixDrawing.h"

namespace korvalen {

PictureBox::PictureBox(const QColor& background, QWidget* parent)
    : QWidget(parent), background_(background) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::NoFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setMinimumSize(1, 1);
}

QImage& PictureBox::NewPicture() {
    picture_ = QImage(std::max(1, width()), std::max(1, height()), QImage::Format_RGB32);
    picture_.fill(background_);
    return picture_;
}

void PictureBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(0, 0, picture_);
    // Until the owner draws the picture for a new size, the uncovered part shows the background.
    if (picture_.width() < width())
        painter.fillRect(picture_.width(), 0, width() - picture_.width(), height(), background_);
    if (picture_.height() < height())
        painter.fillRect(0, picture_.height(), width(), height() - picture_.height(), background_);
}

void PictureBox::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    emit resized();
}

MatrixPicture::MatrixPicture(QWidget* parent) : PictureBox(kMatrixBackground, parent) {}

void MatrixPicture::mousePressEvent(QMouseEvent* event) {
    emit pressed(event->position().toPoint());
}

void MatrixPicture::mouseDoubleClickEvent(QMouseEvent* event) {
    emit pressed(event->position().toPoint());
    emit doubleClicked();
}

StretchedPicture::StretchedPicture(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void StretchedPicture::SetBitmap(const Bitmap* bitmap) {
    bitmap_ = bitmap;
    Rescale();
    update();
}

void StretchedPicture::Rescale() {
    scaled_ = QImage();
    if (bitmap_ && !bitmap_->IsEmpty() && width() > 0 && height() > 0)
        scaled_ = ScaledSmoothly(BitmapAsImage(*bitmap_), size());
}

void StretchedPicture::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (scaled_.isNull())
        painter.fillRect(rect(), palette().window());
    else
        painter.drawImage(0, 0, scaled_);
}

void StretchedPicture::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Rescale();
}

}  // namespace korvalen
