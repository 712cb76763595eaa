// The group walk: collapses a query result with GROUP BY, aggregates or
// DISTINCT into one record per group.
//
// The group fields are the columns of kind tkGroupField (every column under
// DISTINCT); the others are aggregates. Records with equal group fields
// (compared case-sensitively; BLOB-type fields take no part) form a group,
// and each group is walked in table order in pairs of consecutive records
// (a, b): b takes over a's contribution and a is removed:
//   SUM, AVG  b := a + b (integers wrap at their width, floats add);
//             other types accumulate nothing
//   MAX, MIN  b takes a's value when a's is greater / smaller
//   COUNT     nothing
// Finishing a group, on its last record, sets COUNT to the number of its
// records and AVG to its sum divided by that number (only for float
// columns; an average of an integer column is compiled as a float).
// The groups' last records are left, sorted by the group fields (ascending,
// case-sensitive): exactly what sorting the whole result stably by the
// group fields and walking neighbours gives, without the sort. All groups
// are walked in one pass over the records in store order, so memory is read
// in the order it was filled.
#pragma once

#include <vector>

#include "engine/query/RidovQField.h"
#include "engine/storage/RidovCursor.h"

namespace ridov {

// `columns` describes the result store's fields, one per field in order.
void GroupWalk(TRidovCursor& result, const std::vector<TRidovQField>& columns);

}  // namespace ridov
