#include <gtest/gtest.h>

#include "support/DatasetFixture.h"

namespace ridov::testing {
namespace {

TEST(ExportToText, WritesLabelsAndValuesWithTheDelimiterRules) {
    TempDir dir;
    TRidovTable t;
    BuildTable(t,
               {{"ID", DataType::String, 20},
                {"PIC", DataType::Blob},
                {"NOTE", DataType::Memo},
                {"CENA", DataType::Float}},
               {{"\xC0\xE1\"1\"", "", "", "1,5"}, {"B", "", "", ""}});
    t.FieldByName("ID").SetDisplayLabel("Code \"X\"");
    t.SetRecNo(2);
    struct Case {
        char delimiter;
        std::string expected;
    } cases[] = {
        {'\t', "Code \"X\"\tCENA\r\n\xC0\xE1\"1\"\t1,5\r\nB\t0\r\n"},
        {';', "\"Code \"\"X\"\"\";\"CENA\"\r\n\"\xC0\xE1\"\"1\"\"\";\"1,5\"\r\n\"B\";\"0\"\r\n"},
    };
    for (const Case& c : cases) {
        t.ExportToText(dir.File("out.txt"), c.delimiter);
        EXPECT_EQ(ReadFile(dir.File("out.txt")), c.expected) << c.delimiter;
    }
    EXPECT_EQ(t.RecNo(), 2);

    t.EmptyTable();
    t.ExportToText(dir.File("out.txt"), '\t');
    EXPECT_EQ(ReadFile(dir.File("out.txt")), "Code \"X\"\tCENA\r\n");
}

}  // namespace
}  // namespace ridov::testing
