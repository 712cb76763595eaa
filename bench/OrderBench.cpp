// Order line entry over a generated 1,000,000-record catalog, as the user
// meets it: from OK in the quantity dialog to the refreshed order grid (the
// line written, stamped, the order view reopened and painted), the first
// OK of a session and later ones on a 200-line order, and from Enter on the
// catalog to the prepared dialog (the product looked up).
//
// The first OK of a session is measured with the query's table cache
// emptied, as it is when the program starts: the order view and the
// product lookup take the catalog the program holds in memory, so nothing
// should need that cache.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <QApplication>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/CatalogFolder.h"
#include "bench/ProgramWindow.h"
#include "core/DataModule.h"
#include "engine/query/TableCache.h"
#include "orders/MainWindow.h"
#include "orders/OrderDialog.h"
#include "orders/OrderLineEntry.h"
#include "orders/OrderTabs.h"
#include "platform/Platform.h"
#include "tools/catalog/CatalogTable.h"
#include "ui/DataGrid.h"

namespace {

constexpr int kOrderLines = 200;

const bench_support::CatalogFolder& Folder() {
    static bench_support::CatalogFolder folder("/tmp/zvorderbench.XXXXXX");
    return folder;
}

// The program after start-up: the data module, the main window, its
// dialogs and the catalog open.
struct Program {
    static std::unique_ptr<app::StartUp> Start() {
        // Filled requisites, so that no first start runs.
        std::ofstream(Folder().dir + "/Zetrovo.ini", std::ios::binary)
            << "[Client]\r\nKlient=A\r\nAdres=B\r\nTelefon=C\r\nKontaktLico=D\r\n";
        return bench_support::StartProgramWindow(Folder().dir);
    }
    std::unique_ptr<app::StartUp> start = Start();
    core::DataModule& dm = *start->DataModule();
    orders::MainWindow* window = orders::ProgramWindow(*start);
    std::vector<std::string> ids;
    Program() {
        window->show();
        for (dm.vtPrice.First(); !dm.vtPrice.Eof() && int(ids.size()) < kOrderLines + 1;
             dm.vtPrice.Next())
            ids.push_back(dm.vtPrice.FieldByName("ID").AsString());
    }
    ~Program() { window->Orders()->CloseAll(); }
    void Paint() { benchmark::DoNotOptimize(window->Orders()->Grid()->grab()); }
};

void BM_FirstOkOfTheSession(benchmark::State& state) {
    Program program;
    int n = 0;
    for (auto _ : state) {
        state.PauseTiming();
        program.window->Orders()->CloseAll();
        ridov::TableCache::Instance().Clear();
        state.ResumeTiming();
        program.window->LineEntry().StoreOrderLine(program.ids[size_t(n++ % kOrderLines)], 3);
        program.Paint();
    }
}
BENCHMARK(BM_FirstOkOfTheSession)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_LaterOkOnA200LineOrder(benchmark::State& state) {
    Program program;
    for (int i = 0; i < kOrderLines; ++i)
        program.window->LineEntry().StoreOrderLine(program.ids[size_t(i)], 1);
    int n = 0;
    for (auto _ : state) {
        const int line = n++;
        program.window->LineEntry().StoreOrderLine(program.ids[size_t(line % kOrderLines)],
                                                   2 + line % 7);
        program.Paint();
    }
}
BENCHMARK(BM_LaterOkOnA200LineOrder)->Unit(benchmark::kMillisecond);

void BM_EnterToPreparedDialog(benchmark::State& state) {
    Program program;
    program.window->LineEntry().StoreOrderLine(program.ids[0], 1);
    int n = 0;
    for (auto _ : state) {
        program.window->FormOrderDlg()->Prepare(program.dm.vtPrice.FullTableName(),
                                                program.ids[size_t(n++ % kOrderLines)],
                                                &program.dm.qvZayavka);
    }
}
BENCHMARK(BM_EnterToPreparedDialog)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return bench_support::RunQtBenchmarks(argc, argv);
}
