// The page layout of a grid printout on an A4 PDF page: column widths, row
// heights of wrapped text, and how rows, the title and the footer row are
// spread over the pages.
#include "orders/PrintLayout.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QPdfWriter>
#include <memory>

#include "orders/PrintPreview.h"

namespace {

using orders::TGridPageLayout;
using orders::TGridPrintSettings;
using orders::TPrintTable;

class PrintLayoutTest : public testing::Test {
  protected:
    PrintLayoutTest() : buffer(&bytes), writer((buffer.open(QIODevice::WriteOnly), &buffer)) {
        writer.setResolution(300);
        orders::SetupPrintPage(settings, writer);
    }

    // A table of `rows` rows: a short code and a name; row `longRow` gets a
    // name of many words.
    TPrintTable Table(int rows, bool footer = false, int longRow = -1, int longWords = 60) {
        TPrintTable t;
        t.columns = {{"Код", 8, Qt::AlignLeft},
                     {"Наименование", 40, Qt::AlignLeft},
                     {"Цена", 10, Qt::AlignRight}};
        t.rowCount = rows;
        t.cell = [longRow, longWords](int row, int column) {
            if (column == 0) return QStringLiteral("P%1").arg(row);
            if (column == 2) return QStringLiteral("10,50");
            if (row != longRow) return QStringLiteral("Свеча зажигания");
            QString text;
            for (int i = 0; i < longWords; ++i) text += QStringLiteral("слово ");
            return text;
        };
        if (footer) t.footer = QStringList{"", "Итого(1):", "10,5"};
        return t;
    }

