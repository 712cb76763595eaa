// The batch switches as the user runs them: the built program started as a
// process in a temporary program folder (its own copy of the executable, a
// small catalog, filled requisites), on files in a separate current folder
// named by relative paths. Each run is checked by the files it leaves, its
// standard streams and its exit code.
//
// Every run gets ZAYAVKA_SCREENSHOT: a run that shows the main window saves
// a picture of it and ends after two seconds, so a batch run that wrongly
// starts interactively fails its check instead of hanging the test.
#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "engine/dataset/RidovTable.h"
#include "engine/text/Win1251.h"
#include "support/FileBytes.h"
#include "support/OrderTestFiles.h"
#include "support/SpecialFiles.h"
#include "support/TempFolder.h"
#include "support/XlsRecords.h"

// Without the program target there is nothing to run.
#ifndef ZV_ZAYAVKA_PATH
#define ZV_ZAYAVKA_PATH ""
#endif
#ifndef ZV_ZAYAVKA_NAME
#define ZV_ZAYAVKA_NAME "zayavka"
#endif

namespace {

using testing_support::OrderLines;
using testing_support::ReadBytes;
using testing_support::WriteBytes;
using testing_support::WriteCatalog;
using testing_support::WriteFilledRequisites;

namespace fs = std::filesystem;
using testing_support::TempFolder;

std::string Cp1251(const char* utf8) {
    return text::Utf8ToCp1251(utf8);
}

// The rows of a catalog file as "ID|NAME|CENA|EDIZM|KOLUPAK", texts in UTF-8.
std::vector<std::string> CatalogRows(const std::string& path) {
    ridov::TRidovTable t;
    t.SetTableName(path);
    t.Open();
    std::vector<std::string> rows;
    for (t.First(); !t.Eof(); t.Next()) {
        std::string row;
        for (const char* name : {"ID", "NAME", "CENA", "EDIZM", "KOLUPAK"}) {
            if (!row.empty()) row += '|';
            row += text::Cp1251ToUtf8(t.FieldByName(name).AsString());
        }
        rows.push_back(row);
    }
    return rows;
}

// A modification time well in the past, in whole seconds, given to every
// source file so that a copied date cannot be mistaken for "just written".
const fs::file_time_type kSourceTime = [] {
    using namespace std::chrono;
    return time_point_cast<seconds>(fs::file_time_type::clock::now() - hours(24 * 40));
}();

bool HasSourceTime(const std::string& path) {
    std::error_code error;
    const fs::file_time_type time = fs::last_write_time(path, error);
    return !error && std::chrono::time_point_cast<std::chrono::seconds>(time) == kSourceTime;
}

struct Outcome {
    bool finished = false;
    int exitCode = -1;
    QProcess::ExitStatus status = QProcess::CrashExit;
    QString out;
    QString err;
};

// One copy of the built program for the whole suite; each test links it
// into its own program folder (same file system, so no second copy).
class BatchProcessTest : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        programCopy_ = std::make_unique<TempFolder>();
        if (fs::exists(ZV_ZAYAVKA_PATH))
            fs::copy_file(ZV_ZAYAVKA_PATH, programCopy_->File(ZV_ZAYAVKA_NAME));
    }
    static void TearDownTestSuite() { programCopy_.reset(); }

    void SetUp() override {
        if (!fs::exists(programCopy_->File(ZV_ZAYAVKA_NAME))) GTEST_SKIP() << "no built program";
        fs::create_directory(Prog(""));
        fs::create_directory(Work(""));
        std::error_code linked;
        fs::create_hard_link(programCopy_->File(ZV_ZAYAVKA_NAME), Prog(ZV_ZAYAVKA_NAME), linked);
        if (linked) fs::copy_file(programCopy_->File(ZV_ZAYAVKA_NAME), Prog(ZV_ZAYAVKA_NAME));

        WriteCatalog(Prog("price.zv"), {{"P1", "Фильтр", "10,5", 1}, {"P2", "Свеча", "2", 10}});
        WriteFilledRequisites(Prog("Zetrovo.ini"));
        catalogBefore = ReadBytes(Prog("price.zv"));

        ridov::TRidovTable order;
        order.Defs().Add("ID", ridov::DataType::String, 20);
        order.Defs().Add("KOL", ridov::DataType::Integer);
        order.Open();
        for (auto [id, kol] : {std::pair{"P1", 3}, std::pair{"P2", 1}}) {
            order.Append();
            order.FieldByName("ID").SetAsString(id);
            order.FieldByName("KOL").SetAsInteger(kol);
            order.Post();
        }
        order.SaveToFile(Work("order.zv"));

        // The last line of a.txt ends without CR LF; b.txt holds a code the
        // catalog lacks and a quantity below zero, both kept as they are.
        WriteBytes(Work("a.txt"), "P1\t3\r\nP2\t1");
        WriteBytes(Work("b.txt"), "X9\t-2\r\n");
        WriteBytes(Work("bad.txt"), "P1\tabc\r\n");
        WriteBytes(Work("price.txt"), "N1\t" + Cp1251("Гайка") + "\t12,5\t" + Cp1251("шт") +
                                          "\t4\r\n" + "N2\t" + Cp1251("Шайба М8") + "\t0,75\t" +
                                          Cp1251("упак") + "\t100\r\n");
        WriteBytes(Work("lonecr.txt"), "N1\tA\r1\r\n");
        // Price lists that give no catalog: a NUL byte (a binary file),
        // blank lines only, nothing at all.
        WriteBytes(Work("nul.txt"), std::string("N1\tA\0B\t1\r\n", 11));
        WriteBytes(Work("blank.txt"), "\r\n\r\n\r\n");
        WriteBytes(Work("empty.txt"), "");
        for (const char* name : {"order.zv", "a.txt", "b.txt", "bad.txt", "price.txt", "lonecr.txt",
                                 "nul.txt", "blank.txt", "empty.txt"})
            fs::last_write_time(Work(name), kSourceTime);
    }

    std::string Prog(const std::string& name) const { return root.File("prog/" + name); }
    std::string Work(const std::string& name) const { return root.File("work/" + name); }
    std::string Screenshot() const { return root.File("shot.png"); }

    // Starts the program with `arguments` in the work folder and waits for
    // its end (killed after `timeoutMs`).
    Outcome Run(const QStringList& arguments, int timeoutMs = 60000) const {
        QProcess process;
        process.setProgram(QString::fromStdString(Prog(ZV_ZAYAVKA_NAME)));
        process.setArguments(arguments);
        process.setWorkingDirectory(QString::fromStdString(Work("")));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("ZAYAVKA_SCREENSHOT"), QString::fromStdString(Screenshot()));
        env.insert(QStringLiteral("HOME"), QString::fromStdString(root.Path()));
        for (const auto& [name, value] : extraEnvironment) env.insert(name, value);
        process.setProcessEnvironment(env);
        process.start();
        Outcome outcome;
        if (!process.waitForStarted(10000)) {
            ADD_FAILURE() << "the program did not start: " << process.errorString().toStdString();
            return outcome;
        }
        outcome.finished = process.waitForFinished(timeoutMs);
        if (!outcome.finished) {
            process.kill();
            process.waitForFinished();
        }
        outcome.exitCode = process.exitCode();
        outcome.status = process.exitStatus();
        outcome.out = QString::fromUtf8(process.readAllStandardOutput());
        outcome.err = QString::fromUtf8(process.readAllStandardError());
