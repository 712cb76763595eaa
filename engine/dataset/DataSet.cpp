#include "engine/dataset/DataSet.h"

#include <algorithm>
#include <cstring>

#include "engine/dataset/DataSource.h"
#include "engine/storage/DatabaseError.h"
#include "engine/storage/RidovCursor.h"
#include "engine/storage/ValueSlot.h"
#include "engine/text/Win1251.h"

namespace ridov {

namespace {

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (text::UpperChar(a[i]) != text::UpperChar(b[i])) return false;
    return true;
}

}  // namespace

DataSet::DataSet() : format_(&text::FormatSettings::Russian()) {}

DataSet::~DataSet() {
    // Subclasses close in their own destructors; here only what is left.
    for (DataSource* s : sources_) s->dataSet_ = nullptr;
    sources_.clear();
}

void DataSet::Fail(const std::string& message) const {
    throw DatabaseError(message, AsRidovDataset());
}

void DataSet::CheckActive() const {
    if (!Active()) Fail("Cannot perform this operation on a closed dataset");
}

void DataSet::SetState(DataSetState s) {
    if (state_ == s) return;
    state_ = s;
    AnnounceState();
}

void DataSet::AnnounceState() {
    NotifyLinks(DataEvent::UpdateState);
    NotifyView(ViewEvent::StateChanged, static_cast<int>(state_));
}

void DataSet::NotifyLinks(DataEvent event, Field* field) {
    if (event == DataEvent::DataSetScroll) SyncCurrentRow();
    if (sources_.empty()) return;
    if (controlsDisabled_ > 0 && event != DataEvent::UpdateState) {
        changePending_ = true;
        return;
    }
    std::vector<DataSource*> sources = sources_;
    for (DataSource* s : sources)
        if (std::find(sources_.begin(), sources_.end(), s) != sources_.end())
            s->Notify(event, field);
}

void DataSet::DispatchView(ViewEvent event, int first, int second) {
    std::vector<DataSource*> sources = sources_;
    for (DataSource* s : sources)
        if (std::find(sources_.begin(), sources_.end(), s) != sources_.end())
            s->NotifyView(event, first, second);
}

void DataSet::NotifyView(ViewEvent event, int first, int second) {
    switch (event) {
        case ViewEvent::AboutToReset:
            if (resetDepth_++ == 0) DispatchView(event, -1, -1);
            return;
        case ViewEvent::Reset:
            if (resetDepth_ == 0 || --resetDepth_ > 0) return;
            DispatchView(event, -1, -1);
            // The links forgot their current row with the old rows.
            currentRowStale_ = true;
            SyncCurrentRow();
            return;
        case ViewEvent::StateChanged:
            DispatchView(event, first, second);
            return;
        case ViewEvent::CurrentRowChanged:
            SyncCurrentRow();
            return;
        default:
            break;
    }
    if (resetDepth_ > 0) return;
    if (controlsDisabled_ > 0) {
        viewResetPending_ = true;
        NotifyView(ViewEvent::AboutToReset);
        return;
    }
    DispatchView(event, first, second);
}

void DataSet::SyncCurrentRow() {
    if (sources_.empty()) {
        // Nobody to tell (a walk over the records, say); a link added later
        // learns the current row afresh.
        currentRowStale_ = true;
        return;
    }
    if (controlsDisabled_ > 0 || resetDepth_ > 0) return;
    int row = CurrentRow();
    const RecordNode* node = insertRow_ >= 0 ? nullptr : CurrentNode();
    if (!currentRowStale_ && row == notifiedRow_ && node == notifiedNode_) return;
    currentRowStale_ = false;
    notifiedRow_ = row;
    notifiedNode_ = node;
    DispatchView(ViewEvent::CurrentRowChanged, row, -1);
}

void DataSet::SourceAdded() {
    // The source tells its links the current row itself. Without sources
    // the row was not followed; from now on it is.
    if (sources_.size() != 1 || !currentRowStale_) return;
    if (controlsDisabled_ > 0 || resetDepth_ > 0) return;
    currentRowStale_ = false;
    notifiedRow_ = CurrentRow();
    notifiedNode_ = insertRow_ >= 0 ? nullptr : CurrentNode();
}

