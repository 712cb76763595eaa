// A compiled SELECT statement and the environment it runs in.
//
// CompileQuery (QueryCompiler.h) turns a statement whose parameters are
// already substituted into a QueryPlan; ExecuteQuery (QueryExecutor.h)
// runs it into a result store; WriteBack (WriteBack.h) carries the edits
// made in the result into the origin table's file. The plan holds what the
// later steps need: after execution the origin table keeps its record
// store for the write-back.
//
// Thread safety: single-threaded, like the record stores it refers to.
#pragma once

#include <string>
#include <vector>

#include "engine/query/RidovQField.h"
#include "engine/query/RidovQJoin.h"
#include "engine/query/RidovQTable.h"
#include "engine/storage/RidovCursor.h"
#include "engine/text/FormatSettings.h"

namespace ridov {

class TableCache;
class TRidovSession;

// A table that comes from an open dataset rather than from a file. A null
// store stands for a closed dataset.
struct QueryDatasetTable {
    std::string alias;
    TRidovCursor* store = nullptr;
};

struct QueryEnvironment {
    // Both must outlive the plan and every store it creates.
    TRidovSession* session = nullptr;
    const text::FormatSettings* format = nullptr;
    // Folder of tables given by bare name, with its trailing separator, or
    // empty.
    std::string databasePath;
    // Given to every table read from a file (empty: none).
    std::string password;
    // Alias of the table edits are written back to, and its key fields.
    std::string origin;
    std::string uniqueFieldNames;
    // String comparisons of WHERE filters ignore case.
    bool caseInsensitive = false;
    // Options for writing the origin file.
    TRidovSaveOptions saveOptions = 0;
    // Tables taken from open datasets, by alias.
    std::vector<QueryDatasetTable> datasets;
    // A join sorts a dataset table's own store by its keys; off, the join
    // picks the matching records instead and leaves the store as it is.
    bool sortDatasetTables = true;
    // Parsed images of unchanged files may be reused from here; null reads
    // every file afresh.
    TableCache* cache = nullptr;
};

struct QueryPlan {
    bool distinct = false;
    // The statement has an aggregate or a GROUP BY column (or DISTINCT).
    bool grouping = false;
    std::vector<TRidovQTable> tables;
    std::vector<TRidovQField> fields;
    // The join comparisons as written, then merged: one per pair of tables.
    std::vector<TRidovQJoin> joinConditions;
    std::vector<TRidovQJoin> joins;

    // Index of the table whose alias equals `alias` ignoring case, or -1.
    int FindTable(std::string_view alias) const;
    // The first table, when it receives the write-back; else null.
    TRidovQTable* OriginTable();
};

// A letter or "_", then letters, digits and "_".
bool IsValidIdentifier(std::string_view s);
// ASCII and Windows-1251 letters compared without case.
bool SameName(std::string_view a, std::string_view b);

}  // namespace ridov
