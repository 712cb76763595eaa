// TGridPageLayout: a grid printout laid out on the pages of a paint device
// (a printer, a PDF writer, an image), and the painting of each page.
//
// Page, from top to bottom, inside the page margins:
//   page header   left, centre and right texts on one line, a line under it
//   first page:   the title (centred, bold, wrapped), then the lines of
//                 the text printed before the grid, each wrapped
//   every page:   the grid's title row, then as many rows as fit; the
//                 grid's footer row after its last row
//   page footer   a line over it, then the left text ("Страница N") and
//                 the right text
//
// The grid fills the page width, and its columns are as wide as their
// texts need (FitPrintColumns): never narrower than the widest word of the
// column's title or its footer text, so those never break inside a word;
// then widened where that brings the most rows onto one line; the width
// left over goes to the columns that still have longer texts, then to
// titles that would fit on one line. Texts wrap at blanks within their
// cell (a word still too wide breaks anywhere) and a row is as tall as its
// tallest cell. A page holds at least one row (or the footer row), so a
// row taller than a whole page is cut at the page's bottom rather than
// holding up the printout.
//
// The grid's lines lie wholly inside the page's printable area and are
// drawn once each, so every device shows all of them, the outer ones
// included, whatever its resolution.
//
// Measuring: the column widths come from an even sample of at most
// TPrintMeasure::kFitSample rows, measured once per device resolution and
// shared by the layouts of both orientations of a page. A layout reads
// every row once (stopping early when given a page limit); painting a page
// reads only the rows of that page. Widths of texts on one line are the
// sums of their characters' advances, measured exactly only near a column's
// width (TTextWidths), which makes laying out a large catalog quick.
//
// Lifetime: the settings, the table and the device must outlive the
// layout; the layout keeps references to them.
//
// Thread safety: GUI thread only (fonts).
#pragma once

#include <QFont>
#include <QFontMetricsF>
#include <QRectF>
#include <vector>

#include "orders/PrintGrid.h"

class QPainter;
class QPaintDevice;

namespace orders {

// What the texts of one column need, in device units, the cell's padding
// included.
struct TColumnNeed {
    // The width below which the column's title or footer text would break
    // inside a word.
    double least = 0;
    // The widths of its cell texts on one line (of every row, or of an even
    // sample of the rows), in ascending order. The same number for every
    // column of a table.
    std::vector<double> texts;
    // The width that holds its title on one line (0: no wish).
    double title = 0;
};

// Column widths that fill `width`:
//   1. every column gets its `least`;
//   2. then, one widening at a time, the column and the width (tried at
//      every hundredth of its texts) that bring the largest share of rows
//      onto one line for the width they cost (a row is on one line when
//      each of its cells is), as long as the width lasts;
//   3. the rest goes first to the columns that need the least to hold all
//      their texts on one line, one after the other as long as it
//      suffices, then to the others by what they still miss;
//   4. when every text fits, the rest goes in the same way to the titles
//      that would then fit on one line; what is left, by width.
// When the `least` widths do not fit, they are shrunk alike.
std::vector<double> FitPrintColumns(const std::vector<TColumnNeed>& needs, double width);

// The widths of texts on one line in one font on one device. Estimate()
// adds up the characters' advances (kept per character); it differs from
// the exact width by kerning only, a few per cent, so FitsOneLine()
// measures exactly only when the estimate is that close to the width.
class TTextWidths {
  public:
    TTextWidths(const QFont& font, QPaintDevice& device);
    // The width of the widest line of `text`.
    double Estimate(const QString& text) const;
    double Exact(const QString& text) const { return metrics_.horizontalAdvance(text); }
    // Whether `text` has no line break and fits `width` on one line.
    bool FitsOneLine(const QString& text, double width) const;

  private:
    QFontMetricsF metrics_;
    mutable std::vector<double> advances_;
};

// The fonts of a printout on a device.
struct TPrintFonts {
    TPrintFonts(const TGridPrintSettings& settings, QPaintDevice& device);
    QFont grid;
    QFont titleRow;
    QFont page;
    QFont title;
};

// What the columns of a table need on a device, from an even sample of its
// rows.
class TPrintMeasure {
  public:
    static constexpr int kFitSample = 20000;

    // REQUIRES: the device has a positive resolution.
    TPrintMeasure(const TGridPrintSettings& settings, const TPrintTable& table,
                  QPaintDevice& device);

    // Whether a layout on `device` may use it (the same resolution).
    bool Fits(const QPaintDevice& device) const;
    // What each column needs, with `padding` on either side of a text.
    std::vector<TColumnNeed> Needs(double padding) const;

