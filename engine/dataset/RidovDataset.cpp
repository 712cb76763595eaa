#include "engine/dataset/RidovDataset.h"

#include <algorithm>
#include <cstring>

#include "engine/dataset/RidovMasterLink.h"
#include "engine/storage/DatabaseError.h"
#include "engine/storage/RidovSession.h"
#include "engine/storage/ValueSlot.h"

namespace ridov {

namespace {

// A copy of a store's layout, enough to free and re-resolve value buffers
// after the store was refilled.
struct LayoutEntry {
    std::string name;
    FieldType type;
    int16_t declaredSize;
    uint32_t offset;
};

std::vector<LayoutEntry> LayoutOf(TRidovCursor& store) {
    std::vector<LayoutEntry> out;
    for (int i = 0; i < store.FieldCount(); ++i) {
        const TRidovField* f = store.FieldAt(i);
        out.push_back({f->name, f->type, f->declaredSize, f->offset});
    }
    return out;
}

bool SameLayout(const std::vector<LayoutEntry>& a, const std::vector<LayoutEntry>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i].name != b[i].name || a[i].type != b[i].type ||
            a[i].declaredSize != b[i].declaredSize || a[i].offset != b[i].offset)
            return false;
    return true;
}

}  // namespace

TRidovDataset::TRidovDataset()
    : session_(&TRidovSession::Instance()), masterLink_(std::make_unique<TRidovMasterLink>(*this)) {
    masterLink_->onMasterChange = [this] { MasterChanged(); };
    masterLink_->onMasterDisable = [this] { MasterDisabled(); };
}

TRidovDataset::~TRidovDataset() {
    // A dataset being destroyed follows its master no more.
    masterLink_->onMasterChange = nullptr;
    masterLink_->onMasterDisable = nullptr;
    masterLink_->SetDataSource(nullptr);
    std::vector<TRidovDataset*> referrers = cloneReferrers_;
    for (TRidovDataset* r : referrers) r->CloneSourceDestroyed();
    cloneReferrers_.clear();
    CloseForDestruction();
    FreeKeyBuffers();
    FreeBuffers();
    if (database_) database_->RemoveUser(this);
    UnlinkClone(*this);
    // The base class frees calculated values; the store must still exist
    // for nothing there, so it can go now.
    ReleaseStore();
}

void TRidovDataset::RequireStore() const {
    if (store_ == nullptr) Fail("Cannot do this operation on closed dataset");
}

// ---- properties ----

void TRidovDataset::SetDatabase(TRidovDatabase* database) {
    if (database == database_) return;
    Close();
    if (database_) database_->RemoveUser(this);
    database_ = database;
    if (database_) database_->AddUser(this);
}

void TRidovDataset::CloseForDatabase() {
    Close();
}

void TRidovDataset::ForgetDatabase() {
    try {
        Close();
    } catch (...) {
    }
    database_ = nullptr;
}

void TRidovDataset::SetReadOnly(bool on) {
    if (Active()) CheckBrowseMode();
    readOnly_ = on;
}

void TRidovDataset::SetPassword(const std::string& password) {
    // A password given to a dataset is one the session may try on others.
    if (!password.empty()) {
        session_->AddPassword(password);
    } else if (!password_.empty()) {
        session_->RemovePassword(password_);
    }
    password_ = password;
    if (store_) store_->SetPassword(password);
    if (Active()) IncChange();
}

void TRidovDataset::ApplyOrigin() {
    for (Field* f : Fields()) f->origin = origin_;
}

// ---- change counter ----

void TRidovDataset::IncChange() {
    if (changeCount_++ == 0 && onNeedToSaveChange) onNeedToSaveChange(*this);
}

void TRidovDataset::DecChange() {
    if (changeCount_ > 0 && --changeCount_ == 0 && onNeedToSaveChange) onNeedToSaveChange(*this);
}

void TRidovDataset::ResetChanges() {
    changeCount_ = 0;
    if (onNeedToSaveChange) onNeedToSaveChange(*this);
}

// ---- record store ----

void TRidovDataset::ReleaseStore() {
    if (store_ == ownStore_.get()) store_ = nullptr;
    ownStore_.reset();
}

void TRidovDataset::ReleaseCursor() {
    ReleaseStore();
}

void TRidovDataset::LinkClone(TRidovDataset& source, TRidovDataset& clone) {
    if (clone.cloneSource_ == &source) return;
    UnlinkClone(clone);
    clone.cloneSource_ = &source;
    source.clones_.push_back(&clone);
    clone.store_ = source.store_;
}

