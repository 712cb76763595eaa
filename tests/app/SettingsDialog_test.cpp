// The settings dialog "Реквизиты покупателя": loading, the closing rules,
// the requisites check, the keyboard and the folder chooser.
#include <gtest/gtest.h>

#include <QDir>

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <fstream>
#include <iterator>

#include "app/SettingsDialog.h"
#include "core/Settings.h"
#include "engine/text/Win1251.h"
#include "platform/Platform.h"
#include "qtsupport/ScriptedPrompter.h"
#include "support/FileBytes.h"
#include "support/TempFolder.h"

namespace app {
namespace {

using testing_support::ReadBytes;
using testing_support::WriteBytes;

using testing_support::ScopedPrompter;
using testing_support::ScriptedPrompter;
using testing_support::TempFolder;

// The settings file after a first start, with a line the wholesaler added
// and a comment; written before the dialog is created, which loads it.
std::string FirstStartSettings(const TempFolder& folder) {
    const std::string file = folder.File("Zetrovo.ini");
    std::ofstream(file, std::ios::binary)
        << text::Utf8ToCp1251("; kept\r\n[Client]\r\nKlient=Новый клиент\r\nManager=m@x\r\n");
    return file;
}

class SettingsDialogTest : public ::testing::Test {
  protected:
    void Fill(const char* firm, const char* address, const char* phone, const char* contact,
              const char* folder) {
        dialog_.EditNameFirm()->setText(QString::fromUtf8(firm));
        dialog_.EditAddress()->setText(QString::fromUtf8(address));
        dialog_.EditPhone()->setText(QString::fromUtf8(phone));
        dialog_.EditContacter()->setText(QString::fromUtf8(contact));
        dialog_.ImagDir()->setText(QString::fromUtf8(folder));
    }

