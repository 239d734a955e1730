#include "joining/ToolMoveButtons.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QStyle>
#include <QToolButton>

namespace korvalen {
namespace {

constexpr std::array<MoveKey, 8> kKeys = {MoveKey::Left,   MoveKey::Right,   MoveKey::Up,
                                          MoveKey::Down,   MoveKey::Home,    MoveKey::End,
                                          MoveKey::PageUp, MoveKey::PageDown};
constexpr std::array<QStyle::StandardPixmap, 4> kArrows = {
    QStyle::SP_ArrowLeft, QStyle::SP_ArrowRight, QStyle::SP_ArrowUp, QStyle::SP_ArrowDown};
constexpr std::array<const char*, 8> kKeyNames = {"Left", "Right", "Up",      "Down",
                                                  "Home", "End",   "Page_Up", "Page_Down"};
// Grid cells of left, right, up and down around the step shown in the middle.
constexpr std::array<std::pair<int, int>, 4> kCells = {{{1, 0}, {1, 2}, {0, 1}, {2, 1}}};

QWidget* BuildCross(QWidget* parent, const MoveButtonNames& names, int first, bool area,
                    const char* hint, const std::function<void(int)>& clicked) {
    auto* cross = new QWidget(parent);
    auto* grid = new QGridLayout(cross);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(1);
    for (int i = 0; i < 4; ++i) {
        auto* button = new QToolButton(cross);
        button->setObjectName(QLatin1String(names.names[first + i]));
        button->setIcon(cross->style()->standardIcon(kArrows[i]));
        button->setFixedSize(26, 26);
        button->setFocusPolicy(Qt::NoFocus);
        button->setAutoRepeat(true);
        button->setToolTip(QStringLiteral("%1 [%2%3]")
                               .arg(QLatin1String(hint),
                                    area ? QStringLiteral("Shift+") : QString(),
                                    QLatin1String(kKeyNames[first + i])));
        const int tag = MoveTagForKey(kKeys[first + i], area);
        button->setProperty("tag", tag);
        QObject::connect(button, &QToolButton::clicked, cross, [clicked, tag] { clicked(tag); });
        grid->addWidget(button, kCells[i].first, kCells[i].second);
    }
    auto* step = new QLabel(first == 0 ? QStringLiteral("1") : QStringLiteral("10"), cross);
    step->setAlignment(Qt::AlignCenter);
    grid->addWidget(step, 1, 1);
    return cross;
}

}  // namespace

MoveButtonNames MoveButtonNames::Band() {
    return {{"sbBandLeft", "sbBandRight", "sbBandUp", "sbBandDown", "SBMBandLeft", "SBMBandRight",
             "SBMBandUp", "SBMBandDown"}};
}

MoveButtonNames MoveButtonNames::Area() {
    return {{"sbAreaLeft", "sbAreaRight", "sbAreaUp", "sbAreaDown", "SBMAreaLeft", "SBMAreaRight",
             "SBMAreaUp", "SBMAreaDown"}};
}

QWidget* BuildMoveCrosses(QWidget* parent, const MoveButtonNames& names, bool area,
                          const char* hint, const std::function<void(int tag)>& clicked) {
    auto* crosses = new QWidget(parent);
    auto* row = new QHBoxLayout(crosses);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(BuildCross(crosses, names, 0, area, hint, clicked));
    row->addStretch(1);
    row->addWidget(BuildCross(crosses, names, 4, area, hint, clicked));
    return crosses;
}

std::optional<MoveKey> MoveKeyOf(int key) {
    switch (key) {
        case Qt::Key_Left:
            return MoveKey::Left;
        case Qt::Key_Right:
            return MoveKey::Right;
        case Qt::Key_Up:
            return MoveKey::Up;
        case Qt::Key_Down:
            return MoveKey::Down;
        case Qt::Key_Home:
            return MoveKey::Home;
        case Qt::Key_End:
            return MoveKey::End;
        case Qt::Key_PageUp:
            return MoveKey::PageUp;
        case Qt::Key_PageDown:
            return MoveKey::PageDown;
        default:
            return std::nullopt;
    }
}

}  // namespace korvalen
