#include "app/SaveMapDialog.h"

#include <QApplication>
#include <exception>
#include <optional>
#include <string>

#include "app/CommandGuards.h"
#include "app/Dialogs.h"
#include "core/Translator.h"
#include "images/BmpCodec.h"
#include "images/JpegCodec.h"
#include "images/ResultFileNames.h"

namespace korvalen {
namespace fs = std::filesystem;

namespace {

// Writes the whole map or nothing: the writers go through a temporary file, and whatever
// goes wrong comes back as a message that names the file.
bool WriteMap(const fs::path& name, MapFileFormat format, const Bitmap& bitmap, int quality,
              const WriteProgress& progress, std::string& error) {
    bool written = false;
    try {
        const WaitCursor hourglass;
        // JPEG has no palette: maps of 8 bits or fewer are written as colour pictures too.
        written = format == MapFileFormat::Jpeg
                      ? WriteJpegFile(name, bitmap, quality, error, progress)
                      : WriteBmpFile(name, bitmap, error, progress);
    } catch (const std::exception& e) {
        error = e.what();
    }
    const std::string shown = DisplayPath(name);
    if (!written && error.find(shown) == std::string::npos)
        error = "Cannot write " + shown + (error.empty() ? std::string() : ": " + error);
    return written;
}

}  // namespace

SaveOutcome SaveMapDialog(Dialogs& dialogs, int language, const Bitmap& bitmap, int quality,
                          fs::path& fileName, const WriteProgress& progress) {
    const auto text = [language](const char* source) {
        return QString::fromStdString(TranslateText(source, language));
    };
    fs::path proposed = fileName;
    for (;;) {
        Dialogs::FileRequest request;
        request.title = text("save map");
        request.filter = QString::fromLatin1(kSaveMapFilter.data(),
                                             static_cast<qsizetype>(kSaveMapFilter.size()));
        request.filterIndex = static_cast<int>(FormatOfName(proposed));
        request.folder = FromPath(proposed.parent_path());
        request.fileName = FromPath(proposed);
        const std::optional<Dialogs::FileAnswer> answer = dialogs.SaveFile(request);
        if (!answer || answer->path.isEmpty())
            return SaveOutcome::Cancelled;

        const fs::path typed = ToPath(answer->path);
        const MapFileFormat chosen = answer->filterIndex == 0   ? MapFileFormat::Jpeg
                                     : answer->filterIndex == 1 ? MapFileFormat::Bitmap
                                                                : FormatOfName(typed);
        const fs::path name = NameAgreeingWithFormat(typed, chosen);

        std::string refusal;
        if (!FormatCanHold(chosen, bitmap.Width(), bitmap.Height(), bitmap.Format(), refusal)) {
            const MapFileFormat other = OtherFormat(chosen);
            std::string otherRefusal;
            if (!FormatCanHold(other, bitmap.Width(), bitmap.Height(), bitmap.Format(),
                               otherRefusal)) {
                dialogs.Error(text("The_map cannot be_saved:") + QStringLiteral("\n\n") +
                              QString::fromStdString(refusal + "\n" + otherRefusal));
                return SaveOutcome::Failed;
            }
            const char* question = other == MapFileFormat::Bitmap ? "Save_as bitmap instead?"
                                                                  : "Save_as jpeg instead?";
            if (!dialogs.Confirm(QString::fromStdString(refusal) + QStringLiteral("\n\n") +
                                 text(question)))
                return SaveOutcome::Cancelled;
            // The dialog comes back with the other format, so that the user sees the new name
            // and is asked before a file of that name is replaced.
            proposed = NameAgreeingWithFormat(name, other);
            continue;
        }

        std::string error;
        if (!WriteMap(name, chosen, bitmap, quality, progress, error)) {
            dialogs.Error(text("Error") + QStringLiteral(": ") + QString::fromStdString(error));
            return SaveOutcome::Failed;
        }
        fileName = name;
        return SaveOutcome::Written;
    }
}

}  // namespace korvalen
