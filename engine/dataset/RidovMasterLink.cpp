#include "engine/dataset/RidovMasterLink.h"

#include <algorithm>

#include "engine/dataset/RidovDataset.h"

namespace ridov {

void TRidovMasterLink::SetFieldNames(const std::string& names) {
    if (names == fieldNames_) return;
    fieldNames_ = names;
    ActiveChanged();
}

DataSet* TRidovMasterLink::GetDetailDataSet() {
    return &detail_;
}

void TRidovMasterLink::ActiveChanged() {
    fields_.clear();
    if (Active()) {
        std::vector<Field*> fields;
        GetDataSet()->GetFieldList(fieldNames_, fields);
        fields_ = std::move(fields);
    }
    if (!detail_.Active()) return;
    if (Active() && !fields_.empty()) {
        if (onMasterChange) onMasterChange();
    } else if (onMasterDisable) {
        onMasterDisable();
    }
}

void TRidovMasterLink::CheckBrowseMode() {
    if (detail_.Active()) detail_.CheckBrowseMode();
}

void TRidovMasterLink::RecordChanged(Field* field) {
    DataSet* master = GetDataSet();
    if (master == nullptr || master->State() == DataSetState::SetKey || !detail_.Active() ||
        fields_.empty() || !onMasterChange || master->AsRidovDataset() == nullptr)
        return;
    if (field != nullptr && std::find(fields_.begin(), fields_.end(), field) == fields_.end())
        return;
    onMasterChange();
}

}  // namespace ridov
