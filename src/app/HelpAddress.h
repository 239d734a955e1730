#pragma once

#include <QString>
#include <QUrl>

namespace korvalen {

// The page the Help menu's web item opens: the address of the setting "webAddress" in
// [application] when there is one, else the user manual that came with the program (beside
// the executable in a build tree, under share/doc/korvalen when installed). Empty when
// neither is there.
QUrl HelpAddress(const QString& webAddress, const QString& programFolder);

}  // namespace korvalen
