// The value lists a filter-row cell offers, read from a dataset's view.
//
// DistinctValues gives the distinct display texts of one field over the
// rows of the view that begin with a prefix (ignoring case), in
// alphabetical order ignoring case, each with the key the cell yields: the
// text itself, or the text of another field of the first row showing it
// (brand names yielding brand keys). Only the first `limit` texts are kept
// while the rows are read, so a column of a million distinct names costs
// one pass over the view and a list of `limit` entries, never a set of a
// million strings. A view sorted by the field itself ignoring case (the
// catalog by name) is not read whole: its rows of the prefix lie together
// (TRidovDataset::RowsStartingWith) in alphabetical order, and the walk
// stops at the first row past the last text kept.
//
// Rows are read by position (DataSet::ReadCellText): the current record
// does not move and no event fires. The dataset's view as it is now is
// read, its filter included.
//
// Thread safety: GUI thread only, like the dataset.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "ui/FilterRowCell.h"

namespace ridov {
class DataSet;
}

namespace ui {

// At most `limit` entries whose text begins with `prefix`; empty texts are
// never offered. With an empty `keyField` (or one equal to `listField`)
// each entry's key is its text. Nothing while the dataset is closed or
// lacks a field.
std::vector<FilterChoice> DistinctValues(const ridov::DataSet& dataSet, std::string_view listField,
                                         std::string_view keyField, const QString& prefix,
                                         int limit);

// A provider for FilterRowCell reading DistinctValues from `dataSet`, which
// must outlive the provider.
FilterValueProvider DistinctValuesProvider(const ridov::DataSet& dataSet, std::string listField,
                                           std::string keyField = {});

}  // namespace ui
