#include "images/UpDown.h"

#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace korvalen {

UpDown::UpDown(int min, int max, int step, int position, QWidget* parent)
    : QWidget(parent), min_(min), max_(max), step_(step), position_(position) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* up = new QToolButton(this);
    auto* down = new QToolButton(this);
    up->setArrowType(Qt::UpArrow);
    down->setArrowType(Qt::DownArrow);
    for (QToolButton* b : {up, down}) {
        b->setFixedSize(16, 11);
        b->setAutoRepeat(true);
        b->setFocusPolicy(Qt::NoFocus);
        layout->addWidget(b);
    }
    up->setObjectName(QStringLiteral("up"));
    down->setObjectName(QStringLiteral("down"));
    connect(up, &QToolButton::clicked, this, &UpDown::StepUp);
    connect(down, &QToolButton::clicked, this, &UpDown::StepDown);
}

void UpDown::SetPosition(int position) {
    position = std::clamp(position, min_, max_);
    if (position == position_)
        return;
    position_ = position;
    emit changed(position_);
}

}  // namespace korvalen