#if defined(_WIN32)
        // Windows' text streams end their lines with CR LF.
        outcome.out.remove(QLatin1Char('\r'));
        outcome.err.remove(QLatin1Char('\r'));
#endif
        return outcome;
    }

    static QString Report(const QString& argument) {
        return QStringLiteral("Ошибка конвертации или файл '%1' не найден.").arg(argument);
    }

    // Puts an opener first in PATH that only notes each file it is asked to
    // open in Opened().
    // Windows opens files through the shell, where no stand-in goes: there
    // this is false and nothing is recorded.
    bool UseRecordingOpener() {
#if defined(_WIN32)
        return false;
#else
        fs::create_directory(root.File("bin"));
        const std::string opener = root.File("bin/xdg-open");
        WriteBytes(opener, "#!/bin/sh\necho \"$1\" >> '" + root.File("opened.log") + "'\n");
        fs::permissions(opener, fs::perms::owner_all);
        extraEnvironment[QStringLiteral("PATH")] =
            QString::fromStdString(root.File("bin")) + ':' + qEnvironmentVariable("PATH");
        return true;
#endif
    }
    std::string Opened() const {
        return ReadBytes(root.File("opened.log"));
    }

    static inline std::unique_ptr<TempFolder> programCopy_;
    TempFolder root;
    std::string catalogBefore;
    std::map<QString, QString> extraEnvironment;
};

