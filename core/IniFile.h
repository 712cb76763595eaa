// The settings file's text format: reading one value and replacing or adding
// one value in the bytes of an INI file, with the semantics of the classic
// profile-string functions. Pure functions on bytes; the file access is in
// Settings.h.
//
// Grammar (bytes are Windows-1251; blank = space or TAB):
//
//   file     = *line [last]
//   line     = text eol            eol  = CR LF / LF / CR
//   last     = text                (a final line without a line end)
//   section  = *blank "[" name "]" *any      the name is trimmed of blanks
//   entry    = key "=" value                 key: text before the first "=",
//                                            value: the rest; both trimmed
//   any other line (comment, blank line, text without "=") is no entry.
//
// Reading: the first section whose name equals the wanted one without
// regard to case (Russian case rules), then the first entry in it, up to the
// next section line, whose key equals the wanted key the same way. A value
// enclosed in a pair of like quotes (both ' or both ") is read without
// them; other quotes are part of the value.
//
// Writing replaces the line of that entry by `key=value` (keeping the key's
// spelling in the file and that line's line end), or inserts a new entry
// after the section's last non-blank line, or appends a new section at the
// end. Every other byte of the file stays as it was. New lines take the
// file's first line end, CR LF in a file that has none.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace core {

// Values are cut to this many characters when read.
inline constexpr size_t kMaxSettingLength = 2047;

// The value of `key` in `section`, or nothing when either is missing. Not
// cut to kMaxSettingLength (ReadSetting does that).
std::optional<std::string> FindIniValue(std::string_view file, std::string_view section,
                                        std::string_view key);

// `file` with `key` in `section` set to `value`. A line break inside `value`
// (CR or LF) becomes a blank, since it would otherwise end the entry and
// turn the rest into lines of its own. Blanks around `value` are kept as
// written but are trimmed again when read.
std::string WithIniValue(std::string_view file, std::string_view section, std::string_view key,
                         std::string_view value);

}  // namespace core
