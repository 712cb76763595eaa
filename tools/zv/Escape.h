// The zv tool's text escapes: backslash as "\\", TAB as "\t", LF as "\n",
// CR as "\r". Applied to every text the tool prints or reads as a value.
#pragma once

#include <string>
#include <string_view>

namespace zv {

std::string Escape(std::string_view s);
// Unknown escapes and a trailing lone backslash are kept as they stand.
std::string Unescape(std::string_view s);

// A message as one terminal line: backslash, TAB, LF and CR as above, every
// other control character (C0, DEL and the C1 range U+0080-U+009F, which
// terminals take for escape sequences) and every byte that is not part of
// valid UTF-8 as "\xHH" (or "\u00HH" for C1). Never empty: an empty
// message is named as such. `utf8` is terminal text.
std::string MessageLine(std::string_view utf8);

// Lower-case hexadecimal of bytes, and back (false on odd length or a
// non-hex digit).
std::string ToHex(std::string_view bytes);
bool FromHex(std::string_view hex, std::string& bytes);

}  // namespace zv
