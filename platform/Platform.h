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

class RegionBuffer;

class Platform {
  public:
    virtual ~Platform() = default;

    // A new unique identifier in its 38-character text form
    // "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" (upper-case hexadecimal),
    // from a cryptographically strong random source; different each call.
    virtual std::string NewGuidText() = 0;

    // Reads a whole file. False with a readable reason in `error`; also
    // for anything but a regular file (a device or a pipe is refused before
    // it is read, without waiting for a writer) and for a file of more than
    // `maxSize` bytes, refused before reading when its size says so.
    virtual bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& out,
                               std::string& error, uint64_t maxSize = UINT64_MAX) = 0;
    // The same into a large memory region (see MemoryRegion.h), for files
    // that may be large, such as a table read into memory.
    virtual bool ReadWholeFile(const std::string& path, RegionBuffer& out, std::string& error,
                               uint64_t maxSize = UINT64_MAX) = 0;

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

    // --- File attributes -------------------------------------------------

    // True when the file carries the read-only attribute (on Linux: the
    // owner's write permission bit is clear). False for a missing file.
    virtual bool IsReadOnly(const std::string& path) = 0;
    // Sets or clears the read-only attribute. On Linux setting it removes
    // every write permission bit, clearing it adds the owner's write bit;
    // the other bits stay. False when the file is missing or the change is
    // refused.
    virtual bool SetReadOnly(const std::string& path, bool readOnly) = 0;

    // --- Opening documents and starting programs -------------------------

    // Opens a file, a web address or a "mailto:" link with the program the
    // desktop associates with it, without waiting for that program. True
    // when the request was handed over; false when no opener exists or the
    // opener reports failure (the callers' "result of 31 or less").
    virtual bool OpenWithAssociatedProgram(const std::string& target) = 0;

    // Starts the program file `path` as a new process, detached, without
    // waiting and without arguments. On Linux the owner's execute bit is set
    // first (a downloaded file has none). True when the process was started;
    // callers may ignore the result.
    virtual bool StartProcess(const std::string& path) = 0;

    // --- The user's folders and locale -----------------------------------

    enum class UserFolder {
        Desktop,       // the desktop (on Linux: XDG_DESKTOP_DIR, else ~/Desktop)
        ProgramsMenu,  // where menu entries go (on Linux: DataHome/applications)
        DataHome,      // per-user program data (on Linux: XDG_DATA_HOME, else ~/.local/share)
    };
    // The folder's path without a trailing separator, or empty when the
    // system cannot tell. The folder need not exist.
    virtual std::string UserFolderPath(UserFolder folder) = 0;

    // The user's number and date conventions; see LocaleFormats.
    struct LocaleFormats {
        char decimalSeparator = ',';
        char thousandSeparator = ' ';
        char dateSeparator = '.';
        char timeSeparator = ':';
        // Patterns in the engine's date tokens (d, dd, m, mm, yy, yyyy, h,
        // hh, nn, ss; '/' and ':' stand for the separators).
        std::string shortDateFormat = "dd/mm/yyyy";
        std::string longTimeFormat = "h:nn:ss";
        // The locale's name as the system gives it ("ru_RU.UTF-8"); empty
        // when the user has none and the Russian defaults above apply.
        std::string name;
    };
    // Without a user locale (the "C" or "POSIX" locale) the Russian
    // defaults are returned, the program's native conventions. Upper-casing
    // and comparing Windows-1251 text is the engine's (engine/text/Win1251.h)
    // and the same everywhere.
    virtual LocaleFormats UserLocale() = 0;

    // --- Services not provided on every system ---------------------------
    // Each returns false when the system offers no such service; callers
    // treat that as a silent failure.

    // A shortcut (desktop link, menu entry) to `target`.
    struct Shortcut {
        UserFolder folder = UserFolder::Desktop;
        std::string subFolder;  // created inside `folder` when missing; may be empty
        std::string name;       // the link's name without extension
        std::string target;
        std::string iconPath;   // may be empty
        std::string arguments;  // may be empty
        std::string workingFolder;
    };
    // Creates or replaces the shortcut.
    virtual bool CreateShortcut(const Shortcut& shortcut) = 0;

    // Whether files with `extension` (".zv") are opened by `programPath`
    // under the type name `typeName`.
    virtual bool FileTypeOpensWith(const std::string& extension, const std::string& typeName,
                                   const std::string& programPath) = 0;
    // Makes `programPath` the opener of files with `extension`, under the
    // type name `typeName` ("Files of Zetrovo"), with the program's icon.
    virtual bool RegisterFileType(const std::string& extension, const std::string& typeName,
                                  const std::string& programPath) = 0;

    // The single-instance lock named `name` (the program file's path).
    enum class InstanceClaim {
        First,        // this process holds the lock now
        Other,        // another process holds it
        Unavailable,  // the system offers no lock: run as the first instance
    };
    // Held until the process ends.
    virtual InstanceClaim ClaimSingleInstance(const std::string& name) = 0;
    // After a First claim: the descriptor of the listening local socket on
    // which hand-overs arrive (platform/InstanceHandOver.h; the program's
    // event loop accepts them), or -1 when there is none. The caller owns
    // the descriptor from now on and closes it; later calls return -1.
    virtual intptr_t TakeInstanceListener() = 0;
    // Hands `arguments` to the instance holding the lock `name`, one at a
    // time, in order, each received (answered) before the next is sent; the
    // running instance answers on receipt and opens them later. False when
    // the running instance cannot be reached or does not answer in time:
    // the caller then looks at the lock again before it starts on its own.
    virtual bool HandOverToRunningInstance(const std::string& name,
                                           const std::vector<std::string>& arguments) = 0;

    // The full path of the running program file, or empty.
    virtual std::string ProgramFilePath() = 0;

    // Removable media (the floppy drive A: of old) that are inserted, ready
    // and writable: the folders a file is copied into, in the order the
    // system lists them. Empty when there is none.
    virtual std::vector<std::string> RemovableMedia() = 0;
};

// The process's platform. Defaults to the implementation for the system the
// program was built for. Tests install fakes with SetCurrentPlatform and
// restore the previous one (returned) afterwards. Not thread-safe.
Platform& CurrentPlatform();
Platform* SetCurrentPlatform(Platform* platform);

// A random (version 4) identifier in the text form of Platform::NewGuidText.
// The text is also used as a cipher key, so the bytes come from the
// system's strong generator (platform/RandomBytes.h).
std::string NewRandomGuidText();

// True when the character separates folders in a path ('/' or '\\').
inline bool IsPathSeparator(char c) {
    return c == '/' || c == '\\';
}

}  // namespace platform
