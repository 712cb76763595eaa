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
//
// A big list (100,000 records or more) is sorted on the machine's cores:
// the keys are encoded in two halves side by side, then split by their
// first 16 bytes into ranges that follow one another, each sorted on a
// thread of its own. Reading the records and the key values is not
// changed by any of this, so the calls are as safe as a sort on one
// thread; nothing else may change the records meanwhile, as before.
#pragma once

#include <vector>

#include "engine/storage/RecordNode.h"
#include "engine/storage/RidovField.h"

namespace ridov {

// Sorts `nodes` by `key` (at least one field). Every node must have values.
void SortRecordNodes(NodeList& nodes, const std::vector<TRidovField*>& key, bool caseInsensitive,
                     bool descend);

// Positions of records in a list, one per record.
using RecordOrder = std::vector<uint32_t, platform::RegionAllocator<uint32_t>>;

// The same order as positions: entry i of the result is the position in
// `nodes` of the record that comes i-th. `threads` 0 lets the list's size
// and the machine's cores decide how many threads sort.
RecordOrder SortedRecordOrder(const NodeList& nodes, const std::vector<TRidovField*>& key,
                              bool caseInsensitive, bool descend, unsigned threads = 0);

}  // namespace ridov
