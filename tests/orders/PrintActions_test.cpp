// Printing and the spreadsheet export through the real main window: the
// commands as the menu triggers them, boxes and file dialogs answered by the
// scripted prompter, the preview replaced by a recorder of the printout,
// opening a file recorded instead of done.
#include "orders/PrintActions.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QFile>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QThread>
#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "engine/dataset/RidovTable.h"
#include "engine/text/Win1251.h"
#include "orders/CatalogView.h"
#include "orders/PrintLayout.h"
#include "orders/Printout.h"
#include "platform/NativePlatform.h"
#include "qtsupport/HostPath.h"
#include "qtsupport/MainWindowFixture.h"
#include "support/FileBytes.h"
#include "support/Wine.h"
#include "support/XlsRecords.h"
#include "tools/catalog/CatalogTable.h"
#include "ui/Win1251Text.h"

namespace {

using testing_support::ReadBytes;
using testing_support::ReadXlsRows;
using testing_support::ScriptedPrompter;
using testing_support::WriteBytes;
using testing_support::WriteOrder;
using testing_support::XlsRows;
using Kind = ScriptedPrompter::Kind;

// The real platform, except that opening a file with its program is only
// recorded (and fails when `opens` is false), and that the user has the
// Russian conventions whatever the machine's locale is.
class OpenRecorder : public platform::NativePlatform {
  public:
    bool OpenWithAssociatedProgram(const std::string& target) override {
        opened.push_back(target);
        return opens;
    }
    LocaleFormats UserLocale() override { return {}; }
    std::vector<std::string> opened;
    bool opens = true;
};

// A printout as the preview got it.
struct Printout {
    orders::TGridPrintSettings settings;
    QStringList titles;
    std::vector<QStringList> rows;
    QStringList footer;
    int pages = 0;
};

int64_t LocalTime(int year, int month, int day, int hour) {
    return QDateTime(QDate(year, month, day), QTime(hour, 0)).toSecsSinceEpoch();
}

const QStringList kRequisites = {"- Название организации: Фирма", "- Адрес: Адрес", "- Телефон: 1",
                                 "- Контактное лицо: Лицо"};

class PrintTest : public testing_support::MainWindowTest {
  protected:
    void SetUp() override {
        previous_ = platform::SetCurrentPlatform(&os);
        MainWindowTest::SetUp();
        if (HasFatalFailure()) return;
        Printing().hasPrinter = [this] { return printerInstalled; };
        Printing().showPreview = [this](orders::Printout& printout, QPrinter& printer) {
            const orders::TPrintTable& table = printout.Table();
            // The pages the preview shows: the whole printout laid out on
            // the printer as the printout set its page up.
            const int pages =
                orders::TGridPageLayout(printout.Settings(), table, printer).PageCount();
            Printout p{printout.Settings(), {}, {}, table.footer, pages};
            for (const auto& c : table.columns) p.titles << c.title;
            for (int r = 0; r < table.rowCount; ++r) {
                QStringList row;
                for (int c = 0; c < int(table.columns.size()); ++c) row << table.cell(r, c);
                p.rows.push_back(row);
            }
            previews.push_back(p);
        };
        // 15 March 2007, noon.
        ASSERT_TRUE(os.SetModificationTime(File("price.zv"), LocalTime(2007, 3, 15, 12)));
    }
    void TearDown() override {
        MainWindowTest::TearDown();
        platform::SetCurrentPlatform(previous_);
    }

    orders::PrintActions& Printing() { return window->Printing(); }
    // Runs a command as the menu does (commands on orders are enabled when
    // the application goes idle).
    void Trigger(QAction* action) {
        window->AppIdle();
        ASSERT_TRUE(action->isEnabled()) << action->objectName().toStdString();
        action->trigger();
    }
    const orders::MainActions& A() const { return window->Actions(); }
    void OpenOrder(const char* name, const std::vector<std::pair<const char*, int>>& lines) {
        WriteOrder(File(name), lines);
        tabs->OpenOrder(QFile(name));
        ASSERT_EQ(tabs->Count(), 1);
    }
    void SetCatalogFilter(const char* field, const char* text) {
        ui::DataGrid* grid = window->CatalogView()->Grid();
        grid->SetFilterText(grid->ColumnOfField(field), QString::fromUtf8(text));
        window->CatalogView()->ApplySTFilter();
    }

