#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvalen {

// A key-value file of "[section]" and "key=value" lines that behaves like the Windows profile
// functions, so that one settings file serves both platforms: section and key names are matched
// without regard to ASCII case, the first matching section and the first matching key win, and
// a rewrite keeps the file's own order, comments (";" lines), blank lines and unknown lines.
class IniFile {
public:
    // Settings and grid pattern files are a few kilobytes; the limit bounds the memory a hostile
    // file can make us spend (every line costs a small record).
    static constexpr uint64_t kMaxFileBytes = uint64_t{1} << 20;

    // A missing file reads as an empty one. False with a message when the file exists but cannot
    // be read or is too large; the object is then left as it was.
    bool Load(const std::filesystem::path& path, std::string& error);
    // Writes through a temporary file, every line ended by CR LF.
    bool Save(const std::filesystem::path& path, std::string& error) const;

    // Any bytes are accepted. Lines end with CR LF, LF or a lone CR; a leading UTF-8 BOM is
    // skipped (and written back).
    void Parse(std::string_view text);
    std::string ToText() const;

    bool HasSection(std::string_view section) const;
    bool HasKey(std::string_view section, std::string_view key) const;

    // The value with surrounding blanks removed and then one pair of matching surrounding
    // quotes (double or single); the fallback when the key is missing.
    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view fallback = {}) const;
    // Leading decimal digits with an optional sign ("12abc" is 12); the fallback when the key is
    // missing, holds no digits or lies outside 32 bits.
    int32_t ReadInteger(std::string_view section, std::string_view key, int32_t fallback) const;
    // A number other than 0 is true; the fallback as for ReadInteger.
    bool ReadBool(std::string_view section, std::string_view key, bool fallback) const;

    // Replaces the value of the first matching key in place, or appends the key after the last
    // key of its section, or appends the section at the end of the file. False (and nothing
    // written) for a section or key name the file format cannot hold.
    bool WriteString(std::string_view section, std::string_view key, std::string_view value);
    bool WriteInteger(std::string_view section, std::string_view key, int32_t value);
    bool WriteBool(std::string_view section, std::string_view key, bool value);

    // Removes the first matching key, or the first matching section with all its lines.
    bool EraseKey(std::string_view section, std::string_view key);
    bool EraseSection(std::string_view section);

    // The integer rule of ReadInteger applied to a value text; nothing for a non-number.
    static std::optional<int32_t> ParseInteger(std::string_view value);

private:
    enum class LineKind : uint8_t { Blank, Comment, Header, Entry, Other };
    struct Line {
        LineKind kind = LineKind::Other;
        std::string text;       // the line as in the file, without its line end
        std::string name;       // Header: section name; Entry: key name; both trimmed
        size_t valueStart = 0;  // Entry: offset of the value, just after the first '='
    };

    static Line ClassifyLine(std::string text);
    static Line MakeEntry(std::string_view key, std::string_view value);
    // Index of the first header matching the name, or lines_.size().
    size_t FindSection(std::string_view section) const;
    // One past the last line that belongs to the section starting at header index.
    size_t SectionEnd(size_t header) const;
    // Index of the first matching key of the section, or lines_.size().
    size_t FindKey(std::string_view section, std::string_view key) const;

    std::vector<Line> lines_;
    bool hasBom_ = false;
};

}  // namespace korvalen
