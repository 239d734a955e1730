#include "earth/TGEPanel.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QWheelEvent>
#include <cmath>
#include <cstring>

#include "app/Dialogs.h"
#include "app/MatrixDrawing.h"
#include "core/Translator.h"
#include "earth/TileMapView.h"
#include "earth/TileSource.h"
#include "earth/ViewGeometry.h"
#include "images/PixelConvert.h"

namespace korvalen {

std::unique_ptr<EarthApplication> OpenMapView(const std::string& tileSource, int width,
                                              int height) {
    std::string error;
    auto source = OpenTileSource(tileSource, error);
    if (!source)
        throw EarthError(error);
    return std::make_unique<TileMapView>(std::move(source), width, height);
}

TGEPanel::TGEPanel(Connector connect, Dialogs& dialogs, int language, QWidget* parent)
    : QWidget(parent), connect_(std::move(connect)), dialogs_(dialogs), language_(language) {
    setObjectName(QStringLiteral("ge"));
    ConnectTimer.setInterval(2500);
    QObject::connect(&ConnectTimer, &QTimer::timeout, this, &TGEPanel::ConnectStep);
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::black);
    p.setColor(QPalette::WindowText, Qt::white);
    setPalette(p);
    QFont f = font();
    f.setPointSize(12);
    setFont(f);
    setFocusPolicy(Qt::StrongFocus);
}

TGEPanel::~TGEPanel() {
    Detach();
    if (waitCursor_)
        QApplication::restoreOverrideCursor();
}

QString TGEPanel::Text(const char* source) const {
    return QString::fromStdString(TranslateText(source, language_));
}

void TGEPanel::StartConnect() {
    if (!waitCursor_) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        waitCursor_ = true;
    }
    ConnectTimer.setInterval(500);
    ConnectTimer.start();
}

void TGEPanel::DropApplication() {
    mapView_ = nullptr;
    GEApp.reset();
}

void TGEPanel::ConnectStep() {
    if (Incompatible)
        return;
    try {
        if (!GEApp) {
            Attached = false;
            ConnectTimer.stop();
            GEApp = connect_();
            mapView_ = dynamic_cast<TileMapView*>(GEApp.get());
            if (mapView_) {
                mapView_->Resize(std::max(width(), 1), std::max(height(), 1));
                QPointer<TGEPanel> self(this);
                mapView_->SetTileArrived([self] {
                    QMetaObject::invokeMethod(
                        qApp,
                        [self] {
                            if (self)
                                self->update();
                        },
                        Qt::QueuedConnection);
                });
            }
            VersionMajor = GEApp->VersionMajor();
            VersionMinor = GEApp->VersionMinor();
            VersionBuild = GEApp->VersionBuild();
            AppType = GEApp->VersionAppType();
            if (EarthVersionAccepted(VersionMajor, VersionMinor, VersionBuild, AppType)) {
                ConnectTimer.setInterval(1500);
                ConnectTimer.start();
            } else {
                if (waitCursor_) {
                    QApplication::restoreOverrideCursor();
                    waitCursor_ = false;
                }
                const QString text =
                    Text("Your Application: %s - version (%d.%d.%d) is not compatible.")
                        .replace(QStringLiteral("%s"),
                                 QString::fromLatin1(EarthApplicationName(AppType)))
                        .replace(QStringLiteral("%d.%d.%d"), QStringLiteral("%1.%2.%3")
                                                                 .arg(VersionMajor)
                                                                 .arg(VersionMinor)
                                                                 .arg(VersionBuild)) +
                    QStringLiteral("\r\n") +
                    Text("At_least version %d.%d.%d needed!")
                        .replace(QStringLiteral("%d.%d.%d"), QStringLiteral("%1.%2.%3")
                                                                 .arg(kMinVersionMajor)
                                                                 .arg(kMinVersionMinor)
                                                                 .arg(kMinVersionBuild)) +
                    QStringLiteral("\r\n") + Text("Please use break_button");
                Incompatible = true;
                DropApplication();
                emit ReadyChanged();
                dialogs_.Message(text);
            }
            return;
        }
        if (GEApp->GetMainHwnd() == 0) {
            ConnectTimer.stop();
            RenderWnd = 0;
            DropApplication();
            Attached = false;
            ConnectTimer.setInterval(1500);
            ConnectTimer.start();
            return;
        }
        if (GEApp->IsInitialized() > 0 && GEApp->IsOnline() > 0) {
            ConnectTimer.stop();
            if (!Attached) {
                MainWindowTitle = QString::fromStdString(mapView_ ? mapView_->Source().Description
                                                                  : std::string("map view"));
                Attach();
            }
            if (RenderWnd == 0) {
                ConnectTimer.start();
            } else if (!Ready) {
                Ready = true;
                if (waitCursor_) {
                    QApplication::restoreOverrideCursor();
                    waitCursor_ = false;
                }
                emit ReadyChanged();
            }
        }
    } catch (const EarthError& e) {
        lastError_ = QString::fromStdString(e.what());
        DropApplication();
        FailedAttempt();
    }
}

