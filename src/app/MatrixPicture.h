#pragma once

#include <QImage>
#include <QWidget>

#include "images/Bitmap.h"

namespace korvalen {

// A picture drawn by the program into a QImage and shown 1:1, so that tests can read its
// pixels. It tells its owner when its size changes, so the owner can draw it anew.
class PictureBox : public QWidget {
    Q_OBJECT
public:
    explicit PictureBox(const QColor& background, QWidget* parent = nullptr);

    QImage& Picture() { return picture_; }
    const QImage& Picture() const { return picture_; }
    // A fresh picture of the widget's size (at least 1 x 1).
    QImage& NewPicture();

signals:
    void resized();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QColor background_;
    QImage picture_;
};

// The matrix picture on the single-maps page: a press selects a cell, a double click runs
// the active map command. It never takes the keyboard focus, so the arrow keys reach the
// main window.
class MatrixPicture : public PictureBox {
    Q_OBJECT
public:
    explicit MatrixPicture(QWidget* parent = nullptr);

signals:
    void pressed(QPoint position);
    void doubleClicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
};

// The result map stretched to fill the widget. The scaled picture is kept until the size or
// the map changes; the owner calls SetBitmap again whenever it replaces or changes the map.
class StretchedPicture : public QWidget {
    Q_OBJECT
public:
    explicit StretchedPicture(QWidget* parent = nullptr);

    void SetBitmap(const Bitmap* bitmap);
    const QImage& Shown() const { return scaled_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void Rescale();

    const Bitmap* bitmap_ = nullptr;
    QImage scaled_;
};

}  // namespace korvalen
