// Data sources and data links: how a dataset tells the things that show or
// follow it (a grid model, a master/detail link) that its records, fields or
// state changed. A DataSource sits between one dataset and any number of
// links; a link subclass overrides the notifications it needs.
//
// Lifetime: a dataset, a data source and a link may be destroyed in any
// order; each side detaches itself from the others in its destructor.
//
// Thread safety: single-threaded.
#pragma once

#include <functional>
#include <vector>

#include "engine/dataset/DataSetState.h"

namespace ridov {

class DataSet;
class DataSource;
class Field;

class DataLink {
  public:
    DataLink() = default;
    virtual ~DataLink();
    DataLink(const DataLink&) = delete;
    DataLink& operator=(const DataLink&) = delete;

    DataSource* GetDataSource() const { return source_; }
    void SetDataSource(DataSource* source);
    DataSet* GetDataSet() const;
    // Attached to an enabled source whose dataset is open.
    bool Active() const;

    // The dataset this link drives (a detail dataset), for circularity
    // checks; null for links that drive nothing.
    virtual DataSet* GetDetailDataSet() { return nullptr; }

  protected:
    friend class DataSource;
    virtual void ActiveChanged() {}
    virtual void RecordChanged(Field* /*field*/) {}
    virtual void DataSetChanged() { RecordChanged(nullptr); }
    virtual void DataSetScrolled() { RecordChanged(nullptr); }
    virtual void LayoutChanged() { DataSetChanged(); }
    virtual void EditingChanged() {}
    virtual void CheckBrowseMode() {}
    virtual void UpdateData() {}

    // Row-level notifications for links that show the rows of the view (a
    // grid model). Positions are 0-based rows as DataSet::RowCount counts
    // them, the row being inserted included. "About to" calls come while
    // the dataset still shows the old rows, the others once it shows the
    // new ones; no other row notification comes between the two.
    //
    // Within one operation links hear the rows first, then the current
    // row, then the state:
    //   Edit            StateChanged(Edit)
    //   a field write   RowChanged(row): the row shows the edit buffer
    //   Post (edit)     RowChanged(row), StateChanged(Browse); the row keeps
    //                   its place, in a sorted view too
    //   Insert, Append  RowsAboutToBeInserted(r, r), RowsInserted(r, r),
    //                   CurrentRowChanged(r), StateChanged(Insert)
    //   Post (insert)   RowChanged(r): the row shows the stored record; then
    //                   RowAboutToBeMoved(r, to), RowMoved(r, to) when the
    //                   record belongs elsewhere (appended last, or its
    //                   sorted place with vsoInsertInOrder);
    //                   CurrentRowChanged, StateChanged(Browse)
    //   Cancel          of an insert: RowsAboutToBeRemoved(r, r),
    //                   RowsRemoved(r, r), CurrentRowChanged,
    //                   StateChanged(Browse); of an edit: RowChanged(row),
    //                   StateChanged(Browse)
    //   Delete          RowsAboutToBeRemoved(r, r), RowsRemoved(r, r),
    //                   CurrentRowChanged (the record now in that row)
    //   Open, Close, Refresh, a change of filter, order or range, emptying
    //   the table, reverting or committing changes: ViewAboutToReset,
    //   ViewReset, CurrentRowChanged (then StateChanged on open and close)
    // A post or delete through another dataset sharing the record store
    // arrives as RowsInserted, RowChanged or RowsRemoved. While the
    // dataset's controls are disabled, the first row notification becomes
    // ViewAboutToReset, and ViewReset with CurrentRowChanged follows when
    // they are enabled again; StateChanged always passes. A disabled data
    // source tells its links nothing and resets them when enabled again.
    virtual void ViewAboutToReset() {}
    virtual void ViewReset() {}
    // The values of one row changed; its position did not.
    virtual void RowChanged(int /*row*/) {}
    virtual void RowsAboutToBeInserted(int /*first*/, int /*last*/) {}
    virtual void RowsInserted(int /*first*/, int /*last*/) {}
    virtual void RowsAboutToBeRemoved(int /*first*/, int /*last*/) {}
    virtual void RowsRemoved(int /*first*/, int /*last*/) {}
    // One row moves from `from` to `to`; `to` is the row's position after
    // the move (a Qt model calls beginMoveRows(.., from, from, ..,
    // to > from ? to + 1 : to)).
    virtual void RowAboutToBeMoved(int /*from*/, int /*to*/) {}
    virtual void RowMoved(int /*from*/, int /*to*/) {}
    // -1: no current row.
    virtual void CurrentRowChanged(int /*row*/) {}
    virtual void StateChanged(DataSetState /*state*/) {}

  private:
    void Notify(DataEvent event, Field* field);
    void NotifyView(ViewEvent event, int first, int second);
    DataSource* source_ = nullptr;
    bool wasActive_ = false;
};

class DataSource {
  public:
    DataSource() = default;
    explicit DataSource(DataSet* dataSet) { SetDataSet(dataSet); }
    ~DataSource();
    DataSource(const DataSource&) = delete;
    DataSource& operator=(const DataSource&) = delete;

    DataSet* GetDataSet() const { return dataSet_; }
    void SetDataSet(DataSet* dataSet);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool on);
    DataSetState State() const;
    const std::vector<DataLink*>& Links() const { return links_; }
    // True when `dataSet` is this source's dataset, or drives it through a
    // chain of master/detail links.
    bool IsLinkedTo(const DataSet* dataSet) const;

    std::function<void(DataSource&)> onStateChange;
    std::function<void(DataSource&, Field*)> onDataChange;

  private:
    friend class DataSet;
    friend class DataLink;
    void Notify(DataEvent event, Field* field);
    void NotifyView(ViewEvent event, int first, int second);

    DataSet* dataSet_ = nullptr;
    std::vector<DataLink*> links_;
    bool enabled_ = true;
};

}  // namespace ridov
