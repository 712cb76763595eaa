// Runs the zv binary as a user would, on real files in a temporary folder.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

struct Result {
    int status;
    std::string out;
    std::string err;
};

class ZvToolTest : public ::testing::Test {
  protected:
    fs::path dir;

    void SetUp() override {
        char tmpl[] = "/tmp/zvtool.XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = tmpl;
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string Path(const std::string& name) { return (dir / name).string(); }

    void WriteFile(const std::string& name, const std::string& bytes) {
        std::ofstream(Path(name), std::ios::binary) << bytes;
    }
    std::string ReadFile(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    // Runs zv with the arguments (already shell-quoted) and optional input.
    Result Zv(const std::string& args, const std::string& input = "") {
        WriteFile("stdin", input);
        std::string cmd = std::string(ZV_TOOL_PATH) + " " + args + " <" + Path("stdin") + " >" +
                          Path("stdout") + " 2>" + Path("stderr");
        int raw = std::system(cmd.c_str());
        return {WEXITSTATUS(raw), ReadFile(Path("stdout")), ReadFile(Path("stderr"))};
    }
};

TEST_F(ZvToolTest, MakeInfoDumpRoundTrip) {
    WriteFile("comment", "Klient=\xD2\xE5\xF1\xF2\r\n");  // Windows-1251 "Тест"
    const std::string fields = "'ID:8;NAME:s80;CENA:f;KOL:i;D:d~TODAY~x;FLAG:b;BIN:o;ЦЕНА_2:c'";
    const std::string records =
        "10234\tФильтр масляный\\tс табом\t12.5\t3\t2024/01/31\tДа\t00ff10\t1\n"
        "7\t\t0\t0\t\tNo\t\t\r\n";
    Result made = Zv("make -c " + Path("comment") + " " + Path("t.zv") + " " + fields, records);
    ASSERT_EQ(made.status, 0) << made.err;

    Result info = Zv("info " + Path("t.zv"));
    ASSERT_EQ(info.status, 0) << info.err;
    EXPECT_EQ(info.out,
              "records\t2\n"
              "encrypted\tno\n"
              "comment\tKlient=Тест\\r\\n\n"
              "field\tXXX\tID\tSmallStr\t8\t\t\n"
              "field\tXXX\tNAME\tString\t80\t\t\n"
              "field\tXXX\tCENA\tDouble\t0\t\t\n"
              "field\tXXX\tKOL\tInteger\t0\t\t\n"
              "field\tXXX\tD\tDate\t0\tTODAY\tx\n"
              "field\tXXX\tFLAG\tBoolean\t0\t\t\n"
              "field\tXXX\tBIN\tBLOB\t0\t\t\n"
              "field\tXXX\tЦЕНА_2\tCurrency\t0\t\t\n");

    Result dump = Zv("dump " + Path("t.zv"));
    ASSERT_EQ(dump.status, 0) << dump.err;
    EXPECT_EQ(dump.out,
              "ID\tNAME\tCENA\tKOL\tD\tFLAG\tBIN\tЦЕНА_2\n"
              "10234\tФильтр масляный\\tс табом\t12.5\t3\t2024/01/31\tYes\t00ff10\t1\n"
              "7\t\t0\t0\t\tNo\t\t0\n");
}

TEST_F(ZvToolTest, ReadsTheIndependentlyBuiltEncipheredOrder) {
    const std::string file = std::string(ZV_VECTORS_DIR) + "/order-enciphered.zv";
    Result info = Zv("info -p 'Пароль' '" + file + "'");
    ASSERT_EQ(info.status, 0) << info.err;
    EXPECT_EQ(info.out,
              "records\t2\nencrypted\tyes\ncomment\tKlient=Тест\\r\\ncatalog=price.zv\\r\\n\n"
              "field\tXXX\tID\tSmallStr\t20\t\t\nfield\tXXX\tKOL\tInteger\t0\t\t\n");
    Result dump = Zv("dump -p 'Пароль' '" + file + "'");
    EXPECT_EQ(dump.out, "ID\tKOL\n12345\t3\nЁж-7\t10\n");

    Result wrong = Zv("dump -p nope '" + file + "'");
    EXPECT_EQ(wrong.status, 1);
    EXPECT_EQ(wrong.out, "");
    EXPECT_EQ(wrong.err, "Invalid password. Table cannot be open\n");
}

TEST_F(ZvToolTest, EncipheredMakeNeedsThePassword) {
    ASSERT_EQ(Zv("make -p секрет " + Path("e.zv") + " 'ID:K;KOL:i'", "A\t1\n").status, 0);
    EXPECT_EQ(Zv("dump -p секрет " + Path("e.zv")).out, "ID\tKOL\nA\t1\n");
    EXPECT_EQ(Zv("dump " + Path("e.zv")).err, "Invalid password. Table cannot be open\n");
}

TEST_F(ZvToolTest, FailuresPrintTheMessageAndExitOne) {
    WriteFile("bad.zv", std::string("\0\0\0\0X", 5));
    Result bad = Zv("info " + Path("bad.zv"));
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(bad.err, "Buffer structure corruption!\n");
    EXPECT_EQ(Zv("dump " + Path("missing.zv")).status, 1);
    EXPECT_EQ(Zv("frobnicate").status, 1);
}

}  // namespace

namespace {

TEST_F(ZvToolTest, ExportWritesDelimitedText) {
    ASSERT_EQ(Zv("make " + Path("t.zv") + " 'ID:K;NAME:s80;CENA:f;BIN:o'",
                 "1\tФильтр \"А\"\t1.5\t00\n2\t\t0\t\n")
                  .status,
              0);
    ASSERT_EQ(Zv("export " + Path("t.zv") + " " + Path("t.txt")).status, 0);
    EXPECT_EQ(ReadFile(Path("t.txt")),
              "ID\tNAME\tCENA\r\n1\t\xD4\xE8\xEB\xFC\xF2\xF0 \"\xC0\"\t1.5\r\n2\t\t0\r\n");
    Result semi = Zv("export -d ';' " + Path("t.zv") + " " + Path("s.txt"));
    ASSERT_EQ(semi.status, 0) << semi.err;
    EXPECT_EQ(
        ReadFile(Path("s.txt")),
        "\"ID\";\"NAME\";\"CENA\"\r\n\"1\";\"\xD4\xE8\xEB\xFC\xF2\xF0 \"\"\xC0\"\"\";\"1.5\"\r\n"
        "\"2\";\"\";\"0\"\r\n");
    Result missing = Zv("export " + Path("none.zv") + " " + Path("x.txt"));
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, "Error opening file " + Path("none.zv") + "\n");
}

}  // namespace

