#include "engine/storage/Arena.h"

namespace ridov {

namespace {
constexpr size_t kChunkSize = size_t(1) << 20;
}

uint8_t* Arena::AllocateSlow(size_t n) {
    // Large requests get a block of their own so that the current chunk's
    // free tail stays usable for the small ones that follow.
    if (n >= kChunkSize / 4) {
        large_.push_back(std::make_unique_for_overwrite<uint8_t[]>(n));
        reserved_ += n;
        return large_.back().get();
    }
    chunks_.push_back(std::make_unique_for_overwrite<uint8_t[]>(kChunkSize));
    reserved_ += kChunkSize;
    uint8_t* p = chunks_.back().get();
    next_ = p + n;
    end_ = p + kChunkSize;
    return p;
}

void Arena::Rewind(const Mark& m) {
    while (large_.size() > m.large) {
        large_.pop_back();
        // reserved_ is only a statistic; it is not worth tracking exactly.
    }
    while (chunks_.size() > m.chunks) {
        chunks_.pop_back();
        reserved_ -= kChunkSize;
    }
    if (chunks_.empty()) {
        next_ = end_ = nullptr;
        return;
    }
    next_ = m.next;
    end_ = chunks_.back().get() + kChunkSize;
}

void Arena::Clear() {
    chunks_.clear();
    large_.clear();
    next_ = end_ = nullptr;
    reserved_ = 0;
}

}  // namespace ridov
