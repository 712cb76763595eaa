// Large memory regions: the memory of big, long-lived data such as a
// table's records, the list of its rows, or a whole file being read.
//
// Why not plain malloc: a block of more than a few hundred KiB comes
// straight from the system as fresh pages, and the first touch of every
// 4 KiB page traps into the kernel. On the virtual machines our users and
// we run on, a trap costs about 13 us, so reading a 100 MB catalog spent
// three quarters of its time in page faults. A region asks for large pages
// where the system offers them (one fault per 2 MiB); where it does not,
// it is ordinary memory and nothing is lost.
//
// Thread safety: the functions may be called from any thread; one
// RegionBuffer or RegionAllocator-backed container is used from one thread
// at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <new>
#include <span>

namespace platform {

// Allocates `bytes` (more than 0) of memory aligned to at least 64 bytes,
// not zeroed. Null when the system refuses.
void* AllocateRegion(size_t bytes);
// Gives back a region; `bytes` is the size it was allocated with. Null is
// ignored.
void FreeRegion(void* region, size_t bytes);

// Blocks smaller than this come from operator new: large pages only pay
// off for big blocks, and small ones are many.
inline constexpr size_t kRegionThreshold = size_t(1) << 20;

// A standard allocator that takes big blocks from regions, for the vectors
// that grow to one entry per record of a large table.
template <typename T>
struct RegionAllocator {
    using value_type = T;

    RegionAllocator() noexcept = default;
    template <typename U>
    RegionAllocator(const RegionAllocator<U>&) noexcept {}

    T* allocate(size_t n) {
        if (n > std::numeric_limits<size_t>::max() / sizeof(T)) throw std::bad_array_new_length();
        const size_t bytes = n * sizeof(T);
        if (bytes < kRegionThreshold) return static_cast<T*>(::operator new(bytes));
        void* p = AllocateRegion(bytes);
        if (p == nullptr) throw std::bad_alloc();
        return static_cast<T*>(p);
    }
    void deallocate(T* p, size_t n) noexcept {
        const size_t bytes = n * sizeof(T);
        if (bytes < kRegionThreshold) {
            ::operator delete(p);
        } else {
            FreeRegion(p, bytes);
        }
    }

    template <typename U>
    bool operator==(const RegionAllocator<U>&) const noexcept {
        return true;
    }
};

// A growable byte buffer in a region whose new bytes are left as they are:
// a file read into it is written once by the read, not zeroed first.
class RegionBuffer {
  public:
    RegionBuffer() = default;
    ~RegionBuffer();
    RegionBuffer(RegionBuffer&& other) noexcept;
    RegionBuffer& operator=(RegionBuffer&& other) noexcept;
    RegionBuffer(const RegionBuffer&) = delete;
    RegionBuffer& operator=(const RegionBuffer&) = delete;

    uint8_t* data() { return data_; }
    const uint8_t* data() const { return data_; }
    size_t size() const { return size_; }
    std::span<uint8_t> Bytes() { return {data_, size_}; }

    // Sets the size; the first min(old, new) bytes are kept and the rest
    // are uninitialised. Throws std::bad_alloc when memory runs out.
    void Resize(size_t n);

  private:
    void Release();

    uint8_t* data_ = nullptr;
    size_t size_ = 0;
    size_t capacity_ = 0;
};

}  // namespace platform
