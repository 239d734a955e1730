#include "core/IniFile.h"

#include <limits>

#include "images/FileAccess.h"

namespace korvalen {
namespace fs = std::filesystem;

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

char AsciiLowerChar(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (AsciiLowerChar(a[i]) != AsciiLowerChar(b[i]))
            return false;
    return true;
}

bool IsQuote(char c) {
    return c == '"' || c == '\'';
}

bool HasLineBreak(std::string_view text) {
    return text.find_first_of("\r\n") != text.npos;
}

bool IsValidSectionName(std::string_view name) {
    return !name.empty() && Trim(name).size() == name.size() && !HasLineBreak(name) &&
           name.find(']') == name.npos;
}

bool IsValidKeyName(std::string_view key) {
    return !key.empty() && Trim(key).size() == key.size() && !HasLineBreak(key) &&
           key.find('=') == key.npos && key.front() != ';' && key.front() != '[';
}

// The text written after '=' so that ReadString gives the value back: line breaks cannot live
// in a line and become blanks; a value that reading would trim or unquote is quoted.
std::string EncodeValue(std::string_view value) {
    std::string text(value);
    for (char& c : text)
        if (c == '\r' || c == '\n')
            c = ' ';
    const bool trimmable = !text.empty() && (IsBlank(text.front()) || IsBlank(text.back()));
    const bool quoted = text.size() >= 2 && IsQuote(text.front()) && text.front() == text.back();
    if (trimmable || quoted)
        return '"' + text + '"';
    return text;
}

}  // namespace

IniFile::Line IniFile::ClassifyLine(std::string text) {
    Line line;
    const std::string_view trimmed = Trim(text);
    if (trimmed.empty()) {
        line.kind = LineKind::Blank;
    } else if (trimmed.front() == ';') {
        line.kind = LineKind::Comment;
    } else if (trimmed.front() == '[') {
        // A header without its closing bracket still names a section, as on Windows.
        std::string_view name = trimmed.substr(1);
        name = name.substr(0, name.find(']'));
        line.kind = LineKind::Header;
        line.name = Trim(name);
    } else if (const size_t equals = text.find('='); equals != text.npos) {
        const std::string_view key = Trim(std::string_view(text).substr(0, equals));
        if (!key.empty()) {
            line.kind = LineKind::Entry;
            line.name = key;
            line.valueStart = equals + 1;
        }
    }
    line.text = std::move(text);
    return line;
}

IniFile::Line IniFile::MakeEntry(std::string_view key, std::string_view value) {
    std::string text(key);
    text += '=';
    text += EncodeValue(value);
    return ClassifyLine(std::move(text));
}

void IniFile::Parse(std::string_view text) {
    lines_.clear();
    hasBom_ = text.starts_with(kBom);
    if (hasBom_)
        text.remove_prefix(kBom.size());
    while (!text.empty()) {
        const size_t end = text.find_first_of("\r\n");
        if (end == text.npos) {
            lines_.push_back(ClassifyLine(std::string(text)));
            break;
        }
        lines_.push_back(ClassifyLine(std::string(text.substr(0, end))));
        const bool crlf = text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n';
        text.remove_prefix(end + (crlf ? 2 : 1));
    }
}

std::string IniFile::ToText() const {
    std::string text;
    // A first line that itself starts with BOM bytes needs the BOM in front, or reading the
    // text again would take those bytes for the BOM.
    if (hasBom_ || (!lines_.empty() && lines_.front().text.starts_with(kBom)))
        text += kBom;
    for (const Line& line : lines_) {
        text += line.text;
        text += "\r\n";
    }
    return text;
}

bool IniFile::Load(const fs::path& path, std::string& error) {
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (status.type() == fs::file_type::not_found) {
        Parse({});
        return true;
    }
    if (ec) {
        error = "Cannot read " + DisplayPath(path) + ": " + ec.message();
        return false;
    }
    std::vector<uint8_t> data;
    if (!ReadWholeFile(path, data, error, kMaxFileBytes))
        return false;
    Parse(std::string_view(reinterpret_cast<const char*>(data.data()), data.size()));
    return true;
}

bool IniFile::Save(const fs::path& path, std::string& error) const {
    return WriteFileAtomically(path, ToText(), error);
}

size_t IniFile::FindSection(std::string_view section) const {
    for (size_t i = 0; i < lines_.size(); ++i)
        if (lines_[i].kind == LineKind::Header && SameName(lines_[i].name, section))
            return i;
    return lines_.size();
}

