// The single-instance lock and the hand-over over a named pipe against the
// real system objects (under Wine when built on Linux).
#include "platform/WindowsSingleInstance.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <thread>

#include "platform/InstanceHandOver.h"
#include "platform/WindowsPlatform.h"
#include "platform/WindowsText.h"

namespace platform {
namespace {

using Claim = Platform::InstanceClaim;
using std::chrono::milliseconds;

TEST(WindowsSingleInstanceTest, OneCopyPerProgramFileWhateverTheLetterCase) {
    const std::string program = "C:\\Программы\\Зетрово\\zayavka.exe";
    {
        WindowsInstanceLock first;
        ASSERT_EQ(first.Claim(program), Claim::First);
        WindowsInstanceLock second;
        EXPECT_EQ(second.Claim(program), Claim::Other);
        WindowsInstanceLock sameFile;
        EXPECT_EQ(sameFile.Claim("c:/программы/зетрово/ZAYAVKA.EXE"), Claim::Other);
        WindowsInstanceLock otherFile;
        EXPECT_EQ(otherFile.Claim("D:\\Зетрово\\zayavka.exe"), Claim::First);
    }
    // The first copy has ended: the next start is the first again.
    WindowsInstanceLock later;
    EXPECT_EQ(later.Claim(program), Claim::First);

    EXPECT_EQ(WindowsInstanceKey(program).size(), 8u + 16u);
    EXPECT_EQ(WindowsInstancePipeName(program), "\\\\.\\pipe\\" + WindowsInstanceKey(program));
    EXPECT_EQ(WindowsInstanceMutexName(program), "Local\\" + WindowsInstanceKey(program));
}

// The running copy's side, as the program's QLocalServer serves it: one
// connection, each frame answered once taken.
class PipeServer {
  public:
    explicit PipeServer(const std::string& name) : name_(name) {
        pipe_ = ::CreateNamedPipeW(WideFromUtf8(name).c_str(), PIPE_ACCESS_DUPLEX,
                                   PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT,
                                   PIPE_UNLIMITED_INSTANCES, 4096, 4096, 0, nullptr);
        thread_ = std::thread([this] { Serve(); });
    }
    ~PipeServer() {
        if (thread_.joinable()) {
            // A sender that never came: connect and leave, so the server ends.
            HANDLE client = ::CreateFileW(WideFromUtf8(name_).c_str(), GENERIC_WRITE, 0, nullptr,
                                          OPEN_EXISTING, 0, nullptr);
            if (client != INVALID_HANDLE_VALUE) ::CloseHandle(client);
            thread_.join();
        }
        if (pipe_ != INVALID_HANDLE_VALUE) ::CloseHandle(pipe_);
    }
    bool Made() const { return pipe_ != INVALID_HANDLE_VALUE; }
    // What arrived, once the sender has closed its end.
    std::vector<std::string> Received() {
        thread_.join();
        return received_;
    }

  private:
    void Serve() {
        if (pipe_ == INVALID_HANDLE_VALUE) return;
        if (!::ConnectNamedPipe(pipe_, nullptr) && ::GetLastError() != ERROR_PIPE_CONNECTED) return;
        HandOverDecoder decoder;
        char buffer[256];
        DWORD got = 0;
        while (::ReadFile(pipe_, buffer, sizeof buffer, &got, nullptr) && got > 0) {
            decoder.Feed(std::string_view(buffer, got));
            while (std::optional<std::string> argument = decoder.Next()) {
                received_.push_back(*argument);
                const char ack = static_cast<char>(kHandOverAck);
                DWORD written = 0;
                ::WriteFile(pipe_, &ack, 1, &written, nullptr);
            }
        }
        ::DisconnectNamedPipe(pipe_);
    }

    std::string name_;
    HANDLE pipe_ = INVALID_HANDLE_VALUE;
    std::vector<std::string> received_;
    std::thread thread_;
};

TEST(WindowsSingleInstanceTest, ArgumentsReachTheRunningCopyInOrder) {
    const std::string program = "C:\\Зетрово\\hand-over test.exe";
    const std::vector<std::string> arguments = {"C:\\Заказы\\Заявка 1.zv", "-k",
                                                std::string(3000, 'x'), ""};
    WindowsPlatform later;
    later.SetHandOverLimits(milliseconds(5000), milliseconds(20000));
    PipeServer running(WindowsInstancePipeName(program));
    ASSERT_TRUE(running.Made());
    EXPECT_TRUE(later.HandOverToRunningInstance(program, arguments));
    EXPECT_EQ(running.Received(), arguments);
}

TEST(WindowsSingleInstanceTest, NoRunningCopyMeansNoHandOver) {
    WindowsPlatform later;
    later.SetHandOverLimits(milliseconds(100), milliseconds(100));
    EXPECT_FALSE(later.HandOverToRunningInstance("C:\\nowhere\\zayavka.exe", {"a.zv"}));
}

}  // namespace
}  // namespace platform
