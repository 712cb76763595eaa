// DataSet: the dataset framework the engine's datasets build on. It keeps
// the state machine, the view and the current record, the field objects,
// calculated fields, bookmarks, the before/after events and the attached
// data sources. What a record is and where records come from belongs to
// the subclass (TRidovDataset), which fills the view from a record store
// and implements the Internal* operations.
//
// Records and buffers. The view is a vector of record-node references in
// display order; the current record is an index into it. While browsing,
// fields read the current node's value buffer directly, so moving costs no
// copy. Edit copies the node's values into the dataset's edit buffer, and
// Insert/Append start the edit buffer zeroed; fields then read and write
// that buffer until Post hands it to the subclass or Cancel drops it.
//
// Positions and bookmarks: RecNo is the 1-based position in the view. A
// bookmark is the record node; it stays usable while the node is in the
// view and is invalidated by closing, refreshing or emptying the dataset.
// Any rebuild of the view invalidates positions but not bookmarks.
//
// Rows: what a grid shows is the view plus, during Insert/Append, the row
// being inserted (RowCount, CurrentRow, ReadCell). Links that show rows
// hear every change of them as row notifications (see DataSource.h).
//
// Events are std::function members; an empty one is not called. An event
// may throw DatabaseError to refuse the operation (before-events abort it).
//
// Errors: every failure is DatabaseError with this dataset as component.
//
// Thread safety: single-threaded (the GUI thread).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/dataset/DataSetState.h"
#include "engine/dataset/Field.h"
#include "engine/dataset/FieldDef.h"
#include "engine/storage/RecordNode.h"
#include "engine/storage/ValueBuffer.h"
#include "engine/text/FormatSettings.h"

namespace ridov {

class DataSource;
class TRidovCursor;
class TRidovDataset;

using Bookmark = const RecordNode*;

class DataSet {
  public:
    using NotifyEvent = std::function<void(DataSet&)>;
    using FilterRecordEvent = std::function<void(DataSet&, bool& accept)>;

    DataSet();
    virtual ~DataSet();
    DataSet(const DataSet&) = delete;
    DataSet& operator=(const DataSet&) = delete;

    // ---- opening and state ----
    void Open();
    // Ends nothing pending: an edit in progress is cancelled.
    void Close();
    bool Active() const { return state_ != DataSetState::Inactive; }
    void SetActive(bool on) { on ? Open() : Close(); }
    DataSetState State() const { return state_; }
    // The engine dataset behind this one (every dataset here is one).
    virtual TRidovDataset* AsRidovDataset() const { return nullptr; }
    // The data source of the master when this dataset is a detail.
    virtual DataSource* MasterDataSource() const { return nullptr; }

    // ---- navigation (browse state; each first ends a pending edit) ----
    void First();
    void Last();
    void Next();
    void Prior();
    // Moves up to `distance` records (negative: backward); returns how far
    // it moved.
    int MoveBy(int distance);
    bool Eof() const { return eof_; }
    bool Bof() const { return bof_; }
    bool IsEmpty() const { return view_.empty(); }
    int RecordCount() const;
    // 1-based position of the current record; 0 for an empty view, -1 for a
    // new record not yet posted and in the internal-calculation state.
    int RecNo() const;
    // Ends a pending edit; values below 1 go to the first record, values
    // above RecordCount to the last.
    void SetRecNo(int value);

    // ---- bookmarks ----
    // The current record (null when there is none).
    Bookmark GetBookmark() const;
    // Moves to the bookmarked record; a record not in the view leaves the
    // position unchanged.
    void GotoBookmark(Bookmark bookmark);
    bool BookmarkValid(Bookmark bookmark) const;
    // 0 for the same record, otherwise a fixed order; null sorts first.
    static int CompareBookmarks(Bookmark a, Bookmark b);

    // ---- editing ----
    void Edit();
    void Insert();
    void Append();
    void Post();
    void Cancel();
    void Delete();
    void Refresh();
    // Ends a pending edit: posts it when fields were written, else cancels.
    void CheckBrowseMode();
    virtual bool CanModify() const { return Active(); }
    // True once a field of the edit buffer was written since Edit/Insert.
    bool RecordModified() const { return recordModified_; }
    UpdateStatus GetUpdateStatus() const;

