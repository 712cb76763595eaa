#include "engine/dataset/DataSource.h"

#include <algorithm>

#include "engine/dataset/DataSet.h"

namespace ridov {

namespace {
template <typename T>
void Erase(std::vector<T*>& list, T* item) {
    auto it = std::find(list.begin(), list.end(), item);
    if (it != list.end()) list.erase(it);
}
}  // namespace

// ---- DataLink ----

DataLink::~DataLink() {
    if (source_) Erase(source_->links_, this);
}

void DataLink::SetDataSource(DataSource* source) {
    if (source == source_) return;
    if (source_) Erase(source_->links_, this);
    source_ = source;
    if (source_) source_->links_.push_back(this);
    bool active = Active();
    if (active != wasActive_) {
        wasActive_ = active;
        ActiveChanged();
    }
}

DataSet* DataLink::GetDataSet() const {
    return source_ ? source_->dataSet_ : nullptr;
}

bool DataLink::Active() const {
    return source_ && source_->enabled_ && source_->dataSet_ && source_->dataSet_->Active();
}

void DataLink::Notify(DataEvent event, Field* field) {
    switch (event) {
        case DataEvent::UpdateState: {
            bool active = Active();
            if (active != wasActive_) {
                wasActive_ = active;
                ActiveChanged();
            } else if (active) {
                EditingChanged();
            }
            break;
        }
        case DataEvent::FieldChange:
        case DataEvent::RecordChange:
            if (wasActive_) RecordChanged(field);
            break;
        case DataEvent::DataSetChange:
            if (wasActive_) DataSetChanged();
            break;
        case DataEvent::DataSetScroll:
            if (wasActive_) DataSetScrolled();
            break;
        case DataEvent::LayoutChange:
            if (wasActive_) LayoutChanged();
            break;
        case DataEvent::UpdateRecord:
            if (wasActive_) UpdateData();
            break;
        case DataEvent::CheckBrowseMode:
            if (wasActive_) CheckBrowseMode();
            break;
    }
}

void DataLink::NotifyView(ViewEvent event, int first, int second) {
    switch (event) {
        case ViewEvent::AboutToReset:
            ViewAboutToReset();
            break;
        case ViewEvent::Reset:
            ViewReset();
            break;
        case ViewEvent::RowChanged:
            RowChanged(first);
            break;
        case ViewEvent::RowsAboutToBeInserted:
            RowsAboutToBeInserted(first, second);
            break;
        case ViewEvent::RowsInserted:
            RowsInserted(first, second);
            break;
        case ViewEvent::RowsAboutToBeRemoved:
            RowsAboutToBeRemoved(first, second);
            break;
        case ViewEvent::RowsRemoved:
            RowsRemoved(first, second);
            break;
        case ViewEvent::RowAboutToBeMoved:
            RowAboutToBeMoved(first, second);
            break;
        case ViewEvent::RowMoved:
            RowMoved(first, second);
            break;
        case ViewEvent::CurrentRowChanged:
            CurrentRowChanged(first);
            break;
        case ViewEvent::StateChanged:
            StateChanged(static_cast<DataSetState>(first));
            break;
    }
}

// ---- DataSource ----

DataSource::~DataSource() {
    SetDataSet(nullptr);
    for (DataLink* link : links_) link->source_ = nullptr;
}

void DataSource::SetDataSet(DataSet* dataSet) {
    if (dataSet == dataSet_) return;
    if (dataSet_) Erase(dataSet_->sources_, this);
    // Links showing rows start over with the other dataset's rows.
    NotifyView(ViewEvent::AboutToReset, -1, -1);
    dataSet_ = dataSet;
    if (dataSet_) {
        dataSet_->sources_.push_back(this);
        dataSet_->SourceAdded();
    }
    NotifyView(ViewEvent::Reset, -1, -1);
    NotifyView(ViewEvent::CurrentRowChanged, dataSet_ ? dataSet_->CurrentRow() : -1, -1);
    Notify(DataEvent::UpdateState, nullptr);
}

void DataSource::SetEnabled(bool on) {
    if (on == enabled_) return;
    enabled_ = on;
    // Links compute their active state from the source; tell them.
    std::vector<DataLink*> links = links_;
    for (DataLink* link : links) link->Notify(DataEvent::UpdateState, nullptr);
    // While disabled the links heard nothing of the rows: they start over.
    if (on) {
        NotifyView(ViewEvent::AboutToReset, -1, -1);
        NotifyView(ViewEvent::Reset, -1, -1);
        NotifyView(ViewEvent::CurrentRowChanged, dataSet_ ? dataSet_->CurrentRow() : -1, -1);
    }
}

DataSetState DataSource::State() const {
    return dataSet_ ? dataSet_->State() : DataSetState::Inactive;
}

bool DataSource::IsLinkedTo(const DataSet* dataSet) const {
    const DataSource* source = this;
    // A chain longer than this is a cycle already.
    for (int guard = 0; source && guard < 1000; ++guard) {
        if (source->dataSet_ == nullptr) return false;
        if (source->dataSet_ == dataSet) return true;
        source = source->dataSet_->MasterDataSource();
    }
    return source != nullptr;
}

void DataSource::NotifyView(ViewEvent event, int first, int second) {
    // A disabled source tells its links nothing; they are reset when it is
    // enabled again.
    if (!enabled_) return;
    std::vector<DataLink*> links = links_;
    for (DataLink* link : links)
        if (std::find(links_.begin(), links_.end(), link) != links_.end())
            link->NotifyView(event, first, second);
}

void DataSource::Notify(DataEvent event, Field* field) {
    if (event == DataEvent::UpdateState) {
        if (onStateChange) onStateChange(*this);
    } else if (!enabled_) {
        return;
    }
    if (enabled_ && onDataChange &&
        (event == DataEvent::FieldChange || event == DataEvent::RecordChange ||
         event == DataEvent::DataSetChange || event == DataEvent::DataSetScroll))
        onDataChange(*this, field);
    std::vector<DataLink*> links = links_;
    for (DataLink* link : links) {
        // A handler may have detached a link meanwhile.
        if (std::find(links_.begin(), links_.end(), link) != links_.end())
            link->Notify(event, field);
    }
}

}  // namespace ridov
