#include "core/IniFile.h"

#include <vector>

#include "engine/text/Win1251.h"

namespace core {

namespace {

// One line of the file: its text is [start, textEnd), its line end
// [textEnd, end).
struct Line {
    size_t start;
    size_t textEnd;
    size_t end;
};

std::vector<Line> SplitLines(std::string_view file) {
    std::vector<Line> lines;
    size_t at = 0;
    while (at < file.size()) {
        size_t textEnd = at;
        while (textEnd < file.size() && file[textEnd] != '\r' && file[textEnd] != '\n') ++textEnd;
        size_t end = textEnd;
        if (end < file.size() && file[end] == '\r') ++end;
        if (end < file.size() && file[end] == '\n' && (end == textEnd || file[end - 1] == '\r'))
            ++end;
        lines.push_back({at, textEnd, end});
        at = end;
    }
    return lines;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

std::string_view TextOf(std::string_view file, const Line& line) {
    return file.substr(line.start, line.textEnd - line.start);
}

// The section name of a section line ("[Client]"), trimmed; nothing for
// other lines. A missing "]" ends the name at the line's end.
std::optional<std::string_view> SectionName(std::string_view text) {
    text = Trim(text);
    if (text.empty() || text.front() != '[') return std::nullopt;
    text.remove_prefix(1);
    const size_t close = text.find(']');
    return Trim(text.substr(0, close));
}

struct Entry {
    std::string_view key;
    std::string_view value;
};

std::optional<Entry> EntryOf(std::string_view text) {
    const size_t equals = text.find('=');
    if (equals == std::string_view::npos) return std::nullopt;
    return Entry{Trim(text.substr(0, equals)), Trim(text.substr(equals + 1))};
}

// Index of the first line of the wanted section's header, or npos.
size_t FindSection(std::string_view file, const std::vector<Line>& lines,
                   std::string_view section) {
    for (size_t i = 0; i < lines.size(); ++i) {
        const auto name = SectionName(TextOf(file, lines[i]));
        if (name && text::EqualNoCase(*name, section)) return i;
    }
    return std::string_view::npos;
}

// One past the section's last line: the next section's header or the end.
size_t SectionEnd(std::string_view file, const std::vector<Line>& lines, size_t header) {
    size_t i = header + 1;
    while (i < lines.size() && !SectionName(TextOf(file, lines[i]))) ++i;
    return i;
}

size_t FindKey(std::string_view file, const std::vector<Line>& lines, size_t header, size_t end,
               std::string_view key) {
    for (size_t i = header + 1; i < end; ++i) {
        const auto entry = EntryOf(TextOf(file, lines[i]));
        if (entry && text::EqualNoCase(entry->key, key)) return i;
    }
    return std::string_view::npos;
}

}  // namespace

std::optional<std::string> FindIniValue(std::string_view file, std::string_view section,
                                        std::string_view key) {
    const std::vector<Line> lines = SplitLines(file);
    const size_t header = FindSection(file, lines, section);
    if (header == std::string_view::npos) return std::nullopt;
    const size_t at = FindKey(file, lines, header, SectionEnd(file, lines, header), key);
    if (at == std::string_view::npos) return std::nullopt;
    std::string_view value = EntryOf(TextOf(file, lines[at]))->value;
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return std::string(value);
}

std::string WithIniValue(std::string_view file, std::string_view section, std::string_view key,
                         std::string_view value) {
    std::string safeValue(value);
    for (char& c : safeValue) {
        if (c == '\r' || c == '\n') c = ' ';
    }
    const std::vector<Line> lines = SplitLines(file);
    const std::string_view eol =
        !lines.empty() && lines[0].end > lines[0].textEnd
            ? file.substr(lines[0].textEnd, lines[0].end - lines[0].textEnd)
            : std::string_view("\r\n");

    std::string out;
    out.reserve(file.size() + section.size() + key.size() + safeValue.size() + 8);
    const size_t header = FindSection(file, lines, section);
    if (header == std::string_view::npos) {
        out.append(file);
        if (!out.empty() && out.back() != '\n' && out.back() != '\r') out.append(eol);
        out.append("[").append(section).append("]").append(eol);
        out.append(key).append("=").append(safeValue).append(eol);
        return out;
    }

    const size_t end = SectionEnd(file, lines, header);
    const size_t at = FindKey(file, lines, header, end, key);
    if (at != std::string_view::npos) {
        // The entry's line: the key as spelt in the file, the new value, the
        // line's own line end.
        const Line& line = lines[at];
        out.append(file.substr(0, line.start));
        out.append(EntryOf(TextOf(file, line))->key).append("=").append(safeValue);
        out.append(file.substr(line.textEnd));
        return out;
    }

    // After the section's last non-blank line, so that a blank line before
    // the next section stays where it is.
    size_t last = end - 1;
    while (last > header && Trim(TextOf(file, lines[last])).empty()) --last;
    const Line& after = lines[last];
    out.append(file.substr(0, after.end));
    if (after.end == after.textEnd) out.append(eol);
    out.append(key).append("=").append(safeValue).append(eol);
    out.append(file.substr(after.end));
    return out;
}

}  // namespace core
