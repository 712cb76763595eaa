// The settings file: reading and writing single values by section and key.
// Every call opens the file anew (no caching), so a value written by one call
// is seen by the next read and edits made outside the program are seen too.
//
// File names are native paths (UTF-8); section, key and value are
// Windows-1251 bytes. Section and key names are compared without regard to
// case; the file format is described in IniFile.h.
//
// Thread safety: none; the program calls these from the GUI thread.
#pragma once

#include <stdexcept>
#include <string>

namespace core {

// A settings write the platform refused. what() is "Unable to write to "
// followed by the file name.
class SettingsWriteError : public std::runtime_error {
  public:
    explicit SettingsWriteError(const std::string& file);
    const std::string& File() const { return file_; }

  private:
    std::string file_;
};

// The value, cut to 2047 characters, or an empty text when the file, the
// section or the key is missing or the file cannot be read.
std::string ReadSetting(const std::string& file, const std::string& section,
                        const std::string& key);

// Sets one value, creating the file and the section when missing; every
// other line of the file stays byte for byte. The file is replaced through
// the platform's atomic writer, so a failure or a crash leaves the old file
// whole. Throws SettingsWriteError when the file cannot be read (other than
// missing) or written, and WriteRefused when something other than a regular
// file is in its place; the file is then unchanged.
void WriteSetting(const std::string& file, const std::string& section, const std::string& key,
                  const std::string& value);

}  // namespace core
