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
    if ((used_ + 1) * 10 > table_.size() * 7) Grow();
    const auto* p = static_cast<const uint8_t*>(bytes);
    const uint64_t hash = HashBytes(p, n);
    const size_t mask = table_.size() - 1;
    for (size_t i = size_t(hash) & mask;; i = (i + 1) & mask) {
        Entry& e = table_[i];
        if (e.chars == nullptr) {
            uint8_t* base = arena_.Allocate(size_t(n) + 5, 2);
            e.chars = slot::LayOutText(base, p, n);
            e.hash = hash;
            ++used_;
            return e.chars;
        }
        if (e.hash == hash && slot::TextLength(e.chars) == n && std::memcmp(e.chars, p, n) == 0)
            return e.chars;
    }
}

void TextInterner::Grow() {
    std::vector<Entry> old = std::move(table_);
    table_.assign(old.empty() ? 1024 : old.size() * 2, Entry{});
    const size_t mask = table_.size() - 1;
    for (const Entry& e : old) {
        if (e.chars == nullptr) continue;
        size_t i = size_t(e.hash) & mask;
        while (table_[i].chars != nullptr) i = (i + 1) & mask;
        table_[i] = e;
    }
}

}  // namespace ridov
