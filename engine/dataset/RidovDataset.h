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
// invalidated by Refresh, EmptyTable, CancelChanges and CommitChanges.
//
// Thread safety: single-threaded (the GUI thread).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/dataset/DataSet.h"
#include "engine/storage/RidovCursor.h"
#include "engine/storage/RidovDatabase.h"

namespace ridov {

class TRidovBlobStream;
class TRidovSession;

enum TRidovSortOption : uint8_t {
    vsoCaseInsensitive = 1,
    vsoDescendSort = 2,
    vsoInsertInOrder = 4,
};
using TRidovSortOptions = uint8_t;

// The four key buffers.
enum TRidovKeyIndex : int { kiSort = 0, kiLookup = 1, kiRangeStart = 2, kiRangeEnd = 3 };

// A record image holding key values in stored form, with the key fields.
struct TRidovKeyBuffer {
    std::unique_ptr<uint8_t[]> values;      // record size; owns its texts
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
    // The session used for passwords; the process's by default.
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
    const std::string& Password() const { return password_; }
    // While open also the store's password, and counts as a change.
    void SetPassword(const std::string& password);
    const std::string& Origin() const { return origin_; }
    virtual void SetOrigin(const std::string& origin) { origin_ = origin; }
    // The filter text is kept for the filter engine; Filtered switches the
    // predicate (OnFilterRecord and the text conditions) on.
    const std::string& Filter() const { return filter_; }
    virtual void SetFilter(const std::string& filter);
    bool Filtered() const { return filtered_; }
    void SetFiltered(bool on);
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
    // visible. Invalidates positions.
    void RebuildView(bool dropPosition);
    bool ViewSorted() const { return sorted_; }
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
    const std::vector<RecordNode*>& View() const { return view_; }

    // ---- engine events ----
    std::function<void(TRidovDataset&)> onNeedToSaveChange;
    std::function<void(TRidovDataset&, int percent)> onCallback;
    std::function<void(TRidovDataset&, void** recordData)> onDestroyRecordData;
    std::function<void(DataSet&, bool& accept)> onFindRecord;  // declared, never called

  protected:
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
    // The text conditions of the Filter; the filter engine overrides it.
    virtual bool FilterConditionsHold(RecordNode* /*node*/) { return true; }
    // Called before each rebuild that filters.
    virtual void PrepareFilter() {}
    // Restricts a detail dataset to its master's current record; called on
    // open, refresh and RangeFieldNames changes.
    virtual void ApplyMasterRange() {}
    // Copies the master's key values into a new record.
    virtual void ApplyMasterDefaults() {}

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
    // After the shared store lost or reverted records: the other datasets
    // drop pending edits and rebuild their views.
    void RebuildSharers();
    // Closes the clones attached to this dataset (their store is about to
    // be refilled).
    void CloseClones();
    // Releases the owned record store.
    void ReleaseStore();
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
    void LoadImage(std::span<uint8_t> image);
    bool InRange(const RecordNode* node) const;
    void SortView();
    int FindKey(const TRidovKeyBuffer& key) const;

    std::string indexFieldNames_;
    std::string rangeFieldNames_;
    std::string filter_;
    std::string password_;
    std::string origin_;
    std::string loadMessage_;
    TRidovSortOptions sortOptions_ = 0;
    bool readOnly_ = false;
    bool filtered_ = false;
    bool sorted_ = false;
    bool rangeActive_ = false;
    bool viewReady_ = false;
    bool editTookBeforeImage_ = false;
    int changeCount_ = 0;
    TRidovKeyBuffer keys_[4];
};

}  // namespace ridov
