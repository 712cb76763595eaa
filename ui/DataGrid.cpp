#include "ui/DataGrid.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include "engine/dataset/DataSet.h"
#include "engine/dataset/Field.h"
#include "engine/dataset/RidovDataset.h"
#include "engine/dataset/ViewSettings.h"
#include "ui/DatasetModel.h"
#include "ui/FilterRowHeader.h"
#include "ui/GridFooter.h"
#include "ui/GridFooterSum.h"
#include "ui/Win1251Text.h"

namespace ui {

// ---- the inner table view: hands its events to the grid ----

class DataGrid::GridView : public QTableView {
  public:
    explicit GridView(DataGrid& grid) : QTableView(&grid), grid_(grid) {}

    void UpdateGeometries() { updateGeometries(); }

  protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (!grid_.HandleKey(*event)) QTableView::keyPressEvent(event);
    }
    void mouseDoubleClickEvent(QMouseEvent* event) override {
        QTableView::mouseDoubleClickEvent(event);
        if (indexAt(event->position().toPoint()).isValid())
            emit grid_.rowDoubleClicked(int(event->position().x()));
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        QTableView::mouseReleaseEvent(event);
        emit grid_.mouseReleased(int(event->position().x()));
    }
    void contextMenuEvent(QContextMenuEvent* event) override {
        emit grid_.contextMenuRequested(event->globalPos());
    }
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override {
        QTableView::currentChanged(current, previous);
        // The whole current row is drawn differently: repaint both rows.
        viewport()->update();
        grid_.OnViewCurrentChanged(current.isValid() ? current.row() : -1,
                                   current.isValid() ? current.column() : -1,
                                   previous.isValid() ? previous.column() : -1);
    }
    void focusInEvent(QFocusEvent* event) override {
        QTableView::focusInEvent(event);
        viewport()->update();
    }
    void focusOutEvent(QFocusEvent* event) override {
        QTableView::focusOutEvent(event);
        viewport()->update();
    }
    bool viewportEvent(QEvent* event) override {
        const bool result = QTableView::viewportEvent(event);
        if (event->type() == QEvent::Resize) grid_.FitColumns();
        return result;
    }
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override {
        // While a search text is shown the cell editor stays hidden.
        if (grid_.readOnly_ || grid_.search_.Active()) return false;
        return QTableView::edit(index, trigger, event);
    }

  private:
    DataGrid& grid_;
};

// ---- cell drawing ----

class DataGrid::CellDelegate : public QStyledItemDelegate {
  public:
    CellDelegate(DataGrid& grid) : QStyledItemDelegate(&grid), grid_(grid) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const QModelIndex current = grid_.view_->currentIndex();
        const bool currentRow = current.isValid() && index.row() == current.row();
        const bool focusedCell =
            currentRow && index.column() == current.column() && grid_.view_->hasFocus();
        const QPalette& pal = option.palette;
        QColor background = pal.color(QPalette::Base);
        QColor foreground = pal.color(QPalette::Text);
        if (focusedCell) {
            background = pal.color(QPalette::Highlight);
            foreground = pal.color(QPalette::HighlightedText);
        } else if (currentRow) {
            // The current row stands out in the button-face colour.
            background = pal.color(QPalette::Button);
            foreground = pal.color(QPalette::ButtonText);
        }
        painter->fillRect(option.rect, background);

        const QRect textRect = option.rect.adjusted(3, 0, -3, 0);
        const auto align = Qt::Alignment(index.data(Qt::TextAlignmentRole).toInt());
        const QString text = option.fontMetrics.elidedText(index.data().toString(), Qt::ElideRight,
                                                           textRect.width());
        if (focusedCell && grid_.search_.Active() && (align & Qt::AlignLeft)) {
            // The search text: the part of the cell typed so far, marked.
            const int typed =
                option.fontMetrics.horizontalAdvance(text.left(int(grid_.search_.Text().size())));
            QRect mark(textRect.left(), option.rect.top() + 1, typed, option.rect.height() - 2);
            painter->fillRect(mark, pal.color(QPalette::Base));
            painter->setPen(pal.color(QPalette::Text));
            painter->drawText(textRect, align, text.left(int(grid_.search_.Text().size())));
            painter->setPen(foreground);
            painter->drawText(textRect.adjusted(typed, 0, 0, 0), align,
                              text.mid(int(grid_.search_.Text().size())));
        } else {
            painter->setPen(foreground);
            painter->drawText(textRect, align, text);
        }

