#include "app/MainWindowState.h"

#include <algorithm>
#include <cctype>

namespace korvalen {

bool LooksLikeBmpPath(const std::string& path) {
    if (path.size() <= 4)
        return false;
    std::string lower(path);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower.find(".bmp") != std::string::npos;
}

std::string FillPlaceholders(std::string_view pattern, const std::vector<std::string>& values) {
    std::string out;
    std::size_t next = 0;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const bool placeholder = pattern[i] == '%' && i + 1 < pattern.size() &&
                                 (pattern[i + 1] == 's' || pattern[i + 1] == 'd');
        if (placeholder && next < values.size()) {
            out += values[next++];
            ++i;
        } else {
            out += pattern[i];
        }
    }
    return out;
}

namespace {

void ResultPageRules(const ControlInputs& in, ControlStates& out) {
    if (!in.resultMapExists) {
        // Nothing to save, adjust or calibrate, and no single-maps command either: only the
        // way back.
        out.resultCommandsEnabled = false;
        out.calibrateEnabled = false;
        out.convertBmpToJpegEnabled = false;
        out.ungovernedCommandsEnabled = false;
        out.loadAllMapsEnabled = false;
        out.activeMapEnabled = false;
        out.tavixMapsEnabled = false;
        out.continueEnabled = false;
        out.changeAlgorithmEnabled = false;
        out.resultMapEnabled = false;
        out.switchPageEnabled = true;
        return;
    }
    out.resultCommandsEnabled = true;
    out.ungovernedCommandsEnabled = true;
    out.calibrateVisible = in.calibrateOffered;
    out.calibrateEnabled = in.calibrateOffered && !in.savedResultNameEmpty;
    out.calibrateCaption = in.geMode ? "Calibration" : "&Calibrate map";
    out.overviewVisible = !in.geMode;
    const bool newCapture = in.autoStart && in.geMode;
    out.newCaptureVisible = newCapture;
    out.singleMapsButtonVisible = !newCapture;
    out.jpegQuality = in.geMode ? in.plusQuality : in.tavixQuality;
    out.sizeText = std::to_string(in.resultWidth) + " x " + std::to_string(in.resultHeight);
    out.pixelFormatVisible = in.resultMap24Bit;
    out.formatJpegSelected = in.mapsAreJpeg;
    out.jpegPanelVisible = in.mapsAreJpeg;
    out.switchPageEnabled = true;
}

void SingleMapsPageRules(const ControlInputs& in, ControlStates& out) {
    const bool manyCells = in.cellCount > 1;
    out.ungovernedCommandsEnabled = true;
    out.loadAllMapsEnabled = manyCells && !in.mapsLoaded && !in.gridPatternJoin;
    out.showMapsButtonVisible = !in.showSingleMaps;
    out.hideMapsButtonVisible = in.showSingleMaps;
    out.showMapsMenuCaption = in.showSingleMaps ? "Hide maps" : "Show maps";

    const bool activeCommand = in.matrixPictureExists && in.activeMapExists;
    out.activeMapEnabled = activeCommand;
    out.activeMapCaption =
        !in.activeMapFilePath.empty() && in.activeMapHasBitmap ? "Adjust map" : "Load map";
    out.convertBmpToJpegEnabled = activeCommand && LooksLikeBmpPath(in.activeMapFilePath);

    out.tavixMapsEnabled = in.matrixPictureExists && manyCells && in.allCellsHaveMaps;
    const int cells = static_cast<int>(in.cellCount);
    out.continueEnabled = in.joinedCount > 0 && in.joinedCount < cells;
    out.changeAlgorithmEnabled = *out.continueEnabled && !in.gridPatternJoin;
    const bool result = in.joinedCount > 0 || in.cellCount == 1 || in.geMode;
    out.resultMapEnabled = result;
    out.switchPageEnabled = result;
}

}  // namespace

ControlStates ComputeControlStates(const ControlInputs& in) {
    ControlStates out;
    out.singleMapsMenuVisible = !in.resultPageShown;
    out.resultMapMenuVisible = in.resultPageShown;
    out.convertBmpToJpegEnabled = in.matrixPictureExists && in.activeMapExists && !in.mapsAreJpeg;
    out.googleEarthVisible = true;
    if (in.resultPageShown)
        ResultPageRules(in, out);
    else
        SingleMapsPageRules(in, out);
    return out;
}

}  // namespace korvalen