void DataSet::EnableControls() {
    if (controlsDisabled_ == 0 || --controlsDisabled_ > 0) return;
    if (viewResetPending_) {
        viewResetPending_ = false;
        NotifyView(ViewEvent::Reset);
    }
    SyncCurrentRow();
    if (changePending_) {
        changePending_ = false;
        NotifyLinks(DataEvent::DataSetChange);
    }
}

// ---- open and close ----

void DataSet::Open() {
    if (Active()) return;
    Fire(beforeOpen);
    NotifyView(ViewEvent::AboutToReset);
    opening_ = true;
    try {
        InternalOpen();
    } catch (...) {
        NotifyView(ViewEvent::Reset);
        opening_ = false;
        FreeBuffers();
        try {
            InternalClose();
        } catch (...) {
        }
        UnbindFields();
        view_.clear();
        current_ = -1;
        activeValues_ = activeCalc_ = nullptr;
        eof_ = bof_ = true;
        throw;
    }
    opening_ = false;
    current_ = view_.empty() ? -1 : 0;
    bof_ = true;
    eof_ = view_.empty();
    state_ = DataSetState::Browse;
    ActivateCurrent();
    NotifyView(ViewEvent::Reset);  // and the current row
    AnnounceState();
    NotifyLinks(DataEvent::DataSetChange);
    Fire(afterOpen);
}

void DataSet::Close() {
    if (!Active()) return;
    Fire(beforeClose);
    CheckCanClose();  // may refuse (clones attached) before anything changed
    if (IsEditing(state_)) Cancel();
    NotifyView(ViewEvent::AboutToReset);
    try {
        FreeBuffers();  // while the store that laid the buffer out is still set
        InternalClose();
    } catch (...) {
        NotifyView(ViewEvent::Reset);
        throw;
    }
    UnbindFields();
    view_.clear();
    current_ = -1;
    insertRow_ = -1;
    editingRecord_ = false;
    activeValues_ = activeCalc_ = nullptr;
    recordModified_ = false;
    eof_ = bof_ = true;
    state_ = DataSetState::Inactive;
    NotifyView(ViewEvent::Reset);  // and the current row, -1
    AnnounceState();
    Fire(afterClose);
}

// ---- fields ----

Field* DataSet::FindField(std::string_view name) const {
    for (Field* f : fields_)
        if (SameName(f->FieldName(), name)) return f;
    return nullptr;
}

Field& DataSet::FieldByName(std::string_view name) const {
    Field* f = FindField(name);
    if (f == nullptr) Fail("Field '" + std::string(name) + "' not found");
    return *f;
}

void DataSet::GetFieldList(std::string_view names, std::vector<Field*>& out) const {
    while (!names.empty()) {
        size_t semi = names.find(';');
        std::string_view name = names.substr(0, semi);
        names = semi == std::string_view::npos ? std::string_view() : names.substr(semi + 1);
        while (!name.empty() && static_cast<unsigned char>(name.front()) <= ' ')
            name.remove_prefix(1);
        while (!name.empty() && static_cast<unsigned char>(name.back()) <= ' ')
            name.remove_suffix(1);
        if (!name.empty()) out.push_back(&FieldByName(name));
    }
}

Field& DataSet::AddField(std::unique_ptr<Field> field) {
    if (Active()) Fail("Cannot add fields to an open dataset");
    if (FindField(field->FieldName())) Fail("Duplicate field name '" + field->FieldName() + "'");
    field->owner_ = this;
    field->autoCreated_ = false;
    field->index_ = static_cast<int>(fields_.size());
    fields_.push_back(field.get());
    ownedFields_.push_back(std::move(field));
    return *fields_.back();
}

Field& DataSet::AddCalculatedField(std::string name, DataType type, int size) {
    return AddField(CreateField(type, std::move(name), FieldKind::Calculated, size));
}

Field& DataSet::AddLookupField(std::string name, DataType type, int size, DataSet& lookupDataSet,
                               std::string keyFields, std::string lookupKeyFields,
                               std::string lookupResultField) {
    Field& f = AddField(CreateField(type, std::move(name), FieldKind::Lookup, size));
    f.lookupDataSet = &lookupDataSet;
    f.keyFields = std::move(keyFields);
    f.lookupKeyFields = std::move(lookupKeyFields);
    f.lookupResultField = std::move(lookupResultField);
    return f;
}

