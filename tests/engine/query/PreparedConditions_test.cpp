#include <gtest/gtest.h>

#include "engine/query/PreparedConditions.h"
#include "engine/query/RidovParser.h"
#include "engine/storage/DatabaseError.h"
#include "engine/storage/RidovSession.h"
#include "engine/text/Win1251.h"
#include "tests/engine/storage/ImageBuilder.h"

using namespace ridov;

namespace {

// A small catalog: ID, NAME, ARTIKUL, KOLUPAK, IDBREND, FLAG, CENA, D.
class PreparedConditionsTest : public ::testing::Test {
  protected:
    TRidovSession session;
    TRidovCursor store{session};

    void SetUp() override {
        auto image =
            testing_support::ImageBuilder()
                .Header(0, 9,
                        testing_support::Section({"XXX.ID 8", "XXX.NAME s80", "XXX.ARTIKUL s20",
                                                  "XXX.KOLUPAK i", "XXX.IDBREND i", "XXX.FLAG b",
                                                  "XXX.CENA f", "XXX.D d", "XXX.KOL l"}))
                .bytes;
        std::string message;
        ASSERT_TRUE(store.ReadImage(image, message)) << message;
        // Russian formats: decimal comma, dd.mm.yyyy.
        Add({"1", "Болт колёсный", "Болт колёсный", "10", "15", "True", "12,5", "01.02.2024", "5"});
        Add({"2", "болтик", "x", "0", "15", "", "0", "", "5"});
        Add({"3", "Ёлка O'Neil", "A-1", "5", "7", "1", "100", "", "0"});
        Add({"4", "", "", "10", "15", "", "-1", "", "0"});
    }
    void Add(std::initializer_list<std::string> utf8) {
        ridov::ValueBuffer buf(store.Layout());
        int i = 0;
        for (const std::string& v : utf8) {
            const TRidovField& f = *store.FieldAt(i++);
            store.TextToValue(buf.Data() + f.offset, text::Utf8ToCp1251(v), f);
        }
        std::string message;
        EXPECT_TRUE(store.PostRecord(buf.Data(), nullptr, message));
    }
    // IDs of the records passing the filter, joined.
    std::string Pass(const std::string& filterUtf8, bool caseInsensitive = false) {
        TRidovParser parser;
        parser.Tokenize(text::Utf8ToCp1251(filterUtf8));
        std::vector<TRidovCField> conditions;
        parser.ParseConditions(conditions, 0);
        PreparedConditions prepared;
        prepared.Prepare(conditions, store, caseInsensitive);
        std::string ids;
        std::string id;
        for (RecordNode* node : store.Nodes()) {
            if (!prepared.Passes(node->values)) continue;
            store.FieldAsText(*store.FindField("ID"), node, id, false, false);
            ids += id;
        }
        return ids;
    }
};

TEST_F(PreparedConditionsTest, FilterTable) {
    struct Case {
        const char* filter;
        const char* ids;
        bool ci;
    };
    const Case cases[] = {
        {"ID<>ID", "", false},
        {"NAME LIKE 'бол*'", "12", false},
        {"NAME LIKE '*ЛКА*'", "3", false},
        {"NAME LIKE 'болтик'", "2", false},
        {"NAME LIKE 'Ёлка O''Neil'", "3", false},
        {"NAME LIKE 'ёлка*'", "3", false},
        {"NAME LIKE 'елка*'", "", false},
        {"KOLUPAK = '10'", "14", false},
        {"KOLUPAK = 'abc'", "2", false},
        {"IDBREND = '15' AND NAME LIKE 'б*'", "12", false},
        {"IDBREND = '15' AND ", "124", false},
        {"NAME = 'ARTIKUL'", "14", false},
        {"FLAG = TRUE", "13", false},
        {"FLAG = FALSE", "24", false},
        {"NAME = NULL", "4", false},
        {"D = NULL", "234", false},
        {"D > '31.01.2024'", "1", false},
        {"CENA >= 12,5", "13", false},
        {"CENA < 0", "4", false},
        {"CENA LIKE '12,5'", "1", false},
        {"NAME = 'болтик'", "2", false},
        {"NAME = 'БОЛТИК'", "", false},
        {"NAME = 'БОЛТИК'", "2", true},
        {"NAME > 'Б'", "12", false},
        {"NAME > 'Б'", "123", true},
        {"KOLUPAK *= IDBREND", "1234", false},
        {"KOLUPAK <= IDBREND", "1234", false},
        {"KOLUPAK > IDBREND", "", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Pass(c.filter, c.ci), c.ids) << c.filter;
    }
}

TEST_F(PreparedConditionsTest, Errors) {
    struct Case {
        const char* filter;
        const char* message;
    };
    const Case cases[] = {
        {"NOSUCH = 1", "Field NOSUCH is not found"},
        {"NAME = OTHER", "Field OTHER is not found"},
        {"KOL = KOLUPAK", "Types of compared fields are not equal"},
        {"ID = NAME", "Types of compared fields are not equal"},
    };
    for (const Case& c : cases) {
        try {
            Pass(c.filter);
            ADD_FAILURE() << c.filter << " raised nothing";
        } catch (const DatabaseError& e) {
            EXPECT_STREQ(e.what(), c.message) << c.filter;
        }
    }
}

}  // namespace
