#include "geo/GeoMap.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPolygon>
#include <chrono>

#include "geo/MapImageSize.h"
#include "images/BmpCodec.h"
#include "images/FileAccess.h"
#include "images/JpegCodec.h"

namespace korvalen {
namespace {

std::string ControlName(const QWidget& w) {
    return w.objectName().toStdString();
}

}  // namespace

TGeoMap::TGeoMap(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    view_.SetViewSize(width(), height());
}

TGeoMap::~TGeoMap() = default;

void TGeoMap::SetAllowPan(bool allow) {
    mouseAction_ = allow ? MouseAction::maPan : MouseAction::maNone;
}

void TGeoMap::SetMouseAction(MouseAction action) {
    if (mouseAction_ == MouseAction::maRubberBand && action != MouseAction::maRubberBand &&
        band_.active) {
        band_.active = false;
        Repaint();
    }
    mouseAction_ = action;
}

void TGeoMap::SetCalibModel(CalibModel model) {
    calibModel_ = model;
    calibration_.SetImageSize(ImageWidth(), ImageHeight());  // refits
}

void TGeoMap::LoadMapImage(const std::filesystem::path& fileName) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(fileName, ec)) {
        image_.reset();
        pyramid_.Clear();
        fileName_.clear();
        view_.SetImageSize(0, 0);
        calibration_.SetImageSize(0, 0);
        Repaint();
        return;
    }
    const std::string ext = AsciiLower(fileName.extension().string());
    if (ext != ".jpg" && ext != ".jpeg" && ext != ".bmp") {
        fileName_ = fileName;
        Repaint();
        return;
    }
    // A map too large to show is refused before it is decoded (which could take gigabytes).
    int declaredWidth = 0, declaredHeight = 0;
    if (ReadDeclaredImageSize(fileName, declaredWidth, declaredHeight)) {
        const std::string tooLarge =
            GeoMapImageSizeError(ControlName(*this), declaredWidth, declaredHeight);
        if (!tooLarge.empty())
            throw ESDLGeoMapError(tooLarge);
    }
    auto image = std::make_shared<Bitmap>();
    std::string error;
    const bool read = ext == ".bmp" ? ReadBmpFile(fileName, *image, error)
                                    : ReadJpegFile(fileName, *image, error);
    if (!read)
        throw ESDLGeoMapError("Component \"" + ControlName(*this) + "\": " + error);
    SetMapImage(std::move(image), fileName);
}

void TGeoMap::SetMapImage(std::shared_ptr<const Bitmap> image,
                          const std::filesystem::path& fileName) {
    const int w = image ? image->Width() : 0, h = image ? image->Height() : 0;
    const std::string error = GeoMapImageSizeError(ControlName(*this), w, h);
    if (!error.empty())
        throw ESDLGeoMapError(error);
    image_ = std::move(image);
    pyramid_.Clear();
    pyramidBuildMs_ = 0;
    fileName_ = fileName;
    view_.SetImageSize(w, h);
    calibration_.SetImageSize(w, h);
    Repaint();
}

void TGeoMap::ClearCalibration() {
    calibration_.Clear();
    Repaint();
}

bool TGeoMap::AddCalibPoint(int x, int y, double lat, double lon) {
    if (calibModel_ == CalibModel::cmParabolicIp)
        throw ESDLGeoMapError("Component \"" + ControlName(*this) +
                              "\": current calibration model does not support this version of "
                              "AddCalibPoint");
    if (!calibration_.AddCalibPoint(x, y, lat, lon))
        return false;
    Repaint();
    return true;
}

bool TGeoMap::ChangeCalibPoint(int oldX, int oldY, int newX, int newY, double lat, double lon) {
    if (!calibration_.ChangeCalibPoint(oldX, oldY, newX, newY, lat, lon))
        return false;
    Repaint();
    return true;
}

void TGeoMap::SetMagnification(double magnification) {
    view_.SetMagnification(magnification);
    Repaint();
}

QPoint TGeoMap::ScreenToImage(QPoint screen) const {
    const PixelPos p = view_.ScreenToImage({screen.x(), screen.y()});
    return {p.X, p.Y};
}

QPoint TGeoMap::ImageToScreen(QPoint image) const {
    const PixelPos p = view_.ImageToScreen({image.x(), image.y()});
    return {p.X, p.Y};
}

void TGeoMap::CenterOn(QPoint image) {
    view_.CenterOn({image.x(), image.y()});
    Repaint();
}

void TGeoMap::EndUpdate() {
    if (updateSuspended_ > 0 && --updateSuspended_ == 0)
        Repaint();
}

void TGeoMap::Repaint() {
    if (updateSuspended_ == 0)
        update();
}

void TGeoMap::StartRubberBand(QPoint screen) {
    mouseAction_ = MouseAction::maRubberBand;
    band_.active = true;
    band_.start = band_.end = screen;
    Repaint();
}

