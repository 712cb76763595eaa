#include "platform/FileIdentity.h"

#if defined(_WIN32)
#include <windows.h>

#include "platform/WindowsText.h"
#else
#include <sys/stat.h>
#endif

namespace platform {

std::optional<FileIdentity> GetFileIdentity(const std::string& path) {
#if defined(_WIN32)
    // The volume's serial number and the file's index stand for device and
    // inode; the last write time counts 100-nanosecond steps from 1601.
    HANDLE file = ::CreateFileW(WideFromUtf8(path).c_str(), 0,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::nullopt;
    BY_HANDLE_FILE_INFORMATION info;
    const bool known = ::GetFileType(file) == FILE_TYPE_DISK &&
                       ::GetFileInformationByHandle(file, &info) &&
                       (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    ::CloseHandle(file);
    if (!known) return std::nullopt;
    FileIdentity id;
    id.device = info.dwVolumeSerialNumber;
    id.inode = (uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
    id.size = (uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow;
    constexpr int64_t kUnixEpoch = 116444736000000000LL;
    const int64_t written =
        static_cast<int64_t>((uint64_t{info.ftLastWriteTime.dwHighDateTime} << 32) |
                             info.ftLastWriteTime.dwLowDateTime) -
        kUnixEpoch;
    // Rounded down, also before 1970.
    id.modifiedSeconds = written >= 0 ? written / 10000000 : -((-written + 9999999) / 10000000);
    id.modifiedNanoseconds = (written - id.modifiedSeconds * 10000000) * 100;
    return id;
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

bool SameFile(const std::string& a, const std::string& b) {
    const std::optional<FileIdentity> first = GetFileIdentity(a);
    const std::optional<FileIdentity> second = GetFileIdentity(b);
    return first && second && first->device == second->device && first->inode == second->inode;
}

}  // namespace platform
