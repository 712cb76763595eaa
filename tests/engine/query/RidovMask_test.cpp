#include "engine/query/RidovMask.h"
#include "tests/engine/query/ReferenceMask.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "engine/storage/DatabaseError.h"
#include "engine/text/Win1251.h"

namespace ridov {
namespace {

using testing_support::ReferenceMatch;

// Windows-1251 bytes of the Cyrillic words used below.
const std::string kBol = "\xE1\xEE\xEB";             // бол
const std::string kBOLT = "\xC1\xCE\xCB\xD2";        // БОЛТ
const std::string kBolt = "\xC1\xEE\xEB\xF2";        // Болт
const std::string kAnker = "\xE0\xED\xEA\xE5\xF0 ";  // "анкер "
const std::string kYolka = "\xA8\xEB\xEA\xE0";       // Ёлка
const std::string kYolkaLower = "\xB8\xEB\xEA\xE0";  // ёлка
const std::string kElka = "\xE5\xEB\xEA\xE0";        // елка
const std::string kYo = "\xB8";                      // ё

TEST(RidovMask, MatchesTable) {
    const struct {
        std::string pattern;
        std::string text;
        bool matches;
    } cases[] = {
        // Anchoring: prefix, contains, equals; Cyrillic case-insensitive.
        {kBol + "*", kBolt, true},
        {kBol + "*", kBOLT + " M10", true},
        {kBol + "*", kAnker + kBOLT, false},
        {"*" + kBol + "*", kAnker + kBOLT, true},
        {"*" + kBol + "*", kAnker, false},
        {kBol, "\xC1\xCE\xCB", true},
        {kBol, kBOLT, false},
        // ё and Ё are one letter apart from е.
        {kYo + "*", kYolka, true},
        {kYo + "*", kYolkaLower, true},
        {"\xA8\xCB\xCA\xC0", kYolkaLower, true},
        {kYo + "*", kElka, false},
        {"abc", "ABC", true},
        {"O'Neil*", "o'neil jr", true},
        // Bytes that are not letters match only themselves.
        {"\xB9 1", "\xB9 1", true},
        {"\xB9 1", "N 1", false},
        // One-character wildcards.
        {"a?c", "abc", true},
        {"a?c", "ac", false},
        {"a?c", "abcd", false},
        {"a_c", "a_c", true},
        {"???", "ab", false},
        // Empty pattern and bare stars.
        {"", "", true},
        {"", "a", false},
        {"*", "", true},
        {"%", "anything", true},
        {"***", "", true},
        // '?' after a star still stands for one character.
        {"*?", "", false},
        {"*?", "x", true},
        {"*?x", "x", false},
        {"*?x", "ax", true},
        {"a*?b", "ab", false},
        {"a*?b", "acb", true},
        {"a%_", "a", false},
        // Stars between segments; the suffix is anchored at the end and may
        // not overlap the prefix.
        {"a*b*c", "aXbYc", true},
        {"a*b*c", "abc", true},
        {"a*b*c", "acb", false},
        {"a*a", "a", false},
        {"a*a", "aa", true},
        {"*ab", "aab", true},
        {"*aab", "aaab", true},
        {"*ab*ab", "abab", true},
        {"*ab*ab", "aabab", true},
        {"*ab*ab", "abXab", true},
        {"*ab*ab", "aba", false},
        {"*a?c*", "xxabxaxcyy", true},
        {"*a?c*", "xxabxaxyy", false},
        {"x*", "X", true},
    };
    for (const auto& c : cases) {
        TRidovMask mask(c.pattern);
        EXPECT_EQ(mask.Matches(c.text), c.matches) << "'" << text::Cp1251ToUtf8(c.pattern)
                                                   << "' on '" << text::Cp1251ToUtf8(c.text) << "'";
    }
}

std::string Repeat(const std::string& s, int count) {
    std::string out;
    for (int i = 0; i < count; ++i) out += s;
    return out;
}

std::string ErrorOf(const std::string& pattern) {
    try {
        TRidovMask mask(pattern);
    } catch (const DatabaseError& e) {
        return e.what();
    }
    return "(no error)";
}

TEST(RidovMask, StarLimit) {
    const std::string thirtyOne = Repeat("*a", 31);
    const std::string endStar = Repeat("*a", 30) + "*";
    const std::string percent = Repeat("%a", 30) + "%%b";
    const struct {
        std::string pattern;
        std::string message;
    } cases[] = {
        {Repeat("*a", 30), "(no error)"},
        {thirtyOne, "'" + thirtyOne + "' is an invalid mask at (62)"},
        {endStar, "'" + endStar + "' is an invalid mask at (62)"},
        {percent, "'" + percent + "' is an invalid mask at (63)"},
        // Runs of stars count once; '?' after a star does not count.
        {Repeat("**?a", 30), "(no error)"},
        {Repeat("a?", 200), "(no error)"},
    };
    for (const auto& c : cases) EXPECT_EQ(ErrorOf(c.pattern), c.message) << c.pattern;
}

// A pattern full of stars over a text of near-misses must not take time
// exponential in the number of stars.
TEST(RidovMask, ManyStarsOnNearMissesStayCheap) {
    TRidovMask mask(Repeat("*a", 29) + "*b");
    const std::string text(5000, 'a');
    for (int i = 0; i < 100; ++i) ASSERT_FALSE(mask.Matches(text));
    EXPECT_TRUE(mask.Matches(text + "b"));
}

TEST(RidovMask, AgreesWithReferenceOnRandomInputs) {
    const std::string patternAlphabet[] = {"a", "A", "b", "?", "_", "*", "%", "\xB8", "\xA8"};
    const std::string textAlphabet[] = {"a", "A", "b", "B", "c", "\xB8", "\xA8", "\xE5"};
    std::mt19937 random(20240105);
    int matched = 0;
    for (int round = 0; round < 20000; ++round) {
        std::string pattern;
        for (int k = random() % 9; k > 0; --k) pattern += patternAlphabet[random() % 9];
        std::string text;
        for (int k = random() % 10; k > 0; --k) text += textAlphabet[random() % 8];
        const bool expected = ReferenceMatch(pattern, text);
        matched += expected;
        ASSERT_EQ(TRidovMask(pattern).Matches(text), expected)
            << "pattern '" << pattern << "' text '" << text << "'";
    }
    EXPECT_GT(matched, 1000);  // the inputs exercise matches, not just misses
}

}  // namespace
}  // namespace ridov
