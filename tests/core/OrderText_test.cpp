#include "core/OrderText.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <iterator>
#include <vector>

#include "core/OrderFiles.h"
#include "core/TextTable.h"
#include "engine/dataset/RidovTable.h"
#include "platform/Platform.h"
#include "support/FileBytes.h"
#include "support/TempFolder.h"

namespace {

using testing_support::ReadBytes;
using testing_support::WriteBytes;

using core::IgnoreAnswer;
using testing_support::TempFolder;

// The records of an order file as "ID|KOL" lines, null quantities as "-"
// (the file cannot hold one: a missing quantity reads back as 0).
std::vector<std::string> OrderLines(const std::string& path) {
    ridov::TRidovTable t;
    t.SetTableName(path);
    t.Open();
    std::vector<std::string> lines;
    for (t.First(); !t.Eof(); t.Next()) {
        ridov::Field& kol = t.FieldByName("KOL");
        lines.push_back(t.FieldByName("ID").AsString() + "|" +
                        (kol.IsNull() ? std::string("-") : kol.AsString()));
    }
    return lines;
}

TEST(TextTable, ReadsRecordsByTheGrammar) {
    struct Case {
        std::string text;
        std::vector<std::vector<std::string>> records;
    } cases[] = {
        {"", {}},
        {"\r\n", {}},
        {"a\tb\r\nc\td\r\n", {{"a", "b"}, {"c", "d"}}},
        {"a\tb\r\nc", {{"a", "b"}, {"c"}}},  // last line without CR LF
        {"a\nb\tc\n", {{"a\nb", "c\n"}}},    // LF is an ordinary byte
        {"\r\na\r\n", {{"a"}}},              // an empty first line yields nothing
        {"a\r\n\r\nb", {{"a"}, {}, {"b"}}},  // later empty lines are records
        {"\t\r\n", {{"", ""}}},
    };
    for (const Case& c : cases) {
        std::vector<std::vector<std::string>> got;
        core::ReadTextTable(c.text, [&](std::span<const std::string_view> values) {
            got.emplace_back(values.begin(), values.end());
        });
        EXPECT_EQ(got, c.records) << testing::PrintToString(c.text);
    }
}

TEST(TextTable, LoneCrIsAFormatError) {
    for (std::string text : {"a\rb\r\n", "a\r\nb\r"}) {
        try {
            core::ReadTextTable(text, [](std::span<const std::string_view>) {});
            ADD_FAILURE() << "no error for " << testing::PrintToString(text);
        } catch (const core::TextFormatError& e) {
            EXPECT_TRUE(std::string_view(e.what()).ends_with("Invalid text format")) << e.what();
        }
    }
}

class OrderImport : public testing::Test {
  protected:
    std::string Import(const std::string& text, std::vector<IgnoreAnswer> answers = {}) {
        WriteBytes(textPath, text);
        asked.clear();
        return core::ImportOrderFromText(textPath, "", dir.File("Zetrovo.ini"),
                                         dir.File("price.zv"), [&](const std::string& question) {
                                             asked.push_back(question);
                                             if (answers.empty()) return IgnoreAnswer::No;
                                             IgnoreAnswer a = answers.front();
                                             answers.erase(answers.begin());
                                             return a;
                                         });
    }
    TempFolder dir;
    std::string textPath = dir.File("order.txt");
    std::vector<std::string> asked;
};

TEST_F(OrderImport, StoresValuesAsTheTextHoldsThem) {
    struct Case {
        std::string text;
        std::vector<std::string> lines;
    } cases[] = {
        {"A1\t3\r\nB2\t-4\r\n", {"A1|3", "B2|-4"}},
        {"A1\t3\tignored\textra\r\n", {"A1|3"}},
        {"A1\r\n\t7", {"A1|0", "|7"}},  // missing values stay empty, reading as 0
        {"\r\n", {}},
        {"123456789012345678901234\t1\r\n", {"12345678901234567890|1"}},  // code cut to 20
        {"X\t 12\r\n", {"X|12"}},                                         // leading blanks
    };
    for (const Case& c : cases) {
        std::string order = Import(c.text);
        EXPECT_EQ(OrderLines(order), c.lines) << testing::PrintToString(c.text);
        EXPECT_TRUE(asked.empty());
    }
}

TEST_F(OrderImport, ConversionQuestionYesNoAll) {
    const std::string text = "A\tx\r\nB\ty\r\nC\t5\r\n";
    std::string order = Import(text, {IgnoreAnswer::Yes, IgnoreAnswer::Yes});
    EXPECT_EQ(OrderLines(order), (std::vector<std::string>{"A|0", "B|0", "C|5"}));
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0],
              "Error during insert value:\n'x' is not a valid integer value for field 'KOL'\n\n"
              "Ignore error?");

    order = Import(text, {IgnoreAnswer::All});
    EXPECT_EQ(OrderLines(order).size(), 3u);
    EXPECT_EQ(asked.size(), 1u);

    // No stops the import: the new order file stays, empty.
    EXPECT_THROW(Import(text, {IgnoreAnswer::No}), core::ImportStopped);
    EXPECT_TRUE(OrderLines(dir.File("order.zv")).empty());
}

