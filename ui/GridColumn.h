// One column of a DataGrid and the arithmetic behind it: the sort-marker
// cycle of a title click and the fitting of column widths to the grid's
// width. Plain data and functions, no painting, so tests drive them
// directly.
//
// Thread safety: GUI thread only, like the grid.
#pragma once

#include <QColor>
#include <QString>
#include <optional>
#include <string>
#include <vector>

namespace ui {

// The marker a column title shows. The grid only draws it; the caller
// decides what a title click does to it and to the dataset's order.
enum class SortMarker { None, Ascending, Descending };

// The marker after a title click: none -> ascending -> descending ->
// ascending; a sorted column never goes back to unsorted by clicking.
SortMarker NextSortMarker(SortMarker marker);

// What the footer row shows under a column.
enum class FooterKind { None, Text, Sum };

struct GridColumn {
    // The engine name of the field the column shows (Windows-1251 bytes,
    // as the dataset names it). A name the dataset lacks gives empty cells.
    std::string fieldName;
    // Title; empty: the field's display label. Two lines at most, broken
    // at blanks.
    QString title;
    // Width in characters; 0: the field's DisplayWidth.
    int displayWidth = 0;
    // No column is drawn narrower than this, fitted or not (pixels).
    int minWidth = 50;
    // Takes part in fitting: fitted columns share the width the others
    // leave free; the others keep their display width.
    bool fitted = true;
    SortMarker sortMarker = SortMarker::None;
    // Alignment; unset: from the field (left, right or centre).
    std::optional<Qt::Alignment> alignment;
    // The column shows the row's number in the view, from 1, instead of a
    // field's value (a line number that follows sorting and filtering).
    bool rowNumber = false;
    // Shown in place of an empty value.
    QString emptyText;
    // A numeric value of 0 is shown as an empty cell (a price the catalog
    // does not give).
    bool blankZero = false;

    FooterKind footer = FooterKind::None;
    // FooterKind::Text: the text shown as it is.
    QString footerText;
    // FooterKind::Sum: the field summed (empty: the column's own field) and
    // the FormatFloat pattern of the total (empty: the field's display
    // format, else the plain number).
    std::string footerField;
    std::string footerFormat;
};

// One column's input to FitColumnWidths.
struct FitColumn {
    int naturalWidth = 0;  // the display width in pixels
    int minWidth = 0;
    bool fitted = false;
};

// Widths in pixels for columns sharing `available` pixels. Columns that do
// not take part keep max(natural, min). The width left over is shared by
// the fitted columns in proportion to their natural widths (a natural width
// of 0 counts as 1), none below its minimum; the fitted widths add up to
// exactly the width left over unless the minimums need more, in which case
// the grid scrolls. Without fitted columns every column keeps its width.
std::vector<int> FitColumnWidths(const std::vector<FitColumn>& columns, int available);

}  // namespace ui
