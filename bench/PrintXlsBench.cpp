// Printing and spreadsheet export through the main window, as the user
// meets them: the catalog view of 65,000 records (about what a sheet
// holds) written as a spreadsheet file, and the print preview of a
// 200-line order up to its first page shown; beside them the layout alone
// (of the order, and of a 20,000-product catalog) and the same printout
// written as PDF.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <QApplication>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/CatalogFolder.h"
#include "bench/ProgramWindow.h"
#include "core/DataModule.h"
#include "engine/dataset/RidovTable.h"
#include "orders/CatalogView.h"
#include "orders/GridXlsSheet.h"
#include "orders/MainWindow.h"
#include "orders/OrderTabs.h"
#include "orders/PrintActions.h"
#include "orders/PrintLayout.h"
#include "orders/Printout.h"
#include "platform/Platform.h"
#include "tools/catalog/CatalogTable.h"
#include "ui/DataGrid.h"

namespace {

constexpr size_t kSheetRecords = 65000;
constexpr int kOrderLines = 200;

// A program folder with a catalog of `records` records and filled
// requisites.
struct Folder {
    std::string dir;
    explicit Folder(size_t records) {
        std::string pattern = "/tmp/zvprintbench.XXXXXX";
        dir = mkdtemp(pattern.data());
        std::string error;
        if (!platform::CurrentPlatform().WriteFileAtomically(
                dir + "/price.zv", catalog::CatalogImage(bench_support::kCatalogSeed, records),
                error))
            throw std::runtime_error(error);
        std::ofstream(dir + "/Zetrovo.ini", std::ios::binary)
            << "[Client]\r\nKlient=A\r\nAdres=B\r\nTelefon=C\r\nKontaktLico=D\r\n";
    }
    ~Folder() { std::filesystem::remove_all(dir); }
};

// The program after start-up on the folder's catalog.
struct Program {
    Folder folder;
    std::unique_ptr<app::StartUp> start;
    core::DataModule& dm;
    orders::MainWindow* window;
    explicit Program(size_t records)
        : folder(records),
          start(bench_support::StartProgramWindow(folder.dir)),
          dm(*start->DataModule()),
          window(orders::ProgramWindow(*start)) {}
    // An order of the first `lines` products of the catalog, shown.
    void OpenOrder(int lines) {
        ridov::TRidovTable order;
        order.Defs().Add("ID", ridov::DataType::String, 20);
        order.Defs().Add("KOL", ridov::DataType::Integer);
        order.Open();
        int n = 0;
        for (dm.vtPrice.First(); !dm.vtPrice.Eof() && n < lines; dm.vtPrice.Next(), ++n) {
            order.Append();
            order.FieldByName("ID").SetAsString(dm.vtPrice.FieldByName("ID").AsString());
            order.FieldByName("KOL").SetAsInteger(1 + n % 5);
            order.Post();
        }
        order.SaveToFile(folder.dir + "/Zakaz1.zv");
        window->Orders()->OpenOrder(dm.ProgramDir + "Zakaz1.zv");
    }
    ~Program() { window->Orders()->CloseAll(); }
};

void BM_ExportCatalogOf65000Records(benchmark::State& state) {
    Program program(kSheetRecords);
    const QString path = program.dm.ProgramDir + "price.xls";
    ui::DataGrid& grid = *program.window->CatalogView()->Grid();
    for (auto _ : state) orders::ExportGridToXls(grid, path);
    state.counters["bytes"] = double(std::filesystem::file_size(path.toStdString()));
}
BENCHMARK(BM_ExportCatalogOf65000Records)->Unit(benchmark::kMillisecond);

// The sheet's bytes only, without the file.
void BM_BuildSheetOf65000Records(benchmark::State& state) {
    Program program(kSheetRecords);
    ui::DataGrid& grid = *program.window->CatalogView()->Grid();
    const core::XlsSheet sheet = orders::XlsSheetOfGrid(grid);
    for (auto _ : state) benchmark::DoNotOptimize(core::BuildGridXls(program.dm.vtPrice, sheet));
}
BENCHMARK(BM_BuildSheetOf65000Records)->Unit(benchmark::kMillisecond);

// From the command to the preview window showing its first page: the
// printout taken from the order grid, laid out and painted for every page
// (Qt's preview paints them all), the first page drawn on screen.
void BM_PreviewOfA200LineOrderToFirstPage(benchmark::State& state) {
    Program program(10000);
    program.OpenOrder(kOrderLines);
    orders::PrintActions& printing = program.window->Printing();
    printing.SetOrderTexts();
    int pages = 0;
    for (auto _ : state) {
        const orders::TPrintTable table =
            orders::PrintTableOfGrid(*program.window->Orders()->Grid());
        QPrinter printer(QPrinter::HighResolution);
        orders::SetupPrintPage(printing.PrintDBGridEh(), printer);
        QPrintPreviewDialog dialog(&printer);
        dialog.resize(900, 1000);
        QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, [&](QPrinter* target) {
            pages = orders::PaintPrintout(printing.PrintDBGridEh(), table, *target);
        });
        dialog.show();
        QApplication::processEvents();
        benchmark::DoNotOptimize(dialog.grab());
    }
    state.counters["pages"] = pages;
}
BENCHMARK(BM_PreviewOfA200LineOrderToFirstPage)->Unit(benchmark::kMillisecond);

// The layout alone (every cell measured, pages found).
void BM_LayoutOfA200LineOrder(benchmark::State& state) {
    Program program(10000);
    program.OpenOrder(kOrderLines);
    orders::PrintActions& printing = program.window->Printing();
    printing.SetOrderTexts();
    QPrinter printer(QPrinter::HighResolution);
    orders::SetupPrintPage(printing.PrintDBGridEh(), printer);
    for (auto _ : state) {
        const orders::TPrintTable table =
            orders::PrintTableOfGrid(*program.window->Orders()->Grid());
        const orders::TGridPageLayout layout(printing.PrintDBGridEh(), table, printer);
        benchmark::DoNotOptimize(layout.PageCount());
    }
}
BENCHMARK(BM_LayoutOfA200LineOrder)->Unit(benchmark::kMillisecond);

// The whole demo-sized catalog laid out for the print preview, in both
// orientations (the one with fewer pages kept), as the print command does
// before it shows the preview or asks about a large printout.
void BM_LayoutOfA20000ProductCatalog(benchmark::State& state) {
    Program program(20000);
    orders::PrintActions& printing = program.window->Printing();
    printing.SetPriceTexts(QString());
    const orders::TPrintTable table =
        orders::PrintTableOfGrid(*program.window->CatalogView()->Grid());
    int pages = 0;
    for (auto _ : state) {
        orders::Printout printout(printing.PrintDBGridEh(), table);
        QPrinter printer(QPrinter::HighResolution);
        pages = printout.LayOut(printer, orders::kLargePrintoutPages);
    }
    state.counters["pages"] = pages;
}
BENCHMARK(BM_LayoutOfA20000ProductCatalog)->Unit(benchmark::kMillisecond);

void BM_PdfOfA200LineOrder(benchmark::State& state) {
    Program program(10000);
    program.OpenOrder(kOrderLines);
    orders::PrintActions& printing = program.window->Printing();
    printing.SetOrderTexts();
    for (auto _ : state) {
        const orders::TPrintTable table =
            orders::PrintTableOfGrid(*program.window->Orders()->Grid());
        benchmark::DoNotOptimize(orders::PrintoutToPdf(printing.PrintDBGridEh(), table));
    }
}
BENCHMARK(BM_PdfOfA200LineOrder)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return bench_support::RunQtBenchmarks(argc, argv);
}
