// The real Prompter: Qt's message boxes and file dialogs with the program's
// Russian button texts and the application title as caption.
//
// Without a display (no GUI application, or the "offscreen" or "minimal"
// platform: tests, batch runs on a server) nothing is shown and nothing
// waits: each box writes its caption and text to stderr and answers its
// default button (the first: OK, Yes), file and folder dialogs answer
// "cancelled".
//
// Thread safety: GUI thread only.
#pragma once

#include <cstddef>

#include "ui/Prompter.h"

namespace ui {

// The application title, the caption of every box ("Заявка по каталогу").
QString ApplicationTitle();

// True when no window can be shown to a person: no QGuiApplication, or the
// "offscreen" or "minimal" platform. Modal dialogs must not be run then.
bool NoDisplay();

// Writes "<caption>: <text>" to stderr as one line (UTF-8; control
// characters escaped and the line cut at kMaxReportLine bytes as
// text::MessageLine does) and a line end.
inline constexpr size_t kMaxReportLine = 2000;
void ReportToStderr(const QString& caption, const QString& text);

class QtPrompter : public Prompter {
  public:
    // Boxes are parented to `parent`, or to the active window when null.
    explicit QtPrompter(QWidget* parent = nullptr) : parent_(parent) {}

    // False without a display (NoDisplay).
    bool CanAsk() const override;
    void Information(const QString& text) override;
    void Warning(const QString& text) override;
    bool ConfirmYesNo(const QString& text) override;
    bool ConfirmOkCancel(const QString& text) override;
    Answer ConfirmYesNoAll(const QString& text) override;
    // OK and "Справка"; "Справка" shows `details` in an information box and
    // the error box stays. Without details there is no "Справка" button.
    void Error(const QString& text, const QString& details) override;
    void Plain(const QString& caption, const QString& text) override;

    QStringList OpenFileNames(const QString& caption, const QString& folder,
                              const QString& filter) override;
    // No overwrite question of its own: callers ask theirs.
    QString SaveFileName(const QString& caption, const QString& proposedPath,
                         const QString& filter) override;
    QString SaveFileNameOfType(const QString& caption, const QString& proposedPath,
                               const QString& filters, int& typeIndex) override;
    QString FolderName(const QString& caption, const QString& folder) override;

  private:
    QWidget* Parent() const;

    QWidget* parent_;
};

}  // namespace ui
