#include "platform/RandomBytes.h"

#include <fcntl.h>
#include <sys/random.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace platform {

namespace {

bool FillFromUrandom(uint8_t* out, size_t n) {
    int fd = ::open("/dev/urandom", O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    size_t done = 0;
    while (done < n) {
        ssize_t got = ::read(fd, out + done, n - done);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        done += static_cast<size_t>(got);
    }
    ::close(fd);
    return done == n;
}

}  // namespace

void FillRandom(uint8_t* out, size_t n) {
    size_t done = 0;
    while (done < n) {
        ssize_t got = ::getrandom(out + done, n - done, 0);
        if (got < 0) {
            if (errno == EINTR) continue;
            if (FillFromUrandom(out + done, n - done)) return;
            std::fputs("No strong random source (getrandom, /dev/urandom)\n", stderr);
            std::abort();
        }
        done += static_cast<size_t>(got);
    }
}

}  // namespace platform
