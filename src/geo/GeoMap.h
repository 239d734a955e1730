#pragma once

#include <QColor>
#include <QImage>
#include <QPoint>
#include <QString>
#include <QWidget>
#include <filesystem>
#include <memory>
#include <stdexcept>

#include "geo/GeoCalibration.h"
#include "geo/GeoMapView.h"
#include "geo/MapPyramid.h"
#include "images/Bitmap.h"

namespace korvalen {

// The display's errors: an image beyond the pixel limit, an image that cannot be read, an
// unsupported calibration model.
class ESDLGeoMapError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class MouseAction { maNone, maPan, maPanHoriz, maPanVert, maRubberBand };
enum class ShowGraticule { sgNone, sgPoints, sgLines, sgPointsAndLines };
enum class CalibModel { cmParabolicIp, cmBiquadraticPn };
enum class FrameStyle { fsNone, fsSimple };

// The map display: a large map image at any magnification, panned with the mouse, with its
// calibration points marked on it. Below CacheMagLimit it draws from pre-scaled halves,
// quarters, ... of the image, built once per image, so that neither panning nor a new
// magnification rescales the whole map. Each frame is drawn off screen, then shown.
class TGeoMap : public QWidget {
    Q_OBJECT
public:
    explicit TGeoMap(QWidget* parent = nullptr);
    ~TGeoMap() override;

    // Properties with the values the calibration forms give them.
    bool AntiAlias = true;
    double CacheMagLimit = 0.6666666666666666;
    QColor ColorBackGnd = QColor(192, 192, 192);
    QColor ColorGraticule = Qt::blue;
    QColor ColorCalibPoints = Qt::red;
    QColor ColorFrame = Qt::black;
    QString EmptyMsg = QStringLiteral("GeoMap: empty");
    FrameStyle frameStyle = FrameStyle::fsSimple;
    ShowGraticule showGraticule = ShowGraticule::sgNone;

    bool AllowPan() const { return mouseAction_ != MouseAction::maNone; }
    void SetAllowPan(bool allow);
    MouseAction GetMouseAction() const { return mouseAction_; }
    void SetMouseAction(MouseAction action);
    CalibModel GetCalibModel() const { return calibModel_; }
    void SetCalibModel(CalibModel model);
    bool ConfinePanToMapImage() const { return view_.ConfinePanToMapImage; }
    void SetConfinePanToMapImage(bool confine) { view_.ConfinePanToMapImage = confine; }

    // Reads a JPEG (".jpg", ".jpeg") or Windows bitmap (".bmp"); another extension keeps
    // the image held under the new name; a missing file empties the display. Throws
    // ESDLGeoMapError for an image beyond 100,000,000 pixels or one that cannot be read;
    // the display then stays as it was.
    void LoadMapImage(const std::filesystem::path& fileName);
    // Shows a bitmap already in memory under the file name (the same checks).
    void SetMapImage(std::shared_ptr<const Bitmap> image, const std::filesystem::path& fileName);
    const std::filesystem::path& FileName() const { return fileName_; }
    int ImageWidth() const { return view_.ImageWidth(); }
    int ImageHeight() const { return view_.ImageHeight(); }

    // Calibration.
    void ClearCalibration();
    bool AddCalibPoint(int x, int y, double lat, double lon);
    bool ChangeCalibPoint(int oldX, int oldY, int newX, int newY, double lat, double lon);
    int NumCalibPoints() const { return calibration_.NumCalibPoints(); }
    double PixelToLat(int x, int y) const { return calibration_.PixelToLat(x, y); }
    double PixelToLon(int x, int y) const { return calibration_.PixelToLon(x, y); }
    const GeoCalibration& Calibration() const { return calibration_; }

    // View.
    double Magnification() const { return view_.Magnification(); }
    void SetMagnification(double magnification);
    int PanX() const { return view_.PanX(); }
    int PanY() const { return view_.PanY(); }
    QPoint ScreenToImage(QPoint screen) const;
    QPoint ImageToScreen(QPoint image) const;
    void CenterOn(QPoint image);
    void BeginUpdate() { ++updateSuspended_; }
    void EndUpdate();
    void Repaint();
    QPoint LastMouseImagePos() const { return lastMouseImagePos_; }

    // A band of zero size at the screen point, which marks a point until the next click.
    void StartRubberBand(QPoint screen);
    bool RubberBandActive() const { return band_.active; }

    // The control as it is drawn, at its present size.
    QImage RenderFrame();
    // How long building the pre-scaled levels took, in ms (0 until they were needed).
    double PyramidBuildMs() const { return pyramidBuildMs_; }

signals:
    void MouseDown(Qt::MouseButton button, QPoint screen);
    void MouseMove(QPoint screen);
    void Resized();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void DrawFrame(QImage& frame);
    void DrawCalibPoints(QImage& frame) const;
    void EnsurePyramid();

    std::shared_ptr<const Bitmap> image_;
    std::filesystem::path fileName_;
    GeoMapView view_;
    GeoCalibration calibration_;
    MapPyramid pyramid_;
    double pyramidBuildMs_ = 0;
    QImage frame_;
    MouseAction mouseAction_ = MouseAction::maPan;
    CalibModel calibModel_ = CalibModel::cmBiquadraticPn;
    int updateSuspended_ = 0;
    bool leftHeld_ = false;
    QPoint lastMouseImagePos_;
    struct {
        bool active = false;
        QPoint start, end;
    } band_;
};

}  // namespace korvalen
