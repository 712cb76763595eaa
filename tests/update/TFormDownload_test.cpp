// The update window over a local FTP server: its buttons through a run, the
// abort during a slow transfer, closing it during a run, and the hand-over
// of a fetched update to the platform's process start.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTcpServer>
#include <cstdio>
#include <set>
#include <string>

#include "core/ClientInfo.h"
#include "core/Settings.h"
#include "qtsupport/UpdateTestSupport.h"
#include "update/TFormDownload.h"
#include "update/UpdateRun.h"

namespace {

using testing_support::LocalFtpServer;
using testing_support::RandomBytes;
using testing_support::ReadBytes;
using testing_support::RecordingPlatform;
using testing_support::ScopedPlatform;
using testing_support::TempFolder;
using testing_support::WaitUntil;
using testing_support::WriteBytes;
using update::TFormDownload;
namespace status = update::status;

// Which of Button2 (download), Button1 (abort) and OKBtn (close) are enabled.
std::string Buttons(const TFormDownload& form) {
    return std::string(form.DownloadButton()->isEnabled() ? "D" : "-") +
           (form.AbortButton()->isEnabled() ? "A" : "-") +
           (form.CloseButton()->isEnabled() ? "C" : "-");
}

class TFormDownloadTest : public testing::Test {
  protected:
    // The program folder's settings point at `server`.
    update::DownloadOptions OptionsFor(const LocalFtpServer& server) {
        WriteBytes(program.File("Zetrovo.ini"),
                   "[Client]\r\nKlient=Firm\r\n" + server.SettingLine());
        return update::DownloadOptionsFor(
            program.Folder(), core::ReadSetting(program.File("Zetrovo.ini"), core::kClientSection,
                                                core::kKeyUpdateServer));
    }
    // The program folder's names apart from the settings file.
    std::set<std::string> ProgramFiles() const {
        std::set<std::string> names = program.Names();
        names.erase("Zetrovo.ini");
        return names;
    }

    TempFolder program;
    RecordingPlatform platform;
    ScopedPlatform usePlatform{platform};
};

TEST_F(TFormDownloadTest, FetchedUpdateIsStartedAndTheWindowCloses) {
    const std::string update = RandomBytes(300000, 3);
    LocalFtpServer server({{"price.exe", update}});
    if (HasFailure()) return;
    TFormDownload form(OptionsFor(server));
    form.show();
    EXPECT_EQ(form.windowTitle(), "Загрузка обновлений с сайта");
    EXPECT_EQ(Buttons(form), "D-C");
    EXPECT_TRUE(form.CloseButton()->isDefault());
    EXPECT_EQ(form.StatusLabel()->text(), QString());

    form.DownloadButton()->click();
    EXPECT_EQ(Buttons(form), "-A-");
    ASSERT_TRUE(WaitUntil([&] { return !form.isVisible(); }));

    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_TRUE(form.UpdateStarted());
    EXPECT_EQ(platform.started, std::vector<std::string>{program.File("price.exe")});
    EXPECT_TRUE(ReadBytes(program.File("price.exe")) == update);
    EXPECT_EQ(ProgramFiles(), std::set<std::string>{"price.exe"});
}

// The file is there for the customer even when it cannot be started.
TEST_F(TFormDownloadTest, FailedStartStillHandsOver) {
    LocalFtpServer server({{"price.exe", RandomBytes(1000, 4)}});
    if (HasFailure()) return;
    platform.startResult = false;
    TFormDownload form(OptionsFor(server));
    form.show();
    form.DownloadButton()->click();
    ASSERT_TRUE(WaitUntil([&] { return !form.isVisible(); }));
    EXPECT_TRUE(form.UpdateStarted());
    EXPECT_EQ(platform.started.size(), 1u);
    EXPECT_EQ(ProgramFiles(), std::set<std::string>{"price.exe"});
}

// A slow transfer: "Прервать" brings the window back to idle at once, no
// file stays behind and nothing is started; a second run can be closed
// with the window's close box the same way.
TEST_F(TFormDownloadTest, AbortAndCloseDuringSlowTransfer) {
    constexpr int kSize = 4 * 1024 * 1024;
    LocalFtpServer server({{"price.exe", RandomBytes(kSize, 5)}}, {"--throttle", "200000"});
    if (HasFailure()) return;
    TFormDownload form(OptionsFor(server));
    form.show();

    form.DownloadButton()->click();
    ASSERT_TRUE(WaitUntil([&] { return form.Progress()->value() > 0; }));
    EXPECT_EQ(form.Progress()->maximum(), kSize);
    EXPECT_EQ(Buttons(form), "-A-");

    QElapsedTimer clock;
    clock.start();
    form.AbortButton()->click();
    const double abortMs = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    std::printf("[ measure  ] abort to idle: %.3f ms\n", abortMs);
    EXPECT_EQ(Buttons(form), "D-C");
    EXPECT_EQ(form.StatusLabel()->text(), status::kAborted);
    EXPECT_EQ(form.Progress()->value(), 0);
    EXPECT_EQ(form.StatsLabel()->text(), QString());
    QTest::qWait(300);
    EXPECT_EQ(form.StatusLabel()->text(), status::kAborted) << "a late status replaced the abort";
    EXPECT_EQ(Buttons(form), "D-C");
    EXPECT_EQ(ProgramFiles(), std::set<std::string>{});

    form.DownloadButton()->click();
    ASSERT_TRUE(WaitUntil([&] { return form.Progress()->value() > 0; }));
    form.close();
    EXPECT_FALSE(form.Run().IsRunning());
    QTest::qWait(300);
    EXPECT_EQ(ProgramFiles(), std::set<std::string>{});
    EXPECT_TRUE(platform.started.empty());
    EXPECT_FALSE(form.UpdateStarted());
}

// The abort also ends the wait for a server that accepts the connection and
// never answers.
TEST_F(TFormDownloadTest, AbortWhileTheServerSaysNothing) {
    QTcpServer silent;
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost));
    update::DownloadOptions options;
    options.programDir = program.Folder();
    options.server = update::UpdateServer{"127.0.0.1", silent.serverPort(), "u", "p"};
    TFormDownload form(options);
    form.show();
    form.DownloadButton()->click();
    QTest::qWait(300);
    EXPECT_EQ(Buttons(form), "-A-");
    form.AbortButton()->click();
    EXPECT_EQ(Buttons(form), "D-C");
    EXPECT_EQ(form.StatusLabel()->text(), status::kAborted);
    QTest::qWait(300);
    EXPECT_EQ(form.StatusLabel()->text(), status::kAborted);
}

}  // namespace
