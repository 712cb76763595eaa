// TRidovDataset: the engine's dataset over a record store (TRidovCursor).
// It opens a store (the subclass decides where the records come from,
// OpenData), shows it through the view (live records inside the range that
// pass the filter, in index order), posts edits back to the store with the
// key-violation check and insert-in-order, counts changes, and saves,
// reverts or accepts them.
//
// Ownership: the dataset owns its record store, except a clone table, which
// borrows its source's (see RidovTable.h). The store survives Close; the
// next Open refills it and destruction releases it.
//
// Invalidation: field pointers stay valid across Refresh (fields are
// re-bound by name) but not across Close. Bookmarks and view positions are
// invalidated by Refresh, EmptyTable, CancelChanges and CommitChanges; view
// positions also by a post or delete through another dataset sharing the
// record store, which this one's links hear as row notifications.
//
// Sharing: every dataset over one record store (a table and its clones)
// keeps its view current when a record is posted or deleted through
// another, so no view ever holds a deleted record and no search reads one.
//
// Thread safety: single-threaded (the GUI thread).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/dataset/DataSet.h"
#include "engine/query/PreparedConditions.h"
#include "engine/query/RidovCField.h"
#include "engine/storage/RecordSort.h"
#include "engine/storage/RidovCursor.h"
#include "engine/storage/RidovDatabase.h"

namespace ridov {

class DataSource;
class TRidovBlobStream;
class TRidovMasterLink;
class TRidovSession;
struct ViewSettings;

enum TRidovSortOption : uint8_t {
    vsoCaseInsensitive = 1,
    vsoDescendSort = 2,
    vsoInsertInOrder = 4,
};
using TRidovSortOptions = uint8_t;

// Filter options; only foCaseInsensitive has an effect (string comparisons
// of the filter ignore case; LIKE always does).
enum TFilterOption : uint8_t { foCaseInsensitive = 1, foNoPartialCompare = 2 };
using TFilterOptions = uint8_t;

// Locate options.
enum TLocateOption : uint8_t { loCaseInsensitive = 1, loPartialKey = 2 };
using TLocateOptions = uint8_t;

// The four key buffers.
enum TRidovKeyIndex : int { kiSort = 0, kiLookup = 1, kiRangeStart = 2, kiRangeEnd = 3 };

// A record image holding key values in stored form, with the key fields.
struct TRidovKeyBuffer {
    ValueBuffer values;                     // a record in the store's layout
    std::vector<TRidovField*> storeFields;  // the key fields in the store
    std::vector<Field*> fields;             // the same as field objects
    bool exclusive = false;                 // both range bounds inclusive
    int fieldCount = 0;                     // leading fields compared
};

// A caller-kept stream: its bytes and a read position.
struct ByteStream {
    std::vector<uint8_t> bytes;
    size_t position = 0;
};

enum class BlobStreamMode : uint8_t { Read, Write, ReadWrite };

class TRidovDataset : public DataSet, public DatabaseUser {
  public:
    static constexpr const char* kVersion = "RidovDB Engine v5.9";

    TRidovDataset();
    ~TRidovDataset() override;

    TRidovDataset* AsRidovDataset() const override { return const_cast<TRidovDataset*>(this); }

    // ---- properties ----
    TRidovDatabase* Database() const { return database_; }
    // Assigning a different database closes the dataset first.
    virtual void SetDatabase(TRidovDatabase* database);
    // The session used for passwords and files; the process's by default.
    void SetSession(TRidovSession& session) { session_ = &session; }