    // Replaces the catalog by one of `records` products and shows it.
    void OpenBigCatalog(int records) {
        ridov::TRidovTable price;
        price.Defs().Add("ID", ridov::DataType::String, 8);
        price.Defs().Add("NAME", ridov::DataType::String, 80);
        price.Open();
        for (int i = 0; i < records; ++i) {
            price.Append();
            price.FieldByName("ID").SetAsString(std::to_string(i));
            price.Post();
        }
        price.SaveToFile(File("price.zv"));
        ASSERT_TRUE(window->OpenCatalog(dm->CatalogFile));
    }

    OpenRecorder os;
    bool printerInstalled = true;
    std::vector<Printout> previews;

  private:
    platform::Platform* previous_ = nullptr;
};

const QStringList kCatalogTitles = {"Код", "Наименование", "Цена", "Ед.Изм.", "Тарная Норма"};

// ---- spreadsheet export ----

TEST_F(PrintTest, CatalogExportProposesTheDatedNameForcesXlsAndOpensTheFile) {
    dm->vtPrice.Last();
    prompter.fileAnswers.push_back({QFile("mine.txt")});
    Trigger(A().ActionExportPriceToExcel);
    // The catalog stays on its record.
    EXPECT_EQ(dm->vtPrice.RecNo(), 2);
    EXPECT_EQ(window->CatalogView()->Grid()->CurrentRow(), 1);

    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].kind, Kind::SaveFileName);
    EXPECT_EQ(prompter.shown[0].text, " Экспорт прайс-листа в MS Excel");
    EXPECT_EQ(prompter.shown[0].details, dm->ProgramDir + "price20070315.xls");
    EXPECT_EQ(prompter.shown[0].filter, "Файлы MS Excel (*.xls)");
    EXPECT_FALSE(testing_support::Exists(File("mine.txt")));
    // The view's columns and titles, its rows by name, prices as stored.
    XlsRows expected = {{},
                        {"T:P2", "T:Свеча", "N:2", "T:шт", "I:0"},
                        {"T:P1", "T:Фильтр", "N:10.5", "T:шт", "I:0"}};
    for (const QString& title : kCatalogTitles) expected[0].push_back("T:" + title.toStdString());
    EXPECT_EQ(ReadXlsRows(ReadBytes(File("mine.xls")), 5), expected);
    EXPECT_EQ(os.opened, std::vector<std::string>{File("mine.xls")});
}

TEST_F(PrintTest, CatalogExportWritesOnlyTheFilteredRowsAndAnEmptyViewHasTitlesOnly) {
    SetCatalogFilter("NAME", "Фил*");
    prompter.fileAnswers.push_back({QFile("f.xls")});
    Trigger(A().ActionExportPriceToExcel);
    const XlsRows rows = ReadXlsRows(ReadBytes(File("f.xls")), 5);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1][1], "T:Фильтр");

    SetCatalogFilter("NAME", "Нет такого");
    prompter.fileAnswers.push_back({QFile("none.xls")});
    Trigger(A().ActionExportPriceToExcel);
    EXPECT_EQ(ReadXlsRows(ReadBytes(File("none.xls")), 5).size(), 1u);
}

TEST_F(PrintTest, OverwriteAnsweredNoWritesNothingAndYesReplaces) {
    WriteBytes(File("old.xls"), "old");
    const QString question = "Файл '" + QFile("old.xls") + "' уже существует. Перезаписать его ?";
    prompter.fileAnswers.push_back({QFile("old.xls")});
    prompter.answers.push_back(ui::Prompter::Answer::No);
    Trigger(A().ActionExportPriceToExcel);
    EXPECT_EQ(prompter.Texts().back(), question);
    EXPECT_EQ(ReadBytes(File("old.xls")), "old");
    EXPECT_TRUE(os.opened.empty());

    prompter.fileAnswers.push_back({QFile("old.xls")});
    prompter.answers.push_back(ui::Prompter::Answer::Yes);
    Trigger(A().ActionExportPriceToExcel);
    EXPECT_EQ(ReadXlsRows(ReadBytes(File("old.xls")), 5).size(), 3u);
    EXPECT_TRUE(prompter.AllAnswered());
}

