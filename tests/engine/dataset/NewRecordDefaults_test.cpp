#include "engine/dataset/NewRecordDefaults.h"

#include <gtest/gtest.h>

#include "engine/storage/RidovCursor.h"
#include "engine/storage/RidovSession.h"
#include "support/DatasetFixture.h"

namespace ridov::testing {
namespace {

class FixedClock : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetUniqueCodeCounter();
        SetLocalClock([this] { return now; });
    }
    void TearDown() override {
        SetLocalClock(nullptr);
        ResetUniqueCodeCounter();
    }
    LocalClockTime now{2000, 11, 1, 0, 0, 0, 0};
};

TEST_F(FixedClock, GeneratedCodes) {
    EXPECT_EQ(GenerateUniqueCode(now), "00000000");
    EXPECT_EQ(GenerateUniqueCode(now), "00000001");  // same millisecond, next counter

    std::optional<int> counter;
    // 2000-11-02 01:02:03.450, first code: hours 25 = "00P"; 2 * 60 + 3 =
    // 123 = "1z"; counter 1 * 60 + 2 = 62, 1922 * 45 + 62 = 86552 = "MW0".
    EXPECT_EQ(GenerateUniqueCode({2000, 11, 2, 1, 2, 3, 450}, counter), "00P1zMW0");
    EXPECT_EQ(*counter, 62);
    counter = 3843;  // wraps to 0
    EXPECT_EQ(GenerateUniqueCode({2000, 11, 1, 0, 0, 0, 0}, counter), "00000000");
    // Before the epoch the code still uses the alphabet only.
    std::string early = GenerateUniqueCode({1999, 1, 1, 0, 0, 0, 0}, counter);
    EXPECT_EQ(early.size(), 8u);
    EXPECT_EQ(
        early.find_first_not_of("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"),
        std::string::npos);
}

TEST_F(FixedClock, DefaultsFillNewRecordsBeforeOnNewRecord) {
    TempDir dir;
    {
        // Defaults stored with the fields in the image.
        TRidovCursor store(TRidovSession::Instance());
        struct Def {
            const char* name;
            FieldType type;
            int size;
            const char* expr;
        } defs[] = {{"D", ftDate, 0, "TODAY"},         {"S", ftSmallStr, 10, "TODAY"},
                    {"T", ftTime, 0, "NOW"},           {"DT", ftDateTime, 0, "NOW"},
                    {"CODE", ftSmallStr, 8, "UNICOD"}, {"N", ftInteger, 0, "42"},
                    {"BAD", ftInteger, 0, "TODAY"}};
        for (const Def& d : defs) store.AddField(d.name, d.type, d.size).defaultExpr = d.expr;
        std::string message;
        ASSERT_TRUE(store.WriteFile(dir.File("d.zv"), 0, false, "", message)) << message;
    }
    now = {2024, 3, 5, 13, 14, 15, 160};
    TRidovTable t;
    t.SetTableName(dir.File("d.zv"));
    std::string seenInEvent;
    t.onNewRecord = [&](DataSet& ds) { seenInEvent = ds.FieldByName("N").AsString(); };
    t.Open();
    t.Append();
    EXPECT_EQ(t.FieldByName("D").AsString(), "05.03.2024");
    EXPECT_EQ(t.FieldByName("S").AsString(), "TODAY");
    EXPECT_EQ(t.FieldByName("T").AsString(), "13:14:15");
    EXPECT_EQ(t.FieldByName("DT").AsString(), "05.03.2024 13:14:15");
    EXPECT_EQ(t.FieldByName("CODE").AsString().size(), 8u);
    EXPECT_EQ(seenInEvent, "42");
    EXPECT_TRUE(t.FieldByName("BAD").AsInteger() == 0);
    std::string first = t.FieldByName("CODE").AsString();
    t.Post();
    t.Append();
    EXPECT_NE(t.FieldByName("CODE").AsString(), first);
    t.Cancel();
}

}  // namespace
}  // namespace ridov::testing
