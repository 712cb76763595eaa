// The order file type and the shortcuts in a temporary XDG home: the files
// written, the association recognised as in place (and no longer when
// another program file or another program took it), other programs'
// defaults kept, silent failures, and the desktop stack's own tools reading
// the result where they are installed.
#include "platform/XdgDesktop.h"

#include <gtest/gtest.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/platform/TempFolder.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

const char kType[] = "Files of Zetrovo";

struct XdgHome {
    TempFolder root;
    XdgFolders folders{root.File("data"), root.File("config"), root.File("Desktop")};
    std::string Data(const std::string& name) const { return folders.dataHome + "/" + name; }
    std::string Config(const std::string& name) const { return folders.configHome + "/" + name; }
};

TEST(XdgDesktopTest, IdsAreAsciiWithCyrillicSpelledInLatin) {
    const std::pair<const char*, const char*> cases[] = {
        {"Заявка по каталогу", "zayavka-po-katalogu"},
        {"Зетрово", "zetrovo"},
        {"Справка", "spravka"},
        {"Files of Zetrovo", "files-of-zetrovo"},
        {"  Ёлка, Объём!  ", "elka-obem"},
        {"Щука №5", "shchuka-5"},
    };
    for (const auto& [name, id] : cases) EXPECT_EQ(DesktopId(name), id) << name;
}

TEST(XdgDesktopTest, ExecValuesQuoteTheProgramAsDesktopEntriesRequire) {
    EXPECT_EQ(DesktopExecValue("/opt/zv/zayavka", "%F"), "\"/opt/zv/zayavka\" %F");
    EXPECT_EQ(DesktopExecValue("/home/u/Мои программы/a\"b$c`d\\e 100%/zayavka", ""),
              "\"/home/u/Мои программы/a\\\"b\\$c\\`d\\\\e 100%%/zayavka\"");
}

TEST(XdgDesktopTest, RegistersTheTypeOnceAndTakesItBackWhenChanged) {
    XdgHome home;
    // Another program's default and an unrelated group stay as they are.
    fs::create_directories(home.folders.configHome);
    WriteText(home.Config("mimeapps.list"),
              "[Added Associations]\ntext/plain=gedit.desktop;\n\n[Default Applications]\n"
              "text/plain=gedit.desktop;\napplication/x-files-of-zetrovo=other.desktop;\n");
    const std::string program = "/opt/Заявка/zayavka";
    EXPECT_FALSE(XdgFileTypeInPlace(home.folders, ".zv", kType, program));

    std::vector<std::vector<std::string>> ran;
    const ToolRunner record = [&](const std::vector<std::string>& argv) {
        ran.push_back(argv);
        return true;
    };
    ASSERT_TRUE(XdgRegisterFileType(home.folders, ".zv", kType, program, record));
    EXPECT_EQ(ran, (std::vector<std::vector<std::string>>{
                       {"update-mime-database", home.folders.dataHome + "/mime"}}));
    EXPECT_TRUE(XdgFileTypeInPlace(home.folders, ".zv", kType, program));

    const std::string package = ReadText(home.Data("mime/packages/files-of-zetrovo.xml"));
    EXPECT_NE(package.find("<mime-type type=\"application/x-files-of-zetrovo\">"),
              std::string::npos);
    EXPECT_NE(package.find("<glob pattern=\"*.zv\" weight=\"60\"/>"), std::string::npos);
    EXPECT_EQ(ReadText(home.Data("applications/files-of-zetrovo.desktop")),
              "[Desktop Entry]\nType=Application\nName=Files of Zetrovo\n"
              "Exec=\"/opt/Заявка/zayavka\" %F\nPath=/opt/Заявка\n"
              "MimeType=application/x-files-of-zetrovo;\nNoDisplay=true\nTerminal=false\n");
    EXPECT_EQ(ReadText(home.Config("mimeapps.list")),
              "[Added Associations]\ntext/plain=gedit.desktop;\n\n[Default Applications]\n"
              "text/plain=gedit.desktop;\n"
              "application/x-files-of-zetrovo=files-of-zetrovo.desktop;\n");

    // A copy of the program in another folder, and another program taking
    // the default, each make the association out of place again.
    EXPECT_FALSE(XdgFileTypeInPlace(home.folders, ".zv", kType, "/opt/other/zayavka"));
    WriteText(home.Config("mimeapps.list"),
              "[Default Applications]\napplication/x-files-of-zetrovo=other.desktop;\n");
    EXPECT_FALSE(XdgFileTypeInPlace(home.folders, ".zv", kType, program));
    ASSERT_TRUE(XdgRegisterFileType(home.folders, ".zv", kType, program, record));
    EXPECT_TRUE(XdgFileTypeInPlace(home.folders, ".zv", kType, program));
}

TEST(XdgDesktopTest, AFolderThatCannotBeWrittenFailsQuietlyAndLeavesTheRestAlone) {
    XdgHome home;
    WriteText(home.root.File("data"), "a file where the data folder should be");
    bool ran = false;
    EXPECT_FALSE(XdgRegisterFileType(home.folders, ".zv", kType, "/opt/zv/zayavka",
                                     [&](const std::vector<std::string>&) { return ran = true; }));
    EXPECT_FALSE(ran);
    EXPECT_FALSE(fs::exists(home.Config("mimeapps.list")));
    EXPECT_FALSE(XdgFileTypeInPlace(home.folders, ".zv", kType, "/opt/zv/zayavka"));
    Platform::Shortcut menu{Platform::UserFolder::ProgramsMenu,
                            "Зетрово",
                            "Справка",
                            "/opt/zv/readme.txt",
                            "",
                            "",
                            "/opt/zv"};
    EXPECT_FALSE(XdgCreateShortcut(home.folders, menu));
}

