// The catalog view over a generated 1,000,000-record catalog, as the main
// window drives it: opening sorted by NAME ignoring case (the start-up
// order), the filter row's typical keystrokes each rebuilding the view
// sorted by NAME, a title click re-sorting by CENA descending, Locate by ID
// and the grid's incremental search (FindByText on NAME).
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "engine/dataset/RidovTable.h"
#include "engine/dataset/ViewSettings.h"
#include "engine/text/Win1251.h"
#include "platform/Platform.h"
#include "tools/catalog/CatalogGenerator.h"
#include "tools/catalog/CatalogTable.h"

namespace {

constexpr uint64_t kSeed = 20240501;
constexpr size_t kCount = 1000000;

struct CatalogFile {
    std::string dir, path;
    std::vector<std::string> ids;
    CatalogFile() {
        char tmpl[] = "/tmp/zvvbench.XXXXXX";
        dir = mkdtemp(tmpl);
        path = dir + "/price.zv";
        std::string error;
        if (!platform::CurrentPlatform().WriteFileAtomically(
                path, catalog::CatalogImage(kSeed, kCount), error)) {
            throw std::runtime_error(error);
        }
        std::vector<catalog::CatalogRow> rows = catalog::CatalogGenerator(kSeed, kCount).Rest();
        for (size_t i = 0; i < rows.size(); i += rows.size() / 64) ids.push_back(rows[i].id);
    }
    ~CatalogFile() { std::filesystem::remove_all(dir); }
};

const CatalogFile& File() {
    static CatalogFile file;
    return file;
}

// The catalog table as the program opens it: sorted by NAME ignoring case.
void OpenCatalog(ridov::TRidovTable& table) {
    table.SetTableName(File().path);
    table.SetIndexFieldNames("NAME");
    table.SetSortOptions(ridov::vsoCaseInsensitive);
    table.Open();
}

void BM_OpenSortedByName(benchmark::State& state) {
    File();
    for (auto _ : state) {
        ridov::TRidovTable table;
        OpenCatalog(table);
        benchmark::DoNotOptimize(table.RecordCount());
    }
}
BENCHMARK(BM_OpenSortedByName)->Unit(benchmark::kMillisecond);

void BM_FilterKeystroke(benchmark::State& state) {
    static const char* const kFilters[] = {
        "NAME LIKE 'Ф*'",
        "NAME LIKE 'Фил*'",
        "NAME LIKE 'Фильтр м*' AND IDBREND = '17'",
    };
    const std::string filter = text::Utf8ToCp1251(kFilters[state.range(0)]);
    ridov::TRidovTable table;
    OpenCatalog(table);
    table.SetFiltered(true);
    int shown = 0;
    for (auto _ : state) {
        table.SetFilter(filter);  // rebuilds the view, sorted by NAME
        shown = table.RecordCount();
        state.PauseTiming();
        table.SetFilter("");
        state.ResumeTiming();
    }
    state.counters["records"] = double(shown);
    state.SetLabel(kFilters[state.range(0)]);
}
BENCHMARK(BM_FilterKeystroke)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

void BM_TitleClickCenaDescending(benchmark::State& state) {
    ridov::TRidovTable table;
    OpenCatalog(table);
    for (auto _ : state) {
        ridov::ViewSettings settings;
        settings.indexFieldNames = "CENA";
        settings.sortOptions = ridov::vsoDescendSort;
        table.ApplyViewSettings(settings);  // one rebuild
        benchmark::DoNotOptimize(table.RecordCount());
        state.PauseTiming();
        settings.indexFieldNames = "NAME";
        settings.sortOptions = ridov::vsoCaseInsensitive;
        table.ApplyViewSettings(settings);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_TitleClickCenaDescending)->Unit(benchmark::kMillisecond);

// Locate by ID: a binary search when the view is sorted by ID (case-
// sensitively), a linear scan in the start-up order.
void BM_LocateById(benchmark::State& state) {
    const bool sortedById = state.range(0) != 0;
    ridov::TRidovTable table;
    OpenCatalog(table);
    if (sortedById) {
        table.SetSortOptions(0);
        table.SetIndexFieldNames("ID");
    }
    size_t i = 0;
    for (auto _ : state) {
        const std::string& id = File().ids[i++ % File().ids.size()];
        benchmark::DoNotOptimize(table.Locate("ID", ridov::Variant(id), 0));
    }
    state.SetLabel(sortedById ? "view sorted by ID" : "view sorted by NAME");
}
BENCHMARK(BM_LocateById)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

void BM_FindByTextOnName(benchmark::State& state) {
    ridov::TRidovTable table;
    OpenCatalog(table);
    const std::string typed = text::Utf8ToCp1251("рем");
    for (auto _ : state) {
        benchmark::DoNotOptimize(table.FindByText("NAME", typed, true, true));
    }
    state.counters["row"] = double(table.RecNo());
}
BENCHMARK(BM_FindByTextOnName)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
