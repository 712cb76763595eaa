#include "orders/MainWindow.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTabBar>
#include <QToolBar>
#include <functional>

#include "app/HelpText.h"
#include "app/SettingsDialog.h"
#include "core/AppTitle.h"
#include "core/ClientInfo.h"
#include "core/OrderFiles.h"
#include "core/Settings.h"
#include "orders/CatalogView.h"
#include "orders/OrderDialog.h"
#include "orders/OrderLineEntry.h"
#include "orders/OrderTabs.h"
#include "orders/PrintActions.h"
#include "orders/Sending.h"
#include "orders/TextImportExport.h"
#include "platform/Platform.h"
#include "ui/AboutWindow.h"
#include "ui/DataGrid.h"
#include "ui/KeyListWindow.h"
#include "ui/PhotoViewer.h"
#include "ui/PhotoViewerLauncher.h"
#include "ui/Prompter.h"
#include "ui/Win1251Text.h"
#include "update/TFormDownload.h"

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

QString RecordNumberText(int recNo) {
    return QStringLiteral("Строка № : %1").arg(recNo);
}

MainWindow::MainWindow(core::DataModule& dm, QWidget* parent)
    : QMainWindow(parent),
      dm_(dm),
      actions_(
          MainActions::Create(this, WebAddress(core::DataModule::EnginePath(dm.SettingsFile)))) {
    InitIconResources();
    setObjectName(QStringLiteral("FormMain"));
    setWindowTitle(QString::fromUtf8(core::kAppTitle));
    setWindowIcon(QIcon(QStringLiteral(":/icons/app.png")));
    resize(900, 682);
    setMinimumSize(309, 309);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
    CreatePanels();
    CreateDialogs();
    printActions_ = std::make_unique<orders::PrintActions>(dm_, *orderTabs_, *catalogView_, this);
    textCommands_ = std::make_unique<TextImportExport>(dm_, *orderTabs_, *catalogView_);
    lineEntry_ = std::make_unique<OrderLineEntry>(
        dm_, *orderTabs_, *formOrderDlg_,
        [this] { return core::RequisitesFilled(formParams_->Requisites()); },
        [this] { actions_.ActionNewOrder->trigger(); });
    actions_.AddMenus(*menuBar(), this);
    actions_.AddToolBar(*addToolBar(QStringLiteral("Панель инструментов")));
    ConnectActions();
    ConnectCommands();
    ConnectOrderGrid();
    photoViewer_ = std::make_unique<ui::PhotoViewerLauncher>(this);
    // Incremental search in the catalog keeps one text for a minute.
    catalogView_->Grid()->Search().SetTimeoutMs(60000);
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance())
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this,
                &orders::MainWindow::AppIdle);
}

MainWindow::~MainWindow() = default;

