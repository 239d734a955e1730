#pragma once

// Pieces the adjust form's files share.
#include <QColor>
#include <QLocale>
#include <QPoint>
#include <QString>
#include <cmath>

#include "geo/CalibPoints.h"
#include "images/Bitmap.h"

namespace korvalen::adjust {

inline constexpr Rgb kCyan{0, 255, 255};
inline const QColor kScrollBoxColour(0xFF, 0xFF, 0x88);  // 8978431 = $0088FFFF
inline const QColor kCommonBackground(0xC0, 0xDC, 0xC0);
inline constexpr int kStripGap = 3;
inline constexpr int kCutLightening = 64;

// |v| x 100 truncated is 0: too small an angle to turn by.
inline bool CloseToZero(double v) {
    return static_cast<long long>(std::fabs(v) * 100) == 0;
}

inline QString TwoDecimals(double v) {
    return QLocale().toString(v, 'f', 2);
}

inline PixelPos Pos(QPoint p) {
    return {p.x(), p.y()};
}

}  // namespace korvalen::adjust
