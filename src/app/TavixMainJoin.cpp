// Joining the single maps: the join commands of the main window and the result map
// composed from the joined positions.
#include <QApplication>
#include <QStringList>
#include <string>

#include "app/Dialogs.h"
#include "app/TavixMain.h"
#include "core/ProgramState.h"
#include "joining/ComposeResult.h"
#include "joining/JoinWindowText.h"
#include "joining/TavixAutomatic.h"

namespace korvalen {

// What the join driver asks of the main window: its questions through the dialogs, each join's
// self-search in its window, and the redrawing of what changed.
class TfTavixMain::JoinHost : public JoinDriverHost {
public:
    explicit JoinHost(TfTavixMain& window) : window_(window) {}

    int SelectOption(const JoinSelection& selection) override {
        QStringList options;
        for (const std::string& option : selection.options)
            options << window_.Text(option.c_str());
        // The statement arrives filled with numbers only, which translating leaves alone.
        const QString statement =
            selection.statement.empty() ? QString() : window_.Text(selection.statement.c_str());
        return window_.AskSelection(window_.Text(selection.caption.c_str()), statement, options,
                                    selection.defaultChoice);
    }

    bool Confirm(const std::string& text) override {
        return window_.dialogs_.Confirm(window_.Text(text.c_str()));
    }

    JoinResult RunSelfSearch(JoinRequest& request) override {
        const tSingleMap* cell = window_.Matrix.At(request.Row, request.Col);
        const tSingleMap* neighbour = window_.Matrix.At(request.NeighbourRow, request.NeighbourCol);
        TfAutomatic search(request, window_.state_.settings, window_.dialogs_, &window_);
        search.Matrix = &window_.Matrix;
        if (cell && neighbour) {
            // Translated before the names go in, so that a name is never translated.
            search.JoinCaption = TranslatedFormat(kJoinCaptionFormat, window_.state_.Language(),
                                                  {cell->Name, std::to_string(cell->Row),
                                                   std::to_string(cell->Col), neighbour->Name});
        }
        search.ShowSettings = [this] { window_.miSettingsClick(); };
        if (window_.PrepareSelfSearchWindow)
            window_.PrepareSelfSearchWindow(search);
        search.exec();
        return search.Result();
    }

    void CellChanged(int index) override { window_.DrawMatrixCell(index); }
    void UpdateControls() override { window_.UpdateControls(); }
    void ShowResultMap() override { window_.bbShowResultClick(); }

private:
    TfTavixMain& window_;
};

std::unique_ptr<JoinDriverHost> TfTavixMain::NewJoinHost() {
    return std::make_unique<JoinHost>(*this);
}

// A capture's result map is kept as it came; single maps are drawn anew at their positions.
void TfTavixMain::ComposeResultMap() {
    if (state_.GEMode)
        return;
    Bitmap result;
    std::string error;
    bool composed = false;
    {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        composed =
            korvalen::ComposeResultMap(Matrix, ResultPixelFormat(state_.settings), result, error);
        QApplication::restoreOverrideCursor();
    }
    if (!composed) {
        // The result of an earlier showing no longer matches the maps: it must not be saved.
        ResultMap = Bitmap();
        dialogs_.Error(Text("Error") + QStringLiteral(": ") + QString::fromStdString(error));
        return;
    }
    ResultMap = std::move(result);
}

void TfTavixMain::bbTavixMapsClick() {
    if (!loadingMaps_)
        joinDriver_->StartJoining();
}

void TfTavixMain::bbContinueTavixClick() {
    if (!loadingMaps_)
        joinDriver_->ContinueJoining();
}

void TfTavixMain::bbChangeAlgorithmClick() {
    if (!loadingMaps_)
        joinDriver_->ChooseJoinAlgorithm();
}

}  // namespace korvalen
