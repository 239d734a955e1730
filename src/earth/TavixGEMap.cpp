#include "earth/TavixGEMap.h"

#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>
#include <algorithm>

#include "app/FormTranslation.h"
#include "app/MatrixDrawing.h"
#include "earth/CapturePlan.h"

namespace korvalen {

TfTavixGEMap::TfTavixGEMap(int language, QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::WindowStaysOnTopHint), language_(language) {
    setObjectName(QStringLiteral("TfTavixGEMap"));
    setWindowTitle(QStringLiteral("Overview"));
    setGeometry(2, 114, 320, 240);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    iMap = new QLabel(this);
    iMap->setObjectName(QStringLiteral("iMap"));
    iMap->setMinimumSize(1, 1);
    iMap->setAlignment(Qt::AlignCenter);
    layout->addWidget(iMap);
}

void TfTavixGEMap::showEvent(QShowEvent* event) {
    TranslateForm(this, language_);
    QDialog::showEvent(event);
}

void TfTavixGEMap::SetSnapshot(int width, int height, const Bitmap& bitmap, int overlapPercent) {
    SnapshotWidth = width;
    SnapshotHeight = height;
    OverlapPercent = overlapPercent;
    Snapshot = bitmap;
}

void TfTavixGEMap::DrawGrid(int rows, int cols) {
    GridRows = rows;
    GridCols = cols;
    picture_ = Snapshot.IsEmpty() ? QImage(std::max(SnapshotWidth, 1), std::max(SnapshotHeight, 1),
                                           QImage::Format_RGB888)
                                  : BitmapAsImage(Snapshot).convertToFormat(QImage::Format_RGB888);
    if (Snapshot.IsEmpty())
        picture_.fill(Qt::black);
    // Lines stay visible when the picture is shown smaller than it is.
    const int shown = std::max(iMap->width(), 1);
    const int pen = std::max(2, 2 * picture_.width() / shown);
    QPainter painter(&picture_);
    auto outline = [&](const CellRect& r, QColor colour) {
        painter.setPen(QPen(colour, pen));
        painter.setBrush(Qt::NoBrush);
        painter.drawPolygon(QPolygon({QPoint(r.left, r.top), QPoint(r.right, r.top),
                                      QPoint(r.right, r.bottom), QPoint(r.left, r.bottom)}));
    };
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c)
            outline(OverviewCell(r, c, rows, cols, SnapshotWidth, SnapshotHeight, OverlapPercent),
                    QColor(128, 0, 128));
    outline(OverviewArea(rows, cols, SnapshotWidth, SnapshotHeight, OverlapPercent), Qt::red);
    painter.end();
    ShowPicture();
}

void TfTavixGEMap::ShowPicture() {
    if (picture_.isNull())
        return;
    iMap->setPixmap(QPixmap::fromImage(
        picture_.scaled(iMap->size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)));
}

void TfTavixGEMap::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    ShowPicture();
}

}  // namespace korvalen
