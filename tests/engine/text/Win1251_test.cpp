#include "engine/text/Win1251.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace text {
namespace {

std::string Byte(int b) {
    return std::string(1, char(b));
}

std::string Range(int from, int to) {
    std::string s;
    for (int b = from; b <= to; ++b) s += char(b);
    return s;
}

TEST(Win1251Test, EveryDefinedByteRoundTripsThroughUtf8AndUtf16) {
    for (int b = 0; b < 256; ++b) {
        if (b == 0x98) continue;
        SCOPED_TRACE(b);
        EXPECT_EQ(Utf8ToCp1251(Cp1251ToUtf8(Byte(b))), Byte(b));
        EXPECT_EQ(Utf16ToCp1251(Cp1251ToUtf16(Byte(b))), Byte(b));
    }
    // The one undefined byte has no character to come back from.
    EXPECT_EQ(Cp1251ToUtf8("\x98"), "?");
    EXPECT_EQ(Cp1251ToUtf16("\x98"), u"?");
}

// Pins the whole upper half: a round trip alone would not notice two bytes
// swapped consistently in both directions.
TEST(Win1251Test, UpperHalfMapsToTheCodePageCharacters) {
    EXPECT_EQ(Cp1251ToUtf8(Range(0x80, 0xBF)),
              "ЂЃ‚ѓ„…†‡€‰Љ‹ЊЌЋЏђ‘’“”•–—?™љ›њќћџ\u00A0ЎўЈ¤Ґ¦§Ё©Є«¬\u00AD®Ї°±Ііґµ¶·ё№є»јЅѕї");
    EXPECT_EQ(Cp1251ToUtf8(Range(0xC0, 0xFF)),
              "АБВГДЕЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯабвгдежзийклмнопрстуфхцчшщъыьэюя");
    EXPECT_EQ(Cp1251ToUtf16(Range(0xC0, 0xC1) + Range(0xFE, 0xFF)), u"АБюя");
    EXPECT_EQ(Utf8ToCp1251("Заявка по каталогу"),
              "\xC7\xE0\xFF\xE2\xEA\xE0 \xEF\xEE \xEA\xE0\xF2\xE0\xEB\xEE\xE3\xF3");
}

TEST(Win1251Test, ForeignAndMalformedInputBecomesQuestionMarks) {
    struct Case {
        const char* utf8;
        std::string expected;
    } cases[] = {
        {"中文", "??"},
        {"é", "?"},    // Latin-1 letter the code page lacks
        {"😀x", "?x"},  // outside the BMP: one character, one '?'
        {"a\xFF"
         "b",
         "a?b"},  // byte never valid in UTF-8
        {"\x80"
         "a",
         "?a"},                         // stray continuation byte
        {"\xC0\x80", "??"},             // overlong NUL
        {"\xED\xA0\x80", "???"},        // encoded surrogate
        {"\xF4\x90\x80\x80", "????"},   // beyond U+10FFFF
        {"\xA8\xE2\x82", "??"},         // truncated euro sign after a stray byte
        {"\xD0\x81\xE2\x82", "\xA8?"},  // "Ё" then a truncated sequence at the end
        {"\xE2\x82"
         "A",
         "?A"},  // truncated sequence mid-text keeps the next char
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.utf8);
        EXPECT_EQ(Utf8ToCp1251(c.utf8), c.expected);
    }

    EXPECT_EQ(Utf16ToCp1251(u"\U0001F600x"), "?x");  // surrogate pair
    EXPECT_EQ(Utf16ToCp1251(std::u16string(1, char16_t(0xD800)) + u"a"), "?a");
    EXPECT_EQ(Utf16ToCp1251(std::u16string(1, char16_t(0xDC00))), "?");
    EXPECT_EQ(Utf16ToCp1251(u"€№\uFFFF"), "\x88\xB9?");
}

