// Joining the single maps: the join commands of the main window and the result map
// composed from the joined positions.
#include "app/TavixMain.h"

namespace korvalen {

void TfTavixMain::ComposeResultMap() {}
void TfTavixMain::bbTavixMapsClick() {}
void TfTavixMain::bbContinueTavixClick() {}
void TfTavixMain::bbChangeAlgorithmClick() {}

}  // namespace korvalen
