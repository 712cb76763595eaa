// A program folder with a small catalog (P1 "Фильтр" 10,5; P2 "Свеча" 2)
// and filled requisites, and the main window the program's start makes on
// it (orders/ProgramStart.h), not shown; boxes are answered by a scripted
// prompter.
#pragma once

#include <gtest/gtest.h>

#include <QTabBar>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "engine/dataset/RidovTable.h"
#include "engine/text/Win1251.h"
#include "orders/MainWindow.h"
#include "orders/OrderLineEntry.h"
#include "orders/OrderTabs.h"
#include "orders/ProgramStart.h"
#include "platform/Platform.h"
#include "qtsupport/ScriptedPrompter.h"
#include "support/OrderTestFiles.h"
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
    // The program's start with the command line `arguments` up to the
    // ready window, not shown; false (with `exitCode`) when the start ends
    // before it.
    bool Start(const QStringList& arguments, int& exitCode) {
        Stop();
        start = orders::MakeProgramStart(QString::fromStdString(dir.Path()), arguments);
        const std::optional<int> end = start->PrepareWindow();
        dm = start->DataModule();
        window = orders::ProgramWindow(*start);
        tabs = window != nullptr ? window->Orders() : nullptr;
        exitCode = end.value_or(0);
        return !end.has_value();
    }
    void Stop() {
        tabs = nullptr;
        window = nullptr;
        dm = nullptr;
        start.reset();
    }
    void TearDown() override { Stop(); }

    std::string File(const char* name) const { return dir.File(name); }
    QString QFile(const char* name) const { return QString::fromStdString(dir.File(name)); }
    QString Cell(int row, const char* field) const {
        ui::DataGrid* grid = tabs->Grid();
        return grid->Model().CellText(row, grid->ColumnOfField(field));
    }

    TempFolder dir;
    ScriptedPrompter prompter;
    testing_support::ScopedPrompter use{prompter};
    std::unique_ptr<app::StartUp> start;
    core::DataModule* dm = nullptr;
    orders::MainWindow* window = nullptr;
    orders::OrderTabs* tabs = nullptr;
    bool startInSetUp = true;
};

}  // namespace testing_support