  private:
    int dpiX_ = 0;
    int dpiY_ = 0;
    // Per column, unpadded: the sample's widths in ascending order, the
    // widest title word or footer text, the title on one line.
    std::vector<std::vector<double>> texts_;
    std::vector<double> least_;
    std::vector<double> title_;
};

class TGridPageLayout {
  public:
    struct Page {
        int firstRow = 0;  // rows firstRow .. endRow-1 of the table
        int endRow = 0;
        bool footerRow = false;  // the grid's footer row closes this page
    };

    // Lays the table out on the device's page as it is set now, with the
    // column needs of `measure` when it fits the device, else measuring
    // anew. With a `pageLimit` above 0 the layout stops as soon as it has
    // more pages than that (Complete() is then false).
    // REQUIRES: the device has a positive width and height.
    TGridPageLayout(const TGridPrintSettings& settings, const TPrintTable& table,
                    QPaintDevice& device, const TPrintMeasure* measure = nullptr,
                    int pageLimit = 0);

    // At least 1. For an incomplete layout, the pages laid out.
    int PageCount() const { return int(pages_.size()); }
    // Whether every row is laid out.
    bool Complete() const { return complete_; }
    // The pages of the whole table: PageCount() when complete, else the
    // pages laid out scaled by the rows not yet laid out.
    int EstimatedPageCount() const;
    // REQUIRES: 0 <= page < PageCount().
    const Page& PageAt(int page) const { return pages_[size_t(page)]; }

    // Geometry in device units, with (0, 0) the top left corner of the
    // area inside the margins (a paged device's painter origin).
    double PageWidth() const { return width_; }
    // The band between the page header's line and the page footer's line.
    double BodyTop() const { return bodyTop_; }
    double BodyBottom() const { return bodyBottom_; }
    // Where the grid begins on the first page (after the title and the
    // lines before the grid), and on the others.
    double FirstPageGridTop() const { return gridTop_; }
    double GridTop() const { return bodyTop_ + gridLine_ / 2; }
    // The lowest a row may end: its bottom line still inside the body.
    double GridBottom() const { return bodyBottom_ - gridLine_ / 2; }
    // The grid's lines: the left one at GridLeft(), the others after each
    // column.
    double GridLeft() const { return gridLine_ / 2; }
    double GridLineWidth() const { return gridLine_; }
    // Fill the page width less one line width.
    const std::vector<double>& ColumnWidths() const { return columnWidths_; }
    double TitleRowHeight() const { return titleRowHeight_; }
    // REQUIRES: the row is laid out (on one of the pages).
    double RowHeight(int row) const { return rowHeights_[size_t(row)]; }
    double FooterRowHeight() const { return footerRowHeight_; }
    // The height of a row of one line.
    double SingleLineRowHeight() const;
    // Units per millimetre of the device.
    double DotsPerMm() const { return dotsPerMm_; }

    // Paints page `page` (from 0) with `painter`, which paints on the
    // device the layout was made for.
    void Paint(QPainter& painter, int page) const;

  private:
    // Qt::TextWordWrap, or Qt::TextWrapAnywhere when a word is wider than
    // `width`.
    int WrapFlags(const QFont& font, const QString& text, double width) const;
    double MeasureRow(const QStringList& texts, bool bold) const;
    double TextHeight(const QFont& font, const QString& text, double width, int flags) const;
    void PaintRow(QPainter& painter, double y, double height, const QStringList& texts,
                  const QColor& background, bool title) const;
    QStringList RowTexts(int row) const;
    // Measures the rows and spreads them over pages, up to `pageLimit`.
    void Paginate(int pageLimit);

    const TGridPrintSettings& settings_;
    const TPrintTable& table_;
    QPaintDevice& device_;
    TPrintFonts fonts_;
    TTextWidths cellWidths_;
    double dotsPerMm_ = 0;
    double width_ = 0;
    double height_ = 0;
    double padding_ = 0;
    double rowPadding_ = 0;
    double gap_ = 0;
    double pageLine_ = 0;
    double gridLine_ = 0;
    double lineHeight_ = 0;
    double bodyTop_ = 0;
    double bodyBottom_ = 0;
    double titleHeight_ = 0;
    std::vector<double> beforeGridHeights_;
    double gridTop_ = 0;
    std::vector<double> columnWidths_;
    double titleRowHeight_ = 0;
    std::vector<double> rowHeights_;
    double footerRowHeight_ = 0;
    std::vector<Page> pages_;
    bool complete_ = true;
};

}  // namespace orders
