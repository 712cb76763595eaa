#include "engine/storage/RecordSort.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <memory>

#include "engine/storage/ValueSlot.h"
#include "engine/text/CollationKey.h"

namespace ridov {

namespace {

// ---- key encoding ----
//
// Each key field is appended to the record's key so that comparing keys as
// unsigned bytes (memcmp, the shorter first when one is a prefix of the
// other) orders records exactly as CompareValues does, field by field:
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
// equal when the shorter is padded with zeros.

// The key bytes of all records, one after another.
class KeyWriter {
  public:
    explicit KeyWriter(size_t expected) : capacity_(std::max<size_t>(expected, 64)) {
        bytes_ = std::make_unique<unsigned char[]>(capacity_);
    }
    size_t Size() const { return size_; }
    const unsigned char* Data() const { return bytes_.get(); }
    // Room for `n` more bytes at the end.
    unsigned char* Reserve(size_t n) {
        if (size_ + n > capacity_) {
            size_t capacity = std::max(capacity_ * 2, size_ + n);
            auto bigger = std::make_unique<unsigned char[]>(capacity);
            std::memcpy(bigger.get(), bytes_.get(), size_);
            bytes_ = std::move(bigger);
            capacity_ = capacity;
        }
        return bytes_.get() + size_;
    }
    void Commit(unsigned char* end) { size_ = size_t(end - bytes_.get()); }

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
    std::unique_ptr<unsigned char[]> bytes_;
    size_t size_ = 0;
    size_t capacity_;
};

uint64_t DoubleKey(double d) {
    if (std::isnan(d)) return 0;
    if (d == 0) d = 0.0;
    uint64_t bits = std::bit_cast<uint64_t>(d);
    return (bits & (uint64_t(1) << 63)) ? ~bits : bits | (uint64_t(1) << 63);
}

void PutField(KeyWriter& out, const uint8_t* values, const TRidovField& f,
              const unsigned char* ranks) {
    const uint8_t* s = values + f.offset;
    switch (f.type) {
        case ftSmallInt:
            out.PutBigEndian(uint16_t(slot::Load<int16_t>(s)) ^ 0x8000u, 2);
            return;
        case ftInteger:
        case ftDate:
        case ftTime:
        case ftAutoInc:
            out.PutBigEndian(uint32_t(slot::Load<int32_t>(s)) ^ 0x80000000u, 4);
            return;
        case ftInt64:
            out.PutBigEndian(uint64_t(slot::Load<int64_t>(s)) ^ (uint64_t(1) << 63), 8);
            return;
        case ftBoolean:
            out.PutByte(slot::Load<int16_t>(s) != 0 ? 0 : 1);
            return;
        case ftDouble:
        case ftCurrency:
        case ftDateTime:
            out.PutBigEndian(DoubleKey(slot::Load<double>(s)), 8);
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

// ---- sorting the keys ----
//
// The keys are compared 16 bytes at a time: all entries are sorted by their
// first 16 key bytes (two integers held in the entry, so the sort touches
// nothing else); each run of entries equal so far is then sorted by the
// next 16 bytes, and so on until runs are single entries or their keys are
// used up. Most of the work is integer comparisons on a contiguous array.

struct Entry {
    uint64_t high;
    uint64_t low;
    uint32_t offset;  // of the key in the key bytes
    uint32_t length;
    RecordNode* node;
};

uint64_t Load8(const unsigned char* key, size_t length, size_t at) {
    unsigned char b[8] = {};
    if (at < length) std::memcpy(b, key + at, std::min<size_t>(8, length - at));
    uint64_t v;
    std::memcpy(&v, b, sizeof v);
    return std::endian::native == std::endian::little ? __builtin_bswap64(v) : v;
}

void LoadChunk(Entry& e, const unsigned char* keys, size_t depth) {
    const unsigned char* key = keys + e.offset;
    e.high = Load8(key, e.length, depth);
    e.low = Load8(key, e.length, depth + 8);
}

}  // namespace

void SortRecordNodes(std::vector<RecordNode*>& nodes, const std::vector<TRidovField*>& key,
                     bool caseInsensitive, bool descend) {
    if (nodes.size() < 2 || key.empty()) return;
    const unsigned char* ranks = caseInsensitive ? text::CollationRankTable() : nullptr;
    KeyWriter keys(nodes.size() * 24);
    std::vector<Entry> entries(nodes.size());
    for (size_t i = 0; i < nodes.size(); ++i) {
        size_t start = keys.Size();
        for (const TRidovField* f : key) PutField(keys, nodes[i]->values, *f, ranks);
        entries[i].offset = static_cast<uint32_t>(start);
        entries[i].length = static_cast<uint32_t>(keys.Size() - start);
        entries[i].node = nodes[i];
    }
    const unsigned char* bytes = keys.Data();
    auto chunkLess = [](const Entry& a, const Entry& b) {
        return a.high != b.high ? a.high < b.high : a.low < b.low;
    };

    struct Run {
        size_t begin, end, depth;
    };
    std::vector<Run> pending = {{0, entries.size(), 0}};
    while (!pending.empty()) {
        Run run = pending.back();
        pending.pop_back();
        auto first = entries.begin() + std::ptrdiff_t(run.begin);
        auto last = entries.begin() + std::ptrdiff_t(run.end);
        for (auto it = first; it != last; ++it) LoadChunk(*it, bytes, run.depth);
        std::sort(first, last, chunkLess);
        size_t next = run.depth + 16;
        for (size_t i = run.begin; i < run.end;) {
            size_t j = i + 1;
            uint32_t longest = entries[i].length;
            while (j < run.end && entries[j].high == entries[i].high &&
                   entries[j].low == entries[i].low) {
                longest = std::max(longest, entries[j].length);
                ++j;
            }
            // Equal so far and not used up: the next 16 bytes decide.
            if (j - i > 1 && longest > next) pending.push_back({i, j, next});
            i = j;
        }
    }
    // Descending negates the whole comparison: the ascending order reversed.
    size_t n = entries.size();
    for (size_t i = 0; i < n; ++i) nodes[i] = entries[descend ? n - 1 - i : i].node;
}

}  // namespace ridov
