// TRidovQuery: the dataset of one SELECT statement over table files and
// other open datasets.
//
// Opening prepares the statement if needed (parameters substituted, parsed
// and compiled; QueryCompiler.h) and runs it from scratch into the
// dataset's record store (QueryExecutor.h). The result is an ordinary
// dataset: it can be sorted, filtered, searched and edited. With Origin and
// uniqueFieldNames set, SaveChanges writes the edits back into the origin
// table's file (WriteBack.h). Closing also unprepares; Refresh saves
// pending edits, unprepares and runs the statement again.
//
// QueryDatasets name open datasets that the statement reads by alias
// instead of files; the query reads (and, for a join, re-orders) their
// record stores directly.
//
// Files other than the origin are taken from the process's TableCache when
// unchanged since an earlier run (see TableCache.h), as long as the query
// uses the process's session.
//
// Thread safety: single-threaded (the GUI thread).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/query/QueryPlan.h"
#include "engine/query/RidovCustomQuery.h"

namespace ridov {

class TRidovQuery;

// One entry of QueryDatasets.
class TQueryDataset {
  public:
    const std::string& Alias() const { return alias_; }
    // Raises "Duplicate alias name in collection" when another entry has
    // this alias (ignoring case).
    void SetAlias(const std::string& alias);
    TRidovDataset* DataSet() const { return dataSet_; }
    // `componentName` is the dataset's name in its form; it becomes the
    // alias when the entry has none. Raises "Circular reference in datasets
    // collection" for the query itself.
    void SetDataSet(TRidovDataset* dataSet, const std::string& componentName = "");
    // The component name and " (" alias ")", or "(not defined)".
    std::string DisplayName() const;

  private:
    friend class TQueryDatasets;
    TRidovQuery* owner_ = nullptr;
    std::string alias_;
    TRidovDataset* dataSet_ = nullptr;
    std::string componentName_;
};

class TQueryDatasets {
  public:
    explicit TQueryDatasets(TRidovQuery& owner) : owner_(owner) {}
    TQueryDataset& Add();
    void Clear() { items_.clear(); }
    int Count() const { return static_cast<int>(items_.size()); }
    TQueryDataset& operator[](int i) { return *items_[size_t(i)]; }
    const TQueryDataset& operator[](int i) const { return *items_[size_t(i)]; }
    bool AliasTaken(const std::string& alias, const TQueryDataset* except) const;

  private:
    TRidovQuery& owner_;
    std::vector<std::unique_ptr<TQueryDataset>> items_;
};

class TRidovQuery : public TRidovCustomQuery {
  public:
    TRidovQuery();
    ~TRidovQuery() override;

    TQueryDatasets& QueryDatasets() { return datasets_; }
    // Reuse unchanged files between runs (see TableCache.h).
    bool useTableCache = true;
    // A join puts a dataset table's own store in key order, which is what
    // statements over open datasets have always done. A query that joins a
    // few rows against a large open dataset (an order against the catalog)
    // turns this off: the join then takes only the dataset's records whose
    // keys occur among the rows, with the same rows (those with equal keys
    // in no defined order, as ever), in one pass and without touching the
    // dataset's store.
    bool sortDatasetTables = true;

    // The compiled statement while prepared (null otherwise).
    const QueryPlan* Plan() const { return plan_.get(); }

  protected:
    void OpenData() override;
    void WriteData() override;
    void InternalClose() override;
    void InternalRefresh() override;
    void Compile(const std::string& statement) override;
    void Release() override;

  private:
    QueryEnvironment Environment() const;

    TQueryDatasets datasets_;
    std::unique_ptr<QueryPlan> plan_;
};

}  // namespace ridov
