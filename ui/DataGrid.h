// DataGrid: the program's data grid over an engine dataset. A table view
// on a DatasetModel, with two-line column titles carrying sort markers, a
// filter row under the titles, an optional footer row, incremental search
// by typing, cell-drawing hooks and columns fitted to the grid's width.
//
// The grid's current row and the dataset's current record follow each
// other: the dataset moving selects its row; the user moving (keys, mouse)
// moves the dataset. Keyboard: arrows, PgUp/PgDn, Home/End (first/last
// column), Ctrl+Home/Ctrl+End (first/last row).
//
// What the caller does: attach a dataset (SetDataSet), adjust columns
// (titles and widths come from the fields; SetColumn for min width, fitting,
// footer), connect titleClicked to SortByTitle (or its own order), build the dataset's filter on
// filterApplied from FilterText/FilterKey, and connect enterPressed, rowDoubleClicked, ... to its
// actions.
//
// The grid never shows a message box: errors raised by the dataset when the
// user moves (a refused post, a before-scroll event) go to errorHandler.
//
// Thread safety: GUI thread only.
#pragma once

#include <QColor>
#include <QString>
#include <QWidget>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ui/FilterRowCell.h"
#include "ui/GridColumn.h"
#include "ui/IncrementalSearch.h"

class QKeyEvent;
class QPainter;
class QTableView;
class QTimer;

namespace ridov {
class DataSet;
class DataSource;
class Field;
}  // namespace ridov

namespace ui {

class DatasetModel;
class FilterRowHeader;
class GridFooter;

class DataGrid : public QWidget {
    Q_OBJECT

  public:
    // Draws over a data cell after the grid drew it (markers and the like).
    // `rect` is the cell's rectangle in the painter's coordinates; `row` is
    // the dataset view's row, `column` the grid's column.
    using CellPainter =
        std::function<void(QPainter& painter, const QRect& rect, int row, int column)>;
    // Sees every key pressed in the grid first; true means handled (the
    // grid then does nothing with it).
    using KeyPressHook = std::function<bool(QKeyEvent& event)>;
    using ErrorHandler = std::function<void(const std::exception& error)>;

    explicit DataGrid(QWidget* parent = nullptr);
    ~DataGrid() override;

    // ---- data ----
    // See DatasetModel::SetDataSet / SetDataSource.
    void SetDataSet(ridov::DataSet* dataSet);
    void SetDataSource(ridov::DataSource* source);
    ridov::DataSet* GetDataSet() const;
    DatasetModel& Model() const { return *model_; }
    QTableView& View() const;

    // ---- columns (see DatasetModel) ----
    int ColumnCount() const;
    const GridColumn& Column(int column) const;
    void SetColumn(int column, const GridColumn& settings);
    void SetColumns(std::vector<GridColumn> columns);
    void RebuildColumns();
    void MoveColumn(int from, int to);
    int ColumnOfField(std::string_view fieldName) const;
    ridov::Field* ColumnField(int column) const;
    void SetSortMarker(int column, SortMarker marker);
    SortMarker GetSortMarker(int column) const;
    // The title sort of a click on a column's title: the column's marker
    // advances (NextSortMarker) and the dataset is sorted by the column's
    // field ignoring case, descending for the descending marker, keeping
    // its current record. Other columns' markers stay. A column without a
    // data field (a calculated one) has no title button: false, nothing
    // changes. A refused sort goes to errorHandler and leaves the marker.
    bool SortByTitle(int column);
    // Columns fitted to the grid's width (on by default). While off, every
    // column keeps its display width (at least its minimum).
    void SetColumnFitting(bool on);
    bool ColumnFitting() const { return fitting_; }
    // Lays the column widths out again (after changing display widths).
    void FitColumns();

    // ---- current cell ----
    // The dataset's current row (-1: none) and the grid's current column.
    int CurrentRow() const;
    int CurrentColumn() const;
    void SetCurrentColumn(int column);

    // ---- filter row ----
    void SetFilterRowVisible(bool on);
    bool FilterRowVisible() const;
    void SetFilterProvider(int column, FilterValueProvider provider,
                           FilterListKind kind = FilterListKind::Narrowed);
    // The cell's text as typed or picked.
    QString FilterText(int column) const;
    // The key of the entry picked, or of the entry whose text equals the
    // typed text; empty when none (see FilterRowCell).
    QString FilterKey(int column) const;
    void SetFilterText(int column, const QString& text);
    void ClearFilters();

    // ---- footer row ----
    void SetFooterVisible(bool on);
    bool FooterVisible() const;
    // A fixed footer text under the column.
    void SetFooterText(int column, const QString& text);
    // The sum of `field` (empty: the column's field) over the view's rows,
    // formatted with the FormatFloat `pattern` (empty: the field's display
    // format). Recomputed after every change of the data.
    void SetFooterSum(int column, std::string field = {}, std::string pattern = {});
    void SetFooterColor(const QColor& color);
    // The text the footer shows under a column now.
    QString FooterText(int column) const;
    // Recomputes the sums now (they are otherwise recomputed when the event
    // loop next runs after a change).
    void UpdateFooter();

    // ---- incremental search ----
    IncrementalSearch& Search() { return search_; }
    QString SearchText() const { return search_.Text(); }
    // As a key stroke of printable text: extends the search text and looks
    // for it in the current column's field.
    bool TypeSearch(const QString& typed);

    // ---- behaviour ----
    // Read-only (the default): cells are never edited. Otherwise F2 opens
    // the current cell's editor (unless a search text is shown) and the
    // text is posted to the field; typed characters still search.
    void SetReadOnly(bool on);
    bool ReadOnly() const { return readOnly_; }
    // "Short|Long": the short part is the tool tip, the long part the status
    // tip; without "|" both are the whole text.
    void SetHint(const QString& hint);
    QString Hint() const { return hint_; }

    CellPainter cellPainter;
    KeyPressHook keyPressHook;
    ErrorHandler errorHandler;

  signals:
    // A column title was clicked (not a resize of the column).
    void titleClicked(int column);
    // A filter cell was confirmed with Enter or a value was picked.
    void filterApplied();
    // Enter without Shift, Ctrl or Alt.
    void enterPressed();
    // Double click on a data cell; `x` in the cells' area (pixels).
    void rowDoubleClicked(int x);
    // A mouse button was released over the cells; `x` as above.
    void mouseReleased(int x);
    void contextMenuRequested(const QPoint& globalPos);
    // The current row changed (either way; -1: none).
    void currentRowChanged(int row);
    void searchTextChanged(const QString& text);

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    class GridView;
    class CellDelegate;
    friend class GridView;
    friend class CellDelegate;

    // Events of the inner view.
    bool HandleKey(QKeyEvent& event);
    void OnViewCurrentChanged(int row, int column, int previousColumn);
    void OnDataSetCurrentRow(int row);
    void SyncViewToDataSet();
    void ScheduleFooter();
    void ReportError(const std::exception& error);

    DatasetModel* model_;
    GridView* view_;
    FilterRowHeader* header_;
    GridFooter* footer_;
    QTimer* footerTimer_;
    IncrementalSearch search_;
    bool fitting_ = true;
    bool fittingNow_ = false;
    bool readOnly_ = true;
    // Set while the grid itself moves the view's current index (following
    // the dataset), so the move is not sent back to the dataset.
    int following_ = 0;
    QString hint_;
};

}  // namespace ui