TEST_F(PrintTest, FileNoProgramOpensIsReportedAndStays) {
    os.opens = false;
    prompter.fileAnswers.push_back({QFile("x.xls")});
    Trigger(A().ActionExportPriceToExcel);
    EXPECT_EQ(prompter.Kinds().back(), Kind::Information);
    EXPECT_EQ(prompter.Texts().back(), "Не удается открыть файл '" + QFile("x.xls") + "'.");
    EXPECT_TRUE(testing_support::Exists(File("x.xls")));
}

TEST_F(PrintTest, WriteFailureIsShownAndNothingIsOpened) {
    prompter.fileAnswers.push_back({QFile("missing-folder/x.xls")});
    Trigger(A().ActionExportPriceToExcel);
    EXPECT_EQ(prompter.Kinds().back(), Kind::Error);
    EXPECT_TRUE(prompter.Texts().back().contains(QFile("missing-folder/x.xls")))
        << prompter.Texts().back().toStdString();
    EXPECT_TRUE(os.opened.empty());
}

// The order as a spreadsheet: line numbers and quantities as integers,
// prices and sums as numbers, a product missing from the catalog with empty
// name and unit and zero price and sum, the footer row with the count and
// the total.
TEST_F(PrintTest, OrderSavedAsSpreadsheetHoldsLinesAndFooter) {
    OpenOrder("Zakaz5.zv", {{"P1", 3}, {"X9", 2}});
    prompter.fileAnswers.push_back({QFile("order.xls")});
    Trigger(A().ActionSaveOrderAs);
    EXPECT_EQ(ReadXlsRows(ReadBytes(File("order.xls")), 7),
              (XlsRows{{"T:№", "T:Код", "T:Наименование товара", "T:Единица Измерения", "T:Цена",
                        "T:Количество", "T:Сумма"},
                       {"I:1", "T:P1", "T:Фильтр", "T:шт", "N:10.5", "I:3", "N:31.5"},
                       {"I:2", "T:X9", "E", "E", "N:0", "I:2", "N:0"},
                       {"T:", "T:", "T:Итого(2):", "T:", "T:", "T:", "N:31.5"}}));
    EXPECT_EQ(os.opened, std::vector<std::string>{File("order.xls")});
    // The order tab still shows the order file.
    EXPECT_EQ(tabs->ActivePath(), QFile("Zakaz5.zv"));
}

// "Сохранить как": the file type chosen decides the format and adds its
// extension to a bare name; a name typed with ".zv" or ".xls" says itself
// which format it wants; another extension is replaced.
TEST_F(PrintTest, SaveAsWritesTheChosenTypeUnderItsExtension) {
    OpenOrder("Zakaz5.zv", {{"P1", 3}});
    struct Case {
        const char* typed;
        int type;  // 0 order file, 1 spreadsheet
        const char* written;
        bool spreadsheet;
    } cases[] = {
        {"abc", 1, "abc.xls", true},       {"abc", 0, "abc.zv", false},
        {"def.XLS", 0, "def.XLS", true},   {"ghi.zv", 1, "ghi.zv", false},
        {"v1.2.txt", 1, "v1.2.xls", true}, {"v1.2.txt", 0, "v1.2.zv", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.typed) + " " + std::to_string(c.type));
        prompter.Clear();
        os.opened.clear();
        const QString before = tabs->ActivePath();
        prompter.fileAnswers.push_back({QFile(c.typed)});
        prompter.typeAnswers.push_back(c.type);
        Trigger(A().ActionSaveOrderAs);
        ASSERT_EQ(prompter.shown.size(), 1u);
        EXPECT_EQ(prompter.shown[0].filter, "Файлы заявок (*.zv);;Файлы MS Excel (*.xls)");
        EXPECT_EQ(dir.Names().count(c.written), 1u);
        if (c.spreadsheet) {
            EXPECT_EQ(ReadXlsRows(ReadBytes(File(c.written)), 7).size(), 3u);
            EXPECT_EQ(os.opened, std::vector<std::string>{File(c.written)});
            EXPECT_EQ(tabs->ActivePath(), before);
        } else {
            EXPECT_EQ(testing_support::OrderLines(File(c.written)),
                      std::vector<std::string>{"P1=3"});
            EXPECT_TRUE(os.opened.empty());
            EXPECT_EQ(tabs->ActivePath(), QFile(c.written));
        }
    }
    // Nothing else was written (beside the catalog's kept sort order).
    EXPECT_EQ(dir.Names(), (std::set<std::string>{"Zetrovo.ini", "price.zv", "price.zv.sort",
                                                  "Zakaz5.zv", "abc.xls", "abc.zv", "def.XLS",
                                                  "ghi.zv", "v1.2.xls", "v1.2.zv"}));
}

