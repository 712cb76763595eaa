// The single-instance lock and the hand-over of arguments on Linux: the
// frame codec, the lock between copies (also a killed one), and arguments
// sent to a listening copy, which answers each one.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/InstanceHandOver.h"
#include "platform/LinuxPlatform.h"
#include "platform/LinuxSingleInstance.h"
#include "tests/platform/TempFolder.h"

namespace platform {
namespace {

using namespace std::chrono_literals;
using Claim = Platform::InstanceClaim;

TEST(HandOverCodecTest, ArgumentsComeOutAsTheyWentInHoweverTheBytesAreSplit) {
    const std::vector<std::string> arguments = {"/home/u/Zakaz1.zv", "", "-k",
                                                "/tmp/Заявка на 5.zv", std::string(70000 / 2, 'x')};
    std::string stream;
    for (const std::string& a : arguments) stream += EncodeHandOverFrame(a);
    EXPECT_EQ(EncodeHandOverFrame("ab"), std::string("\x02\x00\x00\x00"
                                                     "ab",
                                                     6));

    for (size_t chunk : {size_t(1), size_t(3), size_t(4096), stream.size()}) {
        HandOverDecoder decoder;
        std::vector<std::string> got;
        for (size_t at = 0; at < stream.size(); at += chunk) {
            decoder.Feed(std::string_view(stream).substr(at, chunk));
            while (std::optional<std::string> a = decoder.Next()) got.push_back(*a);
        }
        EXPECT_EQ(got, arguments) << "chunks of " << chunk;
        EXPECT_FALSE(decoder.Broken());
    }
}

TEST(HandOverCodecTest, AnOversizedFrameBreaksTheConnectionWithoutAnArgument) {
    HandOverDecoder decoder;
    decoder.Feed(EncodeHandOverFrame("first"));
    decoder.Feed(std::string("\x01\x00\x01\x00", 4) + "garbage");  // 65537 bytes announced
    decoder.Feed(EncodeHandOverFrame("after"));
    EXPECT_EQ(decoder.Next(), "first");
    EXPECT_EQ(decoder.Next(), std::nullopt);
    EXPECT_TRUE(decoder.Broken());
    EXPECT_EQ(decoder.Next(), std::nullopt);
}

TEST(SingleInstanceTest, OneCopyPerProgramFileHoldsTheLockUntilItIsGone) {
    TempFolder folder;
    auto first = std::make_unique<LinuxInstanceLock>();
    EXPECT_EQ(first->Claim(folder.Path(), "/opt/a/zayavka"), Claim::First);
    EXPECT_GE(first->Listener(), 0);
    {
        LinuxInstanceLock second;
        EXPECT_EQ(second.Claim(folder.Path(), "/opt/a/zayavka"), Claim::Other);
        EXPECT_EQ(second.Listener(), -1);
        LinuxInstanceLock otherFolder;
        EXPECT_EQ(otherFolder.Claim(folder.Path(), "/opt/b/zayavka"), Claim::First);
    }
    first.reset();
    LinuxInstanceLock later;
    EXPECT_EQ(later.Claim(folder.Path(), "/opt/a/zayavka"), Claim::First);

    LinuxInstanceLock nowhere;
    EXPECT_EQ(nowhere.Claim(folder.File("missing/folder"), "/opt/a/zayavka"), Claim::Unavailable);
}

TEST(SingleInstanceTest, AKilledCopyLeavesAStaleSocketThatNeitherBlocksNorHangs) {
    TempFolder folder;
    const std::string name = "/opt/a/zayavka";
    const InstancePaths paths = InstancePathsFor(folder.Path(), name);
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        LinuxInstanceLock lock;
        const char answer = lock.Claim(folder.Path(), name) == Claim::First ? '1' : '0';
        (void)!::write(ready[1], &answer, 1);
        ::pause();
        ::_exit(0);
    }
    char answer = 0;
    ASSERT_EQ(::read(ready[0], &answer, 1), 1);
    EXPECT_EQ(answer, '1');
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    ::close(ready[0]);
    ::close(ready[1]);
    ASSERT_TRUE(std::filesystem::exists(paths.socket));  // nobody removed it

    // The dead copy's socket refuses at once: the hand-over fails without
    // waiting for an answer.
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(SendHandOver(paths.socket, {"a.zv"}, 200ms, 30s));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);

    LinuxInstanceLock next;
    EXPECT_EQ(next.Claim(folder.Path(), name), Claim::First);
    EXPECT_GE(next.Listener(), 0);
}

// Accepts one connection on `listener` and answers each of `count` frames,
// collecting the arguments.
std::vector<std::string> Receive(int listener, size_t count, bool answer) {
    std::vector<std::string> got;
    int fd = -1;
    for (int i = 0; i < 500 && fd < 0; ++i) {
        fd = ::accept(listener, nullptr, nullptr);
        if (fd < 0) std::this_thread::sleep_for(10ms);
    }
    if (fd < 0) return got;
    HandOverDecoder decoder;
    while (got.size() < count) {
        char buffer[512];
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            std::this_thread::sleep_for(5ms);
            continue;
        }
        if (n <= 0) break;
        decoder.Feed(std::string_view(buffer, static_cast<size_t>(n)));
        while (std::optional<std::string> a = decoder.Next()) {
            got.push_back(*a);
            if (answer) {
                const char ack = static_cast<char>(kHandOverAck);
                (void)!::send(fd, &ack, 1, MSG_NOSIGNAL);
            }
        }
    }
    if (!answer) std::this_thread::sleep_for(400ms);
    ::close(fd);
    return got;
}

TEST(SingleInstanceTest, ArgumentsReachTheRunningCopyOneAtATimeInOrder) {
    TempFolder folder;
    LinuxPlatform running;
    running.SetInstanceFolder(folder.Path());
    ASSERT_EQ(running.ClaimSingleInstance("/opt/a/zayavka"), Claim::First);
    const int listener = static_cast<int>(running.TakeInstanceListener());
    ASSERT_GE(listener, 0);
    EXPECT_EQ(running.TakeInstanceListener(), -1);

    LinuxPlatform later;
    later.SetInstanceFolder(folder.Path());
    later.SetHandOverLimits(2s, 10s);
    EXPECT_EQ(later.ClaimSingleInstance("/opt/a/zayavka"), Claim::Other);
    bool delivered = false;
    std::thread sender([&] {
        delivered =
            later.HandOverToRunningInstance("/opt/a/zayavka", {"/w/Zakaz1.zv", "/w/Заявка 2.zv"});
    });
    const std::vector<std::string> got = Receive(listener, 2, true);
    sender.join();
    ::close(listener);
    EXPECT_TRUE(delivered);
    EXPECT_EQ(got, (std::vector<std::string>{"/w/Zakaz1.zv", "/w/Заявка 2.zv"}));
}

TEST(SingleInstanceTest, ACopyThatDoesNotAnswerFailsTheHandOverAfterTheLimit) {
    TempFolder folder;
    LinuxInstanceLock running;
    ASSERT_EQ(running.Claim(folder.Path(), "/opt/a/zayavka"), Claim::First);
    const std::string socket = InstancePathsFor(folder.Path(), "/opt/a/zayavka").socket;
    bool delivered = true;
    std::thread sender([&] { delivered = SendHandOver(socket, {"a.zv", "b.zv"}, 1s, 200ms); });
    const std::vector<std::string> got = Receive(running.Listener(), 1, false);
    sender.join();
    EXPECT_FALSE(delivered);
    // The second argument is not sent before the first was answered.
    EXPECT_EQ(got, std::vector<std::string>{"a.zv"});
}

}  // namespace
}  // namespace platform
