#pragma once

#include <QDialog>
#include <QImage>
#include <functional>
#include <memory>
#include <vector>

#include "core/Settings.h"
#include "joining/JoinRequest.h"
#include "joining/SearchDisplay.h"
#include "joining/SelfSearch.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QScrollArea;
class QTimer;
class QToolButton;

namespace korvalen {

class Dialogs;
class MapMatrix;

// The self-search window of one join: shows the target area with the search band sliding over
// it, the band, the best result and their matches, the counters, the distribution chart and the
// matrix overview, and drives the correlation self-search, which asks it its questions. The join
// driver shows it modally once per join and reads the result when it closes.
class TfAutomatic : public QDialog, private SearchHost {
    Q_OBJECT
public:
    // The request must outlive the window; the search writes a redefined band back into it.
    // mainWindow: its window state and geometry are copied.
    TfAutomatic(JoinRequest& request, const Settings& settings, Dialogs& dialogs,
                QWidget* mainWindow = nullptr);
    ~TfAutomatic() override;

    // Set before the window is shown.
    QString JoinCaption;                 // translated caption; the request's caption when empty
    const MapMatrix* Matrix = nullptr;   // which maps the overview shows joined
    std::function<void()> ShowSettings;  // the settings dialog, shown without blocking
    // Shows the preview; a TfTavixPreview when not set (tests script it).
    std::function<bool(const PreviewRequest&)> PreviewRunner;

    // The outcome, valid once the window has closed.
    bool JoinAccepted = false;
    Point ResultPos;
    int ResultCorrelation = 0;
    JoinResult Result() const { return {JoinAccepted, ResultPos, ResultCorrelation}; }

    SelfSearch& Search() { return *search_; }
    bool Activated() const { return activated_; }
    bool Closing() const { return closing_; }
    // The first activation: prepares the search and runs it (nested in this call).
    void FormActivate();
    // Shows the search's state: counters, band position, pictures, chart.
    void RefreshDisplay();

    // The pictures, for tests and screenshots.
    QImage ChartImage() const;
    QImage OverviewImage() const;
    QImage CurrentMatchesImage() const;
    QImage TargetView() const;

public slots:
    void bbTavixClick();
    void bbBreakClick();
    void sbPauseClick();
    void sbContinueClick();
    void sbPreviewClick();
    void sbSettingsClick();
    // The manual tools (TavixAutomaticTools.cpp).
    void OpenBandTool();
    void OpenJoinPointsTool();
    void OpenMoveTool();

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void reject() override;

private:
    // SearchHost.
    void Breathe() override;
    int Decide(const DecisionRequest& request) override;
    bool ShowPreview(const PreviewRequest& request) override;
    void BestChanged() override;
    void PausedChanged(bool paused) override;
    void Busy(bool busy) override;
    void Finished(bool accepted) override;

    void BuildLayout();
    void CopyMainWindowPlacement();
    // The tool the joining algorithm opens first, then the search (TavixAutomaticTools.cpp).
    void OpenFirstTool();
    // Starts or resumes the search from this window; startOnly scores the start position only.
    void StartSearch(bool startOnly);
    void MarkSearchStarted();
    void UpdateButtons();
    void ShowBand();
    void ShowBestPictures();
    void SizePictures();
    void DrawOverview();
    void ScrollTowardOverlap();
    QImage MatchPicture(Point pos);
    QString Text(const char* source) const;
    void CloseNow();

    JoinRequest& request_;
    const Settings& settings_;  // the program's own, read when used
    Dialogs& dialogs_;
    QWidget* mainWindow_;
    int language_;
    std::unique_ptr<SelfSearch> search_;
    bool activated_ = false;
    bool searchStarted_ = false;
    bool closing_ = false;
    bool closed_ = false;
    bool bestDirty_ = false;
    int busyDepth_ = 0;

    // Display caches: what is shown, so that a refresh only touches what changed.
    QImage bandImage_;
    Point bandShownPos_{-1, -1};
    int bandShownWidth_ = 0;
    QImage chartImage_;
    ChartRenderer chartRenderer_;
    std::vector<uint8_t> mismatch_;

    // Right panel.
    QWidget* pMap = nullptr;
    QPushButton* bbTavix = nullptr;
    QPushButton* bbBreak = nullptr;
    QToolButton* sbPause = nullptr;
    QToolButton* sbContinue = nullptr;
    QToolButton* sbPreview = nullptr;
    QToolButton* sbAdjustBandArea = nullptr;
    QToolButton* sbJoinMaps = nullptr;
    QToolButton* sbMoveMap = nullptr;
    QToolButton* sbSettings = nullptr;
    QLabel* stCounter = nullptr;
    QLabel* stHits = nullptr;
    QLabel* stCorrelation = nullptr;
    QLabel* stHitsMax = nullptr;
    QLabel* stCorrelationMax = nullptr;
    QLabel* lAllHits = nullptr;
    QProgressBar* pBar = nullptr;
    QLabel* lEstimate = nullptr;
    ImageBox* iBandMap = nullptr;
    ImageBox* iBestMap = nullptr;
    ImageBox* iCurrentMatches = nullptr;
    ImageBox* iBestMatches = nullptr;
    ImageBox* iChart = nullptr;
    ImageBox* iMatrix = nullptr;
    // The target area.
    QScrollArea* sbMap = nullptr;
    FramedPicture* iMap = nullptr;
    QTimer* tDone = nullptr;
};

}  // namespace korvalen
