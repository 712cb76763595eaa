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
#include <QProgressBar>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTabBar>
#include <QToolBar>
#include <QVBoxLayout>
#include <cstdio>
#include <exception>

#include "app/AppTitle.h"
#include "app/ClientInfo.h"
#include "app/Settings.h"
#include "app/SettingsDialog.h"
#include "app/WriteTarget.h"
#include "engine/text/Win1251.h"
#include "orders/BatchMode.h"
#include "orders/CatalogView.h"
#include "orders/OrderDialog.h"
#include "orders/OrderFiles.h"
#include "orders/OrderTabs.h"
#include "orders/OrderText.h"
#include "orders/PrintActions.h"
#include "orders/Sending.h"
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
      actions_(
          TMainActions::Create(this, WebAddress(app::TdmZetrovo::EnginePath(dm.SettingsFile)))) {
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
    printActions_ = std::make_unique<TPrintActions>(dm_, *orderTabs_, *catalogView_, this);
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
    file->addAction(a.ActionEmail);
    file->addAction(a.ActionCloseOrder);
    file->addSeparator();
    file->addAction(a.ActionExit);

    QMenu* service = menuBar()->addMenu(QStringLiteral("Сервис"));
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

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Помощь"));
    help->addAction(a.ActionHelp);
    help->addAction(a.ActionHotKeys);
    help->addAction(a.ActionWeb);
    help->addSeparator();
    help->addAction(a.ActionAbout);

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
    connect(a.ActionHotKeys, &QAction::triggered, this, [this] { ui::KeyListWindow::Run(this); });
    connect(a.ActionAbout, &QAction::triggered, this, [this] { ui::AboutWindow::Run(this); });
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

    // Every command runs guarded: a failure is shown, never thrown into
    // the event loop.
    const auto guarded = [this](QAction* action, std::function<void()> command) {
        connect(action, &QAction::triggered, this,
                [this, command = std::move(command)] { RunGuarded(command); });
    };
    guarded(a.ActionNewOrder, [this] { orderTabs_->NewOrder(); });
    guarded(a.ActionOpenOrder, [this] { orderTabs_->OpenOrders(); });
    guarded(a.ActionSaveOrderAs, [this] {
        orderTabs_->SaveOrderAs(
            [this](const QString& path) { printActions_->ExportOrderToXls(path); });
    });
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
    guarded(a.ActionCloseOrder, [this] { orderTabs_->CloseActiveOrder(); });
    guarded(a.ActionCloseOrderAsk, [this] { orderTabs_->CloseActiveOrderAsk(); });
    guarded(a.ActionAddProduct, [this] { ActionAddProductExecute(); });
    guarded(a.ActionEditProduct, [this] { ActionEditProductExecute(); });
    guarded(a.ActionDelProduct, [this] { ActionDelProductExecute(); });
    guarded(a.ActionImportOrderFromTxt, [this] { ActionImportOrderFromTxtExecute(); });
    guarded(a.ActionImportOrder, [this] { ActionImportOrderExecute(); });
    guarded(a.ActionImportPrice, [this] { ActionImportPriceExecute(); });
    guarded(a.ActionExportOrder, [this] { ActionExportOrderExecute(); });
    guarded(a.ActionLoadUpdate, [this] { ActionLoadUpdateExecute(); });
    guarded(a.ActionSendTo, [this] { ActionSendToExecute(); });
    guarded(a.ActionCopyTo, [this] { ActionCopyToExecute(); });
    guarded(a.ActionEmail,
            [this] { SendEmptyMail(app::TdmZetrovo::EnginePath(dm_.SettingsFile)); });
    guarded(a.ActionWeb, [this] { OpenWebSite(app::TdmZetrovo::EnginePath(dm_.SettingsFile)); });
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

    // The shop command is present, not yet wired.
    a.ActionSendToIShop->setEnabled(false);

    // The import's notice in the catalog panel, behind the hidden grid.
    importPanel_ = new QWidget(catalogView_);
    auto* importLayout = new QVBoxLayout(importPanel_);
    auto* importLabel =
        new QLabel(QStringLiteral("Производится импорт прайс-листа..."), importPanel_);
    importLabel->setObjectName(QStringLiteral("LabelImportPrice"));
    importLabel->setAlignment(Qt::AlignCenter);
    importProgress_ = new QProgressBar(importPanel_);
    importProgress_->setRange(0, 100);
    importLayout->addStretch(1);
    importLayout->addWidget(importLabel);
    importLayout->addWidget(importProgress_);
    importLayout->addStretch(1);
    importPanel_->hide();
    if (QLayout* layout = catalogView_->layout()) layout->addWidget(importPanel_);
}

