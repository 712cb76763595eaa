#include "platform/FileIdentity.h"

#include <sys/stat.h>

namespace platform {

std::optional<FileIdentity> GetFileIdentity(const std::string& path) {
#if defined(_WIN32)
    // No inode and no nanosecond times through the C runtime: never claim
    // that two states of a file are the same.
    (void)path;
    return std::nullopt;
#else
    struct stat st;
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    FileIdentity id;
    id.device = static_cast<uint64_t>(st.st_dev);
    id.inode = static_cast<uint64_t>(st.st_ino);
    id.size = static_cast<uint64_t>(st.st_size);
#if defined(__APPLE__)
    id.modifiedSeconds = st.st_mtimespec.tv_sec;
    id.modifiedNanoseconds = st.st_mtimespec.tv_nsec;
#else
    id.modifiedSeconds = st.st_mtim.tv_sec;
    id.modifiedNanoseconds = st.st_mtim.tv_nsec;
#endif
    return id;
#endif
}

bool IsNonRegularFile(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) == 0) return !S_ISREG(st.st_mode);
    // Something is there that cannot be followed: a link whose target is
    // missing or that loops. Renaming over it would drop the link.
    return ::lstat(path.c_str(), &st) == 0;
}

bool IsSameFile(const std::string& first, const std::string& second) {
    const std::optional<FileIdentity> a = GetFileIdentity(first);
    const std::optional<FileIdentity> b = GetFileIdentity(second);
    return a && b && a->device == b->device && a->inode == b->inode;
}

}  // namespace platform
