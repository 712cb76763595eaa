#include "orders/OrderLineEntry.h"

#include <QApplication>
#include <utility>

#include "orders/OrderDialog.h"
#include "orders/OrderTabs.h"
#include "ui/DataGrid.h"
#include "ui/Prompter.h"
#include "ui/Win1251Text.h"

namespace orders {

OrderLineEntry::OrderLineEntry(core::DataModule& dm, orders::OrderTabs& tabs,
                               orders::OrderDialog& dialog, std::function<bool()> requisitesFilled,
                               std::function<void()> newOrder)
    : dm_(dm),
      tabs_(tabs),
      dialog_(dialog),
      requisitesFilled_(std::move(requisitesFilled)),
      newOrder_(std::move(newOrder)) {}

void OrderLineEntry::AddProduct() {
    if (!requisitesFilled_()) {
        ui::CurrentPrompter().Information(
            QStringLiteral("Не заполнены реквизиты покупателя в настройках!"));
        return;
    }
    if (!dm_.vtPrice.Active() || dm_.vtPrice.IsEmpty()) return;
    const std::string id = dm_.vtPrice.FieldByName("ID").AsString();
    if (id.empty()) return;
    ridov::TRidovDataset* orderView = dm_.qvZayavka.Active() ? &dm_.qvZayavka : nullptr;
    if (dialog_.Run(dm_.vtPrice.FullTableName(), id, orderView))
        StoreOrderLine(id, dialog_.Quantity());
}

void OrderLineEntry::EditProduct() {
    ridov::TRidovQuery& q = dm_.qvZayavka;
    if (!q.Active() || q.IsEmpty()) return;
    const std::string id = q.FieldByName("ID").AsString();
    if (id.empty()) return;
    if (q.FieldByName("NAME").AsString().empty()) {
        ui::CurrentPrompter().Information(
            QStringLiteral("Товар с кодом %1 отсутствует в нашем каталоге.")
                .arg(ui::FromWin1251(id)));
        return;
    }
    if (dialog_.Run(dm_.vtPrice.FullTableName(), id, &q)) StoreOrderLine(id, dialog_.Quantity());
}

void OrderLineEntry::DeleteProduct() {
    ridov::TRidovQuery& q = dm_.qvZayavka;
    if (!tabs_.Grid()->isAncestorOf(QApplication::focusWidget())) return;
    if (!q.Active() || q.IsEmpty()) return;
    const std::string id = q.FieldByName("ID").AsString();
    if (id.empty()) return;
    const QString question = QStringLiteral("Удалить строку '%1' из заявки '%2' ?")
                                 .arg(ui::FromWin1251(q.FieldByName("NAME").AsString()),
                                      tabs_.TabCaption(tabs_.ActiveIndex()));
    if (!ui::CurrentPrompter().ConfirmOkCancel(question)) return;
    SaveOrderChange({}, [this] { tabs_.Session().DeleteCurrentLine(); });
}

void OrderLineEntry::SaveOrderChange(const std::string& productId,
                                     const std::function<void()>& change) {
    try {
        change();
        tabs_.NoteRequisitesCut();
    } catch (...) {
        // The file kept what it held (a full disk, a read-only folder): the
        // grid shows that, not the change that was not saved, and a later
        // save does not carry it in unnoticed.
        tabs_.RefreshOrder(productId);
        throw;
    }
    tabs_.RefreshOrder(productId);
}

void OrderLineEntry::StoreOrderLine(const std::string& productId, int quantity) {
    if (tabs_.Count() == 0) newOrder_();
    if (!dm_.qvZayavka.Active()) return;  // the new order could not be shown
    SaveOrderChange(productId, [&] { tabs_.Session().StoreLine(productId, quantity); });
}

}  // namespace orders