    // ---- fields ----
    const std::vector<Field*>& Fields() const { return fields_; }
    int FieldCount() const { return static_cast<int>(fields_.size()); }
    // Case-insensitive; null when absent.
    Field* FindField(std::string_view name) const;
    // Throws "Field '%s' not found" when absent.
    Field& FieldByName(std::string_view name) const;
    // Resolves a ";"-separated list; an unknown name throws as FieldByName.
    void GetFieldList(std::string_view names, std::vector<Field*>& out) const;
    // Adds an application-owned field (calculated, lookup or a data field
    // whose settings should survive reopening). Only while closed.
    Field& AddField(std::unique_ptr<Field> field);
    Field& AddCalculatedField(std::string name, DataType type, int size = 0);
    Field& AddLookupField(std::string name, DataType type, int size, DataSet& lookupDataSet,
                          std::string keyFields, std::string lookupKeyFields,
                          std::string lookupResultField);
    FieldDefs& GetFieldDefs() { return fieldDefs_; }
    const FieldDefs& GetFieldDefs() const { return fieldDefs_; }
    bool autoCalcFields = true;

    // Runs `fn` with the fields reading the record at view position `index`
    // (0-based) without moving the current record or firing events;
    // calculated fields are computed for it. Reads stored records only;
    // grids use ReadCell, which also shows the row being edited or
    // inserted and never throws.
    // REQUIRES: Active(), 0 <= index < RecordCount().
    template <typename Fn>
    void ForRecordAt(int index, Fn&& fn) {
        PeekScope scope(*this, index);
        fn();
    }

    // ---- rows as a grid shows them ----
    // Positions are 0-based rows: the view, plus the row being inserted.
    // During Insert/Append the new row has a position: RowsInserted is sent
    // for it on Insert, RowsRemoved on Cancel, and on Post it becomes a real
    // row, followed by RowMoved when it lands elsewhere in a sorted view.
    // 0 while closed.
    int RowCount() const noexcept;
    // The current row; the inserted row's position during an insert; -1
    // when none.
    int CurrentRow() const noexcept;
    // Reads field `field` of row `row` without moving the current record or
    // firing events. The row being edited or inserted shows the edit
    // buffer. Calculated fields are computed for the row. Returns false
    // (and leaves `out` null) when the dataset is closed, `row` is out of
    // range, the field is not this dataset's, or the value cannot be read
    // (a failing calculation); never throws.
    bool ReadCell(int row, const Field& field, Variant& out) const noexcept;
    // The display text of the cell (the field's display format applied,
    // Windows-1251 bytes); as ReadCell, `out` empty on failure.
    bool ReadCellText(int row, const Field& field, std::string& out) const noexcept;
    // Progress and cancellation of long view rebuilds (sort, filter):
    // called now and then with (done, total); returning false cancels the
    // rebuild, which then leaves the previous view and current record
    // intact and raises DatabaseError "Operation cancelled" from the call
    // that asked for the rebuild.
    std::function<bool(int64_t done, int64_t total)> onViewProgress;

    // Simple generic lookup: the first record whose key fields' texts equal
    // the key values' texts; the result field's value, or null.
    virtual Variant Lookup(std::string_view keyFields, const std::vector<Variant>& keyValues,
                           std::string_view resultField);

    // ---- data sources ----
    void DisableControls() { ++controlsDisabled_; }
    void EnableControls();
    bool ControlsDisabled() const { return controlsDisabled_ > 0; }

    // ---- formats ----
    const text::FormatSettings& Format() const { return *format_; }
    void SetFormat(const text::FormatSettings& fs) { format_ = &fs; }

