#include "engine/storage/RecordSort.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <functional>

#include "engine/storage/RunTogether.h"
#include "engine/storage/SortKey.h"
#include "engine/text/CollationKey.h"

namespace ridov {

namespace {

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
    uint32_t position;  // of the record in the list sorted
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

using Entries = std::vector<Entry, platform::RegionAllocator<Entry>>;

bool ChunkLess(const Entry& a, const Entry& b) {
    return a.high != b.high ? a.high < b.high : a.low < b.low;
}

// Encodes the keys of nodes [first, last) into `keys` and their entries
// (offsets into `keys`, chunk at depth 0) into `entries` from `first` on.
void EncodeKeys(const NodeList& nodes, size_t first, size_t last,
                const std::vector<TRidovField*>& key, const unsigned char* ranks,
                SortKeyWriter& keys, Entries& entries) {
    for (size_t i = first; i < last; ++i) {
        size_t start = keys.Size();
        for (const TRidovField* f : key) PutSortKeyField(keys, nodes[i]->values, *f, ranks);
        Entry& e = entries[i];
        e.offset = static_cast<uint32_t>(start);
        e.length = static_cast<uint32_t>(keys.Size() - start);
        e.position = static_cast<uint32_t>(i);
    }
}

// Sorts entries [begin, end), whose chunks at depth 0 are loaded, by
// their whole keys.
void SortEntries(Entry* entries, size_t begin, size_t end, const unsigned char* bytes) {
    struct Run {
        size_t begin, end, depth;
    };
    std::vector<Run> pending = {{begin, end, 0}};
    bool loaded = true;  // depth 0 is loaded for the first run
    while (!pending.empty()) {
        Run run = pending.back();
        pending.pop_back();
        Entry* first = entries + run.begin;
        Entry* last = entries + run.end;
        if (!loaded) {
            for (Entry* it = first; it != last; ++it) LoadChunk(*it, bytes, run.depth);
        }
        loaded = false;
        std::sort(first, last, ChunkLess);
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
}

// Below this many records one thread sorts faster than several start.
constexpr size_t kParallelFrom = 100000;

// Splits entries into `parts` ranges of ascending depth-0 chunks (all of
// one range below all of the next), so that each can be sorted on its
// own: pivots from an even sample, then a stable scatter by range.
// Returns the range bounds (parts + 1 of them).
std::vector<size_t> PartitionByChunk(Entries& entries, unsigned parts) {
    const size_t n = entries.size();
    std::vector<Entry> sample;
    const size_t samples = std::min<size_t>(n, size_t(parts) * 64);
    for (size_t i = 0; i < samples; ++i) sample.push_back(entries[i * (n / samples)]);
    std::sort(sample.begin(), sample.end(), ChunkLess);
    std::vector<Entry> pivots;  // range k holds chunks below pivots[k]
    for (unsigned k = 1; k < parts; ++k) pivots.push_back(sample[k * samples / parts]);
    auto rangeOf = [&](const Entry& e) {
        return size_t(std::upper_bound(pivots.begin(), pivots.end(), e, ChunkLess) -
                      pivots.begin());
    };
    std::vector<uint8_t> range(n);
    std::vector<size_t> bounds(parts + 1, 0);
    for (size_t i = 0; i < n; ++i) {
        range[i] = static_cast<uint8_t>(rangeOf(entries[i]));
        ++bounds[range[i] + 1];
    }
    for (unsigned k = 0; k < parts; ++k) bounds[k + 1] += bounds[k];
    Entries scattered(n);
    std::vector<size_t> at(bounds.begin(), bounds.end() - 1);
    for (size_t i = 0; i < n; ++i) scattered[at[range[i]]++] = entries[i];
    entries.swap(scattered);
    return bounds;
}

// ---- keys of one integer ----
//
// Number, date and boolean fields have keys of a fixed width. When a sort's
// fields take 8 bytes or less together, each record's key is one integer
// (the key bytes, highest first) and the records are sorted by radix: a
// stable counting pass per 11-bit digit, lowest digit first, over an array
// of (key, position) pairs. That orders exactly as the key bytes do, in a
// few linear passes instead of a comparison sort.

struct NumberEntry {
    uint64_t key;
    uint32_t position;
};

using NumberEntries = std::vector<NumberEntry, platform::RegionAllocator<NumberEntry>>;

// The width of the sort's key when it is one integer, else 0.
int IntegerKeyWidth(const std::vector<TRidovField*>& key) {
    int width = 0;
    for (const TRidovField* f : key) {
        const int w = FixedKeyWidth(f->type);
        if (w == 0) return 0;
        width += w;
    }
    return width <= 8 ? width : 0;
}

void EncodeIntegerKeys(const NodeList& nodes, size_t first, size_t last,
                       const std::vector<TRidovField*>& key, NumberEntry* entries) {
    if (key.size() == 1) {
        const uint32_t offset = key.front()->offset;
        const FieldType type = key.front()->type;
        for (size_t i = first; i < last; ++i)
            entries[i] = {FixedKey(nodes[i]->values + offset, type), uint32_t(i)};
        return;
    }
    for (size_t i = first; i < last; ++i) {
        uint64_t k = 0;
        for (const TRidovField* f : key) {
            // Shifted in two steps: a shift by 64 would be undefined.
            k = (k << (4 * FixedKeyWidth(f->type))) << (4 * FixedKeyWidth(f->type));
            k |= FixedKey(nodes[i]->values + f->offset, f->type);
        }
        entries[i] = {k, uint32_t(i)};
    }
}

RecordOrder IntegerKeyOrder(const NodeList& nodes, const std::vector<TRidovField*>& key, int width,
                            bool descend, unsigned threads) {
    const size_t n = nodes.size();
    NumberEntries entries(n);
    if (threads > 1) {
        // Reading the records is most of the work: two halves side by side.
        const size_t half = n / 2;
        RunTogether({[&] { EncodeIntegerKeys(nodes, 0, half, key, entries.data()); },
                     [&] { EncodeIntegerKeys(nodes, half, n, key, entries.data()); }});
    } else {
        EncodeIntegerKeys(nodes, 0, n, key, entries.data());
    }
    constexpr int kDigitBits = 11;
    constexpr size_t kBuckets = size_t(1) << kDigitBits;
    const int digits = (8 * width + kDigitBits - 1) / kDigitBits;
    // The counts of every digit, taken in one pass.
    std::vector<uint32_t> counts(size_t(digits) * kBuckets, 0);
    for (const NumberEntry& e : entries) {
        for (int d = 0; d < digits; ++d)
            ++counts[size_t(d) * kBuckets + ((e.key >> (d * kDigitBits)) & (kBuckets - 1))];
    }
    NumberEntries spare(n);
    NumberEntry* from = entries.data();
    NumberEntry* to = spare.data();
    std::vector<size_t> at(kBuckets);
    for (int d = 0; d < digits; ++d) {
        const uint32_t* count = counts.data() + size_t(d) * kBuckets;
        // A digit all keys share moves nothing.
        if (std::find(count, count + kBuckets, uint32_t(n)) != count + kBuckets) continue;
        size_t sum = 0;
        for (size_t b = 0; b < kBuckets; ++b) {
            at[b] = sum;
            sum += count[b];
        }
        const int shift = d * kDigitBits;
        for (size_t i = 0; i < n; ++i) {
            const NumberEntry& e = from[i];
            to[at[(e.key >> shift) & (kBuckets - 1)]++] = e;
        }
        std::swap(from, to);
    }
    RecordOrder order(n);
    for (size_t i = 0; i < n; ++i) order[i] = from[descend ? n - 1 - i : i].position;
    return order;
}

}  // namespace

RecordOrder SortedRecordOrder(const NodeList& nodes, const std::vector<TRidovField*>& key,
                              bool caseInsensitive, bool descend, unsigned threads) {
    const size_t n = nodes.size();
    RecordOrder order(n);
    if (n < 2 || key.empty()) {
        for (size_t i = 0; i < n; ++i) order[i] = uint32_t(i);
        return order;
    }
    if (threads == 0) threads = PiecesFor(n, kParallelFrom, 8);
    if (const int width = IntegerKeyWidth(key); width > 0)
        return IntegerKeyOrder(nodes, key, width, descend, threads);
    const unsigned char* ranks = caseInsensitive ? text::CollationRankTable() : nullptr;
    // The split keeps one byte per record for its range.
    threads = std::min(threads, 255u);
    Entries entries(n);
    SortKeyWriter keys(n * 24);
    if (threads == 1) {
        EncodeKeys(nodes, 0, n, key, ranks, keys, entries);
    } else {
        // Two halves encoded side by side; the second half's keys then
        // follow the first's in one buffer.
        const size_t half = n / 2;
        SortKeyWriter secondKeys(n * 12);
        RunTogether({[&] { EncodeKeys(nodes, 0, half, key, ranks, keys, entries); },
                     [&] { EncodeKeys(nodes, half, n, key, ranks, secondKeys, entries); }});
        const size_t base = keys.Size();
        unsigned char* to = keys.Reserve(secondKeys.Size());
        std::memcpy(to, secondKeys.Data(), secondKeys.Size());
        keys.Commit(to + secondKeys.Size());
        for (size_t i = half; i < n; ++i) entries[i].offset += static_cast<uint32_t>(base);
    }
    const unsigned char* bytes = keys.Data();
    for (Entry& e : entries) LoadChunk(e, bytes, 0);

    if (threads == 1) {
        SortEntries(entries.data(), 0, n, bytes);
    } else {
        const std::vector<size_t> bounds = PartitionByChunk(entries, threads);
        std::vector<std::function<void()>> parts;
        for (unsigned k = 0; k < threads; ++k) {
            parts.push_back(
                [&, k] { SortEntries(entries.data(), bounds[k], bounds[k + 1], bytes); });
        }
        RunTogether(parts);
    }
    // Descending negates the whole comparison: the ascending order reversed.
    for (size_t i = 0; i < n; ++i) order[i] = entries[descend ? n - 1 - i : i].position;
    return order;
}

void SortRecordNodes(NodeList& nodes, const std::vector<TRidovField*>& key, bool caseInsensitive,
                     bool descend) {
    if (nodes.size() < 2 || key.empty()) return;
    const RecordOrder order = SortedRecordOrder(nodes, key, caseInsensitive, descend);
    NodeList sorted(nodes.size());
    for (size_t i = 0; i < order.size(); ++i) sorted[i] = nodes[order[i]];
    nodes.swap(sorted);
}

}  // namespace ridov
