#include "platform/WindowsSingleInstance.h"

#include <windows.h>

#include <cstdio>
#include <thread>

#include "platform/InstanceHandOver.h"
#include "platform/WindowsText.h"

namespace platform {

namespace {

using Clock = std::chrono::steady_clock;

// One overlapped read or write on `pipe`, awaited until `deadline`; an
// operation still pending then is cancelled. True when all `size` bytes
// moved.
bool Transfer(HANDLE pipe, bool write, void* data, DWORD size, Clock::time_point deadline) {
    OVERLAPPED overlapped{};
    overlapped.hEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (overlapped.hEvent == nullptr) return false;
    DWORD moved = 0;
    BOOL done = write ? ::WriteFile(pipe, data, size, &moved, &overlapped)
                      : ::ReadFile(pipe, data, size, &moved, &overlapped);
    if (!done && ::GetLastError() == ERROR_IO_PENDING) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        const DWORD wait = left.count() > 0 ? static_cast<DWORD>(left.count()) : 0;
        if (::WaitForSingleObject(overlapped.hEvent, wait) != WAIT_OBJECT_0) ::CancelIo(pipe);
        done = ::GetOverlappedResult(pipe, &overlapped, &moved, TRUE);
    }
    ::CloseHandle(overlapped.hEvent);
    return done && moved == size;
}

}  // namespace

std::string WindowsInstanceKey(const std::string& programPath) {
    std::wstring path = WideFromUtf8(programPath);
    for (wchar_t& c : path) {
        if (c == L'/') c = L'\\';
    }
    if (!path.empty()) {
        ::LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_LOWERCASE, path.data(),
                        static_cast<int>(path.size()), path.data(), static_cast<int>(path.size()),
                        nullptr, nullptr, 0);
    }
    // FNV-1a, 64 bits, over the UTF-16 code units.
    uint64_t hash = 14695981039346656037ull;
    for (wchar_t c : path) {
        for (int shift = 0; shift < 16; shift += 8) {
            hash ^= (static_cast<uint16_t>(c) >> shift) & 0xFF;
            hash *= 1099511628211ull;
        }
    }
    char digits[17];
    std::snprintf(digits, sizeof digits, "%016llx", static_cast<unsigned long long>(hash));
    return std::string("zayavka-") + digits;
}

std::string WindowsInstanceMutexName(const std::string& programPath) {
    return "Local\\" + WindowsInstanceKey(programPath);
}

std::string WindowsInstancePipeName(const std::string& programPath) {
    return "\\\\.\\pipe\\" + WindowsInstanceKey(programPath);
}

WindowsInstanceLock::~WindowsInstanceLock() {
    if (mutex_ != nullptr) ::CloseHandle(mutex_);
}

Platform::InstanceClaim WindowsInstanceLock::Claim(const std::string& programPath) {
    HANDLE mutex =
        ::CreateMutexW(nullptr, FALSE, WideFromUtf8(WindowsInstanceMutexName(programPath)).c_str());
    const DWORD err = ::GetLastError();
    if (mutex == nullptr) {
        // A mutex of that name made by someone who does not let us open it.
        return err == ERROR_ACCESS_DENIED ? Platform::InstanceClaim::Other
                                          : Platform::InstanceClaim::Unavailable;
    }
    if (err == ERROR_ALREADY_EXISTS) {
        ::CloseHandle(mutex);
        return Platform::InstanceClaim::Other;
    }
    mutex_ = mutex;
    return Platform::InstanceClaim::First;
}

bool SendHandOverOverPipe(const std::string& pipeName, const std::vector<std::string>& arguments,
                          std::chrono::milliseconds connectWait,
                          std::chrono::milliseconds answerWait) {
    const std::wstring name = WideFromUtf8(pipeName);
    const auto connectDeadline = Clock::now() + connectWait;
    HANDLE pipe = INVALID_HANDLE_VALUE;
    for (;;) {
        pipe = ::CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                             FILE_FLAG_OVERLAPPED, nullptr);
        if (pipe != INVALID_HANDLE_VALUE) break;
        const DWORD err = ::GetLastError();
        if (err != ERROR_PIPE_BUSY && err != ERROR_FILE_NOT_FOUND) return false;
        if (Clock::now() >= connectDeadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }

    bool ok = true;
    for (const std::string& argument : arguments) {
        if (argument.size() > kMaxHandOverArgument) {
            ok = false;
            break;
        }
        std::string frame = EncodeHandOverFrame(argument);
        const auto deadline = Clock::now() + answerWait;
        uint8_t answer = 0;
        if (!Transfer(pipe, true, frame.data(), static_cast<DWORD>(frame.size()), deadline) ||
            !Transfer(pipe, false, &answer, 1, deadline) || answer != kHandOverAck) {
            ok = false;
            break;
        }
    }
    ::CloseHandle(pipe);
    return ok;
}

}  // namespace platform
