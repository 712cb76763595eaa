#include <gtest/gtest.h>

#include <iterator>
#include <limits>

#include "engine/storage/RidovCursor.h"
#include "engine/storage/RidovSession.h"
#include "engine/storage/ValueSlot.h"
#include "tests/engine/storage/ImageBuilder.h"

using namespace ridov;
using testing_support::ImageBuilder;
using testing_support::Section;

namespace {

// A store over a given field section, with helpers to add and read records
// by text.
class StoreTest : public ::testing::Test {
  protected:
    TRidovSession session;
    TRidovCursor store{session, text::FormatSettings::Machine()};

    void Open(std::initializer_list<std::string_view> entries, ImageBuilder records = {},
              int32_t count = 0) {
        auto section = Section(entries);
        ImageBuilder b;
        b.Header(count, static_cast<int32_t>(entries.size()), section);
        b.bytes.insert(b.bytes.end(), records.bytes.begin(), records.bytes.end());
        std::string message;
        ASSERT_TRUE(store.ReadImage(b.bytes, message)) << message;
    }
    // Values by field order as text.
    RecordNode* Add(std::initializer_list<std::string_view> values) {
        auto buf = Buffer(values);
        std::string message;
        RecordNode* node = nullptr;
        EXPECT_TRUE(store.PostRecord(buf.Data(), nullptr, message, &node)) << message;
        return node;
    }
    ValueBuffer Buffer(std::initializer_list<std::string_view> values) {
        ridov::ValueBuffer buf(store.Layout());
        int i = 0;
        for (auto v : values) {
            const TRidovField& f = *store.FieldAt(i++);
            store.TextToValue(buf.Data() + f.offset, v, f);
        }
        return buf;
    }
    void Update(RecordNode* node, std::initializer_list<std::string_view> values) {
        ASSERT_TRUE(store.BeginEdit(node));
        auto buf = Buffer(values);
        std::string message;
        EXPECT_TRUE(store.PostRecord(buf.Data(), node, message)) << message;
    }
    std::string Get(const RecordNode* node, int field) {
        std::string out;
        store.FieldAsText(*store.FieldAt(field), node, out, true, false);
        return out;
    }
    // Live values of one field in store order.
    std::vector<std::string> Column(int field) {
        std::vector<std::string> out;
        for (const RecordNode* n : store.Nodes())
            if (n->IsLive()) out.push_back(Get(n, field));
        return out;
    }
    int LiveCount() {
        int n = 0;
        for (const RecordNode* node : store.Nodes()) n += node->IsLive();
        return n;
    }
};

TEST_F(StoreTest, StatusTransitions) {
    Open({"XXX.ID K", "XXX.NAME s40"});
    RecordNode* a = Add({"1", "one"});
    RecordNode* b = Add({"2", "two"});
    store.CommitAll();
    EXPECT_EQ(a->status, rsUnchanged);

    Update(a, {"1", "uno"});
    EXPECT_EQ(a->status, rsModified);
    std::string message;
    ASSERT_TRUE(store.DeleteRecord(a, message));
    EXPECT_EQ(a->status, rsDeleted);
    EXPECT_FALSE(store.DeleteRecord(a, message));
    EXPECT_EQ(message, "Record has been deleted");
    EXPECT_FALSE(store.PostRecord(a->values, a, message));
    EXPECT_EQ(message, "Record has been deleted");
    EXPECT_FALSE(store.BeginEdit(a));

    RecordNode* c = Add({"3", "three"});
    EXPECT_EQ(c->status, rsInserted);
    Update(c, {"3", "drei"});
    EXPECT_EQ(c->status, rsInserted) << "a new record stays new when changed";
    ASSERT_TRUE(store.DeleteRecord(c, message));
    EXPECT_EQ(c->status, rsRemoved) << "a new record is removed for good at once";
    EXPECT_EQ(c->values, nullptr);

    store.RevertAll();
    EXPECT_EQ(a->status, rsUnchanged);
    EXPECT_EQ(Get(a, 1), "one") << "edit, delete, revert restores the values before the edit";
    EXPECT_EQ(c->status, rsRemoved);
    EXPECT_EQ(Column(0), (std::vector<std::string>{"1", "2"}));

    ASSERT_TRUE(store.DeleteRecord(b, message));
    store.CommitAll();
    EXPECT_EQ(b->status, rsRemoved);
    std::vector<uint8_t> image;
    store.WriteImage(image);
    TRidovCursor back(session);
    ASSERT_TRUE(back.ReadImage(image, message)) << message;
    EXPECT_EQ(back.RecordCount(), 1u);

    RecordNode stranger;
    EXPECT_FALSE(store.PostRecord(a->values, &stranger, message));
    EXPECT_EQ(message, "Record is not found");
    EXPECT_FALSE(store.DeleteRecord(&stranger, message));
    EXPECT_EQ(message, "Record is not found");
}

// Before-images are kept by the store beside the nodes: taken once at the
// first edit, read by the old-value text, dropped by commit, revert, an
// explicit drop and Clear (the sanitizer build sees a leak or double free).
TEST_F(StoreTest, BeforeImagesLiveBesideTheNodes) {
    Open({"XXX.ID K", "XXX.NAME s40"});
    RecordNode* a = Add({"1", "one"});
    RecordNode* b = Add({"2", "two"});
    store.CommitAll();
    EXPECT_EQ(store.BeforeImage(a), nullptr);

    Update(a, {"1", "uno"});
    Update(a, {"1", "eins"});  // a second edit keeps the first image
    ASSERT_NE(store.BeforeImage(a), nullptr);
    std::string old;
    store.FieldAsText(*store.FieldAt(1), a, old, true, true);
    EXPECT_EQ(old, "one");
    EXPECT_EQ(Get(a, 1), "eins");
    store.CommitAll();
    EXPECT_EQ(store.BeforeImage(a), nullptr);

    Update(a, {"1", "later"});
    Update(b, {"2", "zwei"});
    store.DropBeforeImage(b);
    store.RevertAll();
    EXPECT_EQ(Get(a, 1), "eins") << "revert restores the committed values";
    EXPECT_EQ(store.BeforeImage(a), nullptr);
    EXPECT_EQ(Get(b, 1), "zwei") << "a dropped image restores nothing";

    Update(a, {"1", "pending"});
    store.Clear(false);  // frees the pending image with the records
    EXPECT_EQ(LiveCount(), 0);
}

TEST_F(StoreTest, RevertAndCommitOfInsertedRecords) {
    Open({"XXX.ID K"});
    Add({"1"});
    store.RevertAll();
    EXPECT_EQ(LiveCount(), 0);
    Add({"2"});
    store.CommitAll();
    store.RevertAll();
    EXPECT_EQ(Column(0), (std::vector<std::string>{"2"}));
}

TEST_F(StoreTest, RecordDeathHookSeesUserData) {
    Open({"XXX.ID K"});
    std::vector<void*> dead;
    store.onDestroyRecordData = [&](void** data) { dead.push_back(*data); };
    RecordNode* a = Add({"1"});
    store.UserData(a) = &dead;
    std::string message;
    ASSERT_TRUE(store.DeleteRecord(a, message));
    ASSERT_EQ(dead.size(), 1u);
    EXPECT_EQ(dead[0], &dead);
    EXPECT_EQ(store.UserData(a), nullptr);
}

TEST_F(StoreTest, AutoIncrementFollowsTheLargestValue) {
    ImageBuilder records;
    for (int32_t v : {5, 9, 7}) records.U8(4).U8(1).I32(v).Raw("x");
    Open({"XXX.N a", "XXX.X 1"}, records, 3);
    EXPECT_EQ(Column(0), (std::vector<std::string>{"5", "7", "9"}));
    RecordNode* fresh = Add({"100", "y"});
    EXPECT_EQ(Get(fresh, 0), "10") << "the counter replaces whatever the values held";
    std::string message;
    ASSERT_TRUE(store.DeleteRecord(fresh, message));
    EXPECT_EQ(Get(Add({"", "z"}), 0), "11") << "deleting never lowers the counter";
    store.Clear(false);
    EXPECT_EQ(Get(Add({"", "z"}), 0), "1");
}

TEST_F(StoreTest, ComparisonRules) {
    Open({"XXX.CODE 4", "XXX.FLAG b", "XXX.PRICE f", "XXX.NAME s20"});
    TRidovField& code = *store.FindField("CODE");
    auto a = Buffer({"9", "True", "1.5", "apple"});
    auto b = Buffer({"10", "False", "-2", "Banana"});
    code.rightAligned = 1;
    EXPECT_LT(TRidovCursor::CompareValues(a.Data(), b.Data(), code, false), 0)
        << "right-aligned: the shorter code first";
    code.rightAligned = 0;
    EXPECT_GT(TRidovCursor::CompareValues(a.Data(), b.Data(), code, false), 0)
        << "left-aligned: by characters";
    const TRidovField& flag = *store.FindField("FLAG");
    EXPECT_LT(TRidovCursor::CompareValues(a.Data(), b.Data(), flag, false), 0) << "true first";
    const TRidovField& name = *store.FindField("NAME");
    EXPECT_GT(TRidovCursor::CompareValues(a.Data(), b.Data(), name, false), 0)
        << "case-sensitive: upper case before lower case";
    EXPECT_LT(TRidovCursor::CompareValues(a.Data(), b.Data(), name, true), 0);
    auto empty = Buffer({"", "", "", ""});
    EXPECT_LT(TRidovCursor::CompareValues(empty.Data(), a.Data(), name, false), 0)
        << "no text sorts first";
    EXPECT_EQ(TRidovCursor::CompareValues(empty.Data(), empty.Data(), name, false), 0);
    // NaN never breaks the order: it sorts first and equals itself.
    const TRidovField& price = *store.FindField("PRICE");
    auto nan = Buffer({"", "", "", ""});
    slot::Store<double>(nan.Data() + price.offset, std::numeric_limits<double>::quiet_NaN());
    EXPECT_LT(TRidovCursor::CompareValues(nan.Data(), b.Data(), price, false), 0);
    EXPECT_GT(TRidovCursor::CompareValues(b.Data(), nan.Data(), price, false), 0);
    EXPECT_EQ(TRidovCursor::CompareValues(nan.Data(), nan.Data(), price, false), 0);
}

TEST_F(StoreTest, SortOrdersLiveRecordsAndKeepsDeletedOnesRevertible) {
    Open({"XXX.NAME s20", "XXX.N i"});
    Add({"cherry", "1"});
    RecordNode* gone = Add({"apple", "2"});
    Add({"Banana", "3"});
    store.CommitAll();
    std::string message;
    ASSERT_TRUE(store.DeleteRecord(gone, message));
    store.Sort("NAME", true);
    EXPECT_EQ(Column(0), (std::vector<std::string>{"Banana", "cherry"}));
    store.Sort("NAME", false);
    EXPECT_EQ(Column(0), (std::vector<std::string>{"Banana", "cherry"}));
    store.RevertAll();
    EXPECT_EQ(LiveCount(), 3);
    store.Sort(" nosuch ; NAME ", true);
    EXPECT_EQ(Column(0), (std::vector<std::string>{"apple", "Banana", "cherry"}));
}

// NumberGroups puts two live records in one group exactly when
// CompareRecords finds them equal, though it matches by a hash: keys that
// compare equal with different bytes (0.0 and -0.0, NaNs of different
// payloads, booleans 1 and -1) share a group, texts differing only in case
// do not, a missing text is not an empty one; deleted records take no part.
TEST_F(StoreTest, NumberGroupsMatchesTheComparison) {
    Open({"XXX.ID i", "XXX.S s8", "XXX.K 5", "XXX.F f", "XXX.I l", "XXX.B b"});
    const TRidovField& s = *store.FieldAt(1);
    const TRidovField& k = *store.FieldAt(2);
    const TRidovField& f = *store.FieldAt(3);
    const TRidovField& i = *store.FieldAt(4);
    const TRidovField& b = *store.FieldAt(5);
    ASSERT_EQ(f.type, ftDouble);
    ASSERT_EQ(b.type, ftBoolean);
    const char* const texts[] = {"", "ab", "AB", "Ab", "abc", "b", "\xC0\xE1"};
    const double doubles[] = {0.0,
                              -0.0,
                              1.5,
                              -1.5,
                              std::numeric_limits<double>::quiet_NaN(),
                              -std::numeric_limits<double>::quiet_NaN(),
                              1e300};
    const int16_t flags[] = {0, 1, -1};
    uint64_t seed = 12345;
    auto next = [&](size_t n) {
        seed = seed * 6364136223846793005ull + 1442695040888963407ull;
        return size_t((seed >> 33) % n);
    };
    NodeList nodes;
    std::string message;
    for (int id = 0; id < 3000; ++id) {
        ValueBuffer buf(store.Layout());
        slot::Store<int32_t>(buf.Data() + store.FieldAt(0)->offset, id);
        store.TextToValue(buf.Data() + s.offset, texts[next(std::size(texts))], s);
        store.TextToValue(buf.Data() + k.offset, texts[next(std::size(texts))], k);
        slot::Store<double>(buf.Data() + f.offset, doubles[next(std::size(doubles))]);
        slot::Store<int16_t>(buf.Data() + i.offset, int16_t(next(3)));
        slot::Store<int16_t>(buf.Data() + b.offset, flags[next(std::size(flags))]);
        RecordNode* node = nullptr;
        ASSERT_TRUE(store.PostRecord(buf.Data(), nullptr, message, &node)) << message;
        nodes.push_back(node);
        if (id == 1500) store.CommitAll();
    }
    // Deleted after the commit, removed before it.
    for (size_t n = 0; n < nodes.size(); n += 7) ASSERT_TRUE(store.DeleteRecord(nodes[n], message));

    std::vector<const RecordNode*> live;
    for (const RecordNode* n : store.Nodes())
        if (n->IsLive()) live.push_back(n);
    for (const char* names : {"S", "K", "F", "B", "K;F", "I;S", "F;S", "B;S;K;F;I", "ID"}) {
        SCOPED_TRACE(names);
        std::vector<TRidovField*> list;
        store.FieldList(names, list);
        std::vector<uint32_t> groupOf;
        const size_t groups = store.NumberGroups(list, groupOf);
        ASSERT_EQ(groupOf.size(), live.size());
        // Numbered by first appearance, and equal exactly when compared equal.
        uint32_t next = 0;
        for (size_t a = 0; a < live.size(); ++a) {
            if (groupOf[a] == next) ++next;
            ASSERT_LT(groupOf[a], next);
            for (size_t b = a + 1; b < live.size() && b < a + 400; ++b) {
                const bool equal =
                    TRidovCursor::CompareRecords(live[a]->values, live[b]->values, list) == 0;
                ASSERT_EQ(groupOf[a] == groupOf[b], equal) << a << " " << b;
            }
        }
        EXPECT_EQ(groups, size_t(next));
    }
}

TEST_F(StoreTest, HasDuplicate) {
    Open({"XXX.ID K", "XXX.KOL i"});
    RecordNode* a = Add({"A1", "1"});
    RecordNode* b = Add({"B2", "2"});
    auto probe = Buffer({"A1", "5"});
    EXPECT_TRUE(store.HasDuplicate(probe.Data(), nullptr, "ID"));
    EXPECT_FALSE(store.HasDuplicate(probe.Data(), a, "ID")) << "the record being changed";
    EXPECT_FALSE(store.HasDuplicate(probe.Data(), nullptr, "")) << "all fields compared";
    auto lower = Buffer({"a1", "5"});
    EXPECT_FALSE(store.HasDuplicate(lower.Data(), nullptr, "ID")) << "case matters";
    std::string message;
    ASSERT_TRUE(store.DeleteRecord(a, message));
    EXPECT_FALSE(store.HasDuplicate(probe.Data(), b, "ID")) << "deleted records do not count";
}

TEST_F(StoreTest, TextConversions) {
    Open({"XXX.B b", "XXX.I i", "XXX.L l", "XXX.D d", "XXX.S 3", "XXX.T s5", "XXX.O o", "XXX.F f"});
    struct Case {
        int field;
        const char* in;
        const char* out;
    };
    const Case cases[] = {
        {0, "\xE4\xe0", "Yes"},  // да
        {0, "yes", "Yes"},         {0, "T", "Yes"},
        {0, "1", "Yes"},           {0, "maybe", "No"},
        {1, "12x", "0"},           {1, "-42", "-42"},
        {2, "70000", "4464"},  // kept in 16 bits
        {3, "not a date", ""},     {3, "2001/09/11", "2001/09/11"},
        {4, "abcdef", "abc"},      {5, "truncated", "trunc"},
        {6, "bytes", "Not Found"}, {7, "2.5", "2.5"},
        {7, "1e3", "1000"},
    };
    ridov::ValueBuffer buf(store.Layout());
    for (const Case& c : cases) {
        const TRidovField& f = *store.FieldAt(c.field);
        store.TextToValue(buf.Data() + f.offset, c.in, f);
        std::string out;
        store.ValueAsText(f, buf.Data(), out, true);
        EXPECT_EQ(out, c.out) << f.name << " <- " << c.in;
    }
}

TEST_F(StoreTest, StoredSizeTracksChanges) {
    Open({"XXX.ID K", "XXX.NAME s80", "XXX.N i"});
    RecordNode* a = Add({"12", "hello", "0"});
    EXPECT_EQ(a->storedSize, 3u + 2 + (5 + 4));
    Update(a, {"12", "", "7"});
    EXPECT_EQ(a->storedSize, 3u + 2 + 4);
    store.RevertRecord(a);
    EXPECT_EQ(a->storedSize, 3u + 2 + 9);
}

}  // namespace
