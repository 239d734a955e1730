#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "joining/JoinPrediction.h"
#include "joining/JoinRequest.h"

namespace korvalen {

class MapMatrix;
struct ProgramState;

// A question with numbered options for the selection dialog. Texts are source texts; the host
// translates them.
struct JoinSelection {
    std::string caption;
    std::string statement;
    std::vector<std::string> options;
    int defaultChoice = 1;  // 0: the break button has the focus
    int fontSize = 8;
};

// What the join driver needs from the window it runs in: its questions, the self-search, and
// word of what changed. Tests script it.
class JoinDriverHost {
public:
    virtual ~JoinDriverHost() = default;

    // The selection dialog centred on the matrix panel; the option chosen from 1, 0 for break.
    virtual int SelectOption(const JoinSelection& selection) = 0;
    // A Yes/No question (source text); true for Yes.
    virtual bool Confirm(const std::string& text) = 0;
    // Runs the self-search on the request, modally, and hands back its outcome. The search may
    // move the band: the driver reads BandPos from the request afterwards.
    virtual JoinResult RunSelfSearch(JoinRequest& request) = 0;
    // The cell at this matrix index was placed or reset: its picture needs drawing anew.
    virtual void CellChanged(int index) {}
    // A run has ended (not called when the choice of algorithm was cancelled).
    virtual void UpdateControls() {}
    // The user wants to look at the result map (composing and showing it is the host's).
    virtual void ShowResultMap() {}
};

// Source texts of the driver.
inline constexpr const char* kJoinAlgorithmOptions[] = {
    "self-search",
    "define search_band",
    "join_points only on_first horiz./vertically_tavix",
    "set join_points ever",
    "manually_move_map",
};
inline constexpr const char* kRestartStatement = "%d tavixes have_been_already_carried_out !";
inline constexpr const char* kRestartOption = "discard_intermediate_result and restart tavix";
inline constexpr const char* kPauseQuestion = "continue with next tavix";
inline constexpr const char* kLookAtResultQuestion =
    "The_tavix_has_been_carried_out.\r\nDo_you_want take_a_look_at the_result_map";
inline constexpr const char* kJoinCaptionFormat = "Tavixing %s (row=%d column=%d) with %s ...";

// Places every map of the matrix in the result map's coordinates: the anchor (1, 1) at the
// origin, then row 1 against its left neighbour and later rows against the map above, each
// through a self-search that the host runs on a prepared request. Lives as long as the main
// window; the joining algorithm and the grid values carry over between runs.
class JoinDriver {
public:
    // savedResultName is the host's name of the saved result, emptied when the result changes.
    JoinDriver(MapMatrix& matrix, ProgramState& state, JoinDriverHost& host,
               std::string& savedResultName);

    // "Tavix_maps": asks whether to discard earlier joins when two or more maps are placed,
    // joins from the anchor on, and offers the result when every map is placed.
    void StartJoining();
    // "Continue tavix": joins the cells not yet joined with the algorithm chosen before.
    void ContinueJoining();
    // "Change algorithm": JoinAlgorithm := the user's choice (1 without asking for one cell).
    void ChooseJoinAlgorithm();
    // The walk over the matrix; stops at the first join that is not accepted.
    void RunJoin(bool restart);
    // A grid-pattern join is given up (a new matrix replaces the pattern): the settings forced
    // for it get their remembered values back and GridPatternJoin is cleared.
    void EndGridPatternJoin();

    uint8_t JoinAlgorithm = 0;  // 1..5; 0 = the choice was cancelled
    bool FirstRowPointsSet = false;
    bool FirstColPointsSet = false;
    int JoinedCount = 0;
    GridJoinValues Grid;  // the loader of a grid pattern sets factor, extra and band base

private:
    // Settings a grid-pattern join forces, as they were when it began.
    struct RememberedSettings {
        int minimumCorrelation = 0;
        uint8_t continueSearch = 0;
        bool previewFirst = false;
        uint8_t joinAlgorithm = 0;
    };

    enum class JoinOutcome { Accepted, NotAccepted };
    JoinOutcome JoinCell(int row, int col);
    void PlaceAnchor();
    void ForceGridSettings();
    void RestoreGridSettings();
    void OfferResultWhenComplete();
    int CellCount() const;

    MapMatrix& matrix_;
    ProgramState& state_;
    JoinDriverHost& host_;
    std::string& savedResultName_;
    std::optional<RememberedSettings> remembered_;
};

// The self-search window's caption for a join, in source form.
std::string FormatJoinCaption(const std::string& newName, int row, int col,
                              const std::string& neighbourName);

}  // namespace korvalen
