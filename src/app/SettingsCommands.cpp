#include "app/SettingsCommands.h"

#include "app/TavixMain.h"
#include "app/TavixSettings.h"

namespace korvalen {

void ConnectSettingsDialog(TfTavixMain& main, TfTavixSettings& dialog) {
    main.SetSettingsCommand([&dialog] { dialog.ShowSettings(); });
    main.SetCaptureSettingsCommand(
        [&dialog] { dialog.ShowSettingsPage(TfTavixSettings::PagePlus); });
    QObject::connect(&dialog, &TfTavixSettings::settingsAccepted, &main,
                     &TfTavixMain::SettingsAccepted);
}

}  // namespace korvalen
