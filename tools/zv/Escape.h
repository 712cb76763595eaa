// The zv tool's text escapes: backslash as "\\", TAB as "\t", LF as "\n",
// CR as "\r". Applied to every text the tool prints or reads as a value.
#pragma once

#include <string>
#include <string_view>

namespace zv {

std::string Escape(std::string_view s);
// Unknown escapes and a trailing lone backslash are kept as they stand.
std::string Unescape(std::string_view s);

// Lower-case hexadecimal of bytes, and back (false on odd length or a
// non-hex digit).
std::string ToHex(std::string_view bytes);
bool FromHex(std::string_view hex, std::string& bytes);

}  // namespace zv
