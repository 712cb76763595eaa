// The totals a grid's footer row shows: the sum of a field over the rows of
// a dataset's view, and its text. Plain functions, tested without a grid.
//
// Thread safety: GUI thread only, like the dataset.
#pragma once

#include <QString>
#include <string_view>

#include "engine/text/FormatSettings.h"

namespace ridov {
class DataSet;
class Field;
}  // namespace ridov

namespace ui {

// The sum of `field` over every row the dataset's view shows (RowCount,
// the row being inserted included), read by position without moving the
// current record. Null cells and texts that are no number count as 0. A
// closed dataset sums to 0.
double SumOfField(const ridov::DataSet& dataSet, const ridov::Field& field);

// The footer text of a sum: the FormatFloat pattern applied (for example
// "0.######"), or the plain number when the pattern is empty.
QString FooterSumText(double sum, std::string_view pattern, const text::FormatSettings& fs);

}  // namespace ui
