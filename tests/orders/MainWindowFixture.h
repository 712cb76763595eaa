// A program folder with a small catalog (P1 "Фильтр" 10,5; P2 "Свеча" 2)
// and filled requisites, and the main window created on it as the start-up
// creates it; boxes are answered by a scripted prompter.
#pragma once

#include <gtest/gtest.h>

#include <QTabBar>
#include <fstream>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "engine/dataset/RidovTable.h"
#include "engine/text/Win1251.h"
#include "orders/MainWindow.h"
#include "orders/OrderTabs.h"
#include "orders/OrderTestFiles.h"
#include "platform/Platform.h"
#include "qtsupport/ScriptedPrompter.h"
#include "support/TempFolder.h"
#include "ui/DataGrid.h"
#include "ui/DatasetModel.h"

namespace testing_support {

class MainWindowTest : public testing::Test {
  protected:
    void SetUp() override {
        WriteCatalog(dir.File("price.zv"), {{"P1", "Фильтр", "10,5"}, {"P2", "Свеча", "2"}});
        WriteFilledRequisites(dir.File("Zetrovo.ini"));

        if (startInSetUp) {
            int exitCode = 0;
            ASSERT_TRUE(Start({}, exitCode));
        }
    }
    // The window's creation with the command line `arguments`; false (with
    // `exitCode`) when the start ends there.
    bool Start(const QStringList& arguments, int& exitCode) {
        dm = std::make_unique<app::TdmZetrovo>(QString::fromStdString(dir.Path()));
        dm->CatalogFile = dm->ProgramDir + "price.zv";
        window = std::make_unique<orders::TFormMain>(*dm);
        tabs = window->Orders();
        if (!window->FormCreate(arguments, exitCode)) return false;
        window->CreateDialogs();
        EXPECT_TRUE(window->OpenCatalog(dm->CatalogFile));
        return true;
    }
    void TearDown() override {
        window.reset();
        dm.reset();
    }

    std::string File(const char* name) const { return dir.File(name); }
    QString QFile(const char* name) const { return QString::fromStdString(dir.File(name)); }
    QString Cell(int row, const char* field) const {
        ui::DataGrid* grid = tabs->Grid();
        return grid->Model().CellText(row, grid->ColumnOfField(field));
    }

    TempFolder dir;
    ScriptedPrompter prompter;
    testing_support::ScopedPrompter use{prompter};
    std::unique_ptr<app::TdmZetrovo> dm;
    std::unique_ptr<orders::TFormMain> window;
    orders::TOrderTabs* tabs = nullptr;
    bool startInSetUp = true;
};

}  // namespace testing_support