bool TFormMain::FormCreate(const QStringList& arguments, int& exitCode) {
    exitCode = 0;
    // 1. Incremental search in both grids keeps one text for a minute.
    catalogView_->Grid()->Search().SetTimeoutMs(60000);

    // 2. The web entry: caption and hint were set with the actions.

    // 3. Batch conversion "-zvconvert": the rest of the start does not run.
    if (RecognizeBatchSwitch(arguments) == BatchSwitch::ZvConvert)
        return !RunBatchSwitch(arguments, exitCode);

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

    // 8. The file association.
    RegisterOrderFileType();

    // 9. Batch switches "-convert", "-pxls" (abandon the start) and "-k"
    //    (requests termination; steps 10 and 11 still run).
    if (RunBatchSwitch(arguments, exitCode)) return false;

    // 10. First start.
    if (!platform::CurrentPlatform().FileExists(app::TdmZetrovo::EnginePath(dm_.SettingsFile)))
        FirstStart();

    // 11. The caption shows the catalog's date.
    SetCaption(dm_.CatalogDate(QFileInfo(dm_.CatalogFile).fileName()));
    return true;
}

void TFormMain::FirstStart() {
    CreateShortcuts();
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
    formOrderDlg_->UseCatalog(&dm_.vtPrice);
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
        platform::CurrentPlatform().FileExists(app::TdmZetrovo::EnginePath(dm_.CatalogFile));
    if (a.ActionImportPrice->isEnabled() != catalogFile)
        a.ActionImportPrice->setEnabled(catalogFile);
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

void TFormMain::ActionLoadUpdateExecute() {
    update::TFormDownload form(
        update::DownloadOptionsFor(app::TdmZetrovo::EnginePath(dm_.ProgramDir),
                                   app::TdmZetrovo::EnginePath(dm_.SettingsFile)),
        this);
    form.exec();
    if (!form.UpdateStarted()) return;
    // The update replaces the catalog once this program has ended: the
    // window closes without the exit question (its order tabs close as on
    // every exit) and the application ends.
    if (formOrderDlg_ != nullptr) formOrderDlg_->close();
    if (formParams_ != nullptr) formParams_->close();
    Tag = 999;
    close();
    QCoreApplication::quit();
}

void TFormMain::ActionHelpExecute() {
    if (!platform::CurrentPlatform().OpenWithAssociatedProgram(
            app::TdmZetrovo::EnginePath(dm_.ReadmeFile)))
        ui::CurrentPrompter().Information(
            QStringLiteral("Не удается открыть файл '%1'.").arg(dm_.ReadmeFile));
}

void TFormMain::ActionParamsExecute() {
    if (formParams_ == nullptr) return;
    const bool accepted = formParams_->exec() == QDialog::Accepted;
    AppIdle();
    if (orderTabs_->Count() == 0) return;
    // The active order shows the requisites at once: stamped anew when they
    // were stored, and shown again with its footer either way.
    RunGuarded([this, accepted] {
        if (accepted) orderTabs_->StampActiveOrder();
        orderTabs_->RefreshOrder();
    });
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
    SaveOrderChange({});
}

void TFormMain::SaveOrderChange(const std::string& productId) {
    try {
        dm_.qvZayavka.SaveChanges();
        orderTabs_->StampActiveOrder();
    } catch (...) {
        // The file kept what it held (a full disk, a read-only folder): the
        // grid shows that, not the change that was not saved, and a later
        // save does not carry it in unnoticed.
        orderTabs_->RefreshOrder(productId);
        throw;
    }
    orderTabs_->RefreshOrder(productId);
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
    SaveOrderChange(productId);
}

}  // namespace orders

