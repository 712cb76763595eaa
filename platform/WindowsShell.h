// The Windows shell's side of the program: shell links (.lnk files) made
// and read through IShellLinkW and IPersistFile, and the order file type in
// the registry of the current user.
//
// The file type (all default values, REG_SZ, under
// HKEY_CURRENT_USER\Software\Classes, which the system shows merged into
// HKEY_CLASSES_ROOT):
//
//   .zv                                 the type name ("Files of Zetrovo")
//   <type name>\DefaultIcon             "<program>,0"
//   <type name>\Shell\Open\command      "\"<program>\" \"%1\""
//
// Both the program and the file name are quoted, so that paths with blanks
// reach the program as one argument each.
//
// Thread safety: plain functions; each initialises COM on the calling
// thread for its own duration when needed.
#pragma once

#include <optional>
#include <string>

namespace platform {

struct ShellLink {
    std::string target;
    std::string arguments;
    std::string workingFolder;
    std::string iconPath;  // icon index 0; may be empty
};

// Writes the link file `linkPath` (replacing one that exists).
bool WriteShellLink(const std::string& linkPath, const ShellLink& link);
// Reads a link file back; nothing when it cannot be loaded.
std::optional<ShellLink> ReadShellLink(const std::string& linkPath);

// The open command written for `programPath`.
std::string FileTypeOpenCommand(const std::string& programPath);

// A default value (REG_SZ) under HKEY_CURRENT_USER\Software\Classes\<key>;
// nothing when the key or the value is missing or not text.
std::optional<std::string> ReadClassesValue(const std::string& key);
// Creates the key when needed and sets its default value.
bool WriteClassesValue(const std::string& key, const std::string& value);
// Removes the key and everything below it. For tests.
bool RemoveClassesKey(const std::string& key);

// Whether `extension` names `typeName` and that type's open command is the
// one written for `programPath`, or the older form without quotes
// ("<program> %1"), compared without case.
bool WindowsFileTypeOpensWith(const std::string& extension, const std::string& typeName,
                              const std::string& programPath);
// Writes the three values in table order, then tells the shell that file
// associations changed. False when a value could not be written.
bool WindowsRegisterFileType(const std::string& extension, const std::string& typeName,
                             const std::string& programPath);

// ShellExecuteW(nullptr, "open", target, ...): true when the result is above 32.
bool ShellOpen(const std::string& target);

}  // namespace platform