size_t IniFile::SectionEnd(size_t header) const {
    size_t end = header + 1;
    while (end < lines_.size() && lines_[end].kind != LineKind::Header)
        ++end;
    return end;
}

size_t IniFile::FindKey(std::string_view section, std::string_view key) const {
    const size_t header = FindSection(section);
    if (header == lines_.size())
        return lines_.size();
    const size_t end = SectionEnd(header);
    for (size_t i = header + 1; i < end; ++i)
        if (lines_[i].kind == LineKind::Entry && SameName(lines_[i].name, key))
            return i;
    return lines_.size();
}

bool IniFile::HasSection(std::string_view section) const {
    return FindSection(section) != lines_.size();
}

bool IniFile::HasKey(std::string_view section, std::string_view key) const {
    return FindKey(section, key) != lines_.size();
}

std::string IniFile::ReadString(std::string_view section, std::string_view key,
                                std::string_view fallback) const {
    const size_t index = FindKey(section, key);
    if (index == lines_.size())
        return std::string(fallback);
    const Line& line = lines_[index];
    std::string_view value = Trim(std::string_view(line.text).substr(line.valueStart));
    if (value.size() >= 2 && IsQuote(value.front()) && value.front() == value.back())
        value = value.substr(1, value.size() - 2);
    return std::string(value);
}

std::optional<int32_t> IniFile::ParseInteger(std::string_view value) {
    size_t at = 0;
    while (at < value.size() && IsBlank(value[at]))
        ++at;
    bool negative = false;
    if (at < value.size() && (value[at] == '+' || value[at] == '-'))
        negative = value[at++] == '-';
    const size_t firstDigit = at;
    const int64_t limit = negative ? int64_t{std::numeric_limits<int32_t>::max()} + 1
                                   : int64_t{std::numeric_limits<int32_t>::max()};
    int64_t magnitude = 0;
    for (; at < value.size() && value[at] >= '0' && value[at] <= '9'; ++at) {
        magnitude = magnitude * 10 + (value[at] - '0');
        if (magnitude > limit)
            return std::nullopt;
    }
    if (at == firstDigit)
        return std::nullopt;
    return static_cast<int32_t>(negative ? -magnitude : magnitude);
}

int32_t IniFile::ReadInteger(std::string_view section, std::string_view key,
                             int32_t fallback) const {
    if (!HasKey(section, key))
        return fallback;
    return ParseInteger(ReadString(section, key)).value_or(fallback);
}

bool IniFile::ReadBool(std::string_view section, std::string_view key, bool fallback) const {
    return ReadInteger(section, key, fallback ? 1 : 0) != 0;
}

bool IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    if (!IsValidSectionName(section) || !IsValidKeyName(key))
        return false;
    const size_t header = FindSection(section);
    if (header == lines_.size()) {
        if (!lines_.empty() && lines_.back().kind != LineKind::Blank)
            lines_.push_back(Line{});
        lines_.push_back(ClassifyLine("[" + std::string(section) + "]"));
        lines_.push_back(MakeEntry(key, value));
        return true;
    }
    const size_t end = SectionEnd(header);
    size_t lastEntry = lines_.size();
    for (size_t i = header + 1; i < end; ++i) {
        if (lines_[i].kind != LineKind::Entry)
            continue;
        if (SameName(lines_[i].name, key)) {
            // In place: the key as the file spells it and its spacing stay.
            Line& line = lines_[i];
            line.text.resize(line.valueStart);
            line.text += EncodeValue(value);
            return true;
        }
        lastEntry = i;
    }
    // After the last key, so that comments introducing the next section stay with it; in a
    // section without keys, before its trailing blank lines.
    size_t at = end;
    if (lastEntry != lines_.size()) {
        at = lastEntry + 1;
    } else {
        while (at > header + 1 && lines_[at - 1].kind == LineKind::Blank)
            --at;
    }
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), MakeEntry(key, value));
    return true;
}

bool IniFile::WriteInteger(std::string_view section, std::string_view key, int32_t value) {
    return WriteString(section, key, std::to_string(value));
}

bool IniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
    return WriteString(section, key, value ? "1" : "0");
}

bool IniFile::EraseKey(std::string_view section, std::string_view key) {
    const size_t index = FindKey(section, key);
    if (index == lines_.size())
        return false;
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(index));
    return true;
}

bool IniFile::EraseSection(std::string_view section) {
    const size_t header = FindSection(section);
    if (header == lines_.size())
        return false;
    const size_t end = SectionEnd(header);
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(header),
                 lines_.begin() + static_cast<std::ptrdiff_t>(end));
    return true;
}

}  // namespace korvalen
