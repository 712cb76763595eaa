// One running copy per program file on Windows: a named mutex in the
// session's namespace, and a named pipe on which the running copy takes the
// arguments of later copies (protocol: platform/InstanceHandOver.h; the
// program's QLocalServer listens on WindowsInstancePipeName, which is a
// named pipe on Windows).
//
// Both names carry a hash of the program file's full path, taken without
// case and with '/' read as '\' (one file, however it was named), so that
// copies started from different program files do not see each other. The
// system closes the mutex when its process ends, however it ends, so a
// killed copy never blocks a later start.
//
// Thread safety: one lock per process, used from one thread.
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace platform {

// "zayavka-" and 16 hexadecimal digits of the path's hash.
std::string WindowsInstanceKey(const std::string& programPath);
// "Local\<key>".
std::string WindowsInstanceMutexName(const std::string& programPath);
// "\\.\pipe\<key>".
std::string WindowsInstancePipeName(const std::string& programPath);

class WindowsInstanceLock {
  public:
    WindowsInstanceLock() = default;
    // Closes the mutex when held (the process normally keeps it to its end).
    ~WindowsInstanceLock();
    WindowsInstanceLock(const WindowsInstanceLock&) = delete;
    WindowsInstanceLock& operator=(const WindowsInstanceLock&) = delete;

    // First: the mutex was made by this call. Other: it existed already.
    // Unavailable: the system refused it. REQUIRES: not held yet.
    Platform::InstanceClaim Claim(const std::string& programPath);

  private:
    void* mutex_ = nullptr;
};

// Sends each argument to the copy listening on the pipe `pipeName` and
// waits for its answer before the next. Connecting is retried for
// `connectWait` (a copy that has just taken the lock may not listen yet,
// and a busy pipe frees up); each write and each answer is awaited for
// `answerWait`. False when a connection or an answer fails: the arguments
// after the failed one were not delivered.
bool SendHandOverOverPipe(const std::string& pipeName, const std::vector<std::string>& arguments,
                          std::chrono::milliseconds connectWait,
                          std::chrono::milliseconds answerWait);

}  // namespace platform
