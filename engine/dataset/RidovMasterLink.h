// TRidovMasterLink: the data link from a master dataset's data source to a
// detail TRidovDataset. It keeps the master fields named by FieldNames (the
// detail's MasterFields) and calls the detail back when the master's
// current record changes (OnMasterChange) or the master goes away
// (OnMasterDisable); the detail restricts itself with a range over its
// RangeFieldNames.
//
// Ownership: the detail dataset owns its link; the master's fields are
// borrowed and the list is rebuilt whenever the master opens, closes or
// changes its layout.
//
// Thread safety: single-threaded.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "engine/dataset/DataSource.h"

namespace ridov {

class Field;
class TRidovDataset;

class TRidovMasterLink : public DataLink {
  public:
    explicit TRidovMasterLink(TRidovDataset& detail) : detail_(detail) {}

    const std::string& FieldNames() const { return fieldNames_; }
    // Stores a different list and re-evaluates the link (ActiveChanged).
    void SetFieldNames(const std::string& names);
    // The master's fields named by FieldNames (empty while inactive).
    const std::vector<Field*>& Fields() const { return fields_; }

    std::function<void()> onMasterChange;
    std::function<void()> onMasterDisable;

    DataSet* GetDetailDataSet() override;

    // Rebuilds the master field list (a name that is no field throws and
    // leaves the list empty), then, when the detail is open, calls
    // onMasterChange if the link is active with fields, else
    // onMasterDisable.
    void ActiveChanged() override;

  protected:
    void CheckBrowseMode() override;
    void LayoutChanged() override { ActiveChanged(); }
    void RecordChanged(Field* field) override;

  private:
    TRidovDataset& detail_;
    std::string fieldNames_;
    std::vector<Field*> fields_;
};

}  // namespace ridov
