#include "core/GridXlsExport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>

#include "core/XlsWriter.h"
#include "engine/dataset/RidovTable.h"
#include "engine/text/Win1251.h"
#if !defined(_WIN32)
#include "platform/FileOps.h"
#include "platform/LinuxPlatform.h"
#endif
#include "support/FileBytes.h"
#include "support/TempFolder.h"
#include "support/XlsRecords.h"

namespace {

using core::FooterKind;

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
    core::XlsSheet Sheet() {
        core::XlsSheet sheet;
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
    EXPECT_EQ(Hex(core::BuildGridXls(table, Sheet())),
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
    core::XlsSheet sheet = Sheet();
    sheet.footerRow = false;
    EXPECT_EQ(Hex(core::BuildGridXls(table, sheet)),
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
    std::string bytes = core::BuildGridXls(table, Sheet());
    double sum;
    std::memcpy(&sum, bytes.data() + bytes.size() - 4 - 8, 8);
    EXPECT_DOUBLE_EQ(sum, 2.5001);
}

TEST(XlsWriter, LongTextIsCutAndWideIntegersStayExact) {
    core::XlsWriter out(2);
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
        core::ExportGridToXls(table, Sheet(), path);
        ADD_FAILURE() << "no refusal";
    } catch (const core::XlsRowLimitError& e) {
        EXPECT_EQ(e.rows, 65536);
        EXPECT_EQ(e.limit, 65535);
    }
    EXPECT_EQ(testing_support::ReadBytes(path), "old");
    core::XlsSheet sheet = Sheet();
    sheet.footerRow = false;  // 65535 rows fit
    core::ExportGridToXls(table, sheet, path);
    EXPECT_GT(std::ifstream(path, std::ios::ate).tellg(), 65535 * 10);
}

// Each field type gives its cell kind: integers as integer cells (those the
// 30-bit form cannot hold as exact numbers), floating types as number
// cells with the stored value, everything else as the display text, and a
// value that is not there as an empty cell.
struct CellKindCase {
    const char* name;
    ridov::DataType type;
    int size;
    const char* value;  // as typed; null: not set
    const char* cell;
};

const CellKindCase kCellKinds[] = {
    {"SmallInt", ridov::DataType::SmallInt, 0, "-7", "I:-7"},
    {"Integer", ridov::DataType::Integer, 0, "123456", "I:123456"},
    {"IntegerBeyondThirtyBits", ridov::DataType::Integer, 0, "2000000000", "N:2000000000"},
    {"AutoInc", ridov::DataType::AutoInc, 0, nullptr, "I:1"},
    {"LargeIntAsText", ridov::DataType::LargeInt, 0, "12345678901", "T:12345678901"},
    {"FloatFullValue", ridov::DataType::Float, 0, "0,123456789", "N:0.123456789"},
    {"Currency", ridov::DataType::Currency, 0, "12,3456", "N:12.3456"},
    {"BooleanAsText", ridov::DataType::Boolean, 0, "True", "T:True"},
    {"DateAsText", ridov::DataType::Date, 0, "15.03.2007", "T:15.03.2007"},
    {"CyrillicString", ridov::DataType::String, 20, "Свеча М8", "T:Свеча М8"},
    {"EmptyString", ridov::DataType::String, 20, "", "E"},
    {"NoDate", ridov::DataType::Date, 0, nullptr, "E"},
    {"NoFloatReadsZero", ridov::DataType::Float, 0, nullptr, "N:0"},
};

class XlsCellKind : public testing::TestWithParam<CellKindCase> {};

TEST_P(XlsCellKind, FieldTypeGivesItsCell) {
    const CellKindCase& c = GetParam();
    ridov::TRidovTable table;
    table.Defs().Add("F", c.type, c.size);
    table.Open();
    table.Append();
    if (c.value) table.FieldByName("F").SetAsString(text::Utf8ToCp1251(c.value));
    table.Post();
    core::XlsSheet sheet;
    sheet.columns = {{"F", &table.FieldByName("F"), FooterKind::None, "", nullptr}};
    EXPECT_EQ(testing_support::ReadXlsRows(core::BuildGridXls(table, sheet), 1),
              (testing_support::XlsRows{{"T:F"}, {c.cell}}));
}

INSTANTIATE_TEST_SUITE_P(Types, XlsCellKind, testing::ValuesIn(kCellKinds),
                         [](const testing::TestParamInfo<CellKindCase>& info) {
                             return std::string(info.param.name);
                         });

// A line-number column counts the view's rows in its order; a column
// without a field is empty; the footer counts and sums.
TEST_F(GridXls, LineNumbersFollowTheViewAndFooterCounts) {
    Add("B", "2", "0,5");
    Add("A", "1", "1,25");
    table.SetIndexFieldNames("ID");
    core::XlsSheet sheet;
    sheet.columns = {
        {text::Utf8ToCp1251("№"), nullptr, FooterKind::Count, "", nullptr, true},
        {"ID", &table.FieldByName("ID"), FooterKind::None, "", nullptr},
        {"X", nullptr, FooterKind::Text, text::Utf8ToCp1251("Итог"), nullptr},
        {"S", &table.FieldByName("ID"), FooterKind::Sum, "", &table.FieldByName("CENA")},
    };
    sheet.footerRow = true;
    EXPECT_EQ(testing_support::ReadXlsRows(core::BuildGridXls(table, sheet), 4),
              (testing_support::XlsRows{{"T:№", "T:ID", "T:X", "T:S"},
                                        {"I:1", "T:A", "E", "T:A"},
                                        {"I:2", "T:B", "E", "T:B"},
                                        {"N:2", "T:", "T:Итог", "N:1.75"}}));
}

#if !defined(_WIN32)
// File operations that fail with "no space left" once `limit` bytes were
// written, as a full disk does half-way through a file. The Linux file
// writer takes its operations from outside; the Windows one calls the
// system directly.
class DiskFullOps : public platform::FileOps {
  public:
    explicit DiskFullOps(size_t limit) : limit_(limit) {}
    platform::PosixFileOps& real = platform::PosixFileOps::Instance();
    int CreateNew(const std::string& path, int& fd) override { return real.CreateNew(path, fd); }
    int Write(int fd, const uint8_t* data, size_t n, size_t& written) override {
        if (written_ >= limit_) return ENOSPC;
        const int err = real.Write(fd, data, std::min(n, limit_ - written_), written);
        written_ += written;
        return err;
    }
    int SetMode(int fd, uint32_t mode) override { return real.SetMode(fd, mode); }
    int Sync(int fd) override { return real.Sync(fd); }
    int Close(int fd) override { return real.Close(fd); }
    int Rename(const std::string& from, const std::string& to) override {
        return real.Rename(from, to);
    }
    int Remove(const std::string& path) override { return real.Remove(path); }
    int SyncFolder(const std::string& folder) override { return real.SyncFolder(folder); }
    int Lock(int fd) override { return real.Lock(fd); }

  private:
    size_t limit_;
    size_t written_ = 0;
};

TEST_F(GridXls, DiskFullHalfWayLeavesTheOldFileAndNoTemporary) {
    for (int i = 0; i < 200; ++i) Add("A", "1", "1");
    testing_support::TempFolder dir;
    const std::string path = dir.File("out.xls");
    testing_support::WriteBytes(path, "old");
    DiskFullOps ops(1000);
    platform::LinuxPlatform failing(ops);
    platform::Platform* previous = platform::SetCurrentPlatform(&failing);
    EXPECT_THROW(core::ExportGridToXls(table, Sheet(), path), std::runtime_error);
    platform::SetCurrentPlatform(previous);
    EXPECT_EQ(testing_support::ReadBytes(path), "old");
    EXPECT_EQ(dir.Names(), std::set<std::string>{"out.xls"});
}
#endif

}  // namespace
