#include "platform/LinuxPlatform.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "platform/AtomicFileWriter.h"
#include "platform/RandomBytes.h"

namespace platform {

namespace {

// Reads all of `path` into `out`; 0 or an errno value. The size from fstat
// is only a first guess: the loop reads until end of file.
int ReadAll(const std::string& path, std::vector<uint8_t>& out) {
    int fd;
    do {
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return errno;

    struct stat st;
    int err = ::fstat(fd, &st) != 0 ? errno : S_ISDIR(st.st_mode) ? EISDIR : 0;
    if (err != 0) {
        ::close(fd);
        return err;
    }
    std::vector<uint8_t> bytes(st.st_size > 0 ? static_cast<size_t>(st.st_size) + 1 : 4096);
    size_t used = 0;
    for (;;) {
        if (used == bytes.size()) bytes.resize(bytes.size() * 2);
        ssize_t got = ::read(fd, bytes.data() + used, bytes.size() - used);
        if (got < 0) {
            if (errno == EINTR) continue;
            err = errno;
            ::close(fd);
            return err;
        }
        if (got == 0) break;
        used += static_cast<size_t>(got);
    }
    ::close(fd);
    bytes.resize(used);
    out.swap(bytes);
    return 0;
}

}  // namespace

LinuxPlatform::LinuxPlatform() : fileOps_(PosixFileOps::Instance()) {}

LinuxPlatform::LinuxPlatform(FileOps& fileOps) : fileOps_(fileOps) {}

// A random (version 4) identifier; the text is also used as a cipher key, so
// the bytes come from the kernel's strong generator.
std::string LinuxPlatform::NewGuidText() {
    uint8_t b[16];
    FillRandom(b, sizeof b);
    b[6] = static_cast<uint8_t>((b[6] & 0x0F) | 0x40);
    b[8] = static_cast<uint8_t>((b[8] & 0x3F) | 0x80);

    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(38);
    text += '{';
    for (int i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) text += '-';
        text += kDigits[b[i] >> 4];
        text += kDigits[b[i] & 15];
    }
    text += '}';
    return text;
}

bool LinuxPlatform::ReadWholeFile(const std::string& path, std::vector<uint8_t>& out,
                                  std::string& error) {
    int err = ReadAll(path, out);
    if (err == 0) return true;
    error = "Cannot read '" + path + "': " + std::system_category().message(err);
    return false;
}

bool LinuxPlatform::WriteFileAtomically(const std::string& path, std::span<const uint8_t> bytes,
                                        std::string& error) {
    return platform::WriteFileAtomically(fileOps_, path, bytes, error);
}

bool LinuxPlatform::CopyFileReplacing(const std::string& from, const std::string& to) {
    std::vector<uint8_t> bytes;
    int err = ReadAll(from, bytes);
    if (err == ENOENT) return true;
    if (err != 0) return false;
    std::string error;
    return WriteFileAtomically(to, bytes, error);
}

bool LinuxPlatform::FileExists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool LinuxPlatform::RemoveFile(const std::string& path) {
    return ::unlink(path.c_str()) == 0;
}

std::optional<int64_t> LinuxPlatform::ModificationTime(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    return static_cast<int64_t>(st.st_mtim.tv_sec);
}

bool LinuxPlatform::SetModificationTime(const std::string& path, int64_t secondsSinceEpoch) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return false;
    const bool readOnly = (st.st_mode & S_IWUSR) == 0;
    if (readOnly && ::chmod(path.c_str(), (st.st_mode & 07777) | S_IWUSR) != 0) return false;

    struct timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;  // the access time stays
    times[1].tv_sec = static_cast<time_t>(secondsSinceEpoch);
    times[1].tv_nsec = 0;
    const bool ok = ::utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;

    if (readOnly) ::chmod(path.c_str(), st.st_mode & 07777);
    return ok;
}

}  // namespace platform
