// The main window's side of the capture: opening the capture form and taking over its map.
#include <QApplication>
#include <QSpinBox>
#include <filesystem>

#include "app/Dialogs.h"
#include "app/MatrixPicture.h"
#include "app/TavixMain.h"
#include "core/ProgramState.h"
#include "earth/TavixGE.h"
#include "geo/CalibrationWriter.h"
#include "images/JpegCodec.h"

namespace korvalen {
namespace fs = std::filesystem;

namespace {

// A map name typed by the user becomes one file name in the maps folder, never a path; it
// has no full stop, because the calibration file is named after the part before the first.
std::string SafeFileName(QString name) {
    name = name.trimmed();
    for (QChar& c : name)
        if (c == u'/' || c == u'\\' || c == u':' || c == u'.' || c.unicode() < 32)
            c = u'_';
    if (name.isEmpty())
        name = QStringLiteral("capture");
    return name.toStdString();
}

// Puts the values into the "%s" places in turn; a value holding "%s" stays as it is.
QString FillIn(QString text, std::initializer_list<QString> values) {
    qsizetype at = 0;
    for (const QString& value : values) {
        at = text.indexOf(QStringLiteral("%s"), at);
        if (at < 0)
            break;
        text.replace(at, 2, value);
        at += value.size();
    }
    return text;
}

}  // namespace

void TfTavixMain::SetCaptureSettingsCommand(std::function<void()> showCaptureSettings) {
    showCaptureSettings_ = std::move(showCaptureSettings);
}

void TfTavixMain::sbGoogleEarthClick() {
    OpenCapture("The result_map was not saved!");
}

void TfTavixMain::bbNewGETavixClick() {
    ShowResultPage();
    OpenCapture("The result_map was not saved");
}

void TfTavixMain::OpenCaptureOnAutoStart() {
    OpenCapture("The result_map was not saved!");
}

void TfTavixMain::OpenCapture(const char* unsavedCaption) {
    if (state_.ResultUnsaved || (state_.settings.saveCalibration && state_.Calibration.Pending)) {
        const int choice =
            AskSelection(Caption(unsavedCaption), QString(),
                         {Text("discard_intermediate_result and start new tavix")}, 1);
        if (choice != 1)
            return;
        state_.ResultUnsaved = false;
        state_.Calibration.Pending = false;
    }
    TGEPanel::Connector connector = CaptureConnector;
    if (!connector) {
        const std::string source = state_.settings.tileSource;
        connector = [source] { return OpenMapView(source, 510, 512); };
    }
    {
        TfTavixGE form(state_, dialogs_, ResultMap, connector, this);
        form.ShowSettings = showCaptureSettings_ ? showCaptureSettings_ : showSettings_;
        if (ExecCapture)
            ExecCapture(form);
        else
            form.exec();
        if (!form.ScanCompleted && !form.ScanBroken)
            bbSingleMapsClick();
        else
            TakeOverCapture(form);
    }
    FirstActivation = false;
}

void TfTavixMain::TakeOverCapture(const TfTavixGE& form) {
    state_.GEMode = true;
    state_.CalibrateOffered = true;
    MapsAreJpeg = form.MapsAreJpeg;
    CaptureMapName = form.MapName().toStdString();
    const Settings& s = state_.settings;
    if (form.ScanCompleted && s.saveMapImage) {
        // Without a maps folder the map is not written anywhere unexpected: the user saves it.
        std::error_code ec;
        if (s.mapImagesDirectory.empty() || !fs::is_directory(s.mapImagesDirectory, ec)) {
            dialogs_.Error(Text("Map_image_directory") + QStringLiteral(": ") +
                           QString::fromStdString(s.mapImagesDirectory));
        } else {
            const fs::path file =
                fs::path(s.mapImagesDirectory) / (SafeFileName(form.MapName()) + ".jpg");
            dialogs_.ShowTimedMessage({Text("Saving map"), 3000, 12, this, QColor(0, 0, 255)});
            std::string error;
            QApplication::setOverrideCursor(Qt::WaitCursor);
            const bool written = WriteJpegFile(file, ResultMap, s.plusCompressionQuality, error);
            QApplication::restoreOverrideCursor();
            if (!written) {
                dialogs_.Error(QString::fromStdString(error));
            } else {
                fs::path calibFile;
                if (s.saveCalibration &&
                    WriteCalibrationFile(ResultMap, file, s.calibFormat, state_.Calibration,
                                         calibFile, error)) {
                    dialogs_.ShowTimedMessage(
                        {FillIn(Text("The_map %s and calibration saved in %s"),
                                {form.MapName(), QString::fromStdString(s.mapImagesDirectory)}),
                         5000, 18, this, QColor(128, 0, 128)});
                } else {
                    dialogs_.ShowTimedMessage({FillIn(Text("The_map %s has_been saved"),
                                                      {QString::fromStdString(file.string())}),
                                               5000, 18, this, QColor(128, 0, 128)});
                }
                state_.ResultUnsaved = false;
                SavedResultName = file.string();
            }
        }
    }
    ShowResultPage();
    dialogs_.ShowTimedMessage({Text("Loading map"), 3000, 12, this, QColor(0, 128, 0)});
    if (form.Rows != Rows() || form.Cols != Cols()) {
        seNumRows->setValue(form.Rows);
        seNumCols->setValue(form.Cols);
        Matrix.NewMatrix(form.Rows, form.Cols);
        activeIndex_ = -1;
    }
    iMap->SetBitmap(&ResultMap);
    UpdateControls();
    // The captured map's points are shown on it for checking and saving ("&Calibrate map").
}

}  // namespace korvalen
