// The operating-system services the program's logic calls, behind one
// interface so that a Windows implementation can sit beside the Linux one.
//
// Paths are UTF-8 strings in the native form of the system. Every function
// reports failure by its result; none throws.
//
// Thread safety: implementations are stateless apart from what their
// documentation says; the program calls them from one thread.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace platform {

class Platform {
  public:
    virtual ~Platform() = default;

    // A new unique identifier in its 38-character text form
    // "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" (upper-case hexadecimal),
    // from a cryptographically strong random source; different each call.
    virtual std::string NewGuidText() = 0;

    // Reads a whole file. False with a readable reason in `error`.
    virtual bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& out,
                               std::string& error) = 0;

    // Replaces `path` with `bytes` without ever truncating the target in
    // place: writes a temporary file in the same folder, flushes it to disk,
    // then renames it over the target. On any failure the old file (if any)
    // is left intact, the temporary file is removed, and `error` explains.
    virtual bool WriteFileAtomically(const std::string& path, std::span<const uint8_t> bytes,
                                     std::string& error) = 0;

    // Copies `from` to `to`, replacing an existing target. A missing source
    // is not an error (returns true and does nothing).
    virtual bool CopyFileReplacing(const std::string& from, const std::string& to) = 0;

    virtual bool FileExists(const std::string& path) = 0;
    virtual bool RemoveFile(const std::string& path) = 0;

    // Modification time as seconds since 1970-01-01 UTC, or nothing.
    virtual std::optional<int64_t> ModificationTime(const std::string& path) = 0;
    // Sets the modification time, clearing a read-only attribute first.
    virtual bool SetModificationTime(const std::string& path, int64_t secondsSinceEpoch) = 0;

    // The folder separator of this system ('/' here, '\\' on Windows).
    virtual char PathSeparator() const = 0;
};

// The process's platform. Defaults to the implementation for the system the
// program was built for. Tests install fakes with SetCurrentPlatform and
// restore the previous one (returned) afterwards. Not thread-safe.
Platform& CurrentPlatform();
Platform* SetCurrentPlatform(Platform* platform);

// True when the character separates folders in a path ('/' or '\\').
inline bool IsPathSeparator(char c) {
    return c == '/' || c == '\\';
}

}  // namespace platform
