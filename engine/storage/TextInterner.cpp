#include "engine/storage/TextInterner.h"

#include <cstring>

#include "engine/storage/ValueSlot.h"

namespace ridov {

namespace {

// A multiply-xorshift hash over 8-byte words: a handful of cycles for the
// short texts of a table, and well spread in its low bits, which pick the
// table position.
uint64_t HashBytes(const uint8_t* p, size_t n) {
    uint64_t h = 0x9E3779B97F4A7C15ull ^ n;
    while (n >= 8) {
        uint64_t w;
        std::memcpy(&w, p, 8);
        h = (h ^ w) * 0xFF51AFD7ED558CCDull;
        h ^= h >> 32;
        p += 8;
        n -= 8;
    }
    uint64_t w = 0;
    std::memcpy(&w, p, n);
    h = (h ^ w) * 0xC4CEB9FE1A85EC53ull;
    h ^= h >> 29;
    return h;
}

}  // namespace

const char* TextInterner::Intern(const void* bytes, uint32_t n) {
    if ((used_ + 1) * 10 > table_.size() * 7 && table_.size() < kMaxEntries) Grow();
    const bool full = (used_ + 1) * 10 > table_.size() * 7;
    const auto* p = static_cast<const uint8_t*>(bytes);
    const uint64_t hash = HashBytes(p, n);
    const uint64_t tag = hash >> kAddressBits << kAddressBits;
    const uint64_t addressMask = (uint64_t(1) << kAddressBits) - 1;
    const size_t mask = table_.size() - 1;
    for (size_t i = size_t(hash) & mask;; i = (i + 1) & mask) {
        const uint64_t e = table_[i];
        if (e == 0) {
            char* chars = slot::LayOutText(arena_.Allocate(size_t(n) + 5, 2), p, n);
            const uint64_t address = reinterpret_cast<uintptr_t>(chars);
            // An address that does not fit is still a valid text, only not
            // shared.
            if (!full && (address & ~addressMask) == 0) {
                table_[i] = tag | address;
                ++used_;
            }
            return chars;
        }
        if ((e & ~addressMask) != tag) continue;
        const char* chars = reinterpret_cast<const char*>(uintptr_t(e & addressMask));
        if (slot::TextLength(chars) == n && std::memcmp(chars, p, n) == 0) return chars;
    }
}

void TextInterner::Grow() {
    std::vector<uint64_t> old = std::move(table_);
    table_.assign(old.empty() ? 1024 : old.size() * 2, 0);
    const uint64_t addressMask = (uint64_t(1) << kAddressBits) - 1;
    const size_t mask = table_.size() - 1;
    for (uint64_t e : old) {
        if (e == 0) continue;
        const char* chars = reinterpret_cast<const char*>(uintptr_t(e & addressMask));
        size_t i =
            size_t(HashBytes(reinterpret_cast<const uint8_t*>(chars), slot::TextLength(chars))) &
            mask;
        while (table_[i] != 0) i = (i + 1) & mask;
        table_[i] = e;
    }
}

}  // namespace ridov
