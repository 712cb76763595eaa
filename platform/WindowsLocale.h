// The user's number and date conventions on Windows: GetLocaleInfoEx of the
// user's default locale, its pictures ("dd.MM.yyyy", "H:mm:ss") rewritten
// as strftime patterns and converted as on Linux (platform/PosixLocale.h),
// so that both systems give the same conventions for the same locale.
//
// Thread safety: plain functions.
#pragma once

#include <string>
#include <string_view>

#include "platform/Platform.h"

namespace platform {

// A Windows date or time picture (UTF-8) as a strftime pattern: "d" "%-d",
// "dd" "%d", "ddd" "%a", "dddd" "%A", "M" "%-m", "MM" "%m", "MMM" "%b",
// "MMMM" "%B", "y" and "yy" "%y", "yyyy" "%Y", "H" "%-H", "HH" "%H", "h"
// "%-I", "hh" "%I", "m" "%-M", "mm" "%M", "s" "%-S", "ss" "%S"; the AM/PM
// marker ("t", "tt") and the era ("g", "gg") are dropped; text in single
// quotes is literal ('' is a quote).
std::string StrftimeFromWindowsPicture(std::string_view picture);

// The conventions from the locale's own values (UTF-8), as GetLocaleInfoEx
// gives them for LOCALE_SDECIMAL, LOCALE_STHOUSAND, LOCALE_SSHORTDATE and
// LOCALE_STIMEFORMAT.
Platform::LocaleFormats FormatsFromWindowsLocale(std::string_view decimal,
                                                 std::string_view thousands,
                                                 std::string_view shortDate,
                                                 std::string_view timeFormat);

// The conventions of the user's default locale, with its name ("ru-RU").
Platform::LocaleFormats WindowsUserLocale();

}  // namespace platform
