#include "orders/MainActions.h"

#include <QAction>
#include <QIcon>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>

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

orders::MainActions MainActions::Create(QObject* owner, const QString& webAddress) {
    orders::MainActions a;
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

std::vector<QAction*> MainActions::All() const {
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

void MainActions::AddMenus(QMenuBar& bar, QObject* owner) const {
    const orders::MainActions& a = *this;
    QMenu* file = bar.addMenu(QStringLiteral("Файл"));
    file->addAction(a.ActionNewOrder);
    file->addAction(a.ActionOpenOrder);
    file->addAction(a.ActionSaveOrderAs);
    file->addAction(a.ActionCopyTo);
    file->addAction(a.ActionSendTo);
    file->addAction(a.ActionEmail);
    file->addAction(a.ActionCloseOrder);
    file->addSeparator();
    file->addAction(a.ActionExit);

    QMenu* service = bar.addMenu(QStringLiteral("Сервис"));
    service->addAction(a.ActionLoadUpdate);
    service->addAction(a.ActionExportOrder);
    service->addAction(a.ActionExportPriceToExcel);
    service->addAction(a.ActionImportOrderFromTxt);
    service->addAction(a.ActionImportOrder);
    service->addAction(a.ActionImportPrice);
    service->addSeparator();
    service->addAction(a.ActionPrintOrder);
    service->addAction(a.ActionSaveOrderPdf);
    service->addAction(a.ActionPrintPrice);
    service->addAction(a.ActionSavePricePdf);
    service->addSeparator();
    service->addAction(a.ActionParams);

    QMenu* help = bar.addMenu(QStringLiteral("&Помощь"));
    help->addAction(a.ActionHelp);
    help->addAction(a.ActionHotKeys);
    help->addAction(a.ActionWeb);
    help->addSeparator();
    help->addAction(a.ActionAbout);

    // The menu bar's own "&Закрыть" ends the program like "Выход".
    auto* closeItem = new QAction(QStringLiteral("&Закрыть"), owner);
    closeItem->setObjectName(QStringLiteral("ItemClose"));
    QObject::connect(closeItem, &QAction::triggered, a.ActionExit, &QAction::trigger);
    bar.addAction(closeItem);
}

void MainActions::AddToolBar(QToolBar& bar) const {
    const orders::MainActions& a = *this;
    bar.setObjectName(QStringLiteral("ToolBar"));
    bar.setMovable(false);
    bar.setIconSize(QSize(24, 24));
    bar.setToolButtonStyle(Qt::ToolButtonIconOnly);
    bar.addAction(a.ActionNewOrder);
    bar.addAction(a.ActionOpenOrder);
    bar.addAction(a.ActionSaveOrderAs);
    bar.addSeparator();
    bar.addAction(a.ActionCopyTo);
    bar.addAction(a.ActionCloseOrderAsk);
    bar.addSeparator();
    bar.addAction(a.ActionSlide);
    bar.addAction(a.ActionImportOrderFromTxt);
    bar.addAction(a.ActionExportOrder);
    bar.addAction(a.ActionHelp);
}

}  // namespace orders
