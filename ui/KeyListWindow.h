// Help: the key list window and the opening of the help file.
//
// The key list is a small fixed dialog on a tooltip-yellow background: a
// framed two-column table of the keys the program understands and an "OK"
// button. It only lists them; the keys are handled by their own windows.
//
// Thread safety: GUI thread only.
#pragma once

#include <QDialog>
#include <functional>
#include <span>
#include <string>

namespace ui {

// One line of the key list: the key and what it does (UTF-8).
struct KeyListLine {
    const char* key;
    const char* text;
};

// The lines of the key list, in the order shown.
std::span<const KeyListLine> KeyListLines();

class KeyListWindow : public QDialog {
    Q_OBJECT

  public:
    explicit KeyListWindow(QWidget* parent = nullptr);

    // ActionHotKeys: creates the window, shows it modally, destroys it.
    static void Run(QWidget* parent);
};

// Opens a file with the program the desktop associates with it; false when
// that failed (no such file, no associated program).
using FileOpener = std::function<bool(const std::string& path)>;

// ActionHelp: opens the help file `readmePath` (UTF-8) with `opener`. On
// failure shows the information box "Не удается открыть файл '<path>'." and
// returns false.
bool OpenHelpFile(const std::string& readmePath, const FileOpener& opener);

}  // namespace ui
