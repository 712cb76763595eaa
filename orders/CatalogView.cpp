#include "orders/CatalogView.h"

#include <QPainter>
#include <QPixmap>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>
#include <variant>

#include "core/CatalogFilter.h"
#include "engine/dataset/Field.h"
#include "engine/text/Win1251.h"
#include "platform/Platform.h"
#include "ui/DataGrid.h"
#include "ui/FilterRowValues.h"
#include "ui/PhotoViewerPath.h"
#include "ui/Prompter.h"
#include "ui/Win1251Text.h"

namespace orders {

namespace {

// Display set-up of the catalog's fields: caption and width in characters.
struct FieldSetup {
    const char* field;
    const char* caption;
    int width;
};
constexpr FieldSetup kFieldSetup[] = {
    {"ID", "Код", 8},
    {"ARTIKUL", "Модель", 12},
    {"NAME", "Наименование", 55},
    {"CENA", "Цена", 10},
    {"NALICHIE", "Остаток", 8},
    {"KOLUPAK", "Тарная Норма", 8},
    {"BREND", "Производитель", 13},
    {"ARTIKUL0", "Номер", 12},
    {"EDIZM", "Ед.Изм.", 6},
};

constexpr int kMinColumnWidth = 50;
// Only columns whose field takes more than this many bytes in a record (the
// longer text fields) take part in fitting the grid's width.
constexpr int kFittedAboveBytes = 10;
// The photo mark at a row's left edge, in grid pixels.
constexpr int kPhotoMarkFirstX = 1;
constexpr int kPhotoMarkLastX = 15;

// Bytes a field's value takes in a record: a text with its terminator; no
// other type takes more than eight.
int DataSize(const ridov::Field& field) {
    return field.Type() == ridov::DataType::String ? field.Size() + 1 : 8;
}

bool IsPriceField(std::string_view name) {
    return text::Upper(name).find("CENA") != std::string::npos;
}

bool IsBrandField(std::string_view name) {
    return text::Upper(name).find("BREND") != std::string::npos;
}

std::string Trimmed(const std::string& s) {
    const size_t first = s.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

const QPixmap& Image(int index) {
    static const QPixmap images[] = {
        QPixmap(),
        QPixmap(QStringLiteral(":/icons/camera.png")),
        QPixmap(QStringLiteral(":/icons/down.png")),
        QPixmap(QStringLiteral(":/icons/up.png")),
        QPixmap(QStringLiteral(":/icons/plus.png")),
    };
    return images[std::clamp(index, 0, 4)];
}

}  // namespace

bool CheckFileExists(const QString& path) {
    if (platform::CurrentPlatform().FileExists(core::DataModule::EnginePath(path))) return true;
    ui::CurrentPrompter().Information(QStringLiteral("Не удается найти файл '%1'.").arg(path));
    return false;
}

CatalogView::CatalogView(core::DataModule& dm, QWidget* parent)
    : QWidget(parent), dm_(dm), grid_(new ui::DataGrid(this)) {
    setObjectName(QStringLiteral("PanelPrice"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(grid_);
    grid_->setObjectName(QStringLiteral("DBGridEhPriceList"));
    grid_->SetReadOnly(true);
    grid_->SetFilterRowVisible(true);
    grid_->SetHint(
        QStringLiteral("Прайс| Выберите строку и нажмите Enter для добавления в заявку"));
    grid_->errorHandler = [this](const std::exception& error) { ReportError(error); };
    grid_->cellPainter = [this](QPainter& painter, const QRect& rect, int row, int column) {
        const int image = MarkerImage(row, column);
        if (image != kImageNone) painter.drawPixmap(rect.topLeft(), Image(image));
    };
    connect(grid_, &ui::DataGrid::titleClicked, this, &orders::CatalogView::TitleClick);
    connect(grid_, &ui::DataGrid::filterApplied, this, [this] {
        try {
            ApplySTFilter();
        } catch (const std::exception& error) {
            ReportError(error);
        }
    });
    connect(grid_, &ui::DataGrid::enterPressed, this, &orders::CatalogView::addProductRequested);
    connect(grid_, &ui::DataGrid::mouseReleased, this, &orders::CatalogView::OnMouseReleased);
    connect(grid_, &ui::DataGrid::rowDoubleClicked, this, &orders::CatalogView::OnDoubleClicked);
}

CatalogView::~CatalogView() {
    grid_->SetDataSource(nullptr);
}

void CatalogView::ReportError(const std::exception& error) {
    ui::CurrentPrompter().Warning(ui::FromWin1251(error.what()));
}

bool CatalogView::OpenCatalog(const QString& path) {
    // A missing file leaves the grid as it was: its columns stay where the
    // last opening put them.
    if (!CheckFileExists(path)) return false;
    ridov::TRidovTable& table = dm_.vtPrice;
    const int remembered = table.Active() ? table.RecNo() : -1;
    // The table's filter text survives closing and opening; without one,
    // the filter row decides once the table is open.
    const bool filterFromRow = Trimmed(table.Filter()).empty();

    grid_->SetDataSource(nullptr);
    table.Close();
    table.SetTableName(core::DataModule::EnginePath(path));
    // Order (and, from the filter row, no filter) set while closed, so that
    // opening builds the view once: sorted by name, ignoring case.
    table.SetSortOptions(ridov::vsoCaseInsensitive);
    table.SetIndexFieldNames("NAME");
    // The catalog is opened this way at every start: its order is worth
    // keeping beside it.
    table.SetRememberSortOrder(true);
    if (filterFromRow) {
        table.onFilterRecord = nullptr;
        table.SetFilter(std::string());
    }
    try {
        table.Open();
    } catch (...) {
        grid_->SetDataSource(&dm_.dsPrice);
        throw;
    }
    SetupCatalogFields();

    grid_->SetColumnFitting(false);
    grid_->SetDataSource(&dm_.dsPrice);
    std::vector<ui::GridColumn> columns;
    for (const ridov::Field* field : table.Fields()) {
        if (!field->visible) continue;
        ui::GridColumn column;
        column.fieldName = field->FieldName();
        column.minWidth = kMinColumnWidth;
        column.fitted = DataSize(*field) > kFittedAboveBytes;
        if (column.fieldName == "NAME") column.sortMarker = ui::SortMarker::Ascending;
        columns.push_back(std::move(column));
    }
    // The number and the unit stand next to the model and the name.
    auto move = [&columns](size_t from, size_t to) {
        ui::GridColumn column = std::move(columns[from]);
        columns.erase(columns.begin() + long(from));
        columns.insert(columns.begin() + long(to), std::move(column));
    };
    if (columns.size() > 7) move(7, 2);
    if (columns.size() > 8) move(8, 4);
    grid_->SetColumns(std::move(columns));
    MakeSTFilter();
    grid_->SetColumnFitting(true);

    if (filterFromRow) {
        const std::vector<core::FilterCell> cells = FilterCells();
        if (std::any_of(cells.begin(), cells.end(),
                        [](const core::FilterCell& c) { return !c.text.empty(); }))
            ApplySTFilter();
    }
    if (onCatalogOpened) onCatalogOpened(path);
    if (remembered > 0) {
        table.First();
        table.MoveBy(remembered - 1);
    }
    return true;
}

void CatalogView::SetupCatalogFields() {
    ridov::TRidovTable& table = dm_.vtPrice;
    for (const FieldSetup& setup : kFieldSetup) {
        if (ridov::Field* field = table.FindField(setup.field)) {
            field->SetDisplayLabel(text::Utf8ToCp1251(setup.caption));
            field->SetDisplayWidth(setup.width);
        }
    }
    if (ridov::Field* id = table.FindField("ID")) id->alignment = ridov::Alignment::Right;
    if (ridov::Field* price = table.FindField("CENA")) price->displayFormat = "0.00";
    for (const char* hidden : {"IZMCENA", "IDBREND"})
        if (ridov::Field* field = table.FindField(hidden)) field->visible = false;
}

void CatalogView::MakeSTFilter() {
    const ridov::TRidovTable& table = dm_.vtPrice;
    for (int column = 0; column < grid_->ColumnCount(); ++column) {
        const std::string& fieldName = grid_->Column(column).fieldName;
        if (fieldName == "CENA") {
            // The price cell always offers all four price-change keys, and
            // first an empty choice that takes the price condition away.
            grid_->SetFilterProvider(
                column,
                [](const QString&, int) {
                    std::vector<ui::FilterChoice> choices{{QString(), QString()}};
                    for (const core::PriceKeyCaption& key : core::PriceFilterKeys())
                        choices.push_back({key.caption, QString::number(key.key)});
                    return choices;
                },
                ui::FilterListKind::Whole);
        } else if (IsBrandField(fieldName)) {
            // Brand names, yielding the brand key.
            grid_->SetFilterProvider(column,
                                     ui::DistinctValuesProvider(table, fieldName, "IDBREND"));
        } else {
            grid_->SetFilterProvider(column, ui::DistinctValuesProvider(table, fieldName));
        }
    }
}

std::vector<core::FilterCell> CatalogView::FilterCells() const {
    std::vector<core::FilterCell> cells;
    for (int column = 0; column < grid_->ColumnCount(); ++column) {
        const QString text = grid_->FilterText(column);
        core::FilterCell cell;
        cell.fieldName = grid_->Column(column).fieldName;
        const bool brand = IsBrandField(cell.fieldName) && !IsPriceField(cell.fieldName);
        cell.keyField = brand ? "IDBREND" : cell.fieldName;
        cell.listField = cell.fieldName;
        cell.text = ui::ToWin1251(text);
        // Only the cells yielding a key other than their text need it (the
        // brand cell asks its list, which reads the catalog).
        if (!text.isEmpty() && (brand || IsPriceField(cell.fieldName))) {
            const QString key = grid_->FilterKey(column);
            if (!key.isEmpty()) cell.key = ui::ToWin1251(key);
        }
        cells.push_back(std::move(cell));
    }
    return cells;
}

void CatalogView::InstallFilter(const core::CatalogFilterResult& filter) {
    ridov::TRidovTable& table = dm_.vtPrice;
    if (!filter.priceFilterField.empty()) PriceFilterField = filter.priceFilterField;
    if (filter.priceFilterKey) PriceFilterKey = *filter.priceFilterKey;
    if (filter.priceFilterKey) {
        ridov::Field* flags = nullptr;
        table.onFilterRecord = [this, flags](ridov::DataSet& ds, bool& accept) mutable {
            if (flags == nullptr || flags->Owner() != &ds) flags = ds.FindField("IZMCENA");
            accept = flags != nullptr && core::PassesPriceFilter(int(flags->AsInteger()),
                                                                 PriceFilterKey, PriceFilterField);
        };
    } else {
        table.onFilterRecord = nullptr;
    }
    // Filtering stays on once switched on, so a filter-row change costs one
    // view rebuild: the new text goes in while filtering is on.
    if (!table.Filtered()) table.SetFiltered(true);
    table.SetFilter(filter.filter);
}

void CatalogView::ApplySTFilter() {
    ridov::TRidovTable& table = dm_.vtPrice;
    InstallFilter(core::BuildCatalogFilter(FilterCells()));
    if (table.Active()) table.First();
}

void CatalogView::TitleClick(int column) {
    grid_->SortByTitle(column);
}

int CatalogView::RecNo() const {
    return dm_.vtPrice.Active() ? dm_.vtPrice.RecNo() : 0;
}

QString CatalogView::PhotoPath(const std::string& id) const {
    if (dm_.FotoDir.trimmed().size() <= 1 || id.empty()) return {};
    const std::string path =
        ui::PhotoFilePath(core::DataModule::EnginePath(dm_.FotoDir), text::Cp1251ToUtf8(id));
    return core::DataModule::FromEnginePath(path);
}

QString CatalogView::CurrentPhotoPath() const {
    const ridov::TRidovTable& table = dm_.vtPrice;
    if (!table.Active() || table.IsEmpty()) return {};
    ridov::Field* id = table.FindField("ID");
    return id ? PhotoPath(id->AsString()) : QString();
}

bool CatalogView::PhotoExists(const std::string& id) const {
    const QString path = PhotoPath(id);
    return !path.isEmpty() &&
           platform::CurrentPlatform().FileExists(core::DataModule::EnginePath(path));
}

int CatalogView::MarkerImage(int row, int column) const {
    const ridov::TRidovTable& table = dm_.vtPrice;
    if (!table.Active() || column < 0 || column >= grid_->ColumnCount()) return kImageNone;
    const std::string& fieldName = grid_->Column(column).fieldName;
    if (fieldName == "CENA") {
        const ridov::Field* price = table.FindField("CENA");
        const ridov::Field* flags = table.FindField("IZMCENA");
        ridov::Variant value;
        if (price == nullptr || flags == nullptr || !table.ReadCell(row, *price, value) ||
            std::holds_alternative<std::monostate>(value) || !table.ReadCell(row, *flags, value))
            return kImageNone;
        const int64_t* bits = std::get_if<int64_t>(&value);
        return bits != nullptr ? core::PriceMarkerImage(int(*bits)) : kImageNone;
    }
    if (fieldName == "ID") {
        const ridov::Field* id = table.FindField("ID");
        std::string code;
        if (id == nullptr || !table.ReadCellText(row, *id, code) || code.empty()) return kImageNone;
        return PhotoExists(code) ? kImageCamera : kImageNone;
    }
    return kImageNone;
}

void CatalogView::OnMouseReleased(int x) {
    PhotoClick = x >= kPhotoMarkFirstX && x <= kPhotoMarkLastX && slideEnabled && slideEnabled();
}

void CatalogView::OnDoubleClicked() {
    if (PhotoClick) {
        PhotoClick = false;
        emit slideRequested();
    } else {
        emit addProductRequested();
    }
}

}  // namespace orders
