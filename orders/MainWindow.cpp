#include "orders/MainWindow.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTabBar>
#include <QToolBar>
#include <QVBoxLayout>
#include <exception>

#include "app/AppTitle.h"
#include "app/ClientInfo.h"
#include "app/Settings.h"
#include "app/SettingsDialog.h"
#include "engine/text/Win1251.h"
#include "orders/CatalogView.h"
#include "orders/OrderDialog.h"
#include "orders/OrderFiles.h"
#include "orders/OrderTabs.h"
#include "platform/Platform.h"
#include "ui/DataGrid.h"
#include "ui/PhotoViewer.h"
#include "ui/PhotoViewerLauncher.h"
#include "ui/Prompter.h"
#include "ui/Win1251Text.h"

// The icons are compiled into the widgets library; a static library's
// resources are registered by hand.
static void InitIconResources() {
    static const bool done = [] {
        Q_INIT_RESOURCE(icons);
        return true;
    }();
    (void)done;
}

namespace orders {

namespace {

QString AppTitle() {
    return QString::fromUtf8(app::kAppTitle);
}

// The settings-file value of section "Client" as a QString.
QString ReadClientSetting(const QString& settingsFile, const char* key) {
    return ui::FromWin1251(
        app::ReadSetting(app::TdmZetrovo::EnginePath(settingsFile), app::kClientSection, key));
}

}  // namespace

QString RecordNumberText(int recNo) {
    return QStringLiteral("Строка № : %1").arg(recNo);
}

TFormMain::TFormMain(app::TdmZetrovo& dm, QWidget* parent)
    : QMainWindow(parent),
      dm_(dm),
      actions_(TMainActions::Create(this, QString::fromUtf8(kWebAddress))) {
    InitIconResources();
    setObjectName(QStringLiteral("FormMain"));
    setWindowTitle(AppTitle());
    setWindowIcon(QIcon(QStringLiteral(":/icons/app.png")));
    resize(900, 682);
    setMinimumSize(309, 309);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
    CreatePanels();
    CreateMenus();
    CreateToolBar();
    ConnectActions();
    photoViewer_ = std::make_unique<ui::PhotoViewerLauncher>(this);
}

TFormMain::~TFormMain() = default;

void TFormMain::CreatePanels() {
    splitter_ = new QSplitter(Qt::Vertical, this);
    splitter_->setObjectName(QStringLiteral("Splitter"));
    splitter_->setChildrenCollapsible(false);

    // The order panel: the tab strip over the order grid; hidden while no
    // order is open.
    orderTabs_ = new TOrderTabs(dm_, splitter_);
    orderTabs_->setMinimumHeight(100);
    orderTabs_->hide();

    catalogView_ = new TCatalogView(dm_, splitter_);
    catalogView_->setMinimumHeight(101);
    splitter_->addWidget(orderTabs_);
    splitter_->addWidget(catalogView_);
    splitter_->setStretchFactor(0, 1);
    splitter_->setStretchFactor(1, 1);
    setCentralWidget(splitter_);

    statusRecNo_ = new QLabel(this);
    statusRecNo_->setObjectName(QStringLiteral("StatusRecNo"));
    statusRecNo_->setFixedWidth(150);
    statusHint_ = new QLabel(this);
    statusHint_->setObjectName(QStringLiteral("StatusHint"));
    statusHint_->setMinimumWidth(100);
    statusBar()->addWidget(statusRecNo_);
    statusBar()->addWidget(statusHint_, 1);
    statusBar()->setSizeGripEnabled(true);
}

QWidget* TFormMain::PanelOrder() const {
    return orderTabs_;
}

QTabBar* TFormMain::OrderTabs() const {
    return orderTabs_->TabBar();
}

QWidget* TFormMain::PanelPrice() const {
    return catalogView_;
}

void TFormMain::CreateMenus() {
    const TMainActions& a = actions_;
    QMenu* file = menuBar()->addMenu(QStringLiteral("Файл"));
    file->addAction(a.ActionNewOrder);
    file->addAction(a.ActionOpenOrder);
    file->addAction(a.ActionSaveOrderAs);
    file->addAction(a.ActionCopyTo);
    file->addAction(a.ActionSendTo);
    file->addAction(a.ActionCloseOrder);
    file->addSeparator();
    file->addAction(a.ActionExit);

    QMenu* service = menuBar()->addMenu(QStringLiteral("Сервис"));
    service->addAction(a.ActionLoadUpdate);
    service->addAction(a.ActionExportOrder);
    service->addAction(a.ActionExportPriceToExcel);
    service->addAction(a.ActionImportOrderFromTxt);
    service->addAction(a.ActionPrintOrder);
    service->addSeparator();
    service->addAction(a.ActionParams);

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Помощь"));
    help->addAction(a.ActionHelp);
    help->addAction(a.ActionWeb);

    // The menu bar's own "&Закрыть" ends the program like "Выход".
    auto* closeItem = new QAction(QStringLiteral("&Закрыть"), this);
    closeItem->setObjectName(QStringLiteral("ItemClose"));
    connect(closeItem, &QAction::triggered, a.ActionExit, &QAction::trigger);
    menuBar()->addAction(closeItem);
}

void TFormMain::CreateToolBar() {
    const TMainActions& a = actions_;
    QToolBar* bar = addToolBar(QStringLiteral("Панель инструментов"));
    bar->setObjectName(QStringLiteral("ToolBar"));
    bar->setMovable(false);
    bar->setIconSize(QSize(24, 24));
    bar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    bar->addAction(a.ActionNewOrder);
    bar->addAction(a.ActionOpenOrder);
    bar->addAction(a.ActionSaveOrderAs);
    bar->addSeparator();
    bar->addAction(a.ActionCopyTo);
    bar->addAction(a.ActionCloseOrderAsk);
    bar->addSeparator();
    bar->addAction(a.ActionSlide);
    bar->addAction(a.ActionImportOrderFromTxt);
    bar->addAction(a.ActionExportOrder);
    bar->addAction(a.ActionHelp);
}

void TFormMain::ConnectActions() {
    const TMainActions& a = actions_;
    connect(a.ActionExit, &QAction::triggered, this, &QWidget::close);
    connect(a.ActionHelp, &QAction::triggered, this, &TFormMain::ActionHelpExecute);
    connect(a.ActionParams, &QAction::triggered, this, &TFormMain::ActionParamsExecute);
    connect(a.ActionSlide, &QAction::triggered, this, &TFormMain::ActionSlideExecute);
    connect(catalogView_, &TCatalogView::addProductRequested, a.ActionAddProduct,
            &QAction::trigger);
    connect(catalogView_, &TCatalogView::slideRequested, a.ActionSlide, &QAction::trigger);
    catalogView_->slideEnabled = [this] { return actions_.ActionSlide->isEnabled(); };
    catalogView_->onCatalogOpened = [this](const QString& path) {
        // An order made from another catalog gets a fresh order for this one.
        if (orderTabs_->Count() == 0) return;
        const std::string catalog =
            OrderCatalogPath(app::TdmZetrovo::EnginePath(orderTabs_->ActivePath()),
                             app::TdmZetrovo::EnginePath(dm_.ProgramDir));
        if (catalog != app::TdmZetrovo::EnginePath(path)) actions_.ActionNewOrder->trigger();
    };
    a.ActionViewPrice->setEnabled(true);
    a.ActionViewOrders->setEnabled(false);

    connect(a.ActionNewOrder, &QAction::triggered, orderTabs_, &TOrderTabs::NewOrder);
    connect(a.ActionOpenOrder, &QAction::triggered, orderTabs_, &TOrderTabs::OpenOrders);
    connect(a.ActionSaveOrderAs, &QAction::triggered, orderTabs_,
            [this] { orderTabs_->SaveOrderAs(); });
    connect(a.ActionCloseOrder, &QAction::triggered, orderTabs_, &TOrderTabs::CloseActiveOrder);
    connect(a.ActionCloseOrderAsk, &QAction::triggered, orderTabs_,
            &TOrderTabs::CloseActiveOrderAsk);
    connect(a.ActionAddProduct, &QAction::triggered, this, &TFormMain::ActionAddProductExecute);
    connect(a.ActionEditProduct, &QAction::triggered, this, &TFormMain::ActionEditProductExecute);
    connect(a.ActionDelProduct, &QAction::triggered, this, &TFormMain::ActionDelProductExecute);
    ui::DataGrid* orderGrid = orderTabs_->Grid();
    connect(orderGrid, &ui::DataGrid::enterPressed, a.ActionEditProduct, &QAction::trigger);
    connect(orderGrid, &ui::DataGrid::rowDoubleClicked, a.ActionEditProduct, &QAction::trigger);
    connect(orderGrid, &ui::DataGrid::contextMenuRequested, this, [this](const QPoint& at) {
        QMenu menu;
        menu.addAction(actions_.ActionEditProduct);
        menu.addAction(actions_.ActionDelProduct);
        menu.exec(at);
    });
    orderGrid->addAction(a.ActionDelProduct);
    orderTabs_->onViewOrders = [this](bool on) {
        actions_.ActionViewOrders->setEnabled(on);
        orderTabs_->setVisible(on);
    };
    orderTabs_->onOrdersChanged = [this] { AppIdle(); };

    // Commands that come with the import and export, printing, sending and
    // the catalog update: present, not yet wired.
    for (QAction* action :
         {a.ActionCopyTo, a.ActionSendTo, a.ActionLoadUpdate, a.ActionExportOrder,
          a.ActionExportPriceToExcel, a.ActionImportOrderFromTxt, a.ActionPrintOrder, a.ActionWeb,
          a.ActionSendToIShop, a.ActionPrintPrice, a.ActionImportPrice})
        action->setEnabled(false);
}

bool TFormMain::FormCreate(const QStringList& arguments, int& exitCode) {
    exitCode = 0;
    // 1. Incremental search in both grids keeps one text for a minute.
    catalogView_->Grid()->Search().SetTimeoutMs(60000);

    // 2. The web entry: caption and hint were set with the actions.

    // 3. Batch conversion "-zvconvert": recognised here, carried out by the
    //    batch modes, which then abandon the start.
    // if (arguments.size() >= 2 && arguments[0] == "-zvconvert") { ...; return false; }

    // 4. The application's idle, hint and help handlers.
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance())
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, &TFormMain::AppIdle);

    // 5. The order dialogs start in the program folder.
    orderDialogFolder_ = dm_.ProgramDir;

    // 6. The photo folder.
    dm_.FotoDir = ReadClientSetting(dm_.SettingsFile, app::kKeyFotoDir);

    // 7. Order files named on the command line: the catalog first, then the
    //    orders that exist. A failure ends the start.
    if (!arguments.isEmpty() && !arguments.front().startsWith(QLatin1Char('-'))) {
        try {
            OpenCatalog(dm_.CatalogFile);
            for (const QString& argument : arguments) {
                if (platform::CurrentPlatform().FileExists(app::TdmZetrovo::EnginePath(argument)))
                    orderTabs_->OpenOrder(argument);
            }
        } catch (const std::exception& error) {
            dm_.LastError = app::MakeLastError(error);
            ui::CurrentPrompter().Error(app::CatalogOpenErrorText(dm_.ProgramDir),
                                        app::LastErrorDetails(dm_.LastError));
            exitCode = 1;
            return false;
        }
    }

    // 8. The file association is checked and registered here.

    // 9. Batch switches "-convert", "-pxls" (abandon the start) and "-k"
    //    (requests termination; steps 10 and 11 still run) go here.

    // 10. First start.
    if (!platform::CurrentPlatform().FileExists(app::TdmZetrovo::EnginePath(dm_.SettingsFile)))
        FirstStart();

    // 11. The caption shows the catalog's date.
    SetCaption(dm_.CatalogDate(QFileInfo(dm_.CatalogFile).fileName()));
    return true;
}

