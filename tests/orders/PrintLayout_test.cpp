// The page layout of a grid printout on an A4 PDF page: column widths, row
// heights of wrapped text, how rows, the title and the footer row are
// spread over the pages, the page's orientation, and the grid's lines.
#include "orders/PrintLayout.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <memory>

#include "orders/Printout.h"
#include "support/Wine.h"

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

// Short texts all fit on one line: the columns hold them whole, fill the
// page width less one grid line, and keep their proportions.
TEST_F(PrintLayoutTest, ColumnsFillThePageByWhatTheirTextsNeed) {
    const TPrintTable table = Table(5);
    const TGridPageLayout layout(settings, table, writer);
    const std::vector<double>& w = layout.ColumnWidths();
    ASSERT_EQ(w.size(), 3u);
    EXPECT_NEAR(layout.GridLeft() * 2 + w[0] + w[1] + w[2], layout.PageWidth(), 1e-6);
    // A4 less two margins of 10 mm.
    EXPECT_NEAR(layout.PageWidth() / layout.DotsPerMm(), 190, 1);
    // "Наименование" (bold) is the widest text, "P0" the narrowest.
    EXPECT_GT(w[1], w[2]);
    EXPECT_GT(w[2], w[0]);
    for (int r = 0; r < 5; ++r) EXPECT_DOUBLE_EQ(layout.RowHeight(r), layout.SingleLineRowHeight());
}

TEST_F(PrintLayoutTest, WrappedTextMakesItsRowTaller) {
    const TPrintTable table = Table(3, false, 1, 150);
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
    std::vector<orders::TColumnNeed> needs;
    std::vector<double> widths;  // on a page 100 wide
};

const FitCase kFitCases[] = {
    // Everything fits: the rest by width.
    {"AllTextsFitTheRestGoesByWidth", {{5, {10, 20}}, {5, {10, 30}}}, {40, 60}},
    // The first column holds all its texts for 25, the second 70 of its
    // 90; the rest goes to the second.
    {"WidenedByRowsBroughtOntoOneLine", {{0, {10, 20, 25}}, {0, {30, 70, 90}}}, {25, 75}},
    // A price column holds its longest price (a tenth of the rows) for 2
    // more; the same 2 bring fewer rows onto one line in the name column,
    // which takes the rest.
    {"NarrowColumnHoldsAllItsTextsFirst",
     {{0, {10, 10, 10, 10, 10, 10, 10, 10, 10, 12}},
      {0, {10, 20, 30, 40, 50, 60, 70, 80, 90, 100}}},
     {12, 88}},
    // A title word never breaks: its column keeps it however short its
    // texts are.
    {"TitleWordIsTheLeast", {{30, {5, 5}}, {0, {60, 80}}}, {30, 70}},
    // Both columns cannot have their texts on one line: the first one
    // does, the second wraps in what is left.
    {"OneColumnOnOneLineRatherThanNone", {{10, {50, 60, 70}}, {10, {80, 100, 120}}}, {70, 30}},
    // When every text fits, a title that fits on one line gets its width.
    {"TitleOnOneLineWhenThereIsRoom", {{10, {20}, 50}, {10, {20}, 90}}, {50, 50}},
    // Not even the titles fit: shrunk alike.
    {"TitlesDoNotFit", {{60, {60}}, {90, {90}}}, {40, 60}},
    // An empty table: the titles, the rest by width.
    {"NoRows", {{10, {}}, {30, {}}}, {25, 75}},
};

class ColumnFit : public testing::TestWithParam<FitCase> {};

