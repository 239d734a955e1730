// The manual tools of the self-search window: the search band, join points and manual move.
// Each opens modally over this window with copies of what it needs and hands its outcome to the
// search: an accepted band or pair of points resumes the search from there, an accepted move
// decides the join, and anything else holds the search.
#include "joining/TavixAutomatic.h"
#include "joining/TavixBandArea.h"
#include "joining/TavixJoinMaps.h"
#include "joining/TavixMoveMap.h"

namespace korvalen {

void TfAutomatic::OpenFirstTool() {
    switch (search_->FirstTool()) {
        case SelfSearch::Tool::SearchBand:
            OpenBandTool();
            break;
        case SelfSearch::Tool::JoinPoints:
            OpenJoinPointsTool();
            break;
        case SelfSearch::Tool::ManualMove:
            OpenMoveTool();
            break;
        case SelfSearch::Tool::None:
            break;
    }
    if (!closing_)
        StartSearch(search_->StartsWithStartOnly());
}

void TfAutomatic::OpenBandTool() {
    if (!activated_ || closing_)
        return;
    TfBandArea tool(this, request_.JoinDirection, search_->FacingHalf(), search_->Target(),
                    search_->BandRectInNewMap(), search_->SearchAreaCentre(), settings_);
    tool.exec();
    if (closing_)
        return;
    if (!tool.Accepted()) {
        search_->ToolDeclined();
        return;
    }
    // The band is cut anew: the display shows the new one from the first breath of the search.
    bandShownWidth_ = -1;
    const Rect band = tool.BandRect();
    search_->BandDefined({band.left, band.top}, band.Width(), band.Height(), tool.AreaCentre());
}

void TfAutomatic::OpenJoinPointsTool() {
    if (!activated_ || closing_)
        return;
    TfJoinMaps tool(this, request_.JoinDirection, search_->Band(), search_->Target(), settings_);
    tool.exec();
    if (closing_)
        return;
    if (tool.Accepted())
        search_->JoinPointsSet(tool.BandPosition());
    else
        search_->ToolDeclined();
}

void TfAutomatic::OpenMoveTool() {
    if (!activated_ || closing_)
        return;
    TfMoveMap tool(this, request_.JoinDirection, search_->FacingHalf(), search_->Target(),
                   search_->ManualMoveStart(), search_->State().Spreading, settings_);
    tool.exec();
    if (closing_)
        return;
    if (tool.Accepted())
        search_->ManualMoveAccepted(tool.MoveOffset());
    else
        search_->ToolDeclined();
}

}  // namespace korvalen