void TFormMain::FirstStart() {
    // Shortcuts on the desktop and in the programs menu are requested here.
    try {
        app::WriteSetting(app::TdmZetrovo::EnginePath(dm_.SettingsFile), app::kClientSection,
                          app::kKeyKlient, text::Utf8ToCp1251("Новый клиент"));
    } catch (const std::exception& error) {
        // A program folder the user may not write to: say so and go on.
        ui::CurrentPrompter().Warning(ui::FromWin1251(error.what()));
    }
    actions_.ActionHelp->trigger();
}

void TFormMain::CreateDialogs() {
    formParams_ = new app::TFormParams(app::TdmZetrovo::EnginePath(dm_.SettingsFile), this);
    formParams_->onAccepted = [this] {
        const app::TClientInfo info =
            app::LoadClientInfo(app::TdmZetrovo::EnginePath(dm_.SettingsFile));
        SetCaption(ui::FromWin1251(info.klient));
        const QString folder = formParams_->ImagDir()->text();
        if (folder != dm_.FotoDir) {
            dm_.FotoDir = folder;
            if (dm_.vtPrice.Active()) dm_.vtPrice.First();
        }
    };
    formOrderDlg_ = new TFormOrderDlg(this);
}

bool TFormMain::OpenCatalog(const QString& path) {
    return catalogView_->OpenCatalog(path);
}

