// The TAB text commands of the main window: an order imported from text
// (as a new Zakaz<n>.zv, or as the order file beside the text), the price
// list imported into the catalog, and the active order exported as text.
//
// The price-list import refills the catalog file; meanwhile the catalog
// panel shows "Производится импорт прайс-листа..." with a progress bar in
// place of its grid, and afterwards the catalog is opened again as at
// start-up (also when the import failed: the file is then as it was).
//
// Ownership: refers to the data module and the panels, which outlive it;
// the import notice is a child of the catalog panel.
//
// Thread safety: GUI thread only.
#pragma once

#include <QString>
#include <functional>

#include "core/DataModule.h"

class QProgressBar;
class QWidget;

namespace orders {

class CatalogView;
class OrderTabs;

class TextImportExport {
  public:
    TextImportExport(core::DataModule& dm, orders::OrderTabs& tabs, orders::CatalogView& catalog);

    // ActionImportOrderFromTxt: the chosen text as a new order Zakaz<n>.zv.
    void ImportOrderFromTxt();
    // ActionImportOrder: the chosen text as the order file beside it.
    void ImportOrder();
    // ActionImportPrice: the chosen price list into the catalog.
    void ImportPrice();
    // Refills the catalog file from a TAB text price list, the notice shown
    // meanwhile. The catalog stays closed afterwards.
    void ImportCatalogFromText(const QString& textPath);
    // ActionExportOrder: the active order as text, after the overwrite
    // question. Nothing while the orders are hidden (`ordersShown` false).
    void ExportOrder(bool ordersShown);

  private:
    core::DataModule& dm_;
    orders::OrderTabs& tabs_;
    orders::CatalogView& catalog_;
    QWidget* importPanel_;
    QProgressBar* importProgress_;
};

}  // namespace orders