namespace {

TEST_F(ZvToolTest, QueryJoinsGroupsAndTakesParameters) {
    ASSERT_EQ(Zv("make " + Path("price.zv") + " 'ID:8;NAME:s80;CENA:f;BREND:s40;KOLUPAK:i'",
                 "10\tФильтр\t1.5\tBOSCH\t2\n20\tСвеча\t2.25\tNGK\t4\n30\tРемень\t10\tBOSCH\t1\n")
                  .status,
              0);
    ASSERT_EQ(Zv("make " + Path("Zakaz1.zv") + " 'ID:K;KOL:i'", "20\t3\n99\t1\n10\t5\n").status, 0);
    Result order = Zv("query --db " + dir.string() +
                      " --param OrderTblNm=Zakaz1.zv --param TblNm=price.zv "
                      "'select o.ID, p.NAME, p.CENA, o.KOL from :OrderTblNm o, :TblNm p "
                      "where o.ID *= p.ID'");
    ASSERT_EQ(order.status, 0) << order.err;
    EXPECT_EQ(order.out,
              "ID\tNAME\tCENA\tKOL\n10\tФильтр\t1.5\t5\n20\tСвеча\t2.25\t3\n99\t\t0\t1\n");

    Result lookup = Zv("query --db " + dir.string() +
                       " --param ID=20 'select p.ID, p.NAME from \"price.zv\" p where ID = :ID'");
    EXPECT_EQ(lookup.out, "ID\tNAME\n20\tСвеча\n");

    Result grouped = Zv("query --db " + dir.string() +
                        " --param MIN:float=1.6 'select BREND, COUNT(ID), SUM(KOLUPAK), MAX(CENA) "
                        "from \"price.zv\" t where CENA > :MIN group by BREND'");
    ASSERT_EQ(grouped.status, 0) << grouped.err;
    EXPECT_EQ(grouped.out,
              "BREND\tCount_ID\tSum_KOLUPAK\tMax_CENA\nBOSCH\t1\t1\t10\nNGK\t1\t4\t2.25\n");

    Result bad = Zv("query --db " + dir.string() + " 'select X from \"price.zv\" t'");
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(bad.err, "Field X is not found in table t\n");
}

}  // namespace

