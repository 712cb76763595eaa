// The identity of a file's current contents as far as the file system can
// tell without reading it: device, inode, size and modification time in
// nanoseconds. Two equal identities taken at different moments mean the
// file was not replaced, resized or written in between (writes update the
// modification time; replacing by rename changes the inode).
//
// Used to decide whether something computed from a file's bytes may be
// reused instead of reading the file again.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace platform {

struct FileIdentity {
    uint64_t device = 0;
    uint64_t inode = 0;
    uint64_t size = 0;
    int64_t modifiedSeconds = 0;
    int64_t modifiedNanoseconds = 0;

    bool operator==(const FileIdentity&) const = default;
};

// The identity of a regular file, or nothing when it does not exist, is not
// a regular file or the system cannot tell (then callers must not reuse
// anything).
std::optional<FileIdentity> GetFileIdentity(const std::string& path);

// True when both paths name the same existing file (same device and inode),
// however they are written: relative or absolute, with "." and "..", or
// through links. False when either is missing or the system cannot tell.
bool SameFile(const std::string& a, const std::string& b);

}  // namespace platform
