#include "joining/UnattendedJoin.h"

#include "core/ProgramState.h"
#include "images/MapMatrix.h"
#include "joining/JoinDriver.h"
#include "joining/SelfSearch.h"

namespace korvalen {
namespace {

// Nobody is there to ask: the best position is taken as soon as the search would offer it.
class SilentSearchHost : public SearchHost {
public:
    bool acceptPreview = false;  // a grid pattern's first joins decide with the preview
    int Decide(const DecisionRequest&) override { return 1; }
    bool ShowPreview(const PreviewRequest&) override { return acceptPreview; }
};

class SilentDriverHost : public JoinDriverHost {
public:
    explicit SilentDriverHost(const SearchSettings& settings, bool acceptPreview = false)
        : settings_(settings) {
        searchHost_.acceptPreview = acceptPreview;
    }

    UnattendedJoinReport report;

    // The only selection of a first run is the algorithm: self-search.
    int SelectOption(const JoinSelection&) override { return 1; }
    // Go on with the next join; no need to look at the result.
    bool Confirm(const std::string& text) override { return text == kPauseQuestion; }

    JoinResult RunSelfSearch(JoinRequest& request) override {
        report.failedRow = request.Row;
        report.failedCol = request.Col;
        report.neededCorrelation = settings_.minimumCorrelation * 4 / 5;
        // A grid-pattern join forces its own settings on the program's; the search reads them.
        if (forced_)
            settings_ = SearchSettingsFrom(*forced_);
        SelfSearch search(request, settings_, searchHost_);
        report.searched = false;
        report.failure.clear();
        if (!search.Activate(report.failure))
            return {};
        report.searched = true;
        search.Start();
        const SearchState& state = search.State();
        report.bestCorrelation = state.BestCorrelation;
        JoinNote note;
        note.row = request.Row;
        note.col = request.Col;
        note.estimated = request.Estimate.tried;
        note.estimateTaken = request.Estimate.distinct;
        note.estimateX = request.Estimate.offset.x;
        note.estimateY = request.Estimate.offset.y;
        note.estimateScore = request.Estimate.score;
        note.estimateMargin = request.Estimate.margin;
        note.bandMoved = request.Estimate.bandMoved;
        note.runnerUpCorrelation = state.RunnerUpCorrelation;
        note.uncertain = state.Uncertain;
        note.accepted = search.Finished() && search.Result().JoinAccepted;
        note.correlation =
            note.accepted ? search.Result().ResultCorrelation : state.BestCorrelation;
        report.joins.push_back(note);
        if (!search.Finished())
            return {};  // exhausted below what it may accept: the window would wait for a hand
        return search.Result();
    }

    const Settings* forced_ = nullptr;

private:
    SearchSettings settings_;
    SilentSearchHost searchHost_;
};

}  // namespace

Settings UnattendedSettings(Settings settings, UnattendedDecision decision) {
    settings.continueSearch = decision == UnattendedDecision::Best ? 0 : 2;
    settings.confirmTavix = false;
    settings.immediateStart = true;
    settings.pauseAfter = false;
    settings.preferredAlgorithm = 1;
    return settings;
}

namespace {

UnattendedJoinReport RunUnattended(MapMatrix& matrix, const Settings& settings,
                                   UnattendedDecision decision, const GridJoinValues* grid) {
    ProgramState state;
    state.settings = UnattendedSettings(settings, decision);
    SilentDriverHost host(SearchSettingsFrom(state.settings), grid != nullptr);
    std::string savedResultName;
    JoinDriver driver(matrix, state, host, savedResultName);
    if (grid) {
        state.GridPatternJoin = true;
        driver.Grid = *grid;
        host.forced_ = &state.settings;
    }
    driver.StartJoining();

    UnattendedJoinReport report = host.report;
    report.complete = driver.JoinedCount == static_cast<int>(matrix.Size());
    if (report.complete) {
        report.failedRow = report.failedCol = 0;
        return report;
    }
    // The run stopped at the first cell it could not place.
    for (const tSingleMap& cell : matrix) {
        if (cell.Joined)
            continue;
        if (cell.Row != report.failedRow || cell.Col != report.failedCol) {
            std::vector<JoinNote> joins = std::move(report.joins);
            report = UnattendedJoinReport{};
            report.joins = std::move(joins);
            report.failedRow = cell.Row;
            report.failedCol = cell.Col;
            report.failure = "the map or the one it is joined with has no image";
        }
        break;
    }
    return report;
}

}  // namespace

UnattendedJoinReport JoinUnattended(MapMatrix& matrix, const Settings& settings,
                                    UnattendedDecision decision) {
    return RunUnattended(matrix, settings, decision, nullptr);
}

UnattendedJoinReport JoinPatternUnattended(MapMatrix& matrix, const Settings& settings,
                                           const GridJoinValues& grid,
                                           UnattendedDecision decision) {
    return RunUnattended(matrix, settings, decision, &grid);
}

}  // namespace korvalen
