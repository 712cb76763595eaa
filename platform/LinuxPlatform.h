// The platform services on Linux: POSIX calls and the C++ standard library.
//
// Thread safety: stateless apart from the FileOps it was given; the program
// calls it from one thread.
#pragma once

#include <chrono>
#include <string>

#include "platform/FileOps.h"
#include "platform/LinuxSingleInstance.h"
#include "platform/Platform.h"
#include "platform/XdgDesktop.h"

namespace platform {

class LinuxPlatform : public Platform {
  public:
    // Uses the real POSIX file operations.
    LinuxPlatform();
    // Uses `fileOps` for the steps of WriteFileAtomically (and so of
    // CopyFileReplacing). REQUIRES: `fileOps` outlives this object.
    explicit LinuxPlatform(FileOps& fileOps);

    std::string NewGuidText() override;
    bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& out, std::string& error,
                       uint64_t maxSize = UINT64_MAX) override;
    bool ReadWholeFile(const std::string& path, RegionBuffer& out, std::string& error,
                       uint64_t maxSize = UINT64_MAX) override;
    bool WriteFileAtomically(const std::string& path, std::span<const uint8_t> bytes,
                             std::string& error) override;
    bool CopyFileReplacing(const std::string& from, const std::string& to) override;
    // True for a regular file (or a link to one); false for folders.
    bool FileExists(const std::string& path) override;
    bool RemoveFile(const std::string& path) override;
    std::optional<int64_t> ModificationTime(const std::string& path) override;
    // The owner write bit stands for the read-only attribute: it is added for
    // the change and the old permissions are put back afterwards.
    bool SetModificationTime(const std::string& path, int64_t secondsSinceEpoch) override;
    char PathSeparator() const override { return '/'; }

    bool IsReadOnly(const std::string& path) override;
    bool SetReadOnly(const std::string& path, bool readOnly) override;

    // Runs the opener ("xdg-open" from PATH unless SetOpener changed it)
    // with `target` as its one argument and waits at most the opener wait
    // limit for it to end: an exit status of 0 is success, any other status
    // or a missing opener is failure. An opener still running at the limit
    // counts as success (some openers stay until the document is closed);
    // it is reaped in the background when it ends.
    bool OpenWithAssociatedProgram(const std::string& target) override;
    // Adds the owner's execute bit, then starts `path` in a new session with
    // its standard input and output on /dev/null; the child is reaped in
    // the background.
    bool StartProcess(const std::string& path) override;

    std::string UserFolderPath(UserFolder folder) override;
    // From the locale the environment names (LC_ALL, LC_NUMERIC, LC_TIME,
    // LANG); a locale the system has not installed counts as none.
    LocaleFormats UserLocale() override;

    // Desktop entries, the MIME type and the menu in the user's XDG folders
    // (platform/XdgDesktop.h); the folders come from the environment as
    // UserFolderPath says, $XDG_CONFIG_HOME or ~/.config for the rest.
    bool CreateShortcut(const Shortcut& shortcut) override;
    bool FileTypeOpensWith(const std::string& extension, const std::string& typeName,
                           const std::string& programPath) override;
    bool RegisterFileType(const std::string& extension, const std::string& typeName,
                          const std::string& programPath) override;
    // A flock()ed lock file and a local socket in the user's runtime folder
    // (platform/LinuxSingleInstance.h).
    InstanceClaim ClaimSingleInstance(const std::string& name) override;
    intptr_t TakeInstanceListener() override { return lock_.TakeListener(); }
    // Waits at most the hand-over limits (SetHandOverLimits).
    bool HandOverToRunningInstance(const std::string& name,
                                   const std::vector<std::string>& arguments) override;
    // From /proc/self/exe.
    std::string ProgramFilePath() override;
    // The writable mounts below /media/$USER and /run/media/$USER
    // (platform/RemovableMedia.h).
    std::vector<std::string> RemovableMedia() override;

    // The opener program (a name looked up in PATH, or a path) and how long
    // OpenWithAssociatedProgram waits for it. For tests.
    void SetOpener(std::string program, std::chrono::milliseconds waitLimit);
    // The folder of the single-instance lock (default: InstanceRuntimeFolder())
    // and how long a hand-over waits to connect and for each answer. For tests.
    void SetInstanceFolder(std::string folder);
    void SetHandOverLimits(std::chrono::milliseconds connectWait,
                           std::chrono::milliseconds answerWait);

  private:
    std::string InstanceFolder() const;
    XdgFolders UserXdgFolders();

    LinuxInstanceLock lock_;
    std::string instanceFolder_;
    std::chrono::milliseconds handOverConnectWait_{2000};
    // The running copy answers as soon as its event loop runs (a file is
    // opened after the answer); a start of a large catalog takes a while.
    std::chrono::milliseconds handOverAnswerWait_{20000};
    FileOps& fileOps_;
    std::string opener_ = "xdg-open";
    std::chrono::milliseconds openerWaitLimit_{3000};
};

}  // namespace platform
