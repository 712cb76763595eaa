// The spreadsheet export of a data grid of the main window: what the grid
// shows (its columns in display order with their titles, the rows of its
// dataset's view, its footer row) taken into an XlsSheet and written with
// ExportGridToXls.
//
// Thread safety: GUI thread only.
#pragma once

#include <QString>

#include "core/GridXlsExport.h"

namespace ui {
class DataGrid;
}

namespace orders {

// The sheet of `grid`: one column per grid column, titled as the grid
// titles it; a row-number column gives the line numbers; a footer row when
// the grid shows its footer, with the grid's footer texts and sums.
core::XlsSheet XlsSheetOfGrid(const ui::DataGrid& grid);

// The rows the grid's sheet takes (title, records, footer).
long XlsRowsOfGrid(const ui::DataGrid& grid);

// Writes what `grid` shows to `path` as a spreadsheet file, through a
// temporary file in the same folder renamed over the target when complete.
// The grid's current row and scroll position stay as they are. Throws
// XlsRowLimitError before writing anything when the rows do not fit, and
// std::runtime_error with the system's reason when the file cannot be
// written (an existing file then stays as it was). A grid without a
// dataset writes the title row only.
void ExportGridToXls(const ui::DataGrid& grid, const QString& path);

}  // namespace orders