        if (grid_.cellPainter) {
            painter->save();
            grid_.cellPainter(*painter, option.rect, index.row(), index.column());
            painter->restore();
        }
    }

  private:
    DataGrid& grid_;
};

// ---- the grid ----

DataGrid::DataGrid(QWidget* parent)
    : QWidget(parent),
      model_(new DatasetModel(this)),
      view_(new GridView(*this)),
      header_(new FilterRowHeader(view_)),
      footer_(nullptr),
      footerTimer_(new QTimer(this)) {
    view_->setHorizontalHeader(header_);
    view_->setModel(model_);
    header_->SetDatasetModel(model_);
    view_->setItemDelegate(new CellDelegate(*this));
    view_->setSelectionMode(QAbstractItemView::NoSelection);
    view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view_->setWordWrap(false);
    view_->setTextElideMode(Qt::ElideRight);
    view_->setShowGrid(true);
    view_->setTabKeyNavigation(false);
    view_->verticalHeader()->hide();
    view_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view_->verticalHeader()->setDefaultSectionSize(view_->fontMetrics().height() + 4);
    view_->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    view_->setContextMenuPolicy(Qt::DefaultContextMenu);
    setFocusProxy(view_);

    footer_ = new GridFooter(*header_, this);
    footer_->hide();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(view_);
    layout->addWidget(footer_);
    connect(view_->horizontalScrollBar(), &QScrollBar::valueChanged, footer_,
            qOverload<>(&QWidget::update));

    model_->onEditError = [this](const std::exception& e) { ReportError(e); };
    connect(header_, &QHeaderView::sectionClicked, this, &DataGrid::titleClicked);
    connect(header_, &FilterRowHeader::filterApplied, this, [this] { emit filterApplied(); });
    connect(model_, &DatasetModel::currentRowChanged, this, &DataGrid::OnDataSetCurrentRow);
    connect(model_, &QAbstractItemModel::modelReset, this, [this] {
        FitColumns();
        SyncViewToDataSet();
        ScheduleFooter();
    });
    auto rowsChanged = [this] {
        SyncViewToDataSet();
        ScheduleFooter();
    };
    connect(model_, &QAbstractItemModel::rowsInserted, this, rowsChanged);
    connect(model_, &QAbstractItemModel::rowsRemoved, this, rowsChanged);
    connect(model_, &QAbstractItemModel::rowsMoved, this, rowsChanged);
    connect(model_, &QAbstractItemModel::dataChanged, this, &DataGrid::ScheduleFooter);
    connect(model_, &QAbstractItemModel::columnsMoved, this, [this] {
        FitColumns();
        UpdateFooter();
    });

    footerTimer_->setSingleShot(true);
    footerTimer_->setInterval(0);
    connect(footerTimer_, &QTimer::timeout, this, &DataGrid::UpdateFooter);
}

DataGrid::~DataGrid() {
    // Detach from the dataset before the widgets go, so no notification
    // reaches a half-destroyed grid.
    model_->SetDataSet(nullptr);
}

QTableView& DataGrid::View() const {
    return *view_;
}

void DataGrid::SetDataSet(ridov::DataSet* dataSet) {
    search_.Reset();
    model_->SetDataSet(dataSet);
}

void DataGrid::SetDataSource(ridov::DataSource* source) {
    search_.Reset();
    model_->SetDataSource(source);
}

ridov::DataSet* DataGrid::GetDataSet() const {
    return model_->GetDataSet();
}

// ---- columns ----

int DataGrid::ColumnCount() const {
    return int(model_->Columns().size());
}

const GridColumn& DataGrid::Column(int column) const {
    return model_->Columns().at(size_t(column));
}

