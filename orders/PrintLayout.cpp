#include "orders/PrintLayout.h"

#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>
#include <QRegularExpression>
#include <algorithm>

namespace orders {

namespace {

QFont DeviceFont(const QString& family, double points, bool bold, QPaintDevice& device) {
    QFont font(family);
    font.setPointSizeF(points);
    font.setBold(bold);
    return QFont(font, &device);
}

constexpr int kCellFlags = Qt::TextWordWrap | Qt::AlignTop;

}  // namespace

TGridPageLayout::TGridPageLayout(const TGridPrintSettings& settings, const TPrintTable& table,
                                 QPaintDevice& device)
    : settings_(settings), table_(table), device_(device) {
    dotsPerMm_ = device.logicalDpiX() / 25.4;
    width_ = device.width();
    height_ = device.height();
    padding_ = 0.8 * dotsPerMm_;
    gap_ = 2 * dotsPerMm_;
    gridLine_ = std::max(1.0, 0.15 * dotsPerMm_);
    gridFont_ = DeviceFont(settings.gridFontFamily, settings.gridFontPoints, false, device);
    titleRowFont_ = DeviceFont(settings.gridFontFamily, settings.gridFontPoints, true, device);
    pageFont_ = DeviceFont(settings.pageFontFamily, settings.pageFontPoints, false, device);
    titleFont_ = DeviceFont(settings.gridFontFamily, settings.titleFontPoints, true, device);

    // The page header and footer take one line each and the gap around
    // their lines.
    pageLine_ = QFontMetricsF(pageFont_, &device).height();
    bodyTop_ = pageLine_ + gap_;
    bodyBottom_ = std::max(bodyTop_ + 1, height_ - pageLine_ - gap_);

    // The title (one line even when empty) and the lines before the grid.
    const int textFlags = Qt::TextWordWrap | Qt::AlignLeft;
    titleHeight_ = std::max(QFontMetricsF(titleFont_, &device).height(),
                            TextHeight(titleFont_, settings.title, width_, textFlags));
    double y = bodyTop_ + titleHeight_;
    for (const QString& line : settings.beforeGridText) {
        beforeGridHeights_.push_back(std::max(QFontMetricsF(gridFont_, &device).height(),
                                              TextHeight(gridFont_, line, width_, textFlags)));
        y += beforeGridHeights_.back();
    }
    gridTop_ = y + gap_;

    QStringList titles;
    for (const TPrintTable::Column& c : table.columns) titles << c.title;
    FitColumns(titles);
    titleRowHeight_ = MeasureRow(titles, true);
    rowHeights_.reserve(size_t(std::max(0, table.rowCount)));
    for (int row = 0; row < table.rowCount; ++row)
        rowHeights_.push_back(MeasureRow(RowTexts(row), false));
    if (!table.footer.isEmpty()) footerRowHeight_ = MeasureRow(table.footer, false);
    Paginate();
}

std::vector<double> FitPrintColumns(const std::vector<int>& displayWidths,
                                    const std::vector<double>& needed, double pageWidth) {
    const size_t n = displayWidths.size();
    std::vector<double> widths(n);
    std::vector<bool> atNeed(n, false);
    for (;;) {
        double free = pageWidth;
        double shares = 0;
        for (size_t c = 0; c < n; ++c) {
            if (atNeed[c])
                free -= needed[c];
            else
                shares += std::max(1, displayWidths[c]);
        }
        // Too little left for the others: plain shares for all.
        if (shares > 0 && free < pageWidth * 0.1) {
            std::fill(atNeed.begin(), atNeed.end(), false);
            free = pageWidth;
            shares = 0;
            for (int w : displayWidths) shares += std::max(1, w);
            for (size_t c = 0; c < n; ++c)
                widths[c] = free * std::max(1, displayWidths[c]) / shares;
            return widths;
        }
        bool grew = false;
        for (size_t c = 0; c < n; ++c) {
            widths[c] = atNeed[c] ? needed[c] : free * std::max(1, displayWidths[c]) / shares;
            if (!atNeed[c] && needed[c] > widths[c]) atNeed[c] = grew = true;
        }
        if (!grew) return widths;
    }
}

void TGridPageLayout::FitColumns(const QStringList& titles) {
    const size_t n = table_.columns.size();
    std::vector<int> displayWidths;
    for (const TPrintTable::Column& c : table_.columns) displayWidths.push_back(c.displayWidth);
    std::vector<double> needed(n, 0);
    const std::vector<double> shares = FitPrintColumns(displayWidths, needed, width_);
    // The widest word of each column that does not fit its share, up to a
    // third of the page.
    const auto consider = [&](size_t c, const QString& text, const QFontMetricsF& metrics) {
        if (text.isEmpty() || metrics.horizontalAdvance(text) + 2 * padding_ <= shares[c]) return;
        for (const QString& word :
             text.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts))
            needed[c] = std::max(needed[c], metrics.horizontalAdvance(word) + 2 * padding_);
        needed[c] = std::min(needed[c], width_ / 3);
    };
    const QFontMetricsF titleMetrics(titleRowFont_, &device_);
    const QFontMetricsF cellMetrics(gridFont_, &device_);
    for (size_t c = 0; c < n; ++c) consider(c, titles[int(c)], titleMetrics);
    for (int row = 0; row < table_.rowCount && table_.cell; ++row)
        for (size_t c = 0; c < n; ++c) consider(c, table_.cell(row, int(c)), cellMetrics);
    for (size_t c = 0; c < n && c < size_t(table_.footer.size()); ++c)
        consider(c, table_.footer[int(c)], cellMetrics);
    columnWidths_ = FitPrintColumns(displayWidths, needed, width_);
}

