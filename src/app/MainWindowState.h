#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvalen {

// What the command states of the main window depend on, gathered without any widget.
struct ControlInputs {
    bool resultPageShown = false;
    bool resultMapExists = false;
    bool resultMap24Bit = false;
    int resultWidth = 0;
    int resultHeight = 0;

    bool matrixPictureExists = false;
    bool activeMapExists = false;
    bool activeMapHasBitmap = false;
    std::string activeMapFilePath;  // empty when the active cell has no file
    std::size_t cellCount = 0;
    bool allCellsHaveMaps = false;
    int joinedCount = 0;

    bool mapsLoaded = false;
    bool mapsAreJpeg = false;
    bool gridPatternJoin = false;
    bool geMode = false;
    bool calibrateOffered = false;
    bool savedResultNameEmpty = true;

    bool showSingleMaps = true;
    bool autoStart = false;
    int tavixQuality = 70;  // compressionQuality of [tavix]
    int plusQuality = 70;   // compressionQuality of [plus]
};

// The states UpdateControls gives the commands. An empty optional leaves that state as it
// is: the rules of one page do not touch the controls of the other, and a result page
// without a result map changes nothing but the enabled states. Captions are source texts.
struct ControlStates {
    bool singleMapsMenuVisible = false;
    bool resultMapMenuVisible = false;
    bool convertBmpToJpegEnabled = false;
    bool googleEarthVisible = true;
    std::optional<bool> switchPageEnabled;
    // The commands no rule governs (new matrix, show maps, grid pattern, placemark grid,
    // capture): off only on the result page without a result map.
    std::optional<bool> ungovernedCommandsEnabled;

    // Result page.
    std::optional<bool> resultCommandsEnabled;  // save, adjust, formats, quality, new capture
    std::optional<bool> calibrateVisible;
    std::optional<bool> calibrateEnabled;
    std::optional<std::string> calibrateCaption;
    std::optional<bool> overviewVisible;
    std::optional<bool> newCaptureVisible;
    std::optional<bool> singleMapsButtonVisible;
    std::optional<int> jpegQuality;
    std::optional<std::string> sizeText;
    std::optional<bool> pixelFormatVisible;  // when shown, "24 bit" is selected
    std::optional<bool> formatJpegSelected;
    std::optional<bool> jpegPanelVisible;

    // Single-maps page.
    std::optional<bool> loadAllMapsEnabled;  // also the Google Earth button
    std::optional<bool> showMapsButtonVisible;
    std::optional<bool> hideMapsButtonVisible;
    std::optional<std::string> showMapsMenuCaption;
    std::optional<bool> activeMapEnabled;  // also "Reload active map"
    std::optional<std::string> activeMapCaption;
    std::optional<bool> tavixMapsEnabled;  // also "Compress all single_maps"
    std::optional<bool> continueEnabled;
    std::optional<bool> changeAlgorithmEnabled;
    std::optional<bool> resultMapEnabled;
};

// The command-state rules of the main window, in their order.
ControlStates ComputeControlStates(const ControlInputs& in);

// Fills the "%s" and "%d" placeholders of a translated message with the values, in order.
// Placeholders without a value stay as they are; a "%" before any other character is kept.
std::string FillPlaceholders(std::string_view pattern, const std::vector<std::string>& values);

// True when a path names a Windows bitmap: longer than four characters and holding ".bmp"
// in any case.
bool LooksLikeBmpPath(const std::string& path);

}  // namespace korvalen
