// The program registers its file type and creates shortcuts in the user's
// folders, and keeps its single-instance lock in the runtime folder: a test
// program gets a home, XDG folders and a runtime folder of its own under a
// temporary folder, removed at the end, so that no test touches the real
// ones. On Windows the tests run in a Wine prefix of their own, and the
// program's folders there are the system's: this does nothing.
#pragma once

#include <stdlib.h>
#if !defined(_WIN32)
#include <sys/stat.h>
#endif

#include <filesystem>
#include <string>
#include <system_error>

namespace testing_support {

class IsolatedHome {
  public:
    IsolatedHome() {
#if !defined(_WIN32)
        home_ = (std::filesystem::temp_directory_path() / "zvhomeXXXXXX").string();
        isolated_ = ::mkdtemp(home_.data()) != nullptr;
        if (!isolated_) return;
        ::chmod(home_.c_str(), 0700);
        ::setenv("HOME", home_.c_str(), 1);
        ::setenv("XDG_DATA_HOME", (home_ + "/.local/share").c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (home_ + "/.config").c_str(), 1);
        ::setenv("XDG_RUNTIME_DIR", home_.c_str(), 1);
#endif
    }
    ~IsolatedHome() {
        if (!isolated_) return;
        std::error_code ignored;
        std::filesystem::remove_all(home_, ignored);
    }
    IsolatedHome(const IsolatedHome&) = delete;
    IsolatedHome& operator=(const IsolatedHome&) = delete;

  private:
    std::string home_;
    bool isolated_ = false;
};

}  // namespace testing_support