void DataSet::BuildFieldDefsFromStore() {
    fieldDefs_.Clear();
    for (int i = 0; i < store_->FieldCount(); ++i) {
        const TRidovField* f = store_->FieldAt(i);
        fieldDefs_.Add(f->name, DataTypeOf(f->type), IsTextType(f->type) ? f->declaredSize : 0);
    }
}

void DataSet::BindFields() {
    calcBuffer_.Reset();
    peekCalcBuffer_.Reset();
    cellCalcBuffer_.Reset();
    std::vector<Field*> data, calc;
    std::vector<bool> bound(ownedFields_.size(), false);
    for (int i = 0; i < store_->FieldCount(); ++i) {
        const TRidovField* sf = store_->FieldAt(i);
        Field* f = nullptr;
        for (size_t k = 0; k < ownedFields_.size(); ++k) {
            Field* candidate = ownedFields_[k].get();
            if (candidate->kind_ == FieldKind::Data && SameName(candidate->name_, sf->name)) {
                f = candidate;
                bound[k] = true;
                break;
            }
        }
        if (f == nullptr) {
            auto created = CreateField(DataTypeOf(sf->type), sf->name, FieldKind::Data,
                                       IsTextType(sf->type) ? sf->declaredSize : 0);
            created->owner_ = this;
            created->autoCreated_ = true;
            f = created.get();
            ownedFields_.push_back(std::move(created));
            bound.push_back(true);
        } else if (DataTypeOf(sf->type) != f->type_ &&
                   !(f->type_ == DataType::Word && sf->type == ftSmallInt)) {
            Fail("Type mismatch for field '" + f->name_ + "'");
        }
        f->desc_ = sf;
        f->size_ = IsTextType(sf->type) ? sf->declaredSize : 0;
        data.push_back(f);
    }
    for (size_t k = 0; k < ownedFields_.size(); ++k) {
        Field* f = ownedFields_[k].get();
        if (f->kind_ == FieldKind::Data) {
            if (!bound[k]) Fail("Field '" + f->name_ + "' not found");
        } else {
            calc.push_back(f);
        }
    }
    // Calculated values: one has-value byte, then the slot. Texts are kept
    // as heap texts whatever their size.
    size_t offset = 0;
    auto calcLayout = std::make_shared<ValueLayout>();
    for (Field* f : calc) {
        TRidovField& d = f->calcDesc_;
        d = TRidovField{};
        d.name = f->name_;
        d.type = EngineTypeOf(f->type_, f->size_);
        if (d.type == ftSmallStr) d.type = ftString;
        d.declaredSize = static_cast<int16_t>(f->type_ == DataType::String ? f->size_ : 0);
        d.slotSize = SlotSize(d.type, d.declaredSize);
        d.offset = static_cast<uint32_t>(offset + 1);
        offset += 1 + d.slotSize;
        f->desc_ = &d;
        if (d.type == ftString || IsBlobType(d.type))
            calcLayout->references.push_back({d.offset, d.slotSize, d.type});
    }
    calcSize_ = offset;
    calcLayout->recordSize = calcSize_;
    calcFields_ = calc;
    calcBuffer_ = ValueBuffer(calcLayout);
    peekCalcBuffer_ = ValueBuffer(calcLayout);
    cellCalcBuffer_ = ValueBuffer(calcLayout);
    fields_ = data;
    fields_.insert(fields_.end(), calc.begin(), calc.end());
    for (size_t i = 0; i < fields_.size(); ++i) fields_[i]->index_ = static_cast<int>(i);
    NotifyLinks(DataEvent::LayoutChange);
}