int TFormMain::OrderTabCount() const {
    return orderTabs_->Count();
}

void TFormMain::SetCaption(const QString& text) {
    setWindowTitle(QStringLiteral("%1 - %2").arg(AppTitle(), text));
}

void TFormMain::AppIdle() {
    if (inIdle_) return;
    inIdle_ = true;
    const TMainActions& a = actions_;
    const bool ordersOpen = OrderTabCount() > 0;
    if (!ordersOpen) a.ActionViewOrders->setEnabled(false);
    const bool viewOrders = a.ActionViewOrders->isEnabled();
    if (orderTabs_->isVisible() != viewOrders) orderTabs_->setVisible(viewOrders);
    // Commands on the open orders (those of later parts stay off until
    // they are wired).
    for (QAction* action : {a.ActionSaveOrderAs, a.ActionCloseOrder, a.ActionCloseOrderAsk}) {
        if (action->isEnabled() != ordersOpen) action->setEnabled(ordersOpen);
    }
    const bool lines = ordersOpen && dm_.qvZayavka.Active() && !dm_.qvZayavka.IsEmpty();
    for (QAction* action : {a.ActionEditProduct, a.ActionDelProduct}) {
        if (action->isEnabled() != lines) action->setEnabled(lines);
    }

    const bool catalogOpen = dm_.vtPrice.Active();
    const bool dialogShowing = formParams_ != nullptr && formParams_->isVisible();
    if (catalogOpen && !dialogShowing) {
        const QString text = RecordNumberText(catalogView_->RecNo());
        if (statusRecNo_->text() != text) statusRecNo_->setText(text);
        const QString photo = catalogView_->CurrentPhotoPath();
        const bool photoExists = !photo.isEmpty() && platform::CurrentPlatform().FileExists(
                                                         app::TdmZetrovo::EnginePath(photo));
        if (a.ActionSlide->isEnabled() != photoExists) a.ActionSlide->setEnabled(photoExists);
    } else if (!statusRecNo_->text().isEmpty()) {
        statusRecNo_->clear();
    }
    inIdle_ = false;
}

