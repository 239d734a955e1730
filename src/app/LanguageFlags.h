#pragma once

#include <QPixmap>
#include <QSize>

namespace korvalen {

// The small flag pictures beside the language buttons, drawn here so that the program needs
// no picture files: the Union flag for English, black-red-gold for German.
inline constexpr QSize kFlagSize(32, 20);

QPixmap EnglishFlag(QSize size = kFlagSize);
QPixmap GermanFlag(QSize size = kFlagSize);
// The flag of a language byte: 1 German, anything else English.
QPixmap LanguageFlag(int language, QSize size = kFlagSize);

}  // namespace korvalen