    const std::string& IndexFieldNames() const { return indexFieldNames_; }
    // On an open dataset rebuilds the sort key list and the view (keeping
    // the current record). A calculated or BLOB key field throws.
    void SetIndexFieldNames(const std::string& names);
    TRidovSortOptions SortOptions() const { return sortOptions_; }
    void SetSortOptions(TRidovSortOptions options);
    const std::string& RangeFieldNames() const { return rangeFieldNames_; }
    void SetRangeFieldNames(const std::string& names);
    bool ReadOnly() const { return readOnly_; }
    // Ends a pending edit first when open.
    void SetReadOnly(bool on);
    // The table password; of an open dataset, the record store's (which may
    // be a remembered password that opened it), kept as the dataset's own.
    const std::string& Password() const {
        if (store_) password_ = store_->Password();
        return password_;
    }
    // While open also the store's password, and counts as a change.
    void SetPassword(const std::string& password);
    const std::string& Origin() const { return origin_; }
    virtual void SetOrigin(const std::string& origin) { origin_ = origin; }
    // The filter: a conjunction of comparisons (see RidovParser.h), parsed
    // at assignment. A parse error throws from SetFilter; the previous text
    // stays and no conditions are in force until the next good assignment.
    // On an open dataset the assignment ends a pending edit and rebuilds
    // the view, keeping the current record when it is still visible.
    // Filtered switches the predicate (the text conditions, then
    // onFilterRecord in the Filter state) on; switching it on an open
    // dataset rebuilds the view and goes to the first record. Field names
    // are resolved when the view is rebuilt ("Field %s is not found").
    const std::string& Filter() const { return filter_; }
    virtual void SetFilter(const std::string& filter);
    bool Filtered() const { return filtered_; }
    void SetFiltered(bool on);
    TFilterOptions FilterOptions() const { return filterOptions_; }
    // Rebuilds a filtered open view when the filter has a text.
    void SetFilterOptions(TFilterOptions options);

    // Master/detail: the detail (this dataset) shows only the records whose
    // RangeFieldNames fields equal the master's MasterFields of its current
    // record. SetMasterSource throws "Circular data link" when the source
    // already depends on this dataset, and "Use only TRidovDataset
    // descendants for master-detail relationship" for another kind of
    // master (the link is then left unattached).
    DataSource* MasterSource() const;
    void SetMasterSource(DataSource* source);
    const std::string& MasterFields() const;
    void SetMasterFields(const std::string& names);
    DataSource* MasterDataSource() const override { return MasterSource(); }
    std::string Version() const { return kVersion; }

    std::string notes;  // for the application; the engine ignores it
    bool partialOpen = false;
    TRidovSaveOptions saveOptions = 0;
    std::string uniqueFieldNames;
    bool checkKeyViolation = false;
    ByteStream* loadStream = nullptr;  // lmStream source, kept by the caller

    // ---- change tracking ----
    int ChangeCount() const { return changeCount_; }
    bool Modified() const { return changeCount_ > 0; }

    // ---- engine operations ----
    // Writes the table image to a file (backup, sort and options as
    // saveOptions say). Posts nothing and leaves ChangeCount alone.
    void SaveToFile(const std::string& fileName);
    // Drops every record (the fields stay, auto-increment restarts). Not
    // counted as a change.
    void EmptyTable();
    // Writes the visible records as delimited text (Windows-1251, CR LF).
    void ExportToText(const std::string& fileName, char delimiter);
    // Reads a table image into the record store. The vector is the
    // dataset's (read from its start); a ByteStream is the caller's (read
    // from its position and left unchanged). Only while opening (from
    // OpenData); on failure the store is released and the call throws
    // "Error opening table: " + the image's message.
    void LoadFromStream(std::vector<uint8_t> image);
    void LoadFromStream(const ByteStream& stream);
    // Posts a pending edit, then writes the table back (WriteData).
    virtual void SaveChanges();
    // Reverts every change since the last commit / accepts them all; only
    // when open and Modified. ChangeCount becomes 0.
    virtual void CancelChanges();
    virtual void CommitChanges();
    // The message of a damaged image opened with partialOpen (empty after
    // a clean read).
    const std::string& LoadMessage() const { return loadMessage_; }

    // A stream over a BLOB-type field of the active record. Written bytes
    // go back into the record when the stream is destroyed (or Commit).
    std::unique_ptr<TRidovBlobStream> CreateBlobStream(Field& field, BlobStreamMode mode);

