#include <gtest/gtest.h>

#include "support/DatasetFixture.h"

namespace ridov::testing {
namespace {

TEST(View, SortsByIndexFieldsUnderTheSortOptions) {
    TRidovTable t;
    BuildTable(t, {{"NAME", DataType::String, 10}, {"N", DataType::Integer}},
               {{"cherry", "1"}, {"apple", "2"}, {"Banana", "3"}, {"apple", "1"}});
    struct Case {
        const char* index;
        TRidovSortOptions options;
        const char* names;
        const char* numbers;
    } cases[] = {
        {"NAME;N", 0, "Banana,apple,apple,cherry", "3,1,2,1"},
        {"NAME;N", vsoCaseInsensitive, "apple,apple,Banana,cherry", "1,2,3,1"},
        {"NAME;N", vsoCaseInsensitive | vsoDescendSort, "cherry,Banana,apple,apple", "1,3,2,1"},
        {"", 0, "cherry,apple,Banana,apple", "1,2,3,1"},
    };
    for (const Case& c : cases) {
        t.SetIndexFieldNames(c.index);
        t.SetSortOptions(c.options);
        EXPECT_EQ(Values(t, "NAME"), c.names) << c.index << int(c.options);
        EXPECT_EQ(Values(t, "N"), c.numbers) << c.index << int(c.options);
    }
}

TEST(View, RightAlignedShortCodesSortNumerically) {
    TRidovTable t;
    BuildTable(t, {{"ID", DataType::String, 8}}, {{"10"}, {"9"}, {"100"}});
    t.SetIndexFieldNames("ID");
    EXPECT_EQ(Values(t, "ID"), "10,100,9");
    t.FieldByName("ID").alignment = Alignment::Right;
    t.SetIndexFieldNames("");
    t.SetIndexFieldNames("ID");
    EXPECT_EQ(Values(t, "ID"), "9,10,100");
}

TEST(View, RebuildKeepsTheCurrentRecordAndDropsDeletedOnes) {
    TRidovTable t;
    BuildTable(t, {{"ID", DataType::String, 8}}, {{"C"}, {"A"}, {"B"}});
    t.First();  // C
    t.SetIndexFieldNames("ID");
    EXPECT_EQ(t.FieldByName("ID").AsString(), "C");
    EXPECT_EQ(t.RecNo(), 3);
    t.First();
    t.Delete();
    t.RebuildView(false);
    EXPECT_EQ(Values(t, "ID"), "B,C");
}

TEST(View, RangesCompareOnlyTheFieldsGiven) {
    TRidovTable t;
    BuildTable(t, {{"A", DataType::Integer}, {"B", DataType::Integer}},
               {{"5", "7"}, {"5", "8"}, {"6", "7"}, {"4", "7"}});
    t.SetRangeFieldNames("A;B");
    struct Case {
        const char* start;
        const char* end;
        const char* as;
        const char* bs;
    } cases[] = {
        {"5\t", "5\t", "5,5", "7,8"},     // the text runs out after A
        {"5\t7\t", "5\t7\t", "5", "7"},   // both fields
        {"\t", "\t9\t", "", ""},          // leading TAB: all fields empty (0)
        {"5", "6\t7", "5,5,6", "7,8,7"},  // inclusive bounds
    };
    for (const Case& c : cases) {
        t.SetRangeValues(c.start, c.end);
        EXPECT_TRUE(t.RangeActive());
        EXPECT_EQ(Values(t, "A"), c.as) << c.start;
        EXPECT_EQ(Values(t, "B"), c.bs) << c.start;
    }
    t.CancelRange();
    EXPECT_EQ(t.RecordCount(), 4);
    TRidovTable closed;
    EXPECT_EQ(ErrorOf([&] { closed.ApplyRange(); }), "Cannot do this operation on closed dataset");
}

TEST(View, FilterHookAndOnFilterRecord) {
    TRidovTable t;
    BuildTable(t, {{"N", DataType::Integer}}, {{"1"}, {"2"}, {"3"}, {"4"}});
    t.onFilterRecord = [](DataSet& ds, bool& accept) {
        accept = ds.FieldByName("N").AsInteger() % 2 == 0;
    };
    t.SetFiltered(true);
    EXPECT_EQ(Values(t, "N"), "2,4");
    t.SetFiltered(false);
    EXPECT_EQ(t.RecordCount(), 4);
}

}  // namespace
}  // namespace ridov::testing
