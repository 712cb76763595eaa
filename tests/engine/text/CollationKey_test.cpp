#include "engine/text/CollationKey.h"

#include <gtest/gtest.h>

#include <cstring>

#include "engine/text/Win1251.h"

namespace {

int Sign(int v) {
    return (v > 0) - (v < 0);
}

TEST(CollationKey, RanksOrderBytesAsCompareNoCase) {
    for (int a = 0; a < 256; ++a) {
        for (int b = 0; b < 256; ++b) {
            char ca = char(a), cb = char(b);
            int ranks = int(text::CollationRank(ca)) - int(text::CollationRank(cb));
            ASSERT_EQ(Sign(ranks), Sign(text::CompareNoCaseN(&ca, &cb, 1))) << a << " " << b;
        }
    }
    EXPECT_EQ(text::CollationRank('\0'), 0);
}

TEST(CollationKey, PrefixesNeverContradictTheTexts) {
    const std::string texts[] = {"",
                                 "a",
                                 "A",
                                 "ab",
                                 "aB ",
                                 text::Utf8ToCp1251("ёлка"),
                                 text::Utf8ToCp1251("Елка"),
                                 text::Utf8ToCp1251("Жук"),
                                 "zzzz",
                                 "0123456789abcdefX",
                                 "0123456789ABCDEFy"};
    for (const std::string& a : texts) {
        for (const std::string& b : texts) {
            unsigned char ka[8], kb[8];
            text::CollationPrefix(a, ka, sizeof ka);
            text::CollationPrefix(b, kb, sizeof kb);
            int keys = Sign(std::memcmp(ka, kb, sizeof ka));
            if (keys != 0) {
                EXPECT_EQ(keys, Sign(text::CompareNoCase(a, b))) << a << " " << b;
            }
        }
    }
}

}  // namespace