    // ---- view, keys and ranges ----
    // Refills the view from the store: live records, inside the range when
    // one is active, passing the filter, sorted by IndexFieldNames. Keeps
    // the current record when dropPosition is false and it is still
    // visible. Invalidates positions. On an open dataset the links hear
    // ViewAboutToReset (while the old rows are still shown), ViewReset and
    // the current row. A filter that fails part-way leaves the view empty
    // and raises its error.
    //
    // Progress: onViewProgress is called every few thousand records of the
    // walk, once the walk is done and once the sort is (done == total), in
    // every rebuild, opening and refreshing included. When a change of the filter, the order or
    // the range asked for the rebuild (SetFilter, SetFiltered,
    // SetFilterOptions, SetIndexFieldNames, SetSortOptions, the range
    // operations, ApplyViewSettings), a false answer cancels it: the view,
    // the current record and those settings stay as they were, the links
    // hear nothing of it, and the call raises "Operation cancelled". A
    // rebuild that follows a change of the records themselves (this call,
    // refresh, reverting or committing changes, a clone's save) cannot be
    // cancelled and ignores the answer.
    // REQUIRES: onViewProgress changes nothing in this dataset; it may let
    // a grid repaint (ReadCell reads the old view meanwhile).
    void RebuildView(bool dropPosition);
    bool ViewSorted() const { return sorted_; }
    // The rows [first, last) of the view that can start with a text, and
    // whether the view runs in descending order.
    struct RowRun {
        int first = 0;
        int last = 0;
        bool descending = false;
    };
    // When the view is sorted ignoring case with `field` as its first key
    // field, the rows whose text of `field` starts with `prefix` (ignoring
    // case) lie together: that run, found by binary search; every row when
    // `prefix` is empty. The run holds every such row and may hold others
    // (callers test each row). nullopt when the view is not so sorted, or
    // while a row is edited or inserted: then every row must be read.
    std::optional<RowRun> RowsStartingWith(const Field& field, std::string_view prefix) const;
    const TRidovKeyBuffer& KeyBuffer(TRidovKeyIndex index) const { return keys_[index]; }
    // Builds a key list from `names` for the buffer (zeroing its values).
    void BuildKeyList(TRidovKeyIndex index, std::string_view names);
    // TAB-separated values, one per range field; then ApplyRange. Does
    // nothing while closed.
    void SetRangeValues(std::string_view startValues, std::string_view endValues);
    void ApplyRange();
    void CancelRange();
    bool RangeActive() const { return rangeActive_; }
    // The record store (null before the first load or after a failed one).
    TRidovCursor* Cursor() const { return store_; }
    const NodeList& View() const { return view_; }

    // Sets filter, filter options, index fields, sort options and range at
    // once and rebuilds the view a single time, then goes to the first
    // record. REQUIRES: Active(). A parse or key-list error throws before
    // anything changed.
    void ApplyViewSettings(const ViewSettings& settings);

    // ---- searches (over the view) ----
    // The first visible record whose key fields match; it becomes current
    // (before-scroll fires first, after-scroll on success). keyValues holds
    // one value per key field, or a single value for every field. With
    // options: linear, by value (ignoring case and/or as a prefix for
    // string fields only). Without: the values are converted to stored form
    // and compared as the store does; a binary search finds the lowest match
    // when the key fields lead IndexFieldNames on a case-sensitive sorted
    // view. False at once for an empty view, no key fields or no values.
    bool Locate(std::string_view keyFields, const std::vector<Variant>& keyValues,
                TLocateOptions options);
    bool Locate(std::string_view keyFields, const Variant& keyValue, TLocateOptions options);
    // The result fields of the record Locate (without options) would find,
    // without moving; null values when none matches.
    std::vector<Variant> LookupValues(std::string_view keyFields,
                                      const std::vector<Variant>& keyValues,
                                      std::string_view resultFields);
    Variant Lookup(std::string_view keyFields, const std::vector<Variant>& keyValues,
                   std::string_view resultField) override;
    // A record passing the filter predicate (the text conditions and
    // onFilterRecord) even while Filtered is off. On a filtered dataset it
    // only moves. The find operations below call it.
    bool FindRecord(bool restart, bool goForward);
    bool FindFirst() { return FindRecord(true, true); }
    bool FindNext() { return FindRecord(false, true); }
    bool FindLast() { return FindRecord(true, false); }
    bool FindPrior() { return FindRecord(false, false); }
    // Whether the last FindRecord found a record.
    bool Found() const { return found_; }
    // The first visible record (from the first, or after the current one)
    // whose display texts of the ";"-separated fields contain the
    // TAB-separated texts, ignoring case; at their start with prefixOnly.
    // An empty text never matches. Ends no edit.
    bool FindByText(std::string_view fieldNames, std::string_view texts, bool fromStart,
                    bool prefixOnly);

    // ---- engine events ----
    std::function<void(TRidovDataset&)> onNeedToSaveChange;
    std::function<void(TRidovDataset&, int percent)> onCallback;
    std::function<void(TRidovDataset&, void** recordData)> onDestroyRecordData;
    std::function<void(DataSet&, bool& accept)> onFindRecord;  // declared, never called

