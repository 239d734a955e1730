// The main window's placemark grid commands: "Create placemark_grid" and "Load grid_pattern".
#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QProgressBar>
#include <QSpinBox>
#include <QToolButton>

#include "app/CommandGuards.h"
#include "app/Dialogs.h"
#include "app/MatrixPicture.h"
#include "app/TavixMain.h"
#include "core/ProgramState.h"
#include "core/Translator.h"
#include "geo/PatternCorners.h"
#include "geo/TavixPlacemarkGrid.h"
#include "images/FileAccess.h"
#include "images/GridPattern.h"
#include "images/GridPatternImages.h"

namespace korvalen {
namespace {

const QString kPatternFilter = QStringLiteral("Placemark Grid Pattern File (*.pgp)|*.pgp");

}  // namespace

void TfTavixMain::miPlacemarkGridClick() {
    if (loadingMaps_)
        return;
    TfPlacemarkGrid form(state_, dialogs_, this);
    form.exec();
}

void TfTavixMain::bbLoadGridPatternClick() {
    if (loadingMaps_)
        return;
    const Settings& settings = state_.settings;
    Dialogs::FileRequest request;
    request.title = Text("Load grid_pattern");
    request.filter = kPatternFilter;
    request.folder = QString::fromStdString(settings.PlacemarksDirectory);
    const std::optional<Dialogs::FileAnswer> answer = dialogs_.OpenFile(request);
    if (!answer)
        return;
    const std::filesystem::path patternFile = ToPath(answer->path);
    const PatternReading reading = ReadGridPattern(patternFile);
    auto message = [&](const char* source, const std::string& value) {
        return QString::fromStdString(
            FillPlaceholders(TranslateText(source, state_.Language()), {value}));
    };
    if (reading.Status == PatternStatus::Unreadable) {
        dialogs_.Error(Text("Error") + QStringLiteral(": ") +
                       QString::fromStdString(reading.Error));
        return;
    }
    if (reading.Status == PatternStatus::NotAPattern) {
        dialogs_.Message(message(kNotAPatternMessage, DisplayPath(patternFile)));
        return;
    }
    state_.ResultNameHint = BaseAtFirstStop(patternFile);
    state_.CalibrateOffered = reading.HasCalibration && reading.CornersComplete;
    state_.GridCorners = state_.CalibrateOffered ? GridCornerPoints(*reading.Pattern.Corners)
                                                 : std::array<tCalibPoint, 4>{};
    if (reading.Status == PatternStatus::BadParameter) {
        dialogs_.Message(Text(kBadPatternMessage));
        UpdateControls();
        return;
    }
    const GridPattern& pattern = reading.Pattern;

    // The folder of the numbered images; asked again while one is missing and the user wants.
    QString start = QString::fromStdString(settings.PlacemarksDirectory);
    if (start.isEmpty() || !QDir(start).exists())
        start = QDir::currentPath();
    PatternImageFiles files;
    for (;;) {
        const std::optional<QString> folder =
            dialogs_.ChooseFolder(Text("Folder of the grid_pattern images"), start);
        if (!folder)
            return;
        std::string error;
        if (!FindPatternImages(ToPath(*folder), pattern.NumRows, pattern.NumCols, files, error)) {
            dialogs_.Error(Text("Error") + QStringLiteral(": ") + QString::fromStdString(error));
            return;
        }
        if (!files.Missing)
            break;
        if (!dialogs_.Confirm(message(kMissingImageQuestion, DisplayPath(*files.Missing))))
            return;
        start = *folder;
    }

    MapMatrix loaded;
    std::string error;
    bool done = false;
    {
        const WaitCursor hourglass;
        const CommandLock lock(this, loadingMaps_);
        loadBreakRequested_ = false;
        done = LoadPatternMatrix(
            loaded, pattern.NumRows, pattern.NumCols, files, settings.singleMaps8bit, error,
            [&](int number, int total) {
                ShowLoadProgress("Loading", number, total,
                                 FromPath(files.Paths[static_cast<size_t>(number - 1)].filename()));
                QCoreApplication::processEvents();
                return !loadBreakRequested_;
            });
    }
    HideLoadProgress();
    if (!done) {
        if (!loadBreakRequested_)
            dialogs_.Error(Text("Error in map_files:") + QStringLiteral("\n\n") +
                           QString::fromStdString(error));
        return;
    }

    // The pattern replaces the matrix; a pattern joined before gives its settings back first.
    joinDriver_->EndGridPatternJoin();
    Matrix = std::move(loaded);
    cellPictures_.Clear();
    seNumRows->setValue(pattern.NumRows);
    seNumCols->setValue(pattern.NumCols);
    JoinedCount = 0;
    activeIndex_ = 0;
    GridJoinValues& grid = joinDriver_->Grid;
    grid = GridJoinValues{};
    grid.GridOverlapFactor = static_cast<float>(pattern.Overlapping) / 100.0f;
    grid.GridOverlapExtra = 25;
    grid.GridBandBase = 25;
    MapsLoaded = true;
    MapsAreJpeg = true;
    state_.GridPatternJoin = true;
    state_.GEMode = false;
    BuildMatrixPicture();
    UpdateControls();
}

}  // namespace korvalen
