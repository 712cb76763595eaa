// The low-level file operations that an atomic file replacement is made of,
// behind an interface so that tests can make any one of them fail (a disk
// that fills up half-way, a rename that is refused) and check that the old
// file survives.
//
// Every operation returns 0 on success or an errno value; none throws and
// none reports through the global errno.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

class FileOps {
  public:
    virtual ~FileOps() = default;

    // Creates `path` for writing; fails with EEXIST when anything is there.
    // The new file gets the default permissions (0666 less the umask).
    virtual int CreateNew(const std::string& path, int& fd) = 0;
    // Writes at most `n` bytes and tells in `written` how many it wrote,
    // which may be fewer than `n`.
    virtual int Write(int fd, const uint8_t* data, size_t n, size_t& written) = 0;
    // Sets the permission bits of an open file.
    virtual int SetMode(int fd, uint32_t mode) = 0;
    // Flushes the file's data and metadata to the disk.
    virtual int Sync(int fd) = 0;
    // Closes `fd`; the descriptor is gone even when an error is returned.
    virtual int Close(int fd) = 0;
    // Renames `from` to `to`, replacing `to` in one step.
    virtual int Rename(const std::string& from, const std::string& to) = 0;
    virtual int Remove(const std::string& path) = 0;
    // Flushes a folder's entries (a rename inside it) to the disk.
    virtual int SyncFolder(const std::string& folder) = 0;
    // Takes an exclusive lock on the open file without waiting; the system
    // drops it when the file is closed or the process ends, however it
    // ends. EWOULDBLOCK when another open file holds it.
    virtual int Lock(int fd) = 0;
};

// The real operations on top of the POSIX calls. Stateless.
class PosixFileOps : public FileOps {
  public:
    static PosixFileOps& Instance();

    int CreateNew(const std::string& path, int& fd) override;
    int Write(int fd, const uint8_t* data, size_t n, size_t& written) override;
    int SetMode(int fd, uint32_t mode) override;
    int Sync(int fd) override;
    int Close(int fd) override;
    int Rename(const std::string& from, const std::string& to) override;
    int Remove(const std::string& path) override;
    int SyncFolder(const std::string& folder) override;
    int Lock(int fd) override;
};

}  // namespace platform
