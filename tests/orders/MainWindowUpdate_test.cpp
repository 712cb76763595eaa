// The update command of the main window: the update window opens modally
// over the program folder's server setting; a fetched update is started and
// the program ends without the exit question, closing its orders as on
// every exit; closing the update window keeps the program running.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QPushButton>
#include <QTimer>
#include <fstream>
#include <functional>

#include "qtsupport/MainWindowFixture.h"
#include "qtsupport/UpdateTestSupport.h"
#include "update/TFormDownload.h"

namespace {

using testing_support::LocalFtpServer;
using testing_support::RandomBytes;
using testing_support::ReadBytes;
using testing_support::RecordingPlatform;
using testing_support::ScopedPlatform;

class MainWindowUpdateTest : public testing_support::MainWindowTest {
  protected:
    // Triggers the update command and, once its window shows, `inWindow`
    // with it; returns when the update window has closed.
    void RunUpdateCommand(const std::function<void(update::TFormDownload&)>& inWindow) {
        ASSERT_TRUE(window->Actions().ActionLoadUpdate->isEnabled());
        QTimer::singleShot(0, window, [inWindow] {
            auto* form = qobject_cast<update::TFormDownload*>(QApplication::activeModalWidget());
            if (form == nullptr) {
                ADD_FAILURE() << "no update window";
                if (QWidget* other = QApplication::activeModalWidget()) other->close();
                return;
            }
            inWindow(*form);
        });
        window->Actions().ActionLoadUpdate->trigger();
    }

    RecordingPlatform platform;
    ScopedPlatform usePlatform{platform};
};

TEST_F(MainWindowUpdateTest, FetchedUpdateEndsTheProgramWithoutTheQuestion) {
    const std::string update = RandomBytes(50000, 7);
    LocalFtpServer server({{"price.exe", update}});
    if (HasFailure()) return;
    std::ofstream(File("Zetrovo.ini"), std::ios::binary | std::ios::app) << server.SettingLine();
    window->show();
    window->Actions().ActionNewOrder->trigger();
    ASSERT_EQ(window->OrderTabCount(), 1);
    ASSERT_TRUE(QFileInfo::exists(QFile("Zakaz1.zv")));

    RunUpdateCommand([](update::TFormDownload& form) { form.DownloadButton()->click(); });

    EXPECT_EQ(platform.started, std::vector<std::string>{File("price.exe")});
    EXPECT_TRUE(ReadBytes(File("price.exe")) == update);
    EXPECT_TRUE(prompter.shown.empty()) << "asked: " << prompter.Texts().join(" | ").toStdString();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->OrderTabCount(), 0);
    EXPECT_FALSE(QFileInfo::exists(QFile("Zakaz1.zv"))) << "the empty order was not closed";
}

TEST_F(MainWindowUpdateTest, ClosingTheUpdateWindowKeepsTheProgram) {
    window->show();
    RunUpdateCommand([](update::TFormDownload& form) { form.CloseButton()->click(); });
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->ClosesWithoutQuestion());
    EXPECT_TRUE(platform.started.empty());
    EXPECT_TRUE(prompter.shown.empty());
}

}  // namespace
