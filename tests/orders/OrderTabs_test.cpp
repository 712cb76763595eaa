// The order documents and line entry through the real main window.
#include "orders/OrderTabs.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

#include "core/OrderFiles.h"
#include "engine/storage/TableImage.h"
#include "orders/CatalogView.h"
#include "orders/OrderDialog.h"
#include "orders/QuantityEdit.h"
#if !defined(_WIN32)
#include "platform/FileOps.h"
#include "platform/LinuxPlatform.h"
#endif
#include "qtsupport/MainWindowFixture.h"

namespace {

using testing_support::Exists;
using testing_support::OrderLines;
using testing_support::ScriptedPrompter;
using testing_support::TempFolder;
using testing_support::WriteOrder;
using OrderTabsTest = testing_support::MainWindowTest;

// A tab's text: the caption when it fits; otherwise the folder shortened in
// its middle, the file name always whole.
TEST(OrderTabTextTest, ShortensTheFolderNeverTheName) {
    const QFontMetrics metrics(QApplication::font());
    const QString ellipsis(QChar(0x2026));
    const QString longName = "Zakaz_dlya_filiala_na_Leninskom_prospekte_2024.zv";
    const QString deep = "/home/client/zakazy/dekabr/filial_dva/" + longName;
    const QString windows = "C:\\Zakazy\\Dekabr\\Filial\\Zakaz7.zv";
    struct Case {
        QString caption;
        int maxWidth;
        QString expected;  // empty: checked by its parts below
    } cases[] = {
        {"Zakaz1.zv", 95, "Zakaz1.zv"},
        {longName, 50, longName},  // no folder: a name is never cut
        {"/tmp/Zakaz1.zv", 1000, "/tmp/Zakaz1.zv"},
        {deep, metrics.horizontalAdvance(longName), ellipsis + "/" + longName},
        {deep, metrics.horizontalAdvance("/home/" + ellipsis + "/" + longName) + 20, {}},
        {windows, metrics.horizontalAdvance("C:\\" + ellipsis + "\\Zakaz7.zv") + 30, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.caption.toStdString() + " " + std::to_string(c.maxWidth));
        const QString text = orders::OrderTabText(c.caption, metrics, c.maxWidth);
        if (!c.expected.isEmpty()) {
            EXPECT_EQ(text, c.expected);
            continue;
        }
        const QString name = c.caption.mid(c.caption.lastIndexOf(QRegularExpression("[/\\\\]")));
        EXPECT_TRUE(text.endsWith(name)) << text.toStdString();
        EXPECT_TRUE(text.startsWith(c.caption.left(1))) << text.toStdString();
        EXPECT_TRUE(text.contains(ellipsis)) << text.toStdString();
        EXPECT_LE(metrics.horizontalAdvance(text), c.maxWidth);
    }
}

TEST_F(OrderTabsTest, FirstProductStartsAnOrderAndAnotherQuantityReplacesTheLine) {
    window->LineEntry().StoreOrderLine("P1", 3);
    ASSERT_EQ(tabs->Count(), 1);
    EXPECT_EQ(tabs->TabCaption(0), "Zakaz1.zv");
    EXPECT_EQ(OrderLines(File("Zakaz1.zv")), (std::vector<std::string>{"P1=3"}));

    // The dialog starts from the quantity the order holds.
    window->FormOrderDlg()->Prepare(dm->vtPrice.FullTableName(), "P1", &dm->qvZayavka);
    EXPECT_EQ(window->FormOrderDlg()->Quantity(), 3);

    window->LineEntry().StoreOrderLine("P1", 7);
    window->LineEntry().StoreOrderLine("P2", 2);
    EXPECT_EQ(OrderLines(File("Zakaz1.zv")), (std::vector<std::string>{"P1=7", "P2=2"}));
    EXPECT_EQ(tabs->TabLineCount(0), 2);
    // The line just stored is the current one; the grid shows the join.
    EXPECT_EQ(dm->qvZayavka.FieldByName("ID").AsString(), "P2");
    EXPECT_EQ(Cell(0, "NAME"), "Фильтр");
    EXPECT_EQ(Cell(0, "CENA"), "10,50");
    EXPECT_EQ(Cell(0, "SUM"), "73,5");
    EXPECT_EQ(tabs->Grid()->FooterText(tabs->Grid()->ColumnOfField("NAME")), "Итого(2):");
    EXPECT_EQ(tabs->Grid()->FooterText(tabs->Grid()->ColumnOfField("SUM")), "77,5");

    // The order carries the requisites and its catalog.
    ridov::TRidovTable order;
    order.SetTableName(File("Zakaz1.zv"));
    order.Open();
    EXPECT_NE(order.Comment().find("KontaktLico="), std::string::npos);
    EXPECT_NE(order.Comment().find("catalog=price.zv\r\n"), std::string::npos);
    EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(OrderTabsTest, ClosingAsksOnlyFromTheCloseMarkAndForgetsEmptyOrders) {
    tabs->NewOrder();
    tabs->NewOrder();
    ASSERT_EQ(tabs->Count(), 2);
    EXPECT_TRUE(Exists(File("Zakaz2.zv")));

    // The menu entry asks nothing; an order without lines leaves no file.
    window->Actions().ActionCloseOrder->trigger();
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_FALSE(Exists(File("Zakaz2.zv")));
    ASSERT_EQ(tabs->Count(), 1);

    // The toolbar button asks; No keeps the tab.
    window->LineEntry().StoreOrderLine("P1", 1);
    prompter.answers.push_back(ui::Prompter::Answer::No);
    window->Actions().ActionCloseOrderAsk->trigger();
    EXPECT_EQ(prompter.Texts(), QStringList{"Закрыть заявку Zakaz1.zv ?"});
    EXPECT_EQ(tabs->Count(), 1);
    prompter.answers.push_back(ui::Prompter::Answer::Yes);
    window->Actions().ActionCloseOrderAsk->trigger();
    EXPECT_EQ(tabs->Count(), 0);
    // An order with lines is kept.
    EXPECT_EQ(OrderLines(File("Zakaz1.zv")), (std::vector<std::string>{"P1=1"}));
    EXPECT_FALSE(window->Actions().ActionViewOrders->isEnabled());
}

// The order on disk decides whether an empty tab's file goes: not the
// count the tab made when it last looked.
TEST_F(OrderTabsTest, AnEmptyTabsFileIsDeletedOnlyWhileItIsStillEmptyOnDisk) {
    // Another copy of the program wrote lines into the file after this tab
    // counted none.
    tabs->NewOrder();
    ASSERT_EQ(tabs->TabLineCount(0), 0);
    WriteOrder(File("Zakaz1.zv"), {{"P1", 4}});
    window->Actions().ActionCloseOrder->trigger();
    EXPECT_EQ(OrderLines(File("Zakaz1.zv")), (std::vector<std::string>{"P1=4"}));

    // A header that says 0 records over a record that follows: shown with
    // no lines, but no empty order.
    WriteOrder(File("zero.zv"), {{"P2", 3}});
    std::string bytes = testing_support::ReadBytes(File("zero.zv"));
    ASSERT_EQ(bytes[4], 'S');
    bytes.replace(5, 4, std::string(4, '\0'));  // RecordCount
    testing_support::WriteBytes(File("zero.zv"), bytes);
    tabs->OpenOrder(QFile("zero.zv"));
    ASSERT_EQ(tabs->Count(), 1);
    EXPECT_EQ(tabs->TabLineCount(0), 0);
    window->Actions().ActionCloseOrder->trigger();
    EXPECT_EQ(testing_support::ReadBytes(File("zero.zv")), bytes);

    // Still empty and untouched: deleted as ever.
    tabs->NewOrder();
    ASSERT_EQ(tabs->ActivePath(), QFile("Zakaz2.zv"));
    window->Actions().ActionCloseOrder->trigger();
    EXPECT_FALSE(Exists(File("Zakaz2.zv")));
    EXPECT_TRUE(prompter.shown.empty());
}

#if !defined(_WIN32)
// Writes that fail as on a full disk (the Linux file writer takes its
// operations from outside; the Windows one calls the system directly).
class FullDiskOps : public platform::PosixFileOps {
  public:
    int Write(int, const uint8_t*, size_t, size_t& written) override {
        written = 0;
        return ENOSPC;
    }
};

TEST_F(OrderTabsTest, AfterAFailedWriteTheGridShowsWhatTheFileHolds) {
    window->LineEntry().StoreOrderLine("P1", 3);
    FullDiskOps full;
    platform::LinuxPlatform failing(full);
    platform::Platform* previous = platform::SetCurrentPlatform(&failing);
    EXPECT_THROW(window->LineEntry().StoreOrderLine("P2", 5), std::exception);
    platform::SetCurrentPlatform(previous);
    EXPECT_EQ(OrderLines(File("Zakaz1.zv")), (std::vector<std::string>{"P1=3"}));
    EXPECT_EQ(tabs->Grid()->Model().rowCount(), 1);
    EXPECT_EQ(Cell(0, "ID"), "P1");
    EXPECT_EQ(tabs->TabLineCount(0), 1);

    // The line that was not saved does not come along with the next one.
    window->LineEntry().StoreOrderLine("P1", 4);
    EXPECT_EQ(OrderLines(File("Zakaz1.zv")), (std::vector<std::string>{"P1=4"}));
}
#endif

// A settings file too large for an order's comment: the catalog line stays
// whole, the requisites are shortened, and the user is told once.
TEST_F(OrderTabsTest, OversizedRequisitesAreShortenedAroundAWholeCatalogLine) {
    std::string settings = "[Client]\r\n";
    for (int i = 0; settings.size() < 40000; ++i)
        settings += "Note" + std::to_string(i) + "=" + std::string(60, 'x') + "\r\n";
    testing_support::WriteBytes(File("Zetrovo.ini"), settings);
    window->LineEntry().StoreOrderLine("P1", 1);
    window->LineEntry().StoreOrderLine("P2", 2);
    ridov::TRidovTable order;
    order.SetTableName(File("Zakaz1.zv"));
    order.Open();
    const std::string comment = order.Comment();
    EXPECT_LE(comment.size(), ridov::kMaxCommentLength);
    EXPECT_EQ(comment.substr(comment.size() - 20), "\r\ncatalog=price.zv\r\n");
    EXPECT_EQ(comment.rfind("[Client]\r\nNote0=", 0), 0u);
    EXPECT_EQ(settings.rfind(comment.substr(0, comment.size() - 18), 0), 0u);  // whole lines
    EXPECT_EQ(prompter.Texts(), QStringList{orders::RequisitesCutText(dm->SettingsFile)});
    EXPECT_EQ(prompter.shown[0].kind, ScriptedPrompter::Kind::Warning);
}

TEST_F(OrderTabsTest, OpeningAShownOrderActivatesItsTab) {
    WriteOrder(File("a.zv"), {{"P1", 1}});
    TempFolder other;
    WriteOrder(other.File("b.zv"), {{"P2", 4}});
    tabs->OpenOrder(QFile("a.zv"));
    tabs->OpenOrder(QString::fromStdString(other.File("b.zv")));
    tabs->OpenOrder(QFile("a.zv"));
    ASSERT_EQ(tabs->Count(), 2);
    EXPECT_EQ(tabs->ActiveIndex(), 0);
    EXPECT_EQ(tabs->TabCaption(0), "a.zv");
    // Outside the program folder the caption is the whole path.
    EXPECT_EQ(tabs->TabCaption(1), QString::fromStdString(other.File("b.zv")));
    EXPECT_EQ(dm->qvZayavka.FieldByName("ID").AsString(), "P1");
}

TEST_F(OrderTabsTest, LineMissingFromTheCatalogIsShownAndCounted) {
    WriteOrder(File("a.zv"), {{"X9", 2}, {"P2", 1}});
    tabs->OpenOrder(QFile("a.zv"));
    ui::DataGrid* grid = tabs->Grid();
    int missing = grid->Model().CellText(0, grid->ColumnOfField("ID")) == "X9" ? 0 : 1;
    EXPECT_EQ(Cell(missing, "NAME"), "<Отсутствует в каталоге>");
    EXPECT_EQ(Cell(missing, "CENA"), "");
    EXPECT_EQ(Cell(missing, "SUM"), "");
    EXPECT_EQ(grid->Model().CellText(0, 0), "1");  // the line number
    EXPECT_EQ(grid->FooterText(grid->ColumnOfField("NAME")), "Итого(2):");

    // Such a line cannot be edited, only deleted.
    dm->qvZayavka.First();
    dm->qvZayavka.MoveBy(missing);
    window->LineEntry().EditProduct();
    EXPECT_EQ(prompter.Texts(), QStringList{"Товар с кодом X9 отсутствует в нашем каталоге."});
}

TEST_F(OrderTabsTest, SavingOverAnotherTabsFileClosesThatTab) {
    WriteOrder(File("a.zv"), {{"P1", 1}});
    tabs->NewOrder();  // Zakaz1.zv, no lines
    tabs->OpenOrder(QFile("a.zv"));
    ASSERT_EQ(tabs->Count(), 2);

    prompter.fileAnswers.push_back({QFile("Zakaz1")});  // the extension is forced
    prompter.answers.push_back(ui::Prompter::Answer::Yes);
    tabs->SaveOrderAs();
    EXPECT_EQ(prompter.Texts().value(1),
              QString("Файл '%1' уже существует. Перезаписать его ?").arg(QFile("Zakaz1.zv")));
    ASSERT_EQ(tabs->Count(), 1);
    EXPECT_EQ(tabs->ActivePath(), QFile("Zakaz1.zv"));
    EXPECT_EQ(OrderLines(File("Zakaz1.zv")), (std::vector<std::string>{"P1=1"}));
    EXPECT_EQ(OrderLines(File("a.zv")), (std::vector<std::string>{"P1=1"}));
}

TEST_F(OrderTabsTest, DamagedOrderIsReportedClosedAndKept) {
    std::ofstream(File("bad.zv"), std::ios::binary) << "not a table";
    tabs->OpenOrder(QFile("bad.zv"));
    ASSERT_EQ(prompter.Texts(), QStringList{orders::DamagedOrderText()});
    EXPECT_EQ(prompter.shown[0].kind, ScriptedPrompter::Kind::Error);
    EXPECT_EQ(tabs->Count(), 0);
    EXPECT_TRUE(Exists(File("bad.zv")));
}

TEST_F(OrderTabsTest, NewCatalogStartsANewOrderForOrdersOfAnother) {
    WriteOrder(File("a.zv"), {{"P1", 1}});
    {
        // An order made from another catalog.
        ridov::TRidovTable t;
        t.SetTableName(File("a.zv"));
        t.Open();
        t.SetComment("catalog=other.zv\r\n");
        t.SaveChanges();
    }
    tabs->OpenOrder(QFile("a.zv"));
    ASSERT_TRUE(window->OpenCatalog(dm->CatalogFile));
    ASSERT_EQ(tabs->Count(), 2);
    EXPECT_EQ(tabs->ActivePath(), QFile("Zakaz1.zv"));
}

}  // namespace

namespace {

// Answers the quantity dialog once it shows: types `quantity` over the
// selected text and presses OK. Records the quantity the dialog started at.
void AnswerQuantityDialog(orders::MainWindow& window, const char* quantity, int& shownQuantity) {
    QTimer::singleShot(0, [&window, quantity, &shownQuantity] {
        orders::OrderDialog* dialog = window.FormOrderDlg();
        ASSERT_TRUE(dialog->isVisible());
        shownQuantity = dialog->Quantity();
        dialog->AmountEdit()->selectAll();
        QTest::keyClicks(dialog->AmountEdit(), quantity);
        QTest::keyClick(dialog->AmountEdit(), Qt::Key_Return);
    });
}

TEST_F(OrderTabsTest, TypicalRequestThroughTheWindows) {
    ui::DataGrid* catalog = window->CatalogView()->Grid();
    dm->vtPrice.First();  // sorted by name: P2 "Свеча", then P1 "Фильтр"
    dm->vtPrice.Next();
    int shown = -1;
    AnswerQuantityDialog(*window, "3", shown);
    emit catalog->enterPressed();
    EXPECT_EQ(shown, 0);
    ASSERT_EQ(tabs->Count(), 1);
    EXPECT_EQ(OrderLines(File("Zakaz1.zv")), (std::vector<std::string>{"P1=3"}));
    EXPECT_EQ(tabs->Grid()->FooterText(tabs->Grid()->ColumnOfField("NAME")), "Итого(1):");
    EXPECT_EQ(tabs->Grid()->FooterText(tabs->Grid()->ColumnOfField("SUM")), "31,5");

    AnswerQuantityDialog(*window, "7", shown);
    emit catalog->enterPressed();
    EXPECT_EQ(shown, 3);
    EXPECT_EQ(OrderLines(File("Zakaz1.zv")), (std::vector<std::string>{"P1=7"}));
    EXPECT_TRUE(prompter.shown.empty());
}

}  // namespace
