#include "platform/MemoryRegion.h"

#include <cstring>
#include <utility>

namespace platform {

RegionBuffer::~RegionBuffer() {
    Release();
}

RegionBuffer::RegionBuffer(RegionBuffer&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      capacity_(std::exchange(other.capacity_, 0)) {}

RegionBuffer& RegionBuffer::operator=(RegionBuffer&& other) noexcept {
    if (this != &other) {
        Release();
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
        capacity_ = std::exchange(other.capacity_, 0);
    }
    return *this;
}

void RegionBuffer::Release() {
    FreeRegion(data_, capacity_);
    data_ = nullptr;
    size_ = capacity_ = 0;
}

void RegionBuffer::Resize(size_t n) {
    if (n <= capacity_) {
        size_ = n;
        return;
    }
    auto* fresh = static_cast<uint8_t*>(AllocateRegion(n));
    if (fresh == nullptr) throw std::bad_alloc();
    if (size_ > 0) std::memcpy(fresh, data_, size_);
    FreeRegion(data_, capacity_);
    data_ = fresh;
    size_ = n;
    capacity_ = n;
}

}  // namespace platform
