#include "ui/DatasetModel.h"

#include <algorithm>

#include "engine/dataset/DataSet.h"
#include "engine/dataset/DataSource.h"
#include "engine/dataset/Field.h"
#include "engine/text/Win1251.h"
#include "ui/Win1251Text.h"

namespace ui {

// The model's ear on the dataset: forwards each notification to the model.
class DatasetModel::Link : public ridov::DataLink {
  public:
    explicit Link(DatasetModel& model) : model_(model) {}

  protected:
    void ViewAboutToReset() override { model_.OnViewAboutToReset(); }
    void ViewReset() override { model_.OnViewReset(); }
    void RowChanged(int row) override { model_.OnRowChanged(row); }
    void RowsAboutToBeInserted(int first, int last) override {
        model_.OnRowsAboutToBeInserted(first, last);
    }
    void RowsInserted(int first, int last) override { model_.OnRowsInserted(first, last); }
    void RowsAboutToBeRemoved(int first, int last) override {
        model_.OnRowsAboutToBeRemoved(first, last);
    }
    void RowsRemoved(int first, int last) override { model_.OnRowsRemoved(first, last); }
    void RowAboutToBeMoved(int from, int to) override { model_.OnRowAboutToBeMoved(from, to); }
    void RowMoved(int from, int to) override { model_.OnRowMoved(from, to); }
    void CurrentRowChanged(int row) override { emit model_.currentRowChanged(row); }
    void StateChanged(ridov::DataSetState state) override {
        emit model_.dataSetStateChanged(state);
    }

    // The coarse notifications: the row ones above carry everything a grid
    // needs; these only catch what they might miss.
    void ActiveChanged() override { model_.ResetAll(); }
    void RecordChanged(ridov::Field* /*field*/) override { model_.OnRecordChanged(); }
    void DataSetChanged() override { model_.OnCoarseChange(); }
    void DataSetScrolled() override {}
    void LayoutChanged() override { model_.OnLayoutChanged(); }

