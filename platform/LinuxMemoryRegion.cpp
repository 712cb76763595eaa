// Memory regions on Linux: anonymous mappings, with large pages asked for
// where a region spans one.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <limits>

#include "platform/MemoryRegion.h"

namespace platform {

namespace {

constexpr size_t kHugePage = size_t(2) << 20;

size_t PageSize() {
    static const size_t size = static_cast<size_t>(::sysconf(_SC_PAGESIZE));
    return size;
}

size_t RoundUp(size_t n, size_t to) {
    return (n + to - 1) / to * to;
}

}  // namespace

void* AllocateRegion(size_t bytes) {
    if (bytes == 0 || bytes > std::numeric_limits<size_t>::max() / 2) return nullptr;
    const size_t length = RoundUp(bytes, PageSize());
    if (length < kHugePage) {
        void* p =
            ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        return p == MAP_FAILED ? nullptr : p;
    }
    // Large pages need a 2 MiB aligned range: map one large page more and
    // give back the ends.
    void* raw = ::mmap(nullptr, length + kHugePage, PROT_READ | PROT_WRITE,
                       MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED) return nullptr;
    const uintptr_t start = reinterpret_cast<uintptr_t>(raw);
    const uintptr_t aligned = RoundUp(start, kHugePage);
    if (aligned > start) ::munmap(raw, aligned - start);
    const size_t tail = (start + length + kHugePage) - (aligned + length);
    if (tail > 0) ::munmap(reinterpret_cast<void*>(aligned + length), tail);
    void* p = reinterpret_cast<void*>(aligned);
    // Only advice: where large pages are off, the region is ordinary memory.
    (void)::madvise(p, length, MADV_HUGEPAGE);
    return p;
}

void FreeRegion(void* region, size_t bytes) {
    if (region == nullptr) return;
    ::munmap(region, RoundUp(bytes, PageSize()));
}

}  // namespace platform
