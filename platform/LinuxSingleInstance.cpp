#include "platform/LinuxSingleInstance.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "platform/InstanceHandOver.h"

namespace platform {

namespace {

using Clock = std::chrono::steady_clock;

// FNV-1a: a short, stable name for any path.
std::string HashText(const std::string& text) {
    uint64_t hash = 1469598103934665603ULL;
    for (unsigned char c : text) {
        hash ^= c;
        hash *= 1099511628211ULL;
    }
    char digits[17];
    std::snprintf(digits, sizeof digits, "%016llx", static_cast<unsigned long long>(hash));
    return digits;
}

bool FillAddress(const std::string& path, sockaddr_un& address) {
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

// A folder only this user may enter.
bool IsPrivateFolder(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid() &&
           (st.st_mode & 077) == 0;
}

int MillisecondsLeft(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

// Waits for `events` on `fd` until `deadline`; true when they came.
bool WaitFor(int fd, short events, Clock::time_point deadline) {
    for (;;) {
        pollfd p{fd, events, 0};
        const int n = ::poll(&p, 1, MillisecondsLeft(deadline));
        if (n > 0) return (p.revents & events) != 0 || (p.revents & (POLLHUP | POLLERR)) != 0;
        if (n == 0) return false;
        if (errno != EINTR) return false;
    }
}

// A connected socket, or -1. A missing socket file or one nobody listens
// on is tried again until `deadline`.
int Connect(const std::string& path, Clock::time_point deadline) {
    sockaddr_un address;
    if (!FillAddress(path, address)) return -1;
    for (;;) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (fd < 0) return -1;
        if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) return fd;
        const int err = errno;
        if (err == EAGAIN || err == EINPROGRESS) {
            // The listener's queue is full: wait for room.
            int soError = 0;
            socklen_t length = sizeof soError;
            if (WaitFor(fd, POLLOUT, deadline) &&
                ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &soError, &length) == 0 && soError == 0)
                return fd;
        }
        ::close(fd);
        if ((err != ENOENT && err != ECONNREFUSED && err != EAGAIN) || Clock::now() >= deadline)
            return -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

bool SendAll(int fd, const std::string& bytes, Clock::time_point deadline) {
    size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n > 0) {
            sent += static_cast<size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && errno == EAGAIN) {
            if (!WaitFor(fd, POLLOUT, deadline)) return false;
        } else {
            return false;
        }
    }
    return true;
}

bool ReceiveAck(int fd, Clock::time_point deadline) {
    for (;;) {
        uint8_t byte = 0;
        const ssize_t n = ::recv(fd, &byte, 1, 0);
        if (n == 1) return byte == kHandOverAck;
        if (n == 0) return false;  // the running copy closed the connection
        if (errno == EINTR) continue;
        if (errno != EAGAIN || !WaitFor(fd, POLLIN, deadline)) return false;
    }
}

}  // namespace

InstancePaths InstancePathsFor(const std::string& folder, const std::string& name) {
    const std::string base = folder + "/zayavka-" + HashText(name);
    return {base + ".lock", base + ".sock"};
}

std::string InstanceRuntimeFolder() {
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        runtime && runtime[0] == '/' && IsPrivateFolder(runtime))
        return runtime;
    const std::string folder = "/tmp/zayavka-" + std::to_string(::getuid());
    ::mkdir(folder.c_str(), 0700);
    return IsPrivateFolder(folder) ? folder : std::string();
}

LinuxInstanceLock::~LinuxInstanceLock() {
    if (listener_ >= 0) ::close(listener_);
    // Still the lock's holder: the socket file is this copy's.
    if (lockFd_ >= 0) {
        if (!socketPath_.empty()) ::unlink(socketPath_.c_str());
        ::close(lockFd_);
    }
}

Platform::InstanceClaim LinuxInstanceLock::Claim(const std::string& folder,
                                                 const std::string& name) {
    if (folder.empty()) return Platform::InstanceClaim::Unavailable;
    const InstancePaths paths = InstancePathsFor(folder, name);
    // Close-on-exec: a program this copy starts must not inherit the lock.
    const int fd = ::open(paths.lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return Platform::InstanceClaim::Unavailable;
    int locked;
    do {
        locked = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (locked != 0 && errno == EINTR);
    if (locked != 0) {
        const int err = errno;
        ::close(fd);
        return err == EWOULDBLOCK ? Platform::InstanceClaim::Other
                                  : Platform::InstanceClaim::Unavailable;
    }
    lockFd_ = fd;

    // Whatever socket file is there belongs to a copy that has died.
    socketPath_ = paths.socket;
    ::unlink(socketPath_.c_str());
    sockaddr_un address;
    if (!FillAddress(socketPath_, address)) return Platform::InstanceClaim::First;
    const int listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (listener < 0) return Platform::InstanceClaim::First;
    if (::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener, 16) != 0) {
        ::close(listener);
        return Platform::InstanceClaim::First;
    }
    listener_ = listener;
    return Platform::InstanceClaim::First;
}

bool SendHandOver(const std::string& socketPath, const std::vector<std::string>& arguments,
                  std::chrono::milliseconds connectWait, std::chrono::milliseconds answerWait) {
    const int fd = Connect(socketPath, Clock::now() + connectWait);
    if (fd < 0) return false;
    bool ok = true;
    for (const std::string& argument : arguments) {
        if (argument.size() > kMaxHandOverArgument) {
            ok = false;
            break;
        }
        const Clock::time_point deadline = Clock::now() + answerWait;
        if (!SendAll(fd, EncodeHandOverFrame(argument), deadline) || !ReceiveAck(fd, deadline)) {
            ok = false;
            break;
        }
    }
    ::close(fd);
    return ok;
}

}  // namespace platform
