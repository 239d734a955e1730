#pragma once

#include <filesystem>

#include "images/Bitmap.h"
#include "images/FileAccess.h"

namespace korvalen {

class Dialogs;

enum class SaveOutcome { Written, Cancelled, Failed };

// Asks for a file name with the save dialog (title "save map", JPEG or bitmap, the filter of
// the name's extension preselected, the name's folder first shown), makes the extension agree
// with the chosen filter and writes the map: JPEG with the quality, or a Windows bitmap in the
// map's own pixel format. A format that cannot hold the map is refused before anything is
// written, and the other format is offered. Every failure is shown with the file's name.
// On success fileName takes the name written; otherwise it stays as it was. The progress,
// when given, hears of the rows written, so that the window can show them and repaint.
SaveOutcome SaveMapDialog(Dialogs& dialogs, int language, const Bitmap& bitmap, int quality,
                          std::filesystem::path& fileName, const WriteProgress& progress = {});

}  // namespace korvalen
