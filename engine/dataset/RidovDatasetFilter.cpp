// The filter of a TRidovDataset: the Filter text parsed into a list of
// comparisons at assignment, bound to the record store before each use
// (names resolved, constants converted, masks compiled), and tested per
// record by the view rebuild and FindRecord.
#include <utility>

#include "engine/dataset/RidovDataset.h"
#include "engine/query/RidovParser.h"

namespace ridov {

void TRidovDataset::SetFilter(const std::string& filter) {
    std::vector<TRidovCField> conditions;
    if (!filter.empty()) {
        try {
            TRidovParser parser(Format());
            parser.Tokenize(filter);
            parser.ParseConditions(conditions, 0);
        } catch (...) {
            // The old conditions go: none are in force, while the text stays
            // the previous one.
            conditions_.clear();
            prepared_.Clear();
            throw;
        }
    }
    if (Active()) CheckBrowseMode();
    ChangeView(false, [&] {
        prepared_.Clear();
        conditions_ = std::move(conditions);
        filter_ = filter;
    });
}

void TRidovDataset::SetFiltered(bool on) {
    if (!Active()) {
        filtered_ = on;
        return;
    }
    CheckBrowseMode();
    ChangeView(true, [&] { filtered_ = on; });
    First();
}

void TRidovDataset::SetFilterOptions(TFilterOptions options) {
    if (options == filterOptions_) return;
    if (!Active() || !filtered_ || filter_.empty()) {
        filterOptions_ = options;
        return;
    }
    CheckBrowseMode();
    ChangeView(false, [&] { filterOptions_ = options; });
}

void TRidovDataset::PrepareFilter() {
    RequireStore();
    prepared_.Prepare(conditions_, *store_, (filterOptions_ & foCaseInsensitive) != 0);
}

bool TRidovDataset::FilterConditionsHold(RecordNode* node) {
    return prepared_.Passes(node->values);
}

}  // namespace ridov
