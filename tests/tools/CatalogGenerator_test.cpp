#include "tools/catalog/CatalogGenerator.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/storage/RidovCursor.h"
#include "engine/storage/RidovSession.h"
#include "engine/storage/ValueSlot.h"
#include "engine/text/FormatSettings.h"
#include "engine/text/Win1251.h"
#include "tools/catalog/CatalogTable.h"
#include "tools/catalog/CatalogText.h"

namespace catalog {
namespace {

using ridov::TRidovCursor;
using ridov::TRidovSession;

std::vector<std::string> Split(const std::string& s, char sep) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t at; (at = s.find(sep, start)) != std::string::npos; start = at + 1) {
        parts.push_back(s.substr(start, at - start));
    }
    parts.push_back(s.substr(start));
    return parts;
}

std::string Text(uint64_t seed, size_t count, const text::FormatSettings& fs) {
    CatalogGenerator generator(seed, count);
    return CatalogText(generator, fs);
}

TEST(CatalogGeneratorTest, SameSeedGivesSameBytes) {
    const auto& fs = text::FormatSettings::Russian();
    EXPECT_EQ(CatalogImage(7, 500), CatalogImage(7, 500));
    EXPECT_EQ(Text(7, 500, fs), Text(7, 500, fs));
    EXPECT_NE(CatalogImage(7, 500), CatalogImage(8, 500));
    EXPECT_NE(Text(7, 500, fs), Text(8, 500, fs));
}

// Benchmarks and fixtures made elsewhere depend on a seed meaning the same
// catalog everywhere; a change of the generator must be deliberate.
TEST(CatalogGeneratorTest, SeedFortyTwoIsPinned) {
    const std::string expected = text::Utf8ToCp1251(
        "395\tUI2455\t491\tПровода высоковольтные УАЗ 469 с 2007 г.\t1494,00\tесть\t1\t"
        "URALLINE\t0\tUI2455\tкомпл\r\n"
        "368\t2101-5602779\t413\tПровод автомобильный ПВАМ 1,5\t63,64\t6\t1\tURALPROM\t0\t"
        "21015602779\tм\r\n"
        "434\t0 986 763 015\t119\tЩетки генератора Chevrolet Cruze дв. 406\t567,50\tесть\t1\t"
        "DENSO\t0\t0986763015\tшт\r\n");
    EXPECT_EQ(Text(42, 3, text::FormatSettings::Russian()), expected);
}

// Every value fits its column and the import text, and the columns agree
// with each other the way a wholesaler's catalog does.
TEST(CatalogGeneratorTest, RowsAreWellFormedAndConsistent) {
    CatalogGenerator generator(2024, 30000);
    std::set<std::string> ids;
    std::map<int32_t, std::string> brandOf;
    std::set<std::string> names, brands;
    const std::set<int16_t> flags = {0, 1, 64, 128, 65};
    CatalogRow row;
    while (generator.Next(row)) {
        SCOPED_TRACE("ID " + row.id);
        ASSERT_GE(row.id.size(), 3u);
        ASSERT_LE(row.id.size(), 8u);
        ASSERT_EQ(row.id.find_first_not_of("0123456789"), std::string::npos);
        ASSERT_NE(row.id[0], '0');
        ASSERT_TRUE(ids.insert(row.id).second) << "duplicate code";

        for (const std::string* s : {&row.id, &row.artikul, &row.name, &row.nalichie, &row.brend,
                                     &row.artikul0, &row.edIzm}) {
            ASSERT_EQ(s->find_first_of(std::string("\t\r\n\0", 4)), std::string::npos) << *s;
        }
        ASSERT_LE(row.artikul.size(), 20u);
        ASSERT_FALSE(row.name.empty());
        ASSERT_LE(row.name.size(), 80u);
        ASSERT_LE(row.nalichie.size(), 4u);
        ASSERT_LE(row.brend.size(), 40u);
        ASSERT_FALSE(row.edIzm.empty());
        ASSERT_EQ(row.artikul0, ArticleKey(row.artikul));

        auto [it, fresh] = brandOf.emplace(row.idBrend, row.brend);
        ASSERT_EQ(it->second, row.brend) << "IDBREND " << row.idBrend << " names two brands";
        ASSERT_GT(row.cenaKopecks, 0);
        ASSERT_GE(row.kolUpak, 1);
        ASSERT_TRUE(flags.count(row.izmCena)) << row.izmCena;
        names.insert(row.name);
        brands.insert(row.brend);
    }
    EXPECT_EQ(ids.size(), 30000u);
    // One name per brand number both ways.
    EXPECT_EQ(brands.size(), brandOf.size());
    EXPECT_GE(brands.size(), 200u);
    EXPECT_GE(names.size(), 5000u);
}

