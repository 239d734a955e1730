#include "core/Translator.h"

#include <functional>
#include <optional>

#include "core/TranslationTable.h"

namespace korvalen {
namespace {

// Characters that separate words. All others, bytes of UTF-8 sequences included, belong to
// words; "-", "%", "?", ";", "'" and tab are deliberately word characters.
constexpr bool IsDelimiter(char c) {
    switch (c) {
        case '\n':
        case '\r':
        case ' ':
        case '!':
        case '"':
        case '&':
        case '(':
        case ')':
        case '+':
        case ',':
        case '.':
        case '/':
        case ':':
        case '=':
        case '[':
        case ']':
            return true;
        default:
            return false;
    }
}

// The keys are ASCII, so folding ASCII letters is enough to compare without regard to case.
std::string FoldCase(std::string_view text) {
    std::string folded(text);
    for (char& c : folded) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return folded;
}

void TrimTrailingBlanks(std::string& text) {
    const std::size_t last = text.find_last_not_of(' ');
    text.erase(last == std::string::npos ? 0 : last + 1);
}

// Both maps are built once from the table. emplace keeps an existing entry, so for keys
// that collide (exactly or after folding) the earliest row wins, as the table order demands.
class GermanLookup {
public:
    GermanLookup() {
        const auto pairs = TranslationPairs();
        exact_.reserve(pairs.size());
        folded_.reserve(pairs.size());
        for (const TranslationPair& pair : pairs) {
            exact_.emplace(pair.english, pair.german);
            folded_.emplace(FoldCase(pair.english), pair.german);
        }
    }

    // An exact match wins over one that ignores case.
    std::optional<std::string_view> Find(std::string_view word) const {
        if (const auto exact = exact_.find(word); exact != exact_.end()) {
            return exact->second;
        }
        if (const auto folded = folded_.find(FoldCase(word)); folded != folded_.end()) {
            return folded->second;
        }
        return std::nullopt;
    }

private:
    std::unordered_map<std::string_view, std::string_view> exact_;
    std::unordered_map<std::string, std::string_view> folded_;
};

const GermanLookup& Lookup() {
    static const GermanLookup lookup;
    return lookup;
}

std::string ToEnglish(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        if (c == '_') {
            c = ' ';
        }
    }
    TrimTrailingBlanks(result);
    return result;
}

std::string ToGerman(std::string_view text) {
    const GermanLookup& lookup = Lookup();
    std::string result;
    result.reserve(text.size() + text.size() / 2);
    std::string moved;  // the verb phrase that goes to the end, with its leading blank
    std::size_t pos = 0;
    while (true) {
        for (; pos < text.size() && IsDelimiter(text[pos]); ++pos) {
            if (text[pos] != '&') {
                result += text[pos];
            }
        }
        const std::size_t wordStart = pos;
        while (pos < text.size() && !IsDelimiter(text[pos])) {
            ++pos;
        }
        // A blank is a delimiter, so the word is only empty at the end of the text.
        const std::string_view word = text.substr(wordStart, pos - wordStart);
        if (word.empty()) {
            break;
        }
        const std::optional<std::string_view> german = lookup.Find(word);
        if (german && german->ends_with('_')) {
            moved.assign(" ").append(german->substr(0, german->size() - 1));
            continue;
        }
        // The blank left behind by a moved verb would otherwise double the blank before
        // the next word.
        if (result.size() > 2 && result.ends_with("  ")) {
            result.pop_back();
        }
        result += german ? *german : word;
    }
    result += moved;
    TrimTrailingBlanks(result);
    return result;
}

}  // namespace

std::string TranslateText(std::string_view text, int language) {
    const bool german = language == kLanguageGerman;
    std::string result = german ? ToGerman(text) : ToEnglish(text);
    // Captures come from our own map view, not from an external globe program: the texts
    // that named the program name the view.
    static constexpr std::string_view kGlobe = "Google Earth";
    const std::string_view view = german ? "Kartenansicht" : "map view";
    for (std::size_t at = result.find(kGlobe); at != std::string::npos;
         at = result.find(kGlobe, at + view.size()))
        result.replace(at, kGlobe.size(), view);
    return result;
}

std::size_t TranslationCache::KeyHash::operator()(const Key& key) const {
    std::size_t hash = std::hash<std::string>{}(key.formName);
    for (const int part : {key.componentIndex, key.subIndex}) {
        hash ^= std::hash<int>{}(part) + 0x9e3779b97f4a7c15ULL + (hash << 6) + (hash >> 2);
    }
    return hash;
}

std::string TranslationCache::Translate(std::string_view formName, int componentIndex, int subIndex,
                                        int language, std::string_view currentText) {
    // try_emplace leaves a stored text alone, so the text the form was designed with is kept.
    const auto [entry, inserted] = untranslated_.try_emplace(
        Key{std::string(formName), componentIndex, subIndex}, currentText);
    return TranslateText(entry->second, language);
}

const std::string* TranslationCache::Untranslated(std::string_view formName, int componentIndex,
                                                  int subIndex) const {
    const auto entry = untranslated_.find(Key{std::string(formName), componentIndex, subIndex});
    return entry == untranslated_.end() ? nullptr : &entry->second;
}

TranslationCache& TranslationCache::Instance() {
    static TranslationCache cache;
    return cache;
}

std::string TranslateCached(std::string_view formName, int componentIndex, int subIndex,
                            int language, std::string_view currentText) {
    return TranslationCache::Instance().Translate(formName, componentIndex, subIndex, language,
                                                  currentText);
}

}  // namespace korvalen