void TRidovDataset::UnlinkClone(TRidovDataset& clone) {
    if (clone.cloneSource_ == nullptr) return;
    std::erase(clone.cloneSource_->clones_, &clone);
    clone.cloneSource_ = nullptr;
    clone.store_ = clone.ownStore_.get();
}

void TRidovDataset::AddCloneReferrer(TRidovDataset& source, TRidovDataset& referrer) {
    if (std::find(source.cloneReferrers_.begin(), source.cloneReferrers_.end(), &referrer) ==
        source.cloneReferrers_.end())
        source.cloneReferrers_.push_back(&referrer);
}

void TRidovDataset::RemoveCloneReferrer(TRidovDataset& source, TRidovDataset& referrer) {
    std::erase(source.cloneReferrers_, &referrer);
}

void TRidovDataset::CloseForDestruction() noexcept {
    // Clones go first, so that closing this one cannot be refused. Nothing
    // may escape a destructor; a failure to close leaves nothing to save.
    std::vector<TRidovDataset*> clones = clones_;
    for (TRidovDataset* c : clones) {
        try {
            c->Close();
        } catch (...) {
        }
    }
    try {
        Close();
    } catch (...) {
    }
}

void TRidovDataset::CloseClones() {
    std::vector<TRidovDataset*> clones = clones_;
    for (TRidovDataset* c : clones) c->Close();
}

std::vector<TRidovDataset*> TRidovDataset::Sharers() {
    std::vector<TRidovDataset*> out;
    TRidovDataset* owner = cloneSource_ ? cloneSource_ : this;
    if (owner != this && owner->Active()) out.push_back(owner);
    for (TRidovDataset* c : owner->clones_)
        if (c != this && c->Active()) out.push_back(c);
    return out;
}

void TRidovDataset::RebuildSharers() {
    for (TRidovDataset* d : Sharers()) {
        // Their pending edit refers to records that may be gone.
        d->Cancel();
        d->RebuildView(false);
    }
}

void TRidovDataset::LoadFromStream(std::vector<uint8_t> image) {
    LoadImage(image);
}

void TRidovDataset::LoadFromStream(const ByteStream& stream) {
    // The reader deciphers in place; the caller's bytes stay as they are.
    size_t from = std::min(stream.position, stream.bytes.size());
    std::vector<uint8_t> copy(stream.bytes.begin() + std::ptrdiff_t(from), stream.bytes.end());
    LoadImage(copy);
}

void TRidovDataset::LoadImage(std::span<uint8_t> image) {
    if (Active() && !opening_) Fail("Cannot perform this operation on an open dataset");
    // Clones show this store's records and fields, which are about to go.
    CloseClones();
    loadMessage_.clear();
    if (ownStore_) {
        ownStore_->Clear(true);
    } else {
        ownStore_ = std::make_unique<TRidovCursor>(*session_, Format());
        HookOwnStore();
    }
    store_ = ownStore_.get();
    store_->SetPartialOpen(partialOpen);
    view_.clear();
    std::string message;
    if (!store_->ReadImage(image, message)) {
        SetCurrentIndex(-1);
        ReleaseStore();
        Fail("Error opening table: " + message);
    }
    viewAfterLoad_ = true;
    if (!message.empty()) {
        loadMessage_ = message;
        if (session_->OnShowMessage) session_->OnShowMessage(message);
    }
}

void TRidovDataset::HookOwnStore() {
    ownStore_->SetFormat(Format());
    ownStore_->SetPassword(password_);
    ownStore_->onDestroyRecordData = [this](void** data) {
        if (onDestroyRecordData) onDestroyRecordData(*this, data);
    };
    if (onCallback)
        ownStore_->onProgress = [this](int percent) {
            if (onCallback) onCallback(*this, percent);
        };
}

void TRidovDataset::AdoptLoadedStore(std::unique_ptr<TRidovCursor> store) {
    if (Active() && !opening_) Fail("Cannot perform this operation on an open dataset");
    CloseClones();
    loadMessage_.clear();
    ownStore_ = std::move(store);
    HookOwnStore();
    store_ = ownStore_.get();
    store_->SetPartialOpen(partialOpen);
    view_.clear();
    viewAfterLoad_ = true;
}

// ---- open and close ----

void TRidovDataset::InternalOpen() {
    viewReady_ = false;
    OpenData();
    RequireStore();
    BuildFieldDefsFromStore();
    BindFields();
    if (!origin_.empty()) ApplyOrigin();
    CreateKeyBuffers();
    BuildKeyList(kiSort, indexFieldNames_);
    BuildKeyList(kiRangeStart, rangeFieldNames_);
    BuildKeyList(kiRangeEnd, rangeFieldNames_);
    for (Field* f : Fields())
        if (f->Type() == DataType::Float && !f->currency && f->displayFormat.empty())
            f->displayFormat = "0.######";
    AllocateBuffers();
    ApplyMasterRange();
    view_.clear();
    if (store_->RecordCount() > 0) RebuildView(true);
    viewReady_ = true;
    if (database_) database_->AddOpenDataset(this);
}

