#include "engine/storage/SortKey.h"

#include <algorithm>

namespace ridov {

SortKeyWriter::SortKeyWriter(size_t expected) : capacity_(std::max<size_t>(expected, 64)) {
    bytes_ = std::make_unique<unsigned char[]>(capacity_);
}

void SortKeyWriter::Grow(size_t n) {
    size_t capacity = std::max(capacity_ * 2, size_ + n);
    auto bigger = std::make_unique<unsigned char[]>(capacity);
    std::memcpy(bigger.get(), bytes_.get(), size_);
    bytes_ = std::move(bigger);
    capacity_ = capacity;
}

}  // namespace ridov
