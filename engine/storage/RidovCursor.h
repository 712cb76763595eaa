// TRidovCursor: the in-memory record store. It holds one whole table: field
// descriptors, records with their change state, the comment, the password
// and the auto-increment counter; reads and writes table images; keeps every
// change in memory until the table is written back; and provides the value
// conversions and comparisons the dataset, filters, views and queries share.
//
// Memory: value buffers and the texts and blocks of records read from an
// image come from one arena and are released together by Clear. Texts and
// blocks written by edits are heap-allocated and owned by their buffer (see
// ValueSlot.h); before-images are ValueBuffers of their own, freed when the
// edit is committed, reverted or dropped. Nodes come from a pool in chunks, so a
// node reference stays valid until Clear.
//
// Errors: operations answer with a result and a message; nothing throws
// except std::bad_alloc.
//
// Thread safety: single-threaded; a store is used only from the thread that
// owns its dataset.
#pragma once

#include <bit>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "engine/storage/Arena.h"
#include "engine/storage/RecordNode.h"
#include "engine/storage/RidovField.h"
#include "engine/storage/ValueBuffer.h"
#include "engine/text/FormatSettings.h"

static_assert(std::endian::native == std::endian::little,
              "value slots hold the image's little-endian bytes as they are");

namespace ridov {

class TRidovSession;

enum TRidovSaveOption : uint8_t {
    savAutoBackup = 1,
    savSlowMode = 2,  // accepted, no effect
    savSortOnIndex = 4,
};
using TRidovSaveOptions = uint8_t;

class TRidovCursor {
  public:
    // The session checks the passwords of enciphered images; the format
    // settings drive TextToValue and FieldAsText. Both must outlive the
    // store.
    explicit TRidovCursor(TRidovSession& session,
                          const text::FormatSettings& fs = text::FormatSettings::Russian());
    ~TRidovCursor();
    TRidovCursor(const TRidovCursor&) = delete;
    TRidovCursor& operator=(const TRidovCursor&) = delete;

    // ---- images (byte layout in TableImage.cpp) ----

    // Reads a whole image into an empty store (call Clear(true) first). The
    // buffer is deciphered in place. On failure the store is emptied
    // completely unless the partial-open flag is set, in which case the
    // call returns true and leaves the message for the caller to show.
    [[nodiscard]] bool ReadImage(std::span<uint8_t> image, std::string& message);
    // Bytes of the last image read that followed its declared records: a
    // damaged or tampered header may declare fewer records than the file
    // holds (the reader takes the header's count). 0 before any read.
    size_t UnreadBytes() const { return unreadBytes_; }
    // Reads only the header and the field list; on failure empties the
    // store completely.
    [[nodiscard]] bool ReadImageHeader(std::span<const uint8_t> image, std::string& message);
    // Appends the image of the live records in store order to `out` and
    // returns its size; enciphered when the password is not empty.
    // REQUIRES: CanWriteImage(), or a reader will refuse the image.
    size_t WriteImage(std::vector<uint8_t>& out);
    // Where the image writer left what only the end of an image can fill
    // in: the record count, and for an enciphered image the data key and
    // where enciphering starts (offsets from the image's first byte).
    struct ImageSeal {
        size_t countAt = 0;
        size_t bodyAt = 0;
        std::string guid;  // empty: plain image
    };
    // Appends the image's head (header, field list, comment) with a record
    // count of 0 to `out` and returns its size. Records in the grammar of
    // TableImage.cpp may follow; SealImage then completes the image. A new
    // data key is drawn for an enciphered image. REQUIRES: CanWriteImage().
    size_t WriteImageHead(std::vector<uint8_t>& out, ImageSeal& seal);
    // Completes `image` (a head from WriteImageHead followed by `records`
    // records, nothing else): sets the record count and the image size, and
    // enciphers everything after the field list when the seal says so.
    void SealImage(std::span<uint8_t> image, const ImageSeal& seal, int32_t records) const;
    // Replaces the file with a whole image as WriteFile does (with the
    // ".~d" backup when the options ask for it), without sorting.
    [[nodiscard]] bool WriteImageFile(const std::string& fileName, TRidovSaveOptions options,
                                      std::span<const uint8_t> image, std::string& message);
    // False with a message when the field list cannot be written as an
    // image a reader accepts (a field description section over its limit,
    // a string size its entry cannot carry).
    [[nodiscard]] bool CanWriteImage(std::string& message) const;
    // The expected image size, for sizing the output buffer.
    size_t ImageSizeEstimate() const;
    // Writes the table to a file: optional ".~d" backup, optional sort on
    // the index fields, then the image, replacing the file atomically.
    [[nodiscard]] bool WriteFile(const std::string& fileName, TRidovSaveOptions options,
                                 bool caseInsensitive, std::string_view indexFieldNames,
                                 std::string& message);

