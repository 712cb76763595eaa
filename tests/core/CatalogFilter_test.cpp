// The catalog's filter row turned into the table's Filter text and the
// price-change key, and the price-change categories behind the price
// filter and the price markers.
#include "core/CatalogFilter.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "engine/text/Win1251.h"

namespace core {
namespace {

// A cell of a plain column: key and list field are the column's field.
FilterCell Plain(const char* field, const char* text) {
    return {field, field, field, text::Utf8ToCp1251(text), std::nullopt};
}
FilterCell Brand(const char* text, std::optional<std::string> key) {
    return {"BREND", "IDBREND", "BREND", text::Utf8ToCp1251(text), std::move(key)};
}
FilterCell Price(const char* text, std::optional<std::string> key) {
    return {"CENA", "CENA", "CENA", text::Utf8ToCp1251(text), std::move(key)};
}

struct FilterCase {
    const char* name;
    std::vector<FilterCell> cells;
    const char* filter;  // UTF-8
    std::optional<int> priceKey;
    const char* priceField;
};

const FilterCase kFilterCases[] = {
    {"EmptyRow", {Plain("ID", ""), Plain("NAME", ""), Price("", std::nullopt)}, "", {}, ""},
    {"NamePrefix", {Plain("NAME", "Фильтр")}, "NAME LIKE 'Фильтр*'", {}, ""},
    {"QuoteDoubled", {Plain("ARTIKUL", "O'B")}, "ARTIKUL LIKE 'O''B*'", {}, ""},
    {"NameAndBrandKeyUnquoted",
     {Plain("ID", ""), Plain("NAME", "Ф"), Brand("Mann", "17")},
     "NAME LIKE 'Ф*' AND IDBREND = '17'",
     {},
     ""},
    // The price cell adds no text, so no " AND " is left dangling.
    {"PriceBetweenTwoCells",
     {Plain("ARTIKUL", "A"), Price("Новинка", "2"), Plain("BREND", "")},
     "ARTIKUL LIKE 'A*'",
     2,
     "CENA"},
    {"PriceLast", {Plain("NAME", "F"), Price("Любое изменение", "3")}, "NAME LIKE 'F*'", 3, "CENA"},
    {"PriceOnly", {Price("Цена снижена", "0")}, "", 0, "CENA"},
    // A price text naming no key: nothing passes, what was built is dropped.
    {"PriceWithoutKey",
     {Plain("NAME", "F"), Price("Цена", std::nullopt), Plain("ID", "1")},
     "ID<>ID",
     {},
     "CENA"},
    {"BrandWithoutKey", {Plain("NAME", "F"), Brand("Nobody", std::nullopt)}, "ID<>ID", {}, ""},
    // The price key chosen before a failing brand cell stays in force.
    {"PriceThenBrandWithoutKey",
     {Price("Цена повышена", "1"), Brand("Nobody", std::nullopt)},
     "ID<>ID",
     1,
     "CENA"},
};

class CatalogFilterRules : public ::testing::TestWithParam<FilterCase> {};

TEST_P(CatalogFilterRules, BuildTheExactFilterText) {
    const FilterCase& c = GetParam();
    const CatalogFilterResult result = BuildCatalogFilter(c.cells);
    EXPECT_EQ(text::Cp1251ToUtf8(result.filter), c.filter);
    EXPECT_EQ(result.priceFilterKey, c.priceKey);
    EXPECT_EQ(result.priceFilterField, c.priceField);
}

INSTANTIATE_TEST_SUITE_P(FilterRow, CatalogFilterRules, ::testing::ValuesIn(kFilterCases),
                         [](const ::testing::TestParamInfo<FilterCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(QuoteFilterText, DoublesEverySingleQuote) {
    EXPECT_EQ(QuoteFilterText(""), "");
    EXPECT_EQ(QuoteFilterText("abc"), "abc");
    EXPECT_EQ(QuoteFilterText("O'B"), "O''B");
    EXPECT_EQ(QuoteFilterText("''x'"), "''''x''");
}

// Flags, the price field that set the filter, and what follows: category,
// marker image and the keys 0..3 that pass.
struct FlagCase {
    int flags;
    const char* priceField;
    int category;
    int image;
    const char* passing;  // the keys that pass, as digits
};

const FlagCase kFlagCases[] = {
    {0, "CENA", -1, 0, ""},
    {1, "CENA", 2, 4, "23"},
    {65, "CENA", 2, 4, "23"},  // the plus wins over the arrow
    {64, "CENA", 1, 3, "13"},
    {128, "CENA", 0, 2, "03"},
    {192, "CENA", 1, 3, "13"},  // both arrows: up
    {32, "CENA", -1, 0, ""},
    // Arrows count only when the filter came from the column named "CENA"
    // exactly; the marker does not depend on it.
    {128, "", -1, 2, ""},
    {128, "cena", -1, 2, ""},
    {129, "", 2, 4, "23"},
};

TEST(PriceChange, CategoryMarkerAndKeysPerFlags) {
    for (const FlagCase& c : kFlagCases) {
        SCOPED_TRACE(std::to_string(c.flags) + " " + c.priceField);
        EXPECT_EQ(PriceChangeCategory(c.flags, c.priceField), c.category);
        EXPECT_EQ(PriceMarkerImage(c.flags), c.image);
        std::string passing;
        for (int key = 0; key <= 3; ++key)
            if (PassesPriceFilter(c.flags, key, c.priceField)) passing += char('0' + key);
        EXPECT_EQ(passing, c.passing);
    }
}

TEST(PriceChange, TheFourKeysHaveDistinctCaptions) {
    const std::vector<PriceKeyCaption>& keys = core::PriceFilterKeys();
    ASSERT_EQ(keys.size(), 4u);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(keys[size_t(i)].key, i);
        EXPECT_FALSE(keys[size_t(i)].caption.isEmpty());
        for (int j = 0; j < i; ++j) EXPECT_NE(keys[size_t(i)].caption, keys[size_t(j)].caption);
    }
}

}  // namespace
}  // namespace core
