// The catalog update's download, end to end against the local FTP server of
// the tests (tests/update/ftp_server.py, pyftpdlib, on 127.0.0.1):
//
// - UpdateFetch: one download run of a 50 MB price.exe into an empty
//   program folder (log-in, listing, size query, retrieval into the
//   temporary file, the rename), the way the update window runs it;
// - FtpClientFetch: the update's FTP client alone doing what the curl
//   command line does: log-in, retrieval into a plain file (no listing, no
//   size query, no flush to disk, no rename);
// - CurlCommandLine: the curl command-line tool fetching the same file from
//   the same server into a file, the peer both are measured against;
// - AbortToIdle: from the abort to the idle state while a throttled
//   retrieval runs (manual time: only the abort is timed).
//
// The server is one Python process on this machine, so both fetches share
// its limits; compare them within one run.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>

#include "CatalogFolder.h"
#include "tests/qtsupport/FtpTestServer.h"
#include "update/FtpDownload.h"
#include "update/UpdateRun.h"

namespace {

constexpr int64_t kFileSize = 50 * 1024 * 1024;
constexpr char kUser[] = "update";
constexpr char kPassword[] = "7kq42xmWTcfp";

struct Folder {
    std::string path;
    Folder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "zvupdbench.XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
        path = pattern;
    }
    ~Folder() { std::filesystem::remove_all(path); }
    std::string File(const char* name) const { return path + "/" + name; }
};

// The server folder with the 50 MB update and a server over it, once per
// process; `throttled` limits its sending to 1 MB/s.
struct ServedUpdate {
    Folder root;
    std::unique_ptr<testing_support::FtpTestServer> server;

    explicit ServedUpdate(bool throttled) {
        std::string bytes(static_cast<size_t>(kFileSize), '\0');
        std::mt19937_64 random(20240501);
        for (size_t i = 0; i + 8 <= bytes.size(); i += 8) {
            const uint64_t value = random();
            std::memcpy(bytes.data() + i, &value, 8);
        }
        QFile file(QString::fromStdString(root.File("price.exe")));
        if (!file.open(QIODevice::WriteOnly) ||
            file.write(bytes.data(), static_cast<qint64>(bytes.size())) != kFileSize)
            throw std::runtime_error("cannot write the update file");
        file.close();
        QStringList options;
        if (throttled)
            options << "--throttle"
                    << "1048576";
        server = std::make_unique<testing_support::FtpTestServer>(
            QStringLiteral(ZV_UPDATE_TEST_DIR "/ftp_server.py"), QString::fromStdString(root.path),
            kUser, kPassword, options);
        if (server->Port() == 0)
            throw std::runtime_error("the FTP server did not start: " +
                                     server->Failure().toStdString());
    }
    update::UpdateServer Account() const {
        return update::UpdateServer{"127.0.0.1", server->Port(), kUser, kPassword};
    }
};

ServedUpdate& Served(bool throttled) {
    static ServedUpdate plain(false);
    if (!throttled) return plain;
    static ServedUpdate slow(true);
    return slow;
}

void RunUntil(const std::function<bool()>& done) {
    while (!done()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
}

void UpdateFetch(benchmark::State& state) {
    ServedUpdate& served = Served(false);
    Folder program;
    bool fetched = false;
    update::UpdateRunCallbacks callbacks;
    callbacks.fetched = [&](const std::string&) { fetched = true; };
    for (auto _ : state) {
        update::UpdateRun run(program.path + "/", served.Account(), {}, callbacks);
        fetched = false;
        run.Start();
        RunUntil([&] { return !run.IsRunning(); });
        if (!fetched) state.SkipWithError("the update did not arrive");
    }
    state.SetBytesProcessed(state.iterations() * kFileSize);
}
BENCHMARK(UpdateFetch)->Unit(benchmark::kMillisecond)->Iterations(5);

void FtpClientFetch(benchmark::State& state) {
    ServedUpdate& served = Served(false);
    Folder program;
    for (auto _ : state) {
        update::FtpDownload ftp(served.Account());
        QFile file(QString::fromStdString(program.File("price.exe")));
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            state.SkipWithError("cannot write the file");
            return;
        }
        bool done = false;
        bool ok = false;
        ftp.Connect([&](const update::FtpResult& connected) {
            if (!connected.Ok()) {
                done = true;
                return;
            }
            ftp.Retrieve(
                "price.exe", kFileSize,
                [&](const char* data, size_t size) {
                    return file.write(data, static_cast<qint64>(size)) == static_cast<qint64>(size);
                },
                {},
                [&](const update::FtpResult& retrieved) {
                    ok = retrieved.Ok();
                    done = true;
                });
        });
        RunUntil([&] { return done; });
        file.close();
        if (!ok || file.size() != kFileSize) state.SkipWithError("the file did not arrive");
    }
    state.SetBytesProcessed(state.iterations() * kFileSize);
}
BENCHMARK(FtpClientFetch)->Unit(benchmark::kMillisecond)->Iterations(5);

void CurlCommandLine(benchmark::State& state) {
    ServedUpdate& served = Served(false);
    Folder program;
    const QString curl = QStandardPaths::findExecutable(QStringLiteral("curl"));
    if (curl.isEmpty()) {
        state.SkipWithError("no curl command");
        return;
    }
    const QString url = QStringLiteral("ftp://%1:%2@127.0.0.1:%3/price.exe")
                            .arg(QString::fromUtf8(kUser), QString::fromUtf8(kPassword))
                            .arg(served.server->Port());
    for (auto _ : state) {
        QProcess process;
        process.start(curl,
                      {"-s", "-S", "-o", QString::fromStdString(program.File("price.exe")), url});
        if (!process.waitForFinished(-1) || process.exitCode() != 0)
            state.SkipWithError("curl failed");
    }
    state.SetBytesProcessed(state.iterations() * kFileSize);
}
BENCHMARK(CurlCommandLine)->Unit(benchmark::kMillisecond)->Iterations(5);

void AbortToIdle(benchmark::State& state) {
    ServedUpdate& served = Served(true);
    Folder program;
    int64_t received = 0;
    update::UpdateRunCallbacks callbacks;
    callbacks.progress = [&](int64_t, int64_t position) { received = position; };
    update::UpdateRun run(program.path + "/", served.Account(), {}, callbacks);
    for (auto _ : state) {
        received = 0;
        run.Start();
        RunUntil([&] { return received > 0 || !run.IsRunning(); });
        const auto start = std::chrono::steady_clock::now();
        run.Abort();
        RunUntil([&] { return !run.IsRunning(); });
        const auto end = std::chrono::steady_clock::now();
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
    }
}
BENCHMARK(AbortToIdle)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(10);

}  // namespace

int main(int argc, char** argv) {
    return bench_support::RunQtBenchmarks(argc, argv);
}
