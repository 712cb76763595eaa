// Text at the Win32 boundary: paths and names are UTF-8 inside the program
// and UTF-16 at every call of the system's wide ("W") functions.
//
// Thread safety: plain functions.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// Invalid UTF-8 sequences become U+FFFD, so a broken name is refused by the
// system rather than cut short.
std::wstring WideFromUtf8(std::string_view text);
std::string Utf8FromWide(std::wstring_view text);

// The system's readable text for an error code of GetLastError(), without
// the trailing line break; "error N" when the system has none.
std::string SystemErrorText(uint32_t code);

}  // namespace platform
