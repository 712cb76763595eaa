// zv query [--db FOLDER] [-p PASSWORD] [--param NAME=VALUE]... SQL: runs a
// statement and prints its result as zv dump prints a table. A parameter is
// a string unless written NAME:int=VALUE, NAME:float=VALUE or
// NAME:date=VALUE (yyyy/mm/dd).
#include <ostream>

#include "engine/query/RunQuery.h"
#include "engine/storage/RidovSession.h"
#include "tools/zv/Command.h"
#include "tools/zv/Escape.h"
#include "tools/zv/TableFile.h"

namespace zv {

namespace {

void AddParam(ridov::Params& params, const std::string& given) {
    size_t eq = given.find('=');
    if (eq == std::string::npos || eq == 0) throw ToolError("bad parameter \"" + given + "\"");
    std::string name = given.substr(0, eq);
    std::string value = FromTerminal(Unescape(given.substr(eq + 1)));
    std::string type;
    if (size_t colon = name.find(':'); colon != std::string::npos) {
        type = name.substr(colon + 1);
        name.resize(colon);
    }
    const text::FormatSettings& fs = text::FormatSettings::Machine();
    ridov::Param& p = params.Add(FromTerminal(name));
    if (type.empty()) {
        p.SetAsString(value);
    } else if (type == "int") {
        int64_t v;
        if (!text::TryStrToInt64(value, v)) throw ToolError("bad integer for " + name);
        p.SetAsInteger(v);
    } else if (type == "float") {
        double v;
        if (!text::TryStrToFloat(value, v, fs)) throw ToolError("bad number for " + name);
        p.SetAsFloat(v);
    } else if (type == "date") {
        int32_t day;
        if (!text::TryStrToDate(value, day, fs)) throw ToolError("bad date for " + name);
        p.SetAsDateTime(double(day) * text::kMsPerDay);
        p.dataType = ridov::DataType::Date;
    } else {
        throw ToolError("unknown parameter type \"" + type + "\"");
    }
}

}  // namespace

int RunQueryVerb(const Args& args, CommandIo& io) {
    ParsedArgs a = ParseArgs(args, {"--db", "-p", "--param"});
    if (a.positional.size() != 1) {
        throw ToolError("usage: zv query [--db FOLDER] [-p PASSWORD] [--param NAME=VALUE]... SQL");
    }
    ridov::Params params;
    for (const auto& [name, value] : a.options) {
        if (name == "--param") AddParam(params, value);
    }
    std::string folder = a.Get("--db");
    if (!folder.empty() && folder.back() != '/') folder += '/';
    ridov::QueryOptions options;
    options.format = &text::FormatSettings::Machine();
    std::unique_ptr<ridov::TRidovCursor> result = ridov::RunQuery(
        FromTerminal(a.positional[0]), folder, FromTerminal(a.Get("-p")), params, options);
    PrintRecords(*result, result->Nodes(), io.out);
    return 0;
}

}  // namespace zv
