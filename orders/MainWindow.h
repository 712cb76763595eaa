// MainWindow (object name "FormMain"): the program's main window. From top to bottom: the toolbar,
// the order panel (tab strip and order grid; shown while an order is
// open), a splitter, the catalog panel (CatalogView) and the status bar
// with two panels, the record number (150 px) and the hint (100 px and the
// rest).
//
// The window wires widgets to the classes that own the behaviour: its
// commands are the actions of MainActions, run through one CommandRunner
// (a failure goes to the error box); AppIdle recomputes their enabled
// state and the status bar whenever the event loop runs empty; AppHint
// shows the long part of the pointed control's hint. Closing asks
// "Выйти из программы ?", except after CloseWithoutQuestion.
//
// Ownership: refers to the data module, which outlives it; owns its
// widgets, the actions, the settings and quantity dialogs and the command
// classes.
//
// Thread safety: GUI thread only.
#pragma once

#include <QMainWindow>
#include <QString>
#include <memory>

#include "app/CommandRunner.h"
#include "app/StartUp.h"
#include "core/DataModule.h"
#include "orders/MainActions.h"

class QLabel;
class QSplitter;
class QTabBar;

namespace app {
class SettingsDialog;
}
namespace ui {
class PhotoViewerLauncher;
}

namespace orders {

class OrderLineEntry;
class CatalogView;
class OrderDialog;
class OrderTabs;
class PrintActions;
class TextImportExport;

// "Строка № : <n>"
QString RecordNumberText(int recNo);

class MainWindow : public QMainWindow, public app::MainWindowHost {
    Q_OBJECT

  public:
    explicit MainWindow(core::DataModule& dm, QWidget* parent = nullptr);
    ~MainWindow() override;

    // ---- app::MainWindowHost ----
    QWidget* Widget() override { return this; }
    bool OpenCatalog(const QString& path) override;
    void OpenOrder(const QString& path) override;
    void SetCaption(const QString& text) override;
    bool CommandRunning() const override { return commands_.Running(); }

    // ---- parts ----
    core::DataModule& DataModule() const { return dm_; }
    const orders::MainActions& Actions() const { return actions_; }
    app::CommandRunner& Commands() { return commands_; }
    orders::CatalogView* CatalogView() const { return catalogView_; }
    QWidget* PanelOrder() const;
    orders::OrderTabs* Orders() const { return orderTabs_; }
    OrderLineEntry& LineEntry() const { return *lineEntry_; }
    TextImportExport& TextCommands() const { return *textCommands_; }
    // Printing and the spreadsheet export of both grids.
    orders::PrintActions& Printing() const { return *printActions_; }
    QTabBar* OrderTabs() const;
    QWidget* PanelPrice() const;
    QSplitter* Splitter() const { return splitter_; }
    QLabel* StatusPanel(int index) const { return index == 0 ? statusRecNo_ : statusHint_; }
    app::SettingsDialog* FormParams() const { return formParams_; }
    orders::OrderDialog* FormOrderDlg() const { return formOrderDlg_; }

    // Open order tabs.
    int OrderTabCount() const;

    // Keeps the commands' enabled state and the status bar current; run
    // whenever the event loop is about to wait.
    void AppIdle();
    // Shows the long part of `hint` in the second status-bar panel.
    void AppHint(const QString& hint);

    // Closes the window and its dialogs without the exit question (the
    // catalog update takes over once the program has ended).
    void CloseWithoutQuestion();
    bool ClosesWithoutQuestion() const { return closeWithoutQuestion_; }

  protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void CreatePanels();
    void CreateDialogs();
    void ConnectActions();
    // The commands that run through the CommandRunner.
    void ConnectCommands();
    void ConnectOrderGrid();
    // The settings dialog's OK: the caption shows the client, the photo
    // markers follow a new photo folder.
    void SettingsAccepted();
    void ActionParamsExecute();
    void ActionSlideExecute();
    // The update window; a fetched and started update ends the program
    // without the exit question.
    void ActionLoadUpdateExecute();

    core::DataModule& dm_;
    orders::MainActions actions_;
    app::CommandRunner commands_;
    QSplitter* splitter_ = nullptr;
    orders::OrderTabs* orderTabs_ = nullptr;
    orders::CatalogView* catalogView_ = nullptr;
    QLabel* statusRecNo_ = nullptr;
    QLabel* statusHint_ = nullptr;
    app::SettingsDialog* formParams_ = nullptr;
    orders::OrderDialog* formOrderDlg_ = nullptr;
    std::unique_ptr<OrderLineEntry> lineEntry_;
    std::unique_ptr<TextImportExport> textCommands_;
    std::unique_ptr<ui::PhotoViewerLauncher> photoViewer_;
    std::unique_ptr<orders::PrintActions> printActions_;
    bool inIdle_ = false;
    bool closeWithoutQuestion_ = false;
};

}  // namespace orders
