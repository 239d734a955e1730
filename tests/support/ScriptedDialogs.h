#pragma once

#include <QStringList>
#include <deque>
#include <string>
#include <variant>

#include "app/Dialogs.h"

namespace korvalen::test {

// Dialogs with queued answers. Each call takes the next answer from its own queue (or
// cancels when the queue is empty) and records what was asked.
class ScriptedDialogs : public Dialogs {
public:
    std::deque<int> selections;
    std::deque<bool> confirmations;
    std::deque<std::optional<FileAnswer>> files;
    std::deque<std::optional<QString>> folders;
    std::deque<std::optional<QColor>> colours;

    // What was asked, in order: "select: caption", "confirm: text", "message: text", ...
    QStringList asked;
    std::vector<Selection> selectionsAsked;
    std::vector<FileRequest> fileRequests;
    std::vector<TimedMessage> timedMessages;

    int SelectOption(const Selection& selection) override;
    bool ShowTimedMessage(const TimedMessage& message) override;
    bool Confirm(const QString& text) override;
    void Message(const QString& text) override;
    void Error(const QString& text) override;
    std::optional<FileAnswer> OpenFile(const FileRequest& request) override;
    std::optional<FileAnswer> SaveFile(const FileRequest& request) override;
    std::optional<QString> ChooseFolder(const QString& title, const QString& start) override;
    std::optional<QColor> ChooseColour(const QColor& initial) override;
};

// A question on one line: "caption | statement | option / option | default 1, font 8".
std::string Described(const Dialogs::Selection& selection);

}  // namespace korvalen::test
