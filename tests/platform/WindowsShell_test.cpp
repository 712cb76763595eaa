// Shell links and the order file type against the real shell objects and
// registry (under Wine when built on Linux).
#include "platform/WindowsShell.h"

#include <gtest/gtest.h>

#include "platform/WindowsPlatform.h"
#include "tests/platform/TempFolder.h"

namespace platform {
namespace {

TEST(WindowsShellTest, FileTypeIsWrittenUnderTheUsersClassesAndRecognised) {
    // A name of its own, so that the test leaves the real ".zv" alone.
    const std::string extension = ".zvtest";
    const std::string type = "Files of Zetrovo Test";
    const std::string program = "C:\\Program Files\\Зетрово\\zayavka.exe";
    RemoveClassesKey(extension);
    RemoveClassesKey(type);
    WindowsPlatform os;

    EXPECT_FALSE(os.FileTypeOpensWith(extension, type, program));
    ASSERT_TRUE(os.RegisterFileType(extension, type, program));
    EXPECT_EQ(ReadClassesValue(extension), type);
    EXPECT_EQ(ReadClassesValue(type + "\\DefaultIcon"), program + ",0");
    EXPECT_EQ(ReadClassesValue(type + "\\Shell\\Open\\command"),
              "\"C:\\Program Files\\Зетрово\\zayavka.exe\" \"%1\"");
    EXPECT_TRUE(os.FileTypeOpensWith(extension, type, program));
    // A path is one file whatever the letter case.
    EXPECT_TRUE(os.FileTypeOpensWith(extension, type, "c:\\program files\\зетрово\\ZAYAVKA.EXE"));
    EXPECT_FALSE(os.FileTypeOpensWith(extension, type, "D:\\other\\zayavka.exe"));

    // The form without quotes counts as in place too; another type does not.
    ASSERT_TRUE(WriteClassesValue(type + "\\Shell\\Open\\command", program + " %1"));
    EXPECT_TRUE(os.FileTypeOpensWith(extension, type, program));
    ASSERT_TRUE(WriteClassesValue(extension, "txtfile"));
    EXPECT_FALSE(os.FileTypeOpensWith(extension, type, program));

    EXPECT_TRUE(RemoveClassesKey(extension));
    EXPECT_TRUE(RemoveClassesKey(type));
    EXPECT_FALSE(ReadClassesValue(extension).has_value());
}

TEST(WindowsShellTest, ShortcutsAreWrittenAndReadBack) {
    TempFolder dir;
    ShellLink link;
    link.target = WinFile(dir, "zayavka.exe");
    link.arguments = "-k \"заявка 1.txt\"";
    link.workingFolder = dir.Path();
    link.iconPath = WinFile(dir, "zayavka.exe");
    WriteText(link.target, "MZ");
    const std::string path = WinFile(dir, "Заявка по каталогу.lnk");
    ASSERT_TRUE(WriteShellLink(path, link));
    // Replacing an existing link.
    ASSERT_TRUE(WriteShellLink(path, link));

    const std::optional<ShellLink> read = ReadShellLink(path);
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(read->target, link.target);
    EXPECT_EQ(read->arguments, link.arguments);
    EXPECT_EQ(read->workingFolder, link.workingFolder);
    EXPECT_EQ(read->iconPath, link.iconPath);
    EXPECT_FALSE(ReadShellLink(WinFile(dir, "missing.lnk")).has_value());
}

TEST(WindowsShellTest, ShortcutGoesIntoAMenuSubFolderMadeForIt) {
    TempFolder dir;
    WindowsPlatform os;
    const std::string menu = os.UserFolderPath(Platform::UserFolder::ProgramsMenu);
    ASSERT_FALSE(menu.empty());
    const std::string subFolder = "Зетрово тест";
    const std::string folder = menu + "\\" + subFolder;
    std::filesystem::remove_all(NativePath(folder));

    Platform::Shortcut shortcut;
    shortcut.folder = Platform::UserFolder::ProgramsMenu;
    shortcut.subFolder = subFolder;
    shortcut.name = "Справка";
    shortcut.target = WinFile(dir, "readme.txt");
    shortcut.workingFolder = dir.Path();
    WriteText(shortcut.target, "readme");
    ASSERT_TRUE(os.CreateShortcut(shortcut));

    const std::optional<ShellLink> read = ReadShellLink(folder + "\\Справка.lnk");
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(read->target, shortcut.target);
    EXPECT_EQ(read->workingFolder, shortcut.workingFolder);
    EXPECT_EQ(read->arguments, "");
    std::filesystem::remove_all(NativePath(folder));
}

}  // namespace
}  // namespace platform