struct BatchCase {
    const char* name;
    QStringList arguments;
    int exitCode;
    QStringList reported;  // the file arguments the error report names
    // Files of the work folder with their exact bytes; each carries the
    // modification time of its source.
    std::map<std::string, std::string> texts;
    // Order files of the work folder as "ID=KOL" lines; those with lines
    // carry the modification time of their text.
    std::map<std::string, std::vector<std::string>> orders;
    // The refilled catalog's rows; empty: price.zv is unchanged to the byte.
    std::vector<std::string> catalog;
    std::vector<std::string> absent;  // work files that must not exist
};

const BatchCase kBatchCases[] = {
    {"OrderFileToText",
     {"-zvconvert", "order.zv"},
     0,
     {},
     {{"order.txt", "ID\tKOL\r\nP1\t3\r\nP2\t1\r\n"}},
     {},
     {},
     {}},
    {"MissingTableFile", {"-zvconvert", "none.zv"}, 1, {"none.zv"}, {}, {}, {}, {"none.txt"}},
    {"PriceListRefillsCatalog",
     {"-convert", "price.txt"},
     0,
     {},
     {},
     {},
     {"N1|Гайка|12,5|шт|4", "N2|Шайба М8|0,75|упак|100"},
     {}},
    {"PriceListWithLoneCr", {"-convert", "lonecr.txt"}, 1, {"lonecr.txt"}, {}, {}, {}, {}},
    {"MissingPriceList", {"-convert", "none.txt"}, 1, {"none.txt"}, {}, {}, {}, {}},
    {"PriceListWithNulBytes", {"-convert", "nul.txt"}, 1, {"nul.txt"}, {}, {}, {}, {}},
    {"PriceListOfBlankLines", {"-convert", "blank.txt"}, 1, {"blank.txt"}, {}, {}, {}, {}},
    {"EmptyPriceList", {"-convert", "empty.txt"}, 1, {"empty.txt"}, {}, {}, {}, {}},
    {"TwoTextOrders",
     {"-k", "a.txt", "b.txt"},
     0,
     {},
     {},
     {{"a.zv", {"P1=3", "P2=1"}}, {"b.zv", {"X9=-2"}}},
     {},
     {}},
    // The failure in the middle is reported and the next file still
    // converts; the order file made before the failed import stays, empty.
    {"MissingTextOrderBetweenTwo",
     {"-k", "a.txt", "none.txt", "b.txt"},
     1,
     {"none.txt"},
     {},
     {{"a.zv", {"P1=3", "P2=1"}}, {"none.zv", {}}, {"b.zv", {"X9=-2"}}},
     {},
     {}},
    // Without a display nobody can answer the value question: it goes to
    // standard error and the file is stopped and reported, the new order
    // file left empty.
    {"UnconvertibleValueWithoutDisplay",
     {"-k", "bad.txt"},
     1,
     {"bad.txt"},
     {},
     {{"bad.zv", {}}},
     {},
     {}},
};

class BatchCaseTest : public BatchProcessTest, public testing::WithParamInterface<BatchCase> {};