void DataGrid::SetColumn(int column, const GridColumn& settings) {
    model_->SetColumn(column, settings);
    FitColumns();
    UpdateFooter();
}

void DataGrid::SetColumns(std::vector<GridColumn> columns) {
    model_->SetColumns(std::move(columns));
}

void DataGrid::RebuildColumns() {
    model_->RebuildColumns();
}

void DataGrid::MoveColumn(int from, int to) {
    model_->MoveColumn(from, to);
}

int DataGrid::ColumnOfField(std::string_view fieldName) const {
    return model_->ColumnOfField(fieldName);
}

ridov::Field* DataGrid::ColumnField(int column) const {
    return model_->ColumnField(column);
}

void DataGrid::SetSortMarker(int column, SortMarker marker) {
    model_->SetSortMarker(column, marker);
}

SortMarker DataGrid::GetSortMarker(int column) const {
    return column >= 0 && column < ColumnCount() ? Column(column).sortMarker : SortMarker::None;
}

bool DataGrid::SortByTitle(int column) {
    ridov::Field* field = ColumnField(column);
    ridov::DataSet* ds = GetDataSet();
    ridov::TRidovDataset* engine = ds != nullptr ? ds->AsRidovDataset() : nullptr;
    if (field == nullptr || field->IsCalculated() || engine == nullptr || !engine->Active())
        return false;
    const SortMarker marker = NextSortMarker(GetSortMarker(column));
    ridov::TRidovSortOptions options = ridov::vsoCaseInsensitive;
    if (marker == SortMarker::Descending) options |= ridov::vsoDescendSort;
    const std::string& name = field->FieldName();
    try {
        if (engine->IndexFieldNames() == name) {
            engine->SetSortOptions(options);
        } else if (engine->RangeFieldNames().empty() && engine->MasterSource() == nullptr &&
                   engine->Filtered() == !engine->Filter().empty()) {
            // Order and options in one view rebuild: the settings keep the
            // filter as it is, and the record comes back after the rebuild
            // went to the first one.
            ridov::ViewSettings settings;
            settings.filter = engine->Filter();
            settings.caseInsensitiveFilter =
                (engine->FilterOptions() & ridov::foCaseInsensitive) != 0;
            settings.indexFieldNames = name;
            settings.sortOptions = options;
            const ridov::Bookmark current = engine->GetBookmark();
            engine->ApplyViewSettings(settings);
            if (current != nullptr) engine->GotoBookmark(current);
        } else {
            // Without an order first, the new options sort nothing; the new
            // order then sorts once.
            engine->SetIndexFieldNames(std::string());
            engine->SetSortOptions(options);
            engine->SetIndexFieldNames(name);
        }
    } catch (const std::exception& error) {
        ReportError(error);
        return false;
    }
    SetSortMarker(column, marker);
    return true;
}

void DataGrid::SetColumnFitting(bool on) {
    fitting_ = on;
    FitColumns();
}

void DataGrid::FitColumns() {
    if (fittingNow_) return;
    const int n = ColumnCount();
    if (n == 0 || header_->count() != n) return;
    const QFontMetrics fm = view_->fontMetrics();
    // A display width counts characters of the width of a digit, plus the
    // cell's margins.
    const int charWidth = fm.horizontalAdvance(QLatin1Char('0'));
    std::vector<FitColumn> columns(static_cast<size_t>(n));
    for (int c = 0; c < n; ++c) {
        columns[size_t(c)].naturalWidth = model_->ColumnDisplayWidth(c) * charWidth + 8;
        columns[size_t(c)].minWidth = Column(c).minWidth;
        columns[size_t(c)].fitted = fitting_ && Column(c).fitted;
    }
    const std::vector<int> widths = FitColumnWidths(columns, view_->viewport()->width());
    fittingNow_ = true;
    for (int c = 0; c < n; ++c) header_->resizeSection(c, widths[size_t(c)]);
    fittingNow_ = false;
    header_->UpdateCellGeometry();
}

// ---- current cell ----

int DataGrid::CurrentRow() const {
    return model_->CurrentRow();
}

