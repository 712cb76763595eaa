// One call that runs a SELECT statement without a dataset, for tools and
// tests: parameters by name, tables in a folder, the result as a record
// store.
//
//   Params params;
//   params.Add("ID").SetAsString("00123");
//   auto result = RunQuery("select * from price where ID = :ID", "/data/", "", params);
//   for (RecordNode* n : result->Nodes()) ...
//
// Every ":Name" of the statement takes the value of the parameter of that
// name (each occurrence; a missing one raises "Parameter '%s' not found").
// Dates are written with the locale's short date format, which is how the
// comparison reads them back.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "engine/dataset/Params.h"
#include "engine/query/QueryPlan.h"
#include "engine/storage/RidovCursor.h"

namespace ridov {

class TRidovSession;

struct QueryOptions {
    // Defaults: the process's session and the Russian format settings.
    TRidovSession* session = nullptr;
    const text::FormatSettings* format = nullptr;
    // Reuse parsed files through this cache (null: read every file).
    TableCache* cache = nullptr;
    bool caseInsensitive = false;
    // Tables taken from open stores instead of files.
    std::vector<QueryDatasetTable> datasets;
};

// Raises DatabaseError with the engine's messages.
std::unique_ptr<TRidovCursor> RunQuery(std::string_view sql, const std::string& databaseFolder,
                                       const std::string& password, const Params& params,
                                       const QueryOptions& options = {});

// The statement with every ":Name" replaced by its parameter's literal.
std::string BindParams(std::string_view sql, const Params& params, std::string_view dateFormat,
                       char dateQuote, const text::FormatSettings& fs);

}  // namespace ridov
