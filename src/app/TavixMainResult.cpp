// The result page: saving the result map, its pixel format and file format, and
// re-encoding the single maps.
#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QLabel>
#include <QMenuBar>
#include <QPainter>
#include <QProgressBar>
#include <QRadioButton>
#include <QToolButton>
#include <exception>
#include <functional>
#include <memory>
#include <vector>

#include "app/CommandGuards.h"
#include "app/Dialogs.h"
#include "app/MatrixPicture.h"
#include "app/SaveMapDialog.h"
#include "app/TavixMain.h"
#include "core/ProgramState.h"
#include "core/Translator.h"
#include "images/JpegCodec.h"
#include "images/MapFiles.h"
#include "images/PixelConvert.h"
#include "images/ResultFileNames.h"

namespace korvalen {
namespace fs = std::filesystem;

namespace {

// How often a long write lets the window repaint.
constexpr qint64 kRepaintIntervalMs = 40;
// Writes quicker than this show no progress bar, so that small maps do not flicker.
constexpr qint64 kProgressBarDelayMs = 250;

// Lets pending events run at a bounded rate while rows are written and, once the write has
// taken a while, shows the rows done (when show is given). The first call already lets events
// run, so the window repaints as soon as the write begins.
WriteProgress RepaintingProgress(QEventLoop::ProcessEventsFlags flags,
                                 std::function<void(int done, int total)> show = {}) {
    struct Clocks {
        QElapsedTimer sinceStart;
        QElapsedTimer sinceEvents;
    };
    auto clocks = std::make_shared<Clocks>();
    return [clocks, flags, show = std::move(show)](int done, int total) {
        if (!clocks->sinceStart.isValid())
            clocks->sinceStart.start();
        else if (clocks->sinceEvents.elapsed() < kRepaintIntervalMs)
            return true;
        clocks->sinceEvents.start();
        if (show && clocks->sinceStart.elapsed() >= kProgressBarDelayMs)
            show(done, total);
        QCoreApplication::processEvents(flags);
        return true;
    };
}

fs::path CurrentFolder() {
    std::error_code ec;
    fs::path folder = fs::current_path(ec);
    return ec ? fs::path(".") : folder;
}

std::tm LocalTimeNow() {
    const QDateTime now = QDateTime::currentDateTime();
    std::tm time{};
    time.tm_year = now.date().year() - 1900;
    time.tm_mon = now.date().month() - 1;
    time.tm_mday = now.date().day();
    time.tm_hour = now.time().hour();
    time.tm_min = now.time().minute();
    time.tm_sec = now.time().second();
    return time;
}

bool NamesBitmapFile(const fs::path& path) {
    return !path.empty() && AsciiLower(ExtensionAtFirstStop(path)).find("bmp") != std::string::npos;
}

// A cell emptied for "Compress all single_maps": white inside a black frame two pixels wide.
void DrawClearedCell(QImage& picture, const tSingleMap& cell) {
    const Rect& r = cell.CellRect;
    const QRect area(QPoint(r.left, r.top), QPoint(r.right, r.bottom));
    if (picture.isNull() || area.isEmpty())
        return;
    QPainter painter(&picture);
    const QRect outer = area.adjusted(-1, -1, 1, 1);
    painter.fillRect(outer, Qt::black);
    painter.fillRect(area.adjusted(1, 1, -1, -1), Qt::white);
}

}  // namespace

// ---- Saving the result map ------------------------------------------------------------------

void TfTavixMain::bbSaveMapClick() {
    if (loadingMaps_ || ResultMap.IsEmpty())
        return;
    const Settings& settings = state_.settings;
    ResultNameRequest proposal;
    proposal.geMode = state_.GEMode;
    proposal.captureName = CaptureMapName;
    proposal.mapImagesDirectory = settings.mapImagesDirectory;
    proposal.tavixedMapsDirectory = settings.tavixedMapsDirectory;
    proposal.resultNameHint = state_.ResultNameHint;
    proposal.mapsAreJpeg = MapsAreJpeg;
    proposal.currentFolder = CurrentFolder();
    proposal.now = LocalTimeNow();
    fs::path fileName = ProposedResultName(proposal);

    // A capture is saved with the quality the track bar shows in GE mode, its own one.
    const int quality =
        state_.GEMode ? settings.plusCompressionQuality : settings.compressionQuality;
    SaveOutcome outcome = SaveOutcome::Cancelled;
    {
        const BusyFlag busy(loadingMaps_);
        const auto showRows = [this](int done, int total) {
            stProgress->setText(Text("Saving map"));
            stProgress->show();
            pbProgress->setRange(0, total);
            pbProgress->setValue(done);
            pbProgress->show();
        };
        outcome = SaveMapDialog(dialogs_, state_.Language(), ResultMap, quality, fileName,
                                RepaintingProgress(QEventLoop::ExcludeUserInputEvents, showRows));
        HideLoadProgress();
    }
    if (outcome != SaveOutcome::Written)
        return;

    state_.ResultUnsaved = false;
    SavedResultName = DisplayPath(fileName);
    const QString saved = QString::fromStdString(FillPlaceholders(
        TranslateText("Tavixed_map %s has_been saved", state_.Language()), {SavedResultName}));
    if (state_.CalibrateOffered) {
        if (AskSelection(saved, QString(), {Text("Calibrate now")}, 1) == 1)
            bbCalibrateMapClick();
    } else {
        dialogs_.ShowTimedMessage({saved, 3000, 12, this, QColor(0, 0, 255)});
    }
    UpdateControls();
}

// ---- Format controls ------------------------------------------------------------------------

void TfTavixMain::rgPixelFormatClick() {
    if (loadingMaps_ || ResultMap.IsEmpty())
        return;
    const bool toEight = rbPixel8->isChecked() && ResultMap.BitsPerPixel() >= 24;
    const bool toTwentyFour = rbPixel24->isChecked() && ResultMap.BitsPerPixel() < 24;
    if (toEight || toTwentyFour) {
        try {
            const WaitCursor hourglass;
            ConvertInPlace(ResultMap, toEight ? PixelFormat::Bits8 : PixelFormat::Bits24);
        } catch (const std::exception& e) {
            // Too large to convert: the map stays as it was.
            dialogs_.Error(Text("Error") + QStringLiteral(": ") + QString::fromUtf8(e.what()));
        }
        iMap->SetBitmap(&ResultMap);
    }
    UpdateControls();
}

void TfTavixMain::rgFormatClick() {
    const bool jpeg = rbFormatJpeg->isChecked();
    if (jpeg != MapsAreJpeg)
        MapsAreJpeg = jpeg;
    UpdateControls();
}

// ---- Re-encoding the single maps ------------------------------------------------------------

void TfTavixMain::miConvertBmpToJpegClick() {
    if (loadingMaps_ || !MatrixImage || !ActiveMap())
        return;
    const Settings& settings = state_.settings;
    const int quality = settings.compressionQuality;
    QString statement = QString::fromStdString(
        FillPlaceholders(TranslateText("Convert with %d%% compression_quality", state_.Language()),
                         {std::to_string(quality)}));
    statement.replace(QStringLiteral("%%"), QStringLiteral("%"));
    const int choice = AskSelection(
        Text("Convert bmp single_maps to jpeg"), statement,
        {Text("Convert with prompt for file_name"), Text("Convert without prompt")}, 1);
    if (choice != 1 && choice != 2)
        return;
    const bool prompt = choice == 1;

    std::vector<int> cells;
    for (int index = 0; index < static_cast<int>(Matrix.Size()); ++index) {
        const tSingleMap& cell = *Matrix.Cell(index);
        if (NamesBitmapFile(cell.FilePath) && cell.Bitmap && !cell.Bitmap->IsEmpty())
            cells.push_back(index);
    }

    QString failure;
    {
        const CommandLock lock(this, loadingMaps_);
        loadBreakRequested_ = false;
        const int total = static_cast<int>(cells.size());
        for (int done = 0; done < total && !loadBreakRequested_; ++done) {
            const int index = cells[static_cast<size_t>(done)];
            tSingleMap& cell = *Matrix.Cell(index);
            ShowLoadProgress("Converting", done + 1, total, FromPath(cell.FilePath.filename()));

            fs::path written = WithExtensionAtFirstStop(cell.FilePath, "jpg");
            const WriteProgress progress = RepaintingProgress(QEventLoop::AllEvents);
            if (prompt) {
                const SaveOutcome outcome = SaveMapDialog(dialogs_, state_.Language(), *cell.Bitmap,
                                                          quality, written, progress);
                if (outcome == SaveOutcome::Cancelled)
                    continue;
                if (outcome == SaveOutcome::Failed)
                    break;  // already reported
            } else {
                std::string error;
                bool ok = false;
                {
                    const WaitCursor hourglass;
                    ok = WriteJpegFile(written, *cell.Bitmap, quality, error, progress);
                }
                if (!ok) {
                    failure = QString::fromStdString(error);
                    break;
                }
            }

            cell.FilePath = written;
            auto bitmap = std::make_unique<Bitmap>();
            std::string error;
            if (!LoadMapFile(written, *bitmap, settings.singleMaps8bit, error)) {
                // The file is written; the map in memory stays until it can be read.
                failure = QString::fromStdString(error);
                break;
            }
            cell.Bitmap = std::move(bitmap);
            cellPictures_.Forget(index);
            DrawMatrixCell(index);
            QCoreApplication::processEvents();
        }
    }
    HideLoadProgress();
    UpdateControls();
    if (!failure.isEmpty())
        dialogs_.Error(Text("Error") + QStringLiteral(": ") + failure);
}

void TfTavixMain::miCompressAllClick() {
    if (loadingMaps_ || !MatrixImage || Matrix.Empty())
        return;
    const Settings& settings = state_.settings;
    const int quality = settings.compressionQuality;
    if (!dialogs_.Confirm(QString::fromStdString(
            FillPlaceholders(TranslateText("Compress all single_maps with %d compression_quality",
                                           state_.Language()),
                             {std::to_string(quality)}))))
        return;

    for (const tSingleMap& cell : Matrix)
        DrawClearedCell(MatrixImage->Picture(), cell);
    MatrixImage->update();
    QCoreApplication::processEvents();

    QString failure;
    {
        const WaitCursor hourglass;
        const CommandLock lock(this, loadingMaps_);
        loadBreakRequested_ = false;
        const int total = static_cast<int>(Matrix.Size());
        for (int index = 0; index < total && !loadBreakRequested_; ++index) {
            tSingleMap& cell = *Matrix.Cell(index);
            if (cell.FilePath.empty() || !cell.Bitmap || cell.Bitmap->IsEmpty()) {
                DrawMatrixCell(index);
                continue;
            }
            ShowLoadProgress("Compressing", index + 1, total, FromPath(cell.FilePath.filename()));

            // A bitmap file gets a JPEG beside it; the cell keeps reading its own file.
            std::string error;
            if (!WriteJpegFile(JpegFileName(cell.FilePath), *cell.Bitmap, quality, error,
                               RepaintingProgress(QEventLoop::AllEvents))) {
                failure = QString::fromStdString(error);
                break;
            }
            auto bitmap = std::make_unique<Bitmap>();
            if (!LoadMapFile(cell.FilePath, *bitmap, settings.singleMaps8bit, error)) {
                failure = QString::fromStdString(error);
                break;
            }
            cell.Bitmap = std::move(bitmap);
            cellPictures_.Forget(index);
            DrawMatrixCell(index);
            QCoreApplication::processEvents();
        }
    }
    HideLoadProgress();
    // Cells left white by a break or a failure get their maps back.
    BuildMatrixPicture();
    UpdateControls();
    if (!failure.isEmpty())
        dialogs_.Error(Text("Error") + QStringLiteral(": ") + failure);
}

}  // namespace korvalen
