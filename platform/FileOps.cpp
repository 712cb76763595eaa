#include "platform/FileOps.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace platform {

PosixFileOps& PosixFileOps::Instance() {
    static PosixFileOps instance;
    return instance;
}

int PosixFileOps::CreateNew(const std::string& path, int& fd) {
    do {
        fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    return fd < 0 ? errno : 0;
}

int PosixFileOps::Write(int fd, const uint8_t* data, size_t n, size_t& written) {
    written = 0;
    for (;;) {
        ssize_t r = ::write(fd, data, n);
        if (r >= 0) {
            written = static_cast<size_t>(r);
            return 0;
        }
        if (errno != EINTR) return errno;
    }
}

int PosixFileOps::SetMode(int fd, uint32_t mode) {
    return ::fchmod(fd, static_cast<mode_t>(mode)) == 0 ? 0 : errno;
}

int PosixFileOps::Sync(int fd) {
    for (;;) {
        if (::fsync(fd) == 0) return 0;
        if (errno != EINTR) return errno;
    }
}

// Not retried on EINTR: on Linux the descriptor is released either way, and
// a second close could hit a descriptor another part of the program opened.
int PosixFileOps::Close(int fd) {
    return ::close(fd) == 0 ? 0 : errno;
}

int PosixFileOps::Rename(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

int PosixFileOps::Remove(const std::string& path) {
    return ::unlink(path.c_str()) == 0 ? 0 : errno;
}

int PosixFileOps::SyncFolder(const std::string& folder) {
    int fd;
    do {
        fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return errno;
    int result = Sync(fd);
    ::close(fd);
    return result;
}

int PosixFileOps::Lock(int fd) {
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return 0;
        if (errno != EINTR) return errno;
    }
}

}  // namespace platform
