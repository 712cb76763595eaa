// What a view shows, set in one step: the filter, the order and the range
// of a TRidovDataset. Used by tools that print a selection of a table (the
// zv tool's select verb) and by anyone who would otherwise pay one view
// rebuild per property.
#pragma once

#include <functional>
#include <string>

#include "engine/dataset/RidovDataset.h"

namespace ridov {

struct ViewSettings {
    // Filter text (see RidovParser.h); empty for none. A non-empty text
    // switches Filtered on.
    std::string filter;
    // String comparisons of the filter ignore case (LIKE always does).
    bool caseInsensitiveFilter = false;
    // ";"-separated sort fields; empty keeps store order.
    std::string indexFieldNames;
    TRidovSortOptions sortOptions = 0;
    // ";"-separated range fields; empty for no range. The bounds are
    // TAB-separated texts, one value per range field, each followed by a
    // TAB ("5\t"); both are inclusive. A range here replaces the one a
    // master link set.
    std::string rangeFieldNames;
    std::string rangeStart;
    std::string rangeEnd;
};

// Applies `settings` to `dataset` (opening it first when closed) and calls
// `row` once per record of the view, in order, with the fields reading that
// record. Returns the number of records. Throws DatabaseError for a filter
// that does not parse, a name that is not a field and the like; the view
// is then as it was, or empty when the filter failed while it was being
// rebuilt.
size_t SelectView(TRidovDataset& dataset, const ViewSettings& settings,
                  const std::function<void(DataSet&)>& row);

}  // namespace ridov
