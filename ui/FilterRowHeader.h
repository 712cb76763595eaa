// FilterRowHeader: the column titles of a DataGrid with the filter row under
// them. Titles take two lines (broken at blanks, elided beyond) and show the
// column's sort marker (DatasetModel::SortMarkerRole); below each title sits
// the column's filter cell, a FilterRowEdit, scrolled with the titles.
//
// Filter cells belong to a column's field, not to its position: their text,
// picked entry and value provider stay with the field when columns move or
// the model is reset.
//
// Thread safety: GUI thread only.
#pragma once

#include <QHeaderView>
#include <map>
#include <string>
#include <vector>

#include "ui/FilterRowCell.h"

namespace ui {

class DatasetModel;
class FilterRowEdit;

class FilterRowHeader : public QHeaderView {
    Q_OBJECT

  public:
    explicit FilterRowHeader(QWidget* parent = nullptr);

    // The model whose columns the cells follow (also set as the header's
    // model by the table view).
    void SetDatasetModel(DatasetModel* model);

    bool FilterRowVisible() const { return filterRowVisible_; }
    void SetFilterRowVisible(bool on);

    // The filter cell of a column (null for a column out of range).
    FilterRowEdit* Edit(int column) const;
    void SetProvider(int column, FilterValueProvider provider,
                     FilterListKind kind = FilterListKind::Narrowed);
    QString FilterText(int column) const;
    QString FilterKey(int column) const;
    void SetFilterText(int column, const QString& text);
    void ClearFilters();

    // Places the cells under their titles (after scrolling or resizing).
    void UpdateCellGeometry();

    QSize sizeHint() const override;

  signals:
    // A cell was confirmed with Enter or a value was picked from its list.
    void filterApplied(int column);

  protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
    bool viewportEvent(QEvent* event) override;

  private:
    void RebuildCells();
    int TitleHeight() const;
    int CellHeight() const;
    std::string KeyOf(int column) const;

    DatasetModel* datasetModel_ = nullptr;
    bool filterRowVisible_ = true;
    int editHeight_ = 0;
    // One edit per field (upper-cased engine name), created on first use and
    // kept while the grid lives; hidden when its field has no column.
    std::map<std::string, FilterRowEdit*> edits_;
    std::vector<FilterRowEdit*> byColumn_;
};

}  // namespace ui
