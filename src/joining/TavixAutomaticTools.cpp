// The manual tools of the self-search window: the search band, join points and manual move.
// Until their windows exist, each tool hands back "not accepted", which holds the search, and
// every joining algorithm begins with the self-search.
#include "joining/TavixAutomatic.h"

namespace korvalen {

void TfAutomatic::OpenFirstTool() {
    StartSearch(!settings_.immediateStart);
}

void TfAutomatic::OpenBandTool() {
    if (activated_ && !closing_)
        search_->ToolDeclined();
}

void TfAutomatic::OpenJoinPointsTool() {
    if (activated_ && !closing_)
        search_->ToolDeclined();
}

void TfAutomatic::OpenMoveTool() {
    if (activated_ && !closing_)
        search_->ToolDeclined();
}

}  // namespace korvalen
