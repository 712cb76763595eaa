// Writing what a data grid shows as a spreadsheet file: the visible columns
// in display order with their titles, one row per record of the dataset's
// view (its filter and sort applied), and the footer rows with their sums,
// counts and texts.
//
// The rows are read by position, so the dataset's current record and the
// grid's scroll position are not touched. The file is written to a
// temporary name and renamed over the target only when complete: a failed
// or refused export leaves an existing file as it was.
//
// Thread safety: GUI thread only.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "engine/dataset/DataSet.h"

namespace core {

enum class FooterKind { None, Text, Sum, Count };

// One exported column. Its cells, by the field's type: small integer,
// word, integer and auto-increment give integer cells; float and currency
// number cells (0 without a value, as such a field reads); every other
// type a text cell with the display text. Any other null value, or no
// field, gives an empty cell.
struct XlsColumn {
    std::string title;                          // Windows-1251
    const ridov::Field* field = nullptr;        // null: every cell empty
    FooterKind footer = FooterKind::None;       // of the one footer row
    std::string footerText;                     // Windows-1251, for FooterKind::Text
    const ridov::Field* footerField = nullptr;  // summed; null: `field`
    // The column shows the row's number in the view, from 1 (integer
    // cells), instead of a field.
    bool rowNumber = false;
};

struct XlsSheet {
    std::vector<XlsColumn> columns;
    bool footerRow = false;
};

// The grid's view holds more rows than a sheet can (title and footer
// included). The message is Russian (UTF-8) and says how many rows the
// view has, what the format allows and that a filter narrows the catalog.
class XlsRowLimitError : public std::runtime_error {
  public:
    XlsRowLimitError(long rows, long limit);
    long rows;
    long limit;
};

// The rows a sheet of the dataset's current view takes: the title row, one
// per row of the view, and the footer row.
long XlsRowsNeeded(const ridov::DataSet& dataSet, const XlsSheet& sheet);

// The bytes of the sheet for the dataset's current view, read by position.
// Throws XlsRowLimitError before building anything when the rows do not fit.
// Footer sums add each value rounded to four decimals.
std::string BuildGridXls(const ridov::DataSet& dataSet, const XlsSheet& sheet);

// BuildGridXls written to `path` (UTF-8) through a temporary file. Throws
// XlsRowLimitError, or std::runtime_error with the platform's reason when
// the file cannot be written.
void ExportGridToXls(const ridov::DataSet& dataSet, const XlsSheet& sheet, const std::string& path);

}  // namespace core
