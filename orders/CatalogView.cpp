#include "orders/CatalogView.h"

#include <QKeyEvent>
#include <QPainter>
#include <QPixmap>
#include <QVBoxLayout>
#include <algorithm>
#include <map>

#include "engine/dataset/Field.h"
#include "engine/text/Win1251.h"
#include "orders/CatalogFilter.h"
#include "platform/Platform.h"
#include "ui/DataGrid.h"
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
// Only text columns wider than this take part in fitting the grid's width.
constexpr int kFittedAboveBytes = 10;
constexpr int kPhotoMarkWidth = 15;

bool BeginsWithNoCase(std::string_view value, std::string_view upperPrefix) {
    if (value.size() < upperPrefix.size()) return false;
    for (size_t i = 0; i < upperPrefix.size(); ++i)
        if (text::UpperChar(value[i]) != upperPrefix[i]) return false;
    return true;
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
    if (platform::CurrentPlatform().FileExists(app::TdmZetrovo::EnginePath(path))) return true;
    ui::CurrentPrompter().Information(QStringLiteral("Не удается найти файл '%1'.").arg(path));
    return false;
}

TCatalogView::TCatalogView(app::TdmZetrovo& dm, QWidget* parent)
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
    grid_->cellPainter = [this](QPainter& painter, const QRect& rect, int row, int column) {
        DrawMarkers(painter, rect, row, column);
    };
    connect(grid_, &ui::DataGrid::titleClicked, this, &TCatalogView::TitleClick);
    connect(grid_, &ui::DataGrid::filterApplied, this, &TCatalogView::ApplySTFilter);
    connect(grid_, &ui::DataGrid::enterPressed, this, &TCatalogView::addProductRequested);
    connect(grid_, &ui::DataGrid::mouseReleased, this, &TCatalogView::OnMouseReleased);
    connect(grid_, &ui::DataGrid::rowDoubleClicked, this, &TCatalogView::OnDoubleClicked);
}

TCatalogView::~TCatalogView() {
    grid_->SetDataSource(nullptr);
}

