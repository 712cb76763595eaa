#include "platform/RemovableMedia.h"

#include <algorithm>
#include <sstream>

namespace platform {

namespace {

std::string Unescape(std::string_view field) {
    std::string out;
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            const char a = field[i + 1], b = field[i + 2], c = field[i + 3];
            if (a >= '0' && a <= '3' && b >= '0' && b <= '7' && c >= '0' && c <= '7') {
                out += static_cast<char>((a - '0') * 64 + (b - '0') * 8 + (c - '0'));
                i += 3;
                continue;
            }
        }
        out += field[i];
    }
    return out;
}

bool HasOption(const std::string& options, const std::string& option) {
    std::istringstream in(options);
    std::string item;
    while (std::getline(in, item, ','))
        if (item == option) return true;
    return false;
}

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.size() > prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace

std::vector<MountEntry> ParseMountTable(std::string_view text) {
    std::vector<MountEntry> entries;
    size_t lineStart = 0;
    while (lineStart < text.size()) {
        size_t lineEnd = text.find('\n', lineStart);
        if (lineEnd == std::string_view::npos) lineEnd = text.size();
        const std::string_view line = text.substr(lineStart, lineEnd - lineStart);
        lineStart = lineEnd + 1;

        std::vector<std::string> fields;
        size_t i = 0;
        while (i < line.size()) {
            while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
            const size_t start = i;
            while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
            if (i > start) fields.push_back(Unescape(line.substr(start, i - start)));
        }
        if (fields.size() < 4) continue;
        entries.push_back(MountEntry{fields[0], fields[1], fields[2], fields[3]});
    }
    return entries;
}

std::vector<std::string> RemovableMountPoints(
    std::string_view mountTable, const std::string& user,
    const std::function<bool(const std::string&)>& writable) {
    std::vector<std::string> points;
    for (const MountEntry& entry : ParseMountTable(mountTable)) {
        const std::string& point = entry.mountPoint;
        const bool removable = StartsWith(point, "/media/") ||
                               (!user.empty() && StartsWith(point, "/run/media/" + user + "/"));
        if (!removable || !HasOption(entry.options, "rw")) continue;
        if (std::find(points.begin(), points.end(), point) != points.end()) continue;
        if (writable && !writable(point)) continue;
        points.push_back(point);
    }
    return points;
}

}  // namespace platform