  private:
    DatasetModel& model_;
};

DatasetModel::DatasetModel(QObject* parent)
    : QAbstractTableModel(parent), link_(std::make_unique<Link>(*this)) {}

DatasetModel::~DatasetModel() {
    // The link first: it must not call back into a half-destroyed model.
    link_.reset();
}

void DatasetModel::SetDataSet(ridov::DataSet* dataSet) {
    if (dataSet == nullptr) {
        Attach(nullptr);
        ownSource_.reset();
        return;
    }
    if (!ownSource_) ownSource_ = std::make_unique<ridov::DataSource>();
    ownSource_->SetDataSet(dataSet);
    Attach(ownSource_.get());
}

void DatasetModel::SetDataSource(ridov::DataSource* source) {
    Attach(source);
    if (source != ownSource_.get()) ownSource_.reset();
}

void DatasetModel::Attach(ridov::DataSource* source) {
    BeginReset();
    resetting_ = true;
    link_->SetDataSource(source);
    resetting_ = false;
    EndReset(Rows::Recount);
}

ridov::DataSet* DatasetModel::GetDataSet() const {
    return link_->GetDataSet();
}

ridov::DataSource* DatasetModel::GetDataSource() const {
    return link_->GetDataSource();
}

int DatasetModel::DataSetRowCount() const {
    ridov::DataSet* ds = GetDataSet();
    return ds != nullptr && link_->Active() ? std::max(ds->RowCount(), 0) : 0;
}

int DatasetModel::CurrentRow() const {
    ridov::DataSet* ds = GetDataSet();
    return ds != nullptr && link_->Active() ? ds->CurrentRow() : -1;
}

// ---- columns ----

void DatasetModel::ResolveColumns() {
    ridov::DataSet* ds = GetDataSet();
    const bool open = ds != nullptr && ds->Active();
    if (autoColumns_ && open) {
        std::vector<GridColumn> kept;
        for (GridColumn& c : columns_) {
            ridov::Field* f = ds->FindField(c.fieldName);
            if (f != nullptr && f->visible) kept.push_back(std::move(c));
        }
        for (ridov::Field* f : ds->Fields()) {
            if (!f->visible) continue;
            bool present = std::any_of(kept.begin(), kept.end(), [&](const GridColumn& c) {
                return text::EqualNoCase(c.fieldName, f->FieldName());
            });
            if (!present) {
                GridColumn c;
                c.fieldName = f->FieldName();
                kept.push_back(std::move(c));
            }
        }
        columns_ = std::move(kept);
    }
    fields_.assign(columns_.size(), nullptr);
    if (!open) return;
    for (size_t i = 0; i < columns_.size(); ++i) fields_[i] = ds->FindField(columns_[i].fieldName);
}

void DatasetModel::BeginReset() {
    ++changing_;
    beginResetModel();
}

void DatasetModel::EndReset(Rows rows) {
    ResolveColumns();
    if (rows == Rows::Recount) {
        rows_ = DataSetRowCount();
        moving_ = false;
        inserting_ = removing_ = 0;
    }
    endResetModel();
    --changing_;
}

void DatasetModel::ResetAll() {
    if (resetting_) return;  // the reset under way picks the change up
    BeginReset();
    EndReset(Rows::Recount);
}

void DatasetModel::SetColumns(std::vector<GridColumn> columns) {
    BeginReset();
    autoColumns_ = false;
    columns_ = std::move(columns);
    EndReset(Rows::Keep);
}

void DatasetModel::RebuildColumns() {
    BeginReset();
    autoColumns_ = true;
    EndReset(Rows::Keep);
}

void DatasetModel::MoveColumn(int from, int to) {
    const int n = int(columns_.size());
    if (from < 0 || from >= n || to < 0 || to >= n || from == to) return;
    beginMoveColumns(QModelIndex(), from, from, QModelIndex(), to > from ? to + 1 : to);
    GridColumn c = std::move(columns_[size_t(from)]);
    ridov::Field* f = fields_[size_t(from)];
    columns_.erase(columns_.begin() + from);
    fields_.erase(fields_.begin() + from);
    columns_.insert(columns_.begin() + to, std::move(c));
    fields_.insert(fields_.begin() + to, f);
    endMoveColumns();
}

void DatasetModel::SetColumn(int column, const GridColumn& settings) {
    if (column < 0 || column >= int(columns_.size())) return;
    std::string name = std::move(columns_[size_t(column)].fieldName);
    columns_[size_t(column)] = settings;
    columns_[size_t(column)].fieldName = std::move(name);
    emit headerDataChanged(Qt::Horizontal, column, column);
    if (rows_ > 0) emit dataChanged(index(0, column), index(rows_ - 1, column));
}

void DatasetModel::SetSortMarker(int column, SortMarker marker) {
    if (column < 0 || column >= int(columns_.size())) return;
    columns_[size_t(column)].sortMarker = marker;
    emit headerDataChanged(Qt::Horizontal, column, column);
}

ridov::Field* DatasetModel::ColumnField(int column) const {
    if (column < 0 || column >= int(fields_.size()) || !link_->Active()) return nullptr;
    return fields_[size_t(column)];
}

int DatasetModel::ColumnOfField(std::string_view fieldName) const {
    for (size_t i = 0; i < columns_.size(); ++i)
        if (text::EqualNoCase(columns_[i].fieldName, fieldName)) return int(i);
    return -1;
}

QString DatasetModel::ColumnTitle(int column) const {
    if (column < 0 || column >= int(columns_.size())) return {};
    const GridColumn& c = columns_[size_t(column)];
    if (!c.title.isEmpty()) return c.title;
    if (ridov::Field* f = ColumnField(column)) return FromWin1251(f->DisplayLabel());
    return FromWin1251(c.fieldName);
}

int DatasetModel::ColumnDisplayWidth(int column) const {
    if (column < 0 || column >= int(columns_.size())) return 0;
    if (columns_[size_t(column)].displayWidth > 0) return columns_[size_t(column)].displayWidth;
    ridov::Field* f = ColumnField(column);
    return f != nullptr ? f->DisplayWidth() : 10;
}

QString DatasetModel::CellText(int row, int column) const {
    if (row < 0 || row >= rows_ || column < 0 || column >= int(columns_.size())) return {};
    const GridColumn& settings = columns_[size_t(column)];
    if (settings.rowNumber) return QString::number(row + 1);
    ridov::Field* f = ColumnField(column);
    if (f == nullptr) return {};
    if (settings.blankZero) {
        ridov::Variant value;
        if (!GetDataSet()->ReadCell(row, *f, value)) return {};
        if (const double* d = std::get_if<double>(&value); d != nullptr && *d == 0) return {};
        if (const int64_t* n = std::get_if<int64_t>(&value); n != nullptr && *n == 0) return {};
    }
    std::string bytes;
    if (!GetDataSet()->ReadCellText(row, *f, bytes)) return {};
    if (bytes.empty()) return settings.emptyText;
    return FromWin1251(bytes);
}

// ---- QAbstractTableModel ----

int DatasetModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

int DatasetModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(columns_.size());
}

namespace {

Qt::Alignment AlignmentOf(const GridColumn& column, const ridov::Field* field) {
    if (column.alignment) return *column.alignment;
    if (field == nullptr) return Qt::AlignLeft;
    switch (field->alignment) {
        case ridov::Alignment::Right:
            return Qt::AlignRight;
        case ridov::Alignment::Center:
            return Qt::AlignHCenter;
        case ridov::Alignment::Left:
            break;
    }
    return Qt::AlignLeft;
}

}  // namespace

Qt::Alignment DatasetModel::ColumnAlignment(int column) const {
    if (column < 0 || column >= int(columns_.size())) return Qt::AlignLeft;
    return AlignmentOf(columns_[size_t(column)], ColumnField(column));
}