bool TCatalogView::OpenCatalog(const QString& path) {
    ridov::TRidovTable& table = dm_.vtPrice;
    const bool exists = CheckFileExists(path);
    if (exists) {
        const int remembered = table.Active() ? table.RecNo() : -1;
        // The table's filter text survives the reopening; without one, the
        // filter row decides.
        const std::string rememberedFilter =
            QString::fromLatin1(table.Filter().c_str()).trimmed().isEmpty() ? std::string()
                                                                            : table.Filter();
        grid_->SetDataSource(nullptr);
        table.Close();
        table.SetTableName(app::TdmZetrovo::EnginePath(path));
        // The order and the filter are set while the table is closed, so
        // that opening builds the view once: sorted by name, ignoring case.
        table.SetSortOptions(ridov::vsoCaseInsensitive);
        table.SetIndexFieldNames("NAME");
        if (!rememberedFilter.empty()) {
            table.SetFilter(rememberedFilter);
        } else {
            const CatalogFilterResult filter = BuildCatalogFilter(FilterCells());
            InstallFilter(filter);
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
        for (const char* name : kCatalogColumnOrder) {
            ui::GridColumn column;
            column.fieldName = name;
            ridov::Field* field = table.FindField(name);
            column.minWidth = kMinColumnWidth;
            column.fitted = field != nullptr && field->Size() > kFittedAboveBytes;
            column.sortMarker =
                column.fieldName == "NAME" ? ui::SortMarker::Ascending : ui::SortMarker::None;
            columns.push_back(column);
        }
        grid_->SetColumns(std::move(columns));
        MakeSTFilter();
        grid_->SetColumnFitting(true);

        if (onCatalogOpened) onCatalogOpened(path);
        if (remembered > 0) {
            table.First();
            table.MoveBy(remembered - 1);
        }
    }
    return exists;
}

void TCatalogView::SetupCatalogFields() {
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

void TCatalogView::MakeSTFilter() {
    ridov::TRidovTable& table = dm_.vtPrice;
    for (int column = 0; column < grid_->ColumnCount(); ++column) {
        const std::string fieldName = grid_->Column(column).fieldName;
        if (fieldName == "CENA") {
            grid_->SetFilterProvider(column, [](const QString& prefix, int limit) {
                std::vector<ui::FilterChoice> choices;
                for (const PriceKeyCaption& key : PriceFilterKeys()) {
                    if (int(choices.size()) >= limit) break;
                    if (key.caption.startsWith(prefix, Qt::CaseInsensitive))
                        choices.push_back({key.caption, QString::number(key.key)});
                }
                return choices;
            });
            continue;
        }
        const bool brand = text::Upper(fieldName).find("BREND") != std::string::npos;
        const std::string keyField = brand ? "IDBREND" : fieldName;
        // The distinct values of the column over the catalog's view, in
        // alphabetical order, each with its key (the brand's IDBREND).
        grid_->SetFilterProvider(
            column, [&table, fieldName, keyField](const QString& prefix, int limit) {
                std::vector<ui::FilterChoice> choices;
                if (!table.Active()) return choices;
                ridov::Field* list = table.FindField(fieldName);
                ridov::Field* key = table.FindField(keyField);
                if (list == nullptr || key == nullptr) return choices;
                const std::string upperPrefix = text::Upper(ui::ToWin1251(prefix));
                auto less = [](const std::string& a, const std::string& b) {
                    const int c = text::CompareNoCase(a, b);
                    return c != 0 ? c < 0 : a < b;
                };
                std::map<std::string, std::string, decltype(less)> values(less);
                const int rows = table.RecordCount();
                for (int row = 0; row < rows; ++row) {
                    table.ForRecordAt(row, [&] {
                        std::string_view value = list->AsStringView();
                        if (value.empty() || !BeginsWithNoCase(value, upperPrefix)) return;
                        std::string text(value);
                        if (values.find(text) == values.end())
                            values.emplace(std::move(text), list == key
                                                                ? std::string()
                                                                : std::string(key->AsStringView()));
                    });
                }
                for (const auto& [value, keyValue] : values) {
                    if (int(choices.size()) >= limit) break;
                    const QString shown = ui::FromWin1251(value);
                    choices.push_back({shown, list == key ? shown : ui::FromWin1251(keyValue)});
                }
                return choices;
            });
    }
}

std::vector<FilterCell> TCatalogView::FilterCells() const {
    std::vector<FilterCell> cells;
    for (int column = 0; column < grid_->ColumnCount(); ++column) {
        const QString text = grid_->FilterText(column);
        FilterCell cell;
        cell.fieldName = grid_->Column(column).fieldName;
        const bool brand = text::Upper(cell.fieldName).find("BREND") != std::string::npos;
        cell.keyField = brand ? "IDBREND" : cell.fieldName;
        cell.listField = cell.fieldName;
        cell.text = ui::ToWin1251(text);
        if (!text.isEmpty() && (brand || cell.fieldName.find("CENA") != std::string::npos ||
                                text::Upper(cell.fieldName).find("CENA") != std::string::npos)) {
            const QString key = grid_->FilterKey(column);
            if (!key.isEmpty()) cell.key = ui::ToWin1251(key);
        }
        cells.push_back(std::move(cell));
    }
    return cells;
}

void TCatalogView::InstallFilter(const CatalogFilterResult& filter) {
    ridov::TRidovTable& table = dm_.vtPrice;
    if (!filter.priceFilterField.empty()) PriceFilterField = filter.priceFilterField;
    if (filter.priceFilterKey) {
        PriceFilterKey = *filter.priceFilterKey;
        ridov::Field* flags = nullptr;
        table.onFilterRecord = [this, flags](ridov::DataSet& ds, bool& accept) mutable {
            if (flags == nullptr || flags->Owner() != &ds) flags = ds.FindField("IZMCENA");
            accept = flags != nullptr &&
                     PassesPriceFilter(int(flags->AsInteger()), PriceFilterKey, PriceFilterField);
        };
    } else {
        table.onFilterRecord = nullptr;
    }
    // One view rebuild: the filter text goes in while filtering is on.
    if (table.Active() && !table.Filtered()) {
        table.SetFiltered(true);
    } else if (!table.Active()) {
        table.SetFiltered(true);
    }
    table.SetFilter(filter.filter);
}

void TCatalogView::ApplySTFilter() {
    ridov::TRidovTable& table = dm_.vtPrice;
    InstallFilter(BuildCatalogFilter(FilterCells()));
    if (table.Active()) table.First();
}

void TCatalogView::TitleClick(int column) {
    ridov::TRidovTable& table = dm_.vtPrice;
    ridov::Field* field = grid_->ColumnField(column);
    if (field == nullptr || field->IsCalculated() || !table.Active()) return;
    const ui::SortMarker marker = ui::NextSortMarker(grid_->GetSortMarker(column));
    grid_->SetSortMarker(column, marker);
    ridov::TRidovSortOptions options = ridov::vsoCaseInsensitive;
    if (marker == ui::SortMarker::Descending) options |= ridov::vsoDescendSort;
    const std::string name = field->FieldName();
    if (table.IndexFieldNames() == name) {
        table.SetSortOptions(options);
    } else {
        // Switch the index off first so that the new options cost no sort
        // of their own; the new index then sorts once.
        table.SetIndexFieldNames(std::string());
        table.SetSortOptions(options);
        table.SetIndexFieldNames(name);
    }
}

int TCatalogView::RecNo() const {
    return dm_.vtPrice.Active() ? dm_.vtPrice.RecNo() : 0;
}

QString TCatalogView::PhotoPath(const std::string& id) const {
    if (dm_.FotoDir.trimmed().size() <= 1 || id.empty()) return {};
    const std::string path =
        ui::PhotoFilePath(app::TdmZetrovo::EnginePath(dm_.FotoDir), text::Cp1251ToUtf8(id));
    return app::TdmZetrovo::FromEnginePath(path);
}

QString TCatalogView::CurrentPhotoPath() const {
    const ridov::TRidovTable& table = dm_.vtPrice;
    if (!table.Active() || table.IsEmpty()) return {};
    ridov::Field* id = table.FindField("ID");
    return id ? PhotoPath(id->AsString()) : QString();
}

bool TCatalogView::PhotoExists(const std::string& id) const {
    const QString path = PhotoPath(id);
    return !path.isEmpty() &&
           platform::CurrentPlatform().FileExists(app::TdmZetrovo::EnginePath(path));
}

void TCatalogView::DrawMarkers(QPainter& painter, const QRect& rect, int row, int column) {
    ridov::TRidovTable& table = dm_.vtPrice;
    if (!table.Active() || row < 0 || row >= table.RecordCount()) return;
    const std::string& fieldName = grid_->Column(column).fieldName;
    int image = kImageNone;
    if (fieldName == "CENA") {
        ridov::Field* price = table.FindField("CENA");
        ridov::Field* flags = table.FindField("IZMCENA");
        if (price == nullptr || flags == nullptr) return;
        table.ForRecordAt(row, [&] {
            if (!price->IsNull()) image = PriceMarkerImage(int(flags->AsInteger()));
        });
    } else if (fieldName == "ID") {
        ridov::Field* id = table.FindField("ID");
        if (id == nullptr) return;
        std::string code;
        table.ForRecordAt(row, [&] { code = id->AsString(); });
        if (!code.empty() && PhotoExists(code)) image = kImageCamera;
    }
    if (image != kImageNone) painter.drawPixmap(rect.topLeft(), Image(image));
}

void TCatalogView::OnMouseReleased(int x) {
    PhotoClick = x >= 1 && x <= kPhotoMarkWidth && slideEnabled && slideEnabled();
}

void TCatalogView::OnDoubleClicked() {
    if (PhotoClick) {
        PhotoClick = false;
        emit slideRequested();
    } else {
        emit addProductRequested();
    }
}

}  // namespace orders
