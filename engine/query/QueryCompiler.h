// Compiling a SELECT statement into a QueryPlan.
//
// The statement (parameters already substituted) is parsed, then:
//   1. one table per FROM entry, in statement order: a dataset table when
//      its alias names one of the environment's dataset tables, otherwise
//      a file table (a bare name is looked up in the database folder, and
//      ".d" appended when no file of that name exists). The origin table
//      (alias equal to the environment's origin, key fields given, read
//      from a file) moves to the front;
//   2. one result column per column of the statement; a result name that
//      repeats an earlier one gets "_1" appended (again for every further
//      earlier column it then equals); DISTINCT makes every column a group
//      field; an aggregate without AS is named "Count_", "Sum_", "Max_",
//      "Min_" or "Avg_" followed by its field;
//   3. with grouping every column must be grouped or aggregated;
//   4. a comparison between two different tables is a join (only "=" and
//      "*="); every other comparison filters its left table.
// Errors are raised as DatabaseError with the fixed messages.
#pragma once

#include <string_view>

#include "engine/query/QueryPlan.h"

namespace ridov {

QueryPlan CompileQuery(std::string_view statement, const QueryEnvironment& env);

}  // namespace ridov
