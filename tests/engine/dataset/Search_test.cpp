// Locate, Lookup, the find operations, FindByText and re-finding the
// current record after a refresh.
#include <gtest/gtest.h>

#include "engine/text/Win1251.h"
#include "support/DatasetFixture.h"

namespace ridov::testing {
namespace {

std::string Cp(const std::string& utf8) {
    return text::Utf8ToCp1251(utf8);
}

// The value of `field` in the current record.
std::string Current(DataSet& ds, const char* field) {
    return ds.FieldByName(field).AsString();
}

TEST(Locate, BinarySearchLandsOnTheFirstOfEqualKeys) {
    TRidovTable t;
    BuildTable(
        t, {{"ID", DataType::String, 8}, {"N", DataType::Integer}},
        {{"B", "1"}, {"C", "2"}, {"B", "3"}, {"A", "4"}, {"B", "5"}, {"B", "6"}, {"B", "7"}});
    for (TRidovSortOptions options : {TRidovSortOptions(0), TRidovSortOptions(vsoDescendSort)}) {
        t.SetSortOptions(options);
        t.SetIndexFieldNames("ID");
        // A B B B B B C: the middle probe hits a B that is not the first.
        EXPECT_TRUE(t.Locate("ID", std::string("B"), 0));
        EXPECT_EQ(t.RecNo(), 2) << int(options);
        EXPECT_TRUE(t.Locate("id", std::string("C"), 0));
        EXPECT_EQ(t.RecNo(), options ? 1 : 7);
        EXPECT_FALSE(t.Locate("ID", std::string("BB"), 0));
        EXPECT_EQ(t.RecNo(), options ? 1 : 7);  // a failed search does not move
    }
    // Editing a sort key leaves the record in its place; the view is no
    // longer known to be sorted, so the search scans.
    t.SetSortOptions(0);
    t.Last();
    t.Edit();
    t.FieldByName("ID").SetAsString("0");
    t.Post();
    EXPECT_EQ(Values(t, "ID"), "A,B,B,B,B,B,0");
    EXPECT_FALSE(t.ViewSorted());
    EXPECT_TRUE(t.Locate("ID", std::string("0"), 0));
    EXPECT_EQ(t.RecNo(), 7);
}

TEST(Locate, OptionsApplyToStringFieldsOnly) {
    TRidovTable t;
    BuildTable(t, {{"NAME", DataType::String, 40}, {"N", DataType::Integer}},
               {{Cp("Болт"), "123"}, {Cp("болтик"), "12"}, {"", "5"}});
    struct Case {
        const char* fields;
        std::vector<Variant> values;
        TLocateOptions options;
        int recNo;  // 0: not found
    } cases[] = {
        {"NAME", {Cp("БОЛТ")}, loCaseInsensitive, 1},
        {"NAME", {Cp("болт")}, 0, 0},  // stored values compare case-sensitively
        {"NAME", {Cp("болт")}, loPartialKey, 2},
        {"NAME", {Cp("БОЛ")}, loPartialKey | loCaseInsensitive, 1},
        {"N", {std::string("1")}, loPartialKey, 0},  // no partial key on integers
        {"N", {int64_t(12)}, loPartialKey, 2},
        {"N", {std::string("12")}, 0, 2},
        {"NAME;N", {Cp("болтик"), int64_t(12)}, 0, 2},
        {"NAME;N", {Cp("болтик"), int64_t(123)}, 0, 0},
        {"NAME;N", {Cp("БОЛТ"), int64_t(123)}, loCaseInsensitive, 1},
        {"NAME", {Variant()}, 0, 0},  // a null value finds nothing
        {"", {int64_t(5)}, 0, 0},
    };
    for (const Case& c : cases) {
        t.First();
        t.Next();
        t.Next();
        bool found = t.Locate(c.fields, c.values, c.options);
        EXPECT_EQ(found, c.recNo != 0) << c.fields << " " << int(c.options);
        EXPECT_EQ(t.RecNo(), found ? c.recNo : 3) << c.fields << " " << int(c.options);
    }
    EXPECT_EQ(ErrorOf([&] { t.Locate("NOPE", int64_t(1), 0); }), "Field 'NOPE' not found");
}

TEST(Lookup, ReadsTheFoundRecordWithoutMoving) {
    TRidovTable t;
    BuildTable(t, {{"ID", DataType::String, 8}, {"NAME", DataType::String, 40}},
               {{"1", "one"}, {"2", "two"}, {"3", "three"}});
    t.Last();
    int scrolls = 0;
    t.afterScroll = [&](DataSet&) { ++scrolls; };
    EXPECT_EQ(std::get<std::string>(t.Lookup("ID", {std::string("2")}, "NAME")), "two");
    EXPECT_TRUE(IsNull(t.Lookup("ID", {std::string("9")}, "NAME")));
    std::vector<Variant> both = t.LookupValues("ID", {std::string("1")}, "NAME;ID");
    ASSERT_EQ(both.size(), 2u);
    EXPECT_EQ(std::get<std::string>(both[1]), "1");
    EXPECT_EQ(Current(t, "ID"), "3");
    EXPECT_EQ(scrolls, 0);
}

TEST(FindRecord, UsesThePredicateOrMovesWhenFiltered) {
    TRidovTable t;
    BuildTable(t, {{"N", DataType::Integer}}, {{"1"}, {"2"}, {"3"}, {"4"}, {"5"}});
    t.SetFilter("N > 1");
    t.onFilterRecord = [](DataSet& ds, bool& accept) {
        accept = ds.FieldByName("N").AsInteger() != 4;
    };
    // Unfiltered: the predicate picks 2, 3, 5 in either direction.
    std::string path;
    for (bool found = t.FindFirst(); found; found = t.FindNext()) path += Current(t, "N");
    EXPECT_EQ(path, "235");
    EXPECT_FALSE(t.Found());
    EXPECT_EQ(Current(t, "N"), "5");  // a failed find stays put
    path.clear();
    for (bool found = t.FindLast(); found; found = t.FindPrior()) path += Current(t, "N");
    EXPECT_EQ(path, "532");
    EXPECT_EQ(t.RecordCount(), 5);

    // Filtered: the view holds 2, 3, 5 and a find only moves.
    t.SetFiltered(true);
    EXPECT_TRUE(t.FindFirst());
    EXPECT_TRUE(t.Found());
    EXPECT_EQ(Current(t, "N"), "2");
    t.Last();
    EXPECT_FALSE(t.FindNext());
    EXPECT_EQ(Current(t, "N"), "5");

    t.SetFiltered(false);
    t.SetFilter("NOPE = 1");
    EXPECT_EQ(ErrorOf([&] { t.FindFirst(); }), "Field NOPE is not found");
}

TEST(FindByText, FindsByDisplayTextIgnoringCase) {
    TRidovTable t;
    BuildTable(t, {{"NAME", DataType::String, 40}, {"CENA", DataType::Float}},
               {{Cp("Гайка"), "1,5"},
                {Cp("Абажур"), "20"},
                {Cp("шкаф аБвгд"), "1,25"},
                {Cp("аБрикос"), "7"}});
    struct Case {
        const char* fields;
        std::string texts;
        bool fromStart;
        bool prefixOnly;
        int recNo;  // 0: not found
    } cases[] = {
        {"NAME", Cp("аб"), true, true, 2},
        {"NAME", Cp("аб"), false, true, 4},  // after the current record (2)
        {"NAME", Cp("АБВ"), true, false, 3},
        {"NAME", Cp("АБВ"), true, true, 0},
        {"NAME;CENA", Cp("аб\t1,2\t"), true, false, 3},  // display text of the float
        {"NAME;CENA", Cp("аб"), true, false, 0},         // one text for two fields
        {"NAME", "", true, true, 0},
        {"NAME", "\t", true, false, 0},  // an empty text never matches
    };
    for (const Case& c : cases) {
        t.First();
        t.Next();
        bool found = t.FindByText(c.fields, c.texts, c.fromStart, c.prefixOnly);
        EXPECT_EQ(found, c.recNo != 0) << c.fields << " " << text::Cp1251ToUtf8(c.texts);
        EXPECT_EQ(t.RecNo(), found ? c.recNo : 2) << c.fields;
    }
}

TEST(FindByText, EndsAPendingEditBeforeMoving) {
    TRidovTable t;
    BuildTable(t, {{"NAME", DataType::String, 40}}, {{"alpha"}, {"beta"}});
    t.First();
    t.Edit();
    t.FieldByName("NAME").SetAsString("alpha2");
    // Moving inside the edit would post "alpha2" into "beta".
    EXPECT_TRUE(t.FindByText("NAME", "be", true, true));
    EXPECT_EQ(t.State(), DataSetState::Browse);
    EXPECT_EQ(Values(t, "NAME"), "alpha2,beta");
    EXPECT_EQ(Current(t, "NAME"), "beta");
}

TEST(Refresh, RefindsTheCurrentRecordByItsUniqueKey) {
    TempDir dir;
    WriteTableFile(dir.File("t.zv"), {{"ID", DataType::String, 8}, {"N", DataType::Integer}},
                   {{"C", "1"}, {"A", "2"}, {"B", "3"}, {"B", "4"}});
    for (const char* index : {"ID;N", "N"}) {  // binary search, then a scan
        TRidovTable t;
        t.SetTableName(dir.File("t.zv"));
        t.uniqueFieldNames = "ID;N";
        t.SetIndexFieldNames(index);
        t.Open();
        ASSERT_TRUE(t.Locate("ID;N", {std::string("B"), int64_t(4)}, 0));
        t.Refresh();
        EXPECT_EQ(Current(t, "ID") + Current(t, "N"), "B4") << index;
    }
}

}  // namespace
}  // namespace ridov::testing
