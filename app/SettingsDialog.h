// SettingsDialog (object name "FormParams"), the settings dialog "Реквизиты покупателя": the
// customer's firm, address, phone, contact person and the photo folder.
//
// Creation loads the five fields from the settings file; they are not
// reloaded later, so the fields are the program's in-memory copy of the
// requisites: Requisites() follows them as they are typed, and the
// requisites check reads it, not the file. Closing with OK
// writes the fields, in the order firm, address, phone, contact person,
// photo folder, exactly as typed, then calls onAccepted. Cancel (or Esc)
// writes nothing and keeps the typed texts in the fields.
//
// Tests drive it without showing it: set the fields' texts, call accept()
// or reject().
//
// Thread safety: GUI thread only.
#pragma once

#include <QDialog>
#include <functional>
#include <string>

#include "core/ClientInfo.h"

class QLineEdit;
class QPushButton;
class QToolButton;

namespace app {

class SettingsDialog : public QDialog {
    Q_OBJECT

  public:
    // `settingsFile` is the settings file's native path.
    explicit SettingsDialog(std::string settingsFile, QWidget* parent = nullptr);

    QLineEdit* EditNameFirm() const { return editNameFirm_; }
    QLineEdit* EditAddress() const { return editAddress_; }
    QLineEdit* EditPhone() const { return editPhone_; }
    QLineEdit* EditContacter() const { return editContacter_; }
    // The photo folder's text field and the button beside it that opens the
    // folder chooser (Prompter::FolderName). The program takes the folder
    // from the settings file once it is saved.
    QLineEdit* ImagDir() const { return imagDir_; }
    QToolButton* ImagDirButton() const { return imagDirButton_; }
    QPushButton* OkButton() const { return okButton_; }
    QPushButton* CancelButton() const { return cancelButton_; }

    // Firm, address, phone and contact person as the fields hold them
    // (the rest of the record is empty).
    const core::TClientInfo& Requisites() const { return requisites_; }
    // core::RequisitesFilled of Requisites().
    bool RequisitesFilled() const;

    // Called after a closing with OK has written all five values; the main
    // window sets it (caption from LoadClientInfo, the photo folder).
    std::function<void()> onAccepted;

  public slots:
    // Writes the fields, closes the dialog and calls onAccepted. When a
    // write is refused, shows "Unable to write to <file>" through the
    // Prompter, makes none of the later writes and leaves the dialog open.
    void accept() override;

  private:
    void ChooseFolder();

    std::string settingsFile_;
    core::TClientInfo requisites_;
    QLineEdit* editNameFirm_;
    QLineEdit* editAddress_;
    QLineEdit* editPhone_;
    QLineEdit* editContacter_;
    QLineEdit* imagDir_;
    QToolButton* imagDirButton_;
    QPushButton* okButton_;
    QPushButton* cancelButton_;
};

}  // namespace app
