#pragma once

#include <QString>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "earth/EarthApplication.h"
#include "images/Bitmap.h"

namespace korvalen {

class Dialogs;
class TileMapView;

// The panel that holds the map view for the capture form: it connects (opens the tile
// source) on its own timer, checks the version, shows the view, lets the user pan with the
// mouse and zoom with the wheel, and draws the view into a bitmap for the capture.
class TGEPanel : public QWidget {
    Q_OBJECT
public:
    // Makes a connection: the map view of the chosen tile source, or a test's globe. Raises
    // EarthError when nothing can be opened.
    using Connector = std::function<std::unique_ptr<EarthApplication>()>;

    TGEPanel(Connector connect, Dialogs& dialogs, int language, QWidget* parent = nullptr);
    ~TGEPanel() override;

    QTimer ConnectTimer;
    int FailedAttempts = 0;
    QString MainWindowTitle;
    bool Attached = false;
    bool Ready = false;
    int VersionMajor = 0, VersionMinor = 0, VersionBuild = 0;
    int AppType = 0;
    uintptr_t RenderWnd = 0;
    bool MouseInView = false;
    bool Incompatible = false;
    // While the user frames the area: zooming with the wheel re-fixes the longitude scale at
    // the view's latitude when the source does not say where its tiles are.
    bool ScaleFollowsView = true;

    void StartConnect();
    void ConnectStep();
    void Attach();
    void Detach();
    // Draws what the view shows into bitmap (size and pixel format set by the caller).
    bool CaptureView(Bitmap& bitmap);
    EarthApplication* GetApplication() { return GEApp.get(); }
    // The map view, when the connection is one (not in tests with a scripted globe).
    TileMapView* MapView() const { return mapView_; }

signals:
    void ReadyChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void FailedAttempt();
    void DropApplication();
    QString Text(const char* source) const;

    std::unique_ptr<EarthApplication> GEApp;
    TileMapView* mapView_ = nullptr;
    Connector connect_;
    Dialogs& dialogs_;
    int language_;
    bool waitCursor_ = false;
    QString lastError_;  // why the last opening failed, told with the final message
    QPoint dragFrom_;
    bool dragging_ = false;
};

// The connection of the program: the map view of the tile source in the settings, as big as
// the panel. Raises EarthError with the reason when the source cannot be opened.
std::unique_ptr<EarthApplication> OpenMapView(const std::string& tileSource, int width, int height);

}  // namespace korvalen
