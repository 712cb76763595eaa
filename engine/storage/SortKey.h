// Sort keys: a record's key fields encoded as one byte string.
//
// Each key field is appended so that comparing keys as unsigned bytes
// (memcmp, the shorter first when one is a prefix of the other) orders
// records exactly as CompareValues does, field by field:
//   integers      fixed width, big-endian, sign bit flipped
//   booleans      one byte, 0 for true (true sorts first)
//   floats        the ordered bit form: NaN lowest, -0 = +0
//   texts         the bytes (or their collation ranks when ignoring case),
//                 each 0x00 and 0x01 escaped as 0x01 0x01 / 0x01 0x02, then
//                 a 0x00 terminator, so a text that is a prefix of another
//                 sorts first and the next field starts on a clean boundary
//   String, Memo  0x00 when no value is held, else 0x01 and the text
//   right-aligned SmallStr   its length byte before the text
//   BLOB, Graphic nothing (they compare equal)
// Every field's encoding is prefix-free, so two different keys never look
// equal when the shorter is padded with zeros. The order being exactly that
// of CompareValues, two records compare equal exactly when their keys are
// the same bytes, so a key also serves for hashing.
#pragma once

#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>

#include "engine/storage/RidovField.h"
#include "engine/storage/ValueSlot.h"
#include "platform/MemoryRegion.h"

namespace ridov {

// The key bytes of one or more records, one after another.
class SortKeyWriter {
  public:
    explicit SortKeyWriter(size_t expected = 64);
    ~SortKeyWriter();
    SortKeyWriter(const SortKeyWriter&) = delete;
    SortKeyWriter& operator=(const SortKeyWriter&) = delete;

    size_t Size() const { return size_; }
    const unsigned char* Data() const { return bytes_; }
    // Forgets the bytes written, keeping the room.
    void Clear() { size_ = 0; }
    // The bytes from `start` to the end.
    std::string_view From(size_t start) const {
        return {reinterpret_cast<const char*>(bytes_) + start, size_ - start};
    }

    // Room for `n` more bytes at the end.
    unsigned char* Reserve(size_t n) {
        if (size_ + n > capacity_) Grow(n);
        return bytes_ + size_;
    }
    void Commit(unsigned char* end) { size_ = size_t(end - bytes_); }

    void PutBigEndian(uint64_t v, int bytes) {
        unsigned char* p = Reserve(8);
        for (int i = bytes - 1; i >= 0; --i) *p++ = static_cast<unsigned char>(v >> (8 * i));
        Commit(p);
    }
    void PutByte(unsigned char b) {
        unsigned char* p = Reserve(1);
        *p++ = b;
        Commit(p);
    }
    // `ranks` maps each byte to its collation rank, or is null for raw
    // bytes.
    void PutText(std::string_view s, const unsigned char* ranks) {
        unsigned char* p = Reserve(2 * s.size() + 1);
        for (char c : s) {
            unsigned char b = static_cast<unsigned char>(c);
            if (ranks) b = ranks[b];
            if (b < 2) {
                *p++ = 1;
                *p++ = static_cast<unsigned char>(b + 1);
            } else {
                *p++ = b;
            }
        }
        *p++ = 0;
        Commit(p);
    }

  private:
    void Grow(size_t n);

    // The keys of a whole table's sort take tens of MB: they live in a
    // region, and are not zeroed before they are written.
    platform::RegionAllocator<unsigned char> allocator_;
    unsigned char* bytes_;
    size_t size_ = 0;
    size_t capacity_;
};

// The ordered bit form of a double: NaN lowest, -0 = +0.
inline uint64_t DoubleSortKey(double d) {
    if (std::isnan(d)) return 0;
    if (d == 0) d = 0.0;
    uint64_t bits = std::bit_cast<uint64_t>(d);
    return (bits & (uint64_t(1) << 63)) ? ~bits : bits | (uint64_t(1) << 63);
}

// The width in bytes of the key of a field of type `t` when every value's
// key has that width (numbers, dates, booleans), else 0.
inline int FixedKeyWidth(FieldType t) {
    switch (t) {
        case ftBoolean:
            return 1;
        case ftSmallInt:
            return 2;
        case ftInteger:
        case ftDate:
        case ftTime:
        case ftAutoInc:
            return 4;
        case ftInt64:
        case ftDouble:
        case ftCurrency:
        case ftDateTime:
            return 8;
        default:
            return 0;
    }
}

// The key of the value in slot `s` of a field of type `t` with a fixed key
// width, as an integer below 2^(8 * FixedKeyWidth(t)): its bytes, highest
// first, are the key.
inline uint64_t FixedKey(const uint8_t* s, FieldType t) {
    switch (t) {
        case ftBoolean:
            return slot::Load<int16_t>(s) != 0 ? 0 : 1;
        case ftSmallInt:
            return uint16_t(slot::Load<int16_t>(s)) ^ 0x8000u;
        case ftInteger:
        case ftDate:
        case ftTime:
        case ftAutoInc:
            return uint32_t(slot::Load<int32_t>(s)) ^ 0x80000000u;
        case ftInt64:
            return uint64_t(slot::Load<int64_t>(s)) ^ (uint64_t(1) << 63);
        case ftDouble:
        case ftCurrency:
        case ftDateTime:
            return DoubleSortKey(slot::Load<double>(s));
        default:
            return 0;
    }
}

// Appends the key of field `f` of the record `values`. `ranks` is the
// collation rank table when texts are compared ignoring case, else null.
// Inline: a sort encodes every record's key with it, and a call per field
// costs more than the encoding of a short key.
inline void PutSortKeyField(SortKeyWriter& out, const uint8_t* values, const TRidovField& f,
                            const unsigned char* ranks) {
    const uint8_t* s = values + f.offset;
    switch (f.type) {
        case ftBoolean:
        case ftSmallInt:
        case ftInteger:
        case ftDate:
        case ftTime:
        case ftAutoInc:
        case ftInt64:
        case ftDouble:
        case ftCurrency:
        case ftDateTime:
            out.PutBigEndian(FixedKey(s, f.type), FixedKeyWidth(f.type));
            return;
        case ftSmallStr: {
            const void* z = std::memchr(s, 0, size_t(f.declaredSize) + 1);
            size_t n = z ? size_t(static_cast<const uint8_t*>(z) - s) : size_t(f.declaredSize);
            if (f.rightAligned) out.PutByte(static_cast<unsigned char>(std::min<size_t>(n, 255)));
            out.PutText({reinterpret_cast<const char*>(s), n}, ranks);
            return;
        }
        case ftString: {
            const char* p = slot::TextPtr(s);
            out.PutByte(p ? 1 : 0);
            if (p) out.PutText({p, slot::TextLength(p)}, ranks);
            return;
        }
        case ftMemo:
        case ftFmtMemo: {
            bool held = slot::BlockPtr(s) != nullptr;
            out.PutByte(held ? 1 : 0);
            if (held) out.PutText(slot::Block(s), ranks);
            return;
        }
        case ftUnknown:
        case ftBlob:
        case ftGraphic:
            return;
    }
}

}  // namespace ridov
