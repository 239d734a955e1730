#include "joining/SelfSearch.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "core/Settings.h"
#include "images/PixelConvert.h"
#include "joining/Brightness.h"
#include "joining/OverlapCorrelation.h"
#include "joining/WholeAreaSearch.h"

namespace korvalen {
namespace {

// The clock is read only after this many compared pixels, so that small bands do not pay
// for it at every position.
constexpr int64_t kPixelsPerClockCheck = int64_t{1} << 22;
// Larger centre ranges are not charted (the chart would take more memory than it is worth).
constexpr int64_t kMaxChartPositions = int64_t{1} << 26;
// Bands are a few hundred pixels square; anything near this is a mistake, not a band.
constexpr int64_t kMaxBandPixels = int64_t{1} << 26;

bool IsBandSize(int width, int height) {
    return width >= 1 && height >= 1 && int64_t{width} * height <= kMaxBandPixels;
}

}  // namespace

SearchSettings SearchSettingsFrom(const Settings& settings) {
    SearchSettings s;
    s.minimumCorrelation = settings.minimumCorrelation;
    s.spreadingTolerance = settings.spreadingTolerance;
    s.overlap = settings.overlap;
    s.continueSearch = settings.continueSearch;
    s.proximity = settings.proximity;
    s.confirmTavix = settings.confirmTavix;
    s.previewFirst = settings.previewFirst;
    s.immediateStart = settings.immediateStart;
    s.disaccordColor = settings.disaccordColor;
    s.comparison = settings.comparison;
    return s;
}

std::vector<std::string> DecisionOptions(const DecisionRequest& request) {
    char best[64];
    std::snprintf(best, sizeof best, "Best_result of %d%%", request.bestCorrelation);
    std::vector<std::string> options{best};
    if (request.offerPreview)
        options.emplace_back("Preview best_result");
    if (request.offerContinue)
        options.emplace_back("Continue tavix");
    return options;
}

GridChoice ChooseGridResult(Point startPos, int startCorrelation, Point bestPos,
                            int bestCorrelation) {
    // start > 0.95 x best, in whole numbers so that no rounding decides. A pattern's step is
    // seldom a whole number of pixels, so the start may lie a pixel off the truth; right beside
    // it the correlation is the better judge.
    const bool beside = std::abs(int64_t{startPos.x} - bestPos.x) <= 1 &&
                        std::abs(int64_t{startPos.y} - bestPos.y) <= 1;
    if (startPos != bestPos && !beside &&
        int64_t{startCorrelation} * 100 > int64_t{bestCorrelation} * 95)
        return {startPos, startCorrelation};
    return {bestPos, bestCorrelation};
}

SelfSearch::SelfSearch(JoinRequest& request, const SearchSettings& settings, SearchHost& host)
    : request_(request),
      settings_(settings),
      host_(host),
      lastBreathe_(std::chrono::steady_clock::now()) {}

bool SelfSearch::Activate(std::string& error) {
    if (activated_)
        return true;
    if (request_.NewMap == nullptr || request_.NewMap->IsEmpty()) {
        error = "There is no new map to join.";
        return false;
    }
    if (request_.TargetArea.IsEmpty()) {
        error = "There is no target area to search in.";
        return false;
    }
    if (!IsBandSize(request_.BandWidth, request_.BandHeight)) {
        error = "The search band has no valid size.";
        return false;
    }
    result_ = JoinResult();
    state_.MinCorrelation = std::clamp(Now().minimumCorrelation, 0, 255);
    state_.Spreading = Now().spreadingTolerance;
    state_.BandWidth = request_.BandWidth;
    state_.BandHeight = request_.BandHeight;
    state_.BandPos = request_.BandPos;
    state_.ExpectedPos = request_.ExpectedPos;
    state_.GridFirstJoin = request_.GridFirstJoin;
    target_ = ConvertPixelFormat(request_.TargetArea, PixelFormat::Bits8);
    byBrightness_ = Now().comparison == 1;
    if (byBrightness_) {
        compareTarget_ = BrightnessBitmap(request_.TargetArea, true);
        compareNewMap_ = BrightnessBitmap(*request_.NewMap, true);
        targetView_ = ViewOf(compareTarget_);
    } else {
        targetView_ = ViewOf(target_);
    }
    if (!CutBand()) {
        error = "The search band is too large.";
        return false;
    }
    state_.Paused = false;
    activated_ = true;
    SetSearchArea();
    ResetCounters();
    return true;
}

SelfSearch::Tool SelfSearch::FirstTool() const {
    switch (request_.JoinAlgorithm) {
        case 2:
            return Tool::SearchBand;
        case 3:
            return request_.AskJoinPoints ? Tool::JoinPoints : Tool::None;
        case 4:
            return Tool::JoinPoints;
        case 5:
            return Tool::ManualMove;
        default:
            return Tool::None;
    }
}

bool SelfSearch::StartsWithStartOnly() const {
    return request_.JoinAlgorithm == 1 && !Now().immediateStart;
}

void SelfSearch::Start() {
    if (activated_ && !state_.Done && !finished_)
        Search(StartsWithStartOnly());
}

bool SelfSearch::CutBand() {
    const Rect rect{state_.BandPos.x, state_.BandPos.y, state_.BandPos.x + state_.BandWidth,
                    state_.BandPos.y + state_.BandHeight};
    std::optional<Bitmap> band = CopyArea(request_.NewMap, rect);
    if (!band)
        return false;
    if (byBrightness_) {
        std::optional<Bitmap> grey = CopyArea(&compareNewMap_, rect);
        if (!grey)
            return false;
        compareBand_ = std::move(*grey);
        bandView_ = ViewOf(compareBand_);
    }
    ConvertInPlace(*band, PixelFormat::Bits8);
    band_ = std::move(*band);
    if (!byBrightness_)
        bandView_ = ViewOf(band_);
    return true;
}

const SearchSettings& SelfSearch::Now() const {
    if (live_ != nullptr)
        settings_ = SearchSettingsFrom(*live_);
    return settings_;
}

void SelfSearch::PrepareBand() {
    CutBand();
    SetSearchArea();
    ResetCounters();
}

void SelfSearch::SetSearchArea() {
    const SearchFactors factors = FactorsFor(Now().overlap, request_.GridPatternJoin,
                                             state_.GridFirstJoin, request_.Horizontal());
    const SearchGeometry g = FitSearchArea(state_.ExpectedPos, state_.BandWidth, state_.BandHeight,
                                           factors, target_.Width(), target_.Height());
    state_.SearchArea = g.area;
    state_.CentreRange = g.centres;
    state_.ExpectedPos = g.expectedPos;
    state_.TotalPositions = g.totalPositions;
    request_.ExpectedPos = g.expectedPos;
}

void SelfSearch::ResetCounters() {
    state_.Done = false;
    state_.RingRadius = 0;
    state_.PositionCount = 0;
    state_.MaxHits = 0;
    state_.RunnerUpCorrelation = -1;
    state_.Uncertain = false;
    const PositionRange& range = state_.CentreRange;
    if (range.Count() > 0 && range.Count() <= kMaxChartPositions) {
        chartWidth_ = static_cast<int>(range.Columns());
        chartHeight_ = static_cast<int>(range.Rows());
        chart_.assign(static_cast<size_t>(range.Count()), kChartUnscored);
    } else {
        chartWidth_ = chartHeight_ = 0;
        chart_.clear();
    }
}

int SelfSearch::CorrelationOf(int64_t hits) const {
    const int64_t pixels = int64_t{state_.BandWidth} * state_.BandHeight;
    return pixels > 0 ? static_cast<int>(hits * 100 / pixels) : 0;
}

SelfSearch::Score SelfSearch::ScoreBandAt(Point pos) {
    ++scoreCount_;
    Score score;
    score.hits = CountHits(bandView_, targetView_, pos, state_.Spreading);
    score.correlation = CorrelationOf(score.hits);
    return score;
}

void SelfSearch::PlotChart(Point pos, int correlation) {
    const int64_t x = int64_t{pos.x} + state_.BandWidth / 2 - state_.CentreRange.left;
    const int64_t y = int64_t{pos.y} + state_.BandHeight / 2 - state_.CentreRange.top;
    if (x < 0 || y < 0 || x >= chartWidth_ || y >= chartHeight_)
        return;
    chart_[static_cast<size_t>(y * chartWidth_ + x)] =
        static_cast<uint8_t>(std::clamp(correlation, 0, 100));
}

Rgb SelfSearch::ChartColour(uint8_t value) {
    static constexpr uint8_t kGreys[10] = {0xEE, 0xDD, 0xCC, 0xBB, 0xAA,
                                           0x88, 0x66, 0x44, 0x22, 0x00};
    if (value == kChartUnscored)
        return {255, 255, 255};
    if (value == kChartBelowBest)
        return {0xD4, 0xE4, 0xF4};
    if (value >= 100)
        return {255, 0, 0};
    const uint8_t grey = kGreys[value / 10];
    return {grey, grey, grey};
}

void SelfSearch::MaybeBreathe() {
    if (finished_)
        return;
    if (breatheInterval_.count() <= 0) {
        host_.Breathe();
        return;
    }
    pixelsSinceClockCheck_ += int64_t{state_.BandWidth} * state_.BandHeight;
    if (pixelsSinceClockCheck_ < kPixelsPerClockCheck)
        return;
    pixelsSinceClockCheck_ = 0;
    const auto now = std::chrono::steady_clock::now();
    if (now - lastBreathe_ < breatheInterval_)
        return;
    lastBreathe_ = now;
    host_.Breathe();
}

int64_t SelfSearch::PositionsBeforeBreath() const {
    if (finished_ || breatheInterval_.count() <= 0)
        return 0;
    const int64_t bandPixels = std::max<int64_t>(int64_t{state_.BandWidth} * state_.BandHeight, 1);
    return std::max<int64_t>(0, (kPixelsPerClockCheck - pixelsSinceClockCheck_ - 1) / bandPixels);
}

void SelfSearch::PassWithoutBreath(int64_t positions) {
    pixelsSinceClockCheck_ += positions * int64_t{state_.BandWidth} * state_.BandHeight;
}

// Resuming from inside a running search (a button handled while it breathes, or a decision
// taken at one of its positions) does not nest a second search: the running one walks its
// ring again from the top side, as a search started anew would.
void SelfSearch::Search(bool startOnly) {
    if (!activated_ || finished_)
        return;
    if (searching_) {
        restartRequested_ = true;
        return;
    }
    searching_ = true;
    for (;;) {
        restartRequested_ = false;
        if (RunSearch(startOnly))
            FinishSearch(startOnly);
        if (!restartRequested_ || finished_ || state_.Paused)
            break;
        startOnly = false;
    }
    restartRequested_ = false;
    searching_ = false;
}

// The ring walk. False when a restart superseded it.
bool SelfSearch::RunSearch(bool startOnly) {
    SearchState& s = state_;
    s.CurrentPos = s.ExpectedPos;
    const Point half{s.BandWidth / 2, s.BandHeight / 2};
    const Point centre = s.ExpectedPos + half;
    s.Exhausted = false;
    if (s.RingRadius == 0) {
        ScoreStep(s.ExpectedPos, true);
        if (restartRequested_)
            return false;
        if (s.Done || s.Paused || startOnly || finished_)
            return true;
        ++s.RingRadius;
    }
    WholeAreaScorer scorer(bandView_, targetView_, s.Spreading);
    return WalkRings(scorer, centre, half);
}

void SelfSearch::FinishSearch(bool startOnly) {
    SearchState& s = state_;
    if (finished_)
        return;
    if (!request_.GridPatternJoin) {
        s.Exhausted = !s.Done && !s.Paused && !startOnly;
        if (s.Exhausted) {
            CheckUncertainty();
            s.Done = s.MinCorrelation * 4 / 5 <= s.BestCorrelation;
            if (s.Done) {
                // An uncertain join is never taken without asking.
                if (Now().continueSearch == 0)
                    AcceptBest(Now().confirmTavix || s.Uncertain, true, true);
                else
                    MinimumReached();
            }
        }
    } else {
        if (s.Paused)
            return;
        if (!startOnly) {
            if (s.GridFirstJoin) {
                MinimumReached();
            } else {
                const GridChoice choice =
                    ChooseGridResult(s.HaveStart ? s.StartPos : s.BestPos,
                                     s.HaveStart ? s.StartCorrelation : s.BestCorrelation,
                                     s.BestPos, s.BestCorrelation);
                result_.JoinAccepted = true;
                result_.ResultPos = choice.pos;
                result_.ResultCorrelation = choice.correlation;
                Finish(true);
            }
        }
    }
    if (!finished_ && !restartRequested_ && !s.Paused)
        SetPaused(true);
}

void SelfSearch::ScoreStep(Point pos, bool isStart) {
    SearchState& s = state_;
    ++s.PositionCount;
    s.CurrentPos = pos;
    const Score score = ScoreBandAt(pos);
    s.Hits = score.hits;
    s.HitsBounded = false;
    s.CurrentCorrelation = score.correlation;
    PlotChart(pos, score.correlation);
    if (isStart) {
        s.HaveStart = true;
        s.StartPos = pos;
        s.StartCorrelation = score.correlation;
    }
    RecordIfBetter(Now().continueSearch > 0);
    MaybeBreathe();
}

// Compares the best position with the best scored more than kUncertainDistance pixels away;
// the chart holds every centre the search scored.
void SelfSearch::CheckUncertainty() {
    SearchState& s = state_;
    s.RunnerUpCorrelation = -1;
    s.Uncertain = false;
    if (chart_.empty() || s.MaxHits == 0)
        return;
    const int bestX = s.BestPos.x + s.BandWidth / 2 - s.CentreRange.left;
    const int bestY = s.BestPos.y + s.BandHeight / 2 - s.CentreRange.top;
    int runnerUp = -1;
    for (int y = 0; y < chartHeight_; ++y) {
        const uint8_t* row = chart_.data() + static_cast<size_t>(y) * chartWidth_;
        const bool nearRow = std::abs(y - bestY) <= kUncertainDistance;
        for (int x = 0; x < chartWidth_; ++x) {
            // Positions stopped early cannot come within the margin of the best.
            if (row[x] == kChartUnscored || row[x] == kChartBelowBest ||
                (nearRow && std::abs(x - bestX) <= kUncertainDistance))
                continue;
            runnerUp = std::max(runnerUp, int{row[x]});
        }
    }
    s.RunnerUpCorrelation = runnerUp;
    s.Uncertain = runnerUp >= 0 && s.BestCorrelation - runnerUp < kUncertainMargin;
}

void SelfSearch::SetBest(Point pos, int64_t hits, int correlation) {
    SearchState& s = state_;
    s.BestPos = pos;
    s.MaxHits = hits;
    s.BestCorrelation = correlation;
    s.BestRect = {pos.x, pos.y, pos.x + s.BandWidth, pos.y + s.BandHeight};
    host_.BestChanged();
}

// Among equal hit counts the position scored first stays best.
void SelfSearch::RecordIfBetter(bool proximity) {
    SearchState& s = state_;
    if (s.Hits <= s.MaxHits)
        return;
    s.PositionCountAtBest = s.PositionCount;
    SetBest(s.CurrentPos, s.Hits, s.CurrentCorrelation);
    s.Done = s.MinCorrelation <= s.BestCorrelation && Now().continueSearch > 0;
    if (!s.Done)
        return;
    if (proximity) {
        const ProximityResult refined = ProximitySearch(s.BestPos);
        if (refined.improved) {
            s.CurrentPos = refined.pos;
            SetBest(refined.pos, refined.hits, refined.correlation);
        }
    }
    if (!finished_)
        MinimumReached();
}

SelfSearch::ProximityResult SelfSearch::ProximitySearch(Point start) {
    SearchState& s = state_;
    ProximityResult best{start, s.MaxHits, s.BestCorrelation, false};
    const int p = std::clamp(Now().proximity, 0, 16);
    if (p == 0)
        return best;
    const Point before = s.CurrentPos;
    host_.Busy(true);
    Point centre = start;
    bool passImproved = true;
    while (passImproved && !finished_) {
        passImproved = false;
        for (int x = centre.x - p; x <= centre.x + p && !finished_; ++x) {
            for (int y = centre.y - p; y <= centre.y + p && !finished_; ++y) {
                // The whole row and column of the centre are left out, not only the centre.
                if (x == centre.x || y == centre.y)
                    continue;
                if (x < 0 || y < 0 || x >= target_.Width() || y >= target_.Height())
                    continue;
                s.CurrentPos = {x, y};
                const Score score = ScoreBandAt({x, y});
                if (score.hits > best.hits) {
                    best = {{x, y}, score.hits, score.correlation, true};
                    passImproved = true;
                    s.Hits = score.hits;
                    s.CurrentCorrelation = score.correlation;
                    PlotChart({x, y}, score.correlation);
                }
                MaybeBreathe();
            }
        }
        centre = best.pos;
    }
    if (!best.improved)
        s.CurrentPos = before;
    host_.Busy(false);
    return best;
}

void SelfSearch::MinimumReached() {
    SearchState& s = state_;
    switch (Now().continueSearch) {
        case 0:
            s.Done = false;
            return;
        case 1: {
            PreviewRequest preview;
            preview.map = request_.NewMap;
            preview.target = &target_;
            preview.offset = s.BestPos - s.BandPos;
            preview.spreading = s.Spreading;
            preview.bandCorrelation = s.BestCorrelation;
            preview.minCorrelation = s.MinCorrelation;
            preview.byBrightness = byBrightness_;
            // Not accepted: Done stays set, the running side ends and the search holds.
            if (host_.ShowPreview(preview))
                AcceptBest(false, false, false);
            return;
        }
        default:
            AcceptBest(Now().confirmTavix || s.Uncertain, true, true);
            return;
    }
}

SelfSearch::Decision SelfSearch::DecisionFor(int answer, bool offerPreview, bool offerContinue) {
    if (answer == 1)
        return Decision::Accept;
    int next = 2;
    if (offerPreview) {
        if (answer == next)
            return Decision::Preview;
        ++next;
    }
    if (offerContinue && answer == next)
        return Decision::Continue;
    return Decision::Cancel;
}

void SelfSearch::AcceptBest(bool confirm, bool offerPreview, bool offerContinue) {
    if (!activated_ || finished_)
        return;
    SearchState& s = state_;
    SetPaused(true);
    DecisionRequest decision{s.BestCorrelation, offerPreview, offerContinue};
    decision.uncertain = s.Uncertain;
    decision.runnerUpCorrelation = s.RunnerUpCorrelation;
    const int answer = confirm ? host_.Decide(decision) : 1;
    switch (DecisionFor(answer, offerPreview, offerContinue)) {
        case Decision::Accept:
            result_.JoinAccepted = true;
            result_.ResultPos = s.BestPos;
            result_.ResultCorrelation = s.BestCorrelation;
            Finish(true);
            break;
        case Decision::Preview:
            s.Done = false;
            OpenPreview();
            break;
        case Decision::Continue:
            s.Done = false;
            SetPaused(false);
            break;
        case Decision::Cancel:
            s.Done = false;
            break;
    }
}

void SelfSearch::SetPaused(bool paused) {
    if (finished_ && !paused)
        return;
    state_.Paused = paused;
    host_.PausedChanged(paused);
    if (!paused)
        Search(false);
}

void SelfSearch::Finish(bool accepted) {
    finished_ = true;
    state_.Done = true;
    request_.BandPos = state_.BandPos;
    host_.Finished(accepted);
}

void SelfSearch::Execute() {
    if (!activated_ || finished_)
        return;
    SetPaused(true);
    AcceptBest(Now().confirmTavix, false, false);
    state_.GridFirstJoin = false;
}

void SelfSearch::Break() {
    if (finished_)
        return;
    state_.Paused = true;
    Finish(false);
}

void SelfSearch::PauseButton() {
    if (!activated_ || finished_)
        return;
    SetPaused(true);
    if (Now().previewFirst && state_.MinCorrelation * 4 / 5 < state_.BestCorrelation)
        OpenPreview();
}

void SelfSearch::ToggleKey() {
    if (!activated_ || finished_)
        return;
    const bool pausing = !state_.Paused;
    SetPaused(pausing);
    if (pausing && Now().previewFirst)
        OpenPreview();
}

void SelfSearch::Continue() {
    if (!activated_ || finished_)
        return;
    state_.Done = false;
    SetPaused(false);
}

void SelfSearch::OpenPreview() {
    if (!activated_ || finished_)
        return;
    previewMap_ = FacingHalf();
    PreviewRequest preview;
    preview.map = &previewMap_;
    preview.target = &target_;
    preview.offset = state_.BestPos - state_.BandPos;
    preview.horizontal = request_.Horizontal();
    preview.spreading = state_.Spreading;
    preview.bandCorrelation = state_.BestCorrelation;
    preview.minCorrelation = state_.MinCorrelation;
    preview.byBrightness = byBrightness_;
    const bool accepted = host_.ShowPreview(preview);
    previewMap_ = Bitmap();
    if (accepted)
        AcceptBest(false, false, false);
    else
        state_.Done = false;
}

Bitmap SelfSearch::FacingHalf() const {
    const Bitmap* map = request_.NewMap;
    if (map == nullptr || map->IsEmpty())
        return Bitmap();
    const Rect half = request_.Horizontal() ? Rect{0, 0, map->Width() / 2, map->Height()}
                                            : Rect{0, 0, map->Width(), map->Height() / 2};
    std::optional<Bitmap> copy = CopyArea(map, half);
    return copy ? std::move(*copy) : Bitmap();
}

Rect SelfSearch::BandRectInNewMap() const {
    return {state_.BandPos.x, state_.BandPos.y, state_.BandPos.x + state_.BandWidth,
            state_.BandPos.y + state_.BandHeight};
}

Point SelfSearch::SearchAreaCentre() const {
    const Rect& a = state_.SearchArea;
    return {(a.right - a.left) / 2 + a.left, (a.bottom - a.top) / 2 + a.top};
}

Point SelfSearch::ManualMoveStart() const {
    // Below half the minimum the best position says little: start from the prediction.
    if (state_.BestCorrelation * 2 < state_.MinCorrelation) {
        return request_.Horizontal() ? Point{request_.TargetRect.left + 3, 0}
                                     : Point{0, request_.TargetRect.top + 3};
    }
    return state_.BestPos - state_.BandPos;
}

void SelfSearch::BandDefined(Point topLeft, int width, int height, Point searchCentre) {
    if (!activated_ || finished_)
        return;
    if (!IsBandSize(width, height)) {
        ToolDeclined();
        return;
    }
    const SearchState old = state_;
    state_.BandPos = topLeft;
    state_.BandWidth = width;
    state_.BandHeight = height;
    if (!CutBand()) {
        state_ = old;
        ToolDeclined();
        return;
    }
    state_.ExpectedPos = searchCentre - Point{width / 2, height / 2};
    request_.BandPos = topLeft;
    request_.BandWidth = width;
    request_.BandHeight = height;
    SetSearchArea();
    ResetCounters();
    SetPaused(false);
}

void SelfSearch::JoinPointsSet(Point bandPos) {
    if (!activated_ || finished_)
        return;
    state_.ExpectedPos = bandPos;
    SetSearchArea();
    ResetCounters();
    SetPaused(false);
}

void SelfSearch::ManualMoveAccepted(Point offset) {
    if (!activated_ || finished_)
        return;
    state_.CurrentPos = offset + state_.BandPos;
    result_.JoinAccepted = true;
    result_.ResultPos = state_.CurrentPos;
    result_.ResultCorrelation = ScoreBandAt(state_.CurrentPos).correlation;
    state_.Paused = true;
    Finish(true);
}

void SelfSearch::ToolDeclined() {
    if (!finished_)
        SetPaused(true);
}

bool SelfSearch::OffersManualTools() const {
    return !request_.GridPatternJoin || state_.GridFirstJoin;
}

bool SelfSearch::OffersSelf() const {
    return request_.GridPatternJoin || !state_.Exhausted;
}

bool SelfSearch::OffersSettings() const {
    return !request_.GridPatternJoin;
}

Bitmap SelfSearch::CandidateImage(Point pos) const {
    std::optional<Bitmap> copy =
        CopyArea(&target_, {pos.x, pos.y, pos.x + state_.BandWidth, pos.y + state_.BandHeight});
    return copy ? std::move(*copy) : Bitmap();
}

Bitmap SelfSearch::MatchImage(Point pos) const {
    Bitmap image = CandidateImage(pos);
    if (image.IsEmpty())
        return image;
    std::vector<uint8_t> mismatch;
    CountHitsWithMask(bandView_, targetView_, pos, state_.Spreading, mismatch);
    const uint8_t disaccord = image.NearestIndex(ColorValueToRgb(Now().disaccordColor));
    for (int y = 0; y < image.Height(); ++y) {
        uint8_t* row = image.Row(y);
        const uint8_t* marks = mismatch.data() + static_cast<size_t>(y) * image.Width();
        for (int x = 0; x < image.Width(); ++x) {
            if (marks[x] != 0)
                row[x] = disaccord;
        }
    }
    return image;
}

int64_t SelfSearch::MismatchAt(Point pos, std::vector<uint8_t>& mismatch) const {
    return CountHitsWithMask(bandView_, targetView_, pos, state_.Spreading, mismatch);
}

Bitmap SelfSearch::BestImage() const {
    return CandidateImage(state_.BestPos);
}

}  // namespace korvalen
