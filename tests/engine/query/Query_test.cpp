// Query execution over small table files: statements and their results, the
// join rules, grouping, the write-back of the order view, the messages, and
// that reusing parsed files between runs changes nothing.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "engine/storage/RidovCursor.h"
#include "engine/storage/RidovSession.h"
#include "platform/Platform.h"
#include "tests/support/TempFolder.h"

namespace ridov::querytest {

using TempFolder = testing_support::TempFolder;

struct FieldSpec {
    std::string name;
    FieldType type;
    int size = 0;
};

// Writes a table file whose records hold the texts (converted with
// TextToValue; "" leaves a value empty).
inline void WriteTable(const std::string& path, const std::vector<FieldSpec>& fields,
                       const std::vector<std::vector<std::string>>& rows) {
    TRidovCursor store(TRidovSession::Instance());
    for (const FieldSpec& f : fields) store.AddField(f.name, f.type, f.size);
    ridov::ValueBuffer buffer(store.Layout());
    std::string message;
    for (const auto& row : rows) {
        for (size_t i = 0; i < row.size(); ++i) {
            TRidovField& f = *store.FieldAt(static_cast<int>(i));
            store.TextToValue(buffer.Data() + f.offset, row[i], f);
        }
        ASSERT_TRUE(store.PostRecord(buffer.Data(), nullptr, message)) << message;
    }
    store.CommitAll();
    ASSERT_TRUE(store.WriteFile(path, 0, false, "", message)) << message;
}

// "q.NAME q.NAME2" for the fields, then one line per live record with the
// values' texts separated by "|".
inline std::string Dump(const TRidovCursor& store) {
    std::string out;
    for (int i = 0; i < store.FieldCount(); ++i) {
        const TRidovField& f = *const_cast<TRidovCursor&>(store).FieldAt(i);
        out += (i ? " " : "") + f.qualifier + "." + f.name;
    }
    std::string text;
    for (const RecordNode* node : store.Nodes()) {
        if (!node->IsLive()) continue;
        out += "\n";
        for (int i = 0; i < store.FieldCount(); ++i) {
            store.ValueAsText(*const_cast<TRidovCursor&>(store).FieldAt(i), node->values, text,
                              false);
            out += (i ? "|" : "") + text;
        }
    }
    return out;
}

// The fixture tables: order lines, a catalog with a code listed twice, and
// brands with one brand missing.
inline void WriteFixtureTables(const TempFolder& dir) {
    WriteTable(dir.File("orders.d"), {{"ID", ftSmallStr, 20}, {"KOL", ftInteger}},
               {{"B2", "1"}, {"A1", "2"}, {"ZZ", "3"}, {"C3", "4"}});
    WriteTable(dir.File("price.d"),
               {{"ID", ftSmallStr, 8},
                {"NAME", ftString, 40},
                {"CENA", ftDouble},
                {"BREND", ftSmallStr, 10},
                {"KOLUPAK", ftInteger}},
               {{"A1", "Bolt", "1,5", "X", "10"},
                {"B2", "Nut", "2", "Y", "5"},
                {"C3", "Gear", "10", "X", "1"},
                {"C3", "GearDup", "11", "X", "2"},
                {"D4", "Cam", "3", "Y", "7"}});
    WriteTable(dir.File("brands.d"), {{"BREND", ftSmallStr, 10}, {"TITLE", ftSmallStr, 20}},
               {{"X", "Xcorp"}, {"Q", "Qcorp"}});
}

inline std::string DumpFile(const std::string& path) {
    std::vector<uint8_t> bytes;
    std::string error, message;
    if (!platform::CurrentPlatform().ReadWholeFile(path, bytes, error)) return "unreadable";
    TRidovCursor store(TRidovSession::Instance());
    if (!store.ReadImage(bytes, message)) return "bad image: " + message;
    return Dump(store);
}

}  // namespace ridov::querytest

#include <sys/stat.h>

