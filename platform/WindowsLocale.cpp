#include "platform/WindowsLocale.h"

#include <windows.h>

#include "platform/PosixLocale.h"
#include "platform/WindowsText.h"

namespace platform {

namespace {

std::string_view ConversionFor(char letter, size_t count) {
    switch (letter) {
        case 'd':
            return count == 1 ? "%-d" : count == 2 ? "%d" : count == 3 ? "%a" : "%A";
        case 'M':
            return count == 1 ? "%-m" : count == 2 ? "%m" : count == 3 ? "%b" : "%B";
        case 'y':
            return count <= 2 ? "%y" : "%Y";
        case 'H':
            return count == 1 ? "%-H" : "%H";
        case 'h':
            return count == 1 ? "%-I" : "%I";
        case 'm':
            return count == 1 ? "%-M" : "%M";
        case 's':
            return count == 1 ? "%-S" : "%S";
        default:  // 't' (AM/PM), 'g' (era)
            return {};
    }
}

std::string LocaleValue(LCTYPE type) {
    wchar_t buffer[128];
    const int length = ::GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, type, buffer, 128);
    return length > 1 ? Utf8FromWide(std::wstring_view(buffer, static_cast<size_t>(length - 1)))
                      : std::string();
}

}  // namespace

std::string StrftimeFromWindowsPicture(std::string_view picture) {
    std::string out;
    for (size_t i = 0; i < picture.size();) {
        const char c = picture[i];
        if (c == '\'') {
            // Quoted text up to the closing quote; two quotes are one.
            ++i;
            while (i < picture.size()) {
                if (picture[i] == '\'') {
                    if (i + 1 < picture.size() && picture[i + 1] == '\'') {
                        out += '\'';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                if (picture[i] != '%') out += picture[i];
                ++i;
            }
            continue;
        }
        if (std::string_view("dMyHhmstg").find(c) != std::string_view::npos) {
            size_t count = 1;
            while (i + count < picture.size() && picture[i + count] == c) ++count;
            out += ConversionFor(c, count);
            i += count;
            continue;
        }
        if (c != '%') out += c;
        ++i;
    }
    return out;
}

Platform::LocaleFormats FormatsFromWindowsLocale(std::string_view decimal,
                                                 std::string_view thousands,
                                                 std::string_view shortDate,
                                                 std::string_view timeFormat) {
    return FormatsFromLanginfo(decimal, thousands, StrftimeFromWindowsPicture(shortDate),
                               StrftimeFromWindowsPicture(timeFormat));
}

Platform::LocaleFormats WindowsUserLocale() {
    Platform::LocaleFormats formats =
        FormatsFromWindowsLocale(LocaleValue(LOCALE_SDECIMAL), LocaleValue(LOCALE_STHOUSAND),
                                 LocaleValue(LOCALE_SSHORTDATE), LocaleValue(LOCALE_STIMEFORMAT));
    wchar_t name[LOCALE_NAME_MAX_LENGTH];
    if (::GetUserDefaultLocaleName(name, LOCALE_NAME_MAX_LENGTH) > 1)
        formats.name = Utf8FromWide(name);
    return formats;
}

}  // namespace platform