int TGridPageLayout::WrapFlags(const QFont& font, const QString& text, double width) const {
    // Words wrap at blanks; a word wider than the cell breaks where it
    // must, so no character is lost.
    const QFontMetricsF metrics(font, &device_);
    if (metrics.horizontalAdvance(text) <= width) return Qt::TextWordWrap;
    const QRectF words =
        metrics.boundingRect(QRectF(0, 0, std::max(1.0, width), 1e9), Qt::TextWordWrap, text);
    return words.width() > width + 0.5 ? Qt::TextWrapAnywhere : Qt::TextWordWrap;
}

double TGridPageLayout::SingleLineRowHeight() const {
    return QFontMetricsF(gridFont_, &device_).height() + 2 * padding_;
}

double TGridPageLayout::TextHeight(const QFont& font, const QString& text, double width,
                                   int flags) const {
    if (text.isEmpty()) return 0;
    const QFontMetricsF metrics(font, &device_);
    // Most cells fit on one line: measuring the advance is much cheaper
    // than laying out a wrapped paragraph.
    if (!text.contains(QLatin1Char('\n')) && metrics.horizontalAdvance(text) <= width)
        return metrics.height();
    if (flags & Qt::TextWordWrap)
        flags = (flags & ~Qt::TextWordWrap) | WrapFlags(font, text, width);
    return metrics.boundingRect(QRectF(0, 0, std::max(1.0, width), 1e9), flags, text).height();
}

double TGridPageLayout::MeasureRow(const QStringList& texts, bool bold) const {
    const QFont& font = bold ? titleRowFont_ : gridFont_;
    double tallest = QFontMetricsF(font, &device_).height();
    for (int c = 0; c < int(columnWidths_.size()) && c < texts.size(); ++c) {
        const double width = columnWidths_[size_t(c)] - 2 * padding_;
        tallest = std::max(tallest, TextHeight(font, texts[c], width, kCellFlags));
    }
    return tallest + 2 * padding_;
}

QStringList TGridPageLayout::RowTexts(int row) const {
    QStringList texts;
    for (int c = 0; c < int(table_.columns.size()); ++c)
        texts << (table_.cell ? table_.cell(row, c) : QString());
    return texts;
}

void TGridPageLayout::Paginate() {
    Page page;
    double y = gridTop_ + titleRowHeight_;
    int row = 0;
    while (row < table_.rowCount) {
        const double h = rowHeights_[size_t(row)];
        if (y + h > bodyBottom_ && row > page.firstRow) {
            page.endRow = row;
            pages_.push_back(page);
            page = Page{row, row, false};
            y = bodyTop_ + titleRowHeight_;
            continue;
        }
        y += h;
        ++row;
    }
    page.endRow = row;
    if (!table_.footer.isEmpty()) {
        if (y + footerRowHeight_ > bodyBottom_ && page.endRow > page.firstRow) {
            pages_.push_back(page);
            page = Page{row, row, false};
        }
        page.footerRow = true;
    }
    pages_.push_back(page);
}

