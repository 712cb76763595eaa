// The group walk: collapses a query result with GROUP BY, aggregates or
// DISTINCT into one record per group.
//
// The group fields are the columns of kind tkGroupField (every column under
// DISTINCT); the others are aggregates. The result store is sorted by the
// group fields (ascending, case-sensitive) and walked in pairs of
// neighbouring records (a, b). When they differ on a group field (BLOB-type
// fields take no part), b starts a new group and the group ending at a is
// finished. When they are equal, b takes over a's contribution and a is
// removed:
//   SUM, AVG  b := a + b (integers wrap at their width, floats add);
//             other types accumulate nothing
//   MAX, MIN  b takes a's value when a's is greater / smaller
//   COUNT     nothing
// Finishing a group, on its last record, sets COUNT to the number of its
// records and AVG to its sum divided by that number (only for float
// columns; an average of an integer column is compiled as a float).
#pragma once

#include <vector>

#include "engine/query/RidovQField.h"
#include "engine/storage/RidovCursor.h"

namespace ridov {

// `columns` describes the result store's fields, one per field in order.
void GroupWalk(TRidovCursor& result, const std::vector<TRidovQField>& columns);

}  // namespace ridov
