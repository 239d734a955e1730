#pragma once

#include <QDialog>

#include "images/Bitmap.h"
#include "joining/SelfSearch.h"

class QLabel;
class QScrollArea;
class QToolButton;

namespace korvalen {

class FramedPicture;
struct Settings;

// The preview of a join at the best position found so far: the new map laid over the target
// area, the overlap framed red and, on request, every disagreeing pixel of the overlap painted
// in the disaccord colour. "Execute" accepts the join, "Close" does not.
class TfTavixPreview : public QDialog {
    Q_OBJECT
public:
    // caller: the self-search window, which the preview covers with a margin of 50 pixels.
    TfTavixPreview(const PreviewRequest& request, const Settings& settings,
                   QWidget* caller = nullptr);
    ~TfTavixPreview() override;

    bool Accepted = false;

    // Composes the preview and computes the total correlation; runs once, when first shown.
    void FormActivate();
    bool OverlapHidden() const { return overlapHidden_; }
    int TotalCorrelation() const { return totalCorrelation_; }
    const Bitmap& Preview() const { return preview_; }
    // The caption, also shown above the picture (a window manager may cut a long title).
    QString CaptionText() const;

public slots:
    void sbOKClick();
    void sbAbortClick();
    void sbOverlapClick();

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Compose();
    void ComputeTotalCorrelation();
    void ShowPreviewBitmap();
    void SetCaption(const QString& caption);
    QString Text(const char* source) const;

    PreviewRequest request_;
    uint32_t disaccordColor_;
    bool computeTotal_;
    int language_;
    QWidget* caller_;
    bool activated_ = false;
    bool composed_ = false;
    bool overlapHidden_ = false;
    int totalCorrelation_ = 0;
    Bitmap preview_;

    QLabel* stCaption = nullptr;
    QScrollArea* sbPreview = nullptr;
    FramedPicture* iPreview = nullptr;
    QToolButton* sbOK = nullptr;
    QToolButton* sbAbort = nullptr;
    QToolButton* sbOverlap = nullptr;
};

}  // namespace korvalen
