// A message as one line of terminal text: what a program prints on
// standard error when a failure's text may come from a file (a damaged
// table's error image, a field name), so that no text can spread over
// many lines or send escape sequences to the terminal.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace text {

// A terminal line is cut here unless the caller asks otherwise.
inline constexpr size_t kUnlimitedMessageLine = std::string_view::npos;

// `utf8` as one line: backslash, TAB, LF and CR as "\\", "\t", "\n", "\r";
// every other control character (C0, DEL and the C1 range U+0080-U+009F,
// which terminals take for escape sequences) and every byte that is not
// part of valid UTF-8 as "\xHH" (or "\u00HH" for C1). Never empty: an empty
// message is named as such. A line longer than `maxBytes` ends with "..."
// after the whole characters and escapes that fit, so that the result is
// at most `maxBytes` bytes (REQUIRES: maxBytes >= 3).
std::string MessageLine(std::string_view utf8, size_t maxBytes = kUnlimitedMessageLine);

}  // namespace text