// More rows than a sheet holds are refused before anything is written,
// saying how many there are, what fits and what narrows the catalog.
TEST_F(PrintTest, CatalogBeyondTheRowLimitIsRefusedWithTheCounts) {
    OpenBigCatalog(65535);
    prompter.fileAnswers.push_back({QFile("big.xls")});
    Trigger(A().ActionExportPriceToExcel);
    EXPECT_EQ(prompter.Kinds().back(), Kind::Warning);
    const QString text = prompter.Texts().back();
    EXPECT_TRUE(text.contains("65536") && text.contains("65535") && text.contains("фильтр"))
        << text.toStdString();
    EXPECT_FALSE(testing_support::Exists(File("big.xls")));
    EXPECT_TRUE(os.opened.empty());
}

// ---- printing ----

TEST_F(PrintTest, WithoutPrinterBothPrintCommandsOnlySaySo) {
    printerInstalled = false;
    OpenOrder("Zakaz1.zv", {{"P1", 1}});
    Trigger(A().ActionPrintOrder);
    Trigger(A().ActionPrintPrice);
    EXPECT_EQ(prompter.Texts(),
              (QStringList{"Нет установленных принтеров.", "Нет установленных принтеров."}));
    EXPECT_TRUE(previews.empty());
}

TEST_F(PrintTest, OrderPrintShowsTitleRequisitesReadNowAndTheGrid) {
    OpenOrder("Zakaz1.zv", {{"P1", 3}, {"P2", 1}});
    Trigger(A().ActionPrintOrder);
    // The requisites change between two printouts of one run.
    WriteBytes(File("Zetrovo.ini"), text::Utf8ToCp1251("[Client]\r\nKlient=Другая\r\n"));
    Trigger(A().ActionPrintOrder);
    ASSERT_EQ(previews.size(), 2u);

    const Printout& first = previews[0];
    EXPECT_EQ(first.settings.title, "Заказ 'Zakaz1.zv'");
    EXPECT_EQ(first.settings.beforeGridText, kRequisites);
    EXPECT_EQ(first.titles, (QStringList{"№", "Код", "Наименование товара", "Единица Измерения",
                                         "Цена", "Количество", "Сумма"}));
    ASSERT_EQ(first.rows.size(), 2u);
    EXPECT_EQ(first.rows[0], (QStringList{"1", "P1", "Фильтр", "шт", "10,50", "3", "31,5"}));
    EXPECT_EQ(first.footer[2], "Итого(2):");
    EXPECT_EQ(first.footer[6], "33,5");

    const Printout& second = previews[1];
    EXPECT_EQ(second.settings.beforeGridText,
              (QStringList{"- Название организации: Другая",
                           "- Адрес: ", "- Телефон: ", "- Контактное лицо: "}));
    // Page header and footer as fixed; the centre text does not grow.
    for (const Printout& p : previews) {
        EXPECT_EQ(p.settings.headerLeft, "");
        EXPECT_EQ(p.settings.headerCentre, "");
        EXPECT_EQ(p.settings.headerRight, "Велимар");
        EXPECT_EQ(p.settings.footerLeft, "Страница &[Page]");
        EXPECT_EQ(p.settings.footerRight, "");
    }
    EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(PrintTest, CatalogPrintShowsTheDateAndTheFiltersInUse) {
    SetCatalogFilter("NAME", "Све*");
    Trigger(A().ActionPrintPrice);
    // At exactly midnight the time is left out.
    ASSERT_TRUE(os.SetModificationTime(File("price.zv"), LocalTime(2007, 3, 15, 0)));
    SetCatalogFilter("NAME", "");
    Trigger(A().ActionPrintPrice);
    ASSERT_EQ(previews.size(), 2u);
    EXPECT_EQ(previews[0].settings.title, "Каталог  от 15.03.2007 12:00:00");
    EXPECT_EQ(previews[0].settings.beforeGridText, QStringList{"- Наименование: Све*"});
    EXPECT_EQ(previews[0].titles, kCatalogTitles);
    ASSERT_EQ(previews[0].rows.size(), 1u);
    EXPECT_EQ(previews[0].rows[0][1], "Свеча");
    EXPECT_TRUE(previews[0].footer.isEmpty());
    EXPECT_EQ(previews[1].settings.title, "Каталог  от 15.03.2007");
    EXPECT_TRUE(previews[1].settings.beforeGridText.isEmpty());
    EXPECT_EQ(previews[1].rows.size(), 2u);
}

// The print commands share their component: the order print's requisites
// are replaced by the catalog's lines and come back with the next order
// print.
TEST_F(PrintTest, OrderAndCatalogPrintsReplaceEachOthersTexts) {
    OpenOrder("Zakaz1.zv", {{"P1", 1}});
    Trigger(A().ActionPrintOrder);
    Trigger(A().ActionPrintPrice);
    Trigger(A().ActionPrintOrder);
    ASSERT_EQ(previews.size(), 3u);
    EXPECT_TRUE(previews[1].settings.beforeGridText.isEmpty());
    EXPECT_EQ(previews[2].settings.beforeGridText, kRequisites);
    EXPECT_EQ(previews[2].settings.title, "Заказ 'Zakaz1.zv'");
}

// The text of a PDF file per page, or nothing when poppler's pdftotext is
// missing. Under Wine it is Linux's, given Linux paths. Wine neither
// connects a pipe to a Linux program nor waits for its end, so the text
// goes into a file that is complete once it has its name.
std::optional<QStringList> PdfPages(const std::string& path) {
    QString program = QStandardPaths::findExecutable("pdftotext");
    if (program.isEmpty() && testing_support::UnderWine() &&
        QFile::exists(QStringLiteral("Z:/usr/bin/pdftotext")))
        program = QStringLiteral("/usr/bin/pdftotext");
    if (program.isEmpty()) return std::nullopt;
    const QString pdf = QString::fromStdString(path);
    const QString text = pdf + QStringLiteral(".txt");
    const QString part = text + QStringLiteral(".part");
    QProcess p;
    p.start(QStringLiteral("/bin/sh"),
            {"-c", "\"$0\" -layout \"$1\" \"$2\" && mv \"$2\" \"$3\"",
             testing_support::HostPath(program), testing_support::HostPath(pdf),
             testing_support::HostPath(part), testing_support::HostPath(text)});
    p.waitForFinished(30000);
    QDeadlineTimer deadline(30000);
    while (!QFile::exists(text) && !deadline.hasExpired()) QThread::msleep(20);
    QFile file(text);
    if (!file.open(QIODevice::ReadOnly)) return QStringList();
    QStringList pages = QString::fromUtf8(file.readAll()).split(QLatin1Char('\f'));
    if (!pages.isEmpty() && pages.back().trimmed().isEmpty()) pages.removeLast();
    return pages;
}

// A printout of more pages than the limit is made only when the user
// agrees, both on paper and as PDF; the question counts the pages of the
// layout then shown or written (laid out as far as the limit, the rest
// estimated from that part).
TEST_F(PrintTest, PrintoutOfManyPagesIsAskedAboutFirst) {
    OpenBigCatalog(3000);
    Printing().largePrintoutPages = 20;
    prompter.answers = {ui::Prompter::Answer::No, ui::Prompter::Answer::No,
                        ui::Prompter::Answer::Yes, ui::Prompter::Answer::Yes};
    Trigger(A().ActionPrintPrice);
    Trigger(A().ActionSavePricePdf);
    EXPECT_TRUE(previews.empty());
    EXPECT_EQ(prompter.Kinds(), (std::vector<Kind>{Kind::ConfirmYesNo, Kind::ConfirmYesNo}));
    Trigger(A().ActionPrintPrice);
    prompter.fileAnswers.push_back({QFile("big.pdf")});
    Trigger(A().ActionSavePricePdf);

    ASSERT_EQ(previews.size(), 1u);
    EXPECT_EQ(previews[0].rows.size(), 3000u);
    EXPECT_GT(previews[0].pages, 20);
    ASSERT_EQ(prompter.Texts().size(), 5u);  // the last one is the file dialog
    const QRegularExpression question(
        "^Распечатка займет около (\\d+) страниц \\(строк: 3000\\)\\. Чтобы распечатать часть "
        "каталога, сузьте его фильтром\\. Продолжить \\?$");
    int asked[4] = {};
    for (int i = 0; i < 4; ++i) {
        const QRegularExpressionMatch match = question.match(prompter.Texts()[i]);
        ASSERT_TRUE(match.hasMatch()) << prompter.Texts()[i].toStdString();
        asked[i] = match.captured(1).toInt();
    }
    EXPECT_EQ(asked[0], asked[2]);
    EXPECT_EQ(asked[1], asked[3]);
    EXPECT_NEAR(asked[0], previews[0].pages, 1);
    const std::optional<QStringList> pages = PdfPages(File("big.pdf"));
    if (!pages) GTEST_SKIP() << "no pdftotext";
    EXPECT_NEAR(asked[1], pages->size(), 1);
}

// The catalog's printout as a customer makes it, on a realistic catalog
// narrowed to one brand and on the whole of it: at least 50 rows a page.
TEST_F(PrintTest, CatalogPrintoutHoldsAtLeastFiftyRowsAPage) {
    if (testing_support::UnderWine()) GTEST_SKIP() << testing_support::kWineFonts;
    std::string error;
    ASSERT_TRUE(platform::CurrentPlatform().WriteFileAtomically(
        File("price.zv"), catalog::CatalogImage(7, 6000), error))
        << error;
    ASSERT_TRUE(window->OpenCatalog(dm->CatalogFile));
    // The brand of the most products.
    std::map<std::string, int> brands;
    for (dm->vtPrice.First(); !dm->vtPrice.Eof(); dm->vtPrice.Next())
        ++brands[dm->vtPrice.FieldByName("BREND").AsString()];
    const auto top = std::max_element(brands.begin(), brands.end(),
                                      [](auto& a, auto& b) { return a.second < b.second; });
    SetCatalogFilter("BREND", ui::FromWin1251(top->first).toUtf8().constData());
    Trigger(A().ActionPrintPrice);
    SetCatalogFilter("BREND", "");
    Trigger(A().ActionPrintPrice);

    ASSERT_EQ(previews.size(), 2u);
    EXPECT_EQ(previews[0].rows.size(), size_t(top->second));
    EXPECT_EQ(previews[1].rows.size(), 6000u);
    for (const Printout& p : previews) {
        SCOPED_TRACE(p.rows.size());
        EXPECT_LE(p.pages, (int(p.rows.size()) + 49) / 50);
    }
    EXPECT_TRUE(prompter.shown.empty());
}

// ---- PDF ----

TEST_F(PrintTest, OrderPdfHoldsEveryPageWithTitleRequisitesAndTotal) {
    if (testing_support::UnderWine()) GTEST_SKIP() << testing_support::kWinePdfText;
    std::vector<std::pair<const char*, int>> lines = {{"P1", 2}};
    std::vector<std::string> ids;
    for (int i = 0; i < 200; ++i) ids.push_back("X" + std::to_string(1000 + i));
    for (const std::string& id : ids) lines.push_back({id.c_str(), 1});
    OpenOrder("Zakaz7.zv", lines);
    printerInstalled = false;  // a PDF needs no printer
    prompter.fileAnswers.push_back({QFile("order")});
    Trigger(A().ActionSaveOrderPdf);
    EXPECT_EQ(prompter.shown[0].details, dm->ProgramDir + "Zakaz7.pdf");
    const std::optional<QStringList> pages = PdfPages(File("order.pdf"));
    if (!pages) GTEST_SKIP() << "no pdftotext";
    ASSERT_GE(pages->size(), 3) << "201 lines take several pages";
    for (int i = 0; i < pages->size(); ++i) {
        const QString& page = (*pages)[i];
        SCOPED_TRACE(i);
        EXPECT_TRUE(page.contains("Велимар"));
        EXPECT_TRUE(page.contains(QStringLiteral("Страница %1").arg(i + 1)));
        EXPECT_TRUE(page.contains("Наименование товара")) << "title row on every page";
        EXPECT_EQ(page.contains("Заказ 'Zakaz7.zv'"), i == 0);
        EXPECT_EQ(page.contains("Итого(201):"), i == pages->size() - 1);
    }
    for (const QString& line : kRequisites)
        EXPECT_TRUE(pages->front().contains(line)) << line.toStdString();
    EXPECT_TRUE(pages->front().contains("Фильтр"));
    EXPECT_TRUE(pages->back().contains("21"));  // the total 2 x 10,5
    EXPECT_TRUE(pages->back().contains("X1199"));
    EXPECT_TRUE(previews.empty());
}

TEST_F(PrintTest, CatalogPdfShowsTheFilteredView) {
    if (testing_support::UnderWine()) GTEST_SKIP() << testing_support::kWinePdfText;
    SetCatalogFilter("NAME", "Све*");
    prompter.fileAnswers.push_back({QFile("price.pdf")});
    Trigger(A().ActionSavePricePdf);
    EXPECT_EQ(prompter.shown[0].details, dm->ProgramDir + "price20070315.pdf");
    const std::optional<QStringList> pages = PdfPages(File("price.pdf"));
    if (!pages) GTEST_SKIP() << "no pdftotext";
    ASSERT_EQ(pages->size(), 1);
    EXPECT_TRUE(pages->front().contains("Каталог от 15.03.2007 12:00:00") ||
                pages->front().contains("Каталог  от 15.03.2007 12:00:00"))
        << pages->front().toStdString();
    EXPECT_TRUE(pages->front().contains("- Наименование: Све*"));
    EXPECT_TRUE(pages->front().contains("Свеча"));
    EXPECT_FALSE(pages->front().contains("Фильтр"));
}

// ---- a real spreadsheet program ----

// Both exports read back by LibreOffice as CSV, when it is installed.
TEST_F(PrintTest, SpreadsheetProgramReadsValuesAndCyrillicText) {
    QString office = QStandardPaths::findExecutable("soffice");
    if (office.isEmpty()) office = QStandardPaths::findExecutable("libreoffice");
    if (office.isEmpty()) GTEST_SKIP() << "LibreOffice is not installed";
    OpenOrder("Zakaz1.zv", {{"P1", 3}, {"X9", 2}});
    prompter.fileAnswers.push_back({QFile("order.xls")});
    Trigger(A().ActionSaveOrderAs);
    prompter.fileAnswers.push_back({QFile("price.xls")});
    Trigger(A().ActionExportPriceToExcel);

    // The texts are in the system's code page, which a spreadsheet program
    // takes from its locale: a Russian one, as the program's users have.
    QProcess p;
    p.setWorkingDirectory(QString::fromStdString(dir.Path()));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("LANG", "ru_RU.UTF-8");
    env.insert("LC_ALL", "ru_RU.UTF-8");
    p.setProcessEnvironment(env);
    p.start(office, {"-env:UserInstallation=file://" + QFile("lo-profile"), "--headless",
                     "--convert-to", "csv:Text - txt - csv (StarCalc):59,34,UTF8", "--outdir",
                     QFile("csv"), QFile("order.xls"), QFile("price.xls")});
    ASSERT_TRUE(p.waitForFinished(120000));
    EXPECT_EQ(ReadBytes(File("csv/order.csv")),
              "№;Код;Наименование товара;Единица Измерения;Цена;Количество;Сумма\n"
              "1;P1;Фильтр;шт;10,5;3;31,5\n"
              "2;X9;;;0;2;0\n"
              ";;Итого(2):;;;;31,5\n");
    EXPECT_EQ(ReadBytes(File("csv/price.csv")),
              "Код;Наименование;Цена;Ед.Изм.;Тарная Норма\n"
              "P2;Свеча;2;шт;0\n"
              "P1;Фильтр;10,5;шт;0\n");
}

}  // namespace
