#pragma once

#include <functional>

#include "app/Dialogs.h"

namespace korvalen {

// The dialogs the user sees: the selection dialog, the timed message, message boxes and
// the file, folder and colour dialogs of Qt.
class QtDialogs : public Dialogs {
public:
    // parent: the window the dialogs belong to; language: asked at each call.
    QtDialogs(QWidget* parent, std::function<int()> language);

    int SelectOption(const Selection& selection) override;
    bool ShowTimedMessage(const TimedMessage& message) override;
    bool Confirm(const QString& text) override;
    void Message(const QString& text) override;
    void Error(const QString& text) override;
    std::optional<FileAnswer> OpenFile(const FileRequest& request) override;
    std::optional<FileAnswer> SaveFile(const FileRequest& request) override;
    std::optional<QString> ChooseFolder(const QString& title, const QString& start) override;
    std::optional<QColor> ChooseColour(const QColor& initial) override;

private:
    QWidget* parent_;
    std::function<int()> language_;
};

// "Jpeg|*.jpg|Bitmap|*.bmp" as Qt writes file filters: "Jpeg (*.jpg);;Bitmap (*.bmp)".
QStringList QtFileFilters(const QString& pipeFilter);

}  // namespace korvalen