TEST_F(OrderImport, StoppedImportLeavesTheTableFileAsItWas) {
    std::string order = Import("A\t1\r\nB\t2\r\n");
    std::string before = ReadBytes(order);
    WriteBytes(textPath, "C\t3\r\nD\r4\r\n");
    EXPECT_THROW(core::ImportTextIntoTable(order, textPath, {}), core::TextFormatError);
    EXPECT_EQ(ReadBytes(order), before);
    WriteBytes(textPath, "C\tbad\r\n");
    EXPECT_THROW(core::ImportTextIntoTable(order, textPath, {}), core::ImportStopped);
    EXPECT_EQ(ReadBytes(order), before);
}

TEST_F(OrderImport, ExportThenImportReadsTheLabelLineAsARecord) {
    std::string order = Import("P1\t2\r\nP2\t10\r\n");
    std::string exported = dir.File("export.txt");
    core::ExportTableToText(order, exported);
    EXPECT_EQ(ReadBytes(exported), "ID\tKOL\r\nP1\t2\r\nP2\t10\r\n");
    platform::Platform& os = platform::CurrentPlatform();
    EXPECT_EQ(os.ModificationTime(exported), os.ModificationTime(order));

    std::string back = dir.File("back.zv");
    textPath = exported;
    EXPECT_EQ(
        core::ImportOrderFromText(exported, back, dir.File("Zetrovo.ini"), dir.File("price.zv"),
                                  [&](const std::string& q) {
                                      asked.push_back(q);
                                      return IgnoreAnswer::Yes;
                                  }),
        back);
    EXPECT_EQ(OrderLines(back), (std::vector<std::string>{"ID|0", "P1|2", "P2|10"}));
    EXPECT_EQ(asked.size(), 1u);
}

// A table with a field the direct image path does not fill (a date) is
// filled record by record: values, questions and a stop as for any table.
TEST(TextImport, ATableWithADateFieldIsFilledRecordByRecord) {
    TempFolder dir;
    const std::string table = dir.File("dated.zv");
    {
        ridov::TRidovTable t;
        t.Defs().Add("ID", ridov::DataType::String, 10);
        t.Defs().Add("D", ridov::DataType::Date, 0);
        t.Open();
        t.SaveToFile(table);
    }
    WriteBytes(dir.File("d.txt"), "A\t01.02.2026\r\nB\tbad\r\nC\t\r\n");
    std::vector<std::string> asked;
    core::ImportTextIntoTable(table, dir.File("d.txt"), [&](const std::string& question) {
        asked.push_back(question);
        return IgnoreAnswer::Yes;
    });
    ridov::TRidovTable t;
    t.SetTableName(table);
    t.Open();
    std::vector<std::string> rows;
    for (t.First(); !t.Eof(); t.Next()) {
        ridov::Field& d = t.FieldByName("D");
        rows.push_back(t.FieldByName("ID").AsString() + "|" + (d.IsNull() ? "-" : d.AsString()));
    }
    EXPECT_EQ(rows, (std::vector<std::string>{"A|01.02.2026", "B|-", "C|-"}));
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_NE(asked[0].find("'bad'"), std::string::npos) << asked[0];

    const std::string before = ReadBytes(table);
    EXPECT_THROW(core::ImportTextIntoTable(table, dir.File("d.txt"), {}), core::ImportStopped);
    EXPECT_EQ(ReadBytes(table), before);
}

TEST(CopyFileDate, SetsTheTimeOfAReadOnlyFileAndKeepsItReadOnly) {
    TempFolder dir;
    std::string source = dir.File("a.txt"), target = dir.File("b.zv");
    WriteBytes(source, "a");
    WriteBytes(target, "b");
    platform::Platform& os = platform::CurrentPlatform();
    ASSERT_TRUE(os.SetModificationTime(source, 1273017600));  // 2010-05-05
    ::chmod(target.c_str(), 0444);
    core::CopyFileDate(source, target);
    EXPECT_EQ(os.ModificationTime(target), std::optional<int64_t>(1273017600));
    struct stat st {};
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0444u);
}

}  // namespace
