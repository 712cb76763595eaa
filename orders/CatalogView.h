// CatalogView: the catalog panel of the main window (PanelPrice) with the
// catalog grid DBGridEhPriceList over the data module's vtPrice.
//
// It opens the catalog file (OpenCatalog), sets the fields up for display
// (SetupCatalogFields), binds the filter row's cells to their value lists
// (MakeSTFilter) and turns the filter row into the table's filter
// (ApplySTFilter, the rules in CatalogFilter.h), sorts by title clicks,
// draws the photo and price-change markers, and reports Enter and double
// clicks as requests to add the product or to show its photo.
//
// Texts cross between the grid (QString) and the engine (Windows-1251) here
// only.
//
// Ownership: a child widget of the main window; refers to the data module,
// which outlives it.
//
// Thread safety: GUI thread only.
#pragma once

#include <QString>
#include <QWidget>
#include <exception>
#include <functional>
#include <string>
#include <vector>

#include "core/CatalogFilter.h"
#include "core/DataModule.h"
#include "ui/GridColumn.h"

namespace ui {
class DataGrid;
}

namespace orders {

// True when the file exists; otherwise shows "Не удается найти файл '<path>'."
// as an information box and returns false.
bool CheckFileExists(const QString& path);

// The catalog's columns after OpenCatalog, by field, left to right: the
// visible fields in table order with the eighth moved to the third place
// and then the ninth to the fifth.
inline constexpr const char* kCatalogColumnOrder[] = {
    "ID", "ARTIKUL", "ARTIKUL0", "NAME", "EDIZM", "CENA", "NALICHIE", "KOLUPAK", "BREND"};

// Images of the grid's image list by index: 0 none, 1 camera, 2 down arrow,
// 3 up arrow, 4 green plus.
enum CatalogImage : int { kImageNone = 0, kImageCamera, kImageDown, kImageUp, kImagePlus };

class CatalogView : public QWidget {
    Q_OBJECT

  public:
    explicit CatalogView(core::DataModule& dm, QWidget* parent = nullptr);
    ~CatalogView() override;

    // DBGridEhPriceList.
    ui::DataGrid* Grid() const { return grid_; }

    // (Re)opens the catalog from `path` and sets the grid up: sorted by
    // NAME ignoring case, the filter kept across the reopening, the record
    // number kept. False (after the "Не удается найти файл" box) when the
    // file does not exist; the grid then keeps its columns and data as they
    // were. The engine's DatabaseError of a damaged file propagates, the
    // grid showing the closed table.
    bool OpenCatalog(const QString& path);
    void SetupCatalogFields();
    // Binds every filter cell to its drop-down list: distinct values of the
    // column; brand names yielding IDBREND; for the price cell, always all
    // four price keys after an empty choice that clears the price condition.
    void MakeSTFilter();
    // Builds the table's filter from the filter row (see CatalogFilter.h)
    // and goes to the first record. A refused filter throws DatabaseError.
    void ApplySTFilter();
    // The title sorting (ui::DataGrid::SortByTitle).
    void TitleClick(int column);

    // The record number of the current record (0 when none).
    int RecNo() const;
    // The photo file of the current record's product, or empty when there
    // is no photo folder or no current record. Need not exist.
    QString CurrentPhotoPath() const;
    // The photo file of product `id` (Windows-1251) in FotoDir, when the
    // photo folder is set (more than one character without blanks).
    QString PhotoPath(const std::string& id) const;
    // Whether the photo file of product `id` exists.
    bool PhotoExists(const std::string& id) const;

    // State of the filter row and the photo click.
    int PriceFilterKey = 0;
    std::string PriceFilterField;
    bool PhotoClick = false;

    // Run by OpenCatalog after the catalog is open: the main window
    // starts a new order when the active order was made from another
    // catalog.
    std::function<void(const QString& path)> onCatalogOpened;
    // Whether ActionSlide is enabled now (the photo of the current product
    // exists); the mouse release records a photo click only then.
    std::function<bool()> slideEnabled;

  signals:
    // Enter without modifiers, or a double click away from the photo mark.
    void addProductRequested();
    // A double click on the photo mark of a row whose photo exists.
    void slideRequested();

  public:
    // The filter row's cells as the filter rules take them.
    std::vector<core::FilterCell> FilterCells() const;
    // The marker image drawn in a cell of the view's row `row` (one of
    // CatalogImage; kImageNone for none).
    int MarkerImage(int row, int column) const;

  private:
    // Puts a built filter in force (the text, the price handler,
    // filtering on) with a single view rebuild.
    void InstallFilter(const core::CatalogFilterResult& filter);
    void OnMouseReleased(int x);
    void OnDoubleClicked();
    // Errors of the grid's own handlers (a refused filter or sort): the
    // program's plain error box; the program goes on.
    void ReportError(const std::exception& error);

    core::DataModule& dm_;
    ui::DataGrid* grid_;
};

}  // namespace orders