// There is nothing to register on this platform; the fifth failure gives up.
void TGEPanel::FailedAttempt() {
    ++FailedAttempts;
    if (FailedAttempts >= 5) {
        ConnectTimer.stop();
        if (waitCursor_) {
            QApplication::restoreOverrideCursor();
            waitCursor_ = false;
        }
        Incompatible = true;
        emit ReadyChanged();
        dialogs_.Message(
            Text("A connection with Google Earth could_not be_established.") +
            QStringLiteral("\r\n") +
            Text("Try_yourself to_register Google Earth application_interface (API)") +
            QStringLiteral("\r\n") + Text("Please, take_a_look_at the_documentation") +
            (lastError_.isEmpty() ? QString() : QStringLiteral("\r\n\r\n") + lastError_));
        return;
    }
    ConnectTimer.start();
}

void TGEPanel::Attach() {
    if (RenderWnd != 0 || !GEApp)
        return;
    RenderWnd = GEApp->GetRenderHwnd();
    if (RenderWnd != 0) {
        Attached = true;
        update();
    }
}

void TGEPanel::Detach() {
    if (!Attached)
        return;
    Attached = false;
    Ready = false;
}

bool TGEPanel::CaptureView(Bitmap& bitmap) {
    if (mapView_)
        return mapView_->Render(bitmap);
    // Another globe: what the panel shows.
    const QImage shot = grab().toImage().convertToFormat(QImage::Format_BGR888);
    Bitmap copy(bitmap.Width(), bitmap.Height(), PixelFormat::Bits24);
    for (int y = 0; y < std::min(copy.Height(), shot.height()); ++y)
        std::memcpy(copy.Row(y), shot.constScanLine(y),
                    static_cast<size_t>(std::min(copy.Width(), shot.width())) * 3);
    bitmap = bitmap.Format() == PixelFormat::Bits24 ? std::move(copy)
                                                    : ConvertPixelFormat(copy, bitmap.Format());
    return true;
}

void TGEPanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (!mapView_ || !Attached) {
        painter.fillRect(rect(), Qt::black);
        return;
    }
    Bitmap picture(std::max(width(), 1), std::max(height(), 1), PixelFormat::Bits24);
    mapView_->Render(picture);
    painter.drawImage(0, 0, BitmapAsImage(picture));
}

void TGEPanel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (mapView_)
        mapView_->Resize(std::max(width(), 1), std::max(height(), 1));
}

void TGEPanel::mousePressEvent(QMouseEvent* event) {
    if (Ready && Attached) {
        MouseInView = true;
        setFocus();
    }
    dragging_ = event->button() == Qt::LeftButton;
    dragFrom_ = event->position().toPoint();
}

// Dragging moves the map with the mouse; the camera keeps its altitude.
void TGEPanel::mouseMoveEvent(QMouseEvent* event) {
    if (!dragging_ || !GEApp || !Ready)
        return;
    const QPoint at = event->position().toPoint();
    const QPoint d = at - dragFrom_;
    dragFrom_ = at;
    try {
        const ViewExtents e = GEApp->GetViewExtents();
        CameraInfo c = GEApp->GetCamera(0);
        c.FocusPointLongitude -= d.x() * (e.East - e.West) / std::max(width(), 1);
        c.FocusPointLatitude += d.y() * (e.North - e.South) / std::max(height(), 1);
        c.Tilt = c.Azimuth = 0;
        GEApp->SetCamera(c, 1.0);
        update();
    } catch (const EarthError&) {
    }
}

void TGEPanel::mouseReleaseEvent(QMouseEvent*) {
    dragging_ = false;
}

void TGEPanel::wheelEvent(QWheelEvent* event) {
    if (!GEApp || !Ready)
        return;
    MouseInView = true;
    try {
        CameraInfo c = GEApp->GetCamera(0);
        c.Range = std::round(c.Range * (event->angleDelta().y() > 0 ? 0.8 : 1.25));
        c.Tilt = c.Azimuth = 0;
        if (ScaleFollowsView && mapView_ && !mapView_->Source().Bounds)
            mapView_->SetReferenceLatitude(c.FocusPointLatitude);
        GEApp->SetCamera(c, 1.0);
        update();
    } catch (const EarthError&) {
    }
}

}  // namespace korvalen
