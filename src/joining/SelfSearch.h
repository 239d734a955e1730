#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "images/Bitmap.h"
#include "images/BitmapOps.h"
#include "joining/JoinRequest.h"
#include "joining/ScoreKernel.h"
#include "joining/SearchArea.h"

namespace korvalen {

struct Settings;
class WholeAreaScorer;

// The settings a join reads when its search window opens.
struct SearchSettings {
    int minimumCorrelation = 90;     // percent
    uint8_t spreadingTolerance = 1;  // largest index difference that still matches
    uint8_t overlap = 2;             // search area to band, in halves (1..10)
    uint8_t continueSearch = 0;      // at the minimum: 0 go on, 1 preview, 2 decide
    int proximity = 5;               // 0..16: reach of the hill climb from a good position
    bool confirmTavix = false;
    bool previewFirst = true;
    bool immediateStart = true;
    uint32_t disaccordColor = 0x00FE50FE;  // 0x00BBGGRR
    uint8_t comparison = 0;                // 0 palette index, 1 brightness
};
SearchSettings SearchSettingsFrom(const Settings& settings);

// What the preview window is opened with.
struct PreviewRequest {
    const Bitmap* map = nullptr;     // the new map, or its facing half
    const Bitmap* target = nullptr;  // the target area, 8 bits
    Point offset;                    // top-left of the map in the target: BestPos - BandPos
    bool horizontal = false;         // only the Preview button's way tells the direction
    uint8_t spreading = 0;
    int bandCorrelation = 0;
    int minCorrelation = 0;
    bool byBrightness = false;  // the join compares brightness, not palette indices
};

// The selection offered before the best position is taken.
struct DecisionRequest {
    int bestCorrelation = 0;
    bool offerPreview = false;
    bool offerContinue = false;
    // Another place more than kUncertainDistance pixels away scores nearly as well.
    bool uncertain = false;
    int runnerUpCorrelation = 0;
};
// The statement shown with an uncertain decision (source text, "%d" the runner-up's percent).
inline constexpr const char* kUncertainStatement = "uncertain_tavix: another_position scores %d%%";
// Source texts of the options, in the order shown (the answer counts from 1 in this list).
std::vector<std::string> DecisionOptions(const DecisionRequest& request);

// What the search asks of, or tells, the window it runs in. Everything runs on one thread: the
// window's buttons act from inside Breathe, Decide or ShowPreview by calling the search's
// methods, and the search looks at its flags again when these return.
class SearchHost {
public:
    virtual ~SearchHost() = default;
    // Called after scored positions, at most about every 30 ms: refresh the display from the
    // search's state and chart, and let pending events run.
    virtual void Breathe() {}
    // The selection dialog with DecisionOptions(request); the option chosen from 1, 0 for break.
    virtual int Decide(const DecisionRequest& request) = 0;
    // Shows the preview modally; true when the user accepts the join there.
    virtual bool ShowPreview(const PreviewRequest& request) = 0;
    // A better position was recorded (BestPos, BestRect, BestCorrelation).
    virtual void BestChanged() {}
    // The search was held or released: the buttons shown change.
    virtual void PausedChanged(bool paused) {}
    // A refinement around a good position runs (the window shows the wait cursor).
    virtual void Busy(bool busy) {}
    // The join was decided (accepted or broken off): the window closes shortly.
    virtual void Finished(bool accepted) {}
};

// The window's working state, by the names it shows them under.
struct SearchState {
    int MinCorrelation = 0;
    uint8_t Spreading = 0;
    int BandWidth = 0;
    int BandHeight = 0;
    Point BandPos;      // top-left of the band in the new map
    Point ExpectedPos;  // where the search starts: band top-left in the target
    bool Paused = false;
    bool Done = false;  // closing, or the minimum was reached and a decision is pending
    bool Exhausted = false;
    bool GridFirstJoin = false;
    int64_t PositionCount = 0;
    int64_t PositionCountAtBest = 0;
    int64_t Hits = 0;
    bool HitsBounded = false;  // Hits is only an upper bound: the position could not beat the best
    int64_t MaxHits = 0;
    int CurrentCorrelation = 0;
    int BestCorrelation = 0;
    int64_t TotalPositions = 0;
    int RingRadius = 0;
    Point CurrentPos;
    Point BestPos;
    Rect SearchArea;            // right and bottom one past the end
    PositionRange CentreRange;  // all edges included
    Rect BestRect;              // the band at BestPos; right and bottom one past the end
    // The start position as last scored at ring 0.
    bool HaveStart = false;
    Point StartPos;
    int StartCorrelation = 0;
    // After a search that scored its whole area: the best correlation more than
    // kUncertainDistance pixels from BestPos (-1 unknown), and whether it comes too close.
    int RunnerUpCorrelation = -1;
    bool Uncertain = false;
};

// A place this close to the best is the same peak.
inline constexpr int kUncertainDistance = 3;
// A join is uncertain when another place scores within this many percent of the best.
inline constexpr int kUncertainMargin = 5;

// Where a fully automatic grid-pattern join lands: the start position when it scores more
// than 95 % of the best, since the pattern predicts it well, unless the best lies right
// beside it.
struct GridChoice {
    Point pos;
    int correlation = 0;
};
GridChoice ChooseGridResult(Point startPos, int startCorrelation, Point bestPos,
                            int bestCorrelation);

// The correlation self-search of one join: finds where the search band, a piece of the new
// map, lies in the target area, a piece of the placed neighbour. It scores band positions in
// square rings around the expected position, keeps the best, and decides by the settings and
// the host's answers when to accept. Band and target are compared as standard-palette indices
// or, with the brightness comparison, as brightness.
class SelfSearch {
public:
    // The request must outlive the search; a band the user defines anew is written back into
    // it (BandPos, BandWidth, BandHeight, ExpectedPos).
    SelfSearch(JoinRequest& request, const SearchSettings& settings, SearchHost& host);
    SelfSearch(const SelfSearch&) = delete;
    SelfSearch& operator=(const SelfSearch&) = delete;