void DataSet::UnbindFields() {
    calcBuffer_.Reset();
    peekCalcBuffer_.Reset();
    cellCalcBuffer_.Reset();
    calcSize_ = 0;
    calcFields_.clear();
    std::vector<Field*> kept;
    for (Field* f : fields_)
        if (!f->autoCreated_) kept.push_back(f);
    for (auto& f : ownedFields_)
        if (!f->autoCreated_ && std::find(kept.begin(), kept.end(), f.get()) == kept.end())
            kept.push_back(f.get());
    std::erase_if(ownedFields_, [](const std::unique_ptr<Field>& f) { return f->autoCreated_; });
    for (auto& f : ownedFields_) {
        if (f->kind_ == FieldKind::Data) f->desc_ = nullptr;
    }
    fields_ = kept;
    for (size_t i = 0; i < fields_.size(); ++i) fields_[i]->index_ = static_cast<int>(i);
}

void DataSet::AllocateBuffers() {
    FreeBuffers();
    editBuffer_ = ValueBuffer(store_->Layout());
}

void DataSet::FreeBuffers() {
    editBuffer_.Reset();
}

void DataSet::FreeCalc(uint8_t* calc) {
    // Every calculation area shares the layout of calcBuffer_.
    if (calc == nullptr || calcSize_ == 0 || !calcBuffer_) return;
    FreeReferences(*calcBuffer_.Layout(), calc);
    std::memset(calc, 0, calcSize_);
}

// ---- calculated fields ----

DataSet::StateScope::StateScope(DataSet& ds, DataSetState state, uint8_t* values, uint8_t* calc)
    : ds_(ds), state_(ds.state_), values_(ds.activeValues_), calc_(ds.activeCalc_) {
    ds.state_ = state;
    ds.activeValues_ = values;
    ds.activeCalc_ = calc;
}

DataSet::StateScope::~StateScope() {
    ds_.state_ = state_;
    ds_.activeValues_ = values_;
    ds_.activeCalc_ = calc_;
}

void DataSet::CalculateFields(uint8_t* values, uint8_t* calc) {
    if (calcSize_ == 0) return;
    FreeCalc(calc);
    if (values == nullptr) return;
    StateScope scope(*this, DataSetState::CalcFields, values, calc);
    ComputeLookupFields();
    if (onCalcFields) onCalcFields(*this);
}

void DataSet::ComputeLookupFields() {
    for (Field* f : calcFields_) {
        if (f->kind_ != FieldKind::Lookup || f->lookupDataSet == nullptr ||
            !f->lookupDataSet->Active())
            continue;
        std::vector<Field*> keys;
        GetFieldList(f->keyFields, keys);
        std::vector<Variant> values;
        bool anyNull = false;
        for (Field* k : keys) {
            values.push_back(k->AsVariant());
            anyNull = anyNull || IsNull(values.back());
        }
        if (anyNull || values.empty()) continue;
        Variant v = f->lookupDataSet->Lookup(f->lookupKeyFields, values, f->lookupResultField);
        if (!IsNull(v)) f->SetAsVariant(v);
    }
}

Variant DataSet::Lookup(std::string_view keyFields, const std::vector<Variant>& keyValues,
                        std::string_view resultField) {
    CheckActive();
    std::vector<Field*> keys;
    GetFieldList(keyFields, keys);
    Field& result = FieldByName(resultField);
    if (keys.empty() || (keyValues.size() != keys.size() && keyValues.size() != 1)) return {};
    std::vector<std::string> wanted;
    for (size_t i = 0; i < keys.size(); ++i)
        wanted.push_back(VariantText(keyValues[keyValues.size() == 1 ? 0 : i], Format()));
    Variant found;
    for (int i = 0; i < RecordCount(); ++i) {
        bool match = false;
        ForRecordAt(i, [&] {
            match = true;
            for (size_t k = 0; k < keys.size() && match; ++k)
                match = keys[k]->AsStringView() == wanted[k];
            if (match) found = result.AsVariant();
        });
        if (match) break;
    }
    return found;
}

void DataSet::FieldChanged(Field& field) {
    if (field.kind_ == FieldKind::Data) recordModified_ = true;
    if (field.onChange) field.onChange(field);
    NotifyLinks(DataEvent::FieldChange, &field);
    if (field.kind_ == FieldKind::Data && autoCalcFields && calcSize_ > 0 && IsEditing(state_))
        CalculateFields(activeValues_, activeCalc_);
    // The row shows the edit buffer, calculated values included.
    if (IsEditing(state_)) NotifyView(ViewEvent::RowChanged, CurrentRow());
}

