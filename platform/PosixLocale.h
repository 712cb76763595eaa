// Turning a POSIX locale's conventions (nl_langinfo) into the program's
// number and date conventions. Split from LinuxPlatform so that the
// conversion can be tested with any locale's data, installed or not.
#pragma once

#include <string>
#include <string_view>

#include "platform/Platform.h"

namespace platform {

// `radix` and `thousands` are the locale's separators (UTF-8; a no-break
// space counts as a blank, any other character outside ASCII keeps the
// default), `dateFormat` and `timeFormat` its strftime patterns (D_FMT,
// T_FMT). The first punctuation character of the date pattern becomes the
// date separator and is written as '/', likewise the time separator as ':';
// other literal characters are quoted; conversions without an equivalent
// are dropped.
Platform::LocaleFormats FormatsFromLanginfo(std::string_view radix, std::string_view thousands,
                                            std::string_view dateFormat,
                                            std::string_view timeFormat);

}  // namespace platform
