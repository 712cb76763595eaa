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
// The grid is fitted to the page width: each column gets a share of the
// width in proportion to its display width, but at least the width of its
// widest word where the page allows (FitPrintColumns). Texts wrap at
// blanks within their cell (a word still too wide breaks anywhere) and a
// row is as tall as its tallest cell. A page holds at
// least one row (or the footer row), so a row taller than a whole page is
// cut at the page's bottom rather than holding up the printout.
//
// Laying out reads every cell text twice (for the widths, then the
// heights); painting a page reads only the rows of that page.
//
// Lifetime: the settings, the table and the device must outlive the
// layout; the layout keeps references to them.
//
// Thread safety: GUI thread only (fonts).
#pragma once

#include <QFont>
#include <QRectF>
#include <vector>

#include "orders/PrintGrid.h"

class QPainter;
class QPaintDevice;

namespace orders {

// Column widths for a page `pageWidth` wide: shares by display width,
// except that a column whose share is below its `needed` width (its widest
// word) gets that width and the others share the rest. When the needed
// widths leave less than a tenth of the page for the others, plain shares.
std::vector<double> FitPrintColumns(const std::vector<int>& displayWidths,
                                    const std::vector<double>& needed, double pageWidth);

class TGridPageLayout {
  public:
    struct Page {
        int firstRow = 0;  // rows firstRow .. endRow-1 of the table
        int endRow = 0;
        bool footerRow = false;  // the grid's footer row closes this page
    };

    // REQUIRES: the device has a positive width and height.
    TGridPageLayout(const TGridPrintSettings& settings, const TPrintTable& table,
                    QPaintDevice& device);

    // At least 1.
    int PageCount() const { return int(pages_.size()); }
    // REQUIRES: 0 <= page < PageCount().
    const Page& PageAt(int page) const { return pages_[size_t(page)]; }

    // Geometry in device units, with (0, 0) the top left corner of the
    // area inside the margins (a paged device's painter origin).
    double PageWidth() const { return width_; }
    // The band between the page header's line and the page footer's line.
    double BodyTop() const { return bodyTop_; }
    double BodyBottom() const { return bodyBottom_; }
    // Where the grid begins on the first page (after the title and the
    // lines before the grid).
    double FirstPageGridTop() const { return gridTop_; }
    const std::vector<double>& ColumnWidths() const { return columnWidths_; }
    double TitleRowHeight() const { return titleRowHeight_; }
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
    void FitColumns(const QStringList& titles);
    // Qt::TextWordWrap, or Qt::TextWrapAnywhere when a word is wider than
    // `width`.
    int WrapFlags(const QFont& font, const QString& text, double width) const;
    double MeasureRow(const QStringList& texts, bool bold) const;
    double TextHeight(const QFont& font, const QString& text, double width, int flags) const;
    void PaintRow(QPainter& painter, double y, double height, const QStringList& texts,
                  const QColor& background, bool title) const;
    QStringList RowTexts(int row) const;
    void Paginate();

    const TGridPrintSettings& settings_;
    const TPrintTable& table_;
    QPaintDevice& device_;
    QFont gridFont_;
    QFont titleRowFont_;
    QFont pageFont_;
    QFont titleFont_;
    double dotsPerMm_ = 0;
    double width_ = 0;
    double height_ = 0;
    double padding_ = 0;
    double gap_ = 0;
    double pageLine_ = 0;
    double gridLine_ = 0;
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
};

}  // namespace orders
