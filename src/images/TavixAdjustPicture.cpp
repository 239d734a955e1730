// The adjust form's picture: clicks in each mode, where the map and its neighbour lie, the
// zoom, and the rubber lines and rectangles drawn over the map.
#include <QCheckBox>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <algorithm>

#include "app/Dialogs.h"
#include "app/MainWindowState.h"
#include "core/Translator.h"
#include "images/AdjustFormParts.h"
#include "images/AdjustPicture.h"
#include "images/MapAdjust.h"
#include "images/TavixAdjust.h"
#include "images/UpDown.h"

namespace korvalen {

using namespace adjust;

// ---- Clicks on the picture ------------------------------------------------------------------

const Bitmap* TfAdjust::LeftStrip() const {
    if (FirstStrip && FirstStripSide == StripSide::Left)
        return &*FirstStrip;
    return SecondStrip ? &*SecondStrip : nullptr;
}

const Bitmap* TfAdjust::UpperStrip() const {
    return FirstStrip && FirstStripSide == StripSide::Above ? &*FirstStrip : nullptr;
}

const Bitmap* TfAdjust::ModeStrip() const {
    if (mode_ >= kSeamSource)
        return seamLeft_ ? LeftStrip() : UpperStrip();
    return FirstStrip ? &*FirstStrip : nullptr;
}

bool TfAdjust::InMap(QPoint p) const {
    return QRect(mapOrigin_, mapPartSize_).contains(p);
}

bool TfAdjust::InStrip(QPoint p) const {
    const Bitmap* strip = ModeStrip();
    return strip && QRect(stripOrigin_, QSize(strip->Width(), strip->Height())).contains(p);
}

void TfAdjust::PicturePressed(QPoint p, Qt::MouseButton button) {
    if (mode_ == kIdle)
        return;
    if (button == Qt::RightButton) {
        StepBack();
        return;
    }
    if (button != Qt::LeftButton)
        return;
    const QPoint inMap = p - mapOrigin_;
    const QPoint inStrip = p - stripOrigin_;
    const QPoint clamped(std::clamp(p.x(), 0, std::max(0, AdjustMap.Width() - 1)),
                         std::clamp(p.y(), 0, std::max(0, AdjustMap.Height() - 1)));
    switch (mode_) {
        case kCutFirst:
            first_ = clamped;
            mode_ = kCutSecond;
            break;
        case kCutSecond:
            second_ = clamped;
            cutRect_ =
                QRect(QPoint(std::min(first_.x(), second_.x()), std::min(first_.y(), second_.y())),
                      QPoint(std::max(first_.x(), second_.x()), std::max(first_.y(), second_.y())));
            AskCut();
            return;
        case kLineFirst:
            first_ = clamped;
            mode_ = kLineSecond;
            break;
        case kLineSecond: {
            second_ = clamped;
            const bool horizontal = modeButton_ == bbHorizontal;
            const double r = LineAngle(Pos(first_), Pos(second_), horizontal);
            if (CloseToZero(r)) {
                dialogs_.Message(Text("The_angle of_this line is close_to zero"));
            } else {
                QString question = Text("rotate to %s with %.2f degree");
                question.replace(QStringLiteral("%.2f"), TwoDecimals(r));
                question = QString::fromStdString(FillPlaceholders(
                    question.toStdString(),
                    {TranslateText(horizontal ? "horizontal_line" : "vertical_line", language_)}));
                if (dialogs_.Confirm(question)) {
                    EndMode();
                    RotateMap(r);
                    return;
                }
            }
            EndMode();
            return;
        }
        case kCutCentred:
            PictureMoved(p);
            AskCut();
            return;
        case kSourceFirst:
        case kSourceSecond:
            if (!InMap(p))
                return;
            (mode_ == kSourceFirst ? first_ : second_) = inMap;
            ++mode_;
            break;
        case kTargetFirst:
            if (!InStrip(p))
                return;
            targetFirst_ = inStrip;
            ++mode_;
            break;
        case kTargetSecond:
            if (!InStrip(p))
                return;
            targetSecond_ = inStrip;
            AskTargetRotation();
            EndMode();
            return;
        case kSeamSource:
            if (!InMap(p))
                return;
            first_ = inMap;
            mode_ = kSeamTarget;
            break;
        case kSeamTarget:
            if (!InStrip(p))
                return;
            targetFirst_ = inStrip;
            seamOffset_[seamLeft_ ? 0 : 1] = first_ - targetFirst_;
            mode_ = kSeamMove;
            LayoutCommon();
            ShowPicture();
            break;
        default:
            return;
    }
    UpdateCaption();
    CurrentPicture()->update();
}

void TfAdjust::PictureMoved(QPoint p) {
    mouse_ = p;
    if (mode_ == kCutCentred && !AdjustMap.IsEmpty()) {
        const int cx = AdjustMap.Width() / 2, cy = AdjustMap.Height() / 2;
        const int hw = std::abs(p.x() - cx), hh = std::abs(p.y() - cy);
        cutRect_ = QRect(QPoint(std::max(0, cx - hw), std::max(0, cy - hh)),
                         QPoint(std::min(AdjustMap.Width() - 1, cx + hw),
                                std::min(AdjustMap.Height() - 1, cy + hh)));
    }
    if (mode_ >= kSourceFirst && mode_ <= kSeamTarget) {
        const bool wantsMap =
            mode_ == kSourceFirst || mode_ == kSourceSecond || mode_ == kSeamSource;
        const bool accepted = wantsMap ? InMap(p) : InStrip(p);
        iCommonMap->setCursor(accepted ? Qt::CrossCursor : Qt::ForbiddenCursor);
    } else if (mode_ != kIdle) {
        iMap->setCursor(Qt::CrossCursor);
    }
    if (mode_ != kIdle && mode_ != kSeamMove)
        CurrentPicture()->update();
}

// ---- Picture --------------------------------------------------------------------------------

AdjustPicture* TfAdjust::CurrentPicture() const {
    return CommonView() ? iCommonMap : iMap;
}

void TfAdjust::LayoutCommon() {
    const Bitmap* strip = ModeStrip();
    const int w = AdjustMap.Width(), h = AdjustMap.Height();
    const bool left = mode_ >= kSeamSource ? seamLeft_ : FirstStripSide == StripSide::Left;
    if (!strip || !CommonView()) {
        mapOrigin_ = stripOrigin_ = QPoint();
        mapPartSize_ = QSize(w, h);
        return;
    }
    mapPartSize_ = left ? QSize(std::max(1, w / 2), h) : QSize(w, std::max(1, h / 2));
    if (mode_ == kSeamMove) {
        const QPoint o = seamOffset_[seamLeft_ ? 0 : 1].value_or(QPoint());
        mapOrigin_ = QPoint(std::max(0, -o.x()), std::max(0, -o.y()));
        stripOrigin_ = mapOrigin_ + o;
        return;
    }
    stripOrigin_ = QPoint();
    mapOrigin_ =
        left ? QPoint(strip->Width() + kStripGap, 0) : QPoint(0, strip->Height() + kStripGap);
}

void TfAdjust::ShowPicture() {
    const bool common = CommonView() && ModeStrip();
    if (common) {
        const Bitmap* strip = ModeStrip();
        const QRect stripRect(stripOrigin_, QSize(strip->Width(), strip->Height()));
        const QRect mapRect(mapOrigin_, mapPartSize_);
        const QRect all = stripRect.united(mapRect);
        iCommonMap->SetLayers(
            {{strip, stripOrigin_, stripRect.size()}, {&AdjustMap, mapOrigin_, mapPartSize_}},
            QSize(all.right() + 1, all.bottom() + 1), kCommonBackground);
    } else {
        iMap->SetLayers({{&AdjustMap, QPoint(), QSize(AdjustMap.Width(), AdjustMap.Height())}},
                        QSize(AdjustMap.Width(), AdjustMap.Height()), kScrollBoxColour);
    }
    iMap->setVisible(!common);
    iCommonMap->setVisible(common);
    PictureSizeChanged();
}

void TfAdjust::PictureSizeChanged() {
    AdjustPicture* picture = CurrentPicture();
    QSize size;
    if (cbFullMap->isChecked()) {
        size = sbMap->viewport()->size();
        sbMap->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        sbMap->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    } else {
        const QSize p = picture->PictureSize();
        const int zoom = udZoom->Position();
        size = QSize(static_cast<int>((int64_t{p.width()} + 2) * zoom / 100),
                     static_cast<int>((int64_t{p.height()} + 2) * zoom / 100));
        sbMap->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        sbMap->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    }
    size = size.expandedTo(QSize(1, 1));
    picture->setGeometry(QRect(QPoint(), size));
    sbMap->widget()->resize(size);
    picture->update();
    // The scroll bars start in the middle.
    for (QScrollBar* bar : {sbMap->horizontalScrollBar(), sbMap->verticalScrollBar()})
        bar->setValue((bar->minimum() + bar->maximum()) / 2);
}

void TfAdjust::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    if (cbFullMap && cbFullMap->isChecked())
        PictureSizeChanged();
}

