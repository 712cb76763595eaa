// The dataset layer over a generated catalog: walking every record with
// First/Next while reading three fields, appending and posting records one
// by one, and SaveChanges of a whole catalog table.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "engine/dataset/RidovTable.h"
#include "platform/Platform.h"
#include "tools/catalog/CatalogGenerator.h"
#include "tools/catalog/CatalogTable.h"

namespace {

constexpr uint64_t kSeed = 20240501;

// A temporary folder holding one catalog file per size, removed at exit.
struct CatalogFiles {
    std::string dir;
    std::map<size_t, std::string> files;
    CatalogFiles() {
        char tmpl[] = "/tmp/zvbench.XXXXXX";
        dir = mkdtemp(tmpl);
    }
    ~CatalogFiles() { std::filesystem::remove_all(dir); }
    const std::string& File(size_t count) {
        std::string& path = files[count];
        if (path.empty()) {
            path = dir + "/price" + std::to_string(count) + ".zv";
            std::vector<uint8_t> image = catalog::CatalogImage(kSeed, count);
            std::string error;
            if (!platform::CurrentPlatform().WriteFileAtomically(path, image, error)) {
                throw std::runtime_error(error);
            }
        }
        return path;
    }
};

CatalogFiles& Files() {
    static CatalogFiles files;
    return files;
}

void BM_WalkCatalog(benchmark::State& state) {
    const size_t count = static_cast<size_t>(state.range(0));
    ridov::TRidovTable table;
    table.SetTableName(Files().File(count));
    table.Open();
    ridov::Field& name = table.FieldByName("NAME");
    ridov::Field& cena = table.FieldByName("CENA");
    ridov::Field& kolupak = table.FieldByName("KOLUPAK");
    for (auto _ : state) {
        size_t chars = 0;
        double sum = 0;
        int64_t packs = 0;
        for (table.First(); !table.Eof(); table.Next()) {
            chars += name.AsStringView().size();
            sum += cena.AsFloat();
            packs += kolupak.AsInteger();
        }
        benchmark::DoNotOptimize(chars);
        benchmark::DoNotOptimize(sum);
        benchmark::DoNotOptimize(packs);
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(count));
    state.counters["ns/rec"] = benchmark::Counter(
        double(count) * double(state.iterations()),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_WalkCatalog)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_AppendAndPost(benchmark::State& state) {
    const size_t count = static_cast<size_t>(state.range(0));
    std::vector<catalog::CatalogRow> rows = catalog::CatalogGenerator(kSeed, count).Rest();
    for (auto _ : state) {
        ridov::TRidovTable table;
        table.Defs().Add("ID", ridov::DataType::String, 8);
        table.Defs().Add("NAME", ridov::DataType::String, 80);
        table.Defs().Add("CENA", ridov::DataType::Float);
        table.Defs().Add("KOLUPAK", ridov::DataType::Integer);
        table.Open();
        ridov::Field& id = table.FieldByName("ID");
        ridov::Field& name = table.FieldByName("NAME");
        ridov::Field& cena = table.FieldByName("CENA");
        ridov::Field& kolupak = table.FieldByName("KOLUPAK");
        for (const catalog::CatalogRow& row : rows) {
            table.Append();
            id.SetAsString(row.id);
            name.SetAsString(row.name);
            cena.SetAsFloat(row.Cena());
            kolupak.SetAsInteger(row.kolUpak);
            table.Post();
        }
        benchmark::DoNotOptimize(table.RecordCount());
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(count));
}
BENCHMARK(BM_AppendAndPost)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_SaveChanges(benchmark::State& state) {
    const size_t count = static_cast<size_t>(state.range(0));
    ridov::TRidovTable table;
    table.SetTableName(Files().File(count));
    table.Open();
    ridov::Field& kolupak = table.FieldByName("KOLUPAK");
    int64_t bytes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        table.First();
        table.Edit();
        kolupak.SetAsInteger(kolupak.AsInteger() + 1);
        table.Post();
        state.ResumeTiming();
        table.SaveChanges();
        bytes += static_cast<int64_t>(std::filesystem::file_size(table.FullTableName()));
    }
    state.SetBytesProcessed(bytes);
}
BENCHMARK(BM_SaveChanges)->Arg(1000000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
