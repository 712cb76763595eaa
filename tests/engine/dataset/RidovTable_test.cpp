#include "engine/dataset/RidovTable.h"

#include <gtest/gtest.h>

#include "engine/storage/RidovDatabase.h"
#include "engine/storage/RidovSession.h"
#include "platform/Platform.h"
#include "support/DatasetFixture.h"

namespace ridov::testing {
namespace {

const std::vector<Column> kOrder = {{"ID", DataType::String, 20}, {"KOL", DataType::Integer}};

TEST(RidovTable, ClearModeBuildsTheImageFromDefinitions) {
    TempDir dir;
    TRidovTable t;
    EXPECT_EQ(ErrorOf([&] { t.Open(); }), "Error creating table (no field descriptions)");
    EXPECT_FALSE(t.Active());
    t.Defs().Add("ID", DataType::String, 20);
    t.Defs().Add("KOL", DataType::Integer);
    t.Defs().Add("MY NAME", DataType::String, 36);
    t.Defs().Add("W", DataType::Word);
    t.Defs().Add("U", DataType::Unknown);
    t.Open();
    EXPECT_EQ(t.RecordCount(), 0);
    t.SaveToFile(dir.File("z.zv"));
    // ImageSize 72, "S", RecordCount 0, FieldCount 5, DescriptionLength 55.
    // The field of no engine type was declared a bare "s", which reads
    // back as a String of 100.
    const std::string expected = std::string("\x48\0\0\0S\0\0\0\0\x05\0\0\0\x37\0\0\0", 17) +
                                 "XXX.ID K\x12XXX.KOL i\x12XXX.MY_NAME s36\x12XXX.W l\x12"
                                 "XXX.U s100\x12\x14";
    EXPECT_EQ(ReadFile(dir.File("z.zv")), expected);

    t.Append();
    t.FieldByName("ID").SetAsString("A");
    t.Post();
    t.Refresh();  // an lmClear table starts again empty
    EXPECT_EQ(t.RecordCount(), 0);

    // A size no field entry can carry is refused, not written unreadable.
    TRidovTable huge;
    huge.Defs().Add("T", DataType::String, 40000);
    EXPECT_EQ(ErrorOf([&] { huge.Open(); }),
              "Error creating table: Field 'T' has wrong size 40000");
}

TEST(RidovTable, FileModeResolvesNamesAndReportsFailures) {
    TempDir dir;
    WriteTableFile(dir.File("o.zv"), kOrder, {{"A", "1"}, {"B", "2"}});
    TRidovDatabase db;
    db.SetDatabasePath(dir.Path());
    TRidovTable t;
    t.SetTableName(dir.File("o.zv"));
    EXPECT_EQ(t.LoadMode(), lmFile);
    t.SetDatabase(&db);
    EXPECT_EQ(t.TableName(), "o.zv");  // cut to the file name
    // Joined with the system's own separator: '/' on Linux, '\' on Windows.
    const std::string folder = dir.Path() + platform::CurrentPlatform().PathSeparator();
    EXPECT_EQ(t.FullTableName(), folder + "o.zv");
    t.Open();
    EXPECT_EQ(Values(t, "ID"), "A,B");
    t.Close();

    t.SetTableName("missing.zv");
    EXPECT_EQ(ErrorOf([&] { t.Open(); }), "Error opening file " + folder + "missing.zv");

    // A damaged file leaves the table closed without a record store.
    std::string image = ReadFile(dir.File("o.zv"));
    image[4] = 'Q';
    { std::ofstream(dir.File("bad.zv"), std::ios::binary) << image; }
    t.SetTableName("bad.zv");
    EXPECT_EQ(ErrorOf([&] { t.Open(); }), "Error opening table: Buffer structure corruption!");
    EXPECT_FALSE(t.Active());
    EXPECT_EQ(t.Cursor(), nullptr);

    t.SetTableName("");
    EXPECT_EQ(t.LoadMode(), lmClear);
}

TEST(RidovTable, CommentAndEditsAreWrittenBySaveChanges) {
    TempDir dir;
    std::string path = dir.File("o.zv");
    WriteTableFile(path, kOrder, {{"A", "1"}});
    TRidovTable t;
    t.SetTableName(path);
    t.Open();
    EXPECT_EQ(ErrorOf([&] {
                  TRidovTable closed;
                  (void)closed.Comment();
              }),
              "Cannot perform this operation on a closed dataset");
    t.SetComment("Klient=X");
    t.SaveChanges();
    t.Close();
    t.Open();
    EXPECT_EQ(t.Comment(), "Klient=X");

    t.Append();
    t.FieldByName("ID").SetAsString("B");
    t.FieldByName("KOL").SetAsInteger(5);
    t.SaveChanges();  // posts the pending record, then writes
    TRidovTable check;
    check.SetTableName(path);
    check.Open();
    EXPECT_EQ(Values(check, "KOL"), "1,5");
}

TEST(RidovTable, ClonesShareRecordsButNotTheirView) {
    TempDir dir;
    std::string path = dir.File("price.zv");
    WriteTableFile(path, kOrder, {{"B", "2"}, {"A", "1"}, {"C", "3"}});
    TRidovTable price;
    price.SetTableName(path);
    TRidovTable clone;
    clone.SetCloneDS(&price);
    EXPECT_EQ(clone.LoadMode(), lmClone);
    EXPECT_EQ(ErrorOf([&] { clone.Open(); }), "Cloned table is not active!");
    price.Open();
    clone.Open();
    clone.SetIndexFieldNames("ID");
    EXPECT_EQ(Values(clone, "ID"), "A,B,C");
    EXPECT_EQ(Values(price, "ID"), "B,A,C");
    EXPECT_EQ(ErrorOf([&] { price.Close(); }),
              "Cloned tables are not closed before source dataset is closed!");
    EXPECT_TRUE(price.Active());

    clone.First();
    clone.Edit();
    clone.FieldByName("KOL").SetAsInteger(10);
    clone.SaveChanges();  // writes the source's file
    EXPECT_EQ(price.ChangeCount(), 0);
    TRidovTable check;
    check.SetTableName(path);
    check.Open();
    EXPECT_EQ(Values(check, "KOL"), "2,10,3");

    // Reloading the source closes its clones instead of leaving them on
    // freed records.
    price.Refresh();
    EXPECT_FALSE(clone.Active());
    clone.Open();
    EXPECT_EQ(clone.RecordCount(), 3);
}

TEST(RidovTable, ForgetsASourceOrDatabaseThatGoesAway) {
    TRidovTable clone;
    {
        TRidovTable source;
        BuildTable(source, kOrder, {{"A", "1"}});
        clone.SetCloneDS(&source);
        clone.Open();
    }
    EXPECT_FALSE(clone.Active());
    EXPECT_EQ(clone.CloneDS(), nullptr);
    EXPECT_EQ(clone.LoadMode(), lmClear);

    TRidovTable t;
    {
        TRidovDatabase db;
        t.SetDatabase(&db);
        BuildTable(t, kOrder, {});
        EXPECT_TRUE(t.Active());
    }
    EXPECT_FALSE(t.Active());
    EXPECT_EQ(t.Database(), nullptr);
}

TEST(RidovTable, StreamModeReadsTheCallersBytes) {
    TempDir dir;
    WriteTableFile(dir.File("o.zv"), kOrder, {{"A", "1"}});
    TRidovTable t;
    t.SetLoadMode(lmStream);
    EXPECT_EQ(ErrorOf([&] { t.Open(); }), "Loading stream is not assigned");
    std::string image = ReadFile(dir.File("o.zv"));
    ByteStream stream;
    stream.bytes.assign(3, 0xEE);  // the image starts at the position
    stream.bytes.insert(stream.bytes.end(), image.begin(), image.end());
    stream.position = 3;
    t.loadStream = &stream;
    t.Open();
    EXPECT_EQ(Values(t, "ID"), "A");
    t.Append();
    t.Post();
    t.SaveChanges();  // nothing to write to for a stream table
    EXPECT_EQ(ReadFile(dir.File("o.zv")), image);
}

TEST(RidovTable, PartialOpenShowsWhatCouldBeRead) {
    TempDir dir;
    WriteTableFile(dir.File("o.zv"), kOrder, {{"A", "1"}, {"B", "2"}});
    std::string image = ReadFile(dir.File("o.zv"));
    image.resize(image.size() - 2);
    { std::ofstream(dir.File("cut.zv"), std::ios::binary) << image; }
    TRidovTable t;
    t.SetTableName(dir.File("cut.zv"));
    EXPECT_NE(ErrorOf([&] { t.Open(); }).find("Error opening table: "), std::string::npos);
    t.partialOpen = true;
    t.Open();
    EXPECT_EQ(Values(t, "ID"), "A");
    EXPECT_FALSE(t.LoadMessage().empty());
}

}  // namespace
}  // namespace ridov::testing
