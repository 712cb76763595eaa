// The main of the program's test executables: a QApplication on the
// offscreen platform (no display needed), then GoogleTest.
//
// The program registers its file type and creates shortcuts in the user's
// folders, and keeps its single-instance lock in the runtime folder: every
// test executable gets a home, XDG folders and a runtime folder of its own
// under a temporary folder, removed at the end, so that no test touches the
// real ones.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <QApplication>
#include <filesystem>
#include <string>
#include <system_error>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    std::string home = (std::filesystem::temp_directory_path() / "zvhomeXXXXXX").string();
    const bool isolated = ::mkdtemp(home.data()) != nullptr;
    if (isolated) {
        ::chmod(home.c_str(), 0700);
        ::setenv("HOME", home.c_str(), 1);
        ::setenv("XDG_DATA_HOME", (home + "/.local/share").c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (home + "/.config").c_str(), 1);
        ::setenv("XDG_RUNTIME_DIR", home.c_str(), 1);
    }
    int result;
    {
        QApplication app(argc, argv);
        ::testing::InitGoogleTest(&argc, argv);
        result = RUN_ALL_TESTS();
    }
    if (isolated) {
        std::error_code ignored;
        std::filesystem::remove_all(home, ignored);
    }
    return result;
}
