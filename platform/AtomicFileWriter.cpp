#include "platform/AtomicFileWriter.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <system_error>
#include <vector>

#include "platform/FileIdentity.h"
#include "platform/TempFileName.h"

namespace platform {

namespace {

// One write() moves at most about 2 GiB on Linux; smaller pieces keep the
// arithmetic plain.
constexpr size_t kMaxChunk = size_t{1} << 30;

constexpr int kCreateAttempts = 8;

std::string Reason(int err) {
    return std::system_category().message(err);
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

// A temporary file not locked by its writer is left alone this long after
// its last change: a writer locks its file right after creating it, and
// this covers the moment in between.
constexpr time_t kStaleAfterSeconds = 60;

std::string BaseName(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool IsTempNameOf(const std::string& name, const std::string& targetBase) {
    const std::string prefix = targetBase + kTempInfix;
    if (name.size() != prefix.size() + kTempDigits || name.compare(0, prefix.size(), prefix) != 0)
        return false;
    return std::all_of(name.begin() + std::ptrdiff_t(prefix.size()), name.end(),
                       [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

}  // namespace

std::string NotRegularFileError(const std::string& path) {
    return "Cannot write '" + path + "': not a regular file";
}

int RemoveStaleTemporaries(const std::string& target) {
    const std::string folder = FolderOf(target);
    const std::string base = BaseName(target);
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) return 0;
    std::vector<std::string> candidates;
    while (const dirent* entry = ::readdir(dir)) {
        if (IsTempNameOf(entry->d_name, base)) candidates.emplace_back(entry->d_name);
    }
    ::closedir(dir);

    int removed = 0;
    const time_t now = ::time(nullptr);
    for (const std::string& name : candidates) {
        const std::string path = folder + "/" + name;
        int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) continue;
        struct stat held;
        struct stat named;
        // Only the user's own regular files, quiet for a while, whose lock
        // nobody holds: their writer has ended without finishing. The path
        // must still name the file that was locked when it is removed.
        if (::fstat(fd, &held) == 0 && S_ISREG(held.st_mode) && held.st_uid == ::geteuid() &&
            held.st_mtime + kStaleAfterSeconds < now && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
            ::lstat(path.c_str(), &named) == 0 && named.st_dev == held.st_dev &&
            named.st_ino == held.st_ino && ::unlink(path.c_str()) == 0) {
            ++removed;
        }
        ::close(fd);
    }
    return removed;
}

bool WriteFileAtomically(FileOps& ops, const std::string& path, std::span<const uint8_t> bytes,
                         std::string& error) {
    std::string target = path;
    struct stat st;
    if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        if (char* resolved = ::realpath(path.c_str(), nullptr)) {
            target = resolved;
            std::free(resolved);
        }
    }

    // Only a regular file is ever replaced: a rename over a device, a pipe
    // or a folder would destroy what the name stands for.
    if (IsNonRegularFile(target)) {
        error = NotRegularFileError(path);
        return false;
    }
    bool exists = false;
    uint32_t mode = 0;
    if (::stat(target.c_str(), &st) == 0) {
        if ((st.st_mode & S_IWUSR) == 0) {
            error = "Cannot write '" + path + "': the file is read-only";
            return false;
        }
        if (::access(target.c_str(), W_OK) != 0) {
            error = "Cannot write '" + path + "': " + Reason(errno);
            return false;
        }
        exists = true;
        mode = st.st_mode & 0777;
    }

    // Copies left by writers that died (a crash, a killed program) would
    // pile up beside the target, one whole table each.
    RemoveStaleTemporaries(target);

    std::string temp;
    int fd = -1;
    int err = EEXIST;
    for (int attempt = 0; attempt < kCreateAttempts && err == EEXIST; ++attempt) {
        temp = TempNameFor(target);
        err = ops.CreateNew(temp, fd);
    }
    if (err != 0) {
        error = "Cannot create a temporary file for '" + path + "': " + Reason(err);
        return false;
    }

    bool open = true;
    auto fail = [&](const char* what, int failure) {
        if (open) ops.Close(fd);
        ops.Remove(temp);
        error = std::string(what) + " '" + path + "': " + Reason(failure);
        return false;
    };

    // Held until the file is closed: while it is, no other writer takes
    // the file for stale. Best effort: without locks the file is only ever
    // removed by this writer.
    ops.Lock(fd);

    // Best effort: a file system without permission bits still gets the data.
    if (exists) ops.SetMode(fd, mode);

    size_t done = 0;
    while (done < bytes.size()) {
        const size_t chunk = std::min(bytes.size() - done, kMaxChunk);
        size_t written = 0;
        err = ops.Write(fd, bytes.data() + done, chunk, written);
        // A write that moves nothing would loop for ever.
        if (err == 0 && written == 0) err = EIO;
        if (err != 0) return fail("Cannot write", err);
        done += written;
    }
    if ((err = ops.Sync(fd)) != 0) return fail("Cannot flush", err);
    open = false;
    if ((err = ops.Close(fd)) != 0) return fail("Cannot write", err);
    // Asked again at the last moment: the name may have been taken by
    // something else while the bytes were written.
    if (IsNonRegularFile(target)) {
        ops.Remove(temp);
        error = NotRegularFileError(path);
        return false;
    }
    if ((err = ops.Rename(temp, target)) != 0) return fail("Cannot replace", err);

    // The new content is in place now and the old one is gone, so a failure
    // here cannot be reported as "target left intact"; some file systems do
    // not sync folders at all.
    ops.SyncFolder(FolderOf(target));
    return true;
}

}  // namespace platform
