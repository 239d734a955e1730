#pragma once

namespace korvalen {

class TfTavixMain;
class TfTavixSettings;

// Wires the main window to the settings dialog: "Settings" in the menu shows the dialog on
// the page it was last on, the capture form's "Settings" on the page of the capture and tile
// source settings, and accepted settings reach the main window.
void ConnectSettingsDialog(TfTavixMain& main, TfTavixSettings& dialog);

}  // namespace korvalen
