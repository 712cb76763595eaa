// Sending orders: the mail link for a table of settings (exact text and the
// URI handed to the desktop), the commands through the main window with the
// desktop's opener recorded, and the copy to removable media on folders
// standing in for them.
#include <gtest/gtest.h>

#include <QAction>
#include <QFileInfo>
#include <QUrl>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "engine/text/Win1251.h"
#include "orders/Sending.h"
#include "platform/NativePlatform.h"
#include "qtsupport/MainWindowFixture.h"
#include "support/FileBytes.h"

namespace orders {
namespace {

using testing_support::ReadBytes;
using testing_support::ScriptedPrompter;
using testing_support::TempFolder;
using testing_support::WriteBytes;
using Kind = ScriptedPrompter::Kind;

struct MailCase {
    const char* name;
    const char* settings;  // UTF-8 text of the settings file; null: no file
    const char* orderPath;
    const char* text;
};

TEST(MailLinkTest, RecipientSubjectBodyAndAttachmentFollowTheSettings) {
    const char* kRequisites =
        "[Client]\r\nKlient=Фирма\r\nTelefon=1\r\nKontaktLico=Лицо\r\nAdres=Адрес\r\n";
    const std::string withManager = std::string(kRequisites) + "Manager= boss@firm.ru \r\n";
    const std::string blankManager = std::string(kRequisites) + "Manager=   \r\n";
    const std::string ownAddress = std::string(kRequisites) + "OrderEmail=shop@x.ru\r\n";
    const MailCase cases[] = {
        {"no Manager", kRequisites, "/w/Zakaz1.zv",
         "mailto:zakaz@zetrovo.ru?subject=Фирма;1;Лицо;Адрес;&body=ВНИМАНИЕ!!! Не забудьте "
         "вложить файл заявки: \"/w/Zakaz1.zv\"&attach=\"/w/Zakaz1.zv\""},
        {"blank Manager", blankManager.c_str(), "/w/Zakaz1.zv",
         "mailto:zakaz@zetrovo.ru?subject=Фирма;1;Лицо;Адрес;&body=ВНИМАНИЕ!!! Не забудьте "
         "вложить файл заявки: \"/w/Zakaz1.zv\"&attach=\"/w/Zakaz1.zv\""},
        {"Manager set", withManager.c_str(), "/w/Zakaz1.zv",
         "mailto:boss@firm.ru?subject=Фирма;1;Лицо;Адрес;&body=ВНИМАНИЕ!!! Не забудьте "
         "вложить файл заявки: \"/w/Zakaz1.zv\"&attach=\"/w/Zakaz1.zv\""},
        {"order address set", ownAddress.c_str(), "/w/Zakaz1.zv",
         "mailto:shop@x.ru?subject=Фирма;1;Лицо;Адрес;&body=ВНИМАНИЕ!!! Не забудьте "
         "вложить файл заявки: \"/w/Zakaz1.zv\"&attach=\"/w/Zakaz1.zv\""},
        {"no requisites, blanks and Cyrillic in the path", nullptr, "/tmp/Мои заявки/Zakaz 1.zv",
         "mailto:zakaz@zetrovo.ru?subject=;;;;&body=ВНИМАНИЕ!!! Не забудьте вложить файл "
         "заявки: \"/tmp/Мои заявки/Zakaz 1.zv\"&attach=\"/tmp/Мои заявки/Zakaz 1.zv\""},
    };
    for (const MailCase& c : cases) {
        TempFolder dir;
        const std::string settings = dir.File("Zetrovo.ini");
        if (c.settings) WriteBytes(settings, text::Utf8ToCp1251(c.settings));
        const MailLink link = OrderMail(settings, QString::fromUtf8(c.orderPath));
        EXPECT_EQ(link.Text(), QString::fromUtf8(c.text)) << c.name;
        // The URI is the same link, encoded: nothing but the values changes.
        const QByteArray uri = link.Uri();
        EXPECT_EQ(QUrl::fromPercentEncoding(uri), QString::fromUtf8(c.text)) << c.name;
        for (char ch : uri)
            EXPECT_TRUE(QByteArray("%@:?=&-._~").contains(ch) || std::isalnum((unsigned char)ch))
                << c.name << ": " << uri.toStdString();
    }

    TempFolder dir;
    const MailLink pinned = OrderMail(dir.File("none.ini"), "/tmp/Мои заявки/Zakaz 1.zv");
    EXPECT_EQ(pinned.Uri(),
              "mailto:zakaz@zetrovo.ru?subject=%3B%3B%3B%3B&body=%D0%92%D0%9D%D0%98%D0%9C%D0%90"
              "%D0%9D%D0%98%D0%95%21%21%21%20%D0%9D%D0%B5%20%D0%B7%D0%B0%D0%B1%D1%83%D0%B4%D1%8C"
              "%D1%82%D0%B5%20%D0%B2%D0%BB%D0%BE%D0%B6%D0%B8%D1%82%D1%8C%20%D1%84%D0%B0%D0%B9%D0"
              "%BB%20%D0%B7%D0%B0%D1%8F%D0%B2%D0%BA%D0%B8%3A%20%22%2Ftmp%2F%D0%9C%D0%BE%D0%B8%20"
              "%D0%B7%D0%B0%D1%8F%D0%B2%D0%BA%D0%B8%2FZakaz%201.zv%22&attach=%22%2Ftmp%2F%D0%9C"
              "%D0%BE%D0%B8%20%D0%B7%D0%B0%D1%8F%D0%B2%D0%BA%D0%B8%2FZakaz%201.zv%22");
    EXPECT_EQ(EmptyMail(dir.File("none.ini")).Text(),
              "mailto:zakaz@zetrovo.ru?subject=&body=&attach=\"\"");
}

// The real platform, except that the desktop's opener and the removable
// media are played by the test.
class DesktopPlatform : public platform::NativePlatform {
  public:
    using platform::NativePlatform::NativePlatform;
    bool OpenWithAssociatedProgram(const std::string& target) override {
        opened.push_back(target);
        return openerExists;
    }
    std::vector<std::string> RemovableMedia() override { return media; }

