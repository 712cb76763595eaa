#include "platform/LinuxPlatform.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cctype>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/MemoryRegion.h"
#include "tests/platform/TempFolder.h"

namespace platform {
namespace {

bool HasGuidForm(const std::string& text) {
    if (text.size() != 38 || text.front() != '{' || text.back() != '}') return false;
    for (size_t i = 1; i < 37; ++i) {
        const char c = text[i];
        const bool dash = i == 9 || i == 14 || i == 19 || i == 24;
        if (dash ? c != '-' : !(std::isdigit(c) || (c >= 'A' && c <= 'F'))) return false;
    }
    return true;
}

TEST(LinuxPlatformTest, GuidsHaveTheTextFormAndDoNotRepeat) {
    LinuxPlatform platform;
    std::set<std::string> seen;
    std::set<char> firstDigits;
    for (int i = 0; i < 5000; ++i) {
        const std::string guid = platform.NewGuidText();
        ASSERT_TRUE(HasGuidForm(guid)) << guid;
        EXPECT_EQ(guid[15], '4') << guid;  // version: random
        EXPECT_NE(std::string("89AB").find(guid[20]), std::string::npos) << guid;  // variant
        EXPECT_TRUE(seen.insert(guid).second) << "repeated " << guid;
        firstDigits.insert(guid[1]);
    }
    // The free digits really vary.
    EXPECT_EQ(firstDigits.size(), 16u);
}

TEST(LinuxPlatformTest, ReadsWholeFiles) {
    TempFolder folder;
    LinuxPlatform platform;
    std::string big(300000, '\0');
    for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 131 % 251);
    WriteText(folder.File("big"), big);
    WriteText(folder.File("empty"), "");

    std::vector<uint8_t> bytes;
    std::string error;
    ASSERT_TRUE(platform.ReadWholeFile(folder.File("big"), bytes, error)) << error;
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), big);
    ASSERT_TRUE(platform.ReadWholeFile(folder.File("empty"), bytes, error)) << error;
    EXPECT_TRUE(bytes.empty());

    for (const std::string& bad : {folder.File("missing"), folder.File("")}) {
        error.clear();
        EXPECT_FALSE(platform.ReadWholeFile(bad, bytes, error)) << bad;
        EXPECT_NE(error.find(bad), std::string::npos) << error;
    }

    // Into a region: a file big enough for large pages, then a small one
    // and a missing one into the same buffer.
    std::string large(5 << 20, '\0');
    for (size_t i = 0; i < large.size(); ++i) large[i] = static_cast<char>(i * 7 % 253);
    WriteText(folder.File("large"), large);
    RegionBuffer region;
    ASSERT_TRUE(platform.ReadWholeFile(folder.File("large"), region, error)) << error;
    EXPECT_TRUE(std::string_view(reinterpret_cast<const char*>(region.data()), region.size()) ==
                large);
    ASSERT_TRUE(platform.ReadWholeFile(folder.File("big"), region, error)) << error;
    EXPECT_TRUE(std::string_view(reinterpret_cast<const char*>(region.data()), region.size()) ==
                big);
    EXPECT_FALSE(platform.ReadWholeFile(folder.File("missing"), region, error));
    EXPECT_EQ(region.size(), big.size()) << "a failed read leaves the buffer as it was";
}

