// Datasets sharing one record store (a table and its clones) follow each
// other's posts and deletes, and never show or search a record that is
// gone.
#include <gtest/gtest.h>

#include "ViewRecorder.h"
#include "support/DatasetFixture.h"

namespace ridov::testing {
namespace {

const std::vector<Column> kColumns = {
    {"ID", DataType::String, 20}, {"NAME", DataType::String, 20}, {"KOL", DataType::Integer}};
const std::vector<std::vector<std::string>> kRows = {
    {"1", "a", "10"}, {"2", "b", "20"}, {"4", "d", "40"}, {"5", "e", "50"}};

Variant Text(const char* s) {
    return Variant(std::string(s));
}

struct DeleteCase {
    const char* name;
    bool committed;  // the store's records are unchanged, not newly inserted
    std::string indexFieldNames;
};

class CloneDelete : public ::testing::TestWithParam<DeleteCase> {};

// A record the clone deletes leaves the source's view: a newly inserted one
// is freed at once, an unchanged one only marked deleted, and neither may
// be found, shown or read afterwards.
TEST_P(CloneDelete, LeavesEveryViewAndEverySearch) {
    const DeleteCase& c = GetParam();
    TRidovTable source;
    BuildTable(source, kColumns, kRows);
    if (c.committed) source.CommitChanges();
    source.SetIndexFieldNames(c.indexFieldNames);
    source.SetRecNo(3);  // "4"
    ViewRecorder recorder(source, "ID");

    TRidovTable clone;
    clone.SetCloneDS(&source);
    clone.Open();
    ASSERT_TRUE(clone.Locate("ID", Text("2"), 0));
    clone.Delete();

    EXPECT_EQ(recorder.Take(), "remove? 1; removed 1; current 1");
    EXPECT_EQ(source.RecordCount(), 3);
    EXPECT_EQ(Values(source, "ID"), "1,4,5");
    EXPECT_EQ(source.FieldByName("ID").AsString(), "4");
    EXPECT_FALSE(source.Locate("ID", Text("2"), 0));
    EXPECT_FALSE(source.Locate("ID", Text("2"), loCaseInsensitive));
    EXPECT_FALSE(source.FindByText("ID", "2", true, true));
    EXPECT_TRUE(IsNull(source.Lookup("ID", {Text("2")}, "NAME")));
    source.SetFilter("ID = '2'");
    EXPECT_FALSE(source.FindFirst());
    source.SetFilter("");
    EXPECT_TRUE(source.Locate("ID", Text("5"), 0));
    EXPECT_EQ(source.FieldByName("NAME").AsString(), "e");
    EXPECT_TRUE(source.FindByText("NAME", "a", true, true));
    EXPECT_EQ(source.FieldByName("ID").AsString(), "1");
}

INSTANTIATE_TEST_SUITE_P(EachRecordKind, CloneDelete,
                         ::testing::Values(DeleteCase{"Inserted", false, ""},
                                           DeleteCase{"Unchanged", true, ""},
                                           DeleteCase{"InsertedSorted", false, "ID"},
                                           DeleteCase{"UnchangedSorted", true, "ID"}),
                         [](const ::testing::TestParamInfo<DeleteCase>& info) {
                             return std::string(info.param.name);
                         });

// Posts through one sharer reach the others: a new record joins each view
// whose range and filter it passes, where a post there would put it; a
// changed one is repainted where it is, or joins a view it now passes.
TEST(SharedStore, PostsReachTheOtherViews) {
    TRidovTable source;
    BuildTable(source, kColumns, kRows);
    source.SetIndexFieldNames("ID");
    source.SetSortOptions(vsoInsertInOrder);
    ViewRecorder sourceEvents(source, "ID");

    TRidovTable clone;
    clone.SetCloneDS(&source);
    clone.Open();
    clone.SetFilter("KOL < 45");
    clone.SetFiltered(true);
    ViewRecorder cloneEvents(clone, "ID");

    // A new record through the source: the clone's filter lets it in.
    source.Append();
    source.FieldByName("ID").SetAsString("3");
    source.FieldByName("KOL").SetAsInteger(30);
    source.Post();
    EXPECT_EQ(Values(source, "ID"), "1,2,3,4,5");
    EXPECT_EQ(sourceEvents.Take(),
              "insert? 4; inserted 4; current 4; state Insert; changed 4; changed 4; changed 4; "
              "move? 4>2; moved 4>2; current 2; state Browse");
    EXPECT_EQ(Values(clone, "ID"), "1,2,4,3");
    EXPECT_EQ(cloneEvents.Take(), "insert? 3; inserted 3");

    // A new record through the clone lands in order in the source.
    clone.Append();
    clone.FieldByName("ID").SetAsString("0");
    clone.FieldByName("KOL").SetAsInteger(99);
    clone.Post();
    EXPECT_EQ(Values(source, "ID"), "0,1,2,3,4,5");
    EXPECT_EQ(sourceEvents.Take(), "insert? 0; inserted 0; current 3");
    EXPECT_EQ(Values(clone, "ID"), "1,2,4,3,0");  // shown while not filtered again
    cloneEvents.Take();

    // An edit through the clone: the source repaints the row, and its
    // current record reads the new value.
    ASSERT_TRUE(source.Locate("ID", Text("4"), 0));
    sourceEvents.Take();
    ASSERT_TRUE(clone.Locate("ID", Text("4"), 0));
    clone.Edit();
    clone.FieldByName("NAME").SetAsString("changed");
    clone.Post();
    EXPECT_EQ(sourceEvents.Take(), "changed 4");
    EXPECT_EQ(source.FieldByName("NAME").AsString(), "changed");

    // An edit through the source makes "5" pass the clone's filter.
    cloneEvents.Take();
    ASSERT_TRUE(source.Locate("ID", Text("5"), 0));
    source.Edit();
    source.FieldByName("KOL").SetAsInteger(5);
    source.Post();
    EXPECT_EQ(Values(clone, "ID"), "1,2,4,3,0,5");
    EXPECT_EQ(cloneEvents.Take(), "insert? 5; inserted 5");
}

// Another sharer's pending work survives what one sharer does, or ends
// cleanly when its record goes.
TEST(SharedStore, PendingEditsFollowTheStore) {
    TRidovTable source;
    BuildTable(source, kColumns, kRows);
    TRidovTable clone;
    clone.SetCloneDS(&source);
    clone.Open();

    // The record the source edits is deleted through the clone: the edit
    // ends, nothing is posted into the dead record.
    ASSERT_TRUE(source.Locate("ID", Text("2"), 0));
    source.Edit();
    source.FieldByName("NAME").SetAsString("lost");
    ASSERT_TRUE(clone.Locate("ID", Text("2"), 0));
    clone.Delete();
    EXPECT_EQ(source.State(), DataSetState::Browse);
    source.Post();
    EXPECT_EQ(Values(source, "NAME"), "a,d,e");

    // The source inserts before "4" while the clone deletes "1": the new
    // row moves up with the rows after it and is posted as usual.
    ASSERT_TRUE(source.Locate("ID", Text("4"), 0));
    source.Insert();
    EXPECT_EQ(source.CurrentRow(), 1);
    ASSERT_TRUE(clone.Locate("ID", Text("1"), 0));
    clone.Delete();
    EXPECT_EQ(source.CurrentRow(), 0);
    EXPECT_EQ(source.RowCount(), 3);
    source.FieldByName("ID").SetAsString("9");
    source.Post();
    EXPECT_EQ(Values(source, "ID"), "4,5,9");
    EXPECT_EQ(Values(clone, "ID"), "4,5,9");
}

// A cancelled edit gives back the before-image it took, unless the record
// was posted through another sharer meanwhile or another sharer's edit of
// it is still pending: reverting all changes must still restore it.
TEST(SharedStore, CancelledEditKeepsABeforeImageOthersNeed) {
    struct Case {
        const char* name;
        bool otherPostsFirst;
    };
    for (const Case& c :
         {Case{"other posted, then cancel", true}, Case{"cancel, then other posts", false}}) {
        SCOPED_TRACE(c.name);
        TRidovTable source;
        BuildTable(source, kColumns, kRows);
        source.CommitChanges();
        TRidovTable clone;
        clone.SetCloneDS(&source);
        clone.Open();

        ASSERT_TRUE(source.Locate("ID", Text("2"), 0));
        source.Edit();  // takes the before-image
        ASSERT_TRUE(clone.Locate("ID", Text("2"), 0));
        clone.Edit();
        clone.FieldByName("KOL").SetAsInteger(99);
        if (c.otherPostsFirst) {
            clone.Post();
            source.Cancel();
        } else {
            source.Cancel();
            clone.Post();
        }
        EXPECT_EQ(Values(source, "KOL"), "10,99,40,50");
        clone.CancelChanges();
        EXPECT_EQ(Values(source, "KOL"), "10,20,40,50");
        EXPECT_EQ(Values(clone, "KOL"), "10,20,40,50");
    }
}

// Emptying the table through one sharer resets every view of the store.
TEST(SharedStore, EmptyTableResetsEveryView) {
    TRidovTable source;
    BuildTable(source, kColumns, kRows);
    TRidovTable clone;
    clone.SetCloneDS(&source);
    clone.Open();
    ViewRecorder sourceEvents(source, "ID");
    ViewRecorder cloneEvents(clone, "ID");
    clone.Edit();
    clone.EmptyTable();
    EXPECT_EQ(sourceEvents.Take(), "reset?; reset; current -1");
    EXPECT_EQ(cloneEvents.Take(), "state Edit; changed 0; state Browse; reset?; reset; current -1");
    EXPECT_EQ(source.RowCount(), 0);
    EXPECT_EQ(clone.RowCount(), 0);
}

}  // namespace
}  // namespace ridov::testing
