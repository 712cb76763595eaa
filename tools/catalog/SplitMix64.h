// SplitMix64: a small, fast pseudo-random generator whose whole state is one
// 64-bit counter. The catalog generator uses its own generator instead of
// the standard library's so that a seed gives the same catalog on every
// compiler and standard library.
//
// Thread safety: none; one object per thread.
#pragma once

#include <cstddef>
#include <cstdint>

namespace catalog {

class SplitMix64 {
  public:
    explicit SplitMix64(uint64_t seed) : state_(seed) {}

    uint64_t Next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    // A number in [0, bound). REQUIRES: bound > 0. Uses the high half of a
    // 64x64 product, so the bias is below 2^-32 for every bound used here.
    uint64_t Below(uint64_t bound) {
        return static_cast<uint64_t>((static_cast<unsigned __int128>(Next()) * bound) >> 64);
    }

    // A number in [lo, hi]. REQUIRES: lo <= hi.
    int64_t Between(int64_t lo, int64_t hi) {
        return lo + static_cast<int64_t>(Below(static_cast<uint64_t>(hi - lo) + 1));
    }

    // True with probability percent / 100.
    bool Chance(unsigned percent) { return Below(100) < percent; }

    // A uniformly chosen element index of an array of n elements.
    size_t Index(size_t n) { return static_cast<size_t>(Below(n)); }

  private:
    uint64_t state_;
};

}  // namespace catalog