TEST(CatalogGeneratorTest, CodesStayWithinEightDigitsAtTheLimit) {
    CatalogGenerator generator(1, kMaxCatalogRows);
    CatalogRow row;
    size_t longest = 0;
    // The codes are shuffled, so a sample of rows reaches the top range.
    for (int i = 0; i < 20000 && generator.Next(row); ++i)
        longest = std::max(longest, row.id.size());
    EXPECT_EQ(longest, 8u);
    EXPECT_THROW(CatalogGenerator(1, kMaxCatalogRows + 1), std::invalid_argument);
}

TEST(CatalogGeneratorTest, StoreHasCatalogColumnsAndCommittedRecords) {
    TRidovCursor store(TRidovSession::Instance());
    FillCatalog(store, 3, 200);
    struct Expected {
        const char* name;
        ridov::FieldType type;
        int size;
    };
    const Expected expected[] = {
        {"ID", ridov::ftSmallStr, 8},      {"ARTIKUL", ridov::ftSmallStr, 20},
        {"IDBREND", ridov::ftInteger, 0},  {"NAME", ridov::ftString, 80},
        {"CENA", ridov::ftDouble, 0},      {"NALICHIE", ridov::ftSmallStr, 4},
        {"KOLUPAK", ridov::ftInteger, 0},  {"BREND", ridov::ftString, 40},
        {"IZMCENA", ridov::ftSmallInt, 0}, {"ARTIKUL0", ridov::ftSmallStr, 20},
        {"EDIZM", ridov::ftSmallStr, 20},
    };
    ASSERT_EQ(store.FieldCount(), int(std::size(expected)));
    for (int i = 0; i < store.FieldCount(); ++i) {
        const ridov::TRidovField& f = *store.FieldAt(i);
        EXPECT_EQ(f.name, expected[i].name);
        EXPECT_EQ(f.type, expected[i].type) << f.name;
        EXPECT_EQ(f.declaredSize, expected[i].size) << f.name;
    }
    ASSERT_EQ(store.RecordCount(), 200u);
    for (const ridov::RecordNode* node : store.Nodes()) {
        EXPECT_EQ(node->status, ridov::rsUnchanged);
    }
}

// Reads an image into a fresh store that knows the password.
bool ReadBack(std::vector<uint8_t> image, const std::string& password, TRidovCursor& store,
              std::string& message) {
    store.SetPassword(password);
    return store.ReadImage(image, message);
}

TEST(CatalogGeneratorTest, ImageReadsBackWithTheGeneratedValues) {
    const std::string password = text::Utf8ToCp1251("Прайс2024");
    for (const std::string& pw : {std::string(), password}) {
        SCOPED_TRACE(pw.empty() ? "plain" : "enciphered");
        std::vector<uint8_t> image = CatalogImage(11, 3000, pw);
        EXPECT_EQ(image[4], pw.empty() ? 'S' : 'P');
        TRidovCursor store(TRidovSession::Instance());
        std::string message;
        ASSERT_TRUE(ReadBack(image, pw, store, message)) << message;
        ASSERT_EQ(store.RecordCount(), 3000u);
        ASSERT_EQ(store.FieldCount(), 11);

        CatalogGenerator generator(11, 3000);
        CatalogRow row;
        std::string value;
        for (const ridov::RecordNode* node : store.Nodes()) {
            ASSERT_TRUE(generator.Next(row));
            store.FieldAsText(*store.FindField("ID"), node, value, false, false);
            ASSERT_EQ(value, row.id);
            store.FieldAsText(*store.FindField("NAME"), node, value, false, false);
            ASSERT_EQ(value, row.name);
            store.FieldAsText(*store.FindField("BREND"), node, value, false, false);
            ASSERT_EQ(value, row.brend);
            store.FieldAsText(*store.FindField("ARTIKUL0"), node, value, false, false);
            ASSERT_EQ(value, row.artikul0);
            const uint8_t* v = node->values;
            ASSERT_EQ(ridov::slot::Load<double>(v + store.FindField("CENA")->offset), row.Cena());
            ASSERT_EQ(ridov::slot::Load<int16_t>(v + store.FindField("IZMCENA")->offset),
                      row.izmCena);
        }
    }
}

