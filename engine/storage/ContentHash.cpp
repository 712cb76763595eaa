#include "engine/storage/ContentHash.h"

#include <bit>
#include <cstring>

namespace ridov {

namespace {

constexpr uint64_t kP1 = 0x9E3779B185EBCA87ull;
constexpr uint64_t kP2 = 0xC2B2AE3D27D4EB4Full;
constexpr uint64_t kP3 = 0x165667B19E3779F9ull;
constexpr uint64_t kP4 = 0x85EBCA77C2B2AE63ull;
constexpr uint64_t kP5 = 0x27D4EB2F165667C5ull;

uint64_t Load64(const uint8_t* p) {
    uint64_t v;
    std::memcpy(&v, p, sizeof v);
    return std::endian::native == std::endian::little ? v : __builtin_bswap64(v);
}

uint64_t Round(uint64_t acc, uint64_t input) {
    acc += input * kP2;
    acc = std::rotl(acc, 31);
    return acc * kP1;
}

uint64_t Merge(uint64_t h, uint64_t lane) {
    h ^= Round(0, lane);
    return h * kP1 + kP4;
}

uint64_t Avalanche(uint64_t h) {
    h ^= h >> 33;
    h *= kP2;
    h ^= h >> 29;
    h *= kP3;
    return h ^ (h >> 32);
}

}  // namespace

uint64_t ContentHash64(std::span<const uint8_t> bytes, uint64_t seed) {
    const uint8_t* p = bytes.data();
    const size_t n = bytes.size();
    const uint8_t* const end = p + n;
    uint64_t h;
    if (n >= 32) {
        uint64_t a = seed + kP1 + kP2, b = seed + kP2, c = seed, d = seed - kP1;
        const uint8_t* const last = end - 32;
        for (; p <= last; p += 32) {
            a = Round(a, Load64(p));
            b = Round(b, Load64(p + 8));
            c = Round(c, Load64(p + 16));
            d = Round(d, Load64(p + 24));
        }
        h = std::rotl(a, 1) + std::rotl(b, 7) + std::rotl(c, 12) + std::rotl(d, 18);
        h = Merge(Merge(Merge(Merge(h, a), b), c), d);
    } else {
        h = seed + kP5;
    }
    h += n;
    for (; p + 8 <= end; p += 8) h = std::rotl(h ^ Round(0, Load64(p)), 27) * kP1 + kP4;
    for (; p < end; ++p) h = std::rotl(h ^ (uint64_t(*p) * kP5), 11) * kP1;
    return Avalanche(h);
}

}  // namespace ridov
