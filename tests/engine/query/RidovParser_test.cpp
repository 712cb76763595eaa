#include "engine/query/RidovParser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/storage/DatabaseError.h"

namespace ridov {
namespace {

// Compact renderings, so that one table row states a whole result.
//   token:      kind:text             e.g. "10:>="
//   condition:  [t.]left/kind op [t.]right/kind, op as its code
//   column:     [t.]source>result/kind
//   source:     table=alias
template <typename T, typename F>
std::string Join(const std::vector<T>& items, F render) {
    std::string out;
    for (const T& item : items) {
        if (!out.empty()) out += " | ";
        out += render(item);
    }
    return out;
}

std::string RenderToken(const TRidovToken& t) {
    return std::to_string(t.Kind) + ":" + t.Text;
}

std::string Qualified(const std::string& table, const std::string& name) {
    return table.empty() ? name : table + "." + name;
}

std::string RenderCondition(const TRidovCField& c) {
    std::string right =
        c.RightKind == tkIdentifier ? Qualified(c.RightTable, c.RightValue) : c.RightValue;
    if (c.RightKind != tkIdentifier) {
        EXPECT_EQ(c.RightTable, "") << "a constant has no qualifier";
    }
    return Qualified(c.LeftTable, c.LeftField) + "/" + std::to_string(c.LeftKind) + " " +
           std::to_string(c.Operator) + " " + right + "/" + std::to_string(c.RightKind);
}

std::string RenderColumn(const TRidovQColumn& c) {
    return Qualified(c.TableRef, c.SourceField) + ">" + c.ResultName + "/" + std::to_string(c.Kind);
}

std::string RenderSource(const TRidovQSource& s) {
    return s.SourceTable + "=" + s.SourceAlias;
}

std::string Tokens(const std::string& text, char separator = ',') {
    TRidovParser parser(separator);
    parser.Tokenize(text);
    return Join(parser.Tokens(), RenderToken);
}

std::string ErrorOf(auto action) {
    try {
        action();
    } catch (const DatabaseError& e) {
        return e.what();
    }
    return "(no error)";
}

// --- Tokenize --------------------------------------------------------------

struct TokenCase {
    std::string text;
    std::string tokens;
    char separator = ',';
};

TEST(RidovParserTokenize, AcceptedTexts) {
    const TokenCase cases[] = {
        {"NAME = 'A'' B'", "1:NAME | 10:= | 2:A' B"},
        {"Kol>=5 and name like 'ab*'", "1:Kol | 10:>= | 6:5 | 9:AND | 1:name | 5:LIKE | 2:ab*"},
        {"ID<>ID", "1:ID | 10:<> | 1:ID"},
        {"a<=b<c>d=e*=f", "1:a | 10:<= | 1:b | 10:< | 1:c | 10:> | 1:d | 10:= | 1:e | 10:*= | 1:f"},
        {"X = 5-3", "1:X | 10:= | 6:5-3"},
        {"D = 2024-01-05", "1:D | 10:= | 6:2024-01-05"},
        {"X = -5", "1:X | 10:= | 8:- | 6:5"},
        // The number alphabet follows the locale's decimal separator.
        {"1,5 1.5", "6:1,5 | 6:1 | 4:. | 6:5"},
        {"1,5 1.5", "6:1 | 3:, | 6:5 | 6:1.5", '.'},
        // The other quote character is plain text inside a literal; the
        // same one doubled is one quote; an empty literal is a token.
        {"\"it's\" 'say \"hi\"' '' \"a\"\"b\"", "2:it's | 2:say \"hi\" | 2: | 2:a\"b"},
        // Cyrillic bytes are fine inside literals.
        {"NAME LIKE '\xE1\xEE\xEB*'", "1:NAME | 5:LIKE | 2:\xE1\xEE\xEB*"},
        // Aggregates fold their '(' and ')'; a blank before '(' makes the word
        // plain reserved and the parentheses ordinary.
        {"SUM(x) count(t.ID) Max(a) min(b) avg(c)",
         "15:SUM | 1:x | 14:COUNT | 1:t | 4:. | 1:ID | 16:MAX | 1:a | 17:MIN | 1:b | 18:AVG | 1:c"},
        {"sum (x)", "5:SUM | 11:( | 1:x | 12:)"},
        // Words with their own kinds may stand before '('.
        {"not(a) or Null TRUE false",
         "9:NOT | 11:( | 1:a | 12:) | 9:OR | 13:NULL | 20:TRUE | 21:FALSE"},
        {"select distinct * from t where a join left on group by as",
         "5:SELECT | 5:DISTINCT | 7:* | 5:FROM | 1:t | 5:WHERE | 1:a | 5:JOIN | 5:LEFT | 5:ON | "
         "5:GROUP | 5:BY | 5:AS"},
        {"+-/,.", "8:+ | 8:- | 8:/ | 3:, | 4:."},
        {"_a1 b_2 Selected", "1:_a1 | 1:b_2 | 1:Selected"},
        // Blanks and control bytes at the ends are trimmed; a NUL ends the
        // text.
        {" \t\r\n\x01 a \t\x1F", "1:a"},
        {std::string("a = 1\0 $ '", 10), "1:a | 10:= | 6:1"},
        {"", ""},
        {"   ", ""},
    };
    for (const TokenCase& c : cases) {
        EXPECT_EQ(Tokens(c.text, c.separator), c.tokens) << c.text;
    }
}

TEST(RidovParserTokenize, AppendsToTheTokenList) {
    TRidovParser parser;
    parser.Tokenize("a = 1");
    parser.Tokenize("AND b");
    EXPECT_EQ(Join(parser.Tokens(), RenderToken), "1:a | 10:= | 6:1 | 9:AND | 1:b");
}

TEST(RidovParserTokenize, DefaultsToTheRussianDecimalSeparator) {
    TRidovParser parser;
    parser.Tokenize("1,5");
    EXPECT_EQ(Join(parser.Tokens(), RenderToken), "6:1,5");
}

struct RejectCase {
    std::string text;
    std::string message;
};

TEST(RidovParserTokenize, RejectedTexts) {
    const RejectCase cases[] = {
        {"NAME = 'abc", "Unmatched quote"},
        {"NAME = 'it''", "Unmatched quote"},
        {"NAME = \"abc'", "Unmatched quote"},
        {std::string("'ab\0c'", 6), "Unmatched quote"},
        {"a : b", "Invalid symbol in parameter/identificator/reserved word"},
        {"a;", "Invalid symbol in parameter/identificator/reserved word"},
        {"!a", "Invalid symbol in parameter/identificator/reserved word"},
        {"[a]", "Invalid symbol in parameter/identificator/reserved word"},
        {"\xC8\xCC\xDF = 1", "Invalid symbol in parameter/identificator/reserved word"},
        {"a\x01 = 1", "Invalid symbol in parameter/identificator/reserved word"},
        {"x$ = 1", "Parameter x$ is not valid identifier"},
        {"$x", "Parameter $x is not valid identifier"},
        {"where(a)", "Unsupported function WHERE in query"},
        {"a Like('x')", "Unsupported function LIKE in query"},
        {"COUNT(*)", "Symbol * is not supported in aggregate function argument"},
        {"SUM(a+b)", "Symbol + is not supported in aggregate function argument"},
        {"MAX(a,b)", "Symbol , is not supported in aggregate function argument"},
        {"SUM((a))", "Symbol ( is not supported in aggregate function argument"},
        {"(a", "Unmatched parentheses"},
        {"a)", "Unmatched parentheses"},
        {"SUM(a))", "Unmatched parentheses"},
    };
    for (const RejectCase& c : cases) {
        EXPECT_EQ(ErrorOf([&] { Tokens(c.text); }), c.message) << c.text;
    }
}

// --- ParseConditions ---------------------------------------------------------

std::string Conditions(const std::string& text, std::size_t* stop = nullptr) {
    TRidovParser parser;
    parser.Tokenize(text);
    std::vector<TRidovCField> list;
    const std::size_t result = parser.ParseConditions(list, 0);
    if (stop != nullptr) *stop = result;
    return Join(list, RenderCondition);
}

TEST(RidovParserConditions, AcceptedTexts) {
    const struct {
        std::string text;
        std::string conditions;
    } cases[] = {
        {"ID<>ID", "ID/1 6 ID/1"},
        {"a=1 and b>2 AND c<3 and d>=4 and e<=5 and f<>6 and g LIKE 'x*' and h*=i",
         "a/1 1 1/6 | b/1 2 2/6 | c/1 3 3/6 | d/1 4 4/6 | e/1 5 5/6 | f/1 6 6/6 | g/1 7 x*/2 | "
         "h/1 8 i/1"},
        {"X = -5", "X/1 1 -5/6"},
        {"X = 5-3", "X/1 1 5-3/6"},
        {"X = -5-3", "X/1 1 -5-3/6"},
        {"o.ID *= p.ID", "o.ID/1 8 p.ID/1"},
        {"'NAME' = NULL", "NAME/2 1 NULL/13"},
        {"F = TRUE AND G <> false", "F/1 1 TRUE/20 | G/1 6 FALSE/21"},
        {"NAME LIKE 'O''Neil*'", "NAME/1 7 O'Neil*/2"},
        {"NAME = 'ARTIKUL'", "NAME/1 1 ARTIKUL/2"},
        // An unfinished comparison at the end is dropped without error.
        {"IDBREND = '15' AND ", "IDBREND/1 1 15/2"},
        {"A =", ""},
        {"A", ""},
        {"t.", ""},
        {"A = p.", ""},
        {"", ""},
    };
    for (const auto& c : cases) {
        std::size_t stop = 99;
        EXPECT_EQ(Conditions(c.text, &stop), c.conditions) << c.text;
        EXPECT_EQ(stop, 0u) << c.text;
    }
}

TEST(RidovParserConditions, RejectedTexts) {
    const std::string texts[] = {
        "A = 1 OR B = 2", "(A = 1)",      "A = +1",      "NOT A = 1", "A = - B",
        "A = -'5'",       "A 1",          "1 = A",       "A = =",     "A = 1 B = 2",
        "A = 1 GROUP x",  "A = 1 AND OR", "A LIKE LIKE", "A = ,",     "A = 1 'AND' B = 2",
        "A.B.C = 1",      "NULL = 1",     "A = 1 GROUP", "A = -",
    };
    for (const std::string& text : texts) {
        EXPECT_EQ(ErrorOf([&] { Conditions(text); }), "Error in comparison expression") << text;
    }
}

TEST(RidovParserConditions, StopsAtGroupByAndStartsWhereTold) {
    TRidovParser parser;
    parser.Tokenize("x y a = 1 AND t.b LIKE 'q' GROUP BY a");
    std::vector<TRidovCField> list;
    EXPECT_EQ(parser.ParseConditions(list, 2), 12u);  // the index of BY
    EXPECT_EQ(Join(list, RenderCondition), "a/1 1 1/6 | t.b/1 7 q/2");

    // Appends to what the list holds, and a start past the end reads nothing.
    EXPECT_EQ(parser.ParseConditions(list, 2), 12u);
    EXPECT_EQ(list.size(), 4u);
    EXPECT_EQ(parser.ParseConditions(list, 50), 0u);
    EXPECT_EQ(list.size(), 4u);
}

// --- ParseSelect -----------------------------------------------------------

// The program's two queries, as they read after parameter substitution.
const char kOrderView[] =
    "select o.ID, p.NAME, p.CENA, o.KOL, p.EDIZM\r\n"
    "from \"C:\\Zakaz\\Zakaz1.zv\" o, \"C:\\Zakaz\\price.zv\" p\r\n"
    "where o.ID *= p.ID";
const char kProductLookup[] =
    "select p.ID, p.NAME, p.KOLUPAK, p.CENA\r\n"
    "from \"C:\\Zakaz\\price.zv\" p\r\n"
    "where ID = \"A-100\"\r\n"
    "\r\n"
    " \r\n";

TEST(RidovParserSelect, AcceptedStatements) {
    const struct {
        std::string sql;
        bool distinct;
        std::string columns;
        std::string sources;
        std::string conditions;
    } cases[] = {
        {kOrderView, false,
         "o.ID>ID/1 | p.NAME>NAME/1 | p.CENA>CENA/1 | o.KOL>KOL/1 | p.EDIZM>EDIZM/1",
         "C:\\Zakaz\\Zakaz1.zv=o | C:\\Zakaz\\price.zv=p", "o.ID/1 8 p.ID/1"},
        {kProductLookup, false, "p.ID>ID/1 | p.NAME>NAME/1 | p.KOLUPAK>KOLUPAK/1 | p.CENA>CENA/1",
         "C:\\Zakaz\\price.zv=p", "p.ID/1 1 A-100/2"},
        {"SELECT * FROM t", false, "t.*>*/7", "t=t", ""},
        {"select DISTINCT a, T.b as B, x.* from t, u X", true, "t.a>a/1 | T.b>B/1 | x.*>*/7",
         "t=t | u=X", ""},
        {"select p.NAME as N from t p group by N", false, "p.NAME>N/19", "t=p", ""},
        {"select SUM(CENA), count(t.ID) as N, ID, 'x y' as C, 5 from t group by ID", false,
         "t.CENA>CENA/15 | t.ID>N/14 | t.ID>ID/19 | t.x y>C/2 | t.5>5/6", "t=t", ""},
        {"select a from t where a = 1 group by a", false, "t.a>a/19", "t=t", "t.a/1 1 1/6"},
        // Right after the tables BY may be left out, and the list may be empty.
        {"select a, b from t group a", false, "t.a>a/19 | t.b>b/1", "t=t", ""},
        {"select a from t group by", false, "t.a>a/1", "t=t", ""},
        {"select a from t where", false, "t.a>a/1", "t=t", ""},
        {"select a from t where a = 1 and", false, "t.a>a/1", "t=t", "t.a/1 1 1/6"},
        // Qualifiers match aliases ignoring case and keep their case; the
        // right side is resolved only for an identifier.
        {"select P.a from t p where P.a = p.b and a <> 'z' and B = c", false, "P.a>a/1", "t=p",
         "P.a/1 1 p.b/1 | p.a/1 6 z/2 | p.B/1 1 p.c/1"},
        {"select t.a, u.a from t, u where t.k = u.k group by u.a", false, "t.a>a/1 | u.a>a/19",
         "t=t | u=u", "t.k/1 1 u.k/1"},
        // GROUP BY entries are matched by result name, exactly.
        {"select a, a as b from t group by b, a", false, "t.a>a/19 | t.a>b/19", "t=t", ""},
        {"select a, b from t group by 'b'", false, "t.a>a/1 | t.b>b/19", "t=t", ""},
        {"select a from 'd:\\x y.zv' X, u, \"v\"", false, "X.a>a/1", "d:\\x y.zv=X | u=u | v=v",
         ""},
        {"select a from t where a = 1 group by by a", false, "t.a>a/19", "t=t", "t.a/1 1 1/6"},
    };
    for (const auto& c : cases) {
        TRidovParser parser;
        bool distinct = !c.distinct;
        ASSERT_EQ(ErrorOf([&] { distinct = parser.ParseSelect(c.sql); }), "(no error)") << c.sql;
        EXPECT_EQ(distinct, c.distinct) << c.sql;
        EXPECT_EQ(parser.FirstColumnIndex(), c.distinct ? 2u : 1u) << c.sql;
        EXPECT_EQ(Join(parser.Columns(), RenderColumn), c.columns) << c.sql;
        EXPECT_EQ(Join(parser.Sources(), RenderSource), c.sources) << c.sql;
        EXPECT_EQ(Join(parser.Conditions(), RenderCondition), c.conditions) << c.sql;
    }
}

TEST(RidovParserSelect, RejectedStatements) {
    const RejectCase cases[] = {
        {"", "Fewer than 4 tokens in Select statement"},
        {"SELECT * FROM", "Fewer than 4 tokens in Select statement"},
        {"DELETE FROM t WHERE", "SELECT reserved word is not found"},
        {"'SELECT' * FROM t", "SELECT reserved word is not found"},
        {"select a + b from t", "After a , invalid token + is found"},
        {"select a b from t", "After a , invalid token b is found"},
        {"select t.a.b from t", "After a , invalid token . is found"},
        {"select a as b c from t", "After b , invalid token c is found"},
        {"select a as b as c from t", "After b , invalid token AS is found"},
        {"SELECT SUM (x) FROM t", "Invalid token SUM in column part of SELECT statement"},
        {"SELECT COUNT(*) FROM t", "Symbol * is not supported in aggregate function argument"},
        {"select , a from t", "Invalid token , in column part of SELECT statement"},
        {"select a, from t", "Invalid token FROM in column part of SELECT statement"},
        {"select a as from t", "Invalid token FROM in column part of SELECT statement"},
        {"select t.sum(a) from t", "Invalid token SUM in column part of SELECT statement"},
        {"select sum(max(a) from t", "Invalid token MAX in column part of SELECT statement"},
        {"select a = 1 from t", "After a , invalid token = is found"},
        {"select a, b", "SELECT or FROM part of select statement is not found"},
        {"select a, b from", "SELECT or FROM part of select statement is not found"},
        {"select distinct from t", "Invalid token FROM in column part of SELECT statement"},
        {"select a from t b c", "Invalid token b in FROM part of SELECT statement"},
        {"select a from t, 5", "Invalid token 5 in FROM part of SELECT statement"},
        {"select a from t,, u", "Invalid token , in FROM part of SELECT statement"},
        {"select a from t as x", "Invalid token t in FROM part of SELECT statement"},
        {"select a from where a = 1", "Invalid token WHERE in FROM part of SELECT statement"},
        // JOIN has no construct; it is refused rather than ignored together
        // with the rest of the statement.
        {"select a from t p join u q on p.a = q.a",
         "Invalid token p in FROM part of SELECT statement"},
        {"select a from t where a = 1 or b = 2", "Error in comparison expression"},
        {"select a from t where a = 1 group by", "Invalid GROUP BY clause in SELECT statement"},
        {"select a from t group by a b", "Invalid GROUP BY clause in SELECT statement"},
        {"select a from t group by sum", "Invalid GROUP BY clause in SELECT statement"},
        {"select t.a from t group by t.by", "Invalid GROUP BY clause in SELECT statement"},
        {"select t.a from t group by t.", "Invalid GROUP BY clause in SELECT statement"},
        {"select t.a from t group by t.a.b", "Invalid GROUP BY clause in SELECT statement"},
        {"select a from t group by , a", "Invalid GROUP BY clause in SELECT statement"},
        {"select p.NAME as N from t p group by NAME", "Invalid field NAME in GROUP BY clause"},
        {"select SUM(a) as s from t group by s", "Invalid field s in GROUP BY clause"},
        {"select a from t group by a, a", "Invalid field a in GROUP BY clause"},
        {"select a from t group by t.a", "Invalid field a in GROUP BY clause"},
        {"select A from t group by a", "Invalid field a in GROUP BY clause"},
        {"select x.A from t p", "Field x.A is not belong to any table in FROM part"},
        {"select t.A from t p", "Field t.A is not belong to any table in FROM part"},
        {"select a from t where q.b = 1", "Field q.b is not belong to any table in FROM part"},
        {"select a from t where b = q.c", "Field q.c is not belong to any table in FROM part"},
    };
    for (const RejectCase& c : cases) {
        TRidovParser parser;
        EXPECT_EQ(ErrorOf([&] { parser.ParseSelect(c.text); }), c.message) << c.text;
    }
}

TEST(RidovParserSelect, EachStatementStartsFromEmptyLists) {
    TRidovParser parser;
    ASSERT_FALSE(parser.ParseSelect(kOrderView));
    ASSERT_TRUE(parser.ParseSelect("select distinct a from t where a = 1"));
    EXPECT_EQ(Join(parser.Columns(), RenderColumn), "t.a>a/1");
    EXPECT_EQ(Join(parser.Sources(), RenderSource), "t=t");
    EXPECT_EQ(Join(parser.Conditions(), RenderCondition), "t.a/1 1 1/6");
    EXPECT_EQ(parser.Tokens().size(), 9u);

    parser.Clear();
    EXPECT_TRUE(parser.Tokens().empty());
    EXPECT_TRUE(parser.Columns().empty());
    EXPECT_EQ(parser.FirstColumnIndex(), 0u);
}

}  // namespace
}  // namespace ridov
