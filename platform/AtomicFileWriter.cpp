#include "platform/AtomicFileWriter.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <system_error>

#include "platform/RandomBytes.h"

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

std::string TempNameFor(const std::string& target) {
    uint8_t random[8];
    FillRandom(random, sizeof random);
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string name = target + ".tmp";
    for (uint8_t b : random) {
        name += kDigits[b >> 4];
        name += kDigits[b & 15];
    }
    return name;
}

}  // namespace

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

    bool exists = false;
    uint32_t mode = 0;
    if (::stat(target.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) {
            error = "Cannot write '" + path + "': " + Reason(EISDIR);
            return false;
        }
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
    if ((err = ops.Rename(temp, target)) != 0) return fail("Cannot replace", err);

    // The new content is in place now and the old one is gone, so a failure
    // here cannot be reported as "target left intact"; some file systems do
    // not sync folders at all.
    ops.SyncFolder(FolderOf(target));
    return true;
}

}  // namespace platform
