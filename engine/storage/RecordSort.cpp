#include "engine/storage/RecordSort.h"

#include <algorithm>
#include <bit>
#include <cstring>

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

void SortRecordNodes(NodeList& nodes, const std::vector<TRidovField*>& key, bool caseInsensitive,
                     bool descend) {
    if (nodes.size() < 2 || key.empty()) return;
    const unsigned char* ranks = caseInsensitive ? text::CollationRankTable() : nullptr;
    SortKeyWriter keys(nodes.size() * 24);
    std::vector<Entry, platform::RegionAllocator<Entry>> entries(nodes.size());
    for (size_t i = 0; i < nodes.size(); ++i) {
        size_t start = keys.Size();
        for (const TRidovField* f : key) PutSortKeyField(keys, nodes[i]->values, *f, ranks);
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