namespace orders {

namespace {

QString TextFilter() {
    return QStringLiteral("Текстовые файлы (*.txt)");
}

IgnoreAnswer AskIgnore(const std::string& question) {
    switch (ui::CurrentPrompter().ConfirmYesNoAll(ui::FromWin1251(question))) {
        case ui::Prompter::Answer::Yes:
            return IgnoreAnswer::Yes;
        case ui::Prompter::Answer::All:
            return IgnoreAnswer::All;
        default:
            return IgnoreAnswer::No;
    }
}

}  // namespace

void TFormMain::RunGuarded(const std::function<void()>& command) {
    // A command that lets the event loop run (the price-list import's
    // progress) must not have an order opened under it.
    struct Running {
        int& depth;
        explicit Running(int& d) : depth(d) { ++depth; }
        ~Running() { --depth; }
    } running(commandDepth_);
    try {
        command();
    } catch (const ImportStopped&) {
        // The user declined to go on: nothing to report.
    } catch (const app::WriteRefused& refused) {
        ui::CurrentPrompter().Error(refused.Text(), QString());
    } catch (const std::exception& error) {
        ui::CurrentPrompter().Error(ui::FromWin1251(error.what()), QString());
    }
}

bool TFormMain::RunBatchSwitch(const QStringList& arguments, int& exitCode) {
    const BatchSwitch kind = RecognizeBatchSwitch(arguments);
    if (kind == BatchSwitch::None) return false;
    BatchRun run;
    // A declined value question stops that file and is reported like any
    // other failure. Without a display nobody can answer: the question is
    // written out and the file stopped, so that no value is dropped
    // unnoticed and the exit code tells a script.
    const QString platformName = QGuiApplication::platformName();
    const bool canAsk =
        platformName != QLatin1String("offscreen") && platformName != QLatin1String("minimal");
    const AskIgnoreError ask = [canAsk](const std::string& question) {
        if (canAsk) return AskIgnore(question);
        std::fprintf(stderr, "%s\n", ui::FromWin1251(question).toUtf8().constData());
        return IgnoreAnswer::No;
    };
    const std::string settings = app::TdmZetrovo::EnginePath(dm_.SettingsFile);
    const std::string catalog = app::TdmZetrovo::EnginePath(dm_.CatalogFile);
    switch (kind) {
        case BatchSwitch::ZvConvert:
            run.Convert(arguments[1], [&] {
                const std::string table = CommandLinePath(arguments[1]);
                ExportTableToText(table, ChangeFileExt(table, ".txt"));
            });
            break;
        case BatchSwitch::Convert:
            run.Convert(arguments[1], [&] {
                if (!platform::CurrentPlatform().FileExists(catalog))
                    throw std::runtime_error("no catalog");
                ImportPriceListIntoTable(catalog, CommandLinePath(arguments[1]), ask);
            });
            break;
        case BatchSwitch::Pxls:
            run.Convert(arguments[1], [&] { printActions_->ExportCatalogForBatch(arguments[1]); });
            break;
        case BatchSwitch::K:
            for (int i = 1; i < arguments.size(); ++i) {
                run.Convert(arguments[i], [&] {
                    ImportOrderFromText(CommandLinePath(arguments[i]), {}, settings, catalog, ask);
                });
            }
            terminationExitCode_ = run.ExitCode();
            // The start goes on (first start, caption), then the program ends.
            terminationRequested_ = true;
            return false;
        default:
            return false;
    }
    exitCode = run.ExitCode();
    return true;
}

void TFormMain::ActionImportOrderFromTxtExecute() {
    const QStringList files = ui::CurrentPrompter().OpenFileNames(
        QStringLiteral("Импортировать заявку"), dm_.ProgramDir, TextFilter());
    if (files.isEmpty()) return;
    const std::string order =
        NewOrderFileName(app::TdmZetrovo::EnginePath(dm_.OrderDir), std::string("Zakaz"));
    ImportOrderFromText(app::TdmZetrovo::EnginePath(files.front()), order,
                        app::TdmZetrovo::EnginePath(dm_.SettingsFile), dm_.vtPrice.FullTableName(),
                        AskIgnore);
    orderTabs_->OpenOrder(app::TdmZetrovo::FromEnginePath(order));
}

void TFormMain::ActionImportOrderExecute() {
    const QStringList files = ui::CurrentPrompter().OpenFileNames(QStringLiteral("Импорт заказа"),
                                                                  dm_.ProgramDir, TextFilter());
    if (files.isEmpty()) return;
    const std::string order = ImportOrderFromText(app::TdmZetrovo::EnginePath(files.front()), {},
                                                  app::TdmZetrovo::EnginePath(dm_.SettingsFile),
                                                  dm_.vtPrice.FullTableName(), AskIgnore);
    orderTabs_->OpenOrder(app::TdmZetrovo::FromEnginePath(order));
}

void TFormMain::ActionImportPriceExecute() {
    const QStringList files = ui::CurrentPrompter().OpenFileNames(
        QStringLiteral("Импорт прайс-листа"), dm_.ProgramDir, TextFilter());
    if (files.isEmpty()) return;
    try {
        ImportCatalogFromText(files.front());
    } catch (...) {
        // The catalog file is as it was: show it again before reporting.
        OpenCatalog(dm_.CatalogFile);
        throw;
    }
    // Back as at start-up; the filter row keeps its texts.
    OpenCatalog(dm_.CatalogFile);
}

void TFormMain::ImportCatalogFromText(const QString& textPath) {
    ui::DataGrid* grid = catalogView_->Grid();
    grid->hide();
    importProgress_->setValue(0);
    importPanel_->show();
    catalogView_->repaint();
    struct Restore {
        TFormMain* window;
        ~Restore() {
            window->importPanel_->hide();
            window->catalogView_->Grid()->show();
        }
    } restore{this};
    dm_.vtPrice.Close();
    ImportPriceListIntoTable(
        app::TdmZetrovo::EnginePath(dm_.CatalogFile), app::TdmZetrovo::EnginePath(textPath),
        AskIgnore, [this](long long done, long long total) {
            const int percent = total > 0 ? int(done * 100 / total) : 100;
            if (percent == importProgress_->value()) return;
            importProgress_->setValue(percent);
            // Keep the window painted; no input meanwhile.
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        });
}

void TFormMain::ActionExportOrderExecute() {
    if (!actions_.ActionViewOrders->isEnabled() || orderTabs_->Count() == 0) return;
    const QString name = ui::CurrentPrompter().SaveFileName(QStringLiteral("Экспортировать заказ"),
                                                            dm_.ProgramDir, TextFilter());
    if (name.isEmpty()) return;
    if (platform::CurrentPlatform().FileExists(app::TdmZetrovo::EnginePath(name)) &&
        !ui::CurrentPrompter().ConfirmYesNo(
            QStringLiteral("Файл '%1' уже существует. Перезаписать его ?").arg(name)))
        return;
    ExportTableToText(app::TdmZetrovo::EnginePath(orderTabs_->ActivePath()),
                      app::TdmZetrovo::EnginePath(name));
}

}  // namespace orders

