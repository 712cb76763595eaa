// Reading and writing catalog images of 100,000 and 1,000,000 records, plain
// and enciphered, through the record store.
//
// Each catalog is generated once per process with a fixed seed and kept as a
// committed store plus its plain and enciphered images; the benchmarks only
// time ReadImage (into a fresh store, from a fresh copy of the image, since
// reading deciphers in place) and WriteImage (into a buffer sized by
// ImageSizeEstimate, as WriteFile does). File I/O is left out.
//
// Counters besides time, bytes/s and records/s:
//   file_B/rec      image bytes per record
//   rss_B/rec       growth of the resident set over one read, per record
//                   (from /proc/self/statm, freed heap trimmed beforehand)
//   reserved_B/rec  the store's MemoryReserved() per record
//   rss/file        resident growth over image size; the aim is below 2
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/storage/RidovCursor.h"
#include "engine/storage/RidovSession.h"
#include "tools/catalog/CatalogTable.h"

namespace {

using ridov::TRidovCursor;
using ridov::TRidovSession;

constexpr uint64_t kSeed = 20240501;
const std::string kPassword = "Zakaz-2024";

struct Catalog {
    std::unique_ptr<TRidovCursor> store;  // read from `plain`, as after opening
    std::vector<uint8_t> plain;
    std::vector<uint8_t> enciphered;
};

Catalog& CatalogOf(size_t count) {
    static std::map<size_t, std::unique_ptr<Catalog>> cache;
    std::unique_ptr<Catalog>& c = cache[count];
    if (c) return *c;
    c = std::make_unique<Catalog>();
    c->plain = catalog::CatalogImage(kSeed, count);
    c->store = std::make_unique<TRidovCursor>(TRidovSession::Instance());
    std::vector<uint8_t> copy = c->plain;
    std::string message;
    if (!c->store->ReadImage(copy, message)) {
        throw std::runtime_error("generated catalog does not read back: " + message);
    }
    c->store->SetPassword(kPassword);
    c->store->WriteImage(c->enciphered);
    c->store->SetPassword("");
    return *c;
}

size_t ResidentBytes() {
    std::ifstream statm("/proc/self/statm");
    size_t size = 0, resident = 0;
    statm >> size >> resident;
    return resident * static_cast<size_t>(sysconf(_SC_PAGESIZE));
}

void BM_ReadImage(benchmark::State& state) {
    const size_t count = static_cast<size_t>(state.range(0));
    const bool enciphered = state.range(1) != 0;
    const Catalog& c = CatalogOf(count);
    const std::vector<uint8_t>& image = enciphered ? c.enciphered : c.plain;
    std::vector<uint8_t> work(image.size());
    size_t rssGrowth = 0;
    size_t reserved = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::memcpy(work.data(), image.data(), image.size());
        malloc_trim(0);
        const size_t before = ResidentBytes();
        {
            TRidovCursor store(TRidovSession::Instance());
            if (enciphered) store.SetPassword(kPassword);
            std::string message;
            state.ResumeTiming();
            const bool ok = store.ReadImage(work, message);
            state.PauseTiming();
            if (!ok || store.RecordCount() != count) {
                state.ResumeTiming();
                state.SkipWithError(("read failed: " + message).c_str());
                break;
            }
            rssGrowth = std::max(rssGrowth, ResidentBytes() - before);
            reserved = store.MemoryReserved();
        }  // freed while the clock is stopped
        state.ResumeTiming();
    }
    const double records = static_cast<double>(count);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * image.size()));
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * count));
    state.counters["file_B/rec"] = static_cast<double>(image.size()) / records;
    state.counters["rss_B/rec"] = static_cast<double>(rssGrowth) / records;
    state.counters["reserved_B/rec"] = static_cast<double>(reserved) / records;
    state.counters["rss/file"] = static_cast<double>(rssGrowth) / static_cast<double>(image.size());
}

void BM_WriteImage(benchmark::State& state) {
    const size_t count = static_cast<size_t>(state.range(0));
    const bool enciphered = state.range(1) != 0;
    TRidovCursor& store = *CatalogOf(count).store;
    store.SetPassword(enciphered ? kPassword : "");
    size_t size = 0;
    for (auto _ : state) {
        std::vector<uint8_t> out;
        out.reserve(store.ImageSizeEstimate());
        size = store.WriteImage(out);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    store.SetPassword("");
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size));
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * count));
    state.counters["file_B/rec"] = static_cast<double>(size) / static_cast<double>(count);
}

void CatalogSizes(benchmark::internal::Benchmark* b) {
    b->ArgNames({"records", "enciphered"});
    b->ArgsProduct({{100'000, 1'000'000}, {0, 1}});
    b->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_ReadImage)->Apply(CatalogSizes);
BENCHMARK(BM_WriteImage)->Apply(CatalogSizes);

}  // namespace

BENCHMARK_MAIN();
