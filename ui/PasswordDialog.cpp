#include "ui/PasswordDialog.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <utility>

#include "engine/storage/RidovSession.h"
#include "ui/QtPrompter.h"
#include "ui/Win1251Text.h"

namespace ui {

namespace {

PasswordDialogHook& Hook() {
    static PasswordDialogHook hook;
    return hook;
}

}  // namespace

// Laid out by position, as small as the prompt of old: 205 x 116.
PasswordDialog::PasswordDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Login password"));
    setFixedSize(205, 116);

    auto* label = new QLabel(QStringLiteral("Enter password:"), this);
    label->setGeometry(18, 7, 170, 28);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    edit_ = new QLineEdit(this);
    edit_->setMaxLength(255);
    edit_->setEchoMode(QLineEdit::Password);
    edit_->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));
    edit_->setGeometry(18, 45, 170, edit_->sizeHint().height());
    label->setBuddy(edit_);

    okButton_ = new QPushButton(QStringLiteral("OK"), this);
    okButton_->setGeometry(18, 77, 75, 25);
    okButton_->setDefault(true);
    cancelButton_ = new QPushButton(QStringLiteral("Cancel"), this);
    cancelButton_->setGeometry(113, 77, 75, 25);
    cancelButton_->setAutoDefault(false);
    connect(okButton_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);

    edit_->setFocus();
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void PasswordDialog::SetEntry(const QString& entry) {
    edit_->setText(entry);
    edit_->selectAll();
}

QString PasswordDialog::Entry() const {
    return edit_->text();
}

bool AskPassword(std::string& password) {
    if (!Hook() && NoDisplay()) {
        // Nobody could type an answer: the request counts as cancelled.
        ReportToStderr(QStringLiteral("Login password"), QStringLiteral("Enter password:"));
        return false;
    }
    PasswordDialog dialog(QApplication::activeWindow());
    dialog.SetEntry(FromWin1251(password));
    const int result = Hook() ? Hook()(dialog) : dialog.exec();
    if (result != QDialog::Accepted) return false;
    password = ToWin1251(dialog.Entry());
    return true;
}

PasswordDialogHook SetPasswordDialogHook(PasswordDialogHook hook) {
    return std::exchange(Hook(), std::move(hook));
}

void InstallPasswordPrompt(ridov::TRidovSession& session) {
    session.OnGetPassword = [](std::string& password) { return AskPassword(password); };
    session.OnShowMessage = [](const std::string& message) {
        CurrentPrompter().Plain(ApplicationTitle(), FromWin1251(message));
    };
}

}  // namespace ui
