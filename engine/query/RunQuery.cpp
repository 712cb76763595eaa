#include "engine/query/RunQuery.h"

#include "engine/query/ParamSubstitution.h"
#include "engine/query/QueryCompiler.h"
#include "engine/query/QueryExecutor.h"
#include "engine/storage/DatabaseError.h"
#include "engine/storage/RidovSession.h"

namespace ridov {

std::string BindParams(std::string_view sql, const Params& params, std::string_view dateFormat,
                       char dateQuote, const text::FormatSettings& fs) {
    Params scratch;
    std::vector<std::string> names;
    std::string prepared = scratch.ParseSQL(sql, false, &names);
    std::vector<const Param*> values;
    for (const std::string& name : names) {
        const Param* p = params.FindParam(name);
        if (p == nullptr) throw DatabaseError("Parameter '" + name + "' not found");
        values.push_back(p);
    }
    return SubstituteParams(prepared, values, dateFormat, dateQuote, fs);
}

std::unique_ptr<TRidovCursor> RunQuery(std::string_view sql, const std::string& databaseFolder,
                                       const std::string& password, const Params& params,
                                       const QueryOptions& options) {
    QueryEnvironment env;
    env.session = options.session ? options.session : &TRidovSession::Instance();
    env.format = options.format ? options.format : &text::FormatSettings::Russian();
    env.databasePath = databaseFolder;
    if (!env.databasePath.empty() && env.databasePath.back() != '/' &&
        env.databasePath.back() != '\\')
        env.databasePath += '/';
    env.password = password;
    env.caseInsensitive = options.caseInsensitive;
    env.datasets = options.datasets;
    env.cache = options.cache;
    if (sql.find_first_not_of(" \t\r\n") == std::string_view::npos)
        throw DatabaseError("SQL statement is empty");
    std::string text = BindParams(sql, params, env.format->shortDateFormat, '"', *env.format);
    QueryPlan plan = CompileQuery(text, env);
    auto result = std::make_unique<TRidovCursor>(*env.session, *env.format);
    ExecuteQuery(plan, env, [&](std::vector<uint8_t> image) -> TRidovCursor& {
        std::string message;
        if (!result->ReadImage(image, message))
            throw DatabaseError("Error opening table: " + message);
        return *result;
    });
    return result;
}

}  // namespace ridov
