// Fixed texts of the application shell.
#pragma once

namespace core {

// The application title: task bar, window caption, shortcut names and the
// error texts.
inline constexpr char kAppTitle[] = "Заявка по каталогу";

// The catalog file and the settings and help files, all in the program
// folder.
inline constexpr char kCatalogFileName[] = "price.zv";
inline constexpr char kSettingsFileName[] = "Zetrovo.ini";
inline constexpr char kReadmeFileName[] = "readme.txt";

}  // namespace core
