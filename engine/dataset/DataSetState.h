// The states of a dataset and the notifications a dataset sends to the data
// sources attached to it.
#pragma once

#include <cstdint>

namespace ridov {

// What the dataset is doing, and so which record its fields read and write:
//   Inactive      closed; fields have no record
//   Browse        the current record of the view (read-only)
//   Edit, Insert  the edit buffer of the record being changed or added
//   SetKey        a key buffer being filled (ranges, searches)
//   CalcFields    the record whose calculated fields are being computed;
//                 only calculated fields may be written
//   Filter        the record the filter predicate is examining
//   NewValue      the active record (as Edit)
//   OldValue      the record's before-image when it has one
//   InternalCalc  the calculation buffer
enum class DataSetState : uint8_t {
    Inactive,
    Browse,
    Edit,
    Insert,
    SetKey,
    CalcFields,
    Filter,
    NewValue,
    OldValue,
    InternalCalc,
};

inline bool IsEditing(DataSetState s) {
    return s == DataSetState::Edit || s == DataSetState::Insert;
}

// Notifications from a dataset to its data sources and their links.
enum class DataEvent : uint8_t {
    FieldChange,      // a field of the active record was written
    RecordChange,     // the active record changed as a whole
    DataSetChange,    // the view changed (open, refresh, rebuild, delete)
    DataSetScroll,    // the current record moved
    LayoutChange,     // fields were added, removed or re-bound
    UpdateRecord,     // controls must write pending input into the fields
    UpdateState,      // the state changed
    CheckBrowseMode,  // a pending edit is about to be ended
};

// Row-level notifications from a dataset to the links that show its rows
// (see the DataLink virtuals of the same names). `first` and `second` are
// rows (from/to for moves, first/last for ranges), the current row, or the
// new state for StateChanged.
enum class ViewEvent : uint8_t {
    AboutToReset,
    Reset,
    RowChanged,
    RowsAboutToBeInserted,
    RowsInserted,
    RowsAboutToBeRemoved,
    RowsRemoved,
    RowAboutToBeMoved,
    RowMoved,
    CurrentRowChanged,
    StateChanged,
};

// Change state of the active record.
enum class UpdateStatus : uint8_t { Unmodified, Modified, Inserted, Deleted };

}  // namespace ridov
