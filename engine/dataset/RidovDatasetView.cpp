// The view of a TRidovDataset: rebuilding it from the record store, the key
// lists that sort it, and ranges.
//
// A rebuild walks every node of the store once, keeps the live nodes that
// lie inside the active range and pass the filter, then sorts them by the
// kiSort key fields. The comparison is the store's value order field by
// field, negated as a whole for descending sorts; it is a strict weak order
// (the store's value comparison is total, NaNs included), so an unstable
// sort is safe. Records with equal keys come out in no defined order. The
// filter runs first, so only the survivors are sorted (see RecordSort.h).
#include <algorithm>
#include <cstring>

#include "engine/dataset/RidovDataset.h"
#include "engine/storage/DatabaseError.h"
#include "engine/storage/RecordSort.h"

namespace ridov {

namespace {

// Disables the controls for its lifetime.
class ControlsOff {
  public:
    explicit ControlsOff(DataSet& ds) : ds_(ds) { ds_.DisableControls(); }
    ~ControlsOff() { ds_.EnableControls(); }
    ControlsOff(const ControlsOff&) = delete;
    ControlsOff& operator=(const ControlsOff&) = delete;

  private:
    DataSet& ds_;
};

}  // namespace

bool TRidovDataset::RecordPassesFilter(RecordNode* node) {
    if (!filtered_) return true;
    if (!filter_.empty() && !FilterConditionsHold(node)) return false;
    if (!onFilterRecord) return true;
    bool accept = true;
    StateScope scope(*this, DataSetState::Filter, node->values, nullptr);
    onFilterRecord(*this, accept);
    return accept;
}

bool TRidovDataset::InRange(const RecordNode* node) const {
    const TRidovKeyBuffer& lo = keys_[kiRangeStart];
    const TRidovKeyBuffer& hi = keys_[kiRangeEnd];
    return TRidovCursor::CompareRecords(node->values, lo.values.get(), lo.storeFields,
                                        lo.fieldCount) >= 0 &&
           TRidovCursor::CompareRecords(node->values, hi.values.get(), hi.storeFields,
                                        hi.fieldCount) <= 0;
}

void TRidovDataset::SortView() {
    SortRecordNodes(view_, keys_[kiSort].storeFields, (sortOptions_ & vsoCaseInsensitive) != 0,
                    (sortOptions_ & vsoDescendSort) != 0);
}

void TRidovDataset::RebuildView(bool dropPosition) {
    if (store_ == nullptr) return;
    if (filtered_ && !filter_.empty()) PrepareFilter();
    bool ready = viewReady_ && Active();
    RecordNode* keep = nullptr;
    std::unique_ptr<ControlsOff> controls;
    if (ready) {
        CheckBrowseMode();
        keep = CurrentNode();
        controls = std::make_unique<ControlsOff>(*this);
        Fire(beforeScroll);
    }
    view_.clear();
    view_.reserve(store_->RecordCount());
    bool filtering = filtered_;
    sorted_ = false;
    try {
        for (RecordNode* node : store_->Nodes()) {
            if (!node->IsLive()) continue;
            if (rangeActive_ && !InRange(node)) continue;
            if (filtering && !RecordPassesFilter(node)) continue;
            view_.push_back(node);
        }
    } catch (...) {
        // A filter that fails part-way leaves an empty view rather than an
        // arbitrary part of one, with no record current.
        view_.clear();
        SetCurrentIndex(-1);
        if (ready) {
            bof_ = eof_ = true;
            NotifyLinks(DataEvent::DataSetChange);
        }
        throw;
    }
    sorted_ = !keys_[kiSort].storeFields.empty();
    if (sorted_) SortView();
    int index = view_.empty() ? -1 : 0;
    if (!dropPosition && keep != nullptr) {
        auto it = std::find(view_.begin(), view_.end(), keep);
        if (it != view_.end()) index = static_cast<int>(it - view_.begin());
    }
    SetCurrentIndex(index);
    if (ready) {
        bof_ = index <= 0;
        eof_ = view_.empty();
        NotifyLinks(DataEvent::DataSetChange);
        Fire(afterScroll);
    }
}

void TRidovDataset::BuildKeyList(TRidovKeyIndex index, std::string_view names) {
    TRidovKeyBuffer& k = keys_[index];
    if (k.values && store_) {
        store_->FreeValues(k.values.get());
        std::memset(k.values.get(), 0, store_->RecordSize());
    }
    k.storeFields.clear();
    k.fields.clear();
    k.fieldCount = 0;
    k.exclusive = false;
    if (names.empty() || store_ == nullptr) return;
    std::vector<Field*> fields;
    std::vector<TRidovField*> storeFields;
    GetFieldList(names, fields);
    store_->FieldList(names, storeFields);
    if (fields.size() != storeFields.size())
        Fail("There are calc or BLOB fields in list of key fields");
    for (size_t i = 0; i < fields.size(); ++i) {
        if (fields[i]->IsCalculated()) Fail("There are calc or BLOB fields in list of key fields");
        // Right-aligned short codes order by length first, i.e. numerically.
        storeFields[i]->rightAligned = fields[i]->alignment == Alignment::Right ? 1 : 0;
    }
    k.fields = std::move(fields);
    k.storeFields = std::move(storeFields);
    k.fieldCount = static_cast<int>(k.storeFields.size());
}

void TRidovDataset::SetIndexFieldNames(const std::string& names) {
    if (names == indexFieldNames_) return;
    if (Active()) {
        CheckBrowseMode();
        try {
            BuildKeyList(kiSort, names);
        } catch (...) {
            BuildKeyList(kiSort, indexFieldNames_);
            throw;
        }
        indexFieldNames_ = names;
        RebuildView(false);
    } else {
        indexFieldNames_ = names;
    }
}

void TRidovDataset::SetSortOptions(TRidovSortOptions options) {
    sortOptions_ = options;
    if (Active()) RebuildView(false);
}

void TRidovDataset::SetRangeFieldNames(const std::string& names) {
    if (Active()) {
        try {
            BuildKeyList(kiRangeStart, names);
            BuildKeyList(kiRangeEnd, names);
        } catch (...) {
            BuildKeyList(kiRangeStart, rangeFieldNames_);
            BuildKeyList(kiRangeEnd, rangeFieldNames_);
            throw;
        }
    }
    rangeFieldNames_ = names;
    if (Active()) ApplyMasterRange();
}

void TRidovDataset::SetRangeValues(std::string_view startValues, std::string_view endValues) {
    if (store_ == nullptr || !Active()) return;
    CheckBrowseMode();
    FillRangeBounds(startValues, endValues);
    ApplyRange();
}

void TRidovDataset::FillRangeBounds(std::string_view startValues, std::string_view endValues) {
    const TRidovKeyIndex bounds[2] = {kiRangeStart, kiRangeEnd};
    const std::string_view texts[2] = {startValues, endValues};
    for (int b = 0; b < 2; ++b) {
        TRidovKeyBuffer& k = keys_[bounds[b]];
        StateScope scope(*this, DataSetState::SetKey, k.values.get(), nullptr);
        BuildKeyList(bounds[b], rangeFieldNames_);
        std::string_view rest = texts[b];
        size_t walked = 0;
        for (TRidovField* f : k.storeFields) {
            if (rest.empty()) break;
            ++walked;
            size_t tab = rest.find('\t');
            std::string_view value = rest.substr(0, tab);
            // An empty value is not consumed: this and every later field
            // keep the empty value.
            if (value.empty()) continue;
            store_->TextToValue(k.values.get() + f->offset, value, *f);
            rest = tab == std::string_view::npos ? std::string_view() : rest.substr(tab + 1);
        }
        if (walked < k.storeFields.size()) k.fieldCount = static_cast<int>(walked);
    }
    rangeActive_ = true;
}

void TRidovDataset::ApplyRange() {
    RequireStore();
    if (Active()) CheckBrowseMode();
    rangeActive_ = true;
    if (!Active()) return;
    RebuildView(true);
    First();
}

void TRidovDataset::CancelRange() {
    RequireStore();
    if (Active()) CheckBrowseMode();
    rangeActive_ = false;
    if (Active()) RebuildView(false);
}

}  // namespace ridov