#include "engine/dataset/Params.h"
#include "engine/dataset/RidovTable.h"
#include "engine/query/ParamSubstitution.h"
#include "engine/query/RidovQuery.h"
#include "engine/query/RunQuery.h"
#include "engine/query/TableCache.h"
#include "engine/storage/DatabaseError.h"

namespace ridov::querytest {
namespace {

class QueryTest : public ::testing::Test {
  protected:
    void SetUp() override { WriteFixtureTables(dir_); }

    std::string Run(const std::string& sql, const Params& params = {},
                    const QueryOptions& options = {}) {
        return Dump(*RunQuery(sql, dir_.Folder(), "", params, options));
    }
    std::string ErrorOf(const std::string& sql) {
        try {
            RunQuery(sql, dir_.Folder(), "", {});
        } catch (const DatabaseError& e) {
            return e.what();
        }
        return "no error";
    }

    TempFolder dir_;
};

struct StatementCase {
    const char* sql;
    const char* expected;
};

TEST_F(QueryTest, StatementsGiveTheirResults) {
    const StatementCase cases[] = {
        // Outer join: the line missing from the catalog stays with empty
        // catalog columns; a code listed twice shows the line twice.
        {"select o.ID, p.NAME, p.CENA, o.KOL from orders o, price p where o.ID *= p.ID",
         "o.ID p.NAME p.CENA o.KOL\nA1|Bolt|1,5|2\nB2|Nut|2|1\nC3|Gear|10|4\nC3|GearDup|11|4\n"
         "ZZ||0|3"},
        // The same with an inner join drops it.
        {"select o.ID, p.NAME from orders o, price p where o.ID = p.ID",
         "o.ID p.NAME\nA1|Bolt\nB2|Nut\nC3|Gear\nC3|GearDup"},
        // Written the other way round, *= still keeps the first table's rows.
        {"select o.ID, p.NAME from orders o, price p where p.ID *= o.ID",
         "o.ID p.NAME\nA1|Bolt\nB2|Nut\nC3|Gear\nC3|GearDup\nZZ|"},
        {"select a.ID, b.ID from orders a, price b where a.ID = b.ID and b.KOLUPAK > 4",
         "a.ID b.ID_1\nA1|A1\nB2|B2"},
        // Names differing only in case could not be told apart.
        {"select a.ID, b.id from orders a, price b where a.ID = b.ID and b.ID = 'B2'",
         "a.ID b.id_1\nB2|B2"},
        {"select a.*, b.NAME from orders a, price b where a.ID = b.ID and b.ID = 'A1'",
         "b.NAME a.ID a.KOL\nBolt|A1|2"},
        {"select * from price where KOLUPAK > 5",
         "price.ID price.NAME price.CENA price.BREND price.KOLUPAK\nA1|Bolt|1,5|X|10\n"
         "D4|Cam|3|Y|7"},
        // A bare "*" stands for the first table's fields.
        {"select * from orders a, price b where a.ID = b.ID and b.ID = 'B2'", "a.ID a.KOL\nB2|1"},
        {"select a.*, b.* from orders a, price b where a.ID = b.ID and b.ID = 'B2'",
         "a.ID a.KOL b.ID_1 b.NAME b.CENA b.BREND b.KOLUPAK\nB2|1|B2|Nut|2|Y|5"},
        {"select ID, 'two words', 7 from price where ID = 'A1'",
         "price.ID XXX.two_words XXX.7\nA1|two words|7"},
        {"select p.ID from price p where NAME like 'g*'", "p.ID\nC3\nC3"},
        {"select ID from price where ID = 'C3' and NAME <> 'Gear'", "price.ID\nC3"},
        // A row whose left record is missing survives the next join, inner
        // or not; the brand missing from brands drops its rows.
        {"select o.ID, b.TITLE from orders o, price p, brands b "
         "where o.ID *= p.ID and p.BREND = b.BREND",
         "o.ID b.TITLE\nZZ|\nA1|Xcorp\nC3|Xcorp\nC3|Xcorp"},
        {"select SUM(CENA) from price", "price.Sum_CENA\n27,5"},
        {"select SUM(CENA) as S from price", "price.S\n27,5"},
        {"select BREND, COUNT(ID) from price group by BREND",
         "price.BREND price.Count_ID\nX|3\nY|2"},
        {"select distinct BREND from price", "price.BREND\nX\nY"},
        {"select distinct o.ID, p.BREND from orders o, price p where o.ID = p.ID",
         "o.ID p.BREND\nA1|X\nB2|Y\nC3|X"},
        {"select distinct o.* from orders o, price p where o.ID = p.ID",
         "o.ID o.KOL\nA1|2\nB2|1\nC3|4"},
        {"select BREND, SUM(KOLUPAK), MAX(CENA), MIN(NAME), AVG(KOLUPAK), COUNT(ID) "
         "from price group by BREND",
         "price.BREND price.Sum_KOLUPAK price.Max_CENA price.Min_NAME price.Avg_KOLUPAK "
         "price.Count_ID\nX|13|11|Bolt|4,333333|3\nY|12|3|Cam|6|2"},
        // COUNT over a name that is no field still counts, as text.
        {"select BREND, COUNT(XY) from price group by BREND", "price.BREND XXX.Count_XY\nX|3\nY|2"},
        {"select o.ID, p.NAME from orders o, price p where o.ID = p.ID and o.ID = 'nothing'",
         "o.ID p.NAME"},
    };
    for (const StatementCase& c : cases) {
        SCOPED_TRACE(c.sql);
        EXPECT_EQ(Run(c.sql), c.expected);
    }
}

// Grouping by numbers typed as 0 and -0, by texts differing only in case
// and by a missing text: one group per equal value, the groups in key
// order, the group's last record in table order kept, and sums added in
// table order (1e16 + 1 + 1 - 1e16 is not 2).
TEST_F(QueryTest, GroupsCollectEqualValuesInTableOrder) {
    WriteTable(dir_.File("g.d"),
               {{"NAME", ftString, 10}, {"CENA", ftDouble}, {"K", ftInteger}, {"P", ftDouble}},
               {{"ab", "0", "1", "10000000000000000"},
                {"AB", "-0", "2", "1"},
                {"ab", "-0", "3", "1"},
                {"", "0", "4", "-10000000000000000"},
                {"AB", "0", "5", "1"},
                {"ab", "0", "6", "1"},
                {"b", "2", "7", "0,1"},
                {"", "-0", "8", "0,2"}});
    struct GroupCase {
        std::string sql;
        std::string expected;
    };
    const GroupCase cases[] = {
        {"select NAME, SUM(P), COUNT(K), MAX(K) from g group by NAME",
         "g.NAME g.Sum_P g.Count_K g.Max_K\n|-10000000000000000|2|8\nAB|2|2|5\n"
         "ab|10000000000000000|3|6\nb|0,1|1|7"},
        {"select CENA, SUM(P), MIN(K) from g group by CENA",
         "g.CENA g.Sum_P g.Min_K\n0|2,2|1\n2|0,1|7"},
        {"select NAME, CENA, SUM(P) from g group by NAME, CENA",
         "g.NAME g.CENA g.Sum_P\n|0|-10000000000000000\nAB|0|2\nab|0|10000000000000000\nb|2|0,1"},
        {"select distinct CENA, NAME from g", "g.CENA g.NAME\n0|\n0|AB\n0|ab\n2|b"},
        {"select SUM(P), COUNT(K) from g", "g.Sum_P g.Count_K\n2,3|8"},
    };
    for (const GroupCase& c : cases) {
        SCOPED_TRACE(c.sql);
        EXPECT_EQ(Run(c.sql), c.expected);
    }
}

TEST_F(QueryTest, FailuresCarryTheirMessages) {
    WriteTable(dir_.File("mixed.d"), {{"ID", ftInteger}}, {{"1"}});
    std::vector<uint8_t> garbage = {9, 0, 0, 0, 'Q', 1, 2, 3, 4};
    std::string error;
    ASSERT_TRUE(
        platform::CurrentPlatform().WriteFileAtomically(dir_.File("bad.d"), garbage, error));
    const StatementCase cases[] = {
        {"  ", "SQL statement is empty"},
        {"select NAME, CENA from price group by NAME",
         "Field price.CENA is not in GROUP BY clause or in aggregate function"},
        {"select a.ID from orders a, price b",
         "Number of joins must be equal to number of tables minus one"},
        {"select a.ID from orders a, price b where a.KOL < b.KOLUPAK", "Unsupported join type"},
        {"select NOPE from price", "Field NOPE is not found in table price"},
        {"select ID from price where NOPE = 1", "Field NOPE is not found in table price"},
        {"select ID from price where ID = NOPE", "Field NOPE is not found in table price"},
        {"select a.ID from orders a, price b where a.ID = b.NOPE",
         "Field NOPE is not found in table b"},
        {"select ID from bad", "Error opening table: Buffer structure corruption!"},
        // Keys of unrelated types are refused instead of compared as bytes.
        {"select a.ID from orders a, mixed m where a.ID = m.ID",
         "Types of compared fields are not equal"},
        {"select x from price where", "Field x is not found in table price"},
    };
    for (const StatementCase& c : cases) {
        SCOPED_TRACE(c.sql);
        EXPECT_EQ(ErrorOf(c.sql), c.expected);
    }
    EXPECT_EQ(ErrorOf("select ID from nowhere"), "Error opening file " + dir_.File("nowhere.d"));

    // Each repeat of a name gets one more "_1": 320 columns of ID need a
    // field description section no reader accepts.
    std::string many = "select ID";
    for (int i = 1; i < 320; ++i) many += ", ID";
    EXPECT_EQ(ErrorOf(many + " from price"),
              "Query result cannot be built: Field description section too long: 105601 bytes, "
              "at most 99999 (too many fields or too long field names)");
}

TEST(QueryParams, LiteralsReadBackAsTheirValues) {
    const text::FormatSettings& fs = text::FormatSettings::Russian();
    Param quoted;
    quoted.SetAsString("a\"b");
    EXPECT_EQ(ParamLiteral(quoted, "dd/mm/yyyy", '"', fs), "\"a\"\"b\"");
    Param nullNumber;
    nullNumber.dataType = DataType::Integer;
    EXPECT_EQ(ParamLiteral(nullNumber, "dd/mm/yyyy", '"', fs), "Null");
    Param nullString;
    nullString.dataType = DataType::String;
    EXPECT_EQ(ParamLiteral(nullString, "dd/mm/yyyy", '"', fs), "\"\"");
    Param number;
    number.SetAsFloat(1.5);
    EXPECT_EQ(ParamLiteral(number, "dd/mm/yyyy", '"', fs), "1,5");
    Param date;
    int32_t day = 0;
    ASSERT_TRUE(text::TryEncodeDate(2024, 1, 5, day));
    date.SetAsDateTime(double(day) * text::kMsPerDay);
    date.dataType = DataType::Date;
    EXPECT_EQ(ParamLiteral(date, "mm/dd/yyyy", '#', fs), "#01.05.2024#");

    // A value holding "?" is not taken for the next parameter's place.
    Param a, b;
    a.SetAsString("why?");
    b.SetAsInteger(2);
    EXPECT_EQ(SubstituteParams("x = ? and y = ?", {&a, &b}, "", '"', fs), "x = \"why?\" and y = 2");
}

TEST_F(QueryTest, ParametersArriveIntact) {
    WriteTable(dir_.File("odd.d"), {{"NAME", ftSmallStr, 10}, {"D", ftDate}},
               {{"a\"b", "05.01.2024"}, {"ab", "06.01.2024"}});
    Params params;
    params.Add("N").SetAsString("a\"b");
    EXPECT_EQ(Run("select NAME from odd where NAME = :N", params), "odd.NAME\na\"b");
    Params dates;
    int32_t day = 0;
    ASSERT_TRUE(text::TryEncodeDate(2024, 1, 6, day));
    dates.Add("D").SetAsDateTime(double(day) * text::kMsPerDay);
    dates.FindParam("D")->dataType = DataType::Date;
    EXPECT_EQ(Run("select NAME from odd where D = :D", dates), "odd.NAME\nab");
    // Every occurrence of a name gets its value.
    EXPECT_EQ(Run("select NAME from odd where NAME = :N and NAME >= :N", params), "odd.NAME\na\"b");
}

// A file state old enough to be cached.
void Age(const std::string& path) {
    ASSERT_TRUE(platform::CurrentPlatform().SetModificationTime(path, 1'600'000'000));
}

TEST_F(QueryTest, ReusedFilesGiveTheSameResults) {
    // Many equal keys, so that any difference in record order would show.
    std::vector<std::vector<std::string>> rows;
    for (int i = 0; i < 300; ++i)
        rows.push_back({"K" + std::to_string(i % 7), "N" + std::to_string(i), std::to_string(i)});
    WriteTable(dir_.File("big.d"),
               {{"ID", ftSmallStr, 8}, {"NAME", ftSmallStr, 10}, {"Q", ftInteger}}, rows);
    WriteTable(dir_.File("lines.d"), {{"ID", ftSmallStr, 8}, {"KOL", ftInteger}},
               {{"K3", "1"}, {"K1", "2"}, {"K9", "3"}, {"K3", "4"}});
    Age(dir_.File("big.d"));
    const char* statements[] = {
        "select l.ID, l.KOL, b.NAME from lines l, big b where l.ID *= b.ID",
        "select ID, NAME from big where ID = 'K5'",
        "select ID, NAME from big where ID = 'K5' and Q > 100",
        "select ID, NAME from big where Q < 20",
        "select l.ID, b.NAME from lines l, big b where l.ID = b.ID and b.Q > 250",
    };
    TableCache cache;
    QueryOptions cached;
    cached.cache = &cache;
    for (const char* sql : statements) {
        SCOPED_TRACE(sql);
        std::string fresh = Run(sql);
        EXPECT_EQ(Run(sql, {}, cached), fresh);  // fills the cache
        EXPECT_EQ(cache.Size(), 1u);
        EXPECT_EQ(Run(sql, {}, cached), fresh);  // served from it
    }
    // A changed file is read again.
    WriteTable(dir_.File("big.d"),
               {{"ID", ftSmallStr, 8}, {"NAME", ftSmallStr, 10}, {"Q", ftInteger}},
               {{"K5", "new", "1"}});
    Age(dir_.File("big.d"));
    EXPECT_EQ(Run("select NAME from big where ID = 'K5'", {}, cached), "big.NAME\nnew");
}

TEST_F(QueryTest, DatasetTablesJoinAlikeWhetherSortedOrPicked) {
    // Many equal keys, so that any difference in record order would show,
    // and deleted records, which no join may see.
    std::vector<std::vector<std::string>> rows;
    for (int i = 0; i < 300; ++i)
        rows.push_back(
            {"K" + std::to_string((i * 5) % 7), "N" + std::to_string(i), std::to_string(i)});
    WriteTable(dir_.File("big.d"),
               {{"ID", ftSmallStr, 8}, {"NAME", ftSmallStr, 10}, {"Q", ftInteger}}, rows);
    WriteTable(dir_.File("lines.d"), {{"ID", ftSmallStr, 8}, {"KOL", ftInteger}},
               {{"K3", "1"}, {"K1", "2"}, {"K9", "3"}, {"K3", "4"}, {"", "5"}});
    const char* statements[] = {
        "select l.ID, l.KOL, b.NAME, b.Q from lines l, big b where l.ID *= b.ID",
        "select l.ID, b.NAME from lines l, big b where l.ID = b.ID and b.Q > 250",
        "select l.ID, b.NAME from lines l, big b where b.ID = l.ID and b.NAME like 'N1%'",
    };
    for (const char* sql : statements) {
        SCOPED_TRACE(sql);
        std::string results[2];
        for (int sorted = 0; sorted < 2; ++sorted) {
            TRidovTable big;
            big.SetTableName(dir_.File("big.d"));
            big.Open();
            for (int i = 0; i < 3; ++i) big.Delete();  // the first three records
            const NodeList storeOrder = big.Cursor()->Nodes();
            TRidovQuery q;
            TQueryDataset& item = q.QueryDatasets().Add();
            item.SetAlias("b");
            item.SetDataSet(&big);
            q.sortDatasetTables = sorted == 1;
            q.SetDatabase(nullptr);
            q.SetSQL({std::string(sql).replace(std::string(sql).find("lines"), 5,
                                               "\"" + dir_.File("lines.d") + "\"")});
            q.Open();
            results[sorted] = Dump(*q.Cursor());
            if (!sorted) {
                EXPECT_EQ(big.Cursor()->Nodes(), storeOrder);
            }
        }
        // Rows with equal keys come in no defined order: compare the lines.
        for (std::string& result : results) {
            std::vector<std::string> lines;
            std::istringstream in(result);
            for (std::string line; std::getline(in, line);) lines.push_back(line);
            std::sort(lines.begin(), lines.end());
            result.clear();
            for (const std::string& line : lines) result += line + "\n";
        }
        EXPECT_EQ(results[0], results[1]);
        EXPECT_GE(std::count(results[0].begin(), results[0].end(), '\n'), 2);  // a row or more
    }
}

// ---- the program's two queries ----

class ProgramQueries : public QueryTest {
  protected:
    void OpenOrderView(TRidovQuery& q) {
        q.SetSQL({"select o.ID, p.NAME, p.CENA, o.KOL, p.EDIZM", "from :OrderTblNm o, :TblNm p",
                  "where o.ID *= p.ID"});
        q.SetOrigin("o");
        q.uniqueFieldNames = "ID";
        q.ParamByName("OrderTblNm").SetAsString(dir_.File("Zakaz1.zv"));
        q.ParamByName("TblNm").SetAsString(dir_.File("price.zv"));
        q.Open();
    }
    void SetUp() override {
        QueryTest::SetUp();
        WriteTable(dir_.File("price.zv"),
                   {{"ID", ftSmallStr, 8},
                    {"NAME", ftString, 80},
                    {"KOLUPAK", ftInteger},
                    {"CENA", ftDouble},
                    {"EDIZM", ftSmallStr, 20}},
                   {{"100", "Filter", "6", "12,5", "pc"},
                    {"200", "Belt", "1", "40", "pc"},
                    {"300", "Oil", "4", "9", "l"}});
        WriteTable(dir_.File("Zakaz1.zv"), {{"ID", ftSmallStr, 20}, {"KOL", ftInteger}},
                   {{"300", "2"}, {"999", "5"}, {"100", "1"}});
    }
    bool Seek(TRidovQuery& q, const std::string& id) {
        for (q.First(); !q.Eof(); q.Next())
            if (q.FieldByName("ID").AsString() == id) return true;
        return false;
    }
};

TEST_F(ProgramQueries, OrderViewShowsLinesWithTheirProducts) {
    TRidovQuery q;
    OpenOrderView(q);
    EXPECT_EQ(Dump(*q.Cursor()),
              "o.ID p.NAME p.CENA o.KOL p.EDIZM\n100|Filter|12,5|1|pc\n300|Oil|9|2|l\n999||0|5|");
}

TEST_F(ProgramQueries, OrderViewEditsReachTheOrderFile) {
    const std::string order = dir_.File("Zakaz1.zv");
    const std::string catalog = DumpFile(dir_.File("price.zv"));
    TRidovQuery q;
    OpenOrderView(q);
    // A changed ID replaces the record that held the old one.
    ASSERT_TRUE(Seek(q, "300"));
    q.Edit();
    q.FieldByName("ID").SetAsString("200");
    q.FieldByName("KOL").SetAsInteger(7);
    q.Post();
    // A line whose product is missing from the catalog can be deleted.
    ASSERT_TRUE(Seek(q, "999"));
    q.Delete();
    q.Append();
    q.FieldByName("ID").SetAsString("100A");
    q.FieldByName("KOL").SetAsInteger(3);
    q.Post();
    q.SaveChanges();
    const std::string once = "XXX.ID XXX.KOL\n200|7\n100|1\n100A|3";
    EXPECT_EQ(DumpFile(order), once);
    // Saving again without edits leaves the file's records as they were.
    q.SaveChanges();
    EXPECT_EQ(DumpFile(order), once);
    // The catalog is never written.
    EXPECT_EQ(DumpFile(dir_.File("price.zv")), catalog);
    q.Refresh();
    EXPECT_EQ(Dump(*q.Cursor()),
              "o.ID p.NAME p.CENA o.KOL p.EDIZM\n100|Filter|12,5|1|pc\n100A||0|3|\n"
              "200|Belt|40|7|pc");
}

TEST_F(ProgramQueries, FailedSaveAppliesNothingTwice) {
    const std::string order = dir_.File("Zakaz1.zv");
    const std::string before = DumpFile(order);
    TRidovQuery q;
    OpenOrderView(q);
    q.Append();
    q.FieldByName("ID").SetAsString("200");
    q.FieldByName("KOL").SetAsInteger(1);
    q.Post();
    // The order file cannot be replaced while a folder stands in its way.
    std::filesystem::remove(order);
    std::filesystem::create_directory(order);
    EXPECT_THROW(q.SaveChanges(), DatabaseError);
    std::filesystem::remove(order);
    WriteTable(order, {{"ID", ftSmallStr, 20}, {"KOL", ftInteger}},
               {{"300", "2"}, {"999", "5"}, {"100", "1"}});
    ASSERT_EQ(DumpFile(order), before);
    q.SaveChanges();
    EXPECT_EQ(DumpFile(order), "XXX.ID XXX.KOL\n300|2\n999|5\n100|1\n200|1");
}

// Another copy of the program (or a restored backup) replaced the order
// file after the view read it: the edits go into the file as it is now.
TEST_F(ProgramQueries, EditsApplyToTheOrderFileAsItIsOnDisk) {
    const std::string order = dir_.File("Zakaz1.zv");
    TRidovQuery q;
    OpenOrderView(q);
    WriteTable(order, {{"ID", ftSmallStr, 20}, {"KOL", ftInteger}},
               {{"300", "2"}, {"100", "1"}, {"200", "4"}, {"400", "6"}});
    ASSERT_TRUE(Seek(q, "100"));
    q.Edit();
    q.FieldByName("KOL").SetAsInteger(9);
    q.Post();
    // The view still shows 999, which the file no longer holds.
    ASSERT_TRUE(Seek(q, "999"));
    q.Delete();
    ASSERT_TRUE(Seek(q, "300"));
    q.Delete();
    q.Append();
    q.FieldByName("ID").SetAsString("555");
    q.FieldByName("KOL").SetAsInteger(3);
    q.Post();
    // The file holds 200 already: one line with the new quantity.
    q.Append();
    q.FieldByName("ID").SetAsString("200");
    q.FieldByName("KOL").SetAsInteger(8);
    q.Post();
    q.SaveChanges();
    EXPECT_EQ(DumpFile(order), "XXX.ID XXX.KOL\n100|9\n200|8\n400|6\n555|3");

    // The view's own write is no change on disk: a second edit goes on from
    // it without losing the first.
    q.Append();
    q.FieldByName("ID").SetAsString("600");
    q.FieldByName("KOL").SetAsInteger(1);
    q.Post();
    q.SaveChanges();
    EXPECT_EQ(DumpFile(order), "XXX.ID XXX.KOL\n100|9\n200|8\n400|6\n555|3\n600|1");
}

TEST_F(ProgramQueries, GroupedResultIsNeverWrittenBack) {
    const std::string order = dir_.File("Zakaz1.zv");
    TRidovQuery q;
    q.SetSQL({"select ID, SUM(KOL) from :T o group by ID"});
    q.ParamByName("T").SetAsString(order);
    q.SetOrigin("o");
    q.uniqueFieldNames = "ID";
    q.Open();
    ASSERT_TRUE(Seek(q, "300"));
    q.Edit();
    q.FieldByName("ID").SetAsString("777");
    q.Post();
    struct stat st {};
    ASSERT_EQ(::stat(order.c_str(), &st), 0);
    auto inode = st.st_ino;
    q.SaveChanges();
    ASSERT_EQ(::stat(order.c_str(), &st), 0);
    EXPECT_EQ(st.st_ino, inode);
    EXPECT_EQ(DumpFile(order), "XXX.ID XXX.KOL\n300|2\n999|5\n100|1");
}

TEST_F(ProgramQueries, ProductLookupFindsTheCode) {
    TRidovQuery q;
    q.SetSQL(
        {"select p.ID, p.NAME, p.KOLUPAK, p.CENA", "from :TblNm p", "where ID = :ID", "", " "});
    q.ParamByName("TblNm").SetAsString(dir_.File("price.zv"));
    q.ParamByName("ID").SetAsString("200");
    q.Open();
    EXPECT_EQ(Dump(*q.Cursor()), "p.ID p.NAME p.KOLUPAK p.CENA\n200|Belt|1|40");
    q.Close();
    EXPECT_FALSE(q.Prepared());
    q.ParamByName("ID").SetAsString("20");
    q.Open();
    EXPECT_EQ(q.RecordCount(), 0);
}

TEST_F(ProgramQueries, QueryDatasetsAreCheckedAndRead) {
    TRidovQuery lines, q;
    lines.SetSQL({"select ID, KOL from :T"});
    lines.ParamByName("T").SetAsString(dir_.File("Zakaz1.zv"));
    TQueryDataset& item = q.QueryDatasets().Add();
    EXPECT_EQ(item.DisplayName(), "(not defined)");
    item.SetDataSet(&lines, "qLines");
    EXPECT_EQ(item.Alias(), "qLines");
    EXPECT_EQ(item.DisplayName(), "qLines (qLines)");
    try {
        q.QueryDatasets().Add().SetAlias("QLINES");
        ADD_FAILURE() << "duplicate alias accepted";
    } catch (const DatabaseError& e) {
        EXPECT_STREQ(e.what(), "Duplicate alias name in collection");
    }
    try {
        q.QueryDatasets()[1].SetDataSet(&q, "self");
        ADD_FAILURE() << "circular reference accepted";
    } catch (const DatabaseError& e) {
        EXPECT_STREQ(e.what(), "Circular reference in datasets collection");
    }
    q.SetSQL({"select qLines.ID, p.NAME from qLines, :P p where qLines.ID = p.ID"});
    q.ParamByName("P").SetAsString(dir_.File("price.zv"));
    try {
        q.Open();
        ADD_FAILURE() << "closed dataset accepted";
    } catch (const DatabaseError& e) {
        EXPECT_STREQ(e.what(), "Cannot do this operation on closed dataset");
    }
    lines.Open();
    q.Open();
    EXPECT_EQ(Dump(*q.Cursor()), "qLines.ID p.NAME\n100|Filter\n300|Oil");
}

}  // namespace
}  // namespace ridov::querytest
