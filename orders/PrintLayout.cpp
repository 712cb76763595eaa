#include "orders/PrintLayout.h"

#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <numeric>
#include <optional>

namespace orders {

namespace {

QFont DeviceFont(const QString& family, double points, bool bold, QPaintDevice& device) {
    QFont font(family);
    font.setPointSizeF(points);
    font.setBold(bold);
    return QFont(font, &device);
}

constexpr int kCellFlags = Qt::TextWordWrap | Qt::AlignTop;

// The widest of the words of `text` (split at blanks).
double WidestWord(const QFontMetricsF& metrics, const QString& text) {
    double widest = 0;
    int start = 0;
    for (int i = 0; i <= text.size(); ++i) {
        if (i < text.size() && !text[i].isSpace()) continue;
        if (i > start)
            widest = std::max(widest, metrics.horizontalAdvance(text.mid(start, i - start)));
        start = i + 1;
    }
    return widest;
}

// Gives each column its `miss` out of `rest`, the smallest misses first, as
// long as the rest suffices; returns what is left. A column that got its
// miss has it set to 0.
double MakeGoodSmallestFirst(std::vector<double>& widths, std::vector<double>& miss, double rest) {
    std::vector<size_t> order(widths.size());
    std::iota(order.begin(), order.end(), size_t(0));
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return miss[a] < miss[b]; });
    for (size_t c : order) {
        if (miss[c] <= 0) continue;
        if (miss[c] > rest) break;
        widths[c] += miss[c];
        rest -= miss[c];
        miss[c] = 0;
    }
    return rest;
}

// Spreads `rest` over the columns by `weights`, or by width when they are
// all 0.
void Spread(std::vector<double>& widths, const std::vector<double>& weights, double rest) {
    const size_t n = widths.size();
    std::vector<double> by = weights;
    double total = std::accumulate(by.begin(), by.end(), 0.0);
    if (total <= 0) {
        by = widths;
        total = std::accumulate(by.begin(), by.end(), 0.0);
    }
    for (size_t c = 0; c < n; ++c) widths[c] += total > 0 ? rest * by[c] / total : rest / double(n);
}

}  // namespace

// ---- column widths ----

std::vector<double> FitPrintColumns(const std::vector<TColumnNeed>& needs, double width) {
    const size_t n = needs.size();
    std::vector<double> widths(n, 0);
    if (n == 0) return widths;
    size_t samples = needs[0].texts.size();
    for (const TColumnNeed& need : needs) samples = std::min(samples, need.texts.size());
    double rest = width;
    for (size_t c = 0; c < n; ++c) {
        widths[c] = needs[c].least;
        rest -= widths[c];
    }
    if (rest < 0) {
        // Not even the titles fit: all shrink alike.
        const double sum = width - rest;
        for (double& w : widths) w = w * width / sum;
        return widths;
    }

    if (samples > 0) {
        // The share of a column's texts that fit on one line at a width, as
        // a logarithm (a row is on one line when each of its cells is; the
        // shares multiply). Half a text keeps an empty share finite.
        const auto logShare = [&](size_t c, double w) {
            const std::vector<double>& t = needs[c].texts;
            const size_t fit =
                size_t(std::upper_bound(t.begin(), t.begin() + long(samples), w) - t.begin());
            return std::log((double(fit) + 0.5) / (double(samples) + 1));
        };
        // The widths worth trying: every hundredth of the texts.
        std::vector<std::vector<std::pair<double, double>>> steps(n);
        std::vector<double> current(n);
        for (size_t c = 0; c < n; ++c) {
            current[c] = logShare(c, widths[c]);
            for (size_t i = 1; i <= 100; ++i) {
                const double w = needs[c].texts[(i * samples + 99) / 100 - 1];
                if (w > widths[c] && (steps[c].empty() || w > steps[c].back().first))
                    steps[c].push_back({w, logShare(c, w)});
            }
        }
        // Greedily the widening that brings the most rows onto one line
        // per unit of width, as long as the width lasts.
        for (;;) {
            size_t bestColumn = n;
            std::pair<double, double> best;
            double bestRatio = 0;
            for (size_t c = 0; c < n; ++c) {
                for (const auto& step : steps[c]) {
                    const double cost = step.first - widths[c];
                    if (cost <= 0) continue;
                    if (cost > rest) break;
                    const double ratio = (step.second - current[c]) / cost;
                    if (ratio > bestRatio) {
                        bestRatio = ratio;
                        bestColumn = c;
                        best = step;
                    }
                }
            }
            if (bestColumn == n) break;
            rest -= best.first - widths[bestColumn];
            widths[bestColumn] = best.first;
            current[bestColumn] = best.second;
        }
    }

    // What each column misses for its longest text, made good the smallest
    // first; then the titles on one line where that is all that is left.
    std::vector<double> miss(n, 0);
    for (size_t c = 0; c < n; ++c)
        if (samples > 0) miss[c] = std::max(0.0, needs[c].texts[samples - 1] - widths[c]);
    rest = MakeGoodSmallestFirst(widths, miss, rest);
    if (std::any_of(miss.begin(), miss.end(), [](double m) { return m > 0; })) {
        Spread(widths, miss, rest);
        return widths;
    }
    for (size_t c = 0; c < n; ++c) miss[c] = std::max(0.0, needs[c].title - widths[c]);
    rest = MakeGoodSmallestFirst(widths, miss, rest);
    Spread(widths, miss, rest);
    return widths;
}

