// DatasetModel: a Qt table model over the view of an engine dataset.
//
// Rows are the rows of the dataset's view (DataSet::RowCount, the row being
// inserted included); cells are read by position with ReadCellText, which
// never moves the current record, and only for the cells Qt asks for, so a
// grid over a million records paints one screen's worth of reads. The model
// listens to the dataset through a data link of its own and turns the row
// notifications into Qt's: a rebuild of the view (open, close, refresh,
// filter, sort, range) resets the model; a posted edit sends dataChanged or
// a row move; insert and delete send row insertions and removals. An edit
// never resets the model, so the view keeps its scroll position.
//
// Columns are a list of GridColumn (ui/GridColumn.h). Until the caller sets
// one (SetColumns), the columns follow the dataset's visible fields: each
// view rebuild and RebuildColumns() drop columns whose field is gone or
// hidden and append newly visible fields, keeping the order and settings of
// the columns that stay. Field objects are looked up by name at every
// rebuild, so a column survives the dataset closing and reopening.
//
// Texts cross from Windows-1251 to QString in ui/Win1251Text only.
//
// Lifetime: the model may outlive the dataset; the data link detaches
// itself when either side goes. The model does not own the dataset.
//
// Thread safety: GUI thread only.
#pragma once

#include <QAbstractTableModel>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/dataset/DataSetState.h"
#include "ui/GridColumn.h"

namespace ridov {
class DataSet;
class DataSource;
class Field;
}  // namespace ridov

namespace ui {

class DatasetModel : public QAbstractTableModel {
    Q_OBJECT

  public:
    // Extra item-data roles.
    enum Role {
        // SortMarker of the column (headerData, horizontal), as int.
        SortMarkerRole = Qt::UserRole + 1,
    };

    explicit DatasetModel(QObject* parent = nullptr);
    ~DatasetModel() override;

    // Shows `dataSet` (null: nothing) through a data source the model owns.
    void SetDataSet(ridov::DataSet* dataSet);
    // Shows the dataset of a data source the caller owns (and may share
    // with other links). The source must outlive the model or be detached
    // with SetDataSource(nullptr) first.
    void SetDataSource(ridov::DataSource* source);
    ridov::DataSet* GetDataSet() const;
    ridov::DataSource* GetDataSource() const;

    // ---- columns ----
    const std::vector<GridColumn>& Columns() const { return columns_; }
    // A fixed column list: the columns no longer follow the visible fields.
    void SetColumns(std::vector<GridColumn> columns);
    // Back to columns following the visible fields, rebuilt now (call it
    // after changing fields' visibility, labels or widths).
    void RebuildColumns();
    bool AutoColumns() const { return autoColumns_; }
    // Moves a column; later positions shift (as a list move).
    void MoveColumn(int from, int to);
    // Changes the settings of one column; the field name is kept. Titles,
    // markers and alignment repaint at once.
    void SetColumn(int column, const GridColumn& settings);
    void SetSortMarker(int column, SortMarker marker);
    // The field of a column; null while the dataset is closed or lacks it.
    ridov::Field* ColumnField(int column) const;
    // The column showing the field (engine name, ignoring case), or -1.
    int ColumnOfField(std::string_view fieldName) const;
    // Title shown: the column's title, else the field's display label, else
    // the field name.
    QString ColumnTitle(int column) const;
    // Horizontal alignment: the column's, else the field's.
    Qt::Alignment ColumnAlignment(int column) const;
    // Display width in characters: the column's, else the field's.
    int ColumnDisplayWidth(int column) const;

    // The display text of one cell ("" when it cannot be read).
    QString CellText(int row, int column) const;
    // The dataset's current row (-1 when none).
    int CurrentRow() const;
    // True from the start of a structural change (reset, rows inserted,
    // removed or moved) until every Qt signal of its end was sent: the
    // view's current index moves by itself then and must not move the
    // dataset.
    bool Changing() const { return changing_ > 0; }

    // Editable cells: setData writes the text into the field of the row
    // (moving the dataset there, Edit, write, Post). Off by default. A
    // failure cancels the edit and goes to onEditError.
    void SetEditable(bool on) { editable_ = on; }
    bool Editable() const { return editable_; }
    std::function<void(const std::exception&)> onEditError;

    // ---- QAbstractTableModel ----
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

  signals:
    // The dataset's current row moved (-1: none).
    void currentRowChanged(int row);
    // The dataset's state changed (browse, edit, insert, closed, ...).
    void dataSetStateChanged(ridov::DataSetState state);

  private:
    class Link;
    friend class Link;

    // Data link notifications.
    void OnViewAboutToReset();
    void OnViewReset();
    void OnRowChanged(int row);
    void OnRowsAboutToBeInserted(int first, int last);
    void OnRowsInserted(int first, int last);
    void OnRowsAboutToBeRemoved(int first, int last);
    void OnRowsRemoved(int first, int last);
    void OnRowAboutToBeMoved(int from, int to);
    void OnRowMoved(int from, int to);
    void OnRecordChanged();
    void OnCoarseChange();
    void OnLayoutChanged();

    void Attach(ridov::DataSource* source);
    // Matches the column list to the dataset's fields (auto columns) and
    // looks the field objects up again.
    void ResolveColumns();
    // Every reset of the model goes between these two: the columns are
    // resolved anew and, with Rows::Recount, the rows counted anew and any
    // row move or insertion under way forgotten.
    enum class Rows { Keep, Recount };
    void BeginReset();
    void EndReset(Rows rows);
    void ResetAll();
    int DataSetRowCount() const;

    std::unique_ptr<Link> link_;
    std::unique_ptr<ridov::DataSource> ownSource_;
    std::vector<GridColumn> columns_;
    std::vector<ridov::Field*> fields_;  // per column; null when absent
    bool autoColumns_ = true;
    // Rows as Qt last heard of them: rowCount() answers this, so it always
    // agrees with the signals sent so far.
    int rows_ = 0;
    bool resetting_ = false;
    bool moving_ = false;
    int inserting_ = 0;  // rows announced by RowsAboutToBeInserted
    int removing_ = 0;
    int changing_ = 0;
    bool editable_ = false;
};

}  // namespace ui
