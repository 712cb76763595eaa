#include "platform/LinuxPlatform.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cctype>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

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

}  // namespace
}  // namespace platform
