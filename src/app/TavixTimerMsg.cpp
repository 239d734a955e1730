#include "app/TavixTimerMsg.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <algorithm>

namespace korvalen {

namespace {
constexpr int kPanelHeight = 41;
constexpr int kMinimumWidth = 300;
}  // namespace

TfTimerMsg::TfTimerMsg(QWidget* parent) : QDialog(parent) {
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setObjectName(QStringLiteral("fTimerMsg"));
    MessageFont = font();
    MessageFont.setPointSize(18);
    pMessage = new QLabel(this);
    pMessage->setAlignment(Qt::AlignCenter);
    pMessage->setFrameShape(QFrame::Panel);
    pMessage->setFrameShadow(QFrame::Raised);
    pMessage->installEventFilter(this);
    tClose.setSingleShot(true);
    connect(&tClose, &QTimer::timeout, this, [this] {
        ClosedByUser = false;
        accept();
    });
}

void TfTimerMsg::Arrange() {
    pMessage->setFont(MessageFont);
    QPalette palette = pMessage->palette();
    palette.setColor(QPalette::WindowText, MessageColour);
    pMessage->setPalette(palette);
    pMessage->setText(MessageText);
    const int width =
        std::max(static_cast<int>(MessageText.size()) * MessageFont.pointSize(), kMinimumWidth);
    pMessage->setGeometry(0, 0, width, kPanelHeight);
    setFixedSize(width, kPanelHeight);
    if (AreaBottomRight.x() >= 1 && AreaBottomRight.y() >= 1) {
        const int centreX = (AreaTopLeft.x() + AreaBottomRight.x()) / 2;
        const int centreY = (AreaTopLeft.y() + AreaBottomRight.y()) / 2;
        move(centreX - width / 2, centreY - kPanelHeight / 2);
    } else if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.center().x() - width / 2, area.center().y() - kPanelHeight / 2);
    }
}

void TfTimerMsg::showEvent(QShowEvent* event) {
    Arrange();
    QDialog::showEvent(event);
    tClose.start(IntervalMs);
}

void TfTimerMsg::CloseByUser() {
    tClose.stop();
    ClosedByUser = true;
    accept();
}

void TfTimerMsg::keyPressEvent(QKeyEvent*) {
    CloseByUser();
}

bool TfTimerMsg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == pMessage && event->type() == QEvent::MouseButtonPress) {
        CloseByUser();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

bool ShowTimedMessage(const QString& text, int intervalMs, int fontSize, QWidget* area,
                      const QColor& colour, QWidget* parent) {
    TfTimerMsg message(parent);
    message.MessageText = text;
    if (intervalMs >= 500)
        message.IntervalMs = intervalMs;
    if (fontSize >= 6)
        message.MessageFont.setPointSize(fontSize);
    message.MessageColour = colour;
    if (area) {
        const QRect frame = area->isWindow() ? area->frameGeometry()
                                             : QRect(area->mapToGlobal(QPoint(0, 0)), area->size());
        message.AreaTopLeft = frame.topLeft();
        message.AreaBottomRight =
            QPoint(frame.left() + frame.width(), frame.top() + frame.height());
    }
    message.exec();
    return message.ClosedByUser;
}

}  // namespace korvalen
