// Deciphering and enciphering a whole catalog image with the table cipher,
// the work a password-protected catalog costs on every open and save.
//
// The image is the generated 1,000,000-product catalog (about 106 MB), built
// once per process with a fixed seed and enciphered once as one stream under
// a fixed data key; each iteration restores a copy of it (clock stopped), keys
// a fresh cipher and transforms the copy in place in one call. "MB/s" counts
// 10^6 bytes.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string_view>
#include <vector>

#include "engine/storage/Sapphire.h"
#include "tools/catalog/CatalogTable.h"

namespace {

constexpr uint64_t kSeed = 20240501;
constexpr size_t kRecords = 1'000'000;
constexpr std::string_view kKey = "{6E9070A1-FF16-1A37-00B6-199DE6DCA924}";

struct Images {
    std::vector<uint8_t> plain;
    std::vector<uint8_t> enciphered;
};

const Images& CatalogImages() {
    static const Images images = [] {
        Images made;
        made.plain = catalog::CatalogImage(kSeed, kRecords);
        made.enciphered = made.plain;
        ridov::TSapphire cipher;
        cipher.SetKey(kKey);
        cipher.Encrypt(made.enciphered.data(), made.enciphered.size());
        return made;
    }();
    return images;
}

void Transform(benchmark::State& state, bool decipher) {
    const Images& images = CatalogImages();
    const std::vector<uint8_t>& source = decipher ? images.enciphered : images.plain;
    std::vector<uint8_t> work(source.size());
    for (auto _ : state) {
        state.PauseTiming();
        std::memcpy(work.data(), source.data(), source.size());
        ridov::TSapphire cipher;
        cipher.SetKey(kKey);
        state.ResumeTiming();
        if (decipher) {
            cipher.Decrypt(work.data(), work.size());
        } else {
            cipher.Encrypt(work.data(), work.size());
        }
        benchmark::DoNotOptimize(work.data());
        benchmark::ClobberMemory();
    }
    if (decipher && work != images.plain) state.SkipWithError("deciphered image differs");
    const double bytes = static_cast<double>(source.size());
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(source.size()));
    state.counters["MB/s"] = benchmark::Counter(
        bytes * static_cast<double>(state.iterations()) / 1e6, benchmark::Counter::kIsRate);
    state.counters["image_MB"] = bytes / 1e6;
}

void BM_DecipherCatalog(benchmark::State& state) {
    Transform(state, true);
}
void BM_EncipherCatalog(benchmark::State& state) {
    Transform(state, false);
}

BENCHMARK(BM_DecipherCatalog)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncipherCatalog)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
