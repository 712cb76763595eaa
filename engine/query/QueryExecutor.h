// Running a compiled SELECT statement into a result record store.
//
// ExecuteQuery runs the plan from scratch, in this order:
//   1. every file table's header and field list is read (a cached table
//      whose file is unchanged is taken as it is);
//   2. result columns are resolved: fields found in their tables,
//      constants, and each "*" replaced by its table's fields (appended at
//      the end of the column list); names that repeat an earlier one
//      ignoring case get "_1" appended;
//   3. each table's filter comparisons are bound to its store;
//   4. join comparisons are merged into one join per pair of tables, the
//      left side being the table met first;
//   5. file tables are read; a table other than the origin keeps only the
//      records that pass its filter;
//   6. the result's structure, an empty table image with one field per
//      column, is handed to `loadResult`, which loads it into the store
//      that receives the rows and returns that store;
//   7. one row per record of the first table, then each join in turn
//      (SortMergeJoin.h);
//   8. each row becomes a record of the result; the stores of file tables
//      other than the origin are released;
//   9. grouping and DISTINCT collapse the result (GroupWalk.h);
//  10. the result's changes are accepted, so only later edits count.
// Every failure is raised as DatabaseError with its fixed message; the
// plan may then hold partly read tables, released with the plan.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "engine/query/QueryPlan.h"

namespace ridov {

using ResultLoader = std::function<TRidovCursor&(std::vector<uint8_t> emptyImage)>;

void ExecuteQuery(QueryPlan& plan, const QueryEnvironment& env, const ResultLoader& loadResult);

}  // namespace ridov
