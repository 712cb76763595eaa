// Windows-1251 tables and conversions.
//
// Everything here is driven by one table, the Unicode code point of each byte
// 0x80..0xFF. The upper-case table and the sort ranks are derived from it at
// compile time, so the three can never disagree. Comparison and upper-casing
// sit on hot paths (mask matching and sorting over a whole catalog), so both
// are one table look-up per byte.
#include "engine/text/Win1251.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <utility>

namespace text {
namespace {

// Marks 0x98; U+FFFF is a noncharacter, so no real text maps to it.
constexpr char32_t kUndefined = 0xFFFF;

// Code points of 0x80..0xFF; 0x98 is left undefined by the code page.
constexpr std::array<char32_t, 128> kHighHalf = {
    0x0402,     0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x20AC,     0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 88
    0x0452,     0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    kUndefined, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 98
    0x00A0,     0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  // A0
    0x0401,     0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // A8
    0x00B0,     0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x0451,     0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // B8
    0x0410,     0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,  // C0
    0x0418,     0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,  // C8
    0x0420,     0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,  // D0
    0x0428,     0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,  // D8
    0x0430,     0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,  // E0
    0x0438,     0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,  // E8
    0x0440,     0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,  // F0
    0x0448,     0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,  // F8
};

constexpr char32_t CodePoint(unsigned byte) {
    return byte < 0x80 ? char32_t(byte) : kHighHalf[byte - 0x80];
}

// The byte of a code point, or -1 when the code page lacks it.
constexpr int ByteOf(char32_t cp) {
    if (cp < 0x80) return int(cp);
    if (cp >= 0x0410 && cp <= 0x044F) return int(cp - 0x0410 + 0xC0);
    if (cp == kUndefined) return -1;
    for (unsigned i = 0; i < kHighHalf.size(); ++i) {
        if (kHighHalf[i] == cp) return int(0x80 + i);
    }
    return -1;
}

// Reverse map of the 0x80..0xBF block (the only irregular part), sorted by
// code point for a binary search.
using ReversePair = std::pair<char32_t, unsigned char>;
constexpr auto kReverse = [] {
    std::array<ReversePair, 63> pairs{};
    size_t n = 0;
    for (unsigned b = 0x80; b < 0xC0; ++b) {
        if (kHighHalf[b - 0x80] != kUndefined) pairs[n++] = {kHighHalf[b - 0x80], (unsigned char)b};
    }
    std::sort(pairs.begin(), pairs.end());
    return pairs;
}();

char ToByte(char32_t cp) {
    if (cp < 0x80) return char(cp);
    if (cp >= 0x0410 && cp <= 0x044F) return char(cp - 0x0410 + 0xC0);
    auto it = std::lower_bound(kReverse.begin(), kReverse.end(), ReversePair{cp, 0});
    if (it != kReverse.end() && it->first == cp) return char(it->second);
    return '?';
}

// Upper case of a Cyrillic code point, or the code point itself.
constexpr char32_t UpperCyrillic(char32_t cp) {
    if (cp >= 0x0430 && cp <= 0x044F) return cp - 0x20;  // а..я
    if (cp >= 0x0450 && cp <= 0x045F) return cp - 0x50;  // ѐ..џ (ё, ђ, є, і, ї, ј, љ, ...)
    if (cp == 0x0491) return 0x0490;                     // ґ
    return cp;
}

constexpr auto kUpper = [] {
    std::array<unsigned char, 256> table{};
    for (unsigned b = 0; b < 256; ++b) {
        table[b] = (unsigned char)b;
        if (b >= 'a' && b <= 'z') table[b] = (unsigned char)(b - 'a' + 'A');
        char32_t cp = CodePoint(b);
        char32_t up = UpperCyrillic(cp);
        if (up != cp && ByteOf(up) >= 0) table[b] = (unsigned char)ByteOf(up);
    }
    return table;
}();

// Cyrillic capitals in alphabetical order. The Russian alphabet with Ё right
// after Е; the letters of the code page that Russian lacks follow the Russian
// letter they are usually sorted after.
constexpr char32_t kCyrillicOrder[] = {
    0x0410,                  // А
    0x0411,                  // Б
    0x0412,                  // В
    0x0413, 0x0490, 0x0403,  // Г Ґ Ѓ
    0x0414, 0x0402,          // Д Ђ
    0x0415, 0x0401, 0x0404,  // Е Ё Є
    0x0416,                  // Ж
    0x0417, 0x0405,          // З Ѕ
    0x0418, 0x0406, 0x0407,  // И І Ї
    0x0419, 0x0408,          // Й Ј
    0x041A, 0x040C,          // К Ќ
    0x041B, 0x0409,          // Л Љ
    0x041C,                  // М
    0x041D, 0x040A,          // Н Њ
    0x041E,                  // О
    0x041F,                  // П
    0x0420,                  // Р
    0x0421,                  // С
    0x0422, 0x040B,          // Т Ћ
    0x0423, 0x040E,          // У Ў
    0x0424,                  // Ф
    0x0425,                  // Х
    0x0426,                  // Ц
    0x0427, 0x040F,          // Ч Џ
    0x0428,                  // Ш
    0x0429,                  // Щ
    0x042A,                  // Ъ
    0x042B,                  // Ы
    0x042C,                  // Ь
    0x042D,                  // Э
    0x042E,                  // Ю
    0x042F,                  // Я
};

// Sort rank of each byte: every non-letter by byte value, then A..Z, then
// the Cyrillic capitals in the order above; a lower-case letter shares the
// rank of its capital. Fewer than 256 ranks are needed, so a byte holds one.
constexpr auto kRank = [] {
    std::array<int, 256> letterRank{};  // 0: not a letter, else 1-based order
    int order = 0;
    for (unsigned c = 'A'; c <= 'Z'; ++c) letterRank[c] = ++order;
    for (char32_t cp : kCyrillicOrder) letterRank[unsigned(ByteOf(cp))] = ++order;

    std::array<unsigned char, 256> rank{};
    int next = 0;
    for (unsigned b = 0; b < 256; ++b) {
        if (letterRank[kUpper[b]] == 0) rank[b] = (unsigned char)next++;
    }
    for (unsigned b = 0; b < 256; ++b) {
        if (letterRank[kUpper[b]] != 0) rank[b] = (unsigned char)(next + letterRank[kUpper[b]] - 1);
    }
    return rank;
}();

unsigned char Rank(char c) {
    return kRank[(unsigned char)c];
}

int CompareRanks(const char* a, const char* b, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        if (a[i] == b[i]) continue;
        int d = int(Rank(a[i])) - int(Rank(b[i]));
        if (d != 0) return d;
    }
    return 0;
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

// Decodes one UTF-8 character at `pos` and advances past it. A malformed
// sequence yields -1 and is skipped as its longest valid-looking prefix (at
// least one byte), so one bad character gives one '?'.
long DecodeUtf8(std::string_view s, size_t& pos) {
    unsigned char lead = (unsigned char)s[pos++];
    if (lead < 0x80) return lead;
    int extra;
    char32_t cp;
    unsigned char lo = 0x80, hi = 0xBF;  // allowed range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        extra = 1;
        cp = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        extra = 2;
        cp = lead & 0x0F;
        if (lead == 0xE0) lo = 0xA0;  // overlong
        if (lead == 0xED) hi = 0x9F;  // surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        extra = 3;
        cp = lead & 0x07;
        if (lead == 0xF0) lo = 0x90;  // overlong
        if (lead == 0xF4) hi = 0x8F;  // beyond U+10FFFF
    } else {
        return -1;  // stray continuation byte, overlong lead or invalid byte
    }
    for (int i = 0; i < extra; ++i) {
        if (pos >= s.size()) return -1;
        unsigned char c = (unsigned char)s[pos];
        unsigned char min = i == 0 ? lo : 0x80, max = i == 0 ? hi : 0xBF;
        if (c < min || c > max) return -1;
        cp = (cp << 6) | (c & 0x3F);
        ++pos;
    }
    return long(cp);
}

}  // namespace

