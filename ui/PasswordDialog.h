// The password prompt of enciphered tables: a small dialog "Login password"
// with "Enter password:", a masked edit of at most 255 characters and the
// buttons OK and Cancel, installed as the engine session's password request.
//
// Thread safety: GUI thread only.
#pragma once

#include <QDialog>
#include <functional>
#include <string>

class QLineEdit;
class QPushButton;

namespace ridov {
class TRidovSession;
}

namespace ui {

class PasswordDialog : public QDialog {
    Q_OBJECT

  public:
    explicit PasswordDialog(QWidget* parent = nullptr);

    // The edit starts with `entry`, all of it selected.
    void SetEntry(const QString& entry);
    QString Entry() const;

    QLineEdit* Edit() const { return edit_; }
    QPushButton* OkButton() const { return okButton_; }
    QPushButton* CancelButton() const { return cancelButton_; }

  private:
    QLineEdit* edit_;
    QPushButton* okButton_;
    QPushButton* cancelButton_;
};

// Asks for a password with the dialog. `password` comes in as the previous
// (rejected) entry, Windows-1251, and goes out as the new one. False when
// cancelled (then `password` is unchanged). Without a display (NoDisplay())
// and without a test hook it writes the prompt to stderr and answers
// cancelled, so that nothing waits for a person.
bool AskPassword(std::string& password);

// For tests: when set, AskPassword prepares the dialog and hands it to the
// hook instead of showing it; the hook answers with a QDialog result
// (Accepted or Rejected), for example after typing into Edit(). Returns the
// previous hook; an empty function shows the dialog again.
using PasswordDialogHook = std::function<int(PasswordDialog& dialog)>;
PasswordDialogHook SetPasswordDialogHook(PasswordDialogHook hook);

// Makes AskPassword the session's password request and shows the session's
// messages ("Password is invalid. Try again") through CurrentPrompter() as
// plain boxes with the application title.
void InstallPasswordPrompt(ridov::TRidovSession& session);

}  // namespace ui
