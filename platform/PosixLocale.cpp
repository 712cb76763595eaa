#include "platform/PosixLocale.h"

#include <cctype>

namespace platform {

namespace {

// The one-byte form of a separator, or `fallback` when it has none.
char SeparatorChar(std::string_view s, char fallback) {
    if (s.size() == 1 && static_cast<unsigned char>(s[0]) < 0x80) return s[0];
    // U+00A0 no-break space and U+202F narrow no-break space.
    if (s == "\xC2\xA0" || s == "\xE2\x80\xAF") return ' ';
    return fallback;
}

// The engine's tokens for one strftime conversion, or empty.
std::string_view TokensFor(char conversion) {
    switch (conversion) {
        case 'd':
            return "dd";
        case 'e':
            return "d";
        case 'm':
            return "mm";
        case 'Y':
            return "yyyy";
        case 'y':
            return "yy";
        case 'a':
            return "ddd";
        case 'A':
            return "dddd";
        case 'b':
        case 'h':
            return "mmm";
        case 'B':
            return "mmmm";
        case 'H':
        case 'I':
            return "hh";
        case 'k':
        case 'l':
            return "h";
        case 'M':
            return "nn";
        case 'S':
            return "ss";
        default:
            return {};
    }
}

// Rewrites a strftime pattern in the engine's tokens. The first punctuation
// character outside a conversion becomes `separator` and is written as
// `placeholder`; other literal text goes into double quotes.
std::string ConvertPattern(std::string_view pattern, char placeholder, char& separator) {
    // Composite conversions carry their own separators; expand them first.
    std::string expanded;
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '%' && i + 1 < pattern.size()) {
            const char c = pattern[i + 1];
            if (c == 'D')
                expanded += "%m/%d/%y";
            else if (c == 'F')
                expanded += "%Y-%m-%d";
            else if (c == 'T')
                expanded += "%H:%M:%S";
            else if (c == 'R')
                expanded += "%H:%M";
            else if (c == 'r')
                expanded += "%I:%M:%S %p";
            else
                expanded.append(pattern.substr(i, 2));
            ++i;
        } else {
            expanded += pattern[i];
        }
    }

    std::string out;
    bool sawSeparator = false;
    std::string literal;
    auto flushLiteral = [&] {
        if (literal.empty()) return;
        out += '"';
        out += literal;
        out += '"';
        literal.clear();
    };
    for (size_t i = 0; i < expanded.size(); ++i) {
        const char c = expanded[i];
        if (c == '%' && i + 1 < expanded.size()) {
            size_t at = i + 1;
            // Flags of GNU strftime ("%-d", "%_H", "%Ey"); "-" and "_" drop
            // the leading zero.
            bool unpadded = false;
            while (at < expanded.size() &&
                   std::string_view("-_0^#EO").find(expanded[at]) != std::string_view::npos) {
                unpadded = unpadded || expanded[at] == '-' || expanded[at] == '_';
                ++at;
            }
            if (at >= expanded.size()) break;
            flushLiteral();
            std::string_view tokens = TokensFor(expanded[at]);
            if (unpadded && tokens.size() == 2 && tokens != "yy") tokens = tokens.substr(0, 1);
            out += tokens;
            i = at;
            continue;
        }
        const bool punctuation = std::ispunct(static_cast<unsigned char>(c)) && c != '"';
        if (punctuation && (!sawSeparator || c == separator)) {
            flushLiteral();
            separator = c;
            sawSeparator = true;
            out += placeholder;
        } else if (c == ' ') {
            flushLiteral();
            out += c;
        } else if (c != '"') {
            literal += c;
        }
    }
    flushLiteral();
    while (!out.empty() && out.back() == ' ') out.pop_back();
    return out;
}

}  // namespace

Platform::LocaleFormats FormatsFromLanginfo(std::string_view radix, std::string_view thousands,
                                            std::string_view dateFormat,
                                            std::string_view timeFormat) {
    Platform::LocaleFormats f;
    f.decimalSeparator = SeparatorChar(radix, f.decimalSeparator);
    f.thousandSeparator = thousands.empty() ? ' ' : SeparatorChar(thousands, ' ');
    if (f.thousandSeparator == f.decimalSeparator) f.thousandSeparator = ' ';
    if (!dateFormat.empty()) {
        const std::string converted = ConvertPattern(dateFormat, '/', f.dateSeparator);
        if (!converted.empty()) f.shortDateFormat = converted;
    }
    if (!timeFormat.empty()) {
        const std::string converted = ConvertPattern(timeFormat, ':', f.timeSeparator);
        if (!converted.empty()) f.longTimeFormat = converted;
    }
    return f;
}

}  // namespace platform