std::string Utf8ToCp1251(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    size_t pos = 0;
    while (pos < utf8.size()) {
        long cp = DecodeUtf8(utf8, pos);
        out += cp < 0 ? '?' : ToByte(char32_t(cp));
    }
    return out;
}

std::string Cp1251ToUtf8(std::string_view cp1251) {
    std::string out;
    out.reserve(cp1251.size() * 2);
    for (char c : cp1251) {
        char32_t cp = CodePoint((unsigned char)c);
        if (cp == kUndefined) cp = '?';
        AppendUtf8(out, cp);
    }
    return out;
}

std::u16string Cp1251ToUtf16(std::string_view cp1251) {
    std::u16string out;
    out.reserve(cp1251.size());
    for (char c : cp1251) {
        char32_t cp = CodePoint((unsigned char)c);
        if (cp == kUndefined) cp = '?';
        out += char16_t(cp);
    }
    return out;
}

std::string Utf16ToCp1251(std::u16string_view utf16) {
    std::string out;
    out.reserve(utf16.size());
    for (size_t i = 0; i < utf16.size(); ++i) {
        char16_t u = utf16[i];
        if (u >= 0xD800 && u <= 0xDFFF) {
            // A well-formed pair is one character outside the code page.
            if (u <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
                utf16[i + 1] <= 0xDFFF) {
                ++i;
            }
            out += '?';
        } else {
            out += ToByte(u);
        }
    }
    return out;
}

char UpperChar(char c) {
    return char(kUpper[(unsigned char)c]);
}

std::string Upper(std::string_view s) {
    std::string out(s);
    UpperInPlace(out);
    return out;
}

void UpperInPlace(std::string& s) {
    for (char& c : s) c = UpperChar(c);
}

int CompareNoCase(std::string_view a, std::string_view b) {
    int d = CompareRanks(a.data(), b.data(), std::min(a.size(), b.size()));
    if (d != 0) return d;
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

int CompareNoCaseN(const char* a, const char* b, size_t n) {
    return CompareRanks(a, b, n);
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (UpperChar(a[i]) != UpperChar(b[i])) return false;
    }
    return true;
}

}  // namespace text
