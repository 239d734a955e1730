#pragma once

#include <QDialog>
#include <QImage>

#include "images/Bitmap.h"

class QLabel;

namespace korvalen {

// "Overview": the snapshot of the framed area with the planned grid of views over it.
class TfTavixGEMap : public QDialog {
    Q_OBJECT
public:
    TfTavixGEMap(int language, QWidget* parent = nullptr);

    Bitmap Snapshot;
    int SnapshotWidth = 0;
    int SnapshotHeight = 0;
    int OverlapPercent = 10;
    int GridCols = 0;
    int GridRows = 0;

    void SetSnapshot(int width, int height, const Bitmap& bitmap, int overlapPercent);
    void DrawGrid(int rows, int cols);
    // The picture with its grid, as drawn last.
    const QImage& Picture() const { return picture_; }

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void ShowPicture();

    QLabel* iMap;
    QImage picture_;
    int language_;
};

}  // namespace korvalen