    std::vector<std::string> opened;
    bool openerExists = true;
    std::vector<std::string> media;
};

class SendingTest : public testing_support::MainWindowTest {
  protected:
    SendingTest() { previous_ = platform::SetCurrentPlatform(&os); }
    ~SendingTest() override { platform::SetCurrentPlatform(previous_); }

    // An order with one line in a new tab.
    QString OpenOrder() {
        tabs->NewOrder();
        EXPECT_EQ(tabs->Count(), 1);
        return tabs->ActivePath();
    }

    DesktopPlatform os;
    platform::Platform* previous_ = nullptr;
};

TEST_F(SendingTest, MailAndWebCommandsOpenTheirLinksOrSayWhatIsMissing) {
    // Without an order the order commands do nothing, even called directly.
    SendOrderByMail(core::DataModule::EnginePath(dm->SettingsFile), tabs->ActivePath());
    CopyOrderToRemovableMedium(tabs->ActivePath());
    window->AppIdle();
    EXPECT_FALSE(window->Actions().ActionSendTo->isEnabled());
    EXPECT_FALSE(window->Actions().ActionCopyTo->isEnabled());
    EXPECT_TRUE(os.opened.empty());

    const QString order = OpenOrder();
    window->AppIdle();
    EXPECT_TRUE(window->Actions().ActionSendTo->isEnabled());
    EXPECT_TRUE(window->Actions().ActionCopyTo->isEnabled());
    window->Actions().ActionSendTo->trigger();
    ASSERT_EQ(os.opened.size(), 1u);
    EXPECT_EQ(QUrl::fromPercentEncoding(QByteArray::fromStdString(os.opened[0])),
              OrderMail(File("Zetrovo.ini"), order).Text());
    EXPECT_TRUE(prompter.shown.empty());

    window->Actions().ActionEmail->trigger();
    window->Actions().ActionWeb->trigger();
    EXPECT_EQ(os.opened[1], "mailto:zakaz@zetrovo.ru?subject=&body=&attach=%22%22");
    EXPECT_EQ(os.opened[2], "http://www.zetrovo.ru");
    EXPECT_EQ(window->Actions().ActionWeb->text(), "Открыть сайт ");
    EXPECT_EQ(window->Actions().ActionWeb->statusTip(), "Открыть сайт http://www.zetrovo.ru");

    os.openerExists = false;
    window->Actions().ActionSendTo->trigger();
    window->Actions().ActionEmail->trigger();
    window->Actions().ActionWeb->trigger();
    EXPECT_EQ(prompter.Texts(),
              (QStringList{"Почтовая программа не обнаружена.", "Почтовая программа не обнаружена.",
                           "Интернет браузер не обнаружен."}));
    EXPECT_EQ(prompter.Kinds(),
              (std::vector<Kind>{Kind::Information, Kind::Information, Kind::Information}));
}

TEST_F(SendingTest, TheWebAddressComesFromTheSettingsWhenGiven) {
    std::ofstream(File("Zetrovo.ini"), std::ios::app) << "WebSite= https://shop.example/ \r\n";
    window->Actions().ActionWeb->trigger();
    EXPECT_EQ(os.opened, std::vector<std::string>{"https://shop.example/"});
}

TEST_F(SendingTest, CopyGoesToTheOnlyMediumUnderTheOrdersName) {
    const QString order = OpenOrder();
    const std::string name = QFileInfo(order).fileName().toStdString();

    window->Actions().ActionCopyTo->trigger();  // no medium: nothing, silently
    EXPECT_TRUE(prompter.shown.empty());

    TempFolder stick;
    os.media = {stick.Path()};
    EXPECT_EQ(CopyOrderToRemovableMedium(order), CopyOutcome::Copied);
    EXPECT_EQ(stick.Names(), std::set<std::string>{name});
    EXPECT_EQ(ReadBytes(stick.File(name)), ReadBytes(order.toStdString()));
    EXPECT_TRUE(prompter.shown.empty());

    // A file of that name is replaced only after the question.
    WriteBytes(stick.File(name), "older");
    prompter.answers = {ui::Prompter::Answer::No, ui::Prompter::Answer::Yes};
    EXPECT_EQ(CopyOrderToRemovableMedium(order), CopyOutcome::Cancelled);
    EXPECT_EQ(ReadBytes(stick.File(name)), "older");
    window->Actions().ActionCopyTo->trigger();
    EXPECT_EQ(ReadBytes(stick.File(name)), ReadBytes(order.toStdString()));
    const QString question = QStringLiteral("Файл '%1' уже существует. Перезаписать его ?")
                                 .arg(QString::fromStdString(stick.File(name)));
    EXPECT_EQ(prompter.Texts(), (QStringList{question, question}));
    EXPECT_EQ(stick.Names(), std::set<std::string>{name});
}

TEST_F(SendingTest, WithSeveralMediaTheUserPicksOne) {
    const QString order = OpenOrder();
    const std::string name = QFileInfo(order).fileName().toStdString();
    TempFolder media;
    std::filesystem::create_directories(media.File("A/inner"));
    std::filesystem::create_directories(media.File("B"));
    std::filesystem::create_directories(media.File("C"));
    os.media = {media.File("A"), media.File("B")};

    prompter.fileAnswers = {{},
                            {QString::fromStdString(media.File("C"))},
                            {QString::fromStdString(media.File("B"))},
                            {QString::fromStdString(media.File("A/inner"))}};
    EXPECT_EQ(CopyOrderToRemovableMedium(order), CopyOutcome::Cancelled);
    EXPECT_EQ(CopyOrderToRemovableMedium(order), CopyOutcome::Cancelled);  // not a medium
    EXPECT_EQ(CopyOrderToRemovableMedium(order), CopyOutcome::Copied);
    EXPECT_EQ(CopyOrderToRemovableMedium(order), CopyOutcome::Copied);
    EXPECT_TRUE(std::filesystem::exists(media.File("B/" + name)));
    EXPECT_TRUE(std::filesystem::exists(media.File("A/inner/" + name)));
    EXPECT_FALSE(std::filesystem::exists(media.File("C/" + name)));
    ASSERT_EQ(prompter.shown.size(), 5u);
    EXPECT_EQ(prompter.shown[0].kind, Kind::FolderName);
    EXPECT_EQ(prompter.shown[0].details, QString::fromStdString(media.Path()));
    EXPECT_EQ(prompter.shown[2].kind, Kind::Information);
}

#if !defined(_WIN32)
// Writes stop with a full disk after a few bytes (the Linux file writer
// takes its operations from outside; the Windows one calls the system
// directly).
class FullDiskOps : public platform::PosixFileOps {
  public:
    int Write(int fd, const uint8_t* data, size_t n, size_t& written) override {
        if (n > 0 && PosixFileOps::Write(fd, data, 1, written) == 0) return ENOSPC;
        return ENOSPC;
    }
};

TEST_F(SendingTest, AFailedCopyLeavesNothingOnTheMediumAndIsReported) {
    const QString order = OpenOrder();
    FullDiskOps full;
    DesktopPlatform failing(full);
    TempFolder stick;
    failing.media = {stick.Path()};
    platform::SetCurrentPlatform(&failing);
    EXPECT_EQ(CopyOrderToRemovableMedium(order), CopyOutcome::Failed);
    platform::SetCurrentPlatform(&os);
    EXPECT_TRUE(stick.Names().empty());
    ASSERT_EQ(prompter.Kinds(), std::vector<Kind>{Kind::Warning});
    EXPECT_EQ(prompter.Texts().front(), QStringLiteral("Не удалось скопировать файл '%1' на '%2'.")
                                            .arg(order, QString::fromStdString(stick.Path())));
}
#endif

}  // namespace
}  // namespace orders
