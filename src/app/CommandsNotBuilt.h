#pragma once

#include <string_view>

#include <QStringList>

class QObject;

namespace korvalen {

// A command whose window is still being built, by the object names of its controls.
struct CommandNotBuilt {
    std::string_view caption;   // source text, for readers of the table
    std::string_view controls;  // object names, separated by blanks
    // When set, the controls are held off only while they show this caption (source text):
    // one control may carry a built command under another caption.
    std::string_view whileCaption = {};
};

// Until its feature lands, each of these is shown but disabled, with a tooltip saying so.
// Delete a command's line when its window is in (with the last line, delete this file and its
// one call in UpdateControls).
inline constexpr CommandNotBuilt kCommandsNotBuilt[] = {
    {"New &GE tavix", "bbNewGETavix miGoogleEarth sbGoogleEarth"},
};

// The object names of a command's controls.
QStringList ControlsOf(const CommandNotBuilt& command);

// The tooltip of a command that is not built yet (source text).
inline constexpr const char* kNotBuiltTip = "Not_available_yet";

// Disables the controls of kCommandsNotBuilt found among the window's children (widgets and
// actions) and gives them the tooltip, translated.
void DisableCommandsNotBuilt(QObject* window, int language);

}  // namespace korvalen
