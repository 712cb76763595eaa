#include "platform/WindowsPlatform.h"

#include <windows.h>
// After windows.h, which they need.
#include <knownfolders.h>
#include <shlobj.h>

#include "platform/MemoryRegion.h"
#include "platform/WindowsFiles.h"
#include "platform/WindowsLocale.h"
#include "platform/WindowsShell.h"
#include "platform/WindowsText.h"

namespace platform {

namespace {

void SetSize(std::vector<uint8_t>& bytes, size_t n) {
    bytes.resize(n);
}
void SetSize(RegionBuffer& bytes, size_t n) {
    bytes.Resize(n);
}

// Reads all of `path` into `out`; 0, or a Win32 error code with `reason`
// saying why. Only a disk file is read: a device or a pipe could hand out
// bytes without end or block for ever. The size is only a first guess: the
// loop reads until end of file and gives up as soon as the file has grown
// past `maxSize`.
template <typename Buffer>
DWORD ReadAll(const std::string& path, Buffer& out, uint64_t maxSize, std::string& reason) {
    auto tooLarge = [&](uint64_t size) {
        reason = std::to_string(size) + " bytes, more than the " + std::to_string(maxSize) +
                 " that can be read";
        return static_cast<DWORD>(ERROR_FILE_TOO_LARGE);
    };
    const std::wstring wide = WideFromUtf8(path);
    const DWORD attributes = ::GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        reason = "it is a folder";
        return ERROR_DIRECTORY;
    }
    HANDLE file = ::CreateFileW(wide.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD err = ::GetLastError();
        reason = SystemErrorText(err);
        return err;
    }
    DWORD err = 0;
    LARGE_INTEGER size{};
    if (::GetFileType(file) != FILE_TYPE_DISK) {
        err = ERROR_INVALID_FUNCTION;
        reason = "not a regular file";
    } else if (!::GetFileSizeEx(file, &size)) {
        err = ::GetLastError();
        reason = SystemErrorText(err);
    } else if (static_cast<uint64_t>(size.QuadPart) > maxSize) {
        err = tooLarge(static_cast<uint64_t>(size.QuadPart));
    }
    if (err != 0) {
        ::CloseHandle(file);
        return err;
    }
    Buffer bytes;
    SetSize(bytes, size.QuadPart > 0 ? static_cast<size_t>(size.QuadPart) + 1 : 4096);
    size_t used = 0;
    for (;;) {
        if (used == bytes.size()) SetSize(bytes, bytes.size() * 2);
        const DWORD want = static_cast<DWORD>(std::min<size_t>(bytes.size() - used, 1u << 30));
        DWORD got = 0;
        if (!::ReadFile(file, bytes.data() + used, want, &got, nullptr)) {
            err = ::GetLastError();
            reason = SystemErrorText(err);
            ::CloseHandle(file);
            return err;
        }
        if (got == 0) break;
        used += got;
        if (used > maxSize) {
            ::CloseHandle(file);
            return tooLarge(used);
        }
    }
    ::CloseHandle(file);
    SetSize(bytes, used);
    out = std::move(bytes);
    return 0;
}

// File times count 100-nanosecond steps from 1601-01-01 UTC.
constexpr int64_t kUnixEpochAsFileTime = 116444736000000000LL;
constexpr int64_t kFileTimePerSecond = 10000000LL;

int64_t SecondsFromFileTime(const FILETIME& time) {
    const int64_t value =
        static_cast<int64_t>((uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime) -
        kUnixEpochAsFileTime;
    // Rounded down, also before 1970.
    return value >= 0 ? value / kFileTimePerSecond
                      : -((-value + kFileTimePerSecond - 1) / kFileTimePerSecond);
}

FILETIME FileTimeFromSeconds(int64_t seconds) {
    const uint64_t value =
        static_cast<uint64_t>(seconds * kFileTimePerSecond + kUnixEpochAsFileTime);
    FILETIME time;
    time.dwLowDateTime = static_cast<DWORD>(value & 0xFFFFFFFFu);
    time.dwHighDateTime = static_cast<DWORD>(value >> 32);
    return time;
}

std::string KnownFolder(REFKNOWNFOLDERID id) {
    PWSTR path = nullptr;
    std::string result;
    if (SUCCEEDED(::SHGetKnownFolderPath(id, KF_FLAG_DEFAULT, nullptr, &path)) && path != nullptr)
        result = Utf8FromWide(path);
    ::CoTaskMemFree(path);
    while (result.size() > 3 && (result.back() == '\\' || result.back() == '/')) result.pop_back();
    return result;
}

// Creates `folder` and the missing folders above it.
bool MakeFolders(const std::string& folder) {
    const std::wstring wide = WideFromUtf8(folder);
    const DWORD attributes = ::GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    return ::SHCreateDirectoryExW(nullptr, wide.c_str(), nullptr) == ERROR_SUCCESS;
}

}  // namespace

std::string WindowsPlatform::NewGuidText() {
    return NewRandomGuidText();
}

bool WindowsPlatform::ReadWholeFile(const std::string& path, std::vector<uint8_t>& out,
                                    std::string& error, uint64_t maxSize) {
    std::string reason;
    if (ReadAll(path, out, maxSize, reason) == 0) return true;
    error = "Cannot read '" + path + "': " + reason;
    return false;
}

bool WindowsPlatform::ReadWholeFile(const std::string& path, RegionBuffer& out, std::string& error,
                                    uint64_t maxSize) {
    std::string reason;
    if (ReadAll(path, out, maxSize, reason) == 0) return true;
    error = "Cannot read '" + path + "': " + reason;
    return false;
}

bool WindowsPlatform::WriteFileAtomically(const std::string& path, std::span<const uint8_t> bytes,
                                          std::string& error) {
    return WindowsWriteFileAtomically(path, bytes, error);
}

bool WindowsPlatform::CopyFileReplacing(const std::string& from, const std::string& to) {
    std::vector<uint8_t> bytes;
    std::string reason;
    const DWORD err = ReadAll(from, bytes, UINT64_MAX, reason);
    if (err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND) return true;
    if (err != 0) return false;
    std::string error;
    return WriteFileAtomically(to, bytes, error);
}

bool WindowsPlatform::FileExists(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesW(WideFromUtf8(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool WindowsPlatform::RemoveFile(const std::string& path) {
    return ::DeleteFileW(WideFromUtf8(path).c_str()) != 0;
}

std::optional<int64_t> WindowsPlatform::ModificationTime(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExW(WideFromUtf8(path).c_str(), GetFileExInfoStandard, &data))
        return std::nullopt;
    return SecondsFromFileTime(data.ftLastWriteTime);
}

bool WindowsPlatform::SetModificationTime(const std::string& path, int64_t secondsSinceEpoch) {
    const std::wstring wide = WideFromUtf8(path);
    const DWORD attributes = ::GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;
    const bool readOnly = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
    if (readOnly && !::SetFileAttributesW(wide.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY))
        return false;
    HANDLE file = ::CreateFileW(wide.c_str(), FILE_WRITE_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    bool ok = false;
    if (file != INVALID_HANDLE_VALUE) {
        const FILETIME time = FileTimeFromSeconds(secondsSinceEpoch);
        // The creation and access times stay.
        ok = ::SetFileTime(file, nullptr, nullptr, &time) != 0;
        ::CloseHandle(file);
    }
    if (readOnly) ::SetFileAttributesW(wide.c_str(), attributes);
    return ok;
}

bool WindowsPlatform::IsReadOnly(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesW(WideFromUtf8(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

bool WindowsPlatform::SetReadOnly(const std::string& path, bool readOnly) {
    const std::wstring wide = WideFromUtf8(path);
    const DWORD attributes = ::GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;
    DWORD changed =
        readOnly ? attributes | FILE_ATTRIBUTE_READONLY : attributes & ~FILE_ATTRIBUTE_READONLY;
    // "Normal" stands alone: it is what a file without other attributes has.
    changed &= ~FILE_ATTRIBUTE_NORMAL;
    if (changed == 0) changed = FILE_ATTRIBUTE_NORMAL;
    return ::SetFileAttributesW(wide.c_str(), changed) != 0;
}

bool WindowsPlatform::OpenWithAssociatedProgram(const std::string& target) {
    return ShellOpen(target);
}

bool WindowsPlatform::StartProcess(const std::string& path) {
    if (!FileExists(path)) return false;
    const std::wstring program = WideFromUtf8(path);
    // The command line is the program's path alone, quoted for blanks; it
    // must be writable for CreateProcessW.
    std::wstring commandLine = L"\"" + program + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNOACTIVATE;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          nullptr, &startup, &process))
        return false;
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return true;
}

std::string WindowsPlatform::UserFolderPath(UserFolder folder) {
    switch (folder) {
        case UserFolder::Desktop:
            return KnownFolder(FOLDERID_Desktop);
        case UserFolder::ProgramsMenu:
            return KnownFolder(FOLDERID_Programs);
        case UserFolder::DataHome:
            return KnownFolder(FOLDERID_RoamingAppData);
    }
    return {};
}

Platform::LocaleFormats WindowsPlatform::UserLocale() {
    return WindowsUserLocale();
}

bool WindowsPlatform::CreateShortcut(const Shortcut& shortcut) {
    std::string folder = UserFolderPath(shortcut.folder);
    if (folder.empty()) return false;
    if (!shortcut.subFolder.empty()) folder += "\\" + shortcut.subFolder;
    if (!MakeFolders(folder)) return false;
    ShellLink link;
    link.target = shortcut.target;
    link.arguments = shortcut.arguments;
    link.workingFolder = shortcut.workingFolder;
    link.iconPath = shortcut.iconPath;
    return WriteShellLink(folder + "\\" + shortcut.name + ".lnk", link);
}

bool WindowsPlatform::FileTypeOpensWith(const std::string& extension, const std::string& typeName,
                                        const std::string& programPath) {
    return WindowsFileTypeOpensWith(extension, typeName, programPath);
}

bool WindowsPlatform::RegisterFileType(const std::string& extension, const std::string& typeName,
                                       const std::string& programPath) {
    return WindowsRegisterFileType(extension, typeName, programPath);
}

Platform::InstanceClaim WindowsPlatform::ClaimSingleInstance(const std::string& name) {
    return lock_.Claim(name);
}

bool WindowsPlatform::HandOverToRunningInstance(const std::string& name,
                                                const std::vector<std::string>& arguments) {
    return SendHandOverOverPipe(WindowsInstancePipeName(name), arguments, handOverConnectWait_,
                                handOverAnswerWait_);
}

std::string WindowsPlatform::ProgramFilePath() {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return {};
        if (length < buffer.size()) return Utf8FromWide(std::wstring_view(buffer.data(), length));
        if (buffer.size() >= 32768) return {};
        buffer.resize(buffer.size() * 2);
    }
}

std::vector<std::string> WindowsPlatform::RemovableMedia() {
    std::vector<std::string> media;
    // No "insert a disk" box from the system for an empty drive.
    const UINT oldMode = ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    const DWORD drives = ::GetLogicalDrives();
    for (int i = 0; i < 26; ++i) {
        if ((drives & (DWORD{1} << i)) == 0) continue;
        const std::wstring root = {wchar_t(L'A' + i), L':', L'\\'};
        if (::GetDriveTypeW(root.c_str()) != DRIVE_REMOVABLE) continue;
        DWORD flags = 0;
        // Fails for a drive without a medium.
        if (!::GetVolumeInformationW(root.c_str(), nullptr, 0, nullptr, nullptr, &flags, nullptr,
                                     0))
            continue;
        if (flags & FILE_READ_ONLY_VOLUME) continue;
        media.push_back(Utf8FromWide(root));
    }
    ::SetErrorMode(oldMode);
    return media;
}

void WindowsPlatform::SetHandOverLimits(std::chrono::milliseconds connectWait,
                                        std::chrono::milliseconds answerWait) {
    handOverConnectWait_ = connectWait;
    handOverAnswerWait_ = answerWait;
}

}  // namespace platform
