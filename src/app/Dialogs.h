#pragma once

#include <QColor>
#include <QPoint>
#include <QString>
#include <QStringList>
#include <optional>

class QWidget;

namespace korvalen {

// Every question and file choice of the program goes through this interface, so that each
// flow of the main window can be tested offscreen with scripted answers. Texts arrive
// translated; the implementation shows them as they are.
class Dialogs {
public:
    virtual ~Dialogs() = default;

    struct Selection {
        QString caption;
        QString statement;
        QStringList options;
        int fontSize = 10;
        QPoint centre;          // x above 0: the dialog is centred on this point
        int defaultChoice = 1;  // 0: the break button has the focus
    };
    // The number of the option chosen (from 1), 0 for break. No options: 0, nothing shown.
    virtual int SelectOption(const Selection& selection) = 0;

    struct TimedMessage {
        QString text;
        int intervalMs = 1000;
        int fontSize = 18;
        QWidget* area = nullptr;  // the message is centred over this widget when given
        QColor colour = QColor(128, 0, 128);
    };
    // True when the user closed the message before its time.
    virtual bool ShowTimedMessage(const TimedMessage& message) = 0;

    // A Yes/No question; true for Yes.
    virtual bool Confirm(const QString& text) = 0;
    virtual void Message(const QString& text) = 0;
    virtual void Error(const QString& text) = 0;

    struct FileRequest {
        QString title;
        QString filter;       // "Jpeg|*.jpg|Bitmap|*.bmp": description and pattern pairs
        int filterIndex = 0;  // the pair selected at first, from 0
        QString folder;       // initial folder; empty for the current one
        QString fileName;     // proposed name (save)
    };
    struct FileAnswer {
        QString path;
        int filterIndex = 0;  // the pair chosen, from 0
    };
    virtual std::optional<FileAnswer> OpenFile(const FileRequest& request) = 0;
    // With an overwrite prompt.
    virtual std::optional<FileAnswer> SaveFile(const FileRequest& request) = 0;
    virtual std::optional<QString> ChooseFolder(const QString& title, const QString& start) = 0;
    virtual std::optional<QColor> ChooseColour(const QColor& initial) = 0;
};

}  // namespace korvalen
