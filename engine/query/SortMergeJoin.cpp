#include "engine/query/SortMergeJoin.h"

#include <algorithm>
#include <numeric>

#include "engine/query/PreparedConditions.h"

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

void SortRows(std::vector<RecordNode*>& rows, size_t width, const JoinKeys& keys) {
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
    std::vector<RecordNode*> sorted;
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

void JoinRows(std::vector<RecordNode*>& rows, size_t width, const JoinKeys& keys,
              const std::vector<RecordNode*>& right) {
    SortRows(rows, width, keys);
    const bool skip = SameOrdering(keys);
    const size_t count = width ? rows.size() / width : 0;
    std::vector<RecordNode*> out;
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

}  // namespace ridov