TEST(CatalogGeneratorTest, EncipheredImageRefusesAnotherPassword) {
    std::vector<uint8_t> image = CatalogImage(5, 50, "secret");
    TRidovCursor store(TRidovSession::Instance());
    std::string message;
    EXPECT_FALSE(ReadBack(image, "wrong", store, message));
    EXPECT_EQ(message, "Invalid password. Table cannot be open");
}

TEST(CatalogGeneratorTest, EmptyCatalogIsAValidTable) {
    TRidovCursor store(TRidovSession::Instance());
    std::string message;
    ASSERT_TRUE(ReadBack(CatalogImage(1, 0), "", store, message)) << message;
    EXPECT_EQ(store.RecordCount(), 0u);
    EXPECT_EQ(store.FieldCount(), 11);
    EXPECT_EQ(Text(1, 0, text::FormatSettings::Russian()), "");
}

// Each line assigned value by value to the catalog columns, as the price-list
// import does, gives exactly the table the generator builds.
TEST(CatalogGeneratorTest, TextImportsToTheSameTable) {
    const size_t count = 2000;
    const text::FormatSettings* settings[] = {&text::FormatSettings::Russian(),
                                              &text::FormatSettings::Machine()};
    for (const text::FormatSettings* fs : settings) {
        SCOPED_TRACE(std::string("decimal separator ") + fs->decimalSeparator);
        std::string text = Text(21, count, *fs);
        std::vector<std::string> lines = Split(text, '\n');
        ASSERT_EQ(lines.back(), "") << "the last line ends with CR LF too";
        lines.pop_back();
        ASSERT_EQ(lines.size(), count);

        TRidovCursor imported(TRidovSession::Instance(), *fs);
        AddCatalogFields(imported);
        ridov::ValueBuffer buffer(imported.Layout());
        std::string message;
        for (std::string& line : lines) {
            ASSERT_EQ(line.back(), '\r') << "every line ends with CR LF";
            line.pop_back();
            std::vector<std::string> values = Split(line, '\t');
            ASSERT_EQ(values.size(), 11u) << line;
            for (int i = 0; i < 11; ++i) {
                const ridov::TRidovField& f = *imported.FieldAt(i);
                imported.TextToValue(buffer.Data() + f.offset, values[size_t(i)], f);
            }
            ASSERT_TRUE(imported.PostRecord(buffer.Data(), nullptr, message)) << message;
        }
        imported.CommitAll();
        std::vector<uint8_t> fromText;
        imported.WriteImage(fromText);
        EXPECT_EQ(fromText, CatalogImage(21, count));
    }
}

TEST(CatalogGeneratorTest, PriceTextIsExactWithTheLocaleSeparator) {
    CatalogRow row;
    struct Case {
        int64_t kopecks;
        const char* russian;
        const char* machine;
    };
    const Case cases[] = {{12345, "123,45", "123.45"},
                          {100, "1,00", "1.00"},
                          {5, "0,05", "0.05"},
                          {999999, "9999,99", "9999.99"}};
    for (const Case& c : cases) {
        row.cenaKopecks = c.kopecks;
        std::string ru, machine;
        AppendCatalogLine(ru, row, text::FormatSettings::Russian());
        AppendCatalogLine(machine, row, text::FormatSettings::Machine());
        EXPECT_EQ(Split(ru, '\t')[4], c.russian);
        EXPECT_EQ(Split(machine, '\t')[4], c.machine);
    }
}

TEST(CatalogGeneratorTest, ArticleKeyKeepsLettersAndDigitsInUpperCase) {
    struct Case {
        std::string article;
        std::string key;
    };
    const Case cases[] = {
        {"0 986 452 041", "0986452041"},
        {"hu 719/7 x", "HU7197X"},
        {"2108-1003020-01", "2108100302001"},
        {"4.0112.01", "4011201"},
        {text::Utf8ToCp1251("ав-12.б"), text::Utf8ToCp1251("АВ12Б")},
        {"A1-B2-C3-D4-E5-F6-G7-H8-I9-J0-K1", "A1B2C3D4E5F6G7H8I9J0"},
        {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(ArticleKey(c.article), c.key) << c.article;
}

}  // namespace
}  // namespace catalog
