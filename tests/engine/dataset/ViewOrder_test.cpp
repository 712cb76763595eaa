// The order of a sorted view: the key rules, and the fast sort agreeing
// with the record store's comparison on data built to defeat its prefixes.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "engine/dataset/ViewSettings.h"
#include "engine/storage/RecordSort.h"
#include "engine/text/Win1251.h"
#include "support/DatasetFixture.h"

namespace ridov::testing {
namespace {

TEST(ViewOrder, KeyRules) {
    TRidovTable t;
    BuildTable(t, {{"S", DataType::String, 10}, {"B", DataType::Boolean}, {"N", DataType::Integer}},
               {{"b", "False", "1"}, {"", "True", "2"}, {"a", "True", "3"}, {"B", "", "4"}});
    struct Case {
        const char* index;
        TRidovSortOptions options;
        const char* shown;  // the field whose values are checked
        const char* values;
    } cases[] = {
        {"S", 0, "N", "2,4,3,1"},  // empty first, then by byte
        {"S;N", vsoCaseInsensitive, "N", "2,3,1,4"},
        {"S;N", vsoCaseInsensitive | vsoDescendSort, "N", "4,1,3,2"},  // both fields descend
        {"B;N", 0, "N", "2,3,1,4"},                                    // true first
        {"B;N", vsoDescendSort, "N", "4,1,3,2"},
    };
    for (const Case& c : cases) {
        t.SetSortOptions(c.options);
        t.SetIndexFieldNames(c.index);
        EXPECT_EQ(Values(t, c.shown), c.values) << c.index << " " << int(c.options);
    }
}

// Random records whose keys share long prefixes, differ only in case or
// only past the 16th byte, and include the values that need care in a
// byte-wise key: negative numbers, -0, NaN, empty and missing texts.
class SortAgreement : public ::testing::Test {
  protected:
    TRidovTable t;

    void SetUp() override {
        std::mt19937 rng(7);
        auto pick = [&](int n) { return int(rng() % unsigned(n)); };
        const std::vector<std::string> stems = {"",
                                                "a",
                                                "A",
                                                text::Utf8ToCp1251("Фильтр масляный "),
                                                text::Utf8ToCp1251("фильтр МАСЛЯНЫЙ "),
                                                text::Utf8ToCp1251("Ёлка"),
                                                text::Utf8ToCp1251("ель"),
                                                "zz",
                                                "0123456789abcdef"};
        const std::vector<std::string> tails = {"", "x", "X", text::Utf8ToCp1251("я"), "1", " "};
        std::vector<std::vector<std::string>> rows;
        for (int i = 0; i < 600; ++i) {
            std::string s = stems[size_t(pick(int(stems.size())))];
            for (int k = pick(3); k > 0; --k) s += tails[size_t(pick(int(tails.size())))];
            std::string code = std::to_string(pick(3) == 0 ? pick(20) : pick(2000));
            double floats[] = {-1.5, -0.0, 0.0, 2.25, 1e300, -1e300};
            rows.push_back({s, code, std::to_string(pick(7) - 3), pick(2) ? "True" : "False",
                            text::FloatToStr(floats[pick(6)], text::FormatSettings::Russian()),
                            std::to_string(pick(5) - 2)});
        }
        BuildTable(t,
                   {{"S", DataType::String, 60},
                    {"CODE", DataType::String, 8},
                    {"I", DataType::Integer},
                    {"B", DataType::Boolean},
                    {"F", DataType::Float},
                    {"L", DataType::LargeInt}},
                   rows);
        // Some NaNs, which order first.
        t.First();
        for (int i = 0; i < 5; ++i) {
            t.MoveBy(37);
            t.Edit();
            t.FieldByName("F").SetAsFloat(std::numeric_limits<double>::quiet_NaN());
            t.Post();
        }
    }

