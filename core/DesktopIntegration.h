// The program's place on the user's desktop: the opener of order files
// (kept on every start), and on the first start the shortcuts and the
// settings file.
//
// All paths are full paths in the platform layer's form. Failures of the
// registration and of the shortcuts are silent: a desktop that refuses
// them is no reason to stop.
//
// Thread safety: GUI thread only.
#pragma once

#include <optional>
#include <string>

namespace core {

// The name order files' type is registered under, and their extension.
inline constexpr char kOrderFileType[] = "Files of Zetrovo";
inline constexpr char kOrderExtension[] = ".zv";

// Makes this program file the opener of order files unless it is already.
void RegisterOrderFileType();

// The desktop shortcut of the program and the menu folder "Зетрово" with
// the program and its help text `readmeFile`; both start in `programDir`.
void CreateShortcuts(const std::string& programDir, const std::string& readmeFile);

// True before the first start has written the settings file.
bool IsFirstStart(const std::string& settingsFile);

// The first start: the shortcuts, then the settings file with
// Klient=Новый клиент. Returns the message (Windows-1251) of a settings
// write that failed (a folder the user may not write to), else nothing.
// Opening the help text afterwards is the caller's.
std::optional<std::string> FirstStart(const std::string& programDir,
                                      const std::string& settingsFile,
                                      const std::string& readmeFile);

}  // namespace core
