#include "app/QtDialogs.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QMessageBox>

#include "app/TavixSelection.h"
#include "app/TavixTimerMsg.h"

namespace korvalen {

QStringList QtFileFilters(const QString& pipeFilter) {
    const QStringList parts = pipeFilter.split(QLatin1Char('|'));
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2)
        filters << QStringLiteral("%1 (%2)").arg(parts[i], QString(parts[i + 1]).replace(';', ' '));
    return filters;
}

QtDialogs::QtDialogs(QWidget* parent, std::function<int()> language)
    : parent_(parent), language_(std::move(language)) {}

int QtDialogs::SelectOption(const Selection& s) {
    return korvalen::SelectOption(s.caption, s.statement, s.options, s.fontSize, s.centre,
                                  s.defaultChoice, language_(), parent_);
}

bool QtDialogs::ShowTimedMessage(const TimedMessage& m) {
    return korvalen::ShowTimedMessage(m.text, m.intervalMs, m.fontSize, m.area, m.colour, parent_);
}

bool QtDialogs::Confirm(const QString& text) {
    return QMessageBox::question(parent_, QApplication::applicationDisplayName(), text,
                                 QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

void QtDialogs::Message(const QString& text) {
    QMessageBox::information(parent_, QApplication::applicationDisplayName(), text);
}

void QtDialogs::Error(const QString& text) {
    QMessageBox::critical(parent_, QApplication::applicationDisplayName(), text);
}

namespace {

std::optional<Dialogs::FileAnswer> RunFileDialog(QWidget* parent, const Dialogs::FileRequest& r,
                                                 QFileDialog::AcceptMode mode) {
    QFileDialog dialog(parent, r.title, r.folder);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                       : QFileDialog::AnyFile);
    const QStringList filters = QtFileFilters(r.filter);
    dialog.setNameFilters(filters);
    if (r.filterIndex >= 0 && r.filterIndex < filters.size())
        dialog.selectNameFilter(filters[r.filterIndex]);
    if (!r.fileName.isEmpty())
        dialog.selectFile(r.fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return Dialogs::FileAnswer{dialog.selectedFiles().first(),
                               static_cast<int>(filters.indexOf(dialog.selectedNameFilter()))};
}

}  // namespace

std::optional<Dialogs::FileAnswer> QtDialogs::OpenFile(const FileRequest& request) {
    return RunFileDialog(parent_, request, QFileDialog::AcceptOpen);
}

std::optional<Dialogs::FileAnswer> QtDialogs::SaveFile(const FileRequest& request) {
    return RunFileDialog(parent_, request, QFileDialog::AcceptSave);
}

std::optional<QString> QtDialogs::ChooseFolder(const QString& title, const QString& start) {
    const QString folder = QFileDialog::getExistingDirectory(parent_, title, start);
    if (folder.isEmpty())
        return std::nullopt;
    return folder;
}

std::optional<QColor> QtDialogs::ChooseColour(const QColor& initial) {
    const QColor colour = QColorDialog::getColor(initial, parent_);
    if (!colour.isValid())
        return std::nullopt;
    return colour;
}

}  // namespace korvalen