TEST(Win1251Test, UpperCharFollowsRussianRules) {
    struct Case {
        int in, out;
    } cases[] = {
        {'a', 'A'},   {'z', 'Z'}, {'A', 'A'}, {'5', '5'}, {'[', '['}, {0xE0, 0xC0},  // а
        {0xFF, 0xDF},                                                                // я
        {0xC0, 0xC0},                                                                // А stays
        {0xB8, 0xA8},                                                                // ё
        {0xA8, 0xA8},                                                                // Ё stays
        {0xA2, 0xA1},                                                                // ў
        {0xB3, 0xB2},                                                                // і
        {0xBF, 0xAF},                                                                // ї
        {0xBA, 0xAA},                                                                // є
        {0xB4, 0xA5},                                                                // ґ
        {0xBC, 0xA3},                                                                // ј
        {0xBE, 0xBD},                                                                // ѕ
        {0x9A, 0x8A},                                                                // љ
        {0x9F, 0x8F},                                                                // џ
        {0x83, 0x81},                                                                // ѓ
        {0x90, 0x80},                                                                // ђ
        {0xB5, 0xB5},  // µ has no capital in the code page
        {0xB9, 0xB9},  // №
        {0xA0, 0xA0},  // no-break space
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.in);
        EXPECT_EQ(UpperChar(char(c.in)), char(c.out));
    }

    const std::string mixed = Utf8ToCp1251("Ёлка, ёж и Apple-5");
    const std::string upper = Utf8ToCp1251("ЁЛКА, ЁЖ И APPLE-5");
    EXPECT_EQ(Upper(mixed), upper);
    std::string inPlace = mixed;
    UpperInPlace(inPlace);
    EXPECT_EQ(inPlace, upper);
}

int Sign(int v) {
    return (v > 0) - (v < 0);
}

TEST(Win1251Test, CompareNoCaseSortsAlphabetically) {
    // Strictly ascending. Byte order would get most of these wrong: 'a' after
    // 'B', Ё (0xA8) and № (0xB9) before every Cyrillic capital.
    const std::vector<std::string> ascending = {
        "",
        " ",
        "-x",
        "1",
        "9",
        "\xB9",  // № is not a letter
        "apple",
        "Banana",
        "cherry",
        "Z",
        "zz",
        Utf8ToCp1251("аист"),
        Utf8ToCp1251("Гора"),
        Utf8ToCp1251("ґанок"),
        Utf8ToCp1251("Дом"),
        Utf8ToCp1251("Еж"),
        Utf8ToCp1251("ежевика"),
        Utf8ToCp1251("Ёж"),
        Utf8ToCp1251("ёжик"),
        Utf8ToCp1251("Жук"),
        Utf8ToCp1251("Иней"),
        Utf8ToCp1251("ікра"),
        Utf8ToCp1251("Яма"),
    };
    for (size_t i = 0; i < ascending.size(); ++i) {
        for (size_t j = 0; j < ascending.size(); ++j) {
            SCOPED_TRACE(Cp1251ToUtf8(ascending[i]) + " vs " + Cp1251ToUtf8(ascending[j]));
            int expected = i < j ? -1 : (i > j ? 1 : 0);
            EXPECT_EQ(Sign(CompareNoCase(ascending[i], ascending[j])), expected);
        }
    }

    // Sorting with it yields the same order from any starting permutation.
    std::vector<std::string> shuffled(ascending.rbegin(), ascending.rend());
    std::rotate(shuffled.begin(), shuffled.begin() + 7, shuffled.end());
    std::sort(shuffled.begin(), shuffled.end(),
              [](const std::string& a, const std::string& b) { return CompareNoCase(a, b) < 0; });
    EXPECT_EQ(shuffled, ascending);
}

TEST(Win1251Test, CompareNoCaseIgnoresCaseOfEveryLetter) {
    const char* pairs[][2] = {
        {"Apple", "aPPLE"},
        {"ЁЖИК", "ёжик"},
        {"Привет, Мир!", "пРИВЕТ, мИР!"},
        {"ЎЇІЄҐЈЅЉЊЂЃЌЋЏ", "ўїієґјѕљњђѓќћџ"},
    };
    for (const auto& p : pairs) {
        SCOPED_TRACE(p[0]);
        EXPECT_EQ(CompareNoCase(Utf8ToCp1251(p[0]), Utf8ToCp1251(p[1])), 0);
    }
    // Different non-letters never compare equal.
    EXPECT_LT(CompareNoCase("a\xB5", "A\xB6"), 0);  // µ ¶
    EXPECT_NE(CompareNoCase("\xA0", " "), 0);
}

TEST(Win1251Test, CompareNoCaseNComparesExactlyNBytes) {
    EXPECT_EQ(CompareNoCaseN("ab\0\0", "AB\0\0", 4), 0);
    EXPECT_EQ(CompareNoCaseN("abX", "ABY", 2), 0);                    // bytes past n are ignored
    EXPECT_LT(CompareNoCaseN("ab\0", "abc", 3), 0);                   // zero padding sorts first
    EXPECT_GT(CompareNoCaseN("\xC6\xF3\xEA", "\xB8\xE6\xE0", 3), 0);  // Жук > ёжа
    EXPECT_EQ(CompareNoCaseN("x", "y", 0), 0);
}

}  // namespace
}  // namespace text