void TGridPageLayout::PaintRow(QPainter& painter, double y, double height, const QStringList& texts,
                               const QColor& background, bool title) const {
    double x = 0;
    painter.setFont(title ? titleRowFont_ : gridFont_);
    for (int c = 0; c < int(columnWidths_.size()); ++c) {
        const QRectF cell(x, y, columnWidths_[size_t(c)], height);
        if (background.isValid()) painter.fillRect(cell, background);
        painter.drawRect(cell);
        const Qt::Alignment alignment =
            title ? Qt::AlignHCenter : table_.columns[size_t(c)].alignment;
        const QString text = c < texts.size() ? texts[c] : QString();
        if (!text.isEmpty()) {
            const QRectF inner = cell.adjusted(padding_, padding_, -padding_, -padding_);
            painter.drawText(inner,
                             int(alignment) | Qt::AlignTop |
                                 WrapFlags(title ? titleRowFont_ : gridFont_, text, inner.width()),
                             text);
        }
        x += columnWidths_[size_t(c)];
    }
}

void TGridPageLayout::Paint(QPainter& painter, int pageIndex) const {
    if (pageIndex < 0 || pageIndex >= PageCount()) return;
    const Page& page = pages_[size_t(pageIndex)];
    painter.save();
    painter.setPen(QPen(Qt::black, gridLine_));
    painter.setBrush(Qt::NoBrush);

    // Page header and footer.
    painter.setFont(pageFont_);
    const QRectF header(0, 0, width_, pageLine_);
    painter.drawText(header, Qt::AlignLeft | Qt::AlignVCenter, settings_.headerLeft);
    painter.drawText(header, Qt::AlignHCenter | Qt::AlignVCenter, settings_.headerCentre);
    painter.drawText(header, Qt::AlignRight | Qt::AlignVCenter, settings_.headerRight);
    const double headerLine = pageLine_ + gap_ / 2;
    painter.drawLine(QPointF(0, headerLine), QPointF(width_, headerLine));
    const QRectF footer(0, height_ - pageLine_, width_, pageLine_);
    const double footerLine = footer.top() - gap_ / 2;
    painter.drawLine(QPointF(0, footerLine), QPointF(width_, footerLine));
    painter.drawText(footer, Qt::AlignLeft | Qt::AlignVCenter,
                     PageText(settings_.footerLeft, pageIndex + 1));
    painter.drawText(footer, Qt::AlignRight | Qt::AlignVCenter,
                     PageText(settings_.footerRight, pageIndex + 1));

    // The title and the lines before the grid, on the first page.
    double y = bodyTop_;
    if (pageIndex == 0) {
        painter.setFont(titleFont_);
        painter.drawText(QRectF(0, y, width_, titleHeight_), Qt::AlignHCenter | Qt::TextWordWrap,
                         settings_.title);
        y += titleHeight_;
        painter.setFont(gridFont_);
        for (int i = 0; i < settings_.beforeGridText.size(); ++i) {
            const double h = beforeGridHeights_[size_t(i)];
            painter.drawText(QRectF(0, y, width_, h), Qt::AlignLeft | Qt::TextWordWrap,
                             settings_.beforeGridText[i]);
            y += h;
        }
        y = gridTop_;
    }

    // The grid: its title row on every page, the page's rows, the footer.
    QStringList titles;
    for (const TPrintTable::Column& c : table_.columns) titles << c.title;
    const QRectF body(0, bodyTop_, width_, bodyBottom_ - bodyTop_);
    painter.setClipRect(body);
    PaintRow(painter, y, titleRowHeight_, titles, table_.titleColor, true);
    y += titleRowHeight_;
    for (int row = page.firstRow; row < page.endRow; ++row) {
        const double h = rowHeights_[size_t(row)];
        PaintRow(painter, y, h, RowTexts(row), QColor(), false);
        y += h;
    }
    if (page.footerRow)
        PaintRow(painter, y, footerRowHeight_, table_.footer, table_.footerColor, false);
    painter.restore();
}

}  // namespace orders
