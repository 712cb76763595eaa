// The platform services on Windows: Win32 calls with UTF-16 paths
// (platform/WindowsText.h), the shell's objects for links and openers, the
// registry of the current user for the order file type.
//
// Thread safety: stateless apart from the instance lock; the program calls
// it from one thread. Calls that use the shell's objects initialise COM on
// the calling thread for their own duration when it is not yet initialised.
#pragma once

#include <chrono>
#include <string>

#include "platform/Platform.h"
#include "platform/WindowsSingleInstance.h"

namespace platform {

class WindowsPlatform : public Platform {
  public:
    std::string NewGuidText() override;
    // Opens with every sharing mode, so that a file another program has
    // open is still read; anything but a disk file (a device such as "NUL",
    // a pipe) is refused before the first read.
    bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& out, std::string& error,
                       uint64_t maxSize = UINT64_MAX) override;
    bool ReadWholeFile(const std::string& path, RegionBuffer& out, std::string& error,
                       uint64_t maxSize = UINT64_MAX) override;
    // platform/WindowsFiles.h: a temporary file beside the target, flushed
    // with FlushFileBuffers, moved over the target with MoveFileExW. A
    // read-only target is not replaced.
    bool WriteFileAtomically(const std::string& path, std::span<const uint8_t> bytes,
                             std::string& error) override;
    bool CopyFileReplacing(const std::string& from, const std::string& to) override;
    // True for a file, false for a folder.
    bool FileExists(const std::string& path) override;
    bool RemoveFile(const std::string& path) override;
    // The last write time, in whole seconds.
    std::optional<int64_t> ModificationTime(const std::string& path) override;
    // Clears the read-only attribute for the change and puts it back.
    bool SetModificationTime(const std::string& path, int64_t secondsSinceEpoch) override;
    char PathSeparator() const override { return '\\'; }

    // The file attribute FILE_ATTRIBUTE_READONLY.
    bool IsReadOnly(const std::string& path) override;
    bool SetReadOnly(const std::string& path, bool readOnly) override;

    // ShellExecuteW with the verb "open"; a result of 32 or less is failure.
    bool OpenWithAssociatedProgram(const std::string& target) override;
    // CreateProcessW with the program's path as the whole command line, its
    // window shown without activation; the handles are closed at once.
    bool StartProcess(const std::string& path) override;

    // SHGetKnownFolderPath: the desktop, the Programs folder of the Start
    // menu, and the roaming application data folder.
    std::string UserFolderPath(UserFolder folder) override;
    // GetLocaleInfoEx of the user's default locale (platform/WindowsLocale.h).
    LocaleFormats UserLocale() override;

    // A shell link (.lnk) through IShellLinkW and IPersistFile
    // (platform/WindowsShell.h).
    bool CreateShortcut(const Shortcut& shortcut) override;
    // The file type under HKEY_CURRENT_USER\Software\Classes, which needs no
    // administrator and which the system merges into HKEY_CLASSES_ROOT.
    bool FileTypeOpensWith(const std::string& extension, const std::string& typeName,
                           const std::string& programPath) override;
    bool RegisterFileType(const std::string& extension, const std::string& typeName,
                          const std::string& programPath) override;
    // A named mutex (platform/WindowsSingleInstance.h). The running copy
    // listens for hand-overs on the named pipe WindowsInstancePipeName(name)
    // (QLocalServer::listen with that name); no descriptor is handed out.
    InstanceClaim ClaimSingleInstance(const std::string& name) override;
    intptr_t TakeInstanceListener() override { return -1; }
    bool HandOverToRunningInstance(const std::string& name,
                                   const std::vector<std::string>& arguments) override;
    // GetModuleFileNameW of the process.
    std::string ProgramFilePath() override;
    // The root folders ("E:\") of the drives GetDriveTypeW calls removable
    // that hold a medium which is not write-protected, in drive order.
    std::vector<std::string> RemovableMedia() override;

    // How long a hand-over waits to connect and for each answer. For tests.
    void SetHandOverLimits(std::chrono::milliseconds connectWait,
                           std::chrono::milliseconds answerWait);

  private:
    WindowsInstanceLock lock_;
    std::chrono::milliseconds handOverConnectWait_{2000};
    // The running copy answers once its window is up and the file is open;
    // a start of a large catalog takes a while.
    std::chrono::milliseconds handOverAnswerWait_{20000};
};

}  // namespace platform