    // ---- record operations ----

    // Node null: appends a new rsInserted record (auto-increment assigned)
    // and returns it in *created (if given). Otherwise updates the node.
    [[nodiscard]] bool PostRecord(const uint8_t* values, RecordNode* node, std::string& message,
                                  RecordNode** created = nullptr);
    [[nodiscard]] bool DeleteRecord(RecordNode* node, std::string& message);
    bool BeginEdit(RecordNode* node);
    void RevertRecord(RecordNode* node);
    void RevertAll();
    void CommitAll();
    // Frees every record; with all also the fields, comment, enciphered
    // flag, auto-increment field and password block. The password stays.
    void Clear(bool all);

    // Deep copy of a value buffer in the store's current layout; the
    // target's own texts and blocks are freed first. Copies are
    // heap-allocated and owned by the target.
    void CopyValues(const uint8_t* source, uint8_t* target) const {
        CopyRecord(*layout_, source, target);
    }
    // The current slot plan for value buffers: ValueBuffer(store.Layout())
    // is a fresh zeroed record that frees itself. Replaced, never changed,
    // when the fields change.
    const std::shared_ptr<const ValueLayout>& Layout() const { return layout_; }

    // The values of the node before its first change since the last
    // commit (taken by BeginEdit), or null when it has none. Valid until
    // the node is reverted, committed, dropped or the store cleared.
    const uint8_t* BeforeImage(const RecordNode* node) const {
        if (beforeImages_.empty()) return nullptr;
        auto found = beforeImages_.find(node);
        return found != beforeImages_.end() ? found->second.Data() : nullptr;
    }
    // Frees the node's before-image; reverting it then restores nothing.
    void DropBeforeImage(const RecordNode* node) { beforeImages_.erase(node); }

    // ---- lookup ----

    TRidovField* FindField(std::string_view name);
    const TRidovField* FindField(std::string_view name) const;
    TRidovField* FieldAt(int index);
    int FieldCount() const { return static_cast<int>(fields_.size()); }
    RecordNode* RecordAt(size_t index) { return nodes_[index]; }
    // Number of nodes, removed ones included.
    size_t RecordCount() const { return nodes_.size(); }
    // Goes up with every change of the records, their values or the
    // fields (a view built at one count still shows the records as they
    // are while the count stays).
    uint64_t ChangeCount() const { return changeCount_; }
    // A number no other store of the process has had.
    uint64_t Identity() const { return identity_; }
    const NodeList& Nodes() const { return nodes_; }
    size_t RecordSize() const { return recordSize_; }
    // True when the node belongs to this store (any status).
    bool Owns(const RecordNode* node) const;

    // Splits a ";"-separated name list; unknown names and BLOB-like fields
    // are skipped silently.
    void FieldList(std::string_view names, std::vector<TRidovField*>& out);
    bool HasDuplicate(const uint8_t* values, const RecordNode* exceptNode, std::string_view names);

    // Sorts the live records by the named fields (see RecordSort.h for the
    // order); deleted and removed ones go after them in their old order.
    void Sort(std::string_view names, bool caseInsensitive);
    // Numbers the groups of live records with equal values of `list`
    // (CompareRecords == 0, case-sensitive): out[i] is the group of the i-th
    // live record in store order, groups numbered in order of first
    // appearance. Returns the number of groups. Records are matched by a
    // hash of their values, each match confirmed by CompareRecords, so the
    // cost grows with the records, not with their pairs.
    size_t NumberGroups(const std::vector<TRidovField*>& list, std::vector<uint32_t>& out) const;
    static int CompareValues(const uint8_t* a, const uint8_t* b, const TRidovField& field,
                             bool caseInsensitive);
    // Compares two slots by the rule of `a`'s field type; `b` is read as a
    // slot of field `fb`, which must have a compatible layout (the same type,
    // or the same slot width for numbers). Lets two different fields of one
    // record be compared.
    static int CompareSlots(const uint8_t* a, const TRidovField& fa, const uint8_t* b,
                            const TRidovField& fb, bool caseInsensitive);
    // Over the first `count` fields of `list` (all when negative),
    // case-sensitively.
    static int CompareRecords(const uint8_t* a, const uint8_t* b,
                              const std::vector<TRidovField*>& list, int count = -1);