TEST(XdgDesktopTest, ShortcutsOnTheDesktopAndInAMenuFolder) {
    XdgHome home;
    WriteText(home.root.File("zayavka"), "#!/bin/sh\n");
    ::chmod(home.root.File("zayavka").c_str(), 0755);
    WriteText(home.root.File("readme.txt"), "help");
    const std::string program = home.root.File("zayavka");
    const std::string folder = home.root.Path();
    using Folder = Platform::UserFolder;
    ASSERT_TRUE(XdgCreateShortcut(
        home.folders, {Folder::Desktop, "", "Заявка по каталогу", program, program, "", folder}));
    ASSERT_TRUE(XdgCreateShortcut(
        home.folders,
        {Folder::ProgramsMenu, "Зетрово", "Заявка по каталогу", program, program, "", folder}));
    ASSERT_TRUE(XdgCreateShortcut(home.folders, {Folder::ProgramsMenu, "Зетрово", "Справка",
                                                 home.root.File("readme.txt"), "", "", folder}));

    const std::string launcher = home.folders.desktop + "/Заявка по каталогу.desktop";
    EXPECT_EQ(ReadText(launcher),
              "[Desktop Entry]\nType=Application\nName=Заявка по каталогу\n"
              "Exec=\"" +
                  program + "\"\nPath=" + folder + "\nTerminal=false\n");
    struct stat st;
    ASSERT_EQ(::stat(launcher.c_str(), &st), 0);
    EXPECT_NE(st.st_mode & S_IXUSR, 0u);

    EXPECT_EQ(ReadText(home.Data("applications/zetrovo-spravka.desktop")),
              "[Desktop Entry]\nType=Application\nName=Справка\nExec=\"xdg-open\" \"" +
                  home.root.File("readme.txt") + "\"\nPath=" + folder + "\nTerminal=false\n");
    EXPECT_TRUE(fs::exists(home.Data("applications/zetrovo-zayavka-po-katalogu.desktop")));
    EXPECT_EQ(ReadText(home.Data("desktop-directories/zetrovo.directory")),
              "[Desktop Entry]\nType=Directory\nName=Зетрово\n");
    const std::string menu = ReadText(home.Config("menus/applications-merged/zetrovo.menu"));
    EXPECT_NE(menu.find("<Directory>zetrovo.directory</Directory>"), std::string::npos);
    EXPECT_NE(menu.find("<Filename>zetrovo-spravka.desktop</Filename>"), std::string::npos);
    EXPECT_NE(menu.find("<Filename>zetrovo-zayavka-po-katalogu.desktop</Filename>"),
              std::string::npos);
}

// Runs a shell command and returns its output without the final newline.
std::string Output(const std::string& command) {
    std::string out;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[256];
        while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) out.append(buffer, n);
        ::pclose(pipe);
    }
    while (!out.empty() && out.back() == '\n') out.pop_back();
    return out;
}

TEST(XdgDesktopTest, TheDesktopToolsFindTheTypeAndOpenOrdersWithTheProgram) {
    if (Output("command -v xdg-mime").empty() || Output("command -v update-mime-database").empty())
        GTEST_SKIP() << "xdg-utils or shared-mime-info not installed";
    XdgHome home;
    const std::string env = "env -i PATH=/usr/bin:/bin HOME='" + home.root.Path() +
                            "' XDG_DATA_HOME='" + home.folders.dataHome + "' XDG_CONFIG_HOME='" +
                            home.folders.configHome + "' ";
    ASSERT_TRUE(XdgRegisterFileType(
        home.folders, ".zv", kType, "/opt/zv/zayavka", [&](const std::vector<std::string>& argv) {
            return Output(env + argv[0] + " '" + argv[1] + "'; echo $?") == "0";
        }));
    EXPECT_TRUE(fs::exists(home.Data("mime/mime.cache")));
    EXPECT_EQ(Output(env + "xdg-mime query default application/x-files-of-zetrovo"),
              "files-of-zetrovo.desktop");
    if (Output("command -v gio").empty()) return;

    // A desktop that types files by their names (here the GNOME way, with
    // gio) opens an order file with the registered program.
    const std::string order = home.root.File("Заказ 1.zv");
    WriteText(order, "order");
    EXPECT_EQ(Output(env + "XDG_CURRENT_DESKTOP=GNOME xdg-mime query filetype '" + order + "'"),
              "application/x-files-of-zetrovo");
    const std::string program = home.root.File("program");
    const std::string got = home.root.File("got");
    WriteText(program, "#!/bin/sh\nprintf '%s|' \"$@\" > '" + got + "'\n");
    ::chmod(program.c_str(), 0755);
    ASSERT_TRUE(XdgRegisterFileType(
        home.folders, ".zv", kType, program, [&](const std::vector<std::string>& argv) {
            return Output(env + argv[0] + " '" + argv[1] + "'; echo $?") == "0";
        }));
    Output(env + "XDG_CURRENT_DESKTOP=GNOME DISPLAY=:77 timeout 20 xdg-open '" + order +
           "' 2>/dev/null");
    for (int i = 0; i < 100 && ReadText(got).empty(); ++i) ::usleep(50000);
    EXPECT_EQ(ReadText(got), order + "|");
}

}  // namespace
}  // namespace platform
