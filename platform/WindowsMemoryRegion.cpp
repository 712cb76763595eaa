// Memory regions on Windows: committed pages straight from VirtualAlloc.
// Large pages would need the "lock pages in memory" privilege, which an
// ordinary user does not hold, so the regions use ordinary pages.
#include <windows.h>

#include <limits>

#include "platform/MemoryRegion.h"

namespace platform {

void* AllocateRegion(size_t bytes) {
    if (bytes == 0 || bytes > std::numeric_limits<size_t>::max() / 2) return nullptr;
    return ::VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
}

void FreeRegion(void* region, size_t) {
    if (region != nullptr) ::VirtualFree(region, 0, MEM_RELEASE);
}

}  // namespace platform
