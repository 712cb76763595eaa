// Helpers of the update tests: the server folder with its files, the
// account the local FTP server serves, a platform that records process
// starts, and waiting on the event loop.
#pragma once

#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QString>
#include <QTest>
#include <cstdint>
#include <functional>
#include <memory>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "platform/NativePlatform.h"
#include "qtsupport/FtpTestServer.h"
#include "support/FileBytes.h"
#include "support/TempFolder.h"
#include "update/UpdateServer.h"

namespace testing_support {

inline const QString kFtpServerScript = QStringLiteral(ZV_UPDATE_TEST_DIR "/ftp_server.py");
inline constexpr char kFtpUser[] = "update";
inline constexpr char kFtpPassword[] = "7kq42xmWTcfp";

// `size` bytes that differ from every shifted or shortened copy of
// themselves, the same for the same `seed`.
inline std::string RandomBytes(size_t size, uint32_t seed) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes) c = static_cast<char>(random() & 0xFF);
    return bytes;
}

// The real platform, except that programs are not started: the paths are
// recorded and the start answers `startResult`.
class RecordingPlatform : public platform::NativePlatform {
  public:
    bool StartProcess(const std::string& path) override {
        started.push_back(path);
        return startResult;
    }
    std::vector<std::string> started;
    bool startResult = true;
};

// Installs a platform for its lifetime.
class ScopedPlatform {
  public:
    explicit ScopedPlatform(platform::Platform& p) : previous_(platform::SetCurrentPlatform(&p)) {}
    ~ScopedPlatform() { platform::SetCurrentPlatform(previous_); }
    ScopedPlatform(const ScopedPlatform&) = delete;
    ScopedPlatform& operator=(const ScopedPlatform&) = delete;

  private:
    platform::Platform* previous_;
};

// The local FTP server over a fresh folder holding `files` (name, bytes);
// `options` make it misbehave (see ftp_server.py).
struct LocalFtpServer {
    explicit LocalFtpServer(const std::vector<std::pair<std::string, std::string>>& files,
                            const QStringList& options = {}) {
        for (const auto& [name, bytes] : files) WriteBytes(root.File(name), bytes);
        server = std::make_unique<FtpTestServer>(
            kFtpServerScript, QString::fromStdString(root.Path()), QString::fromUtf8(kFtpUser),
            QString::fromUtf8(kFtpPassword), options);
        EXPECT_GT(server->Port(), 0) << "The FTP server did not start (python3-pyftpdlib, "
                                        "installed by scripts/deps.sh):\n"
                                     << server->Failure().toStdString();
    }
    int Port() const { return server->Port(); }
    update::UpdateServer Account(const std::string& password = kFtpPassword) const {
        return update::UpdateServer{"127.0.0.1", Port(), kFtpUser, password};
    }
    // The settings line that points the program at this server.
    std::string SettingLine() const {
        return "UpdateServer=ftp://" + std::string(kFtpUser) + ":" + kFtpPassword +
               "@127.0.0.1:" + std::to_string(Port()) + "/\r\n";
    }

    TempFolder root;
    std::unique_ptr<FtpTestServer> server;
};

// Runs the event loop until `done` holds; false when it still does not
// after a minute (a hung run), which the caller reports.
inline bool WaitUntil(const std::function<bool()>& done) {
    QDeadlineTimer deadline(60000);
    while (!done()) {
        if (deadline.hasExpired()) return false;
        QTest::qWait(5);
    }
    return true;
}

}  // namespace testing_support
