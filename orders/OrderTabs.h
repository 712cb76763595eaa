// OrderTabs: the order panel of the main window (PanelOrder): the tab strip
// pgcOrders with one tab per open order of its core::OrderSession, over the
// order grid DBGridEhOrder, which shows the active order joined with the
// catalog through the data module's order view qvZayavka. The session
// holds the orders and their files; the panel shows them, asks the
// questions and reports the failures.
//
// A tab's caption is the file name when the file lies directly in the
// program folder, else the path.
// A tab is as wide as its caption needs (at least kOrderTabWidth): the file
// name is always shown whole, a long folder is shortened in its middle;
// scroll buttons appear when the tabs do not fit the strip.
// Each tab carries a close mark at its left; a click on the mark of the
// active tab asks before closing, a click on another tab only selects it.
// The mark is hit exactly where it is drawn (CloseMarkRect).
//
// Ownership: a child widget of the main window; refers to the data module,
// which outlives it.
//
// Thread safety: GUI thread only.
#pragma once

#include <QRect>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/DataModule.h"
#include "core/OrderSession.h"

class QFontMetrics;
class QTabBar;

namespace ui {
class DataGrid;
}

namespace orders {

// The narrowest tab, and the widest caption text a tab shows (pixels).
inline constexpr int kOrderTabWidth = 95;
inline constexpr int kOrderTabTextWidth = 320;

// The text a tab shows for `caption`: the caption itself when it fits
// `maxWidth` pixels in `metrics`, or when it has no folder; otherwise the
// folder elided in its middle so that the whole fits, followed by the file
// name, which is never cut.
QString OrderTabText(const QString& caption, const QFontMetrics& metrics, int maxWidth);

// "Файл заявки имеет недопустимое имя или поврежден."
QString DamagedOrderText();
// The warning, once a run, that the settings file's requisites did not fit
// into an order's comment whole and were shortened.
QString RequisitesCutText(const QString& settingsFile);

class OrderTabs : public QWidget {
    Q_OBJECT

  public:
    explicit OrderTabs(core::DataModule& dm, QWidget* parent = nullptr);
    ~OrderTabs() override;

    QTabBar* TabBar() const { return pgcOrders_; }
    // DBGridEhOrder.
    ui::DataGrid* Grid() const { return grid_; }

    core::OrderSession& Session() { return session_; }
    int Count() const { return session_.Count(); }
    int ActiveIndex() const { return session_.Active(); }
    // The path of tab `index` / of the active tab (empty when none).
    QString TabPath(int index) const {
        return index >= 0 && index < Count() ? session_.At(index).path : QString();
    }
    QString ActivePath() const { return session_.ActivePath(); }
    // The caption as the questions name the order (never shortened).
    QString TabCaption(int index) const;
    // Where tab `index`'s close mark is drawn, in tab-strip coordinates;
    // the same rectangle answers clicks. Empty for no such tab.
    QRect CloseMarkRect(int index) const;
    // The number of lines counted at the last refresh; -1 while one runs.
    int TabLineCount(int index) const;
    int LastTabIndex() const { return lastTabIndex_; }

    // ---- the order routines ----
    int FindOrderTab(const QString& path) const { return session_.Find(path); }
    void AddOrderTab(const QString& path);
    // Closes the order (core::OrderSession::Close: the file of an order
    // without lines goes) and removes its tab; the next tab (or the first
    // when it was the last) becomes active.
    void CloseOrderTab(int index);
    // Activates the tab already showing `path` (and reloads it), or adds a
    // tab for it.
    void OpenOrder(const QString& path);
    // Reopens the order view for the active tab, counts its lines, sets the
    // footer up and returns to the line the view was on, or to the line of
    // `productId` when given. A failure is reported with the damaged-order
    // box and closes the tab (the file stays on disk).
    void RefreshOrder(const std::string& productId = {});
    void SetupOrderFooter();

    // StampOrderFile for the active order; the first time in a run that the
    // requisites did not fit into an order, a warning says so.
    void StampActiveOrder();
    // That warning, when a change of the session since has cut them.
    void NoteRequisitesCut();

    // ---- commands ----
    // ActionNewOrder: Zakaz<n>.zv in the order folder, created, stamped,
    // shown in a new tab.
    void NewOrder();
    // ActionOpenOrder: the open dialog, then OpenOrder for each chosen file.
    void OpenOrders();
    // ActionCloseOrder: closes the active tab without a question.
    void CloseActiveOrder();
    // The toolbar's "Закрыть заказ": the question of the close mark for the
    // active tab.
    void CloseActiveOrderAsk();
    // ActionSaveOrderAs. The file type chosen in the dialog (order file or
    // spreadsheet) decides the format and forces its extension on the
    // name; a name typed with ".zv" or ".xls" decides by itself.
    // `exportSpreadsheet` writes the order grid to the chosen .xls file
    // (false: that type is not available and is not offered).
    void SaveOrderAs(const std::function<void(const QString& path)>& exportSpreadsheet = {});
    // Closes every tab, last first (the main window is closing).
    void CloseAll();

    // ---- tab strip handlers ----
    // After the user switched tabs (and when the routines above call it):
    // the order view follows the active tab.
    void TabChanged();
    // A mouse release at (x, y) on the tab strip: selects, or on the close
    // mark of the active tab asks "Закрыть заявку %s ?".
    void TabMouseReleased(int x, int y);

    // Runs when an order's lines or its tab changed (the main window
    // updates its commands).
    std::function<void()> onOrdersChanged;
    // Shows or hides the order panel (ActionViewOrders).
    std::function<void(bool)> onViewOrders;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void SetupOrderColumns();
    // A tab for the session's newly added active order.
    void ShowNewTab(const QString& path);
    void ShowActiveCaption();
    // Removes tab `index`, the session having forgotten its order; the
    // session's active order gets the current tab.
    void RemoveTab(int index);
    void ShowTabs();

    core::DataModule& dm_;
    core::OrderSession session_;
    QTabBar* pgcOrders_;
    ui::DataGrid* grid_;
    int lastTabIndex_ = 0;
    bool switching_ = false;
};

}  // namespace orders
