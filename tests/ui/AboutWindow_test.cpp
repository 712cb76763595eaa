#include "ui/AboutWindow.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "ui/ProgramVersion.h"

namespace {

TEST(AboutWindowTest, ShowsNameVersionAndDescription) {
    ui::AboutWindow window;
    EXPECT_EQ(window.windowTitle(), " О программе");
    auto* version = window.findChild<QLabel*>("version");
    ASSERT_NE(version, nullptr);
    EXPECT_EQ(version->text(), "Кронвел. Версия " + ui::ProgramVersion());
    EXPECT_TRUE(version->font().bold());
    EXPECT_FALSE(ui::ProgramVersion().isEmpty());
    auto* description = window.findChild<QLabel*>("description");
    ASSERT_NE(description, nullptr);
    EXPECT_EQ(description->text(), "Программа удаленного составления заказов по прайс-листу.");
    auto* ok = window.findChild<QPushButton*>();
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->text(), "&OK");
}

TEST(AboutWindowTest, EscAndEnterCloseIt) {
    struct Case {
        Qt::Key key;
        QDialog::DialogCode result;
    } cases[] = {
        {Qt::Key_Escape, QDialog::Rejected},
        {Qt::Key_Return, QDialog::Accepted},
        {Qt::Key_Enter, QDialog::Accepted},
    };
    for (const Case& c : cases) {
        ui::AboutWindow window;
        window.setResult(-1);
        window.show();
        ASSERT_TRUE(window.isVisible());
        QTest::keyClick(&window, c.key);
        EXPECT_FALSE(window.isVisible()) << c.key;
        EXPECT_EQ(window.result(), c.result) << c.key;
    }
}

}  // namespace
