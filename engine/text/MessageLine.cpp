#include "engine/text/MessageLine.h"

#include <algorithm>
#include <cstdint>

namespace text {

namespace {

// Length of the valid UTF-8 sequence at the start of `s` and its code
// point; 0 when the first byte does not begin one.
size_t Utf8Sequence(std::string_view s, uint32_t& cp) {
    const auto b = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char lead = b(0);
    size_t n;
    uint32_t min;
    if (lead < 0x80) {
        cp = lead;
        return 1;
    } else if ((lead & 0xE0) == 0xC0) {
        n = 2, min = 0x80, cp = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        n = 3, min = 0x800, cp = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        n = 4, min = 0x10000, cp = lead & 0x07;
    } else {
        return 0;
    }
    if (s.size() < n) return 0;
    for (size_t i = 1; i < n; ++i) {
        if ((b(i) & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (b(i) & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return n;
}

std::string Hex(const char* prefix, unsigned value) {
    static const char kDigits[] = "0123456789abcdef";
    std::string out = prefix;
    out += kDigits[(value >> 4) & 15];
    out += kDigits[value & 15];
    return out;
}

}  // namespace

std::string MessageLine(std::string_view utf8, size_t maxBytes) {
    if (utf8.empty()) return "failed without a message";
    constexpr std::string_view kCut = "...";
    std::string out;
    out.reserve(utf8.size());
    // Where the last piece ended that leaves room for the mark after it.
    size_t cutAt = 0;
    while (!utf8.empty()) {
        uint32_t cp = 0;
        size_t n = Utf8Sequence(utf8, cp);
        if (n == 0) {
            out += Hex("\\x", static_cast<unsigned char>(utf8[0]));
            n = 1;
        } else if (cp == '\\') {
            out += "\\\\";
        } else if (cp == '\t') {
            out += "\\t";
        } else if (cp == '\n') {
            out += "\\n";
        } else if (cp == '\r') {
            out += "\\r";
        } else if (cp < 0x20 || cp == 0x7F) {
            out += Hex("\\x", cp);
        } else if (cp >= 0x80 && cp <= 0x9F) {
            out += Hex("\\u00", cp);
        } else {
            out.append(utf8.substr(0, n));
        }
        utf8.remove_prefix(n);
        if (out.size() > maxBytes) {
            out.resize(cutAt);
            out += kCut;
            return out;
        }
        if (out.size() + kCut.size() <= maxBytes) cutAt = out.size();
    }
    return out;
}

}  // namespace text