void TFormMain::AppHint(const QString& hint) {
    const QString text = LongHint(hint);
    if (statusHint_->text() != text) statusHint_->setText(text);
}

bool TFormMain::AppHelp(int command, int data) {
    if (command == 1 && data == 1)
        ui::CurrentPrompter().Information(app::LastErrorDetails(dm_.LastError));
    return true;
}

bool TFormMain::FormCloseQuery() {
    if (Tag == 999) return true;
    return ui::CurrentPrompter().ConfirmYesNo(QStringLiteral("Выйти из программы ?"));
}

void TFormMain::FormClose() {
    orderTabs_->CloseAll();
}

bool TFormMain::event(QEvent* e) {
    // Status tips of actions and widgets are the long parts of their hints.
    if (e->type() == QEvent::StatusTip) {
        AppHint(static_cast<QStatusTipEvent*>(e)->tip());
        return true;
    }
    return QMainWindow::event(e);
}

void TFormMain::closeEvent(QCloseEvent* e) {
    if (!FormCloseQuery()) {
        e->ignore();
        return;
    }
    FormClose();
    e->accept();
}

void TFormMain::ActionHelpExecute() {
    if (!platform::CurrentPlatform().OpenWithAssociatedProgram(
            app::TdmZetrovo::EnginePath(dm_.ReadmeFile)))
        ui::CurrentPrompter().Information(
            QStringLiteral("Не удается открыть файл '%1'.").arg(dm_.ReadmeFile));
}

