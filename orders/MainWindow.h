// TFormMain: the program's main window. From top to bottom: the toolbar,
// the order panel (tab strip and order grid; shown while an order is
// open), a splitter, the catalog panel (TCatalogView) and the status bar
// with two panels, the record number (150 px) and the hint (100 px and the
// rest).
//
// The window wires widgets to logic: its commands are the actions of
// TMainActions; AppIdle recomputes their enabled state and the status bar
// whenever the event loop runs empty; AppHint shows the long part of the
// pointed control's hint; AppHelp shows the details of the last failure.
// Closing asks "Выйти из программы ?" unless Tag is 999.
//
// Ownership: refers to the data module, which outlives it; owns its
// widgets, the actions and the settings dialog.
//
// Thread safety: GUI thread only.
#pragma once

#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <string>

#include "app/DataModule.h"
#include "app/StartUp.h"
#include "orders/MainActions.h"

class QLabel;
class QProgressBar;
class QSplitter;
class QTabBar;

namespace app {
class TFormParams;
}
namespace ui {
class PhotoViewerLauncher;
}

namespace orders {

class TCatalogView;
class TFormOrderDlg;
class TOrderTabs;
class TPrintActions;

// "Строка № : <n>"
QString RecordNumberText(int recNo);

class TFormMain : public QMainWindow, public app::MainWindowHost {
    Q_OBJECT

  public:
    explicit TFormMain(app::TdmZetrovo& dm, QWidget* parent = nullptr);
    ~TFormMain() override;

    // ---- app::MainWindowHost ----
    bool FormCreate(const QStringList& arguments, int& exitCode) override;
    void CreateDialogs() override;
    bool OpenCatalog(const QString& path) override;
    QWidget* Widget() override { return this; }
    bool TerminationRequested() const override { return terminationRequested_; }
    int TerminationExitCode() const override { return terminationExitCode_; }
    // Restores a minimised window and brings it (or its open modal dialog)
    // to the front.
    void BringForward() override;
    // False while a modal dialog is open or a command runs: a handed-over
    // file waits for them.
    bool CanReceiveHandOver() const override;
    // OpenOrder for the argument of a later start.
    void ReceiveHandOver(const QString& argument) override;

    // ---- parts ----
    app::TdmZetrovo& DataModule() const { return dm_; }
    const TMainActions& Actions() const { return actions_; }
    TCatalogView* CatalogView() const { return catalogView_; }
    QWidget* PanelOrder() const;
    TOrderTabs* Orders() const { return orderTabs_; }
    // Printing and the spreadsheet export of both grids.
    TPrintActions& Printing() const { return *printActions_; }
    QTabBar* OrderTabs() const;
    QWidget* PanelPrice() const;
    QSplitter* Splitter() const { return splitter_; }
    QLabel* StatusPanel(int index) const { return index == 0 ? statusRecNo_ : statusHint_; }
    // Null before CreateDialogs.
    app::TFormParams* FormParams() const { return formParams_; }
    TFormOrderDlg* FormOrderDlg() const { return formOrderDlg_; }
    // Folder the order open and save dialogs start in.
    const QString& OrderDialogFolder() const { return orderDialogFolder_; }

    // Open order tabs.
    int OrderTabCount() const;

    // ---- application handlers ----
    // Keeps the commands' enabled state and the status bar current; run
    // whenever the event loop is about to wait.
    void AppIdle();
    // Shows the long part of `hint` in the second status-bar panel.
    void AppHint(const QString& hint);
    // Help request: command 1 with context 1 (the Help button of the error
    // boxes) shows the details of LastError. Always true (handled).
    bool AppHelp(int command, int data);

    // Closing: 999 closes without the question (set before the program
    // hands over to the catalog update).
    int Tag = 0;
    // "Выйти из программы ?" unless Tag is 999; true when the window may close.
    bool FormCloseQuery();
    // Closes every order tab, last first.
    void FormClose();

    // ---- commands ----
    void ActionHelpExecute();
    void ActionParamsExecute();
    void ActionSlideExecute();
    // Order line entry: Enter or a double click on the catalog (after the
    // requisites check), on the order grid, and Ctrl+Del on the order grid.
    void ActionAddProductExecute();
    void ActionEditProductExecute();
    void ActionDelProductExecute();
    // The OK side of the quantity dialog: a new order when none is open,
    // the product's line edited or inserted, written, stamped, shown.
    void StoreOrderLine(const std::string& productId, int quantity);
    // Writes the order view's change into the active order's file, stamps
    // it and shows the order again (on the line of `productId` when given).
    // When that fails the order is shown as its file holds it, then the
    // failure goes on to its box.
    void SaveOrderChange(const std::string& productId);
    // Text import and export of orders and the catalog.
    void ActionImportOrderFromTxtExecute();
    void ActionImportOrderExecute();
    void ActionImportPriceExecute();
    void ActionExportOrderExecute();
    // The update window; a fetched and started update ends the program
    // without the exit question.
    void ActionLoadUpdateExecute();
    // Refills the catalog file from a TAB text price list; the catalog
    // panel shows "Производится импорт прайс-листа..." with a progress bar
    // meanwhile. The catalog stays closed afterwards.
    void ImportCatalogFromText(const QString& textPath);
    // Sending: the active order by e-mail or to a removable medium (both
    // do nothing without an order tab), an empty e-mail, the web site.
    void ActionSendToExecute();
    void ActionCopyToExecute();
    // Runs a command; a failure it raises is shown in the error box (the
    // general handler of the commands).
    void RunGuarded(const std::function<void()>& command);

  protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    // The batch switches of FormCreate; true when the start ends here.
    bool RunBatchSwitch(const QStringList& arguments, int& exitCode);
    void CreateMenus();
    void CreateToolBar();
    void CreatePanels();
    void ConnectActions();
    // The caption "Заявка по каталогу - <text>".
    void SetCaption(const QString& text);
    // The first start: shortcuts, settings file with Klient=Новый клиент,
    // then help.
    void FirstStart();
    // Makes this program file the opener of order files unless it is
    // already; failures are silent.
    void RegisterOrderFileType();
    // The desktop shortcut and the menu entries of the first start.
    void CreateShortcuts();

    app::TdmZetrovo& dm_;
    TMainActions actions_;
    QSplitter* splitter_ = nullptr;
    TOrderTabs* orderTabs_ = nullptr;
    TCatalogView* catalogView_ = nullptr;
    QLabel* statusRecNo_ = nullptr;
    QLabel* statusHint_ = nullptr;
    app::TFormParams* formParams_ = nullptr;
    TFormOrderDlg* formOrderDlg_ = nullptr;
    // Shown in the catalog panel while a price list is imported.
    QWidget* importPanel_ = nullptr;
    QProgressBar* importProgress_ = nullptr;
    std::unique_ptr<ui::PhotoViewerLauncher> photoViewer_;
    std::unique_ptr<TPrintActions> printActions_;
    QString orderDialogFolder_;
    bool terminationRequested_ = false;
    int terminationExitCode_ = 0;
    bool inIdle_ = false;
    // Commands running (RunGuarded); hand-overs wait while one runs.
    int commandDepth_ = 0;
};

}  // namespace orders
