// The running window receiving a later start's arguments over the real
// single-instance socket: the sender runs on a thread of its own, as the
// later process would, while the window's event loop serves it.
#include <gtest/gtest.h>

#if !defined(_WIN32)
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#endif
#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QElapsedTimer>

#include <QEventLoop>
#include <algorithm>
#include <atomic>
#include <cstring>
#include <filesystem>
#include <memory>
#include <random>
#include <thread>

#include "app/HandOverReceiver.h"
#include "app/InstanceServer.h"
#include "app/StartUp.h"
#include "platform/InstanceHandOver.h"
#include "platform/NativePlatform.h"
#if !defined(_WIN32)
#include "platform/LinuxSingleInstance.h"
#endif
#include "qtsupport/MainWindowFixture.h"
#include "support/SpecialFiles.h"

namespace orders {
namespace {

using namespace std::chrono_literals;
using testing_support::WriteOrder;

class HandOverTest : public testing_support::MainWindowTest {
  protected:
    void SetUp() override {
        MainWindowTest::SetUp();
#if defined(_WIN32)
        // The running copy listens on the pipe named after its own program
        // file.
        program = running.ProgramFilePath();
#else
        running.SetInstanceFolder(lockFolder.Path());
        later.SetInstanceFolder(lockFolder.Path());
#endif
        ASSERT_EQ(running.ClaimSingleInstance(program), platform::Platform::InstanceClaim::First);
        receiver = std::make_unique<app::HandOverReceiver>(
            running.TakeInstanceListener(), *window, [this] { return window->CommandRunning(); },
            [this](const QString& path) { window->OpenOrder(path); });
        server = &receiver->Server();
        ASSERT_TRUE(server->Listening());
        later.SetHandOverLimits(2s, 20s);
        WriteOrder(File("a.zv"), {{"P1", 2}});
        WriteOrder(File("b.zv"), {{"P2", 1}});
    }
    void TearDown() override {
        server = nullptr;
        receiver.reset();
        MainWindowTest::TearDown();
    }

