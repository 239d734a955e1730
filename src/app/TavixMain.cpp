#include "app/TavixMain.h"

namespace korvalen {

TfTavixMain::TfTavixMain(QWidget* parent) : QMainWindow(parent) {
    setWindowTitle(QStringLiteral("Korvalen 2.33"));
    setMinimumSize(660, 620);
    resize(800, 620);
}

}  // namespace korvalen
