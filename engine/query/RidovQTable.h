// One table of a compiled SELECT statement (one FROM entry), with what its
// execution holds for it.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/query/PreparedConditions.h"
#include "engine/query/RidovCField.h"
#include "engine/storage/RidovCursor.h"
#include "platform/FileIdentity.h"
#include "platform/MemoryRegion.h"

namespace ridov {

struct CachedTable;

struct TRidovQTable {
    // The file the table is read from; empty for a dataset table.
    std::string filePath;
    // The table as written in FROM; empty for a dataset table.
    std::string tableName;
    // The name qualifiers are matched against (ignoring case).
    std::string alias;
    // The qualifier written into the result's field descriptions: the alias
    // when it is a valid identifier, else the table name when that is one,
    // else "XXX".
    std::string qualifier;
    // This table receives the write-back.
    bool origin = false;
    // Read from a file by the query (as opposed to a dataset's store).
    bool fromFile = false;

    // The comparisons of WHERE that concern this table alone.
    std::vector<TRidovCField> conditions;

    // ---- execution state ----
    // The store the table's records live in: the private store, a cached
    // store shared with earlier runs, or a dataset's store (borrowed).
    TRidovCursor* store = nullptr;
    std::unique_ptr<TRidovCursor> ownStore;
    std::shared_ptr<CachedTable> cached;
    // The bytes of the file, read once for the header and the records.
    platform::RegionBuffer image;
    // The origin table's file as it was when its records were read (taken
    // just before): the write-back reads the file again when it changed.
    std::optional<platform::FileIdentity> readIdentity;
    // The table's conditions bound to its store.
    std::unique_ptr<PreparedConditions> filter;
    // The records that belong to the table, in store order: live and, when
    // `filtered`, passing the conditions. Filled when the data is read.
    NodeList records;
    // When set, the records are this list (a cached table's) instead.
    const NodeList* sharedRecords = nullptr;
    bool filtered = false;

    const NodeList& Records() const { return sharedRecords ? *sharedRecords : records; }

    bool HasConditions() const { return !conditions.empty(); }
};

}  // namespace ridov