void TFormMain::ActionParamsExecute() {
    if (formParams_ == nullptr) return;
    formParams_->exec();
    AppIdle();
    // An open order is refreshed here so that changed requisites show at once.
}

void TFormMain::ActionSlideExecute() {
    const QString path = catalogView_->CurrentPhotoPath();
    if (path.isEmpty() || !dm_.vtPrice.Active()) return;
    ridov::Field* name = dm_.vtPrice.FindField("NAME");
    ridov::Field* id = dm_.vtPrice.FindField("ID");
    const QString caption =
        ui::PhotoViewer::Caption(name ? ui::FromWin1251(name->AsString()) : QString(),
                                 id ? ui::FromWin1251(id->AsString()) : QString());
    photoViewer_->Show(app::TdmZetrovo::EnginePath(path), caption);
}

}  // namespace orders

namespace orders {

void TFormMain::ActionAddProductExecute() {
    if (formParams_ != nullptr && !formParams_->RequisitesFilled()) {
        ui::CurrentPrompter().Information(
            QStringLiteral("Не заполнены реквизиты покупателя в настройках!"));
        return;
    }
    if (!dm_.vtPrice.Active() || dm_.vtPrice.IsEmpty() || formOrderDlg_ == nullptr) return;
    const std::string id = dm_.vtPrice.FieldByName("ID").AsString();
    if (id.empty()) return;
    ridov::TRidovDataset* orderView = dm_.qvZayavka.Active() ? &dm_.qvZayavka : nullptr;
    if (formOrderDlg_->Run(dm_.vtPrice.FullTableName(), id, orderView))
        StoreOrderLine(id, formOrderDlg_->Quantity());
}

void TFormMain::ActionEditProductExecute() {
    ridov::TRidovQuery& q = dm_.qvZayavka;
    if (!q.Active() || q.IsEmpty() || formOrderDlg_ == nullptr) return;
    const std::string id = q.FieldByName("ID").AsString();
    if (id.empty()) return;
    if (q.FieldByName("NAME").AsString().empty()) {
        ui::CurrentPrompter().Information(
            QStringLiteral("Товар с кодом %1 отсутствует в нашем каталоге.")
                .arg(ui::FromWin1251(id)));
        return;
    }
    if (formOrderDlg_->Run(dm_.vtPrice.FullTableName(), id, &q))
        StoreOrderLine(id, formOrderDlg_->Quantity());
}

void TFormMain::ActionDelProductExecute() {
    ridov::TRidovQuery& q = dm_.qvZayavka;
    if (!orderTabs_->Grid()->isAncestorOf(QApplication::focusWidget())) return;
    if (!q.Active() || q.IsEmpty()) return;
    const std::string id = q.FieldByName("ID").AsString();
    if (id.empty()) return;
    const QString question = QStringLiteral("Удалить строку '%1' из заявки '%2' ?")
                                 .arg(ui::FromWin1251(q.FieldByName("NAME").AsString()),
                                      orderTabs_->TabCaption(orderTabs_->ActiveIndex()));
    if (!ui::CurrentPrompter().ConfirmOkCancel(question)) return;
    q.Delete();
    q.SaveChanges();
    StampOrderFile(app::TdmZetrovo::EnginePath(orderTabs_->ActivePath()),
                   app::TdmZetrovo::EnginePath(dm_.SettingsFile), dm_.vtPrice.FullTableName());
    orderTabs_->RefreshOrder();
}

void TFormMain::StoreOrderLine(const std::string& productId, int quantity) {
    if (orderTabs_->Count() == 0) actions_.ActionNewOrder->trigger();
    ridov::TRidovQuery& q = dm_.qvZayavka;
    if (!q.Active()) return;  // the new order could not be shown
    if (q.Locate("ID", ridov::Variant(productId), 0))
        q.Edit();
    else
        q.Insert();
    q.FieldByName("ID").SetAsString(productId);
    q.FieldByName("KOL").SetAsInteger(quantity);
    q.Post();
    q.SaveChanges();
    StampOrderFile(app::TdmZetrovo::EnginePath(orderTabs_->ActivePath()),
                   app::TdmZetrovo::EnginePath(dm_.SettingsFile), dm_.vtPrice.FullTableName());
    orderTabs_->RefreshOrder(productId);
}

}  // namespace orders
