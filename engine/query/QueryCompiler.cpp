#include "engine/query/QueryCompiler.h"

#include "engine/query/RidovParser.h"
#include "engine/storage/DatabaseError.h"
#include "engine/storage/RidovSession.h"
#include "platform/Platform.h"

namespace ridov {

namespace {

bool HasFolderPart(std::string_view name) {
    return name.find_first_of("/\\") != std::string_view::npos;
}

const char* AggregatePrefix(uint8_t kind) {
    switch (kind) {
        case tkCount:
            return "Count_";
        case tkSum:
            return "Sum_";
        case tkMax:
            return "Max_";
        case tkMin:
            return "Min_";
        default:
            return "Avg_";
    }
}

void CompileTables(const TRidovParser& parser, const QueryEnvironment& env, QueryPlan& plan) {
    platform::Platform& os = env.session->Platform();
    for (const TRidovQSource& source : parser.Sources()) {
        TRidovQTable t;
        // Qualifiers are matched against the alias as written, so that a
        // quoted file name without an alias still owns its columns and
        // comparisons; only the qualifier written into the result must be
        // an identifier.
        t.alias = source.SourceAlias;
        if (IsValidIdentifier(source.SourceAlias)) {
            t.qualifier = source.SourceAlias;
        } else if (IsValidIdentifier(source.SourceTable)) {
            t.qualifier = source.SourceTable;
        } else {
            t.qualifier = "XXX";
        }
        const QueryDatasetTable* dataset = nullptr;
        for (const QueryDatasetTable& d : env.datasets)
            if (SameName(d.alias, source.SourceAlias)) {
                dataset = &d;
                break;
            }
        if (dataset) {
            if (dataset->store == nullptr)
                throw DatabaseError("Cannot do this operation on closed dataset");
            t.store = dataset->store;
        } else {
            t.fromFile = true;
            t.tableName = source.SourceTable;
            // A name with a folder part is a path of its own, as for tables.
            t.filePath = HasFolderPart(t.tableName) ? t.tableName : env.databasePath + t.tableName;
            if (!os.FileExists(t.filePath)) t.filePath += ".d";
            t.origin = SameName(t.alias, env.origin) && !env.uniqueFieldNames.empty();
        }
        plan.tables.push_back(std::move(t));
    }
    if (plan.tables.size() > 1) {
        for (size_t i = 0; i < plan.tables.size(); ++i) {
            if (!plan.tables[i].origin) continue;
            if (i > 0) {
                TRidovQTable moved = std::move(plan.tables[i]);
                plan.tables.erase(plan.tables.begin() + std::ptrdiff_t(i));
                plan.tables.insert(plan.tables.begin(), std::move(moved));
            }
            break;
        }
    }
}

void CompileColumns(const TRidovParser& parser, QueryPlan& plan) {
    for (const TRidovQColumn& column : parser.Columns()) {
        TRidovQField f;
        f.alias = column.TableRef;
        f.sourceField = column.SourceField;
        f.resultName = column.ResultName;
        for (const TRidovQField& earlier : plan.fields)
            if (earlier.resultName == f.resultName) f.resultName += "_1";
        f.kind = column.Kind;
        if (plan.distinct) f.kind = column.Kind == tkStar ? tkDistinctStar : tkGroupField;
        if ((f.kind >= tkCount && f.kind <= tkGroupField) || f.kind == tkDistinctStar)
            plan.grouping = true;
        if (IsAggregateKind(f.kind) && f.resultName == f.sourceField)
            f.resultName = AggregatePrefix(f.kind) + f.sourceField;
        plan.fields.push_back(std::move(f));
    }
    if (!plan.grouping) return;
    for (const TRidovQField& f : plan.fields) {
        bool ok = (f.kind >= tkCount && f.kind <= tkGroupField) || f.kind == tkDistinctStar;
        if (!ok)
            throw DatabaseError("Field " + f.alias + "." + f.resultName +
                                " is not in GROUP BY clause or in aggregate function");
    }
}

void CompileConditions(const TRidovParser& parser, QueryPlan& plan) {
    for (const TRidovCField& c : parser.Conditions()) {
        if (!c.RightTable.empty() && !SameName(c.RightTable, c.LeftTable)) {
            if (c.Operator != opEqual && c.Operator != opOuterJoin)
                throw DatabaseError("Unsupported join type");
            TRidovQJoin j;
            j.leftAlias = c.LeftTable;
            j.leftFields = c.LeftField;
            j.rightAlias = c.RightTable;
            j.rightFields = c.RightValue;
            j.outer = c.Operator == opOuterJoin;
            plan.joinConditions.push_back(std::move(j));
            continue;
        }
        int t = plan.FindTable(c.LeftTable);
        if (t >= 0) plan.tables[size_t(t)].conditions.push_back(c);
    }
}

}  // namespace

QueryPlan CompileQuery(std::string_view statement, const QueryEnvironment& env) {
    QueryPlan plan;
    {
        TRidovParser parser(env.format ? *env.format : text::FormatSettings::Russian());
        plan.distinct = parser.ParseSelect(statement);
        CompileTables(parser, env, plan);
        CompileColumns(parser, plan);
        CompileConditions(parser, plan);
    }
    return plan;
}

}  // namespace ridov
