#include "update/IniValue.h"

#include <cctype>
#include <fstream>

namespace update {

namespace {

std::string_view Trimmed(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    return s;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

}  // namespace

std::string ReadIniValue(const std::string& path, std::string_view section, std::string_view key) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return {};
    bool inSection = false;
    std::string line;
    while (std::getline(in, line)) {
        std::string_view text = Trimmed(line);
        if (text.empty() || text.front() == ';') continue;
        if (text.front() == '[') {
            size_t close = text.find(']');
            inSection = close != std::string_view::npos &&
                        EqualNoCase(Trimmed(text.substr(1, close - 1)), section);
            continue;
        }
        if (!inSection) continue;
        size_t equals = text.find('=');
        if (equals == std::string_view::npos || !EqualNoCase(Trimmed(text.substr(0, equals)), key))
            continue;
        std::string_view value = Trimmed(text.substr(equals + 1));
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
            value.back() == value.front())
            value = value.substr(1, value.size() - 2);
        return std::string(value);
    }
    return {};
}

}  // namespace update
