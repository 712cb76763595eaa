// A read-only look-up of one key in an INI settings file, for the update
// window's server key until the application's settings reader is at hand.
// Sections and keys match case-insensitively (ASCII), the first matching
// key wins, and surrounding blanks and one pair of quotes around the value
// are removed, as the profile functions do. The bytes are returned as they
// are in the file (Windows-1251).
#pragma once

#include <string>
#include <string_view>

namespace update {

// Empty when the file, the section or the key is missing.
std::string ReadIniValue(const std::string& path, std::string_view section, std::string_view key);

}  // namespace update
