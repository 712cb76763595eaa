// Strong random bytes on Windows from the system's preferred generator.
#include <windows.h>
// After windows.h, which it needs.
#include <bcrypt.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "platform/RandomBytes.h"

namespace platform {

void FillRandom(uint8_t* out, size_t n) {
    while (n > 0) {
        const ULONG chunk = static_cast<ULONG>(std::min<size_t>(n, 1u << 30));
        if (!BCRYPT_SUCCESS(
                ::BCryptGenRandom(nullptr, out, chunk, BCRYPT_USE_SYSTEM_PREFERRED_RNG))) {
            std::fputs("No strong random source (BCryptGenRandom)\n", stderr);
            std::abort();
        }
        out += chunk;
        n -= chunk;
    }
}

}  // namespace platform
