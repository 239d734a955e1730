#include "support/ScriptedDialogs.h"

namespace korvalen::test {

namespace {
template <typename T>
T Next(std::deque<T>& queue, T whenEmpty) {
    if (queue.empty())
        return whenEmpty;
    T answer = std::move(queue.front());
    queue.pop_front();
    return answer;
}
}  // namespace

int ScriptedDialogs::SelectOption(const Selection& selection) {
    asked << QStringLiteral("select: ") + selection.caption;
    selectionsAsked.push_back(selection);
    if (selection.options.isEmpty())
        return 0;
    return Next(selections, 0);
}

bool ScriptedDialogs::ShowTimedMessage(const TimedMessage& message) {
    asked << QStringLiteral("timed: ") + message.text;
    timedMessages.push_back(message);
    return false;
}

bool ScriptedDialogs::Confirm(const QString& text) {
    asked << QStringLiteral("confirm: ") + text;
    return Next(confirmations, false);
}

void ScriptedDialogs::Message(const QString& text) {
    asked << QStringLiteral("message: ") + text;
}

void ScriptedDialogs::Error(const QString& text) {
    asked << QStringLiteral("error: ") + text;
}

std::optional<Dialogs::FileAnswer> ScriptedDialogs::OpenFile(const FileRequest& request) {
    asked << QStringLiteral("open: ") + request.title;
    fileRequests.push_back(request);
    return Next(files, std::optional<FileAnswer>());
}

std::optional<Dialogs::FileAnswer> ScriptedDialogs::SaveFile(const FileRequest& request) {
    asked << QStringLiteral("save: ") + request.title;
    fileRequests.push_back(request);
    return Next(files, std::optional<FileAnswer>());
}

std::optional<QString> ScriptedDialogs::ChooseFolder(const QString& title, const QString&) {
    asked << QStringLiteral("folder: ") + title;
    return Next(folders, std::optional<QString>());
}

std::optional<QColor> ScriptedDialogs::ChooseColour(const QColor&) {
    asked << QStringLiteral("colour");
    return Next(colours, std::optional<QColor>());
}

std::string Described(const Dialogs::Selection& selection) {
    const QString line = selection.caption + " | " + selection.statement + " | " +
                         selection.options.join(QStringLiteral(" / ")) + " | default " +
                         QString::number(selection.defaultChoice) + ", font " +
                         QString::number(selection.fontSize);
    return line.toStdString();
}

}  // namespace korvalen::test