    QByteArray bytes;
    QBuffer buffer;
    QPdfWriter writer;
    TGridPrintSettings settings;
};

TEST_F(PrintLayoutTest, ColumnsShareThePageWidthByDisplayWidth) {
    const TPrintTable table = Table(1);
    const TGridPageLayout layout(settings, table, writer);
    const std::vector<double>& w = layout.ColumnWidths();
    ASSERT_EQ(w.size(), 3u);
    EXPECT_NEAR(w[0] + w[1] + w[2], layout.PageWidth(), 1e-6);
    EXPECT_NEAR(w[1] / w[0], 5.0, 1e-9);
    // A4 less two margins of 10 mm.
    EXPECT_NEAR(layout.PageWidth() / layout.DotsPerMm(), 190, 1);
}

TEST_F(PrintLayoutTest, WrappedTextMakesItsRowTaller) {
    const TPrintTable table = Table(3, false, 1);
    const TGridPageLayout layout(settings, table, writer);
    EXPECT_DOUBLE_EQ(layout.RowHeight(0), layout.SingleLineRowHeight());
    EXPECT_GT(layout.RowHeight(1), 3 * layout.SingleLineRowHeight());
    EXPECT_DOUBLE_EQ(layout.RowHeight(2), layout.SingleLineRowHeight());
}

struct PageCase {
    const char* name;
    int rows;
    int beforeGridLines;
    bool footer;
    int longRow;
};

class PageBreaks : public PrintLayoutTest, public testing::WithParamInterface<PageCase> {};

// Every row lands on exactly one page, in order; each page holds the title
// row and its rows within the body; the footer row closes the last page.
TEST_P(PageBreaks, RowsFillThePagesInOrder) {
    const PageCase& c = GetParam();
    for (int i = 0; i < c.beforeGridLines; ++i) settings.beforeGridText << "- Адрес: Москва";
    const TPrintTable table = Table(c.rows, c.footer, c.longRow);
    const TGridPageLayout layout(settings, table, writer);
    int next = 0;
    for (int p = 0; p < layout.PageCount(); ++p) {
        SCOPED_TRACE(p);
        const TGridPageLayout::Page& page = layout.PageAt(p);
        EXPECT_EQ(page.firstRow, next);
        EXPECT_GE(page.endRow, page.firstRow);
        next = page.endRow;
        double y =
            (p == 0 ? layout.FirstPageGridTop() : layout.BodyTop()) + layout.TitleRowHeight();
        for (int r = page.firstRow; r < page.endRow; ++r) y += layout.RowHeight(r);
        EXPECT_EQ(page.footerRow, c.footer && p == layout.PageCount() - 1);
        if (page.footerRow) y += layout.FooterRowHeight();
        EXPECT_LE(y, layout.BodyBottom());
        if (p + 1 < layout.PageCount()) {
            // The next row (or the footer) would not have fitted.
            const double more = next < c.rows ? layout.RowHeight(next) : layout.FooterRowHeight();
            EXPECT_GT(y + more, layout.BodyBottom());
        }
    }
    EXPECT_EQ(next, c.rows);
}

const PageCase kPageCases[] = {
    {"EmptyGridOnePage", 0, 0, true, -1},
    {"OneRow", 1, 4, true, -1},
    {"ManyRows", 300, 0, false, -1},
    {"ManyRowsWithRequisitesAndFooter", 300, 4, true, -1},
    {"TallRowMovesToTheNextPage", 60, 4, true, 40},
};

INSTANTIATE_TEST_SUITE_P(Tables, PageBreaks, testing::ValuesIn(kPageCases),
                         [](const testing::TestParamInfo<PageCase>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(PrintLayoutTest, LinesBeforeTheGridLeaveFewerRowsOnTheFirstPageOnly) {
    const TPrintTable table = Table(300);
    const TGridPageLayout plain(settings, table, writer);
    settings.beforeGridText = {"- Название организации: Фирма", "- Адрес: Адрес", "- Телефон: 1",
                               "- Контактное лицо: Лицо"};
    const TGridPageLayout withLines(settings, table, writer);
    ASSERT_GT(plain.PageCount(), 2);
    const auto rows = [](const TGridPageLayout& l, int p) {
        return l.PageAt(p).endRow - l.PageAt(p).firstRow;
    };
    EXPECT_LT(rows(withLines, 0), rows(plain, 0));
    EXPECT_EQ(rows(withLines, 1), rows(plain, 1));
    // Later pages hold more rows than the first, which has the title.
    EXPECT_GT(rows(plain, 1), rows(plain, 0));
}

// A row taller than a whole page gets a page of its own, cut at the bottom,
// and the printout goes on.
TEST_F(PrintLayoutTest, RowTallerThanAPageTakesOnePage) {
    const TPrintTable table = Table(3, false, 1, 6000);
    const TGridPageLayout layout(settings, table, writer);
    EXPECT_GT(layout.RowHeight(1), layout.BodyBottom() - layout.BodyTop());
    ASSERT_EQ(layout.PageCount(), 3);
    EXPECT_EQ(layout.PageAt(1).firstRow, 1);
    EXPECT_EQ(layout.PageAt(1).endRow, 2);
}

struct FitCase {
    const char* name;
    std::vector<int> displayWidths;
    std::vector<double> needed;
    std::vector<double> widths;  // on a page 100 wide
};

const FitCase kFitCases[] = {
    {"SharesByDisplayWidth", {1, 3}, {0, 0}, {25, 75}},
    {"NarrowColumnGetsItsWordOthersShareTheRest", {1, 2, 1}, {40, 0, 0}, {40, 40, 20}},
    {"NeedWithinTheShareChangesNothing", {1, 3}, {20, 70}, {25, 75}},
    {"GrowingOneCanPushAnotherBelowItsNeed", {1, 1, 2}, {40, 25, 0}, {40, 25, 35}},
    {"NeedsLeavingNoRoomGiveUp", {1, 1, 1}, {50, 45, 0}, {100.0 / 3, 100.0 / 3, 100.0 / 3}},
};

class ColumnFit : public testing::TestWithParam<FitCase> {};

TEST_P(ColumnFit, WidthsFillThePage) {
    const FitCase& c = GetParam();
    const std::vector<double> widths = orders::FitPrintColumns(c.displayWidths, c.needed, 100);
    ASSERT_EQ(widths.size(), c.widths.size());
    for (size_t i = 0; i < widths.size(); ++i) EXPECT_NEAR(widths[i], c.widths[i], 1e-9) << i;
}

INSTANTIATE_TEST_SUITE_P(Cases, ColumnFit, testing::ValuesIn(kFitCases),
                         [](const testing::TestParamInfo<FitCase>& info) {
                             return std::string(info.param.name);
                         });

// A line number or a title word wider than its column's share widens the
// column, so that it prints whole on one line.
TEST_F(PrintLayoutTest, ColumnWidensToItsWidestWord) {
    TPrintTable table;
    table.columns = {{"№", 1, Qt::AlignLeft},
                     {"Наименование", 60, Qt::AlignLeft},
                     {"Количество", 4, Qt::AlignRight}};
    table.rowCount = 1200;
    table.cell = [](int row, int column) {
        return column == 0 ? QString::number(row + 1) : QStringLiteral("1");
    };
    const TGridPageLayout layout(settings, table, writer);
    EXPECT_GT(layout.ColumnWidths()[0], layout.PageWidth() / 65 * 1.5);
    EXPECT_GT(layout.ColumnWidths()[2], layout.PageWidth() / 65 * 4 * 1.5);
    EXPECT_DOUBLE_EQ(layout.TitleRowHeight(), layout.SingleLineRowHeight());
    EXPECT_DOUBLE_EQ(layout.RowHeight(1199), layout.SingleLineRowHeight());
}

// A word wider than the whole page still prints whole: it breaks anywhere
// and its row grows.
TEST_F(PrintLayoutTest, WordWiderThanThePageBreaksAnywhere) {
    TPrintTable table;
    table.columns = {{"Код", 10, Qt::AlignLeft}};
    table.rowCount = 1;
    table.cell = [](int, int) { return QString(400, QLatin1Char('W')); };
    const TGridPageLayout layout(settings, table, writer);
    EXPECT_GT(layout.RowHeight(0), 3 * layout.SingleLineRowHeight());
}

TEST(PrintPageText, PageNumberReplacesItsPlaceholder) {
    EXPECT_EQ(orders::PageText("Страница &[Page]", 12), "Страница 12");
    EXPECT_EQ(orders::PageText("", 3), "");
}

}  // namespace
