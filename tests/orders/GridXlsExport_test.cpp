#include "orders/GridXlsExport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

#include "engine/dataset/RidovTable.h"
#include "orders/XlsWriter.h"
#include "support/TempFolder.h"

namespace {

using orders::FooterKind;

std::string Hex(const std::string& bytes) {
    std::string out;
    char buf[4];
    for (unsigned char c : bytes) {
        std::snprintf(buf, sizeof buf, "%02X ", c);
        out += buf;
    }
    if (!out.empty()) out.pop_back();
    return out;
}

class GridXls : public testing::Test {
  protected:
    void SetUp() override {
        table.Defs().Add("ID", ridov::DataType::String, 8);
        table.Defs().Add("KOL", ridov::DataType::Integer);
        table.Defs().Add("CENA", ridov::DataType::Float);
        table.Open();
    }
    void Add(const char* id, const char* kol, const char* cena) {
        table.Append();
        table.FieldByName("ID").SetAsString(id);
        table.FieldByName("KOL").SetAsString(kol);
        table.FieldByName("CENA").SetAsString(cena);
        table.Post();
    }
    orders::XlsSheet Sheet() {
        orders::XlsSheet sheet;
        sheet.columns = {
            {"ID", &table.FieldByName("ID"), FooterKind::Text, "T", nullptr},
            {"KOL", &table.FieldByName("KOL"), FooterKind::None, "", nullptr},
            {"CENA", &table.FieldByName("CENA"), FooterKind::Sum, "", nullptr},
        };
        sheet.footerRow = true;
        return sheet;
    }
    ridov::TRidovTable table;
};

TEST_F(GridXls, PinnedBytesOfASmallGrid) {
    Add("A", "3", "1,5");
    Add("", "", "");
    EXPECT_EQ(Hex(orders::BuildGridXls(table, Sheet())),
              // beginning of file
              "09 08 08 00 00 00 10 00 00 00 00 00 "
              // title row
              "04 02 0A 00 00 00 00 00 00 00 02 00 49 44 "
              "04 02 0B 00 00 00 01 00 00 00 03 00 4B 4F 4C "
              "04 02 0C 00 00 00 02 00 00 00 04 00 43 45 4E 41 "
              // A, integer 3, number 1.5
              "04 02 09 00 01 00 00 00 00 00 01 00 41 "
              "7E 02 0A 00 01 00 01 00 00 00 0E 00 00 00 "
              "03 02 0E 00 01 00 02 00 00 00 00 00 00 00 00 00 F8 3F "
              // an empty code is an empty cell; no quantity and no price
              // read as 0 and are written as numbers
              "01 02 06 00 02 00 00 00 17 00 "
              "7E 02 0A 00 02 00 01 00 00 00 02 00 00 00 "
              "03 02 0E 00 02 00 02 00 00 00 00 00 00 00 00 00 00 00 "
              // footer: text, empty text, the sum 1.5
              "04 02 09 00 03 00 00 00 00 00 01 00 54 "
              "04 02 08 00 03 00 01 00 00 00 00 00 "
              "03 02 0E 00 03 00 02 00 00 00 00 00 00 00 00 00 F8 3F "
              // end of file
              "0A 00 00 00");
}

TEST_F(GridXls, EmptyViewGivesBeginningTitleAndEnd) {
    orders::XlsSheet sheet = Sheet();
    sheet.footerRow = false;
    EXPECT_EQ(Hex(orders::BuildGridXls(table, sheet)),
              "09 08 08 00 00 00 10 00 00 00 00 00 "
              "04 02 0A 00 00 00 00 00 00 00 02 00 49 44 "
              "04 02 0B 00 00 00 01 00 00 00 03 00 4B 4F 4C "
              "04 02 0C 00 00 00 02 00 00 00 04 00 43 45 4E 41 "
              "0A 00 00 00");
}

TEST_F(GridXls, FooterSumRoundsEachValueToFourDecimals) {
    Add("A", "1", "0,00004");  // rounds to 0
    Add("B", "1", "0,00006");  // rounds to 0.0001
    Add("C", "1", "2,5");
    std::string bytes = orders::BuildGridXls(table, Sheet());
    double sum;
    std::memcpy(&sum, bytes.data() + bytes.size() - 4 - 8, 8);
    EXPECT_DOUBLE_EQ(sum, 2.5001);
}

TEST(XlsWriter, LongTextIsCutAndWideIntegersStayExact) {
    orders::XlsWriter out(2);
    out.Text(std::string(70000, 'x'));
    out.Integer(int64_t(1) << 40);
    out.Finish();
    const std::string& b = out.Bytes();
    // text record: length 8 + 65527 = 0xFFFF
    EXPECT_EQ(Hex(b.substr(12, 4)), "04 02 FF FF");
    size_t next = 12 + 4 + 0xFFFF;
    EXPECT_EQ(Hex(b.substr(next, 4)), "03 02 0E 00");  // a number cell, not a wrapped RK
}

TEST_F(GridXls, TooManyRowsAreRefusedAndTheOldFileStays) {
    for (int i = 0; i < 65534; ++i) Add("A", "1", "1");  // + title + footer = 65536
    testing_support::TempFolder dir;
    std::string path = dir.File("out.xls");
    std::ofstream(path) << "old";
    try {
        orders::ExportGridToXls(table, Sheet(), path);
        ADD_FAILURE() << "no refusal";
    } catch (const orders::XlsRowLimitError& e) {
        EXPECT_EQ(e.rows, 65536);
        EXPECT_EQ(e.limit, 65535);
    }
    std::ifstream in(path);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "old");
    orders::XlsSheet sheet = Sheet();
    sheet.footerRow = false;  // 65535 rows fit
    orders::ExportGridToXls(table, sheet, path);
    EXPECT_GT(std::ifstream(path, std::ios::ate).tellg(), 65535 * 10);
}

}  // namespace