    // First activation: reduces the target to 8 bits, cuts the band and lays out the search
    // area. False with a message when the request holds nothing to search.
    bool Activate(std::string& error);
    // Reads the settings from live whenever they are used, so that changes made while the
    // join runs take effect; minimum correlation, spreading and comparison stay as taken at
    // activation. Null: the settings given at construction.
    void FollowSettings(const Settings* live) { live_ = live; }

    enum class Tool { None, SearchBand, JoinPoints, ManualMove };
    // The manual tool the window opens before the search, by the joining algorithm.
    Tool FirstTool() const;
    // True when the first search only scores the start position.
    bool StartsWithStartOnly() const;
    // After the first tool: searches unless the join is already decided.
    void Start();

    // The steps, public so that the window and the tests can drive them.
    void PrepareBand();
    void SetSearchArea();
    void ResetCounters();
    struct Score {
        int64_t hits = 0;
        int correlation = 0;
    };
    Score ScoreBandAt(Point pos);
    void Search(bool startOnly);
    void SetPaused(bool paused);
    void AcceptBest(bool confirm, bool offerPreview, bool offerContinue);
    struct ProximityResult {
        Point pos;
        int64_t hits = 0;
        int correlation = 0;
        bool improved = false;
    };
    // Hill climbing on the hit count from start; running best starts as (start, MaxHits,
    // BestCorrelation).
    ProximityResult ProximitySearch(Point start);

    // Buttons and keys of the window.
    void Execute();      // take the best (asks when confirmTavix)
    void Break();        // after the window's confirmation: close without a result
    void PauseButton();  // hold; preview when previewFirst and above 80 % of the minimum
    void ToggleKey();    // Space: hold or release; preview when holding with previewFirst
    void Continue();     // "Self": search on
    void OpenPreview();  // the facing half at the best position

