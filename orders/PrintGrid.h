// What a grid printout is made of: the settings and texts of the main
// window's print component (shared by the order and the catalog printouts)
// and the table taken from a data grid at the moment of printing.
//
// Plain data; TGridPageLayout (orders/PrintLayout.h) lays it out on pages.
//
// Thread safety: GUI thread only.
#pragma once

#include <QColor>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

namespace ui {
class DataGrid;
}

namespace orders {

// The print component PrintDBGridEh. The fixed settings are those of the
// program's printouts; the actions change only the texts, and a text one
// action sets stays until an action replaces it.
struct TGridPrintSettings {
    // Printed above the grid on the first page; an empty title still takes
    // its one line.
    QString title;
    // Lines printed between the title and the grid.
    QStringList beforeGridText;

    // Page header and footer. "&[Page]" in a footer text stands for the page
    // number. The header's centre text is held at one empty line: printing
    // an order never makes the header grow.
    QString headerLeft;
    QString headerCentre;
    QString headerRight = QStringLiteral("Велимар");
    QString footerLeft = QStringLiteral("Страница &[Page]");
    QString footerRight;

    // Fixed: the grid fitted to the page width, rows growing to fit wrapped
    // text, colours as on screen, sizes in millimetres.
    // 7 points: a catalog's rows fit across a landscape page on one line
    // each, at least 50 to a page.
    QString gridFontFamily = QStringLiteral("Verdana");
    double gridFontPoints = 7;
    QString pageFontFamily = QStringLiteral("MS Sans Serif");
    double pageFontPoints = 8;
    double titleFontPoints = 12;
    double marginMm = 10;
};

// The page footer's left text of page `page` (from 1).
QString PageText(const QString& pattern, int page);

// A grid as the printout shows it. `cell` is called for rows 0 ..
// rowCount-1 and columns 0 .. columns.size()-1 and must stay valid while
// the table is printed.
struct TPrintTable {
    struct Column {
        QString title;
        int displayWidth = 10;  // characters; the share of the page width
        Qt::Alignment alignment = Qt::AlignLeft;
    };
    std::vector<Column> columns;
    int rowCount = 0;
    std::function<QString(int row, int column)> cell;
    // One text per column; empty: the grid has no footer row.
    QStringList footer;
    // Backgrounds of the title row and the footer row, as on screen.
    QColor titleColor = QColor(0xE0, 0xE0, 0xE0);
    QColor footerColor = QColor(0xC8, 0xC8, 0xC8);
};

// The table `grid` shows: its columns with titles, display widths and
// alignments, its rows as display texts (read when printed, by position),
// and its footer when shown (its sums brought up to date first). The grid
// must outlive the table.
TPrintTable PrintTableOfGrid(ui::DataGrid& grid);

}  // namespace orders