// ---- measuring ----

TTextWidths::TTextWidths(const QFont& font, QPaintDevice& device)
    : metrics_(font, &device), advances_(0x500, -1.0) {}

double TTextWidths::Estimate(const QString& text) const {
    double widest = 0;
    double line = 0;
    for (const QChar ch : text) {
        if (ch == QLatin1Char('\n')) {
            widest = std::max(widest, line);
            line = 0;
            continue;
        }
        const char16_t u = ch.unicode();
        if (u < advances_.size()) {
            double& advance = advances_[u];
            if (advance < 0) advance = metrics_.horizontalAdvance(ch);
            line += advance;
        } else {
            line += metrics_.horizontalAdvance(ch);
        }
    }
    return std::max(widest, line);
}

bool TTextWidths::FitsOneLine(const QString& text, double width) const {
    if (text.contains(QLatin1Char('\n'))) return false;
    // Kerning moves a text's width by a few per cent at most.
    const double estimate = Estimate(text);
    const double margin = 0.08 * estimate + 2;
    if (estimate + margin <= width) return true;
    if (estimate - margin > width) return false;
    return Exact(text) <= width;
}

TPrintFonts::TPrintFonts(const TGridPrintSettings& settings, QPaintDevice& device)
    : grid(DeviceFont(settings.gridFontFamily, settings.gridFontPoints, false, device)),
      titleRow(DeviceFont(settings.gridFontFamily, settings.gridFontPoints, true, device)),
      page(DeviceFont(settings.pageFontFamily, settings.pageFontPoints, false, device)),
      title(DeviceFont(settings.gridFontFamily, settings.titleFontPoints, true, device)) {}

TPrintMeasure::TPrintMeasure(const TGridPrintSettings& settings, const TPrintTable& table,
                             QPaintDevice& device)
    : dpiX_(device.logicalDpiX()), dpiY_(device.logicalDpiY()) {
    const TPrintFonts fonts(settings, device);
    const TTextWidths cell(fonts.grid, device);
    const QFontMetricsF title(fonts.titleRow, &device);
    const size_t columns = table.columns.size();
    const int rows = table.cell ? std::max(0, table.rowCount) : 0;
    const int samples = std::min(rows, kFitSample);
    texts_.assign(columns, std::vector<double>(size_t(samples)));
    for (int i = 0; i < samples; ++i) {
        const int row = int(int64_t(i) * rows / samples);
        for (size_t c = 0; c < columns; ++c)
            texts_[c][size_t(i)] = cell.Estimate(table.cell(row, int(c)));
    }
    for (size_t c = 0; c < columns; ++c) {
        std::sort(texts_[c].begin(), texts_[c].end());
        // A title wraps at its blanks, never inside a word; the footer row
        // (a count, a total) stays on one line.
        const QString& text = table.columns[c].title;
        double least = WidestWord(title, text);
        if (int(c) < table.footer.size()) least = std::max(least, cell.Exact(table.footer[int(c)]));
        least_.push_back(least);
        title_.push_back(text.isEmpty() ? 0 : title.horizontalAdvance(text));
    }
}

bool TPrintMeasure::Fits(const QPaintDevice& device) const {
    return device.logicalDpiX() == dpiX_ && device.logicalDpiY() == dpiY_;
}

