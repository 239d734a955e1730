#include "joining/JoinDriver.h"

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <string_view>

#include "core/ProgramState.h"
#include "images/MapMatrix.h"
#include "joining/DetailBand.h"

namespace korvalen {
namespace {

// Fills "%s" and "%d" of a source text in order with the arguments, which are never scanned
// themselves (a map may be named "%s").
std::string FormatSource(std::string_view format, std::initializer_list<std::string> args) {
    std::string text;
    auto arg = args.begin();
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '%' && i + 1 < format.size() &&
            (format[i + 1] == 's' || format[i + 1] == 'd') && arg != args.end()) {
            text += *arg++;
            ++i;
        } else {
            text += format[i];
        }
    }
    return text;
}

// The host hands back positions from a search or a hand placement; a sum beyond int is
// clamped rather than allowed to overflow.
int32_t Place(int64_t value) {
    return static_cast<int32_t>(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

int8_t CorrelationByte(int percent) {
    return static_cast<int8_t>(std::clamp(percent, 0, 100));
}

}  // namespace

std::string FormatJoinCaption(const std::string& newName, int row, int col,
                              const std::string& neighbourName) {
    return FormatSource(kJoinCaptionFormat,
                        {newName, std::to_string(row), std::to_string(col), neighbourName});
}

JoinDriver::JoinDriver(MapMatrix& matrix, ProgramState& state, JoinDriverHost& host,
                       std::string& savedResultName)
    : matrix_(matrix), state_(state), host_(host), savedResultName_(savedResultName) {}

int JoinDriver::CellCount() const {
    return static_cast<int>(matrix_.Size());
}

void JoinDriver::ChooseJoinAlgorithm() {
    if (CellCount() == 1) {
        JoinAlgorithm = 1;
        return;
    }
    JoinSelection selection;
    selection.caption = "Joining_algorithm";
    selection.statement = "choose tavix_algorithm";
    selection.options.assign(std::begin(kJoinAlgorithmOptions), std::end(kJoinAlgorithmOptions));
    selection.defaultChoice = state_.settings.preferredAlgorithm;
    const int choice = host_.SelectOption(selection);
    JoinAlgorithm = static_cast<uint8_t>(choice >= 1 && choice <= 5 ? choice : 0);
}

void JoinDriver::StartJoining() {
    if (matrix_.Empty())
        return;
    if (JoinedCount <= 1) {
        RunJoin(true);
        FirstRowPointsSet = false;
        FirstColPointsSet = false;
    } else {
        bool restart = state_.GridPatternJoin;
        if (!restart) {
            JoinSelection selection;
            selection.caption = "Tavix_maps";
            selection.statement = FormatSource(kRestartStatement, {std::to_string(JoinedCount)});
            selection.options = {kRestartOption};
            selection.defaultChoice = 0;
            restart = host_.SelectOption(selection) == 1;
        }
        if (restart) {
            for (tSingleMap& cell : matrix_) {
                cell.Correlation = 0;
                cell.Joined = false;
                host_.CellChanged(matrix_.CellIndex(cell.Row, cell.Col));
            }
            // Nothing is placed any more, also when the choice of algorithm is cancelled.
            JoinedCount = 0;
            FirstRowPointsSet = false;
            FirstColPointsSet = false;
            RunJoin(true);
        }
    }
    OfferResultWhenComplete();
}

void JoinDriver::ContinueJoining() {
    if (matrix_.Empty())
        return;
    RunJoin(false);
    OfferResultWhenComplete();
}

void JoinDriver::OfferResultWhenComplete() {
    if (JoinedCount == CellCount() && host_.Confirm(kLookAtResultQuestion))
        host_.ShowResultMap();
}

void JoinDriver::ForceGridSettings() {
    Settings& settings = state_.settings;
    // A broken-off grid-pattern join leaves the forced values in force; the values to restore
    // are those from before the first run.
    if (!remembered_) {
        remembered_ = RememberedSettings{settings.minimumCorrelation, settings.continueSearch,
                                         settings.previewFirst, JoinAlgorithm};
    }
    settings.minimumCorrelation = 100;
    settings.continueSearch = 1;  // decide with the preview
    settings.previewFirst = false;
    JoinAlgorithm = 1;
}

void JoinDriver::RestoreGridSettings() {
    if (!remembered_)
        return;
    Settings& settings = state_.settings;
    settings.minimumCorrelation = remembered_->minimumCorrelation;
    settings.continueSearch = remembered_->continueSearch;
    settings.previewFirst = remembered_->previewFirst;
    JoinAlgorithm = remembered_->joinAlgorithm;
    remembered_.reset();
}

void JoinDriver::EndGridPatternJoin() {
    RestoreGridSettings();
    state_.GridPatternJoin = false;
}

void JoinDriver::PlaceAnchor() {
    tSingleMap& anchor = *matrix_.At(1, 1);
    anchor.X = 0;
    anchor.Y = 0;
    anchor.Correlation = 100;
    anchor.Joined = true;
    host_.CellChanged(matrix_.CellIndex(1, 1));
    JoinedCount = 1;
}

void JoinDriver::RunJoin(bool restart) {
    if (restart) {
        if (state_.GridPatternJoin) {
            ForceGridSettings();
        } else {
            ChooseJoinAlgorithm();
            if (JoinAlgorithm == 0)
                return;
        }
        state_.ResultUnsaved = false;
        savedResultName_.clear();
    }

    bool runOn = true;
    for (int row = 1; row <= matrix_.Rows() && runOn; ++row) {
        for (int col = 1; col <= matrix_.Cols() && runOn; ++col) {
            if (!restart && matrix_.At(row, col)->Joined)
                continue;
            if (row == 1 && col == 1) {
                PlaceAnchor();
                continue;
            }
            runOn = JoinCell(row, col) == JoinOutcome::Accepted;
            const bool last = row == matrix_.Rows() && col == matrix_.Cols();
            if (runOn && !last && state_.settings.pauseAfter)
                runOn = host_.Confirm(kPauseQuestion);
        }
    }

    if (JoinedCount == CellCount() && state_.GridPatternJoin) {
        RestoreGridSettings();
        state_.GridPatternJoin = false;
    }
    host_.UpdateControls();
}

JoinDriver::JoinOutcome JoinDriver::JoinCell(int row, int col) {
    tSingleMap& cell = *matrix_.At(row, col);
    tSingleMap& neighbour = row == 1 ? *matrix_.At(1, col - 1) : *matrix_.At(row - 1, col);
    const bool grid = state_.GridPatternJoin;
    std::optional<JoinPrediction> prediction =
        grid ? PredictGridJoin(matrix_, row, col, Grid)
             : PredictJoin(matrix_, row, col, state_.settings);
    if (!prediction)
        return JoinOutcome::NotAccepted;  // a map is missing: there is nothing to search
    std::optional<Bitmap> targetArea = CopyArea(neighbour.Bitmap.get(), prediction->TargetRect);
    if (!targetArea)
        return JoinOutcome::NotAccepted;
    JoinEstimate estimate;
    const Settings& settings = state_.settings;
    // A grid pattern knows its overlap; the driver's own guess serves ordinary matrices.
    if (!grid && (settings.estimateOverlap || settings.bandOnDetail)) {
        estimate =
            RefinePrediction(*prediction, *cell.Bitmap, *targetArea, {neighbour.X, neighbour.Y},
                             {settings.estimateOverlap, settings.bandOnDetail});
    }

    cell.X = prediction->Placeholder.x;
    cell.Y = prediction->Placeholder.y;

    JoinRequest request;
    request.NewMap = cell.Bitmap.get();
    request.TargetArea = std::move(*targetArea);
    request.TargetRect = prediction->TargetRect;
    request.BandPos = prediction->BandPos;
    request.ExpectedPos = prediction->ExpectedPos;
    request.JoinDirection = prediction->JoinDirection;
    request.BandWidth = prediction->BandWidth;
    request.BandHeight = prediction->BandHeight;
    request.JoinAlgorithm = JoinAlgorithm;
    request.JoinCaption = FormatJoinCaption(cell.Name, row, col, neighbour.Name);
    request.RowCount = static_cast<uint16_t>(matrix_.Rows());
    request.ColCount = static_cast<uint16_t>(matrix_.Cols());
    request.Row = cell.Row;
    request.Col = cell.Col;
    request.NeighbourRow = neighbour.Row;
    request.NeighbourCol = neighbour.Col;
    request.AskJoinPoints = row == 1 ? !FirstRowPointsSet : !FirstColPointsSet;
    request.GridPatternJoin = grid;
    request.GridFirstJoin = grid && Grid.GridFirstJoin;
    request.Estimate = estimate;

    cell.IsJoining = true;
    neighbour.IsNeighbour = true;
    const JoinResult result = host_.RunSelfSearch(request);
    cell.IsJoining = false;
    neighbour.IsNeighbour = false;

    cell.Joined = result.JoinAccepted;
    if (!result.JoinAccepted)
        return JoinOutcome::NotAccepted;

    cell.X = Place(int64_t{neighbour.X} + request.TargetRect.left + result.ResultPos.x -
                   request.BandPos.x);
    cell.Y = Place(int64_t{neighbour.Y} + request.TargetRect.top + result.ResultPos.y -
                   request.BandPos.y);
    cell.Correlation = CorrelationByte(result.ResultCorrelation);
    ++JoinedCount;
    state_.ResultUnsaved = true;
    savedResultName_.clear();
    host_.CellChanged(matrix_.CellIndex(row, col));
    if (request.AskJoinPoints) {
        if (row == 1)
            FirstRowPointsSet = true;
        else
            FirstColPointsSet = true;
    }
    return JoinOutcome::Accepted;
}

}  // namespace korvalen
