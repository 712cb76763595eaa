// Every question, message box and file dialog of the program goes through a
// Prompter, so that tests can answer them with a script instead of a
// person. The real implementation (QtPrompter) shows Qt's boxes and
// dialogs; nothing else in the program calls QMessageBox or QFileDialog.
//
// Texts are the program's Russian texts as QString. The caption of every
// box is the application title unless a call says otherwise.
//
// Thread safety: GUI thread only.
#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace ui {

class Prompter {
  public:
    enum class Answer { Yes, No, All, Ok, Cancel };

    virtual ~Prompter() = default;

    // Whether a person can answer the questions below. A batch run asks
    // nobody when not: it reports instead and stops where it would ask.
    virtual bool CanAsk() const { return true; }

    // OK button only.
    virtual void Information(const QString& text) = 0;
    virtual void Warning(const QString& text) = 0;
    // Yes/No; true on Yes.
    virtual bool ConfirmYesNo(const QString& text) = 0;
    // OK/Cancel; true on OK.
    virtual bool ConfirmOkCancel(const QString& text) = 0;
    // Yes/No/All (the value-conversion question of the text import).
    virtual Answer ConfirmYesNoAll(const QString& text) = 0;
    // Error box with OK and a Help (details) button showing `details`.
    virtual void Error(const QString& text, const QString& details) = 0;
    // A plain box with the given caption and OK (the batch error report).
    virtual void Plain(const QString& caption, const QString& text) = 0;

    // File dialogs: an empty result means cancelled. `filter` is Qt's
    // filter syntax ("Заявки (*.zv);;Все файлы (*)").
    virtual QStringList OpenFileNames(const QString& caption, const QString& folder,
                                      const QString& filter) = 0;
    virtual QString SaveFileName(const QString& caption, const QString& proposedPath,
                                 const QString& filter) = 0;
    // A save dialog offering several file types ("A (*.a);;B (*.b)"), the
    // first chosen at the start. Also answers, in `typeIndex`, the index of
    // the type chosen when the dialog closed (0 for the first).
    virtual QString SaveFileNameOfType(const QString& caption, const QString& proposedPath,
                                       const QString& filters, int& typeIndex) = 0;
    virtual QString FolderName(const QString& caption, const QString& folder) = 0;
};

// The process's prompter: a QtPrompter parented to the active window by
// default. Tests install a scripted one and restore the previous (returned).
Prompter& CurrentPrompter();
Prompter* SetCurrentPrompter(Prompter* prompter);

}  // namespace ui
