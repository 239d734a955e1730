#include "app/HelpAddress.h"

#include <QDir>
#include <QFileInfo>

namespace korvalen {

QUrl HelpAddress(const QString& webAddress, const QString& programFolder) {
    const QString address = webAddress.trimmed();
    if (!address.isEmpty())
        return QUrl::fromUserInput(address);
    const QDir folder(programFolder);
    for (const QString& manual : {QStringLiteral("manual/index.html"),
                                  QStringLiteral("../share/doc/korvalen/manual/index.html")}) {
        const QFileInfo file(folder.filePath(manual));
        if (file.isFile())
            return QUrl::fromLocalFile(file.canonicalFilePath());
    }
    return {};
}

}  // namespace korvalen
