#include "platform/WindowsFiles.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "platform/FileIdentity.h"
#include "platform/TempFileName.h"
#include "platform/WindowsText.h"

namespace platform {

namespace {

constexpr DWORD kMaxChunk = DWORD{1} << 30;
constexpr int kCreateAttempts = 8;
// In 100-nanosecond units, as file times count.
constexpr uint64_t kStaleAfter = 60ull * 10'000'000ull;

size_t LastSeparator(const std::string& path) {
    return path.find_last_of("/\\");
}

// With its trailing separator; empty for a bare name.
std::string FolderOf(const std::string& path) {
    const size_t slash = LastSeparator(path);
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string BaseName(const std::string& path) {
    const size_t slash = LastSeparator(path);
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool IsTempNameOf(const std::string& name, const std::string& targetBase) {
    const std::string prefix = targetBase + kTempInfix;
    if (name.size() != prefix.size() + kTempDigits) return false;
    // File names compare without case on Windows.
    if (::CompareStringOrdinal(WideFromUtf8(name.substr(0, prefix.size())).c_str(), -1,
                               WideFromUtf8(prefix).c_str(), -1, TRUE) != CSTR_EQUAL)
        return false;
    return std::all_of(name.begin() + std::ptrdiff_t(prefix.size()), name.end(),
                       [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

uint64_t FileTimeValue(const FILETIME& time) {
    return (uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime;
}

}  // namespace

int WindowsRemoveStaleTemporaries(const std::string& target) {
    const std::string folder = FolderOf(target);
    const std::string base = BaseName(target);
    WIN32_FIND_DATAW found;
    HANDLE search = ::FindFirstFileExW(WideFromUtf8(target + kTempInfix + "*").c_str(),
                                       FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, 0);
    if (search == INVALID_HANDLE_VALUE) return 0;
    FILETIME nowTime;
    ::GetSystemTimeAsFileTime(&nowTime);
    const uint64_t now = FileTimeValue(nowTime);
    int removed = 0;
    do {
        const std::string name = Utf8FromWide(found.cFileName);
        if ((found.dwFileAttributes &
             (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_READONLY)) ||
            !IsTempNameOf(name, base) || FileTimeValue(found.ftLastWriteTime) + kStaleAfter > now)
            continue;
        // Fails while any program has the file open without sharing its
        // deletion, a writer in particular.
        if (::DeleteFileW(WideFromUtf8(folder + name).c_str())) ++removed;
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
    return removed;
}

bool WindowsWriteFileAtomically(const std::string& path, std::span<const uint8_t> bytes,
                                std::string& error) {
    const std::wstring target = WideFromUtf8(path);
    const DWORD attributes = ::GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
            error = "Cannot write '" + path + "': it is a folder";
            return false;
        }
        if (attributes & FILE_ATTRIBUTE_READONLY) {
            error = "Cannot write '" + path + "': the file is read-only";
            return false;
        }
    }
    // A device or a pipe would be swapped for a plain file by the rename.
    if (IsNonRegularFile(path)) {
        error = "Cannot write '" + path + "': not a regular file";
        return false;
    }

    // Copies left by writers that died would pile up beside the target, one
    // whole table each.
    WindowsRemoveStaleTemporaries(path);

    std::string temp;
    std::wstring wideTemp;
    HANDLE file = INVALID_HANDLE_VALUE;
    DWORD err = ERROR_FILE_EXISTS;
    for (int attempt = 0; attempt < kCreateAttempts && file == INVALID_HANDLE_VALUE &&
                          (err == ERROR_FILE_EXISTS || err == ERROR_ALREADY_EXISTS);
         ++attempt) {
        temp = TempNameFor(path);
        wideTemp = WideFromUtf8(temp);
        // Shared with nobody: no other program reads a half-written file,
        // and no other writer takes it for stale while it is open.
        file = ::CreateFileW(wideTemp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) err = ::GetLastError();
    }
    if (file == INVALID_HANDLE_VALUE) {
        error = "Cannot create a temporary file for '" + path + "': " + SystemErrorText(err);
        return false;
    }

    auto fail = [&](const char* what, DWORD failure) {
        if (file != INVALID_HANDLE_VALUE) ::CloseHandle(file);
        ::DeleteFileW(wideTemp.c_str());
        error = std::string(what) + " '" + path + "': " + SystemErrorText(failure);
        return false;
    };

    size_t done = 0;
    while (done < bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, kMaxChunk));
        DWORD written = 0;
        if (!::WriteFile(file, bytes.data() + done, chunk, &written, nullptr))
            return fail("Cannot write", ::GetLastError());
        // A write that moves nothing would loop for ever.
        if (written == 0) return fail("Cannot write", ERROR_WRITE_FAULT);
        done += written;
    }
    if (!::FlushFileBuffers(file)) return fail("Cannot flush", ::GetLastError());
    const BOOL closed = ::CloseHandle(file);
    file = INVALID_HANDLE_VALUE;
    if (!closed) return fail("Cannot write", ::GetLastError());
    if (!::MoveFileExW(wideTemp.c_str(), target.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return fail("Cannot replace", ::GetLastError());
    return true;
}

}  // namespace platform