void TGeoMap::EnsurePyramid() {
    if (!image_ || !pyramid_.Empty() || Magnification() >= CacheMagLimit)
        return;
    const auto start = std::chrono::steady_clock::now();
    pyramid_.Build(*image_, GeoMapView::kMinMagnification);
    pyramidBuildMs_ =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

QImage TGeoMap::RenderFrame() {
    if (frame_.size() != size() || frame_.format() != QImage::Format_RGB32)
        frame_ = QImage(size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    DrawFrame(frame_);
    return frame_;
}

void TGeoMap::DrawFrame(QImage& frame) {
    if (!image_) {
        frame.fill(ColorBackGnd);
        QPainter p(&frame);
        p.setPen(Qt::black);
        p.drawText(frame.rect(), Qt::AlignCenter, EmptyMsg);
    } else {
        EnsurePyramid();
        const MapViewFrame target{reinterpret_cast<uint32_t*>(frame.bits()), frame.width(),
                                  frame.height(), static_cast<int>(frame.bytesPerLine() / 4)};
        RenderMapView(*image_, pyramid_.Empty() ? nullptr : &pyramid_, Magnification(),
                      CacheMagLimit, PanX(), PanY(), ColorBackGnd.rgb(), target, AntiAlias);
        if (showGraticule == ShowGraticule::sgPoints ||
            showGraticule == ShowGraticule::sgPointsAndLines)
            DrawCalibPoints(frame);
    }
    QPainter p(&frame);
    if (band_.active) {
        p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        p.setPen(QPen(Qt::white, 1, Qt::DotLine));
        p.drawRect(QRect(band_.start, band_.end).normalized());
        p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    }
    if (frameStyle == FrameStyle::fsSimple) {
        p.setPen(ColorFrame);
        p.setBrush(Qt::NoBrush);
        p.drawRect(frame.rect().adjusted(0, 0, -1, -1));
    }
}

void TGeoMap::DrawCalibPoints(QImage& frame) const {
    QPainter p(&frame);
    p.setRenderHint(QPainter::Antialiasing, false);
    QFont font = p.font();
    font.setPointSize(14);
    font.setBold(true);
    p.setFont(font);
    auto diamond = [](QPoint c, int r) {
        return QPolygon({QPoint(c.x() - r, c.y()), QPoint(c.x(), c.y() - r),
                         QPoint(c.x() + r, c.y()), QPoint(c.x(), c.y() + r)});
    };
    const QRect visible = frame.rect().adjusted(-80, -80, 80, 80);
    int k = 0;
    for (const GeoCalibPoint& point : calibration_.Points()) {
        ++k;
        const QPoint c = ImageToScreen(QPoint(point.X, point.Y));
        if (!visible.contains(c))
            continue;
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(ColorCalibPoints, 1));
        p.drawLine(c.x() - 8, c.y(), c.x() + 8, c.y());
        p.drawLine(c.x(), c.y() - 8, c.x(), c.y() + 8);
        p.drawPolygon(diamond(c, 8));
        p.setPen(QPen(Qt::white, 1));
        p.drawPolygon(diamond(c, 9));
        p.setPen(QPen(ColorCalibPoints, 1));
        p.drawPolygon(diamond(c, 10));
        const QFontMetrics metrics(font);
        p.drawText(QPoint(c.x() + 12, c.y() - 8 + metrics.ascent()), QString::number(k));
    }
}

void TGeoMap::paintEvent(QPaintEvent*) {
    RenderFrame();
    QPainter p(this);
    p.drawImage(0, 0, frame_);
}

void TGeoMap::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    view_.SetViewSize(width(), height());
    emit Resized();
}

void TGeoMap::mousePressEvent(QMouseEvent* event) {
    const QPoint screen = event->position().toPoint();
    lastMouseImagePos_ = ScreenToImage(screen);
    if (event->button() == Qt::LeftButton) {
        leftHeld_ = true;
        if (mouseAction_ == MouseAction::maRubberBand) {
            band_.active = !band_.active;
            band_.start = band_.end = screen;
            Repaint();
        }
    }
    emit MouseDown(event->button(), screen);
}

void TGeoMap::mouseMoveEvent(QMouseEvent* event) {
    const QPoint screen = event->position().toPoint();
    if (leftHeld_ && (event->buttons() & Qt::LeftButton) && rect().contains(screen)) {
        const PanAxes axes = mouseAction_ == MouseAction::maPanHoriz  ? PanAxes::Horizontal
                             : mouseAction_ == MouseAction::maPanVert ? PanAxes::Vertical
                                                                      : PanAxes::Both;
        if (mouseAction_ == MouseAction::maPan || mouseAction_ == MouseAction::maPanHoriz ||
            mouseAction_ == MouseAction::maPanVert) {
            const int oldX = PanX(), oldY = PanY();
            view_.DragMove({screen.x(), screen.y()}, axes);
            if (PanX() != oldX || PanY() != oldY)
                Repaint();
        }
    }
    if (mouseAction_ == MouseAction::maRubberBand && band_.active) {
        band_.end = screen;
        Repaint();
    }
    emit MouseMove(screen);
}

void TGeoMap::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        leftHeld_ = false;
        view_.EndDrag();
    }
}

}  // namespace korvalen
