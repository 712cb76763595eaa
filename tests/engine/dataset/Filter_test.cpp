// The filter through the dataset: the text parsed at assignment, prepared
// against the record store at each rebuild, then onFilterRecord.
#include <gtest/gtest.h>

#include "engine/text/Win1251.h"
#include "support/DatasetFixture.h"

namespace ridov::testing {
namespace {

std::string Cp(const std::string& utf8) {
    return text::Utf8ToCp1251(utf8);
}

class FilterTest : public ::testing::Test {
  protected:
    TRidovTable t;

    void SetUp() override {
        std::vector<std::vector<std::string>> rows = {
            {"1", "Болт колёсный", "Болт колёсный", "10", "15", "True", "12,5"},
            {"2", "болтик", "x", "0", "15", "", "0"},
            {"3", "O'Neil ёлка", "A-1", "5", "7", "True", "100"},
            {"4", "", "", "10", "15", "", "-1"},
            {"5", "Гайка болтовая", "G", "7", "8", "False", "3"},
        };
        for (auto& row : rows)
            for (auto& v : row) v = Cp(v);
        BuildTable(t,
                   {{"ID", DataType::String, 8},
                    {"NAME", DataType::String, 80},
                    {"ARTIKUL", DataType::String, 80},
                    {"KOLUPAK", DataType::Integer},
                    {"IDBREND", DataType::Integer},
                    {"FLAG", DataType::Boolean},
                    {"CENA", DataType::Float}},
                   rows);
    }
    std::string Ids(const std::string& filterUtf8, TFilterOptions options = 0) {
        t.SetFilterOptions(options);
        t.SetFilter(Cp(filterUtf8));
        t.SetFiltered(true);
        return Values(t, "ID");
    }
};

TEST_F(FilterTest, KeepsTheRecordsThatPassEveryComparison) {
    struct Case {
        const char* filter;
        TFilterOptions options;
        const char* ids;
    } cases[] = {
        {"ID<>ID", 0, ""},  // a field against itself: shows nothing
        {"NAME LIKE 'бол*'", 0, "1,2"},
        {"NAME LIKE 'БОЛ*'", 0, "1,2"},  // LIKE ignores case always
        {"NAME LIKE '*бол*'", 0, "1,2,5"},
        {"NAME LIKE 'болтик'", 0, "2"},
        {"NAME LIKE '%олт_к'", 0, "2"},
        {"NAME LIKE 'O''Neil*'", 0, "3"},
        {"NAME LIKE '*'", 0, "1,2,3,4,5"},  // the empty name too
        {"KOLUPAK = '10'", 0, "1,4"},
        {"KOLUPAK = 'abc'", 0, "2"},  // no number: 0
        {"IDBREND = '15' AND NAME LIKE 'б*'", 0, "1,2"},
        {"IDBREND = '15' AND ", 0, "1,2,4"},  // a trailing AND is dropped
        {"NAME = 'ARTIKUL'", 0, "1,4"},       // a string naming a field is the field
        {"FLAG = TRUE", 0, "1,3"},
        {"FLAG = FALSE", 0, "2,4,5"},
        {"NAME = NULL", 0, "4"},
        {"CENA > 10", 0, "1,3"},
        {"CENA < -0,5", 0, "4"},
        {"KOLUPAK < IDBREND AND KOLUPAK >= 5", 0, "1,3,4,5"},
        {"NAME = 'БОЛТИК'", 0, ""},
        {"NAME = 'БОЛТИК'", foCaseInsensitive, "2"},
        {"NAME > 'Г'", 0, "2,5"},                // by byte: lower-case б is above Г
        {"NAME > 'Г'", foCaseInsensitive, "5"},  // alphabetical: Latin, then А..Я
    };
    for (const Case& c : cases) EXPECT_EQ(Ids(c.filter, c.options), c.ids) << c.filter;
}

TEST_F(FilterTest, ErrorsAndTheStateTheyLeave) {
    Ids("IDBREND = 15");
    // A text that does not parse: the error comes from the assignment, the
    // text stays the previous one and no condition is in force.
    EXPECT_EQ(ErrorOf([&] { t.SetFilter("IDBREND = = 15"); }), "Error in comparison expression");
    EXPECT_EQ(t.Filter(), "IDBREND = 15");
    t.RebuildView(false);
    EXPECT_EQ(t.RecordCount(), 5);

    // Names are resolved when the view is rebuilt with the filter on.
    t.SetFiltered(false);
    t.SetFilter("NOPE = 1");
    EXPECT_EQ(ErrorOf([&] { t.SetFiltered(true); }), "Field NOPE is not found");
    t.SetFiltered(false);
    EXPECT_EQ(ErrorOf([&] { Ids("KOLUPAK = CENA"); }), "Types of compared fields are not equal");
    EXPECT_EQ(t.RecordCount(), 0);  // the failed rebuild left nothing half-filtered

    std::string pattern;
    for (int i = 0; i < 31; ++i) pattern += "*a";
    EXPECT_EQ(ErrorOf([&] { Ids("NAME LIKE '" + pattern + "'"); }),
              "'" + pattern + "' is an invalid mask at (62)");
    EXPECT_EQ(Ids("NAME LIKE '" + pattern.substr(2) + "'"), "");
}

TEST_F(FilterTest, OnFilterRecordSeesTheExaminedRecordAfterTheText) {
    std::string seen;
    t.onFilterRecord = [&](DataSet& ds, bool& accept) {
        seen += ds.FieldByName("ID").AsString();
        accept = ds.FieldByName("ID").AsString() != "2";
    };
    EXPECT_EQ(Ids("IDBREND = 15"), "1,4");
    EXPECT_EQ(seen, "124");  // only records that passed the text
    EXPECT_EQ(t.State(), DataSetState::Browse);
}

}  // namespace
}  // namespace ridov::testing

