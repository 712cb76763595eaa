// The main window's start in a temporary XDG home: the order file type
// registered at every start unless in place, the shortcuts of the first
// start, and failures that stay silent.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/LinuxPlatform.h"
#include "qtsupport/MainWindowFixture.h"
#include "support/FileBytes.h"

namespace orders {
namespace {

namespace fs = std::filesystem;
using testing_support::ReadBytes;
using testing_support::TempFolder;

// The real platform, except that nothing is opened with the desktop.
class QuietPlatform : public platform::LinuxPlatform {
  public:
    bool OpenWithAssociatedProgram(const std::string& target) override {
        opened.push_back(target);
        return true;
    }
    std::vector<std::string> opened;
};

class DesktopIntegrationTest : public testing_support::MainWindowTest {
  protected:
    DesktopIntegrationTest() {
        startInSetUp = false;
        previous_ = platform::SetCurrentPlatform(&os);
        SetEnv("HOME", home.Path());
        SetEnv("XDG_DATA_HOME", home.File("data"));
        SetEnv("XDG_CONFIG_HOME", home.File("config"));
    }
    ~DesktopIntegrationTest() override {
        platform::SetCurrentPlatform(previous_);
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
            if (it->second)
                ::setenv(it->first.c_str(), it->second->c_str(), 1);
            else
                ::unsetenv(it->first.c_str());
        }
    }
    void SetEnv(const char* name, const std::string& value) {
        const char* old = ::getenv(name);
        saved_.push_back({name, old ? std::optional<std::string>(old) : std::nullopt});
        ::setenv(name, value.c_str(), 1);
    }
    void StartWindow() {
        int exitCode = 0;
        ASSERT_TRUE(Start({}, exitCode));
    }
    static ino_t Inode(const std::string& path) {
        struct stat st;
        return ::stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
    }

    TempFolder home;
    QuietPlatform os;
    platform::Platform* previous_ = nullptr;
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

TEST_F(DesktopIntegrationTest, FirstStartMakesShortcutsEveryStartKeepsTheTypeInPlace) {
    fs::remove(File("Zetrovo.ini"));
    StartWindow();
    const std::string program = os.ProgramFilePath();
    const std::string typeEntry = home.File("data/applications/files-of-zetrovo.desktop");
    EXPECT_NE(ReadBytes(typeEntry).find("Exec=\"" + program + "\" %F"), std::string::npos);
    EXPECT_TRUE(os.FileTypeOpensWith(".zv", "Files of Zetrovo", program));

    const std::string desktop = home.File("Desktop/Заявка по каталогу.desktop");
    const std::string menuEntry =
        home.File("data/applications/zetrovo-zayavka-po-katalogu.desktop");
    const std::string help = home.File("data/applications/zetrovo-spravka.desktop");
    EXPECT_NE(ReadBytes(desktop).find("Exec=\"" + program + "\""), std::string::npos);
    EXPECT_NE(ReadBytes(desktop).find("Path=" + dir.Path()), std::string::npos);
    EXPECT_TRUE(fs::exists(menuEntry));
    EXPECT_NE(ReadBytes(help).find("\"" + File("readme.txt") + "\""), std::string::npos);
    EXPECT_TRUE(fs::exists(home.File("config/menus/applications-merged/zetrovo.menu")));
    // The help text was opened, the settings file created.
    EXPECT_EQ(os.opened, std::vector<std::string>{File("readme.txt")});
    EXPECT_TRUE(fs::exists(File("Zetrovo.ini")));

    // A later start: the shortcuts are not made again, the association in
    // place is not written again.
    fs::remove(desktop);
    const ino_t typeFile = Inode(typeEntry);
    const ino_t list = Inode(home.File("config/mimeapps.list"));
    StartWindow();
    EXPECT_FALSE(fs::exists(desktop));
    EXPECT_EQ(Inode(typeEntry), typeFile);
    EXPECT_EQ(Inode(home.File("config/mimeapps.list")), list);

    // Taken by another program: taken back at the next start.
    testing_support::WriteBytes(home.File("config/mimeapps.list"),
                                "[Default Applications]\n"
                                "application/x-files-of-zetrovo=other.desktop;\n");
    StartWindow();
    EXPECT_TRUE(os.FileTypeOpensWith(".zv", "Files of Zetrovo", program));
    EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(DesktopIntegrationTest, FoldersThatCannotBeWrittenAreNoReasonToStop) {
    fs::remove(File("Zetrovo.ini"));
    testing_support::WriteBytes(home.File("data"), "a file in place of the folder");
    testing_support::WriteBytes(home.File("Desktop"), "and another");
    StartWindow();
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_TRUE(fs::exists(File("Zetrovo.ini")));
    EXPECT_EQ(window->windowTitle().left(18), QStringLiteral("Заявка по каталогу"));
}

}  // namespace
}  // namespace orders
