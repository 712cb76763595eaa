// A detail table restricted to the records of its master's current record.
#include <gtest/gtest.h>

#include "engine/dataset/DataSource.h"
#include "support/DatasetFixture.h"

namespace ridov::testing {
namespace {

class MasterDetailTest : public ::testing::Test {
  protected:
    TRidovTable master;
    TRidovTable detail;
    DataSource source{&master};

    void SetUp() override {
        BuildTable(master, {{"ID", DataType::String, 8}}, {{"1"}, {"2"}, {"3"}});
        BuildTable(detail, {{"ID", DataType::String, 8}, {"N", DataType::Integer}},
                   {{"2", "20"}, {"1", "10"}, {"2", "21"}, {"1", "11"}, {"2", "22"}});
        detail.SetRangeFieldNames("ID");
        detail.SetMasterFields("ID");
        detail.SetMasterSource(&source);
    }
};

TEST_F(MasterDetailTest, DetailFollowsTheMastersCurrentRecord) {
    const char* expected[] = {"10,11", "20,21,22", ""};
    master.First();
    for (const char* n : expected) {
        EXPECT_EQ(Values(detail, "N"), n) << master.FieldByName("ID").AsString();
        EXPECT_TRUE(detail.RangeActive());
        master.Next();
    }
    // A detail opened under an open master starts restricted.
    master.First();
    detail.Close();
    detail.SetLoadMode(lmClear);
    detail.Open();
    detail.Append();  // the key comes from the master
    EXPECT_EQ(detail.FieldByName("ID").AsString(), "1");
    detail.FieldByName("N").SetAsInteger(12);
    detail.Post();
    EXPECT_EQ(Values(detail, "N"), "12");

    master.Close();
    EXPECT_FALSE(detail.RangeActive());
    EXPECT_EQ(detail.RecordCount(), 1);
}

TEST_F(MasterDetailTest, ClosingTheMasterCancelsTheRange) {
    master.Last();
    EXPECT_EQ(detail.RecordCount(), 0);
    master.Close();
    EXPECT_FALSE(detail.RangeActive());
    EXPECT_EQ(Values(detail, "N"), "20,10,21,11,22");
    master.Open();
    EXPECT_EQ(Values(detail, "N"), "");  // a fresh lmClear master is empty: empty key
}

TEST_F(MasterDetailTest, RefusesCircularLinks) {
    DataSource detailSource(&detail);
    EXPECT_EQ(ErrorOf([&] { master.SetMasterSource(&detailSource); }), "Circular data link");
    EXPECT_EQ(ErrorOf([&] { detail.SetMasterSource(&detailSource); }), "Circular data link");
    EXPECT_EQ(master.MasterSource(), nullptr);
    detail.SetMasterSource(nullptr);
    EXPECT_FALSE(detail.RangeActive());
    EXPECT_EQ(detail.RecordCount(), 5);
}

}  // namespace
}  // namespace ridov::testing
