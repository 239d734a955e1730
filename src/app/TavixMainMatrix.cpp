// The map matrix commands of the main window and the drawing of the matrix.
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QSpinBox>
#include <QToolButton>
#include <algorithm>
#include <vector>

#include "app/CommandGuards.h"
#include "app/Dialogs.h"
#include "app/MatrixPicture.h"
#include "app/TavixMain.h"
#include "core/ProgramState.h"
#include "core/Translator.h"
#include "images/MapFiles.h"
#include "images/NamingOrder.h"

namespace korvalen {
namespace fs = std::filesystem;

namespace {

const QString kMapFileFilter = QStringLiteral("Jpeg|*.jpg|Bitmap|*.bmp|PNG|*.png");

}  // namespace

// ---- Drawing --------------------------------------------------------------------------------

void TfTavixMain::BuildMatrixPicture() {
    MatrixImage = matrixPicture_;
    QImage& picture = matrixPicture_->NewPicture();
    PaintMatrixBackground(picture);
    Matrix.LayoutCells(picture.width(), picture.height());
    const bool showMaps = state_.settings.showSingleMaps;
    for (int c = 1; c <= Cols(); ++c) {
        for (int r = 1; r <= Rows(); ++r) {
            const int index = Matrix.CellIndex(r, c);
            const tSingleMap& cell = *Matrix.Cell(index);
            korvalen::DrawMatrixCell(picture, cell, index, showMaps, cellPictures_);
            korvalen::DrawCellFrame(picture, cell, index == activeIndex_);
        }
    }
    matrixPicture_->update();
}

void TfTavixMain::DrawMatrixCell(int index) {
    const tSingleMap* cell = Matrix.Cell(index);
    if (!MatrixImage || !cell)
        return;
    QImage& picture = MatrixImage->Picture();
    korvalen::DrawMatrixCell(picture, *cell, index, state_.settings.showSingleMaps, cellPictures_);
    korvalen::DrawCellFrame(picture, *cell, index == activeIndex_);
    MatrixImage->update();
}

void TfTavixMain::DrawCellFrame(int index, bool selected) {
    const tSingleMap* cell = Matrix.Cell(index);
    if (!MatrixImage || !cell)
        return;
    korvalen::DrawCellFrame(MatrixImage->Picture(), *cell, selected);
    MatrixImage->update();
}

void TfTavixMain::DrawMatrixOverview() {
    if (!iMatrix->isVisible())
        return;
    korvalen::DrawMatrixOverview(iMatrix->NewPicture(), Matrix);
    iMatrix->update();
}

void TfTavixMain::SelectCell(int index) {
    if (index == activeIndex_ || !Matrix.Cell(index))
        return;
    const int previous = activeIndex_;
    activeIndex_ = index;
    DrawCellFrame(previous, false);
    DrawCellFrame(index, true);
    UpdateControls();
}

// ---- "New map_matrix" -----------------------------------------------------------------------

void TfTavixMain::bbNewMatrixClick() {
    if (loadingMaps_)
        return;
    if (MapsLoaded && !dialogs_.Confirm(Text("Discard loaded maps")))
        return;
    NewMatrix();
}

void TfTavixMain::NewMatrix() {
    Matrix.NewMatrix(seNumRows->value(), seNumCols->value());
    cellPictures_.Clear();
    JoinedCount = 0;
    activeIndex_ = Matrix.Empty() ? -1 : 0;
    BuildMatrixPicture();
    MapsLoaded = false;
    MapsAreJpeg = false;
    joinDriver_->EndGridPatternJoin();  // the settings a pattern's join forced come back
    state_.ResultNameHint.clear();
    UpdateControls();
}

// ---- "Load all maps" ------------------------------------------------------------------------

void TfTavixMain::bbLoadAllMapsClick() {
    if (loadingMaps_ || Matrix.Empty())
        return;
    const Settings& settings = state_.settings;

    const int sequenceChoice =
        AskSelection(Text("Sequence_of_maps"), QString(), {Text("rows"), Text("columns")},
                     std::clamp(settings.preferredMapfilesSequence, 1, 2));
    if (sequenceChoice == 0)
        return;
    const MapSequence sequence = sequenceChoice == 1 ? MapSequence::Rows : MapSequence::Columns;

    const std::vector<NamingOrder> offered = OfferedOrders(sequence, Rows(), Cols());
    QStringList options;
    for (NamingOrder order : offered)
        options << Text(std::string(OptionTextOf(order)).c_str());
    const QString statement =
        ShowsOrderStatement(offered) ? Text(std::string(kNamingOrderStatement).c_str()) : QString();
    int preferredOrder = settings.preferredOrderOfMapfiles;
    if (preferredOrder < 1 || preferredOrder > static_cast<int>(offered.size()))
        preferredOrder = 1;
    const int orderChoice =
        AskSelection(Text("Order of map_files"), statement, options, preferredOrder);
    if (orderChoice < 1 || orderChoice > static_cast<int>(offered.size()))
        return;
    const std::string pattern(PatternOf(offered[static_cast<size_t>(orderChoice - 1)]));

    Dialogs::FileRequest request;
    request.title = Text("select first map_file (top left)");
    request.filter = kMapFileFilter;
    request.folder = QString::fromStdString(settings.singleMapsDirectory);
    const std::optional<Dialogs::FileAnswer> answer = dialogs_.OpenFile(request);
    if (!answer) {
        FinishLoadAllMaps();
        return;
    }
    if (state_.GEMode)
        NewMatrix();

    const FirstMapFile first = SplitFirstMapFile(ToPath(answer->path));
    if (!pattern.empty() && !MatchesPattern(first.base, pattern)) {
        dialogs_.Message(QString::fromStdString(FillPlaceholders(
            TranslateText("Selected_file_name %s does_not_correspond to_the pattern %s",
                          state_.Language()),
            {first.base, pattern})));
        return;
    }
    std::vector<std::string> fileNames;
    std::string error;
    if (!ListFolderFiles(first.folder, fileNames, error)) {
        dialogs_.Error(Text("Error") + QStringLiteral(": ") + QString::fromStdString(error));
        return;
    }
    const std::vector<MapCandidate> candidates =
        CandidateList(fileNames, first.extension, first.base, pattern);
    const std::vector<CellFill> plan =
        FillPlan(candidates, first, pattern, sequence, Rows(), Cols());
    MapsAreJpeg = IsJpegExtension(first.extension);

    // Only cells of a run that failed as a whole can hold anything here ("Load all maps" is
    // offered only while no map is loaded); their names must not mix with the new ones.
    for (tSingleMap& cell : Matrix) {
        cell.Name.clear();
        cell.FilePath.clear();
        cell.Bitmap.reset();
    }
    cellPictures_.Clear();
    BuildMatrixPicture();

    const int total = static_cast<int>(
        std::count_if(plan.begin(), plan.end(), [](const CellFill& f) { return f.hasFile; }));
    QStringList failures;
    {
        const WaitCursor hourglass;
        const CommandLock lock(this, loadingMaps_);
        loadBreakRequested_ = false;
        int done = 0;
        for (const CellFill& fill : plan) {
            if (loadBreakRequested_)
                break;
            const int index = Matrix.CellIndex(fill.row, fill.col);
            tSingleMap* cell = Matrix.Cell(index);
            if (!cell || !fill.hasFile)
                continue;
            ++done;
            ShowLoadProgress("Loading", done, total, FromPath(fill.filePath.filename()));
            cell->Name = fill.name;
            cell->FilePath = fill.filePath;
            auto bitmap = std::make_unique<Bitmap>();
            std::string loadError;
            if (LoadMapFile(fill.filePath, *bitmap, settings.singleMaps8bit, loadError)) {
                cell->Bitmap = std::move(bitmap);
                MapsLoaded = true;
            } else {
                failures << QString::fromStdString(loadError);
            }
            DrawMatrixCell(index);
            QCoreApplication::processEvents();
        }
    }
    HideLoadProgress();
    FinishLoadAllMaps();
    if (!failures.isEmpty())
        dialogs_.Error(Text("Error in map_files:") + QStringLiteral("\n\n") +
                       failures.join(QLatin1Char('\n')));
}

void TfTavixMain::FinishLoadAllMaps() {
    activeIndex_ = Matrix.Empty() ? -1 : 0;
    BuildMatrixPicture();
    state_.ResultNameHint.clear();
    state_.GEMode = false;
    UpdateControls();
}

void TfTavixMain::ShowLoadProgress(const char* verb, int number, int total,
                                   const QString& fileName) {
    stProgress->setText(Text(verb) +
                        QStringLiteral(" %1 / %2: %3").arg(number).arg(total).arg(fileName));
    pbProgress->setRange(0, total);
    pbProgress->setValue(number);
    stProgress->show();
    pbProgress->show();
    sbBreakLoading->setText(Text("Break"));
    sbBreakLoading->show();
}

void TfTavixMain::HideLoadProgress() {
    stProgress->clear();
    stProgress->hide();
    pbProgress->hide();
    sbBreakLoading->hide();
}

// ---- The active map -------------------------------------------------------------------------

void TfTavixMain::bbLoadMapClick() {
    const tSingleMap* cell = ActiveMap();
    if (loadingMaps_ || !MatrixImage || !cell)
        return;
    if (cell->FilePath.empty())
        LoadMapIntoActiveCell();
    else if (cell->Bitmap)
        AdjustActiveMap();
}

void TfTavixMain::miReloadMapClick() {
    if (loadingMaps_ || !MatrixImage || !ActiveMap())
        return;
    LoadMapIntoActiveCell();
}

void TfTavixMain::LoadMapIntoActiveCell() {
    tSingleMap* cell = ActiveMap();
    const Settings& settings = state_.settings;
    Dialogs::FileRequest request;
    request.title = QString::fromStdString(FillPlaceholders(
        TranslateText("select map_file for %d. row and %d. col", state_.Language()),
        {std::to_string(cell->Row), std::to_string(cell->Col)}));
    request.filter = kMapFileFilter;
    request.folder = QString::fromStdString(settings.singleMapsDirectory);
    const std::optional<Dialogs::FileAnswer> answer = dialogs_.OpenFile(request);
    if (!answer)
        return;
    const fs::path path = ToPath(answer->path);
    const FirstMapFile parts = SplitFirstMapFile(path);
    cell->FilePath = path;
    cell->Name = parts.base;
    MapsAreJpeg = IsJpegExtension(parts.extension);

    auto bitmap = std::make_unique<Bitmap>();
    std::string error;
    bool loaded = false;
    {
        const WaitCursor hourglass;
        loaded = LoadMapFile(path, *bitmap, settings.singleMaps8bit, error);
    }
    cellPictures_.Forget(activeIndex_);
    if (loaded) {
        cell->Bitmap = std::move(bitmap);
        MapsLoaded = true;  // a map loaded by hand is as precious as one loaded by the folder
    } else {
        cell->Bitmap.reset();
    }
    DrawMatrixCell(activeIndex_);
    UpdateControls();
    if (!loaded)
        dialogs_.Error(Text("Error in map_files:") + QStringLiteral("\n\n") +
                       QString::fromStdString(error));
}

void TfTavixMain::bbShowMapsClick() {
    if (loadingMaps_)
        return;
    state_.settings.showSingleMaps = !state_.settings.showSingleMaps;
    UpdateControls();
    BuildMatrixPicture();
}

}  // namespace korvalen
