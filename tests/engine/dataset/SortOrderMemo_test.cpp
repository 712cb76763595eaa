// A remembered sort order: taken for the unchanged file it was made for,
// never for changed contents, another sort, or a damaged memo.
#include "engine/dataset/SortOrderMemo.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>

#include "engine/storage/ContentHash.h"
#include "platform/Platform.h"
#include "support/DatasetFixture.h"

namespace ridov::testing {
namespace {

const std::vector<Column> kColumns = {{"NAME", DataType::String, 20}, {"N", DataType::Integer}};
const std::vector<std::vector<std::string>> kRows = {
    {"b", "1"}, {"C", "2"}, {"a", "3"}, {"B", "4"}, {"d", "5"}};
constexpr char kSorted[] = "3,1,4,2,5";  // a, b, B, C, d (b and B in either order)

// N over the view of `path` opened sorted by NAME ignoring case.
std::string OpenSorted(const std::string& path, TRidovSortOptions options = vsoCaseInsensitive) {
    TRidovTable t;
    t.SetTableName(path);
    t.SetIndexFieldNames("NAME");
    t.SetSortOptions(options);
    t.SetRememberSortOrder(true);
    t.Open();
    return Values(t, "N");
}

// b and B compare equal: their order among themselves is not defined.
bool SortedAsExpected(std::string shown) {
    if (shown == "3,4,1,2,5") shown = kSorted;
    return shown == kSorted;
}

// A memo for the file as it is now, holding `order`, written with the key
// the table uses.
void WriteMemo(const std::string& path, const RecordOrder& order) {
    // The signature is whatever the table computes: take it from the memo the
    // table wrote itself, which sits right after the fixed header.
    const std::string memo = ReadFile(SortOrderMemoPath(path));
    ASSERT_GE(memo.size(), 32u);
    uint32_t signatureLength;
    std::memcpy(&signatureLength, memo.data() + 28, 4);
    SortOrderKey key;
    const std::string image = ReadFile(path);
    key.imageSize = image.size();
    key.imageHash = ContentHash64({reinterpret_cast<const uint8_t*>(image.data()), image.size()});
    key.sortSignature = memo.substr(32, signatureLength);
    ASSERT_TRUE(
        WriteSortOrderMemo(platform::CurrentPlatform(), SortOrderMemoPath(path), key, order));
}

TEST(SortOrderMemo, TakenOnlyForTheContentsAndSortItWasMadeFor) {
    TempDir dir;
    const std::string path = dir.File("price.zv");
    WriteTableFile(path, kColumns, kRows);

    // The first open sorts and remembers.
    EXPECT_PRED1(SortedAsExpected, OpenSorted(path));
    ASSERT_TRUE(std::filesystem::exists(SortOrderMemoPath(path)));

    // A memo with the right key is believed: a valid but different order
    // shows that the next open takes it instead of sorting.
    WriteMemo(path, {4, 3, 2, 1, 0});
    EXPECT_EQ(OpenSorted(path), "5,4,3,2,1");

    // Another sort of the same file does not take it...
    EXPECT_EQ(OpenSorted(path, vsoCaseInsensitive | vsoDescendSort), "5,2,4,1,3");
    // ...and leaves the memo for its own order, which the first sort then
    // rewrites.
    EXPECT_PRED1(SortedAsExpected, OpenSorted(path));
    WriteMemo(path, {0, 1, 2, 3, 4});

    // Changed contents: one value edited and saved.
    {
        TRidovTable t;
        t.SetTableName(path);
        t.Open();
        t.Last();  // N = 5
        t.Edit();
        t.FieldByName("NAME").SetAsString("0");
        t.Post();
        t.SaveChanges();
    }
    const std::string shown = OpenSorted(path);
    EXPECT_TRUE(shown == "5,3,1,4,2" || shown == "5,3,4,1,2") << shown << ": not sorted again";
}

TEST(SortOrderMemo, DamagedOrForeignMemosAreIgnored) {
    TempDir dir;
    const std::string path = dir.File("price.zv");
    WriteTableFile(path, kColumns, kRows);
    EXPECT_PRED1(SortedAsExpected, OpenSorted(path));
    const std::string good = ReadFile(SortOrderMemoPath(path));

    auto write = [&](const std::string& bytes) {
        std::ofstream(SortOrderMemoPath(path), std::ios::binary | std::ios::trunc) << bytes;
    };
    struct Case {
        const char* what;
        std::function<void()> damage;
    };
    const Case cases[] = {
        {"truncated", [&] { write(good.substr(0, good.size() - 3)); }},
        {"a byte of the order changed",
         [&] {
             std::string bad = good;
             bad[bad.size() - 12] ^= 1;  // inside the last position
             write(bad);
         }},
        {"not a memo", [&] { write(std::string(good.size(), 'x')); }},
        {"a position twice, with a valid check",
         [&] {
             WriteMemo(path, {0, 0, 1, 2, 3});
         }},
        {"a position out of range",
         [&] {
             WriteMemo(path, {0, 1, 2, 3, 7});
         }},
        {"too few positions",
         [&] {
             WriteMemo(path, {0, 1, 2, 3});
         }},
        {"a memo of another table",
         [&] {
             const std::string other = dir.File("other.zv");
             WriteTableFile(other, kColumns,
                            {{"x", "1"}, {"y", "2"}, {"z", "3"}, {"w", "4"}, {"v", "5"}});
             OpenSorted(other);
             write(ReadFile(SortOrderMemoPath(other)));
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.damage();
        EXPECT_PRED1(SortedAsExpected, OpenSorted(path));
        EXPECT_PRED1(SortedAsExpected, OpenSorted(path)) << "the memo was written again";
    }
}

// Without the setting nothing is written beside the file.
TEST(SortOrderMemo, OnlyTablesThatAskForItRemember) {
    TempDir dir;
    const std::string path = dir.File("price.zv");
    WriteTableFile(path, kColumns, kRows);
    TRidovTable t;
    t.SetTableName(path);
    t.SetIndexFieldNames("NAME");
    t.SetSortOptions(vsoCaseInsensitive);
    t.Open();
    EXPECT_PRED1(SortedAsExpected, Values(t, "N"));
    EXPECT_FALSE(std::filesystem::exists(SortOrderMemoPath(path)));
}

}  // namespace
}  // namespace ridov::testing
