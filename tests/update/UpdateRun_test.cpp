// Download runs against a real FTP server on 127.0.0.1 (ftp_server.py), one
// case per way a server can answer: the outcome in the status line, the
// program folder afterwards (price.exe only when it arrived whole, never a
// partial file, never the old one), and the hand-over.
#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QTcpServer>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "qtsupport/UpdateTestSupport.h"
#include "support/SpecialFiles.h"
#include "update/UpdateRun.h"

namespace {

using testing_support::LocalFtpServer;
using testing_support::RandomBytes;
using testing_support::ReadBytes;
using testing_support::TempFolder;
using testing_support::WaitUntil;
using testing_support::WriteBytes;
using update::UpdateRun;
namespace status = update::status;

constexpr size_t kUpdateSize = 200000;

enum class Server {
    Ftp,     // ftp_server.py with the case's files and options
    Down,    // nothing listens on the port
    Silent,  // accepts the connection and never says a word
};

struct RunCase {
    const char* name;
    std::vector<std::string> files;  // on the server; price.exe holds the update's bytes
    QStringList options;             // of ftp_server.py
    QString status;                  // the status line at the end
    bool fetched = false;
    Server server = Server::Ftp;
    const char* password = testing_support::kFtpPassword;
    update::FtpTimeouts timeouts{10000, 20, 20};
};

const QString kFetchFailed = status::kFetchFailedPrefix + "price.exe";

const RunCase kCases[] = {
    {"Fetched", {"price.exe", "Price.exe", "setup.exe"}, {}, status::kFinished, true},
    // Names are compared exactly.
    {"OnlyOtherNames",
     {"Price.exe", "price.exe.bak", "PRICE.EXE", "oldprice.exe"},
     {},
     status::kNotFound},
    {"EmptyOnServer", {"price.exe"}, {"--size-reply", "213 0"}, status::kFinished},
    {"SizeNotImplemented",
     {"price.exe"},
     {"--size-reply", "502 Command not implemented."},
     status::SizeUnknown("price.exe")},
    {"SizeRefused",
     {"price.exe"},
     {"--size-reply", "550 Not a file."},
     status::SizeUnknown("price.exe")},
    {"SizeAboveFile", {"price.exe"}, {"--size-reply", "213 201000"}, kFetchFailed},
    {"SizeBelowFile", {"price.exe"}, {"--size-reply", "213 199000"}, kFetchFailed},
    {"ConnectionLostBeforeListing", {"price.exe"}, {"--list", "drop"}, status::kConnectionLost},
    {"ConnectionDroppedMidway", {"price.exe"}, {"--retr", "drop"}, kFetchFailed},
    {"HalfFileConfirmed", {"price.exe"}, {"--retr", "short"}, kFetchFailed},
    {"TransferStalls",
     {"price.exe"},
     {"--retr", "stall"},
     kFetchFailed,
     false,
     Server::Ftp,
     testing_support::kFtpPassword,
     {10000, 20, 2}},
    // Every byte arrived, but the server never confirms the transfer: an
    // unconfirmed file is not taken for whole.
    {"TransferNeverConfirmed",
     {"price.exe"},
     {"--retr", "noconfirm"},
     kFetchFailed,
     false,
     Server::Ftp,
     testing_support::kFtpPassword,
     {10000, 20, 20, 1000}},
    // The server announces half the size, sends that half and keeps the
    // data connection open: the count matches, but the transfer never
    // ended, so the half file is never price.exe.
    {"HalfSizeAnnouncedThenStalls",
     {"price.exe"},
     {"--size-reply", "213 100000", "--retr", "stall"},
     kFetchFailed,
     false,
     Server::Ftp,
     testing_support::kFtpPassword,
     {10000, 20, 20, 1000}},
    // A listing that never ends stops the run at the limit.
    {"EndlessListing",
     {"price.exe"},
     {"--list", "endless"},
     status::kListingTooLarge,
     false,
     Server::Ftp,
     testing_support::kFtpPassword,
     {10000, 20, 20, 1000, 256 * 1024}},
    // The ASCII listing would turn the CR into a line break, leaving a
    // line "price.exe" behind; the name as sent is no update.
    {"NameWithCarriageReturn", {"evil.exe\rprice.exe"}, {}, status::kNotFound},
    {"NameWithCarriageReturnBesideUpdate",
     {"evil.exe\rprice.exe", "price.exe"},
     {},
     status::kFinished,
     true},
    {"LogInRefused", {"price.exe"}, {}, status::kConnectFailed, false, Server::Ftp, "wrong"},
    {"ServerDown", {}, {}, status::kConnectFailed, false, Server::Down},
    {"ServerSilent",
     {},
     {},
     status::kConnectFailed,
     false,
     Server::Silent,
     testing_support::kFtpPassword,
     {1000, 1, 1}},
};

void PrintTo(const RunCase& c, std::ostream* os) {
    *os << c.name;
}

class UpdateRunCases : public testing::TestWithParam<RunCase> {};

TEST_P(UpdateRunCases, EndsIdleWithPriceExeOnlyWhenWhole) {
    const RunCase& c = GetParam();
    const std::string update = RandomBytes(kUpdateSize, 1);

    std::optional<LocalFtpServer> ftp;
    QTcpServer listener;
    update::UpdateServer account{"127.0.0.1", 0, testing_support::kFtpUser, c.password};
    if (c.server == Server::Ftp) {
        std::vector<std::pair<std::string, std::string>> files;
        for (const std::string& name : c.files) {
#if defined(_WIN32)
            // A folder of Windows cannot hold names that differ in case
            // alone: "Price.exe" would be written over "price.exe".
            if (name == "Price.exe") continue;
#endif
            files.emplace_back(name, name == "price.exe" ? update : RandomBytes(1000, 2));
        }
        ftp.emplace(files, c.options);
        if (HasFailure()) return;
        account.port = ftp->Port();
    } else {
        ASSERT_TRUE(listener.listen(QHostAddress::LocalHost));
        account.port = listener.serverPort();
        if (c.server == Server::Down) listener.close();
    }

    TempFolder program;
    // An update fetched by an earlier run.
    WriteBytes(program.File("price.exe"), "old update");

    QStringList statuses;
    QString statistics;
    std::vector<bool> running;
    std::vector<std::string> fetched;
    update::UpdateRunCallbacks callbacks;
    callbacks.status = [&](const QString& text) { statuses << text; };
    callbacks.statistics = [&](const QString& text) { statistics = text; };
    callbacks.runningChanged = [&](bool on) { running.push_back(on); };
    callbacks.fetched = [&](const std::string& path) { fetched.push_back(path); };
    UpdateRun run(program.Folder(), account, c.timeouts, callbacks);

    run.Start();
    EXPECT_TRUE(run.IsRunning());
    ASSERT_TRUE(WaitUntil([&] { return !run.IsRunning(); })) << "the run hangs";

    ASSERT_FALSE(statuses.isEmpty());
    EXPECT_EQ(statuses.back(), c.status) << statuses.join(" | ").toStdString();
    EXPECT_EQ(running, (std::vector<bool>{true, false}));
    if (c.fetched) {
        EXPECT_EQ(program.Names(), std::set<std::string>{"price.exe"});
        EXPECT_TRUE(ReadBytes(program.File("price.exe")) == update);
        EXPECT_EQ(fetched, std::vector<std::string>{program.File("price.exe")});
        EXPECT_TRUE(statistics.contains(QRegularExpression(
            "^Скорость доступа \\d+,\\d\\d Кб/с\\. Обновлено 1 файлов, всего 195 Кб\\.$")))
            << statistics.toStdString();
    } else {
        EXPECT_EQ(program.Names(), std::set<std::string>{}) << "old or partial file left";
        EXPECT_TRUE(fetched.empty());
        EXPECT_EQ(statistics, QString());
    }

    // Nothing arrives after the end: no late status, no second end.
    const qsizetype shown = statuses.size();
    QTest::qWait(200);
    EXPECT_EQ(statuses.size(), shown);
    EXPECT_EQ(running.size(), 2u);
}

// A price.exe in the program folder that is a pipe (or a link to a folder)
// is neither removed nor replaced: the run ends at once, naming it.
TEST(UpdateRunTarget, NotRegularFileIsLeftAlone) {
    if (!testing_support::kHasFifos) GTEST_SKIP() << testing_support::kNoFifos;
    TempFolder program;
    TempFolder other;
    ASSERT_TRUE(testing_support::MakeFifo(program.File("price.exe")));
    for (bool link : {false, true}) {
        SCOPED_TRACE(link);
        if (link) {
            ASSERT_TRUE(std::filesystem::remove(program.File("price.exe")));
            ASSERT_TRUE(testing_support::MakeSymlink(other.Path(), program.File("price.exe")));
        }
        QStringList statuses;
        std::vector<bool> running;
        update::UpdateRunCallbacks callbacks;
        callbacks.status = [&](const QString& text) { statuses << text; };
        callbacks.runningChanged = [&](bool on) { running.push_back(on); };
        UpdateRun run(program.Folder(), {"127.0.0.1", 1, "user", "password"}, update::FtpTimeouts{},
                      callbacks);
        run.Start();
        EXPECT_FALSE(run.IsRunning());
        ASSERT_FALSE(statuses.isEmpty());
        EXPECT_EQ(statuses.back(), QStringLiteral("Файл '%1' не заменён: это не обычный файл.")
                                       .arg(QString::fromStdString(program.File("price.exe"))));
        EXPECT_EQ(running, (std::vector<bool>{true, false}));
        EXPECT_TRUE(link ? std::filesystem::is_symlink(program.File("price.exe"))
                         : testing_support::IsFifo(program.File("price.exe")));
    }
    EXPECT_EQ(other.Names(), std::set<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(Servers, UpdateRunCases, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<RunCase>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
