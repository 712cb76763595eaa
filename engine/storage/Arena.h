// A bump allocator for the bulk of a record store: value buffers and the
// texts and byte blocks of records read from an image. Memory is handed out
// from large chunks and given back only all at once (Clear or destruction),
// which makes loading a million records cost a few dozen allocations
// instead of millions. Chunks come from large memory regions and double in
// size up to a limit, so that a big table's records are backed by large
// pages where the system has them.
//
// Not thread-safe; owned by one record store.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "platform/MemoryRegion.h"

namespace ridov {

class Arena {
  public:
    Arena() = default;
    Arena(const Arena&) = delete;
    Arena& operator=(const Arena&) = delete;

    // Returns n uninitialised bytes aligned to 8 (or `align`). Never null;
    // throws std::bad_alloc when memory runs out.
    uint8_t* Allocate(size_t n) { return Allocate(n, 8); }
    // REQUIRES: align is a power of two not above 8.
    uint8_t* Allocate(size_t n, size_t align) {
        uint8_t* p = reinterpret_cast<uint8_t*>((reinterpret_cast<uintptr_t>(next_) + (align - 1)) &
                                                ~uintptr_t(align - 1));
        if (next_ == nullptr || static_cast<size_t>(end_ - next_) < n + size_t(p - next_)) {
            return AllocateSlow(n);
        }
        next_ = p + n;
        return p;
    }

    // A position that Rewind can return to, giving back everything
    // allocated after it (used to drop a record a load filter rejects).
    struct Mark {
        size_t chunks;
        size_t large;
        uint8_t* next;
    };
    Mark GetMark() const { return {chunks_.size(), large_.size(), next_}; }
    void Rewind(const Mark& m);

    // Takes over everything `other` handed out, which stays valid, and
    // leaves `other` empty. Marks taken before are void.
    void Adopt(Arena&& other);

    void Clear();
    size_t BytesReserved() const { return reserved_; }

  private:
    uint8_t* AllocateSlow(size_t n);

    std::vector<platform::RegionBuffer> chunks_;  // the last one is current
    std::vector<platform::RegionBuffer> large_;   // one request each
    uint8_t* next_ = nullptr;
    uint8_t* end_ = nullptr;
    size_t reserved_ = 0;
};

}  // namespace ridov
