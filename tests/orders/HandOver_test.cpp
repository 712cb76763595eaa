// The running window receiving a later start's arguments over the real
// single-instance socket: the sender runs on a thread of its own, as the
// later process would, while the window's event loop serves it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <atomic>
#include <memory>
#include <thread>

#include "app/InstanceServer.h"
#include "app/StartUp.h"
#include "orders/MainWindowFixture.h"
#include "platform/LinuxPlatform.h"

namespace orders {
namespace {

using namespace std::chrono_literals;
using testing_support::WriteOrder;

class HandOverTest : public testing_support::MainWindowTest {
  protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        running.SetInstanceFolder(lockFolder.Path());
        ASSERT_EQ(running.ClaimSingleInstance(kProgram), platform::Platform::InstanceClaim::First);
        server = app::ListenForHandOvers(running.TakeInstanceListener(), *window);
        ASSERT_TRUE(server->Listening());
        later.SetInstanceFolder(lockFolder.Path());
        later.SetHandOverLimits(2s, 20s);
        WriteOrder(File("a.zv"), {{"P1", 2}});
        WriteOrder(File("b.zv"), {{"P2", 1}});
    }
    void TearDown() override {
        server.reset();
        MainWindowTest::TearDown();
    }

    // Hands `arguments` over from another thread and serves the event loop
    // until that is done; the sender's result.
    bool HandOver(const std::vector<std::string>& arguments) {
        std::atomic<bool> done = false;
        bool delivered = false;
        std::thread sender([&] {
            delivered = later.HandOverToRunningInstance(kProgram, arguments);
            done = true;
        });
        QElapsedTimer timer;
        timer.start();
        while (!done && timer.elapsed() < 30000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        sender.join();
        return delivered;
    }
    void Serve(int ms) {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }

    static constexpr char kProgram[] = "/opt/zv/zayavka";
    testing_support::TempFolder lockFolder;
    platform::LinuxPlatform running;
    platform::LinuxPlatform later;
    std::unique_ptr<app::InstanceServer> server;
};

TEST_F(HandOverTest, TwoFilesOfALaterStartOpenAsTwoTabsInOrder) {
    EXPECT_EQ(later.ClaimSingleInstance(kProgram), platform::Platform::InstanceClaim::Other);
    window->showMinimized();
    ASSERT_TRUE(HandOver({File("a.zv"), File("b.zv")}));
    // Each argument was opened before the sender got its answer.
    ASSERT_EQ(tabs->Count(), 2);
    EXPECT_EQ(tabs->TabPath(0), QFile("a.zv"));
    EXPECT_EQ(tabs->TabPath(1), QFile("b.zv"));
    EXPECT_EQ(tabs->ActivePath(), QFile("b.zv"));
    EXPECT_FALSE(window->isMinimized());

    // A file shown already only gets its tab back; a file that is no order
    // is reported as such.
    ASSERT_TRUE(HandOver({File("a.zv"), File("missing.zv")}));
    EXPECT_EQ(tabs->Count(), 2);
    EXPECT_EQ(tabs->ActivePath(), QFile("a.zv"));
    EXPECT_EQ(prompter.Texts(), QStringList{DamagedOrderText()});
}

TEST_F(HandOverTest, FilesArrivingWhileADialogIsOpenWaitForItToClose) {
    QDialog dialog(window.get());
    dialog.setModal(true);
    dialog.show();
    ASSERT_EQ(QApplication::activeModalWidget(), &dialog);
    // The later start is answered at once, not kept waiting for the dialog.
    ASSERT_TRUE(HandOver({File("a.zv"), File("b.zv")}));
    EXPECT_EQ(tabs->Count(), 0);
    EXPECT_EQ(server->PendingCount(), 2);

    dialog.close();
    Serve(600);
    EXPECT_EQ(server->PendingCount(), 0);
    ASSERT_EQ(tabs->Count(), 2);
    EXPECT_EQ(tabs->TabPath(0), QFile("a.zv"));
    EXPECT_EQ(tabs->TabPath(1), QFile("b.zv"));
}

TEST_F(HandOverTest, FilesArrivingWhileACommandLetsTheLoopRunWaitForItsEnd) {
    // As the price-list import does while it shows its progress.
    window->RunGuarded([&] {
        ASSERT_TRUE(HandOver({File("a.zv")}));
        EXPECT_EQ(tabs->Count(), 0);
    });
    Serve(600);
    ASSERT_EQ(tabs->Count(), 1);
    EXPECT_EQ(tabs->ActivePath(), QFile("a.zv"));
}

}  // namespace
}  // namespace orders