QVariant DatasetModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    switch (role) {
        case Qt::DisplayRole:
            return CellText(index.row(), index.column());
        case Qt::EditRole: {
            // The plain value, without the display format.
            ridov::Field* f = ColumnField(index.column());
            ridov::Variant value;
            if (f == nullptr || !GetDataSet()->ReadCell(index.row(), *f, value)) return QString();
            return FromWin1251(ridov::VariantText(value, GetDataSet()->Format()));
        }
        case Qt::TextAlignmentRole:
            return int(ColumnAlignment(index.column()) | Qt::AlignVCenter);
        default:
            return {};
    }
}

QVariant DatasetModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= int(columns_.size())) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    switch (role) {
        case Qt::DisplayRole:
            return ColumnTitle(section);
        case SortMarkerRole:
            return int(columns_[size_t(section)].sortMarker);
        default:
            return {};
    }
}

Qt::ItemFlags DatasetModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    ridov::Field* f = ColumnField(index.column());
    if (editable_ && f != nullptr && !f->readOnly && f->Kind() == ridov::FieldKind::Data)
        flags |= Qt::ItemIsEditable;
    return flags;
}

bool DatasetModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable)) return false;
    ridov::DataSet* ds = GetDataSet();
    ridov::Field* f = ColumnField(index.column());
    try {
        const int current = ds->CurrentRow();
        if (current != index.row()) {
            if (current >= 0)
                ds->MoveBy(index.row() - current);
            else
                ds->SetRecNo(index.row() + 1);
        }
        if (ds->CurrentRow() != index.row()) return false;
        if (!ridov::IsEditing(ds->State())) ds->Edit();
        f->SetAsString(ToWin1251(value.toString()));
        ds->Post();
        return true;
    } catch (const std::exception& error) {
        // Leave no half-made edit behind: the row shows its stored values.
        if (ridov::IsEditing(ds->State())) {
            try {
                ds->Cancel();
            } catch (const std::exception&) {
            }
        }
        if (onEditError) onEditError(error);
        return false;
    }
}

// ---- notifications ----

void DatasetModel::OnViewAboutToReset() {
    if (resetting_) return;
    resetting_ = true;
    BeginReset();
}

void DatasetModel::OnViewReset() {
    if (!resetting_) BeginReset();  // a reset announced only afterwards
    resetting_ = false;
    EndReset(Rows::Recount);
}

void DatasetModel::OnRowChanged(int row) {
    if (resetting_ || row < 0 || row >= rows_ || columns_.empty()) return;
    emit dataChanged(index(row, 0), index(row, int(columns_.size()) - 1));
}

void DatasetModel::OnRowsAboutToBeInserted(int first, int last) {
    if (resetting_ || first < 0 || last < first || first > rows_) return;
    inserting_ = last - first + 1;
    ++changing_;
    beginInsertRows(QModelIndex(), first, last);
}

void DatasetModel::OnRowsInserted(int /*first*/, int /*last*/) {
    if (inserting_ == 0) return;
    rows_ += inserting_;
    inserting_ = 0;
    endInsertRows();
    --changing_;
}

void DatasetModel::OnRowsAboutToBeRemoved(int first, int last) {
    if (resetting_ || first < 0 || last < first || last >= rows_) return;
    removing_ = last - first + 1;
    ++changing_;
    beginRemoveRows(QModelIndex(), first, last);
}

void DatasetModel::OnRowsRemoved(int /*first*/, int /*last*/) {
    if (removing_ == 0) return;
    rows_ -= removing_;
    removing_ = 0;
    endRemoveRows();
    --changing_;
}

void DatasetModel::OnRowAboutToBeMoved(int from, int to) {
    if (resetting_ || from < 0 || from >= rows_ || to < 0 || to >= rows_ || from == to) return;
    // Qt names the destination as the row the moved one lands before,
    // counted before the move.
    ++changing_;
    moving_ = beginMoveRows(QModelIndex(), from, from, QModelIndex(), to > from ? to + 1 : to);
    if (!moving_) --changing_;
}

void DatasetModel::OnRowMoved(int /*from*/, int to) {
    if (moving_) {
        moving_ = false;
        endMoveRows();
        --changing_;
    }
    // The moved row's values changed too (that is why it moved).
    OnRowChanged(to);
}

void DatasetModel::OnRecordChanged() {
    // A field of the row being edited was written: the row shows the edit
    // buffer, so repaint it.
    OnRowChanged(CurrentRow());
}

void DatasetModel::OnCoarseChange() {
    if (resetting_ || moving_ || inserting_ != 0 || removing_ != 0) return;
    // Every change of the row count comes with its row notification; a
    // count that disagrees means one was missed, and only a reset is safe.
    if (rows_ != DataSetRowCount()) ResetAll();
}

void DatasetModel::OnLayoutChanged() {
    // Fields were added, removed or re-bound: the cached field objects may
    // be stale.
    ResetAll();
}

}  // namespace ui