    void TextToValue(uint8_t* slot, std::string_view text, const TRidovField& field) const;
    // The value of `field` in the node (or its before-image) as text.
    void FieldAsText(const TRidovField& field, const RecordNode* node, std::string& out,
                     bool isoFormat, bool useBeforeImage) const;
    // The same from a value buffer.
    void ValueAsText(const TRidovField& field, const uint8_t* values, std::string& out,
                     bool isoFormat) const;
    // ValueAsText without a copy for text fields, whose characters are
    // returned in place; other types are formatted into `scratch`.
    std::string_view ValueText(const TRidovField& field, const uint8_t* values,
                               std::string& scratch, bool isoFormat = false) const;
    uint32_t StoredSize(const uint8_t* values) const;

    // ---- building a table ----

    // Appends a field at the end of the record layout; for tables built in
    // code (tools, tests) before any record exists.
    TRidovField& AddField(std::string name, FieldType type, int declaredSize = 0);

    // ---- store-wide state ----

    const std::string& Password() const { return password_; }
    void SetPassword(std::string password) { password_ = std::move(password); }
    bool Enciphered() const { return enciphered_; }
    const std::string& Comment() const { return comment_; }
    void SetComment(std::string comment) { comment_ = std::move(comment); }
    // How many pieces ReadImage reads the records of a big image in, side
    // by side on the machine's cores. 0 (the default): one for tables under
    // 100,000 records, else as many as there are cores (at most 8); any
    // other number: that many, for a table of any size. A load filter or
    // progress reports always read in one piece.
    void SetReadPieces(unsigned pieces) { readPieces_ = pieces; }
    bool PartialOpen() const { return partialOpen_; }
    void SetPartialOpen(bool on) { partialOpen_ = on; }
    int32_t AutoIncValue() const { return autoIncValue_; }
    const TRidovField* AutoIncField() const { return autoIncField_; }
    const text::FormatSettings& Format() const { return *fs_; }
    void SetFormat(const text::FormatSettings& fs) { fs_ = &fs; }
    TRidovSession& Session() const { return *session_; }

    // Offered every record read while it is installed; false drops it.
    // While installed, a record count other than the header's is no error.
    using LoadFilterFn = std::function<bool(TRidovCursor&, RecordNode&)>;
    void SetLoadFilter(LoadFilterFn filter) { loadFilter_ = std::move(filter); }
    // Called with the address of a record's user data when its values are
    // discarded for good.
    std::function<void(void**)> onDestroyRecordData;
    // Progress while reading or writing an image, 0..100.
    std::function<void(int)> onProgress;

    // The application's pointer-sized user data of a record; the engine
    // never sets it, hands its address to onDestroyRecordData and clears it
    // when the record dies. The address stays valid while the record lives.
    void*& UserData(const RecordNode* node) { return userData_[node]; }

    // Bytes held by the store's arena and node pool (for statistics).
    size_t MemoryReserved() const;

  private:
    RecordNode* NewNode();
    void DropNodeValues(RecordNode* node);  // values and before-image gone for good
    void RecomputeLayout();
    // Takes the fields of an image header read into an empty store.
    void AdoptFields(std::vector<TRidovField> fields, bool enciphered, int32_t fieldCount,
                     int32_t descriptionLength);
    void SetUpAutoInc();
    void UpdateStoredSize(RecordNode* node) { node->storedSize = StoredSize(node->values); }

    TRidovSession* session_;
    const text::FormatSettings* fs_;
    std::vector<std::unique_ptr<TRidovField>> fields_;
    size_t recordSize_ = 0;
    NodeList nodes_;
    // Nodes are never moved (they are bookmarks), so they live in chunks
    // that are filled and never grown; each chunk is twice the size of the
    // one before, up to a limit, so that a big table needs few chunks.
    using NodeChunk = std::vector<RecordNode, platform::RegionAllocator<RecordNode>>;
    std::vector<NodeChunk> nodeChunks_;
    Arena arena_;

    int32_t imageFieldCount_ = 0;
    int32_t descriptionLength_ = 0;
    std::string password_;
    uint8_t passwordBlock_[40] = {};
    bool enciphered_ = false;
    bool partialOpen_ = false;
    unsigned readPieces_ = 0;
    size_t unreadBytes_ = 0;
    uint64_t changeCount_ = 0;
    uint64_t identity_;
    LoadFilterFn loadFilter_;
    int32_t autoIncValue_ = 0;
    TRidovField* autoIncField_ = nullptr;
    std::string autoIncName_;
    std::string comment_;
    std::unordered_map<const RecordNode*, void*> userData_;
    std::unordered_map<const RecordNode*, ValueBuffer> beforeImages_;
    std::shared_ptr<const ValueLayout> layout_;
};

}  // namespace ridov
