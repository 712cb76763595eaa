// The catalog grid over a generated 1,000,000-record catalog, from the user's
// side: each figure runs until the grid is painted again. Opening the
// catalog (read, sorted by name, columns set up, painted), a filter-row
// keystroke (Filter text built, view rebuilt, painted), a title click
// (re-sorted, painted), a page of scrolling (PgDn, painted) and opening a
// filter cell's value list over the million names.
//
// Painting is done with QWidget::grab on the offscreen platform, which
// paints the whole widget synchronously.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <QApplication>
#include <QKeyEvent>
#include <QTableView>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>

#include "bench/CatalogFolder.h"
#include "core/DataModule.h"
#include "orders/CatalogView.h"
#include "platform/Platform.h"
#include "tools/catalog/CatalogTable.h"
#include "ui/DataGrid.h"
#include "ui/FilterRowValues.h"

namespace {

const bench_support::CatalogFolder& Folder() {
    static bench_support::CatalogFolder folder("/tmp/zvgridbench.XXXXXX");
    return folder;
}

// The data module and the catalog view as the main window holds them.
struct Catalog {
    core::DataModule dm{QString::fromStdString(Folder().dir)};
    orders::CatalogView view{dm};
    Catalog() {
        view.resize(1200, 700);
        view.show();
        if (!Open()) throw std::runtime_error("no catalog");
    }
    bool Open() { return view.OpenCatalog(QString::fromStdString(Folder().path)); }
    ui::DataGrid& Grid() { return *view.Grid(); }
    void Paint() { benchmark::DoNotOptimize(view.grab()); }
};

void BM_OpenToPaintedGrid(benchmark::State& state) {
    Catalog catalog;
    for (auto _ : state) {
        catalog.Open();
        catalog.Paint();
    }
    state.counters["records"] = double(catalog.dm.vtPrice.RecordCount());
}
BENCHMARK(BM_OpenToPaintedGrid)->Unit(benchmark::kMillisecond)->Iterations(3);

// Typing into the name cell and confirming: each text rebuilds the view
// sorted by name and repaints.
void BM_FilterKeystrokeToPaintedGrid(benchmark::State& state) {
    static const char* const kTexts[] = {"Ф", "Фил", "Фильтр м"};
    const QString text = QString::fromUtf8(kTexts[state.range(0)]);
    Catalog catalog;
    const int name = catalog.Grid().ColumnOfField("NAME");
    int shown = 0;
    for (auto _ : state) {
        catalog.Grid().SetFilterText(name, text);
        catalog.view.ApplySTFilter();
        catalog.Paint();
        state.PauseTiming();
        shown = catalog.dm.vtPrice.RecordCount();
        catalog.Grid().ClearFilters();
        catalog.view.ApplySTFilter();
        state.ResumeTiming();
    }
    state.counters["records"] = double(shown);
    state.SetLabel(kTexts[state.range(0)]);
}
BENCHMARK(BM_FilterKeystrokeToPaintedGrid)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

// A click on the price title, alternating ascending and descending.
void BM_TitleClickToPaintedGrid(benchmark::State& state) {
    Catalog catalog;
    const int price = catalog.Grid().ColumnOfField("CENA");
    for (auto _ : state) {
        catalog.view.TitleClick(price);
        catalog.Paint();
    }
}
BENCHMARK(BM_TitleClickToPaintedGrid)->Unit(benchmark::kMillisecond)->Iterations(4);

// PgDn in the middle of the catalog: the dataset moves a page, the grid
// scrolls and repaints.
void BM_ScrollPage(benchmark::State& state) {
    Catalog catalog;
    QTableView& view = catalog.Grid().View();
    view.setFocus();
    catalog.dm.vtPrice.SetRecNo(int(bench_support::kCatalogCount / 2));
    catalog.Paint();
    for (auto _ : state) {
        QKeyEvent down(QEvent::KeyPress, Qt::Key_PageDown, Qt::NoModifier);
        QApplication::sendEvent(&view, &down);
        catalog.Paint();
    }
    state.counters["recno"] = double(catalog.dm.vtPrice.RecNo());
}
BENCHMARK(BM_ScrollPage)->Unit(benchmark::kMicrosecond)->Iterations(200);

// Opening the name cell's drop-down list: one pass over the view keeping the
// first entries of the million names.
void BM_OpenNameValueList(benchmark::State& state) {
    static const char* const kPrefixes[] = {"", "Ф"};
    Catalog catalog;
    const QString prefix = QString::fromUtf8(kPrefixes[state.range(0)]);
    for (auto _ : state) {
        benchmark::DoNotOptimize(ui::DistinctValues(catalog.dm.vtPrice, "NAME", "", prefix,
                                                    ui::FilterRowCell::kListLimit));
    }
    state.SetLabel(kPrefixes[state.range(0)]);
}
BENCHMARK(BM_OpenNameValueList)->DenseRange(0, 1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return bench_support::RunQtBenchmarks(argc, argv);
}
