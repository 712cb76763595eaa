// A fresh folder under the system's temporary folder for one test, removed
// with everything in it afterwards. Tests work on real files in it.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <random>
#include <set>
#include <string>
#include <system_error>

namespace testing_support {

class TempFolder {
  public:
    TempFolder() {
#if defined(_WIN32)
        // No mkdtemp: a random name, taken only when the folder is new.
        std::random_device random;
        for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
            const auto candidate = std::filesystem::temp_directory_path() /
                                   ("zvtest" + std::to_string(random()) + std::to_string(random()));
            std::error_code error;
            if (std::filesystem::create_directory(candidate, error)) path_ = candidate.string();
        }
        if (path_.empty()) ADD_FAILURE() << "cannot create a temporary folder";
#else
        std::string pattern = (std::filesystem::temp_directory_path() / "zvtestXXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "mkdtemp failed";
        path_ = pattern;
#endif
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // The folder, without a trailing separator.
    const std::string& Path() const {
        return path_;
    }
    // `name` in the folder, joined with the system's own separator, as the
    // program joins its paths.
    std::string File(const std::string& name) const {
#if defined(_WIN32)
        std::string native = name;
        for (char& c : native)
            if (c == '/') c = '\\';
        return path_ + "\\" + native;
#else
        return path_ + "/" + name;
#endif
    }

    // The folder with the separator at its end, as the program keeps its
    // folders.
    std::string Folder() const {
        return File("");
    }

    // Names of everything in the folder.
    std::set<std::string> Names() const {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(path_)) {
            // UTF-8 on every system (string() would give Windows' ANSI page).
            const std::u8string name = entry.path().filename().u8string();
            names.insert(std::string(name.begin(), name.end()));
        }
        return names;
    }

  private:
    std::string path_;
};

}  // namespace testing_support