    // Every neighbour pair of the view is in order by CompareValues over
    // `names`.
    // The records of `all` in `order`, which must name each at most once.
    static void NodesInOrder(const NodeList& all, const RecordOrder& order, NodeList& sorted) {
        std::vector<bool> seen(all.size());
        for (uint32_t at : order) {
            ASSERT_LT(at, all.size());
            ASSERT_FALSE(seen[at]) << "record " << at << " twice";
            seen[at] = true;
            sorted.push_back(all[at]);
        }
    }
    void ExpectOrdered(const std::string& names, TRidovSortOptions options) {
        ExpectOrdered(names, options, t.View());
    }
    void ExpectOrdered(const std::string& names, TRidovSortOptions options, const NodeList& view) {
        std::vector<TRidovField*> key;
        t.Cursor()->FieldList(names, key);
        ASSERT_EQ(view.size(), 600u);
        bool ci = options & vsoCaseInsensitive;
        for (size_t i = 1; i < view.size(); ++i) {
            int r = 0;
            for (const TRidovField* f : key) {
                r = TRidovCursor::CompareValues(view[i - 1]->values, view[i]->values, *f, ci);
                if (r != 0) break;
            }
            if (options & vsoDescendSort) r = -r;
            ASSERT_LE(r, 0) << names << " " << int(options) << " at " << i;
        }
    }
};

TEST_F(SortAgreement, FastSortKeepsTheStoreOrder) {
    for (bool rightAligned : {false, true}) {
        t.FieldByName("CODE").alignment = rightAligned ? Alignment::Right : Alignment::Left;
        for (const char* names : {"S", "S;I", "CODE;S", "I;S", "B;F", "F;S", "L;CODE"}) {
            for (TRidovSortOptions o : {0, 1, 2, 3}) {
                t.SetIndexFieldNames("");
                t.SetSortOptions(o);
                t.SetIndexFieldNames(names);
                ExpectOrdered(names, o);
            }
        }
    }
}

// The sort on several threads splits the records by their first 16 key
// bytes, which these records share in long runs; any number of threads
// gives the same order, and every record exactly once.
TEST_F(SortAgreement, SortOnSeveralThreadsKeepsTheStoreOrder) {
    const NodeList& all = t.Cursor()->Nodes();
    for (const char* names : {"S", "CODE;S", "F;S", "L;CODE"}) {
        std::vector<TRidovField*> key;
        t.Cursor()->FieldList(names, key);
        for (TRidovSortOptions o : {0, 1, 2, 3}) {
            for (unsigned threads : {2u, 3u, 8u}) {
                SCOPED_TRACE(threads);
                const RecordOrder order = SortedRecordOrder(all, key, (o & vsoCaseInsensitive) != 0,
                                                            (o & vsoDescendSort) != 0, threads);
                NodeList sorted;
                ASSERT_NO_FATAL_FAILURE(NodesInOrder(all, order, sorted));
                ExpectOrdered(names, o, sorted);
            }
        }
    }
}

// Number keys of 8 bytes or less are sorted by radix on one integer per
// record; the order must be the store's comparison order, equal keys,
// negatives, -0, NaN and null numbers included, on any number of threads.
// Turning a sorted view round reverses the kept one instead of sorting: it
// must still be in order, and stay so after the records change.
TEST_F(SortAgreement, IntegerKeySortAndTurnedViewKeepTheStoreOrder) {
    t.First();
    for (int i = 0; i < 6; ++i) {
        t.MoveBy(53);
        t.Edit();
        t.FieldByName("I").Clear();
        t.FieldByName("F").Clear();
        t.Post();
    }
    const NodeList& all = t.Cursor()->Nodes();
    for (const char* names : {"F", "I", "L", "B", "I;B", "B;I"}) {
        std::vector<TRidovField*> key;
        t.Cursor()->FieldList(names, key);
        for (TRidovSortOptions o : {0, 2}) {
            for (unsigned threads : {1u, 2u, 3u}) {
                SCOPED_TRACE(std::string(names) + " " + std::to_string(threads));
                const RecordOrder order =
                    SortedRecordOrder(all, key, false, (o & vsoDescendSort) != 0, threads);
                NodeList sorted;
                ASSERT_NO_FATAL_FAILURE(NodesInOrder(all, order, sorted));
                ExpectOrdered(names, o, sorted);
            }
        }
    }
    for (const char* names : {"F", "S;I", "I;B"}) {
        t.SetIndexFieldNames("");
        t.SetSortOptions(vsoCaseInsensitive);
        t.SetIndexFieldNames(names);
        for (TRidovSortOptions o : {3, 1, 3}) {
            t.SetSortOptions(o);
            ExpectOrdered(names, o);
        }
        // A changed record: the view kept before it no longer serves.
        t.First();
        t.Edit();
        t.FieldByName("F").SetAsFloat(-1e308);
        t.FieldByName("I").SetAsInteger(-1000000);
        t.FieldByName("S").SetAsString("");
        t.Post();
        t.SetSortOptions(1);
        ExpectOrdered(names, 1);
    }
}

TEST(SelectView, AppliesFilterOrderAndRangeInOneStep) {
    TRidovTable t;
    BuildTable(t, {{"G", DataType::Integer}, {"NAME", DataType::String, 20}},
               {{"1", "pear"}, {"2", "Plum"}, {"2", "apple"}, {"2", "peach"}, {"3", "pea"}});
    ViewSettings s;
    s.filter = "NAME LIKE 'p*'";
    s.indexFieldNames = "NAME";
    s.sortOptions = vsoCaseInsensitive | vsoDescendSort;
    s.rangeFieldNames = "G";
    s.rangeStart = "2\t";
    s.rangeEnd = "3\t";
    std::string names;
    size_t count =
        SelectView(t, s, [&](DataSet& ds) { names += ds.FieldByName("NAME").AsString() + ","; });
    EXPECT_EQ(count, 3u);
    EXPECT_EQ(names, "Plum,peach,pea,");
    EXPECT_EQ(t.RecNo(), 1);
    s.filter = "NAME = = 1";
    EXPECT_EQ(ErrorOf([&] { SelectView(t, s, [](DataSet&) {}); }),
              "Error in comparison expression");
    EXPECT_EQ(t.RecordCount(), 3);  // nothing changed
}

}  // namespace
}  // namespace ridov::testing