namespace ridov::testing {
namespace {

// A prefix filter on the first field of a sort ignoring case takes its
// candidates from the last full sorted view. Each step must show what a
// table that never had that view shows: the same records, in order; and a
// change of the records must not be hidden by the kept view.
TEST(PrefixFilter, ShowsWhatAScanShowsAndFollowsChanges) {
    std::vector<std::vector<std::string>> rows;
    const char* names[] = {"Фильтр масляный",
                           "фильтр воздушный",
                           "ФИЛЬТР",
                           "Фара",
                           "фа",
                           "Ёлка",
                           "ёж",
                           "Ель",
                           "ель",
                           "",
                           "Болт",
                           "болт колёсный",
                           "Ф",
                           "zeta",
                           "Zed"};
    for (int i = 0; i < 60; ++i) {
        rows.push_back(
            {text::Utf8ToCp1251(names[i % 15]) + (i % 4 == 0 ? "" : " " + std::to_string(i % 7)),
             std::to_string(i), std::to_string(i % 3)});
    }
    const std::vector<Column> columns = {
        {"NAME", DataType::String, 40}, {"ID", DataType::Integer}, {"G", DataType::Integer}};
    TempDir dir;
    const std::string path = dir.File("t.zv");
    WriteTableFile(path, columns, rows);

    // Ids over a view, in view order, and as a set: equal names may come
    // in any order among themselves.
    auto shown = [](TRidovTable& t) { return Values(t, "ID"); };
    auto names_ = [](TRidovTable& t) { return Values(t, "NAME"); };
    for (TRidovSortOptions options : {TRidovSortOptions(vsoCaseInsensitive),
                                      TRidovSortOptions(vsoCaseInsensitive | vsoDescendSort)}) {
        TRidovTable t;
        t.SetTableName(path);
        t.SetIndexFieldNames("NAME;ID");
        t.SetSortOptions(options);
        t.Open();
        t.SetFiltered(true);
        // The same steps on a table opened with each filter anew.
        auto expected = [&](const std::string& filter) {
            TRidovTable fresh;
            fresh.SetTableName(path);
            fresh.SetIndexFieldNames("NAME;ID");
            fresh.SetSortOptions(options);
            fresh.SetFiltered(true);
            fresh.SetFilter(filter);
            fresh.Open();
            return std::make_pair(shown(fresh), names_(fresh));
        };
        const char* filters[] = {
            "NAME LIKE 'ф*'",           "NAME LIKE 'фил*'", "NAME LIKE 'ё*'",
            "NAME LIKE 'е*'",           "NAME LIKE 'ф?*'",  "NAME LIKE 'фильтр'",
            "NAME LIKE 'ф*' AND G = 1", "NAME LIKE 'x*'",   "",
            "NAME LIKE '*ль*'",         "NAME LIKE 'Z*'",   "NAME LIKE 'ФИЛЬТР *'",
            "NAME LIKE 'ф*ь*'",         "NAME LIKE 'ф*й'",  "NAME LIKE 'ф%'"};
        for (const char* f : filters) {
            SCOPED_TRACE(std::string(f) + " " + std::to_string(options));
            const std::string filter = text::Utf8ToCp1251(f);
            t.SetFilter(filter);
            const auto want = expected(filter);
            EXPECT_EQ(shown(t), want.first);
            EXPECT_EQ(names_(t), want.second);
        }
        // A change after the full view was kept: a record renamed into the
        // prefix, one deleted from it.
        t.SetFilter("");
        t.First();
        while (!t.Eof() && t.FieldByName("ID").AsString() != "40") t.Next();
        t.Edit();
        t.FieldByName("NAME").SetAsString(text::Utf8ToCp1251("фаза"));
        t.Post();
        t.SetFilter(text::Utf8ToCp1251("NAME LIKE 'фа*'"));
        EXPECT_NE(("," + shown(t) + ",").find(",40,"), std::string::npos) << shown(t);
        t.First();
        const std::string gone = t.FieldByName("ID").AsString();
        t.Delete();
        t.SetFilter(text::Utf8ToCp1251("NAME LIKE 'ф*'"));
        EXPECT_EQ(("," + shown(t) + ",").find("," + gone + ","), std::string::npos);
        // A callback alone after a prefix filter: every record is offered.
        t.SetFilter("");
        const int all = t.RecordCount();
        t.SetFilter(text::Utf8ToCp1251("NAME LIKE 'ф*'"));
        int offered = 0;
        t.onFilterRecord = [&](DataSet&, bool& accept) {
            ++offered;
            accept = true;
        };
        t.SetFilter("");
        EXPECT_EQ(offered, all);
        EXPECT_EQ(t.RecordCount(), all);
        // A callback beside a prefix filter still has its say on the run.
        t.onFilterRecord = [&](DataSet& d, bool& accept) {
            accept = d.FieldByName("ID").AsInteger() % 2 == 0;
        };
        t.SetFilter(text::Utf8ToCp1251("NAME LIKE 'ф*'"));
        EXPECT_GT(t.RecordCount(), 0);
        for (t.First(); !t.Eof(); t.Next()) EXPECT_EQ(t.FieldByName("ID").AsInteger() % 2, 0);
        t.onFilterRecord = nullptr;
    }
}

}  // namespace
}  // namespace ridov::testing
