#include "engine/query/SortMergeJoin.h"

#include <algorithm>
#include <cstring>
#include <numeric>
#include <string_view>
#include <unordered_set>

#include "engine/query/PreparedConditions.h"
#include "engine/storage/SortKey.h"
#include "engine/storage/ValueSlot.h"

namespace ridov {

namespace {

int CompareKeys(const RecordNode* l, const RecordNode* r, const JoinKeys& keys) {
    for (size_t i = 0; i < keys.leftFields.size(); ++i) {
        const TRidovField& lf = *keys.leftFields[i];
        const TRidovField& rf = *keys.rightFields[i];
        int c =
            TRidovCursor::CompareSlots(l->values + lf.offset, lf, r->values + rf.offset, rf, false);
        if (c != 0) return c;
    }
    return 0;
}

// Whether comparing an L value with R values orders them exactly as R's
// own sort did: then a binary search over R finds what a step-by-step walk
// finds.
bool SameOrdering(const JoinKeys& keys) {
    for (size_t i = 0; i < keys.leftFields.size(); ++i) {
        const TRidovField& lf = *keys.leftFields[i];
        const TRidovField& rf = *keys.rightFields[i];
        if (lf.type != rf.type) return false;
        if (lf.type == ftSmallStr && lf.rightAligned != rf.rightAligned) return false;
    }
    return true;
}

void SortRows(NodeList& rows, size_t width, const JoinKeys& keys) {
    size_t count = width ? rows.size() / width : 0;
    std::vector<uint32_t> order(count);
    std::iota(order.begin(), order.end(), 0u);
    const size_t slot = keys.leftSlot;
    std::sort(order.begin(), order.end(), [&](uint32_t x, uint32_t y) {
        const RecordNode* a = rows[x * width + slot];
        const RecordNode* b = rows[y * width + slot];
        if (!a || !b) return !a && b;
        return TRidovCursor::CompareRecords(a->values, b->values, keys.leftFields) < 0;
    });
    NodeList sorted;
    sorted.reserve(rows.size());
    for (uint32_t i : order)
        sorted.insert(sorted.end(), rows.begin() + std::ptrdiff_t(i * width),
                      rows.begin() + std::ptrdiff_t((i + 1) * width));
    rows.swap(sorted);
}

}  // namespace

bool JoinKeysComparable(const JoinKeys& keys) {
    if (keys.leftFields.size() != keys.rightFields.size()) return false;
    for (size_t i = 0; i < keys.leftFields.size(); ++i)
        if (!FieldTypesCompatible(keys.leftFields[i]->type, keys.rightFields[i]->type))
            return false;
    return true;
}

void JoinRows(NodeList& rows, size_t width, const JoinKeys& keys, const NodeList& right) {
    SortRows(rows, width, keys);
    const bool skip = SameOrdering(keys);
    const size_t count = width ? rows.size() / width : 0;
    NodeList out;
    out.reserve(rows.size());
    size_t j = 0;
    for (size_t i = 0; i < count; ++i) {
        RecordNode** row = rows.data() + i * width;
        const RecordNode* l = row[keys.leftSlot];
        if (l == nullptr) {
            out.insert(out.end(), row, row + width);
            continue;
        }
        bool matched = false;
        size_t first = 0;
        while (j < right.size()) {
            int c = CompareKeys(l, right[j], keys);
            if (c > 0) {
                if (!skip) {
                    ++j;
                    continue;
                }
                // Find the first record not smaller than the key: grow a
                // step until it overshoots, then halve back.
                size_t lo = j + 1, step = 1;
                size_t hi = lo;
                while (hi < right.size() && CompareKeys(l, right[hi], keys) > 0) {
                    lo = hi + 1;
                    step *= 2;
                    hi = std::min(right.size(), lo + step);
                }
                // Every record before lo is smaller; the one at hi (if any)
                // is not.
                while (lo < hi) {
                    size_t mid = lo + (hi - lo) / 2;
                    if (CompareKeys(l, right[mid], keys) > 0) {
                        lo = mid + 1;
                    } else {
                        hi = mid;
                    }
                }
                j = lo;
                continue;
            }
            if (c < 0) break;
            size_t at = out.size();
            out.insert(out.end(), row, row + width);
            out[at + keys.rightSlot] = right[j];
            if (!matched) {
                matched = true;
                first = j;
            }
            ++j;
        }
        if (!matched) {
            if (keys.outer) {
                size_t at = out.size();
                out.insert(out.end(), row, row + width);
                out[at + keys.rightSlot] = nullptr;
            }
        } else {
            j = first;
        }
    }
    rows.swap(out);
}

namespace {

// A quick fingerprint of a record's key texts, for keys made of texts
// only: equal texts give equal fingerprints, so a record whose fingerprint
// is not among the wanted ones cannot match, and only the others pay for
// encoding their key.
bool TextKeys(const std::vector<TRidovField*>& fields) {
    for (const TRidovField* f : fields)
        if (f->type != ftSmallStr && f->type != ftString) return false;
    return true;
}

uint64_t TextFingerprint(const RecordNode* node, const std::vector<TRidovField*>& fields) {
    uint64_t h = 14695981039346656037ull;
    for (const TRidovField* f : fields) {
        const uint8_t* s = node->values + f->offset;
        std::string_view text;
        if (f->type == ftSmallStr) {
            const void* z = std::memchr(s, 0, size_t(f->declaredSize) + 1);
            text = {reinterpret_cast<const char*>(s),
                    z ? size_t(static_cast<const uint8_t*>(z) - s) : size_t(f->declaredSize)};
        } else {
            text = slot::Text(s);
        }
        for (char c : text) h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ull;
        h = (h ^ 0xFFu) * 1099511628211ull;  // the end of a field
    }
    return h;
}

}  // namespace

bool SelectMatchingRecords(const NodeList& rows, size_t width, const JoinKeys& keys,
                           const NodeList& candidates, const PreparedConditions* filter,
                           NodeList& out) {
    // Equal keys encode to equal bytes only when both sides hold the same
    // kind of value.
    if (!SameOrdering(keys)) return false;
    out.clear();
    const bool texts = TextKeys(keys.leftFields);
    constexpr unsigned kFingerprintBits = 16;
    std::vector<uint64_t> seen(texts ? (size_t(1) << kFingerprintBits) / 64 : 0);
    SortKeyWriter wanted;
    std::vector<size_t> starts;
    for (size_t i = keys.leftSlot; i < rows.size(); i += width) {
        const RecordNode* l = rows[i];
        if (l == nullptr) continue;
        starts.push_back(wanted.Size());
        for (const TRidovField* f : keys.leftFields)
            PutSortKeyField(wanted, l->values, *f, nullptr);
        if (texts) {
            uint64_t bit = TextFingerprint(l, keys.leftFields) >> (64 - kFingerprintBits);
            seen[bit / 64] |= uint64_t(1) << (bit % 64);
        }
    }
    if (starts.empty()) return true;
    std::unordered_set<std::string_view> keySet;
    keySet.reserve(starts.size());
    starts.push_back(wanted.Size());
    const std::string_view all = wanted.From(0);
    for (size_t i = 0; i + 1 < starts.size(); ++i)
        keySet.insert(all.substr(starts[i], starts[i + 1] - starts[i]));
    SortKeyWriter probe;
    for (RecordNode* node : candidates) {
        if (!node->IsLive()) continue;
        if (texts) {
            uint64_t bit = TextFingerprint(node, keys.rightFields) >> (64 - kFingerprintBits);
            if ((seen[bit / 64] & (uint64_t(1) << (bit % 64))) == 0) continue;
        }
        probe.Clear();
        for (const TRidovField* f : keys.rightFields)
            PutSortKeyField(probe, node->values, *f, nullptr);
        if (keySet.count(probe.From(0)) == 0) continue;
        if (filter == nullptr || filter->Passes(node->values)) out.push_back(node);
    }
    return true;
}

}  // namespace ridov
