#pragma once

#include <QString>
#include <initializer_list>
#include <string>
#include <vector>

#include "app/MainWindowState.h"
#include "core/Translator.h"

namespace korvalen {

// A source text in the user's language.
inline QString Translated(const char* source, int language) {
    return QString::fromStdString(TranslateText(source, language));
}

// A source text translated first and then filled: "%s" and "%d" take the values in order, so
// that names and numbers are never translated, and "%%" shows as "%".
inline QString TranslatedFormat(const char* source, int language,
                                std::initializer_list<std::string> values) {
    const std::string filled =
        FillPlaceholders(TranslateText(source, language), std::vector<std::string>(values));
    return QString::fromStdString(filled).replace(QStringLiteral("%%"), QStringLiteral("%"));
}

}  // namespace korvalen
