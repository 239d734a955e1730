#include "app/CommandsNotBuilt.h"

#include <QAction>
#include <QMenu>
#include <QWidget>

#include "core/Translator.h"

namespace korvalen {

QStringList ControlsOf(const CommandNotBuilt& command) {
    return QString::fromLatin1(command.controls.data(), qsizetype(command.controls.size()))
        .split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

void DisableCommandsNotBuilt(QObject* window, int language) {
    const QString tip = QString::fromStdString(TranslateText(kNotBuiltTip, language));
    for (const CommandNotBuilt& command : kCommandsNotBuilt) {
        const QString caption =
            command.whileCaption.empty()
                ? QString()
                : QString::fromStdString(TranslateText(command.whileCaption, language));
        for (const QString& objectName : ControlsOf(command)) {
            for (QObject* control : window->findChildren<QObject*>(objectName)) {
                if (!caption.isEmpty() && control->property("text").toString() != caption) {
                    // Its other command is built: the rules' state stands, without our tooltip.
                    if (control->property("toolTip").toString() == tip)
                        control->setProperty("toolTip", QString());
                    continue;
                }
                if (auto* widget = qobject_cast<QWidget*>(control)) {
                    widget->setEnabled(false);
                    widget->setToolTip(tip);
                } else if (auto* action = qobject_cast<QAction*>(control)) {
                    action->setEnabled(false);
                    action->setToolTip(tip);
                    for (QObject* menu : action->associatedObjects())
                        if (auto* m = qobject_cast<QMenu*>(menu))
                            m->setToolTipsVisible(true);
                }
            }
        }
    }
}

}  // namespace korvalen