void TRidovDataset::CheckCanClose() {
    if (!clones_.empty()) Fail("Cloned tables are not closed before source dataset is closed!");
}

void TRidovDataset::InternalClose() {
    FreeKeyBuffers();
    NodeList().swap(spareView_);
    fullView_ = FullView();
    rangeActive_ = false;
    sorted_ = false;
    viewReady_ = false;
    if (database_) database_->RemoveOpenDataset(this);
}

void TRidovDataset::CreateKeyBuffers() {
    FreeKeyBuffers();
    for (TRidovKeyBuffer& k : keys_) k.values = ValueBuffer(store_->Layout());
}

void TRidovDataset::FreeKeyBuffers() {
    for (TRidovKeyBuffer& k : keys_) {
        k.values.Reset();
        k.storeFields.clear();
        k.fields.clear();
        k.fieldCount = 0;
    }
}

void TRidovDataset::InternalRefresh() {
    // Remember the current record by its unique key values.
    std::string remembered;
    if (!uniqueFieldNames.empty() && CurrentNode() != nullptr) {
        std::vector<Field*> unique;
        GetFieldList(uniqueFieldNames, unique);
        for (Field* f : unique) remembered += f->AsString() + '\t';
    }
    viewReady_ = false;
    Fire(beforeScroll);
    if (Modified()) SaveChanges();

    std::vector<LayoutEntry> before = LayoutOf(*store_);
    std::vector<std::string> keyNames(4);
    for (int i = 0; i < 4; ++i)
        for (const TRidovField* f : keys_[i].storeFields) keyNames[i] += f->name + ';';
    std::vector<int> keyCounts;
    for (const TRidovKeyBuffer& k : keys_) keyCounts.push_back(k.fieldCount);

    try {
        opening_ = true;
        OpenData();
        opening_ = false;
        RequireStore();
    } catch (...) {
        opening_ = false;
        // The store may be gone: nothing of the old layout can be kept (the
        // buffers free themselves by the layout they were made with).
        for (TRidovKeyBuffer& k : keys_) k.values.Reset();
        editBuffer_.Reset();
        view_.clear();
        try {
            Close();
        } catch (...) {
        }
        throw;
    }
    bool sameLayout = SameLayout(before, LayoutOf(*store_));
    if (!sameLayout) {
        for (TRidovKeyBuffer& k : keys_) {
            k.values = ValueBuffer(store_->Layout());
            k.storeFields.clear();
            k.fields.clear();
            k.fieldCount = 0;
        }
        rangeActive_ = false;
        editBuffer_.Reset();
    }
    BuildFieldDefsFromStore();
    BindFields();
    AllocateBuffers();
    if (sameLayout) {
        // Same columns: the range and lookup values stay; re-resolve their
        // descriptors by name.
        for (int i = kiLookup; i <= kiRangeEnd; ++i) {
            TRidovKeyBuffer& k = keys_[i];
            k.storeFields.clear();
            k.fields.clear();
            store_->FieldList(keyNames[size_t(i)], k.storeFields);
            for (const TRidovField* f : k.storeFields) k.fields.push_back(FindField(f->name));
            k.fieldCount = keyCounts[size_t(i)];
        }
    } else {
        BuildKeyList(kiRangeStart, rangeFieldNames_);
        BuildKeyList(kiRangeEnd, rangeFieldNames_);
    }
    ApplyMasterRange();
    BuildKeyList(kiSort, indexFieldNames_);
    view_.clear();
    if (store_->RecordCount() > 0) RebuildView(true);
    viewReady_ = true;
    SetCurrentIndex(view_.empty() ? -1 : 0);
    if (!remembered.empty()) {
        BuildKeyList(kiLookup, uniqueFieldNames);
        TRidovKeyBuffer& k = keys_[kiLookup];
        std::string_view rest = remembered;
        for (TRidovField* f : k.storeFields) {
            size_t tab = rest.find('\t');
            store_->TextToValue(k.values.Data() + f->offset, rest.substr(0, tab), *f);
            rest = tab == std::string_view::npos ? std::string_view() : rest.substr(tab + 1);
        }
        int found = SearchLookupKey(uniqueFieldNames);
        SetCurrentIndex(found >= 0 ? found : (view_.empty() ? -1 : 0));
    }
    Fire(afterScroll);
}

