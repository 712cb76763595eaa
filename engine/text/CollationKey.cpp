#include "engine/text/CollationKey.h"

#include <algorithm>
#include <array>

#include "engine/text/Win1251.h"

namespace text {

namespace {

// Derived from CompareNoCaseN itself rather than restating its rules, so
// the two can never disagree: the bytes are sorted by it and numbered,
// bytes that compare equal sharing a number.
std::array<unsigned char, 256> BuildRanks() {
    std::array<unsigned char, 256> bytes{};
    for (unsigned b = 0; b < 256; ++b) bytes[b] = static_cast<unsigned char>(b);
    auto compare = [](unsigned char a, unsigned char b) {
        char ca = static_cast<char>(a), cb = static_cast<char>(b);
        return CompareNoCaseN(&ca, &cb, 1);
    };
    std::sort(bytes.begin(), bytes.end(),
              [&](unsigned char a, unsigned char b) { return compare(a, b) < 0; });
    std::array<unsigned char, 256> rank{};
    unsigned next = 0;
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (i > 0 && compare(bytes[i - 1], bytes[i]) != 0) ++next;
        rank[bytes[i]] = static_cast<unsigned char>(next);
    }
    return rank;
}

const std::array<unsigned char, 256>& Ranks() {
    static const std::array<unsigned char, 256> ranks = BuildRanks();
    return ranks;
}

}  // namespace

const unsigned char* CollationRankTable() {
    return Ranks().data();
}

unsigned char CollationRank(char c) {
    return Ranks()[static_cast<unsigned char>(c)];
}

void CollationPrefix(std::string_view s, unsigned char* out, size_t n) {
    const unsigned char* ranks = CollationRankTable();
    size_t m = std::min(n, s.size());
    for (size_t i = 0; i < m; ++i) out[i] = ranks[static_cast<unsigned char>(s[i])];
    for (size_t i = m; i < n; ++i) out[i] = 0;
}

}  // namespace text
