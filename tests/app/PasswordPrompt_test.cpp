// The password prompt of enciphered tables, answered by a script, and the
// Qt prompter on a platform without a display.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QTimer>
#include <deque>

#include "engine/dataset/RidovTable.h"
#include "engine/storage/DatabaseError.h"
#include "engine/storage/RidovSession.h"
#include "qtsupport/ScriptedPrompter.h"
#include "support/TempFolder.h"
#include "ui/PasswordDialog.h"
#include "ui/QtPrompter.h"

namespace ui {
namespace {

using testing_support::ScopedPrompter;
using testing_support::ScriptedPrompter;
using testing_support::TempFolder;

// Restores the previous dialog hook on leaving.
struct ScopedHook {
    explicit ScopedHook(PasswordDialogHook hook)
        : previous(SetPasswordDialogHook(std::move(hook))) {}
    ~ScopedHook() { SetPasswordDialogHook(previous); }
    PasswordDialogHook previous;
};

// A table enciphered with "secret", written with `session`, which then
// forgets the password again.
void WriteEnciphered(ridov::TRidovSession& session, const std::string& path) {
    ridov::TRidovTable table;
    table.SetSession(session);
    table.SetLoadMode(ridov::lmClear);
    table.Defs().Add("ID", ridov::DataType::String, 8);
    table.Open();
    table.SetPassword("secret");
    table.SaveToFile(path);
    table.Close();
    session.RemovePassword("secret");
}

struct PromptCase {
    const char* name;
    std::vector<const char*> entries;  // typed in turn; nullptr presses Cancel
    bool opens;
    int prompts;
    int rejectedMessages;
};

// Each prompt starts with the rejected entry, all selected; a wrong entry is
// followed by "Password is invalid. Try again" except after the last
// prompt; three wrong entries or Cancel end in the reader's error.
TEST(PasswordPrompt, ScriptedEntries) {
    const PromptCase cases[] = {
        {"right at once", {"secret"}, true, 1, 0},
        {"right after one wrong", {"wrong", "secret"}, true, 2, 1},
        {"three wrong", {"a", "b", "c"}, false, 3, 2},
        {"cancel", {nullptr}, false, 1, 0},
    };
    for (const PromptCase& c : cases) {
        TempFolder folder;
        ridov::TRidovSession session;
        InstallPasswordPrompt(session);
        WriteEnciphered(session, folder.File("t.zv"));

        ScriptedPrompter prompter;
        ScopedPrompter usePrompter(prompter);
        std::deque<const char*> entries(c.entries.begin(), c.entries.end());
        std::vector<QString> startedWith;
        ScopedHook hook([&](PasswordDialog& dialog) {
            EXPECT_EQ(dialog.windowTitle(), "Login password");
            EXPECT_EQ(dialog.Edit()->echoMode(), QLineEdit::Password);
            EXPECT_EQ(dialog.Edit()->maxLength(), 255);
            EXPECT_EQ(dialog.Edit()->selectedText(), dialog.Edit()->text());
            startedWith.push_back(dialog.Entry());
            if (entries.empty()) return int(QDialog::Rejected);
            const char* entry = entries.front();
            entries.pop_front();
            if (entry == nullptr) return int(QDialog::Rejected);
            dialog.Edit()->setText(QString::fromUtf8(entry));
            return int(QDialog::Accepted);
        });

        ridov::TRidovTable table;
        table.SetSession(session);
        table.SetTableName(folder.File("t.zv"));
        std::string error;
        try {
            table.Open();
        } catch (const ridov::DatabaseError& e) {
            error = e.what();
        }
        EXPECT_EQ(table.Active(), c.opens) << c.name;
        EXPECT_EQ(int(startedWith.size()), c.prompts) << c.name;
        for (size_t i = 1; i < startedWith.size(); ++i)
            EXPECT_EQ(startedWith[i], QString::fromUtf8(c.entries[i - 1])) << c.name;
        EXPECT_EQ(int(prompter.shown.size()), c.rejectedMessages) << c.name;
        for (const auto& shown : prompter.shown) {
            EXPECT_EQ(shown.kind, ScriptedPrompter::Kind::Plain);
            EXPECT_EQ(shown.text, ApplicationTitle());
            EXPECT_EQ(shown.details, "Password is invalid. Try again");
        }
        if (c.opens) {
            EXPECT_EQ(session.KnownPasswords(), std::vector<std::string>{"secret"}) << c.name;
        } else {
            EXPECT_NE(error.find("Invalid password. Table cannot be open"), std::string::npos)
                << c.name << ": " << error;
        }
    }
}

// Fails the test and closes any modal box a call leaves waiting.
class NoWaitGuard {
  public:
    NoWaitGuard() {
        QObject::connect(&timer_, &QTimer::timeout, [] {
            if (QWidget* box = QApplication::activeModalWidget()) {
                ADD_FAILURE() << "a box waited for a person";
                box->close();
            }
        });
        timer_.start(2000);
    }

  private:
    QTimer timer_;
};

// Without a display every box goes to stderr and answers its default
// button at once; file dialogs and the password dialog answer cancelled.
TEST(QtPrompterWithoutDisplay, WritesToStderrAndAnswersAtOnce) {
    ASSERT_TRUE(NoDisplay()) << "the tests run on the offscreen platform";
    NoWaitGuard guard;
    QtPrompter prompter;
    ::testing::internal::CaptureStderr();
    EXPECT_TRUE(prompter.ConfirmYesNo(QString::fromUtf8("Выйти из программы ?")));
    EXPECT_TRUE(prompter.ConfirmOkCancel(QStringLiteral("ok?")));
    EXPECT_EQ(prompter.ConfirmYesNoAll(QStringLiteral("all?")), Prompter::Answer::Yes);
    prompter.Information(QStringLiteral("info"));
    prompter.Error(QStringLiteral("failed"), QStringLiteral("details"));
    prompter.Plain(QStringLiteral("Caption"), QStringLiteral("plain"));
    EXPECT_TRUE(prompter.FolderName(QStringLiteral("folder"), QStringLiteral("/x")).isEmpty());
    EXPECT_TRUE(prompter.OpenFileNames(QStringLiteral("open"), {}, {}).isEmpty());
    EXPECT_TRUE(prompter.SaveFileName(QStringLiteral("save"), {}, {}).isEmpty());
    std::string password = "old";
    EXPECT_FALSE(AskPassword(password));
    EXPECT_EQ(password, "old");
    const QString err = QString::fromUtf8(::testing::internal::GetCapturedStderr());
    for (const char* line :
         {"Заявка по каталогу: Выйти из программы ?", "Заявка по каталогу: failed details",
          "Caption: plain", "Login password: Enter password:"}) {
        EXPECT_TRUE(err.contains(QString::fromUtf8(line))) << line << "\n" << err.toStdString();
    }
}

}  // namespace
}  // namespace ui
