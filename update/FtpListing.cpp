#include "update/FtpListing.h"

#include <cctype>

namespace update {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

bool IsControl(char c) {
    const auto u = static_cast<unsigned char>(c);
    return (u < 0x20 && c != '\t') || u == 0x7F;
}

std::string_view Trimmed(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

enum class Layout { None, Long, Bare };

struct Entry {
    std::string name;
    Layout layout = Layout::None;
};

// Splits off `count` blank-separated fields; `rest` is what follows them
// (its leading blanks removed). False when the line has fewer fields.
bool SkipFields(std::string_view line, int count, std::vector<std::string_view>& fields,
                std::string_view& rest) {
    size_t i = 0;
    fields.clear();
    for (int f = 0; f < count; ++f) {
        while (i < line.size() && IsBlank(line[i])) ++i;
        size_t start = i;
        while (i < line.size() && !IsBlank(line[i])) ++i;
        if (start == i) return false;
        fields.push_back(line.substr(start, i - start));
    }
    while (i < line.size() && IsBlank(line[i])) ++i;
    rest = line.substr(i);
    return true;
}

bool AllDigits(std::string_view s) {
    if (s.empty()) return false;
    for (char c : s) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    }
    return true;
}

bool LooksLikeUnixMode(std::string_view s) {
    if (s.size() < 10) return false;
    if (std::string_view("-dlbcps").find(s[0]) == std::string_view::npos) return false;
    for (size_t i = 1; i < 10; ++i) {
        if (std::string_view("rwxsStTl-").find(s[i]) == std::string_view::npos) return false;
    }
    return true;
}

// "01-01-24" or "01-01-2024" (any of -/. as separators).
bool LooksLikeDosDate(std::string_view s) {
    if (s.size() != 8 && s.size() != 10) return false;
    for (size_t i = 0; i < s.size(); ++i) {
        bool separator = i == 2 || i == 5;
        if (separator ? std::string_view("-/.").find(s[i]) == std::string_view::npos
                      : !std::isdigit(static_cast<unsigned char>(s[i])))
            return false;
    }
    return true;
}

Entry ParseLine(std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    for (char c : line)
        if (IsControl(c)) return {};
    line = Trimmed(line);
    if (line.empty()) return {};
    std::vector<std::string_view> fields;
    std::string_view rest;
    if (line.size() > 6 && line.substr(0, 6) == "total " && AllDigits(Trimmed(line.substr(6))))
        return {};
    if (SkipFields(line, 1, fields, rest) && LooksLikeUnixMode(fields[0])) {
        // mode, links, owner, group, size, month, day, year-or-time; some
        // servers leave out the group, which shifts the size one field left.
        std::string_view name;
        if (SkipFields(line, 8, fields, rest) && AllDigits(fields[4])) {
            name = rest;
        } else if (SkipFields(line, 7, fields, rest) && AllDigits(fields[3])) {
            name = rest;
        } else {
            return {};
        }
        if (line.front() == 'l') {
            size_t arrow = name.find(" -> ");
            if (arrow != std::string_view::npos) name = name.substr(0, arrow);
        }
        return {std::string(Trimmed(name)), Layout::Long};
    }
    if (SkipFields(line, 3, fields, rest) && LooksLikeDosDate(fields[0]) &&
        (AllDigits(fields[2]) || fields[2] == "<DIR>")) {
        return {std::string(Trimmed(rest)), Layout::Long};
    }
    return {std::string(line), Layout::Bare};
}

}  // namespace

std::string ListingEntryName(std::string_view line) {
    return ParseLine(line).name;
}

std::vector<std::string> ListingNames(std::string_view listing) {
    std::vector<Entry> entries;
    bool anyLong = false;
    while (!listing.empty()) {
        size_t end = listing.find('\n');
        std::string_view line = listing.substr(0, end);
        listing = end == std::string_view::npos ? std::string_view() : listing.substr(end + 1);
        Entry entry = ParseLine(line);
        if (entry.name.empty()) continue;
        anyLong = anyLong || entry.layout == Layout::Long;
        entries.push_back(std::move(entry));
    }
    std::vector<std::string> names;
    for (Entry& entry : entries) {
        if (anyLong && entry.layout == Layout::Bare) continue;
        names.push_back(std::move(entry.name));
    }
    return names;
}

}  // namespace update