int DataGrid::CurrentColumn() const {
    const QModelIndex current = view_->currentIndex();
    return current.isValid() ? current.column() : (ColumnCount() > 0 ? 0 : -1);
}

void DataGrid::SetCurrentColumn(int column) {
    if (column < 0 || column >= ColumnCount()) return;
    const int row = CurrentRow();
    search_.Reset();
    ++following_;
    if (row >= 0 && row < model_->rowCount()) view_->setCurrentIndex(model_->index(row, column));
    --following_;
}

void DataGrid::OnViewCurrentChanged(int row, int column, int previousColumn) {
    if (following_ > 0 || model_->Changing()) return;
    if (search_.Active()) {
        // The user moved: the search starts afresh.
        search_.Reset();
        emit searchTextChanged(QString());
    }
    (void)column;
    (void)previousColumn;
    ridov::DataSet* ds = GetDataSet();
    if (ds == nullptr || !ds->Active() || row < 0) return;
    const int current = ds->CurrentRow();
    if (row == current) return;
    try {
        if (current >= 0) {
            ds->MoveBy(row - current);
        } else {
            ds->SetRecNo(row + 1);
        }
    } catch (const std::exception& error) {
        ReportError(error);
    }
    // A refused or shortened move: show where the dataset really is.
    if (ds->CurrentRow() != row) SyncViewToDataSet();
}

void DataGrid::OnDataSetCurrentRow(int row) {
    SyncViewToDataSet();
    emit currentRowChanged(row);
}

void DataGrid::SyncViewToDataSet() {
    const int row = model_->CurrentRow();
    const int column = std::max(CurrentColumn(), 0);
    ++following_;
    if (row >= 0 && row < model_->rowCount() && column < model_->columnCount()) {
        const QModelIndex index = model_->index(row, column);
        if (view_->currentIndex() != index) view_->setCurrentIndex(index);
        view_->scrollTo(index);
    } else if (view_->currentIndex().isValid()) {
        view_->setCurrentIndex(QModelIndex());
    }
    --following_;
    view_->viewport()->update();
}

// ---- keys and search ----

bool DataGrid::HandleKey(QKeyEvent& event) {
    if (keyPressHook && keyPressHook(event)) return true;
    const Qt::KeyboardModifiers mods = event.modifiers() & ~Qt::KeypadModifier;
    const int key = event.key();
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && mods == Qt::NoModifier) {
        emit enterPressed();
        return true;
    }
    if (key == Qt::Key_Escape && search_.Active()) {
        search_.Reset();
        emit searchTextChanged(QString());
        view_->viewport()->update();
        return true;
    }
    const QString typed = event.text();
    const bool printable = !typed.isEmpty() && typed.at(0).isPrint();
    if (printable && !(mods & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))) {
        TypeSearch(typed);
        return true;
    }
    if (key == Qt::Key_F2 && !readOnly_) {
        if (search_.Active()) {
            search_.Reset();
            emit searchTextChanged(QString());
        }
        return false;  // the view opens the editor
    }
    return false;
}

bool DataGrid::TypeSearch(const QString& typed) {
    const int column = CurrentColumn();
    ridov::Field* field = ColumnField(column);
    ridov::DataSet* ds = GetDataSet();
    ridov::TRidovDataset* engine = ds != nullptr ? ds->AsRidovDataset() : nullptr;
    // The engine searches the stored columns; a calculated column has none.
    if (field == nullptr || engine == nullptr || !engine->Active() || field->IsCalculated())
        return false;
    const QString before = search_.Text();
    bool found = false;
    try {
        found = search_.Type(typed, [&](const QString& text) -> std::optional<QString> {
            if (!engine->FindByText(field->FieldName(), ToWin1251(text), true, true))
                return std::nullopt;
            return model_->CellText(engine->CurrentRow(), column);
        });
    } catch (const std::exception& error) {
        ReportError(error);
    }
    if (search_.Text() != before) emit searchTextChanged(search_.Text());
    view_->viewport()->update();
    return found;
}

// ---- filter row ----

void DataGrid::SetFilterRowVisible(bool on) {
    header_->SetFilterRowVisible(on);
    view_->UpdateGeometries();
}

