#include "orders/MainActions.h"

#include <QAction>
#include <QIcon>
#include <QKeySequence>

namespace orders {

namespace {

QAction* Make(QObject* owner, const QString& name, const QString& caption, const QString& hint,
              const QString& icon = QString(), const QKeySequence& shortcut = QKeySequence()) {
    auto* action = new QAction(caption, owner);
    action->setObjectName(name);
    if (!hint.isEmpty()) {
        action->setToolTip(ShortHint(hint));
        action->setStatusTip(LongHint(hint));
    }
    if (!icon.isEmpty()) action->setIcon(QIcon(QStringLiteral(":/icons/%1.png").arg(icon)));
    if (!shortcut.isEmpty()) action->setShortcut(shortcut);
    return action;
}

}  // namespace

QString LongHint(const QString& hint) {
    const int bar = hint.indexOf(QLatin1Char('|'));
    return bar < 0 ? hint : hint.mid(bar + 1);
}

QString ShortHint(const QString& hint) {
    const int bar = hint.indexOf(QLatin1Char('|'));
    return bar < 0 ? hint : hint.left(bar);
}

TMainActions TMainActions::Create(QObject* owner, const QString& webAddress) {
    TMainActions a;
    a.ActionNewOrder = Make(owner, "ActionNewOrder", "Создать", "Новая заявка", "new",
                            QKeySequence(Qt::CTRL | Qt::Key_N));
    a.ActionOpenOrder = Make(owner, "ActionOpenOrder", "Открыть", "Открыть заявку", "open",
                             QKeySequence(Qt::CTRL | Qt::Key_O));
    a.ActionSaveOrderAs =
        Make(owner, "ActionSaveOrderAs", "Сохранить как...", " Сохранить как", "save");
    a.ActionCopyTo =
        Make(owner, "ActionCopyTo", "Сохранить на диск А:", "Сохранить на дискету", "floppy");
    a.ActionSendTo =
        Make(owner, "ActionSendTo", "Послать заказ на email", "Послать заказ на email", "mail");
    a.ActionCloseOrder = Make(owner, "ActionCloseOrder", "Закрыть", "Закрыть заказ");
    a.ActionCloseOrderAsk =
        Make(owner, "ActionCloseOrderAsk", "Закрыть заказ", "Закрыть заказ", "close");
    a.ActionExit = Make(owner, "ActionExit", "&Выход", "Выход из программы");

    a.ActionLoadUpdate = Make(owner, "ActionLoadUpdate", "Загрузить обновление каталога с сайта",
                              "Загрузить обновление каталога с сайта");
    a.ActionExportOrder =
        Make(owner, "ActionExportOrder", "Экспортировать заказ", "Экспортировать заявку", "export");
    a.ActionExportPriceToExcel =
        Make(owner, "ActionExportPriceToExcel", "Экспортировать каталог в Excel",
             " Экспорт прайс-листа в MS Excel");
    a.ActionImportOrderFromTxt = Make(owner, "ActionImportOrderFromTxt", "Импортировать заявку",
                                      "Импортировать заявку", "import");
    a.ActionPrintOrder = Make(owner, "ActionPrintOrder", "Печать заказа...", "Печать заказа");
    a.ActionSaveOrderPdf =
        Make(owner, "ActionSaveOrderPdf", "Сохранить заказ в PDF...", "Сохранить заказ в PDF");
    a.ActionSavePricePdf =
        Make(owner, "ActionSavePricePdf", "Сохранить каталог в PDF...", "Сохранить каталог в PDF");
    a.ActionParams = Make(owner, "ActionParams", "Настройки",
                          "Реквизиты покупателя| Внесите информацию о заказчике и нажмите OK");

    a.ActionHelp = Make(owner, "ActionHelp", "Показать справку", "Показать справку", "help",
                        QKeySequence(Qt::Key_F1));
    a.ActionHotKeys = Make(owner, "ActionHotKeys", "Клавиши управления", "Клавиши управления");
    a.ActionWeb = Make(owner, "ActionWeb", QStringLiteral("Открыть сайт %1").arg(QString()),
                       QStringLiteral("Открыть сайт %1").arg(webAddress));
    a.ActionAbout = Make(owner, "ActionAbout", "О программе...", "О программе");

    a.ActionSlide =
        Make(owner, "ActionSlide", "Показать фотографию", "Показать фотографию", "photo");
    // Ctrl with either Enter key, as the key list says. Held down, the keys
    // repeat: one photo per press.
    a.ActionSlide->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)});
    a.ActionSlide->setAutoRepeat(false);
    a.ActionAddProduct = Make(owner, "ActionAddProduct", "Добавить в заявку",
                              " Выберите строку и нажмите Enter для добавления в заявку");
    a.ActionEditProduct = Make(owner, "ActionEditProduct", "Изменить строку", "Изменить строку");
    a.ActionDelProduct = Make(owner, "ActionDelProduct", "Удалить строку", "Удалить строку",
                              QString(), QKeySequence(Qt::CTRL | Qt::Key_Delete));

    a.ActionViewOrders = Make(owner, "ActionViewOrders", "Заявки", QString());
    a.ActionViewPrice = Make(owner, "ActionViewPrice", "Каталог", QString());
    a.ActionSendToIShop =
        Make(owner, "ActionSendToIShop", "Отправить в интернет-магазин", QString());
    a.ActionEmail = Make(owner, "ActionEmail", "Отправить письмо", QString());
    a.ActionPrintPrice = Make(owner, "ActionPrintPrice", "Печать прайс-листа...", QString());
    a.ActionImportPrice =
        Make(owner, "ActionImportPrice", "Импорт прайс-листа (-txt)...", QString());
    a.ActionImportOrder = Make(owner, "ActionImportOrder", "Импорт заказа (-k)...", QString());
    return a;
}

std::vector<QAction*> TMainActions::All() const {
    return {ActionNewOrder,
            ActionOpenOrder,
            ActionSaveOrderAs,
            ActionCopyTo,
            ActionSendTo,
            ActionCloseOrder,
            ActionCloseOrderAsk,
            ActionExit,
            ActionLoadUpdate,
            ActionExportOrder,
            ActionExportPriceToExcel,
            ActionImportOrderFromTxt,
            ActionPrintOrder,
            ActionSaveOrderPdf,
            ActionSavePricePdf,
            ActionParams,
            ActionHelp,
            ActionHotKeys,
            ActionWeb,
            ActionAbout,
            ActionSlide,
            ActionAddProduct,
            ActionEditProduct,
            ActionDelProduct,
            ActionViewOrders,
            ActionViewPrice,
            ActionSendToIShop,
            ActionEmail,
            ActionPrintPrice,
            ActionImportPrice,
            ActionImportOrder};
}

}  // namespace orders
