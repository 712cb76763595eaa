// The detail side of a master/detail link: a TRidovDataset restricted by a
// range over its RangeFieldNames to the values of its master's MasterFields
// in the master's current record. The link (RidovMasterLink.h) calls
// MasterChanged when the master moves or changes and MasterDisabled when it
// closes or the link loses its fields.
#include <algorithm>

#include "engine/dataset/DataSource.h"
#include "engine/dataset/RidovDataset.h"
#include "engine/dataset/RidovMasterLink.h"

namespace ridov {

namespace {

// The master's key values as range text: each value followed by a TAB.
std::string MasterKeyText(const TRidovMasterLink& link) {
    std::string text;
    for (const Field* f : link.Fields()) {
        text += f->AsString();
        text += '\t';
    }
    return text;
}

bool LinkInForce(const TRidovMasterLink* link) {
    return link != nullptr && link->Active() && !link->Fields().empty();
}

}  // namespace

DataSource* TRidovDataset::MasterSource() const {
    return masterLink_ ? masterLink_->GetDataSource() : nullptr;
}

void TRidovDataset::SetMasterSource(DataSource* source) {
    if (source == MasterSource()) return;
    if (source != nullptr && source->IsLinkedTo(this)) Fail("Circular data link");
    // Checked before attaching, so a refused master leaves no link behind.
    if (source != nullptr && source->GetDataSet() != nullptr &&
        source->GetDataSet()->AsRidovDataset() == nullptr)
        Fail("Use only TRidovDataset descendants for master-detail relationship");
    bool wasActive = masterLink_->Active();
    masterLink_->SetDataSource(source);
    // The link re-evaluates itself only when its active state flips; moving
    // from one open master to another must rebuild the field list too.
    if (masterLink_->Active() == wasActive) masterLink_->ActiveChanged();
}

const std::string& TRidovDataset::MasterFields() const {
    return masterLink_->FieldNames();
}

void TRidovDataset::SetMasterFields(const std::string& names) {
    masterLink_->SetFieldNames(names);
}

void TRidovDataset::MasterChanged() {
    if (Active()) CheckBrowseMode();
    std::string text = MasterKeyText(*masterLink_);
    SetRangeValues(text, text);
}

void TRidovDataset::MasterDisabled() {
    if (Active()) CancelRange();
}

void TRidovDataset::ApplyMasterRange() {
    if (!LinkInForce(masterLink_.get())) return;
    if (viewReady_ && Active()) {
        MasterChanged();
        return;
    }
    // Opening or refreshing: the caller builds the view next.
    std::string text = MasterKeyText(*masterLink_);
    FillRangeBounds(text, text);
}

void TRidovDataset::ApplyMasterDefaults() {
    if (!LinkInForce(masterLink_.get())) return;
    std::vector<Field*> detailFields;
    GetFieldList(rangeFieldNames_, detailFields);
    const std::vector<Field*>& masterFields = masterLink_->Fields();
    size_t n = std::min(detailFields.size(), masterFields.size());
    struct Flag {
        bool& f;
        explicit Flag(bool& x) : f(x) { f = true; }
        ~Flag() { f = false; }
    } assigning(assigningDefaults_);
    for (size_t i = 0; i < n; ++i) detailFields[i]->SetAsVariant(masterFields[i]->AsVariant());
}

}  // namespace ridov
