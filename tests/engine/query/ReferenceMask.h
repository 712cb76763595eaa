// A straightforward dynamic-programming matcher for the LIKE pattern
// language, to check the compiled matcher against (unit tests and the mask
// fuzz target). Slow, obviously right.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "engine/text/Win1251.h"

namespace testing_support {

inline bool ReferenceMatch(std::string_view pattern, std::string_view text) {
    const std::size_t m = pattern.size();
    const std::size_t n = text.size();
    // can[i][j]: pattern[i..] matches text[j..]
    std::vector<std::vector<char>> can(m + 1, std::vector<char>(n + 1, 0));
    can[m][n] = 1;
    for (std::size_t i = m; i-- > 0;) {
        for (std::size_t j = n + 1; j-- > 0;) {
            const char p = pattern[i];
            if (p == '*' || p == '%') {
                can[i][j] = can[i + 1][j] || (j < n && can[i][j + 1]);
            } else if (j < n &&
                       (p == '?' || p == '_' || text::UpperChar(p) == text::UpperChar(text[j]))) {
                can[i][j] = can[i + 1][j + 1];
            }
        }
    }
    return can[0][0];
}

}  // namespace testing_support
