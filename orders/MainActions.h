// The main window's commands: one QAction per command, created in one place
// with its Russian caption, shortcut, icon and hint, and shared by the menus,
// the toolbar and the keys. The main window connects them to what they do
// and recomputes their enabled state when the application goes idle.
//
// Hints are "short|long": the short part is the tooltip, the long part (the
// whole hint when it has no "|") goes to the status bar.
//
// Ownership: the actions are children of the QObject given to Create.
//
// Thread safety: GUI thread only.
#pragma once

#include <QString>
#include <vector>

class QAction;
class QMenuBar;
class QObject;
class QToolBar;

namespace orders {

struct MainActions {
    // Orders (menu "Файл", toolbar).
    QAction* ActionNewOrder = nullptr;  // "Создать", Ctrl+N; toolbar "Новая заявка"
    QAction* ActionOpenOrder = nullptr;  // "Открыть", Ctrl+O; toolbar "Открыть заявку"
    QAction* ActionSaveOrderAs = nullptr;  // "Сохранить как..."; toolbar " Сохранить как"
    QAction* ActionCopyTo = nullptr;  // "Сохранить на диск А:"; "Сохранить на дискету"
    QAction* ActionSendTo = nullptr;      // "Послать заказ на email"
    QAction* ActionCloseOrder = nullptr;  // "Закрыть": closes the active order, no question
    QAction* ActionCloseOrderAsk = nullptr;  // toolbar "Закрыть заказ": asks first
    QAction* ActionExit = nullptr;           // "&Выход" and the menu bar's "&Закрыть"

    // Menu "Сервис".
    QAction* ActionLoadUpdate = nullptr;  // "Загрузить обновление каталога с сайта"
    QAction* ActionExportOrder = nullptr;
    QAction* ActionExportPriceToExcel = nullptr;
    QAction* ActionImportOrderFromTxt = nullptr;
    QAction* ActionPrintOrder = nullptr;
    // The order's and the catalog's printouts as PDF files.
    QAction* ActionSaveOrderPdf = nullptr;
    QAction* ActionSavePricePdf = nullptr;
    QAction* ActionParams = nullptr;  // "Настройки"

    // Menu "&Помощь".
    QAction* ActionHelp = nullptr;     // "Показать справку", F1: opens readme.txt
    QAction* ActionHotKeys = nullptr;  // "Клавиши управления": the key list
    QAction* ActionWeb = nullptr;      // ItemWebPage: "Открыть сайт "
    QAction* ActionAbout = nullptr;    // "О программе..."

    // Catalog and order lines.
    QAction* ActionSlide = nullptr;  // toolbar "Показать фотографию", Ctrl+Enter
    QAction* ActionAddProduct = nullptr;   // Enter / double click on the catalog
    QAction* ActionEditProduct = nullptr;  // order grid menu "Изменить строку"
    QAction* ActionDelProduct = nullptr;  // order grid menu "Удалить строку", Ctrl+Del

    // Without a menu entry: state holders and commands reached otherwise.
    QAction* ActionViewOrders = nullptr;  // on while an order is shown; the order panel follows
    QAction* ActionViewPrice = nullptr;   // on from the start
    QAction* ActionSendToIShop = nullptr;
    QAction* ActionEmail = nullptr;  // "Отправить письмо": an empty e-mail to the wholesaler
    QAction* ActionPrintPrice = nullptr;
    QAction* ActionImportPrice = nullptr;
    QAction* ActionImportOrder = nullptr;  // "Импорт заказа (-k)..."

    // Creates every action as a child of `owner`. `webAddress` fills the
    // web entry's hint.
    static orders::MainActions Create(QObject* owner, const QString& webAddress);

    // The menus "Файл", "Сервис" and "&Помощь" and the menu bar's own
    // "&Закрыть" (a child of `owner`) on `bar`.
    void AddMenus(QMenuBar& bar, QObject* owner) const;
    // The toolbar's buttons, in their order.
    void AddToolBar(QToolBar& bar) const;

    // Every action, for loops over all of them.
    std::vector<QAction*> All() const;
};

// The part of a hint after "|", or the whole hint when it has none.
QString LongHint(const QString& hint);
// The part of a hint before "|".
QString ShortHint(const QString& hint);

}  // namespace orders
