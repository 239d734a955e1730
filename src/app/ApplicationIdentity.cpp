#include "app/ApplicationIdentity.h"

#include <QGuiApplication>

#include "app/TavixInfo.h"

namespace korvalen {

void SetApplicationIdentity() {
    QGuiApplication::setApplicationName(QStringLiteral("korvalen"));
    QGuiApplication::setApplicationVersion(VersionText());
    QGuiApplication::setDesktopFileName(QStringLiteral("org.example.korvalen"));
}

}  // namespace korvalen