namespace {

TEST_F(ZvToolTest, SelectFiltersSortsAndRanges) {
    ASSERT_EQ(Zv("make " + Path("t.zv") + " 'ID:8;NAME:s80;CENA:f;BRAND:i'",
                 "10\tфильтр\t1.5\t1\n9\tБолт\t2.5\t2\n11\tболты\t0.5\t1\n12\tАнкер\t3\t2\n")
                  .status,
              0);
    struct Case {
        std::string args;
        std::string ids;  // the ID column of the output
    };
    const Case cases[] = {
        {"", "10 9 11 12"},
        {"--index NAME --sort-ci", "12 9 11 10"},
        {"--index NAME", "12 9 11 10"},
        {"--index CENA --desc", "12 9 10 11"},
        {"--filter \"NAME LIKE 'бол*'\" --index ID", "11 9"},
        {"--filter \"NAME = 'БОЛТ'\" --ci", "9"},
        {"--filter 'CENA > 1.4'", "10 9 12"},
        {"--range-fields BRAND --range '2\\t' '2\\t' --index NAME", "12 9"},
    };
    for (const Case& c : cases) {
        Result r = Zv("select " + c.args + " " + Path("t.zv"));
        ASSERT_EQ(r.status, 0) << c.args << ": " << r.err;
        std::string ids;
        size_t line = r.out.find('\n');
        while (line != std::string::npos && line + 1 < r.out.size()) {
            size_t tab = r.out.find('\t', line + 1);
            ids += (ids.empty() ? "" : " ") + r.out.substr(line + 1, tab - line - 1);
            line = r.out.find('\n', line + 1);
        }
        EXPECT_EQ(ids, c.ids) << c.args;
    }
    Result bad = Zv("select --filter 'NOPE = 1' " + Path("t.zv"));
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(bad.err, "Field NOPE is not found\n");
}

}  // namespace

namespace {

// Whatever text a file or an argument brings, a failure is one line on
// standard error with its control characters escaped, and never empty.
TEST_F(ZvToolTest, FailureMessagesAreOneEscapedLine) {
    auto image = [](const std::string& signatureAndRest) {
        return std::string("\0\0\0\0", 4) + signatureAndRest;
    };
    // A field named "A" LF "B" ESC, whose only record has a length byte of 9.
    const std::string section = "XXX.A\nB\x1b i\x12\x14";
    const std::string badRecord =
        image(std::string("S\1\0\0\0\1\0\0\0", 9) + static_cast<char>(section.size()) +
              std::string("\0\0\0", 3) + section + "\x09");
    struct Case {
        const char* what;
        std::string bytes;
        std::string err;
    };
    const Case cases[] = {
        {"error image text", image("Etwo\nlines\x1b[31m\x7f" + std::string("\0junk", 5)),
         "two\\nlines\\x1b[31m\\x7f\n"},
        {"empty error image text", image(std::string("E\0", 2)),
         "The file is an error image without a text\n"},
        {"field name in a message", badRecord,
         "Field 'A\\nB\\x1b' has wrong length 9 in record 1\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteFile("hostile.zv", c.bytes);
        Result r = Zv("dump " + Path("hostile.zv"));
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, c.err);
    }

    // Arguments are terminal text: a line feed, a C1 control and a byte
    // that is not UTF-8 in a file name.
    Result named = Zv("dump '" + Path("two\nlines\xC2\x9B\xFF.zv") + "'");
    EXPECT_EQ(named.status, 1);
    EXPECT_EQ(named.err, "Error opening file " + Path("two\\nlines\\u009b\\xff.zv") + "\n");
}

// Only a regular file of a size an image can have is read: a device would
// be read until memory runs out, a pipe would wait for ever.
TEST_F(ZvToolTest, ReadsOnlyWhatCanBeATableFile) {
    ASSERT_EQ(::mkfifo(Path("pipe.zv").c_str(), 0600), 0);
    {
        std::ofstream(Path("huge.zv"), std::ios::binary);
        fs::resize_file(Path("huge.zv"), uintmax_t{1} << 32);  // sparse: takes no disk space
    }
    const std::pair<std::string, std::string> cases[] = {
        {"/dev/zero", "Error opening file /dev/zero: not a regular file\n"},
        {Path("pipe.zv"), "Error opening file " + Path("pipe.zv") + ": not a regular file\n"},
        {Path("huge.zv"), "Error opening file " + Path("huge.zv") +
                              ": 4294967296 bytes, more than a table file can hold "
                              "(4294967295)\n"},
    };
    for (const auto& [file, err] : cases) {
        for (const char* verb : {"dump", "info"}) {
            SCOPED_TRACE(std::string(verb) + " " + file);
            Result r = Zv(std::string(verb) + " " + file);
            EXPECT_EQ(r.status, 1);
            EXPECT_EQ(r.err, err);
        }
    }

    // A comment longer than its section can hold would be cut when written.
    WriteFile("comment", std::string(32768, 'x'));
    Result longComment = Zv("make -c " + Path("comment") + " " + Path("t.zv") + " 'ID:K'", "A\n");
    EXPECT_EQ(longComment.status, 1);
    EXPECT_EQ(longComment.err, "Cannot read '" + Path("comment") +
                                   "': 32768 bytes, more than the 32767 that can be read\n");
    EXPECT_FALSE(fs::exists(Path("t.zv")));
}

}  // namespace
