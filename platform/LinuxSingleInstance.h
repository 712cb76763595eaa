// One running copy per program file on Linux: a lock file held with
// flock() and a listening local (Unix) socket beside it, both named after a
// hash of the program file's path, in the user's runtime folder.
//
// The kernel releases the lock when its holder dies, however it dies, so a
// killed copy never blocks a later start: the next copy takes the lock,
// removes the dead copy's socket file and listens anew. The socket is bound
// and listening as soon as the lock is taken, before the program has any
// window; connections wait in the kernel's queue until the program's event
// loop accepts them (protocol: platform/InstanceHandOver.h).
//
// The runtime folder is $XDG_RUNTIME_DIR, else /tmp/zayavka-<uid>, created
// with mode 0700 and used only when it is a folder of this user that no one
// else may enter: the socket accepts anybody who can reach it.
//
// Thread safety: one lock per process, used from one thread.
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace platform {

struct InstancePaths {
    std::string lock;
    std::string socket;
};

// The files of the lock `name` in `folder`.
InstancePaths InstancePathsFor(const std::string& folder, const std::string& name);

// The user's runtime folder as described above, or empty when there is no
// safe one.
std::string InstanceRuntimeFolder();

class LinuxInstanceLock {
  public:
    LinuxInstanceLock() = default;
    // Releases the lock and removes the socket file when held (the process
    // normally keeps it to its end); closes the listener unless taken.
    ~LinuxInstanceLock();
    LinuxInstanceLock(const LinuxInstanceLock&) = delete;
    LinuxInstanceLock& operator=(const LinuxInstanceLock&) = delete;

    // Takes the lock `name` in `folder`. First: held now, and Listener() is
    // the listening socket (or -1 when it could not be made: hand-overs to
    // this copy then fail and their senders start alone). Other: another
    // process holds it. Unavailable: the folder or the lock file cannot be
    // used. REQUIRES: not held yet.
    Platform::InstanceClaim Claim(const std::string& folder, const std::string& name);
    int Listener() const { return listener_; }
    // Listener(), now owned by the caller; -1 afterwards.
    int TakeListener() {
        const int listener = listener_;
        listener_ = -1;
        return listener;
    }

  private:
    int lockFd_ = -1;
    int listener_ = -1;
    std::string socketPath_;
};

// Sends each argument to the copy listening on `socketPath` and waits for
// its answer before the next. Connecting is retried for `connectWait`
// (a copy that has just taken the lock may not listen yet); each answer is
// awaited for `answerWait`. False when a connection or an answer fails:
// the arguments after the failed one were not delivered.
bool SendHandOver(const std::string& socketPath, const std::vector<std::string>& arguments,
                  std::chrono::milliseconds connectWait, std::chrono::milliseconds answerWait);

}  // namespace platform