DataSet::PeekScope::PeekScope(DataSet& ds, int index)
    : ds_(ds), state_(ds.state_), values_(ds.activeValues_), calc_(ds.activeCalc_) {
    if (!ds.Active() || index < 0 || size_t(index) >= ds.view_.size())
        ds.Fail("Record index out of range");
    uint8_t* values = ds.view_[size_t(index)]->values;
    ds.state_ = DataSetState::Browse;
    ds.activeValues_ = values;
    ds.activeCalc_ = ds.peekCalcBuffer_.Data();
    if (ds.calcSize_ > 0) {
        try {
            ds.CalculateFields(values, ds.peekCalcBuffer_.Data());
        } catch (...) {
            ds.state_ = state_;
            ds.activeValues_ = values_;
            ds.activeCalc_ = calc_;
            throw;
        }
    }
}

DataSet::PeekScope::~PeekScope() {
    ds_.state_ = state_;
    ds_.activeValues_ = values_;
    ds_.activeCalc_ = calc_;
}

// ---- rows as a grid shows them ----

int DataSet::RowCount() const noexcept {
    if (!Active()) return 0;
    return static_cast<int>(view_.size()) + (insertRow_ >= 0 ? 1 : 0);
}

int DataSet::CurrentRow() const noexcept {
    if (!Active()) return -1;
    if (insertRow_ >= 0) return insertRow_;
    return current_ >= 0 && size_t(current_) < view_.size() ? current_ : -1;
}

bool DataSet::CellBuffers(int row, const Field& field, uint8_t*& values, uint8_t*& calc) {
    if (!Active() || row < 0 || field.owner_ != this || field.desc_ == nullptr) return false;
    if (insertRow_ >= 0) {
        if (row == insertRow_) {
            values = editBuffer_.Data();
            calc = calcBuffer_.Data();
            return values != nullptr;
        }
        if (row > insertRow_) --row;
    }
    if (size_t(row) >= view_.size()) return false;
    if (editingRecord_ && row == current_) {
        values = editBuffer_.Data();
        calc = calcBuffer_.Data();
        return values != nullptr;
    }
    const RecordNode* node = view_[size_t(row)];
    if (node == nullptr || node->values == nullptr) return false;
    values = node->values;
    calc = nullptr;
    if (!field.IsCalculated() || calcSize_ == 0) return true;
    // A calculation that reads cells would overwrite the values being
    // computed.
    if (computingCell_) return false;
    computingCell_ = true;
    try {
        CalculateFields(values, cellCalcBuffer_.Data());
    } catch (...) {
        computingCell_ = false;
        return false;
    }
    computingCell_ = false;
    calc = cellCalcBuffer_.Data();
    return true;
}

template <typename Read>
bool DataSet::ReadCellWith(int row, const Field& field, Read&& read) noexcept {
    uint8_t* values = nullptr;
    uint8_t* calc = nullptr;
    try {
        if (!CellBuffers(row, field, values, calc)) return false;
        // Only the buffers the fields read change, and back, so neither the
        // state nor the current record is disturbed.
        uint8_t* savedValues = activeValues_;
        uint8_t* savedCalc = activeCalc_;
        activeValues_ = values;
        activeCalc_ = calc;
        try {
            read();
        } catch (...) {
            activeValues_ = savedValues;
            activeCalc_ = savedCalc;
            return false;
        }
        activeValues_ = savedValues;
        activeCalc_ = savedCalc;
        return true;
    } catch (...) {
        return false;
    }
}

bool DataSet::ReadCell(int row, const Field& field, Variant& out) const noexcept {
    out = Variant();
    // Reading swaps the buffers the fields read and restores them; the
    // dataset a caller sees is unchanged.
    DataSet& self = const_cast<DataSet&>(*this);
    Variant value;
    if (!self.ReadCellWith(row, field, [&] { value = field.AsVariant(); })) return false;
    out = std::move(value);
    return true;
}