    TempFolder folder_;
    std::string file_ = FirstStartSettings(folder_);
    ScriptedPrompter prompter_;
    ScopedPrompter usePrompter_{prompter_};
    app::SettingsDialog dialog_{file_};  // created after the file: loads it
};

TEST_F(SettingsDialogTest, LoadsTheFileAndOkWritesEveryFieldAsTyped) {
    EXPECT_EQ(dialog_.windowTitle(), QString::fromUtf8("Реквизиты покупателя"));
    EXPECT_EQ(dialog_.EditNameFirm()->text(), QString::fromUtf8("Новый клиент"));
    EXPECT_TRUE(dialog_.EditAddress()->text().isEmpty());
    EXPECT_FALSE(dialog_.RequisitesFilled()) << "only the firm is known after the first start";

    int accepted = 0;
    dialog_.onAccepted = [&] {
        ++accepted;
        EXPECT_EQ(core::ReadSetting(file_, "Client", "FotoDir"), "/photos") << "written before";
    };
    Fill(" ООО \"Ромашка\" ", "", "1", "Б", "/photos ");
    dialog_.accept();
    EXPECT_EQ(accepted, 1);
    EXPECT_EQ(dialog_.result(), QDialog::Accepted);
    // Existing keys keep their lines; new ones follow in the writing order;
    // texts are not trimmed, empty ones are written empty.
    EXPECT_EQ(ReadBytes(file_),
              text::Utf8ToCp1251("; kept\r\n[Client]\r\nKlient= ООО \"Ромашка\" \r\nManager=m@x\r\n"
                                 "Adres=\r\nTelefon=1\r\nKontaktLico=Б\r\nFotoDir=/photos \r\n"));
    EXPECT_TRUE(prompter_.shown.empty());
}

TEST_F(SettingsDialogTest, CancelWritesNothingButKeepsTheTypedTexts) {
    const std::string before = ReadBytes(file_);
    bool accepted = false;
    dialog_.onAccepted = [&] { accepted = true; };
    Fill("Фирма", "Адрес", "", "Лицо", "");
    dialog_.EditPhone()->setText(QStringLiteral("123"));
    dialog_.reject();
    EXPECT_FALSE(accepted);
    EXPECT_EQ(ReadBytes(file_), before);
    EXPECT_EQ(dialog_.EditPhone()->text(), "123");
    EXPECT_TRUE(dialog_.RequisitesFilled()) << "the check reads the fields, not the file";
}

TEST_F(SettingsDialogTest, RequisitesCheckIgnoresBlanksAndThePhotoFolder) {
    struct Case {
        const char* firm;
        const char* address;
        const char* phone;
        const char* contact;
        bool filled;
    } const cases[] = {
        {"A", "B", "1", "C", true}, {"   ", "B", "1", "C", false}, {"A", " \t", "1", "C", false},
        {"A", "B", "", "C", false}, {"A", "B", "1", " ", false},   {" A ", "B", "1", "C", true},
    };
    for (const Case& c : cases) {
        Fill(c.firm, c.address, c.phone, c.contact, "");
        EXPECT_EQ(dialog_.RequisitesFilled(), c.filled)
            << c.firm << "|" << c.address << "|" << c.phone << "|" << c.contact;
    }
}

// A refused write is reported with its message; the later fields are not
// written, onAccepted is not called and the dialog stays open.
TEST_F(SettingsDialogTest, RefusedWriteStopsTheClosing) {
    const std::string before = ReadBytes(file_);
    ASSERT_TRUE(platform::CurrentPlatform().SetReadOnly(file_, true));
    bool accepted = false;
    dialog_.onAccepted = [&] { accepted = true; };
    dialog_.show();
    Fill("A", "B", "1", "C", "/p");
    dialog_.accept();
    platform::CurrentPlatform().SetReadOnly(file_, false);

    ASSERT_EQ(prompter_.Kinds(), std::vector{ScriptedPrompter::Kind::Error});
    EXPECT_EQ(prompter_.shown[0].text, QString::fromStdString("Unable to write to " + file_));
    EXPECT_FALSE(accepted);
    EXPECT_TRUE(dialog_.isVisible());
    EXPECT_EQ(ReadBytes(file_), before);
    dialog_.hide();
}

TEST_F(SettingsDialogTest, TabOrderStartsWithTheButtons) {
    std::vector<QWidget*> order;
    QWidget* w = dialog_.OkButton();
    do {
        if (w->focusPolicy() & Qt::TabFocus) order.push_back(w);
        w = w->nextInFocusChain();
    } while (w != dialog_.OkButton());
    const std::vector<QWidget*> expected = {
        dialog_.OkButton(),    dialog_.CancelButton(),  dialog_.EditNameFirm(),
        dialog_.EditAddress(), dialog_.EditContacter(), dialog_.EditPhone(),
        dialog_.ImagDir(),     dialog_.ImagDirButton(),
    };
    EXPECT_EQ(order, expected);
}

// Enter in a field means OK; Enter on the focused "Отмена" and Esc cancel.
TEST_F(SettingsDialogTest, EnterAndEscape) {
    struct Case {
        QWidget* target;
        Qt::Key key;
        int result;
    } const cases[] = {
        {dialog_.CancelButton(), Qt::Key_Return, QDialog::Rejected},
        {dialog_.EditPhone(), Qt::Key_Escape, QDialog::Rejected},
        {dialog_.EditPhone(), Qt::Key_Return, QDialog::Accepted},
    };
    for (const Case& c : cases) {
        const std::string before = ReadBytes(file_);
        dialog_.setResult(-1);
        dialog_.show();
        dialog_.EditPhone()->setText(QString::number(int(c.key)));
        QTest::keyClick(c.target, c.key);
        EXPECT_EQ(dialog_.result(), c.result) << c.key;
        EXPECT_FALSE(dialog_.isVisible());
        if (c.result == QDialog::Accepted)
            EXPECT_EQ(core::ReadSetting(file_, "Client", "Telefon"), std::to_string(int(c.key)));
        else
            EXPECT_EQ(ReadBytes(file_), before) << c.key;
    }
}

TEST_F(SettingsDialogTest, FolderChooserFillsTheFieldUnlessCancelled) {
    dialog_.ImagDir()->setText(QStringLiteral("/old"));
    prompter_.fileAnswers = {{QStringLiteral("/new/photos")}, {}};
    // Shown in the system's own spelling.
    const QString chosen = QDir::toNativeSeparators(QStringLiteral("/new/photos"));
    dialog_.ImagDirButton()->click();
    EXPECT_EQ(dialog_.ImagDir()->text(), chosen);
    dialog_.ImagDirButton()->click();
    EXPECT_EQ(dialog_.ImagDir()->text(), chosen) << "cancelled";
    ASSERT_EQ(prompter_.shown.size(), 2u);
    EXPECT_EQ(prompter_.shown[0].kind, ScriptedPrompter::Kind::FolderName);
    EXPECT_EQ(prompter_.shown[0].details, "/old") << "starts in the field's folder";
    EXPECT_TRUE(prompter_.AllAnswered());
}

}  // namespace
}  // namespace app
