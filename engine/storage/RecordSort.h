// Sorting record nodes in the order of their key fields (views, the store's
// own sort, the query's joins).
//
// The order is exactly that of TRidovCursor::CompareValues field by field
// (the first non-zero result decides), negated as a whole for a descending
// sort. Records with equal keys come out in no defined order.
//
// How: comparing through the nodes costs two or three cache misses per
// comparison on a large table (node, value buffer, heap text), and a
// catalog has many records that share a name, so a million-record sort by
// NAME;ID took seconds. Instead every record's key fields are encoded once
// into one byte string whose unsigned byte order is exactly the
// CompareValues order (integers with the sign bit flipped, doubles in
// their ordered bit form, texts as bytes or, ignoring case, as collation
// ranks; see SortKey.h), and the keys are sorted 16 bytes at a time,
// most of it as integer comparisons inside a contiguous array.
#pragma once

#include <vector>

#include "engine/storage/RecordNode.h"
#include "engine/storage/RidovField.h"

namespace ridov {

// Sorts `nodes` by `key` (at least one field). Every node must have values.
void SortRecordNodes(NodeList& nodes, const std::vector<TRidovField*>& key, bool caseInsensitive,
                     bool descend);

}  // namespace ridov