    // What the manual tools are opened with.
    Bitmap FacingHalf() const;
    Rect BandRectInNewMap() const;  // right and bottom one past the end
    Point SearchAreaCentre() const;
    Point ManualMoveStart() const;  // offset of the new map against the target
    // Their hand-backs.
    void BandDefined(Point topLeft, int width, int height, Point searchCentre);
    void JoinPointsSet(Point bandPos);
    void ManualMoveAccepted(Point offset);
    void ToolDeclined();

    // Which buttons the paused window offers.
    bool OffersManualTools() const;
    bool OffersSelf() const;
    bool OffersSettings() const;

    const SearchState& State() const { return state_; }
    const JoinResult& Result() const { return result_; }
    bool Finished() const { return finished_; }
    const Bitmap& Band() const { return band_; }
    const Bitmap& Target() const { return target_; }
    // Pictures for the display, made on demand (not in the search loop).
    Bitmap CandidateImage(Point pos) const;  // the target pixels under the band
    // Marks each band pixel that is compared at pos and misses with 1 (band width x height, row
    // by row), as the search compares them; gives the hits.
    int64_t MismatchAt(Point pos, std::vector<uint8_t>& mismatch) const;
    Bitmap MatchImage(Point pos) const;  // the same, misses painted in the disaccord colour
    Bitmap BestImage() const;

    // The distribution chart: one byte per centre position of CentreRange, row by row, the
    // correlation scored there or kChartUnscored. Empty for ranges too large to chart.
    static constexpr uint8_t kChartUnscored = 255;
    // Scored only as far as needed to know it stays below the best scored before it.
    static constexpr uint8_t kChartBelowBest = 254;
    const std::vector<uint8_t>& Chart() const { return chart_; }
    int ChartWidth() const { return chartWidth_; }
    int ChartHeight() const { return chartHeight_; }
    static Rgb ChartColour(uint8_t value);

    // Every position scored, refinements included.
    int64_t ScoreCount() const { return scoreCount_; }
    // How often Breathe may run; zero calls it after every scored position.
    void SetBreatheInterval(std::chrono::milliseconds interval) { breatheInterval_ = interval; }

private:
    enum class Decision { Cancel, Accept, Preview, Continue };

    bool RunSearch(bool startOnly);
    void FinishSearch(bool startOnly);
    void ScoreStep(Point pos, bool isStart);
    bool WalkRings(WholeAreaScorer& scorer, Point centre, Point half);
    int64_t RunnerUpCountFrom() const;
    void RecordIfBetter(bool proximity);
    void SetBest(Point pos, int64_t hits, int correlation);
    void MinimumReached();
    void Finish(bool accepted);
    void PlotChart(Point pos, int correlation);
    void MaybeBreathe();
    // How many positions may be scored before MaybeBreathe next reads the clock, and taking
    // that many without it.
    int64_t PositionsBeforeBreath() const;
    void PassWithoutBreath(int64_t positions);
    bool CutBand();
    const SearchSettings& Now() const;
    void CheckUncertainty();
    int CorrelationOf(int64_t hits) const;
    static Decision DecisionFor(int answer, bool offerPreview, bool offerContinue);

    JoinRequest& request_;
    mutable SearchSettings settings_;
    const Settings* live_ = nullptr;
    SearchHost& host_;
    SearchState state_;
    JoinResult result_;
    Bitmap target_;  // 8 bits, standard palette: what the pictures show
    Bitmap band_;    // 8 bits, standard palette
    bool byBrightness_ = false;
    Bitmap compareTarget_;  // brightness, when compared by brightness
    Bitmap compareBand_;
    Bitmap compareNewMap_;
    GreyView targetView_;
    GreyView bandView_;
    Bitmap previewMap_;  // the facing half while the preview is open
    std::vector<uint8_t> chart_;
    int chartWidth_ = 0;
    int chartHeight_ = 0;
    bool activated_ = false;
    bool finished_ = false;
    bool searching_ = false;
    bool restartRequested_ = false;
    int64_t scoreCount_ = 0;
    std::chrono::milliseconds breatheInterval_{30};
    std::chrono::steady_clock::time_point lastBreathe_;
    int64_t pixelsSinceClockCheck_ = 0;
};

}  // namespace korvalen