    // ---- events ----
    NotifyEvent beforeOpen, afterOpen, beforeClose, afterClose;
    NotifyEvent beforeScroll, afterScroll;
    NotifyEvent beforeEdit, afterEdit, beforeInsert, afterInsert;
    NotifyEvent beforePost, afterPost, beforeCancel, afterCancel;
    NotifyEvent beforeDelete, afterDelete, beforeRefresh, afterRefresh;
    NotifyEvent onNewRecord;
    // Called with the calculated fields writable (CalcFields state).
    NotifyEvent onCalcFields;
    FilterRecordEvent onFilterRecord;
    // Receives errors that cannot propagate (a BLOB stream written back in
    // its destructor). Without it they are dropped.
    std::function<void(const std::exception&)> onError;

  protected:
    // ---- for subclasses ----
    // The subclass's side of each operation. Open: fill the store, build
    // the view (the framework binds fields around it: InternalOpen must
    // leave store_ set and call BindFields before building the view).
    virtual void InternalOpen() = 0;
    virtual void InternalClose() = 0;
    // Before-checks run before the before-events (ReadOnly and the like).
    // CheckCanClose runs before anything of a close happens.
    virtual void CheckCanClose() {}
    virtual void CheckCanEdit() {}
    virtual void CheckCanInsert() {}
    virtual void CheckCanDelete() {}
    // False abandons the edit silently.
    virtual bool InternalEdit(RecordNode* node) = 0;
    // After the before-insert event, the edit buffer zeroed; applies
    // defaults.
    virtual void InternalInsert() {}
    // Posts the edit buffer; throws to refuse (state stays). A posted new
    // record is handed to PlaceNewRecord; an edited one keeps its place.
    virtual void InternalPost() = 0;
    virtual void InternalCancel() = 0;
    // Deletes the current record from the store; the framework then takes
    // it out of the view.
    virtual void InternalDelete() = 0;
    virtual void InternalRefresh() = 0;

    // Creates or re-binds field objects for the store's fields and lays out
    // the calculation area. Throws when a persistent data field has no
    // column.
    void BindFields();
    // Destroys the automatically created fields and unbinds the rest.
    void UnbindFields();
    // Rebuilds fieldDefs_ from the store.
    void BuildFieldDefsFromStore();
    // Allocates the edit buffer for the store's record size.
    void AllocateBuffers();
    void FreeBuffers();

    // Points the fields at the current record (after the view or position
    // changed) and computes calculated fields.
    void ActivateCurrent();
    void SetCurrentIndex(int index) {
        current_ = index;
        ActivateCurrent();
    }
    int CurrentIndex() const { return current_; }
    RecordNode* CurrentNode() const {
        return current_ >= 0 && size_t(current_) < view_.size() ? view_[size_t(current_)] : nullptr;
    }
    void CalculateFields(uint8_t* values, uint8_t* calc);
    bool HasCalcFields() const { return calcSize_ > 0; }

    void NotifyLinks(DataEvent event, Field* field = nullptr);
    // Sends a row-level notification to the links. AboutToReset and Reset
    // nest: only the outermost pair reaches the links, and row events in
    // between are dropped (the reset covers them); after the outermost
    // Reset the links hear the current row again. While the controls are
    // disabled the first row event starts a reset instead, which ends when
    // they are enabled again. StateChanged always passes. CurrentRowChanged
    // is sent by SyncCurrentRow only.
    void NotifyView(ViewEvent event, int first = -1, int second = -1);
    // Sends CurrentRowChanged when the current row (or the record in it)
    // is not the one the links were last told of, or a reset made them
    // forget it. Within one operation links hear the rows first, then the
    // current row, then the state: callers sync before SetState.
    void SyncCurrentRow();
    // A data source was added (by DataSource).
    void SourceAdded();
    // The row of a view index (the inserted row shifts those at and after
    // its position).
    int RowOfIndex(int index) const {
        return insertRow_ >= 0 && index >= insertRow_ ? index + 1 : index;
    }
    void DoScrollEvent(const NotifyEvent& e) {
        if (e) e(*this);
    }
    void Fire(const NotifyEvent& e) {
        if (e) e(*this);
    }
    void SetState(DataSetState s);
    // Tells the links of the state (after state_ was set directly).
    void AnnounceState();
    // From InternalPost: the new record `node` takes the inserted row's
    // place in the view and becomes current, then moves to view index
    // `index` (where it belongs), with the row notifications.
    void PlaceNewRecord(RecordNode* node, int index);
    // Puts `node` into the view at `index` / takes the record at `index`
    // out of it, with the row notifications, keeping the current record
    // and the inserted row where they are (when the current record goes,
    // the next one, or else the last, becomes current). For records the
    // store gained or lost through another dataset sharing it.
    void InsertIntoView(int index, RecordNode* node);
    void RemoveFromView(int index);
    [[noreturn]] void Fail(const std::string& message) const;
    void CheckActive() const;