// ---- editing ----

void TRidovDataset::CheckCanEdit() {
    if (readOnly_) Fail("Read-only record cannot be changed");
}

void TRidovDataset::CheckCanInsert() {
    if (readOnly_) Fail("You have read only access, you can not add records!");
}

void TRidovDataset::CheckCanDelete() {
    if (readOnly_) Fail("Read-only record cannot be deleted");
}

bool TRidovDataset::InternalEdit(RecordNode* node) {
    bool hadBeforeImage = store_->BeforeImage(node) != nullptr;
    if (!store_->BeginEdit(node)) return false;
    editTookBeforeImage_ = !hadBeforeImage;
    IncChange();
    return true;
}

void TRidovDataset::InternalInsert() {
    IncChange();
    ApplyDefaults();
    ApplyMasterDefaults();
}

void TRidovDataset::InternalCancel() {
    if (State() == DataSetState::Edit && editTookBeforeImage_) ReleaseBeforeImage(CurrentNode());
    editTookBeforeImage_ = false;
    DecChange();
}

void TRidovDataset::ReleaseBeforeImage(RecordNode* node) {
    // The edit only ever changed the edit buffer; the before-image it took
    // goes again. Not when another dataset sharing the store posted or
    // deleted the record meanwhile (the image is then what reverting
    // restores), nor while another one edits it (that edit takes the image
    // over, as if it had taken it).
    if (node == nullptr || store_->BeforeImage(node) == nullptr) return;
    if (node->status != rsUnchanged && node->status != rsInserted) return;
    for (TRidovDataset* d : Sharers()) {
        if (d->State() == DataSetState::Edit && d->CurrentNode() == node) {
            d->editTookBeforeImage_ = true;
            return;
        }
    }
    store_->DropBeforeImage(node);
}

void TRidovDataset::InternalPost() {
    uint8_t* values = editBuffer_.Data();
    std::string message;
    const std::vector<TRidovField*>& sortKey = keys_[kiSort].storeFields;
    if (State() == DataSetState::Insert) {
        if (checkKeyViolation && !uniqueFieldNames.empty() &&
            store_->HasDuplicate(values, nullptr, uniqueFieldNames))
            Fail("Error saving new record: Key violation");
        RecordNode* created = nullptr;
        if (!store_->PostRecord(values, nullptr, message, &created))
            Fail("Error saving new record: " + message);
        size_t pos = NewRecordPlace(created);
        PlaceNewRecord(created, static_cast<int>(pos));
        for (TRidovDataset* d : Sharers()) d->SharedRecordAdded(created);
        return;
    }
    RecordNode* node = CurrentNode();
    bool keyChanged = true;
    const uint8_t* beforeImage = node ? store_->BeforeImage(node) : nullptr;
    if (!indexFieldNames_.empty() && beforeImage &&
        TRidovCursor::CompareRecords(beforeImage, values, sortKey) == 0)
        keyChanged = false;
    if (checkKeyViolation && !uniqueFieldNames.empty() &&
        store_->HasDuplicate(values, node, uniqueFieldNames))
        Fail("Error saving record: Key violation");
    // Whether the record's place in each other view's order changes, seen
    // while the node still holds its old values.
    std::vector<std::pair<TRidovDataset*, bool>> sharers;
    for (TRidovDataset* d : Sharers()) {
        const std::vector<TRidovField*>& key = d->keys_[kiSort].storeFields;
        bool moved = !key.empty() && node && node->values &&
                     TRidovCursor::CompareRecords(node->values, values, key) != 0;
        sharers.emplace_back(d, moved);
    }
    if (!store_->PostRecord(values, node, message)) Fail("Error saving record: " + message);
    editTookBeforeImage_ = false;
    if (keyChanged) sorted_ = false;
    for (auto& [d, moved] : sharers) d->SharedRecordChanged(node, moved);
}

size_t TRidovDataset::NewRecordPlace(const RecordNode* node) {
    // At the end, or with insert-in-order in front of the first record not
    // less (not greater when descending) than the new one.
    const std::vector<TRidovField*>& sortKey = keys_[kiSort].storeFields;
    bool descend = (sortOptions_ & vsoDescendSort) != 0;
    size_t count = view_.size();
    if (sortKey.empty()) return count;
    if (sorted_ && (sortOptions_ & vsoInsertInOrder)) {
        size_t lo = 0, hi = count;
        while (lo < hi) {
            size_t mid = (lo + hi) / 2;
            const RecordNode* m = view_[mid];
            int r = m->values ? TRidovCursor::CompareRecords(m->values, node->values, sortKey) : -1;
            if (descend ? r > 0 : r < 0) {
                lo = mid + 1;
            } else {
                hi = mid;
            }
        }
        return lo;
    }
    // Appended at the end: the view stays sorted only if the new record
    // belongs there, or searches would miss it.
    if (count > 0 && view_[count - 1]->values) {
        int r = TRidovCursor::CompareRecords(view_[count - 1]->values, node->values, sortKey);
        if (descend ? r < 0 : r > 0) sorted_ = false;
    }
    return count;
}

