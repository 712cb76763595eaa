#include "engine/dataset/ViewSettings.h"

#include <utility>

#include "engine/query/RidovParser.h"

namespace ridov {

void TRidovDataset::ApplyViewSettings(const ViewSettings& settings) {
    CheckActive();
    CheckBrowseMode();
    // Everything that can fail comes before anything changes.
    std::vector<TRidovCField> conditions;
    if (!settings.filter.empty()) {
        TRidovParser parser(Format());
        parser.Tokenize(settings.filter);
        parser.ParseConditions(conditions, 0);
    }
    ChangeView(true, [&] {
        try {
            BuildKeyList(kiSort, settings.indexFieldNames);
            BuildKeyList(kiRangeStart, settings.rangeFieldNames);
            BuildKeyList(kiRangeEnd, settings.rangeFieldNames);
        } catch (...) {
            BuildKeyList(kiSort, indexFieldNames_);
            BuildKeyList(kiRangeStart, rangeFieldNames_);
            BuildKeyList(kiRangeEnd, rangeFieldNames_);
            throw;
        }
        prepared_.Clear();
        conditions_ = std::move(conditions);
        filter_ = settings.filter;
        filtered_ = !settings.filter.empty();
        filterOptions_ = settings.caseInsensitiveFilter ? TFilterOptions(foCaseInsensitive) : 0;
        indexFieldNames_ = settings.indexFieldNames;
        sortOptions_ = settings.sortOptions;
        rangeFieldNames_ = settings.rangeFieldNames;
        rangeActive_ = false;
        if (!rangeFieldNames_.empty()) FillRangeBounds(settings.rangeStart, settings.rangeEnd);
    });
    First();
}

size_t SelectView(TRidovDataset& dataset, const ViewSettings& settings,
                  const std::function<void(DataSet&)>& row) {
    if (!dataset.Active()) dataset.Open();
    dataset.ApplyViewSettings(settings);
    size_t count = static_cast<size_t>(dataset.RecordCount());
    for (size_t i = 0; i < count; ++i)
        dataset.ForRecordAt(static_cast<int>(i), [&] { row(dataset); });
    return count;
}

}  // namespace ridov
