// The sort-merge join of one pair of tables over a list of rows.
//
// A row is `width` consecutive record references, one per table of the
// query in table order; a null reference is a missing record (outer join).
// Rows live in one flat vector.
//
// JoinRows(rows, L, R):
//   1. The rows are sorted by the key fields of their L record, ascending
//      and case-sensitive; rows without an L record come first. Not stable.
//   2. `right` is R's eligible records, already sorted by R's key fields
//      (SortRecordsByKeys).
//   3. Merge with a right position j starting at 0. A row without an L
//      record passes unchanged. Otherwise j moves on while the row's key is
//      greater than R's record at j (key field by key field, by the L
//      field's rule; the first difference decides). Each R record with an
//      equal key is a match: the first goes into the row's R slot, every
//      further one into a copy of the row placed right after it. When the
//      key is smaller or R is exhausted, the row is done: without a match
//      an inner join drops it and an outer join keeps it with an empty R
//      slot; with matches j returns to the first of them, so the next row
//      with the same key finds them again.
// When the L and R key fields order values the same way, j skips ahead by
// exponential and binary search instead of one step at a time; it lands on
// the same record, so the result is identical.
#pragma once

#include <cstddef>
#include <vector>

#include "engine/storage/RidovCursor.h"

namespace ridov {

class PreparedConditions;

struct JoinKeys {
    size_t leftSlot = 0;
    size_t rightSlot = 0;
    std::vector<TRidovField*> leftFields;   // fields of L's store
    std::vector<TRidovField*> rightFields;  // fields of R's store, pairwise
    bool outer = false;
};

// True when every key pair can be compared safely (the filter rule for two
// fields: the same type, or both among Integer, Date, Time and AutoInc, or
// both among Double, Currency and DateTime).
bool JoinKeysComparable(const JoinKeys& keys);

// Sorts the rows by their L records, then merges them with `right`.
// REQUIRES: JoinKeysComparable(keys); `right` sorted by keys.rightFields.
void JoinRows(NodeList& rows, size_t width, const JoinKeys& keys, const NodeList& right);

// Picks from `candidates`, in their order, the live records that pass
// `filter` (when given) and whose R key equals the key of some row's L
// record: the only R records a merge with these rows can match, so JoinRows
// over them, sorted by keys.rightFields, gives what it gives over all of R
// (rows whose keys are equal may come in another order, as the sort leaves
// equal keys in no defined order).
// A handful of rows against a large table costs one pass over the table
// instead of sorting it. Returns false, with `out` unspecified, when the
// key fields of the two sides are of different kinds (a key alone then
// cannot tell equality).
bool SelectMatchingRecords(const NodeList& rows, size_t width, const JoinKeys& keys,
                           const NodeList& candidates, const PreparedConditions* filter,
                           NodeList& out);

}  // namespace ridov
