#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>

namespace korvalen {

// The language byte of the settings.
inline constexpr int kLanguageEnglish = 0;
inline constexpr int kLanguageGerman = 1;

// Turns a source text ("Map_image_name", "&Save map") into the user's language. English
// shows the phrases with blanks (an "&" accelerator stays); German translates word by word
// through the table, drops "&" and moves verb phrases to the end. Any other language value
// is shown in English.
std::string TranslateText(std::string_view text, int language);

// Remembers the text each form property had before its first translation, so that a form
// already shown in German can be translated back into English. A property is named by its
// form, its component index (-1 = the form itself) and a sub index (0 = caption, 1 = hint,
// n = item or column).
class TranslationCache {
public:
    // Translates the text stored for the property; on its first call for a property the
    // current text is stored and translated, later calls ignore currentText.
    std::string Translate(std::string_view formName, int componentIndex, int subIndex, int language,
                          std::string_view currentText);
    // The stored source text of a property, or nullptr when it was never translated.
    const std::string* Untranslated(std::string_view formName, int componentIndex,
                                    int subIndex) const;
    std::size_t Size() const { return untranslated_.size(); }
    void Clear() { untranslated_.clear(); }

    // The program's one store, filled as its forms translate themselves.
    static TranslationCache& Instance();

private:
    struct Key {
        std::string formName;
        int componentIndex;
        int subIndex;
        bool operator==(const Key&) const = default;
    };
    struct KeyHash {
        std::size_t operator()(const Key& key) const;
    };
    std::unordered_map<Key, std::string, KeyHash> untranslated_;
};

// TranslationCache::Instance().Translate(...).
std::string TranslateCached(std::string_view formName, int componentIndex, int subIndex,
                            int language, std::string_view currentText);

}  // namespace korvalen