bool DataSet::ReadCellText(int row, const Field& field, std::string& out) const noexcept {
    out.clear();
    DataSet& self = const_cast<DataSet&>(*this);
    std::string text;
    if (!self.ReadCellWith(row, field, [&] { text = field.DisplayText(); })) return false;
    out = std::move(text);
    return true;
}

// ---- navigation ----

void DataSet::ActivateCurrent() {
    RecordNode* node = CurrentNode();
    activeCalc_ = calcBuffer_.Data();
    if (IsEditing(state_)) {
        activeValues_ = editBuffer_.Data();
        return;
    }
    activeValues_ = node ? node->values : nullptr;
    if (calcSize_ > 0) CalculateFields(activeValues_, activeCalc_);
}

int DataSet::RecordCount() const {
    return static_cast<int>(view_.size());
}

int DataSet::RecNo() const {
    if (state_ == DataSetState::InternalCalc || state_ == DataSetState::Insert) return -1;
    return current_ + 1;
}

void DataSet::MoveTo(int index) {
    Fire(beforeScroll);
    current_ = index;
    ActivateCurrent();
    bof_ = eof_ = false;
    NotifyLinks(DataEvent::DataSetScroll);
    Fire(afterScroll);
}

void DataSet::First() {
    CheckBrowseMode();
    Fire(beforeScroll);
    current_ = view_.empty() ? -1 : 0;
    ActivateCurrent();
    bof_ = true;
    eof_ = view_.empty();
    NotifyLinks(DataEvent::DataSetScroll);
    Fire(afterScroll);
}

void DataSet::Last() {
    CheckBrowseMode();
    Fire(beforeScroll);
    current_ = static_cast<int>(view_.size()) - 1;
    ActivateCurrent();
    eof_ = true;
    bof_ = view_.empty();
    NotifyLinks(DataEvent::DataSetScroll);
    Fire(afterScroll);
}

void DataSet::Next() {
    if (state_ != DataSetState::Browse) CheckBrowseMode();
    if (size_t(current_ + 1) >= view_.size()) {
        eof_ = true;
        return;
    }
    if (beforeScroll) beforeScroll(*this);
    ++current_;
    activeValues_ = view_[size_t(current_)]->values;
    if (calcSize_ > 0) CalculateFields(activeValues_, activeCalc_);
    bof_ = eof_ = false;
    NotifyLinks(DataEvent::DataSetScroll);
    if (afterScroll) afterScroll(*this);
}

void DataSet::Prior() {
    if (state_ != DataSetState::Browse) CheckBrowseMode();
    if (current_ <= 0) {
        bof_ = true;
        return;
    }
    if (beforeScroll) beforeScroll(*this);
    --current_;
    activeValues_ = view_[size_t(current_)]->values;
    if (calcSize_ > 0) CalculateFields(activeValues_, activeCalc_);
    bof_ = eof_ = false;
    NotifyLinks(DataEvent::DataSetScroll);
    if (afterScroll) afterScroll(*this);
}

int DataSet::MoveBy(int distance) {
    CheckBrowseMode();
    if (distance == 0 || view_.empty()) {
        if (view_.empty()) eof_ = bof_ = true;
        return 0;
    }
    long target = long(current_) + distance;
    long last = long(view_.size()) - 1;
    bool pastEnd = target > last, beforeStart = target < 0;
    target = std::clamp(target, 0L, last);
    int moved = static_cast<int>(target - current_);
    if (moved != 0) MoveTo(static_cast<int>(target));
    eof_ = pastEnd;
    bof_ = beforeStart;
    return moved;
}

void DataSet::SetRecNo(int value) {
    CheckBrowseMode();
    if (view_.empty() || value == RecNo()) return;
    value = std::clamp(value, 1, static_cast<int>(view_.size()));
    MoveTo(value - 1);
}

// ---- bookmarks ----

Bookmark DataSet::GetBookmark() const {
    if (state_ == DataSetState::Insert) return nullptr;
    return CurrentNode();
}

bool DataSet::BookmarkValid(Bookmark bookmark) const {
    return bookmark != nullptr && std::find(view_.begin(), view_.end(), bookmark) != view_.end();
}

