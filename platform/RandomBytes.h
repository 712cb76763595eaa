// Cryptographically strong random bytes from the system (RandomBytes.cpp on
// Linux, WindowsRandomBytes.cpp on Windows).
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

// Fills `n` bytes at `out`: on Linux from getrandom(2), or from /dev/urandom
// where the call is missing; on Windows from BCryptGenRandom. Never returns weak bytes: with no
// strong source at all the process is aborted, since callers use the bytes as keys.
void FillRandom(uint8_t* out, size_t n);

}  // namespace platform
