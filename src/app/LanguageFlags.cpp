#include "app/LanguageFlags.h"

#include <QPainter>
#include <QPainterPath>

namespace korvalen {
namespace {

// A thin grey frame keeps the white parts of a flag apart from a light background.
void DrawFrame(QPainter& painter, QSize size) {
    painter.resetTransform();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QColor(110, 110, 110));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(0, 0, size.width() - 1, size.height() - 1);
}

}  // namespace

QPixmap EnglishFlag(QSize size) {
    QPixmap flag(size);
    flag.fill(QColor(1, 33, 105));
    QPainter painter(&flag);
    painter.setRenderHint(QPainter::Antialiasing);
    // Drawn on a 60 x 30 design grid and stretched to the picture.
    painter.scale(size.width() / 60.0, size.height() / 30.0);
    const QLineF diagonals[2] = {QLineF(0, 0, 60, 30), QLineF(0, 30, 60, 0)};
    painter.setPen(QPen(Qt::white, 6, Qt::SolidLine, Qt::FlatCap));
    painter.drawLines(diagonals, 2);

    // The red diagonals are counterchanged: in each quarter they run on one side of the white.
    QPainterPath quarters;
    quarters.addPolygon(QPolygonF({{30, 15}, {60, 15}, {60, 30}}));
    quarters.addPolygon(QPolygonF({{30, 15}, {30, 30}, {0, 30}}));
    quarters.addPolygon(QPolygonF({{30, 15}, {0, 15}, {0, 0}}));
    quarters.addPolygon(QPolygonF({{30, 15}, {30, 0}, {60, 0}}));
    painter.save();
    painter.setClipPath(quarters);
    const QColor red(200, 16, 46);
    painter.setPen(QPen(red, 4, Qt::SolidLine, Qt::FlatCap));
    painter.drawLines(diagonals, 2);
    painter.restore();

    const QLineF cross[2] = {QLineF(30, 0, 30, 30), QLineF(0, 15, 60, 15)};
    painter.setPen(QPen(Qt::white, 10, Qt::SolidLine, Qt::FlatCap));
    painter.drawLines(cross, 2);
    painter.setPen(QPen(red, 6, Qt::SolidLine, Qt::FlatCap));
    painter.drawLines(cross, 2);
    DrawFrame(painter, size);
    return flag;
}

QPixmap GermanFlag(QSize size) {
    QPixmap flag(size);
    QPainter painter(&flag);
    const QColor bands[3] = {QColor(0, 0, 0), QColor(221, 0, 0), QColor(255, 206, 0)};
    for (int band = 0; band < 3; ++band) {
        const int top = size.height() * band / 3;
        const int bottom = size.height() * (band + 1) / 3;
        painter.fillRect(0, top, size.width(), bottom - top, bands[band]);
    }
    DrawFrame(painter, size);
    return flag;
}

QPixmap LanguageFlag(int language, QSize size) {
    return language == 1 ? GermanFlag(size) : EnglishFlag(size);
}

}  // namespace korvalen
