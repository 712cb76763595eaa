#include "engine/dataset/Params.h"

#include <gtest/gtest.h>

#include "engine/storage/DatabaseError.h"

namespace ridov {
namespace {

TEST(Params, ParseSqlReplacesNamesOutsideQuotes) {
    struct Case {
        const char* sql;
        const char* expected;
        std::vector<std::string> names;
    } cases[] = {
        {"SELECT * FROM T WHERE ID = :ID AND K > :Kol",
         "SELECT * FROM T WHERE ID = ? AND K > ?",
         {"ID", "Kol"}},
        {"WHERE A = ':X' AND B = \":Y\" AND C = :Z",
         "WHERE A = ':X' AND B = \":Y\" AND C = ?",
         {"Z"}},
        {"WHERE A = 'it''s :X' AND B=:Y", "WHERE A = 'it''s :X' AND B=?", {"Y"}},
        {"A :: B : C :\xCA\xEE\xE4", "A : B : C ?", {"\xCA\xEE\xE4"}},
        {"A = :X OR B = :x", "A = ? OR B = ?", {"X", "x"}},
    };
    for (const Case& c : cases) {
        Params params;
        std::vector<std::string> names;
        EXPECT_EQ(params.ParseSQL(c.sql, true, &names), c.expected) << c.sql;
        EXPECT_EQ(names, c.names) << c.sql;
    }
    Params params;
    params.ParseSQL("A = :X OR B = :x", true);
    EXPECT_EQ(params.Count(), 1);
    params.ParamByName("X").SetAsInteger(5);
    EXPECT_EQ(std::get<int64_t>(params[0].value), 5);
    EXPECT_THROW(params.ParamByName("Y"), DatabaseError);
}

}  // namespace
}  // namespace ridov
