// The desktop's side of the program on Linux, written the XDG way into the
// user's own folders only (never system-wide):
//
// File type. Files "*<extension>" get a MIME type of their own,
// "application/x-<id>" where <id> is DesktopId(type name) ("Files of
// Zetrovo" -> application/x-files-of-zetrovo), described by
//   <data>/mime/packages/<id>.xml          the type and its glob
// and opened by
//   <data>/applications/<id>.desktop       Exec="<program>" %F, NoDisplay
// made the type's default application in
//   <config>/mimeapps.list                 [Default Applications]
// after which the MIME database of <data>/mime is rebuilt with the system's
// update-mime-database. The association is in place when all three files
// say exactly that for this program file; otherwise all three are written
// again, so the extension is taken back from any other program at every
// start, and a copy of the program in another folder takes it over.
//
// Shortcuts. A desktop shortcut is <desktop>/<name>.desktop (a launcher,
// executable as desktops require). A menu entry is
// <data>/applications/<sub>-<name>.desktop with ASCII ids made by DesktopId;
// a menu folder is the directory entry <data>/desktop-directories/<sub>.directory
// and the merged menu <config>/menus/applications-merged/<sub>.menu, which
// lists every entry of that folder. A target that is not a program (a text
// file) is opened by xdg-open.
//
// Every file is replaced atomically (temporary file and rename); a failure
// leaves the files as they were and is only reported by the result.
//
// Thread safety: none; called from one thread.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace platform {

struct XdgFolders {
    std::string dataHome;    // $XDG_DATA_HOME or ~/.local/share
    std::string configHome;  // $XDG_CONFIG_HOME or ~/.config
    std::string desktop;     // XDG_DESKTOP_DIR or ~/Desktop
};

// Runs a helper program (argv[0] looked up in PATH) and waits for it; true
// when it ran and succeeded.
using ToolRunner = std::function<bool(const std::vector<std::string>& argv)>;

// A file-name id: lower-case ASCII letters and digits, Cyrillic letters
// transliterated, every other run of characters one "-" ("Заявка по
// каталогу" -> "zayavka-po-katalogu").
std::string DesktopId(const std::string& utf8Name);

// A value of a desktop entry's Exec key: `program` quoted as desktop
// entries require, then `arguments` as they are.
std::string DesktopExecValue(const std::string& program, const std::string& arguments);

// The MIME type of the order files.
std::string FileTypeMimeType(const std::string& typeName);

bool XdgFileTypeInPlace(const XdgFolders& folders, const std::string& extension,
                        const std::string& typeName, const std::string& programPath);
// Writes the association (see above) and rebuilds the MIME database with
// `runTool` ("update-mime-database <data>/mime"; its failure is ignored).
bool XdgRegisterFileType(const XdgFolders& folders, const std::string& extension,
                         const std::string& typeName, const std::string& programPath,
                         const ToolRunner& runTool);

// Creates or replaces the shortcut; Platform::UserFolder::DataHome is no
// shortcut folder (false).
bool XdgCreateShortcut(const XdgFolders& folders, const Platform::Shortcut& shortcut);

}  // namespace platform
