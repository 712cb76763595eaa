// One running copy per program file, with real processes of the built
// program: a later start of the same file hands its files over and ends at
// once, the running copy opens them as tabs (it logs each hand-over through
// ZAYAVKA_HANDOVER_LOG); a copy in another folder runs on its own; a killed
// copy's leftovers do not keep the next start out.
//
// Each process gets a temporary home, XDG folders and runtime folder. A run
// that shows its window saves a picture (ZAYAVKA_SCREENSHOT) and ends after
// two seconds, so a start that should have handed over and ended shows up
// as a picture instead of hanging the test.
#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QThread>
#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>

#include "engine/dataset/RidovTable.h"
#include "engine/text/Win1251.h"
#include "support/FileBytes.h"
#include "support/OrderTestFiles.h"
#include "support/TempFolder.h"
#if defined(_WIN32)
#include <windows.h>

#include "platform/WindowsSingleInstance.h"
#include "platform/WindowsText.h"
#endif

#ifndef ZV_ZAYAVKA_PATH
#define ZV_ZAYAVKA_PATH ""
#endif
#ifndef ZV_ZAYAVKA_NAME
#define ZV_ZAYAVKA_NAME "zayavka"
#endif

namespace {

namespace fs = std::filesystem;
using testing_support::ReadBytes;
using testing_support::TempFolder;
using testing_support::WriteBytes;
using testing_support::WriteCatalog;
using testing_support::WriteFilledRequisites;
using testing_support::WriteOrder;

class SingleInstanceProcessTest : public testing::Test {
  protected:
    void SetUp() override {
        if (!fs::exists(ZV_ZAYAVKA_PATH)) GTEST_SKIP() << "no built program";
        for (const char* folder : {"one", "two", "work", "home", "run"})
            fs::create_directory(root.File(folder));
        fs::permissions(root.File("run"), fs::perms::owner_all);
        for (const char* folder : {"one", "two"}) {
            fs::copy_file(ZV_ZAYAVKA_PATH, Prog(folder, ZV_ZAYAVKA_NAME));
            WriteCatalog(Prog(folder, "price.zv"), {{"P1", "Filter", "10", 1, "pcs"}});
            WriteFilledRequisites(Prog(folder, "Zetrovo.ini"));
        }
        WriteOrder(Work("a.zv"), {{"P1", 2}});
        WriteOrder(Work("b b.zv"), {{"P1", 5}});
    }
    void TearDown() override {
        if (first) {
            first->kill();
            first->waitForFinished();
        }
    }

    std::string Prog(const char* folder, const std::string& name) const {
        return root.File(std::string(folder) + "/" + name);
    }
    std::string Work(const std::string& name) const { return root.File("work/" + name); }
    std::string Log() const { return root.File("handover.log"); }

    std::unique_ptr<QProcess> Start(const char* folder, const QStringList& arguments,
                                    const std::string& screenshot = {},
                                    const std::string& current = {}) const {
        auto process = std::make_unique<QProcess>();
        process->setProgram(QString::fromStdString(Prog(folder, ZV_ZAYAVKA_NAME)));
        process->setArguments(arguments);
        process->setWorkingDirectory(QString::fromStdString(current.empty() ? Work("") : current));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("HOME", QString::fromStdString(root.File("home")));
        env.insert("XDG_DATA_HOME", QString::fromStdString(root.File("home/data")));
        env.insert("XDG_CONFIG_HOME", QString::fromStdString(root.File("home/config")));
        env.insert("XDG_RUNTIME_DIR", QString::fromStdString(root.File("run")));
        env.insert("ZAYAVKA_HANDOVER_LOG", QString::fromStdString(Log()));
        if (screenshot.empty())
            env.remove("ZAYAVKA_SCREENSHOT");
        else
            env.insert("ZAYAVKA_SCREENSHOT", QString::fromStdString(screenshot));
        process->setProcessEnvironment(env);
        process->start();
        EXPECT_TRUE(process->waitForStarted(10000)) << process->errorString().toStdString();
        return process;
    }
    // Runs to its end (killed after a minute); the exit code, or -1.
    int Run(const char* folder, const QStringList& arguments, const std::string& screenshot) const {
        std::unique_ptr<QProcess> process = Start(folder, arguments, screenshot);
        if (!process->waitForFinished(60000)) {
            process->kill();
            process->waitForFinished();
            ADD_FAILURE() << "the program did not end";
            return -1;
        }
        return process->exitStatus() == QProcess::NormalExit ? process->exitCode() : -1;
    }
    // The hand-over log once it has `lines` lines: a later start ends as
    // soon as its files were received; the running copy opens them after.
    std::string LogOf(size_t lines) const {
        std::string log;
        for (int i = 0; i < 300; ++i) {
            log = fs::exists(Log()) ? ReadBytes(Log()) : std::string();
            if (size_t(std::count(log.begin(), log.end(), '\n')) >= lines) break;
            QThread::msleep(50);
        }
        return log;
    }
    // Waits until the copy of `folder` listens for later starts: its socket
    // is in the runtime folder, or on Windows its named pipe is there.
    bool WaitForListeningCopy(const char* folder) const {
#if defined(_WIN32)
        const std::wstring pipe = platform::WideFromUtf8(
            platform::WindowsInstancePipeName(Prog(folder, ZV_ZAYAVKA_NAME)));
#endif
        for (int i = 0; i < 300; ++i) {
#if defined(_WIN32)
            if (::WaitNamedPipeW(pipe.c_str(), 50)) return true;
#else
            (void)folder;
            for (const auto& entry : fs::directory_iterator(root.File("run")))
                if (entry.path().extension() == ".sock") return true;
#endif
            QThread::msleep(50);
        }
        return false;
    }

    TempFolder root;
    std::unique_ptr<QProcess> first;
};

TEST_F(SingleInstanceProcessTest, LaterStartsHandOverOtherFoldersRunAloneKilledCopiesDoNotBlock) {
    // The running copy's current folder is not the later start's.
    first = Start("one", {}, {}, root.File("home"));
    ASSERT_TRUE(WaitForListeningCopy("one"));

    // The same program file again, with two files: handed over, no window.
    EXPECT_EQ(Run("one", {"a.zv", QString::fromStdString(Work("b b.zv"))}, root.File("second.png")),
              0);
    EXPECT_FALSE(fs::exists(root.File("second.png")));
    EXPECT_EQ(LogOf(2), Work("a.zv") + "\t1\n" + Work("b b.zv") + "\t2\n");
    EXPECT_EQ(first->state(), QProcess::Running);

    // A copy of the program in another folder is a first copy of its own.
    EXPECT_EQ(Run("two", {}, root.File("other.png")), 0);
    EXPECT_TRUE(fs::exists(root.File("other.png")));
    EXPECT_EQ(ReadBytes(Log()), Work("a.zv") + "\t1\n" + Work("b b.zv") + "\t2\n");

    // Killed, the first copy leaves its socket file behind; the next start
    // of the same file runs as the first copy all the same.
    first->kill();
    first->waitForFinished();
    first.reset();
    EXPECT_EQ(Run("one", {}, root.File("after.png")), 0);
    EXPECT_TRUE(fs::exists(root.File("after.png")));
}

}  // namespace