namespace orders {

namespace {

// The name the order files' type is registered under.
constexpr char kOrderFileType[] = "Files of Zetrovo";
constexpr char kOrderExtension[] = ".zv";

}  // namespace

void TFormMain::BringForward() {
    if (isMinimized()) setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
    // An open dialog stays in front of its window.
    if (QWidget* modal = QApplication::activeModalWidget(); modal != nullptr && modal != this) {
        modal->raise();
        modal->activateWindow();
    }
}

bool TFormMain::CanReceiveHandOver() const {
    return QApplication::activeModalWidget() == nullptr && commandDepth_ == 0;
}

void TFormMain::ReceiveHandOver(const QString& argument) {
    RunGuarded([&] { orderTabs_->OpenOrder(argument); });
}

void TFormMain::ActionSendToExecute() {
    if (orderTabs_->Count() == 0) return;
    SendOrderByMail(app::TdmZetrovo::EnginePath(dm_.SettingsFile), orderTabs_->ActivePath());
}

void TFormMain::ActionCopyToExecute() {
    if (orderTabs_->Count() == 0) return;
    CopyOrderToRemovableMedium(orderTabs_->ActivePath());
}

void TFormMain::RegisterOrderFileType() {
    platform::Platform& os = platform::CurrentPlatform();
    const std::string program = os.ProgramFilePath();
    if (program.empty()) return;
    if (!os.FileTypeOpensWith(kOrderExtension, kOrderFileType, program))
        os.RegisterFileType(kOrderExtension, kOrderFileType, program);
}

void TFormMain::CreateShortcuts() {
    platform::Platform& os = platform::CurrentPlatform();
    const std::string program = os.ProgramFilePath();
    if (program.empty()) return;
    const std::string folder = app::TdmZetrovo::EnginePath(dm_.ProgramDir);
    const std::string title = app::kAppTitle;
    using Folder = platform::Platform::UserFolder;
    using Shortcut = platform::Platform::Shortcut;
    os.CreateShortcut(Shortcut{Folder::Desktop, {}, title, program, program, {}, folder});
    os.CreateShortcut(
        Shortcut{Folder::ProgramsMenu, "Зетрово", title, program, program, {}, folder});
    os.CreateShortcut(Shortcut{Folder::ProgramsMenu,
                               "Зетрово",
                               "Справка",
                               app::TdmZetrovo::EnginePath(dm_.ReadmeFile),
                               {},
                               {},
                               folder});
}

}  // namespace orders
