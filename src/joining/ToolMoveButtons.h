#pragma once

#include <QWidget>
#include <array>
#include <functional>
#include <optional>

#include "joining/BandAreaGeometry.h"

namespace korvalen {

// Names of the eight move buttons in the order of MoveKey: one pixel left, right, up, down,
// then ten pixels.
struct MoveButtonNames {
    std::array<const char*, 8> names;
    static MoveButtonNames Band();
    static MoveButtonNames Area();
};

// Two crosses of move buttons side by side, one pixel and ten pixels a click. Each button
// carries its step as the tag of MoveTagForKey (property "tag") and hands it to clicked; its
// hint is the given text and the key that presses it (with Shift for the area).
QWidget* BuildMoveCrosses(QWidget* parent, const MoveButtonNames& names, bool area,
                          const char* hint, const std::function<void(int tag)>& clicked);

// The move key of a key code: arrows, Home, End, Page Up and Page Down.
std::optional<MoveKey> MoveKeyOf(int key);

}  // namespace korvalen
