// TRidovTable: the dataset of one table file. LoadMode decides where the
// records come from when it opens:
//   lmClear   a new empty table built from the field definitions
//   lmFile    the file TableName (a bare name is looked up in the
//             database's folder)
//   lmClone   the records of another open dataset (CloneDS), shared: the
//             clone has its own view, position, index, filter, range and
//             change counter over the same record store
//   lmStream  the caller's stream loadStream
// SaveChanges writes a modified table back to its file (lmFile) or to its
// source's file (lmClone); lmClear and lmStream tables are not written.
//
// A source table cannot close while clones are open. When the source is
// destroyed, its clones close and forget it (LoadMode becomes lmClear);
// when the database is destroyed, the table closes and forgets it.
//
// Thread safety: single-threaded.
#pragma once

#include <optional>
#include <string>

#include "engine/dataset/RidovDataset.h"
#include "engine/dataset/SortOrderMemo.h"

namespace ridov {

enum TRidovLoadMode : uint8_t { lmClear, lmFile, lmClone, lmStream };

class TRidovTable : public TRidovDataset {
  public:
    TRidovTable();
    ~TRidovTable() override;

    const std::string& TableName() const { return tableName_; }
    // Closes when different; a non-empty name selects lmFile, an empty one
    // lmClear.
    void SetTableName(const std::string& name);
    TRidovLoadMode LoadMode() const { return loadMode_; }
    // Closes when different.
    void SetLoadMode(TRidovLoadMode mode);
    TRidovDataset* CloneDS() const { return cloneDS_; }
    // A dataset selects lmClone, none lmClear.
    void SetCloneDS(TRidovDataset* source);
    // The definitions an lmClear table is built from.
    FieldDefs& Defs() { return GetFieldDefs(); }
    // Whether the definitions belong to the table's saved properties.
    bool StoreDefs() const { return loadMode_ == lmClear && !GetFieldDefs().Empty(); }
    // Also cuts TableName to its file name when the database has a folder.
    void SetDatabase(TRidovDatabase* database) override;
    // TableName as it is when it has a folder part or there is no database
    // folder; otherwise the database folder followed by TableName.
    std::string FullTableName() const;
    // The table comment; only while open. Setting it counts as a change.
    const std::string& Comment() const;
    void SetComment(const std::string& comment);
    // When on, an lmFile table opened sorted keeps the order of all its
    // records beside its file and takes it on the next open of the
    // unchanged file instead of sorting again (see SortOrderMemo.h). For
    // big tables opened the same way every time, such as the catalog.
    bool RememberSortOrder() const { return rememberSortOrder_; }
    void SetRememberSortOrder(bool on) { rememberSortOrder_ = on; }

  protected:
    void OpenData() override;
    void WriteData() override;
    void InternalClose() override;
    void CloneSourceDestroyed() override;
    bool RememberedSortOrder(RecordOrder& order) override;
    void SortOrderFound(const RecordOrder& order) override;

  private:
    void CreateFromDefinitions();

    std::string tableName_;
    TRidovLoadMode loadMode_ = lmClear;
    TRidovDataset* cloneDS_ = nullptr;
    bool rememberSortOrder_ = false;
    // The contents of the file last read, while a remembered order may
    // serve its first view.
    std::optional<SortOrderKey> memoKey_;
};

}  // namespace ridov
