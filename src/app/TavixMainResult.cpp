// The result page: saving the result map, its pixel format and file format, and
// re-encoding the single maps.
#include "app/TavixMain.h"

namespace korvalen {

void TfTavixMain::bbSaveMapClick() {}
void TfTavixMain::rgPixelFormatClick() {}
void TfTavixMain::rgFormatClick() {}
void TfTavixMain::miConvertBmpToJpegClick() {}
void TfTavixMain::miCompressAllClick() {}

}  // namespace korvalen
