// The main window's menu bar: every command a customer gives is in a menu
// (or on the toolbar), and the idle update enables each as it can work.
#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <cstdio>

#include "qtsupport/MainWindowFixture.h"

namespace {

// The title of the menu of the menu bar that holds `action`, or empty.
QString MenuOf(orders::MainWindow& window, const QAction* action) {
    for (QAction* entry : window.menuBar()->actions()) {
        if (entry->menu() != nullptr && entry->menu()->actions().contains(action))
            return entry->menu()->title();
    }
    return {};
}

bool OnToolBar(orders::MainWindow& window, QAction* action) {
    for (QToolBar* bar : window.findChildren<QToolBar*>())
        if (bar->actions().contains(action)) return true;
    return false;
}

using MainMenuTest = testing_support::MainWindowTest;

TEST_F(MainMenuTest, CommandsAreWhereACustomerLooksForThem) {
    const orders::MainActions& a = window->Actions();
    const struct {
        QAction* action;
        const char* menu;
    } kPlaces[] = {
        {a.ActionPrintPrice, "Сервис"},  {a.ActionImportPrice, "Сервис"},
        {a.ActionImportOrder, "Сервис"}, {a.ActionEmail, "Файл"},
        {a.ActionPrintOrder, "Сервис"},  {a.ActionSendTo, "Файл"},
    };
    for (const auto& place : kPlaces)
        EXPECT_EQ(MenuOf(*window, place.action), place.menu)
            << place.action->objectName().toStdString();

    // Every other command is in a menu or on the toolbar too, except the
    // state holders, the grid's own commands and the shop command, which
    // is not wired yet.
    const QList<QAction*> reachedOtherwise = {a.ActionViewOrders,  a.ActionViewPrice,
                                              a.ActionSendToIShop, a.ActionAddProduct,
                                              a.ActionEditProduct, a.ActionDelProduct};
    for (QAction* action : a.All()) {
        if (reachedOtherwise.contains(action)) continue;
        EXPECT_TRUE(!MenuOf(*window, action).isEmpty() || OnToolBar(*window, action))
            << action->objectName().toStdString();
    }
}

// The catalog's printout needs the catalog open; the price-list import needs
// the catalog file (the template of its fields); the order import and the
// e-mail can always work.
TEST_F(MainMenuTest, CommandsAreEnabledWhenTheyCanWork) {
    const orders::MainActions& a = window->Actions();
    const auto enabled = [&] {
        window->AppIdle();
        return std::vector<bool>{a.ActionPrintPrice->isEnabled(), a.ActionImportPrice->isEnabled(),
                                 a.ActionImportOrder->isEnabled(), a.ActionEmail->isEnabled()};
    };
    EXPECT_EQ(enabled(), (std::vector<bool>{true, true, true, true}));

    dm->vtPrice.Close();
    EXPECT_EQ(enabled(), (std::vector<bool>{false, true, true, true}));

    ASSERT_EQ(std::remove(File("price.zv").c_str()), 0);
    EXPECT_EQ(enabled(), (std::vector<bool>{false, false, true, true}));

    testing_support::WriteCatalog(File("price.zv"), {{"P1", "Фильтр", "10,5"}});
    ASSERT_TRUE(window->OpenCatalog(dm->CatalogFile));
    EXPECT_EQ(enabled(), (std::vector<bool>{true, true, true, true}));
}

}  // namespace
