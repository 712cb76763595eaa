#include "ui/KeyListWindow.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "engine/text/Win1251.h"
#include "qtsupport/ScriptedPrompter.h"

namespace {

using testing_support::ScriptedPrompter;

TEST(KeyListWindowTest, ShowsTheKeyTableInTwoColumns) {
    const std::vector<std::pair<QString, QString>> expected = {
        {"Ctrl+Home", "- переход в начало таблицы;"},
        {"Ctrl+End", "- переход в конец таблицы;"},
        {"Home", "- переход в начало строки;"},
        {"End", "- переход в конец строки;"},
        {"Стрелки", "- перемещение по таблице;"},
        {"Enter", "- приступить к набору товара;"},
        {"Ctrl+Enter", "- посмотреть фотографию товара;"},
        {"Ctrl+Del", "- удалить выбранную позицию из формы заказа;"},
        {"Tab", "- перемещение между элементами окна вперед;"},
        {"Shift+Tab", "- перемещение между элементами окна назад;"},
        {"Ctrl+N", "- создать новый заказ;"},
        {"Ctrl+O", "- открыть существующий заказ;"},
    };
    ui::KeyListWindow window;
    EXPECT_EQ(window.windowTitle(), "Клавиши управления");
    const QList<QLabel*> labels = window.findChildren<QLabel*>();
    ASSERT_EQ(labels.size(), qsizetype(expected.size() * 2));
    for (size_t row = 0; row < expected.size(); ++row) {
        auto* key = window.findChild<QLabel*>(QString("key%1").arg(row));
        auto* text = window.findChild<QLabel*>(QString("text%1").arg(row));
        ASSERT_TRUE(key && text) << row;
        EXPECT_EQ(key->text(), expected[row].first) << row;
        EXPECT_EQ(text->text(), expected[row].second) << row;
        // Keys form the left column, texts the right one, line by line.
        window.show();
        EXPECT_LT(key->mapTo(&window, QPoint()).x(), text->mapTo(&window, QPoint()).x());
        EXPECT_EQ(key->mapTo(&window, QPoint()).y(), text->mapTo(&window, QPoint()).y());
    }
    auto* ok = window.findChild<QPushButton*>();
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->text(), "OK");
    EXPECT_TRUE(ok->isDefault());
    QTest::keyClick(&window, Qt::Key_Return);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.result(), QDialog::Accepted);
}

TEST(KeyListWindowTest, RunShowsItModallyUntilClosed) {
    QTimer::singleShot(0, [] {
        auto* window = qobject_cast<ui::KeyListWindow*>(QApplication::activeModalWidget());
        ASSERT_NE(window, nullptr);
        window->findChild<QPushButton*>()->click();
    });
    ui::KeyListWindow::Run(nullptr);
    for (QWidget* widget : QApplication::topLevelWidgets())
        EXPECT_FALSE(qobject_cast<ui::KeyListWindow*>(widget) != nullptr && widget->isVisible());
}

TEST(OpenHelpFileTest, OpensTheFileOrSaysItCannot) {
    struct Case {
        const char* name;
        bool opens;
        bool withOpener;
    } cases[] = {
        {"opened", true, true},
        {"opener fails", false, true},
        {"no opener", false, false},
    };
    const std::string readme = "/opt/Заявка/readme.txt";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedPrompter prompter;
        testing_support::ScopedPrompter use(prompter);
        std::vector<std::string> asked;
        ui::FileOpener opener;
        if (c.withOpener) {
            opener = [&](const std::string& path) {
                asked.push_back(path);
                return c.opens;
            };
        }
        EXPECT_EQ(ui::OpenHelpFile(readme, opener), c.opens);
        if (c.withOpener) {
            EXPECT_EQ(asked, std::vector<std::string>{readme});
        }
        if (c.opens) {
            EXPECT_TRUE(prompter.shown.empty());
        } else {
            ASSERT_EQ(prompter.shown.size(), 1u);
            EXPECT_EQ(prompter.shown[0].kind, ScriptedPrompter::Kind::Information);
            EXPECT_EQ(prompter.shown[0].text, "Не удается открыть файл '/opt/Заявка/readme.txt'.");
        }
    }
}

// The help file is for Windows users: Windows-1251 text with CR LF lines.
TEST(HelpFileTest, ReadmeIsWindows1251WithCrLfLines) {
    std::ifstream in(std::string(ZV_TEST_DATA_DIR) + "/../../resources/readme.txt",
                     std::ios::binary);
    ASSERT_TRUE(in);
    const std::string bytes((std::istreambuf_iterator<char>(in)), {});
    ASSERT_FALSE(bytes.empty());
    for (size_t i = 0; i < bytes.size(); ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        // 0x98 is the one byte Windows-1251 leaves unassigned.
        ASSERT_NE(c, 0x98) << "offset " << i;
        if (c == '\n') {
            ASSERT_TRUE(i > 0 && bytes[i - 1] == '\r') << "bare LF at " << i;
        }
        if (c == '\r') {
            ASSERT_TRUE(i + 1 < bytes.size() && bytes[i + 1] == '\n') << i;
        }
    }
    ASSERT_EQ(bytes.substr(bytes.size() - 2), "\r\n");

    const std::u16string text = text::Cp1251ToUtf16(bytes);
    const QString decoded = QString::fromUtf16(text.data(), qsizetype(text.size()));
    for (const char* part : {"Заявка по каталогу", "Zetrovo.ini", "[Client]", "Klient", "Adres",
                             "Telefon", "KontaktLico", "FotoDir", "Manager", "UpdateServer",
                             "OrderEmail", "WebSite", "Ctrl+Enter", "Клавиши управления"}) {
        EXPECT_TRUE(decoded.contains(QString::fromUtf8(part))) << part;
    }
}

}  // namespace