TEST_P(ColumnFit, WidthsFillThePage) {
    const FitCase& c = GetParam();
    const std::vector<double> widths = orders::FitPrintColumns(c.needs, 100);
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

// Titles wrap at their blanks only, never inside a word, even when the
// cells' texts are far too long for the page.
TEST_F(PrintLayoutTest, TitlesNeverBreakInsideAWord) {
    TPrintTable table;
    const QStringList titles = {"Код",  "Модель",  "Номер",        "Наименование", "Ед.Изм.",
                                "Цена", "Остаток", "Тарная Норма", "Производитель"};
    for (const QString& title : titles) table.columns.push_back({title, 8, Qt::AlignLeft});
    table.rowCount = 40;
    table.cell = [](int row, int column) {
        return QStringLiteral("ABCDEFGHIJ%1 длинный текст ячейки без конца").arg(row * 10 + column);
    };
    const TGridPageLayout layout(settings, table, writer);
    QFont bold(settings.gridFontFamily);
    bold.setPointSizeF(settings.gridFontPoints);
    bold.setBold(true);
    const QFontMetricsF metrics(QFont(bold, &writer), &writer);
    for (int c = 0; c < titles.size(); ++c) {
        for (const QString& word : titles[c].split(' '))
            EXPECT_GT(layout.ColumnWidths()[size_t(c)], metrics.horizontalAdvance(word))
                << word.toStdString();
    }
    // "Тарная Норма" takes two lines, no title more.
    EXPECT_LT(layout.TitleRowHeight(), 2.5 * metrics.height() + 2 * layout.DotsPerMm());
}

// A wide table whose rows would wrap on a portrait page goes across the
// sheet when that takes fewer pages; a narrow one stays upright. The same
// layouts are painted.
TEST(PrintOrientation, LandscapeWhenItTakesFewerPages) {
    if (testing_support::UnderWine()) GTEST_SKIP() << testing_support::kWineFonts;
    TGridPrintSettings settings;
    const auto table = [](int columns) {
        TPrintTable t;
        for (int c = 0; c < columns; ++c) t.columns.push_back({QStringLiteral("К%1").arg(c), 8});
        t.rowCount = 400;
        t.cell = [](int row, int column) {
            return QStringLiteral("%1-%2 Текст").arg(row * 37 % 1000 + 1000).arg(column);
        };
        return t;
    };
    for (const int columns : {3, 14}) {
        SCOPED_TRACE(columns);
        const TPrintTable t = table(columns);
        orders::TPdfPrintout pdf(settings, t);
        int pages[2] = {0, 0};
        for (const QPageLayout::Orientation o : {QPageLayout::Portrait, QPageLayout::Landscape}) {
            QByteArray bytes;
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::WriteOnly);
            QPdfWriter writer(&buffer);
            writer.setResolution(600);
            orders::SetupPrintPage(settings, writer, o);
            pages[o == QPageLayout::Landscape] = TGridPageLayout(settings, t, writer).PageCount();
        }
        EXPECT_EQ(pdf.PageCount(), std::min(pages[0], pages[1]));
        if (columns == 3)
            EXPECT_LT(pages[0], pages[1]);
        else
            EXPECT_LT(pages[1], pages[0]);
        EXPECT_FALSE(pdf.Bytes().isEmpty());
    }
}

// The grid's outer lines lie inside the printable area: a page painted on
// an image (as the preview does, at a screen's resolution) shows the left
// and the right border of the grid, and its top and bottom lines on a
// page after the first.
TEST(PrintBorders, OuterLinesAreInsideThePage) {
    TGridPrintSettings settings;
    TPrintTable table;
    table.columns = {{"Код", 8, Qt::AlignLeft}, {"Сумма", 10, Qt::AlignRight}};
    table.rowCount = 200;
    table.cell = [](int row, int) { return QString::number(row); };
    for (const int dpi : {72, 96, 150}) {
        SCOPED_TRACE(dpi);
        QImage image(int(190 / 25.4 * dpi), int(277 / 25.4 * dpi), QImage::Format_RGB32);
        image.setDotsPerMeterX(int(dpi / 0.0254 + 0.5));
        image.setDotsPerMeterY(int(dpi / 0.0254 + 0.5));
        image.fill(Qt::white);
        const TGridPageLayout layout(settings, table, image);
        ASSERT_GT(layout.PageCount(), 2);
        {
            QPainter painter(&image);
            layout.Paint(painter, 1);
        }
        const auto dark = [&](int x, int y) { return qGray(image.pixel(x, y)) < 160; };
        const int middle = int(layout.GridTop() + layout.TitleRowHeight() * 1.5);
        EXPECT_TRUE(dark(0, middle) || dark(1, middle)) << "left border";
        EXPECT_TRUE(dark(image.width() - 1, middle) || dark(image.width() - 2, middle))
            << "right border";
        const int x = image.width() / 4;
        EXPECT_TRUE(dark(x, int(layout.GridTop())) || dark(x, int(layout.GridTop()) + 1))
            << "top line";
        const TGridPageLayout::Page& page = layout.PageAt(1);
        double bottom = layout.GridTop() + layout.TitleRowHeight();
        for (int r = page.firstRow; r < page.endRow; ++r) bottom += layout.RowHeight(r);
        EXPECT_LE(bottom, layout.GridBottom());
        EXPECT_TRUE(dark(x, int(bottom)) || dark(x, int(bottom) - 1)) << "bottom line";
    }
}

TEST(PrintPageText, PageNumberReplacesItsPlaceholder) {
    EXPECT_EQ(orders::PageText("Страница &[Page]", 12), "Страница 12");
    EXPECT_EQ(orders::PageText("", 3), "");
}

}  // namespace
