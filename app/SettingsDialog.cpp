#include "app/SettingsDialog.h"

#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <utility>

#include "core/ClientInfo.h"
#include "core/Settings.h"
#include "core/WriteTarget.h"
#include "ui/Prompter.h"
#include "ui/Win1251Text.h"

namespace app {

SettingsDialog::SettingsDialog(std::string settingsFile, QWidget* parent)
    : QDialog(parent), settingsFile_(std::move(settingsFile)) {
    setObjectName(QStringLiteral("FormParams"));
    setWindowTitle(QStringLiteral("Реквизиты покупателя"));
    const QString hint = QStringLiteral(" Внесите информацию о заказчике и нажмите OK");
    setToolTip(hint.trimmed());
    setStatusTip(hint);

    editNameFirm_ = new QLineEdit(this);
    editAddress_ = new QLineEdit(this);
    editPhone_ = new QLineEdit(this);
    editContacter_ = new QLineEdit(this);
    imagDir_ = new QLineEdit(this);
    imagDirButton_ = new QToolButton(this);
    imagDirButton_->setText(QStringLiteral("..."));
    imagDirButton_->setFocusPolicy(Qt::StrongFocus);
    connect(imagDirButton_, &QToolButton::clicked, this, &app::SettingsDialog::ChooseFolder);

    auto* fields = new QGridLayout;
    const std::pair<const char*, QLineEdit*> rows[] = {
        {"Заказчик:", editNameFirm_},  {"Адрес:", editAddress_},
        {"Телефон:", editPhone_},      {"&Контактное лицо:", editContacter_},
        {"Фото запчастей:", imagDir_},
    };
    int row = 0;
    for (const auto& [caption, edit] : rows) {
        auto* label = new QLabel(QString::fromUtf8(caption), this);
        label->setBuddy(edit);
        fields->addWidget(label, row, 0);
        if (edit == imagDir_) {
            auto* folder = new QHBoxLayout;
            folder->addWidget(imagDir_);
            folder->addWidget(imagDirButton_);
            fields->addLayout(folder, row, 1);
        } else {
            fields->addWidget(edit, row, 1);
        }
        edit->setMinimumWidth(300);
        ++row;
    }

    okButton_ = new QPushButton(QStringLiteral("OK"), this);
    cancelButton_ = new QPushButton(QStringLiteral("Отмена"), this);
    // Enter means OK in the text fields; on a focused button it presses
    // that button, so Enter on "Отмена" cancels and never writes.
    okButton_->setDefault(true);
    connect(okButton_, &QPushButton::clicked, this, &app::SettingsDialog::accept);
    connect(cancelButton_, &QPushButton::clicked, this, &app::SettingsDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cancelButton_);
    buttons->addWidget(okButton_);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    setTabOrder(okButton_, cancelButton_);
    setTabOrder(cancelButton_, editNameFirm_);
    setTabOrder(editNameFirm_, editAddress_);
    setTabOrder(editAddress_, editContacter_);
    setTabOrder(editContacter_, editPhone_);
    setTabOrder(editPhone_, imagDir_);
    setTabOrder(imagDir_, imagDirButton_);
    okButton_->setFocus();

    auto load = [this](QLineEdit* edit, const char* key) {
        edit->setText(ui::FromWin1251(core::ReadSetting(settingsFile_, core::kClientSection, key)));
    };
    load(editNameFirm_, core::kKeyKlient);
    load(editAddress_, core::kKeyAdres);
    load(editPhone_, core::kKeyTelefon);
    load(editContacter_, core::kKeyKontaktLico);
    load(imagDir_, core::kKeyFotoDir);

    // The requisites follow the fields as they are typed: they are what
    // the fields hold, saved or not.
    const std::pair<QLineEdit*, std::string core::TClientInfo::*> requisites[] = {
        {editNameFirm_, &core::TClientInfo::klient},
        {editAddress_, &core::TClientInfo::adres},
        {editPhone_, &core::TClientInfo::telefon},
        {editContacter_, &core::TClientInfo::kontaktLico},
    };
    for (const auto& [edit, member] : requisites) {
        requisites_.*member = ui::ToWin1251(edit->text());
        connect(edit, &QLineEdit::textChanged, this,
                [this, member](const QString& text) { requisites_.*member = ui::ToWin1251(text); });
    }
}

bool SettingsDialog::RequisitesFilled() const {
    return core::RequisitesFilled(requisites_);
}

void SettingsDialog::accept() {
    const std::pair<const char*, QLineEdit*> order[] = {
        {core::kKeyKlient, editNameFirm_}, {core::kKeyAdres, editAddress_},
        {core::kKeyTelefon, editPhone_},   {core::kKeyKontaktLico, editContacter_},
        {core::kKeyFotoDir, imagDir_},
    };
    try {
        for (const auto& [key, edit] : order)
            core::WriteSetting(settingsFile_, core::kClientSection, key,
                               ui::ToWin1251(edit->text()));
    } catch (const core::SettingsWriteError& e) {
        ui::CurrentPrompter().Error(QString::fromUtf8(e.what()), QString());
        return;
    } catch (const core::WriteRefused& refused) {
        ui::CurrentPrompter().Error(refused.Text(), QString());
        return;
    }
    QDialog::accept();
    if (onAccepted) onAccepted();
}

void SettingsDialog::ChooseFolder() {
    const QString folder =
        ui::CurrentPrompter().FolderName(QStringLiteral("Фото запчастей"), imagDir_->text());
    if (!folder.isEmpty()) imagDir_->setText(QDir::toNativeSeparators(folder));
}

}  // namespace app