TEST_P(BatchCaseTest, ConvertsReportsAndEnds) {
    const BatchCase& c = GetParam();
    const Outcome run = Run(c.arguments);
    ASSERT_TRUE(run.finished) << "the batch run did not end";
    EXPECT_EQ(run.status, QProcess::NormalExit) << run.err.toStdString();
    EXPECT_EQ(run.exitCode, c.exitCode) << run.err.toStdString();
    EXPECT_TRUE(run.out.isEmpty()) << run.out.toStdString();
    EXPECT_FALSE(fs::exists(Screenshot())) << "a batch run showed the main window";

    for (const QString& argument : c.arguments.mid(1)) {
        EXPECT_EQ(run.err.contains(Report(argument)), c.reported.contains(argument))
            << argument.toStdString() << " in: " << run.err.toStdString();
    }
    if (c.arguments.contains(QStringLiteral("bad.txt"))) {
        EXPECT_TRUE(run.err.contains(
            QStringLiteral("Error during insert value:\n'abc' is not a valid integer value for "
                           "field 'KOL'\n\nIgnore error?")))
            << run.err.toStdString();
    }

    for (const auto& [name, bytes] : c.texts) {
        EXPECT_EQ(ReadBytes(Work(name)), bytes) << name;
        EXPECT_TRUE(HasSourceTime(Work(name))) << name;
    }
    for (const auto& [name, lines] : c.orders) {
        ASSERT_TRUE(fs::exists(Work(name))) << name;
        EXPECT_EQ(OrderLines(Work(name)), lines) << name;
        if (!lines.empty()) {
            EXPECT_TRUE(HasSourceTime(Work(name))) << name;
        }
    }
    if (c.catalog.empty()) {
        EXPECT_EQ(ReadBytes(Prog("price.zv")), catalogBefore);
    } else {
        EXPECT_EQ(CatalogRows(Prog("price.zv")), c.catalog);
        EXPECT_TRUE(HasSourceTime(Prog("price.zv")));
    }
    for (const std::string& name : c.absent) EXPECT_FALSE(fs::exists(Work(name))) << name;
}

INSTANTIATE_TEST_SUITE_P(Switches, BatchCaseTest, testing::ValuesIn(kBatchCases),
                         [](const testing::TestParamInfo<BatchCase>& info) {
                             return std::string(info.param.name);
                         });

// A switch without a file after it, or one spelled otherwise, is no batch
// run: the program starts with its window (the screenshot ends it) and
// converts nothing.
TEST_F(BatchProcessTest, SwitchWithoutFileOrMisspeltStartsTheWindow) {
    for (const QStringList& arguments :
         {QStringList{"-k"}, QStringList{"-K", "a.txt"}, QStringList{"-x", "a.txt"}}) {
        SCOPED_TRACE(arguments.join(' ').toStdString());
        fs::remove(Screenshot());
        const Outcome run = Run(arguments, 30000);
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        EXPECT_TRUE(fs::exists(Screenshot())) << "no window: " << run.err.toStdString();
        EXPECT_FALSE(run.err.contains(QStringLiteral("Ошибка конвертации")));
        EXPECT_FALSE(fs::exists(Work("a.zv")));
        EXPECT_EQ(ReadBytes(Prog("price.zv")), catalogBefore);
    }
}