void DataSet::GotoBookmark(Bookmark bookmark) {
    CheckBrowseMode();
    auto it = std::find(view_.begin(), view_.end(), bookmark);
    if (bookmark == nullptr || it == view_.end()) return;
    MoveTo(static_cast<int>(it - view_.begin()));
}

int DataSet::CompareBookmarks(Bookmark a, Bookmark b) {
    if (a == b) return 0;
    if (a == nullptr) return -1;
    if (b == nullptr) return 1;
    return std::less<Bookmark>()(a, b) ? -1 : 1;
}

// ---- editing ----

UpdateStatus DataSet::GetUpdateStatus() const {
    if (state_ == DataSetState::Insert) return UpdateStatus::Inserted;
    RecordNode* node = CurrentNode();
    if (node == nullptr) return UpdateStatus::Unmodified;
    switch (node->status) {
        case rsModified:
            return UpdateStatus::Modified;
        case rsInserted:
            return UpdateStatus::Inserted;
        case rsDeleted:
            return UpdateStatus::Deleted;
        default:
            return UpdateStatus::Unmodified;
    }
}

void DataSet::CheckBrowseMode() {
    CheckActive();
    if (!IsEditing(state_)) return;
    NotifyLinks(DataEvent::CheckBrowseMode);
    NotifyLinks(DataEvent::UpdateRecord);
    if (recordModified_) {
        Post();
    } else {
        Cancel();
    }
}

void DataSet::Edit() {
    CheckActive();
    if (IsEditing(state_)) return;
    if (view_.empty()) {
        Insert();
        return;
    }
    CheckCanEdit();
    Fire(beforeEdit);
    RecordNode* node = CurrentNode();
    if (node == nullptr || node->values == nullptr || !InternalEdit(node)) return;
    store_->CopyValues(node->values, editBuffer_.Data());
    recordModified_ = false;
    editingRecord_ = true;
    SetState(DataSetState::Edit);
    ActivateCurrent();
    if (calcSize_ > 0) CalculateFields(activeValues_, activeCalc_);
    Fire(afterEdit);
}

void DataSet::Insert() {
    CheckBrowseMode();
    BeginInsert(current_ < 0 ? 0 : current_);
}

void DataSet::Append() {
    CheckBrowseMode();
    current_ = static_cast<int>(view_.size()) - 1;
    ActivateCurrent();
    BeginInsert(static_cast<int>(view_.size()));
}

void DataSet::BeginInsert(int row) {
    CheckCanInsert();
    Fire(beforeInsert);
    editBuffer_.Clear();
    recordModified_ = false;
    // The new row appears before the current record (after the last one
    // when appending); the record before it stays current underneath.
    NotifyView(ViewEvent::RowsAboutToBeInserted, row, row);
    insertRow_ = row;
    NotifyView(ViewEvent::RowsInserted, row, row);
    SyncCurrentRow();
    SetState(DataSetState::Insert);
    ActivateCurrent();
    try {
        InternalInsert();
        recordModified_ = false;
        Fire(onNewRecord);
        if (calcSize_ > 0) CalculateFields(activeValues_, activeCalc_);
    } catch (...) {
        Cancel();
        throw;
    }
    Fire(afterInsert);
}

void DataSet::Post() {
    CheckActive();
    if (!IsEditing(state_)) return;
    NotifyLinks(DataEvent::UpdateRecord);
    Fire(beforePost);
    bool inserting = state_ == DataSetState::Insert;
    InternalPost();
    if (inserting && insertRow_ >= 0) {
        // The subclass placed nothing: the record is not in the view.
        int row = insertRow_;
        NotifyView(ViewEvent::RowsAboutToBeRemoved, row, row);
        insertRow_ = -1;
        NotifyView(ViewEvent::RowsRemoved, row, row);
    } else if (!inserting && editingRecord_) {
        // The row shows the stored record now.
        editingRecord_ = false;
        NotifyView(ViewEvent::RowChanged, CurrentRow());
    }
    editingRecord_ = false;
    // The store holds its own copies now; the buffer keeps nothing between
    // edits, so a reload with another layout can never misread it.
    editBuffer_.Clear();
    recordModified_ = false;
    SyncCurrentRow();
    SetState(DataSetState::Browse);
    ActivateCurrent();
    bof_ = eof_ = false;
    NotifyLinks(DataEvent::DataSetChange);
    Fire(afterPost);
}

