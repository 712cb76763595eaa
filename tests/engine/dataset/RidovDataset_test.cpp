#include "engine/dataset/RidovDataset.h"

#include <gtest/gtest.h>

#include "engine/dataset/RidovBlobStream.h"
#include "support/DatasetFixture.h"

namespace ridov::testing {
namespace {

const std::vector<Column> kOrder = {{"ID", DataType::String, 20}, {"KOL", DataType::Integer}};

class DatasetTest : public ::testing::Test {
  protected:
    void SetUp() override { BuildTable(t, kOrder, {{"A", "1"}, {"B", "2"}, {"C", "3"}}); }
    TRidovTable t;
};

TEST_F(DatasetTest, NavigatesWithEofBofAndClampsRecNo) {
    std::string seen;
    for (t.First(); !t.Eof(); t.Next()) seen += t.FieldByName("ID").AsStringView();
    EXPECT_EQ(seen, "ABC");
    EXPECT_EQ(t.RecNo(), 3);
    t.Last();
    EXPECT_TRUE(t.Eof());
    for (seen.clear(); !t.Bof(); t.Prior()) seen += t.FieldByName("ID").AsString();
    EXPECT_EQ(seen, "CBA");

    struct Case {
        int set, expect;
    } cases[] = {{0, 1}, {-5, 1}, {2, 2}, {99, 3}};
    for (const Case& c : cases) {
        t.SetRecNo(c.set);
        EXPECT_EQ(t.RecNo(), c.expect) << c.set;
    }
    t.First();
    EXPECT_EQ(t.MoveBy(5), 2);
    EXPECT_TRUE(t.Eof());
    EXPECT_EQ(t.MoveBy(-1), -1);
    EXPECT_EQ(t.FieldByName("ID").AsString(), "B");
}

TEST_F(DatasetTest, BookmarksAndReadingOtherRowsKeepTheCurrentRecord) {
    t.SetRecNo(2);
    Bookmark b = t.GetBookmark();
    int scrolls = 0;
    t.afterScroll = [&](DataSet&) { ++scrolls; };
    EXPECT_EQ(Values(t, "ID"), "A,B,C");
    EXPECT_EQ(scrolls, 0);
    EXPECT_EQ(t.FieldByName("ID").AsString(), "B");
    t.Last();
    EXPECT_TRUE(t.BookmarkValid(b));
    t.GotoBookmark(b);
    EXPECT_EQ(t.RecNo(), 2);
    EXPECT_EQ(DataSet::CompareBookmarks(b, b), 0);
    EXPECT_LT(DataSet::CompareBookmarks(nullptr, b), 0);
    t.Delete();
    EXPECT_FALSE(t.BookmarkValid(b));
}

TEST_F(DatasetTest, ChangeCountFollowsEditsAndNotifiesOnZeroCrossings) {
    t.CommitChanges();
    int events = 0;
    t.onNeedToSaveChange = [&](TRidovDataset&) { ++events; };
    struct Step {
        const char* what;
        std::function<void()> run;
        int count, events;
    } steps[] = {
        {"edit+cancel",
         [&] {
             t.Edit();
             t.Cancel();
         },
         0, 2},
        {"edit+post",
         [&] {
             t.Edit();
             t.FieldByName("KOL").SetAsInteger(7);
             t.Post();
         },
         1, 3},
        {"second edit",
         [&] {
             t.Edit();
             t.FieldByName("KOL").SetAsInteger(8);
             t.Post();
         },
         2, 3},
        {"append+cancel",
         [&] {
             t.Append();
             t.Cancel();
         },
         2, 3},
        {"delete", [&] { t.Delete(); }, 3, 3},
        {"save to file", [&] { /* nothing counted */ }, 3, 3},
        {"commit", [&] { t.CommitChanges(); }, 0, 4},
    };
    for (const Step& s : steps) {
        s.run();
        EXPECT_EQ(t.ChangeCount(), s.count) << s.what;
        EXPECT_EQ(events, s.events) << s.what;
    }
}

TEST_F(DatasetTest, CancelledEditKeepsEarlierPostedState) {
    t.Append();
    t.FieldByName("ID").SetAsString("N");
    t.Post();
    RecordNode* fresh = const_cast<RecordNode*>(t.GetBookmark());
    t.Edit();
    t.FieldByName("ID").SetAsString("X");
    t.Cancel();
    EXPECT_EQ(fresh->status, rsInserted);
    EXPECT_EQ(t.Cursor()->BeforeImage(fresh), nullptr);
    EXPECT_EQ(t.FieldByName("ID").AsString(), "N");

    t.CommitChanges();
    t.First();
    t.Edit();
    t.FieldByName("KOL").SetAsInteger(10);
    t.Post();
    t.Edit();
    t.FieldByName("KOL").SetAsInteger(20);
    t.Cancel();
    EXPECT_EQ(t.FieldByName("KOL").AsInteger(), 10);
    EXPECT_EQ(t.GetUpdateStatus(), UpdateStatus::Modified);
    EXPECT_EQ(std::get<int64_t>(t.FieldByName("KOL").OldValue()), 1);
}

TEST_F(DatasetTest, KeyViolationLeavesTheUserInTheirEdit) {
    t.checkKeyViolation = true;
    t.uniqueFieldNames = "ID";
    t.Append();
    t.FieldByName("ID").SetAsString("B");
    t.FieldByName("KOL").SetAsInteger(9);
    EXPECT_EQ(ErrorOf([&] { t.Post(); }), "Error saving new record: Key violation");
    EXPECT_EQ(t.State(), DataSetState::Insert);
    EXPECT_EQ(t.FieldByName("KOL").AsInteger(), 9);
    t.Cancel();
    EXPECT_EQ(t.RecordCount(), 3);

    t.First();
    t.Edit();
    t.FieldByName("ID").SetAsString("C");
    EXPECT_EQ(ErrorOf([&] { t.Post(); }), "Error saving record: Key violation");
    EXPECT_EQ(t.State(), DataSetState::Edit);
    t.FieldByName("ID").SetAsString("A");  // its own value is no violation
    t.Post();
}

TEST_F(DatasetTest, InsertInOrderPlacesBeforeEqualKeys) {
    struct Case {
        TRidovSortOptions options;
        const char* id;
        const char* expectIds;
        int expectRecNo;
    } cases[] = {
        {vsoInsertInOrder, "B", "A,B,B,C", 2},
        {vsoInsertInOrder | vsoDescendSort, "B", "C,B,B,A", 2},
        {vsoInsertInOrder, "Z", "A,B,C,Z", 4},
        {0, "B", "A,B,C,B", 4},
    };
    for (const Case& c : cases) {
        BuildTable(t, kOrder, {{"C", "3"}, {"A", "1"}, {"B", "2"}});
        t.SetIndexFieldNames("ID");
        t.SetSortOptions(c.options);
        t.Append();
        t.FieldByName("ID").SetAsString(c.id);
        t.FieldByName("KOL").SetAsInteger(99);
        t.Post();
        EXPECT_EQ(Values(t, "ID"), c.expectIds) << int(c.options) << c.id;
        EXPECT_EQ(t.RecNo(), c.expectRecNo);
        EXPECT_EQ(t.FieldByName("KOL").AsInteger(), 99);
    }
    // A record appended out of order no longer counts as sorted.
    EXPECT_FALSE(t.ViewSorted());
}

TEST(DatasetNulls, FollowTheTypeRules) {
    TRidovTable t;
    BuildTable(t,
               {{"I", DataType::Integer},
                {"D", DataType::Date},
                {"S", DataType::String, 8},
                {"L", DataType::String, 80},
                {"B", DataType::Boolean},
                {"T", DataType::Time},
                {"M", DataType::Memo}},
               {{}});
    t.First();
    struct Case {
        const char* field;
        bool null;
        const char* text;
    } cases[] = {{"I", false, "0"},     {"D", true, ""},         {"S", true, ""}, {"L", true, ""},
                 {"B", false, "False"}, {"T", false, "0:00:00"}, {"M", true, ""}};
    for (const Case& c : cases) {
        EXPECT_EQ(t.FieldByName(c.field).IsNull(), c.null) << c.field;
        EXPECT_EQ(t.FieldByName(c.field).AsString(), c.text) << c.field;
    }
    t.Edit();
    t.FieldByName("S").SetAsString("123456789");  // cut to the declared size
    t.FieldByName("L").SetAsString("long");
    t.FieldByName("D").SetAsString("01.02.2003");
    t.Post();
    EXPECT_EQ(t.FieldByName("S").AsString(), "12345678");
    EXPECT_EQ(t.FieldByName("L").AsString(), "long");
    EXPECT_EQ(t.FieldByName("D").AsString(), "01.02.2003");
    t.Edit();
    t.FieldByName("L").SetAsString("");
    t.Post();
    EXPECT_TRUE(t.FieldByName("L").IsNull());

    t.EmptyTable();
    EXPECT_TRUE(t.FieldByName("I").IsNull());  // no record at all
    t.Append();
    EXPECT_FALSE(t.FieldByName("I").IsNull());
    t.Cancel();
}

TEST_F(DatasetTest, RefusalsCarryTheirMessages) {
    Field& kol = t.FieldByName("KOL");
    EXPECT_EQ(ErrorOf([&] { kol.SetAsInteger(1); }), "Table is not in edit or insert mode");
    t.Edit();
    EXPECT_EQ(ErrorOf([&] { kol.SetAsString("x1"); }), "'x1' is not a valid integer value");
    kol.readOnly = true;
    kol.SetDisplayLabel("Quantity");
    EXPECT_EQ(ErrorOf([&] { kol.SetAsInteger(1); }), "Field 'Quantity' is read only!");
    t.Cancel();

    t.SetReadOnly(true);
    EXPECT_EQ(ErrorOf([&] { t.Edit(); }), "Read-only record cannot be changed");
    EXPECT_EQ(ErrorOf([&] { t.Delete(); }), "Read-only record cannot be deleted");
    EXPECT_EQ(ErrorOf([&] { t.Append(); }), "You have read only access, you can not add records!");
    EXPECT_EQ(t.State(), DataSetState::Browse);
    t.SetReadOnly(false);

    t.EmptyTable();
    EXPECT_EQ(ErrorOf([&] { t.Delete(); }), "Number of records is equal to 0");
    EXPECT_EQ(ErrorOf([&] { t.SetIndexFieldNames("NOPE"); }), "Field 'NOPE' not found");
    EXPECT_EQ(t.IndexFieldNames(), "");
    try {
        t.Edit();
        t.Post();
    } catch (const DatabaseError& e) {
        ADD_FAILURE() << e.what();
    }
}

TEST(DatasetCalc, CalculatedFieldsAreComputedPerRecordAndReadOnlyForData) {
    TRidovTable t;
    Field& twice = t.AddCalculatedField("TWICE", DataType::Integer);
    Field& label = t.AddCalculatedField("LABEL", DataType::String, 10);
    std::string error;
    t.onCalcFields = [&](DataSet& ds) {
        twice.SetAsInteger(ds.FieldByName("KOL").AsInteger() * 2);
        int kol = ds.FieldByName("KOL").AsInteger();
        if (kol >= 5) {
            label.SetAsString("");  // assigned, though empty
        } else if (kol > 1) {
            label.SetAsString("big");
        }
        error = ErrorOf([&] { ds.FieldByName("KOL").SetAsInteger(0); });
    };
    BuildTable(t, kOrder, {{"A", "1"}, {"B", "2"}});
    EXPECT_EQ(Values(t, "TWICE"), "2,4");
    t.First();
    EXPECT_TRUE(label.IsNull());
    t.Next();
    EXPECT_EQ(label.AsString(), "big");
    EXPECT_EQ(error, "Cannot edit CalcFields");
    EXPECT_EQ(ErrorOf([&] { t.SetIndexFieldNames("TWICE"); }),
              "There are calc or BLOB fields in list of key fields");
    t.Edit();
    t.FieldByName("KOL").SetAsInteger(5);
    EXPECT_EQ(twice.AsInteger(), 10);
    t.Post();
    EXPECT_FALSE(label.IsNull());
    EXPECT_EQ(label.AsString(), "");
    t.Close();
    t.Open();  // an lmClear table starts empty again; its own fields stay
    t.Append();
    t.FieldByName("KOL").SetAsInteger(3);
    t.Post();
    EXPECT_EQ(Values(t, "TWICE"), "6");
}

TEST(DatasetBlob, StreamsWriteBackOnDestruction) {
    TRidovTable t;
    BuildTable(t, {{"ID", DataType::Integer}, {"PIC", DataType::Blob}}, {{"1"}});
    Field& pic = t.FieldByName("PIC");
    EXPECT_EQ(ErrorOf([&] { t.CreateBlobStream(pic, BlobStreamMode::Write); }),
              "Table is not in edit or insert mode");
    t.Edit();
    {
        auto s = t.CreateBlobStream(pic, BlobStreamMode::Write);
        s->Write("\x01\x00\x02", 3);
    }
    t.Post();
    EXPECT_EQ(pic.AsBytes(), std::string_view("\x01\x00\x02", 3));
    auto r = t.CreateBlobStream(pic, BlobStreamMode::Read);
    char buf[8];
    EXPECT_EQ(r->Read(buf, sizeof buf), 3u);
}

}  // namespace
}  // namespace ridov::testing