// The catalog is never created from a price list: without price.zv in the
// program folder the program has nothing to refill. A batch run says so
// and fails; a start without a switch still ends silently.
TEST_F(BatchProcessTest, PriceListWithoutCatalogCreatesNone) {
    fs::remove(Prog("price.zv"));
    const Outcome run = Run({"-convert", "price.txt"});
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.status, QProcess::NormalExit);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(Report("price.txt"))) << run.err.toStdString();
    // The error line escapes the backslashes of a Windows path.
    const QString missing = QStringLiteral("Файл каталога '%1' не найден.")
                                .arg(QString::fromStdString(Prog("price.zv")))
                                .replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    EXPECT_TRUE(run.err.contains(missing)) << run.err.toStdString();
    EXPECT_FALSE(fs::exists(Prog("price.zv")));
    EXPECT_FALSE(fs::exists(Screenshot()));

    const Outcome k = Run({"-k", "a.txt", "b.txt"});
    ASSERT_TRUE(k.finished);
    EXPECT_EQ(k.exitCode, 1);
    EXPECT_TRUE(k.err.contains(Report("a.txt")) && k.err.contains(Report("b.txt")))
        << k.err.toStdString();
    EXPECT_FALSE(fs::exists(Work("a.zv")));

    const Outcome plain = Run({});
    ASSERT_TRUE(plain.finished);
    EXPECT_EQ(plain.exitCode, 0);
    EXPECT_FALSE(plain.err.contains(QStringLiteral("Файл каталога"))) << plain.err.toStdString();
    EXPECT_FALSE(fs::exists(Screenshot()));
}

// Writes replace only regular files, and a conversion never writes over its
// own input (the same file, however it is named): the run fails with the
// report and the reason, and the file is as it was.
TEST_F(BatchProcessTest, RefusedTargetsStayAsTheyWere) {
    const auto refusedBecause = [](const Outcome& run, const QString& argument,
                                   const QString& reason) {
        EXPECT_TRUE(run.finished);
        EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(Report(argument))) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(reason)) << run.err.toStdString();
    };
    const auto notRegular = [](const char* name) {
        return QStringLiteral("Файл '%1' не заменён: это не обычный файл.").arg(name);
    };
    const auto ownInput = [](const char* name) {
        return QStringLiteral("Файл '%1' не заменён: это исходный файл преобразования.").arg(name);
    };
    using testing_support::IsFifo;
    using testing_support::MakeFifo;
    using testing_support::MakeSymlink;

    if (testing_support::kHasFifos) {
        ASSERT_TRUE(MakeFifo(Work("f.xls")));
        refusedBecause(Run({"-pxls", "f.xls"}), "f.xls", notRegular("f.xls"));
        EXPECT_TRUE(IsFifo(Work("f.xls")));

        ASSERT_TRUE(MakeFifo(Work("order.txt")));
        refusedBecause(Run({"-zvconvert", "order.zv"}), "order.zv", notRegular("order.txt"));
        EXPECT_TRUE(IsFifo(Work("order.txt")));
    }

    // A folder where the order would go, named through a link on systems
    // that make links for everyone.
    fs::create_directory(root.File("folder"));
    const bool linked = MakeSymlink(root.File("folder"), Work("a.zv"));
    if (!linked) fs::create_directory(Work("a.zv"));
    refusedBecause(Run({"-k", "a.txt"}), "a.txt", notRegular("a.zv"));
    EXPECT_TRUE(linked ? fs::is_symlink(Work("a.zv")) : fs::is_directory(Work("a.zv")));

    // "-k order.zv": the order file would be the text it is made from.
    const std::string order = ReadBytes(Work("order.zv"));
    refusedBecause(Run({"-k", "order.zv"}), "order.zv", ownInput("order.zv"));
    EXPECT_EQ(ReadBytes(Work("order.zv")), order);

    // A table named .txt: its text export would be itself.
    fs::copy_file(Work("order.zv"), Work("tbl.txt"));
    refusedBecause(Run({"-zvconvert", "tbl.txt"}), "tbl.txt", ownInput("tbl.txt"));
    EXPECT_EQ(ReadBytes(Work("tbl.txt")), order);

    // The same file under another name: b.zv is a link to b.txt.
    const std::string text = ReadBytes(Work("b.txt"));
    if (MakeSymlink(Work("b.txt"), Work("b.zv"))) {
        refusedBecause(Run({"-k", "b.txt"}), "b.txt", ownInput("b.zv"));
        EXPECT_EQ(ReadBytes(Work("b.txt")), text);
        EXPECT_TRUE(fs::is_symlink(Work("b.zv")));
    }
    EXPECT_FALSE(fs::exists(Screenshot()));
}