std::vector<TColumnNeed> TPrintMeasure::Needs(double padding) const {
    std::vector<TColumnNeed> needs(texts_.size());
    for (size_t c = 0; c < texts_.size(); ++c) {
        TColumnNeed& need = needs[c];
        need.least = least_[c] + 2 * padding;
        need.texts = texts_[c];
        for (double& w : need.texts) w += 2 * padding;
        need.title = title_[c] > 0 ? title_[c] + 2 * padding : 0;
    }
    return needs;
}

// ---- layout ----

TGridPageLayout::TGridPageLayout(const TGridPrintSettings& settings, const TPrintTable& table,
                                 QPaintDevice& device, const TPrintMeasure* measure, int pageLimit)
    : settings_(settings),
      table_(table),
      device_(device),
      fonts_(settings, device),
      cellWidths_(fonts_.grid, device) {
    dotsPerMm_ = device.logicalDpiX() / 25.4;
    width_ = device.width();
    height_ = device.height();
    padding_ = 0.6 * dotsPerMm_;
    rowPadding_ = 0.2 * dotsPerMm_;
    gap_ = 1.5 * dotsPerMm_;
    gridLine_ = std::max(1.0, 0.15 * dotsPerMm_);
    lineHeight_ = QFontMetricsF(fonts_.grid, &device).height();

    // The page header and footer take one line each and the gap around
    // their lines.
    pageLine_ = QFontMetricsF(fonts_.page, &device).height();
    bodyTop_ = pageLine_ + gap_;
    bodyBottom_ = std::max(bodyTop_ + 1, height_ - pageLine_ - gap_);

    // The title (one line even when empty) and the lines before the grid.
    const int textFlags = Qt::TextWordWrap | Qt::AlignLeft;
    titleHeight_ = std::max(QFontMetricsF(fonts_.title, &device).height(),
                            TextHeight(fonts_.title, settings.title, width_, textFlags));
    double y = bodyTop_ + titleHeight_;
    for (const QString& line : settings.beforeGridText) {
        beforeGridHeights_.push_back(
            std::max(lineHeight_, TextHeight(fonts_.grid, line, width_, textFlags)));
        y += beforeGridHeights_.back();
    }
    gridTop_ = y + gap_;

    std::optional<TPrintMeasure> own;
    if (measure == nullptr || !measure->Fits(device))
        measure = &own.emplace(settings, table, device);
    columnWidths_ = FitPrintColumns(measure->Needs(padding_), std::max(1.0, width_ - gridLine_));
    QStringList titles;
    for (const TPrintTable::Column& c : table.columns) titles << c.title;
    titleRowHeight_ = MeasureRow(titles, true);
    if (!table.footer.isEmpty()) footerRowHeight_ = MeasureRow(table.footer, false);
    Paginate(pageLimit);
}

int TGridPageLayout::EstimatedPageCount() const {
    if (complete_) return PageCount();
    const int laidOut = std::max(1, pages_.back().endRow);
    return int(std::ceil(double(PageCount()) * double(table_.rowCount) / double(laidOut)));
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
    return lineHeight_ + 2 * rowPadding_;
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
    const QFont& font = bold ? fonts_.titleRow : fonts_.grid;
    double tallest = QFontMetricsF(font, &device_).height();
    for (int c = 0; c < int(columnWidths_.size()) && c < texts.size(); ++c) {
        const double width = columnWidths_[size_t(c)] - 2 * padding_;
        tallest = std::max(tallest, TextHeight(font, texts[c], width, kCellFlags));
    }
    return tallest + 2 * rowPadding_;
}

QStringList TGridPageLayout::RowTexts(int row) const {
    QStringList texts;
    for (int c = 0; c < int(table_.columns.size()); ++c)
        texts << (table_.cell ? table_.cell(row, c) : QString());
    return texts;
}

