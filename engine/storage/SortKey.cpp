#include "engine/storage/SortKey.h"

#include <algorithm>

namespace ridov {

SortKeyWriter::SortKeyWriter(size_t expected) : capacity_(std::max<size_t>(expected, 64)) {
    bytes_ = allocator_.allocate(capacity_);
}

SortKeyWriter::~SortKeyWriter() {
    allocator_.deallocate(bytes_, capacity_);
}

void SortKeyWriter::Grow(size_t n) {
    size_t capacity = std::max(capacity_ * 2, size_ + n);
    unsigned char* bigger = allocator_.allocate(capacity);
    std::memcpy(bigger, bytes_, size_);
    allocator_.deallocate(bytes_, capacity_);
    bytes_ = bigger;
    capacity_ = capacity;
}

}  // namespace ridov
