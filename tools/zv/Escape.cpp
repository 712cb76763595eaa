#include "tools/zv/Escape.h"

#include <cstdint>

namespace zv {

std::string Escape(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (char c : s) {
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string Unescape(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 1 < s.size()) {
            char n = s[i + 1];
            char r = n == '\\' ? '\\' : n == 't' ? '\t' : n == 'n' ? '\n' : n == 'r' ? '\r' : 0;
            if (r) {
                out += r;
                ++i;
                continue;
            }
        }
        out += s[i];
    }
    return out;
}

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

void AppendHex(std::string& out, const char* prefix, unsigned value) {
    static const char kDigits[] = "0123456789abcdef";
    out += prefix;
    out += kDigits[(value >> 4) & 15];
    out += kDigits[value & 15];
}

}  // namespace

std::string MessageLine(std::string_view utf8) {
    if (utf8.empty()) return "failed without a message";
    std::string out;
    out.reserve(utf8.size());
    while (!utf8.empty()) {
        uint32_t cp = 0;
        const size_t n = Utf8Sequence(utf8, cp);
        if (n == 0) {
            AppendHex(out, "\\x", static_cast<unsigned char>(utf8[0]));
            utf8.remove_prefix(1);
            continue;
        }
        if (cp == '\\' || cp == '\t' || cp == '\n' || cp == '\r') {
            out += Escape(utf8.substr(0, 1));
        } else if (cp < 0x20 || cp == 0x7F) {
            AppendHex(out, "\\x", cp);
        } else if (cp >= 0x80 && cp <= 0x9F) {
            AppendHex(out, "\\u00", cp);
        } else {
            out.append(utf8.substr(0, n));
        }
        utf8.remove_prefix(n);
    }
    return out;
}

std::string ToHex(std::string_view bytes) {
    static const char kDigits[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (unsigned char b : bytes) {
        out += kDigits[b >> 4];
        out += kDigits[b & 15];
    }
    return out;
}

bool FromHex(std::string_view hex, std::string& bytes) {
    auto digit = [](char c) {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    if (hex.size() % 2) return false;
    bytes.clear();
    for (size_t i = 0; i < hex.size(); i += 2) {
        int hi = digit(hex[i]), lo = digit(hex[i + 1]);
        if (hi < 0 || lo < 0) return false;
        bytes += static_cast<char>(hi * 16 + lo);
    }
    return true;
}

}  // namespace zv
