#include "engine/storage/Arena.h"

#include <algorithm>

namespace ridov {

namespace {
constexpr size_t kFirstChunk = size_t(1) << 20;
constexpr size_t kLargestChunk = size_t(32) << 20;
// Requests of this size or more get a block of their own.
constexpr size_t kLargeRequest = kFirstChunk / 4;
}  // namespace

uint8_t* Arena::AllocateSlow(size_t n) {
    // A large request gets a block of its own so that the current chunk's
    // free tail stays usable for the small ones that follow.
    if (n >= kLargeRequest) {
        large_.emplace_back().Resize(n);
        reserved_ += n;
        return large_.back().data();
    }
    // Each chunk as large as all before it together, up to the limit.
    size_t chunked = 0;
    for (const platform::RegionBuffer& c : chunks_) chunked += c.size();
    const size_t size = std::clamp(chunked, kFirstChunk, kLargestChunk);
    chunks_.emplace_back().Resize(size);
    reserved_ += size;
    uint8_t* p = chunks_.back().data();
    next_ = p + n;
    end_ = p + size;
    return p;
}

void Arena::Rewind(const Mark& m) {
    while (large_.size() > m.large) {
        large_.pop_back();
        // reserved_ is only a statistic; it is not worth tracking exactly.
    }
    while (chunks_.size() > m.chunks) {
        reserved_ -= chunks_.back().size();
        chunks_.pop_back();
    }
    if (chunks_.empty()) {
        next_ = end_ = nullptr;
        return;
    }
    next_ = m.next;
    end_ = chunks_.back().data() + chunks_.back().size();
}

void Arena::Adopt(Arena&& other) {
    if (other.chunks_.empty() && other.large_.empty()) return;
    for (platform::RegionBuffer& b : other.large_) large_.push_back(std::move(b));
    if (!other.chunks_.empty()) {
        // The other's current chunk becomes ours: the free tail of ours is
        // left unused.
        for (platform::RegionBuffer& c : other.chunks_) chunks_.push_back(std::move(c));
        next_ = other.next_;
        end_ = other.end_;
    }
    reserved_ += other.reserved_;
    other.chunks_.clear();
    other.large_.clear();
    other.next_ = other.end_ = nullptr;
    other.reserved_ = 0;
}

void Arena::Clear() {
    chunks_.clear();
    large_.clear();
    next_ = end_ = nullptr;
    reserved_ = 0;
}

}  // namespace ridov