// A device hands out bytes without end and a pipe without a writer never
// ends: both are refused before a byte is read, as is a file over the size
// the caller can take.
TEST(LinuxPlatformTest, ReadsOnlyRegularFilesUpToTheGivenSize) {
    TempFolder folder;
    LinuxPlatform platform;
    const std::string fifo = folder.File("pipe");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    WriteText(folder.File("ten"), "0123456789");
    struct Case {
        std::string path;
        uint64_t maxSize;
        const char* reason;  // nullptr: read
    };
    const Case cases[] = {
        {"/dev/zero", UINT64_MAX, "not a regular file"},
        {fifo, UINT64_MAX, "not a regular file"},
        {folder.File("ten"), 9, "10 bytes, more than the 9 that can be read"},
        {folder.File("ten"), 10, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        std::vector<uint8_t> bytes = {1};
        std::string error;
        const bool ok = platform.ReadWholeFile(c.path, bytes, error, c.maxSize);
        if (c.reason == nullptr) {
            EXPECT_TRUE(ok) << error;
            EXPECT_EQ(bytes.size(), 10u);
            continue;
        }
        EXPECT_FALSE(ok);
        EXPECT_EQ(error, "Cannot read '" + c.path + "': " + c.reason);
        EXPECT_EQ(bytes, std::vector<uint8_t>{1}) << "the caller's buffer stays as it was";
    }
}

TEST(LinuxPlatformTest, CopyReplacesTargetAndIgnoresMissingSource) {
    TempFolder folder;
    LinuxPlatform platform;
    const std::string source = folder.File("Zakaz1.zv");
    const std::string backup = folder.File("Zakaz1.~d");

    // Nothing to copy: no error, and an older backup stays as it is.
    EXPECT_TRUE(platform.CopyFileReplacing(source, backup));
    EXPECT_TRUE(folder.Names().empty());
    WriteText(backup, "older backup");
    EXPECT_TRUE(platform.CopyFileReplacing(source, backup));
    EXPECT_EQ(ReadText(backup), "older backup");

    WriteText(source, std::string("new\0content", 11));
    EXPECT_TRUE(platform.CopyFileReplacing(source, backup));
    EXPECT_EQ(ReadText(backup), std::string("new\0content", 11));
    EXPECT_TRUE(platform.CopyFileReplacing(source, folder.File("fresh.~d")));
    EXPECT_EQ(ReadText(folder.File("fresh.~d")), std::string("new\0content", 11));

    // A source that exists but cannot be read is a failure.
    ASSERT_TRUE(std::filesystem::create_directory(folder.File("sub")));
    EXPECT_FALSE(platform.CopyFileReplacing(folder.File("sub"), backup));
    EXPECT_EQ(ReadText(backup), std::string("new\0content", 11));
}

TEST(LinuxPlatformTest, ExistsAndRemoveSeeOnlyFiles) {
    TempFolder folder;
    LinuxPlatform platform;
    WriteText(folder.File("a.zv"), "x");
    ASSERT_TRUE(std::filesystem::create_directory(folder.File("sub")));

    EXPECT_TRUE(platform.FileExists(folder.File("a.zv")));
    EXPECT_FALSE(platform.FileExists(folder.File("sub")));
    EXPECT_FALSE(platform.FileExists(folder.File("none")));

    EXPECT_TRUE(platform.RemoveFile(folder.File("a.zv")));
    EXPECT_FALSE(platform.FileExists(folder.File("a.zv")));
    EXPECT_FALSE(platform.RemoveFile(folder.File("a.zv")));
    EXPECT_FALSE(platform.RemoveFile(folder.File("sub")));
}

TEST(LinuxPlatformTest, ModificationTimeSetAndGet) {
    TempFolder folder;
    LinuxPlatform platform;
    const std::string writable = folder.File("price.txt");
    const std::string readOnly = folder.File("price.zv");
    WriteText(writable, "x");
    WriteText(readOnly, "y");
    ASSERT_EQ(::chmod(readOnly.c_str(), 0444), 0);

    for (int64_t when : {int64_t{946684800}, int64_t{1700000000}, int64_t{4102444800}}) {
        for (const std::string& path : {writable, readOnly}) {
            SCOPED_TRACE(path + " at " + std::to_string(when));
            ASSERT_TRUE(platform.SetModificationTime(path, when));
            EXPECT_EQ(platform.ModificationTime(path), when);
        }
    }
    // The read-only file is read-only again afterwards.
    struct stat st;
    ASSERT_EQ(::stat(readOnly.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0444u);

    EXPECT_FALSE(platform.ModificationTime(folder.File("none")).has_value());
    EXPECT_FALSE(platform.SetModificationTime(folder.File("none"), 946684800));
}

TEST(LinuxPlatformTest, ReadOnlyAttributeSetAndCleared) {
    TempFolder folder;
    LinuxPlatform platform;
    const std::string path = folder.File("Zakaz1.zv");
    WriteText(path, "x");
    ASSERT_EQ(::chmod(path.c_str(), 0664), 0);
    auto mode = [&] {
        struct stat st;
        EXPECT_EQ(::stat(path.c_str(), &st), 0);
        return st.st_mode & 0777;
    };

    EXPECT_FALSE(platform.IsReadOnly(path));
    ASSERT_TRUE(platform.SetReadOnly(path, true));
    EXPECT_TRUE(platform.IsReadOnly(path));
    EXPECT_EQ(mode(), 0444u);  // no one may write
    ASSERT_TRUE(platform.SetReadOnly(path, false));
    EXPECT_FALSE(platform.IsReadOnly(path));
    EXPECT_EQ(mode(), 0644u);  // the owner may write again, the others stay

    // Only the owner's bit counts.
    ASSERT_EQ(::chmod(path.c_str(), 0466), 0);
    EXPECT_TRUE(platform.IsReadOnly(path));

    EXPECT_FALSE(platform.IsReadOnly(folder.File("none")));
    EXPECT_FALSE(platform.SetReadOnly(folder.File("none"), true));
    EXPECT_FALSE(platform.SetReadOnly(folder.File("none"), false));
}

// A stand-in for xdg-open: writes the argument it got beside itself, then
// ends with the given status.
std::string WriteOpener(const TempFolder& folder, const std::string& name, int exitStatus) {
    const std::string path = folder.File(name);
    WriteText(path, "#!/bin/sh\nprintf '%s' \"$1\" > \"$0.arg\"\nexit " +
                        std::to_string(exitStatus) + "\n");
    EXPECT_EQ(::chmod(path.c_str(), 0755), 0);
    return path;
}

TEST(LinuxPlatformTest, OpenerStatusDecidesSuccess) {
    TempFolder folder;
    const std::string mail =
        "mailto:shop@example.ru?subject=Рога и копыта;1;Б;В;&body=&attach=\"/tmp/Zakaz 1.zv\"";
    struct Case {
        const char* name;
        int exitStatus;  // -1: no opener at all
        std::string target;
        bool opened;
        std::string argument;  // what the opener got
    } cases[] = {
        {"opened", 0, mail, true, mail},
        {"opener fails", 4, "/tmp/price.xls", false, "/tmp/price.xls"},
        {"name that looks like an option", 0, "-help.xls", true, "./-help.xls"},
        {"no opener", -1, "http://example.ru", false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LinuxPlatform platform;
        const std::string opener = c.exitStatus < 0 ? folder.File("missing-opener")
                                                    : WriteOpener(folder, c.name, c.exitStatus);
        platform.SetOpener(opener, std::chrono::seconds(60));
        EXPECT_EQ(platform.OpenWithAssociatedProgram(c.target), c.opened);
        if (c.exitStatus >= 0) {
            EXPECT_EQ(ReadText(opener + ".arg"), c.argument);
        }
    }
    LinuxPlatform platform;
    platform.SetOpener(WriteOpener(folder, "never called", 0), std::chrono::seconds(60));
    EXPECT_FALSE(platform.OpenWithAssociatedProgram(""));
}

// An opener that stays (some run the viewer in the foreground) does not
// hold the program up: past the wait limit the request counts as handed
// over.
TEST(LinuxPlatformTest, OpenerStillRunningCountsAsOpened) {
    TempFolder folder;
    const std::string opener = folder.File("slow-opener");
    WriteText(opener, "#!/bin/sh\nexec sleep 5\n");
    ASSERT_EQ(::chmod(opener.c_str(), 0755), 0);
    LinuxPlatform platform;
    platform.SetOpener(opener, std::chrono::milliseconds(20));
    EXPECT_TRUE(platform.OpenWithAssociatedProgram("/tmp/readme.txt"));
}

// Waits until `path` exists; the started program runs on its own.
bool AppearsSoon(const std::string& path) {
    for (int i = 0; i < 1000; ++i) {
        if (std::filesystem::exists(path)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

TEST(LinuxPlatformTest, StartProcessMakesTheDownloadExecutableAndRunsIt) {
    TempFolder folder;
    LinuxPlatform platform;
    const std::string program = folder.File("price.exe");
    const std::string marker = folder.File("ran");
    WriteText(program, "#!/bin/sh\ntouch '" + marker + "'\n");
    ASSERT_EQ(::chmod(program.c_str(), 0644), 0);  // as downloaded

    ASSERT_TRUE(platform.StartProcess(program));
    struct stat st;
    ASSERT_EQ(::stat(program.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0744u);
    EXPECT_TRUE(AppearsSoon(marker));

    ASSERT_TRUE(std::filesystem::create_directory(folder.File("sub")));
    EXPECT_FALSE(platform.StartProcess(folder.File("none")));
    EXPECT_FALSE(platform.StartProcess(folder.File("sub")));
    WriteText(folder.File("garbage"), "not a program");
    EXPECT_FALSE(platform.StartProcess(folder.File("garbage")));
}

// Sets environment variables for one test and puts the old values back.
class ScopedEnvironment {
  public:
    void Set(const char* name, const char* value) {
        if (!saved_.count(name)) {
            const char* old = std::getenv(name);
            saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
        }
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~ScopedEnvironment() {
        for (const auto& [name, value] : saved_) {
            if (value)
                ::setenv(name.c_str(), value->c_str(), 1);
            else
                ::unsetenv(name.c_str());
        }
    }

  private:
    std::map<std::string, std::optional<std::string>> saved_;
};

TEST(LinuxPlatformTest, UserFoldersFollowTheXdgVariables) {
    TempFolder folder;
    const std::string home = folder.Path();
    ScopedEnvironment env;
    env.Set("HOME", home.c_str());
    env.Set("XDG_DATA_HOME", nullptr);
    env.Set("XDG_CONFIG_HOME", nullptr);
    LinuxPlatform platform;
    using F = Platform::UserFolder;

    EXPECT_EQ(platform.UserFolderPath(F::DataHome), home + "/.local/share");
    EXPECT_EQ(platform.UserFolderPath(F::ProgramsMenu), home + "/.local/share/applications");
    EXPECT_EQ(platform.UserFolderPath(F::Desktop), home + "/Desktop");

    // A relative XDG path is invalid and ignored; an absolute one is used.
    env.Set("XDG_DATA_HOME", "relative/data");
    EXPECT_EQ(platform.UserFolderPath(F::DataHome), home + "/.local/share");
    env.Set("XDG_DATA_HOME", "/srv/data/");
    EXPECT_EQ(platform.UserFolderPath(F::DataHome), "/srv/data");
    EXPECT_EQ(platform.UserFolderPath(F::ProgramsMenu), "/srv/data/applications");

    // The desktop as the user's folder settings name it.
    ASSERT_TRUE(std::filesystem::create_directories(home + "/.config"));
    WriteText(home + "/.config/user-dirs.dirs",
              "# written by xdg-user-dirs-update\nXDG_DOWNLOAD_DIR=\"$HOME/Загрузки\"\n"
              "XDG_DESKTOP_DIR=\"$HOME/Рабочий стол\"\n");
    EXPECT_EQ(platform.UserFolderPath(F::Desktop), home + "/Рабочий стол");
    ASSERT_TRUE(std::filesystem::create_directories(home + "/cfg"));
    WriteText(home + "/cfg/user-dirs.dirs", "XDG_DESKTOP_DIR=\"/media/desk/\"\n");
    env.Set("XDG_CONFIG_HOME", (home + "/cfg").c_str());
    EXPECT_EQ(platform.UserFolderPath(F::Desktop), "/media/desk");
}

TEST(LinuxPlatformTest, WithoutUserLocaleTheRussianDefaultsApply) {
    ScopedEnvironment env;
    env.Set("LC_NUMERIC", nullptr);
    env.Set("LC_TIME", nullptr);
    env.Set("LANG", nullptr);
    LinuxPlatform platform;
    for (const char* name : {"C", "POSIX", "C.UTF-8", "xx_XX.UTF-8"}) {
        SCOPED_TRACE(name);
        env.Set("LC_ALL", name);
        const Platform::LocaleFormats f = platform.UserLocale();
        EXPECT_EQ(f.decimalSeparator, ',');
        EXPECT_EQ(f.dateSeparator, '.');
        EXPECT_EQ(f.shortDateFormat, "dd/mm/yyyy");
        EXPECT_EQ(f.longTimeFormat, "h:nn:ss");
        EXPECT_EQ(f.name, "");
    }
}

// The desktop services write only into the folders the environment names.
TEST(LinuxPlatformTest, DesktopServicesUseTheUsersXdgFolders) {
    TempFolder home;
    ScopedEnvironment env;
    env.Set("HOME", home.Path().c_str());
    env.Set("XDG_DATA_HOME", home.File("data").c_str());
    env.Set("XDG_CONFIG_HOME", home.File("config").c_str());
    LinuxPlatform platform;
    const std::string program = platform.ProgramFilePath();
    EXPECT_EQ(std::filesystem::path(program).filename(), "platform_tests");

    EXPECT_FALSE(platform.FileTypeOpensWith(".zv", "Files of Zetrovo", program));
    EXPECT_TRUE(platform.RegisterFileType(".zv", "Files of Zetrovo", program));
    EXPECT_TRUE(platform.FileTypeOpensWith(".zv", "Files of Zetrovo", program));
    Platform::Shortcut link;
    link.name = "Заявка по каталогу";
    link.target = program;
    EXPECT_TRUE(platform.CreateShortcut(link));
    EXPECT_TRUE(std::filesystem::exists(home.File("Desktop/Заявка по каталогу.desktop")));
    EXPECT_TRUE(std::filesystem::exists(home.File("data/applications/files-of-zetrovo.desktop")));
    EXPECT_TRUE(std::filesystem::exists(home.File("config/mimeapps.list")));
    EXPECT_EQ(home.Names(), (std::set<std::string>{"Desktop", "config", "data"}));
}

// A mail link reaches the mail program the desktop names for "mailto:",
// byte for byte, through the desktop's own opener; without one the open
// fails (the program then says that no mail program was found).
TEST(LinuxPlatformTest, MailLinksReachTheDesktopsMailProgram) {
    if (std::system("command -v xdg-open >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "xdg-utils not installed";
    TempFolder home;
    ScopedEnvironment env;
    env.Set("HOME", home.Path().c_str());
    env.Set("XDG_DATA_HOME", home.File("data").c_str());
    env.Set("XDG_CONFIG_HOME", home.File("config").c_str());
    env.Set("XDG_CURRENT_DESKTOP", nullptr);
    env.Set("DISPLAY", ":77");  // never connected to: the opener only asks whether there is one
    env.Set("BROWSER", "false");
    const std::string got = home.File("got");
    WriteText(home.File("mailer"), "#!/bin/sh\nprintf '%s' \"$1\" > '" + got + "'\n");
    ::chmod(home.File("mailer").c_str(), 0755);
    std::filesystem::create_directories(home.File("data/applications"));
    std::filesystem::create_directories(home.File("config"));
    WriteText(home.File("data/applications/mailer.desktop"),
              "[Desktop Entry]\nType=Application\nName=Mailer\nExec=" + home.File("mailer") +
                  " %u\nMimeType=x-scheme-handler/mailto;\n");
    WriteText(home.File("config/mimeapps.list"),
              "[Default Applications]\nx-scheme-handler/mailto=mailer.desktop;\n");

    LinuxPlatform platform;
    platform.SetOpener("xdg-open", std::chrono::seconds(20));
    const std::string link =
        "mailto:zakaz@zetrovo.ru?subject=%3B%3B%3B%3B&body=%D0%92%20%22%2Ftmp%2FZakaz%201.zv%22"
        "&attach=%22%2Ftmp%2FZakaz%201.zv%22";
    ASSERT_TRUE(platform.OpenWithAssociatedProgram(link));
    for (int i = 0; i < 200 && ReadText(got).empty(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(ReadText(got), link);

    std::filesystem::remove(home.File("config/mimeapps.list"));
    std::filesystem::remove(home.File("data/applications/mailer.desktop"));
    EXPECT_FALSE(platform.OpenWithAssociatedProgram(link));
}

}  // namespace
}  // namespace platform