    // Hands `arguments` over from another thread and serves the event loop
    // until that is done; the sender's result.
    bool HandOver(const std::vector<std::string>& arguments) {
        std::atomic<bool> done = false;
        bool delivered = false;
        std::thread sender([&] {
            delivered = later.HandOverToRunningInstance(program, arguments);
            done = true;
        });
        QElapsedTimer timer;
        timer.start();
        while (!done && timer.elapsed() < 30000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        sender.join();
        return delivered;
    }
    // Serves the event loop until every argument received was delivered.
    void ServeUntilDelivered() {
        QElapsedTimer timer;
        timer.start();
        while (server->PendingCount() > 0 && timer.elapsed() < 30000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    void Serve(int ms) {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }

    std::string program = "/opt/zv/zayavka";
    testing_support::TempFolder lockFolder;
    platform::NativePlatform running;
    platform::NativePlatform later;
    std::unique_ptr<app::HandOverReceiver> receiver;
    app::InstanceServer* server = nullptr;
};

TEST_F(HandOverTest, TwoFilesOfALaterStartOpenAsTwoTabsInOrder) {
    EXPECT_EQ(later.ClaimSingleInstance(program), platform::Platform::InstanceClaim::Other);
    window->showMinimized();
    ASSERT_TRUE(HandOver({File("a.zv"), File("b.zv")}));
    ServeUntilDelivered();
    ASSERT_EQ(tabs->Count(), 2);
    EXPECT_EQ(tabs->TabPath(0), QFile("a.zv"));
    EXPECT_EQ(tabs->TabPath(1), QFile("b.zv"));
    EXPECT_EQ(tabs->ActivePath(), QFile("b.zv"));
    EXPECT_FALSE(window->isMinimized());

    // A file shown already only gets its tab back; a file that is no order
    // is reported as such.
    ASSERT_TRUE(HandOver({File("a.zv"), File("missing.zv")}));
    ServeUntilDelivered();
    EXPECT_EQ(tabs->Count(), 2);
    EXPECT_EQ(tabs->ActivePath(), QFile("a.zv"));
    EXPECT_EQ(prompter.Texts(), QStringList{DamagedOrderText()});
}

TEST_F(HandOverTest, FilesArrivingWhileADialogIsOpenWaitForItToClose) {
    QDialog dialog(window);
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
    window->Commands().Run([&] {
        ASSERT_TRUE(HandOver({File("a.zv")}));
        EXPECT_EQ(tabs->Count(), 0);
    });
    Serve(600);
    ASSERT_EQ(tabs->Count(), 1);
    EXPECT_EQ(tabs->ActivePath(), QFile("a.zv"));
}

// An error box that stays open, as a real one does: its event loop runs
// until the test closes it.
class BlockingPrompter : public testing_support::ScriptedPrompter {
  public:
    void Error(const QString& text, const QString& details) override {
        ScriptedPrompter::Error(text, details);
        QEventLoop loop;
        loop_ = &loop;
        open = true;
        loop.exec();
        open = false;
        loop_ = nullptr;
    }
    // GUI thread.
    void Close() {
        if (loop_ != nullptr) loop_->quit();
    }
    std::atomic<bool> open = false;

  private:
    QEventLoop* loop_ = nullptr;
};

#if !defined(_WIN32)
// A later start that is killed part-way: it connects, sends the first `cut`
// bytes of its frames, perhaps reads the answers to the frames it sent
// whole, and its connection ends (as the kernel ends a killed process's).
// The number of frames it sent whole.
size_t KilledStart(const std::string& socketPath, const std::string& frames,
                   const std::vector<size_t>& frameEnds, size_t cut, bool readAnswers) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, socketPath.c_str(), sizeof address.sun_path - 1);
    EXPECT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    size_t sent = 0;
    while (sent < cut) {
        const ssize_t n = ::send(fd, frames.data() + sent, cut - sent, MSG_NOSIGNAL);
        if (n <= 0) break;
        sent += size_t(n);
    }
    const size_t whole = size_t(
        std::count_if(frameEnds.begin(), frameEnds.end(), [&](size_t e) { return e <= cut; }));
    if (readAnswers) {
        // Answered while the running window's box is open.
        timeval limit{10, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
        size_t answers = 0;
        char answer = 0;
        while (answers < whole && ::recv(fd, &answer, 1, 0) == 1) {
            EXPECT_EQ(answer, static_cast<char>(platform::kHandOverAck));
            ++answers;
        }
        EXPECT_EQ(answers, whole);
    }
    ::close(fd);
    return whole;
}
#endif

TEST_F(HandOverTest, LaterStartsKilledWhileABoxIsOpenLoseNothingAndBreakNothing) {
#if defined(_WIN32)
    GTEST_SKIP() << "the killed starts are cut off on the Unix socket; the named pipe of Windows "
                    "is closed by the system";
#else
    BlockingPrompter box;
    testing_support::ScopedPrompter useBox(box);
    std::vector<QString> delivered;
    server->onArgument = [deliver = server->onArgument, &delivered](const QString& argument) {
        delivered.push_back(argument);
        deliver(argument);
    };
    std::ofstream(File("bad.zv"), std::ios::binary) << std::string("\x07\x00\x00\x00Sxx", 8);
    for (const char* name : {"good1.zv", "good2.zv", "after.zv"})
        WriteOrder(File(name), {{"P1", 1}});
    for (int round = 0; round < 20; ++round)
        for (const char* part : {"a", "b"})
            WriteOrder(File(("k" + std::to_string(round) + part + ".zv").c_str()), {{"P2", 1}});
    const std::string socket = platform::InstancePathsFor(lockFolder.Path(), program).socket;

    std::vector<std::string> expected = {File("bad.zv"), File("good1.zv"), File("good2.zv")};
    std::atomic<bool> done = false;
    bool badAnswered = false;
    bool goodAnswered = false;
    bool boxOpenThroughout = true;
    std::thread later([&] {
        // The damaged file is answered at once, though its box stays open.
        badAnswered = platform::SendHandOver(socket, {File("bad.zv")}, 2s, 10s);
        for (int i = 0; i < 2000 && !box.open; ++i) std::this_thread::sleep_for(5ms);
        std::mt19937 random(21);
        for (int round = 0; round < 20; ++round) {
            const std::string a = File(("k" + std::to_string(round) + "a.zv").c_str());
            const std::string b = File(("k" + std::to_string(round) + "b.zv").c_str());
            const std::string frames =
                platform::EncodeHandOverFrame(a) + platform::EncodeHandOverFrame(b);
            const std::vector<size_t> ends = {4 + a.size(), frames.size()};
            const size_t cut = random() % (frames.size() + 1);
            const size_t whole = KilledStart(socket, frames, ends, cut, random() % 2 == 0);
            if (whole >= 1) expected.push_back(a);
            if (whole >= 2) expected.push_back(b);
        }
        goodAnswered =
            platform::SendHandOver(socket, {File("good1.zv"), File("good2.zv")}, 2s, 10s);
        boxOpenThroughout = box.open;
        QMetaObject::invokeMethod(
            qApp, [&box] { box.Close(); }, Qt::QueuedConnection);
        done = true;
    });
    QElapsedTimer timer;
    timer.start();
    while (!done && timer.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    later.join();
    ServeUntilDelivered();
    EXPECT_TRUE(badAnswered);
    EXPECT_TRUE(goodAnswered);
    EXPECT_TRUE(boxOpenThroughout);

    // A normal start afterwards is served as ever.
    ASSERT_TRUE(HandOver({File("after.zv")}));
    ServeUntilDelivered();
    expected.push_back(File("after.zv"));
    for (int i = 0; i < 200 && server->ConnectionCount() > 0; ++i) Serve(10);
    EXPECT_EQ(server->ConnectionCount(), 0);

    // Every file sent whole was opened once; nothing else was.
    std::vector<std::string> got;
    for (const QString& argument : delivered) got.push_back(argument.toStdString());
    std::sort(got.begin(), got.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(got, expected);
    EXPECT_EQ(box.Texts(), QStringList{DamagedOrderText()});
#endif
}

TEST_F(HandOverTest, TheSameFileUnderAnotherNameGetsNoSecondTab) {
    // Opened from the command line relative to the current folder; handed
    // over with its full path, or otherwise spelled.
    std::string relative =
        std::filesystem::relative(File("a.zv"), std::filesystem::current_path()).string();
    // A folder on another drive than the current one (Windows) has no
    // relative name: then the file is opened by its full path.
    if (relative.empty()) relative = File("a.zv");
    tabs->OpenOrder(QString::fromStdString(relative));
    ASSERT_EQ(tabs->Count(), 1);
    std::vector<std::string> spellings = {
        File("a.zv"), lockFolder.Path() + "/../" +
                          std::filesystem::path(dir.Path()).filename().string() + "/./a.zv"};
    if (testing_support::MakeSymlink(File("a.zv"), File("link.zv")))
        spellings.push_back(File("link.zv"));
    spellings.push_back(File("b.zv"));
    ASSERT_TRUE(HandOver(spellings));
    ServeUntilDelivered();
    ASSERT_EQ(tabs->Count(), 2);
    EXPECT_EQ(tabs->TabPath(0), QString::fromStdString(relative));
    EXPECT_EQ(tabs->TabPath(1), QFile("b.zv"));
    EXPECT_TRUE(prompter.shown.empty());
}

}  // namespace
}  // namespace orders
