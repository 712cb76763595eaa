// Names taken by what is not a regular file, which the program must leave
// alone: named pipes (FIFOs) and symbolic links. Windows has no FIFOs in its
// file system, so there MakeFifo fails and a test built on one is skipped
// with kNoFifos as the reason.
#pragma once

#include <filesystem>
#include <string>
#include <system_error>

#if !defined(_WIN32)
#include <sys/stat.h>
#endif

namespace testing_support {

#if defined(_WIN32)
inline constexpr bool kHasFifos = false;
#else
inline constexpr bool kHasFifos = true;
#endif
inline constexpr const char* kNoFifos = "Windows has no named pipes (FIFOs) in its file system";

// Makes a FIFO at `path`; false where there is none to make.
inline bool MakeFifo(const std::string& path) {
#if defined(_WIN32)
    (void)path;
    return false;
#else
    return ::mkfifo(path.c_str(), 0600) == 0;
#endif
}

inline bool IsFifo(const std::string& path) {
    std::error_code error;
    return std::filesystem::symlink_status(path, error).type() == std::filesystem::file_type::fifo;
}

// Makes a symbolic link `link` to `target`; false where the system refuses
// (Windows grants links to administrators and in developer mode only).
inline bool MakeSymlink(const std::string& target, const std::string& link) {
    std::error_code error;
    if (std::filesystem::is_directory(target, error))
        std::filesystem::create_directory_symlink(target, link, error);
    else
        std::filesystem::create_symlink(target, link, error);
    return !error;
}

}  // namespace testing_support