// A settings file that is not a regular file is an error at start-up, not
// a first start that would write a new one over it.
TEST_F(BatchProcessTest, SettingsFileThatIsNoRegularFileEndsTheStart) {
    if (!testing_support::kHasFifos) GTEST_SKIP() << testing_support::kNoFifos;
    fs::remove(Prog("Zetrovo.ini"));
    ASSERT_TRUE(testing_support::MakeFifo(Prog("Zetrovo.ini")));
    for (const QStringList& arguments : {QStringList{}, QStringList{"-k", "a.txt"}}) {
        SCOPED_TRACE(arguments.join(' ').toStdString());
        const Outcome run = Run(arguments, 30000);
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_TRUE(run.err.contains(QStringLiteral("Файл '%1' не заменён: это не обычный файл.")
                                         .arg(QString::fromStdString(Prog("Zetrovo.ini")))))
            << run.err.toStdString();
        EXPECT_EQ(fs::symlink_status(Prog("Zetrovo.ini")).type(), fs::file_type::fifo);
        EXPECT_FALSE(fs::exists(Screenshot()));
        EXPECT_FALSE(fs::exists(Work("a.zv")));
    }
}

// "-pxls": the whole catalog as the start shows it (sorted by name, the
// catalog view's columns) in the named file, which is then opened.
TEST_F(BatchProcessTest, CatalogToSpreadsheetWritesTheViewAndOpensIt) {
    if (!UseRecordingOpener()) GTEST_SKIP() << "no stand-in for the shell's opener of Windows";
    testing_support::WriteBytes(Work("out.xls"), "old");
    const Outcome run = Run({"-pxls", "out.xls"});
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.status, QProcess::NormalExit);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_FALSE(fs::exists(Screenshot())) << "a batch run showed the main window";
    EXPECT_EQ(testing_support::ReadXlsRows(ReadBytes(Work("out.xls")), 5),
              (testing_support::XlsRows{
                  {"T:Код", "T:Наименование", "T:Цена", "T:Ед.Изм.", "T:Тарная Норма"},
                  {"T:P2", "T:Свеча", "N:2", "T:шт", "I:10"},
                  {"T:P1", "T:Фильтр", "N:10.5", "T:шт", "I:1"}}));
    EXPECT_EQ(Opened(), "out.xls\n");
    EXPECT_EQ(ReadBytes(Prog("price.zv")), catalogBefore);
}

// A file that cannot be written, or a catalog with more rows than a sheet
// holds, is reported on standard error with exit code 1; nothing is
// written or opened.
TEST_F(BatchProcessTest, CatalogToSpreadsheetFailuresAreReported) {
    const bool recording = UseRecordingOpener();
    const Outcome missing = Run({"-pxls", "nofolder/out.xls"});
    ASSERT_TRUE(missing.finished);
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(missing.err.contains(Report("nofolder/out.xls"))) << missing.err.toStdString();
    EXPECT_FALSE(fs::exists(Work("nofolder")));

    {
        ridov::TRidovTable price;
        price.Defs().Add("ID", ridov::DataType::String, 8);
        price.Defs().Add("NAME", ridov::DataType::String, 80);
        price.Open();
        for (int i = 0; i < 65535; ++i) {
            price.Append();
            price.FieldByName("ID").SetAsString(std::to_string(i));
            price.Post();
        }
        price.SaveToFile(Prog("price.zv"));
    }
    const Outcome big = Run({"-pxls", "big.xls"});
    ASSERT_TRUE(big.finished);
    EXPECT_EQ(big.exitCode, 1);
    EXPECT_TRUE(big.err.contains(Report("big.xls"))) << big.err.toStdString();
    EXPECT_TRUE(big.err.contains("65536")) << big.err.toStdString();
    EXPECT_FALSE(fs::exists(Work("big.xls")));
    if (recording) {
        EXPECT_EQ(Opened(), "");
    }
    EXPECT_FALSE(fs::exists(Screenshot()));
}

}  // namespace
