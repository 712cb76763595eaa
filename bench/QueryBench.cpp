// The program's queries over generated catalogs of 100,000 and 1,000,000
// records: the order view (a 200-line order, 5 of its codes missing from
// the catalog, joined with the catalog by *=), the product lookup, a
// grouping over the whole catalog, and the write-back of one changed line.
//
// The order view and the lookup run as the program runs them, through
// TRidovQuery with its table cache; BM_OrderViewUncached shows the cost of
// reading and sorting the catalog that the cache saves on every later run.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <ctime>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "engine/query/RidovQuery.h"
#include "engine/storage/RidovSession.h"
#include "platform/Platform.h"
#include "tools/catalog/CatalogGenerator.h"
#include "tools/catalog/CatalogTable.h"

namespace {

constexpr uint64_t kSeed = 20240501;
constexpr size_t kOrderLines = 200;
constexpr size_t kMissing = 5;

// Writes a file dated an hour back: the table cache takes no file changed
// within the last seconds, and a customer's catalog is never that fresh.
void WriteImage(const std::string& path, const std::vector<uint8_t>& image) {
    platform::Platform& os = platform::CurrentPlatform();
    std::string error;
    if (!os.WriteFileAtomically(path, image, error)) throw std::runtime_error(error);
    os.SetModificationTime(path, static_cast<int64_t>(time(nullptr)) - 3600);
}

struct Fixture {
    std::string catalog;
    std::string order;
    std::vector<std::string> codes;  // catalog codes used by the lookup
};

// One folder per catalog size with price.zv and Zakaz1.zv; removed at exit.
class Files {
  public:
    Files() {
        char tmpl[] = "/tmp/zvqbench.XXXXXX";
        dir_ = mkdtemp(tmpl);
    }
    ~Files() { std::filesystem::remove_all(dir_); }

    const Fixture& For(size_t count) {
        Fixture& f = fixtures_[count];
        if (!f.catalog.empty()) return f;
        std::string folder = dir_ + "/" + std::to_string(count);
        std::filesystem::create_directory(folder);
        f.catalog = folder + "/price.zv";
        f.order = folder + "/Zakaz1.zv";
        std::vector<catalog::CatalogRow> rows = catalog::CatalogGenerator(kSeed, count).Rest();
        WriteImage(f.catalog, catalog::CatalogImage(kSeed, count));

        ridov::TRidovCursor order(ridov::TRidovSession::Instance());
        order.AddField("ID", ridov::ftString, 20);
        order.AddField("KOL", ridov::ftInteger);
        ridov::ValueBuffer buf(order.Layout());
        std::string message;
        for (size_t i = 0; i < kOrderLines; ++i) {
            std::string id = i < kMissing ? std::string("X") + std::to_string(i)
                                          : rows[(i * 7919) % rows.size()].id;
            if (i % 50 == 0) f.codes.push_back(id);
            order.TextToValue(buf.Data() + order.FieldAt(0)->offset, id, *order.FieldAt(0));
            order.TextToValue(buf.Data() + order.FieldAt(1)->offset, std::to_string(i % 9 + 1),
                              *order.FieldAt(1));
            if (!order.PostRecord(buf.Data(), nullptr, message)) throw std::runtime_error(message);
        }
        if (!order.WriteFile(f.order, 0, false, "", message)) throw std::runtime_error(message);
        platform::CurrentPlatform().SetModificationTime(f.order,
                                                        static_cast<int64_t>(time(nullptr)) - 3600);
        for (size_t i = 0; i < 8; ++i) f.codes.push_back(rows[(i * 104729) % rows.size()].id);
        return f;
    }

  private:
    std::string dir_;
    std::map<size_t, Fixture> fixtures_;
};

Files& TheFiles() {
    static Files files;
    return files;
}

void SetUpOrderView(ridov::TRidovQuery& q, const Fixture& f) {
    q.SetSQL({"select o.ID, p.NAME, p.CENA, o.KOL, p.EDIZM", "from :OrderTblNm o, :TblNm p",
              "where o.ID *= p.ID"});
    q.SetOrigin("o");
    q.uniqueFieldNames = "ID";
    q.ParamByName("OrderTblNm").SetAsString(f.order);
    q.ParamByName("TblNm").SetAsString(f.catalog);
}

void BM_OrderView(benchmark::State& state) {
    const Fixture& f = TheFiles().For(size_t(state.range(0)));
    ridov::TRidovQuery q;
    SetUpOrderView(q, f);
    q.Open();  // the first run reads and sorts the catalog once
    q.Close();
    for (auto _ : state) {
        q.Open();
        benchmark::DoNotOptimize(q.RecordCount());
        q.Close();
    }
}
BENCHMARK(BM_OrderView)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_OrderViewUncached(benchmark::State& state) {
    const Fixture& f = TheFiles().For(size_t(state.range(0)));
    ridov::TRidovQuery q;
    q.useTableCache = false;
    SetUpOrderView(q, f);
    for (auto _ : state) {
        q.Open();
        benchmark::DoNotOptimize(q.RecordCount());
        q.Close();
    }
}
BENCHMARK(BM_OrderViewUncached)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_ProductLookup(benchmark::State& state) {
    const Fixture& f = TheFiles().For(size_t(state.range(0)));
    ridov::TRidovQuery q;
    q.SetSQL({"select p.ID, p.NAME, p.KOLUPAK, p.CENA", "from :TblNm p", "where ID = :ID", " "});
    q.ParamByName("TblNm").SetAsString(f.catalog);
    size_t i = 0;
    for (auto _ : state) {
        q.ParamByName("ID").SetAsString(f.codes[i++ % f.codes.size()]);
        q.Open();
        benchmark::DoNotOptimize(q.RecordCount());
        q.Close();
    }
}
BENCHMARK(BM_ProductLookup)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_GroupByBrand(benchmark::State& state) {
    const Fixture& f = TheFiles().For(size_t(state.range(0)));
    ridov::TRidovQuery q;
    q.SetSQL({"select BREND, COUNT(ID), SUM(KOLUPAK), MAX(CENA)",
              "from \"" + f.catalog + "\" t group by BREND"});
    for (auto _ : state) {
        q.Open();
        benchmark::DoNotOptimize(q.RecordCount());
        q.Close();
    }
}
BENCHMARK(BM_GroupByBrand)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_WriteBackOneLine(benchmark::State& state) {
    const Fixture& f = TheFiles().For(size_t(state.range(0)));
    ridov::TRidovQuery q;
    SetUpOrderView(q, f);
    q.Open();
    ridov::Field& kol = q.FieldByName("KOL");
    for (auto _ : state) {
        state.PauseTiming();
        q.First();
        q.Edit();
        kol.SetAsInteger(kol.AsInteger() % 9 + 1);
        q.Post();
        state.ResumeTiming();
        q.SaveChanges();
    }
    q.Close();
}
BENCHMARK(BM_WriteBackOneLine)->Arg(1000000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
