// Order line entry, the widgets' side of core::OrderSession's lines: Enter or a double click on the
// catalog adds the product (after the requisites check), Enter or a double click on the order grid
// edits its line, Ctrl+Del there deletes it. The quantity is asked with OrderDialog; OK makes a
// new order when none is open, edits or inserts the product's line, writes the order file, stamps
// it and shows the order again on that line.
//
// Ownership: refers to the data module, the order panel and the quantity
// dialog, which outlive it.
//
// Thread safety: GUI thread only.
#pragma once

#include <functional>
#include <string>

#include "core/DataModule.h"

namespace orders {

class OrderDialog;
class OrderTabs;

class OrderLineEntry {
  public:
    // `requisitesFilled`: the requisites check; `newOrder`: the command
    // that opens a new order.
    OrderLineEntry(core::DataModule& dm, orders::OrderTabs& tabs, orders::OrderDialog& dialog,
                   std::function<bool()> requisitesFilled, std::function<void()> newOrder);

    // ActionAddProduct: the catalog's current product.
    void AddProduct();
    // ActionEditProduct: the order grid's current line.
    void EditProduct();
    // ActionDelProduct: the order grid's current line, after the question,
    // only while the order grid has the focus.
    void DeleteProduct();
    // The OK side of the quantity dialog: a new order when none is open,
    // the product's line edited or inserted, written, stamped, shown.
    void StoreOrderLine(const std::string& productId, int quantity);
    // Runs `change` (a line written or deleted through the order session,
    // which writes and stamps the file) and shows the order again (on the
    // line of `productId` when given). When that fails the order is shown
    // as its file holds it, then the failure goes on to its box.
    void SaveOrderChange(const std::string& productId, const std::function<void()>& change);

  private:
    core::DataModule& dm_;
    orders::OrderTabs& tabs_;
    orders::OrderDialog& dialog_;
    std::function<bool()> requisitesFilled_;
    std::function<void()> newOrder_;
};

}  // namespace orders
