#pragma once

#include <cstddef>
#include <span>
#include <string_view>

namespace korvalen {

// One row of the interface table: an English phrase key ("Map_image_name") and its German
// text. A German text ending in "_" is a verb phrase that German puts at the end of the
// sentence; the translator moves it there.
struct TranslationPair {
    std::string_view english;
    std::string_view german;
};

inline constexpr std::size_t kTranslationPairCount = 441;

// The fixed English-German table. Its order matters: when several keys match a word, the
// earliest row wins.
std::span<const TranslationPair, kTranslationPairCount> TranslationPairs();

}  // namespace korvalen
