// The about window: a small fixed dialog with the program's name and
// version in bold, a line on what it does, and "OK", which is both the
// default and the cancel button (Enter and Esc close the window).
//
// Thread safety: GUI thread only.
#pragma once

#include <QDialog>

namespace ui {

class AboutWindow : public QDialog {
    Q_OBJECT

  public:
    explicit AboutWindow(QWidget* parent = nullptr);

    // "Кронвел. Версия <version>".
    static QString VersionLine();

    // ActionAbout: creates the window, shows it modally, destroys it.
    static void Run(QWidget* parent);
};

}  // namespace ui