int TRidovDataset::ViewIndexOf(const RecordNode* node) const {
    auto it = std::find(view_.begin(), view_.end(), node);
    return it == view_.end() ? -1 : static_cast<int>(it - view_.begin());
}

void TRidovDataset::SharedRecordAdded(RecordNode* node) {
    if (!viewReady_ || !Active() || node == nullptr || !node->IsLive()) return;
    if (rangeActive_ && !InRange(node)) return;
    bool passes = true;
    try {
        if (filtered_ && !filter_.empty()) PrepareFilter();
        passes = RecordPassesFilter(node);
    } catch (...) {
        // This view's filter failing is no reason to refuse the other's post.
        passes = false;
    }
    if (!passes) return;
    InsertIntoView(static_cast<int>(NewRecordPlace(node)), node);
    SyncCurrentRow();
    NotifyLinks(DataEvent::DataSetChange);
}

void TRidovDataset::SharedRecordChanged(RecordNode* node, bool keyChanged) {
    if (!viewReady_ || !Active() || node == nullptr) return;
    int index = ViewIndexOf(node);
    if (index < 0) {
        SharedRecordAdded(node);
        return;
    }
    // It keeps its place, as an edit here would; a changed key may break
    // the order searches rely on.
    if (keyChanged) sorted_ = false;
    // A pending edit of the same record shows its own buffer still.
    if (editingRecord_ && index == CurrentIndex()) return;
    NotifyView(ViewEvent::RowChanged, RowOfIndex(index));
    if (index == CurrentIndex() && !IsEditing(State())) {
        ActivateCurrent();
        NotifyLinks(DataEvent::RecordChange);
    }
}

void TRidovDataset::SharedRecordDeleted(RecordNode* node) {
    if (!Active() || node == nullptr) return;
    int index = ViewIndexOf(node);
    if (index < 0) return;
    // An edit of the record cannot be posted any more.
    if (editingRecord_ && index == CurrentIndex()) Cancel();
    RemoveFromView(index);
    SyncCurrentRow();
    NotifyLinks(DataEvent::DataSetChange);
}

void TRidovDataset::InternalDelete() {
    RecordNode* node = CurrentNode();
    std::string message;
    if (!store_->DeleteRecord(node, message)) Fail("Error deleting record: " + message);
    IncChange();
    for (TRidovDataset* d : Sharers()) d->SharedRecordDeleted(node);
}

// ---- saving ----

void TRidovDataset::SaveToFile(const std::string& fileName) {
    RequireStore();
    std::string message;
    if (!store_->WriteFile(fileName, saveOptions, (sortOptions_ & vsoCaseInsensitive) != 0,
                           indexFieldNames_, message))
        Fail(message);
}

void TRidovDataset::SaveChanges() {
    if (Active() && IsEditing(State())) Post();
    WriteData();
}

void TRidovDataset::CancelChanges() {
    if (!Active() || store_ == nullptr || !Modified()) return;
    Cancel();
    // Pending edits elsewhere may be of records about to go.
    for (TRidovDataset* d : Sharers()) d->Cancel();
    store_->RevertAll();
    RebuildView(false);
    RebuildSharers();
    ResetChanges();
}

void TRidovDataset::CommitChanges() {
    if (!Active() || store_ == nullptr || !Modified()) return;
    store_->CommitAll();
    RebuildView(false);
    RebuildSharers();
    ResetChanges();
}

void TRidovDataset::EmptyTable() {
    CheckActive();
    // Every view of the store loses its records; pending edits go first.
    Cancel();
    std::vector<TRidovDataset*> views = Sharers();
    for (TRidovDataset* d : views) d->Cancel();
    views.push_back(this);
    for (TRidovDataset* d : views) d->NotifyView(ViewEvent::AboutToReset);
    store_->Clear(false);
    for (TRidovDataset* d : views) {
        d->view_.clear();
        d->sorted_ = !d->keys_[kiSort].storeFields.empty();
        d->SetCurrentIndex(-1);
        d->bof_ = d->eof_ = true;
        d->NotifyView(ViewEvent::Reset);
        d->NotifyLinks(DataEvent::DataSetChange);
    }
    First();
}

}  // namespace ridov
