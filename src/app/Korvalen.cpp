#include <QApplication>

#include "app/TavixMain.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("korvalen"));
    korvalen::TfTavixMain mainWindow;
    mainWindow.show();
    return QApplication::exec();
}
