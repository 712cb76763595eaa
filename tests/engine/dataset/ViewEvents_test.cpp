// The row-level notifications a grid model sits on, the cell reader by row,
// and cancellable view rebuilds.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <type_traits>

#include "ViewRecorder.h"
#include "engine/dataset/ViewSettings.h"
#include "support/DatasetFixture.h"

namespace ridov::testing {
namespace {

const std::vector<Column> kColumns = {
    {"ID", DataType::String, 20}, {"NAME", DataType::String, 20}, {"KOL", DataType::Integer}};
const std::vector<std::vector<std::string>> kRows = {
    {"1", "a", "10"}, {"2", "b", "20"}, {"4", "d", "40"}, {"5", "e", "50"}};

// The text of `field` in every row, as a grid reads it, joined by ",".
std::string Cells(const DataSet& ds, const std::string& field) {
    std::string out, text;
    for (int row = 0; row < ds.RowCount(); ++row) {
        EXPECT_TRUE(ds.ReadCellText(row, ds.FieldByName(field), text)) << "row " << row;
        out += (row ? "," : "") + text;
    }
    return out;
}

struct EventCase {
    const char* name;
    std::string indexFieldNames;
    TRidovSortOptions sortOptions;
    std::function<void(TRidovTable&)> setup;
    std::function<void(TRidovTable&)> action;
    const char* events;
};

void Set(TRidovTable& t, const char* field, const char* value) {
    t.FieldByName(field).SetAsString(value);
}

const EventCase kEventCases[] = {
    {"EditOneCell", "", 0, [](TRidovTable& t) { t.SetRecNo(2); },
     [](TRidovTable& t) {
         t.Edit();
         Set(t, "NAME", "x");
         t.Post();
     },
     "state Edit; changed 1; changed 1; state Browse"},
    // An edit keeps its row, even when it changes the sort key.
    {"EditSortKey", "ID", 0, [](TRidovTable& t) { t.SetRecNo(2); },
     [](TRidovTable& t) {
         t.Edit();
         Set(t, "ID", "9");
         t.Post();
     },
     "state Edit; changed 1; changed 1; state Browse"},
    {"CancelEdit", "", 0, [](TRidovTable& t) { t.SetRecNo(2); },
     [](TRidovTable& t) {
         t.Edit();
         Set(t, "NAME", "x");
         t.Cancel();
     },
     "state Edit; changed 1; changed 1; state Browse"},
    // The new row shows before the current one; once posted it moves last.
    {"InsertAndPost", "", 0, [](TRidovTable& t) { t.SetRecNo(2); },
     [](TRidovTable& t) {
         t.Insert();
         Set(t, "ID", "3");
         t.Post();
     },
     "insert? 1; inserted 1; current 1; state Insert; changed 1; changed 1; move? 1>4; "
     "moved 1>4; current 4; state Browse"},
    {"AppendAndPost", "", 0, [](TRidovTable& t) { t.SetRecNo(2); },
     [](TRidovTable& t) {
         t.Append();
         Set(t, "ID", "3");
         t.Post();
     },
     "insert? 4; inserted 4; current 4; state Insert; changed 4; changed 4; current 4; "
     "state Browse"},
    {"InsertInOrder", "ID", vsoInsertInOrder, [](TRidovTable& t) { t.First(); },
     [](TRidovTable& t) {
         t.Append();
         Set(t, "ID", "3");
         t.Post();
     },
     "insert? 4; inserted 4; current 4; state Insert; changed 4; changed 4; move? 4>2; "
     "moved 4>2; current 2; state Browse"},
    {"CancelInsert", "", 0, [](TRidovTable& t) { t.SetRecNo(2); },
     [](TRidovTable& t) {
         t.Insert();
         Set(t, "ID", "3");
         t.Cancel();
     },
     "insert? 1; inserted 1; current 1; state Insert; changed 1; remove? 1; removed 1; "
     "current 1; state Browse"},
    {"Delete", "", 0, [](TRidovTable& t) { t.SetRecNo(2); }, [](TRidovTable& t) { t.Delete(); },
     "remove? 1; removed 1; current 1"},
    {"DeleteLast", "", 0, [](TRidovTable& t) { t.Last(); }, [](TRidovTable& t) { t.Delete(); },
     "remove? 3; removed 3; current 2"},
    // Refresh finds the current record again by its unique key.
    {"Refresh", "", 0, [](TRidovTable& t) { t.SetRecNo(3); }, [](TRidovTable& t) { t.Refresh(); },
     "reset?; reset; current 2"},
    {"FilteredOn", "", 0,
     [](TRidovTable& t) {
         t.SetFilter("KOL > 15");
         t.SetRecNo(3);
     },
     [](TRidovTable& t) { t.SetFiltered(true); }, "reset?; reset; current 0"},
    {"FilterText", "", 0,
     [](TRidovTable& t) {
         t.SetFiltered(true);
         t.SetRecNo(3);
     },
     [](TRidovTable& t) { t.SetFilter("KOL > 15"); }, "reset?; reset; current 1"},
    {"SortOrder", "ID", 0, [](TRidovTable& t) { t.SetRecNo(2); },
     [](TRidovTable& t) { t.SetSortOptions(vsoDescendSort); }, "reset?; reset; current 2"},
    {"IndexFields", "", 0, [](TRidovTable& t) { t.SetRecNo(2); },
     [](TRidovTable& t) { t.SetIndexFieldNames("KOL"); }, "reset?; reset; current 1"},
    {"ApplyRange", "", 0,
     [](TRidovTable& t) {
         t.SetRangeFieldNames("KOL");
         t.SetRecNo(4);
     },
     [](TRidovTable& t) { t.SetRangeValues("20\t", "40\t"); }, "reset?; reset; current 0"},
    {"CancelRange", "", 0,
     [](TRidovTable& t) {
         t.SetRangeFieldNames("KOL");
         t.SetRangeValues("20\t", "40\t");
         t.SetRecNo(2);
     },
     [](TRidovTable& t) { t.CancelRange(); }, "reset?; reset; current 2"},
    // Row notifications while the controls are off become one reset.
    {"ControlsDisabled", "", 0, [](TRidovTable& t) { t.SetRecNo(2); },
     [](TRidovTable& t) {
         t.DisableControls();
         t.Edit();
         Set(t, "NAME", "x");
         t.Post();
         t.Delete();
         t.EnableControls();
     },
     "state Edit; reset?; state Browse; reset; current 1"},
    {"CloseAndOpen", "", 0, [](TRidovTable&) {},
     [](TRidovTable& t) {
         t.Close();
         t.Open();
     },
     "reset?; reset; current -1; state Inactive; reset?; reset; current 0; state Browse"},
};

class ViewEvents : public ::testing::TestWithParam<EventCase> {};

TEST_P(ViewEvents, ArriveInOrderAndMatchTheRows) {
    const EventCase& c = GetParam();
    TempDir dir;
    WriteTableFile(dir.File("t.zv"), kColumns, kRows);
    TRidovTable t;
    t.SetTableName(dir.File("t.zv"));
    t.uniqueFieldNames = "ID";
    t.SetIndexFieldNames(c.indexFieldNames);
    t.SetSortOptions(c.sortOptions);
    t.Open();
    c.setup(t);
    ViewRecorder recorder(t, "ID");
    c.action(t);
    EXPECT_EQ(recorder.Take(), c.events);
}

INSTANTIATE_TEST_SUITE_P(EachOperation, ViewEvents, ::testing::ValuesIn(kEventCases),
                         [](const ::testing::TestParamInfo<EventCase>& info) {
                             return std::string(info.param.name);
                         });

// ---- reading cells by row ----

static_assert(noexcept(std::declval<const DataSet&>().ReadCell(0, std::declval<const Field&>(),
                                                               std::declval<Variant&>())));
static_assert(noexcept(std::declval<const DataSet&>().ReadCellText(0, std::declval<const Field&>(),
                                                                   std::declval<std::string&>())));

TEST(ReadCell, ShowsTheEditBufferAndPlacesTheNewRow) {
    TRidovTable t;
    BuildTable(t, kColumns, kRows);
    t.SetRecNo(2);
    t.Edit();
    t.FieldByName("NAME").SetAsString("x");
    EXPECT_EQ(Cells(t, "NAME"), "a,x,d,e");
    t.Cancel();
    EXPECT_EQ(Cells(t, "NAME"), "a,b,d,e");

    t.Insert();
    EXPECT_EQ(t.RowCount(), 5);
    EXPECT_EQ(t.CurrentRow(), 1);
    EXPECT_EQ(t.RecNo(), -1);
    t.FieldByName("NAME").SetAsString("new");
    EXPECT_EQ(Cells(t, "NAME"), "a,new,b,d,e");
    Variant v;
    EXPECT_TRUE(t.ReadCell(1, t.FieldByName("KOL"), v));
    EXPECT_EQ(VariantText(v, t.Format()), "0");  // an integer never assigned reads 0
    t.Post();
    EXPECT_EQ(Cells(t, "NAME"), "a,b,d,e,new");
    EXPECT_EQ(t.CurrentRow(), 4);
    EXPECT_EQ(t.RecNo(), 5);
}

TEST(ReadCell, ComputesCalculatedFieldsPerRowAndNeverThrows) {
    TRidovTable t;
    for (const Column& c : kColumns) t.Defs().Add(c.name, c.type, c.size);
    Field& twice = t.AddCalculatedField("TWICE", DataType::Integer);
    bool fail = false;
    t.onCalcFields = [&](DataSet& ds) {
        if (fail) throw DatabaseError("calculation failed");
        ds.FieldByName("TWICE").SetAsInteger(2 * ds.FieldByName("KOL").AsInteger());
    };
    t.Open();
    for (const auto& row : kRows) {
        t.Append();
        for (size_t i = 0; i < row.size(); ++i) t.Fields()[i]->SetAsString(row[i]);
        t.Post();
    }
    t.First();
    EXPECT_EQ(Cells(t, "TWICE"), "20,40,80,100");
    EXPECT_EQ(t.FieldByName("TWICE").AsInteger(), 20);  // the current record is untouched

    fail = true;
    Variant v = int64_t(7);
    std::string text = "left over";
    EXPECT_FALSE(t.ReadCell(2, twice, v));
    EXPECT_TRUE(IsNull(v));
    EXPECT_FALSE(t.ReadCellText(2, twice, text));
    EXPECT_EQ(text, "");
    fail = false;

    TRidovTable other;
    BuildTable(other, kColumns, kRows);
    EXPECT_FALSE(t.ReadCell(-1, t.FieldByName("ID"), v));
    EXPECT_FALSE(t.ReadCell(4, t.FieldByName("ID"), v));
    EXPECT_FALSE(t.ReadCell(0, other.FieldByName("ID"), v));  // another dataset's field
    t.Close();
    EXPECT_EQ(t.RowCount(), 0);
    EXPECT_EQ(t.CurrentRow(), -1);
    EXPECT_FALSE(t.ReadCellText(0, twice, text));
}

// ---- progress and cancellation of rebuilds ----

constexpr int kBigCount = 20000;

// A table of kBigCount records: ID "00000".."19999" in store order, NAME
// the ID reversed, KOL = index % 100.
void BuildBig(TRidovTable& t) {
    BuildTable(t, kColumns, {});
    t.DisableControls();
    char buffer[8];
    for (int i = 0; i < kBigCount; ++i) {
        std::snprintf(buffer, sizeof buffer, "%05d", i);
        std::string id = buffer;
        t.Append();
        t.FieldByName("ID").SetAsString(id);
        std::reverse(id.begin(), id.end());
        t.FieldByName("NAME").SetAsString(id);
        t.FieldByName("KOL").SetAsInteger(i % 100);
        t.Post();
    }
    t.EnableControls();
    t.CommitChanges();
}

TEST(ViewProgress, ReportsUpToTheTotal) {
    TRidovTable t;
    BuildBig(t);
    t.SetIndexFieldNames("ID");
    std::vector<std::pair<int64_t, int64_t>> calls;
    t.onViewProgress = [&](int64_t done, int64_t total) {
        calls.emplace_back(done, total);
        return true;
    };
    t.SetIndexFieldNames("NAME");
    ASSERT_GE(calls.size(), 3u);  // during the walk, after it, after the sort
    for (size_t i = 0; i < calls.size(); ++i) {
        EXPECT_EQ(calls[i].second, 2 * kBigCount);
        if (i > 0) {
            EXPECT_GT(calls[i].first, calls[i - 1].first);
        }
    }
    EXPECT_EQ(calls.back().first, calls.back().second);
    EXPECT_EQ(t.RecordCount(), kBigCount);
}

struct CancelCase {
    const char* name;
    std::function<void(TRidovTable&)> change;
};

const CancelCase kCancelCases[] = {
    {"Filter", [](TRidovTable& t) { t.SetFilter("KOL < 10"); }},
    {"Filtered", [](TRidovTable& t) { t.SetFiltered(false); }},
    {"FilterOptions", [](TRidovTable& t) { t.SetFilterOptions(foCaseInsensitive); }},
    {"IndexFields", [](TRidovTable& t) { t.SetIndexFieldNames("NAME"); }},
    {"SortOptions", [](TRidovTable& t) { t.SetSortOptions(vsoDescendSort); }},
    {"RangeValues", [](TRidovTable& t) { t.SetRangeValues("10\t", "20\t"); }},
    {"CancelRange", [](TRidovTable& t) { t.CancelRange(); }},
    {"ViewSettings",
     [](TRidovTable& t) {
         ViewSettings s;
         s.indexFieldNames = "NAME";
         s.filter = "KOL = 3";
         t.ApplyViewSettings(s);
     }},
};

class ViewCancel : public ::testing::TestWithParam<CancelCase> {};

// The view starts filtered (KOL >= 50), ranged on KOL 0..80 and sorted by
// ID; a cancelled change leaves the rows, the current record, the settings
// and the searches as they were, and the links hear nothing.
TEST_P(ViewCancel, LeavesTheViewAndItsSettings) {
    TRidovTable t;
    BuildBig(t);
    t.SetIndexFieldNames("ID");
    t.SetFilter("KOL >= 50");
    t.SetFiltered(true);
    t.SetRangeFieldNames("KOL");
    t.SetRangeValues("0\t", "80\t");
    ASSERT_TRUE(t.Locate("ID", Variant(std::string("01275")), 0));
    const NodeList rows = t.View();
    const int current = t.CurrentRow();
    ViewRecorder recorder(t, "ID");

    int calls = 0;
    t.onViewProgress = [&](int64_t, int64_t) { return ++calls < 2; };
    EXPECT_EQ(ErrorOf([&] { GetParam().change(t); }), "Operation cancelled");
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(recorder.Take(), "");
    EXPECT_TRUE(t.View() == rows);
    EXPECT_EQ(t.CurrentRow(), current);
    EXPECT_EQ(t.FieldByName("ID").AsString(), "01275");
    EXPECT_EQ(t.Filter(), "KOL >= 50");
    EXPECT_TRUE(t.Filtered());
    EXPECT_EQ(t.FilterOptions(), 0);
    EXPECT_EQ(t.IndexFieldNames(), "ID");
    EXPECT_EQ(t.SortOptions(), 0);
    EXPECT_TRUE(t.RangeActive());
    EXPECT_TRUE(t.ViewSorted());

    // The restored settings drive the next rebuild and the searches.
    t.onViewProgress = nullptr;
    EXPECT_TRUE(t.Locate("ID", Variant(std::string("00080")), 0));
    EXPECT_FALSE(t.Locate("ID", Variant(std::string("00081")), 0));  // outside the range
    recorder.Take();
    t.SetFilter("KOL >= 50");  // the same filter: a full rebuild
    EXPECT_TRUE(t.View() == rows);
    EXPECT_EQ(recorder.Take(), "reset?; reset; current " + std::to_string(t.CurrentRow()));
}

INSTANTIATE_TEST_SUITE_P(EachChange, ViewCancel, ::testing::ValuesIn(kCancelCases),
                         [](const ::testing::TestParamInfo<CancelCase>& info) {
                             return std::string(info.param.name);
                         });

// Rebuilds that follow a change of the records cannot leave the old view:
// it may hold records that are gone.
TEST(ViewCancel, RevertingChangesIgnoresTheAnswer) {
    TRidovTable t;
    BuildBig(t);
    t.Last();
    t.Delete();
    t.onViewProgress = [](int64_t, int64_t) { return false; };
    t.CancelChanges();
    EXPECT_EQ(t.RecordCount(), kBigCount);
}

}  // namespace
}  // namespace ridov::testing
