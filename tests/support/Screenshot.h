#pragma once

#include <QByteArray>
#include <QString>
#include <QWidget>

namespace korvalen::test {

// Saves a picture of a window as NAME.png when KORVALEN_SCREENSHOTS names a folder, for
// looking at; does nothing otherwise.
inline void Shot(QWidget* widget, const char* name) {
    const QByteArray folder = qgetenv("KORVALEN_SCREENSHOTS");
    if (!folder.isEmpty())
        widget->grab().save(QString::fromUtf8(folder) + QStringLiteral("/") +
                            QString::fromLatin1(name) + QStringLiteral(".png"));
}

}  // namespace korvalen::test
