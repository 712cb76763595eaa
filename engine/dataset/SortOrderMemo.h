// The remembered sort order of a table file: the order of all its records
// under one sort, kept in a file beside the table (the table's name with
// ".sort" added), so that opening an unchanged big catalog sorted by name
// does not sort a million records again.
//
// The memo is keyed by the exact contents of the table file (its size and
// a 64-bit hash of its bytes, see ContentHash.h) and by the sort (fields,
// their types and alignment, the options and the collation). A memo made
// for other contents, another sort or another record count is ignored, as
// is a memo that is damaged (it carries a hash of itself) or whose
// positions are not each record exactly once. So a stale or foreign memo
// can never show a record twice, lose one or read outside the table; the
// worst a hash collision could do is show the records in another order.
//
// Layout (little-endian):
//   "ZVSORT01"  imageSize:u64  imageHash:u64  recordCount:u32
//   signatureLength:u32  signature[signatureLength]  position:u32[recordCount]
//   check:u64 (ContentHash64 of everything before it)
#pragma once

#include <cstdint>
#include <string>

#include "engine/storage/RecordSort.h"

namespace platform {
class Platform;
}

namespace ridov {

struct SortOrderKey {
    uint64_t imageSize = 0;
    uint64_t imageHash = 0;
    std::string sortSignature;  // see TRidovDataset::SortSignature
};

std::string SortOrderMemoPath(const std::string& tableFile);

// True with `order` filled when the memo at `path` is whole, made for
// `key`, and holds a permutation of `recordCount` positions.
bool ReadSortOrderMemo(platform::Platform& os, const std::string& path, const SortOrderKey& key,
                       size_t recordCount, RecordOrder& order);

// Replaces the memo at `path` (atomically); false when it cannot be
// written, which only costs the next open a sort.
bool WriteSortOrderMemo(platform::Platform& os, const std::string& path, const SortOrderKey& key,
                        const RecordOrder& order);

}  // namespace ridov