void DataSet::PlaceNewRecord(RecordNode* node, int index) {
    int row = insertRow_;
    if (row < 0 || node == nullptr) return;
    // The inserted row becomes the record's row, where it was shown...
    view_.insert(view_.begin() + row, node);
    insertRow_ = -1;
    current_ = row;
    NotifyView(ViewEvent::RowChanged, row);
    // ...then moves to where it belongs.
    index = std::clamp(index, 0, static_cast<int>(view_.size()) - 1);
    if (index == row) return;
    NotifyView(ViewEvent::RowAboutToBeMoved, row, index);
    auto at = view_.begin();
    if (index < row) {
        std::rotate(at + index, at + row, at + row + 1);
    } else {
        std::rotate(at + row, at + row + 1, at + index + 1);
    }
    current_ = index;
    NotifyView(ViewEvent::RowMoved, row, index);
}

void DataSet::InsertIntoView(int index, RecordNode* node) {
    bool wasEmpty = view_.empty();
    int row = RowOfIndex(index);
    NotifyView(ViewEvent::RowsAboutToBeInserted, row, row);
    view_.insert(view_.begin() + index, node);
    if (insertRow_ >= 0 && index < insertRow_) ++insertRow_;
    if (current_ >= index) ++current_;
    if (wasEmpty) {
        current_ = 0;
        ActivateCurrent();
        bof_ = eof_ = false;
    }
    NotifyView(ViewEvent::RowsInserted, row, row);
}

void DataSet::RemoveFromView(int index) {
    int row = RowOfIndex(index);
    NotifyView(ViewEvent::RowsAboutToBeRemoved, row, row);
    view_.erase(view_.begin() + index);
    if (insertRow_ >= 0 && index < insertRow_) --insertRow_;
    bool currentGone = index == current_;
    if (index < current_ || current_ >= static_cast<int>(view_.size())) --current_;
    if (currentGone) ActivateCurrent();
    if (view_.empty()) bof_ = eof_ = true;
    NotifyView(ViewEvent::RowsRemoved, row, row);
}

void DataSet::Cancel() {
    if (!IsEditing(state_)) return;
    Fire(beforeCancel);
    InternalCancel();
    if (insertRow_ >= 0) {
        int row = insertRow_;
        NotifyView(ViewEvent::RowsAboutToBeRemoved, row, row);
        insertRow_ = -1;
        NotifyView(ViewEvent::RowsRemoved, row, row);
    } else if (editingRecord_) {
        // The row shows the stored record again.
        editingRecord_ = false;
        NotifyView(ViewEvent::RowChanged, CurrentRow());
    }
    editBuffer_.Clear();
    recordModified_ = false;
    SyncCurrentRow();
    SetState(DataSetState::Browse);
    ActivateCurrent();
    NotifyLinks(DataEvent::DataSetChange);
    Fire(afterCancel);
}

void DataSet::Delete() {
    CheckActive();
    if (state_ == DataSetState::Insert) {
        Cancel();
        return;
    }
    if (state_ == DataSetState::Edit) Cancel();
    if (view_.empty()) Fail("Number of records is equal to 0");
    CheckCanDelete();
    Fire(beforeDelete);
    InternalDelete();
    // The store let the record go; now it leaves the view.
    RemoveFromView(current_);
    eof_ = bof_ = view_.empty();
    SyncCurrentRow();
    NotifyLinks(DataEvent::DataSetChange);
    Fire(afterDelete);
}

void DataSet::Refresh() {
    CheckBrowseMode();
    Fire(beforeRefresh);
    NotifyView(ViewEvent::AboutToReset);
    try {
        InternalRefresh();
    } catch (...) {
        NotifyView(ViewEvent::Reset);
        throw;
    }
    ActivateCurrent();
    bof_ = current_ <= 0;
    eof_ = view_.empty();
    NotifyView(ViewEvent::Reset);  // and the current row
    NotifyLinks(DataEvent::DataSetChange);
    Fire(afterRefresh);
}

}  // namespace ridov
