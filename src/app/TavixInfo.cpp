#include "app/TavixInfo.h"

#include <QGuiApplication>
#include <QLabel>
#include <QLocale>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace korvalen {

QString VersionText() {
    return QStringLiteral("%1.%2%3").arg(kVersionMajor).arg(QString()).arg(kVersionMinor);
}

QDate ReleaseDate() {
    return QDate(2006, 12, 26);
}

QPixmap ProgramPicture(int size) {
    QPixmap picture(size, size);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    // Three panels of a folded map, alternating light and shade.
    const QColor panels[3] = {QColor(236, 226, 190), QColor(214, 204, 168), QColor(236, 226, 190)};
    for (int i = 0; i < 3; ++i) {
        QPolygonF panel;
        const qreal x0 = s * (0.08 + i * 0.28), x1 = x0 + s * 0.28;
        const qreal lift = (i % 2) ? s * 0.06 : 0;
        panel << QPointF(x0, s * 0.18 + lift) << QPointF(x1, s * 0.18 + (s * 0.06 - lift))
              << QPointF(x1, s * 0.86 + (s * 0.06 - lift)) << QPointF(x0, s * 0.86 + lift);
        painter.setPen(QPen(QColor(120, 100, 70), s / 64));
        painter.setBrush(panels[i]);
        painter.drawPolygon(panel);
    }
    // A river, a road and a contour line across the sheet.
    painter.setBrush(Qt::NoBrush);
    QPainterPath river(QPointF(s * 0.1, s * 0.7));
    river.cubicTo(s * 0.35, s * 0.55, s * 0.55, s * 0.85, s * 0.9, s * 0.6);
    painter.setPen(QPen(QColor(60, 120, 200), s / 24));
    painter.drawPath(river);
    painter.setPen(QPen(QColor(200, 60, 40), s / 32));
    painter.drawLine(QPointF(s * 0.2, s * 0.25), QPointF(s * 0.8, s * 0.5));
    painter.setPen(QPen(QColor(150, 110, 60), s / 80));
    painter.drawEllipse(QPointF(s * 0.62, s * 0.33), s * 0.12, s * 0.07);
    return picture;
}

TfAbout::TfAbout(bool withCloseButton, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("fAbout"));
    setWindowTitle(QStringLiteral("About"));
    auto* layout = new QVBoxLayout(this);
    auto* picture = new QLabel(this);
    picture->setPixmap(ProgramPicture(96));
    picture->setAlignment(Qt::AlignCenter);
    layout->addWidget(picture);
    auto* name = new QLabel(QStringLiteral("<b>Korvalen</b>"), this);
    name->setAlignment(Qt::AlignCenter);
    QFont big = name->font();
    big.setPointSize(big.pointSize() + 6);
    name->setFont(big);
    layout->addWidget(name);
    auto* version =
        new QLabel(QStringLiteral("Version %1  (%2)")
                       .arg(VersionText(), QLocale().toString(ReleaseDate(), QLocale::ShortFormat)),
                   this);
    version->setAlignment(Qt::AlignCenter);
    layout->addWidget(version);
    auto* purpose =
        new QLabel(QStringLiteral("Joins map images into one map and geo-references it."), this);
    purpose->setAlignment(Qt::AlignCenter);
    layout->addWidget(purpose);
    bbClose = new QPushButton(QStringLiteral("Close"), this);
    bbClose->setVisible(withCloseButton);
    connect(bbClose, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(bbClose, 0, Qt::AlignHCenter);
    adjustSize();
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
}

}  // namespace korvalen
