// The Windows platform layer against the real system calls (under Wine when
// built on Linux): files, times and attributes, starting programs, folders,
// drives, random bytes and the locale.
#include "platform/WindowsPlatform.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

#include "platform/MemoryRegion.h"
#include "platform/RandomBytes.h"
#include "platform/WindowsFiles.h"
#include "platform/WindowsLocale.h"
#include "platform/WindowsText.h"
#include "tests/platform/TempFolder.h"

namespace platform {
namespace {

std::vector<uint8_t> Bytes(const std::string& text) {
    return {text.begin(), text.end()};
}

// A file opened the way another program holds a document: readable by
// others, but neither writable nor deletable (so not replaceable) by them.
class HeldOpen {
  public:
    explicit HeldOpen(const std::string& path)
        : handle_(::CreateFileW(WideFromUtf8(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)) {}
    ~HeldOpen() {
        if (handle_ != INVALID_HANDLE_VALUE) ::CloseHandle(handle_);
    }
    bool Held() const { return handle_ != INVALID_HANDLE_VALUE; }

  private:
    HANDLE handle_;
};

void SetLastWrite(const std::string& path, int64_t secondsAgo) {
    HANDLE file = ::CreateFileW(WideFromUtf8(path).c_str(), FILE_WRITE_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
    FILETIME now;
    ::GetSystemTimeAsFileTime(&now);
    const uint64_t value = ((uint64_t{now.dwHighDateTime} << 32) | now.dwLowDateTime) -
                           uint64_t(secondsAgo) * 10'000'000u;
    FILETIME then{static_cast<DWORD>(value), static_cast<DWORD>(value >> 32)};
    ASSERT_TRUE(::SetFileTime(file, nullptr, nullptr, &then));
    ::CloseHandle(file);
}

// Waits, without a time limit of its own beyond a generous one, for a file
// that another process writes.
bool AppearsSoon(WindowsPlatform& os, const std::string& path) {
    for (int i = 0; i < 600; ++i) {
        if (os.FileExists(path)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

TEST(WindowsPlatformTest, AtomicReplaceWritesNewAndExistingFilesAndLeavesNoTemporary) {
    TempFolder dir;
    WindowsPlatform os;
    // A Cyrillic name with a blank: UTF-8 here, UTF-16 at the system.
    const std::string path = WinFile(dir, "заявка 1.zv");
    std::string error;
    ASSERT_TRUE(os.WriteFileAtomically(path, Bytes("first"), error)) << error;
    EXPECT_EQ(ReadText(path), "first");
    ASSERT_TRUE(os.WriteFileAtomically(path, Bytes("second, longer"), error)) << error;
    EXPECT_EQ(ReadText(path), "second, longer");
    ASSERT_TRUE(os.WriteFileAtomically(path, {}, error)) << error;
    EXPECT_EQ(ReadText(path), "");
    EXPECT_EQ(dir.Names(), std::set<std::string>{"заявка 1.zv"});

    std::vector<uint8_t> read;
    ASSERT_TRUE(os.WriteFileAtomically(path, Bytes("\xC7\xE0\xFF\r\n"), error)) << error;
    ASSERT_TRUE(os.ReadWholeFile(path, read, error)) << error;
    EXPECT_EQ(read, Bytes("\xC7\xE0\xFF\r\n"));  // bytes as they are, no text mode
}

TEST(WindowsPlatformTest, AtomicReplaceRefusesReadOnlyAndHeldTargetsAndKeepsTheirBytes) {
    TempFolder dir;
    WindowsPlatform os;
    const std::string path = WinFile(dir, "price.zv");
    WriteText(path, "old");
    std::string error;

    ASSERT_TRUE(os.SetReadOnly(path, true));
    EXPECT_FALSE(os.WriteFileAtomically(path, Bytes("new"), error));
    EXPECT_EQ(error, "Cannot write '" + path + "': the file is read-only");
    ASSERT_TRUE(os.SetReadOnly(path, false));

    {
        HeldOpen other(path);
        ASSERT_TRUE(other.Held());
        error.clear();
        EXPECT_FALSE(os.WriteFileAtomically(path, Bytes("new"), error));
        EXPECT_EQ(error.rfind("Cannot replace '" + path + "': ", 0), 0u) << error;
        EXPECT_EQ(ReadText(path), "old");
        EXPECT_EQ(dir.Names(), std::set<std::string>{"price.zv"});
    }
    ASSERT_TRUE(os.WriteFileAtomically(path, Bytes("new"), error)) << error;
    EXPECT_EQ(ReadText(path), "new");

    EXPECT_FALSE(os.WriteFileAtomically(dir.Path(), Bytes("x"), error));
    EXPECT_EQ(error, "Cannot write '" + dir.Path() + "': it is a folder");
    EXPECT_FALSE(os.WriteFileAtomically("NUL", Bytes("x"), error));
    EXPECT_EQ(error, "Cannot write 'NUL': not a regular file");
}

TEST(WindowsPlatformTest, StaleTemporariesGoUnlessYoungOrStillOpen) {
    TempFolder dir;
    WindowsPlatform os;
    const std::string path = WinFile(dir, "price.zv");
    const std::string stale = path + ".tmp0123456789abcdef";
    const std::string young = path + ".tmp00000000000000aa";
    const std::string held = path + ".tmp00000000000000bb";
    const std::string other = path + ".tmp-not-ours";
    for (const std::string& name : {stale, young, held, other}) WriteText(name, "half");
    SetLastWrite(stale, 120);
    SetLastWrite(held, 120);
    SetLastWrite(other, 120);
    HANDLE writer = ::CreateFileW(WideFromUtf8(held).c_str(), GENERIC_WRITE, 0, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);

    std::string error;
    ASSERT_TRUE(os.WriteFileAtomically(path, Bytes("table"), error)) << error;
    ::CloseHandle(writer);
    EXPECT_EQ(dir.Names(),
              (std::set<std::string>{"price.zv", "price.zv.tmp00000000000000aa",
                                     "price.zv.tmp00000000000000bb", "price.zv.tmp-not-ours"}));
    EXPECT_EQ(WindowsRemoveStaleTemporaries(path), 1);  // the writer is gone now
}

TEST(WindowsPlatformTest, ReadsOnlyDiskFilesWithinTheLimit) {
    TempFolder dir;
    WindowsPlatform os;
    const std::string path = WinFile(dir, "каталог.zv");
    WriteText(path, "0123456789");
    std::vector<uint8_t> bytes;
    std::string error;
    ASSERT_TRUE(os.ReadWholeFile(path, bytes, error)) << error;
    EXPECT_EQ(bytes, Bytes("0123456789"));

    RegionBuffer region;
    ASSERT_TRUE(os.ReadWholeFile(path, region, error)) << error;
    EXPECT_EQ(std::string(region.data(), region.data() + region.size()), "0123456789");

    EXPECT_FALSE(os.ReadWholeFile(path, bytes, error, 9));
    EXPECT_EQ(error, "Cannot read '" + path + "': 10 bytes, more than the 9 that can be read");
    EXPECT_FALSE(os.ReadWholeFile("NUL", bytes, error));
    EXPECT_EQ(error, "Cannot read 'NUL': not a regular file");
    EXPECT_FALSE(os.ReadWholeFile(dir.Path(), bytes, error));
    EXPECT_FALSE(os.ReadWholeFile(WinFile(dir, "missing.zv"), bytes, error));

    // A file another program holds open for writing is still read.
    HANDLE writer =
        ::CreateFileW(WideFromUtf8(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                      nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(os.ReadWholeFile(path, bytes, error)) << error;
    ::CloseHandle(writer);
}

TEST(WindowsPlatformTest, CopiesReplacingAndTakesAMissingSourceForNothingToDo) {
    TempFolder dir;
    WindowsPlatform os;
    WriteText(WinFile(dir, "from.zv"), "catalog");
    WriteText(WinFile(dir, "to.zv"), "older");
    EXPECT_TRUE(os.CopyFileReplacing(WinFile(dir, "from.zv"), WinFile(dir, "to.zv")));
    EXPECT_EQ(ReadText(WinFile(dir, "to.zv")), "catalog");
    EXPECT_TRUE(os.CopyFileReplacing(WinFile(dir, "missing.zv"), WinFile(dir, "to.zv")));
    EXPECT_EQ(ReadText(WinFile(dir, "to.zv")), "catalog");

    EXPECT_TRUE(os.FileExists(WinFile(dir, "to.zv")));
    EXPECT_FALSE(os.FileExists(dir.Path()));
    EXPECT_TRUE(os.RemoveFile(WinFile(dir, "to.zv")));
    EXPECT_FALSE(os.FileExists(WinFile(dir, "to.zv")));
    EXPECT_FALSE(os.RemoveFile(WinFile(dir, "to.zv")));
}

TEST(WindowsPlatformTest, ModificationTimeIsSetAlsoOnReadOnlyFilesWhichStayReadOnly) {
    TempFolder dir;
    WindowsPlatform os;
    const std::string path = WinFile(dir, "Zakaz1.zv");
    WriteText(path, "order");
    EXPECT_FALSE(os.IsReadOnly(path));
    ASSERT_TRUE(os.SetReadOnly(path, true));
    EXPECT_TRUE(os.IsReadOnly(path));

    for (int64_t seconds : {int64_t{1'000'000'000}, int64_t{1'700'000'123}, int64_t{0}}) {
        ASSERT_TRUE(os.SetModificationTime(path, seconds)) << seconds;
        EXPECT_EQ(os.ModificationTime(path), seconds);
        EXPECT_TRUE(os.IsReadOnly(path));
    }
    ASSERT_TRUE(os.SetReadOnly(path, false));
    EXPECT_FALSE(os.IsReadOnly(path));
    std::string error;
    EXPECT_TRUE(os.WriteFileAtomically(path, Bytes("changed"), error)) << error;

    EXPECT_FALSE(os.ModificationTime(WinFile(dir, "missing.zv")).has_value());
    EXPECT_FALSE(os.SetModificationTime(WinFile(dir, "missing.zv"), 0));
    EXPECT_FALSE(os.IsReadOnly(WinFile(dir, "missing.zv")));
    EXPECT_FALSE(os.SetReadOnly(WinFile(dir, "missing.zv"), true));
}

// The child program is built beside this test program.
std::string ChildProgram(WindowsPlatform& os) {
    const std::string self = os.ProgramFilePath();
    return self.substr(0, self.find_last_of('\\') + 1) + "platform_test_child.exe";
}

TEST(WindowsPlatformTest, StartsProgramsAndOpensThemWithTheShell) {
    TempFolder dir;
    WindowsPlatform os;
    const std::string self = os.ProgramFilePath();
    ASSERT_GT(self.size(), 4u);
    EXPECT_EQ(self.substr(self.size() - 4), ".exe");
    ASSERT_TRUE(os.FileExists(ChildProgram(os))) << ChildProgram(os);

    // A downloaded update has a name with blanks and Cyrillic letters too.
    const std::string started = WinFile(dir, "новая версия.exe");
    ASSERT_TRUE(os.CopyFileReplacing(ChildProgram(os), started));
    ASSERT_TRUE(os.StartProcess(started));
    EXPECT_TRUE(AppearsSoon(os, started + ".ran"));
    EXPECT_FALSE(os.StartProcess(WinFile(dir, "missing.exe")));

    const std::string opened = WinFile(dir, "readme opener.exe");
    ASSERT_TRUE(os.CopyFileReplacing(ChildProgram(os), opened));
    ASSERT_TRUE(os.OpenWithAssociatedProgram(opened));
    EXPECT_TRUE(AppearsSoon(os, opened + ".ran"));
    EXPECT_FALSE(os.OpenWithAssociatedProgram(WinFile(dir, "missing.txt")));
    EXPECT_FALSE(os.OpenWithAssociatedProgram(""));
}

TEST(WindowsPlatformTest, UserFoldersAndRemovableDrivesAreFolders) {
    WindowsPlatform os;
    for (auto folder : {Platform::UserFolder::Desktop, Platform::UserFolder::ProgramsMenu,
                        Platform::UserFolder::DataHome}) {
        const std::string path = os.UserFolderPath(folder);
        ASSERT_GT(path.size(), 3u);
        EXPECT_NE(path.back(), '\\') << path;
        EXPECT_EQ(path[1], ':') << path;
    }
    // Under Wine there is usually none; each one listed is a drive's root.
    for (const std::string& medium : os.RemovableMedia()) {
        ASSERT_EQ(medium.size(), 3u) << medium;
        EXPECT_EQ(medium.substr(1), ":\\");
        EXPECT_EQ(::GetDriveTypeW(WideFromUtf8(medium).c_str()), UINT(DRIVE_REMOVABLE));
    }
}

TEST(WindowsPlatformTest, RandomBytesAndIdentifiersDifferEachTime) {
    uint8_t a[32] = {};
    uint8_t b[32] = {};
    FillRandom(a, sizeof a);
    FillRandom(b, sizeof b);
    EXPECT_NE(std::memcmp(a, b, sizeof a), 0);
    EXPECT_NE(std::count(a, a + sizeof a, 0), 32);

    WindowsPlatform os;
    const std::string guid = os.NewGuidText();
    ASSERT_EQ(guid.size(), 38u);
    EXPECT_EQ(guid.front(), '{');
    EXPECT_EQ(guid[15], '4');  // version 4: random
    EXPECT_NE(guid, os.NewGuidText());
}

TEST(WindowsPlatformTest, LocalePicturesBecomeTheEnginesFormats) {
    struct Case {
        const char* decimal;
        const char* thousands;
        const char* date;
        const char* time;
        char dateSeparator;
        const char* shortDate;
        char timeSeparator;
        const char* longTime;
        char thousandSeparator;
    };
    const Case cases[] = {
        {",", "\xC2\xA0", "dd.MM.yyyy", "H:mm:ss", '.', "dd/mm/yyyy", ':', "h:nn:ss", ' '},
        {".", ",", "M/d/yyyy", "h:mm:ss tt", '/', "m/d/yyyy", ':', "h:nn:ss", ','},
        {",", ".", "dd.MM.yy", "HH:mm:ss", '.', "dd/mm/yy", ':', "hh:nn:ss", '.'},
        {".", " ", "yyyy-MM-dd", "HH.mm.ss", '-', "yyyy/mm/dd", '.', "hh:nn:ss", ' '},
        {".", ",", "dd/MM/yyyy", "'at' HH:mm", '/', "dd/mm/yyyy", ':', "\"at\" hh:nn", ','},
    };
    for (const Case& c : cases) {
        const Platform::LocaleFormats f =
            FormatsFromWindowsLocale(c.decimal, c.thousands, c.date, c.time);
        EXPECT_EQ(f.decimalSeparator, c.decimal[0]) << c.date;
        EXPECT_EQ(f.thousandSeparator, c.thousandSeparator) << c.date;
        EXPECT_EQ(f.dateSeparator, c.dateSeparator) << c.date;
        EXPECT_EQ(f.shortDateFormat, c.shortDate) << c.date;
        EXPECT_EQ(f.timeSeparator, c.timeSeparator) << c.time;
        EXPECT_EQ(f.longTimeFormat, c.longTime) << c.time;
    }

    WindowsPlatform os;
    const Platform::LocaleFormats user = os.UserLocale();
    EXPECT_FALSE(user.name.empty());
    EXPECT_FALSE(user.shortDateFormat.empty());
    EXPECT_NE(user.decimalSeparator, user.thousandSeparator);
}

}  // namespace
}  // namespace platform