void TfAdjust::PaintOverlay(QPainter& painter, double sx, double sy) const {
    const auto at = [&](QPoint p) { return QPointF((p.x() + 0.5) * sx, (p.y() + 0.5) * sy); };
    const auto box = [&](const QRect& r) {
        return QRectF(r.left() * sx, r.top() * sy, r.width() * sx, r.height() * sy);
    };
    if (cutShown_ || mode_ == kCutCentred) {
        const QRectF inside = box(cutRect_);
        if (cutShown_) {
            // The outside of the cut lightened by 64, as ShadeBitmap would.
            QPainterPath outside;
            outside.addRect(QRectF(CurrentPicture()->rect()));
            QPainterPath kept;
            kept.addRect(inside);
            painter.save();
            painter.setCompositionMode(QPainter::CompositionMode_Plus);
            painter.fillPath(outside.subtracted(kept),
                             QColor(kCutLightening, kCutLightening, kCutLightening));
            painter.restore();
        }
        painter.save();
        painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        painter.setPen(QPen(Qt::white, 1, Qt::DashLine));
        painter.drawRect(inside.adjusted(0, 0, -1, -1));
        painter.restore();
    }
    painter.save();
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    painter.setPen(QPen(Qt::white, 1));
    switch (mode_) {
        case kCutSecond:
            painter.drawRect(QRectF(at(first_), at(mouse_)).normalized());
            break;
        case kLineSecond:
            painter.drawLine(at(first_), at(mouse_));
            break;
        case kTargetFirst:
        case kSourceSecond:
        case kTargetSecond:
        case kSeamTarget: {
            const QPoint s1 = first_ + mapOrigin_;
            painter.drawEllipse(at(s1), 4, 4);
            if (mode_ >= kSourceSecond && mode_ <= kTargetSecond)
                painter.drawEllipse(at(targetFirst_ + stripOrigin_), 4, 4);
            if (mode_ == kTargetSecond) {
                painter.drawLine(at(s1), at(second_ + mapOrigin_));
                painter.drawLine(at(targetFirst_ + stripOrigin_), at(mouse_));
            } else if (mode_ == kSourceSecond) {
                painter.drawLine(at(s1), at(mouse_));
            }
            break;
        }
        default:
            break;
    }
    painter.restore();
}

}  // namespace korvalen