bool DataGrid::FilterRowVisible() const {
    return header_->FilterRowVisible();
}

void DataGrid::SetFilterProvider(int column, FilterValueProvider provider, FilterListKind kind) {
    header_->SetProvider(column, std::move(provider), kind);
}

QString DataGrid::FilterText(int column) const {
    return header_->FilterText(column);
}

QString DataGrid::FilterKey(int column) const {
    return header_->FilterKey(column);
}

void DataGrid::SetFilterText(int column, const QString& text) {
    header_->SetFilterText(column, text);
}

void DataGrid::ClearFilters() {
    header_->ClearFilters();
}

// ---- footer ----

void DataGrid::SetFooterVisible(bool on) {
    footer_->setVisible(on);
    if (on) UpdateFooter();
}

bool DataGrid::FooterVisible() const {
    return !footer_->isHidden();
}

void DataGrid::SetFooterText(int column, const QString& text) {
    if (column < 0 || column >= ColumnCount()) return;
    GridColumn settings = Column(column);
    settings.footer = FooterKind::Text;
    settings.footerText = text;
    model_->SetColumn(column, settings);
    UpdateFooter();
}

void DataGrid::SetFooterSum(int column, std::string field, std::string pattern) {
    if (column < 0 || column >= ColumnCount()) return;
    GridColumn settings = Column(column);
    settings.footer = FooterKind::Sum;
    settings.footerField = std::move(field);
    settings.footerFormat = std::move(pattern);
    model_->SetColumn(column, settings);
    UpdateFooter();
}

void DataGrid::SetFooterColor(const QColor& color) {
    footer_->SetColor(color);
}

QString DataGrid::FooterText(int column) const {
    return footer_->Text(column);
}

void DataGrid::ScheduleFooter() {
    for (const GridColumn& c : model_->Columns()) {
        if (c.footer == FooterKind::Sum) {
            footerTimer_->start();
            return;
        }
    }
}

void DataGrid::UpdateFooter() {
    footerTimer_->stop();
    ridov::DataSet* ds = GetDataSet();
    QStringList texts;
    std::vector<Qt::Alignment> alignments;
    for (int c = 0; c < ColumnCount(); ++c) {
        const GridColumn& column = Column(c);
        alignments.push_back(model_->ColumnAlignment(c));
        ridov::Field* field = ColumnField(c);
        QString text;
        if (column.footer == FooterKind::Text) {
            text = column.footerText;
        } else if (column.footer == FooterKind::Sum && ds != nullptr && ds->Active()) {
            ridov::Field* summed =
                column.footerField.empty() ? field : ds->FindField(column.footerField);
            if (summed != nullptr) {
                const std::string& pattern =
                    column.footerFormat.empty() ? summed->displayFormat : column.footerFormat;
                text = FooterSumText(SumOfField(*ds, *summed), pattern, ds->Format());
            }
        }
        texts.push_back(text);
    }
    footer_->SetTexts(std::move(texts), std::move(alignments));
}

// ---- behaviour ----

void DataGrid::SetReadOnly(bool on) {
    readOnly_ = on;
    model_->SetEditable(!on);
    view_->setEditTriggers(on ? QAbstractItemView::NoEditTriggers
                              : QAbstractItemView::EditKeyPressed);
}

void DataGrid::SetHint(const QString& hint) {
    hint_ = hint;
    const qsizetype bar = hint.indexOf('|');
    const QString shortHint = (bar < 0 ? hint : hint.left(bar)).trimmed();
    const QString longHint = (bar < 0 ? hint : hint.mid(bar + 1)).trimmed();
    for (QWidget* w : {static_cast<QWidget*>(this), static_cast<QWidget*>(view_)}) {
        w->setToolTip(shortHint);
        w->setStatusTip(longHint);
    }
}

void DataGrid::ReportError(const std::exception& error) {
    if (errorHandler) {
        errorHandler(error);
    } else {
        qWarning("DataGrid: %s", error.what());
    }
}

void DataGrid::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    FitColumns();
}

}  // namespace ui