    // Temporarily switches the state and the record the fields use;
    // restores both on destruction.
    class StateScope {
      public:
        StateScope(DataSet& ds, DataSetState state, uint8_t* values, uint8_t* calc);
        ~StateScope();
        StateScope(const StateScope&) = delete;
        StateScope& operator=(const StateScope&) = delete;

      private:
        DataSet& ds_;
        DataSetState state_;
        uint8_t* values_;
        uint8_t* calc_;
    };

    TRidovCursor* store_ = nullptr;
    NodeList view_;
    DataSetState state_ = DataSetState::Inactive;
    bool opening_ = false;  // inside Open, before the dataset is browsable
    bool eof_ = true;
    bool bof_ = true;
    // The record the fields read and write, and its calculation area.
    uint8_t* activeValues_ = nullptr;
    uint8_t* activeCalc_ = nullptr;
    // Edit buffer (the store's layout when allocated; frees its own texts
    // and blocks, even after the store changed) and its calculation area.
    ValueBuffer editBuffer_;
    // Calculated values: each buffer frees its texts and blocks by the
    // layout of the calculated fields it was made with.
    ValueBuffer calcBuffer_;
    ValueBuffer peekCalcBuffer_;
    bool recordModified_ = false;
    // Set while new-record defaults are applied: read-only fields take them.
    bool assigningDefaults_ = false;
    // The row of the record being inserted (-1 when none): the view index
    // it is shown before, or the view's size when appending.
    int insertRow_ = -1;
    // The current record is being edited (its row shows the edit buffer).
    bool editingRecord_ = false;
    FieldDefs fieldDefs_;

  private:
    friend class Field;
    friend class DataSource;

    class PeekScope {
      public:
        PeekScope(DataSet& ds, int index);
        ~PeekScope();
        PeekScope(const PeekScope&) = delete;
        PeekScope& operator=(const PeekScope&) = delete;

      private:
        DataSet& ds_;
        DataSetState state_;
        uint8_t* values_;
        uint8_t* calc_;
    };

    void FieldChanged(Field& field);
    void BeginInsert(int row);
    void DispatchView(ViewEvent event, int first, int second);
    // Where cell reads of `row` take their values and calculated values
    // from; false when there is no such row or record.
    bool CellBuffers(int row, const Field& field, uint8_t*& values, uint8_t*& calc);
    template <typename Read>
    bool ReadCellWith(int row, const Field& field, Read&& read) noexcept;
    void FreeCalc(uint8_t* calc);
    void ComputeLookupFields();
    void MoveTo(int index);  // before-scroll, move, notify, after-scroll

    int current_ = -1;
    std::vector<std::unique_ptr<Field>> ownedFields_;
    std::vector<Field*> fields_;
    std::vector<Field*> calcFields_;
    size_t calcSize_ = 0;
    std::vector<DataSource*> sources_;
    int controlsDisabled_ = 0;
    bool changePending_ = false;
    // A reset started because row events came while the controls were
    // disabled; EnableControls ends it.
    bool viewResetPending_ = false;
    // AboutToReset calls not yet matched by Reset.
    int resetDepth_ = 0;
    // What the links were last told the current row was; stale after a
    // reset.
    int notifiedRow_ = -1;
    const RecordNode* notifiedNode_ = nullptr;
    bool currentRowStale_ = true;
    // Calculated values of a row read by ReadCell, and whether one is being
    // computed (a calculation reading cells gets no answer).
    ValueBuffer cellCalcBuffer_;
    bool computingCell_ = false;
    const text::FormatSettings* format_;
};

}  // namespace ridov
