// TextInterner: one arena copy per distinct text while a table image is
// read.
//
// Catalogs repeat their texts heavily (a few hundred brand names over a
// million products, each product name on a dozen rows), and a text costs
// its bytes plus a length prefix and a terminator in the arena. Records read
// from an image therefore share equal texts: a slot refers to the one copy
// made the first time those bytes were seen. This is safe because arena
// texts are never written through and never freed one by one; an edit gives
// its record a heap text of its own (see ValueSlot.h).
//
// The table maps a hash of the bytes to the copy; it lives only for one
// read. It stops growing at kMaxEntries, small enough to stay in the cache:
// a lookup in a table that outgrows the cache costs more than the copy it
// saves, so once it is full, new texts are copied as they are and only the
// texts already in it are shared (in a catalog, the brand names and the most
// frequent product names).
//
// REQUIRES: nothing is rewound in the arena while the interner is in use
// (a rewind would leave the table pointing at given-back memory).
// Not thread-safe; one per read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/storage/Arena.h"

namespace ridov {

class TextInterner {
  public:
    // Longer texts are rarely repeated and are cheaper copied than hashed.
    static constexpr uint32_t kMaxLength = 128;
    static constexpr size_t kMaxEntries = size_t(1) << 14;

    explicit TextInterner(Arena& arena) : arena_(arena) {}
    TextInterner(const TextInterner&) = delete;
    TextInterner& operator=(const TextInterner&) = delete;

    // The characters of an arena text equal to bytes[0, n), laid out as
    // slot::SetArenaText lays it out (untagged: it belongs to the arena).
    // REQUIRES: n <= kMaxLength.
    const char* Intern(const void* bytes, uint32_t n);

  private:
    // An entry packs the text's address (below 2^48 in a user address
    // space) with the top 16 bits of its hash, so that the table stays
    // small enough for the cache and a mismatch rarely reads the text.
    // Zero is a free entry.
    static constexpr int kAddressBits = 48;
    void Grow();

    Arena& arena_;
    std::vector<uint64_t> table_;  // open addressing, linear probing; size a power of two
    size_t used_ = 0;
};

}  // namespace ridov
