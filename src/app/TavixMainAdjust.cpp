// Adjusting the active single map and the result map with the adjust form.
#include <QPushButton>
#include <optional>

#include "app/CommandGuards.h"
#include "app/Dialogs.h"
#include "app/MatrixPicture.h"
#include "app/SaveMapDialog.h"
#include "app/TavixMain.h"
#include "core/ProgramState.h"
#include "core/Translator.h"
#include "images/BitmapOps.h"
#include "images/NamingOrder.h"
#include "images/TavixAdjust.h"

namespace korvalen {
namespace fs = std::filesystem;

namespace {

std::optional<Bitmap> LowerHalf(const tSingleMap* cell) {
    if (!cell || !cell->Bitmap || cell->Bitmap->IsEmpty())
        return std::nullopt;
    const Bitmap& b = *cell->Bitmap;
    return CopyArea(&b, {0, b.Height() / 2, b.Width(), b.Height()});
}

std::optional<Bitmap> RightHalf(const tSingleMap* cell) {
    if (!cell || !cell->Bitmap || cell->Bitmap->IsEmpty())
        return std::nullopt;
    const Bitmap& b = *cell->Bitmap;
    return CopyArea(&b, {b.Width() / 2, 0, b.Width(), b.Height()});
}

}  // namespace

void TfTavixMain::AdjustActiveMap() {
    tSingleMap* cell = ActiveMap();
    if (loadingMaps_ || !MatrixImage || !cell || !cell->Bitmap || cell->FilePath.empty())
        return;
    TfAdjust form(state_, dialogs_, this);
    form.AdjustMap = *cell->Bitmap;
    form.MapName = cell->Name;
    form.FileName = cell->FilePath;
    form.SaveAllowed = true;
    form.PlaceOverCaller = true;
    form.ShowZoomPanel = true;
    form.ZoomPercent = 100;
    // The neighbours' facing halves: the map above first, the map to the left second. When
    // only the left one has a map, it comes first, so that the form can turn to it.
    const tSingleMap* above = cell->Row > 1 ? Matrix.At(cell->Row - 1, cell->Col) : nullptr;
    const tSingleMap* left = cell->Col > 1 ? Matrix.At(cell->Row, cell->Col - 1) : nullptr;
    std::optional<Bitmap> upperStrip = LowerHalf(above);
    std::optional<Bitmap> leftStrip = RightHalf(left);
    if (upperStrip) {
        form.FirstStrip = std::move(upperStrip);
        form.FirstStripSide = StripSide::Above;
        form.SecondStrip = std::move(leftStrip);
    } else if (leftStrip) {
        form.FirstStrip = std::move(leftStrip);
        form.FirstStripSide = StripSide::Left;
    }
    form.exec();
    if (!form.Accepted())
        return;

    cell->Bitmap = std::make_unique<Bitmap>(std::move(form.AdjustMap));
    cellPictures_.Forget(activeIndex_);
    std::optional<fs::path> saved;
    if (form.SavedByForm()) {
        saved = form.FileName;
    } else if (dialogs_.Confirm(Text("save changed map"))) {
        fs::path name = form.FileName;
        if (SaveMapDialog(dialogs_, state_.Language(), *cell->Bitmap,
                          state_.settings.compressionQuality, name) == SaveOutcome::Written)
            saved = name;
    }
    if (saved) {
        cell->FilePath = *saved;
        cell->Name = SplitFirstMapFile(*saved).base;
    }
    DrawMatrixCell(activeIndex_);
    UpdateControls();
}

void TfTavixMain::bbAdjustMapClick() {
    if (loadingMaps_ || ResultMap.IsEmpty())
        return;
    TfAdjust form(state_, dialogs_, this);
    form.AdjustMap = ResultMap;
    form.MapName = "tavixed map";
    form.SaveAllowed = false;
    form.PlaceOverCaller = true;
    form.ShowZoomPanel = true;
    form.ZoomPercent = 100;
    form.exec();
    if (!form.Accepted())
        return;
    ResultMap = std::move(form.AdjustMap);
    // A turned map differs from any file saved before just as a cut one does.
    state_.ResultUnsaved = true;
    iMap->SetBitmap(&ResultMap);
    UpdateControls();
    if (state_.GEMode && state_.settings.saveCalibration && state_.ResultUnsaved) {
        const bool calibrateShown = bbCalibrateMap->isVisible();
        bbCalibrateMap->hide();
        bbSaveMapClick();
        bbCalibrateMap->setVisible(calibrateShown);
        if (state_.Calibration.Pending)
            bbCalibrateMapClick();
        UpdateControls();
    }
}

}  // namespace korvalen
