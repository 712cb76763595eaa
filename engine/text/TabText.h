// The pieces of the TAB text format (price lists, text orders) that its
// readers share: a line split into values at TAB, and the blanks a number
// may carry around it.
//
// Thread safety: pure functions.
#pragma once

#include <cstddef>
#include <cstring>
#include <string_view>
#include <vector>

namespace text {

// The values of the line [begin, end) (without its CR LF), split at TAB,
// into `values` (cleared first): none for an empty line; at most `limit`,
// the rest of the line then being ignored.
inline void SplitTabValues(const char* begin, const char* end,
                           std::vector<std::string_view>& values, size_t limit = SIZE_MAX) {
    values.clear();
    if (begin == end) return;
    const char* v = begin;
    for (;;) {
        const char* tab = static_cast<const char*>(std::memchr(v, '\t', size_t(end - v)));
        if (tab == nullptr) {
            values.emplace_back(v, size_t(end - v));
            return;
        }
        values.emplace_back(v, size_t(tab - v));
        if (values.size() >= limit) return;
        v = tab + 1;
    }
}

// `s` without its leading spaces and TABs (integers are read so).
inline std::string_view TrimLeftBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    return s;
}

// TrimLeftBlanks, and without trailing spaces (numbers with a fraction).
inline std::string_view TrimBlanks(std::string_view s) {
    s = TrimLeftBlanks(s);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

}  // namespace text