void TGridPageLayout::Paginate(int pageLimit) {
    const double bottom = GridBottom();
    const int rows = table_.cell ? std::max(0, table_.rowCount) : 0;
    rowHeights_.reserve(size_t(pageLimit > 0 ? std::min(rows, 1 << 16) : rows));
    Page page;
    double y = gridTop_ + titleRowHeight_;
    int row = 0;
    while (row < rows) {
        if (row == int(rowHeights_.size())) {
            // A row's height: one line unless a cell's text does not fit
            // its column.
            double tallest = lineHeight_;
            for (int c = 0; c < int(columnWidths_.size()); ++c) {
                const QString text = table_.cell(row, c);
                const double inner = columnWidths_[size_t(c)] - 2 * padding_;
                if (text.isEmpty() || cellWidths_.FitsOneLine(text, inner)) continue;
                tallest = std::max(tallest, TextHeight(fonts_.grid, text, inner, kCellFlags));
            }
            rowHeights_.push_back(tallest + 2 * rowPadding_);
        }
        const double h = rowHeights_[size_t(row)];
        if (y + h > bottom && row > page.firstRow) {
            page.endRow = row;
            pages_.push_back(page);
            if (pageLimit > 0 && int(pages_.size()) > pageLimit) {
                complete_ = false;
                return;
            }
            page = Page{row, row, false};
            y = GridTop() + titleRowHeight_;
            continue;
        }
        y += h;
        ++row;
    }
    page.endRow = row;
    if (!table_.footer.isEmpty()) {
        if (y + footerRowHeight_ > bottom && page.endRow > page.firstRow) {
            pages_.push_back(page);
            page = Page{row, row, false};
        }
        page.footerRow = true;
    }
    pages_.push_back(page);
}

// ---- painting ----

void TGridPageLayout::PaintRow(QPainter& painter, double y, double height, const QStringList& texts,
                               const QColor& background, bool title) const {
    const QFont& font = title ? fonts_.titleRow : fonts_.grid;
    painter.setFont(font);
    double x = GridLeft();
    for (int c = 0; c < int(columnWidths_.size()); ++c) {
        const QRectF cell(x, y, columnWidths_[size_t(c)], height);
        if (background.isValid()) painter.fillRect(cell, background);
        const Qt::Alignment alignment =
            title ? Qt::AlignHCenter : table_.columns[size_t(c)].alignment;
        const QString text = c < texts.size() ? texts[c] : QString();
        if (!text.isEmpty()) {
            const QRectF inner = cell.adjusted(padding_, rowPadding_, -padding_, -rowPadding_);
            painter.drawText(
                inner, int(alignment) | Qt::AlignTop | WrapFlags(font, text, inner.width()), text);
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
    painter.setFont(fonts_.page);
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
    double y = GridTop();
    if (pageIndex == 0) {
        y = bodyTop_;
        painter.setFont(fonts_.title);
        painter.drawText(QRectF(0, y, width_, titleHeight_), Qt::AlignHCenter | Qt::TextWordWrap,
                         settings_.title);
        y += titleHeight_;
        painter.setFont(fonts_.grid);
        for (int i = 0; i < settings_.beforeGridText.size(); ++i) {
            const double h = beforeGridHeights_[size_t(i)];
            painter.drawText(QRectF(0, y, width_, h), Qt::AlignLeft | Qt::TextWordWrap,
                             settings_.beforeGridText[i]);
            y += h;
        }
        y = gridTop_;
    }

    // The grid: its title row on every page, the page's rows, the footer;
    // then its lines, each once, over the cells. A row taller than the
    // page is cut at the body's bottom.
    const QRectF body(0, bodyTop_, width_, bodyBottom_ - bodyTop_);
    painter.setClipRect(body);
    std::vector<double> rowLines{y};
    QStringList titles;
    for (const TPrintTable::Column& c : table_.columns) titles << c.title;
    PaintRow(painter, y, titleRowHeight_, titles, table_.titleColor, true);
    y += titleRowHeight_;
    rowLines.push_back(y);
    for (int row = page.firstRow; row < page.endRow; ++row) {
        const double h = rowHeights_[size_t(row)];
        PaintRow(painter, y, h, RowTexts(row), QColor(), false);
        y += h;
        rowLines.push_back(y);
    }
    if (page.footerRow) {
        PaintRow(painter, y, footerRowHeight_, table_.footer, table_.footerColor, false);
        y += footerRowHeight_;
        rowLines.push_back(y);
    }
    const double top = rowLines.front();
    const double bottom = std::min(y, GridBottom());
    double x = GridLeft();
    const double right = x + std::accumulate(columnWidths_.begin(), columnWidths_.end(), 0.0);
    for (double line : rowLines)
        if (line <= bottom) painter.drawLine(QPointF(x, line), QPointF(right, line));
    if (y > bottom) painter.drawLine(QPointF(x, bottom), QPointF(right, bottom));
    painter.drawLine(QPointF(x, top), QPointF(x, bottom));
    for (double w : columnWidths_) {
        x += w;
        painter.drawLine(QPointF(x, top), QPointF(x, bottom));
    }
    painter.restore();
}

}  // namespace orders