  protected:
    // Reads the store from `image`, which it deciphers in place.
    void LoadImage(std::span<uint8_t> image);
    // Takes `store`, read elsewhere from an image without any message (a
    // table read ahead), as LoadImage would have filled it. REQUIRES: a
    // store of this dataset's session, and none owned yet.
    void AdoptLoadedStore(std::unique_ptr<TRidovCursor> store);
    // ---- for subclasses ----
    // Fills the record store (LoadFromStream, or borrowing another's).
    virtual void OpenData() = 0;
    // Writes the table back after SaveChanges posted.
    virtual void WriteData() = 0;
    // Drops the record store; called on destruction.
    virtual void ReleaseCursor();
    // Sets every field's origin to Origin.
    virtual void ApplyOrigin();
    // The filter predicate: true when the record passes. With Filtered off
    // every record passes; otherwise the text conditions
    // (FilterConditionsHold), then OnFilterRecord in the Filter state.
    virtual bool RecordPassesFilter(RecordNode* node);
    // The text conditions of the Filter (prepared by PrepareFilter).
    virtual bool FilterConditionsHold(RecordNode* node);
    // Binds the filter's conditions to the record store; before each
    // rebuild that filters and each FindRecord that tests them.
    virtual void PrepareFilter();
    // Restricts a detail dataset to its master's current record; called on
    // open, refresh and RangeFieldNames changes. While opening or
    // refreshing only the bounds are set (the caller rebuilds).
    virtual void ApplyMasterRange();
    // The first view built after the store was read, when it shows every
    // record sorted, may take a remembered order instead of sorting (see
    // TRidovTable::SetRememberSortOrder): the positions in the store of the
    // records in sorted order. False: no remembered order, sort.
    virtual bool RememberedSortOrder(RecordOrder& order) {
        (void)order;
        return false;
    }
    // Called after that view was sorted, with the order found.
    virtual void SortOrderFound(const RecordOrder& order) { (void)order; }
    // What decides the order of the view's sort: each key field's name,
    // type and alignment, the options, and the collation; equal signatures sort
    // equal stores alike.
    std::string SortSignature() const { return SortSignature(sortOptions_); }
    // The same with other sort options.
    std::string SortSignature(TRidovSortOptions options) const;
    // Copies the master's key values into a new record.
    virtual void ApplyMasterDefaults();
    // The link's handlers: the master moved or changed / went away.
    void MasterChanged();
    void MasterDisabled();
    // Fills both range bounds from TAB-separated texts (see SetRangeValues)
    // and marks the range active, without rebuilding.
    void FillRangeBounds(std::string_view startValues, std::string_view endValues);
    // The view index of the first record equal to the kiLookup buffer
    // (binary search when the view order allows it), or -1.
    int SearchLookupKey(std::string_view keyFieldNames) const;
    // Moves to a view index found by a search: after-scroll and links.
    void MoveToFound(int index);

    void InternalOpen() override;
    void InternalClose() override;
    void CheckCanClose() override;
    void CheckCanEdit() override;
    void CheckCanInsert() override;
    void CheckCanDelete() override;
    bool InternalEdit(RecordNode* node) override;
    void InternalInsert() override;
    void InternalPost() override;
    void InternalCancel() override;
    void InternalDelete() override;
    void InternalRefresh() override;
    bool CanModify() const override { return Active() && !readOnly_; }

    // DatabaseUser
    void CloseForDatabase() override;
    void ForgetDatabase() override;

    // Fills new-record fields from their default expressions.
    void ApplyDefaults();
    void IncChange();
    void DecChange();
    void ResetChanges();
    void RequireStore() const;
    // Other datasets sharing this record store (source and clones).
    std::vector<TRidovDataset*> Sharers();
    // A record of the shared store was posted as new, changed or deleted
    // through another dataset: this view follows with row notifications.
    // A new or changed record that lies in the range and passes the filter
    // joins the view (where a post here would place it); a changed record
    // already shown keeps its place; a deleted one leaves the view, and a
    // pending edit of it is cancelled.
    void SharedRecordAdded(RecordNode* node);
    void SharedRecordChanged(RecordNode* node, bool keyChanged);
    void SharedRecordDeleted(RecordNode* node);
    // From a cancelled edit that took the node's before-image.
    void ReleaseBeforeImage(RecordNode* node);
    // After the shared store lost or reverted records: the other datasets
    // drop pending edits and rebuild their views.
    void RebuildSharers();
    // Closes the clones attached to this dataset (their store is about to
    // be refilled).
    void CloseClones();
    // Closes the clones, then this dataset, swallowing failures: for
    // destructors only.
    void CloseForDestruction() noexcept;
    // Releases the owned record store.
    void ReleaseStore();
    // Joins the owned store to this dataset: its settings and its events.
    void HookOwnStore();
    void CreateKeyBuffers();
    void FreeKeyBuffers();