void MainWindow::CreatePanels() {
    splitter_ = new QSplitter(Qt::Vertical, this);
    splitter_->setObjectName(QStringLiteral("Splitter"));
    splitter_->setChildrenCollapsible(false);

    // The order panel: the tab strip over the order grid; hidden while no
    // order is open.
    orderTabs_ = new orders::OrderTabs(dm_, splitter_);
    orderTabs_->setMinimumHeight(100);
    orderTabs_->hide();

    catalogView_ = new orders::CatalogView(dm_, splitter_);
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

QWidget* MainWindow::PanelOrder() const {
    return orderTabs_;
}

QTabBar* MainWindow::OrderTabs() const {
    return orderTabs_->TabBar();
}

QWidget* MainWindow::PanelPrice() const {
    return catalogView_;
}

void MainWindow::ConnectActions() {
    const orders::MainActions& a = actions_;
    connect(a.ActionExit, &QAction::triggered, this, &QWidget::close);
    connect(a.ActionHelp, &QAction::triggered, this, [this] { app::OpenHelp(dm_); });
    connect(a.ActionHotKeys, &QAction::triggered, this, [this] { ui::KeyListWindow::Run(this); });
    connect(a.ActionAbout, &QAction::triggered, this, [this] { ui::AboutWindow::Run(this); });
    connect(a.ActionParams, &QAction::triggered, this, &orders::MainWindow::ActionParamsExecute);
    connect(a.ActionSlide, &QAction::triggered, this, &orders::MainWindow::ActionSlideExecute);
    connect(catalogView_, &orders::CatalogView::addProductRequested, a.ActionAddProduct,
            &QAction::trigger);
    connect(catalogView_, &orders::CatalogView::slideRequested, a.ActionSlide, &QAction::trigger);
    catalogView_->slideEnabled = [this] { return actions_.ActionSlide->isEnabled(); };
    catalogView_->onCatalogOpened = [this](const QString& path) {
        // An order made from another catalog gets a fresh order for this one.
        if (orderTabs_->Count() == 0) return;
        const std::string catalog =
            core::OrderCatalogPath(core::DataModule::EnginePath(orderTabs_->ActivePath()),
                                   core::DataModule::EnginePath(dm_.ProgramDir));
        if (catalog != core::DataModule::EnginePath(path)) actions_.ActionNewOrder->trigger();
    };
    a.ActionViewPrice->setEnabled(true);
    a.ActionViewOrders->setEnabled(false);
    // The shop command has nothing to send to.
    a.ActionSendToIShop->setEnabled(false);
}

void MainWindow::ConnectCommands() {
    const orders::MainActions& a = actions_;
    // Every command runs guarded: a failure is shown, never thrown into
    // the event loop.
    const auto guarded = [this](QAction* action, std::function<void()> command) {
        connect(action, &QAction::triggered, this,
                [this, command = std::move(command)] { commands_.Run(command); });
    };
    guarded(a.ActionNewOrder, [this] { orderTabs_->NewOrder(); });
    guarded(a.ActionOpenOrder, [this] { orderTabs_->OpenOrders(); });
    guarded(a.ActionSaveOrderAs, [this] {
        orderTabs_->SaveOrderAs(
            [this](const QString& path) { printActions_->ExportOrderToXls(path); });
    });
    guarded(a.ActionCloseOrder, [this] { orderTabs_->CloseActiveOrder(); });
    guarded(a.ActionCloseOrderAsk, [this] { orderTabs_->CloseActiveOrderAsk(); });
    // The text after "Открыть сайт " in the web entry's caption names the
    // catalog's printout.
    const auto webText = [this] {
        const QString prefix = QStringLiteral("Открыть сайт ");
        const QString caption = actions_.ActionWeb->text();
        return caption.startsWith(prefix) ? caption.mid(prefix.size()) : QString();
    };
    guarded(a.ActionPrintOrder, [this] { printActions_->ActionPrintOrderExecute(); });
    guarded(a.ActionPrintPrice,
            [this, webText] { printActions_->ActionPrintPriceExecute(webText()); });
    guarded(a.ActionSaveOrderPdf, [this] { printActions_->ActionSaveOrderPdfExecute(); });
    guarded(a.ActionSavePricePdf,
            [this, webText] { printActions_->ActionSavePricePdfExecute(webText()); });
    guarded(a.ActionExportPriceToExcel, [this] {
        printActions_->ActionExportPriceToExcelExecute(
            actions_.ActionExportPriceToExcel->statusTip());
    });
    guarded(a.ActionAddProduct, [this] { lineEntry_->AddProduct(); });
    guarded(a.ActionEditProduct, [this] { lineEntry_->EditProduct(); });
    guarded(a.ActionDelProduct, [this] { lineEntry_->DeleteProduct(); });
    guarded(a.ActionImportOrderFromTxt, [this] { textCommands_->ImportOrderFromTxt(); });
    guarded(a.ActionImportOrder, [this] { textCommands_->ImportOrder(); });
    guarded(a.ActionImportPrice, [this] { textCommands_->ImportPrice(); });
    guarded(a.ActionExportOrder,
            [this] { textCommands_->ExportOrder(actions_.ActionViewOrders->isEnabled()); });
    guarded(a.ActionLoadUpdate, [this] { ActionLoadUpdateExecute(); });
    const std::string settings = core::DataModule::EnginePath(dm_.SettingsFile);
    guarded(a.ActionSendTo,
            [this, settings] { SendOrderByMail(settings, orderTabs_->ActivePath()); });
    guarded(a.ActionCopyTo, [this] { CopyOrderToRemovableMedium(orderTabs_->ActivePath()); });
    guarded(a.ActionEmail, [settings] { SendEmptyMail(settings); });
    guarded(a.ActionWeb, [settings] { OpenWebSite(settings); });
}

void MainWindow::ConnectOrderGrid() {
    const orders::MainActions& a = actions_;
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
}

void MainWindow::CreateDialogs() {
    formParams_ = new app::SettingsDialog(core::DataModule::EnginePath(dm_.SettingsFile), this);
    formParams_->onAccepted = [this] { SettingsAccepted(); };
    formOrderDlg_ = new orders::OrderDialog(this);
    formOrderDlg_->UseCatalog(&dm_.vtPrice);
}

void MainWindow::SettingsAccepted() {
    const std::string settings = core::DataModule::EnginePath(dm_.SettingsFile);
    SetCaption(ui::FromWin1251(core::LoadClientInfo(settings).klient));
    const QString folder =
        ui::FromWin1251(core::ReadSetting(settings, core::kClientSection, core::kKeyFotoDir));
    if (folder != dm_.FotoDir) {
        dm_.FotoDir = folder;
        if (dm_.vtPrice.Active()) dm_.vtPrice.First();
    }
}

bool MainWindow::OpenCatalog(const QString& path) {
    return catalogView_->OpenCatalog(path);
}

void MainWindow::OpenOrder(const QString& path) {
    commands_.Run([&] { orderTabs_->OpenOrder(path); });
}

int MainWindow::OrderTabCount() const {
    return orderTabs_->Count();
}

void MainWindow::SetCaption(const QString& text) {
    setWindowTitle(QStringLiteral("%1 - %2").arg(QString::fromUtf8(core::kAppTitle), text));
}

void MainWindow::AppIdle() {
    if (inIdle_) return;
    inIdle_ = true;
    const orders::MainActions& a = actions_;
    const bool ordersOpen = OrderTabCount() > 0;
    if (!ordersOpen) a.ActionViewOrders->setEnabled(false);
    const bool viewOrders = a.ActionViewOrders->isEnabled();
    if (orderTabs_->isVisible() != viewOrders) orderTabs_->setVisible(viewOrders);
    // Commands on the open orders.
    for (QAction* action : {a.ActionSaveOrderAs, a.ActionCloseOrder, a.ActionCloseOrderAsk,
                            a.ActionExportOrder, a.ActionSendTo, a.ActionCopyTo}) {
        if (action->isEnabled() != ordersOpen) action->setEnabled(ordersOpen);
    }
    for (QAction* action : {a.ActionPrintOrder, a.ActionSaveOrderPdf}) {
        if (action->isEnabled() != ordersOpen) action->setEnabled(ordersOpen);
    }
    const bool lines = ordersOpen && dm_.qvZayavka.Active() && !dm_.qvZayavka.IsEmpty();
    for (QAction* action : {a.ActionEditProduct, a.ActionDelProduct}) {
        if (action->isEnabled() != lines) action->setEnabled(lines);
    }

    const bool catalogOpen = dm_.vtPrice.Active();
    // The catalog's printouts and export work on the catalog view; the
    // price-list import refills the catalog file, which must exist (it is
    // the template of the fields), and reopens it.
    for (QAction* action : {a.ActionPrintPrice, a.ActionSavePricePdf, a.ActionExportPriceToExcel}) {
        if (action->isEnabled() != catalogOpen) action->setEnabled(catalogOpen);
    }
    const bool catalogFile =
        platform::CurrentPlatform().FileExists(core::DataModule::EnginePath(dm_.CatalogFile));
    if (a.ActionImportPrice->isEnabled() != catalogFile)
        a.ActionImportPrice->setEnabled(catalogFile);
    const bool dialogShowing = formParams_ != nullptr && formParams_->isVisible();
    if (catalogOpen && !dialogShowing) {
        const QString text = RecordNumberText(catalogView_->RecNo());
        if (statusRecNo_->text() != text) statusRecNo_->setText(text);
        const QString photo = catalogView_->CurrentPhotoPath();
        const bool photoExists = !photo.isEmpty() && platform::CurrentPlatform().FileExists(
                                                         core::DataModule::EnginePath(photo));
        if (a.ActionSlide->isEnabled() != photoExists) a.ActionSlide->setEnabled(photoExists);
    } else if (!statusRecNo_->text().isEmpty()) {
        statusRecNo_->clear();
    }
    inIdle_ = false;
}

void MainWindow::AppHint(const QString& hint) {
    const QString text = LongHint(hint);
    if (statusHint_->text() != text) statusHint_->setText(text);
}

void MainWindow::CloseWithoutQuestion() {
    formOrderDlg_->close();
    formParams_->close();
    closeWithoutQuestion_ = true;
    close();
}

bool MainWindow::event(QEvent* e) {
    // Status tips of actions and widgets are the long parts of their hints.
    if (e->type() == QEvent::StatusTip) {
        AppHint(static_cast<QStatusTipEvent*>(e)->tip());
        return true;
    }
    return QMainWindow::event(e);
}

void MainWindow::closeEvent(QCloseEvent* e) {
    if (!closeWithoutQuestion_ &&
        !ui::CurrentPrompter().ConfirmYesNo(QStringLiteral("Выйти из программы ?"))) {
        e->ignore();
        return;
    }
    orderTabs_->CloseAll();
    e->accept();
}

void MainWindow::ActionLoadUpdateExecute() {
    update::TFormDownload form(
        update::DownloadOptionsFor(core::DataModule::EnginePath(dm_.ProgramDir),
                                   core::ReadSetting(core::DataModule::EnginePath(dm_.SettingsFile),
                                                     core::kClientSection, core::kKeyUpdateServer)),
        this);
    form.exec();
    if (!form.UpdateStarted()) return;
    // The update replaces the catalog once this program has ended: the
    // window closes without the exit question (its order tabs close as on
    // every exit) and the application ends.
    CloseWithoutQuestion();
    QCoreApplication::quit();
}

void MainWindow::ActionParamsExecute() {
    const bool accepted = formParams_->exec() == QDialog::Accepted;
    AppIdle();
    if (orderTabs_->Count() == 0) return;
    // The active order shows the requisites at once: stamped anew when they
    // were stored, and shown again with its footer either way.
    commands_.Run([this, accepted] {
        if (accepted) orderTabs_->StampActiveOrder();
        orderTabs_->RefreshOrder();
    });
}

void MainWindow::ActionSlideExecute() {
    const QString path = catalogView_->CurrentPhotoPath();
    if (path.isEmpty() || !dm_.vtPrice.Active()) return;
    ridov::Field* name = dm_.vtPrice.FindField("NAME");
    ridov::Field* id = dm_.vtPrice.FindField("ID");
    const QString caption =
        ui::PhotoViewer::Caption(name ? ui::FromWin1251(name->AsString()) : QString(),
                                 id ? ui::FromWin1251(id->AsString()) : QString());
    photoViewer_->Show(core::DataModule::EnginePath(path), caption);
}

}  // namespace orders