    std::unique_ptr<TRidovCursor> ownStore_;
    TRidovDatabase* database_ = nullptr;
    TRidovSession* session_;
    // The source this dataset borrows its store from, and the open clones
    // borrowing this one's.
    TRidovDataset* cloneSource_ = nullptr;
    std::vector<TRidovDataset*> clones_;
    // Datasets naming this one as their clone source, open or not; told
    // when this one is destroyed.
    std::vector<TRidovDataset*> cloneReferrers_;
    virtual void CloneSourceDestroyed() {}
    // Clone bookkeeping between two datasets.
    static void LinkClone(TRidovDataset& source, TRidovDataset& clone);
    static void UnlinkClone(TRidovDataset& clone);
    static void AddCloneReferrer(TRidovDataset& source, TRidovDataset& referrer);
    static void RemoveCloneReferrer(TRidovDataset& source, TRidovDataset& referrer);

  private:
    // The settings that decide what the view shows, kept so that a
    // cancelled rebuild can put them back. Owns copies of the key buffers'
    // values.
    struct ViewSnapshot {
        std::string filter, indexFieldNames, rangeFieldNames;
        std::vector<TRidovCField> conditions;
        bool filtered = false, rangeActive = false;
        TFilterOptions filterOptions = 0;
        TRidovSortOptions sortOptions = 0;
        TRidovKeyBuffer keys[3];  // kiSort, kiRangeStart, kiRangeEnd
    };
    void TakeSnapshot(ViewSnapshot& out) const;
    void RestoreSnapshot(ViewSnapshot& from);
    // Runs `change` (which alters what the view shows) and rebuilds the view
    // (only while open), cancellably: see RebuildView.
    void ChangeView(bool dropPosition, const std::function<void()>& change);
    // The rebuild; false when it was cancelled (only when `cancellable`).
    bool BuildView(bool dropPosition, bool cancellable);
    bool InRange(const RecordNode* node) const;
    // Where a new record belongs in the view (see InternalPost); clears the
    // sorted flag when placing it there breaks the order.
    size_t NewRecordPlace(const RecordNode* node);
    // The view index of `node`, or -1.
    int ViewIndexOf(const RecordNode* node) const;
    int LocateIndex(std::string_view keyFields, const std::vector<Variant>& keyValues,
                    TLocateOptions options);
    void StoreKeyValue(TRidovKeyBuffer& key, size_t i, const Variant& value);

    std::string indexFieldNames_;
    std::string rangeFieldNames_;
    std::string filter_;
    mutable std::string password_;
    std::string origin_;
    std::string loadMessage_;
    TRidovSortOptions sortOptions_ = 0;
    TFilterOptions filterOptions_ = 0;
    // The parsed filter and its binding to the store.
    std::vector<TRidovCField> conditions_;
    PreparedConditions prepared_;
    std::unique_ptr<TRidovMasterLink> masterLink_;
    bool found_ = false;
    bool readOnly_ = false;
    bool filtered_ = false;
    bool sorted_ = false;
    // Set when a store was read, until the next view was built.
    bool viewAfterLoad_ = false;
    bool rangeActive_ = false;
    bool viewReady_ = false;
    bool editTookBeforeImage_ = false;
    int changeCount_ = 0;
    // The storage of the view before the last rebuild, reused by the next.
    NodeList spareView_;
    // The last view of every record in a sorted order, for as long as its
    // store has not changed: a filter on a prefix of the first sort field
    // takes its run of candidates from it, and clearing the filter takes it
    // whole, both already in order.
    struct FullView {
        NodeList nodes;
        uint64_t store = 0;  // TRidovCursor::Identity; 0: none
        uint64_t changeCount = 0;
        std::string signature;  // SortSignature
    } fullView_;
    bool FullViewValid(const std::string& signature) const;
    // The run of fullView_ whose records can pass the prepared filter, by
    // the prefix it requires of the first sort field (the whole list when
    // no run can be told), and whether every record of it passes.
    struct FilterRun {
        std::span<RecordNode* const> nodes;
        bool allPass = false;
    };
    FilterRun PrefixRun() const;
    // True when the filter lets every record pass.
    bool FilterPassesAll() const;
    TRidovKeyBuffer keys_[4];
};

}  // namespace ridov
